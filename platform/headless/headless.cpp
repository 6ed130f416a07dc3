// The headless host's test API (headless.h): injected input with a US keyboard layout, pixel
// and menu reads, object counts and allocation failures. The host itself, its clock and its input
// queue live in platform/hosts/headless/; windows and menus are read through Win32 calls and
// host.h, the window core's interface for hosts.
#include "headless.h"
#include "headless_host.h"
#include "host.h"
#include "kernel.h"
#include "surface.h"

namespace plat {
namespace {

struct KeyboardState {
    bool ctrl, shift, alt;  // modifiers held by injected key-downs
};
KeyboardState state;

bool is_ctrl(int vk) { return vk == VK_CONTROL || vk == VK_LCONTROL || vk == VK_RCONTROL; }
bool is_shift(int vk) { return vk == VK_SHIFT || vk == VK_LSHIFT || vk == VK_RSHIFT; }
bool is_alt(int vk) { return vk == VK_MENU || vk == VK_LMENU || vk == VK_RMENU; }

// The modifiers held now, as the keyboard rule takes them.
int modifiers() {
    return (state.shift ? KEY_SHIFT : 0) | (state.ctrl ? KEY_CTRL : 0) | (state.alt ? KEY_ALT : 0);
}

// Pixels above the client area in the host's content coordinates: the menu bar, if any.
int bar_height(HWND w) { return GetMenu(w) ? GetSystemMetrics(SM_CYMENU) : 0; }

// The flags of w's menu item id as GetMenuState gives them, or -1 when w's menu has no such item.
int item_flags(HWND w, UINT id) {
    UINT flags = GetMenuState(GetMenu(w), id, MF_BYCOMMAND);
    return flags == (UINT)-1 ? -1 : (int)(flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR));
}

}  // namespace
}  // namespace plat

using namespace plat;

void headless_select(void) { host_select(&host_headless); }

DWORD headless_now(void) { return (DWORD)headless_clock(); }

void headless_advance(DWORD ms) { headless_clock_advance(ms); }

void headless_set_idle_hook(HeadlessIdleHook hook, void *ctx) { headless_hook(hook, ctx); }

unsigned long headless_wait_count(void) { return headless_waits(); }

namespace {

// A mouse event at a client pixel; the host speaks content pixels, which start with the menu bar.
void inject_mouse(HWND hwnd, int x, int y, HostEvent::Kind kind, int button) {
    long long cy = (long long)y + bar_height(hwnd);
    HostEvent ev;
    ev.x = x;
    ev.y = cy > INT32_MAX ? INT32_MAX : (int)cy;
    ev.button = button;
    ev.kind = kind;
    headless_inject(hwnd, ev);
}

}  // namespace

void headless_mouse_move(HWND hwnd, int x, int y) {
    if (IsWindow(hwnd)) inject_mouse(hwnd, x, y, HostEvent::MOUSE_MOVE, 0);
}

void headless_click(HWND hwnd, int x, int y) {
    if (!IsWindow(hwnd)) return;
    inject_mouse(hwnd, x, y, HostEvent::MOUSE_DOWN, 1);
    inject_mouse(hwnd, x, y, HostEvent::MOUSE_UP, 1);
}

void headless_key_down(HWND hwnd, int vk) {
    if (!IsWindow(hwnd) || vk <= 0 || vk > 254) return;
    if (is_ctrl(vk)) state.ctrl = true;
    if (is_shift(vk)) state.shift = true;
    if (is_alt(vk)) state.alt = true;
    HostEvent ev;
    ev.kind = HostEvent::KEY_DOWN;
    ev.vk = vk;
    ev.ch = key_char(vk, modifiers());
    ev.alt = state.alt ? 1 : 0;
    headless_inject(hwnd, ev);
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
    headless_inject(hwnd, ev);
}

void headless_type(HWND hwnd, unsigned char ch) {
    if (!IsWindow(hwnd) || ch == 0) return;
    HostEvent ev;
    ev.kind = HostEvent::KEY_DOWN;
    ev.vk = key_of_char(ch);
    ev.ch = ch;
    headless_inject(hwnd, ev);
    ev.kind = HostEvent::KEY_UP;
    ev.ch = 0;
    headless_inject(hwnd, ev);
}

void headless_close(HWND hwnd) {
    HostEvent ev;
    ev.kind = HostEvent::CLOSE;
    headless_inject(hwnd, ev);
}

int headless_menu_choose(HWND hwnd, UINT id) {
    if (!IsWindow(hwnd)) return 0;
    int flags = item_flags(hwnd, id);
    if (flags < 0 || (flags & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR))) return 0;
    // In line with the input injected before and after it, through the host's event poll.
    HostEvent ev;
    ev.kind = HostEvent::COMMAND;
    ev.command = id;
    return headless_inject(hwnd, ev) ? 1 : 0;
}

COLORREF headless_pixel(HWND hwnd, int x, int y) {
    ClientPixels s = window_client_pixels(hwnd);
    if (!s.px || x < 0 || y < 0 || x >= s.w || y >= s.h) return CLR_INVALID;
    return colorref_from_rgb(s.px[(size_t)y * (size_t)s.stride + (size_t)x]);
}

int headless_client_pixels(HWND hwnd, unsigned int *out, int max_pixels, int *w, int *h) {
    ClientPixels s = window_client_pixels(hwnd);
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
    int flags = item_flags(hwnd, id);
    return flags < 0 ? -1 : (flags & (MF_CHECKED | MF_GRAYED | MF_DISABLED));
}

void headless_fail_allocations(int count) { memory_fail_next(count); }

void headless_object_counts(HeadlessObjectCounts *out) {
    if (!out) return;
    out->pens = obj_count(OBJ_PEN);
    out->brushes = obj_count(OBJ_BRUSH);
    out->fonts = obj_count(OBJ_FONT);
    out->bitmaps = obj_count(OBJ_BITMAP);
    out->dcs = obj_count(OBJ_DC);
    out->memory_blocks = obj_count(OBJ_GLOBAL);
    out->windows = obj_count(OBJ_WINDOW);
    out->menus = obj_count(OBJ_MENU);
}
