// GDI objects and device contexts: defaults of a fresh DC, stock objects, selection and
// deletion rules, counting, bad handles, BitBlt and ScrollDC, and DCs of windows.
#include <gtest/gtest.h>

#include <climits>

#include "gdi_canvas.h"
#include "headless.h"

using namespace gdi_test;

namespace {

const COLORREF WHITE = RGB(255, 255, 255), RED = RGB(255, 0, 0), BLUE = RGB(0, 0, 255);

HeadlessObjectCounts counts() {
    HeadlessObjectCounts c;
    headless_object_counts(&c);
    return c;
}

// Fills the canvas with a pattern in which every pixel's colour names its position.
void pattern(Canvas &cv) {
    for (int y = 0; y < cv.h; y++)
        for (int x = 0; x < cv.w; x++) SetPixel(cv.dc, x, y, RGB(x, y, 7));
}

}  // namespace

TEST(GdiObjects, AFreshMemoryDcHasTheClassicDefaults) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetBkColor(dc), WHITE);
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    // Selecting returns what was there: BLACK_PEN, WHITE_BRUSH, a 1x1 bitmap, a font.
    HPEN pen = CreatePen(PS_SOLID, 3, RED);
    HBRUSH brush = CreateSolidBrush(BLUE);
    HBITMAP bmp = CreateCompatibleBitmap(dc, 4, 4);
    EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
    HGDIOBJ first_bitmap = SelectObject(dc, bmp);
    ASSERT_NE(first_bitmap, nullptr);
    EXPECT_NE(SelectObject(dc, GetStockObject(ANSI_FIXED_FONT)), nullptr);
    EXPECT_EQ(SelectObject(dc, GetStockObject(NULL_PEN)), pen);
    // A new bitmap is black; the first bitmap is 1 by 1.
    EXPECT_EQ(GetPixel(dc, 3, 3), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, 4, 3), CLR_INVALID);
    EXPECT_EQ(SelectObject(dc, first_bitmap), bmp);
    EXPECT_NE(GetPixel(dc, 0, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(dc, 1, 0), CLR_INVALID);
    // Modes and colours report the previous value.
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(dc, 7), 0);
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    EXPECT_EQ(SetTextColor(dc, RED), RGB(0, 0, 0));
    EXPECT_EQ(SetBkColor(dc, BLUE), WHITE);
    EXPECT_EQ(GetTextColor(dc), RED);
    EXPECT_EQ(GetBkColor(dc), BLUE);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_TRUE(DeleteObject(bmp));
}

TEST(GdiObjects, ObjectsAreCountedStockObjectsAreNot) {
    HeadlessObjectCounts before = counts();
    HDC dc = CreateCompatibleDC(nullptr);
    HPEN pen = CreatePen(PS_NULL, 0, 0);
    HBRUSH brush = CreateSolidBrush(RED);
    HBITMAP bmp = CreateCompatibleBitmap(dc, 2, 2);
    HFONT font = CreateFontA(-12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    for (int i = 0; i <= DEFAULT_GUI_FONT; i++) GetStockObject(i);
    HeadlessObjectCounts mid = counts();
    EXPECT_EQ(mid.dcs, before.dcs + 1);
    EXPECT_EQ(mid.pens, before.pens + 1);
    EXPECT_EQ(mid.brushes, before.brushes + 1);
    EXPECT_EQ(mid.bitmaps, before.bitmaps + 1);
    EXPECT_EQ(mid.fonts, before.fonts + 1);
    for (HGDIOBJ o : {HGDIOBJ(pen), HGDIOBJ(brush), HGDIOBJ(bmp), HGDIOBJ(font)})
        EXPECT_TRUE(DeleteObject(o));
    EXPECT_TRUE(DeleteDC(dc));
    HeadlessObjectCounts after = counts();
    EXPECT_EQ(after.dcs, before.dcs);
    EXPECT_EQ(after.pens, before.pens);
    EXPECT_EQ(after.brushes, before.brushes);
    EXPECT_EQ(after.bitmaps, before.bitmaps);
    EXPECT_EQ(after.fonts, before.fonts);
}

TEST(GdiObjects, DeleteRefusesStockAndSelectedObjectsAndSurvivesBadHandles) {
    Canvas cv(4, 4);
    // Stock objects stay usable after a delete, and keep their handles.
    HGDIOBJ white = GetStockObject(WHITE_BRUSH);
    DeleteObject(white);
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), white);
    HGDIOBJ old = SelectObject(cv.dc, white);
    EXPECT_NE(old, nullptr);
    SelectObject(cv.dc, old);
    // A selected object is refused until it is deselected.
    HPEN pen = CreatePen(PS_SOLID, 1, RED);
    HGDIOBJ prev = SelectObject(cv.dc, pen);
    EXPECT_FALSE(DeleteObject(pen));
    MoveToEx(cv.dc, 0, 1, nullptr);
    LineTo(cv.dc, 4, 1);  // still usable
    EXPECT_EQ(GetPixel(cv.dc, 3, 1), RED);
    SelectObject(cv.dc, prev);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_FALSE(DeleteObject(pen));  // already gone
    // A bitmap lives in one DC at a time and is refused while there.
    EXPECT_FALSE(DeleteObject(cv.bmp));
    HDC other = CreateCompatibleDC(cv.dc);
    EXPECT_EQ(SelectObject(other, cv.bmp), nullptr);
    DeleteDC(other);
    // Garbage handles are refused without harm.
    int junk = 0;
    HGDIOBJ bad = &junk;
    EXPECT_FALSE(DeleteObject(bad));
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_EQ(SelectObject(cv.dc, bad), nullptr);
    EXPECT_EQ(SelectObject(HDC(bad), GetStockObject(BLACK_PEN)), nullptr);
    EXPECT_EQ(GetStockObject(9), nullptr);
    EXPECT_EQ(GetStockObject(-1), nullptr);
    EXPECT_EQ(GetStockObject(INT_MAX), nullptr);
    EXPECT_EQ(GetPixel(HDC(bad), 0, 0), CLR_INVALID);
    EXPECT_EQ(SetPixel(HDC(bad), 0, 0, RED), CLR_INVALID);
    EXPECT_EQ(GetBkColor(HDC(bad)), CLR_INVALID);
    EXPECT_EQ(SetTextColor(HDC(bad), RED), CLR_INVALID);
    EXPECT_EQ(GetBkMode(HDC(bad)), 0);
    EXPECT_FALSE(DeleteDC(HDC(bad)));
    EXPECT_FALSE(MoveToEx(HDC(bad), 0, 0, nullptr));
    EXPECT_FALSE(LineTo(HDC(bad), 1, 1));
    EXPECT_FALSE(Ellipse(HDC(bad), 0, 0, 3, 3));
    EXPECT_FALSE(BitBlt(cv.dc, 0, 0, 2, 2, HDC(bad), 0, 0, SRCCOPY));
    EXPECT_FALSE(ScrollDC(HDC(bad), 1, 1, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(CreateCompatibleDC(HDC(bad)), nullptr);
}

TEST(GdiObjects, BitmapSizesAreBounded) {
    HeadlessObjectCounts before = counts();
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, -1, 5), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, INT_MAX, INT_MAX), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 100000, 100000), nullptr);
    HBITMAP none = CreateCompatibleBitmap(nullptr, 0, 10);  // the stock 1x1 bitmap, never counted
    EXPECT_NE(none, nullptr);
    EXPECT_EQ(counts().bitmaps, before.bitmaps);
}

TEST(GdiObjects, PixelsOnAndOffTheBitmap) {
    Canvas cv(5, 3);
    EXPECT_EQ(SetPixel(cv.dc, 4, 2, RGB(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(cv.dc, 4, 2), RGB(1, 2, 3));
    EXPECT_EQ(SetPixel(cv.dc, 5, 2, RED), CLR_INVALID);
    EXPECT_EQ(SetPixel(cv.dc, -1, 0, RED), CLR_INVALID);
    EXPECT_EQ(GetPixel(cv.dc, 0, 3), CLR_INVALID);
    EXPECT_EQ(GetPixel(cv.dc, INT_MIN, INT_MIN), CLR_INVALID);
    // Only the colour's 24 bits are kept.
    SetPixel(cv.dc, 0, 0, 0xff123456);
    EXPECT_EQ(GetPixel(cv.dc, 0, 0), COLORREF(0x123456));
}

TEST(GdiObjects, BitBltCopiesBetweenDcsClippedOnBothSides) {
    Canvas src(20, 20), dst(10, 10);
    pattern(src);
    // Destination partly off its bitmap and source partly off its own.
    EXPECT_TRUE(BitBlt(dst.dc, -2, 3, 8, 30, src.dc, 15, -1, SRCCOPY));
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 10; x++) {
            int sx = x + 2 + 15, sy = y - 3 - 1;  // where (x, y) would come from
            bool copied = x < 6 && y >= 3 && sx < 20 && sy >= 0 && sy < 20;
            EXPECT_EQ(dst.at(x, y), copied ? RGB(sx, sy, 7) : WHITE) << x << "," << y;
        }
    EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 5, 5, src.dc, 0, 0, 0x00EE0086));  // only SRCCOPY
    EXPECT_TRUE(BitBlt(dst.dc, 0, 0, INT_MAX, INT_MAX, src.dc, INT_MIN, INT_MIN, SRCCOPY));
    EXPECT_TRUE(BitBlt(dst.dc, INT_MAX, INT_MAX, INT_MAX, INT_MAX, src.dc, 0, 0, SRCCOPY));
    // Within one DC, overlapping moves read the source before overwriting it.
    Canvas one(12, 12);
    pattern(one);
    EXPECT_TRUE(BitBlt(one.dc, 2, 3, 8, 8, one.dc, 0, 0, SRCCOPY));
    for (int y = 3; y < 11; y++)
        for (int x = 2; x < 10; x++) ASSERT_EQ(one.at(x, y), RGB(x - 2, y - 3, 7)) << x << "," << y;
    pattern(one);
    EXPECT_TRUE(BitBlt(one.dc, 0, 0, 8, 8, one.dc, 3, 2, SRCCOPY));
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) ASSERT_EQ(one.at(x, y), RGB(x + 3, y + 2, 7)) << x << "," << y;
}

TEST(GdiObjects, ScrollDcMovesPixelsAndLeavesTheUncoveredStrip) {
    Canvas cv(8, 10);
    pattern(cv);
    RECT upd = {};
    // No rectangles: the whole surface moves up by 3; the bottom 3 rows keep their pixels.
    EXPECT_TRUE(ScrollDC(cv.dc, 0, -3, nullptr, nullptr, nullptr, &upd));
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 8; x++) ASSERT_EQ(cv.at(x, y), RGB(x, y < 7 ? y + 3 : y, 7)) << x << "," << y;
    EXPECT_EQ(upd.left, 0);
    EXPECT_EQ(upd.top, 7);
    EXPECT_EQ(upd.right, 8);
    EXPECT_EQ(upd.bottom, 10);
    // A scroll and clip rectangle: only pixels inside the clip change.
    pattern(cv);
    RECT rc = {2, 2, 6, 8};
    EXPECT_TRUE(ScrollDC(cv.dc, 1, 0, &rc, &rc, nullptr, &upd));
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 8; x++) {
            bool moved = x >= 3 && x < 6 && y >= 2 && y < 8;
            ASSERT_EQ(cv.at(x, y), RGB(moved ? x - 1 : x, y, 7)) << x << "," << y;
        }
    EXPECT_EQ(upd.left, 2);
    EXPECT_EQ(upd.right, 3);
    // Offsets beyond the surface move nothing.
    pattern(cv);
    EXPECT_TRUE(ScrollDC(cv.dc, INT_MIN, INT_MAX, nullptr, nullptr, nullptr, &upd));
    EXPECT_EQ(cv.at(7, 9), RGB(7, 9, 7));
}

namespace {
LRESULT CALLBACK plain_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }
}  // namespace

TEST(GdiObjects, WindowDcsDrawOnTheClientAreaAsItIsNow) {
    headless_select();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = plain_proc;
    wc.lpszClassName = "GdiTestWindow";
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "GdiTestWindow", "gdi", WS_OVERLAPPEDWINDOW, 0, 0, 100, 80, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    ShowWindow(w, SW_SHOW);  // a hidden window's DC draws nothing
    HeadlessObjectCounts before = counts();
    HDC dc = GetDC(w);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(counts().dcs, before.dcs + 1);
    EXPECT_EQ(GetBkColor(dc), WHITE);
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    HBRUSH red = CreateSolidBrush(RED);
    HGDIOBJ old = SelectObject(dc, red);
    EXPECT_TRUE(Rectangle(dc, 2, 3, 10, 12));
    EXPECT_EQ(headless_pixel(w, 2, 3), RGB(0, 0, 0));  // the pen ring
    EXPECT_EQ(headless_pixel(w, 5, 6), RED);
    EXPECT_EQ(GetPixel(dc, 5, 6), RED);
    // A window DC cannot hold a bitmap.
    HBITMAP bmp = CreateCompatibleBitmap(dc, 3, 3);
    EXPECT_EQ(SelectObject(dc, bmp), nullptr);
    DeleteObject(bmp);
    // Once the window is gone the DC draws nothing and reads nothing, without harm.
    DestroyWindow(w);
    EXPECT_TRUE(Rectangle(dc, 0, 0, 50, 50));
    EXPECT_EQ(GetPixel(dc, 5, 6), CLR_INVALID);
    SelectObject(dc, old);
    DeleteObject(red);
    ReleaseDC(w, dc);
    EXPECT_EQ(counts().dcs, before.dcs);
}
