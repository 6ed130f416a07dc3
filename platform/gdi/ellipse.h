// What shapes.cpp and ellipse.cpp lend each other: spans, boxes, the pen and brush of a drawing
// call, clipping to visible rows; the pen's dot, an ellipse (ellipse.cpp), which wide lines and
// rectangles stamp; the band of a wide line and the convex fill (shapes.cpp), which the
// ellipse's wide pens reuse over their diagonal steps.
#pragma once
#include <algorithm>
#include <cstdint>
#include <memory>

#include "gdi.h"

namespace plat {
namespace shape {

typedef __int128 i128;
typedef unsigned __int128 u128;

// The pen and brush of a DC resolved for one drawing call.
struct Tools {
    Surface s;
    bool pen = false;
    uint32_t pen_rgb = 0;
    int64_t pen_w = 1;
    bool brush = false;
    uint32_t brush_rgb = 0;
};

inline Tools tools_of(Dc *dc) {
    Tools t;
    t.s = dc_surface(dc);
    t.pen = dc->pen->style != PS_NULL;
    t.pen_rgb = rgb_from_colorref(dc->pen->colour);
    t.pen_w = dc->pen->width;
    t.brush = !dc->brush->hollow;
    t.brush_rgb = rgb_from_colorref(dc->brush->colour);
    return t;
}

// A row span that may be empty (a > b).
struct Run {
    int64_t a = 1, b = 0;
    bool empty() const { return a > b; }
};

// A box of pixels: columns l..l+w-1, rows t..t+h-1 (w, h >= 1).
struct Box {
    int64_t l, t, w, h;
};

struct Point64 {
    int64_t x, y;
};

inline void fill_run(const Surface &s, const Run &r, int64_t y, uint32_t rgb) {
    if (!r.empty()) raster_fill(s, r.a, r.b, y, rgb);
}

// Visible rows of [top, bottom]: the rows of the surface inside it.
inline bool visible_rows(const Surface &s, int64_t top, int64_t bottom, int64_t *y0, int64_t *y1) {
    *y0 = std::max<int64_t>(top, 0);
    *y1 = std::min<int64_t>(bottom, int64_t(s.h) - 1);
    return s.px && *y0 <= *y1;
}

// ---- shapes.cpp ----
// The band of a wide line from (x0, y0) to (x1, y1), neither horizontal nor vertical, as four
// corners (see shapes.cpp).
void wide_band(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t w, Point64 (&q)[4]);
// Fills a convex polygon of at most 8 corners, the same pixels as Polygon's fill.
void fill_convex(const Surface &s, const Point64 *pts, size_t n, uint32_t rgb);

// ---- ellipse.cpp ----
class EllipseRows;

// The dot of a pen of width w >= 2: the ellipse of a w by w box placed at -floor(w/2). The rows
// of a dot of a common width are worked out once, those of a huge one as they are asked for.
class Dot {
   public:
    const int64_t w, lo, hi;  // rows lo..hi relative to the centre pixel
    explicit Dot(int64_t width);
    ~Dot();
    // The dot's pixels of row dy, relative to the centre pixel.
    Run row(int64_t dy) const {
        if (dy < lo || dy > hi) return Run();
        return huge ? huge_row(dy) : Run{row_a[dy - lo], row_b[dy - lo]};
    }
    // The widest row among dy in [a, b] (the dot narrows away from its middle).
    int64_t widest(int64_t a, int64_t b) const {
        a = std::max(a, lo);
        b = std::min(b, hi);
        if (a > b) return lo - 1;
        int64_t mid = (lo + hi) / 2;  // for even w the two middle rows are equal
        if (mid < a) return a;
        if (mid > b) return b;
        return mid;
    }

   private:
    static constexpr int64_t KEPT_MAX = 64;    // widest dot whose rows are kept
    int64_t row_a[KEPT_MAX], row_b[KEPT_MAX];  // the kept rows' runs (rows lo..hi only)
    std::unique_ptr<const EllipseRows> huge;   // a wider dot's rows, asked for one by one
    Run huge_row(int64_t dy) const;
};

}  // namespace shape
}  // namespace plat
