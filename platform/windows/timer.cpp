// Timers and the clock. A timer is not a queue of ticks but a due time: while it is due it
// yields one WM_TIMER, and retrieving that message sets the next due time to now + period, so
// ticks that fall due while one is waiting merge into it.
#include <vector>

#include "core.h"

namespace plat {
namespace {

constexpr UINT MIN_PERIOD = 10;  // the system's shortest period
constexpr UINT MAX_PERIOD = 0x7fffffff;
constexpr size_t MAX_TIMERS = 10000;
constexpr UINT_PTR FIRST_THREAD_ID = 0x7f00;  // ids of timers without a window start here

struct Timer {
    HWND w;
    UINT_PTR id;
    UINT period;
    uint64_t due;
    TIMERPROC proc;
};

struct TimerState {
    std::vector<Timer> timers;  // in the order they were set
    uint64_t clock;             // widened host clock
    uint32_t last;              // host clock at the last reading
    bool started;
    UINT_PTR next_thread_id;
};
TimerState state;

Timer *find(HWND w, UINT_PTR id) {
    for (Timer &t : state.timers)
        if (t.w == w && t.id == id) return &t;
    return nullptr;
}

bool thread_id_taken(UINT_PTR id) { return id == 0 || find(nullptr, id) != nullptr; }

}  // namespace

uint64_t clock_now() {
    uint32_t now = host_current()->now_ms();
    if (!state.started) {
        state.started = true;
        state.clock = now;
    } else {
        state.clock += (uint32_t)(now - state.last);  // unsigned difference: right across a wrap
    }
    state.last = now;
    return state.clock;
}

bool timer_next_due(uint64_t *due) {
    bool any = false;
    for (const Timer &t : state.timers) {
        if (!any || t.due < *due) *due = t.due;
        any = true;
    }
    return any;
}

bool timer_take(HWND filter, bool thread_only, bool remove, MSG *out) {
    uint64_t now = clock_now();
    Timer *best = nullptr;
    for (Timer &t : state.timers) {
        if (t.due > now) continue;
        if (thread_only ? t.w != nullptr : (filter && t.w != filter)) continue;
        if (!best || t.due < best->due) best = &t;
    }
    if (!best) return false;
    *out = MSG();
    out->hwnd = best->w;
    out->message = WM_TIMER;
    out->wParam = best->id;
    out->lParam = (LPARAM)best->proc;
    out->time = (DWORD)now;
    if (remove) best->due = now + best->period;
    return true;
}

bool timer_proc_valid(HWND w, UINT_PTR id, LPARAM proc) {
    Timer *t = find(w, id);
    return t && t->proc && (LPARAM)t->proc == proc;
}

void timer_kill_window(HWND w) {
    std::vector<Timer> keep;
    for (const Timer &t : state.timers)
        if (t.w != w) keep.push_back(t);
    state.timers.swap(keep);
}

}  // namespace plat

using namespace plat;

// Sets (or resets) timer id of the window, due every elapse ms (clamped to 10 .. 2^31-1). Without
// a window the id is chosen here. Returns the id, or 0 on failure.
UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    if (hwnd && !IsWindow(hwnd)) return 0;
    UINT period = elapse < MIN_PERIOD ? MIN_PERIOD : (elapse > MAX_PERIOD ? MAX_PERIOD : elapse);
    uint64_t now = clock_now();
    if (!hwnd && !find(nullptr, id)) {
        if (state.next_thread_id < FIRST_THREAD_ID) state.next_thread_id = FIRST_THREAD_ID;
        for (size_t tries = 0; thread_id_taken(state.next_thread_id); ++tries) {
            if (tries > MAX_TIMERS) return 0;
            state.next_thread_id++;
        }
        id = state.next_thread_id++;
    }
    if (Timer *t = find(hwnd, id)) {
        t->period = period;
        t->due = now + period;
        t->proc = proc;
        return id ? id : 1;
    }
    if (state.timers.size() >= MAX_TIMERS) return 0;
    state.timers.push_back(Timer{hwnd, id, period, now + period, proc});
    return id ? id : 1;
}

BOOL WINAPI KillTimer(HWND hwnd, UINT_PTR id) {
    for (size_t i = 0; i < state.timers.size(); ++i) {
        if (state.timers[i].w == hwnd && state.timers[i].id == id) {
            state.timers.erase(state.timers.begin() + (ptrdiff_t)i);
            return TRUE;
        }
    }
    return FALSE;
}

DWORD WINAPI GetTickCount(void) { return (DWORD)clock_now(); }
