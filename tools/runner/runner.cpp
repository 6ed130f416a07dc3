// NAME-replay: runs a PLAKO program on the headless host, plays PLAKO.SCR through the package's
// own playback, writes the graphics window's client area as PNG frames, and says what happened
// to the script.
//
// The program runs unchanged. The runner chooses Playback at the program's first wait, then
// watches the events that plako_next_event hands the program, the lines it writes to the console
// and its plako_stop: these calls are wrapped at link time (--wrap), so every frame and every
// line passes through here. When the run must end early (--until, a frame that cannot be
// written) the program is handed the quit event.
#include <errno.h>
#include <fcntl.h>
#include <headless.h>
#include <limits.h>
#include <png.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <string>
#include <vector>

#include "plako.h"

extern "C" int __real_plako_next_event(int *x, int *y, char *key);
extern "C" int __real_plako_console_printf(const char *format, ...);
extern "C" int __real_plako_stop(void);
extern "C" int __wrap_plako_next_event(int *x, int *y, char *key);
extern "C" int __wrap_plako_console_printf(const char *format, ...) __attribute__((format(printf, 1, 2)));
extern "C" int __wrap_plako_stop(void);

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
    "--allow-partial) or a frame cannot be written (the run stops there and no partial file is\n"
    "left), with the reason on standard error; 2 for a bad command line.\n";

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

// The runner's own reading of the script, line by line as the package's reader takes it, moved
// on by each event the program receives from it: it knows at which line the script stands and
// whether anything is left to play.
struct ScriptModel {
    FILE *file;
    long line;    // number of the last line read
    long owed;    // ticks still owed by the last PERIODIC line
    long played;  // line of the last event delivered
};

struct ReplayState {
    const char *name;  // the runner's own name, for every message
    Options opt;
    ScriptModel script;
    HWND window;
    int playback_chosen;   // Playback was chosen at the first wait
    int playback_seen;     // and was seen switched on
    int playback_ended;    // and was seen switched off again by the package
    std::string outcome;   // what the package said happened to the script; empty: nothing yet
    int outcome_complete;  // the script played to its end
    int awaiting_reason;   // the next console line is the reason of a failed open
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
};

ReplayState replay;

// ---- PNG frames ----

struct PngSink {
    FILE *file;
    int err;  // errno of the failed write
    char message[200];
};

void png_sink_write(png_structp png, png_bytep data, png_size_t n) {
    PngSink *sink = (PngSink *)png_get_io_ptr(png);
    if (fwrite(data, 1, n, sink->file) != n) {
        sink->err = errno;
        png_error(png, "write failed");
    }
}

void png_sink_flush(png_structp png) {
    PngSink *sink = (PngSink *)png_get_io_ptr(png);
    if (fflush(sink->file) != 0) {
        sink->err = errno;
        png_error(png, "write failed");
    }
}

// libpng's errors end the frame through its longjmp; the runner reports them once, itself.
void png_sink_error(png_structp png, png_const_charp msg) {
    PngSink *sink = (PngSink *)png_get_error_ptr(png);
    snprintf(sink->message, sizeof sink->message, "%s", msg);
    png_longjmp(png, 1);
}

void png_sink_warning(png_structp, png_const_charp) {}

// Writes w by h pixels (0x00RRGGBB, row by row) to path as an 8-bit RGB PNG. Returns "" or the
// reason of the failure; a failed file is removed.
std::string write_png(const std::string &path, const unsigned int *px, int w, int h) {
    PngSink sink = {};
    sink.file = fopen(path.c_str(), "wb");
    if (sink.file == nullptr) return strerror(errno);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, png_sink_error, png_sink_warning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row((size_t)w * 3);
    volatile int ok = 0;  // read after a longjmp from libpng
    if (png != nullptr && info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(png, &sink, png_sink_write, png_sink_flush);
        png_set_IHDR(png, info, (png_uint_32)w, (png_uint_32)h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        // Many frames, written while the program waits: speed before size.
        png_set_compression_level(png, 1);
        png_write_info(png, info);
        for (int y = 0; y < h; y++) {
            const unsigned int *src = px + (size_t)y * w;
            for (int x = 0; x < w; x++) {
                row[(size_t)x * 3] = (png_byte)(src[x] >> 16);
                row[(size_t)x * 3 + 1] = (png_byte)(src[x] >> 8);
                row[(size_t)x * 3 + 2] = (png_byte)src[x];
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        ok = 1;
    }
    if (png == nullptr || info == nullptr) snprintf(sink.message, sizeof sink.message, "out of memory");
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    if (fclose(sink.file) != 0 && ok) {
        sink.err = errno;
        ok = 0;
    }
    if (ok) return "";
    unlink(path.c_str());  // a frame is whole or absent
    if (sink.err != 0) return strerror(sink.err);
    return sink.message[0] ? sink.message : "cannot encode the picture";
}

void fail(const std::string &reason) {
    if (replay.failure.empty()) replay.failure = reason;
}

void write_frame(long number, const std::vector<unsigned int> &px, int w, int h) {
    char name[64];
    snprintf(name, sizeof name, "/frame-%06ld.png", number);
    std::string path = replay.opt.out + name;
    std::string why = write_png(path, px.data(), w, h);
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
    if (replay.window == nullptr) replay.window = FindWindowA("DrawWndClass", "PLAKO Graphics");
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

// ---- the script, as the runner follows it ----

// Reads one line as the package's reader does (at most 511 characters with its line end).
// Returns 1 for a line, 0 at the end (a last line without its line end is no line) or for a
// line the reader would refuse as too long, which has no event either.
int model_line(char (&line)[512], int *too_long) {
    int n = 0;
    *too_long = 0;
    for (;;) {
        int c = getc(replay.script.file);
        if (c == EOF) return 0;
        if (n == 511) {
            *too_long = 1;
            return 1;
        }
        line[n++] = c == '\0' ? '?' : (char)c;
        if (c == '\n') {
            line[n] = '\0';
            return 1;
        }
    }
}

// A line of nothing but its line end, which the reader skips.
bool empty_line(const char *line, int too_long) {
    return !too_long && (strcmp(line, "\n") == 0 || strcmp(line, "\r\n") == 0);
}

// Moves past the event the program was just given from the script.
void model_advance(void) {
    ScriptModel &m = replay.script;
    if (m.file == nullptr) return;
    if (m.owed > 0) {
        m.owed--;
        return;
    }
    char line[512];
    int too_long = 0;
    while (model_line(line, &too_long)) {
        m.line++;
        if (empty_line(line, too_long)) continue;
        m.played = m.line;
        if (!too_long && strlen(line) > 6 && line[6] == 'P') {
            // The count is the first run of digits after the prefix, as the reader takes it.
            const char *d = line + 6;
            while (*d != '\0' && (*d < '0' || *d > '9')) d++;
            long n = 0;
            for (int k = 0; k < 11 && *d >= '0' && *d <= '9'; k++, d++) n = n * 10 + (*d - '0');
            m.owed = n > 1 ? n - 1 : 0;
        }
        return;
    }
}

// Whether the script holds nothing more to play after the events delivered so far.
int model_at_end(void) {
    ScriptModel &m = replay.script;
    if (m.file == nullptr) return 0;
    if (m.owed > 0) return 0;
    char line[512];
    int too_long = 0;
    while (model_line(line, &too_long))
        if (!empty_line(line, too_long)) return 0;
    return 1;
}

// Whether the line after the events delivered so far is one whose kind the reader does not know,
// which ends playback without a console line; its number if so.
int model_unknown_kind(long *number) {
    ScriptModel &m = replay.script;
    if (m.file == nullptr || m.owed > 0) return 0;
    char line[512];
    int too_long = 0;
    long at = m.line;
    while (model_line(line, &too_long)) {
        at++;
        if (empty_line(line, too_long)) continue;
        if (too_long || strlen(line) < 7) return 0;  // a bad line, which the package reports
        if (line[6] == 'K' || line[6] == 'M' || line[6] == 'P') return 0;
        *number = at;
        return 1;
    }
    return 0;
}

// Opens DIR/PLAKO.SCR, without blocking and only when it is a regular file, as the package does;
// the reason on failure.
std::string open_script(void) {
    std::string path = replay.opt.dir + "/PLAKO.SCR";
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return "cannot play " + path + ": " + strerror(errno);
    struct stat st;
    if (fstat(fd, &st) != 0) {
        int err = errno;
        close(fd);
        return "cannot play " + path + ": " + strerror(err);
    }
    const char *kind = S_ISREG(st.st_mode)    ? nullptr
                       : S_ISDIR(st.st_mode)  ? "a directory"
                       : S_ISFIFO(st.st_mode) ? "a FIFO or pipe"
                       : S_ISCHR(st.st_mode)  ? "a character device"
                                              : "something other than a regular file";
    if (kind != nullptr) {
        close(fd);
        return "cannot play " + path + ": it is " + kind + ", not a regular file";
    }
    replay.script.file = fdopen(fd, "r");
    if (replay.script.file == nullptr) {
        int err = errno;
        close(fd);
        return "cannot play " + path + ": " + strerror(err);
    }
    return "";
}

// What the package's console line says about the script, if anything: the end, a line it cannot
// play, a read or open failure.
void note_script_line(const char *text) {
    std::string line = text;
    while (!line.empty() && line.back() == '\n') line.pop_back();
    if (replay.awaiting_reason) {
        replay.awaiting_reason = 0;
        replay.outcome = "stopped: cannot open the script: " + line;
        return;
    }
    if (!replay.outcome.empty()) return;
    const std::string in_script = " in script file PLAKO.SCR";
    long n = 0;
    int used = 0;
    if (line == "EOF encountered in script file PLAKO.SCR") {
        replay.outcome = "played to the end";
        replay.outcome_complete = 1;
    } else if (sscanf(text, "Bad line %ld%n", &n, &used) == 1 &&
               line.compare(used, in_script.size(), in_script) == 0) {
        replay.outcome = "stopped at line " + std::to_string(n) + line.substr(used + in_script.size());
    } else if (sscanf(text, "Cannot read script file PLAKO.SCR at line %ld%n", &n, &used) == 1) {
        replay.outcome =
            "stopped at line " + std::to_string(n) + ": cannot read the script" + line.substr(used);
    } else if (line == "Cannot open script file PLAKO.SCR for reading") {
        replay.awaiting_reason = 1;
    }
}

// ---- the run ----

// The first wait chooses Playback; a wait with nothing to do once the script has ended chooses
// Quit, and if the program still waits, its window is closed.
void on_idle(void *) {
    if (replay.window == nullptr) replay.window = FindWindowA("DrawWndClass", "PLAKO Graphics");
    if (replay.window == nullptr) return;
    if (!replay.playback_chosen) {
        replay.playback_chosen = 1;
        headless_menu_choose(replay.window, 6);
        return;
    }
    if (!replay.stopping && (headless_menu_state(replay.window, 6) & MF_CHECKED)) return;  // still playing
    if (!replay.quit_chosen) {
        replay.quit_chosen = 1;
        headless_menu_choose(replay.window, 8);
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

// Creates dir and its missing parents; the reason on failure.
std::string make_dirs(const std::string &dir) {
    struct stat st;
    for (size_t i = 1; i <= dir.size(); i++) {
        if (i < dir.size() && dir[i] != '/') continue;
        std::string part = dir.substr(0, i);
        if (mkdir(part.c_str(), 0777) == 0 || errno != EEXIST) {
            if (errno != EEXIST && stat(part.c_str(), &st) != 0) return part + ": " + strerror(errno);
            continue;
        }
        // It exists: it must be a directory to go on, the last part as well as every parent.
        if (stat(part.c_str(), &st) != 0) return part + ": " + strerror(errno);
        if (!S_ISDIR(st.st_mode)) return part + ": " + strerror(ENOTDIR);
    }
    if (stat(dir.c_str(), &st) != 0) return dir + ": " + strerror(errno);
    return "";
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
    fflush(stdout);
    if (replay.progress_shown) fputc('\n', stderr);
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
    std::string what = replay.outcome;
    int complete = replay.outcome_complete;
    long unknown_at = 0;
    if (what.empty() && replay.until_reached) {
        what = "stopped after frame " + std::to_string(replay.opt.until) + " as --until asked, at line " +
               std::to_string(replay.script.played);
        complete = 1;
    } else if (what.empty() && replay.playback_ended && model_unknown_kind(&unknown_at)) {
        what = "stopped: unknown kind at line " + std::to_string(unknown_at);
    } else if (what.empty() && model_at_end()) {
        what = "played to the end";
        complete = 1;
    } else if (what.empty()) {
        what = "stopped at line " + std::to_string(replay.script.played) +
               ": the program quit before the script's end";
    }
    fprintf(stderr, "%s: %s\n", replay.name, what.c_str());
    return complete || replay.opt.allow_partial ? 0 : 1;
}

// Hands the program the quit event while the run is ending; a program that goes on waiting
// regardless is given up on.
int quit_event(int *x, int *y, char *key) {
    if (++replay.calls_after_stop > WAITS_AFTER_QUIT) {
        fail("the program does not end after its quit event");
        exit(finish());
    }
    if (x) *x = 0;
    if (y) *y = 0;
    if (key) *key = 0;
    return EVENT_QUIT;
}

}  // namespace

// The program's wait, watched. The program draws a frame right after each periodic event, so
// when it next waits the canvas holds that frame: it is taken then.
extern "C" int __wrap_plako_next_event(int *x, int *y, char *key) {
    if (replay.frame_owed) {
        replay.frame_owed = 0;
        capture(replay.owed_number);
        if (replay.opt.until >= 0 && replay.owed_number >= replay.opt.until && !replay.stopping) {
            replay.until_reached = 1;
            replay.stopping = 1;
        }
    }
    if (replay.stopping) return quit_event(x, y, key);
    int kind = __real_plako_next_event(x, y, key);
    int playing = replay.window != nullptr && (headless_menu_state(replay.window, 6) & MF_CHECKED);
    if (playing) replay.playback_seen = 1;
    if (replay.playback_chosen && !playing) replay.playback_ended = 1;
    int over = !replay.outcome.empty() || replay.awaiting_reason || (replay.playback_seen && !playing);
    if (kind == EVENT_QUIT) return kind;
    if (over) {
        // The script has ended: what the wait found instead is not the script's, and ends the run.
        replay.stopping = 1;
        return quit_event(x, y, key);
    }
    if (playing) model_advance();
    if (kind == EVENT_PERIODIC) {
        replay.owed_number = replay.frames;
        replay.frame_owed = 1;
        replay.frames++;
        show_progress();
    }
    return kind;
}

// The program's console lines, also to standard output; the package's lines about the script
// tell the runner what happened to it.
extern "C" int __wrap_plako_console_printf(const char *format, ...) {
    if (format == nullptr) return __real_plako_console_printf(nullptr);
    char text[1024];
    va_list ap;
    va_start(ap, format);
    int n = vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    if (n < 0) text[0] = '\0';
    fputs(text, stdout);
    note_script_line(text);
    __real_plako_console_printf("%s", text);
    return n;
}

// The program stops: its last picture is taken while the window can still show its canvas.
extern "C" int __wrap_plako_stop(void) {
    take_final_picture();
    return __real_plako_stop();
}

int main(int argc, char **argv) {
    const char *slash = argc > 0 && argv[0] != nullptr ? strrchr(argv[0], '/') : nullptr;
    replay.name = slash != nullptr ? slash + 1 : (argc > 0 && argv[0] != nullptr ? argv[0] : "replay");
    replay.last_number = -1;
    replay.last_written = -1;
    int status = parse_args(argc, argv);
    if (status >= 0) return status;

    std::string reason = open_script();
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
    reason = make_dirs(replay.opt.out);
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
    char cmdline[] = "";
    WinMain((HINSTANCE)1, nullptr, cmdline, SW_SHOWNORMAL);
    return finish();
}
