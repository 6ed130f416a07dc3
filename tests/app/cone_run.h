// Runs the whole cone decorator (its WinMain) on the headless host and drives it from the idle hook:
// a test queues actions keyed to frame numbers, then reads what the window shows.
#ifndef TESTS_APP_CONE_RUN_H
#define TESTS_APP_CONE_RUN_H

#include <functional>
#include <vector>

#include "headless_run.h"

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

using plako_test::client_x;
using plako_test::client_y;

// The run's window, pixel, count, click and ctrl come from the common run; this adds the frame-keyed
// steps and the close once they have all run.
class ConeRun : public plako_test::HeadlessRun {
   public:
    ConeRun() {
        every_wait([this] { on_idle(); });
    }

    // Queues action to run, in queue order and each in its own idle call, once frame `frame` has been
    // drawn and shown (frame -1: before the first tick).
    void at(int frame, std::function<void()> action) { steps_.push_back({frame, std::move(action)}); }

    // Runs WinMain and returns its result. The run is closed through the close box once every action
    // has run, and cut short (a failure) when virtual time passes limit_ms.
    int run(DWORD limit_ms = 60000) {
        fail_after_ms(limit_ms);
        const int result = run_program();
        EXPECT_EQ(next_, steps_.size()) << "not every queued action ran";
        return result;
    }

    // The last frame drawn and shown at this wait, from the virtual clock: the tick timer starts at 0 and
    // the program draws frame k on the tick at (k + 1) * 100 ms while it animates without a pause.
    int last_frame() const { return (int)(headless_now() / TICK_MS) - 1; }

    // Waits seen after the last queued action ran.
    int waits_after_last_action() const { return waits_after_; }

   private:
    struct Step {
        int frame;
        std::function<void()> action;
    };

    void on_idle() {
        if (next_ == steps_.size()) {
            if (waits_after_++ == 0) headless_close(window());
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
            PostMessageA(window(), WM_NULL, 0, 0);
            return;
        }
        if (last_frame() < steps_[next_].frame) return;
        ASSERT_EQ(last_frame(), steps_[next_].frame) << "the run skipped past a queued frame";
        steps_[next_++].action();
    }

    std::vector<Step> steps_;
    size_t next_ = 0;
    int waits_after_ = 0;
    bool have_seen_ = false;
    DWORD last_seen_ = 0;
};

}  // namespace cone_test

#endif
