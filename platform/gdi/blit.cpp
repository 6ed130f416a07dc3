// Moving pixels between and within DCs: BitBlt, ScrollDC, and single pixels: GetPixel, SetPixel.
#include <algorithm>

#include "gdi.h"

namespace plat {
namespace {

struct Box {
    int64_t l, t, r, b;  // right and bottom exclusive
};

Box intersect(Box a, Box b) {
    Box o = {std::max(a.l, b.l), std::max(a.t, b.t), std::min(a.r, b.r), std::min(a.b, b.b)};
    if (o.l >= o.r || o.t >= o.b) o = {0, 0, 0, 0};
    return o;
}

bool empty(const Box &b) { return b.l >= b.r || b.t >= b.b; }

Box from_rect(const RECT &r) {
    return {std::min<int64_t>(r.left, r.right), std::min<int64_t>(r.top, r.bottom),
            std::max<int64_t>(r.left, r.right), std::max<int64_t>(r.top, r.bottom)};
}

}  // namespace
}  // namespace plat

using namespace plat;

// SRCCOPY of a cx by cy block, clipped to both bitmaps; other raster operations are refused.
BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    Dc *dd = dc_lookup(hdc), *sd = dc_lookup(hdcSrc);
    if (!dd || !sd || rop != SRCCOPY) return FALSE;
    if (cx <= 0 || cy <= 0) return TRUE;
    if (raster_copy(dc_surface(dd), x, y, dc_surface(sd), x1, y1, cx, cy)) dc_changed(dd);
    return TRUE;
}

// Moves the pixels of the scroll rectangle (default: the whole surface) by (dx, dy), writing only
// inside the clip rectangle (default: the surface); the uncovered part keeps its pixels and its
// bounding box is reported in lprcUpdate. Update regions are not supported.
BOOL WINAPI ScrollDC(HDC hDC, int dx, int dy, const RECT *lprcScroll, const RECT *lprcClip, HRGN hrgnUpdate,
                     LPRECT lprcUpdate) {
    (void)hrgnUpdate;
    Dc *dc = dc_lookup(hDC);
    if (!dc) return FALSE;
    Surface s = dc_surface(dc);
    Box all = {0, 0, s.px ? s.w : 0, s.px ? s.h : 0};
    Box clip = lprcClip ? intersect(from_rect(*lprcClip), all) : all;
    Box src = lprcScroll ? from_rect(*lprcScroll) : all;
    if (lprcClip) src = intersect(src, clip);
    Box moved = {src.l + dx, src.t + dy, src.r + dx, src.b + dy};
    Box dst = intersect(moved, clip);
    // Only what came from inside the surface moves; the rest of dst keeps its pixels.
    Box from = intersect({dst.l - dx, dst.t - dy, dst.r - dx, dst.b - dy}, all);
    Box to = {from.l + dx, from.t + dy, from.r + dx, from.b + dy};
    if (!empty(from) && raster_copy(s, to.l, to.t, s, from.l, from.t, to.r - to.l, to.b - to.t))
        dc_changed(dc);
    if (lprcUpdate) {
        // The part of the scrolled area (within the clip) that nothing moved into.
        Box area = intersect(src, clip);
        Box upd = area;
        if (!empty(dst) && dst.l <= area.l && dst.r >= area.r) {
            if (dst.t <= area.t)
                upd.t = std::max(area.t, dst.b);
            else if (dst.b >= area.b)
                upd.b = std::min(area.b, dst.t);
        } else if (!empty(dst) && dst.t <= area.t && dst.b >= area.b) {
            if (dst.l <= area.l)
                upd.l = std::max(area.l, dst.r);
            else if (dst.r >= area.r)
                upd.r = std::min(area.r, dst.l);
        }
        if (empty(upd)) upd = {0, 0, 0, 0};
        *lprcUpdate = {LONG(upd.l), LONG(upd.t), LONG(upd.r), LONG(upd.b)};
    }
    return TRUE;
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
    Dc *dc = dc_lookup(hdc);
    if (!dc) return CLR_INVALID;
    Surface s = dc_surface(dc);
    if (!s.px || x < 0 || y < 0 || x >= s.w || y >= s.h) return CLR_INVALID;
    return colorref_from_rgb(s.px[size_t(y) * size_t(s.stride) + size_t(x)] & 0xffffff);
}

// Copies scan lines of a bitmap as 32-bit words; scan line 0 is the bottom row unless biHeight is
// negative, as in Windows. Returns the lines copied, 0 for anything but 32-bit BI_RGB.
int WINAPI GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, LPBITMAPINFO lpbmi,
                     UINT usage) {
    Bitmap *bm = gdi_bitmap(hbm);
    if (!dc_lookup(hdc) || !bm || !lpbmi || usage != DIB_RGB_COLORS) return 0;
    BITMAPINFOHEADER &h = lpbmi->bmiHeader;
    if (h.biBitCount == 0) {  // asks for the bitmap's size and format only
        h.biWidth = bm->w;
        h.biHeight = bm->h;
        h.biPlanes = 1;
        h.biBitCount = 32;
        h.biCompression = BI_RGB;
        h.biSizeImage = (DWORD)bm->w * (DWORD)bm->h * 4;
        return bm->h;
    }
    if (h.biBitCount != 32 || h.biCompression != BI_RGB || h.biWidth != bm->w) return 0;
    bool top_down = h.biHeight < 0;
    int64_t rows = top_down ? -(int64_t)h.biHeight : h.biHeight;
    if (rows != bm->h || start >= (UINT)bm->h) return 0;
    UINT lines = std::min<UINT>(cLines, (UINT)bm->h - start);
    if (!lpvBits) return (int)lines;
    uint32_t *out = (uint32_t *)lpvBits;
    for (UINT i = 0; i < lines; i++) {
        UINT scan = start + i;
        int src_row = top_down ? (int)scan : bm->h - 1 - (int)scan;
        const uint32_t *src = bm->px.data() + (size_t)src_row * (size_t)bm->w;
        std::copy(src, src + bm->w, out + (size_t)i * (size_t)bm->w);
    }
    return (int)lines;
}

// Paints one pixel; returns the colour painted, or CLR_INVALID off the bitmap.
COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
    Dc *dc = dc_lookup(hdc);
    if (!dc) return CLR_INVALID;
    Surface s = dc_surface(dc);
    if (!s.px || x < 0 || y < 0 || x >= s.w || y >= s.h) return CLR_INVALID;
    raster_pixel(s, x, y, rgb_from_colorref(color));
    dc_changed(dc);
    return color & 0xffffff;
}
