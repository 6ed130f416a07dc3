// What the modules of the package offer each other. Each module keeps its own state
// file-local; these functions are the only way across.
#ifndef PLAKO_INTERNAL_H
#define PLAKO_INTERNAL_H

#include <stdarg.h>
#include <windows.h>

#include "plako.h"

// Narrows a 64-bit intermediate to int32, saturating: coordinates are summed in 64 bits so that
// no argument can overflow, and only the stored or handed-on value is clipped to int32's range.
inline int plako_saturate(long long v) {
    return v > 2147483647LL ? 2147483647 : (v < -2147483648LL ? (int)(-2147483647 - 1) : (int)v);
}

// ---- window.cpp: windows, canvas, origin, dirty flag ----
#define PLAKO_CANVAS_WIDTH 601
#define PLAKO_CANVAS_HEIGHT 540
#define PLAKO_TICK_TIMER_ID 2
#define PLAKO_TICK_PERIOD 100
#define PLAKO_GRAPHICS_CLASS "DrawWndClass"
#define PLAKO_GRAPHICS_TITLE "PLAKO Graphics"
#define PLAKO_CONSOLE_CLASS "TextWndClass"
#define PLAKO_CONSOLE_TITLE "PLAKO Text"

HWND window_graphics(void);  // null until plako_start
HWND window_console(void);
HDC window_canvas(void);  // the canvas's memory DC
int window_origin_x(void);
int window_origin_y(void);
void window_set_dirty(void);
void plako_flush(void);
LRESULT CALLBACK graphics_wnd_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

// ---- event.cpp: the event wait, run controls, menu, accelerators ----
#define CMD_ANIMATE 1
#define CMD_HALT 2
#define CMD_ONE_FRAME 3
#define CMD_LOGGING 4
#define CMD_RECORD 5
#define CMD_PLAYBACK 6
#define CMD_PLAY_ONE 7
#define CMD_QUIT 8
#define CMD_INFO 9

struct PendingEvent {
    int kind;
    int x;
    int y;
    char key;
};
PendingEvent *event_pending(void);  // the event the current wait assembles
int plako_pump(void);               // one pass; 1 when it took a message from the queue
void event_reset_run_flags(void);   // animate and one_frame off (start, playback, play one)
int event_logging(void);
HMENU event_run_menu(void);
// The graphics window's handlers of WM_CREATE, keys, characters, commands, timer and clicks.
// Returns 1 when msg was one of them (its result is 0), else 0.
int event_handle_message(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

// ---- script.cpp: recording and playback of the event stream ----
int script_write(int kind, int x, int y, char key);  // 0 when the line was not written (reported)
int script_read(void);                               // 1 when it delivered an event into event_pending()
void script_stop_playback(void);
void script_close(void);
void script_command_record(void);
void script_command_playback(void);
void script_command_play_one(void);
int script_reading(void);  // playback or play-one is on: the next pass consults the script
// The wait's hooks: after the pump step (1 = the script delivered the event) and before return.
int script_playback_hook(void);
void script_record_hook(int kind, int x, int y, char key);

// After the wait chose its event: from_script says the script delivered it, handed is the kind
// the program gets, so the script knows which of its events were handed over.
void script_handed(int from_script, int handed);

// ---- replay.cpp: the runner's hooks (replay.h) ----
struct ReplayHooks;
const ReplayHooks *replay_hooks(void);  // null while none are registered
struct DrawCommand;
void replay_draw(const DrawCommand *cmd);  // hands a drawing call to the draw hook; null: an erase

// ---- console.cpp ----
#define PLAKO_TEXT_BUFFER 1024  // a formatted text holds at most 1023 characters
// Formats into buf, cut at 1023 characters; returns what formatting produced (the uncut length),
// or a negative value for a null format or an encoding error, and then buf is empty.
int plako_vformat(char (&buf)[PLAKO_TEXT_BUFFER], const char *format, va_list args);
LRESULT CALLBACK console_wnd_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
void console_draw_line(const char *text);
// For tests: copies the i-th kept line (0 = oldest) into out (cut to cap - 1 bytes) and returns
// its full length, or -1 when fewer than i + 1 lines are kept.
int console_line(int i, char *out, int cap);

// ---- render.cpp ----
#define SHAPE_TRIANGLE 0
#define SHAPE_RECTANGLE 1
#define SHAPE_OVAL 2
#define SHAPE_LINE 3
#define SHAPE_PIXEL 4
#define SHAPE_TEXT 5

struct DrawCommand {
    int kind;
    int colour;
    int width;
    int x1, y1;
    int x2;
    LONG_PTR y2;  // a coordinate, or for SHAPE_TEXT the HGLOBAL of the text copy
    int x3, y3;
};
void plako_render(const DrawCommand *cmd);
void plako_fill_canvas(void);

// ---- palette.cpp ----
int plako_check_colour(int colour);
COLORREF palette_colour(int colour);   // colour must be 0..23
const char *palette_name(int colour);  // colour must be 0..23

#endif
