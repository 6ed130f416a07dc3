// NAME-replay: runs a PLAKO program on the headless host, plays PLAKO.SCR through the package's
// own playback, writes the graphics window's client area as PNG frames, and says what happened
// to the script and to the program.
//
// The program runs unchanged, in a child process, and is not trusted. The child registers the
// package's replay hooks before it calls WinMain, chooses Playback at the program's first wait,
// then sees each event the wait hands the program, each console line, each drawing call and the
// program's plako_stop, so every frame and every line passes through it; what happened to the
// script it asks the package. At every wait it puts the last completed picture, the frame, the
// script line and a heartbeat into a block shared with the parent. The parent copies and counts
// the child's output and watches its time and memory; when a limit is reached, or the child
// crashes or exits on its own, the parent ends the child's process group, writes --last from the
// shared block and says what happened. When the run must end early (--until, a frame that cannot
// be written, the frame limit) the program is handed the quit event.
#include <errno.h>
#include <fcntl.h>
#include <headless.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <windows.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <atomic>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "describe_file.h"
#include "frames.h"
#include "gif.h"
#include "internal.h"
#include "plako.h"
#include "regular_file.h"
#include "replay.h"

// AddressSanitizer reserves terabytes of address space: an address-space cap would stop it, and
// its reports end the process with an exit status rather than a signal.
#if defined(__SANITIZE_ADDRESS__)
#define RUNNER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RUNNER_ASAN 1
#endif
#endif
#ifndef RUNNER_ASAN
#define RUNNER_ASAN 0
#endif
#if RUNNER_ASAN
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

// %1$s is the runner's own name.
const char USAGE[] =
    "Usage: %1$s [options]\n"
    "Runs the program without a display, plays the script PLAKO.SCR of the working directory as if\n"
    "Playback had been chosen at its first wait, and writes the graphics window's client area as PNG\n"
    "images named frame-NNNNNN.png after the frame's number: frame N is what the program drew for\n"
    "the (N+1)th periodic event. The program's console lines go to standard output; one line on\n"
    "standard error says what happened to the script: \"played to the end\", \"stopped at line N: ...\"\n"
    "or \"stopped: unknown kind at line N\"; or what happened to the program: \"stopped at frame F,\n"
    "line N: ...\" with the limit it reached, its crash, its exit or that it did not end. A script\n"
    "that played to its end but not as written says where instead: \"stopped at line N: the line was\n"
    "not played as written (0x10 read as 0 and 10): PLAKO_MOUSE(0x10, 5);\", \"played to line N; line\n"
    "M has no line end and was not played\", \"stopped at line N: the script ends a line with a CR\n"
    "alone, which is no line end (LF or CR LF are)\".\n"
    "\n"
    "Options:\n"
    "  -C, --dir DIR       run in DIR, where PLAKO.SCR is read (default: the current directory)\n"
    "  -o, --out DIR       write the frames into DIR, created if missing (default: the current\n"
    "                      directory; a relative DIR is taken from where %1$s was started)\n"
    "  -e, --every N       write every Nth frame: the frames whose number is a multiple of N\n"
    "                      (default: every frame)\n"
    "  -l, --last          write the last picture the program completed, under the number of the\n"
    "                      last frame (0 when there was none), however the run ended; alone, unless\n"
    "                      --every is given too\n"
    "  -u, --until N       stop after frame N: the program gets the quit event instead of frame N+1\n"
    "  -p, --allow-partial exit 0 even when the script did not play to its end\n"
    "  -q, --quiet         no progress line on standard error\n"
    "      --scene FILE    write the scene log to FILE: per frame, the drawing calls the program\n"
    "                      made, as JSON Lines (docs/runner.md)\n"
    "      --gif FILE      write an animated GIF of the run to FILE: one image per frame, shown\n"
    "                      100 ms (the program's tick), looping forever, in the frames' exact colours\n"
    "                      (an image holds 256: a frame with more is said once, and drawn with the\n"
    "                      nearest ones); no PNG frames with it, unless --every is given too\n"
    "      --inspect X,Y   switch the inspector on (F2) with the mouse at canvas point X,Y (X from\n"
    "                      -297 to 297, Y from -247 to 247) and write beside each frame the window\n"
    "                      with the inspector over it, as inspect-NNNNNN.png; the frames stay the\n"
    "                      canvas, as without it\n"
    "      --describe FILE write to FILE the canvas in words for every frame written: a line\n"
    "                      \"frame N\", the description's lines, an empty line (docs/runner.md)\n"
    "  -h, --help          show this text\n"
    "\n"
    "Limits (0: none):\n"
    "      --cpu-limit S     processor time of the program, in seconds (default: 60)\n"
    "      --time-limit S    wall time of the run, in seconds (default: 120)\n"
    "      --memory-limit MB resident memory of the program (default: 1024; its address space is\n"
    "                        capped at twice that and 256 MB more, where allocations fail)\n"
    "      --output-limit MB standard output and error of the program, and the scene log (default: 16)\n"
    "      --frame-limit N   frames played: the program gets the quit event instead of frame N\n"
    "                        (default: 100000)\n"
    "      --watchdog S      longest time the program may take between two of its waits, in seconds\n"
    "                        (default: 10)\n"
    "\n"
    "Exit status:\n"
    "  0  the script played to its end (or up to --until)\n"
    "  1  it did not (it cannot be opened, a line cannot be played or was not played as written, the\n"
    "     program quit before its end; unless --allow-partial), or a frame, the GIF, the scene log or\n"
    "     standard output cannot be written (the run stops there and no partial frame or GIF is left)\n"
    "  2  bad command line\n"
    "  3  a limit was reached: \"processor time limit of S s reached\", \"wall time limit of S s\n"
    "     reached\", \"memory limit of MB MB reached\", \"output limit of MB MB reached\", \"frame\n"
    "     limit of N frames reached\", \"the program did not come back to its wait for S s (watchdog)\"\n"
    "  4  the program crashed: \"the program crashed (signal N, name)\"\n"
    "  5  the program ended on its own before the script's end: \"the program exited with status N\n"
    "     before the script's end\", \"the program returned N from WinMain before the script's end\"\n"
    "  6  \"the program did not end after its quit event\"\n";

const long PROGRESS_EVERY = 1000;     // frames between two progress reports
const long WAITS_AFTER_QUIT = 1000;   // waits a program may make after its quit before the runner gives up
const int MAX_PICTURE = 1280 * 1024;  // pixels of the largest picture kept for --last: the screen's

struct Options {
    std::string dir;
    std::string out;
    long every;  // 0: no periodic frames
    int last;
    long until;  // -1: no bound
    int allow_partial;
    int quiet;
    std::string scene;     // empty: no scene log
    std::string gif;       // empty: no GIF
    std::string describe;  // empty: no description file
    int inspect;           // the inspector on, the mouse at canvas point (inspect_x, inspect_y)
    int inspect_x, inspect_y;
    // Limits; 0: none.
    long cpu_limit, time_limit, watchdog;  // seconds
    long memory_limit, output_limit;       // MB
    long frame_limit;
};

// How the program's run ended, as the child sees it.
enum Ending { ENDING_RETURNED, ENDING_EXITED };

struct ReplayState {
    const char *name;  // the runner's own name, for every message
    Options opt;
    HWND window;
    int playback_chosen;   // Playback was chosen at the first wait
    int inspector_sent;    // --inspect: F2 and the mouse move were sent
    int quit_chosen;       // Quit was chosen in a wait that had nothing else to do
    int waits_after_quit;  // idle calls since Quit was chosen
    int stopping;          // the program is handed the quit event from now on
    long calls_after_stop;
    int until_reached;
    int frame_limit_reached;
    int quit_handed;  // the program was handed EVENT_QUIT
    int stop_called;  // the program called plako_stop
    long frames;      // periodic events handed to the program so far: the next frame number
    int frame_owed;   // the program is drawing frame owed_number; taken at its next wait
    long owed_number;
    int drawn;                              // the program drew since the picture was last taken
    std::vector<unsigned int> last_pixels;  // the last picture seen, for --last
    int last_w, last_h;
    long last_number;                          // -1: no picture seen yet
    std::vector<unsigned int> written_pixels;  // the last frame written, and its number
    long last_written;
    int finished;         // the final picture was taken
    std::string failure;  // why the run failed; empty while all is well
    int progress_shown;
    // The scene log (child): the record of the calls since the last wait, streamed as they come.
    FILE *scene;
    int scene_open_record;  // the current record's head is written
    int scene_event;        // what made the program draw: an EVENT_ kind, or -1 for its start
    long scene_frame, scene_line;
    int scene_calls;
    // The GIF: its temporary file, opened by the parent before the run, written by the child.
    int gif_fd;
    std::string gif_temporary;
    std::unique_ptr<GifStream> gif;
};

ReplayState replay;

// What the child keeps for the parent, in memory both share: written by the child only, read by
// the parent while it watches and once the child is gone.
struct Shared {
    std::atomic<long> waits;   // the program's waits so far: the watchdog's heartbeat
    std::atomic<int> in_wait;  // the program is in its wait, or the runner works for it
    std::atomic<long> frame;   // the frame the program was last handed, 0 when none
    std::atomic<long> line;    // the script line of the last event handed to the program
    std::atomic<long> frames;  // periodic events handed so far, for the progress line
    std::atomic<int> quit_handed;
    std::atomic<long> scene_bytes;
    std::atomic<int> picture;  // the slot holding the last completed picture; -1: none yet
    long picture_number[2];
    int picture_w[2], picture_h[2];
    // The child's verdict, once it has one; the parent says it.
    std::atomic<int> verdict_ready;
    int verdict_status;
    char verdict[1024];
    std::atomic<int> exited_early;    // the program called exit() before the script's end
    std::atomic<int> exited_in_wait;  // exit() was called inside the wait: the host gave up
    std::atomic<int> sanitizer_report;
    std::atomic<int> last_done;  // the child wrote what --last asks for
    // The GIF as the child wrote it: the bytes of its whole images, how many, and whether a write
    // failed; the frames it could not draw exactly, and the first of them.
    std::atomic<long long> gif_bytes;
    std::atomic<long> gif_frames;
    std::atomic<int> gif_failed;
    std::atomic<long> gif_inexact;
    long gif_first_inexact;
    int gif_first_colours, gif_first_replaced;
    int exit_code;  // the status the program gave exit(); -1: not known
    unsigned int pixels[2][MAX_PICTURE];
};

Shared *shared;

// ---- PNG frames ----

void fail(const std::string &reason) {
    if (replay.failure.empty()) replay.failure = reason;
}

// --inspect: beside frame `number`, the window as it shows the canvas with the inspector over it.
// Only the child has the window; a --last written by the parent has no such picture.
void write_inspect(long number) {
    RECT rc = {};
    if (replay.window == nullptr || !IsWindow(replay.window) || !GetClientRect(replay.window, &rc)) return;
    InvalidateRect(replay.window, nullptr, FALSE);
    UpdateWindow(replay.window);
    int w = (int)(rc.right - rc.left), h = (int)(rc.bottom - rc.top);
    if (w <= 0 || h <= 0) return;
    std::vector<unsigned int> px((size_t)w * h);
    if (headless_client_pixels(replay.window, px.data(), w * h, &w, &h) == 0) return;
    char name[64];
    snprintf(name, sizeof name, "inspect-%06ld.png", number);
    std::string why = frames_write_png(replay.opt.out, name, px.data(), w, h);
    if (why.empty()) return;
    fail("cannot write " + replay.opt.out + "/" + name + ": " + why + "; stopped at frame " +
         std::to_string(number));
    replay.stopping = 1;
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
    if (replay.opt.inspect) write_inspect(number);
    why = describe_file_frame(number);  // in the child only: the parent has no canvas
    if (!why.empty()) {
        fail(why + "; stopped at frame " + std::to_string(number));
        replay.stopping = 1;
    }
}

// The last picture taken goes to the shared block, into the slot not in use, so that a child
// stopped in the middle of the copy leaves the previous picture whole.
void publish_picture(void) {
    if (shared == nullptr || replay.last_pixels.size() > (size_t)MAX_PICTURE) return;
    int slot = shared->picture.load() == 0 ? 1 : 0;
    memcpy(shared->pixels[slot], replay.last_pixels.data(), replay.last_pixels.size() * sizeof(unsigned int));
    shared->picture_number[slot] = replay.last_number;
    shared->picture_w[slot] = replay.last_w;
    shared->picture_h[slot] = replay.last_h;
    shared->picture.store(slot);
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
    // The canvas, not the window: whatever the window shows over it (the inspector) is no part of a frame.
    if (replay_canvas_pixels(px.data(), w, h) == 0) return 0;
    replay.last_pixels.swap(px);
    replay.last_w = w;
    replay.last_h = h;
    replay.last_number = number;
    replay.drawn = 0;
    publish_picture();
    return 1;
}

// Adds the picture just taken to the GIF as frame `number`; the first failed write ends the run.
void add_to_gif(long number) {
    if (replay.opt.gif.empty()) return;
    if (!replay.gif) replay.gif.reset(new GifStream(replay.gif_fd));
    std::string why = replay.gif->add_frame(number, replay.last_pixels.data(), replay.last_w, replay.last_h);
    if (!why.empty()) {
        shared->gif_failed.store(1);
        fail("cannot write " + replay.opt.gif + ": " + why + "; stopped at frame " + std::to_string(number));
        replay.stopping = 1;
        return;
    }
    const GifStream &g = *replay.gif;
    if (g.inexact_frames() > 0 && shared->gif_inexact.load() == 0) {
        shared->gif_first_inexact = g.first_inexact();
        shared->gif_first_colours = g.first_inexact_colours();
        shared->gif_first_replaced = g.first_inexact_replaced();
    }
    shared->gif_inexact.store(g.inexact_frames());
    shared->gif_bytes.store(g.whole_bytes());
    shared->gif_frames.store(g.frames());
}

// The canvas holds frame `number`: keep it for --last, add it to the GIF, and write it when
// --every asks for it.
void capture(long number) {
    if (!replay.failure.empty() || !grab(number)) return;
    add_to_gif(number);
    if (!replay.failure.empty()) return;
    if (replay.opt.every > 0 && number % replay.opt.every == 0)
        write_frame(number, replay.last_pixels, replay.last_w, replay.last_h);
}

// The frame the program was last handed, 0 before the first.
long current_frame(void) { return replay.frames > 0 ? replay.frames - 1 : 0; }

// The program is about to stop (or has returned): its last picture, whatever it drew after its
// last frame, is taken while the window can still be repainted from its canvas.
void take_final_picture(void) {
    if (replay.finished) return;
    replay.finished = 1;
    if (replay.frame_owed) {
        replay.frame_owed = 0;
        capture(replay.owed_number);
    }
    if (replay.failure.empty()) grab(current_frame());
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

// ---- the scene log ----

// Writes s as a JSON string: UTF-8 sequences as they are, any other byte as the character of the
// same number, control characters escaped.
void scene_string(std::string *into, const char *s) {
    const unsigned char *p = (const unsigned char *)s;
    into->push_back('"');
    while (*p != 0) {
        unsigned char c = *p;
        int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        int valid = n > 1;
        for (int i = 1; valid && i < n; i++) valid = (p[i] & 0xc0) == 0x80;
        if (valid) {
            into->append((const char *)p, (size_t)n);
            p += n;
            continue;
        }
        char esc[8];
        if (c == '"' || c == '\\') {
            into->push_back('\\');
            into->push_back((char)c);
        } else if (c >= 0x20 && c < 0x7f) {
            into->push_back((char)c);
        } else {
            snprintf(esc, sizeof esc, "\\u%04x", c);
            into->append(esc);
        }
        p++;
    }
    into->push_back('"');
}

// Writes text to the scene log; a failure ends the log and the run, as a failed frame does.
void scene_put(const std::string &text) {
    if (replay.scene == nullptr) return;
    if (fwrite(text.data(), 1, text.size(), replay.scene) == text.size()) {
        shared->scene_bytes += (long)text.size();
        return;
    }
    fail("cannot write the scene log " + replay.opt.scene + ": " + strerror(errno) + "; stopped at frame " +
         std::to_string(current_frame()));
    replay.stopping = 1;
    fclose(replay.scene);
    replay.scene = nullptr;
}

const char *scene_event_name(int kind) {
    switch (kind) {
        case EVENT_PERIODIC:
            return "periodic";
        case EVENT_KBD:
            return "kbd";
        case EVENT_MOUSE:
            return "mouse";
        case EVENT_QUIT:
            return "quit";
        default:
            return "start";
    }
}

// The drawing calls that follow belong to this event, frame and script line.
void scene_close(void);

void scene_next(int kind, long frame, long line) {
    scene_close();
    replay.scene_event = kind;
    replay.scene_frame = frame;
    replay.scene_line = line;
    replay.scene_calls = 0;
    replay.scene_open_record = 0;
}

void scene_open(void) {
    if (replay.scene_open_record) return;
    replay.scene_open_record = 1;
    scene_put("{\"frame\":" + std::to_string(replay.scene_frame) +
              ",\"line\":" + std::to_string(replay.scene_line) + ",\"event\":\"" +
              scene_event_name(replay.scene_event) + "\",\"calls\":[");
}

// The program waits again: the record of its calls ends. A periodic event gets its record even
// when nothing was drawn for it.
void scene_close(void) {
    if (replay.scene == nullptr) return;
    if (!replay.scene_open_record && replay.scene_event != EVENT_PERIODIC) return;
    scene_open();
    scene_put("]}\n");
    if (replay.scene != nullptr) fflush(replay.scene);
    replay.scene_open_record = 0;
    replay.scene_event = EVENT_NONE;
}

void scene_call(const ReplayDraw *c) {
    static const char *const CALLS[] = {"circle", "rectangle", "triangle", "line", "text", "erase"};
    std::string s = replay.scene_calls++ > 0 ? "," : "";
    s += "{\"call\":\"";
    s += CALLS[c->kind];
    s += "\"";
    auto field = [&](const char *name, long v) {
        s += ",\"" + std::string(name) + "\":" + std::to_string(v);
    };
    if (c->kind != REPLAY_ERASE) {
        s += ",\"colour\":";
        scene_string(&s, c->colour);
    }
    switch (c->kind) {
        case REPLAY_CIRCLE:
            field("x", c->x[0]);
            field("y", c->y[0]);
            field("radius", c->radius);
            break;
        case REPLAY_TEXT:
            field("x", c->x[0]);
            field("y", c->y[0]);
            field("ptsize", c->ptsize);
            s += ",\"text\":";
            scene_string(&s, c->text);
            break;
        case REPLAY_RECTANGLE:
        case REPLAY_LINE:
        case REPLAY_TRIANGLE: {
            int points = c->kind == REPLAY_TRIANGLE ? 3 : 2;
            const char *xs[] = {"x1", "x2", "x3"}, *ys[] = {"y1", "y2", "y3"};
            for (int i = 0; i < points; i++) {
                field(xs[i], c->x[i]);
                field(ys[i], c->y[i]);
            }
            field("width", c->width);
            break;
        }
        default:
            break;
    }
    s += "}";
    scene_open();
    scene_put(s);
}

// ---- the run ----

// The first wait chooses Playback; a wait with nothing to do once the script has ended chooses
// Quit, and if the program still waits, its window is closed.
void on_idle(void *) {
    if (replay.window == nullptr) replay.window = FindWindowA(PLAKO_GRAPHICS_CLASS, PLAKO_GRAPHICS_TITLE);
    if (replay.window == nullptr) return;
    if (replay.opt.inspect && !replay.inspector_sent) {
        // F2 as a user presses it, then the mouse, taken in this same first wait before Playback
        // is chosen, so that the first frame has the inspector over it. Neither is an event.
        replay.inspector_sent = 1;
        headless_key_down(replay.window, VK_F2);
        headless_key_up(replay.window, VK_F2);
        headless_mouse_move(replay.window, 297 + replay.opt.inspect_x, 247 - replay.opt.inspect_y);
        return;
    }
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

// Parses "X,Y", a canvas point inside the graphics window's 595 by 495 client area; 0 when it is not.
int parse_point(const char *text, int *x, int *y) {
    const char *comma = strchr(text, ',');
    if (comma == nullptr) return 0;
    std::string left(text, (size_t)(comma - text));
    long lx = 0, ly = 0;
    if (!parse_count(left.c_str(), -297, &lx) || !parse_count(comma + 1, -247, &ly) || lx > 297 || ly > 247)
        return 0;
    *x = (int)lx;
    *y = (int)ly;
    return 1;
}

// Parses the command line into replay.opt; returns -1 to go on, else the exit status.
int parse_args(int argc, char **argv) {
    Options &o = replay.opt;
    o.dir = ".";
    o.out = ".";
    o.every = 1;
    o.until = -1;
    o.cpu_limit = 60;
    o.time_limit = 120;
    o.watchdog = 10;
    o.memory_limit = 1024;
    o.output_limit = 16;
    o.frame_limit = 100000;
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
        // A name for a value: a directory or a file, never the empty name.
        auto named = [&](const char *name, const char *what, std::string *into) -> int {
            const char *v = value(name);
            if (v == nullptr) return 0;
            if (*v == '\0') {
                fprintf(stderr, "%s: %s needs %s, not an empty name\n", replay.name, name, what);
                return 0;
            }
            *into = v;
            return 1;
        };
        // A limit: a whole number of at least 0, where 0 is no limit; at most a year of seconds
        // or a terabyte, so that no product of it overflows.
        auto limit = [&](const char *name, const char *what, long *into) -> int {
            const char *v = value(name);
            if (v == nullptr) return 0;
            if (!parse_count(v, 0, into) || *into > 1L << 25) {
                fprintf(stderr, "%s: %s needs %s from 0 (no limit) to 33554432, not '%s'\n", replay.name,
                        name, what, v);
                return 0;
            }
            return 1;
        };
        if (a == "-h" || a == "--help") {
            printf(USAGE, replay.name);
            return 0;
        } else if (a == "-C" || a == "--dir") {
            if (!named("--dir", "a directory", &o.dir)) return 2;
        } else if (a == "-o" || a == "--out") {
            if (!named("--out", "a directory", &o.out)) return 2;
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
        } else if (a == "--scene") {
            if (!named("--scene", "a file name", &o.scene)) return 2;
        } else if (a == "--gif") {
            if (!named("--gif", "a file name", &o.gif)) return 2;
        } else if (a == "--inspect") {
            const char *v = value("--inspect");
            if (v == nullptr) return 2;
            if (!parse_point(v, &o.inspect_x, &o.inspect_y)) {
                fprintf(stderr,
                        "%s: --inspect needs a canvas point X,Y, X from -297 to 297 and Y from -247 to 247, "
                        "not '%s'\n",
                        replay.name, v);
                return 2;
            }
            o.inspect = 1;
        } else if (a == "--describe") {
            if (!named("--describe", "a file name", &o.describe)) return 2;
        } else if (a == "--cpu-limit") {
            if (!limit("--cpu-limit", "seconds", &o.cpu_limit)) return 2;
        } else if (a == "--time-limit") {
            if (!limit("--time-limit", "seconds", &o.time_limit)) return 2;
        } else if (a == "--watchdog") {
            if (!limit("--watchdog", "seconds", &o.watchdog)) return 2;
        } else if (a == "--memory-limit") {
            if (!limit("--memory-limit", "megabytes", &o.memory_limit)) return 2;
        } else if (a == "--output-limit") {
            if (!limit("--output-limit", "megabytes", &o.output_limit)) return 2;
        } else if (a == "--frame-limit") {
            if (!limit("--frame-limit", "frames", &o.frame_limit)) return 2;
        } else {
            fprintf(stderr, "%s: unknown argument '%s' (see --help)\n", replay.name, a.c_str());
            return 2;
        }
    }
    if ((o.last || !o.gif.empty()) && !every_given) o.every = 0;
    return -1;
}

// The start of an outcome line about the program: where the run was when it ended.
std::string stopped_at(long frame, long line) {
    return "stopped at frame " + std::to_string(frame) + ", line " + std::to_string(line) + ": ";
}

// For a script that played to its end: the first place where it did not play as written (a CR
// alone, a line read otherwise than written, a last line without its line end), or "" when none.
std::string not_as_written(const ReplayScript &script) {
    long first = 0;
    for (long at : {script.lone_cr_line, script.inexact_line, script.unended_line})
        if (at > 0 && (first == 0 || at < first)) first = at;
    if (first == 0) return "";
    std::string at = std::to_string(first);
    if (first == script.lone_cr_line)
        return "stopped at line " + at +
               ": the script ends a line with a CR alone, which is no line end (LF or CR LF are)" +
               (first == script.unended_line ? "; the line runs into the end of the file and was not played"
                                             : "");
    if (first == script.inexact_line)
        return "stopped at line " + at + ": the line was not played as written (" + script.inexact +
               "): " + script.inexact_text;
    return "played to line " + std::to_string(first - 1) + "; line " + at +
           " has no line end and was not played";
}

// Writes what --last asks for and says what happened to the script of a run that ended by
// itself: the program returned `result` from WinMain, or called exit(). Puts the outcome in
// *what and returns the exit status; -1 for an exit() before the script's end, which the parent
// words, since only it learns the status.
int finish(Ending ending, int result, std::string *what) {
    take_final_picture();
    scene_close();
    fflush(stdout);
    if (replay.failure.empty() && replay.opt.last) {
        if (replay.last_number < 0) {
            fail("--last: the program showed no picture");
        } else if (replay.last_written != replay.last_number || replay.written_pixels != replay.last_pixels) {
            write_frame(replay.last_number, replay.last_pixels, replay.last_w, replay.last_h);
        }
    }
    shared->last_done.store(1);
    if (!replay.failure.empty()) {
        *what = replay.failure;
        return 1;
    }
    ReplayScript script;
    replay_script(&script);
    int complete = 0;
    std::string at = std::to_string(script.line);
    if (script.outcome == REPLAY_AT_END) {
        *what = "played to the end";
        complete = 1;
    } else if (script.outcome == REPLAY_BAD_LINE) {
        *what = "stopped at line " + at + script.reason;
    } else if (script.outcome == REPLAY_READ_ERROR) {
        *what = "stopped at line " + at + ": cannot read the script: " + script.reason;
    } else if (script.outcome == REPLAY_CANNOT_OPEN) {
        *what = "stopped: cannot open the script: " + std::string(script.reason);
    } else if (replay.until_reached) {
        *what = "stopped after frame " + std::to_string(replay.opt.until) + " as --until asked, at line " +
                std::to_string(script.event_line);
        complete = 1;
    } else if (replay.frame_limit_reached) {
        *what = stopped_at(current_frame(), script.event_line) + "frame limit of " +
                std::to_string(replay.opt.frame_limit) + " frames reached";
        return 3;
    } else if (script.outcome == REPLAY_UNKNOWN_KIND) {
        *what = "stopped: unknown kind at line " + at;
    } else if (replay_script_rest_empty()) {
        *what = "played to the end";
        complete = 1;
    } else if (ending == ENDING_EXITED && !replay.quit_handed) {
        return -1;
    } else if (!replay.quit_handed && !replay.stop_called) {
        // Neither told to quit nor quitting the package's way (its own Quit button, say, then
        // plako_stop): it fell out of WinMain.
        *what = stopped_at(current_frame(), script.event_line) + "the program returned " +
                std::to_string(result) + " from WinMain before the script's end";
        return 5;
    } else {
        *what = "stopped at line " + std::to_string(script.event_line) +
                ": the program quit before the script's end";
    }
    if (*what == "played to the end") {
        replay_script(&script);  // the look ahead may have met a last line without its line end
        std::string differs = not_as_written(script);
        if (!differs.empty()) {
            *what = differs;
            complete = 0;
        }
    }
    return complete || replay.opt.allow_partial ? 0 : 1;
}

// Hands the parent the child's verdict.
void give_verdict(int status, const std::string &what) {
    snprintf(shared->verdict, sizeof shared->verdict, "%s", what.c_str());
    shared->verdict_status = status;
    shared->verdict_ready.store(1);
}

// Ends the child at once with a verdict of the runner's own (the program is not finished); the
// parent writes --last from the shared block.
[[noreturn]] void end_child(int status, const std::string &what) {
    scene_close();
    fflush(stdout);
    if (replay.scene != nullptr) fflush(replay.scene);
    give_verdict(status, what);
    _exit(0);
}

// The program enters its wait. It draws a frame right after each periodic event, so the canvas
// now holds that frame: it is taken here; a picture drawn for another event is taken too, so that
// the last completed picture is always in the shared block. While the run ends the wait is not
// entered at all: the program gets the quit event, and one that goes on waiting regardless is
// given up on.
int on_wait(void *) {
    shared->in_wait.store(1);
    shared->waits++;
    if (replay.frame_owed) {
        replay.frame_owed = 0;
        capture(replay.owed_number);
        if (replay.opt.until >= 0 && replay.owed_number >= replay.opt.until && !replay.stopping) {
            replay.until_reached = 1;
            replay.stopping = 1;
        }
        if (replay.opt.frame_limit > 0 && replay.owed_number + 1 >= replay.opt.frame_limit &&
            !replay.stopping) {
            // Only when the script has more to play: a script of exactly that many frames ends well.
            ReplayScript script;
            replay_script(&script);
            if (script.outcome == REPLAY_PLAYING && !replay_script_rest_empty()) {
                replay.frame_limit_reached = 1;
                replay.stopping = 1;
            }
        }
    } else if (replay.drawn && replay.failure.empty()) {
        grab(current_frame());
    }
    scene_close();
    if (!replay.stopping) return 0;
    if (++replay.calls_after_stop > WAITS_AFTER_QUIT) {
        ReplayScript script;
        replay_script(&script);
        end_child(6, stopped_at(current_frame(), script.event_line) +
                         "the program did not end after its quit event");
    }
    replay.quit_handed = 1;
    shared->quit_handed.store(1);
    scene_next(EVENT_QUIT, current_frame(), shared->line.load());
    shared->in_wait.store(0);
    return 1;
}

// The event the wait hands the program. Once the script has ended, what the wait found instead
// is not the script's, and ends the run.
int on_event(void *, int kind, int *x, int *y, char *key, int from_script) {
    ReplayScript script;
    replay_script(&script);
    if (kind != EVENT_QUIT && !from_script && script.outcome != REPLAY_NOT_STARTED &&
        script.outcome != REPLAY_PLAYING) {
        replay.stopping = 1;
        replay.calls_after_stop++;
        *x = 0;
        *y = 0;
        *key = 0;
        kind = EVENT_QUIT;
    } else if (kind == EVENT_PERIODIC) {
        replay.owed_number = replay.frames;
        replay.frame_owed = 1;
        replay.frames++;
    }
    if (kind == EVENT_QUIT) {
        replay.quit_handed = 1;
        shared->quit_handed.store(1);
        // Told to quit with the script over, a program that waits again is given the quit again.
        if (script.outcome != REPLAY_PLAYING) replay.stopping = 1;
    }
    long line = from_script ? script.read_line : script.event_line;
    shared->frame.store(current_frame());
    shared->line.store(line);
    shared->frames.store(replay.frames);
    scene_next(kind, current_frame(), line);
    shared->in_wait.store(0);
    return kind;
}

// The program's console lines go to standard output, through the parent, which passes them on.
void on_console_line(void *, const char *text) { fputs(text, stdout); }

// The program stops: its last picture is taken while the window can still show its canvas.
void on_stop(void *) {
    replay.stop_called = 1;
    take_final_picture();
}

// A drawing call: the picture changes, and the scene log gets it.
void on_draw(void *, const ReplayDraw *call) {
    replay.drawn = 1;
    if (replay.scene != nullptr) scene_call(call);
}

// ---- the child: the program's own process ----

// exit() anywhere in the program (or the headless host giving up inside a wait): at the script's
// end, or after the quit event, the run is judged as if WinMain had returned. code: the status
// given to exit(), -1 where the system does not tell it.
void on_exit_call(int code) {
    if (shared->verdict_ready.load()) return;
    shared->exit_code = code;
    if (shared->in_wait.load()) {
        shared->exited_in_wait.store(1);
        return;
    }
    std::string what;
    int status = finish(ENDING_EXITED, 0, &what);
    if (status < 0) {
        shared->exited_early.store(1);
        return;
    }
    give_verdict(status, what);
}

#ifdef __GLIBC__
void on_exit_status(int code, void *) { on_exit_call(code); }
#else
void on_exit_plain(void) { on_exit_call(-1); }
#endif

#if RUNNER_ASAN
// A sanitizer's report ends the process with an exit status: a crash, unless the program's run had
// already ended (a leak found at exit is reported, but the verdict stands).
void on_sanitizer_report(void) {
    if (!shared->verdict_ready.load() && !shared->exited_early.load() && !shared->exited_in_wait.load())
        shared->sanitizer_report.store(1);
}
#endif

// The limits that the system keeps for the child itself.
void set_child_limits(void) {
    struct rlimit none = {0, 0};
    setrlimit(RLIMIT_CORE, &none);  // a crash leaves no core file in the student's folder
    if (replay.opt.cpu_limit > 0) {
        // SIGXCPU at the limit; SIGKILL a second later for a program that catches it.
        struct rlimit cpu = {(rlim_t)replay.opt.cpu_limit, (rlim_t)replay.opt.cpu_limit + 1};
        setrlimit(RLIMIT_CPU, &cpu);
    }
#if !RUNNER_ASAN
    if (replay.opt.memory_limit > 0) {
        // Resident memory is watched by the parent; the address space is only a backstop, well
        // above it, against a program that reserves without touching.
        rlim_t bytes = ((rlim_t)replay.opt.memory_limit * 2 + 256) << 20;
        struct rlimit as = {bytes, bytes};
        setrlimit(RLIMIT_AS, &as);
    }
#endif
}

// Runs the program with its output into the two pipes; never returns.
[[noreturn]] void run_child(int out_fd, int err_fd, pid_t parent) {
    setpgid(0, 0);
#ifdef __linux__
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(0);  // the parent is already gone
#else
    (void)parent;
#endif
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) {
        dup2(devnull, STDIN_FILENO);
        close(devnull);
    }
    dup2(out_fd, STDOUT_FILENO);
    dup2(err_fd, STDERR_FILENO);
    close(out_fd);
    close(err_fd);
    // Line by line, so that what a program printed before it crashed is not lost in a buffer.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    // A crash must end the process with its signal, for the parent to see: no handler of the
    // sanitizers' in between.
    for (int sig :
         {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS, SIGPIPE, SIGXCPU, SIGINT, SIGTERM})
        signal(sig, SIG_DFL);
    set_child_limits();
    unsetenv("PLAKO_RECORD");  // the script is played, never recorded over
#if RUNNER_ASAN
    __sanitizer_set_death_callback(on_sanitizer_report);
#endif
#ifdef __GLIBC__
    on_exit(on_exit_status, nullptr);
#else
    atexit(on_exit_plain);
#endif
    scene_next(-1, 0, 0);
    headless_select();
    headless_set_idle_hook(on_idle, nullptr);
    ReplayHooks hooks = {on_wait, on_event, on_console_line, on_stop, on_draw, nullptr};
    replay_set_hooks(&hooks);
    char cmdline[] = "";
    int result = WinMain((HINSTANCE)1, nullptr, cmdline, SW_SHOWNORMAL);
    shared->in_wait.store(1);  // the runner's own work from here
    std::string what;
    int status = finish(ENDING_RETURNED, result, &what);
    give_verdict(status, what);
    if (replay.scene != nullptr) fclose(replay.scene);
    exit(0);
}

// ---- the parent: watches the child ----

volatile sig_atomic_t watched_child;
char gif_temporary[PATH_MAX + 64];  // the GIF's temporary file while the run goes on; "" when none

// Interrupted (Ctrl+C, a grader's kill): the child's group goes too, and no GIF is left half made.
void on_parent_signal(int sig) {
    if (watched_child > 0) kill(-watched_child, SIGKILL);
    if (gif_temporary[0] != '\0') unlink(gif_temporary);
    signal(sig, SIG_DFL);
    raise(sig);
}

double seconds_now(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + ts.tv_nsec / 1e9;
}

// The child's resident memory in bytes, 0 when it cannot be read.
long long resident_bytes(pid_t pid) {
#ifdef __linux__
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/statm", (int)pid);
    FILE *f = fopen(path, "r");
    if (f == nullptr) return 0;
    long long size = 0, resident = 0;
    int got = fscanf(f, "%lld %lld", &size, &resident);
    fclose(f);
    return got == 2 ? resident * sysconf(_SC_PAGESIZE) : 0;
#else
    (void)pid;
    return 0;
#endif
}

void show_progress(long frames, long *reported) {
    if (replay.opt.quiet) return;
    while (frames >= *reported + PROGRESS_EVERY) {
        *reported += PROGRESS_EVERY;
        // On a terminal one line is rewritten; in a log each report is a line of its own.
        if (isatty(STDERR_FILENO)) {
            fprintf(stderr, "\r%s: %ld frames", replay.name, *reported);
            replay.progress_shown = 1;
        } else {
            fprintf(stderr, "%s: %ld frames\n", replay.name, *reported);
        }
    }
}

struct Watch {
    pid_t pid;
    int fds[2];         // the child's standard output and error; -1 once closed
    long long output;   // bytes the child wrote, scene log included
    std::string limit;  // the limit reached, or what else made the parent end the child
    int limit_status;
    int stdout_failed;
};

// The parent ends the child: a limit, or its output cannot be passed on.
void stop_child(Watch &w, int status, const std::string &why) {
    if (!w.limit.empty()) return;
    w.limit = why;
    w.limit_status = status;
    kill(-w.pid, SIGKILL);
    kill(w.pid, SIGKILL);  // in case it left its group
}

// Copies what the child wrote on fd (0 output, 1 error) to the same of ours, within the limit.
void copy_output(Watch &w, int which, const char *buf, size_t n) {
    long long cap = replay.opt.output_limit > 0 ? (long long)replay.opt.output_limit << 20 : -1;
    size_t pass = n;
    if (cap >= 0 && w.output + (long long)n > cap) pass = w.output < cap ? (size_t)(cap - w.output) : 0;
    w.output += (long long)n;
    if (pass > 0 && !(which == 0 && w.stdout_failed)) {
        int err = frames_write_all(which == 0 ? STDOUT_FILENO : STDERR_FILENO, buf, pass);
        if (err != 0 && which == 0) {
            // Reported once; the run goes on to its end with its frames, and fails.
            w.stdout_failed = 1;
            fprintf(stderr, "%s: cannot write the console lines to standard output: %s\n", replay.name,
                    strerror(err));
        }
    }
    if (pass < n)
        stop_child(w, 3, "output limit of " + std::to_string(replay.opt.output_limit) + " MB reached");
}

// Reads what is there on the child's pipes.
void drain(Watch &w) {
    char buf[65536];
    for (int i = 0; i < 2; i++) {
        while (w.fds[i] >= 0) {
            ssize_t n = read(w.fds[i], buf, sizeof buf);
            if (n > 0) {
                copy_output(w, i, buf, (size_t)n);
                continue;
            }
            if (n < 0 && (errno == EINTR)) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
            close(w.fds[i]);
            w.fds[i] = -1;
        }
    }
}

// Checks the limits the parent keeps: wall time, watchdog, memory, output with the scene log.
void check_limits(Watch &w, double start, double *heard_at, long *heard_waits) {
    const Options &o = replay.opt;
    double now = seconds_now();
    long waits = shared->waits.load();
    if (waits != *heard_waits || shared->in_wait.load()) {
        *heard_waits = waits;
        *heard_at = now;
    }
    if (o.time_limit > 0 && now - start >= (double)o.time_limit) {
        stop_child(w, 3, "wall time limit of " + std::to_string(o.time_limit) + " s reached");
    } else if (o.watchdog > 0 && waits > 0 && now - *heard_at >= (double)o.watchdog) {
        // The watchdog starts at the first wait: before it, the package starts up.
        if (shared->quit_handed.load())
            stop_child(w, 6, "the program did not end after its quit event");
        else
            stop_child(w, 3,
                       "the program did not come back to its wait for " + std::to_string(o.watchdog) +
                           " s (watchdog)");
    } else if (o.memory_limit > 0 && resident_bytes(w.pid) >= (long long)o.memory_limit << 20) {
        stop_child(w, 3, "memory limit of " + std::to_string(o.memory_limit) + " MB reached");
    } else if (o.output_limit > 0 && w.output + shared->scene_bytes.load() > (long long)o.output_limit
                                                                                 << 20) {
        stop_child(w, 3, "output limit of " + std::to_string(o.output_limit) + " MB reached");
    }
}

// What ended a child that gave no verdict of its own; the exit status in *status.
std::string judge(const Watch &w, int wait_status, const struct rusage &ru, int *status) {
    const Options &o = replay.opt;
    double cpu = (double)ru.ru_utime.tv_sec + (double)ru.ru_stime.tv_sec +
                 (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    // ru_maxrss is in kilobytes: a program that grew past the limit was stopped by it, whatever
    // finally ended it.
    int over_memory = o.memory_limit > 0 && (long long)ru.ru_maxrss >= (long long)o.memory_limit << 10;
    *status = 3;
    if (!w.limit.empty()) {
        *status = w.limit_status;
        return w.limit;
    }
    if (shared->sanitizer_report.load()) {
        *status = 4;
        return "the program crashed (the sanitizer's report is above)";
    }
    if (WIFSIGNALED(wait_status)) {
        int sig = WTERMSIG(wait_status);
        if (o.cpu_limit > 0 && (sig == SIGXCPU || (sig == SIGKILL && cpu >= (double)o.cpu_limit)))
            return "processor time limit of " + std::to_string(o.cpu_limit) + " s reached";
        if (over_memory) return "memory limit of " + std::to_string(o.memory_limit) + " MB reached";
        *status = 4;
        return "the program crashed (signal " + std::to_string(sig) + ", " + strsignal(sig) + ")";
    }
    if (over_memory) return "memory limit of " + std::to_string(o.memory_limit) + " MB reached";
#if RUNNER_ASAN
    // Ended without its exit handlers: a sanitizer's report, from a runtime of its own that the
    // death callback does not reach (the undefined-behaviour checks'), ends the process that way.
    if (!shared->exited_early.load() && !shared->exited_in_wait.load()) {
        *status = 4;
        return "the program crashed (the sanitizer's report is above)";
    }
#endif
    // The status the program gave exit(), which a sanitizer's leak check at exit may have changed.
    int code = shared->exited_early.load() && shared->exit_code >= 0 ? shared->exit_code
               : WIFEXITED(wait_status)                              ? WEXITSTATUS(wait_status)
                                                                     : -1;
    if (shared->exited_in_wait.load()) {
        // The headless host gives up on a wait that nothing can end.
        *status = shared->quit_handed.load() ? 6 : 1;
        return shared->quit_handed.load() ? "the program did not end after its quit event"
                                          : "the program waits with no input and no timer";
    }
    *status = 5;
    return "the program exited with status " + std::to_string(code) + " before the script's end";
}

// Ends the GIF once the child is gone: its whole images, the trailer after the last, renamed into
// place; so a run cut short keeps the frames played before. A GIF whose write failed in the child
// is removed (the child's verdict says why). With no frame at all, the last picture the program
// completed is its one image; with no picture either, there is no GIF, and the outcome says so.
void end_gif(std::string *what, int *status) {
    if (replay.opt.gif.empty()) return;
    const std::string &path = replay.opt.gif;
    int fd = replay.gif_fd;
    gif_temporary[0] = '\0';
    if (shared->gif_failed.load()) {
        gif_discard(fd, replay.gif_temporary);
        return;
    }
    long long bytes = shared->gif_bytes.load();
    int slot = shared->picture.load();
    std::string why;
    if (shared->gif_frames.load() == 0 && slot >= 0) {
        // Whatever the child began of a first image is dropped; the file starts again.
        if (ftruncate(fd, 0) != 0 || lseek(fd, 0, SEEK_SET) != 0) {
            why = strerror(errno);
        } else {
            GifStream gif(fd);
            why = gif.add_frame(shared->picture_number[slot], shared->pixels[slot], shared->picture_w[slot],
                                shared->picture_h[slot]);
            bytes = gif.whole_bytes();
        }
    } else if (shared->gif_frames.load() == 0) {
        gif_discard(fd, replay.gif_temporary);
        *what += "; --gif: the program showed no picture";
        if (*status == 0) *status = 1;
        return;
    }
    if (why.empty()) {
        why = gif_finish(fd, bytes, replay.gif_temporary, path);
    } else {
        gif_discard(fd, replay.gif_temporary);
    }
    if (!why.empty()) {
        *what += "; cannot write " + path + ": " + why;
        *status = 1;
        return;
    }
    long inexact = shared->gif_inexact.load();
    if (inexact > 0) {
        std::string more = inexact == 2 ? " (and 1 more frame has more than 256)"
                           : inexact > 2
                               ? " (and " + std::to_string(inexact - 1) + " more frames have more than 256)"
                               : "";
        fprintf(stderr,
                "%s: frame %ld has %d colours; a GIF image holds 256, so %s draws %d of them with the "
                "nearest one it holds%s\n",
                replay.name, shared->gif_first_inexact, shared->gif_first_colours, path.c_str(),
                shared->gif_first_replaced, more.c_str());
    }
}

// Watches the child to its end and says what happened; returns the exit status.
int supervise(pid_t pid, int out_fd, int err_fd) {
    Watch w = {};
    w.pid = pid;
    w.fds[0] = out_fd;
    w.fds[1] = err_fd;
    for (int fd : w.fds) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    double start = seconds_now(), heard_at = start;
    long heard_waits = -1, reported = 0;
    int wait_status = 0, reaped = 0;
    struct rusage ru = {};
    double reaped_at = 0;
    while (!reaped || w.fds[0] >= 0 || w.fds[1] >= 0) {
        struct pollfd pfd[2];
        int n = 0;
        for (int fd : w.fds)
            if (fd >= 0) pfd[n++] = {fd, POLLIN, 0};
        poll(pfd, (nfds_t)n, 20);
        drain(w);
        if (!reaped) {
            pid_t r = wait4(pid, &wait_status, WNOHANG, &ru);
            if (r == pid || (r < 0 && errno == ECHILD)) {
                reaped = 1;
                reaped_at = seconds_now();
                // Anything the program started goes with it, so that its pipes close.
                kill(-pid, SIGKILL);
            } else if (w.limit.empty()) {
                check_limits(w, start, &heard_at, &heard_waits);
            }
        } else if (seconds_now() - reaped_at > 2) {
            break;  // something outside the group holds the pipes: what it writes is not ours
        }
        show_progress(shared->frames.load(), &reported);
    }
    for (int fd : w.fds)
        if (fd >= 0) close(fd);
    watched_child = 0;
    if (replay.progress_shown) fputc('\n', stderr);

    std::string what;
    int status;
    int verdict = shared->verdict_ready.load() && w.limit.empty() && !shared->sanitizer_report.load();
    if (verdict) {
        what = shared->verdict;
        status = shared->verdict_status;
    } else {
        what = stopped_at(shared->frame.load(), shared->line.load()) + judge(w, wait_status, ru, &status);
    }
    // The last completed picture, unless the child wrote --last itself.
    int slot = shared->picture.load();
    if (replay.opt.last && !shared->last_done.load() && slot >= 0) {
        const unsigned int *px = shared->pixels[slot];
        int pw = shared->picture_w[slot], ph = shared->picture_h[slot];
        std::vector<unsigned int> picture(px, px + (size_t)pw * ph);
        write_frame(shared->picture_number[slot], picture, pw, ph);
        if (!replay.failure.empty()) {
            what += "; " + replay.failure;
            status = 1;
        }
    }
    end_gif(&what, &status);
    std::string described = describe_file_finish();
    if (!described.empty()) {
        what += "; " + described;
        status = 1;
    }
    fprintf(stderr, "%s: %s\n", replay.name, what.c_str());
    return status == 0 && w.stdout_failed ? 1 : status;
}

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
    // The output directory and the scene log are named from where the runner was started, not
    // from DIR.
    char cwd[PATH_MAX];
    if ((replay.opt.out[0] != '/' || (!replay.opt.scene.empty() && replay.opt.scene[0] != '/') ||
         (!replay.opt.gif.empty() && replay.opt.gif[0] != '/') ||
         (!replay.opt.describe.empty() && replay.opt.describe[0] != '/')) &&
        getcwd(cwd, sizeof cwd) == nullptr) {
        fprintf(stderr, "%s: cannot name the current directory: %s\n", replay.name, strerror(errno));
        return 1;
    }
    if (replay.opt.out[0] != '/') replay.opt.out = std::string(cwd) + "/" + replay.opt.out;
    if (!replay.opt.scene.empty() && replay.opt.scene[0] != '/')
        replay.opt.scene = std::string(cwd) + "/" + replay.opt.scene;
    if (!replay.opt.gif.empty() && replay.opt.gif[0] != '/')
        replay.opt.gif = std::string(cwd) + "/" + replay.opt.gif;
    if (!replay.opt.describe.empty() && replay.opt.describe[0] != '/')
        replay.opt.describe = std::string(cwd) + "/" + replay.opt.describe;
    reason = frames_prepare_dir(replay.opt.out);
    if (!reason.empty()) {
        fprintf(stderr, "%s: cannot write frames into %s\n", replay.name, reason.c_str());
        return 1;
    }
    if (!replay.opt.scene.empty() && (replay.scene = fopen(replay.opt.scene.c_str(), "w")) == nullptr) {
        fprintf(stderr, "%s: cannot write the scene log %s: %s\n", replay.name, replay.opt.scene.c_str(),
                strerror(errno));
        return 1;
    }
    if (chdir(replay.opt.dir.c_str()) != 0) {
        fprintf(stderr, "%s: cannot enter %s: %s\n", replay.name, replay.opt.dir.c_str(), strerror(errno));
        return 1;
    }
    // The GIF's temporary file, made now so that a GIF that cannot be written is found before the
    // script plays; the child writes into it, and the parent ends it and puts it in place.
    if (!replay.opt.gif.empty()) {
        reason = gif_create(replay.opt.gif, &replay.gif_fd, &replay.gif_temporary);
        if (!reason.empty()) {
            fprintf(stderr, "%s: cannot write %s: %s\n", replay.name, replay.opt.gif.c_str(), reason.c_str());
            return 1;
        }
        snprintf(gif_temporary, sizeof gif_temporary, "%s", replay.gif_temporary.c_str());
    }

    void *block = mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    int out_pipe[2], err_pipe[2];
    if (block == MAP_FAILED || pipe(out_pipe) != 0 || pipe(err_pipe) != 0) {
        fprintf(stderr, "%s: cannot prepare the run: %s\n", replay.name, strerror(errno));
        if (!replay.opt.gif.empty()) gif_discard(replay.gif_fd, replay.gif_temporary);
        return 1;
    }
    shared = new (block) Shared();
    shared->picture.store(-1);
    if (!replay.opt.describe.empty() && !(reason = describe_file_open(replay.opt.describe)).empty()) {
        fprintf(stderr, "%s: %s\n", replay.name, reason.c_str());
        return 1;
    }
    fflush(stdout);
    fflush(stderr);
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0) {
        fprintf(stderr, "%s: cannot start the program: %s\n", replay.name, strerror(errno));
        if (!replay.opt.gif.empty()) gif_discard(replay.gif_fd, replay.gif_temporary);
        return 1;
    }
    if (pid == 0) {
        close(out_pipe[0]);
        close(err_pipe[0]);
        run_child(out_pipe[1], err_pipe[1], parent);
    }
    close(out_pipe[1]);
    close(err_pipe[1]);
    setpgid(pid, pid);  // as the child does: whichever runs first
    watched_child = pid;
    signal(SIGPIPE, SIG_IGN);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) signal(sig, on_parent_signal);
    if (replay.scene != nullptr) {
        fclose(replay.scene);  // the child's now; nothing was buffered here
        replay.scene = nullptr;
    }
    describe_file_hand_over();
    return supervise(pid, out_pipe[0], err_pipe[0]);
}
