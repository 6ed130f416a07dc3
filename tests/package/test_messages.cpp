// The console lines of the drawing operations: corrections, log lines and their order, and calls
// with extreme arguments.
#include <limits.h>

#include <string>
#include <vector>

#include "harness.h"

using harness::mark;
using harness::since_mark;
using Lines = std::vector<std::string>;

namespace {

const COLORREF red = RGB(255, 0, 0);

TEST(Messages, LineChecksWidthBeforeColourOtherShapesTheOtherWay) {
    harness::start();
    mark();
    plako_line(30, 0, 0, 1, 1, -2);
    EXPECT_EQ(since_mark(), (Lines{"Width of -2 not possible, using width 2\n", "Illegal color 30; using RED.\n",
                                   "red line from (0,0) to (1,1), width 2\n"}));
    mark();
    plako_triangle(30, 0, 0, 1, 1, 2, 0, -2);
    EXPECT_EQ(since_mark(), (Lines{"Illegal color 30; using RED.\n", "Width of -2 not possible, using width 2\n",
                                   "red triangle at (0,0), (1,1), (2,0)\n"}));
    mark();
    plako_rectangle(-1, 0, 0, 1, 1, -2);
    EXPECT_EQ(since_mark(),
              (Lines{"Illegal color -1; using RED.\n", "Width of -2 not possible, using width 2\n",
                     "red rectangle with bounding box (0,1) to (1,0) with line width 2\n"}));
    mark();
    plako_circle(24, 5, 6, -7);
    EXPECT_EQ(since_mark(), (Lines{"Illegal color 24; using RED.\n", "Radius of -7 not possible, using radius 7\n",
                                   "red circle at (5,6), radius 7\n"}));
}

TEST(Messages, LogLinesNameTheColourAndTheCorrectedValues) {
    harness::start();
    mark();
    plako_rectangle(PLAKO_BLACK, 10, -5, -10, 5, 0);
    plako_rectangle(PLAKO_BLUE, -10, -5, 10, 5, -4);
    plako_rectangle(PLAKO_GRAY_20, 10, 5, -10, -5, 1);
    plako_line(PLAKO_NAVY_BLUE, 1, 2, 3, 4, 0);
    plako_text(PLAKO_GRAY_50, -3, 4, 12, "say \"%d\"");
    plako_erase();
    EXPECT_EQ(since_mark(), (Lines{
                                "black rectangle with bounding box (-10,5) to (10,-5), filled\n",
                                "Width of -4 not possible, using width 4\n",
                                "blue rectangle with bounding box (-10,5) to (10,-5) with line width 4\n",
                                "20% gray rectangle with bounding box (-10,5) to (10,-5) with line width 1\n",
                                "navy blue line from (1,2) to (3,4), width 0\n",
                                "50% gray text at (-3,4), \"say \"%d\"\"\n",
                                "Clearing the graphics window\n",
                            }));
}

TEST(Messages, PointSizeCorrections) {
    harness::start();
    mark();
    plako_text(PLAKO_BLACK, 0, 0, 127, "a");
    EXPECT_EQ(since_mark(), Lines{"black text at (0,0), \"a\"\n"});
    mark();
    plako_text(PLAKO_BLACK, 0, 0, 128, "b");
    EXPECT_EQ(since_mark(),
              (Lines{"ptsize of 128 not possible, using ptsize 127\n", "black text at (0,0), \"b\"\n"}));
    mark();
    plako_text(99, 0, 0, -200, "c");
    EXPECT_EQ(since_mark(),
              (Lines{"ptsize of -200 not possible, using ptsize 200\n", "ptsize of 200 not possible, using ptsize 127\n",
                     "Illegal color 99; using RED.\n", "red text at (0,0), \"c\"\n"}));
    mark();
    EXPECT_EQ(plako_text_format(PLAKO_WHITE, 1, 2, -5, "%d", 42), 2);
    EXPECT_EQ(since_mark(),
              (Lines{"ptsize of -5 not possible, using ptsize 5\n", "white text at (1,2), \"42\"\n"}));
}

TEST(Messages, IllegalColourDrawsRedAndLogsRed) {
    harness::start();
    plako_erase();
    mark();
    plako_circle(99, 0, 0, 3);
    EXPECT_EQ(since_mark(), (Lines{"Illegal color 99; using RED.\n", "red circle at (0,0), radius 3\n"}));
    EXPECT_EQ(harness::canvas_at(0, 0), red);
    EXPECT_EQ(plako_check_colour(0), 0);
    EXPECT_EQ(plako_check_colour(23), 23);
    EXPECT_STREQ(palette_name(23), "20% gray");
    EXPECT_EQ(palette_colour(PLAKO_PURPLE), RGB(153, 0, 204));
    EXPECT_EQ(palette_colour(PLAKO_GRAY_50), RGB(128, 128, 128));
}

TEST(Messages, LoggingOffLeavesOnlyCorrections) {
    harness::start();
    plako_set_logging(0);
    mark();
    plako_erase();
    plako_circle(1, 0, 0, 5);
    plako_triangle(2, 0, 0, 1, 1, 2, 0, 0);
    plako_rectangle(3, 0, 0, 1, 1, 0);
    plako_line(4, 0, 0, 1, 1, 1);
    plako_text(5, 0, 0, 10, "quiet");
    plako_text_format(6, 0, 0, 10, "%s", "quiet");
    EXPECT_EQ(since_mark(), Lines{});
    plako_line(-5, 0, 0, 1, 1, -1);
    plako_text(0, 0, 0, 500, "x");
    EXPECT_EQ(since_mark(), (Lines{"Width of -1 not possible, using width 1\n", "Illegal color -5; using RED.\n",
                                   "ptsize of 500 not possible, using ptsize 127\n"}));
}

TEST(Messages, MostNegativeSizesBecomeTheLargest) {
    harness::start();
    plako_set_logging(0);
    mark();
    EXPECT_EQ(plako_circle(0, 0, 0, INT_MIN), 1);
    EXPECT_EQ(plako_line(0, 0, 0, 10, 10, INT_MIN), 1);
    EXPECT_EQ(plako_text(0, 0, 0, INT_MIN, "x"), 1);
    EXPECT_EQ(since_mark(), (Lines{
                                "Radius of -2147483648 not possible, using radius 2147483647\n",
                                "Width of -2147483648 not possible, using width 2147483647\n",
                                "ptsize of -2147483648 not possible, using ptsize 2147483647\n",
                                "ptsize of 2147483647 not possible, using ptsize 127\n",
                            }));
}

TEST(Messages, LongTextIsLoggedCutToOneConsoleLine) {
    harness::start();
    std::string big(1 << 20, 'A');
    EXPECT_EQ(plako_text(PLAKO_BLACK, 0, 0, 12, big.c_str()), 1);
    std::string log = harness::last_lines(1)[0];
    EXPECT_EQ(log.size(), 1023u);
    std::string head = "black text at (0,0), \"AAA";
    EXPECT_EQ(log.compare(0, head.size(), head), 0) << log.substr(0, 30);
    EXPECT_EQ(log.back(), 'A');  // cut inside the text: no closing quote, no newline

    // A million lines of text: the renderer draws the few visible ones.
    std::string lines;
    for (int i = 0; i < 500000; i++) lines += "B\n";
    EXPECT_EQ(plako_text(PLAKO_BLUE, -100, 240, 9, lines.c_str()), 1);

    // plako_text_format cuts what it formats at 1023 characters and reports the full length.
    EXPECT_EQ(plako_text_format(PLAKO_BLACK, 0, 0, 12, "%2000d", 7), 2000);
    log = harness::last_lines(1)[0];
    EXPECT_EQ(log.size(), 1023u);
}

// Every operation with every mix of extreme arguments returns 1, reports what it corrected and
// leaves the canvas able to draw.
TEST(Messages, ExtremeArgumentsAreCorrectedAndSurvived) {
    harness::start();
    plako_set_logging(0);
    const int v[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, 300, INT_MAX};
    const int n = (int)(sizeof v / sizeof v[0]);
    for (int i = 0; i < 25; i++) plako_console_printf("fill %d\n", i);
    HeadlessObjectCounts before = {};
    headless_object_counts(&before);

    unsigned seed = 12345;
    auto pick = [&] {
        seed = seed * 1103515245u + 12345u;
        return v[(seed >> 16) % n];
    };
    for (int a = 0; a < n; a++)
        for (int b = 0; b < n; b++) {
            ASSERT_EQ(plako_circle(v[a], v[b], pick(), pick()), 1);
            ASSERT_EQ(plako_rectangle(pick(), v[a], v[b], pick(), pick(), pick()), 1);
            ASSERT_EQ(plako_line(pick(), v[a], v[b], pick(), pick(), pick()), 1);
            ASSERT_EQ(plako_triangle(pick(), v[a], v[b], pick(), pick(), pick(), pick(), pick()), 1);
            ASSERT_EQ(plako_text(pick(), v[a], v[b], pick(), "Extreme\ntext"), 1);
        }
    // A negative width is reported with its exact magnitude.
    mark();
    plako_rectangle(0, INT_MIN, INT_MAX, INT_MAX, INT_MIN, INT_MIN);
    EXPECT_EQ(since_mark(), Lines{"Width of -2147483648 not possible, using width 2147483647\n"});
    mark();
    plako_set_logging(1);
    plako_circle(INT_MAX, INT_MAX, INT_MIN, INT_MAX);
    EXPECT_EQ(since_mark(), (Lines{"Illegal color 2147483647; using RED.\n",
                                   "red circle at (2147483647,-2147483648), radius 2147483647\n"}));
    plako_set_logging(0);

    HeadlessObjectCounts after = {};
    headless_object_counts(&after);
    EXPECT_EQ(after.pens, before.pens);
    EXPECT_EQ(after.brushes, before.brushes);
    EXPECT_EQ(after.fonts, before.fonts);
    EXPECT_EQ(after.memory_blocks, before.memory_blocks);

    plako_erase();
    plako_rectangle(PLAKO_BLUE, -2, 2, 2, -2, 0);
    EXPECT_EQ(harness::canvas_at(0, 0), RGB(0, 0, 255));
    EXPECT_EQ(harness::canvas_at(3, 0), RGB(255, 255, 255));
}

// A circle's box is computed without overflow: a huge radius around a visible centre covers the
// whole canvas.
TEST(Messages, HugeShapesClipToTheCanvas) {
    harness::start();
    plako_set_logging(0);
    plako_erase();
    plako_circle(PLAKO_BLUE, 0, 0, INT_MAX);
    EXPECT_EQ(harness::canvas_px(1, 1), RGB(0, 0, 255));
    EXPECT_EQ(harness::canvas_px(599, 538), RGB(0, 0, 255));
    plako_erase();
    plako_rectangle(PLAKO_GREEN, INT_MIN, INT_MAX, INT_MAX, INT_MIN, 0);
    EXPECT_EQ(harness::canvas_px(300, 300), RGB(0, 255, 0));
    plako_erase();
    plako_line(PLAKO_RED, 0, 0, INT_MAX, 0, 1);  // the end saturates; the visible part stays on its row
    EXPECT_EQ(harness::canvas_at(100, 0), RGB(255, 0, 0));
    EXPECT_EQ(harness::canvas_at(100, 1), RGB(255, 255, 255));
}

}  // namespace
