// What the pieces of platform/ offer each other: the window core, the software GDI and
// the object registry. Nothing outside platform/ includes this file.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host.h"

namespace plat {

// A block of pixels, 0x00RRGGBB, stride in pixels. An empty surface has px == nullptr.
struct Surface {
    uint32_t *px = nullptr;
    int w = 0, h = 0, stride = 0;
};

inline uint32_t rgb_from_colorref(COLORREF c) {
    return ((c & 0xffu) << 16) | (c & 0xff00u) | ((c >> 16) & 0xffu);
}
inline COLORREF colorref_from_rgb(uint32_t p) {
    return ((p >> 16) & 0xffu) | (p & 0xff00u) | ((p & 0xffu) << 16);
}

// ---- objects.cpp: every object a program can leak is registered and counted ----
enum ObjKind { OBJ_PEN, OBJ_BRUSH, OBJ_FONT, OBJ_BITMAP, OBJ_DC, OBJ_GLOBAL, OBJ_WINDOW, OBJ_MENU, OBJ_KIND_COUNT };
void obj_register(const void *p, ObjKind k);
bool obj_unregister(const void *p, ObjKind k);  // false when p is not a live object of kind k
bool obj_alive(const void *p, ObjKind k);
int obj_count(ObjKind k);

// ---- window core (window.cpp) for the GDI ----
Surface window_client_surface(HWND w);  // empty when w is not a live window
void window_pixels_changed(HWND w);     // the window's content must be presented again

// ---- GDI (dc.cpp) for the window core ----
HDC dc_for_window(HWND w);     // a new DC that draws on w's client area (GetDC, BeginPaint)
HDC dc_for_surface(Surface s);  // a new DC that draws on s (the menu bar's picture)
void dc_free(HDC dc);           // ReleaseDC, EndPaint
int brush_solid_colour(HBRUSH b, COLORREF *out);  // 1 and the colour for a live solid brush, else 0

// ---- menu.cpp: the menu model (CreateMenu, AppendMenuA, CheckMenuItem, ...) ----
struct MenuItem {
    UINT flags = 0;      // MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_POPUP, MF_SEPARATOR
    UINT_PTR id = 0;     // command id, or the HMENU of a popup
    std::string text;    // as appended: '&' marks the mnemonic, '\t' starts the accelerator text
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

}  // namespace plat
