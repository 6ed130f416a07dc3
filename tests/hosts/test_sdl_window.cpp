// A window without a sizing frame on the desktop host, through the window core: a size the window
// system forces on it changes nothing the program sees, and its picture stays where it was.
#include <SDL.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "host.h"
#include "sdl_probe.h"

namespace {

struct Seen {
    int sizes;   // WM_SIZE messages
    int paints;  // WM_PAINT messages
};
Seen seen;

// Paints the client white with a red 10 by 10 square at its top-left corner.
LRESULT CALLBACK proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SIZE) seen.sizes++;
    if (msg != WM_PAINT) return DefWindowProcA(w, msg, wp, lp);
    seen.paints++;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(dc, red);
    Rectangle(dc, 0, 0, 10, 10);
    SelectObject(dc, old);
    DeleteObject(red);
    EndPaint(w, &ps);
    return 0;
}

void pump() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

TEST(SdlWindow, ForcedResizeKeepsTheClientSizeAndThePicture) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(plat::host_sdl.init(), 1);
    plat::host_select(&plat::host_sdl);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.lpszClassName = "fixed";
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    ASSERT_NE(RegisterClassA(&wc), 0);
    // Caption and system menu, no sizing frame or menu: 601 by 540 outside, 595 by 515 inside.
    HWND w = CreateWindowExA(0, "fixed", "fixed window", WS_CAPTION | WS_SYSMENU, 0, 0, 601, 540, nullptr,
                             nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    ShowWindow(w, SW_SHOWNORMAL);
    UpdateWindow(w);
    pump();
    SDL_Window *sdl = probe::window_titled("fixed window");
    ASSERT_NE(sdl, nullptr);
    EXPECT_EQ(probe::pixel(sdl, 5, 5), 0xff0000u);
    EXPECT_EQ(probe::pixel(sdl, 594, 514), 0xffffffu);
    RECT rc;
    ASSERT_TRUE(GetClientRect(w, &rc));
    ASSERT_EQ(rc.right, 595);
    ASSERT_EQ(rc.bottom, 515);

    // The window system makes it larger, ignoring the size hints.
    int sizes = seen.sizes, paints = seen.paints;
    SDL_SetWindowMaximumSize(sdl, 4000, 4000);
    SDL_SetWindowSize(sdl, 700, 600);
    pump();
    EXPECT_EQ(seen.sizes, sizes);
    EXPECT_GT(seen.paints, paints);  // shown again in the new surface
    ASSERT_TRUE(GetClientRect(w, &rc));
    EXPECT_EQ(rc.right, 595);
    EXPECT_EQ(rc.bottom, 515);
    ASSERT_TRUE(GetWindowRect(w, &rc));
    EXPECT_EQ(rc.right - rc.left, 601);
    EXPECT_EQ(rc.bottom - rc.top, 540);
    // The picture did not move; beyond it, nothing.
    EXPECT_EQ(probe::pixel(sdl, 5, 5), 0xff0000u);
    EXPECT_EQ(probe::pixel(sdl, 10, 10), 0xffffffu);
    EXPECT_EQ(probe::pixel(sdl, 594, 514), 0xffffffu);
    EXPECT_EQ(probe::pixel(sdl, 595, 100), 0u);
    EXPECT_EQ(probe::pixel(sdl, 100, 515), 0u);
    EXPECT_EQ(probe::pixel(sdl, 699, 599), 0u);
    DestroyWindow(w);
}

}  // namespace
