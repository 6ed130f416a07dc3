// The event wait: event order and timing, run controls, accelerators, the Ctrl state and menu commands.
#include "harness.h"

using harness::Event;
using harness::at_next_wait;
using harness::idle_once;
using harness::next_event;
using harness::px;
using harness::py;

namespace {

HWND graphics() { return window_graphics(); }

void click_canvas(int x, int y) { headless_click(graphics(), px(x), py(y)); }

// Lets the clock run through n ticks and then clicks at (x, y).
void idle_then_click(int n, int x, int y) {
    for (int i = 0; i < n; i++) idle_once();
    at_next_wait([x, y] { click_canvas(x, y); });
}

TEST(EventWait, ArmedPeriodicEventIsReplacedByAClick) {
    harness::start();
    plako_set_run_mode(RUN_ANIMATE);
    // The first pass arms a periodic event; the click arrives while it waits for its tick.
    at_next_wait([] { click_canvas(10, -20); });
    Event e = next_event();
    EXPECT_EQ(e.kind, EVENT_MOUSE);
    EXPECT_EQ(e.x, 10);
    EXPECT_EQ(e.y, -20);
    EXPECT_EQ(e.key, 0);
    // The next wait arms afresh and delivers its tick.
    e = next_event();
    EXPECT_EQ(e.kind, EVENT_PERIODIC);
    EXPECT_EQ(e.x, 0);
    EXPECT_EQ(e.y, 0);
}

TEST(EventWait, OneFrameIsStillOwedAfterAClickEndsTheWait) {
    harness::start();
    at_next_wait([] { click_canvas(1, 1); });
    ASSERT_EQ(next_event().kind, EVENT_MOUSE);
    harness::pump_all();  // the button-up and start-up messages, so the next click comes first

    plako_set_run_mode(RUN_ONE_FRAME);
    click_canvas(5, 6);  // taken in the first pass, before the frame is armed
    Event e = next_event();
    EXPECT_EQ(e.kind, EVENT_MOUSE);
    EXPECT_EQ(e.x, 5);
    EXPECT_EQ(e.y, 6);
    EXPECT_EQ(next_event().kind, EVENT_PERIODIC);  // the owed frame
    // Only one: later waits see ticks pass without a periodic event.
    idle_then_click(3, 7, 7);
    e = next_event();
    EXPECT_EQ(e.kind, EVENT_MOUSE);
    EXPECT_EQ(e.x, 7);
}

TEST(EventWait, HaltingWhileArmedLetsThatOneTickThrough) {
    harness::start();
    plako_set_run_mode(RUN_ANIMATE);
    ASSERT_EQ(next_event().kind, EVENT_PERIODIC);
    at_next_wait([] { EXPECT_NE(headless_menu_choose(graphics(), CMD_HALT), 0); });
    EXPECT_EQ(next_event().kind, EVENT_PERIODIC);
    DWORD halted_at = headless_now();
    idle_then_click(4, 0, 0);
    EXPECT_EQ(next_event().kind, EVENT_MOUSE);
    EXPECT_GE(headless_now() - halted_at, 400u);  // four ticks went by, none delivered
}

TEST(EventWait, TicksComeEvery100MsWhileAnimatingAndNoneWhileHalted) {
    harness::start();
    plako_set_run_mode(RUN_ANIMATE);
    ASSERT_EQ(next_event().kind, EVENT_PERIODIC);
    DWORD last = headless_now();
    for (int i = 0; i < 5; i++) {
        Event e = next_event();
        ASSERT_EQ(e.kind, EVENT_PERIODIC);
        EXPECT_EQ(headless_now() - last, 100u);
        last = headless_now();
    }
    plako_set_run_mode(RUN_HALT);
    idle_then_click(5, 3, 4);
    Event e = next_event();
    EXPECT_EQ(e.kind, EVENT_MOUSE);
    EXPECT_EQ(headless_now() - last, 500u);
}

TEST(EventWait, WaitingForATickSleepsInsteadOfSpinning) {
    harness::start();
    plako_set_run_mode(RUN_ANIMATE);
    ASSERT_EQ(next_event().kind, EVENT_PERIODIC);
    unsigned long before = headless_wait_count();
    ASSERT_EQ(next_event().kind, EVENT_PERIODIC);
    unsigned long waits = headless_wait_count() - before;
    EXPECT_GE(waits, 1u);
    EXPECT_LE(waits, 5u);
}

TEST(EventWait, RunQuitReturnsQuitWithTheEventsValues) {
    harness::start();
    plako_set_run_mode(RUN_QUIT);
    at_next_wait([] { click_canvas(10, 20); });
    Event e = next_event();
    EXPECT_EQ(e.kind, EVENT_QUIT);
    EXPECT_EQ(e.x, 10);
    EXPECT_EQ(e.y, 20);
    at_next_wait([] { headless_type(graphics(), 'k'); });
    e = next_event();
    EXPECT_EQ(e.kind, EVENT_QUIT);
    EXPECT_EQ(e.key, 'k');
    EXPECT_EQ(e.x, 0);
}

TEST(EventWait, TypedCharactersBecomeKeyboardEvents) {
    harness::start();
    at_next_wait([] { headless_type(graphics(), 'a'); });
    Event e = next_event();
    EXPECT_EQ(e.kind, EVENT_KBD);
    EXPECT_EQ(e.key, 97);
    at_next_wait([] { headless_type(graphics(), 233); });
    e = next_event();
    EXPECT_EQ(e.kind, EVENT_KBD);
    EXPECT_EQ((unsigned char)e.key, 233);
}

TEST(EventWait, CtrlAStartsTheAnimationWithoutAKeyboardEvent) {
    harness::start();
    at_next_wait([] {
        headless_key_down(graphics(), VK_CONTROL);
        headless_key_down(graphics(), 'A');
        headless_key_up(graphics(), 'A');
        headless_key_up(graphics(), VK_CONTROL);
    });
    // The control character that Ctrl+A types is dropped; the animation delivers a tick.
    EXPECT_EQ(next_event().kind, EVENT_PERIODIC);
    EXPECT_EQ(next_event().kind, EVENT_PERIODIC);
}

TEST(EventWait, CtrlStaysHeldWhenItsKeyUpGoesToAnotherWindow) {
    harness::start();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "OtherWndClass";
    RegisterClassA(&wc);
    HWND other = CreateWindowExA(0, "OtherWndClass", "other", WS_OVERLAPPEDWINDOW, 700, 0, 200, 200, NULL, NULL,
                                 NULL, NULL);
    ASSERT_NE(other, nullptr);

    at_next_wait([other] {
        headless_key_down(graphics(), VK_CONTROL);
        headless_key_up(other, VK_CONTROL);
        headless_type(graphics(), 'x');  // dropped: the graphics window still thinks Ctrl is down
        click_canvas(2, 2);
    });
    EXPECT_EQ(next_event().kind, EVENT_MOUSE);

    // A plain A acts as the accelerator and its character is dropped.
    at_next_wait([] {
        headless_key_down(graphics(), 'A');
        headless_key_up(graphics(), 'A');
    });
    EXPECT_EQ(next_event().kind, EVENT_PERIODIC);

    // The graphics window's own Ctrl key-up ends it.
    plako_set_run_mode(RUN_HALT);
    at_next_wait([] {
        headless_key_up(graphics(), VK_CONTROL);
        headless_type(graphics(), 'a');
    });
    Event e = next_event();
    EXPECT_EQ(e.kind, EVENT_KBD);
    EXPECT_EQ(e.key, 'a');
}

TEST(EventWait, CloseBoxEndsTheWaitWithQuit) {
    harness::start();
    plako_set_run_mode(RUN_ANIMATE);
    at_next_wait([] { headless_close(graphics()); });
    EXPECT_EQ(next_event().kind, EVENT_QUIT);
    EXPECT_TRUE(IsWindow(window_console()));  // the console stays until the program ends
}

TEST(EventWait, QuitCommandEndsTheWaitWithQuit) {
    harness::start();
    at_next_wait([] {
        headless_key_down(graphics(), VK_CONTROL);
        headless_key_down(graphics(), 'Q');
    });
    EXPECT_EQ(next_event().kind, EVENT_QUIT);
}

TEST(RunControls, ActOnlyAfterStart) {
    EXPECT_EQ(plako_set_run_mode(RUN_ANIMATE), 0);
    EXPECT_EQ(plako_set_logging(1), 0);
    harness::start();
    EXPECT_EQ(plako_set_run_mode(3), 1);  // accepted, changes nothing
    EXPECT_EQ(plako_set_run_mode(-7), 1);
    // Still halted: the start cleared the flags and the odd modes set none.
    idle_then_click(3, 9, 9);
    EXPECT_EQ(next_event().kind, EVENT_MOUSE);
}

// The "&Run" menu's check marks follow the logging flag; the command never shows the console.
TEST(RunControls, LoggingCommandTogglesTwiceBackWithoutShowingTheConsole) {
    harness::start();
    HWND console = window_console();
    plako_show_console(0);
    harness::pump_all();
    ASSERT_FALSE(IsWindowVisible(console));
    EXPECT_EQ(headless_menu_state(graphics(), CMD_LOGGING) & MF_CHECKED, (int)MF_CHECKED);
    EXPECT_EQ(event_logging(), 1);

    ASSERT_NE(headless_menu_choose(graphics(), CMD_LOGGING), 0);
    harness::pump_all();
    EXPECT_EQ(headless_menu_state(graphics(), CMD_LOGGING) & MF_CHECKED, 0);
    EXPECT_EQ(event_logging(), 0);
    EXPECT_FALSE(IsWindowVisible(console));

    ASSERT_NE(headless_menu_choose(graphics(), CMD_LOGGING), 0);
    harness::pump_all();
    EXPECT_EQ(headless_menu_state(graphics(), CMD_LOGGING) & MF_CHECKED, (int)MF_CHECKED);
    EXPECT_EQ(event_logging(), 1);
    EXPECT_FALSE(IsWindowVisible(console));

    // plako_set_logging does show it.
    EXPECT_EQ(plako_set_logging(0), 1);
    EXPECT_EQ(headless_menu_state(graphics(), CMD_LOGGING) & MF_CHECKED, 0);
    EXPECT_FALSE(IsWindowVisible(console));
    EXPECT_EQ(plako_set_logging(5), 1);
    EXPECT_EQ(event_logging(), 1);
    EXPECT_EQ(headless_menu_state(graphics(), CMD_LOGGING) & MF_CHECKED, (int)MF_CHECKED);
    EXPECT_TRUE(IsWindowVisible(console));
}

TEST(RunControls, MenuHoldsTheSixteenItemsInOrder) {
    harness::start();
    HMENU bar = GetMenu(graphics());
    ASSERT_NE(bar, nullptr);
    char text[128];
    ASSERT_EQ(GetMenuItemCount(bar), 1);
    GetMenuStringA(bar, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&Run");
    HMENU run = GetSubMenu(bar, 0);
    ASSERT_EQ(run, event_run_menu());

    struct Item {
        int id;  // -1: separator
        const char *text;
        UINT flags;
    };
    const Item items[] = {
        {CMD_ANIMATE, "&Animate\tCtrl+A", 0},
        {CMD_HALT, "&Halt animation\tCtrl+H", 0},
        {CMD_ONE_FRAME, "Advance one &frame\tCtrl+F", 0},
        {-1, "", MF_SEPARATOR},
        {CMD_LOGGING, "&Logging\tCtrl+L", MF_CHECKED},
        {-1, "", MF_SEPARATOR},
        {CMD_RECORD, "&Record Script\tCtrl+R", 0},
        {CMD_PLAYBACK, "&Playback Script\tCtrl+P", 0},
        {CMD_PLAY_ONE, "Play &One Script\tCtrl+O", 0},
        {-1, "", MF_SEPARATOR},
        {CMD_QUIT, "&Quit\tCtrl+Q", 0},
        {-1, "", MF_SEPARATOR},
        {CMD_INFO, "PLAKO v2.2 July 1997", MF_GRAYED},
        {CMD_INFO, "MAC: ", MF_GRAYED},
        {CMD_INFO, "WINDOWS: ", MF_GRAYED},
        {CMD_INFO, "UPDATES: ", MF_GRAYED},
    };
    ASSERT_EQ(GetMenuItemCount(run), 16);
    for (int i = 0; i < 16; i++) {
        SCOPED_TRACE(i);
        UINT state = GetMenuState(run, (UINT)i, MF_BYPOSITION);
        EXPECT_EQ(state & (MF_SEPARATOR | MF_GRAYED | MF_CHECKED), items[i].flags);
        if (items[i].id < 0) continue;
        EXPECT_EQ(GetMenuItemID(run, i), (UINT)items[i].id);
        GetMenuStringA(run, (UINT)i, text, sizeof text, MF_BYPOSITION);
        // The three contact lines: the label, then a short address.
        std::string s = text, want = items[i].text;
        if (i >= 13) {
            EXPECT_EQ(s.compare(0, want.size(), want), 0) << s;
            EXPECT_GT(s.size(), want.size());
            EXPECT_LE(s.size(), want.size() + 40);
        } else {
            EXPECT_EQ(s, want);
        }
    }
    // Greyed items cannot be chosen.
    EXPECT_EQ(headless_menu_choose(graphics(), CMD_INFO), 0);
    EXPECT_EQ(headless_menu_state(graphics(), CMD_RECORD) & MF_CHECKED, 0);
    EXPECT_EQ(headless_menu_state(graphics(), CMD_PLAYBACK) & MF_CHECKED, 0);
}

TEST(RunControls, OneFrameCommandWhileAnimatingHaltsAfterTheArmedTickAndOneMore) {
    harness::start();
    plako_set_run_mode(RUN_ANIMATE);
    ASSERT_EQ(next_event().kind, EVENT_PERIODIC);
    at_next_wait([] { EXPECT_NE(headless_menu_choose(graphics(), CMD_ONE_FRAME), 0); });
    EXPECT_EQ(next_event().kind, EVENT_PERIODIC);  // the one armed when the command came
    EXPECT_EQ(next_event().kind, EVENT_PERIODIC);  // the owed frame
    idle_then_click(3, 0, 0);
    EXPECT_EQ(next_event().kind, EVENT_MOUSE);
}

}  // namespace
