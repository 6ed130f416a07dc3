// Test support for the package: starts it on the headless host and lets a test queue what happens
// at the next waits ("at the next wait, click here"). Each test runs in a process of its own, so
// the package is started once per test.
#pragma once

#include <gtest/gtest.h>
#include <headless.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "internal.h"

namespace harness {

// Waits in a row with no action queued before the harness gives up: a test whose wait cannot
// end would otherwise spin the virtual clock forever.
const int idle_limit = 2000;

struct State {
    std::deque<std::function<void()>> actions;
    int idle_in_a_row;
};
inline State &state() {
    static State s;
    return s;
}

// The idle hook: runs the next queued action, or counts an idle wait.
inline void on_idle(void *) {
    State &s = state();
    if (!s.actions.empty()) {
        std::function<void()> action = std::move(s.actions.front());
        s.actions.pop_front();
        s.idle_in_a_row = 0;
        action();
        return;
    }
    if (++s.idle_in_a_row > idle_limit) {
        ADD_FAILURE() << "the program waited " << idle_limit << " times with nothing queued";
        s.idle_in_a_row = 0;
        headless_close(window_graphics());  // ends the wait with EVENT_QUIT
    }
}

// Starts the package as the cone decorator does, but leaves logging on and the console shown.
inline void start() {
    headless_select();
    headless_set_idle_hook(on_idle, nullptr);
    char cmd_line[] = "";
    plako_start(nullptr, nullptr, cmd_line, SW_SHOWNORMAL);
}

// Queues an action for the next wait that finds nothing to do (one action per wait).
inline void at_next_wait(std::function<void()> action) { state().actions.push_back(std::move(action)); }
// Lets the program wait once with nothing happening (the clock runs to the next timer).
inline void idle_once() {
    at_next_wait([] {});
}

// Runs pump passes until the queue is empty: dispatches what is queued and flushes the canvas.
inline void pump_all() {
    for (int i = 0; i < 10000 && plako_pump(); i++) {
    }
}

struct Event {
    int kind;
    int x, y;
    char key;
};
inline Event next_event() {
    Event e = {};
    e.kind = plako_next_event(&e.x, &e.y, &e.key);
    return e;
}

// The client pixel of a canvas point, for clicks.
inline int px(int x) { return window_origin_x() + x; }
inline int py(int y) { return window_origin_y() - y; }

// The canvas pixel of a canvas point.
inline COLORREF canvas_at(int x, int y) { return GetPixel(window_canvas(), px(x), py(y)); }
inline COLORREF canvas_px(int column, int row) { return GetPixel(window_canvas(), column, row); }

// The console lines kept in the ring, oldest first.
inline std::vector<std::string> console_lines() {
    std::vector<std::string> lines;
    for (int i = 0;; i++) {
        int n = console_line(i, nullptr, 0);
        if (n < 0) break;
        std::string s((size_t)n + 1, '\0');
        console_line(i, &s[0], n + 1);
        s.resize((size_t)n);
        lines.push_back(s);
    }
    return lines;
}
// The newest n kept lines, oldest first (fewer when fewer are kept).
inline std::vector<std::string> last_lines(size_t n) {
    std::vector<std::string> all = console_lines();
    size_t from = all.size() > n ? all.size() - n : 0;
    return std::vector<std::string>(all.begin() + (long)from, all.end());
}
// Writes a marker line, so that a test can see exactly which lines follow it.
inline void mark() { plako_console_printf("--mark--\n"); }
// The lines written after the last mark() (at most 24 of them are still kept).
inline std::vector<std::string> since_mark() {
    std::vector<std::string> all = console_lines();
    for (size_t i = all.size(); i-- > 0;)
        if (all[i] == "--mark--\n") return std::vector<std::string>(all.begin() + (long)i + 1, all.end());
    ADD_FAILURE() << "the mark line is no longer kept";
    return all;
}

}  // namespace harness
