// Shapes as spans: Rectangle, Polygon, MoveToEx/LineTo with 1-pixel and wide pens; Ellipse, and
// the pen's dot that wide pens stamp, are in ellipse.cpp. Every shape is clipped to the surface's
// rows before it is iterated, and all geometry is 64-bit (128-bit where two coordinates multiply),
// so any int32 argument is safe and the work is bounded by the visible rows, never by the shape's
// extent.
#include <algorithm>
#include <cmath>
#include <vector>

#include "ellipse.h"

namespace plat {
namespace shape {
namespace {

int64_t ceil_div(i128 n, i128 d) {  // d > 0
    const i128 lim = i128(1) << 62;
    if (n > -lim && n < lim && d < lim) {  // the common case, without 128-bit division
        int64_t n64 = int64_t(n), d64 = int64_t(d), q = n64 / d64;
        return (n64 % d64 != 0 && n64 > 0) ? q + 1 : q;
    }
    i128 q = n / d;
    if ((n % d != 0) && (n > 0)) q++;
    return int64_t(q);
}

// ---- polygons ----
// Pixel (x, y) is inside when ymin <= y < ymax and xl(y) <= x < xr(y) for the exact edge
// crossings at y (the top-left rule), crossings paired left to right (ALTERNATE).

// One edge of a y-monotone chain, stepping its exact crossing row by row: q = ceil(num / dy) with
// num = x0*dy + (y - y0)*dx, kept as num = q*dy - r, 0 <= r < dy, and dx = a*dy + b, 0 <= b < dy.
// One division per edge, not one per row.
struct EdgeWalk {
    int64_t x0, y0, x1, y1;  // y0 < y1
    int64_t q, r, a, b;
    void start(int64_t y) {
        int64_t dy = y1 - y0, dx = x1 - x0;
        i128 num = i128(x0) * dy + i128(y - y0) * dx;
        q = ceil_div(num, dy);
        r = int64_t(i128(q) * dy - num);
        a = dx >= 0 ? dx / dy : -ceil_div(-dx, dy);
        b = dx - a * dy;
    }
    void step() {
        q += a;
        r -= b;
        if (r < 0) {
            q++;
            r += y1 - y0;
        }
    }
};

}  // namespace

// A convex polygon (a triangle, a wide line's band): every row crosses one edge of the chain that
// runs down and one of the chain that runs up, so a row needs no sorting. Same pixels as the
// general fill below.
void fill_convex(const Surface &s, const Point64 *pts, size_t n, uint32_t rgb) {
    EdgeWalk down[8], up[8];
    if (n > 8) return;  // callers pass triangles and quadrilaterals
    size_t nd = 0, nu = 0;
    int64_t ymin = INT64_MAX, ymax = INT64_MIN;
    for (size_t i = 0; i < n; i++) {
        Point64 a = pts[i], b = pts[(i + 1) % n];
        if (a.y == b.y) continue;
        if (a.y < b.y)
            down[nd++] = {a.x, a.y, b.x, b.y, 0, 0, 0, 0};
        else
            up[nu++] = {b.x, b.y, a.x, a.y, 0, 0, 0, 0};
        ymin = std::min(ymin, std::min(a.y, b.y));
        ymax = std::max(ymax, std::max(a.y, b.y));
    }
    if (nd == 0 || nu == 0) return;
    int64_t r0, r1;
    if (!visible_rows(s, ymin, ymax - 1, &r0, &r1)) return;
    // A handful of edges each: insertion sort by their top row.
    auto sort_by_top = [](EdgeWalk *e, size_t k) {
        for (size_t i = 1; i < k; i++)
            for (size_t j = i; j > 0 && e[j].y0 < e[j - 1].y0; j--) std::swap(e[j], e[j - 1]);
    };
    sort_by_top(down, nd);
    sort_by_top(up, nu);
    size_t id = 0, iu = 0;
    bool fresh_d = true, fresh_u = true;
    for (int64_t y = r0; y <= r1; y++) {
        while (id < nd && down[id].y1 <= y) id++, fresh_d = true;
        while (iu < nu && up[iu].y1 <= y) iu++, fresh_u = true;
        if (id == nd || iu == nu) return;
        EdgeWalk &d = down[id], &u = up[iu];
        if (d.y0 > y || u.y0 > y) continue;  // cannot happen for a convex polygon; harmless
        if (fresh_d) d.start(y), fresh_d = false;
        if (fresh_u) u.start(y), fresh_u = false;
        int64_t a = std::min(d.q, u.q), b = std::max(d.q, u.q);
        if (a < b) raster_fill(s, a, b - 1, y, rgb);
        d.step();
        u.step();
    }
}

namespace {

void fill_polygon(const Surface &s, const std::vector<Point64> &pts, uint32_t rgb) {
    size_t n = pts.size();
    if (n < 3 || !s.px) return;
    typedef EdgeWalk Edge;
    // The buffers keep their capacity from call to call: a frame fills hundreds of small polygons.
    static std::vector<Edge> edges;
    static std::vector<size_t> active;
    static std::vector<int64_t> xs;
    edges.clear();
    active.clear();
    int64_t ymin = INT64_MAX, ymax = INT64_MIN;
    for (size_t i = 0; i < n; i++) {
        Point64 a = pts[i], b = pts[(i + 1) % n];
        if (a.y == b.y) continue;
        if (a.y > b.y) std::swap(a, b);
        edges.push_back({a.x, a.y, b.x, b.y, 0, 0, 0, 0});
        ymin = std::min(ymin, a.y);
        ymax = std::max(ymax, b.y);
    }
    if (edges.empty()) return;
    int64_t r0, r1;
    if (!visible_rows(s, ymin, ymax - 1, &r0, &r1)) return;
    std::sort(edges.begin(), edges.end(), [](const Edge &a, const Edge &b) { return a.y0 < b.y0; });
    size_t next = 0;
    for (int64_t y = r0; y <= r1; y++) {
        while (next < edges.size() && edges[next].y0 <= y) {
            edges[next].start(y);  // the first pixel column at or right of the crossing, from here on
            active.push_back(next++);
        }
        xs.clear();
        size_t keep = 0;
        for (size_t k = 0; k < active.size(); k++) {
            Edge &e = edges[active[k]];
            if (e.y1 <= y) continue;  // ended above this row
            active[keep++] = active[k];
            xs.push_back(e.q);
            e.step();
        }
        active.resize(keep);
        if (xs.size() == 2) {  // every row of a triangle or a convex quadrilateral
            int64_t a = std::min(xs[0], xs[1]), b = std::max(xs[0], xs[1]);
            if (a < b) raster_fill(s, a, b - 1, y, rgb);
            continue;
        }
        std::sort(xs.begin(), xs.end());
        for (size_t k = 0; k + 1 < xs.size(); k += 2)
            if (xs[k] < xs[k + 1]) raster_fill(s, xs[k], xs[k + 1] - 1, y, rgb);
    }
}

// ---- lines ----
// A 1-pixel line: the start pixel painted, the end not; one pixel per step on the major axis,
// the minor coordinate the exact value rounded to nearest with halves to the smaller coordinate.
void line_thin(const Surface &s, int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t rgb) {
    if (!s.px) return;
    int64_t dx = x1 - x0, dy = y1 - y0;
    int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    if (adx == 0 && ady == 0) return;
    bool xmajor = adx >= ady;
    int64_t major_len = xmajor ? adx : ady;
    int64_t step = (xmajor ? dx : dy) < 0 ? -1 : 1;
    int64_t m0 = xmajor ? x0 : y0, n0 = xmajor ? y0 : x0;
    int64_t dn = xmajor ? dy : dx;  // minor change over major_len steps
    int64_t mlimit = xmajor ? s.w : s.h;
    // Steps k = 0 .. major_len-1 at major coordinate m0 + step*k; keep those inside the surface.
    int64_t ka, kb;
    if (step > 0) {
        ka = std::max<int64_t>(0, -m0);
        kb = std::min<int64_t>(major_len - 1, mlimit - 1 - m0);
    } else {
        ka = std::max<int64_t>(0, m0 - (mlimit - 1));
        kb = std::min<int64_t>(major_len - 1, m0);
    }
    for (int64_t k = ka; k <= kb; k++) {
        // minor = n0 + round_half_down(k*dn/major_len) = n0 + ceil((2*k*dn - len) / (2*len))
        int64_t n = n0 + ceil_div(i128(2) * k * dn - major_len, i128(2) * major_len);
        int64_t m = m0 + step * k;
        if (xmajor)
            raster_pixel(s, m, n, rgb);
        else
            raster_pixel(s, n, m, rgb);
    }
}

}  // namespace

// The band of a wide line from (x0, y0) to (x1, y1), neither horizontal nor vertical: its corners
// are the ends moved across the line by the pen's extent split into whole pixels, the narrower
// half to the left of the line as it runs rightwards and the wider half to its right.
void wide_band(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t w, Point64 (&q)[4]) {
    if (x1 < x0) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    double dx = double(x1 - x0), dy = double(y1 - y0);
    double len = std::sqrt(dx * dx + dy * dy);
    double wx = double(w) * std::fabs(dy) / len,
           wy = double(w) * std::fabs(dx) / len;  // the pen across the line
    auto half = [](double v) { return int64_t(std::floor(v / 2 + 0.5)); };
    int64_t nx = half(wx), ny = half(wy), fx = half(wx + 1), fy = half(wy + 1);
    int64_t sy = dy > 0 ? 1 : -1;
    int64_t ax = -nx, ay = sy * ny, bx = fx, by = -sy * fy;  // the two sides' offsets
    q[0] = {x0 + ax, y0 + ay};
    q[1] = {x1 + ax, y1 + ay};
    q[2] = {x1 + bx, y1 + by};
    q[3] = {x0 + bx, y0 + by};
}

namespace {

// The pen's dot stamped at every pixel of a horizontal or vertical segment, ends included.
void stamp_hv(const Surface &s, int64_t x0, int64_t y0, int64_t x1, int64_t y1, const Dot &d, uint32_t rgb) {
    int64_t xa = std::min(x0, x1), xb = std::max(x0, x1);
    int64_t ya = std::min(y0, y1), yb = std::max(y0, y1);
    int64_t r0, r1;
    if (!visible_rows(s, ya + d.lo, yb + d.hi, &r0, &r1)) return;
    for (int64_t y = r0; y <= r1; y++) {
        // Dots centred on rows ya..yb reach row y with their rows y-yb .. y-ya.
        int64_t dy = d.widest(y - yb, y - ya);
        Run r = d.row(dy);
        if (r.empty()) continue;
        raster_fill(s, xa + r.a, xb + r.b, y, rgb);
    }
}

// A wide line: horizontal and vertical ones are the dot stamped along them. Others are the band
// with round caps (a dot at each end).
void line_wide(const Surface &s, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t w, uint32_t rgb) {
    if (!s.px) return;
    const Dot d(w);
    if (x0 == x1 || y0 == y1) {
        stamp_hv(s, x0, y0, x1, y1, d, rgb);
        return;
    }
    // Skip bands that cannot reach the surface.
    int64_t reach = w + 2;
    if (std::max(x0, x1) + reach < 0 || std::min(x0, x1) - reach >= s.w || std::max(y0, y1) + reach < 0 ||
        std::min(y0, y1) - reach >= s.h)
        return;
    stamp_hv(s, x0, y0, x0, y0, d, rgb);
    stamp_hv(s, x1, y1, x1, y1, d, rgb);
    Point64 q[4];
    wide_band(x0, y0, x1, y1, w, q);
    fill_convex(s, q, 4, rgb);
}

void line_with_pen(const Tools &t, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    if (!t.pen) return;
    if (t.pen_w <= 1)
        line_thin(t.s, x0, y0, x1, y1, t.pen_rgb);
    else
        line_wide(t.s, x0, y0, x1, y1, t.pen_w, t.pen_rgb);
}

// ---- rectangles ----
void rectangle(const Tools &t, int64_t l, int64_t tp, int64_t r, int64_t b) {
    const Surface &s = t.s;
    if (l > r) std::swap(l, r);
    if (tp > b) std::swap(tp, b);
    if (l == r || tp == b || !s.px) return;
    int64_t y0, y1;
    if (!t.pen) {
        // Without a pen the brush covers the rectangle less its right column and bottom row.
        if (t.brush && visible_rows(s, tp, b - 2, &y0, &y1))
            for (int64_t y = y0; y <= y1; y++) raster_fill(s, l, r - 2, y, t.brush_rgb);
        return;
    }
    if (t.pen_w <= 1) {
        if (r - l == 1 && b - tp == 1) return;
        if (!visible_rows(s, tp, b - 1, &y0, &y1)) return;
        for (int64_t y = y0; y <= y1; y++) {
            if (y == tp || y == b - 1) {
                raster_fill(s, l, r - 1, y, t.pen_rgb);
                continue;
            }
            raster_pixel(s, l, y, t.pen_rgb);
            raster_pixel(s, r - 1, y, t.pen_rgb);
            if (t.brush) raster_fill(s, l + 1, r - 2, y, t.brush_rgb);
        }
        return;
    }
    // Wide pen: the dot runs along the path through the pixel centres (l,t)..(r-1,b-1).
    const Dot d(t.pen_w);
    int64_t R = r - 1, B = b - 1;
    if (t.brush && visible_rows(s, tp + d.hi + 1, B + d.lo - 1, &y0, &y1))
        for (int64_t y = y0; y <= y1; y++) raster_fill(s, l + d.hi + 1, R + d.lo - 1, y, t.brush_rgb);
    if (!visible_rows(s, tp + d.lo, B + d.hi, &y0, &y1)) return;
    for (int64_t y = y0; y <= y1; y++) {
        Run top = d.row(y - tp), bottom = d.row(y - B);
        if (!top.empty()) raster_fill(s, l + top.a, R + top.b, y, t.pen_rgb);
        if (!bottom.empty()) raster_fill(s, l + bottom.a, R + bottom.b, y, t.pen_rgb);
        Run side = d.row(d.widest(y - B, y - tp));
        if (side.empty()) continue;
        raster_fill(s, l + side.a, l + side.b, y, t.pen_rgb);
        raster_fill(s, R + side.a, R + side.b, y, t.pen_rgb);
    }
}

}  // namespace
}  // namespace shape
}  // namespace plat

using namespace plat;
using namespace plat::shape;

BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    Dc *dc = dc_lookup(hdc);
    if (!dc) return FALSE;
    rectangle(tools_of(dc), left, top, right, bottom);
    dc_changed(dc);
    return TRUE;
}

// Fills the polygon (ALTERNATE) with the brush, then draws its closed outline with the pen.
BOOL WINAPI Polygon(HDC hdc, const POINT *apt, int cpt) {
    Dc *dc = dc_lookup(hdc);
    if (!dc || !apt || cpt < 2) return FALSE;
    Tools t = tools_of(dc);
    if (t.brush) {
        if (cpt == 3) {  // a triangle is always convex
            const Point64 tri[3] = {{apt[0].x, apt[0].y}, {apt[1].x, apt[1].y}, {apt[2].x, apt[2].y}};
            fill_convex(t.s, tri, 3, t.brush_rgb);
        } else {
            std::vector<Point64> pts(static_cast<size_t>(cpt));
            for (int i = 0; i < cpt; i++) pts[size_t(i)] = {apt[i].x, apt[i].y};
            fill_polygon(t.s, pts, t.brush_rgb);
        }
    }
    if (t.pen) {
        for (int i = 0; i < cpt; i++) {
            const POINT &a = apt[i], &b = apt[(i + 1) % cpt];
            line_with_pen(t, a.x, a.y, b.x, b.y);
        }
    }
    dc_changed(dc);
    return TRUE;
}

// Draws from the current position to (x, y) with the pen and moves the current position there.
BOOL WINAPI LineTo(HDC hdc, int x, int y) {
    Dc *dc = dc_lookup(hdc);
    if (!dc) return FALSE;
    Tools t = tools_of(dc);
    line_with_pen(t, dc->pos.x, dc->pos.y, x, y);
    dc->pos.x = x;
    dc->pos.y = y;
    dc_changed(dc);
    return TRUE;
}
