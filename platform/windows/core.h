// What the window core's modules (window, paint, message, timer, menu, menubar) offer each other.
// Only the window core includes this file; backends and the test API see host.h alone.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host.h"
#include "kernel.h"
#include "surface.h"

namespace plat {

// Classic non-client metrics shared by the window geometry and the menu bar.
constexpr int MENU_BAR_HEIGHT = 20;  // the menu bar, SM_CYMENU

// ---- window.cpp ----
Surface window_client_surface(HWND w);  // empty when w is not a live window
void window_pixels_changed(HWND w);     // the window's content must be presented again
HBRUSH window_class_brush(HWND w);      // the class background brush, or null
std::vector<HWND> window_all();         // live windows in creation order
void window_present_all();              // shows every changed visible window through the host
void window_resize_content(HWND w, int content_w, int content_h);  // the host resized w
void window_menus_changed();              // some menu changed: windows with menus repaint their bar
void window_set_focus_from_host(HWND w);  // the host says w got the keyboard focus
// Screen position of a client pixel of w (for MSG::pt); (0, 0) for a bad window.
POINT window_client_to_screen(HWND w, int x, int y);

// ---- paint.cpp ----
HWND paint_pending(HWND filter);  // the first visible window (matching filter) with an invalid region
void paint_forget(HWND w);        // w is going away
bool paint_is_invalid(HWND w);

// ---- message.cpp ----
bool queue_ready();         // a message can be retrieved now without new input
void queue_forget(HWND w);  // drops the messages queued for w, which is going away

// ---- timer.cpp ----
uint64_t clock_now();                // the host clock in ms, widened past 32-bit wraps
bool timer_next_due(uint64_t *due);  // the earliest due time of any timer
// The due timer for filter (null: any window) with the earliest due time, as a WM_TIMER message;
// with remove, its next due time becomes now + period (ticks that were due meanwhile merge).
bool timer_take(HWND filter, bool thread_only, bool remove, MSG *out);
bool timer_proc_valid(HWND w, UINT_PTR id, LPARAM proc);  // (w, id) is a live timer with that proc
void timer_kill_window(HWND w);

// ---- menu.cpp: the menu model (CreateMenu, AppendMenuA, CheckMenuItem, ...) ----
// Flags of the first item with command id (searched through the popups), or -1.
int menu_state_by_command(HMENU m, UINT id);

struct MenuItem {
    UINT flags = 0;    // MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_POPUP, MF_SEPARATOR
    UINT_PTR id = 0;   // command id, or the HMENU of a popup
    std::string text;  // as appended: '&' marks the mnemonic, '\t' starts the accelerator text
};
const std::vector<MenuItem> *menu_items(HMENU m);  // null when m is not a live menu
HMENU menu_popup_of(const MenuItem &item);         // the popup of an MF_POPUP item, else null

// ---- menubar.cpp: the menu bar's picture and its mouse and keyboard handling ----
int menubar_height(HWND w);  // pixels above the client area: 20 when w has a menu, else 0
// Draws the bar, and the open popup (over the client pixels), into the window's content frame.
void menubar_paint(HWND w, Surface frame);
// Offered every host event for w before it becomes a message; 1 when the menu took it
// (a click on the bar, any input while a popup is open).
int menubar_event(HWND w, const HostEvent &ev);
// From DefWindowProcA: WM_SYSKEYDOWN/WM_SYSKEYUP with VK_MENU or VK_F10, WM_SYSCHAR (Alt+letter).
void menubar_key(HWND w, UINT msg, WPARAM wparam);
int menubar_is_open(HWND w);
void menubar_forget(HWND w);   // w's menu was replaced or w is going away: its layout is stale
void menubar_menus_changed();  // some menu's items changed: every kept layout is stale

}  // namespace plat
