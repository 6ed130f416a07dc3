// Test support for the runners (NAME-replay): run one as a child process and read its frames.
#pragma once

#include <fcntl.h>
#include <png.h>
#include <signal.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "harness.h"
#include "png_rgb.h"

namespace script_test {

using Image = plako_test::RgbImage;
using plako_test::load_png;
using plako_test::save_png;

// The lines a runner called `name` writes to standard error about itself.
inline std::vector<std::string> own_lines(const std::string &err, const std::string &name) {
    std::vector<std::string> lines;
    std::istringstream in(err);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(name + ":", 0) == 0) lines.push_back(line);
    return lines;
}

// Runs argv[0] with argv; its standard output and error land in *out and *err. A file size limit
// (0: none) makes every file the child writes stop at that many bytes, as a full disk would, and
// the child then sees the failed writes instead of being killed by SIGXFSZ.
inline int run_command(const std::vector<std::string> &args, std::string *out, std::string *err,
                       rlim_t file_size_limit = 0) {
    std::vector<std::string> copy = args;
    std::vector<char *> argv;
    for (std::string &a : copy) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid < 0) {
        ADD_FAILURE() << "fork: " << strerror(errno);
        return -1;
    }
    if (pid == 0) {
        int o = open("tool.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int e = open("tool.err", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (o < 0 || e < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0) _exit(126);
        if (file_size_limit > 0) {
            signal(SIGXFSZ, SIG_IGN);  // an ignored signal stays ignored across exec
            struct rlimit lim;
            getrlimit(RLIMIT_FSIZE, &lim);
            lim.rlim_cur = file_size_limit;
            if (setrlimit(RLIMIT_FSIZE, &lim) != 0) _exit(126);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    *out = read_file("tool.out");
    *err = read_file("tool.err");
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The frames a runner wrote into dir, by name.
inline std::vector<std::string> frames_in(const std::string &dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto &e : std::filesystem::directory_iterator(dir, ec)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace script_test
