// Windows on the headless host: the messages of creation and destruction, classic geometry,
// visibility, closing, painting and the client pixels, and bad handles.
#include <climits>

#include "window_log.h"

namespace {

using Lifecycle = wlog::Fixture;
using Geometry = wlog::Fixture;
using Closing = wlog::Fixture;
using Painting = wlog::Fixture;
using BadInput = wlog::Fixture;

HMENU bar_with_popup() {
    HMENU bar = CreateMenu(), run = CreatePopupMenu();
    AppendMenuA(run, MF_STRING, 1, "&Animate\tCtrl+A");
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)run, "&Run");
    return bar;
}

TEST_F(Lifecycle, CreateSendsCreateThenSizeWithTheMenuAlreadyAttached) {
    // As the graphics window does: the menu is attached while WM_CREATE runs.
    wlog::state().hook = [](HWND w, UINT m, WPARAM, LPARAM, LRESULT *) {
        if (m == WM_CREATE) SetMenu(w, bar_with_popup());
        return false;
    };
    size_t from = wlog::mark();
    HWND w = wlog::make(WS_CAPTION | WS_SYSMENU, 601, 540);
    ASSERT_TRUE(IsWindow(w));
    EXPECT_EQ(wlog::messages(w, from), (std::vector<UINT>{WM_CREATE, WM_SIZE}));
    EXPECT_EQ(wlog::state().log.back().lp, MAKELPARAM(595, 495));
    RECT rc;
    ASSERT_TRUE(GetClientRect(w, &rc));
    EXPECT_EQ(rc.left, 0);
    EXPECT_EQ(rc.top, 0);
    EXPECT_EQ(rc.right, 595);
    EXPECT_EQ(rc.bottom, 495);
    ASSERT_TRUE(GetWindowRect(w, &rc));
    EXPECT_EQ(rc.left, 10);
    EXPECT_EQ(rc.top, 20);
    EXPECT_EQ(rc.right, 611);
    EXPECT_EQ(rc.bottom, 560);
}

TEST_F(Lifecycle, CreateFailsWhenWmCreateSaysSoAndLeavesNothing) {
    HeadlessObjectCounts before, after;
    headless_object_counts(&before);
    wlog::state().hook = [](HWND, UINT m, WPARAM, LPARAM, LRESULT *r) {
        *r = -1;
        return m == WM_CREATE;
    };
    EXPECT_EQ(wlog::make(), nullptr);
    headless_object_counts(&after);
    EXPECT_EQ(after.windows, before.windows);
    EXPECT_EQ(wlog::state().log.back().msg, (UINT)WM_DESTROY);
}

TEST_F(Lifecycle, DestroySendsDestroyAndTakesTimersMenuAndQueuedMessages) {
    HeadlessObjectCounts before, after;
    headless_object_counts(&before);
    HWND w = wlog::make();
    SetMenu(w, bar_with_popup());
    SetTimer(w, 1, 100, nullptr);
    PostMessageA(w, WM_USER, 0, 0);
    size_t from = wlog::mark();
    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_EQ(wlog::messages(w, from), std::vector<UINT>{WM_DESTROY});
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(DestroyWindow(w));
    headless_object_counts(&after);
    EXPECT_EQ(after.windows, before.windows);
    EXPECT_EQ(after.menus, before.menus) << "the menu bar and its popup go with the window";
    DWORD t0 = headless_now();
    headless_advance(1000);
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << "neither the timer nor the posted message";
    EXPECT_EQ(headless_now(), t0 + 1000 + 1);  // an empty look costs a millisecond, no more
    // A later window never takes over the old handle.
    HWND again = wlog::make();
    EXPECT_NE(again, w);
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(Lifecycle, ShowReturnsThePreviousVisibilityAndFindLooksUpClassAndTitle) {
    HWND w = wlog::make(WS_OVERLAPPEDWINDOW, 300, 200, "Some Title");
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_FALSE(ShowWindow(w, SW_SHOWNORMAL));
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_TRUE(ShowWindow(w, SW_SHOW));
    EXPECT_EQ(GetFocus(), w) << "a shown window gets the focus";
    EXPECT_TRUE(ShowWindow(w, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_EQ(FindWindowA("LogClass", "Some Title"), w);
    EXPECT_EQ(FindWindowA("logclass", nullptr) != nullptr, true);
    EXPECT_EQ(FindWindowA(nullptr, "some title"), w);
    EXPECT_EQ(FindWindowA("NoSuchClass", nullptr), nullptr);
    EXPECT_EQ(FindWindowA(nullptr, "Other"), nullptr);
}

TEST_F(Geometry, ClassicMetricsGiveTheClientArea) {
    struct Case {
        DWORD style;
        int w, h;
        bool menu;
        LONG cw, ch;
    };
    const Case cases[] = {
        {WS_CAPTION | WS_SYSMENU, 601, 540, true, 595, 495},
        {WS_CAPTION | WS_SYSMENU, 601, 540, false, 595, 515},
        {WS_OVERLAPPEDWINDOW, 1280, 341, false, 1274, 316},
        {WS_CAPTION, 4, 10, true, 0, 0},  // smaller than its decorations: an empty client area
    };
    for (const Case &c : cases) {
        HWND w = wlog::make(c.style, c.w, c.h);
        if (c.menu) SetMenu(w, bar_with_popup());
        RECT rc;
        ASSERT_TRUE(GetClientRect(w, &rc));
        EXPECT_EQ(rc.right, c.cw) << c.w << "x" << c.h << " menu " << c.menu;
        EXPECT_EQ(rc.bottom, c.ch) << c.w << "x" << c.h << " menu " << c.menu;
    }
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 19);
    EXPECT_EQ(GetSystemMetrics(SM_CXFIXEDFRAME), 3);
    EXPECT_EQ(GetSystemMetrics(SM_CYMENU), 20);
}

TEST_F(Geometry, MenuAttachedLaterResizesTheClientAndSaysSo) {
    HWND w = wlog::make(WS_CAPTION | WS_SYSMENU, 601, 540);
    size_t from = wlog::mark();
    SetMenu(w, bar_with_popup());
    EXPECT_EQ(wlog::messages(w, from), std::vector<UINT>{WM_SIZE});
    EXPECT_EQ(wlog::state().log.back().lp, MAKELPARAM(595, 495));
    HMENU bar = GetMenu(w);
    SetMenu(w, nullptr);
    EXPECT_EQ(wlog::state().log.back().lp, MAKELPARAM(595, 515));
    DestroyMenu(bar);
}

TEST_F(Geometry, ExtremeSizesAndPositionsAreClamped) {
    const int values[] = {INT_MIN, -1, 0, INT_MAX, CW_USEDEFAULT};
    for (int v : values) {
        HWND w = wlog::make(WS_OVERLAPPEDWINDOW, v, v);
        ASSERT_TRUE(IsWindow(w)) << v;
        RECT rc;
        GetClientRect(w, &rc);
        EXPECT_GE(rc.right, 0);
        EXPECT_GE(rc.bottom, 0);
        EXPECT_LE(rc.right, 8192);
        EXPECT_LE(rc.bottom, 8192);
        HWND p =
            CreateWindowExA(0, "LogClass", "p", WS_POPUP, v, v, 10, 10, nullptr, nullptr, nullptr, nullptr);
        GetWindowRect(p, &rc);
        EXPECT_LE(rc.left, rc.right);
        DestroyWindow(p);
        DestroyWindow(w);
    }
}

TEST_F(Closing, CloseBoxAndAltF4DestroyThroughTheDefaultProcedure) {
    HWND a = wlog::make(), b = wlog::make();
    size_t from = wlog::mark();
    headless_close(a);
    wlog::pump();
    EXPECT_EQ(wlog::messages(a, from), (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}));
    EXPECT_FALSE(IsWindow(a));

    from = wlog::mark();
    headless_key_down(b, VK_MENU);
    headless_key_down(b, VK_F4);
    headless_key_up(b, VK_F4);
    headless_key_up(b, VK_MENU);
    wlog::pump();
    EXPECT_EQ(wlog::messages(b, from),
              (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}));
    EXPECT_FALSE(IsWindow(b)) << "the key-ups after it found no window";
}

TEST_F(Closing, ProcedureThatKeepsTheWindowOnCloseKeepsIt) {
    wlog::state().hook = [](HWND, UINT m, WPARAM, LPARAM, LRESULT *) { return m == WM_CLOSE; };
    HWND w = wlog::make();
    headless_close(w);
    wlog::pump();
    EXPECT_TRUE(IsWindow(w));
}

TEST_F(Painting, ClientStartsInTheClassBackgroundAndBeginPaintErasesWhatIsInvalid) {
    HWND w = wlog::make(WS_CAPTION, 100, 80);  // client 94 by 55
    EXPECT_EQ(headless_pixel(w, 0, 0), wlog::background);
    EXPECT_EQ(headless_pixel(w, 93, 54), wlog::background);
    EXPECT_EQ(headless_pixel(w, 94, 0), CLR_INVALID);
    EXPECT_EQ(headless_pixel(w, -1, 0), CLR_INVALID);

    HDC dc = GetDC(w);
    SetPixel(dc, 50, 10, RGB(255, 0, 0));
    EXPECT_EQ(headless_pixel(w, 50, 10), wlog::background) << "a hidden window's DC draws nothing";
    ShowWindow(w, SW_SHOW);
    ValidateRect(w, nullptr);
    for (int x = 0; x < 94; ++x) SetPixel(dc, x, 10, RGB(255, 0, 0));
    EXPECT_EQ(ReleaseDC(w, dc), 1);
    EXPECT_EQ(headless_pixel(w, 50, 10), RGB(255, 0, 0));

    RECT a = {5, 5, 20, 12}, b = {40, 8, 30, 11};  // the second with its corners swapped
    InvalidateRect(w, &a, TRUE);
    InvalidateRect(w, &b, FALSE);
    PAINTSTRUCT ps;
    HDC pdc = BeginPaint(w, &ps);
    ASSERT_NE(pdc, nullptr);
    EXPECT_EQ(ps.rcPaint.left, 5);
    EXPECT_EQ(ps.rcPaint.top, 5);
    EXPECT_EQ(ps.rcPaint.right, 40);
    EXPECT_EQ(ps.rcPaint.bottom, 12);
    EXPECT_FALSE(ps.fErase) << "the class brush erased it already";
    EXPECT_EQ(headless_pixel(w, 5, 10), wlog::background);
    EXPECT_EQ(headless_pixel(w, 39, 10), wlog::background);
    EXPECT_EQ(headless_pixel(w, 4, 10), RGB(255, 0, 0)) << "outside the invalid part";
    EXPECT_EQ(headless_pixel(w, 40, 10), RGB(255, 0, 0));
    EndPaint(w, &ps);

    InvalidateRect(w, nullptr, FALSE);  // no erase asked: the pixels stay
    BeginPaint(w, &ps);
    EndPaint(w, &ps);
    EXPECT_EQ(headless_pixel(w, 50, 10), RGB(255, 0, 0));
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Painting, WmPaintComesForVisibleWindowsAndDefaultProcedureValidates) {
    HWND w = wlog::make();
    InvalidateRect(w, nullptr, TRUE);
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << "a hidden window is not painted";
    ShowWindow(w, SW_SHOW);
    size_t from = wlog::mark();
    EXPECT_EQ(wlog::pump(), 1);
    EXPECT_EQ(wlog::messages(w, from), std::vector<UINT>{WM_PAINT});
    // ValidateRect that cuts a strip off keeps the rest; UpdateWindow paints at once.
    RECT all = {0, 0, 194, 125}, top = {0, 0, 194, 50};
    InvalidateRect(w, &all, FALSE);
    ValidateRect(w, &top);
    from = wlog::mark();
    UpdateWindow(w);
    EXPECT_EQ(wlog::messages(w, from), std::vector<UINT>{WM_PAINT});
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Painting, ClientPixelsReadBackRowByRow) {
    HWND w = wlog::make(WS_CAPTION, 10, 28);  // client 4 by 3
    ShowWindow(w, SW_SHOW);
    HDC dc = GetDC(w);
    SetPixel(dc, 3, 2, RGB(1, 2, 3));
    ReleaseDC(w, dc);
    unsigned int px[12];
    int cw = 0, ch = 0;
    EXPECT_EQ(headless_client_pixels(w, px, 11, &cw, &ch), 0) << "too small a buffer";
    EXPECT_EQ(cw, 4);
    EXPECT_EQ(ch, 3);
    ASSERT_EQ(headless_client_pixels(w, px, 12, &cw, &ch), 12);
    EXPECT_EQ(px[0], 0x000a141eu);  // 0x00RRGGBB of RGB(10, 20, 30)
    EXPECT_EQ(px[11], 0x00010203u);
}

TEST_F(BadInput, MadeUpAndStaleHandlesAreRefused) {
    HWND bogus = (HWND)(intptr_t)0x4242;
    RECT rc = {1, 2, 3, 4};
    PAINTSTRUCT ps;
    EXPECT_FALSE(IsWindow(bogus));
    EXPECT_FALSE(IsWindow(nullptr));
    EXPECT_FALSE(ShowWindow(bogus, SW_SHOW));
    EXPECT_FALSE(GetClientRect(bogus, &rc));
    EXPECT_FALSE(GetWindowRect(bogus, &rc));
    EXPECT_EQ(SendMessageA(bogus, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(DefWindowProcA(bogus, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(GetDC(bogus), nullptr);
    EXPECT_EQ(BeginPaint(bogus, &ps), nullptr);
    EXPECT_FALSE(InvalidateRect(bogus, nullptr, TRUE));
    EXPECT_FALSE(SetMenu(bogus, nullptr));
    EXPECT_EQ(GetMenu(bogus), nullptr);
    EXPECT_EQ(SetFocus(bogus), nullptr);
    EXPECT_EQ(headless_pixel(bogus, 0, 0), CLR_INVALID);
    EXPECT_EQ(headless_menu_choose(bogus, 1), 0);
    HWND w = wlog::make();
    EXPECT_FALSE(GetClientRect(w, nullptr));
    EXPECT_EQ(BeginPaint(w, nullptr), nullptr);
    EXPECT_FALSE(SetMenu(w, (HMENU)bogus)) << "not a menu";
    EXPECT_EQ(ReleaseDC(w, (HDC)bogus), 0);
    HDC mem = CreateCompatibleDC(nullptr);
    EXPECT_EQ(ReleaseDC(w, mem), 0) << "a memory DC is not released by ReleaseDC";
    EXPECT_TRUE(DeleteDC(mem));
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(CreateWindowExA(0, nullptr, "x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
    WNDCLASSA wc = {};
    EXPECT_EQ(RegisterClassA(&wc), 0) << "no name";
    EXPECT_EQ(RegisterClassA(nullptr), 0);
    wc.lpszClassName = "LogClass";
    EXPECT_EQ(RegisterClassA(&wc), 0) << "taken";
    EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
}

}  // namespace
