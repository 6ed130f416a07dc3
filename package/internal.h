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
// Draws cmd on dc with canvas point (0, 0) at device pixel (origin_x, origin_y); text is the text
// of a SHAPE_TEXT command (null: nothing to draw). Marks nothing as changed.
void render_call(HDC dc, int origin_x, int origin_y, const DrawCommand *cmd, const char *text);
// The extent of the text of cmd (a SHAPE_TEXT) as one run, measured on dc: its height is the line
// height draw_text uses, its width at least that of its widest line.
SIZE render_text_extent(HDC dc, const DrawCommand *cmd, const char *text);
void plako_fill_canvas(void);

// ---- scene.cpp: the drawing calls behind the canvas's pixels, since the last erase (or the last
// filled rectangle over the whole client area, which hides all before it) ----
// Kept for looking at the canvas (the inspector, the description): the newest calls, at most
// SCENE_MAX_CALLS of them and SCENE_MAX_TEXT bytes of text; older ones are dropped and counted.
#define SCENE_MAX_CALLS 10000
#define SCENE_MAX_TEXT (8L << 20)
void scene_erase(void);
void scene_add(const DrawCommand *cmd);  // after it was drawn; a text's block is copied
int scene_count(void);
long scene_dropped(void);  // calls dropped since the last erase to keep within the bounds
// The i-th kept call (0 = the oldest kept) and its text ("" for shapes); null when i is out of range.
const DrawCommand *scene_call(int i, const char **text);
// Whether kept call i paints the canvas bitmap's pixel (px, py) when drawn alone.
int scene_paints(int i, int px, int py);
// The kept calls that paint bitmap pixel (px, py), topmost first, at most max of them; their count.
int scene_calls_at(int px, int py, int *out, int max);
unsigned long scene_version(void);  // changes whenever a call is kept or the canvas erased

// ---- describe.cpp: the canvas in words, from the kept calls ----
// One call in words, e.g. "red circle at (0, 0), radius 50", into out (cut to cap - 1 bytes,
// never inside a character). UTF-8: text_to_code_page gives it in the code page for drawing.
void describe_call(const DrawCommand *cmd, const char *text, char *out, size_t cap);
void describe_print(void);  // the key: the description to the console, a line each

// ---- overlay.cpp: the grid, the mouse's coordinates and the call under it, over the window ----
void inspector_toggle(void);  // the key
int inspector_on(void);
void inspector_mouse(int px, int py);  // the mouse moved to client pixel (px, py) while on
void inspector_paint(HDC window_dc);   // drawn over the window after the canvas was copied there

// ---- picture.cpp: the canvas as a PNG file ----
void picture_save(void);  // the key: a new PNG file in the current folder, named on the console
// The canvas as the window shows it, row by row as 0x00RRGGBB, into out (w * h values, the
// client area's size); 0 before plako_start.
int picture_pixels(unsigned int *out, int w, int h);

// ---- palette.cpp ----
int plako_check_colour(int colour);
COLORREF palette_colour(int colour);   // colour must be 0..23
const char *palette_name(int colour);  // colour must be 0..23

#endif
