// The message queue: posted messages, the quit flag and input, retrieved in the system's order
// (posted, quit, input, paint, timer); host events turned into input messages; keyboard
// translation into characters; dispatch; and waiting.
#include <cstdio>
#include <deque>

#include "core.h"

namespace plat {
namespace {

constexpr size_t MAX_POSTED = 10000;  // as the system's per-queue limit: PostMessageA fails beyond it
constexpr size_t MAX_INPUT = 10000;

struct Input {
    MSG msg;
    int ch;  // for key-downs: the character the key typed (Windows-1252), 0 for none
};

struct QueueState {
    std::deque<MSG> posted;
    std::deque<Input> input;
    bool quit;  // PostQuitMessage was called and WM_QUIT not yet retrieved
    int quit_code;
    unsigned char key_down[256];  // 0x80 down, 0x01 toggled: from retrieved key messages
    int vk_char[256];             // the character each key typed when it last went down
    int buttons;                  // MK_LBUTTON while the left button is down
    POINT mouse;                  // screen position of the last mouse message
};
QueueState state;

bool in_range(UINT m, UINT lo, UINT hi) {
    if (lo == 0 && hi == 0) return true;
    if (lo > hi) return true;  // an inverted range filters nothing, as on the system
    return m >= lo && m <= hi;
}

// Whether a message for window w passes PeekMessageA's window filter.
bool for_window(HWND filter, HWND w) {
    if (!filter) return true;
    if (filter == (HWND)(intptr_t)-1) return w == nullptr;  // thread messages only
    return w == filter;
}

int clamp16(long long v) { return v < -32768 ? -32768 : (v > 32767 ? 32767 : (int)v); }

void push_input(HWND w, UINT message, WPARAM wp, LPARAM lp, int ch) {
    if (state.input.size() >= MAX_INPUT) return;
    Input in;
    in.msg = MSG();
    in.msg.hwnd = w;
    in.msg.message = message;
    in.msg.wParam = wp;
    in.msg.lParam = lp;
    in.msg.time = (DWORD)clock_now();
    in.msg.pt = state.mouse;
    in.ch = ch;
    state.input.push_back(in);
}

int generic_vk(int vk) {
    switch (vk) {
        case VK_LSHIFT:
        case VK_RSHIFT:
            return VK_SHIFT;
        case VK_LCONTROL:
        case VK_RCONTROL:
            return VK_CONTROL;
        case VK_LMENU:
        case VK_RMENU:
            return VK_MENU;
        default:
            return vk;
    }
}

void mouse_input(HWND w, const HostEvent &ev) {
    int x = clamp16(ev.x), y = clamp16((long long)ev.y - menubar_height(w));
    state.mouse = window_client_to_screen(w, x, y);
    LPARAM lp = MAKELPARAM(x, y);
    if (ev.kind == HostEvent::MOUSE_MOVE) {
        // The system keeps only the latest motion: a newer one replaces a waiting one.
        if (!state.input.empty() && state.input.back().msg.message == WM_MOUSEMOVE &&
            state.input.back().msg.hwnd == w) {
            state.input.back().msg.lParam = lp;
            state.input.back().msg.pt = state.mouse;
            return;
        }
        push_input(w, WM_MOUSEMOVE, (WPARAM)state.buttons, lp, 0);
        return;
    }
    bool down = ev.kind == HostEvent::MOUSE_DOWN;
    UINT m;
    if (ev.button == 1) {
        m = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        state.buttons = down ? (state.buttons | MK_LBUTTON) : (state.buttons & ~MK_LBUTTON);
    } else if (ev.button == 3) {
        m = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    } else {
        return;
    }
    push_input(w, m, (WPARAM)state.buttons, lp, 0);
}

void key_input(HWND w, const HostEvent &ev) {
    if (ev.vk <= 0 || ev.vk > 254) return;
    int vk = ev.vk;
    bool down = ev.kind == HostEvent::KEY_DOWN;
    // Alt turns keys into system keys; F10 and Alt itself are system keys on their own.
    bool sys = ev.alt || vk == VK_F10 || generic_vk(vk) == VK_MENU;
    UINT m = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    // lParam: repeat count 1, context (Alt) bit 29, previous state bit 30, transition bit 31.
    uint32_t lp = 1;
    if (ev.alt) lp |= 1u << 29;
    if (!down)
        lp |= 3u << 30;
    else if (state.key_down[generic_vk(vk)] & 0x80)
        lp |= 1u << 30;
    push_input(w, m, (WPARAM)vk, (LPARAM)lp, down ? (ev.ch & 0xff) : 0);
}

// Turns one host event into input, or acts on it (paint, size, focus).
void host_event(const HostEvent &ev) {
    HWND w = (HWND)ev.window;
    if (!IsWindow(w)) return;
    if (menubar_event(w, ev)) return;
    if (!IsWindow(w)) return;  // the menu's action may have closed it
    switch (ev.kind) {
        case HostEvent::MOUSE_DOWN:
        case HostEvent::MOUSE_UP:
        case HostEvent::MOUSE_MOVE:
            mouse_input(w, ev);
            break;
        case HostEvent::KEY_DOWN:
        case HostEvent::KEY_UP:
            key_input(w, ev);
            break;
        case HostEvent::CLOSE:
            push_input(w, WM_SYSCOMMAND, SC_CLOSE, 0, 0);
            break;
        case HostEvent::EXPOSE:
            InvalidateRect(w, nullptr, TRUE);
            window_pixels_changed(w);
            break;
        case HostEvent::RESIZE:
            window_resize_content(w, ev.x, ev.y);
            break;
        case HostEvent::FOCUS:
            window_set_focus_from_host(w);
            break;
        case HostEvent::COMMAND:
            // A choice made outside the bar keeps its place in line with the input around it.
            push_input(w, WM_COMMAND, (WPARAM)ev.command, 0, 0);
            break;
        default:
            break;
    }
}

// Takes every event the host has ready.
void pull_host_events() {
    const Host *host = host_current();
    HostEvent ev;
    while (host->poll_event(&ev)) {
        host_event(ev);
        ev = HostEvent();
    }
}

// A retrieved key message moves the key state and, for a key-down, remembers its character.
void note_key(const Input &in) {
    UINT m = in.msg.message;
    if (m != WM_KEYDOWN && m != WM_SYSKEYDOWN && m != WM_KEYUP && m != WM_SYSKEYUP) return;
    int vk = (int)(in.msg.wParam & 0xff);
    bool down = m == WM_KEYDOWN || m == WM_SYSKEYDOWN;
    // A side key (VK_LCONTROL) moves its generic key (VK_CONTROL) too; each key toggles once.
    int keys[2] = {vk, generic_vk(vk)};
    for (int i = 0; i < (keys[1] == vk ? 1 : 2); ++i) {
        unsigned char &k = state.key_down[keys[i]];
        if (down && !(k & 0x80)) k ^= 0x01;
        k = (unsigned char)((k & 0x01) | (down ? 0x80 : 0));
    }
    if (down) state.vk_char[vk] = in.ch;
}

// The next message in retrieval order that passes the filter, without waiting.
bool retrieve(MSG *msg, HWND filter, UINT lo, UINT hi, bool remove) {
    pull_host_events();
    for (size_t i = 0; i < state.posted.size(); ++i) {
        const MSG &m = state.posted[i];
        if (!for_window(filter, m.hwnd) || !in_range(m.message, lo, hi)) continue;
        *msg = m;
        if (remove) state.posted.erase(state.posted.begin() + (ptrdiff_t)i);
        return true;
    }
    if (state.quit && in_range(WM_QUIT, lo, hi)) {
        *msg = MSG();
        msg->message = WM_QUIT;
        msg->wParam = (WPARAM)(intptr_t)state.quit_code;
        msg->time = (DWORD)clock_now();
        msg->pt = state.mouse;
        if (remove) state.quit = false;
        return true;
    }
    for (size_t i = 0; i < state.input.size(); ++i) {
        const Input in = state.input[i];
        if (!for_window(filter, in.msg.hwnd) || !in_range(in.msg.message, lo, hi)) continue;
        *msg = in.msg;
        if (remove) {
            state.input.erase(state.input.begin() + (ptrdiff_t)i);
            note_key(in);
        }
        return true;
    }
    if (in_range(WM_PAINT, lo, hi) && filter != (HWND)(intptr_t)-1) {
        if (HWND w = paint_pending(filter)) {
            *msg = MSG();
            msg->hwnd = w;
            msg->message = WM_PAINT;
            msg->time = (DWORD)clock_now();
            msg->pt = state.mouse;
            return true;  // WM_PAINT stays until the window is validated
        }
    }
    if (in_range(WM_TIMER, lo, hi) && timer_take(filter == (HWND)(intptr_t)-1 ? nullptr : filter,
                                                 filter == (HWND)(intptr_t)-1, remove, msg)) {
        msg->pt = state.mouse;
        return true;
    }
    return false;
}

// The host clock value handed to wait_event for "until the earliest timer".
uint32_t host_deadline(uint64_t due) {
    uint64_t now = clock_now();
    uint32_t d = (uint32_t)(host_current()->now_ms() + (due > now ? due - now : 0));
    return d == NO_DEADLINE ? d - 1 : d;  // the one value that means "no timer"
}

}  // namespace

bool queue_ready() {
    MSG m;
    return !state.posted.empty() || state.quit || !state.input.empty() || paint_pending(nullptr) ||
           timer_take(nullptr, false, false, &m);
}

bool messages_ready() { return queue_ready(); }

void queue_forget(HWND w) {
    for (size_t i = state.posted.size(); i-- > 0;)
        if (state.posted[i].hwnd == w) state.posted.erase(state.posted.begin() + (ptrdiff_t)i);
    for (size_t i = state.input.size(); i-- > 0;)
        if (state.input[i].msg.hwnd == w) state.input.erase(state.input.begin() + (ptrdiff_t)i);
}

}  // namespace plat

using namespace plat;

// Takes (PM_REMOVE) or looks at the next message without ever blocking. When there is none, the
// changed windows are shown and the host is told the program is idle (it must not block for it).
BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT lo, UINT hi, UINT remove) {
    if (!msg) return FALSE;
    if (retrieve(msg, hwnd, lo, hi, (remove & PM_REMOVE) != 0)) return TRUE;
    window_present_all();
    const Host *host = host_current();
    host->wait_event(host->now_ms());
    return FALSE;
}

// Takes the next message, waiting for one; FALSE for WM_QUIT, -1 without a MSG to fill.
BOOL WINAPI GetMessageA(LPMSG msg, HWND hwnd, UINT lo, UINT hi) {
    if (!msg) return -1;
    while (!retrieve(msg, hwnd, lo, hi, true)) WaitMessage();
    return msg->message != WM_QUIT;
}

// Blocks until a message can be retrieved: returns at once when one is queued, else shows the
// changed windows and waits in the host for input or the earliest timer.
BOOL WINAPI WaitMessage(void) {
    pull_host_events();
    if (queue_ready()) return TRUE;
    window_present_all();
    uint64_t due = 0;
    const Host *host = host_current();
    host->wait_event(timer_next_due(&due) ? host_deadline(due) : NO_DEADLINE);
    return TRUE;
}

// A key-down that types a character puts WM_CHAR (WM_SYSCHAR with Alt) next in the queue. The
// character is the one the key typed when its key-down was last retrieved, so a key-down that a
// window passes on with PostMessageA translates too.
BOOL WINAPI TranslateMessage(const MSG *msg) {
    if (!msg) return FALSE;
    UINT m = msg->message;
    if (m == WM_KEYUP || m == WM_SYSKEYUP) return TRUE;
    if (m != WM_KEYDOWN && m != WM_SYSKEYDOWN) return FALSE;
    int ch = state.vk_char[msg->wParam & 0xff];
    if (ch) {
        MSG c = *msg;
        c.message = (m == WM_KEYDOWN) ? WM_CHAR : WM_SYSCHAR;
        c.wParam = (WPARAM)ch;
        state.posted.push_front(c);
    }
    return TRUE;
}

// Calls the message's window procedure (or its timer's procedure). A WM_PAINT that the procedure
// left invalid is validated, so an unpainted window cannot starve the queue.
LRESULT WINAPI DispatchMessageA(const MSG *msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        // Only a procedure that a live timer was set with is called: lParam may be anything.
        if (timer_proc_valid(msg->hwnd, msg->wParam, msg->lParam))
            ((TIMERPROC)msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    if (!IsWindow(msg->hwnd)) return 0;
    LRESULT r = SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    if (msg->message == WM_PAINT && paint_is_invalid(msg->hwnd)) ValidateRect(msg->hwnd, nullptr);
    return r;
}

// Queues a message for a window (null: for the thread); FALSE for a bad window or a full queue.
BOOL WINAPI PostMessageA(HWND hwnd, UINT m, WPARAM wparam, LPARAM lparam) {
    if (hwnd && !IsWindow(hwnd)) return FALSE;
    if (state.posted.size() >= MAX_POSTED) return FALSE;
    MSG msg = MSG();
    msg.hwnd = hwnd;
    msg.message = m;
    msg.wParam = wparam;
    msg.lParam = lparam;
    msg.time = (DWORD)clock_now();
    msg.pt = state.mouse;
    state.posted.push_back(msg);
    return TRUE;
}

void WINAPI PostQuitMessage(int code) {
    state.quit = true;
    state.quit_code = code;
}

// The key's state from the key messages retrieved so far: high bit down, low bit toggled.
short WINAPI GetKeyState(int vk) {
    if (vk < 0 || vk > 255) return 0;
    unsigned char s = state.key_down[vk];
    return (short)(((s & 0x80) ? 0xff80 : 0) | (s & 0x01));
}
