// Test support for driving a whole program on the headless host: the package started with plako_start
// or a program's WinMain run to its end, an idle hook that runs a test's queued actions one per wait of
// the program, injected input, what the window shows, console lines, object counts, temporary
// directories and child processes. Everything runs on the program's one thread.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <headless.h>
#include <signal.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <windows.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "internal.h"  // console_line: the console's kept lines
#include "plako.h"
#include "rgb_image.h"

namespace plako_test {

// ---- the graphics window and its canvas ----

// The canvas origin in the graphics window's 595 by 495 client area.
const int ORIGIN_X = 297;
const int ORIGIN_Y = 247;

// Canvas point (x, y) as a client pixel.
inline int client_x(int x) { return ORIGIN_X + x; }
inline int client_y(int y) { return ORIGIN_Y - y; }

// The package's graphics window; null while there is none.
inline HWND find_graphics_window() { return FindWindowA("DrawWndClass", "PLAKO Graphics"); }

// Ctrl+key on hwnd, with both keys released again.
inline void ctrl_key(HWND hwnd, int vk) {
    headless_key_down(hwnd, VK_CONTROL);
    headless_key_down(hwnd, vk);
    headless_key_up(hwnd, vk);
    headless_key_up(hwnd, VK_CONTROL);
}

// The whole client area of hwnd as RGB rows; false when it cannot be read.
inline bool client_image(HWND hwnd, RgbImage *img) {
    RECT rc = {};
    GetClientRect(hwnd, &rc);
    std::vector<unsigned int> px((size_t)std::max<LONG>(rc.right, 0) * std::max<LONG>(rc.bottom, 0));
    int w = 0, h = 0;
    if (px.empty() || !headless_client_pixels(hwnd, px.data(), (int)px.size(), &w, &h)) return false;
    img->w = w;
    img->h = h;
    img->rgb.clear();
    for (unsigned int p : px) {
        img->rgb.push_back((unsigned char)(p >> 16));
        img->rgb.push_back((unsigned char)(p >> 8));
        img->rgb.push_back((unsigned char)p);
    }
    return true;
}

// ---- the package's events, console and objects ----

struct Event {
    int kind, x, y;
    char key;
};
// The next event, as the application would take it.
inline Event next_event() {
    Event e = {};
    e.kind = plako_next_event(&e.x, &e.y, &e.key);
    return e;
}

// The console lines kept in the ring, oldest first, each as formatted (line end included).
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

// ---- the run ----

// Selects the headless host and owns its idle hook for the life of the object. At each wait of the
// program the hook runs the next queued action (one per wait); at a wait with nothing queued it runs the
// test's every_wait handler if there is one, or else counts the wait: a program that keeps waiting with
// nothing to do fails the test and has its window closed, instead of spinning the virtual clock for ever.
class HeadlessRun {
   public:
    // stall_waits: idle waits in a row that count as a stall (0: never).
    explicit HeadlessRun(unsigned long stall_waits = 2000) : stall_waits_(stall_waits) {
        headless_select();
        headless_set_idle_hook(&HeadlessRun::hook, this);
    }
    ~HeadlessRun() { headless_set_idle_hook(nullptr, nullptr); }
    HeadlessRun(const HeadlessRun &) = delete;
    HeadlessRun &operator=(const HeadlessRun &) = delete;

    // Starts the package as a program's WinMain would, with its four start-up values; plako_start's result.
    int start_package() {
        char cmd_line[] = "";
        return plako_start(instance(), nullptr, cmd_line, SW_SHOWNORMAL);
    }
    // Runs the program's WinMain to its end and returns its result.
    int run_program() {
        char cmd_line[] = "";
        return WinMain(instance(), nullptr, cmd_line, SW_SHOWNORMAL);
    }

    // The graphics window, once the package has made it.
    HWND window() const {
        if (!hwnd_) hwnd_ = find_graphics_window();
        return hwnd_;
    }

    // Queues an action for a later wait (one action per wait).
    void at_next_wait(std::function<void()> action) { actions_.push_back(std::move(action)); }
    // Lets ms of virtual time pass, counted from the wait that reaches it; later actions wait for it.
    void idle_for(DWORD ms) { at_next_wait(IdleUntil{this, ms, std::make_shared<long long>(-1)}); }

    // What to do at every wait that has no queued action (instead of counting it toward a stall).
    void every_wait(std::function<void()> handler) { every_wait_ = std::move(handler); }
    // Fails the run and closes its window, once, at the first wait past ms of virtual time.
    void fail_after_ms(DWORD ms) { deadline_ms_ = ms; }

    // Input at canvas points and menu commands, on the graphics window.
    void click(int x, int y) const { headless_click(window(), client_x(x), client_y(y)); }
    void ctrl(char letter) const { ctrl_key(window(), letter); }
    void choose(UINT id) const { ASSERT_NE(headless_menu_choose(window(), id), 0) << id; }
    int checked(UINT id) const { return (headless_menu_state(window(), id) & MF_CHECKED) != 0; }

    // What the window shows at canvas point (x, y).
    COLORREF pixel(int x, int y) const { return headless_pixel(window(), client_x(x), client_y(y)); }
    // How many pixels of the canvas box x1..x2 by y1..y2 (inclusive, any order) show colour c.
    int count(COLORREF c, int x1, int y1, int x2, int y2) const {
        int n = 0;
        for (int x = std::min(x1, x2); x <= std::max(x1, x2); x++)
            for (int y = std::min(y1, y2); y <= std::max(y1, y2); y++) n += pixel(x, y) == c;
        return n;
    }

   private:
    // Re-queues itself at the front until its time has passed.
    struct IdleUntil {
        HeadlessRun *run;
        DWORD ms;
        std::shared_ptr<long long> target;
        void operator()() const {
            if (*target < 0) *target = (long long)headless_now() + ms;
            if ((long long)headless_now() < *target) run->actions_.push_front(*this);
        }
    };

    // The instance handle WinMain is given: any distinct non-null value serves.
    static HINSTANCE instance() {
        static HINSTANCE__ one;
        return &one;
    }

    static void hook(void *ctx) { static_cast<HeadlessRun *>(ctx)->on_wait(); }

    void on_wait() {
        if (!window()) return;  // nothing to drive yet
        if (deadline_ms_ && headless_now() > deadline_ms_) {
            ADD_FAILURE() << "the run passed " << deadline_ms_ << " ms of virtual time; closing it";
            deadline_ms_ = 0;
            headless_close(hwnd_);
            return;
        }
        if (!actions_.empty()) {
            std::function<void()> action = std::move(actions_.front());
            actions_.pop_front();
            idle_in_a_row_ = 0;
            action();
        } else if (every_wait_) {
            every_wait_();
        } else if (stall_waits_ && ++idle_in_a_row_ > stall_waits_) {
            ADD_FAILURE() << "the program kept waiting with nothing queued";
            idle_in_a_row_ = 0;
            headless_close(hwnd_);
        }
    }

    std::deque<std::function<void()>> actions_;
    std::function<void()> every_wait_;
    unsigned long stall_waits_, idle_in_a_row_ = 0;
    DWORD deadline_ms_ = 0;
    mutable HWND hwnd_ = nullptr;  // looked up at the first call that finds it
};

// ---- files, directories and child processes ----

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

// Makes a fresh temporary directory the working directory for the life of the object.
class TempDir {
   public:
    TempDir() {
        char templ[] = "/tmp/plako-test-XXXXXX";
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
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return path_; }

   private:
    std::string path_, old_;
};

// Limits the size of every file this process writes, as a full file system would, for the life of the
// object, and keeps the process alive when a write crosses the limit (it gets SIGXFSZ otherwise). An
// ignored signal stays ignored across exec, so a child may set it up for the program it runs.
class FileSizeLimit {
   public:
    explicit FileSizeLimit(rlim_t bytes) {
        old_handler_ = signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        struct rlimit lim = old_;
        lim.rlim_cur = bytes;
        ok_ = setrlimit(RLIMIT_FSIZE, &lim) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, old_handler_);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool ok() const { return ok_; }

   private:
    struct rlimit old_;
    void (*old_handler_)(int);
    bool ok_ = false;
};

// Runs body in a child process, which ends with exit status 0 when body returns, and waits for it. The
// child's wait status lands in *status; false (a failure) when it could not be started or waited for.
inline bool run_child(const std::function<void()> &body, int *status) {
    *status = 0;
    pid_t pid = fork();
    if (pid < 0) {
        ADD_FAILURE() << "fork: " << strerror(errno);
        return false;
    }
    if (pid == 0) {
        body();
        _exit(0);
    }
    if (waitpid(pid, status, 0) != pid) {
        ADD_FAILURE() << "waitpid: " << strerror(errno);
        return false;
    }
    return true;
}

// Runs the program args[0] with args in a child; its standard output and error land in *out and *err
// (through the files tool.out and tool.err in the working directory). A file size limit (0: none)
// makes every file the child writes stop at that many bytes, as a full disk would. Returns the exit
// status, 128 + the signal that ended it, or -1 when it could not be run.
inline int run_command(const std::vector<std::string> &args, std::string *out, std::string *err,
                       rlim_t file_size_limit = 0) {
    std::vector<std::string> copy = args;
    std::vector<char *> argv;
    for (std::string &a : copy) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    int status = 0;
    const bool ran = run_child(
        [&] {
            int o = open("tool.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int e = open("tool.err", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (o < 0 || e < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0) _exit(126);
            // Left set up for the program exec runs: _exit runs no destructor.
            std::unique_ptr<FileSizeLimit> limit;
            if (file_size_limit > 0) limit.reset(new FileSizeLimit(file_size_limit));
            if (limit && !limit->ok()) _exit(126);
            execvp(argv[0], argv.data());
            _exit(127);
        },
        &status);
    if (!ran) return -1;
    *out = read_file("tool.out");
    *err = read_file("tool.err");
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace plako_test
