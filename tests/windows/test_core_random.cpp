// Random calls into the window core with arbitrary int32 arguments: nothing crashes (the
// sanitizer build checks memory), sizes stay bounded, no message names a dead window, and once
// everything is destroyed no window, menu or memory block is left.
#include <climits>
#include <random>

#include "window_log.h"

namespace {

using RandomUse = wlog::Fixture;

TEST_F(RandomUse, ArbitraryArgumentsLeaveTheCoreConsistent) {
    HeadlessObjectCounts before, after;
    headless_object_counts(&before);
    std::mt19937 rng(20261208);
    const int edge[] = {INT_MIN, INT_MIN + 1, -32769, -1, 0, 1, 255, 32768, INT_MAX - 1, INT_MAX};
    auto any = [&]() -> int { return (rng() & 1) ? edge[rng() % 10] : (int)rng(); };
    std::vector<HWND> wins;
    std::vector<HMENU> menus;
    std::vector<HGLOBAL> blocks;
    auto pick = [&](auto &v) { return v.empty() ? nullptr : v[rng() % v.size()]; };
    int dispatched = 0, created = 0;
    for (int step = 0; step < 3000; ++step) {
        HWND w = pick(wins);
        RECT r = {any(), any(), any(), any()};
        switch (rng() % 16) {
            case 0:
                if (wins.size() >= 40) break;
                wins.push_back(wlog::make((DWORD)rng(), any() % 3000, any() % 3000));
                created += IsWindow(wins.back()) ? 1 : 0;
                break;
            case 1:
                DestroyWindow(w);
                break;
            case 2:
                ShowWindow(w, any());
                break;
            case 3:
                InvalidateRect(w, (rng() & 1) ? &r : nullptr, any());
                break;
            case 4:
                ValidateRect(w, &r);
                break;
            case 5:
                if (w) SetTimer(w, (UINT_PTR)any(), (UINT)any(), nullptr);
                break;  // no thread timers left behind
            case 6:
                PostMessageA(w, (UINT)any(), (WPARAM)any(), (LPARAM)any());
                break;
            case 7:
                headless_click(w, any(), any());
                break;
            case 8:
                headless_key_down(w, any());
                headless_type(w, (unsigned char)rng());
                break;
            case 9:
                headless_advance((DWORD)any() & 0xfffff);
                break;
            case 10:
                menus.push_back(CreatePopupMenu());
                break;
            case 11:
                AppendMenuA(pick(menus), (UINT)any(), (UINT_PTR)pick(menus), "item");
                break;
            case 12:
                CheckMenuItem(pick(menus), (UINT)any(), (UINT)any());
                SetMenu(w, pick(menus));
                break;
            case 13:
                blocks.push_back(GlobalAlloc((UINT)any(), (SIZE_T)(unsigned)any() & 0xffff));
                break;
            case 14:
                GlobalFree(pick(blocks));
                break;
            default: {
                MSG m;
                for (int i = 0; i < 4 && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE); ++i) {
                    ASSERT_TRUE(m.hwnd == nullptr || IsWindow(m.hwnd)) << "message " << m.message;
                    TranslateMessage(&m);
                    DispatchMessageA(&m);
                    ++dispatched;
                }
            }
        }
        RECT c;
        if (GetClientRect(w, &c)) {
            ASSERT_GE(c.right, 0);
            ASSERT_LE(c.bottom, 8192);
        }
    }
    EXPECT_GT(created, 20);  // the run did exercise the core
    EXPECT_GT(dispatched, 200);
    for (HWND w : wins) DestroyWindow(w);
    for (HMENU m : menus) DestroyMenu(m);
    for (HGLOBAL b : blocks) GlobalFree(b);
    headless_object_counts(&after);
    EXPECT_EQ(after.windows, before.windows);
    EXPECT_EQ(after.menus, before.menus);
    EXPECT_EQ(after.memory_blocks, before.memory_blocks);
}

}  // namespace
