// Shapes as spans: Rectangle, Ellipse, Polygon, MoveToEx/LineTo with 1-pixel and wide pens.
// Every shape is clipped to the surface's rows before it is iterated, and all geometry is
// 64-bit (128-bit where two coordinates multiply), so any int32 argument is safe and the work
// is bounded by the visible rows, never by the shape's extent.
#include <algorithm>
#include <cmath>
#include <vector>

#include "gdi.h"

namespace plat {
namespace {

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

Tools tools_of(Dc *dc) {
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

// ---- ellipse geometry ----
// In doubled coordinates about the centre of a box of (W+1) by (H+1) pixels, pixel offsets are
// u = 2i - W and v = 2j - H. A pixel belongs to the ellipse when the curve sampled at its column
// reaches its row, or the curve sampled at its row reaches its column, each sample rounded to the
// nearest pixel with exact halves towards the centre:
//   column test: H*sqrt(1 - u^2/W^2) > |v| - 1,   row test: W*sqrt(1 - v^2/H^2) > |u| - 1.
// Both tests hold for small |u|, so a row is one run |u| <= max(U_col, U_row).

// Largest u with u = W (mod 2), 0 <= u <= W and test(u), starting from the estimate est.
template <class Test>
int64_t largest_u(int64_t W, double est, Test test) {
    int64_t u = est < 0 ? -1 : est > double(W) ? W : int64_t(est);
    if (u >= 0 && ((u ^ W) & 1)) u--;
    while (u + 2 <= W && test(u + 2)) u += 2;
    while (u >= 0 && !test(u)) u -= 2;
    return u < 0 ? -1 : u;
}

// The half extent |u| of row |v| = av of the ellipse W, H (doubled units), or -1 when empty.
// Below 2^32 the tests are exact in 128-bit integers from a floating-point estimate; beyond, the
// estimate in long double decides.
int64_t ellipse_half(int64_t W, int64_t H, int64_t av) {
    if (av > H) return -1;
    const bool exact = W < (int64_t(1) << 32) && H < (int64_t(1) << 32);
    // bound(a) = W * sqrt(H^2 - a^2) / H
    auto bound = [&](int64_t a) -> long double {
        if (exact) {
            double rest = double(H) * double(H) - double(a) * double(a);
            return (long double)(double(W) * std::sqrt(rest > 0 ? rest : 0) / double(H));
        }
        long double rest = (long double)H * H - (long double)a * a;
        return (long double)W * std::sqrt(rest > 0 ? rest : 0) / H;
    };
    const u128 H2 = u128(uint64_t(H)) * uint64_t(H);
    int64_t ucol;
    if (av == 0) {
        ucol = W;
    } else {  // u < W * sqrt(H^2 - (|v|-1)^2) / H
        long double b = bound(av - 1);
        u128 K = exact ? u128(uint64_t(W)) * uint64_t(W) * (H2 - u128(uint64_t(av - 1)) * uint64_t(av - 1)) : 0;
        ucol = largest_u(W, double(std::ceil(b)) - 1, [&](int64_t u) {
            if (!exact) return (long double)u < b;
            return u128(uint64_t(u)) * uint64_t(u) * H2 < K;
        });
    }
    int64_t urow;
    if (W == 0 || H == 0) {
        urow = (W & 1) ? -1 : 0;
    } else {  // u - 1 < W * sqrt(H^2 - v^2) / H
        long double b = bound(av);
        u128 M = exact ? u128(uint64_t(W)) * uint64_t(W) * (H2 - u128(uint64_t(av)) * uint64_t(av)) : 0;
        urow = largest_u(W, double(std::ceil(b)), [&](int64_t u) {
            if (u == 0) return true;
            if (!exact) return (long double)(u - 1) < b;
            return u128(uint64_t(u - 1)) * uint64_t(u - 1) * H2 < M;
        });
    }
    return std::max(ucol, urow);
}

// A box of pixels: columns l..l+w-1, rows t..t+h-1 (w, h >= 1).
struct Box {
    int64_t l, t, w, h;
};

// The run of row y of the ellipse filling box b; boxes one or two pixels thin are filled whole,
// so that the outline always reaches the box's four sides.
Run ellipse_row(const Box &b, int64_t y) {
    Run r;
    if (y < b.t || y >= b.t + b.h) return r;
    if (b.w <= 2 || b.h <= 2) return {b.l, b.l + b.w - 1};
    int64_t W = b.w - 1, H = b.h - 1;
    int64_t v = 2 * (y - b.t) - H;
    int64_t half = ellipse_half(W, H, v < 0 ? -v : v);
    if (half < 0) return r;
    return {b.l + (W - half) / 2, b.l + (W + half) / 2};
}

// ---- pen dots ----
// The dot of a pen of width w >= 2 is the ellipse of a w by w box placed at -floor(w/2).
struct Dot {
    int64_t w, lo, hi;  // rows lo..hi relative to the centre pixel
    explicit Dot(int64_t width) : w(width), lo(-(width / 2)), hi(width - width / 2 - 1) {}
    Run row(int64_t dy) const {
        Box b = {lo, lo, w, w};
        return ellipse_row(b, dy);
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
};

void fill_run(const Surface &s, const Run &r, int64_t y, uint32_t rgb) {
    if (!r.empty()) raster_fill(s, r.a, r.b, y, rgb);
}

// Visible rows of [top, bottom]: the rows of the surface inside it.
bool visible_rows(const Surface &s, int64_t top, int64_t bottom, int64_t *y0, int64_t *y1) {
    *y0 = std::max<int64_t>(top, 0);
    *y1 = std::min<int64_t>(bottom, int64_t(s.h) - 1);
    return s.px && *y0 <= *y1;
}

// The pen's dot stamped at every pixel of a horizontal or vertical segment, ends included.
void stamp_hv(const Surface &s, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t w, uint32_t rgb) {
    Dot d(w);
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

// ---- polygons ----
// Pixel (x, y) is inside when ymin <= y < ymax and xl(y) <= x < xr(y) for the exact edge
// crossings at y (the top-left rule), crossings paired left to right (ALTERNATE).
struct Point64 {
    int64_t x, y;
};

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
        if (a.y < b.y) down[nd++] = {a.x, a.y, b.x, b.y, 0, 0, 0, 0};
        else up[nu++] = {b.x, b.y, a.x, a.y, 0, 0, 0, 0};
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
        if (xmajor) raster_pixel(s, m, n, rgb);
        else raster_pixel(s, n, m, rgb);
    }
}

// A wide line: horizontal and vertical ones are the dot stamped along them. Others are a band
// with round caps (a dot at each end): the band's corners are the ends moved across the line by
// the pen's extent split into whole pixels, the narrower half to the left of the line as it runs
// rightwards and the wider half to its right.
void line_wide(const Surface &s, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t w, uint32_t rgb) {
    if (!s.px) return;
    if (x0 == x1 || y0 == y1) {
        stamp_hv(s, x0, y0, x1, y1, w, rgb);
        return;
    }
    // Skip bands that cannot reach the surface.
    int64_t reach = w + 2;
    if (std::max(x0, x1) + reach < 0 || std::min(x0, x1) - reach >= s.w || std::max(y0, y1) + reach < 0 ||
        std::min(y0, y1) - reach >= s.h)
        return;
    stamp_hv(s, x0, y0, x0, y0, w, rgb);
    stamp_hv(s, x1, y1, x1, y1, w, rgb);
    if (x1 < x0) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    double dx = double(x1 - x0), dy = double(y1 - y0);
    double len = std::sqrt(dx * dx + dy * dy);
    double wx = double(w) * std::fabs(dy) / len, wy = double(w) * std::fabs(dx) / len;  // the pen across the line
    auto half = [](double v) { return int64_t(std::floor(v / 2 + 0.5)); };
    int64_t nx = half(wx), ny = half(wy), fx = half(wx + 1), fy = half(wy + 1);
    int64_t sy = dy > 0 ? 1 : -1;
    int64_t ax = -nx, ay = sy * ny, bx = fx, by = -sy * fy;  // the two sides' offsets
    const Point64 q[4] = {{x0 + ax, y0 + ay}, {x1 + ax, y1 + ay}, {x1 + bx, y1 + by}, {x0 + bx, y0 + by}};
    fill_convex(s, q, 4, rgb);
}

void line_with_pen(const Tools &t, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    if (!t.pen) return;
    if (t.pen_w <= 1) line_thin(t.s, x0, y0, x1, y1, t.pen_rgb);
    else line_wide(t.s, x0, y0, x1, y1, t.pen_w, t.pen_rgb);
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
    Dot d(t.pen_w);
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

// ---- ellipses ----
// The outline of row y of the ellipse of box b: the row's pixels with a 4-neighbour outside the
// ellipse, as one or two runs, and the inside between them.
struct RingRow {
    Run runs[2];
    int n = 0;
    Run inside;
    bool has(int64_t x) const {
        for (int i = 0; i < n; i++)
            if (x >= runs[i].a && x <= runs[i].b) return true;
        return false;
    }
};

// The outline of a row from the ellipse's runs on it and on the rows above and below.
RingRow ring_of(const Run &up, const Run &row, const Run &down) {
    RingRow rr;
    if (row.empty()) return rr;
    Run in = {std::max({row.a + 1, up.a, down.a}), std::min({row.b - 1, up.b, down.b})};
    if (up.empty() || down.empty() || in.empty()) {
        rr.runs[0] = row;
        rr.n = 1;
        return rr;
    }
    rr.runs[0] = {row.a, in.a - 1};
    rr.runs[1] = {in.b + 1, row.b};
    rr.n = 2;
    rr.inside = in;
    return rr;
}

// The outline runs of rows first..last of the ellipse of box b, each row's run computed once.
std::vector<RingRow> ring_rows(const Box &b, int64_t first, int64_t last) {
    std::vector<RingRow> out;
    if (first > last) return out;
    out.reserve(size_t(last - first + 1));
    Run up = ellipse_row(b, first - 1), row = ellipse_row(b, first);
    for (int64_t y = first; y <= last; y++) {
        Run down = ellipse_row(b, y + 1);
        out.push_back(ring_of(up, row, down));
        up = row;
        row = down;
    }
    return out;
}

// The run of row y inside a convex quadrilateral with integer corners (top-left rule).
Run quad_run(const int64_t (&q)[4][2], int64_t y) {
    int64_t xs[4];
    int n = 0;
    for (int i = 0; i < 4; i++) {
        const int64_t *a = q[i], *b = q[(i + 1) % 4];
        if (a[1] == b[1]) continue;
        if (a[1] > b[1]) std::swap(a, b);
        if (y < a[1] || y >= b[1]) continue;
        xs[n++] = a[0] + ceil_div(i128(y - a[1]) * (b[0] - a[0]), b[1] - a[1]);
    }
    if (n < 2) return Run();
    // Only the outermost crossings matter: the quadrilateral is convex.
    int64_t lo = xs[0], hi = xs[0];
    for (int i = 1; i < n; i++) {
        lo = std::min(lo, xs[i]);
        hi = std::max(hi, xs[i]);
    }
    return {lo, hi - 1};
}

// Widest pen drawn along the outline pixel by pixel; wider pens use the band between two ellipses.
constexpr int64_t PATH_PEN_MAX = 32;

// A wide pen along the 1-pixel outline: the pen's dot on every outline pixel, and the band of a
// wide diagonal line between outline pixels that touch only at a corner; the brush fills the
// ellipse first.
void ellipse_path_pen(const Tools &t, const Box &box) {
    const Surface &s = t.s;
    Dot d(t.pen_w);
    int64_t y0, y1;
    if (!visible_rows(s, box.t + d.lo, box.t + box.h - 1 + d.hi, &y0, &y1)) return;
    int64_t m = t.pen_w + 3;  // how far (in rows) an outline pixel's pen reaches
    int64_t ra = std::max(box.t, y0 - m), rb = std::min(box.t + box.h - 1, y1 + m);
    if (ra > rb) return;
    std::vector<RingRow> ring = ring_rows(box, ra, rb);
    auto at = [&](int64_t y) { return (y < ra || y > rb) ? nullptr : &ring[size_t(y - ra)]; };
    std::vector<Run> dot_rows;
    for (int64_t dy = d.lo; dy <= d.hi; dy++) dot_rows.push_back(d.row(dy));
    // Bands between corner-touching outline pixels of rows y and y+1, by the upper row.
    struct Band {
        int64_t y;
        int64_t q[4][2];
    };
    std::vector<Band> bands;
    double wd = double(t.pen_w) / std::sqrt(2.0);
    int64_t n = int64_t(std::floor(wd / 2 + 0.5)), f = int64_t(std::floor((wd + 1) / 2 + 0.5));
    for (int64_t y = ra; y < rb; y++) {
        const RingRow &r = *at(y), &below = *at(y + 1);
        for (int i = 0; i < r.n; i++)
            for (int j = 0; j < below.n; j++) {
                const Run &R = r.runs[i], &S = below.runs[j];
                int64_t x0 = 0, xb = 0;
                bool link = false;
                if (S.a == R.b + 1 && !r.has(R.b + 1) && !below.has(R.b)) x0 = R.b, xb = R.b + 1, link = true;
                if (S.b == R.a - 1 && !r.has(R.a - 1) && !below.has(R.a)) x0 = R.a, xb = R.a - 1, link = true;
                if (!link) continue;
                // The band of the unit diagonal from the left pixel to the right one.
                int64_t lx = std::min(x0, xb), ly = lx == x0 ? y : y + 1;
                int64_t rx = lx + 1, ry = lx == x0 ? y + 1 : y;
                int64_t sy = ry > ly ? 1 : -1;
                Band band = {y, {{lx - n, ly + sy * n}, {rx - n, ry + sy * n}, {rx + f, ry - sy * f}, {lx + f, ly - sy * f}}};
                bands.push_back(band);
            }
    }
    size_t first = 0;  // bands are in row order: skip those that end above the current row
    for (int64_t y = y0; y <= y1; y++) {
        if (t.brush) fill_run(s, ellipse_row(box, y), y, t.brush_rgb);
        for (int64_t dy = d.lo; dy <= d.hi; dy++) {
            const RingRow *r = at(y - dy);
            const Run &dr = dot_rows[size_t(dy - d.lo)];
            if (!r || dr.empty()) continue;
            for (int i = 0; i < r->n; i++) raster_fill(s, r->runs[i].a + dr.a, r->runs[i].b + dr.b, y, t.pen_rgb);
        }
        while (first < bands.size() && bands[first].y < y - m) first++;
        for (size_t i = first; i < bands.size() && bands[i].y <= y + m; i++)
            fill_run(s, quad_run(bands[i].q, y), y, t.pen_rgb);
    }
}

// Ellipse with a 1-pixel pen: the outline pixels in the pen, the inside in the brush.
// Wider pens run along that outline; very wide ones paint the band between the ellipses of the
// outline's outer and inner edges.
void ellipse(const Tools &t, int64_t l, int64_t tp, int64_t r, int64_t b) {
    const Surface &s = t.s;
    if (l > r) std::swap(l, r);
    if (tp > b) std::swap(tp, b);
    int64_t w = r - l, h = b - tp;
    if (w == 0 || h == 0 || !s.px) return;
    int64_t y0, y1;
    Box box = {l, tp, w, h};
    if (!t.pen) {
        if (!t.brush || w < 2 || h < 2) return;
        if (w == 2 && h == 2) {  // the smallest ellipse without a pen is its top-left pixel
            raster_pixel(s, l, tp, t.brush_rgb);
            return;
        }
        if (!visible_rows(s, tp, b - 1, &y0, &y1)) return;
        for (int64_t y = y0; y <= y1; y++) fill_run(s, ellipse_row(box, y), y, t.brush_rgb);
        return;
    }
    if (t.pen_w <= 1) {
        if (w == 1 && h == 1) return;
        if (!visible_rows(s, tp, b - 1, &y0, &y1)) return;
        if (t.brush && t.brush_rgb == t.pen_rgb) {
            // Edge and inside in one colour (every filled circle): together they are the ellipse's
            // rows, and the lower half mirrors the upper one, so each run is computed once.
            std::vector<Run> rows(size_t(y1 - y0 + 1));
            for (int64_t y = y0; y <= y1; y++) {
                int64_t mirror = 2 * tp + h - 1 - y;
                Run r = (mirror >= y0 && mirror < y) ? rows[size_t(mirror - y0)] : ellipse_row(box, y);
                rows[size_t(y - y0)] = r;
                fill_run(s, r, y, t.pen_rgb);
            }
            return;
        }
        std::vector<RingRow> ring = ring_rows(box, y0, y1);
        for (int64_t y = y0; y <= y1; y++) {
            const RingRow &rr = ring[size_t(y - y0)];
            for (int i = 0; i < rr.n; i++) fill_run(s, rr.runs[i], y, t.pen_rgb);
            if (t.brush && rr.n == 2) fill_run(s, rr.inside, y, t.brush_rgb);
        }
        return;
    }
    if (t.pen_w <= PATH_PEN_MAX) {
        ellipse_path_pen(t, box);
        return;
    }
    Dot d(t.pen_w);
    Box outer = {l + d.lo, tp + d.lo, w - 1 + t.pen_w, h - 1 + t.pen_w};
    Box inner = {l + d.hi + 1, tp + d.hi + 1, w - 1 - t.pen_w, h - 1 - t.pen_w};
    bool has_inner = inner.w > 0 && inner.h > 0;
    if (!visible_rows(s, outer.t, outer.t + outer.h - 1, &y0, &y1)) return;
    for (int64_t y = y0; y <= y1; y++) {
        Run o = ellipse_row(outer, y);
        Run in = has_inner ? ellipse_row(inner, y) : Run();
        if (in.empty()) {
            fill_run(s, o, y, t.pen_rgb);
            continue;
        }
        raster_fill(s, o.a, in.a - 1, y, t.pen_rgb);
        raster_fill(s, in.b + 1, o.b, y, t.pen_rgb);
        if (t.brush) raster_fill(s, in.a, in.b, y, t.brush_rgb);
    }
}

}  // namespace
}  // namespace plat

using namespace plat;

BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    Dc *dc = dc_lookup(hdc);
    if (!dc) return FALSE;
    rectangle(tools_of(dc), left, top, right, bottom);
    dc_changed(dc);
    return TRUE;
}

BOOL WINAPI Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    Dc *dc = dc_lookup(hdc);
    if (!dc) return FALSE;
    ellipse(tools_of(dc), left, top, right, bottom);
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
