// The headless host's test API (headless.h): injected input with a US keyboard layout, pixel
// and menu reads, object counts and allocation failures. The host itself, its clock and its input
// queue live in host_headless.cpp.
#include "headless.h"
#include "core.h"
#include "headless_host.h"
#include "kernel.h"

namespace plat {
namespace {

struct KeyboardState {
    bool ctrl, shift, alt;  // modifiers held by injected key-downs
};
KeyboardState state;

bool is_ctrl(int vk) { return vk == VK_CONTROL || vk == VK_LCONTROL || vk == VK_RCONTROL; }
bool is_shift(int vk) { return vk == VK_SHIFT || vk == VK_LSHIFT || vk == VK_RSHIFT; }
bool is_alt(int vk) { return vk == VK_MENU || vk == VK_LMENU || vk == VK_RMENU; }

// US-layout punctuation keys: the key, and what it types without and with Shift.
struct Punct {
    int vk;
    char plain, shifted;
};
const Punct punct[] = {
    {VK_OEM_1, ';', ':'},      {VK_OEM_PLUS, '=', '+'}, {VK_OEM_COMMA, ',', '<'}, {VK_OEM_MINUS, '-', '_'},
    {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},    {VK_OEM_3, '`', '~'},     {VK_OEM_4, '[', '{'},
    {VK_OEM_5, '\\', '|'},     {VK_OEM_6, ']', '}'},    {VK_OEM_7, '\'', '"'},
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
        case VK_SPACE:
            return ' ';
        case VK_RETURN:
            return 13;
        case VK_BACK:
            return 8;
        case VK_TAB:
            return 9;
        case VK_ESCAPE:
            return 27;
        case VK_MULTIPLY:
            return '*';
        case VK_ADD:
            return '+';
        case VK_SUBTRACT:
            return '-';
        case VK_DECIMAL:
            return '.';
        case VK_DIVIDE:
            return '/';
        default:
            break;
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
        case ' ':
            return VK_SPACE;
        case 13:
            return VK_RETURN;
        case 8:
            return VK_BACK;
        case 9:
            return VK_TAB;
        case 27:
            return VK_ESCAPE;
        default:
            break;
    }
    if (ch >= 1 && ch <= 26) return 'A' + ch - 1;  // a control character: Ctrl and its letter
    for (const Punct &p : punct)
        if (p.plain == (char)ch || p.shifted == (char)ch) return p.vk;
    return VK_PACKET;
}

}  // namespace
}  // namespace plat

using namespace plat;

void headless_select(void) { host_select(&host_headless); }

DWORD headless_now(void) { return (DWORD)headless_clock(); }

void headless_advance(DWORD ms) { headless_clock_advance(ms); }

void headless_set_idle_hook(HeadlessIdleHook hook, void *ctx) { headless_hook(hook, ctx); }

unsigned long headless_wait_count(void) { return headless_waits(); }

void headless_click(HWND hwnd, int x, int y) {
    if (!IsWindow(hwnd)) return;
    // Injected in client pixels; the host speaks content pixels, which start with the menu bar.
    long long cy = (long long)y + menubar_height(hwnd);
    HostEvent ev;
    ev.x = x;
    ev.y = cy > INT32_MAX ? INT32_MAX : (int)cy;
    ev.button = 1;
    ev.kind = HostEvent::MOUSE_DOWN;
    headless_inject(hwnd, ev);
    ev.kind = HostEvent::MOUSE_UP;
    headless_inject(hwnd, ev);
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
    int flags = menu_state_by_command(GetMenu(hwnd), id);
    if (flags < 0 || (flags & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR))) return 0;
    return headless_inject_command(hwnd, id) ? 1 : 0;
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
