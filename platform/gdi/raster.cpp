// The one writer of pixels: clips spans, pixels, glyph masks and copied blocks to the surface and
// writes them.
#include <algorithm>
#include <cstring>

#include "gdi.h"

namespace plat {

void raster_fill(const Surface &s, int64_t x0, int64_t x1, int64_t y, uint32_t rgb) {
    if (!s.px || y < 0 || y >= s.h) return;
    if (x0 < 0) x0 = 0;
    if (x1 >= s.w) x1 = s.w - 1;
    if (x0 > x1) return;
    uint32_t *p = s.px + size_t(y) * size_t(s.stride) + size_t(x0);
    size_t n = size_t(x1 - x0 + 1), i = 0;
    // Eight pixels per store pair: a plain element loop is left scalar at -O2, and this is the
    // hottest loop of a frame.
    const uint32_t pattern[8] = {rgb, rgb, rgb, rgb, rgb, rgb, rgb, rgb};
    for (; i + 8 <= n; i += 8) std::memcpy(p + i, pattern, sizeof pattern);
    for (; i < n; i++) p[i] = rgb;
}

void raster_pixel(const Surface &s, int64_t x, int64_t y, uint32_t rgb) {
    if (!s.px || x < 0 || y < 0 || x >= s.w || y >= s.h) return;
    s.px[size_t(y) * size_t(s.stride) + size_t(x)] = rgb;
}

namespace {

// How far a glyph pixel of level g (of 16) moves a channel from the ink towards the lighter side:
// the reference GDI's curve, measured from its pictures; level 1 paints nothing.
const int GLYPH_RAMP[17] = {0, 77, 104, 124, 140, 154, 167, 178, 189, 199, 208, 217, 225, 233, 240, 248, 255};

// One channel of a glyph pixel: level g gives the ink t a range, lo..hi, that the destination's
// 0..255 is mapped into; the lighter of ink and destination keeps the stronger share.
int glyph_channel(int t, int d, int g) {
    if (d > t) return t + (d - t) * ((255 - t) * GLYPH_RAMP[16 - g] / 255) / (255 - t);
    if (d < t) return t - (t - d) * (t - t * GLYPH_RAMP[g] / 255) / t;
    return t;
}

}  // namespace

void raster_mask(const Surface &s, int64_t x, int64_t y, const uint8_t *level, int w, int h, uint32_t rgb) {
    if (!s.px || !level || w <= 0 || h <= 0) return;
    int64_t c0 = std::max<int64_t>(0, -x), c1 = std::min<int64_t>(w, int64_t(s.w) - x);
    int64_t r0 = std::max<int64_t>(0, -y), r1 = std::min<int64_t>(h, int64_t(s.h) - y);
    for (int64_t r = r0; r < r1; r++) {
        const uint8_t *m = level + size_t(r) * size_t(w);
        uint32_t *row = s.px + size_t(y + r) * size_t(s.stride);
        for (int64_t c = c0; c < c1; c++) {
            int g = m[c];
            if (g >= 16) {
                row[x + c] = rgb;
            } else if (g >= 2) {
                uint32_t d = row[x + c], out = 0;
                for (int sh = 0; sh <= 16; sh += 8)
                    out |= uint32_t(glyph_channel(int((rgb >> sh) & 0xff), int((d >> sh) & 0xff), g)) << sh;
                row[x + c] = out;
            }
        }
    }
}

bool raster_copy(const Surface &dst, int64_t dx, int64_t dy, const Surface &src, int64_t sx, int64_t sy,
                 int64_t w, int64_t h) {
    if (!dst.px || !src.px || w <= 0 || h <= 0) return false;
    // The offsets i, j of the block that land inside dst and come from inside src.
    int64_t i0 = std::max<int64_t>({0, -dx, -sx}), i1 = std::min<int64_t>({w, dst.w - dx, src.w - sx});
    int64_t j0 = std::max<int64_t>({0, -dy, -sy}), j1 = std::min<int64_t>({h, dst.h - dy, src.h - sy});
    if (i0 >= i1 || j0 >= j1) return false;
    dx += i0, sx += i0, w = i1 - i0;
    dy += j0, sy += j0, h = j1 - j0;
    // Overlap on one surface: copy rows bottom-up when moving down, memmove handles the columns.
    bool upward = src.px == dst.px && dy > sy;
    for (int64_t i = 0; i < h; i++) {
        int64_t row = upward ? h - 1 - i : i;
        uint32_t *d = dst.px + size_t(dy + row) * size_t(dst.stride) + size_t(dx);
        const uint32_t *s = src.px + size_t(sy + row) * size_t(src.stride) + size_t(sx);
        std::memmove(d, s, size_t(w) * sizeof *d);
    }
    return true;
}

void surface_fill(const Surface &s, const RECT &r, COLORREF c) {
    for (int64_t y = r.top; y < r.bottom; ++y)
        raster_fill(s, r.left, (int64_t)r.right - 1, y, rgb_from_colorref(c));
}

}  // namespace plat
