// The inspector: which kept calls paint a pixel (topmost first), the overlay on the window and never
// on the canvas, and the run controls and events while it is on.
#include "harness.h"

using namespace harness;
using Inspector = PackageTest;

namespace {

HWND graphics() { return window_graphics(); }

void press_f2() {
    headless_key_down(graphics(), VK_F2);
    headless_key_up(graphics(), VK_F2);
}

// The first canvas pixel of colour c in the canvas box x1..x2 by y1..y2 (y1 the top); false if none.
bool find_pixel(COLORREF c, int x1, int y1, int x2, int y2, int *x, int *y) {
    for (int j = y1; j >= y2; j--)
        for (int i = x1; i <= x2; i++)
            if (canvas_at(i, j) == c) {
                *x = i;
                *y = j;
                return true;
            }
    return false;
}

std::vector<int> calls_at(int x, int y, int max = 8) {
    int out[8] = {};
    int n = scene_calls_at(px(x), py(y), out, max);
    return std::vector<int>(out, out + n);
}

TEST_F(Inspector, CallsUnderAPixelAreTheOnesThatPaintItTopmostFirst) {
    start();
    plako_rectangle(PLAKO_BLUE, -100, 100, 100, -100, 0);  // 0
    plako_circle(PLAKO_RED, 0, 0, 50);                     // 1, over 0
    plako_text(PLAKO_BLACK, -95, 60, 24, "Wg");            // 2, over 0
    plako_rectangle(PLAKO_GREEN, 150, 150, 170, 130, 0);   // 3, wholly covered by 4
    plako_rectangle(PLAKO_YELLOW, 140, 160, 180, 120, 0);  // 4
    plako_line(PLAKO_MAGENTA, -200, -150, 200, -150, 1);   // 5, a thin line: only its own row
    int tx = 0, ty = 0;
    ASSERT_TRUE(find_pixel(palette_colour(PLAKO_BLACK), -100, 100, 0, 50, &tx, &ty)) << "the text was drawn";
    struct Case {
        const char *where;
        int x, y;
        std::vector<int> calls;
    } cases[] = {
        {"the circle's centre, over the rectangle", 0, 0, {1, 0}},
        {"the rectangle beside the circle", 80, -80, {0}},
        {"just outside the circle's edge", 0, 52, {0}},
        {"a pixel of the text", tx, ty, {2, 0}},
        {"the covered rectangle, under the one covering it", 160, 140, {4, 3}},
        {"the covering rectangle alone", 175, 125, {4}},
        {"the line's row", 150, -150, {5}},
        {"a row beside the line", 150, -151, {}},
        {"nothing drawn", -200, 200, {}},
    };
    for (const Case &c : cases) EXPECT_EQ(calls_at(c.x, c.y), c.calls) << c.where;
    EXPECT_EQ(calls_at(0, 0, 1), std::vector<int>{1}) << "at most max, topmost first";
    plako_erase();
    EXPECT_EQ(calls_at(0, 0), std::vector<int>{}) << "an erase forgets the calls";
}

TEST_F(Inspector, OverlayIsOnTheWindowNeverOnTheCanvasAndLeaksNothing) {
    start();
    plako_rectangle(PLAKO_BLUE, -100, 100, 100, -100, 0);
    pump_all();
    HeadlessObjectCounts before = object_counts();
    const int gx = px(150), gy = py(200);  // on the grid line x = 150, far from labels and the box
    COLORREF canvas_grid = canvas_px(gx, gy), canvas_axis = canvas_px(px(0), py(200));
    ASSERT_EQ(headless_pixel(graphics(), gx, gy), canvas_grid);
    press_f2();
    headless_mouse_move(graphics(), px(0), py(0));
    pump_all();
    EXPECT_TRUE(inspector_on());
    EXPECT_EQ(headless_pixel(graphics(), gx, gy), RGB(0xc0, 0xc0, 0xc0)) << "a grid line";
    EXPECT_EQ(headless_pixel(graphics(), px(0), py(200)), RGB(0x40, 0x40, 0x40)) << "the y axis";
    EXPECT_EQ(canvas_px(gx, gy), canvas_grid);
    EXPECT_EQ(canvas_px(px(0), py(200)), canvas_axis);
    // The box beside the mouse: its pale yellow, inside the client area.
    EXPECT_EQ(headless_pixel(graphics(), px(0) + 17, py(0) + 17), RGB(0xff, 0xff, 0xe1));
    // A frame drawn while it is on is covered again; the window shows the canvas under it.
    plako_circle(PLAKO_RED, 150, 50, 20);
    pump_all();
    EXPECT_EQ(headless_pixel(graphics(), px(150), py(50)), RGB(0xc0, 0xc0, 0xc0)) << "grid over the circle";
    EXPECT_EQ(headless_pixel(graphics(), px(140), py(45)), canvas_at(140, 45));
    EXPECT_EQ(canvas_at(150, 50), palette_colour(PLAKO_RED));
    // Near the lower right corner the box flips above and left of the mouse, staying inside.
    headless_mouse_move(graphics(), 590, 490);
    pump_all();
    EXPECT_EQ(headless_pixel(graphics(), 580, 480), RGB(0xff, 0xff, 0xe1));
    press_f2();
    pump_all();
    EXPECT_FALSE(inspector_on());
    EXPECT_EQ(headless_pixel(graphics(), gx, gy), canvas_grid) << "off: the window is the canvas again";
    EXPECT_EQ(headless_pixel(graphics(), 580, 480), canvas_px(580, 480));
    // GDI objects only: the console's logged lines take memory blocks of their own.
    HeadlessObjectCounts after = object_counts();
    EXPECT_EQ(std::vector<int>({before.pens, before.brushes, before.fonts, before.bitmaps, before.dcs}),
              std::vector<int>({after.pens, after.brushes, after.fonts, after.bitmaps, after.dcs}));
}

TEST_F(Inspector, HaltAndOneFrameWorkWhileItIsOnAndItsKeyIsNoEvent) {
    start();
    at_next_wait([] {
        press_f2();
        headless_mouse_move(graphics(), px(10), py(10));
        headless_type(graphics(), 'k');
    });
    Event e = next_event();
    EXPECT_EQ(e.kind, EVENT_KBD) << "neither F2 nor the move is an event";
    EXPECT_EQ(e.key, 'k');
    ASSERT_TRUE(inspector_on());
    plako_set_run_mode(RUN_ANIMATE);
    ASSERT_EQ(next_event().kind, EVENT_PERIODIC);
    at_next_wait([] { plako_test::ctrl_key(graphics(), 'H'); });
    EXPECT_EQ(next_event().kind, EVENT_PERIODIC);  // the tick already armed when it halted
    idle_then_click(4, 0, 0);
    EXPECT_EQ(next_event().kind, EVENT_MOUSE) << "halted: four ticks went by without an event";
    at_next_wait([] { plako_test::ctrl_key(graphics(), 'F'); });
    EXPECT_EQ(next_event().kind, EVENT_PERIODIC) << "one frame";
    idle_then_click(4, 1, 1);
    EXPECT_EQ(next_event().kind, EVENT_MOUSE) << "and only one";
    EXPECT_TRUE(inspector_on());
}

}  // namespace
