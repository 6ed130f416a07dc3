// Test support for script recording and playback: the suite's fixture gives each test a fresh working
// directory and the package started on the headless host, with actions run when the program waits.
#pragma once

#include <string>
#include <vector>

#include "headless_run.h"

namespace script_test {

using plako_test::console_lines;
using plako_test::FileSizeLimit;
using plako_test::read_file;
using plako_test::run_child;
using plako_test::TempDir;
using plako_test::write_file;

// How many of the console's kept lines are exactly text.
inline int count_lines(const std::string &text) {
    int n = 0;
    for (const std::string &l : console_lines()) n += (l == text);
    return n;
}

// Runs the package in a temporary directory, with the console hidden and logging off. Actions queued
// with at_wait() run one per wait of the program; a wait with nothing queued lets the virtual clock
// move to the next timer. A run that waits very often with nothing to do fails and has its window
// closed, so that a wrong wait fails the test instead of spinning for ever.
class ScriptTest : public ::testing::Test {
   protected:
    void SetUp() override {
        run_.start_package();
        hwnd_ = run_.window();
        ASSERT_NE(hwnd_, nullptr);
        plako_show_console(0);
        plako_set_logging(0);
    }
    void TearDown() override { plako_stop(); }

    // The next event, as the application would take it.
    int next(int *x = nullptr, int *y = nullptr, char *key = nullptr) {
        const plako_test::Event e = plako_test::next_event();
        if (x) *x = e.x;
        if (y) *y = e.y;
        if (key) *key = e.key;
        return e.kind;
    }
    // A menu choice, carried out by the pump of the next wait.
    void choose(UINT id) { run_.choose(id); }
    int checked(UINT id) { return run_.checked(id); }
    void at_wait(std::function<void()> action) { run_.at_next_wait(std::move(action)); }
    // At the next wait, type ch: a wait that would otherwise last for ever ends with it.
    void type_at_wait(unsigned char ch) {
        at_wait([this, ch] { headless_type(hwnd_, ch); });
    }
    // A click at canvas point (x, y).
    void click_canvas(int x, int y) { run_.click(x, y); }

    TempDir dir_;  // made before the package starts, removed after the hook is gone
    plako_test::HeadlessRun run_{5000};
    HWND hwnd_ = nullptr;
};

}  // namespace script_test
