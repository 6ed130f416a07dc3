// What the window core's modules (window, paint, message, timer, menu, memory) offer each other
// and the headless host. Nothing outside platform/ includes this file.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "internal.h"

namespace plat {

// ---- handle.cpp: handle values that never collide with heap objects ----
// A fresh handle value, not currently live as a window, menu or memory block; null when none is left.
void *handle_new();

// ---- window.cpp ----
HBRUSH window_class_brush(HWND w);        // the class background brush, or null
std::vector<HWND> window_all();            // live windows in creation order
void window_present_all();                 // shows every changed visible window through the host
void window_resize_content(HWND w, int content_w, int content_h);  // the host resized w
void window_menus_changed();               // some menu changed: windows with menus repaint their bar
void window_set_focus_from_host(HWND w);   // the host says w got the keyboard focus
// Screen position of a client pixel of w (for MSG::pt); (0, 0) for a bad window.
POINT window_client_to_screen(HWND w, int x, int y);

// ---- paint.cpp ----
HWND paint_pending(HWND filter);  // the first visible window (matching filter) with an invalid region
void paint_forget(HWND w);        // w is going away
bool paint_is_invalid(HWND w);

// ---- message.cpp ----
bool queue_ready();                // a message can be retrieved now without new input
void queue_command(HWND w, UINT id);  // a menu choice, queued in input order as WM_COMMAND
void queue_forget(HWND w);         // drops the messages queued for w, which is going away

// ---- timer.cpp ----
uint64_t clock_now();                          // the host clock in ms, widened past 32-bit wraps
bool timer_next_due(uint64_t *due);            // the earliest due time of any timer
// The due timer for filter (null: any window) with the earliest due time, as a WM_TIMER message;
// with remove, its next due time becomes now + period (ticks that were due meanwhile merge).
bool timer_take(HWND filter, bool thread_only, bool remove, MSG *out);
bool timer_proc_valid(HWND w, UINT_PTR id, LPARAM proc);  // (w, id) is a live timer with that proc
void timer_kill_window(HWND w);

// ---- menu.cpp ----
// Flags of the first item with command id (searched through the popups), or -1.
int menu_state_by_command(HMENU m, UINT id);

}  // namespace plat
