// The menu model, menu choices and states through the headless host, and memory blocks: what
// they hold, how they are counted and freed, and how bad handles and sizes are refused.
#include <cstdint>
#include <cstring>

#include "window_log.h"

namespace {

using Menus = wlog::Fixture;
using MemoryBlocks = wlog::Fixture;

int menus_alive() {
    HeadlessObjectCounts c;
    headless_object_counts(&c);
    return c.menus;
}

int blocks_alive() {
    HeadlessObjectCounts c;
    headless_object_counts(&c);
    return c.memory_blocks;
}

// A bar with one popup: items 10 and 11, a separator, 12 checked, and two greyed lines with id 9.
struct RunMenu {
    HMENU bar, popup;
};
RunMenu build() {
    RunMenu r;
    r.bar = CreateMenu();
    r.popup = CreatePopupMenu();
    EXPECT_TRUE(AppendMenuA(r.popup, MF_STRING, 10, "&Animate\tCtrl+A"));
    EXPECT_TRUE(AppendMenuA(r.popup, MF_STRING, 11, "&Halt"));
    EXPECT_TRUE(AppendMenuA(r.popup, MF_SEPARATOR, 0, nullptr));
    EXPECT_TRUE(AppendMenuA(r.popup, MF_STRING | MF_CHECKED, 12, "&Logging"));
    EXPECT_TRUE(AppendMenuA(r.popup, MF_STRING | MF_GRAYED, 9, "info one"));
    EXPECT_TRUE(AppendMenuA(r.popup, MF_STRING | MF_GRAYED, 9, "info two"));
    EXPECT_TRUE(AppendMenuA(r.bar, MF_POPUP, (UINT_PTR)r.popup, "&Run"));
    return r;
}

TEST_F(Menus, ItemsTextsAndStatesByCommandAndByPosition) {
    RunMenu m = build();
    EXPECT_EQ(GetMenuItemCount(m.bar), 1);
    EXPECT_EQ(GetMenuItemCount(m.popup), 6);
    EXPECT_EQ(GetSubMenu(m.bar, 0), m.popup);
    EXPECT_EQ(GetSubMenu(m.popup, 0), nullptr);
    EXPECT_EQ(GetMenuItemID(m.popup, 1), 11u);
    EXPECT_EQ(GetMenuItemID(m.bar, 0), (UINT)-1) << "a popup has no command id";
    EXPECT_EQ(GetMenuItemID(m.popup, 6), (UINT)-1);
    EXPECT_EQ(GetMenuItemID(m.popup, -1), (UINT)-1);

    char buf[8];
    EXPECT_EQ(GetMenuStringA(m.bar, 10, buf, sizeof buf, MF_BYCOMMAND), 7) << "found through the popup";
    EXPECT_STREQ(buf, "&Animat");
    EXPECT_EQ(GetMenuStringA(m.popup, 0, nullptr, 0, MF_BYPOSITION), 15);
    EXPECT_EQ(GetMenuStringA(m.popup, 2, buf, sizeof buf, MF_BYPOSITION), 0);
    EXPECT_STREQ(buf, "");

    EXPECT_EQ(GetMenuState(m.popup, 12, MF_BYCOMMAND), (UINT)MF_CHECKED);
    EXPECT_EQ(GetMenuState(m.popup, 2, MF_BYPOSITION), (UINT)MF_SEPARATOR);
    EXPECT_EQ(GetMenuState(m.popup, 9, MF_BYCOMMAND), (UINT)MF_GRAYED) << "the first of the two";
    EXPECT_EQ(GetMenuState(m.bar, 0, MF_BYPOSITION), (UINT)((6 << 8) | MF_POPUP));
    EXPECT_EQ(GetMenuState(m.popup, 99, MF_BYCOMMAND), (UINT)-1);

    EXPECT_EQ(CheckMenuItem(m.bar, 12, MF_BYCOMMAND | MF_UNCHECKED), (DWORD)MF_CHECKED);
    EXPECT_EQ(CheckMenuItem(m.bar, 12, MF_BYCOMMAND | MF_UNCHECKED), 0u);
    EXPECT_EQ(CheckMenuItem(m.popup, 1, MF_BYPOSITION | MF_CHECKED), 0u);
    EXPECT_EQ(GetMenuState(m.popup, 11, MF_BYCOMMAND), (UINT)MF_CHECKED);
    EXPECT_EQ(CheckMenuItem(m.popup, 99, MF_CHECKED), (DWORD)-1);
    EXPECT_EQ(EnableMenuItem(m.popup, 10, MF_GRAYED), MF_ENABLED);
    EXPECT_EQ(EnableMenuItem(m.popup, 10, MF_ENABLED), MF_GRAYED);
    EXPECT_EQ(EnableMenuItem(m.popup, 99, MF_GRAYED), -1);
    DestroyMenu(m.bar);
}

TEST_F(Menus, CountedAndDestroyedWithTheirPopups) {
    int base = menus_alive();
    RunMenu m = build();
    EXPECT_EQ(menus_alive(), base + 2);
    EXPECT_TRUE(DestroyMenu(m.bar));
    EXPECT_EQ(menus_alive(), base);
    EXPECT_FALSE(DestroyMenu(m.popup)) << "already gone with its bar";
    EXPECT_EQ(GetMenuItemCount(m.popup), -1);
    EXPECT_FALSE(AppendMenuA(m.bar, MF_STRING, 1, "x"));
}

TEST_F(Menus, CyclesUnsupportedItemsAndBadHandlesAreRefused) {
    HMENU a = CreatePopupMenu(), b = CreatePopupMenu();
    EXPECT_TRUE(AppendMenuA(a, MF_POPUP, (UINT_PTR)b, "b"));
    EXPECT_FALSE(AppendMenuA(a, MF_POPUP, (UINT_PTR)a, "itself"));
    EXPECT_FALSE(AppendMenuA(b, MF_POPUP, (UINT_PTR)a, "its parent"));
    EXPECT_FALSE(AppendMenuA(a, MF_POPUP, (UINT_PTR)0x5150, "not a menu"));
    EXPECT_FALSE(AppendMenuA(a, 0x0004 /* bitmap */, 1, (LPCSTR)(uintptr_t)0x99));
    EXPECT_TRUE(AppendMenuA(a, MF_STRING, 1, nullptr)) << "an item without text";
    EXPECT_EQ(GetMenuItemCount(a), 2);
    HMENU bogus = (HMENU)(uintptr_t)0x4444;
    EXPECT_EQ(GetMenuItemCount(bogus), -1);
    EXPECT_EQ(CheckMenuItem(bogus, 1, MF_CHECKED), (DWORD)-1);
    EXPECT_EQ(GetMenuState(bogus, 1, 0), (UINT)-1);
    EXPECT_EQ(GetSubMenu(bogus, 0), nullptr);
    EXPECT_FALSE(DestroyMenu(bogus));
    DestroyMenu(a);
}

TEST_F(Menus, HeadlessChoosesEnabledItemsInInputOrderAndReadsStates) {
    HWND w = wlog::make(WS_CAPTION | WS_SYSMENU, 601, 540);
    RunMenu m = build();
    SetMenu(w, m.bar);
    EXPECT_EQ(headless_menu_state(w, 12), MF_CHECKED);
    EXPECT_EQ(headless_menu_state(w, 9), MF_GRAYED);
    EXPECT_EQ(headless_menu_state(w, 10), 0);
    EXPECT_EQ(headless_menu_state(w, 77), -1);
    EXPECT_EQ(headless_menu_choose(w, 9), 0) << "greyed";
    EXPECT_EQ(headless_menu_choose(w, 77), 0) << "no such item";

    headless_click(w, 3, 4);  // client pixels, below the bar
    EXPECT_EQ(headless_menu_choose(w, 11), 1);
    headless_type(w, 'x');
    std::vector<UINT> got;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        got.push_back(msg.message);
        if (msg.message == WM_LBUTTONDOWN) {
            EXPECT_EQ(msg.lParam, MAKELPARAM(3, 4));
        }
        if (msg.message == WM_COMMAND) {
            EXPECT_EQ(msg.wParam, (WPARAM)11);
        }
    }
    EXPECT_EQ(got, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_COMMAND, WM_KEYDOWN, WM_KEYUP}));
}

TEST_F(MemoryBlocks, MovableBlocksKeepTheirSizeLockCountAndAreCounted) {
    int base = blocks_alive();
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 5);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(blocks_alive(), base + 1);
    EXPECT_EQ(GlobalSize(h), 5u);
    char *p = (char *)GlobalLock(h);
    ASSERT_NE(p, nullptr);
    std::memcpy(p, "abcd", 5);
    EXPECT_EQ(GlobalLock(h), p) << "the same address while it lives";
    EXPECT_TRUE(GlobalUnlock(h)) << "still locked once";
    EXPECT_FALSE(GlobalUnlock(h));
    EXPECT_FALSE(GlobalUnlock(h)) << "not locked at all";
    EXPECT_STREQ((char *)GlobalLock(h), "abcd");
    EXPECT_EQ(GlobalFree(h), nullptr) << "freed although locked";
    EXPECT_EQ(blocks_alive(), base);
    EXPECT_EQ(GlobalFree(h), h) << "a second free fails";
    EXPECT_EQ(GlobalLock(h), nullptr);
    EXPECT_EQ(GlobalSize(h), 0u);
}

TEST_F(MemoryBlocks, ZeroInitFixedAndEmptyBlocks) {
    HGLOBAL z = GlobalAlloc(GHND, 64);
    const unsigned char *zp = (const unsigned char *)GlobalLock(z);
    ASSERT_NE(zp, nullptr);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(zp[i], 0) << i;
    GlobalUnlock(z);
    HGLOBAL f = GlobalAlloc(GPTR, 16);
    EXPECT_EQ(GlobalLock(f), (LPVOID)f) << "a fixed block's handle is its address";
    HGLOBAL e = GlobalAlloc(GMEM_MOVEABLE, 0);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(GlobalLock(e), nullptr) << "an empty movable block has no memory";
    EXPECT_EQ(GlobalSize(e), 0u);
    for (HGLOBAL h : {z, f, e}) EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST_F(MemoryBlocks, HugeSizesAndBadHandlesFailWithoutHarm) {
    int base = blocks_alive();
    for (SIZE_T n : {(SIZE_T)-1, (SIZE_T)1 << 40, ((SIZE_T)1 << 28) + 1}) {
        EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, n), nullptr) << n;
        EXPECT_EQ(GlobalAlloc(GPTR, n), nullptr) << n;
    }
    EXPECT_EQ(blocks_alive(), base);
    char on_stack[4];
    HGLOBAL bogus = (HGLOBAL)on_stack;
    EXPECT_EQ(GlobalLock(bogus), nullptr);
    EXPECT_FALSE(GlobalUnlock(bogus));
    EXPECT_EQ(GlobalSize(bogus), 0u);
    EXPECT_EQ(GlobalFree(bogus), bogus);
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
    EXPECT_EQ(GlobalLock(nullptr), nullptr);
}

}  // namespace
