// The headless host: a real backend without a display. Its clock is virtual and moves only when
// the program waits (to the next due timer) or when a test advances it; its input is what a test
// injects, queued in order (menu choices too, as COMMAND events); its screen is 1280 by 1024.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <vector>

#include "headless_host.h"

namespace plat {
namespace {

constexpr int SCREEN_W = 1280;
constexpr int SCREEN_H = 1024;
constexpr size_t MAX_QUEUED = 100000;  // injected input beyond this is dropped

struct HostWindow {
    HWND owner;
    int w, h;
    int shown;
};

struct HeadlessState {
    uint64_t clock;
    IdleHook hook;
    void *hook_ctx;
    unsigned long waits;
    int waiting;  // inside wait_event: a hook that pumps messages must not wait again
    std::deque<HostEvent> queue;
    std::vector<std::unique_ptr<HostWindow>> windows;  // owned here: windows may outlive the program
};
HeadlessState state;

int init() { return 1; }

void *create_window(HWND__ *owner, const char *, int, int, int w, int h, int) {
    state.windows.push_back(std::make_unique<HostWindow>(HostWindow{owner, w, h, 0}));
    return state.windows.back().get();
}

void destroy_window(void *win) {
    for (size_t i = 0; i < state.windows.size(); ++i) {
        if (state.windows[i].get() == win) {
            state.windows.erase(state.windows.begin() + (ptrdiff_t)i);
            return;
        }
    }
}

void show_window(void *win, int show) { static_cast<HostWindow *>(win)->shown = show; }

// Nothing to show the frame on: tests read the windows' client pixels themselves.
void present(void *, const uint32_t *, int, int, int) {}

int poll_event(HostEvent *ev) {
    if (state.queue.empty()) return 0;
    *ev = state.queue.front();
    state.queue.pop_front();
    return 1;
}

uint32_t now_ms() { return (uint32_t)state.clock; }

// Moves the clock forward to the host clock value `to`, when that lies ahead.
void move_clock_to(uint32_t to) {
    uint32_t ahead = to - (uint32_t)state.clock;
    if (ahead != 0 && ahead <= 0x7fffffffu) state.clock += ahead;
}

// The program waits: the test's hook runs first; unless it gave the program something to do, time
// jumps to the deadline. A deadline that is not ahead comes from a PeekMessageA that found nothing:
// the hook runs too, the clock moves by one millisecond, and the run never ends there.
void wait_event(uint32_t deadline) {
    if (state.waiting) return;
    state.waiting = 1;
    state.waits++;
    if (state.hook) state.hook(state.hook_ctx);
    state.waiting = 0;
    if (!state.queue.empty() || messages_ready()) return;
    uint32_t now = (uint32_t)state.clock;
    bool polling = deadline != NO_DEADLINE && (uint32_t)(deadline - now) - 1u >= 0x7fffffffu;
    if (polling) {
        // A poll takes a little time but never sleeps: a program that spins on PeekMessageA
        // instead of waiting needs a hundred passes to see a 100 ms tick, and a test can tell.
        move_clock_to(now + 1);
        return;
    }
    if (deadline == NO_DEADLINE) {
        std::fprintf(stderr, "headless: the program waits with no input and no timer\n");
        std::fflush(stderr);
        std::exit(3);
    }
    move_clock_to(deadline);
}

void screen_size(int *w, int *h) {
    if (w) *w = SCREEN_W;
    if (h) *h = SCREEN_H;
}

// Tests and runners read the console itself; a copy on standard error would only repeat it.
void debug_text(const char *) {}

}  // namespace

const Host host_headless = {
    "headless", init,       create_window, destroy_window, show_window, present,
    poll_event, wait_event, now_ms,        screen_size,    debug_text,
};

bool headless_inject(HWND w, HostEvent ev) {
    if (!IsWindow(w) || state.queue.size() >= MAX_QUEUED) return false;
    ev.window = w;
    state.queue.push_back(ev);
    return true;
}

uint64_t headless_clock() { return state.clock; }
void headless_clock_advance(uint64_t ms) { state.clock += ms; }
void headless_hook(IdleHook hook, void *ctx) {
    state.hook = hook;
    state.hook_ctx = ctx;
}
unsigned long headless_waits() { return state.waits; }

}  // namespace plat
