// What the pieces of platform/ offer each other: the window core, the software GDI and
// the object registry. Nothing outside platform/ includes this file.
#pragma once
#include <windows.h>

#include <cstdint>

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

}  // namespace plat
