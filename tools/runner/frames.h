// The runner's PNG frames: each one lands whole under its own name, or not at all.
#ifndef PLAKO_RUNNER_FRAMES_H
#define PLAKO_RUNNER_FRAMES_H

#include <string>

// Writes all n bytes to fd, again after an interruption; 0 or the errno of the write that failed
// (ENOSPC for a write that took nothing).
int frames_write_all(int fd, const void *bytes, size_t n);

// Makes a write that fails (a file size limit, a reader of standard output that went away) fail
// with its errno rather than kill the runner: SIGXFSZ and SIGPIPE are ignored.
void frames_ignore_write_signals(void);

// Creates a file new to dir, beside dir/name, never through a link: open for writing, closed on
// exec. Returns its descriptor and its path in *path, or -1 with errno.
int frames_create_temporary(const std::string &dir, const std::string &name, std::string *path);

// Creates dir and its missing parents and checks that a frame can be written there. Returns "" or
// the folder that failed and the system's reason for the step that failed ("DIR: reason").
std::string frames_prepare_dir(const std::string &dir);

// Writes w by h pixels (0x00RRGGBB, row by row) as an 8-bit RGB PNG named name in dir: into a
// temporary file there, renamed into place, so that a link standing under the name is replaced,
// never followed. Returns "" or the reason of the failure; nothing of a failed frame is left.
std::string frames_write_png(const std::string &dir, const std::string &name, const unsigned int *px, int w,
                             int h);

#endif
