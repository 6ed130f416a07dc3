// What the pieces of the software GDI offer each other: the objects (gdi_object.cpp), the DC
// (dc.cpp), the one pixel writer (raster.cpp) and the fonts (text.cpp).
#pragma once
#include <cstdint>
#include <vector>

#include "kernel.h"
#include "surface.h"

namespace plat {

// ---- gdi_object.cpp: pens, brushes, bitmaps, fonts ----
struct GdiObj {
    ObjKind kind = OBJ_PEN;
    int stock = 0;     // stock objects are never freed and never counted
    int selected = 0;  // how many DCs hold it selected
};
struct Pen : GdiObj {
    int style = PS_SOLID;  // PS_SOLID or PS_NULL
    int width = 1;         // >= 1
    COLORREF colour = 0;
};
struct Brush : GdiObj {
    int hollow = 0;
    COLORREF colour = 0;
};
struct Bitmap : GdiObj {
    int w = 0, h = 0;
    std::vector<uint32_t> px;  // 0x00RRGGBB, w*h, row by row
};
struct Font : GdiObj {
    int height = 0;  // as asked: < 0 character height, > 0 cell height, 0 default
    int width = 0;   // average character width asked for, 0: the face's own proportions
    int weight = 0;
    int italic = 0;
    int pitch_family = 0;
    int quality = DEFAULT_QUALITY;
    char face[32] = {};  // as asked; text.cpp resolves it to a font file and a size on use
};

// The live pen/brush/bitmap/font behind a handle (stock objects included), or null.
GdiObj *gdi_lookup(HGDIOBJ h);
Pen *gdi_pen(HGDIOBJ h);
Brush *gdi_brush(HGDIOBJ h);
Bitmap *gdi_bitmap(HGDIOBJ h);
Font *gdi_font(HGDIOBJ h);
Bitmap *gdi_default_bitmap();  // the 1x1 bitmap a memory DC starts with
Font *gdi_default_font();      // the font a DC starts with

// ---- dc.cpp ----
struct Dc {
    enum Kind { MEMORY, WINDOW, SURFACE } kind = MEMORY;
    HWND hwnd = nullptr;       // WINDOW
    Surface surface;           // SURFACE
    Bitmap *bitmap = nullptr;  // MEMORY
    Pen *pen = nullptr;
    Brush *brush = nullptr;
    Font *font = nullptr;
    COLORREF text_colour = 0;
    COLORREF bk_colour = 0xffffff;
    int bk_mode = OPAQUE;
    POINT pos = {0, 0};
};
Dc *dc_lookup(HDC hdc);      // the live DC behind hdc, or null
Surface dc_surface(Dc *dc);  // where dc draws now (empty: draw nothing)
void dc_changed(Dc *dc);     // after drawing: a window DC's window must be presented again

// ---- raster.cpp: clipping to the surface and the one writer of pixels ----
// Pixels x0..x1 (inclusive) of row y, in 64-bit device coordinates.
void raster_fill(const Surface &s, int64_t x0, int64_t x1, int64_t y, uint32_t rgb);
void raster_pixel(const Surface &s, int64_t x, int64_t y, uint32_t rgb);
// A glyph mask of w by h levels (16 = the colour, 0 and 1 = untouched, between = blended by the
// glyph curve) with its top-left corner at (x, y), clipped once to the surface.
void raster_mask(const Surface &s, int64_t x, int64_t y, const uint8_t *level, int w, int h, uint32_t rgb);
// Copies the w by h block at (sx, sy) of src to (dx, dy) of dst, the part of it that comes from
// inside src and lands inside dst; false when that is nothing. The surfaces may be one and the
// blocks may overlap.
bool raster_copy(const Surface &dst, int64_t dx, int64_t dy, const Surface &src, int64_t sx, int64_t sy,
                 int64_t w, int64_t h);

}  // namespace plat
