// What the software GDI offers the window core: pixel surfaces, DCs that draw on a window's client
// area or on a surface, and solid brush colours. The GDI knows nothing of windows: the window core
// tells it, once, how to find a window's pixels. Nothing outside platform/ includes this file.
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

// How a window DC reaches its window: the visible client pixels (empty when the window is hidden
// or gone) and the news that they changed and must be presented again.
struct WindowSurfaces {
    Surface (*client)(HWND w);
    void (*changed)(HWND w);
};
void gdi_set_window_surfaces(const WindowSurfaces &ws);  // by the window core, before any window DC

HDC dc_for_window(HWND w);      // a new DC that draws on w's client area (GetDC, BeginPaint)
HDC dc_for_surface(Surface s);  // a new DC that draws on s (the menu bar's picture)
bool dc_is_window_dc(HDC dc);   // a live DC from dc_for_window
void dc_free(HDC dc);           // ReleaseDC, EndPaint
int brush_solid_colour(HBRUSH b, COLORREF *out);  // 1 and the colour for a live solid brush, else 0
// Fills the pixels of r (right and bottom edges excluded) with c, clipped to s.
void surface_fill(const Surface &s, const RECT &r, COLORREF c);

}  // namespace plat
