// The message queue on the headless host: retrieval order, merged timer ticks, key translation,
// filters, dispatch, and waiting on the virtual clock.
#include "window_log.h"

namespace {

using Dispatch = wlog::Fixture;
using MessageOrder = wlog::Fixture;
using Timers = wlog::Fixture;
using Translate = wlog::Fixture;
using Waiting = wlog::Fixture;

// Takes the next message without waiting; fails the test when there is none.
MSG take(HWND filter = nullptr, UINT lo = 0, UINT hi = 0) {
    MSG m = {};
    EXPECT_TRUE(PeekMessageA(&m, filter, lo, hi, PM_REMOVE));
    return m;
}

TEST_F(MessageOrder, PostedThenQuitThenInputThenPaintThenTimer) {
    HWND w = wlog::make();
    ShowWindow(w, SW_SHOW);  // leaves the client area invalid: a WM_PAINT is owed
    SetTimer(w, 7, 100, nullptr);
    headless_advance(250);
    headless_click(w, 5, 6);
    PostQuitMessage(3);
    PostMessageA(w, WM_USER + 1, 1, 2);
    PostMessageA(nullptr, WM_USER + 2, 3, 4);  // a thread message: no window

    struct Expected {
        HWND hwnd;
        UINT msg;
        WPARAM wp;
        LPARAM lp;
    };
    const Expected expected[] = {
        {w, WM_USER + 1, 1, 2},
        {nullptr, WM_USER + 2, 3, 4},
        {nullptr, WM_QUIT, 3, 0},
        {w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6)},
        {w, WM_LBUTTONUP, 0, MAKELPARAM(5, 6)},
        {w, WM_PAINT, 0, 0},
        {w, WM_TIMER, 7, 0},
    };
    for (const Expected &e : expected) {
        MSG m = take();
        EXPECT_EQ(m.hwnd, e.hwnd) << "message " << m.message;
        EXPECT_EQ(m.message, e.msg);
        EXPECT_EQ(m.wParam, e.wp) << "message " << m.message;
        EXPECT_EQ(m.lParam, e.lp) << "message " << m.message;
        if (m.message == WM_PAINT) DispatchMessageA(&m);  // validates: otherwise it would stay
    }
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << "quit comes once, the tick once";
}

TEST_F(MessageOrder, PaintStaysUntilValidatedAndNoRemoveLeavesMessages) {
    HWND w = wlog::make();
    ShowWindow(w, SW_SHOW);
    PostMessageA(w, WM_USER, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, (UINT)WM_USER);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_USER);
    for (int i = 0; i < 3; ++i) {  // taking WM_PAINT does not remove it: painting does
        ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(m.message, (UINT)WM_PAINT);
    }
    ValidateRect(w, nullptr);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageOrder, FiltersByWindowAndRange) {
    HWND a = wlog::make(), b = wlog::make();
    PostMessageA(a, WM_USER + 1, 0, 0);
    PostMessageA(b, WM_USER + 2, 0, 0);
    PostMessageA(nullptr, WM_USER + 3, 0, 0);
    EXPECT_EQ(take(b).message, (UINT)WM_USER + 2);
    EXPECT_EQ(take((HWND)(intptr_t)-1).message, (UINT)WM_USER + 3);  // thread messages only
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, a, WM_USER + 2, WM_USER + 9, PM_REMOVE));
    EXPECT_EQ(take(a, WM_USER, WM_USER + 1).message, (UINT)WM_USER + 1);
}

TEST_F(Timers, TicksMergeIntoOneMessageHoweverLongTheWait) {
    HWND w = wlog::make();
    ASSERT_EQ(SetTimer(w, 2, 100, nullptr), (UINT_PTR)2);
    DWORD t0 = headless_now();
    headless_advance(10000);  // a hundred periods
    MSG m = take();
    EXPECT_EQ(m.message, (UINT)WM_TIMER);
    EXPECT_EQ(m.wParam, (WPARAM)2);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << "one WM_TIMER, not a hundred";
    // That empty look cost a millisecond; waiting runs the clock to the next tick, now + period.
    EXPECT_EQ(headless_now(), t0 + 10000 + 1);
    WaitMessage();
    EXPECT_EQ(headless_now(), t0 + 10000 + 100);
    EXPECT_EQ(take().message, (UINT)WM_TIMER);
}

TEST_F(Timers, WaitingMovesTheClockToEachTickExactly) {
    HWND w = wlog::make();
    SetTimer(w, 1, 100, nullptr);
    DWORD start = headless_now();
    std::vector<DWORD> times;
    MSG m;
    while (times.size() < 5 && GetMessageA(&m, nullptr, 0, 0)) {
        if (m.message == WM_TIMER) times.push_back(m.time);
        DispatchMessageA(&m);
    }
    ASSERT_EQ(times.size(), 5u);
    for (size_t i = 0; i < times.size(); ++i) EXPECT_EQ(times[i], start + 100 * (i + 1));
    EXPECT_EQ(GetTickCount(), start + 500);
}

TEST_F(Timers, ResetKillAndClampedPeriod) {
    HWND w = wlog::make();
    DWORD t0 = headless_now();
    SetTimer(w, 1, 0, nullptr);  // below the shortest period: 10 ms
    SetTimer(w, 1, 0, nullptr);  // setting it again restarts it
    WaitMessage();
    EXPECT_EQ(headless_now(), t0 + 10);
    EXPECT_TRUE(KillTimer(w, 1));
    EXPECT_FALSE(KillTimer(w, 1));
    EXPECT_EQ(SetTimer((HWND)(intptr_t)0x1234, 1, 100, nullptr), (UINT_PTR)0) << "no such window";
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

std::vector<std::pair<HWND, UINT_PTR>> timer_calls;
void CALLBACK on_timer(HWND w, UINT msg, UINT_PTR id, DWORD) {
    EXPECT_EQ(msg, (UINT)WM_TIMER);
    timer_calls.push_back({w, id});
}

TEST_F(Timers, ThreadTimerCallsItsProcedureAndForgedProceduresAreRefused) {
    headless_select();
    UINT_PTR id = SetTimer(nullptr, 0, 50, on_timer);
    ASSERT_NE(id, (UINT_PTR)0);
    headless_advance(50);
    MSG m = take();
    ASSERT_EQ(m.message, (UINT)WM_TIMER);
    EXPECT_EQ(m.hwnd, nullptr);
    DispatchMessageA(&m);
    ASSERT_EQ(timer_calls.size(), 1u);
    EXPECT_EQ(timer_calls[0].second, id);
    // A made-up WM_TIMER naming some other address is not called.
    MSG forged = m;
    forged.lParam = (LPARAM)0x1000;
    EXPECT_EQ(DispatchMessageA(&forged), 0);
    EXPECT_EQ(timer_calls.size(), 1u);
    EXPECT_TRUE(KillTimer(nullptr, id));
}

struct KeyCase {
    const char *what;
    std::function<void(HWND)> press;
    UINT down_msg;
    WPARAM vk;
    UINT char_msg;
    WPARAM ch;
};

TEST_F(Translate, KeyDownPutsItsCharacterNext) {
    const KeyCase cases[] = {
        {"a", [](HWND w) { headless_type(w, 'a'); }, WM_KEYDOWN, 'A', WM_CHAR, 97},
        {"e acute", [](HWND w) { headless_type(w, 233); }, WM_KEYDOWN, VK_PACKET, WM_CHAR, 233},
        {"shift+b",
         [](HWND w) {
             headless_key_down(w, VK_SHIFT);
             headless_key_down(w, 'B');
         },
         WM_KEYDOWN, 'B', WM_CHAR, 'B'},
        {"ctrl+a",
         [](HWND w) {
             headless_key_down(w, VK_CONTROL);
             headless_key_down(w, 'A');
         },
         WM_KEYDOWN, 'A', WM_CHAR, 1},
        {"enter", [](HWND w) { headless_key_down(w, VK_RETURN); }, WM_KEYDOWN, VK_RETURN, WM_CHAR, 13},
        {"backspace", [](HWND w) { headless_key_down(w, VK_BACK); }, WM_KEYDOWN, VK_BACK, WM_CHAR, 8},
        {"tab", [](HWND w) { headless_key_down(w, VK_TAB); }, WM_KEYDOWN, VK_TAB, WM_CHAR, 9},
        {"esc", [](HWND w) { headless_key_down(w, VK_ESCAPE); }, WM_KEYDOWN, VK_ESCAPE, WM_CHAR, 27},
        {"alt+r",
         [](HWND w) {
             headless_key_down(w, VK_MENU);
             headless_key_down(w, 'R');
         },
         WM_SYSKEYDOWN, 'R', WM_SYSCHAR, 'r'},
    };
    HWND w = wlog::make();
    for (const KeyCase &c : cases) {
        c.press(w);
        MSG m = take();
        // Modifier key-downs come first and type nothing.
        while (m.wParam == VK_SHIFT || m.wParam == VK_CONTROL || m.wParam == VK_MENU) {
            TranslateMessage(&m);
            m = take();
        }
        EXPECT_EQ(m.message, c.down_msg) << c.what;
        EXPECT_EQ(m.wParam, c.vk) << c.what;
        EXPECT_TRUE(TranslateMessage(&m));
        MSG next = take();
        EXPECT_EQ(next.message, c.char_msg) << c.what;
        EXPECT_EQ(next.wParam, c.ch) << c.what;
        EXPECT_EQ(next.hwnd, w) << c.what;
        for (int vk : {VK_SHIFT, VK_CONTROL, VK_MENU}) headless_key_up(w, vk);
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
}

TEST_F(Translate, ARepostedKeyDownTranslatesLikeTheOriginal) {
    // The console passes its key presses on to the graphics window with PostMessageA.
    HWND console = wlog::make(), graphics = wlog::make();
    headless_key_down(console, VK_CONTROL);
    headless_key_down(console, 'A');
    MSG m = take();
    EXPECT_LT(GetKeyState(VK_CONTROL), 0) << "Ctrl is down once its key-down was taken";
    m = take();
    ASSERT_EQ(m.wParam, (WPARAM)'A');
    PostMessageA(graphics, m.message, m.wParam, m.lParam);
    MSG fwd = take();
    ASSERT_EQ(fwd.hwnd, graphics);
    TranslateMessage(&fwd);
    MSG ch = take();
    EXPECT_EQ(ch.message, (UINT)WM_CHAR);
    EXPECT_EQ(ch.hwnd, graphics);
    EXPECT_EQ(ch.wParam, (WPARAM)1);
    headless_key_up(console, VK_CONTROL);
    EXPECT_EQ(take().message, (UINT)WM_KEYUP);
    EXPECT_GE(GetKeyState(VK_CONTROL), 0);
    for (int expected_toggle : {1, 0}) {  // each press of a key flips its toggle bit once
        headless_key_down(console, VK_CAPITAL);
        headless_key_up(console, VK_CAPITAL);
        take();
        take();
        EXPECT_EQ(GetKeyState(VK_CAPITAL), expected_toggle);
    }
    // Keys that type nothing translate to nothing; other messages are not translated.
    headless_key_down(console, VK_LEFT);
    m = take();
    EXPECT_TRUE(TranslateMessage(&m));
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    MSG other = {};
    other.message = WM_USER;
    EXPECT_FALSE(TranslateMessage(&other));
    EXPECT_FALSE(TranslateMessage(nullptr));
}

TEST_F(Dispatch, CallsTheProcedureAndRefusesBadInput) {
    HWND w = wlog::make();
    size_t from = wlog::mark();
    PostMessageA(w, WM_USER + 5, 11, 22);
    MSG m = take();
    DispatchMessageA(&m);
    ASSERT_EQ(wlog::messages(w, from), std::vector<UINT>{WM_USER + 5});
    EXPECT_EQ(wlog::state().log.back().wp, (WPARAM)11);
    EXPECT_EQ(wlog::state().log.back().lp, (LPARAM)22);
    MSG bad = {};
    bad.hwnd = (HWND)(intptr_t)0x777;
    bad.message = WM_USER;
    EXPECT_EQ(DispatchMessageA(&bad), 0);
    EXPECT_EQ(DispatchMessageA(nullptr), 0);
    EXPECT_FALSE(PostMessageA(bad.hwnd, WM_USER, 0, 0));
    EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
}

TEST_F(Dispatch, PostingStopsAtTheQueueLimit) {
    HWND w = wlog::make();
    int posted = 0;
    for (int i = 0; i < 20000; ++i) posted += PostMessageA(w, WM_USER, 0, 0) ? 1 : 0;
    EXPECT_EQ(posted, 10000);
    EXPECT_EQ(wlog::pump(), 10000);
}

TEST_F(Waiting, GetMessageReturnsFalseForQuitAndDestroyedWindowsLoseTheirMessages) {
    HWND w = wlog::make();
    PostMessageA(w, WM_USER, 0, 0);
    DestroyWindow(w);
    PostQuitMessage(5);
    MSG m;
    EXPECT_FALSE(GetMessageA(&m, nullptr, 0, 0)) << "only WM_QUIT is left";
    EXPECT_EQ(m.message, (UINT)WM_QUIT);
    EXPECT_EQ(m.wParam, (WPARAM)5);
}

TEST_F(Waiting, IdleHookRunsBeforeTheClockMovesAndInputEndsTheWait) {
    static HWND w;
    static DWORD seen_at;
    w = wlog::make();
    SetTimer(w, 1, 1000, nullptr);
    DWORD t0 = headless_now();
    unsigned long waits = headless_wait_count();
    headless_set_idle_hook(
        [](void *) {
            seen_at = headless_now();
            headless_click(w, 1, 1);
        },
        nullptr);
    WaitMessage();
    headless_set_idle_hook(nullptr, nullptr);
    EXPECT_EQ(headless_wait_count(), waits + 1);
    EXPECT_EQ(seen_at, t0);
    EXPECT_EQ(headless_now(), t0) << "the injected click ended the wait before the timer";
    EXPECT_EQ(take().message, (UINT)WM_LBUTTONDOWN);
}

TEST_F(Waiting, ProgramThatWaitsForNothingEndsWithAMessage) {
    // A fresh process: timers or windows that earlier tests of this process left must not count.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            HWND w = wlog::make();
            (void)w;
            MSG m;
            while (GetMessageA(&m, nullptr, 0, 0)) DispatchMessageA(&m);
        },
        ::testing::ExitedWithCode(3), "waits with no input and no timer");
}

}  // namespace
