// The menu bar through the headless host: opening and choosing with the keyboard and the mouse,
// what the menu keeps from the window while it is open, and menus built to break it.
#include <gtest/gtest.h>
#include <headless.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

struct Seen {
    std::vector<WPARAM> commands;  // WM_COMMAND ids
    std::vector<int> chars;        // WM_CHAR characters
    int clicks = 0;                // WM_LBUTTONDOWN
    int closes = 0;                // WM_SYSCOMMAND SC_CLOSE
};
Seen seen;

LRESULT CALLBACK proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    switch (m) {
        case WM_COMMAND:
            seen.commands.push_back(w);
            return 0;
        case WM_CHAR:
            seen.chars.push_back((int)w);
            return 0;
        case WM_LBUTTONDOWN:
            seen.clicks++;
            return 0;
        case WM_SYSCOMMAND:
            if ((w & 0xfff0) == SC_CLOSE) {
                seen.closes++;
                return 0;  // kept open: the test decides when windows go
            }
            break;
        default:
            break;
    }
    return DefWindowProcA(h, m, w, l);
}

// The Run menu as the package builds it: three commands, a separator, a checked one, groups
// split by separators, and greyed information lines at the end.
HMENU run_menu() {
    HMENU bar = CreateMenu(), pop = CreatePopupMenu();
    AppendMenuA(pop, MF_STRING, 1, "&Animate\tCtrl+A");
    AppendMenuA(pop, MF_STRING, 2, "&Halt animation\tCtrl+H");
    AppendMenuA(pop, MF_STRING, 3, "Advance one &frame\tCtrl+F");
    AppendMenuA(pop, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(pop, MF_STRING | MF_CHECKED, 4, "&Logging\tCtrl+L");
    AppendMenuA(pop, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(pop, MF_STRING, 5, "&Record Script\tCtrl+R");
    AppendMenuA(pop, MF_STRING, 6, "&Playback Script\tCtrl+P");
    AppendMenuA(pop, MF_STRING, 7, "Play &One Script\tCtrl+O");
    AppendMenuA(pop, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(pop, MF_STRING, 8, "&Quit\tCtrl+Q");
    AppendMenuA(pop, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(pop, MF_STRING | MF_GRAYED, 9, "Version line");
    AppendMenuA(pop, MF_STRING | MF_GRAYED, 9, "Contact line");
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)pop, "&Run");
    return bar;
}

// Client y of the middle of popup item `index` of run_menu(): the popup hangs from the bar's
// bottom (client y 0) with a 3-pixel border; items are 17 pixels high, separators 9.
int item_y(int index) {
    static const bool sep[] = {0, 0, 0, 1, 0, 1, 0, 0, 0, 1, 0, 1, 0, 0};
    int y = 3;
    for (int i = 0; i < index; ++i) y += sep[i] ? 9 : 17;
    return y + (sep[index] ? 4 : 8);
}

const int TITLE_X = 10, TITLE_Y = -10;  // on "Run", in client pixels (the bar lies above the client)

class MenuBar : public ::testing::Test {
   protected:
    HWND w = nullptr, other = nullptr;

    void SetUp() override {
        headless_select();
        static bool registered = false;
        if (!registered) {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = proc;
            wc.hbrBackground = CreateSolidBrush(RGB(255, 255, 255));
            wc.lpszClassName = "MenuBarTest";
            ASSERT_NE(RegisterClassA(&wc), 0);
            registered = true;
        }
        seen = Seen();
        w = CreateWindowExA(0, "MenuBarTest", "with menu", WS_CAPTION | WS_SYSMENU, 0, 0, 601, 540, nullptr,
                            run_menu(), nullptr, nullptr);
        other = CreateWindowExA(0, "MenuBarTest", "without", WS_OVERLAPPEDWINDOW, 0, 600, 400, 300, nullptr,
                                nullptr, nullptr, nullptr);
        ASSERT_TRUE(w && other);
        ShowWindow(w, SW_SHOW);
        ShowWindow(other, SW_SHOW);
        pump();
        seen = Seen();
    }
    void TearDown() override {
        key(w, VK_ESCAPE);  // leaves no menu open for the next test in this process
        pump();
        if (IsWindow(w)) DestroyWindow(w);
        if (IsWindow(other)) DestroyWindow(other);
        pump();
    }

    // Dispatches everything that is ready; an empty pass also presents, which paints the menu.
    static void pump() {
        MSG m;
        for (int guard = 0; guard < 10000 && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE); ++guard) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    static void key(HWND h, int vk) {
        headless_key_down(h, vk);
        headless_key_up(h, vk);
    }
    static void alt_key(HWND h, int vk) {
        headless_key_down(h, VK_MENU);
        key(h, vk);
        headless_key_up(h, VK_MENU);
    }
    // True when typing reaches the window as a character, i.e. no menu holds the keyboard.
    bool typing_reaches(HWND h) {
        seen.chars.clear();
        headless_type(h, 'a');
        pump();
        return seen.chars == std::vector<int>{'a'};
    }
};

TEST_F(MenuBar, AltLetterOpensArrowsSkipSeparatorsEnterChooses) {
    alt_key(w, 'R');
    key(w, VK_DOWN);
    key(w, VK_DOWN);
    key(w, VK_DOWN);  // Animate -> Halt -> frame -> (separator) -> Logging
    pump();
    EXPECT_TRUE(seen.commands.empty()) << "nothing is chosen before Enter";
    EXPECT_TRUE(seen.chars.empty()) << "keys belong to the open menu";
    key(w, VK_RETURN);
    pump();
    EXPECT_EQ(seen.commands, std::vector<WPARAM>{4});
    EXPECT_TRUE(seen.chars.empty()) << "Enter chose the item and typed nothing";
    EXPECT_TRUE(typing_reaches(w)) << "choosing closes the menu";
}

TEST_F(MenuBar, ArrowsWrapAndNeverLandOnGreyedItems) {
    alt_key(w, 'R');
    key(w, VK_UP);  // from the first item up: the last enabled one, past the greyed lines
    key(w, VK_RETURN);
    pump();
    alt_key(w, 'R');
    for (int i = 0; i < 8; ++i) key(w, VK_DOWN);  // eight enabled items: round to the first again
    key(w, VK_RETURN);
    pump();
    EXPECT_EQ(seen.commands, (std::vector<WPARAM>{8, 1}));
}

TEST_F(MenuBar, UnderlinedLetterChoosesOthersAreIgnored) {
    alt_key(w, 'R');
    headless_type(w, 'z');  // no item has it: the menu stays open and the key is not typed
    pump();
    EXPECT_TRUE(seen.chars.empty());
    headless_type(w, 'P');  // letters match without regard to case
    pump();
    EXPECT_EQ(seen.commands, std::vector<WPARAM>{6});
    alt_key(w, 'R');
    headless_type(w, 'o');  // "Play &One": the mnemonic need not be the first letter
    pump();
    EXPECT_EQ(seen.commands, (std::vector<WPARAM>{6, 7}));
}

TEST_F(MenuBar, EscClosesWithoutChoosing) {
    alt_key(w, 'R');
    key(w, VK_DOWN);
    key(w, VK_ESCAPE);
    pump();
    EXPECT_TRUE(seen.commands.empty());
    EXPECT_TRUE(typing_reaches(w));
}

TEST_F(MenuBar, AltAloneHighlightsTheBarThenDownOpens) {
    key(w, VK_MENU);
    pump();
    EXPECT_FALSE(typing_reaches(w)) << "the highlighted bar takes the keyboard";
    key(w, VK_DOWN);  // opens with the first item highlighted
    key(w, VK_RETURN);
    pump();
    EXPECT_EQ(seen.commands, std::vector<WPARAM>{1});
    // Alt alone twice: on and off again.
    key(w, VK_MENU);
    pump();
    key(w, VK_MENU);
    pump();
    EXPECT_TRUE(typing_reaches(w));
}

TEST_F(MenuBar, F10HighlightsTheBarEnterOpensEnterChooses) {
    key(w, VK_F10);
    key(w, VK_RETURN);
    key(w, VK_DOWN);
    key(w, VK_RETURN);
    pump();
    EXPECT_EQ(seen.commands, std::vector<WPARAM>{2});
}

TEST_F(MenuBar, AltUsedWithAnotherKeyDoesNotHighlightTheBar) {
    alt_key(w, 'X');  // no title has X: nothing opens, and Alt's release is not "Alt alone"
    pump();
    EXPECT_TRUE(typing_reaches(w));
    headless_key_down(w, VK_MENU);
    headless_click(w, 300, 300);
    headless_key_up(w, VK_MENU);
    pump();
    EXPECT_EQ(seen.clicks, 1);
    EXPECT_TRUE(typing_reaches(w));
}

TEST_F(MenuBar, ClickTitleThenItemChooses) {
    headless_click(w, TITLE_X, TITLE_Y);
    pump();
    headless_click(w, 40, item_y(7));  // Playback Script
    pump();
    EXPECT_EQ(seen.commands, std::vector<WPARAM>{6});
    EXPECT_EQ(seen.clicks, 0) << "clicks on the menu never reach the client area";
    EXPECT_TRUE(typing_reaches(w));
}

TEST_F(MenuBar, GreyedItemsAndSeparatorsCannotBeChosen) {
    headless_click(w, TITLE_X, TITLE_Y);
    headless_click(w, 40, item_y(12));  // greyed
    headless_click(w, 40, item_y(3));   // separator
    pump();
    EXPECT_TRUE(seen.commands.empty());
    headless_click(w, 40, item_y(0));  // still open: an enabled item works
    pump();
    EXPECT_EQ(seen.commands, std::vector<WPARAM>{1});
}

TEST_F(MenuBar, ClickElsewhereClosesAndIsSwallowed) {
    headless_click(w, TITLE_X, TITLE_Y);
    headless_click(w, 500, 400);  // the client area, away from the popup
    pump();
    EXPECT_EQ(seen.clicks, 0);
    headless_click(w, 500, 400);
    pump();
    EXPECT_EQ(seen.clicks, 1) << "once closed, clicks reach the client again";
    // A second click on the open title closes it too.
    headless_click(w, TITLE_X, TITLE_Y);
    headless_click(w, TITLE_X, TITLE_Y);
    pump();
    EXPECT_TRUE(typing_reaches(w));
    EXPECT_TRUE(seen.commands.empty());
}

TEST_F(MenuBar, BarClicksNeverReachTheClient) {
    headless_click(w, 400, TITLE_Y);  // the empty part of the bar
    pump();
    EXPECT_EQ(seen.clicks, 0);
    EXPECT_TRUE(typing_reaches(w)) << "the empty part of the bar opens nothing";
}

TEST_F(MenuBar, InputToAnotherWindowClosesTheMenu) {
    headless_click(w, TITLE_X, TITLE_Y);
    headless_click(other, 5, 5);
    pump();
    EXPECT_EQ(seen.clicks, 1) << "the click in the other window is delivered";
    EXPECT_TRUE(typing_reaches(w));
    // A window without a menu has no bar: its top row is client area, and Alt opens nothing.
    alt_key(other, 'R');
    key(other, VK_MENU);
    pump();
    EXPECT_TRUE(typing_reaches(other));
}

TEST_F(MenuBar, CloseBoxStillWorksWhileOpen) {
    alt_key(w, 'R');
    headless_close(w);
    pump();
    EXPECT_EQ(seen.closes, 1);
    EXPECT_TRUE(typing_reaches(w));
}

TEST_F(MenuBar, PaintingTheOpenMenuLeaksNothing) {
    HeadlessObjectCounts before, after;
    headless_object_counts(&before);
    alt_key(w, 'R');
    for (int i = 0; i < 5; ++i) {
        key(w, VK_DOWN);
        pump();  // each empty pass presents the changed window, which paints bar and popup
    }
    key(w, VK_ESCAPE);
    key(w, VK_F10);
    pump();
    key(w, VK_ESCAPE);
    pump();
    headless_object_counts(&after);
    EXPECT_EQ(after.pens, before.pens);
    EXPECT_EQ(after.brushes, before.brushes);
    EXPECT_EQ(after.fonts, before.fonts);
    EXPECT_EQ(after.dcs, before.dcs);
}

TEST_F(MenuBar, HostileMenusAreDrawnAndRunWithoutHarm) {
    // Huge, empty and odd texts; a popup of separators only; an empty popup; many items.
    HMENU bar = CreateMenu();
    HMENU seps = CreatePopupMenu(), empty = CreatePopupMenu(), many = CreatePopupMenu();
    for (int i = 0; i < 5; ++i) AppendMenuA(seps, MF_SEPARATOR, 0, nullptr);
    std::string huge(100000, 'W');
    AppendMenuA(many, MF_STRING, 50, huge.c_str());
    AppendMenuA(many, MF_STRING, 51, "");
    AppendMenuA(many, MF_STRING, 52, "trailing &");
    AppendMenuA(many, MF_STRING, 53, "&&literal\t\t&tabs");
    for (int i = 0; i < 2000; ++i) AppendMenuA(many, MF_STRING | MF_GRAYED, 60, "greyed");
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)seps, "&Seps");
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)empty, "&Empty");
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)many, huge.c_str());
    HMENU old = GetMenu(w);
    ASSERT_TRUE(SetMenu(w, bar));
    DrawMenuBar(w);
    pump();
    alt_key(w, 'S');
    key(w, VK_DOWN);  // nothing selectable: must not loop forever
    key(w, VK_RETURN);
    key(w, VK_RIGHT);  // on to Empty, then the huge one
    key(w, VK_DOWN);
    key(w, VK_RIGHT);
    pump();
    key(w, VK_UP);
    key(w, VK_RETURN);
    pump();
    EXPECT_EQ(seen.commands, std::vector<WPARAM>{53}) << "Up from the first item: the last enabled one";
    headless_click(w, TITLE_X, TITLE_Y);
    headless_click(w, 5, 100000);
    headless_click(w, -100000, -100000);
    pump();
    // The menu is replaced while open: the bar follows the window's current menu.
    alt_key(w, 'S');
    SetMenu(w, old);
    key(w, VK_DOWN);
    key(w, VK_RETURN);
    pump();
    SetMenu(w, nullptr);
    key(w, VK_ESCAPE);
    pump();
    EXPECT_TRUE(typing_reaches(w));
    DestroyMenu(bar);
    DestroyMenu(old);
}

TEST_F(MenuBar, DestroyingTheWindowWithItsMenuOpen) {
    alt_key(w, 'R');
    pump();
    DestroyWindow(w);
    pump();
    EXPECT_TRUE(typing_reaches(other)) << "the menu of a window that is gone holds nothing";
}

}  // namespace
