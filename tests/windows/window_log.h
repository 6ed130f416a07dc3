// Test support for the window core: a window class whose procedure logs every message it gets,
// and helpers to pump the queue on the headless host.
#pragma once

#include <gtest/gtest.h>
#include <headless.h>
#include <windows.h>

#include <functional>
#include <vector>

namespace wlog {

struct Logged {
    HWND hwnd;
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};

struct State {
    std::vector<Logged> log;
    // Runs inside the procedure before the default handling; returns true to skip DefWindowProcA.
    std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT *)> hook;
    std::vector<HWND> made;
};
inline State &state() {
    static State s;
    return s;
}

inline LRESULT CALLBACK proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    state().log.push_back(Logged{h, m, w, l});
    LRESULT r = 0;
    if (state().hook && state().hook(h, m, w, l, &r)) return r;
    return DefWindowProcA(h, m, w, l);
}

const COLORREF background = RGB(10, 20, 30);

// Registers "LogClass" once per process, with a solid background brush.
inline void register_class() {
    static bool done = false;
    if (done) return;
    done = true;
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.hbrBackground = CreateSolidBrush(background);
    wc.lpszClassName = "LogClass";
    ASSERT_NE(RegisterClassA(&wc), 0);
}

inline HWND make(DWORD style = WS_CAPTION | WS_SYSMENU, int w = 200, int h = 150, const char *title = "log") {
    headless_select();
    register_class();
    HWND hwnd =
        CreateWindowExA(0, "LogClass", title, style, 10, 20, w, h, nullptr, nullptr, nullptr, nullptr);
    state().made.push_back(hwnd);
    return hwnd;
}

// The messages w got, in order, from the log's entry `from` on.
inline std::vector<UINT> messages(HWND w, size_t from = 0) {
    std::vector<UINT> out;
    for (size_t i = from; i < state().log.size(); ++i)
        if (state().log[i].hwnd == w) out.push_back(state().log[i].msg);
    return out;
}

inline size_t mark() { return state().log.size(); }

// Takes, translates and dispatches every message that is ready; returns how many it took.
inline int pump() {
    int n = 0;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
        ++n;
    }
    return n;
}

// Leaves no window, timer or queued message behind for the next test in the same process.
class Fixture : public ::testing::Test {
   protected:
    void TearDown() override {
        headless_set_idle_hook(nullptr, nullptr);
        state().hook = nullptr;
        for (HWND w : state().made) DestroyWindow(w);
        state().made.clear();
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
};

}  // namespace wlog
