// Script recording and playback: the event stream written to and read back from "PLAKO.SCR".
//
// One file, one direction at a time: recording and playback refuse each other, so the shared
// file and tick counter always belong to exactly one of them.
//
// The file is reached through the C runtime's descriptors rather than a stdio stream, for three
// reasons: it is opened without blocking and taken only when it is a regular file (a FIFO named
// PLAKO.SCR would otherwise hang the open); a recorded line is written whole or cut back, so a
// failed write never leaves half a line for the next one to glue onto; and before every write the
// file is checked to still be the one recording started, so nothing goes into a deleted, replaced
// or emptied file.
#include <ctype.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>

#include "internal.h"

#ifdef _WIN32
#include <io.h>
// The C runtime's names for the same calls. There are no FIFOs to block on in a Windows folder,
// and the text mode turns each "\n" into the system's line end, as the classic "wt" stream does.
typedef struct _stati64 FileStat;
#define file_open(name, flags) _open((name), (flags) | _O_TEXT, _S_IREAD | _S_IWRITE)
#define file_stat(name, st) _stati64((name), (st))
#define file_fstat(fd, st) _fstati64((fd), (st))
#define file_write(fd, p, n) _write((fd), (p), (unsigned)(n))
#define file_tell(fd) _lseeki64((fd), 0, SEEK_CUR)
#define file_seek(fd, at) _lseeki64((fd), (at), SEEK_SET)
#define file_truncate(fd, at) _chsize_s((fd), (at))
#define file_close(fd) _close(fd)
#define file_stream(fd) _fdopen((fd), "rt")
#define FILE_READ _O_RDONLY
#define FILE_WRITE (_O_WRONLY | _O_CREAT)
// The C runtime has no file identity here (no inode, and a drive number only from a name), and
// Windows refuses to delete or rename over a file that is open: the name is only checked to exist.
#define file_same(a, b) 1
#else
#include <unistd.h>
typedef struct stat FileStat;
#define file_open(name, flags) open((name), (flags) | O_NONBLOCK | O_CLOEXEC, 0666)
#define file_stat(name, st) stat((name), (st))
#define file_fstat(fd, st) fstat((fd), (st))
#define file_write(fd, p, n) write((fd), (p), (n))
#define file_tell(fd) lseek((fd), 0, SEEK_CUR)
#define file_seek(fd, at) lseek((fd), (at), SEEK_SET)
// ftruncate reports failure as -1 and errno; _chsize_s returns the error: both are 0 on success.
#define file_truncate(fd, at) ftruncate((fd), (at))
#define file_close(fd) close(fd)
#define file_stream(fd) fdopen((fd), "r")
#define FILE_READ O_RDONLY
#define FILE_WRITE (O_WRONLY | O_CREAT)
#define file_same(a, b) ((a).st_dev == (b).st_dev && (a).st_ino == (b).st_ino)
#endif

namespace {

const char SCRIPT_NAME[] = "PLAKO.SCR";
const int LINE_SIZE = 512;      // one line read, line end and NUL included
const int NUMBER_SIZE = 12;     // one number field, NUL included: at most 11 characters
const int SHOWN_LINE_MAX = 60;  // characters of a bad line quoted in its report

struct ScriptState {
    int fd;             // the script's descriptor, valid while held
    int held;           // a script file is held: fd, and stream when reading
    FILE *stream;       // reading: the buffered stream over fd
    int file_writing;   // 1 when the file was opened for writing, 0 for reading
    long long bytes;    // writing: size of the file after its last complete line
    long lines;         // writing: complete lines in the file; reading: lines read so far
    FileStat identity;  // writing: the file as opened, to notice a replacement under the name
    int recording;      // events returned by the wait are written
    int playback;       // the wait takes its events from the script
    int play_one;       // the next playback hook takes one event from the script
    int pending_ticks;  // recording: ticks not yet written; playing: ticks still to deliver
};

ScriptState script_state;

// Sets or removes the check mark of one Run menu item.
void script_check(UINT id, int on) {
    CheckMenuItem(event_run_menu(), id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

// What a file that is not a regular one is, for a report; null for a regular file.
const char *script_kind_of(const FileStat &st) {
    switch (st.st_mode & S_IFMT) {
        case S_IFREG:
            return nullptr;
        case S_IFDIR:
            return "a directory";
        case S_IFCHR:
            return "a character device";
#ifdef S_IFIFO
        case S_IFIFO:
            return "a FIFO or pipe";
#endif
#ifdef S_IFBLK
        case S_IFBLK:
            return "a block device";
#endif
#ifdef S_IFSOCK
        case S_IFSOCK:
            return "a socket";
#endif
        default:
            return "something other than a regular file";
    }
}

// The line after a failed open: what the name is when it is no regular file (an open for writing
// fails on a FIFO without a reader before it can be looked at), else the system's reason.
void script_report_reason(int err) {
    FileStat st;
    const char *kind = file_stat(SCRIPT_NAME, &st) == 0 ? script_kind_of(st) : nullptr;
    if (kind != nullptr)
        plako_console_printf("%s is %s, not a regular file\n", SCRIPT_NAME, kind);
    else
        plako_console_printf("%s: %s\n", SCRIPT_NAME, strerror(err));
}

// Opens the script, without blocking, when it is a regular file. Writing empties it, as the
// classic "wt" open does. Returns 0 after reporting the mode's line and then the reason.
// The descriptor keeps O_NONBLOCK, which means nothing for a regular file.
int script_open(int for_writing) {
    ScriptState &s = script_state;
    const char *failed_line =
        for_writing ? "Cannot open script file %s for writing\n" : "Cannot open script file %s for reading\n";
    int fd = file_open(SCRIPT_NAME, for_writing ? FILE_WRITE : FILE_READ);
    if (fd < 0) {
        int err = errno;
        plako_console_printf(failed_line, SCRIPT_NAME);
        script_report_reason(err);
        return 0;
    }
    FileStat st;
    int err = 0;
    const char *kind = nullptr;
    if (file_fstat(fd, &st) != 0)
        err = errno;
    else
        kind = script_kind_of(st);
    // Only a regular file is emptied: never a device or a FIFO that happened to open.
    if (err == 0 && kind == nullptr && for_writing && file_truncate(fd, 0) != 0) err = errno;
    FILE *stream = nullptr;
    if (err == 0 && kind == nullptr && !for_writing && (stream = file_stream(fd)) == nullptr) err = errno;
    if (err != 0 || kind != nullptr) {
        file_close(fd);
        plako_console_printf(failed_line, SCRIPT_NAME);
        if (kind != nullptr)
            plako_console_printf("%s is %s, not a regular file\n", SCRIPT_NAME, kind);
        else
            plako_console_printf("%s: %s\n", SCRIPT_NAME, strerror(err));
        return 0;
    }
    s.fd = fd;
    s.stream = stream;
    s.held = 1;
    s.file_writing = for_writing;
    s.bytes = 0;
    s.lines = 0;
    s.identity = st;
    return 1;
}

// Ends recording after its file failed or changed: the check mark goes, the ticks not yet
// written are dropped and the file is let go.
void script_end_recording(void) {
    ScriptState &s = script_state;
    s.recording = 0;
    s.pending_ticks = 0;
    script_check(CMD_RECORD, 0);
    script_close();
}

// Whether the held file is still the one recording wrote: the name must still lead to it and it
// must hold exactly what was written. Otherwise reports why and ends recording.
int script_still_ours(void) {
    ScriptState &s = script_state;
    FileStat now, named;
    const char *what = nullptr;
    if (file_fstat(s.fd, &now) != 0) {
        plako_console_printf("Recording stopped: script file %s cannot be checked: %s\n", SCRIPT_NAME,
                             strerror(errno));
        script_end_recording();
        return 0;
    }
    if (file_stat(SCRIPT_NAME, &named) != 0) {
        what = "was deleted or moved away";
    } else if (!file_same(named, s.identity)) {
        what = "was replaced by another file";
    } else if ((long long)now.st_size < s.bytes) {
        what = "was emptied or cut short";
    } else if ((long long)now.st_size > s.bytes) {
        what = "was written to by another program";
    }
    if (what == nullptr) return 1;
    // Recording does not go on in a new file: that file would begin in the middle of the
    // session and replay wrongly, and whatever now stands under the name is not ours to empty.
    plako_console_printf("Recording stopped: script file %s %s while recording; %ld %s had been written\n",
                         SCRIPT_NAME, what, s.lines, s.lines == 1 ? "line" : "lines");
    script_end_recording();
    return 0;
}

// Appends one line whole, or nothing: after a failed write the file is cut back to its last
// complete line and recording ends with one line saying so. Returns 0 when recording ended.
int script_put_line(const char *text) {
    ScriptState &s = script_state;
    if (!script_still_ours()) return 0;
    size_t n = strlen(text), done = 0;
    int err = 0;
    while (done < n) {
        long w = (long)file_write(s.fd, text + done, n - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            err = w < 0 ? errno : ENOSPC;  // a write that takes nothing without an error: no room
            break;
        }
        done += (size_t)w;
    }
    if (err == 0) {
        long long at = file_tell(s.fd);
        s.bytes = at >= 0 ? at : s.bytes + (long long)n;
        s.lines++;
        return 1;
    }
    if (file_truncate(s.fd, s.bytes) == 0 && file_seek(s.fd, s.bytes) >= 0) {
        plako_console_printf("Cannot write script file %s: %s; recording stopped, the file holds %ld %s\n",
                             SCRIPT_NAME, strerror(err), s.lines, s.lines == 1 ? "line" : "lines");
    } else {
        int cut_err = errno;
        plako_console_printf(
            "Cannot write script file %s: %s; recording stopped, cutting it back failed: %s\n", SCRIPT_NAME,
            strerror(err), strerror(cut_err));
    }
    script_end_recording();
    return 0;
}

// Ends playback after the reader met the end, a read error or a line it cannot play. The file is
// closed too, so the next Playback or Play One starts again from the first line.
int script_end_playback(void) {
    script_stop_playback();
    script_close();
    return 0;
}

// A decimal digit, for any char (isdigit is undefined for negative values).
int script_digit(char c) { return isdigit((unsigned char)c) != 0; }

// Quotes at most SHOWN_LINE_MAX characters of a line without its line end into shown; control
// characters become '?' so the console keeps one row, and a longer line ends in "...".
void script_quote(const char *line, char (&shown)[SHOWN_LINE_MAX + 4]) {
    int n = 0;
    for (; line[n] != '\0' && line[n] != '\n' && line[n] != '\r' && n < SHOWN_LINE_MAX; n++) {
        unsigned char c = (unsigned char)line[n];
        shown[n] = (c < 32 || c == 127) ? '?' : (char)c;
    }
    if (line[n] != '\0' && line[n] != '\n' && line[n] != '\r') {
        memcpy(shown + n, "...", 3);
        n += 3;
    }
    shown[n] = '\0';
}

// Reports a line that cannot be played, by its number, and quotes it.
void script_report_bad_line(const char *line, const char *why) {
    char shown[SHOWN_LINE_MAX + 4];
    script_quote(line, shown);
    plako_console_printf("Bad line %ld in script file %s%s: %s\n", script_state.lines, SCRIPT_NAME, why,
                         shown);
}

// Finds the number field at or after *pos and converts it into *value; *pos moves past the field.
// A field starts at a digit (or a '-' when minus is set) and runs over digits (and '-'s).
// Returns 0 when no field is found, when it is longer than NUMBER_SIZE - 1 characters or when
// its value lies outside int32. Like the classic text-to-integer conversion, the value is the
// number that begins the field ("12-3" is 12, a lone "-" is 0).
int script_number(const char *line, int *pos, int minus, int *value) {
    int start = *pos;
    while (line[start] != '\0' && !script_digit(line[start]) && !(minus && line[start] == '-')) start++;
    if (line[start] == '\0') return 0;
    int end = start;
    while (script_digit(line[end]) || (minus && line[end] == '-')) {
        end++;
        if (end - start > NUMBER_SIZE - 1) return 0;  // never copied: the buffer holds 11
    }
    char field[NUMBER_SIZE];
    memcpy(field, line + start, (size_t)(end - start));
    field[end - start] = '\0';
    // 11 characters stay far inside long long, so the conversion itself cannot overflow.
    long long v = strtoll(field, nullptr, 10);
    if (v < INT_MIN || v > INT_MAX) return 0;
    *value = (int)v;
    *pos = end;
    return 1;
}

// A line that holds nothing but its line end ("\r\n" too, for scripts written on Windows).
int script_empty_line(const char *line) { return strcmp(line, "\n") == 0 || strcmp(line, "\r\n") == 0; }

// Length of the line's text before its line end.
int script_text_length(const char *line) {
    int n = (int)strlen(line);
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r')) n--;
    return n;
}

enum LineRead { LINE_READ, LINE_AT_END, LINE_TOO_LONG, LINE_FAILED };

// Reads one line, line end included, into line (LINE_SIZE bytes). A line that ran into the end of
// the file is not a line (LINE_AT_END); one that does not fit with its line end is LINE_TOO_LONG,
// reported as one bad line rather than read on as several.
LineRead script_get_line(FILE *f, char (&line)[LINE_SIZE]) {
    int n = 0;
    for (;;) {
        int c = getc(f);
        if (c == EOF) {
            line[n] = '\0';
            return ferror(f) ? LINE_FAILED : LINE_AT_END;
        }
        if (n == LINE_SIZE - 1) {
            line[n] = '\0';
            return LINE_TOO_LONG;
        }
        // A NUL byte would hide the rest of the line from every test below: it is no text.
        line[n++] = c == '\0' ? '?' : (char)c;
        if (c == '\n') {
            line[n] = '\0';
            return LINE_READ;
        }
    }
}

}  // namespace

// Appends the line of one event: MOUSE from x and y, KBD from key, PERIODIC from pending_ticks;
// other kinds only open the file. Each line goes to the file as it is written, so that a killed
// process keeps it. Returns 0 when the line could not be written (reported).
int script_write(int kind, int x, int y, char key) {
    ScriptState &s = script_state;
    if (s.held && !s.file_writing) script_close();  // a reader left open by Play One
    if (!s.held && !script_open(1)) return 0;
    char text[64];
    if (kind == EVENT_MOUSE)
        snprintf(text, sizeof text, "PLAKO_MOUSE(%d, %d);\n", x, y);
    else if (kind == EVENT_KBD)
        snprintf(text, sizeof text, "PLAKO_KBD(%d);\n", (int)(signed char)key);
    else if (kind == EVENT_PERIODIC)
        snprintf(text, sizeof text, "PLAKO_PERIODIC(%d);\n", s.pending_ticks);
    else
        return 1;
    return script_put_line(text);
}

// Delivers the next script event into the pending event and returns 1, or returns 0 (playback
// ended, with its reason on the console) when there is none.
int script_read(void) {
    ScriptState &s = script_state;
    if (s.held && s.file_writing) {  // never both directions: the recording keeps its file
        script_stop_playback();
        return 0;
    }
    if (!s.held && !script_open(0)) {
        script_stop_playback();
        return 0;
    }
    PendingEvent *ev = event_pending();
    if (s.pending_ticks > 0) {
        s.pending_ticks--;
        ev->kind = EVENT_PERIODIC;
        return 1;
    }
    char line[LINE_SIZE];
    for (;;) {
        LineRead got = script_get_line(s.stream, line);
        if (got == LINE_AT_END) {
            // A last line without its line end runs into the end while it is read: not played.
            plako_console_printf("EOF encountered in script file %s\n", SCRIPT_NAME);
            return script_end_playback();
        }
        s.lines++;
        if (got == LINE_FAILED) {
            plako_console_printf("Cannot read script file %s at line %ld: %s\n", SCRIPT_NAME, s.lines,
                                 strerror(errno));
            return script_end_playback();
        }
        if (got == LINE_TOO_LONG) {
            script_report_bad_line(line, " (more than 511 characters with its line end)");
            return script_end_playback();
        }
        if (!script_empty_line(line)) break;
    }
    if (script_text_length(line) < 7) {
        script_report_bad_line(line, "");
        return script_end_playback();
    }
    // The prefix "PLAKO_" is not examined: the seventh character alone names the line.
    int pos = 6;
    int x = 0, y = 0, n = 0;
    switch (line[6]) {
        case 'K':
            if (!script_number(line, &pos, 1, &n)) break;
            ev->kind = EVENT_KBD;
            ev->key = (char)(n & 0xff);
            return 1;
        case 'M':
            if (!script_number(line, &pos, 1, &x) || !script_number(line, &pos, 1, &y)) break;
            ev->kind = EVENT_MOUSE;
            ev->x = x;
            ev->y = y;
            return 1;
        case 'P':
            if (!script_number(line, &pos, 0, &n)) break;
            // This call delivers the run's first tick; a count of 0 still delivers one.
            s.pending_ticks = n > 0 ? n - 1 : 0;
            ev->kind = EVENT_PERIODIC;
            return 1;
        default:
            // A comment, a lower-case keyword or stray bytes: playback ends here without a console
            // line (the runner names the line from its own reading of the script).
            return script_end_playback();
    }
    script_report_bad_line(line, "");
    return script_end_playback();
}

// Switches playback and play-one off and removes the Playback check mark.
void script_stop_playback(void) {
    script_state.playback = 0;
    script_state.play_one = 0;
    script_check(CMD_PLAYBACK, 0);
}

// Closes the held script, if any; the next write or read opens it afresh.
void script_close(void) {
    ScriptState &s = script_state;
    if (!s.held) return;
    int failed = s.stream != nullptr ? fclose(s.stream) != 0 : file_close(s.fd) != 0;
    if (failed && s.file_writing)
        plako_console_printf("Cannot close script file %s: %s; it may not hold all of its %ld lines\n",
                             SCRIPT_NAME, strerror(errno), s.lines);
    s.stream = nullptr;
    s.fd = -1;
    s.held = 0;
    s.file_writing = 0;
}

// Record (Ctrl+R): on, or off with the open run of ticks written and the file closed.
void script_command_record(void) {
    ScriptState &s = script_state;
    if (!s.recording) {
        if (s.playback || s.play_one) {
            plako_console_printf("Cannot record while a script is playing\n");
            return;
        }
        // A reader left open by Play One, and the ticks it still owed, belong to the old script.
        script_close();
        s.pending_ticks = 0;
        s.recording = 1;
        script_check(CMD_RECORD, 1);
        return;
    }
    s.recording = 0;
    script_check(CMD_RECORD, 0);
    if (s.pending_ticks > 0) {
        script_write(EVENT_PERIODIC, 0, 0, 0);
        s.pending_ticks = 0;
    } else if (s.held && s.file_writing) {
        script_still_ours();  // stopping says so too when the file went away with nothing owed
    }
    script_close();
}

// Playback (Ctrl+P): on after halting the animation, or off with the file closed.
void script_command_playback(void) {
    ScriptState &s = script_state;
    if (!s.playback) {
        if (s.recording) {
            plako_console_printf("Cannot play a script while recording\n");
            return;
        }
        event_reset_run_flags();
        s.playback = 1;
        script_check(CMD_PLAYBACK, 1);
        return;
    }
    s.playback = 0;
    script_check(CMD_PLAYBACK, 0);
    script_close();
}

// Play One (Ctrl+O): the next playback hook delivers one script event; the animation halts.
void script_command_play_one(void) {
    ScriptState &s = script_state;
    if (s.recording) {
        plako_console_printf("Cannot play a script while recording\n");
        return;
    }
    s.play_one = 1;
    event_reset_run_flags();
}

int script_reading(void) { return script_state.playback || script_state.play_one; }

// After the pump step: 1 when the script delivered the wait's event. A pass whose pump step took
// the quit message does not consult the script.
int script_playback_hook(void) {
    ScriptState &s = script_state;
    if (!s.playback && !s.play_one) return 0;
    if (event_pending()->kind == EVENT_QUIT) return 0;
    s.play_one = 0;
    return script_read();  // on 0, script_read has switched playback and play-one off
}

// Before the wait returns: ticks are counted, any other event is written after the open run.
void script_record_hook(int kind, int x, int y, char key) {
    ScriptState &s = script_state;
    if (!s.recording) return;
    if (kind == EVENT_PERIODIC) {
        if (s.pending_ticks == INT_MAX) {  // a run this long is split rather than overflowed
            if (!script_write(EVENT_PERIODIC, 0, 0, 0)) return;
            s.pending_ticks = 0;
        }
        s.pending_ticks++;
        return;
    }
    if (s.pending_ticks > 0) {
        if (!script_write(EVENT_PERIODIC, 0, 0, 0)) return;  // recording has ended
        s.pending_ticks = 0;
    }
    script_write(kind, x, y, key);
}
