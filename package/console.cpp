// The console: a scrolling log window for every message meant for the user, and the ring of the
// last 25 lines from which it repaints.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "internal.h"
#include "replay.h"
#include "text_encoding.h"

namespace {

const int ring_slots = 25;

// The ConsoleRing. Kept lines are slots head, head + 1, ... (cyclically), `used` of them; when
// used == ring_slots the ring is full and head == next_free. Each slot owns a movable block of
// exactly length + 1 bytes, or is null when its block could not be had.
struct ConsoleState {
    HGLOBAL slots[ring_slots];
    int head;       // slot of the oldest kept line
    int next_free;  // slot that receives the next line
    int used;       // lines kept, 0..25
};
ConsoleState state;

int next_slot(int slot) { return slot == ring_slots - 1 ? 0 : slot + 1; }

// Stores a copy of text in a new block of its own; null when no usable block could be had.
HGLOBAL copy_to_block(const char *text, size_t n) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, n + 1);
    if (!block) return NULL;
    char *p = (char *)GlobalLock(block);
    if (!p) {
        GlobalFree(block);  // a block we cannot fill would be read back as garbage
        return NULL;
    }
    memcpy(p, text, n + 1);
    GlobalUnlock(block);
    return block;
}

// Appends one line to the ring, displacing the oldest when the ring is full.
void ring_append(const char *text) {
    if (state.used == ring_slots) {
        if (state.slots[state.head]) GlobalFree(state.slots[state.head]);
        state.slots[state.head] = NULL;
        state.head = next_slot(state.head);
        state.used--;
    }
    state.slots[state.next_free] = copy_to_block(text, strlen(text));
    state.next_free = next_slot(state.next_free);
    state.used++;
}

// Draws a kept line through the scroll-and-draw step; a lost block still takes its row.
void draw_slot(int slot) {
    HGLOBAL block = state.slots[slot];
    const char *text = block ? (const char *)GlobalLock(block) : NULL;
    console_draw_line(text ? text : "");
    if (text) GlobalUnlock(block);
}

// WM_PAINT: every kept line again, oldest first, so the newest ends in the bottom row.
void repaint(HWND hwnd) {
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    int slot = state.head;
    for (int drawn = 0; drawn < state.used; drawn++) {
        draw_slot(slot);
        slot = next_slot(slot);
    }
    EndPaint(hwnd, &ps);
}

}  // namespace

// Formats a line (cut at 1023 characters), keeps it in the ring and draws it at the console's
// bottom. Returns what the formatting produced: the untruncated length, or negative on an
// encoding error (then an empty line is kept) or a null format (then a line saying so).
int plako_console_printf(const char *format, ...) {
    char buf[PLAKO_TEXT_BUFFER];
    va_list args;
    va_start(args, format);
    int produced = plako_vformat(buf, format, args);
    va_end(args);
    // A null format would make an empty line that says nothing: the line says what happened.
    if (!format) snprintf(buf, sizeof buf, "plako_console_printf: the format is a null pointer\n");
    const ReplayHooks *hooks = replay_hooks();
    if (hooks != nullptr && hooks->console_line != nullptr) hooks->console_line(hooks->ctx, buf);
    ring_append(buf);
    console_draw_line(buf);
    // The debugger sees every line too (off Windows: the terminal that started the program).
    OutputDebugStringA(buf);
    if (buf[0] == '\0' || buf[strlen(buf) - 1] != '\n') OutputDebugStringA("\n");
    text_note_lossy(buf);
    return produced;
}

int plako_vformat(char (&buf)[PLAKO_TEXT_BUFFER], const char *format, va_list args) {
    int produced = format ? vsnprintf(buf, sizeof buf, format, args) : -1;
    if (produced < 0) buf[0] = '\0';  // the buffer's content is undefined after a failure
    return produced;
}

// Shows (non-zero) or hides the console; returns whether it was visible before.
int plako_show_console(int show) {
    HWND console = window_console();
    if (!console) return 0;
    return ShowWindow(console, show ? SW_SHOW : SW_HIDE);
}

// Scrolls the console up by one text line and draws text in the freed bottom row, without its
// one trailing newline. Does nothing before the console exists.
void console_draw_line(const char *text) {
    HWND console = window_console();
    if (!console) return;  // lines written before start are kept and appear at the first repaint
    HDC dc = GetDC(console);
    if (!dc) return;
    HGDIOBJ old_font = SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
    TEXTMETRICA tm = {};
    GetTextMetricsA(dc, &tm);
    int line_height = plako_saturate((long long)tm.tmHeight + tm.tmExternalLeading);

    ScrollDC(dc, 0, -line_height, NULL, NULL, NULL, NULL);

    // ScrollDC leaves the uncovered strip as it was: clear it in the DC's background colour.
    // With the null pen the rectangle stops short of its right and bottom edges, hence bottom + 1.
    RECT rc = {};
    GetClientRect(console, &rc);
    int top = plako_saturate((long long)rc.bottom - line_height);
    HBRUSH strip = CreateSolidBrush(GetBkColor(dc));
    HGDIOBJ old_brush = SelectObject(dc, strip);
    HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
    Rectangle(dc, rc.left, top, rc.right, plako_saturate((long long)rc.bottom + 1));
    SelectObject(dc, old_pen);
    SelectObject(dc, old_brush);
    DeleteObject(strip);

    size_t n = strlen(text);
    if (n > 0 && text[n - 1] == '\n') n--;  // only one: a second newline is drawn as a character
    char line[PLAKO_TEXT_BUFFER];           // the console's lines are formatted texts: UTF-8 drawn as such
    if (n < sizeof line) {
        memcpy(line, text, n);
        n = text_to_code_page(line, n);
        text = line;
    }
    TextOutA(dc, plako_saturate((long long)rc.left + 5), top, text, (int)(n > 0x7fffffff ? 0x7fffffff : n));

    SelectObject(dc, old_font);
    ReleaseDC(console, dc);
}

// The console window's procedure: repaints from the ring and hands key presses to the graphics
// window, so typing and the accelerators work while the console has the focus.
LRESULT CALLBACK console_wnd_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_PAINT:
            repaint(hwnd);
            return 0;
        case WM_KEYDOWN:
        case WM_KEYUP:
            // The key-up too, so Ctrl released here still ends the graphics window's Ctrl state.
            PostMessageA(window_graphics(), msg, wparam, lparam);
            return 0;
        default:
            return DefWindowProcA(hwnd, msg, wparam, lparam);
    }
}

int console_line(int i, char *out, int cap) {
    if (i < 0 || i >= state.used) return -1;
    int slot = (int)(((long long)state.head + i) % ring_slots);
    HGLOBAL block = state.slots[slot];
    const char *text = block ? (const char *)GlobalLock(block) : NULL;
    size_t n = text ? strlen(text) : 0;
    if (out && cap > 0) {
        size_t k = n < (size_t)cap - 1 ? n : (size_t)cap - 1;
        if (k) memcpy(out, text, k);
        out[k] = '\0';
    }
    if (text) GlobalUnlock(block);
    return (int)n;
}
