// Test support for the package: starts it on the headless host and lets a test queue what happens
// at the next waits ("at the next wait, click here"). Each test runs in a process of its own.
#pragma once

#include <gtest/gtest.h>
#include <headless.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "internal.h"

namespace harness {

struct State {
    std::deque<std::function<void()>> actions;
    int idle_in_a_row;
};
inline State &state() {
    static State s;
    return s;
}

// The idle hook: runs the next queued action. A wait that nothing can end would spin the virtual
// clock forever, so after many idle waits in a row the test fails and the window is closed.
inline void on_idle(void *) {
    State &s = state();
    if (!s.actions.empty()) {
        std::function<void()> action = std::move(s.actions.front());
        s.actions.pop_front();
        s.idle_in_a_row = 0;
        action();
    } else if (++s.idle_in_a_row > 2000) {
        ADD_FAILURE() << "the program kept waiting with nothing queued";
        s.idle_in_a_row = 0;
        headless_close(window_graphics());
    }
}

// Starts the package as the cone decorator does, but leaves logging on and the console shown.
inline void start() {
    headless_select();
    headless_set_idle_hook(on_idle, nullptr);
    char cmd_line[] = "";
    plako_start(nullptr, nullptr, cmd_line, SW_SHOWNORMAL);
}

// Queues an action for the next wait (one action per wait); idle_once lets one wait pass.
inline void at_next_wait(std::function<void()> action) { state().actions.push_back(std::move(action)); }
inline void idle_once() {
    at_next_wait([] {});
}

// Lets ms of virtual time pass, counted from the wait that reaches it; later actions wait for it.
struct IdleUntil {
    DWORD ms;
    std::shared_ptr<long long> target;
    void operator()() const {
        if (*target < 0) *target = (long long)headless_now() + ms;
        if ((long long)headless_now() < *target) state().actions.push_front(*this);
    }
};
inline void idle_for(DWORD ms) { at_next_wait(IdleUntil{ms, std::make_shared<long long>(-1)}); }

// Pump passes until the queue is empty: dispatches what is queued and flushes the canvas.
inline void pump_all() {
    for (int i = 0; i < 10000 && plako_pump(); i++) {
    }
}

struct Event {
    int kind, x, y;
    char key;
};
inline Event next_event() {
    Event e = {};
    e.kind = plako_next_event(&e.x, &e.y, &e.key);
    return e;
}

// The client (and canvas) pixel of a canvas point.
inline int px(int x) { return window_origin_x() + x; }
inline int py(int y) { return window_origin_y() - y; }
inline COLORREF canvas_px(int column, int row) { return GetPixel(window_canvas(), column, row); }
inline COLORREF canvas_at(int x, int y) { return canvas_px(px(x), py(y)); }

// The console lines kept in the ring, oldest first.
inline std::vector<std::string> console_lines() {
    std::vector<std::string> lines;
    for (int i = 0, n; (n = console_line(i, nullptr, 0)) >= 0; i++) {
        std::string s((size_t)n + 1, '\0');
        console_line(i, &s[0], n + 1);
        s.resize((size_t)n);
        lines.push_back(s);
    }
    return lines;
}
// A marker line, and the lines written after the last one (at most 24 are still kept).
inline void mark() { plako_console_printf("--mark--\n"); }
inline std::vector<std::string> since_mark() {
    std::vector<std::string> all = console_lines();
    for (size_t i = all.size(); i-- > 0;)
        if (all[i] == "--mark--\n") return std::vector<std::string>(all.begin() + (long)i + 1, all.end());
    ADD_FAILURE() << "the mark line is no longer kept";
    return all;
}

inline HeadlessObjectCounts object_counts() {
    HeadlessObjectCounts c = {};
    headless_object_counts(&c);
    return c;
}
// Pens, brushes, fonts, bitmaps, DCs and memory blocks are as many as before.
inline void expect_same_objects(const HeadlessObjectCounts &a, const HeadlessObjectCounts &b) {
    EXPECT_EQ(a.pens, b.pens);
    EXPECT_EQ(a.brushes, b.brushes);
    EXPECT_EQ(a.fonts, b.fonts);
    EXPECT_EQ(a.bitmaps, b.bitmaps);
    EXPECT_EQ(a.dcs, b.dcs);
    EXPECT_EQ(a.memory_blocks, b.memory_blocks);
}

}  // namespace harness
