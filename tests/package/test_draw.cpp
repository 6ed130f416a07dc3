// Drawing through the package: the pixels each operation leaves on the canvas.
#include <algorithm>
#include <string>

#include "harness.h"

using namespace harness;

namespace {

const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0), blue = RGB(0, 0, 255),
               yellow = RGB(255, 255, 0);
const int ox = 297, oy = 247;  // the origin for the 595 by 495 client area

// '#' where the pixel has colour c, '.' elsewhere, along a row or a column of the canvas.
std::string row_mask(int row, int c0, int c1, COLORREF c) {
    std::string s;
    for (int x = c0; x <= c1; x++) s += canvas_px(x, row) == c ? '#' : '.';
    return s;
}
std::string column_mask(int column, int r0, int r1, COLORREF c) {
    std::string s;
    for (int y = r0; y <= r1; y++) s += canvas_px(column, y) == c ? '#' : '.';
    return s;
}
int count(int c0, int r0, int c1, int r1, COLORREF c) {
    int n = 0;
    for (int y = r0; y <= r1; y++)
        for (int x = c0; x <= c1; x++) n += canvas_px(x, y) == c;
    return n;
}
// The bounding box of the non-white pixels in rows r0..r1; false when there are none.
bool ink_box(int r0, int r1, RECT *box) {
    *box = {600, r1 + 1, 0, r0 - 1};
    for (int y = r0; y <= r1; y++)
        for (int x = 1; x < 600; x++)
            if (canvas_px(x, y) != white)
                *box = {std::min<LONG>(box->left, x), std::min<LONG>(box->top, y),
                        std::max<LONG>(box->right, x), std::max<LONG>(box->bottom, y)};
    return box->top <= box->bottom;
}

// Most drawing tests begin with setup(): the package started, logging off and the canvas erased.
class Draw : public PackageTest {
   protected:
    void setup() {
        start();
        plako_set_logging(0);
        plako_erase();
    }
};

TEST_F(Draw, EraseFillsWhiteInsideABlackRing) {
    setup();
    EXPECT_EQ(count(0, 0, 600, 539, black), 2 * 601 + 2 * 538);
    EXPECT_EQ(count(1, 1, 599, 538, white), 599 * 538);
}

TEST_F(Draw, FilledRectangleCoversBothCorners) {
    setup();
    plako_rectangle(PLAKO_BLUE, 10, -5, -10, 5, 0);
    EXPECT_EQ(count(ox - 15, oy - 10, ox + 15, oy + 10, blue), 21 * 11);
    EXPECT_EQ(row_mask(oy, ox - 11, ox + 11, blue), ".#####################.");
    EXPECT_EQ(column_mask(ox, oy - 6, oy + 6, blue), ".###########.");
    plako_rectangle(PLAKO_BLUE, 100, 100, 100, 100, 0);  // a 1 by 1 box draws nothing
    EXPECT_EQ(canvas_at(100, 100), white);
}

TEST_F(Draw, RectangleOutlinesOfTheWidthsTheConeUses) {
    setup();
    // Row oy, columns ox-103..ox-94, around the left edge at ox-100; the inside stays yellow.
    const char *edges[] = {"...#......", "..##......", "..###.....", ".####....."};
    const int widths[] = {1, 2, 3, -4};
    for (int i = 0; i < 4; i++) {
        plako_erase();
        plako_rectangle(PLAKO_YELLOW, -90, 20, 90, -20, 0);
        plako_rectangle(PLAKO_BLUE, -100, 30, 100, -30, widths[i]);
        EXPECT_EQ(row_mask(oy, ox - 103, ox - 94, blue), edges[i]) << widths[i];
        EXPECT_EQ(canvas_px(ox, oy), yellow);
    }
}

TEST_F(Draw, CirclesFollowTheEllipseSpans) {
    setup();
    plako_circle(PLAKO_BLUE, 0, 0, 8);                                         // a 17 by 17 box
    const int half[17] = {2, 4, 5, 6, 7, 7, 8, 8, 8, 8, 8, 7, 7, 6, 5, 4, 2};  // span = 8-half .. 8+half
    for (int r = 0; r < 17; r++) {
        std::string want =
            std::string(8 - half[r], '.') + std::string(2 * half[r] + 1, '#') + std::string(8 - half[r], '.');
        EXPECT_EQ(row_mask(oy - 8 + r, ox - 8, ox + 8, blue), want) << r;
    }
    EXPECT_EQ(count(ox - 12, oy - 12, ox + 12, oy + 12, blue), count(ox - 8, oy - 8, ox + 8, oy + 8, blue));
    plako_circle(PLAKO_BLUE, -50, 50, 0);  // a one-pixel box draws nothing
    EXPECT_EQ(canvas_at(-50, 50), white);
    plako_circle(PLAKO_BLUE, -50, -50, -7);  // radius 7: 15 pixels across
    EXPECT_EQ(row_mask(oy + 50, ox - 58, ox - 42, blue), ".###############.");
}

TEST_F(Draw, TriangleFilledAndOutlined) {
    setup();
    plako_triangle(PLAKO_BLUE, 0, 0, 40, 0, 0, 40, 0);
    EXPECT_EQ(canvas_at(5, 5), blue);
    EXPECT_EQ(canvas_at(35, 35), white);
    EXPECT_EQ(canvas_at(40, 0), blue);  // the outline paints every vertex
    EXPECT_EQ(canvas_at(0, 40), blue);
    plako_erase();
    plako_rectangle(PLAKO_YELLOW, -100, 100, 100, -100, 0);
    plako_triangle(PLAKO_BLUE, 0, 0, 40, 0, 0, 40, 3);
    EXPECT_EQ(canvas_at(8, 8), yellow);  // the inside is left as it was
    EXPECT_EQ(row_mask(oy - 20, ox - 3, ox + 3, blue), "..###..");
    EXPECT_EQ(column_mask(ox + 20, oy - 3, oy + 3, blue), "..###..");
}

TEST_F(Draw, LinesOfTheWidthsTheConeUses) {
    setup();
    // Horizontal lines from x -20 to 20; masks cover columns ox-22..ox+23.
    const int widths[] = {0, 1, 2, 3};
    for (int i = 0; i < 4; i++) plako_line(PLAKO_BLUE, -20, 100 - 50 * i, 20, 100 - 50 * i, widths[i]);
    std::string thin = ".." + std::string(40, '#') + "....";  // start painted, end not
    std::string none(46, '.');
    for (int y : {100, 50}) {
        EXPECT_EQ(row_mask(oy - y, ox - 22, ox + 23, blue), thin) << y;
        EXPECT_EQ(row_mask(oy - y + 1, ox - 22, ox + 23, blue), none) << y;
    }
    std::string two = "." + std::string(42, '#') + "...";  // a 2x2 dot at -1..0 on every pixel
    EXPECT_EQ(row_mask(oy - 1, ox - 22, ox + 23, blue), two);
    EXPECT_EQ(row_mask(oy, ox - 22, ox + 23, blue), two);
    EXPECT_EQ(row_mask(oy + 1, ox - 22, ox + 23, blue), none);
    std::string plus_arm = ".." + std::string(41, '#') + "...";  // a plus on every pixel
    EXPECT_EQ(row_mask(oy + 49, ox - 22, ox + 23, blue), plus_arm);
    EXPECT_EQ(row_mask(oy + 50, ox - 22, ox + 23, blue), "." + std::string(43, '#') + "..");
    EXPECT_EQ(row_mask(oy + 51, ox - 22, ox + 23, blue), plus_arm);
    plako_line(PLAKO_BLUE, 150, 10, 150, -10, 1);  // vertical: the top end in, the bottom out
    EXPECT_EQ(column_mask(ox + 150, oy - 11, oy + 11, blue), "." + std::string(20, '#') + "..");
}

TEST_F(Draw, PixelCommandSetsExactlyOnePixelAndUnknownKindsNone) {
    setup();
    DrawCommand cmd = {};
    cmd.kind = SHAPE_PIXEL;
    cmd.colour = PLAKO_BLUE;
    cmd.x1 = 3;
    cmd.y1 = -4;
    plako_render(&cmd);
    cmd.kind = 99;
    cmd.x1 = 0;
    plako_render(&cmd);
    EXPECT_EQ(count(ox - 10, oy - 10, ox + 10, oy + 10, blue), 1);
    EXPECT_EQ(canvas_at(3, -4), blue);
}

// The cell height of text in the package's font, measured as the renderer does.
int cell_height(int ptsize, const char *text) {
    HFONT f = CreateFontA(-ptsize, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "PLAKO-font");
    HGDIOBJ old = SelectObject(window_canvas(), f);
    SIZE sz = {};
    GetTextExtentPointA(window_canvas(), text, (int)strlen(text), &sz);
    SelectObject(window_canvas(), old);
    DeleteObject(f);
    return sz.cy;
}

TEST_F(Draw, TextSitsOnItsAnchorAndFurtherLinesGoBelow) {
    setup();
    plako_text(PLAKO_BLACK, 0, 0, 18, "HH");
    int h = cell_height(18, "HH");
    RECT box, second;
    ASSERT_TRUE(ink_box(1, 538, &box));
    EXPECT_GE(box.top, oy - h);  // in the cell directly above the anchor row
    EXPECT_LT(box.bottom, oy);
    EXPECT_GT(box.bottom, oy - 6);  // capitals end on the baseline, a few rows up
    EXPECT_GE(box.left, ox);
    EXPECT_LT(box.left, ox + 5);

    plako_erase();
    h = cell_height(18, "HH\nHH");
    plako_text(PLAKO_BLACK, 0, 0, 18, "HH\nHH");
    ASSERT_TRUE(ink_box(oy - h, oy - 1, &box));
    ASSERT_TRUE(ink_box(oy, oy + h - 1, &second));
    EXPECT_EQ(second.top - box.top, h);
    EXPECT_EQ(second.left, box.left);

    plako_erase();
    plako_text(PLAKO_BLACK, 0, 0, 18, "\nHH");  // an empty first line
    ASSERT_TRUE(ink_box(1, 538, &box));
    EXPECT_GE(box.top, oy);
    plako_erase();
    plako_text(PLAKO_BLACK, 0, 0, 18, "");
    plako_text(PLAKO_BLACK, 0, 0, 18, "\n\n\n");
    EXPECT_FALSE(ink_box(1, 538, &box));
    plako_text(PLAKO_BLACK, -250, -100, 400, "W");  // the largest size, 127
    ASSERT_TRUE(ink_box(1, 538, &box));
    EXPECT_GT(box.bottom - box.top, 60);
}

TEST_F(Draw, TextPaintsOnlyItsGlyphsInItsColour) {
    setup();
    plako_rectangle(PLAKO_YELLOW, -100, 100, 100, -100, 0);
    plako_text(PLAKO_BLUE, -90, 0, 12, "Hello, world");
    EXPECT_GT(count(ox - 100, oy - 40, ox + 100, oy + 40, blue), 20);
    EXPECT_EQ(count(ox - 100, oy - 40, ox + 100, oy + 40, white), 0);  // no background box
}

TEST_F(Draw, NoCallLeavesAnObjectBehind) {
    start();
    for (int i = 0; i < 25; i++) plako_console_printf("fill the ring %d\n", i);  // its blocks stay
    HeadlessObjectCounts before = object_counts();
    plako_erase();
    plako_circle(77, 0, 0, -10);
    plako_triangle(4, 0, 0, 10, 0, 0, 10, 0);
    plako_triangle(4, 0, 0, 10, 0, 0, 10, 2);
    plako_rectangle(5, -5, -5, 5, 5, 0);
    plako_rectangle(5, -5, -5, 5, 5, 3);
    plako_line(6, 0, 0, 50, 20, 0);
    plako_line(6, 0, 0, 50, 20, 3);
    plako_text(7, 0, 0, 12, "leak\ncheck");
    plako_text_format(8, 0, 0, -20, "%s", "formatted");
    expect_same_objects(before, object_counts());
    plako_erase();  // the canvas's own pen is back: the border is black
    EXPECT_EQ(canvas_px(0, 0), black);
}

}  // namespace
