// The headless host: a real backend without a display. Its clock is virtual and moves only when
// the program waits (to the next due timer) or when a test advances it; its input is what a test
// injects, queued in order; its screen is 1280 by 1024.
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <vector>

#include "core.h"
#include "headless.h"

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

// One piece of injected input: a host event, or a menu choice (command != 0).
struct Injected {
    HostEvent ev;
    HWND window = nullptr;
    UINT command = 0;
};

struct HeadlessState {
    uint64_t clock;
    HeadlessIdleHook hook;
    void *hook_ctx;
    unsigned long waits;
    int waiting;  // inside wait_event: a hook that pumps messages must not wait again
    std::deque<Injected> queue;
    bool ctrl, shift, alt;  // modifiers held by injected key-downs
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
    while (!state.queue.empty()) {
        Injected in = state.queue.front();
        state.queue.pop_front();
        if (in.command) {
            // Queued among the input converted so far, so the choice keeps its place in line.
            if (IsWindow(in.window)) queue_command(in.window, in.command);
            continue;
        }
        *ev = in.ev;
        return 1;
    }
    return 0;
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
    if (!state.queue.empty() || queue_ready()) return;
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

void inject(HWND w, HostEvent ev) {
    if (!IsWindow(w) || state.queue.size() >= MAX_QUEUED) return;
    ev.window = w;
    Injected in;
    in.ev = ev;
    state.queue.push_back(in);
}

bool is_ctrl(int vk) { return vk == VK_CONTROL || vk == VK_LCONTROL || vk == VK_RCONTROL; }
bool is_shift(int vk) { return vk == VK_SHIFT || vk == VK_LSHIFT || vk == VK_RSHIFT; }
bool is_alt(int vk) { return vk == VK_MENU || vk == VK_LMENU || vk == VK_RMENU; }

// US-layout punctuation keys: the key, and what it types without and with Shift.
struct Punct {
    int vk;
    char plain, shifted;
};
const Punct punct[] = {
    {VK_OEM_1, ';', ':'},     {VK_OEM_PLUS, '=', '+'}, {VK_OEM_COMMA, ',', '<'}, {VK_OEM_MINUS, '-', '_'},
    {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},    {VK_OEM_3, '`', '~'},     {VK_OEM_4, '[', '{'},
    {VK_OEM_5, '\\', '|'},    {VK_OEM_6, ']', '}'},    {VK_OEM_7, '\'', '"'},
};

// The character a key types with the modifiers held now (0 for none), on a US layout.
int char_of_key(int vk) {
    if (state.ctrl && state.alt) return 0;
    if (vk >= 'A' && vk <= 'Z') {
        if (state.ctrl) return vk - 'A' + 1;
        return (state.shift && !state.alt) ? vk : vk + 32;
    }
    if (state.ctrl) {
        if (vk == VK_RETURN) return 10;
        if (vk == VK_BACK) return 127;
        return 0;
    }
    static const char shifted_digits[] = ")!@#$%^&*(";
    if (vk >= '0' && vk <= '9') return state.shift ? shifted_digits[vk - '0'] : vk;
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return '0' + vk - VK_NUMPAD0;
    switch (vk) {
        case VK_SPACE: return ' ';
        case VK_RETURN: return 13;
        case VK_BACK: return 8;
        case VK_TAB: return 9;
        case VK_ESCAPE: return 27;
        case VK_MULTIPLY: return '*';
        case VK_ADD: return '+';
        case VK_SUBTRACT: return '-';
        case VK_DECIMAL: return '.';
        case VK_DIVIDE: return '/';
        default: break;
    }
    for (const Punct &p : punct)
        if (p.vk == vk) return state.shift ? p.shifted : p.plain;
    return 0;
}

// The key that types ch on a US layout; VK_PACKET for characters no key has.
int key_of_char(unsigned char ch) {
    if (ch >= 'a' && ch <= 'z') return ch - 32;
    if ((ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')) return ch;
    switch (ch) {
        case ' ': return VK_SPACE;
        case 13: return VK_RETURN;
        case 8: return VK_BACK;
        case 9: return VK_TAB;
        case 27: return VK_ESCAPE;
        default: break;
    }
    if (ch >= 1 && ch <= 26) return 'A' + ch - 1;  // a control character: Ctrl and its letter
    for (const Punct &p : punct)
        if (p.plain == (char)ch || p.shifted == (char)ch) return p.vk;
    return VK_PACKET;
}

}  // namespace

const Host host_headless = {
    "headless", init, create_window, destroy_window, show_window, present, poll_event, wait_event, now_ms, screen_size,
};

}  // namespace plat

using namespace plat;

void headless_select(void) { host_select(&host_headless); }

DWORD headless_now(void) { return (DWORD)state.clock; }

void headless_advance(DWORD ms) { state.clock += ms; }

void headless_set_idle_hook(HeadlessIdleHook hook, void *ctx) {
    state.hook = hook;
    state.hook_ctx = ctx;
}

unsigned long headless_wait_count(void) { return state.waits; }

void headless_click(HWND hwnd, int x, int y) {
    if (!IsWindow(hwnd)) return;
    // Injected in client pixels; the host speaks content pixels, which start with the menu bar.
    long long cy = (long long)y + menubar_height(hwnd);
    HostEvent ev;
    ev.x = x;
    ev.y = cy > INT32_MAX ? INT32_MAX : (int)cy;
    ev.button = 1;
    ev.kind = HostEvent::MOUSE_DOWN;
    inject(hwnd, ev);
    ev.kind = HostEvent::MOUSE_UP;
    inject(hwnd, ev);
}

void headless_key_down(HWND hwnd, int vk) {
    if (!IsWindow(hwnd) || vk <= 0 || vk > 254) return;
    if (is_ctrl(vk)) state.ctrl = true;
    if (is_shift(vk)) state.shift = true;
    if (is_alt(vk)) state.alt = true;
    HostEvent ev;
    ev.kind = HostEvent::KEY_DOWN;
    ev.vk = vk;
    ev.ch = char_of_key(vk);
    ev.alt = state.alt ? 1 : 0;
    inject(hwnd, ev);
}

void headless_key_up(HWND hwnd, int vk) {
    if (!IsWindow(hwnd) || vk <= 0 || vk > 254) return;
    HostEvent ev;
    ev.kind = HostEvent::KEY_UP;
    ev.vk = vk;
    ev.alt = state.alt ? 1 : 0;
    if (is_ctrl(vk)) state.ctrl = false;
    if (is_shift(vk)) state.shift = false;
    if (is_alt(vk)) state.alt = false;
    inject(hwnd, ev);
}

void headless_type(HWND hwnd, unsigned char ch) {
    if (!IsWindow(hwnd) || ch == 0) return;
    HostEvent ev;
    ev.kind = HostEvent::KEY_DOWN;
    ev.vk = key_of_char(ch);
    ev.ch = ch;
    inject(hwnd, ev);
    ev.kind = HostEvent::KEY_UP;
    ev.ch = 0;
    inject(hwnd, ev);
}

void headless_close(HWND hwnd) {
    HostEvent ev;
    ev.kind = HostEvent::CLOSE;
    inject(hwnd, ev);
}

int headless_menu_choose(HWND hwnd, UINT id) {
    if (!IsWindow(hwnd) || state.queue.size() >= MAX_QUEUED) return 0;
    int flags = menu_state_by_command(GetMenu(hwnd), id);
    if (flags < 0 || (flags & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR))) return 0;
    Injected in;
    in.window = hwnd;
    in.command = id;
    state.queue.push_back(in);
    return 1;
}

COLORREF headless_pixel(HWND hwnd, int x, int y) {
    Surface s = window_client_surface(hwnd);
    if (!s.px || x < 0 || y < 0 || x >= s.w || y >= s.h) return CLR_INVALID;
    return colorref_from_rgb(s.px[(size_t)y * (size_t)s.stride + (size_t)x]);
}

int headless_client_pixels(HWND hwnd, unsigned int *out, int max_pixels, int *w, int *h) {
    Surface s = window_client_surface(hwnd);
    if (w) *w = s.px ? s.w : 0;
    if (h) *h = s.px ? s.h : 0;
    long long n = (long long)s.w * s.h;
    if (!s.px || !out || n > max_pixels) return 0;
    for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x) out[(size_t)y * s.w + x] = s.px[(size_t)y * s.stride + x];
    return (int)n;
}

int headless_menu_state(HWND hwnd, UINT id) {
    if (!IsWindow(hwnd)) return -1;
    int flags = menu_state_by_command(GetMenu(hwnd), id);
    return flags < 0 ? -1 : (flags & (MF_CHECKED | MF_GRAYED | MF_DISABLED));
}
