// cone-replay: runs the cone decorator on the headless host, plays PLAKO.SCR through the package's
// own playback, and writes the graphics window's client area as PNG frames.
//
// The program runs unchanged. The tool chooses Playback at the program's first wait, then watches
// the events that plako_next_event hands the program and the lines it writes to the console: both
// calls are wrapped at link time (--wrap), so every frame and every line passes through here.
#include <errno.h>
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
extern "C" int __wrap_plako_next_event(int *x, int *y, char *key);
extern "C" int __wrap_plako_console_printf(const char *format, ...) __attribute__((format(printf, 1, 2)));

namespace {

const char USAGE[] =
    "Usage: cone-replay [options]\n"
    "Runs the cone decorator without a display, plays the script PLAKO.SCR of the working directory\n"
    "as if Playback had been chosen at start, and writes the graphics window's client area as PNG\n"
    "images named frame-NNNNNN.png after the frame's number (0 is the first tick; 151 the first\n"
    "picture after the intro). The program's console lines go to standard output.\n"
    "It stops when the script ends or the program quits.\n"
    "\n"
    "Options:\n"
    "  -C, --dir DIR    run in DIR, where PLAKO.SCR is read (default: the current directory)\n"
    "  -o, --out DIR    write the frames into DIR, created if missing (default: the current\n"
    "                   directory; a relative DIR is taken from where cone-replay was started)\n"
    "  -e, --every N    write every Nth frame: the frames whose number is a multiple of N\n"
    "                   (default: every frame)\n"
    "  -l, --last       write the last frame (alone, unless --every is given too)\n"
    "  -q, --quiet      no progress line on standard error\n"
    "  -h, --help       show this text\n"
    "\n"
    "Exit status: 0 when the script was played; 1 when it cannot be read (a missing or unreadable\n"
    "file, a line that cannot be played) or a frame cannot be written, with the reason on standard\n"
    "error; 2 for a bad command line.\n";

const long PROGRESS_EVERY = 1000;  // frames between two progress reports

struct Options {
    std::string dir;
    std::string out;
    long every;  // 0: no periodic frames
    int last;
    int quiet;
};

struct ReplayState {
    Options opt;
    HWND window;
    int playback_chosen;   // Playback was chosen at the first wait
    int quit_chosen;       // the script ended and Quit was chosen
    int waits_after_quit;  // idle calls since Quit was chosen, in case it is not taken
    long frames;           // periodic events handed to the program so far: the next frame number
    int frame_owed;        // the program is drawing frame owed_number; taken at its next wait
    long owed_number;
    std::vector<unsigned int> last_pixels;  // the last frame seen, for --last
    int last_w, last_h;
    long last_number;     // -1: no frame seen yet
    long last_written;    // number of the last frame written, -1: none
    std::string failure;  // why the run failed; empty while all is well
    int progress_shown;
};

ReplayState replay;

void fail(const std::string &reason) {
    if (replay.failure.empty()) replay.failure = reason;
}

// Writes w by h pixels (0x00RRGGBB, row by row) to path as an 8-bit RGB PNG; 0 on failure.
int write_png(const std::string &path, const unsigned int *px, int w, int h) {
    FILE *f = fopen(path.c_str(), "wb");
    if (f == nullptr) return 0;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row((size_t)w * 3);
    volatile int ok = 0;  // read after a longjmp from libpng
    if (png != nullptr && info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, f);
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
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    if (fclose(f) != 0) ok = 0;
    return ok;
}

std::string frame_path(long number) {
    char name[64];
    snprintf(name, sizeof name, "/frame-%06ld.png", number);
    return replay.opt.out + name;
}

void write_frame(long number, const unsigned int *px, int w, int h) {
    std::string path = frame_path(number);
    if (!write_png(path, px, w, h)) {
        fail("cannot write " + path + ": " + strerror(errno));
        return;
    }
    replay.last_written = number;
}

// The canvas holds frame `number`: paint it to the window, keep it for --last and write it when
// --every asks for it.
void capture(long number) {
    RECT rc = {};
    if (replay.window == nullptr) replay.window = FindWindowA("DrawWndClass", "PLAKO Graphics");
    if (replay.window == nullptr || !GetClientRect(replay.window, &rc)) return;
    // The program's own repaint copies the whole canvas, whether or not its pump has done so yet.
    InvalidateRect(replay.window, nullptr, FALSE);
    UpdateWindow(replay.window);
    int w = (int)(rc.right - rc.left), h = (int)(rc.bottom - rc.top);
    if (w <= 0 || h <= 0) return;
    replay.last_pixels.resize((size_t)w * h);
    if (headless_client_pixels(replay.window, replay.last_pixels.data(), w * h, &w, &h) == 0) return;
    replay.last_w = w;
    replay.last_h = h;
    replay.last_number = number;
    if (replay.opt.every > 0 && number % replay.opt.every == 0)
        write_frame(number, replay.last_pixels.data(), w, h);
}

void show_progress(void) {
    if (replay.opt.quiet || replay.frames % PROGRESS_EVERY != 0) return;
    // On a terminal one line is rewritten; in a log each report is a line of its own.
    if (isatty(STDERR_FILENO)) {
        fprintf(stderr, "\rcone-replay: %ld frames", replay.frames);
        replay.progress_shown = 1;
    } else {
        fprintf(stderr, "cone-replay: %ld frames\n", replay.frames);
    }
}

// The first wait chooses Playback; a wait once the script has ended (its check mark gone) chooses Quit.
void on_idle(void *) {
    if (replay.window == nullptr) replay.window = FindWindowA("DrawWndClass", "PLAKO Graphics");
    if (replay.window == nullptr) return;
    if (!replay.playback_chosen) {
        replay.playback_chosen = 1;
        headless_menu_choose(replay.window, 6);
        return;
    }
    if (headless_menu_state(replay.window, 6) & MF_CHECKED) return;  // still playing
    if (!replay.quit_chosen) {
        replay.quit_chosen = 1;
        headless_menu_choose(replay.window, 8);
    } else if (++replay.waits_after_quit > 3) {
        headless_close(replay.window);
    }
}

int parse_count(const char *text, long *out) {
    char *end = nullptr;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < 1) return 0;
    *out = v;
    return 1;
}

// Creates dir and its missing parents; 0 on failure.
int make_dirs(const std::string &dir) {
    for (size_t i = 1; i <= dir.size(); i++) {
        if (i < dir.size() && dir[i] != '/') continue;
        std::string part = dir.substr(0, i);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return 0;
    }
    struct stat st;
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Parses the command line into replay.opt; returns -1 to go on, else the exit status.
int parse_args(int argc, char **argv) {
    Options &o = replay.opt;
    o.dir = ".";
    o.out = ".";
    o.every = 1;
    int every_given = 0;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        auto value = [&](const char *name) -> const char * {
            if (i + 1 >= argc) {
                fprintf(stderr, "cone-replay: %s needs a value (see --help)\n", name);
                return nullptr;
            }
            return argv[++i];
        };
        if (a == "-h" || a == "--help") {
            fputs(USAGE, stdout);
            return 0;
        } else if (a == "-C" || a == "--dir") {
            const char *v = value("--dir");
            if (v == nullptr) return 2;
            o.dir = v;
        } else if (a == "-o" || a == "--out") {
            const char *v = value("--out");
            if (v == nullptr) return 2;
            o.out = v;
        } else if (a == "-e" || a == "--every") {
            const char *v = value("--every");
            if (v == nullptr) return 2;
            if (!parse_count(v, &o.every)) {
                fprintf(stderr, "cone-replay: --every needs a whole number of at least 1, not '%s'\n", v);
                return 2;
            }
            every_given = 1;
        } else if (a == "-l" || a == "--last") {
            o.last = 1;
        } else if (a == "-q" || a == "--quiet") {
            o.quiet = 1;
        } else {
            fprintf(stderr, "cone-replay: unknown argument '%s' (see --help)\n", a.c_str());
            return 2;
        }
    }
    if (o.last && !every_given) o.every = 0;
    return -1;
}

// Checks that DIR/PLAKO.SCR can be read before the program starts; the reason on failure.
std::string check_script(void) {
    std::string path = replay.opt.dir + "/PLAKO.SCR";
    FILE *f = fopen(path.c_str(), "r");
    if (f == nullptr) return "cannot read " + path + ": " + strerror(errno);
    int c = fgetc(f);
    int err = ferror(f) ? errno : 0;
    fclose(f);
    if (c == EOF && err != 0) return "cannot read " + path + ": " + strerror(err);
    return "";
}

}  // namespace

// The program's wait, watched. The program draws a frame right after each periodic event, so
// when it next waits the canvas holds that frame: it is painted to the window and taken then.
extern "C" int __wrap_plako_next_event(int *x, int *y, char *key) {
    if (replay.frame_owed) {
        replay.frame_owed = 0;
        capture(replay.owed_number);
    }
    int kind = __real_plako_next_event(x, y, key);
    if (kind == EVENT_PERIODIC) {
        replay.owed_number = replay.frames;
        replay.frame_owed = 1;
        replay.frames++;
        show_progress();
    }
    return kind;
}

// The program's console lines, also to standard output; a line saying the script cannot be read
// fails the run.
extern "C" int __wrap_plako_console_printf(const char *format, ...) {
    char text[1024];
    va_list ap;
    va_start(ap, format);
    int n = vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    if (n < 0) text[0] = '\0';
    fputs(text, stdout);
    static const char *const unreadable[] = {"Cannot open script file PLAKO.SCR for reading",
                                             "Cannot read script file PLAKO.SCR", "Bad line in script file"};
    for (const char *u : unreadable) {
        if (strncmp(text, u, strlen(u)) == 0) {
            std::string reason = text;
            while (!reason.empty() && reason.back() == '\n') reason.pop_back();
            fail("the script cannot be played: " + reason);
        }
    }
    __real_plako_console_printf("%s", text);
    return n;
}

int main(int argc, char **argv) {
    replay.last_number = -1;
    replay.last_written = -1;
    int status = parse_args(argc, argv);
    if (status >= 0) return status;

    std::string reason = check_script();
    if (!reason.empty()) {
        fprintf(stderr, "cone-replay: %s\n", reason.c_str());
        return 1;
    }
    // The output directory is named from where the tool was started, not from DIR.
    if (replay.opt.out[0] != '/') {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof cwd) == nullptr) {
            fprintf(stderr, "cone-replay: cannot name the current directory: %s\n", strerror(errno));
            return 1;
        }
        replay.opt.out = std::string(cwd) + "/" + replay.opt.out;
    }
    if (!make_dirs(replay.opt.out)) {
        fprintf(stderr, "cone-replay: cannot create %s: %s\n", replay.opt.out.c_str(), strerror(errno));
        return 1;
    }
    if (chdir(replay.opt.dir.c_str()) != 0) {
        fprintf(stderr, "cone-replay: cannot enter %s: %s\n", replay.opt.dir.c_str(), strerror(errno));
        return 1;
    }

    headless_select();
    headless_set_idle_hook(on_idle, nullptr);
    char cmdline[] = "";
    WinMain((HINSTANCE)1, nullptr, cmdline, SW_SHOWNORMAL);
    fflush(stdout);

    // The program ended without another wait after its last tick: the window shows what it
    // showed last (once stopped, the program no longer copies its canvas).
    if (replay.frame_owed) capture(replay.owed_number);
    if (replay.opt.last && replay.last_number >= 0 && replay.last_written != replay.last_number)
        write_frame(replay.last_number, replay.last_pixels.data(), replay.last_w, replay.last_h);
    if (replay.progress_shown) fputc('\n', stderr);
    if (!replay.failure.empty()) {
        fprintf(stderr, "cone-replay: %s\n", replay.failure.c_str());
        return 1;
    }
    return 0;
}
