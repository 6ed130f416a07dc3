// Runs the whole cone decorator (its WinMain) on the headless host and drives it from the idle hook:
// a test queues actions keyed to frame numbers, then reads what the window shows.
#ifndef TESTS_APP_CONE_RUN_H
#define TESTS_APP_CONE_RUN_H

#include <gtest/gtest.h>
#include <headless.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "plako.h"

namespace cone_test {

// The Palette's colours as the window shows them.
const COLORREF BLACK = RGB(0, 0, 0);
const COLORREF WHITE = RGB(255, 255, 255);
const COLORREF RED = RGB(255, 0, 0);
const COLORREF GREEN = RGB(0, 255, 0);
const COLORREF BLUE = RGB(0, 0, 255);
const COLORREF YELLOW = RGB(255, 255, 0);
const COLORREF MAGENTA = RGB(255, 0, 255);
const COLORREF ICE_BLUE = RGB(153, 255, 255);
const COLORREF ORANGE = RGB(255, 102, 0);
const COLORREF BROWN = RGB(153, 102, 51);
const COLORREF GOLD = RGB(204, 153, 51);
const COLORREF FOREST_GREEN = RGB(0, 102, 51);
const COLORREF GRAY_50 = RGB(128, 128, 128);
const COLORREF GRAY_20 = RGB(204, 204, 204);

const int TICK_MS = 100;
const int ORIGIN_X = 297;  // client area 595 by 495
const int ORIGIN_Y = 247;

// Canvas point (x, y) as a client pixel.
inline int client_x(int x) { return ORIGIN_X + x; }
inline int client_y(int y) { return ORIGIN_Y - y; }

class ConeRun {
   public:
    // Queues action to run, in queue order and each in its own idle call, once frame `frame` has been
    // drawn and shown (frame -1: before the first tick).
    void at(int frame, std::function<void()> action) { steps_.push_back({frame, std::move(action)}); }

    // Starts WinMain on the headless host and returns its result. The run is closed through the close
    // box once every action has run, and cut short (a failure) when virtual time passes limit_ms.
    int run(DWORD limit_ms = 60000) {
        limit_ms_ = limit_ms;
        headless_select();
        headless_set_idle_hook(&ConeRun::hook, this);
        char cmd[] = "";
        const int result = WinMain(nullptr, nullptr, cmd, SW_SHOWNORMAL);
        headless_set_idle_hook(nullptr, nullptr);
        EXPECT_EQ(next_, steps_.size()) << "not every queued action ran";
        return result;
    }

    // The last frame drawn and shown at this wait, from the virtual clock: the tick timer starts at 0 and
    // the program draws frame k on the tick at (k + 1) * 100 ms while it animates without a pause.
    int last_frame() const { return (int)(headless_now() / TICK_MS) - 1; }

    HWND window() const { return hwnd_; }
    // Waits seen after the last queued action ran.
    int waits_after_last_action() const { return waits_after_; }

    // What the window shows at canvas point (x, y).
    COLORREF pixel(int x, int y) const { return headless_pixel(hwnd_, client_x(x), client_y(y)); }
    // How many pixels of the canvas box x1..x2 by y1..y2 (inclusive, any order) show colour c.
    int count(COLORREF c, int x1, int y1, int x2, int y2) const {
        int n = 0;
        for (int x = std::min(x1, x2); x <= std::max(x1, x2); x++)
            for (int y = std::min(y1, y2); y <= std::max(y1, y2); y++) n += pixel(x, y) == c;
        return n;
    }
    // Left click at canvas point (x, y).
    void click(int x, int y) const { headless_click(hwnd_, client_x(x), client_y(y)); }
    // Ctrl+letter, with the Ctrl key released again.
    void ctrl(char letter) const {
        headless_key_down(hwnd_, VK_CONTROL);
        headless_key_down(hwnd_, letter);
        headless_key_up(hwnd_, letter);
        headless_key_up(hwnd_, VK_CONTROL);
    }

   private:
    struct Step {
        int frame;
        std::function<void()> action;
    };

    static void hook(void *ctx) { static_cast<ConeRun *>(ctx)->on_idle(); }

    void on_idle() {
        if (!hwnd_) hwnd_ = FindWindowA("DrawWndClass", "PLAKO Graphics");
        if (!hwnd_) return;
        if (headless_now() > limit_ms_) {
            ADD_FAILURE() << "the run passed " << limit_ms_ << " ms of virtual time; closing it";
            headless_close(hwnd_);
            limit_ms_ = 0xffffffffu;  // once
            return;
        }
        if (next_ == steps_.size()) {
            if (waits_after_++ == 0) headless_close(hwnd_);
            return;
        }
        // The host counts a PeekMessage that finds nothing as a wait, and the package copies a new
        // frame to the window only after that peek: at the first wait of a moment the window may still
        // show the frame before. A posted no-op message makes the program pass once more, copy, and
        // wait again at the same moment; then the window is up to date.
        const DWORD now = headless_now();
        const bool fresh = have_seen_ && now == last_seen_;
        have_seen_ = true;
        last_seen_ = now;
        if (!fresh) {
            PostMessageA(hwnd_, WM_NULL, 0, 0);
            return;
        }
        if (last_frame() < steps_[next_].frame) return;
        ASSERT_EQ(last_frame(), steps_[next_].frame) << "the run skipped past a queued frame";
        steps_[next_++].action();
    }

    std::vector<Step> steps_;
    size_t next_ = 0;
    HWND hwnd_ = nullptr;
    DWORD limit_ms_ = 0;
    int waits_after_ = 0;
    bool have_seen_ = false;
    DWORD last_seen_ = 0;
};

}  // namespace cone_test

#endif
