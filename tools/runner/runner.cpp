// NAME-replay: runs a PLAKO program on the headless host, plays PLAKO.SCR through the package's
// own playback, writes the graphics window's client area as PNG frames, and says what happened
// to the script.
//
// The program runs unchanged. The runner registers the package's replay hooks before it calls
// WinMain, chooses Playback at the program's first wait, then sees each event the wait hands the
// program, each console line and the program's plako_stop, so every frame and every line passes
// through here; what happened to the script it asks the package. When the run must end early
// (--until, a frame that cannot be written) the program is handed the quit event.
#include <errno.h>
#include <headless.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <string>
#include <vector>

#include "frames.h"
#include "internal.h"
#include "plako.h"
#include "regular_file.h"
#include "replay.h"

namespace {

// %1$s is the runner's own name.
const char USAGE[] =
    "Usage: %1$s [options]\n"
    "Runs the program without a display, plays the script PLAKO.SCR of the working directory as if\n"
    "Playback had been chosen at its first wait, and writes the graphics window's client area as PNG\n"
    "images named frame-NNNNNN.png after the frame's number: frame N is what the program drew for\n"
    "the (N+1)th periodic event. The program's console lines go to standard output; one line on\n"
    "standard error says what happened to the script: \"played to the end\", \"stopped at line N: ...\"\n"
    "or \"stopped: unknown kind at line N\".\n"
    "\n"
    "Options:\n"
    "  -C, --dir DIR       run in DIR, where PLAKO.SCR is read (default: the current directory)\n"
    "  -o, --out DIR       write the frames into DIR, created if missing (default: the current\n"
    "                      directory; a relative DIR is taken from where %1$s was started)\n"
    "  -e, --every N       write every Nth frame: the frames whose number is a multiple of N\n"
    "                      (default: every frame)\n"
    "  -l, --last          write the last picture the program drew, under the number of the last\n"
    "                      frame (0 when there was none); alone, unless --every is given too\n"
    "  -u, --until N       stop after frame N: the program gets the quit event instead of frame N+1\n"
    "  -p, --allow-partial exit 0 even when the script did not play to its end\n"
    "  -q, --quiet         no progress line on standard error\n"
    "  -h, --help          show this text\n"
    "\n"
    "Exit status: 0 when the script played to its end (or up to --until); 1 when it did not (it\n"
    "cannot be opened, a line cannot be played, the program quit before its end; unless\n"
    "--allow-partial), a frame cannot be written (the run stops there and no partial file is\n"
    "left) or the console lines cannot be written to standard output, with the reason on standard\n"
    "error; 2 for a bad command line.\n";

const long PROGRESS_EVERY = 1000;    // frames between two progress reports
const long WAITS_AFTER_QUIT = 1000;  // waits a program may make after its quit before the runner gives up

struct Options {
    std::string dir;
    std::string out;
    long every;  // 0: no periodic frames
    int last;
    long until;  // -1: no bound
    int allow_partial;
    int quiet;
};

struct ReplayState {
    const char *name;  // the runner's own name, for every message
    Options opt;
    HWND window;
    int playback_chosen;   // Playback was chosen at the first wait
    int quit_chosen;       // Quit was chosen in a wait that had nothing else to do
    int waits_after_quit;  // idle calls since Quit was chosen
    int stopping;          // the program is handed the quit event from now on
    long calls_after_stop;
    int until_reached;
    long frames;     // periodic events handed to the program so far: the next frame number
    int frame_owed;  // the program is drawing frame owed_number; taken at its next wait
    long owed_number;
    std::vector<unsigned int> last_pixels;  // the last picture seen, for --last
    int last_w, last_h;
    long last_number;                          // -1: no picture seen yet
    std::vector<unsigned int> written_pixels;  // the last frame written, and its number
    long last_written;
    int finished;         // the final picture was taken
    std::string failure;  // why the run failed; empty while all is well
    int progress_shown;
    int stdout_error;  // errno of the first failed write of a console line to standard output
};

ReplayState replay;

// ---- PNG frames ----

void fail(const std::string &reason) {
    if (replay.failure.empty()) replay.failure = reason;
}

void write_frame(long number, const std::vector<unsigned int> &px, int w, int h) {
    char name[64];
    snprintf(name, sizeof name, "frame-%06ld.png", number);
    std::string path = replay.opt.out + "/" + name;
    std::string why = frames_write_png(replay.opt.out, name, px.data(), w, h);
    if (!why.empty()) {
        // The first failed frame ends the run: the disk that refused it would refuse the rest.
        fail("cannot write " + path + ": " + why + "; stopped at frame " + std::to_string(number));
        replay.stopping = 1;
        return;
    }
    replay.last_written = number;
    replay.written_pixels = px;
}

// Reads the picture the window shows into last_pixels, after the program's own repaint has
// copied its whole canvas there; 0 when there is no window to read.
int grab(long number) {
    RECT rc = {};
    if (replay.window == nullptr) replay.window = FindWindowA(PLAKO_GRAPHICS_CLASS, PLAKO_GRAPHICS_TITLE);
    if (replay.window == nullptr || !IsWindow(replay.window) || !GetClientRect(replay.window, &rc)) return 0;
    InvalidateRect(replay.window, nullptr, FALSE);
    UpdateWindow(replay.window);
    int w = (int)(rc.right - rc.left), h = (int)(rc.bottom - rc.top);
    if (w <= 0 || h <= 0) return 0;
    std::vector<unsigned int> px((size_t)w * h);
    if (headless_client_pixels(replay.window, px.data(), w * h, &w, &h) == 0) return 0;
    replay.last_pixels.swap(px);
    replay.last_w = w;
    replay.last_h = h;
    replay.last_number = number;
    return 1;
}

// The canvas holds frame `number`: keep it for --last and write it when --every asks for it.
void capture(long number) {
    if (!replay.failure.empty() || !grab(number)) return;
    if (replay.opt.every > 0 && number % replay.opt.every == 0)
        write_frame(number, replay.last_pixels, replay.last_w, replay.last_h);
}

// The program is about to stop (or has returned): its last picture, whatever it drew after its
// last frame, is taken while the window can still be repainted from its canvas.
void take_final_picture(void) {
    if (replay.finished) return;
    replay.finished = 1;
    if (replay.frame_owed) {
        replay.frame_owed = 0;
        capture(replay.owed_number);
    }
    if (replay.failure.empty()) grab(replay.frames > 0 ? replay.frames - 1 : 0);
}

void show_progress(void) {
    if (replay.opt.quiet || replay.frames % PROGRESS_EVERY != 0) return;
    // On a terminal one line is rewritten; in a log each report is a line of its own.
    if (isatty(STDERR_FILENO)) {
        fprintf(stderr, "\r%s: %ld frames", replay.name, replay.frames);
        replay.progress_shown = 1;
    } else {
        fprintf(stderr, "%s: %ld frames\n", replay.name, replay.frames);
    }
}

// Checks, before the run, that DIR/PLAKO.SCR opens the way the package will open it; the reason
// when it does not.
std::string check_script(void) {
    std::string path = replay.opt.dir + "/PLAKO.SCR";
    FileStat st;
    int err = 0;
    const char *kind = nullptr;
    int fd = regular_file_open(path.c_str(), 0, &st, &err, &kind);
    if (fd < 0 && kind != nullptr) return "cannot play " + path + ": it is " + kind + ", not a regular file";
    if (fd < 0) return "cannot play " + path + ": " + strerror(err);
    close(fd);
    return "";
}

// ---- the run ----

// The first wait chooses Playback; a wait with nothing to do once the script has ended chooses
// Quit, and if the program still waits, its window is closed.
void on_idle(void *) {
    if (replay.window == nullptr) replay.window = FindWindowA(PLAKO_GRAPHICS_CLASS, PLAKO_GRAPHICS_TITLE);
    if (replay.window == nullptr) return;
    if (!replay.playback_chosen) {
        replay.playback_chosen = 1;
        headless_menu_choose(replay.window, CMD_PLAYBACK);
        return;
    }
    ReplayScript script;
    replay_script(&script);
    if (!replay.stopping && script.outcome == REPLAY_PLAYING) return;
    if (!replay.quit_chosen) {
        replay.quit_chosen = 1;
        headless_menu_choose(replay.window, CMD_QUIT);
    } else if (++replay.waits_after_quit == 3) {
        headless_close(replay.window);
    }
}

int parse_count(const char *text, long min, long *out) {
    char *end = nullptr;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < min) return 0;
    *out = v;
    return 1;
}

// Parses the command line into replay.opt; returns -1 to go on, else the exit status.
int parse_args(int argc, char **argv) {
    Options &o = replay.opt;
    o.dir = ".";
    o.out = ".";
    o.every = 1;
    o.until = -1;
    int every_given = 0;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        auto value = [&](const char *name) -> const char * {
            if (i + 1 >= argc) {
                fprintf(stderr, "%s: %s needs a value (see --help)\n", replay.name, name);
                return nullptr;
            }
            return argv[++i];
        };
        auto directory = [&](const char *name, std::string *into) -> int {
            const char *v = value(name);
            if (v == nullptr) return 0;
            if (*v == '\0') {
                fprintf(stderr, "%s: %s needs a directory, not an empty name\n", replay.name, name);
                return 0;
            }
            *into = v;
            return 1;
        };
        if (a == "-h" || a == "--help") {
            printf(USAGE, replay.name);
            return 0;
        } else if (a == "-C" || a == "--dir") {
            if (!directory("--dir", &o.dir)) return 2;
        } else if (a == "-o" || a == "--out") {
            if (!directory("--out", &o.out)) return 2;
        } else if (a == "-e" || a == "--every") {
            const char *v = value("--every");
            if (v == nullptr) return 2;
            if (!parse_count(v, 1, &o.every)) {
                fprintf(stderr, "%s: --every needs a whole number of at least 1, not '%s'\n", replay.name, v);
                return 2;
            }
            every_given = 1;
        } else if (a == "-u" || a == "--until") {
            const char *v = value("--until");
            if (v == nullptr) return 2;
            if (!parse_count(v, 0, &o.until)) {
                fprintf(stderr, "%s: --until needs a frame number of at least 0, not '%s'\n", replay.name, v);
                return 2;
            }
        } else if (a == "-l" || a == "--last") {
            o.last = 1;
        } else if (a == "-p" || a == "--allow-partial") {
            o.allow_partial = 1;
        } else if (a == "-q" || a == "--quiet") {
            o.quiet = 1;
        } else {
            fprintf(stderr, "%s: unknown argument '%s' (see --help)\n", replay.name, a.c_str());
            return 2;
        }
    }
    if (o.last && !every_given) o.every = 0;
    return -1;
}

// Writes what --last asks for, says what happened to the script, and gives the exit status.
int finish(void) {
    take_final_picture();
    if (fflush(stdout) != 0 && replay.stdout_error == 0) replay.stdout_error = errno ? errno : EIO;
    if (replay.progress_shown) fputc('\n', stderr);
    // Lines lost on the way out (a reader gone, a full disk) fail the run like a frame would.
    if (replay.stdout_error != 0)
        fprintf(stderr, "%s: cannot write the console lines to standard output: %s\n", replay.name,
                strerror(replay.stdout_error));
    int lost = replay.stdout_error != 0;
    if (replay.failure.empty() && replay.opt.last) {
        if (replay.last_number < 0) {
            fail("--last: the program showed no picture");
        } else if (replay.last_written != replay.last_number || replay.written_pixels != replay.last_pixels) {
            write_frame(replay.last_number, replay.last_pixels, replay.last_w, replay.last_h);
        }
    }
    if (!replay.failure.empty()) {
        fprintf(stderr, "%s: %s\n", replay.name, replay.failure.c_str());
        return 1;
    }
    ReplayScript script;
    replay_script(&script);
    std::string what;
    int complete = 0;
    std::string at = std::to_string(script.line);
    if (script.outcome == REPLAY_AT_END) {
        what = "played to the end";
        complete = 1;
    } else if (script.outcome == REPLAY_BAD_LINE) {
        what = "stopped at line " + at + script.reason;
    } else if (script.outcome == REPLAY_READ_ERROR) {
        what = "stopped at line " + at + ": cannot read the script: " + script.reason;
    } else if (script.outcome == REPLAY_CANNOT_OPEN) {
        what = "stopped: cannot open the script: " + std::string(script.reason);
    } else if (replay.until_reached) {
        what = "stopped after frame " + std::to_string(replay.opt.until) + " as --until asked, at line " +
               std::to_string(script.event_line);
        complete = 1;
    } else if (script.outcome == REPLAY_UNKNOWN_KIND) {
        what = "stopped: unknown kind at line " + at;
    } else if (replay_script_rest_empty()) {
        what = "played to the end";
        complete = 1;
    } else {
        what = "stopped at line " + std::to_string(script.event_line) +
               ": the program quit before the script's end";
    }
    fprintf(stderr, "%s: %s\n", replay.name, what.c_str());
    return (complete || replay.opt.allow_partial) && !lost ? 0 : 1;
}

// The program enters its wait. It draws a frame right after each periodic event, so the canvas
// now holds that frame: it is taken here. While the run ends the wait is not entered at all: the
// program gets the quit event, and one that goes on waiting regardless is given up on.
int on_wait(void *) {
    if (replay.frame_owed) {
        replay.frame_owed = 0;
        capture(replay.owed_number);
        if (replay.opt.until >= 0 && replay.owed_number >= replay.opt.until && !replay.stopping) {
            replay.until_reached = 1;
            replay.stopping = 1;
        }
    }
    if (!replay.stopping) return 0;
    if (++replay.calls_after_stop > WAITS_AFTER_QUIT) {
        fail("the program does not end after its quit event");
        exit(finish());
    }
    return 1;
}

// The event the wait hands the program. Once the script has ended, what the wait found instead
// is not the script's, and ends the run.
int on_event(void *, int kind, int *x, int *y, char *key, int from_script) {
    if (kind == EVENT_QUIT) return kind;
    ReplayScript script;
    replay_script(&script);
    if (!from_script && script.outcome != REPLAY_NOT_STARTED && script.outcome != REPLAY_PLAYING) {
        replay.stopping = 1;
        replay.calls_after_stop++;
        *x = 0;
        *y = 0;
        *key = 0;
        return EVENT_QUIT;
    }
    if (kind == EVENT_PERIODIC) {
        replay.owed_number = replay.frames;
        replay.frame_owed = 1;
        replay.frames++;
        show_progress();
    }
    return kind;
}

// The program's console lines go to standard output too; the first failure is kept for finish().
void on_console_line(void *, const char *text) {
    if (fputs(text, stdout) == EOF && replay.stdout_error == 0) replay.stdout_error = errno ? errno : EIO;
}

// The program stops: its last picture is taken while the window can still show its canvas.
void on_stop(void *) { take_final_picture(); }

}  // namespace

int main(int argc, char **argv) {
    const char *slash = argc > 0 && argv[0] != nullptr ? strrchr(argv[0], '/') : nullptr;
    replay.name = slash != nullptr ? slash + 1 : (argc > 0 && argv[0] != nullptr ? argv[0] : "replay");
    replay.last_number = -1;
    replay.last_written = -1;
    int status = parse_args(argc, argv);
    if (status >= 0) return status;
    frames_ignore_write_signals();

    std::string reason = check_script();
    if (!reason.empty()) {
        fprintf(stderr, "%s: %s\n", replay.name, reason.c_str());
        return 1;
    }
    // The output directory is named from where the runner was started, not from DIR.
    if (replay.opt.out[0] != '/') {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof cwd) == nullptr) {
            fprintf(stderr, "%s: cannot name the current directory: %s\n", replay.name, strerror(errno));
            return 1;
        }
        replay.opt.out = std::string(cwd) + "/" + replay.opt.out;
    }
    reason = frames_prepare_dir(replay.opt.out);
    if (!reason.empty()) {
        fprintf(stderr, "%s: cannot write frames into %s\n", replay.name, reason.c_str());
        return 1;
    }
    if (chdir(replay.opt.dir.c_str()) != 0) {
        fprintf(stderr, "%s: cannot enter %s: %s\n", replay.name, replay.opt.dir.c_str(), strerror(errno));
        return 1;
    }

    headless_select();
    headless_set_idle_hook(on_idle, nullptr);
    ReplayHooks hooks = {on_wait, on_event, on_console_line, on_stop, nullptr};
    replay_set_hooks(&hooks);
    char cmdline[] = "";
    WinMain((HINSTANCE)1, nullptr, cmdline, SW_SHOWNORMAL);
    return finish();
}
