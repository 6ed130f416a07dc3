// The event wait: event order and timing, run controls, accelerators, the Ctrl state and the menu.
#include "harness.h"

using namespace harness;
using EventWait = PackageTest;
using RunControls = PackageTest;

namespace {

HWND graphics() { return window_graphics(); }
void click(int x, int y) { headless_click(graphics(), px(x), py(y)); }
int checked(UINT id) { return (headless_menu_state(graphics(), id) & MF_CHECKED) != 0; }
void choose(UINT id) { EXPECT_NE(headless_menu_choose(graphics(), id), 0) << id; }

TEST_F(EventWait, ArmedPeriodicEventIsReplacedByAClick) {
    start();
    plako_set_run_mode(RUN_ANIMATE);
    at_next_wait([] { click(10, -20); });  // arrives while the armed event waits for its tick
    Event e = next_event();
    EXPECT_EQ(e.kind, EVENT_MOUSE);
    EXPECT_EQ(e.x, 10);
    EXPECT_EQ(e.y, -20);
    e = next_event();  // the next wait arms afresh
    EXPECT_EQ(e.kind, EVENT_PERIODIC);
    EXPECT_EQ(e.x | e.y | e.key, 0);
}

TEST_F(EventWait, OneFrameIsStillOwedAfterAClickEndsTheWait) {
    start();
    at_next_wait([] { click(1, 1); });
    ASSERT_EQ(next_event().kind, EVENT_MOUSE);
    pump_all();  // the button-up and start-up messages, so that the next click comes first
    plako_set_run_mode(RUN_ONE_FRAME);
    click(5, 6);  // taken in the first pass, before the frame is armed
    EXPECT_EQ(next_event().kind, EVENT_MOUSE);
    EXPECT_EQ(next_event().kind, EVENT_PERIODIC);  // the owed frame
    idle_then_click(3, 7, 7);                      // and only that one
    EXPECT_EQ(next_event().kind, EVENT_MOUSE);
}

TEST_F(EventWait, HaltingWhileArmedLetsThatOneTickThrough) {
    start();
    plako_set_run_mode(RUN_ANIMATE);
    ASSERT_EQ(next_event().kind, EVENT_PERIODIC);
    at_next_wait([] { choose(CMD_HALT); });
    EXPECT_EQ(next_event().kind, EVENT_PERIODIC);
    DWORD halted_at = headless_now();
    idle_then_click(4, 0, 0);
    EXPECT_EQ(next_event().kind, EVENT_MOUSE);
    EXPECT_GE(headless_now() - halted_at, 400u);  // four ticks went by, none delivered
}

TEST_F(EventWait, TicksComeEvery100MsWhileAnimatingAndNoneWhileHalted) {
    start();
    plako_set_run_mode(RUN_ANIMATE);
    ASSERT_EQ(next_event().kind, EVENT_PERIODIC);
    DWORD last = headless_now();
    for (int i = 0; i < 5; i++) {
        ASSERT_EQ(next_event().kind, EVENT_PERIODIC);
        EXPECT_EQ(headless_now() - last, 100u);
        last = headless_now();
    }
    // A wait for a tick takes a handful of pump passes; a wait that polled instead of sleeping
    // would take a hundred, since each empty poll costs the headless clock one millisecond.
    unsigned long before = headless_wait_count();
    ASSERT_EQ(next_event().kind, EVENT_PERIODIC);
    EXPECT_LE(headless_wait_count() - before, 5u);
    last = headless_now();
    plako_set_run_mode(RUN_HALT);
    idle_then_click(5, 3, 4);
    EXPECT_EQ(next_event().kind, EVENT_MOUSE);
    EXPECT_GE(headless_now() - last, 500u);  // five ticks' time went by without a periodic event
    EXPECT_LT(headless_now() - last, 600u);
}

TEST_F(EventWait, RunQuitReturnsQuitWithTheEventsValues) {
    start();
    plako_set_run_mode(RUN_QUIT);
    at_next_wait([] { click(10, 20); });
    Event e = next_event();
    EXPECT_EQ(e.kind, EVENT_QUIT);
    EXPECT_EQ(e.x, 10);
    EXPECT_EQ(e.y, 20);
    at_next_wait([] { headless_type(graphics(), 'k'); });
    e = next_event();
    EXPECT_EQ(e.kind, EVENT_QUIT);
    EXPECT_EQ(e.key, 'k');
}

TEST_F(EventWait, TypedCharactersBecomeKeyboardEvents) {
    start();
    at_next_wait([] { headless_type(graphics(), 'a'); });
    Event e = next_event();
    EXPECT_EQ(e.kind, EVENT_KBD);
    EXPECT_EQ(e.key, 97);
    at_next_wait([] { headless_type(graphics(), 233); });
    EXPECT_EQ((unsigned char)next_event().key, 233);
}

TEST_F(EventWait, CtrlAStartsTheAnimationWithoutAKeyboardEvent) {
    start();
    at_next_wait([] { plako_test::ctrl_key(graphics(), 'A'); });
    EXPECT_EQ(next_event().kind, EVENT_PERIODIC);  // the control character was dropped
}

TEST_F(EventWait, CtrlStaysHeldWhenItsKeyUpGoesToAnotherWindow) {
    start();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "OtherWndClass";
    RegisterClassA(&wc);
    static HWND other;
    other =
        CreateWindowExA(0, "OtherWndClass", "", WS_OVERLAPPEDWINDOW, 700, 0, 99, 99, NULL, NULL, NULL, NULL);
    at_next_wait([] {
        headless_key_down(graphics(), VK_CONTROL);
        headless_key_up(other, VK_CONTROL);
        headless_type(graphics(), 'x');  // dropped: the graphics window still has Ctrl down
        click(2, 2);
    });
    EXPECT_EQ(next_event().kind, EVENT_MOUSE);
    at_next_wait([] { headless_type(graphics(), 'a'); });  // a plain A acts as Ctrl+A
    EXPECT_EQ(next_event().kind, EVENT_PERIODIC);
    plako_set_run_mode(RUN_HALT);
    at_next_wait([] {
        headless_key_up(graphics(), VK_CONTROL);
        headless_type(graphics(), 'a');
    });
    EXPECT_EQ(next_event().key, 'a');
}

TEST_F(EventWait, QuitCommandAndCloseBoxEndTheWaitWithQuit) {
    start();
    plako_set_run_mode(RUN_ANIMATE);
    at_next_wait([] {
        headless_key_down(graphics(), VK_CONTROL);
        headless_key_down(graphics(), 'Q');
    });
    EXPECT_EQ(next_event().kind, EVENT_QUIT);
    at_next_wait([] { headless_close(graphics()); });
    EXPECT_EQ(next_event().kind, EVENT_QUIT);
    EXPECT_TRUE(IsWindow(window_console()));  // the console stays until the program ends
}

TEST_F(RunControls, ActOnlyAfterStartAndIgnoreOddModes) {
    EXPECT_EQ(plako_set_run_mode(RUN_ANIMATE), 0);
    EXPECT_EQ(plako_set_logging(1), 0);
    start();
    EXPECT_EQ(plako_set_run_mode(3), 1);
    EXPECT_EQ(plako_set_run_mode(-7), 1);
    idle_then_click(3, 9, 9);  // still halted
    EXPECT_EQ(next_event().kind, EVENT_MOUSE);
}

TEST_F(RunControls, LoggingCommandTogglesBackWithoutShowingTheConsole) {
    start();
    plako_show_console(0);
    EXPECT_EQ(checked(CMD_LOGGING), 1);
    choose(CMD_LOGGING);
    pump_all();
    EXPECT_EQ(checked(CMD_LOGGING), 0);
    EXPECT_EQ(event_logging(), 0);
    choose(CMD_LOGGING);
    pump_all();
    EXPECT_EQ(checked(CMD_LOGGING), 1);
    EXPECT_EQ(event_logging(), 1);
    EXPECT_FALSE(IsWindowVisible(window_console()));
    // plako_set_logging does show it.
    plako_set_logging(0);
    EXPECT_EQ(checked(CMD_LOGGING), 0);
    EXPECT_FALSE(IsWindowVisible(window_console()));
    plako_set_logging(5);
    EXPECT_EQ(checked(CMD_LOGGING), 1);
    EXPECT_TRUE(IsWindowVisible(window_console()));
}

TEST_F(RunControls, OneFrameCommandWhileAnimatingHaltsAfterTwoMoreTicks) {
    start();
    plako_set_run_mode(RUN_ANIMATE);
    ASSERT_EQ(next_event().kind, EVENT_PERIODIC);
    at_next_wait([] { choose(CMD_ONE_FRAME); });
    EXPECT_EQ(next_event().kind, EVENT_PERIODIC);  // the one armed when the command came
    EXPECT_EQ(next_event().kind, EVENT_PERIODIC);  // the owed frame
    idle_then_click(3, 0, 0);
    EXPECT_EQ(next_event().kind, EVENT_MOUSE);
}

TEST_F(RunControls, MenuHoldsTheSixteenItemsInOrder) {
    start();
    HMENU bar = GetMenu(graphics());
    char text[128];
    GetMenuStringA(bar, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&Run");
    HMENU run = GetSubMenu(bar, 0);
    ASSERT_EQ(run, event_run_menu());
    // "" is a separator; the contact lines are matched by their label.
    const char *texts[16] = {"&Animate\tCtrl+A",
                             "&Halt animation\tCtrl+H",
                             "Advance one &frame\tCtrl+F",
                             "",
                             "&Logging\tCtrl+L",
                             "",
                             "&Record Script\tCtrl+R",
                             "&Playback Script\tCtrl+P",
                             "Play &One Script\tCtrl+O",
                             "",
                             "&Quit\tCtrl+Q",
                             "",
                             "PLAKO v2.2 July 1997",
                             "MAC: ",
                             "WINDOWS: ",
                             "UPDATES: "};
    const int ids[16] = {1, 2, 3, 0, 4, 0, 5, 6, 7, 0, 8, 0, 9, 9, 9, 9};
    ASSERT_EQ(GetMenuItemCount(run), 16);
    for (int i = 0; i < 16; i++) {
        UINT flags = GetMenuState(run, (UINT)i, MF_BYPOSITION) & (MF_SEPARATOR | MF_GRAYED | MF_CHECKED);
        UINT want = !ids[i]                 ? MF_SEPARATOR
                    : ids[i] == CMD_INFO    ? MF_GRAYED
                    : ids[i] == CMD_LOGGING ? MF_CHECKED
                                            : 0;
        EXPECT_EQ(flags, want) << i;
        if (!ids[i]) continue;
        EXPECT_EQ(GetMenuItemID(run, i), (UINT)ids[i]);
        GetMenuStringA(run, (UINT)i, text, sizeof text, MF_BYPOSITION);
        std::string s = text, w = texts[i];
        if (i < 13)
            EXPECT_EQ(s, w);
        else
            EXPECT_TRUE(s.size() > w.size() && s.size() < w.size() + 40 && s.compare(0, w.size(), w) == 0)
                << s;
    }
    EXPECT_EQ(headless_menu_choose(graphics(), CMD_INFO), 0);  // greyed: cannot be chosen
}

}  // namespace
