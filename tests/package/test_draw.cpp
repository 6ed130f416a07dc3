// Drawing through the package: the pixels each operation leaves on the canvas.
#include <string>

#include "harness.h"

using harness::canvas_px;

namespace {

const COLORREF white = RGB(255, 255, 255);
const COLORREF black = RGB(0, 0, 0);
const COLORREF blue = RGB(0, 0, 255);
const COLORREF yellow = RGB(255, 255, 0);
const int ox = 297, oy = 247;  // the origin for the 595 by 495 client area

// Row `row` from column c0 to c1: '#' where the pixel has colour c, '.' elsewhere.
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

// The bounding box of the pixels that are not white; false when there are none.
bool ink_box(int c0, int r0, int c1, int r1, RECT *box) {
    bool any = false;
    *box = {c1 + 1, r1 + 1, c0 - 1, r0 - 1};
    for (int y = r0; y <= r1; y++)
        for (int x = c0; x <= c1; x++)
            if (canvas_px(x, y) != white) {
                any = true;
                if (x < box->left) box->left = x;
                if (x > box->right) box->right = x;
                if (y < box->top) box->top = y;
                if (y > box->bottom) box->bottom = y;
            }
    return any;
}

void setup() {
    harness::start();
    plako_set_logging(0);
    plako_erase();
}

TEST(Draw, EraseFillsWhiteInsideABlackRing) {
    setup();
    for (int x : {0, 300, 600}) {
        EXPECT_EQ(canvas_px(x, 0), black);
        EXPECT_EQ(canvas_px(x, 539), black);
    }
    for (int y : {0, 270, 539}) {
        EXPECT_EQ(canvas_px(0, y), black);
        EXPECT_EQ(canvas_px(600, y), black);
    }
    EXPECT_EQ(count(1, 1, 599, 538, white), 599 * 538);
}

TEST(Draw, FilledRectangleCoversBothCornersInclusive) {
    setup();
    plako_rectangle(PLAKO_BLUE, 10, -5, -10, 5, 0);  // any two opposite corners
    EXPECT_EQ(count(ox - 15, oy - 10, ox + 15, oy + 10, blue), 21 * 11);
    EXPECT_EQ(row_mask(oy, ox - 12, ox + 12, blue), "..#####################..");
    EXPECT_EQ(column_mask(ox, oy - 7, oy + 7, blue), "..###########..");
    // A zero-size box draws nothing; a 1x1 box draws nothing either.
    plako_rectangle(PLAKO_BLUE, 100, 100, 100, 100, 0);
    EXPECT_EQ(harness::canvas_at(100, 100), white);
}

TEST(Draw, RectangleOutlinesOfTheWidthsTheConeUses) {
    setup();
    // A yellow inside shows that outlines leave it untouched.
    struct Case {
        int width;
        const char *left_edge;  // row oy, columns ox-103 .. ox-94 for a box from x -100
    };
    const Case cases[] = {
        {1, "...#......"},   // the pen on the box's own edge
        {2, "..##......"},   // c-1 .. c
        {3, "..###....."},   // c-1 .. c+1
        {-4, ".####....."},  // corrected to 4: c-2 .. c+1
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.width);
        plako_erase();
        plako_rectangle(PLAKO_YELLOW, -90, 20, 90, -20, 0);
        plako_rectangle(PLAKO_BLUE, -100, 30, 100, -30, c.width);
        EXPECT_EQ(row_mask(oy, ox - 103, ox - 94, blue), c.left_edge);
        EXPECT_EQ(canvas_px(ox, oy), yellow);
        EXPECT_EQ(canvas_px(ox - 95, oy), white);  // inside the outline, outside the yellow
    }
}

TEST(Draw, CircleSpansAreTheEllipseRule) {
    setup();
    plako_circle(PLAKO_BLUE, 0, 0, 8);  // a 17 by 17 box at ox-8, oy-8
    const char *spans[17] = {
        "......#####......", "....#########....", "...###########...", "..#############..",
        ".###############.", ".###############.", "#################", "#################",
        "#################", "#################", "#################", ".###############.",
        ".###############.", "..#############..", "...###########...", "....#########....",
        "......#####......",
    };
    for (int r = 0; r < 17; r++) EXPECT_EQ(row_mask(oy - 8 + r, ox - 8, ox + 8, blue), spans[r]) << r;
    EXPECT_EQ(count(ox - 12, oy - 12, ox + 12, oy + 12, blue), count(ox - 8, oy - 8, ox + 8, oy + 8, blue));

    plako_erase();
    plako_circle(PLAKO_RED, 50, 50, 2);  // 5 by 5: [1-3][0-4]x3[1-3]
    const char *small[5] = {".###.", "#####", "#####", "#####", ".###."};
    for (int r = 0; r < 5; r++)
        EXPECT_EQ(row_mask(oy - 52 + r, ox + 48, ox + 52, RGB(255, 0, 0)), small[r]) << r;
    plako_circle(PLAKO_RED, -50, 50, 0);  // a one-pixel box draws nothing
    EXPECT_EQ(count(ox - 52, oy - 52, ox - 48, oy - 48, white), 25);
    plako_circle(PLAKO_BLUE, -50, -50, -7);  // corrected to radius 7: 15 pixels across
    EXPECT_EQ(row_mask(oy + 50, ox - 59, ox - 41, blue), "..###############..");
}

TEST(Draw, TriangleFilledAndOutlined) {
    setup();
    plako_triangle(PLAKO_BLUE, 0, 0, 40, 0, 0, 40, 0);
    EXPECT_EQ(canvas_px(ox + 5, oy - 5), blue);
    EXPECT_EQ(canvas_px(ox + 35, oy - 35), white);
    // Every vertex is painted by the outline.
    EXPECT_EQ(canvas_px(ox, oy), blue);
    EXPECT_EQ(canvas_px(ox + 40, oy), blue);
    EXPECT_EQ(canvas_px(ox, oy - 40), blue);

    plako_erase();
    plako_rectangle(PLAKO_YELLOW, -100, 100, 100, -100, 0);
    plako_triangle(PLAKO_BLUE, 0, 0, 40, 0, 0, 40, 3);
    EXPECT_EQ(canvas_px(ox + 8, oy - 8), yellow);  // the inside is left as it was
    // The vertical edge at column ox, three pixels wide and centred.
    EXPECT_EQ(row_mask(oy - 20, ox - 3, ox + 3, blue), "..###..");
    EXPECT_EQ(column_mask(ox + 20, oy - 3, oy + 3, blue), "..###..");
}

TEST(Draw, LinesOfTheWidthsTheConeUses) {
    setup();
    // Horizontal lines from x -20 to 20, each on its own row.
    plako_line(PLAKO_BLUE, -20, 100, 20, 100, 0);  // drawn one pixel wide
    plako_line(PLAKO_BLUE, -20, 50, 20, 50, 1);
    plako_line(PLAKO_BLUE, -20, 0, 20, 0, 2);
    plako_line(PLAKO_BLUE, -20, -50, 20, -50, 3);
    std::string thin = "..########################################....";  // start in, end out
    EXPECT_EQ(row_mask(oy - 100, ox - 22, ox + 23, blue), thin);
    EXPECT_EQ(row_mask(oy - 99, ox - 22, ox + 23, blue), std::string(46, '.'));
    EXPECT_EQ(row_mask(oy - 50, ox - 22, ox + 23, blue), thin);
    // Width 2: a 2x2 dot at -1..0 stamped on every pixel, both ends included.
    std::string two = ".##########################################...";
    EXPECT_EQ(row_mask(oy - 1, ox - 22, ox + 23, blue), two);
    EXPECT_EQ(row_mask(oy, ox - 22, ox + 23, blue), two);
    EXPECT_EQ(row_mask(oy + 1, ox - 22, ox + 23, blue), std::string(46, '.'));
    // Width 3: a plus on every pixel.
    EXPECT_EQ(row_mask(oy + 49, ox - 22, ox + 23, blue), "..#########################################...");
    EXPECT_EQ(row_mask(oy + 50, ox - 22, ox + 23, blue), ".###########################################..");
    EXPECT_EQ(row_mask(oy + 51, ox - 22, ox + 23, blue), "..#########################################...");
    EXPECT_EQ(row_mask(oy + 52, ox - 22, ox + 23, blue), std::string(46, '.'));

    // Vertical, width 1: start painted (top, y 10), end not.
    plako_line(PLAKO_BLUE, 150, 10, 150, -10, 1);
    EXPECT_EQ(column_mask(ox + 150, oy - 11, oy + 11, blue), ".####################..");
}

TEST(Draw, PixelCommandSetsExactlyOnePixel) {
    setup();
    DrawCommand cmd = {};
    cmd.kind = SHAPE_PIXEL;
    cmd.colour = PLAKO_BLUE;
    cmd.x1 = 3;
    cmd.y1 = -4;
    plako_render(&cmd);
    EXPECT_EQ(count(ox - 10, oy - 10, ox + 10, oy + 10, blue), 1);
    EXPECT_EQ(canvas_px(ox + 3, oy + 4), blue);
    cmd.kind = 99;  // an unknown kind draws nothing
    cmd.x1 = 0;
    cmd.y1 = 0;
    plako_render(&cmd);
    EXPECT_EQ(count(ox - 10, oy - 10, ox + 10, oy + 10, blue), 1);
}

// The cell height of text in the package's font, measured as the renderer does.
int cell_height(int ptsize, const char *text) {
    HDC dc = window_canvas();
    HFONT f = CreateFontA(-ptsize, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "PLAKO-font");
    HGDIOBJ old = SelectObject(dc, f);
    SIZE sz = {};
    GetTextExtentPointA(dc, text, (int)strlen(text), &sz);
    SelectObject(dc, old);
    DeleteObject(f);
    return sz.cy;
}

TEST(Draw, TextSitsOnItsAnchorAndFurtherLinesGoBelow) {
    setup();
    plako_text(PLAKO_BLACK, 0, 0, 18, "HH");
    int h = cell_height(18, "HH");
    ASSERT_GT(h, 10);
    RECT box;
    ASSERT_TRUE(ink_box(1, 1, 599, 538, &box));
    // The first line's cell lies directly above the anchor row, starting at the anchor column.
    EXPECT_GE(box.top, oy - h);
    EXPECT_LT(box.bottom, oy);
    EXPECT_GE(box.left, ox);
    EXPECT_LT(box.left, ox + 5);
    EXPECT_GT(box.bottom, oy - 6);  // capitals sit on the baseline, a few rows above the anchor

    plako_erase();
    h = cell_height(18, "HH\nHH");
    plako_text(PLAKO_BLACK, 0, 0, 18, "HH\nHH");
    RECT first, second;
    ASSERT_TRUE(ink_box(1, oy - h, 599, oy - 1, &first));
    ASSERT_TRUE(ink_box(1, oy, 599, oy + h - 1, &second));
    EXPECT_EQ(second.top - first.top, h);
    EXPECT_EQ(second.left, first.left);
    RECT all;
    ink_box(1, 1, 599, 538, &all);
    EXPECT_EQ(all.top, first.top);
    EXPECT_EQ(all.bottom, second.bottom);

    // A leading newline leaves the first line empty; the text starts below the anchor row.
    plako_erase();
    plako_text(PLAKO_BLACK, 0, 0, 18, "\nHH");
    ASSERT_TRUE(ink_box(1, 1, 599, 538, &all));
    EXPECT_GE(all.top, oy);
    EXPECT_LT(all.bottom, oy + h);

    // The empty text and a text of newlines draw nothing.
    plako_erase();
    plako_text(PLAKO_BLACK, 0, 0, 18, "");
    plako_text(PLAKO_BLACK, 0, 0, 18, "\n\n\n");
    EXPECT_FALSE(ink_box(1, 1, 599, 538, &all));
}

TEST(Draw, TextPaintsOnlyItsGlyphsInItsColour) {
    setup();
    plako_rectangle(PLAKO_YELLOW, -100, 100, 100, -100, 0);
    plako_text(PLAKO_BLUE, -90, 0, 12, "Hello, world");
    int ink = 0, other = 0;
    for (int y = oy - 40; y <= oy + 40; y++)
        for (int x = ox - 100; x <= ox + 100; x++) {
            COLORREF c = canvas_px(x, y);
            if (c == blue) ink++;
            if (c == white) other++;  // an opaque background box would be white
        }
    EXPECT_GT(ink, 20);
    EXPECT_EQ(other, 0);
    EXPECT_GT(count(ox - 100, oy - 40, ox + 100, oy + 40, yellow), 201 * 81 - 600);
}

TEST(Draw, PointSizeZeroAndTheLargestSizeDraw) {
    setup();
    plako_text(PLAKO_BLACK, -200, 0, 0, "Mm");
    RECT box;
    EXPECT_TRUE(ink_box(1, 1, 599, 538, &box));
    plako_erase();
    plako_text(PLAKO_BLACK, -250, -100, 400, "W");  // corrected to 127
    ASSERT_TRUE(ink_box(1, 1, 599, 538, &box));
    EXPECT_GT(box.bottom - box.top, 60);
    EXPECT_LT(box.bottom, oy + 100);
}

TEST(Draw, TextFormatDrawsTheFormattedText) {
    setup();
    EXPECT_EQ(plako_text_format(PLAKO_BLACK, 0, 0, 18, "%d", 42), 2);
    RECT a;
    ASSERT_TRUE(ink_box(1, 1, 599, 538, &a));
    plako_erase();
    plako_text(PLAKO_BLACK, 0, 0, 18, "42");
    RECT b;
    ASSERT_TRUE(ink_box(1, 1, 599, 538, &b));
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.top, b.top);
    EXPECT_EQ(a.right, b.right);
    EXPECT_EQ(a.bottom, b.bottom);
}

// Each call creates its objects and destroys them before it returns.
TEST(Draw, NoCallLeavesAnObjectBehind) {
    harness::start();
    for (int i = 0; i < 25; i++) plako_console_printf("fill the ring %d\n", i);  // its blocks stay
    HeadlessObjectCounts before = {};
    headless_object_counts(&before);
    plako_erase();
    plako_circle(3, 0, 0, 10);
    plako_circle(77, 0, 0, -10);
    plako_triangle(4, 0, 0, 10, 0, 0, 10, 0);
    plako_triangle(4, 0, 0, 10, 0, 0, 10, 2);
    plako_rectangle(5, -5, -5, 5, 5, 0);
    plako_rectangle(5, -5, -5, 5, 5, 3);
    plako_line(6, 0, 0, 50, 20, 0);
    plako_line(6, 0, 0, 50, 20, 3);
    plako_text(7, 0, 0, 12, "leak\ncheck");
    plako_text_format(8, 0, 0, -20, "%s", "formatted");
    HeadlessObjectCounts after = {};
    headless_object_counts(&after);
    EXPECT_EQ(after.pens, before.pens);
    EXPECT_EQ(after.brushes, before.brushes);
    EXPECT_EQ(after.fonts, before.fonts);
    EXPECT_EQ(after.bitmaps, before.bitmaps);
    EXPECT_EQ(after.dcs, before.dcs);
    EXPECT_EQ(after.memory_blocks, before.memory_blocks);
    // The previous objects are back in the canvas: a plain Rectangle uses its black pen.
    plako_erase();
    EXPECT_EQ(canvas_px(0, 0), black);
}

}  // namespace
