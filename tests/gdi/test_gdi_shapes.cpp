// Integer rasterising beyond the reference pictures: ellipse properties over many sizes, the
// line rule in all octants against an exact model, polygon edge sharing, clipping at the bitmap
// edges, and arguments at the ends of the int32 range.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <utility>

#include "gdi_canvas.h"

using namespace gdi_test;

namespace {

const COLORREF WHITE = RGB(255, 255, 255), RED = RGB(255, 0, 0), GREEN = RGB(0, 255, 0);
typedef std::set<std::pair<int, int>> Pixels;

Pixels pixels_of(const Canvas &cv, COLORREF c) {
    Pixels p;
    for (int y = 0; y < cv.h; y++)
        for (int x = 0; x < cv.w; x++)
            if (cv.at(x, y) == c) p.insert({x, y});
    return p;
}

// Selects a pen (width < 0: NULL_PEN) and a brush (filled false: NULL_BRUSH) for one drawing.
struct Tools {
    HDC dc;
    HPEN pen;
    HBRUSH brush;
    HGDIOBJ old_pen, old_brush;
    Tools(HDC d, int pen_width, bool filled, COLORREF pen_col = RED, COLORREF brush_col = GREEN) : dc(d) {
        pen = pen_width >= 0 ? CreatePen(PS_SOLID, pen_width, pen_col) : nullptr;
        brush = filled ? CreateSolidBrush(brush_col) : nullptr;
        old_pen = SelectObject(dc, pen ? HGDIOBJ(pen) : GetStockObject(NULL_PEN));
        old_brush = SelectObject(dc, brush ? HGDIOBJ(brush) : GetStockObject(NULL_BRUSH));
    }
    ~Tools() {
        SelectObject(dc, old_pen);
        SelectObject(dc, old_brush);
        if (pen) DeleteObject(pen);
        if (brush) DeleteObject(brush);
    }
};

// The exact line rule: one pixel per major step from the start (included) to the end
// (excluded), the minor coordinate the exact value rounded to nearest, halves to the smaller.
Pixels model_line(int x0, int y0, int x1, int y1) {
    Pixels p;
    int dx = x1 - x0, dy = y1 - y0;
    bool xmajor = std::abs(dx) >= std::abs(dy);
    int len = xmajor ? std::abs(dx) : std::abs(dy);
    for (int k = 0; k < len; k++) {
        // minor offset = k * d_minor / len rounded half down: ceil((2*k*d - len) / (2*len))
        int num = 2 * k * (xmajor ? dy : dx) - len, den = 2 * len;
        int q = num >= 0 ? (num + den - 1) / den : -((-num) / den);
        int major = k * (((xmajor ? dx : dy) < 0) ? -1 : 1);
        if (xmajor)
            p.insert({x0 + major, y0 + q});
        else
            p.insert({x0 + q, y0 + major});
    }
    return p;
}

}  // namespace

TEST(GdiShapes, EllipsesAreSymmetricReachTheirBoxAndHaveAThinOutline) {
    for (int w = 2; w <= 41; w += 3)
        for (int h = 2; h <= 41; h += 4) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
            Canvas cv(50, 50);
            {
                Tools t(cv.dc, 1, true);
                Ellipse(cv.dc, 3, 4, 3 + w, 4 + h);
            }
            Pixels pen = pixels_of(cv, RED), in = pixels_of(cv, GREEN), all = pen;
            all.insert(in.begin(), in.end());
            int x0 = 99, x1 = -1, y0 = 99, y1 = -1;
            for (auto &p : all) {
                x0 = std::min(x0, p.first), x1 = std::max(x1, p.first);
                y0 = std::min(y0, p.second), y1 = std::max(y1, p.second);
                // Mirror images about both axes of the box are in the ellipse too.
                EXPECT_TRUE(all.count({3 + 3 + w - 1 - p.first, p.second}));
                EXPECT_TRUE(all.count({p.first, 4 + 4 + h - 1 - p.second}));
            }
            // The outline reaches the box's four sides, but a thin tall one, as the reference
            // draws it, stops short of the top and bottom rows (tests/gdi/ellipse_sweep: how far).
            EXPECT_EQ(x0, 3);
            EXPECT_EQ(x1, 3 + w - 1);
            EXPECT_EQ(y0, w == 5 && h > 30 ? 5 : 4);
            // The brush is strictly inside: every brush pixel's 4-neighbours are in the ellipse,
            // and every outline pixel has a 4-neighbour outside it.
            for (auto &p : in)
                for (auto d : {std::make_pair(1, 0), std::make_pair(-1, 0), std::make_pair(0, 1),
                               std::make_pair(0, -1)})
                    EXPECT_TRUE(all.count({p.first + d.first, p.second + d.second}));
            for (auto &p : pen) {
                int outside = 0;
                for (auto d : {std::make_pair(1, 0), std::make_pair(-1, 0), std::make_pair(0, 1),
                               std::make_pair(0, -1)})
                    outside += !all.count({p.first + d.first, p.second + d.second});
                EXPECT_GT(outside, 0);
            }
            // Without a pen the brush covers the same ellipse (boxes over 2 by 2).
            Canvas bare(50, 50);
            {
                Tools t(bare.dc, -1, true);
                Ellipse(bare.dc, 3, 4, 3 + w, 4 + h);
            }
            if (w > 2 && h > 2) {
                EXPECT_EQ(pixels_of(bare, GREEN), all);
            }
        }
}

// A filled ellipse in one colour takes a shortcut; it must cover exactly what edge and inside
// cover when they differ, also when the bitmap edges cut it.
TEST(GdiShapes, OneColourEllipsesCoverEdgeAndInsideExactly) {
    Canvas two(140, 90), one(140, 90);
    const int boxes[][4] = {{3, 4, 20, 21},      {10, 10, 11, 40}, {5, 5, 80, 30},   {-30, -12, 40, 50},
                            {100, 50, 190, 133}, {60, 2, 63, 5},   {20, 60, 77, 61}, {70, 70, 74, 73}};
    for (const auto &b : boxes) {
        {
            Tools t(two.dc, 1, true, RED, GREEN);
            Ellipse(two.dc, b[0], b[1], b[2], b[3]);
        }
        Tools t(one.dc, 1, true, RED, RED);
        Ellipse(one.dc, b[0], b[1], b[2], b[3]);
    }
    Pixels painted = pixels_of(two, RED), inside = pixels_of(two, GREEN);
    painted.insert(inside.begin(), inside.end());
    EXPECT_EQ(pixels_of(one, RED), painted);
}

// Triangles take a fill of their own; the same triangle given as four points (one repeated) goes
// through the general polygon fill, and both must paint the same pixels.
TEST(GdiShapes, TrianglesFillExactlyAsTheGeneralPolygonDoes) {
    Canvas fast(120, 100), general(120, 100);
    unsigned seed = 12345;
    auto next = [&seed](int lo, int hi) {
        seed = seed * 1103515245u + 12345u;
        return lo + int((seed >> 8) % unsigned(hi - lo + 1));
    };
    for (int i = 0; i < 300; i++) {
        POINT p[3];
        for (POINT &q : p) q = {next(-40, 160), next(-40, 140)};
        if (i % 10 == 0) p[2] = p[0];  // degenerate ones too
        if (i % 10 == 1)
            p[2] = {p[0].x + (p[1].x - p[0].x) * 2, p[0].y + (p[1].y - p[0].y) * 2};  // collinear
        POINT four[4] = {p[0], p[1], p[2], p[2]};
        COLORREF c = RGB(next(0, 255), next(0, 255), next(0, 255));
        {
            Tools t(fast.dc, -1, true, c, c);
            Polygon(fast.dc, p, 3);
        }
        Tools t(general.dc, -1, true, c, c);
        Polygon(general.dc, four, 4);
    }
    for (int y = 0; y < 100; y++)
        for (int x = 0; x < 120; x++) ASSERT_EQ(fast.at(x, y), general.at(x, y)) << x << "," << y;
}

TEST(GdiShapes, WidePensCoverTheOutlineAndStayNearIt) {
    // Pens up to 32 run along the 1-pixel outline; wider ones paint a band: both must cover the
    // outline path and reach no further than half the pen beyond it.
    Canvas thin(200, 200);
    {
        Tools t(thin.dc, 1, false);
        Ellipse(thin.dc, 40, 50, 161, 141);
    }
    Pixels path = pixels_of(thin, RED);
    for (int w : {2, 5, 32, 33, 60}) {
        SCOPED_TRACE(w);
        Canvas cv(200, 200);
        {
            Tools t(cv.dc, w, false);
            Ellipse(cv.dc, 40, 50, 161, 141);
        }
        Pixels wide = pixels_of(cv, RED);
        for (auto &p : path) EXPECT_TRUE(wide.count(p));
        for (auto &p : wide) {
            EXPECT_GE(p.first, 40 - w / 2 - 1);
            EXPECT_LE(p.first, 160 + w / 2 + 1);
            EXPECT_GE(p.second, 50 - w / 2 - 1);
            EXPECT_LE(p.second, 140 + w / 2 + 1);
        }
        EXPECT_EQ(cv.at(100, 95), WHITE);  // the middle stays hollow
    }
}

TEST(GdiShapes, OnePixelLinesFollowTheRoundingRuleInAllOctants) {
    const int ends[][2] = {{17, 3},   {17, 9},   {3, 17},   {9, 17},  {-17, 3},  {-17, 9},  {-3, 17},
                           {-9, 17},  {17, -3},  {17, -9},  {3, -17}, {9, -17},  {-17, -3}, {-17, -9},
                           {-3, -17}, {-9, -17}, {10, 5},   {-10, 5}, {10, -5},  {-10, -5}, {5, 10},
                           {-5, 10},  {5, -10},  {-5, -10}, {12, 12}, {-12, 12}, {12, -12}, {-12, -12},
                           {20, 0},   {0, 20},   {-20, 0},  {0, -20}, {1, 0},    {0, 0}};
    for (auto &e : ends) {
        SCOPED_TRACE(std::to_string(e[0]) + "," + std::to_string(e[1]));
        Canvas cv(50, 50);
        Tools t(cv.dc, 1, false);
        MoveToEx(cv.dc, 25, 25, nullptr);
        LineTo(cv.dc, 25 + e[0], 25 + e[1]);
        EXPECT_EQ(pixels_of(cv, RED), model_line(25, 25, 25 + e[0], 25 + e[1]));
        POINT pos;
        MoveToEx(cv.dc, 0, 0, &pos);
        EXPECT_EQ(pos.x, 25 + e[0]);
        EXPECT_EQ(pos.y, 25 + e[1]);
    }
}

TEST(GdiShapes, PolygonsSharingAnEdgeNeitherOverlapNorLeaveAGap) {
    // Two triangles that tile a quadrilateral, drawn without a pen.
    const POINT quad[4] = {{3, 2}, {37, 9}, {30, 35}, {1, 28}};
    const POINT a[3] = {quad[0], quad[1], quad[2]}, b[3] = {quad[0], quad[2], quad[3]};
    Canvas ca(40, 40), cb(40, 40), cq(40, 40);
    {
        Tools t(ca.dc, -1, true);
        Polygon(ca.dc, a, 3);
    }
    {
        Tools t(cb.dc, -1, true);
        Polygon(cb.dc, b, 3);
    }
    {
        Tools t(cq.dc, -1, true);
        Polygon(cq.dc, quad, 4);
    }
    Pixels pa = pixels_of(ca, GREEN), pb = pixels_of(cb, GREEN), pq = pixels_of(cq, GREEN), both;
    for (auto &p : pa) EXPECT_FALSE(pb.count(p)) << p.first << "," << p.second;
    both = pa;
    both.insert(pb.begin(), pb.end());
    EXPECT_EQ(both, pq);
    // The top-left rule: the left and top edges are in, the right and bottom ones out.
    Canvas cs(20, 20);
    const POINT sq[4] = {{2, 3}, {12, 3}, {12, 13}, {2, 13}};
    {
        Tools t(cs.dc, -1, true);
        Polygon(cs.dc, sq, 4);
    }
    Pixels ps = pixels_of(cs, GREEN);
    EXPECT_EQ(ps.size(), 100u);
    EXPECT_TRUE(ps.count({2, 3}));
    EXPECT_TRUE(ps.count({11, 12}));
    EXPECT_FALSE(ps.count({12, 12}));
    EXPECT_FALSE(ps.count({11, 13}));
}

TEST(GdiShapes, ShapesAreClippedAtTheBitmapEdges) {
    Canvas cv(10, 10);
    {
        Tools t(cv.dc, 1, true);
        Rectangle(cv.dc, -5, -5, 5, 5);  // pen ring at x = 4 and y = 4, the rest off the bitmap
        Rectangle(cv.dc, 7, 7, 15, 15);  // pen ring at x = 7 and y = 7
    }
    std::vector<std::string> want = {"....P.....", "....P.....", "....P.....", "....P.....", "PPPPP.....",
                                     "..........", "..........", ".......PPP", ".......PBB", ".......PBB"};
    std::vector<std::string> got = cv.rows(0, 0, 9, 9);
    // Inside the first rectangle the brush shows at 0..3.
    for (int y = 0; y < 4; y++) want[size_t(y)].replace(0, 4, "BBBB");
    EXPECT_EQ(got, want);
    // A line leaving the bitmap: only its visible pixels, none wrapped around.
    Canvas cl(10, 10);
    Tools t(cl.dc, 1, false);
    MoveToEx(cl.dc, -20, 5, nullptr);
    LineTo(cl.dc, 40, 5);
    EXPECT_EQ(pixels_of(cl, RED).size(), 10u);
}

TEST(GdiShapes, ExtremeArgumentsAreSafeAndDrawTheVisiblePart) {
    Canvas cv(64, 48);
    HDC dc = cv.dc;
    auto full = [&](COLORREF c) { return pixels_of(cv, c).size() == size_t(64 * 48); };
    {
        Tools t(dc, -1, true);
        EXPECT_TRUE(Rectangle(dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX));
        EXPECT_TRUE(full(GREEN));
    }
    cv.clear(WHITE);
    {
        Tools t(dc, 1, true, RED, GREEN);
        EXPECT_TRUE(Ellipse(dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX));  // radius 2147483647
        EXPECT_TRUE(full(GREEN));
        EXPECT_TRUE(Ellipse(dc, -INT_MAX, 0, INT_MAX, 2));  // a very flat one
        EXPECT_TRUE(Ellipse(dc, INT_MAX - 1, INT_MAX - 1, INT_MAX, INT_MAX));
    }
    cv.clear(WHITE);
    {
        Tools t(dc, 1000000000, true);
        EXPECT_TRUE(Rectangle(dc, -5, -5, 5, 5));  // the pen covers everything
        EXPECT_TRUE(full(RED));
        cv.clear(WHITE);
        EXPECT_TRUE(Ellipse(dc, 10, 10, 20, 20));
        EXPECT_TRUE(full(RED));
        cv.clear(WHITE);
        MoveToEx(dc, INT_MIN, INT_MIN, nullptr);
        EXPECT_TRUE(LineTo(dc, INT_MAX, INT_MAX));
        EXPECT_TRUE(full(RED));
        cv.clear(WHITE);
        MoveToEx(dc, 30, 20, nullptr);
        EXPECT_TRUE(LineTo(dc, 30, 20));  // a zero-length wide line is the pen's dot
        EXPECT_TRUE(full(RED));
    }
    cv.clear(WHITE);
    {
        Tools t(dc, 1, true);
        const POINT tri[3] = {{INT_MIN, INT_MIN}, {INT_MAX, 0}, {INT_MIN, INT_MAX}};
        EXPECT_TRUE(Polygon(dc, tri, 3));
        // Below its top edge (which reaches y = 0 only at x = INT_MAX) the triangle covers every row.
        for (int y = 1; y < 48; y++) EXPECT_EQ(cv.at(63, y), GREEN) << y;
        MoveToEx(dc, INT_MIN, 3, nullptr);
        EXPECT_TRUE(LineTo(dc, INT_MAX, 4));
        MoveToEx(dc, 3, INT_MIN, nullptr);
        EXPECT_TRUE(LineTo(dc, 4, INT_MAX));
        const POINT many[5] = {
            {INT_MAX, INT_MAX}, {INT_MIN, INT_MAX}, {0, 0}, {INT_MAX, INT_MIN}, {INT_MIN, 0}};
        EXPECT_TRUE(Polygon(dc, many, 5));
    }
    {
        Tools t(dc, INT_MAX, true);
        const POINT tri[3] = {{INT_MIN, INT_MIN}, {INT_MAX, 0}, {INT_MIN, INT_MAX}};
        EXPECT_TRUE(Polygon(dc, tri, 3));
        EXPECT_TRUE(Ellipse(dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX));
        EXPECT_TRUE(Rectangle(dc, INT_MAX, INT_MAX, INT_MIN, INT_MIN));
    }
    EXPECT_TRUE(SetPixel(dc, INT_MIN, INT_MAX, RED) == CLR_INVALID);
    // Degenerate shapes are successful no-ops.
    cv.clear(WHITE);
    Tools t(dc, 1, true);
    EXPECT_TRUE(Rectangle(dc, 5, 5, 5, 20));
    EXPECT_TRUE(Ellipse(dc, 5, 5, 6, 6));
    const POINT line3[3] = {{1, 1}, {5, 5}, {9, 9}};
    {
        Tools none(dc, -1, true);
        EXPECT_TRUE(Polygon(dc, line3, 3));
    }
    EXPECT_EQ(pixels_of(cv, WHITE).size(), size_t(64 * 48));
    EXPECT_FALSE(Polygon(dc, line3, 1));
    EXPECT_FALSE(Polygon(dc, nullptr, 3));
    EXPECT_FALSE(Rectangle(nullptr, 0, 0, 5, 5));
}
