// Test support for script recording and playback: a fresh working directory per test, the
// package started on the headless host, and actions run when the program waits.
#pragma once

#include <gtest/gtest.h>
#include <headless.h>
#include <stdlib.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "internal.h"  // console_line: the console's kept lines
#include "plako.h"

namespace script_test {

// Makes a fresh temporary directory the working directory for the life of the object.
class TempDir {
   public:
    TempDir() {
        char templ[] = "/tmp/plako-script-XXXXXX";
        const char *made = mkdtemp(templ);
        EXPECT_NE(made, nullptr);
        if (made) path_ = made;
        char old[4096];
        if (getcwd(old, sizeof old)) old_ = old;
        EXPECT_EQ(chdir(path_.c_str()), 0);
    }
    ~TempDir() {
        if (!old_.empty() && chdir(old_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << old_;
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string &path() const { return path_; }

   private:
    std::string path_, old_;
};

inline std::string read_file(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void write_file(const std::string &name, const std::string &text) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << text;
}

// Every line the console keeps (the last 25), oldest first.
inline std::vector<std::string> console_lines() {
    std::vector<std::string> lines;
    char buf[1100];
    for (int i = 0; console_line(i, buf, sizeof buf) >= 0; i++) lines.push_back(buf);
    return lines;
}

inline int count_lines(const std::string &text) {
    int n = 0;
    for (const std::string &l : console_lines()) n += (l == text);
    return n;
}

// Runs the package in a temporary directory. Actions queued with at_wait() run one per wait of
// the program on the headless host; a wait with nothing queued lets the virtual clock move to the
// next timer. A run that waits very often with nothing to do is ended by closing the window, so
// that a wrong wait fails the test instead of spinning for ever.
class ScriptTest : public ::testing::Test {
   protected:
    void SetUp() override {
        headless_select();
        headless_set_idle_hook(&ScriptTest::idle, this);
        plako_start((HINSTANCE)1, nullptr, (LPSTR) "", SW_SHOWNORMAL);
        hwnd_ = FindWindowA("DrawWndClass", "PLAKO Graphics");
        ASSERT_NE(hwnd_, nullptr);
        plako_show_console(0);
        plako_set_logging(0);
    }
    void TearDown() override {
        plako_stop();
        headless_set_idle_hook(nullptr, nullptr);
        EXPECT_FALSE(stalled_) << "the program waited with nothing to do";
    }

    // The next event, as the application would take it.
    int next(int *x = nullptr, int *y = nullptr, char *key = nullptr) {
        int xx = 0, yy = 0;
        char kk = 0;
        int kind = plako_next_event(&xx, &yy, &kk);
        if (x) *x = xx;
        if (y) *y = yy;
        if (key) *key = kk;
        return kind;
    }
    // A menu choice, carried out by the pump of the next wait.
    void choose(UINT id) { ASSERT_NE(headless_menu_choose(hwnd_, id), 0) << id; }
    int checked(UINT id) { return (headless_menu_state(hwnd_, id) & MF_CHECKED) != 0; }
    void at_wait(std::function<void()> action) { actions_.push_back(std::move(action)); }
    // At the next wait, type ch: a wait that would otherwise last for ever ends with it.
    void type_at_wait(unsigned char ch) {
        at_wait([this, ch] { headless_type(hwnd_, ch); });
    }
    // Client pixel of canvas point (x, y).
    void click_canvas(int x, int y) { headless_click(hwnd_, 297 + x, 247 - y); }

    HWND hwnd_ = nullptr;
    TempDir dir_;

   private:
    static void idle(void *ctx) {
        ScriptTest *t = static_cast<ScriptTest *>(ctx);
        if (!t->actions_.empty()) {
            std::function<void()> action = std::move(t->actions_.front());
            t->actions_.pop_front();
            t->idle_without_action_ = 0;
            action();
            return;
        }
        if (++t->idle_without_action_ > 5000 && !t->stalled_) {
            t->stalled_ = true;
            headless_close(t->hwnd_);
        }
    }
    std::deque<std::function<void()>> actions_;
    unsigned long idle_without_action_ = 0;
    bool stalled_ = false;
};

}  // namespace script_test
