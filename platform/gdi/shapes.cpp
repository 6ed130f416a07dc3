// Shapes as spans: Rectangle, Ellipse, Polygon, MoveToEx/LineTo with 1-pixel and wide pens.
// Every shape is clipped to the surface's rows before it is iterated, and all geometry is
// 64-bit (128-bit where two coordinates multiply), so any int32 argument is safe and the work
// is bounded by the visible rows, never by the shape's extent.
#include <algorithm>
#include <cmath>
#include <optional>
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
// The ellipse of a box of a+1 by b+1 pixels (a >= 2) as the reference draws it, read from its
// pictures: the outline is a walk around a quadrant, mirrored into the other three. In doubled
// coordinates about the box's centre, pixel offsets u = 2i - a and v = 2j - b (the extreme pixels
// at u = +-a, v = +-b), with F(u, v) = b^2 u^2 + a^2 v^2 - a^2 b^2, the walk starts at the right
// end of the middle row, (a, b & 1), and from each pixel (u, v) steps
//   outwards to the next row, v += 2, when F(u - 2, v + 1) <= -A, and
//   inwards to the next column, u -= 2, when F(u - 1, v + 2) >= -B,
// both at once when both hold, until u passes the centre. A = a^2 and B = b^2, except that for an
// odd b the reference starts its error term with an a^2 held in a 32-bit int that wraps: in effect
// A = a^2 + d and B = b^2 + d with d = wrapped(a^2) - a^2, which moves the outline of a very wide
// and flat ellipse out by a few pixels (a over 46340; a nearly round one hardly notices). The walk
// can end below the box's last row: a thin ellipse loses its tips. The ellipse's row v is every
// pixel with |u| <= P(v), the outermost column the walk visits on it, and P obeys
//   P(b & 1) = a,   P(v) = clamp(row(v), hi - 2, hi),   hi = min(P(v - 2), column(v) + 2),
// row(v) = the largest u with F(u - 1, v) < -B, column(v) = the largest u with F(u, v - 1) <= -A
// (u of a's parity; a row past the walk's end gets P < a & 1, and so do the rows after it).
// So a row needs no walk from the middle: where row(v) >= column(v), or where the row below surely
// reaches column(v) + 2, P(v) follows from row(v) and column(v) alone, and elsewhere it leans on
// the row below, which is nearly always of that kind (in every box up to 260 by 260 and in samples
// of larger ones, no row needs more than two others). Past the last row whose row test holds, P
// drops by two a row at least: the walk ends a few rows further. Every test is exact in 128-bit
// integers for any box of int32 coordinates, from a floating-point estimate.

u128 square(int64_t x) {
    uint64_t m = uint64_t(x < 0 ? -x : x);
    return u128(m) * m;
}

// The largest t in 0..cap with m t^2 < n (strict) or m t^2 <= n, or -1; m > 0; from est, about
// sqrt(n / m).
int64_t largest_root(u128 n, u128 m, bool strict, int64_t cap, double est) {
    auto fits = [&](int64_t t) { return strict ? m * square(t) < n : m * square(t) <= n; };
    int64_t t = !(est > 0) ? 0 : est >= double(cap) ? cap : int64_t(est);
    while (t < cap && fits(t + 1)) t++;
    while (t >= 0 && !fits(t)) t--;
    return t;
}

// n - k when that is positive, else 0 (n below 2^128 - 2^98, |k| below 2^66).
u128 minus(u128 n, i128 k) {
    if (k < 0) return n + u128(-k);
    return n > u128(k) ? n - u128(k) : 0;
}

struct Oval {
    const int64_t a, b, par, v0;  // a >= 2, b >= 0; par: the innermost column, v0: the middle row
    const u128 aa, bb;
    i128 ta, tb;              // A and B
    double a2, ta_b2, tb_b2;  // for estimates: a^2, A / b^2, B / b^2
    int64_t vu;               // the first row whose row test fails at the innermost columns (b + 2: none)

    Oval(int64_t a_, int64_t b_) : a(a_), b(b_), par(a_ & 1), v0(b_ & 1), aa(square(a_)), bb(square(b_)) {
        ta = i128(aa);
        if (b & 1) ta = int32_t(uint32_t(uint64_t(aa)));
        tb = i128(bb) + (ta - i128(aa));
        a2 = double(a) * double(a);
        ta_b2 = b ? double(ta) / (double(b) * double(b)) : 0;
        tb_b2 = b ? double(tb) / (double(b) * double(b)) : 0;
        // The row test of column 1 (odd a: B < a^2 (b^2 - v^2)) or 2 (even a: b^2 + B < ...)
        // fails from vu on.
        const i128 k = par ? tb : i128(bb) + tb;
        int64_t lo = 0, hi = (b - v0) / 2 + 1;
        while (lo < hi) {
            int64_t mid = lo + (hi - lo) / 2, v = v0 + 2 * mid;
            if (v > b || minus(aa * (bb - square(v)), k) == 0)
                hi = mid;
            else
                lo = mid + 1;
        }
        vu = v0 + 2 * lo;
    }

    // P(v) for v0 <= v (of b's parity); below a & 1 when row v is empty.
    int64_t half(int64_t v) const {
        if (v > b) return par - 2;
        if (v < vu) return settled(v);
        int64_t w = v0, p = a;
        if (vu > v0) w = vu - 2, p = settled(w);
        while (w < v && p >= par) {
            w += 2;
            p = std::min(p - 2, column(w));
        }
        return p;
    }
    // P(v) from p = P(v - 2).
    int64_t next(int64_t p, int64_t v) const {
        if (p < par || v > b) return par - 2;
        int64_t hi = std::min(p, column(v) + 2);
        return std::max(std::min(row(v), hi), hi - 2);
    }

    // The largest u (a's parity, 1..a) with F(u - 1, v) < -B: b^2 (u-1)^2 < a^2 (b^2 - v^2) - B.
    int64_t row(int64_t v) const {
        u128 n = minus(aa * (bb - square(v)), tb);
        if (bb == 0 || n == 0) return par - 2;
        double q = double(v) / double(b);
        int64_t u = std::min(largest_root(n, bb, true, a, std::sqrt(a2 * (1 - q * q) - tb_b2)) + 1, a);
        if ((a - u) & 1) u--;
        return u >= 1 ? u : par - 2;
    }
    // The largest u (a's parity, 0..a) with F(u, v - 1) <= -A: b^2 u^2 <= a^2 (b^2 - (v-1)^2) - A.
    int64_t column(int64_t v) const {
        u128 d = square(v - 1);
        if (bb < d) return par - 2;
        u128 m = aa * (bb - d);
        if (ta >= 0 && m < u128(ta)) return par - 2;
        if (bb == 0) return a;
        double q = double(v - 1) / double(b);
        int64_t u = largest_root(minus(m, ta), bb, false, a, std::sqrt(a2 * (1 - q * q) - ta_b2));
        if ((a - u) & 1) u--;
        return u >= par ? u : par - 2;
    }
    // P(v) for v < vu, from the rows below as far as needed.
    int64_t settled(int64_t v) const {
        int64_t w = v, p = a;
        for (int n = 0; w > v0; n++) {
            int64_t r = row(w), c = column(w);
            if (r >= c) {
                p = std::min(r, c + 2);
                break;
            }
            int64_t below = w - 2 == v0 ? a : std::min(row(w - 2), column(w - 2));
            if (below >= c + 2 || n == 4096) {  // the cap is never reached in practice
                p = c;
                break;
            }
            w -= 2;
        }
        while (w < v) w += 2, p = next(p, w);
        return p;
    }
};

// A box of pixels: columns l..l+w-1, rows t..t+h-1 (w, h >= 1).
struct Box {
    int64_t l, t, w, h;
};

// The rows of the ellipse of a box that some range of rows needs: the ellipse's run of each row
// and the outline's runs, which the walk visits. Boxes one or two pixels narrow are filled whole,
// every pixel on the outline.
struct EllipseRows {
    Box bx;
    std::optional<Oval> oval;  // none for a box one or two pixels narrow
    int64_t vlo = 0;
    std::vector<int64_t> halves;  // P(vlo + 2i) for the rows asked for

    // Rows first..last (any range; those outside the box are empty).
    EllipseRows(const Box &box, int64_t first, int64_t last) : bx(box) {
        if (box.w <= 2) return;
        oval.emplace(box.w - 1, box.h - 1);
        first = std::max(first, box.t);
        last = std::min(last, box.t + box.h - 1);
        if (first > last) return;
        int64_t v_first = offset(first), v_last = offset(last);
        vlo = v_first <= 0 && v_last >= 0 ? oval->v0 : std::min(std::abs(v_first), std::abs(v_last));
        int64_t vhi = std::max(std::abs(v_first), std::abs(v_last)) + 2;  // and the row past the last
        halves.resize(size_t((vhi - vlo) / 2 + 1));
        halves[0] = oval->half(vlo);
        for (size_t i = 1; i < halves.size(); i++)
            halves[i] = oval->next(halves[i - 1], vlo + 2 * int64_t(i));
    }

    // The ellipse's pixels of row y.
    Run row(int64_t y) const {
        if (y < bx.t || y >= bx.t + bx.h) return Run();
        if (!oval) return {bx.l, bx.l + bx.w - 1};
        int64_t p = half_at(std::abs(offset(y)));
        if (p < oval->par) return Run();
        return {bx.l + (oval->a - p) / 2, bx.l + (oval->a + p) / 2};
    }

    // The outline of row y: its left and right runs (one run, left, when they meet) and the
    // pixels between them; in u, the walk visits lo..p of the row and then steps to the next row
    // outwards, diagonally when that row's p is lo - 2.
    struct Outline {
        Run left, right, inside;
        int n = 0;
        bool diagonal = false;
    };
    Outline outline(int64_t y) const {
        Outline o;
        Run all = row(y);
        if (all.empty()) return o;
        if (!oval) return o.left = all, o.n = 1, o;
        int64_t av = std::abs(offset(y)), p = half_at(av), next = half_at(av + 2), lo = oval->par;
        if (next >= oval->par) lo = next == p ? p : next + 2;
        o.diagonal = next >= oval->par && next < p;
        int64_t a = oval->a;
        o.left = {bx.l + (a - p) / 2, bx.l + (a - lo) / 2};
        o.right = {bx.l + (a + lo) / 2, bx.l + (a + p) / 2};
        o.inside = {o.left.b + 1, o.right.a - 1};
        o.n = o.left.b + 1 >= o.right.a ? 1 : 2;
        if (o.n == 1) o.left = all;
        return o;
    }

    // Whether row y is below the box's middle (its outward neighbour is y + 1) or above it (y - 1);
    // the middle row of an odd number of rows reaches out both ways.
    int outward(int64_t y) const {
        int64_t v = offset(y);
        return v > 0 ? 1 : v < 0 ? -1 : 0;
    }

    int64_t offset(int64_t y) const { return 2 * (y - bx.t) - (bx.h - 1); }
    int64_t half_at(int64_t av) const {
        size_t i = size_t((av - vlo) / 2);
        return av < vlo || i >= halves.size() ? oval->half(av) : halves[i];
    }
};

// ---- pen dots ----
// The dot of a pen of width w >= 2 is the ellipse of a w by w box placed at -floor(w/2); the rows
// of a dot of a common width are worked out once, those of a huge one as they are asked for.
struct Dot {
    const int64_t w, lo, hi;  // rows lo..hi relative to the centre pixel
    const EllipseRows e;
    explicit Dot(int64_t width)
        : w(width),
          lo(-(width / 2)),
          hi(width - width / 2 - 1),
          e({lo, lo, w, w}, lo, w <= 64 ? hi : lo - 1) {}
    Run row(int64_t dy) const { return e.row(dy); }
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

// ---- ellipses ----
// Widest pen drawn along the outline's walk; wider pens use the band between two ellipses.
constexpr int64_t PATH_PEN_MAX = 32;

// A wide pen along the outline's walk, as the reference strokes it: the pen's dot on every pixel
// the walk visits, and over every diagonal step the band of a wide line (line_wide's), in all four
// quadrants. The brush fills the ellipse first.
void ellipse_path_pen(const Tools &t, const Box &box) {
    const Surface &s = t.s;
    const Dot d(t.pen_w);
    int64_t y0, y1;
    if (!visible_rows(s, box.t + d.lo, box.t + box.h - 1 + d.hi, &y0, &y1)) return;
    const int64_t m = t.pen_w + 3;  // how far (in rows) the pen of a step reaches
    const int64_t ra = std::max(box.t, y0 - m), rb = std::min(box.t + box.h - 1, y1 + m);
    if (ra > rb) return;
    EllipseRows e(box, ra, rb);
    if (t.brush)
        for (int64_t y = y0; y <= y1; y++) fill_run(s, e.row(y), y, t.brush_rgb);
    std::vector<EllipseRows::Outline> ring;
    ring.reserve(size_t(rb - ra + 1));
    for (int64_t y = ra; y <= rb; y++) ring.push_back(e.outline(y));
    for (int64_t y = y0; y <= y1; y++) {
        for (int64_t dy = d.lo; dy <= d.hi; dy++) {
            if (y - dy < ra || y - dy > rb) continue;
            const EllipseRows::Outline &o = ring[size_t(y - dy - ra)];
            Run dr = d.row(dy);
            if (o.n == 0 || dr.empty()) continue;
            raster_fill(s, o.left.a + dr.a, o.left.b + dr.b, y, t.pen_rgb);
            if (o.n == 2) raster_fill(s, o.right.a + dr.a, o.right.b + dr.b, y, t.pen_rgb);
        }
    }
    Point64 q[4];
    for (int64_t y = ra; y <= rb; y++) {
        const EllipseRows::Outline &o = ring[size_t(y - ra)];
        if (!o.diagonal) continue;
        const int out = e.outward(y);
        for (int dir = -1; dir <= 1; dir += 2) {
            if (out != 0 && out != dir) continue;
            wide_band(o.left.b, y, o.left.b + 1, y + dir, t.pen_w, q);
            fill_convex(s, q, 4, t.pen_rgb);
            wide_band(o.right.a, y, o.right.a - 1, y + dir, t.pen_w, q);
            fill_convex(s, q, 4, t.pen_rgb);
        }
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
    const Box box = {l, tp, w, h};
    if (!t.pen) {
        // Without a pen the brush fills the ellipse; a box one or two pixels thin loses its right
        // column and bottom row, as a rectangle does.
        if (!t.brush) return;
        if (w <= 2 || h <= 2) {
            if (visible_rows(s, tp, b - 2, &y0, &y1))
                for (int64_t y = y0; y <= y1; y++) raster_fill(s, l, r - 2, y, t.brush_rgb);
            return;
        }
        if (!visible_rows(s, tp, b - 1, &y0, &y1)) return;
        EllipseRows e(box, y0, y1);
        for (int64_t y = y0; y <= y1; y++) fill_run(s, e.row(y), y, t.brush_rgb);
        return;
    }
    if (t.pen_w <= 1) {
        if (w == 1 && h == 1) return;
        if (!visible_rows(s, tp, b - 1, &y0, &y1)) return;
        EllipseRows e(box, y0, y1);
        if (t.brush && t.brush_rgb == t.pen_rgb) {  // edge and inside in one colour (every filled circle)
            for (int64_t y = y0; y <= y1; y++) fill_run(s, e.row(y), y, t.pen_rgb);
            return;
        }
        for (int64_t y = y0; y <= y1; y++) {
            EllipseRows::Outline o = e.outline(y);
            if (o.n == 0) continue;
            raster_fill(s, o.left.a, o.left.b, y, t.pen_rgb);
            if (o.n == 1) continue;
            raster_fill(s, o.right.a, o.right.b, y, t.pen_rgb);
            if (t.brush) fill_run(s, o.inside, y, t.brush_rgb);
        }
        return;
    }
    if (t.pen_w <= PATH_PEN_MAX) {
        ellipse_path_pen(t, box);
        return;
    }
    const Dot d(t.pen_w);
    const Box outer = {l + d.lo, tp + d.lo, w - 1 + t.pen_w, h - 1 + t.pen_w};
    const Box inner = {l + d.hi + 1, tp + d.hi + 1, w - 1 - t.pen_w, h - 1 - t.pen_w};
    if (!visible_rows(s, outer.t, outer.t + outer.h - 1, &y0, &y1)) return;
    EllipseRows eo(outer, y0, y1);
    std::optional<EllipseRows> ei;
    if (inner.w > 0 && inner.h > 0) ei.emplace(inner, y0, y1);
    for (int64_t y = y0; y <= y1; y++) {
        Run o = eo.row(y);
        Run in = ei ? ei->row(y) : Run();
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
