// Ellipse, and the pen's dot (a small ellipse), as the reference draws them, read from its pictures.
//
// Terms
//   box          Ellipse(l, t, r, b) paints inside columns l..r-1 and rows t..b-1 (corners in either
//                order): a box of a + 1 by b + 1 pixels. Width or height 0 draws nothing.
//   thin box     one or two columns wide (a < 2): filled whole, every pixel on the outline. The
//                model below is for a >= 2.
//   u, v         doubled coordinates about the box's centre: pixel i of a row is u = 2i - a, row j
//                is v = 2j - b. Whole numbers for odd and even boxes alike; u has a's parity, v has
//                b's; the extreme pixels are at u = +-a, v = +-b.
//   half-axes    a and b, the half-axes in doubled coordinates; aa and bb their squares. The curve
//                is F(u, v) = b^2 u^2 + a^2 v^2 - a^2 b^2 = 0, F < 0 inside.
//   the walk     the outline of one quadrant, mirrored into the other three. It starts at the
//                right end of the middle row, (a, b & 1), and from each pixel (u, v) steps
//                  outwards to the next row, v += 2, when F(u - 2, v + 1) <= -A, and
//                  inwards to the next column, u -= 2, when F(u - 1, v + 2) >= -B,
//                both at once (a diagonal step) when both hold, until u passes the centre.
//   A, B         the walk's thresholds (ta, tb): a^2 and b^2, but for the 32-bit a^2.
//   32-bit a^2   for an odd b the reference starts its error term with an a^2 held in a 32-bit
//                int, which wraps once a > 46340: A = a^2 + d, B = b^2 + d, d = wrapped(a^2) - a^2.
//                A very wide and flat ellipse moves out by a few pixels; a round one hardly notices.
//   lost tips    the walk can end before the box's last row: a thin ellipse loses its tips.
//   row extent   P(v), the outermost column the walk visits on row v. The ellipse's row v is every
//                pixel with |u| <= P(v); P(v) < a & 1 marks an empty row (past the walk's end).
//   row test     row(v), the largest u with F(u - 1, v) < -B;
//   column test  column(v), the largest u with F(u, v - 1) <= -A (u of a's parity). The walk is
//                  P(b & 1) = a,  P(v) = clamp(row(v), hi - 2, hi),  hi = min(P(v - 2), column(v) + 2).
//   settled row  one whose P follows from row(v) and column(v) alone, with no walk from the
//                middle: where row(v) >= column(v), or where the row below surely reaches
//                column(v) + 2. Other rows lean on the row below, nearly always settled.
//   vu           the first row whose row test fails at the innermost columns; past it P drops by
//                two a row at least and the walk ends a few rows further.
//   exact tests  every test is exact in 128-bit integers for any box of int32 coordinates; a
//                floating-point estimate only tells where to start looking.
//   outline ring what a 1-pixel pen paints: on each row, the pixels the walk visits, a left and a
//                right run (one run where they meet). The ring is 8-connected.
//   fill         the brush, strictly inside the ring; without a pen, the ellipse's rows (a box
//                one or two pixels thin then loses its right column and bottom row).
//   pen dot      the dot of a pen of width w >= 2: the ellipse of a w by w box placed at
//                -floor(w/2). Wide lines and rectangles stamp it (shapes.cpp).
//   path pen     a pen 2..32 wide, along the walk: the dot on every pixel the walk visits, and
//                over every diagonal step the band of a wide line.
//   band pen     a wider pen (the wide-pen band): the band between the ellipses of the outline's
//                outer and inner edges, the box grown and shrunk by the dot.
//
// Rows are clipped to the surface before anything is worked out: the cost follows the visible
// rows, never the box's size.
#include "ellipse.h"

#include <cmath>
#include <optional>
#include <vector>

namespace plat {
namespace shape {
namespace {

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

}  // namespace

// One quadrant of the ellipse of a box with half-axes a >= 2, b >= 0: the row extent of any row.
struct Oval {
    const int64_t a, b, par, v0;  // par: the innermost column, v0: the middle row
    const u128 aa, bb;
    i128 ta, tb;              // A and B
    double a2, ta_b2, tb_b2;  // for estimates: a^2, A / b^2, B / b^2
    int64_t vu;               // b + 2 when the row test never fails

    Oval(int64_t a_, int64_t b_) : a(a_), b(b_), par(a_ & 1), v0(b_ & 1), aa(square(a_)), bb(square(b_)) {
        ta = i128(aa);
        if (b & 1) ta = int32_t(uint32_t(uint64_t(aa)));  // the 32-bit a^2
        tb = i128(bb) + (ta - i128(aa));
        a2 = double(a) * double(a);
        ta_b2 = b ? double(ta) / (double(b) * double(b)) : 0;
        tb_b2 = b ? double(tb) / (double(b) * double(b)) : 0;
        // vu: the row test of column 1 (odd a: B < a^2 (b^2 - v^2)) or 2 (even a: b^2 + B < ...)
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
    int64_t extent(int64_t v) const {
        if (v > b) return par - 2;
        if (v < vu) return settled(v);
        // Past vu the walk ends within a few rows: walk there from the last settled row.
        int64_t w = v0, p = a;
        if (vu > v0) w = vu - 2, p = settled(w);
        while (w < v && p >= par) {
            w += 2;
            p = std::min(p - 2, column(w));
        }
        return p;
    }
    // P(v) from p = P(v - 2): one step of the walk's rule.
    int64_t next(int64_t p, int64_t v) const {
        if (p < par || v > b) return par - 2;
        int64_t hi = std::min(p, column(v) + 2);
        return std::max(std::min(row(v), hi), hi - 2);
    }

    // The row test: the largest u (a's parity, 1..a) with F(u - 1, v) < -B, that is
    // b^2 (u-1)^2 < a^2 (b^2 - v^2) - B.
    int64_t row(int64_t v) const {
        u128 n = minus(aa * (bb - square(v)), tb);
        if (bb == 0 || n == 0) return par - 2;
        double q = double(v) / double(b);
        int64_t u = std::min(largest_root(n, bb, true, a, std::sqrt(a2 * (1 - q * q) - tb_b2)) + 1, a);
        if ((a - u) & 1) u--;
        return u >= 1 ? u : par - 2;
    }
    // The column test: the largest u (a's parity, 0..a) with F(u, v - 1) <= -A, that is
    // b^2 u^2 <= a^2 (b^2 - (v-1)^2) - A.
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
    // P(v) for v < vu: down to the nearest settled row, then the walk's rule back up to v. In
    // every box up to 260 by 260 and in samples of larger ones no row needs more than two others.
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

// The rows of the ellipse of a box that some range of rows needs: the ellipse's run of each row
// and the outline's runs. A thin box has no Oval.
class EllipseRows {
   public:
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
        extents.resize(size_t((vhi - vlo) / 2 + 1));
        extents[0] = oval->extent(vlo);
        for (size_t i = 1; i < extents.size(); i++)
            extents[i] = oval->next(extents[i - 1], vlo + 2 * int64_t(i));
    }

    // The ellipse's pixels of row y.
    Run row(int64_t y) const {
        if (y < bx.t || y >= bx.t + bx.h) return Run();
        if (!oval) return {bx.l, bx.l + bx.w - 1};
        int64_t p = extent_at(std::abs(offset(y)));
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
        int64_t av = std::abs(offset(y)), p = extent_at(av), next = extent_at(av + 2), lo = oval->par;
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

   private:
    Box bx;
    std::optional<Oval> oval;  // none for a thin box
    int64_t vlo = 0;
    std::vector<int64_t> extents;  // P(vlo + 2i) for the rows asked for

    int64_t offset(int64_t y) const { return 2 * (y - bx.t) - (bx.h - 1); }  // v of row y
    int64_t extent_at(int64_t av) const {
        size_t i = size_t((av - vlo) / 2);
        return av < vlo || i >= extents.size() ? oval->extent(av) : extents[i];
    }
};

// ---- pen dots ----
Dot::Dot(int64_t width) : w(width), lo(-(width / 2)), hi(width - width / 2 - 1) {
    const Box box = {lo, lo, w, w};
    if (w > KEPT_MAX) {
        huge.reset(new EllipseRows(box, lo, lo - 1));
        return;
    }
    const EllipseRows e(box, lo, hi);
    for (int64_t dy = lo; dy <= hi; dy++) {
        const Run r = e.row(dy);
        row_a[dy - lo] = r.a;
        row_b[dy - lo] = r.b;
    }
}
Dot::~Dot() = default;
Run Dot::huge_row(int64_t dy) const { return huge->row(dy); }

namespace {

// ---- ellipses ----
// Widest path pen; wider pens are band pens.
constexpr int64_t PATH_PEN_MAX = 32;

// A path pen: the dot on every pixel the walk visits, and over every diagonal step the band of a
// wide line (line_wide's), in all four quadrants. The brush fills the ellipse first.
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

// The ellipse of the box (l, tp)..(r, b) with the call's pen and brush: the outline in the pen and
// the inside in the brush; path pens and band pens for wider pens.
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
    // A band pen: the outer edge's ellipse less the inner edge's, which the brush fills.
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
}  // namespace shape
}  // namespace plat

BOOL WINAPI Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    plat::Dc *dc = plat::dc_lookup(hdc);
    if (!dc) return FALSE;
    plat::shape::ellipse(plat::shape::tools_of(dc), left, top, right, bottom);
    plat::dc_changed(dc);
    return TRUE;
}
