// Windows, canvas and coordinates: the origin, the way clicks and drawing map to pixels, and the
// dirty flag by which the canvas reaches the graphics window.
#include "harness.h"

using harness::at_next_wait;
using harness::next_event;

namespace {

const COLORREF white = RGB(255, 255, 255);
const COLORREF black = RGB(0, 0, 0);
const COLORREF blue = RGB(0, 0, 255);

HWND graphics() { return window_graphics(); }

TEST(Window, WindowsHaveTheirTitlesAndPlaces) {
    harness::start();
    EXPECT_EQ(FindWindowA("DrawWndClass", "PLAKO Graphics"), graphics());
    EXPECT_EQ(FindWindowA("TextWndClass", "PLAKO Text"), window_console());
    RECT r = {};
    GetWindowRect(graphics(), &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, 601);
    EXPECT_EQ(r.bottom - r.top, 540);
    // The console: the screen's width along its bottom third, one pixel below the two-thirds line.
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    GetWindowRect(window_console(), &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 2 * h / 3 + 1);
    EXPECT_EQ(r.right - r.left, w);
    EXPECT_EQ(r.bottom - r.top, h / 3);
    EXPECT_TRUE(IsWindowVisible(graphics()));
    EXPECT_TRUE(IsWindowVisible(window_console()));
}

TEST(Window, OriginIsTheCentreOfTheClientArea) {
    harness::start();
    RECT rc = {};
    GetClientRect(graphics(), &rc);
    EXPECT_EQ(rc.right - rc.left, 595);
    EXPECT_EQ(rc.bottom - rc.top, 495);
    EXPECT_EQ(window_origin_x(), 297);
    EXPECT_EQ(window_origin_y(), 247);

    at_next_wait([] { headless_click(graphics(), 297, 247); });
    harness::Event e = next_event();
    EXPECT_EQ(e.kind, EVENT_MOUSE);
    EXPECT_EQ(e.x, 0);
    EXPECT_EQ(e.y, 0);
    at_next_wait([] { headless_click(graphics(), 0, 0); });
    e = next_event();
    EXPECT_EQ(e.x, -297);
    EXPECT_EQ(e.y, 247);
    at_next_wait([] { headless_click(graphics(), 594, 494); });
    e = next_event();
    EXPECT_EQ(e.x, 297);
    EXPECT_EQ(e.y, -247);
}

TEST(Window, DrawingReachesTheWindowAtTheNextPumpPass) {
    harness::start();
    plako_erase();
    plako_circle(PLAKO_BLUE, 0, 0, 3);
    plako_rectangle(PLAKO_BLUE, -297, 247, -297, 247, 0);  // the client area's top-left pixel
    plako_circle(PLAKO_BLUE, 400, 0, 5);                   // wholly beyond the bitmap
    // Nothing reaches the window until a pump pass flushes the canvas.
    EXPECT_NE(headless_pixel(graphics(), 297, 247), blue);
    plako_pump();
    EXPECT_EQ(headless_pixel(graphics(), 297, 247), blue);
    EXPECT_EQ(harness::canvas_px(297, 247), blue);
    EXPECT_EQ(headless_pixel(graphics(), 300, 247), blue);
    EXPECT_EQ(headless_pixel(graphics(), 301, 247), white);
    // A 1x1 rectangle draws nothing; the top-left pixel keeps the erase's black border.
    EXPECT_EQ(headless_pixel(graphics(), 0, 0), black);
    EXPECT_EQ(headless_pixel(graphics(), 1, 1), white);
}

// Paints a block of the window directly, bypassing the canvas.
void scribble(HWND w) {
    HDC dc = GetDC(w);
    HBRUSH b = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(dc, b);
    Rectangle(dc, 100, 100, 200, 200);
    SelectObject(dc, old);
    DeleteObject(b);
    ReleaseDC(w, dc);
}

TEST(Window, CleanCanvasIsNotCopiedAgainButPaintCopiesItWhole) {
    harness::start();
    plako_erase();
    harness::pump_all();
    ASSERT_EQ(headless_pixel(graphics(), 150, 150), white);
    scribble(graphics());
    ASSERT_EQ(headless_pixel(graphics(), 150, 150), RGB(255, 0, 0));
    // Not dirty: a pass copies nothing.
    plako_pump();
    EXPECT_EQ(headless_pixel(graphics(), 150, 150), RGB(255, 0, 0));
    // Dirty again: the whole canvas goes over, not just what was drawn.
    plako_circle(PLAKO_BLUE, -200, 200, 2);
    plako_pump();
    EXPECT_EQ(headless_pixel(graphics(), 150, 150), white);

    // WM_PAINT copies the whole canvas whatever the update region, and clears the dirty flag.
    scribble(graphics());
    RECT small = {0, 0, 5, 5};
    InvalidateRect(graphics(), &small, TRUE);
    harness::pump_all();
    EXPECT_EQ(headless_pixel(graphics(), 150, 150), white);
    EXPECT_EQ(headless_pixel(graphics(), 0, 0), black);
}

TEST(Window, PaintClearsTheDirtyFlag) {
    harness::start();
    plako_erase();
    harness::pump_all();
    plako_circle(PLAKO_BLUE, 0, 0, 4);  // dirty
    InvalidateRect(graphics(), NULL, TRUE);
    // Drain the queue with plain dispatches only: the paint copies and cleans.
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    EXPECT_EQ(headless_pixel(graphics(), 297, 247), blue);
    scribble(graphics());
    plako_pump();  // clean: nothing copied over the scribble
    EXPECT_EQ(headless_pixel(graphics(), 150, 150), RGB(255, 0, 0));
}

TEST(Window, StopReleasesTheWindowDcOnly) {
    harness::start();
    HeadlessObjectCounts before = {};
    headless_object_counts(&before);
    EXPECT_EQ(plako_stop(), 1);
    HeadlessObjectCounts after = {};
    headless_object_counts(&after);
    EXPECT_EQ(after.dcs, before.dcs - 1);
    EXPECT_EQ(after.windows, before.windows);
    EXPECT_EQ(after.bitmaps, before.bitmaps);
    // Nothing is copied to the released DC afterwards.
    plako_circle(PLAKO_BLUE, 0, 0, 4);
    plako_flush();
}

}  // namespace
