// Test support for the package: the suite's fixture starts it on the headless host and lets a test
// queue what happens at the next waits ("at the next wait, click here"). Each test runs in a process
// of its own.
#pragma once

#include <string>
#include <vector>

#include "headless_run.h"

namespace harness {

using plako_test::console_lines;
using plako_test::Event;
using plako_test::expect_same_objects;
using plako_test::next_event;
using plako_test::object_counts;

// Pump passes until the queue is empty: dispatches what is queued and flushes the canvas.
inline void pump_all() {
    for (int i = 0; i < 10000 && plako_pump(); i++) {
    }
}

// The client (and canvas) pixel of a canvas point.
inline int px(int x) { return window_origin_x() + x; }
inline int py(int y) { return window_origin_y() - y; }
inline COLORREF canvas_px(int column, int row) { return GetPixel(window_canvas(), column, row); }
inline COLORREF canvas_at(int x, int y) { return canvas_px(px(x), py(y)); }

class PackageTest : public ::testing::Test {
   protected:
    // Starts the package as the cone decorator does, but leaves logging on and the console shown.
    void start() { run_.start_package(); }

    // Queues an action for the next wait (one action per wait).
    void at_next_wait(std::function<void()> action) { run_.at_next_wait(std::move(action)); }
    // Lets n ticks' time pass, then clicks at canvas point (x, y).
    void idle_then_click(int n, int x, int y) {
        run_.idle_for((DWORD)n * 100);
        at_next_wait([=] { headless_click(window_graphics(), px(x), py(y)); });
    }

   private:
    plako_test::HeadlessRun run_{2000};
};

// A marker line, and the lines written after the last one (at most 24 are still kept).
inline void mark() { plako_console_printf("--mark--\n"); }
inline std::vector<std::string> since_mark() {
    std::vector<std::string> all = console_lines();
    for (size_t i = all.size(); i-- > 0;)
        if (all[i] == "--mark--\n") return std::vector<std::string>(all.begin() + (long)i + 1, all.end());
    ADD_FAILURE() << "the mark line is no longer kept";
    return all;
}

}  // namespace harness
