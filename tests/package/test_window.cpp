// Windows, canvas and coordinates: the origin, clicks and drawing mapped to pixels, and the dirty
// flag by which the canvas reaches the graphics window.
#include "harness.h"

using namespace harness;
using Window = PackageTest;

namespace {

const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0), blue = RGB(0, 0, 255), red = RGB(255, 0, 0);

HWND graphics() { return window_graphics(); }
COLORREF shown(int x, int y) { return headless_pixel(graphics(), x, y); }

TEST_F(Window, PlacesTheWindowsAndTheOriginAtTheClientCentre) {
    start();
    RECT r = {};
    GetWindowRect(window_console(), &r);
    int h = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(r.top, 2 * h / 3 + 1);
    EXPECT_EQ(r.bottom - r.top, h / 3);
    EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXSCREEN));
    GetClientRect(graphics(), &r);
    EXPECT_EQ(r.right, 595);
    EXPECT_EQ(r.bottom, 495);
    EXPECT_EQ(window_origin_x(), 297);
    EXPECT_EQ(window_origin_y(), 247);

    const int pixels[3][2] = {{297, 247}, {0, 0}, {594, 494}};
    const int canvas[3][2] = {{0, 0}, {-297, 247}, {297, -247}};
    for (int i = 0; i < 3; i++) {
        at_next_wait([&, i] { headless_click(graphics(), pixels[i][0], pixels[i][1]); });
        Event e = next_event();
        EXPECT_EQ(e.kind, EVENT_MOUSE);
        EXPECT_EQ(e.x, canvas[i][0]);
        EXPECT_EQ(e.y, canvas[i][1]);
    }
}

TEST_F(Window, DrawingReachesTheWindowAtTheNextPumpPass) {
    start();
    plako_erase();
    plako_circle(PLAKO_BLUE, 0, 0, 3);
    plako_rectangle(PLAKO_BLUE, -296, 246, -295, 245, 0);  // at the client area's top-left corner
    plako_circle(PLAKO_BLUE, 400, 0, 5);                   // wholly beyond the bitmap
    EXPECT_NE(shown(297, 247), blue);
    plako_pump();
    EXPECT_EQ(shown(297, 247), blue);
    EXPECT_EQ(shown(300, 247), blue);
    EXPECT_EQ(shown(301, 247), white);
    EXPECT_EQ(shown(1, 1), blue);
    EXPECT_EQ(shown(0, 0), black);  // the erase's border
}

// Paints a block of the window directly, bypassing the canvas.
void scribble() {
    HDC dc = GetDC(graphics());
    HBRUSH b = CreateSolidBrush(red);
    HGDIOBJ old = SelectObject(dc, b);
    Rectangle(dc, 100, 100, 200, 200);
    SelectObject(dc, old);
    DeleteObject(b);
    ReleaseDC(graphics(), dc);
}

TEST_F(Window, OnlyADirtyCanvasOrAPaintIsCopiedAndThenWhole) {
    start();
    plako_erase();
    pump_all();
    scribble();
    plako_pump();  // clean: nothing copied
    EXPECT_EQ(shown(150, 150), red);
    plako_circle(PLAKO_BLUE, -200, 200, 2);
    plako_pump();  // dirty: the whole canvas goes over, not just the circle
    EXPECT_EQ(shown(150, 150), white);

    // WM_PAINT copies the whole canvas whatever the update region, and leaves it clean.
    scribble();
    plako_circle(PLAKO_BLUE, 0, 0, 4);
    RECT small = {0, 0, 5, 5};
    InvalidateRect(graphics(), &small, TRUE);
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);  // no flush here
    EXPECT_EQ(shown(150, 150), white);
    EXPECT_EQ(shown(297, 247), blue);
    scribble();
    plako_pump();
    EXPECT_EQ(shown(150, 150), red);
}

TEST_F(Window, StopReleasesOnlyTheWindowDc) {
    start();
    HeadlessObjectCounts before = object_counts();
    EXPECT_EQ(plako_stop(), 1);
    HeadlessObjectCounts after = object_counts();
    EXPECT_EQ(after.dcs, before.dcs - 1);
    EXPECT_EQ(after.windows, before.windows);
    EXPECT_EQ(after.bitmaps, before.bitmaps);
    plako_circle(PLAKO_BLUE, 0, 0, 4);
    plako_flush();  // nowhere to copy to any more: nothing happens
}

}  // namespace
