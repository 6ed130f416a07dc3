// The console lines of the drawing operations: corrections, log lines and their order, and calls
// with extreme arguments.
#include <limits.h>

#include <string>
#include <vector>

#include "harness.h"

using namespace harness;
using Messages = PackageTest;
using Lines = std::vector<std::string>;

namespace {

TEST_F(Messages, CorrectionsComeBeforeTheLogLineAndLineChecksWidthFirst) {
    start();
    mark();
    plako_line(30, 0, 0, 1, 1, -2);
    plako_triangle(30, 0, 0, 1, 1, 2, 0, -2);
    plako_rectangle(-1, 0, 0, 1, 1, -2);
    plako_circle(24, 5, 6, -7);
    EXPECT_EQ(since_mark(), (Lines{
                                "Width of -2 not possible, using width 2\n",
                                "Illegal color 30; using RED.\n",
                                "red line from (0,0) to (1,1), width 2\n",
                                "Illegal color 30; using RED.\n",
                                "Width of -2 not possible, using width 2\n",
                                "red triangle at (0,0), (1,1), (2,0)\n",
                                "Illegal color -1; using RED.\n",
                                "Width of -2 not possible, using width 2\n",
                                "red rectangle with bounding box (0,1) to (1,0) with line width 2\n",
                                "Illegal color 24; using RED.\n",
                                "Radius of -7 not possible, using radius 7\n",
                                "red circle at (5,6), radius 7\n",
                            }));
}

TEST_F(Messages, LogLinesNameTheColourAndTheCorrectedValues) {
    start();
    plako_erase();
    mark();
    plako_rectangle(PLAKO_BLACK, 10, -5, -10, 5, 0);
    plako_rectangle(PLAKO_GRAY_20, 10, 5, -10, -5, -4);
    plako_line(PLAKO_NAVY_BLUE, 1, 2, 3, 4, 0);
    plako_text(PLAKO_GRAY_50, -3, 4, 127, "say \"%d\"");
    plako_text(PLAKO_BLACK, 0, 0, 128, "b");
    plako_text(99, 0, 0, -200, "c");
    EXPECT_EQ(plako_text_format(PLAKO_WHITE, 1, 2, 5, "%d", 42), 2);
    plako_circle(99, 0, 0, 3);
    plako_erase();
    EXPECT_EQ(since_mark(), (Lines{
                                "black rectangle with bounding box (-10,5) to (10,-5), filled\n",
                                "Width of -4 not possible, using width 4\n",
                                "20% gray rectangle with bounding box (-10,5) to (10,-5) with line width 4\n",
                                "navy blue line from (1,2) to (3,4), width 0\n",
                                "50% gray text at (-3,4), \"say \"%d\"\"\n",
                                "ptsize of 128 not possible, using ptsize 127\n",
                                "black text at (0,0), \"b\"\n",
                                "ptsize of -200 not possible, using ptsize 200\n",
                                "ptsize of 200 not possible, using ptsize 127\n",
                                "Illegal color 99; using RED.\n",
                                "red text at (0,0), \"c\"\n",
                                "white text at (1,2), \"42\"\n",
                                "Illegal color 99; using RED.\n",
                                "red circle at (0,0), radius 3\n",
                                "Clearing the graphics window\n",
                            }));
}

TEST_F(Messages, IllegalColourDrawsRed) {
    start();
    plako_erase();
    plako_circle(-1, 0, 0, 3);
    EXPECT_EQ(canvas_at(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(palette_colour(PLAKO_PURPLE), RGB(153, 0, 204));
    EXPECT_EQ(palette_colour(PLAKO_GRAY_50), RGB(128, 128, 128));
}

TEST_F(Messages, LoggingOffLeavesOnlyCorrections) {
    start();
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
    plako_circle(0, 0, 0, INT_MIN);
    plako_text(0, 0, 0, INT_MIN, "x");
    EXPECT_EQ(since_mark(), (Lines{
                                "Width of -1 not possible, using width 1\n",
                                "Illegal color -5; using RED.\n",
                                "ptsize of 500 not possible, using ptsize 127\n",
                                "Radius of -2147483648 not possible, using radius 2147483647\n",
                                "ptsize of -2147483648 not possible, using ptsize 2147483647\n",
                                "ptsize of 2147483647 not possible, using ptsize 127\n",
                            }));
}

TEST_F(Messages, LongTextsAreDrawnAndLoggedCutToOneConsoleLine) {
    start();
    std::string big(1 << 20, 'A');
    EXPECT_EQ(plako_text(PLAKO_BLACK, 0, 0, 12, big.c_str()), 1);
    std::string log = console_lines().back();
    EXPECT_EQ(log.size(), 1023u);
    EXPECT_EQ(log.compare(0, 25, "black text at (0,0), \"AAA"), 0);
    EXPECT_EQ(log.back(), 'A');  // cut inside the text

    std::string lines;  // half a million lines: only the visible few are drawn
    for (int i = 0; i < 500000; i++) lines += "B\n";
    EXPECT_EQ(plako_text(PLAKO_BLUE, -100, 240, 9, lines.c_str()), 1);
    EXPECT_EQ(plako_text_format(PLAKO_BLACK, 0, 0, 12, "%2000d", 7), 2000);  // the full length
    EXPECT_EQ(console_lines().back().size(), 1023u);
}

// Every operation with mixes of extreme arguments returns 1, reports its corrections, creates
// no lasting object and leaves the canvas able to draw.
TEST_F(Messages, ExtremeArgumentsAreCorrectedAndSurvived) {
    start();
    plako_set_logging(0);
    const int v[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, 300, INT_MAX};
    for (int i = 0; i < 25; i++) plako_console_printf("fill %d\n", i);
    HeadlessObjectCounts before = object_counts();
    unsigned seed = 12345;
    auto pick = [&] { return v[((seed = seed * 1103515245u + 12345u) >> 16) % 7]; };
    for (int a : v)
        for (int b : v) {
            ASSERT_EQ(plako_circle(a, b, pick(), pick()), 1);
            ASSERT_EQ(plako_rectangle(pick(), a, b, pick(), pick(), pick()), 1);
            ASSERT_EQ(plako_line(pick(), a, b, pick(), pick(), pick()), 1);
            ASSERT_EQ(plako_triangle(pick(), a, b, pick(), pick(), pick(), pick(), pick()), 1);
            ASSERT_EQ(plako_text(pick(), a, b, pick(), "Extreme\ntext"), 1);
        }
    plako_set_logging(1);
    mark();
    plako_rectangle(0, INT_MIN, INT_MAX, INT_MAX, INT_MIN, INT_MIN);
    plako_circle(INT_MAX, INT_MAX, INT_MIN, INT_MAX);
    EXPECT_EQ(
        since_mark(),
        (Lines{"Width of -2147483648 not possible, using width 2147483647\n",
               "black rectangle with bounding box (-2147483648,2147483647) to (2147483647,-2147483648) with "
               "line width 2147483647\n",
               "Illegal color 2147483647; using RED.\n",
               "red circle at (2147483647,-2147483648), radius 2147483647\n"}));
    expect_same_objects(before, object_counts());

    // Boxes and ends are computed without overflow: huge shapes cover or cross the canvas.
    plako_set_logging(0);
    plako_erase();
    plako_circle(PLAKO_BLUE, 0, 0, INT_MAX);
    EXPECT_EQ(canvas_px(1, 1), RGB(0, 0, 255));
    EXPECT_EQ(canvas_px(599, 538), RGB(0, 0, 255));
    plako_rectangle(PLAKO_GREEN, INT_MIN, INT_MAX, INT_MAX, INT_MIN, 0);
    EXPECT_EQ(canvas_px(300, 300), RGB(0, 255, 0));
    plako_line(PLAKO_RED, 0, 0, INT_MAX, 0, 1);
    EXPECT_EQ(canvas_at(100, 0), RGB(255, 0, 0));
    EXPECT_EQ(canvas_at(100, 1), RGB(0, 255, 0));
}

}  // namespace
