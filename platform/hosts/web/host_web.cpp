// The browser host: each platform/ window is a canvas on the page (web/plako.js makes them), input
// comes from the page's own events, time is the page's clock, and the wait hands the browser back
// its thread (Asyncify) until input arrives or the deadline passes, so the page stays alive and a
// waiting program costs nothing.
#include <cstdint>
#include <deque>
#include <vector>

#include "host.h"

// The page's half of the host (web/plako.js).
extern "C" {
int plako_web_create(const char *title, int y, int w, int h, int resizable);
void plako_web_destroy(int id);
void plako_web_show(int id, int show);
void plako_web_present(int id, const uint32_t *px, int w, int h, int stride);
int plako_web_next(int *out);  // 8 ints: kind, window id, x, y, button, vk, ch, alt
int plako_web_pending(void);
void plako_web_wait(int ms);  // ms < 0: no deadline
uint32_t plako_web_now(void);
void plako_web_screen(int *w, int *h);
void plako_web_debug(const char *text);  // Windows-1252
}

namespace plat {
namespace {

struct HostWindow {
    int id = 0;
    HWND__ *owner = nullptr;
};

// The host's one state record.
struct WebHostState {
    std::vector<HostWindow *> windows;
};
WebHostState state;

HostWindow *window_by_id(int id) {
    for (HostWindow *w : state.windows)
        if (w->id == id) return w;
    return nullptr;
}

bool live(const HostWindow *hw) {
    for (HostWindow *w : state.windows)
        if (w == hw) return true;
    return false;
}

int web_init(void) { return 1; }

void *web_create_window(HWND__ *owner, const char *title, int x, int y, int w, int h, int resizable) {
    (void)x;  // the page lays its windows out one below the other, in the order of their y
    w = w < 1 ? 1 : (w > 16384 ? 16384 : w);
    h = h < 1 ? 1 : (h > 16384 ? 16384 : h);
    int id = plako_web_create(title ? title : "", y, w, h, resizable);
    if (id <= 0) return nullptr;
    HostWindow *hw = new HostWindow;
    hw->id = id;
    hw->owner = owner;
    state.windows.push_back(hw);
    return hw;
}

void web_destroy_window(void *win) {
    HostWindow *hw = static_cast<HostWindow *>(win);
    for (size_t i = 0; i < state.windows.size(); ++i) {
        if (state.windows[i] != hw) continue;
        state.windows.erase(state.windows.begin() + (long)i);
        plako_web_destroy(hw->id);  // the page drops its events too
        delete hw;
        return;
    }
}

void web_show_window(void *win, int show) {
    HostWindow *hw = static_cast<HostWindow *>(win);
    if (live(hw)) plako_web_show(hw->id, show);
}

void web_present(void *win, const uint32_t *px, int w, int h, int stride) {
    HostWindow *hw = static_cast<HostWindow *>(win);
    if (!live(hw) || !px || w <= 0 || h <= 0 || stride < w) return;
    plako_web_present(hw->id, px, w, h, stride);
}

int web_poll_event(HostEvent *out) {
    if (!out) return 0;
    int v[8];
    while (plako_web_next(v)) {
        HostWindow *hw = window_by_id(v[1]);
        // The page numbers its events as HostEvent::Kind does (a test compares the two); it makes
        // no menu choices of its own, which come from the menu bar.
        if (!hw || v[0] <= HostEvent::NONE || v[0] >= HostEvent::COMMAND) continue;
        HostEvent ev;
        ev.kind = (HostEvent::Kind)v[0];
        ev.window = hw->owner;
        ev.x = v[2];
        ev.y = v[3];
        ev.button = v[4];
        ev.vk = v[5];
        ev.ch = v[6] & 0xff;
        ev.alt = v[7] ? 1 : 0;
        *out = ev;
        return 1;
    }
    return 0;
}

uint32_t web_now_ms(void) { return plako_web_now(); }

void web_wait_event(uint32_t deadline_ms) {
    if (plako_web_pending()) return;
    if (deadline_ms == NO_DEADLINE) {
        plako_web_wait(-1);
        return;
    }
    // Wrap-safe: the clock wraps after 49 days, so compare by signed difference.
    int32_t left = (int32_t)(deadline_ms - plako_web_now());
    if (left > 0) plako_web_wait(left);
}

void web_screen_size(int *w, int *h) {
    int sw = 0, sh = 0;
    plako_web_screen(&sw, &sh);
    if (sw <= 0 || sh <= 0) sw = 1280, sh = 1024;
    if (w) *w = sw;
    if (h) *h = sh;
}

// A developer's text goes to the browser's console (its developer tools).
void web_debug_text(const char *text) {
    if (text) plako_web_debug(text);
}

}  // namespace

const Host host_web = {
    "web",          web_init,       web_create_window, web_destroy_window, web_show_window, web_present,
    web_poll_event, web_wait_event, web_now_ms,        web_screen_size,    web_debug_text,
};

}  // namespace plat
