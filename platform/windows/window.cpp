// Window classes and windows: creation and destruction, geometry in classic non-client metrics,
// visibility, focus, the client pixels each window owns, the default window procedure, and
// presenting changed windows through the host.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core.h"

namespace plat {
namespace {

// Classic non-client metrics.
constexpr int FRAME = 3;
constexpr int CAPTION = 19;
constexpr int BORDER = 1;
constexpr int MAX_CLASSES = 1024;
constexpr long long MAX_POS = 1000000;  // positions beyond this are clamped: no sum can overflow
constexpr uint32_t DEFAULT_BACKGROUND = 0xffffff;

struct WindowClass {
    std::string name;
    WNDPROC proc = nullptr;
    UINT style = 0;
    HBRUSH brush = nullptr;
};

struct Window {
    HWND handle = nullptr;
    size_t cls = 0;  // index into the classes
    WNDPROC proc = nullptr;
    std::string title;
    DWORD style = 0;
    long long x = 0, y = 0;  // outer rectangle, screen pixels
    int w = 0, h = 0;
    int cw = 0, ch = 0;  // client area
    HMENU menu = nullptr;
    bool visible = false;
    bool created = false;         // WM_CREATE has returned
    bool destroying = false;      // WM_DESTROY is on its way
    std::vector<uint32_t> px;     // client pixels, cw * ch, 0x00RRGGBB
    std::vector<uint32_t> frame;  // menu bar + client, as last composed for the host
    void *host_win = nullptr;
    int host_w = 0, host_h = 0;  // content size the host window was made with
    bool changed = true;         // the content must be presented again
};

struct WindowState {
    std::vector<WindowClass> classes;
    std::vector<std::unique_ptr<Window>> windows;  // creation order
    HWND focus;
    bool surfaces_told;  // the GDI knows how to reach a window's pixels
};
WindowState state;

bool is_atom(LPCSTR s) { return (uintptr_t)s < 0x10000; }

bool same_name(const std::string &a, const char *b) {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = (unsigned char)a[i], y = (unsigned char)b[i];
        if (x >= 'A' && x <= 'Z') x = (unsigned char)(x + 32);
        if (y >= 'A' && y <= 'Z') y = (unsigned char)(y + 32);
        if (x != y) return false;
    }
    return true;
}

// The class named s (a name, or an atom as RegisterClassA returned it), or -1.
long find_class(LPCSTR s) {
    if (!s) return -1;
    if (is_atom(s)) {
        long i = (long)(uintptr_t)s - 0xC000;
        return (i >= 0 && i < (long)state.classes.size()) ? i : -1;
    }
    for (size_t i = 0; i < state.classes.size(); ++i)
        if (same_name(state.classes[i].name, s)) return (long)i;
    return -1;
}

Window *find(HWND w) {
    if (!obj_alive(w, OBJ_WINDOW)) return nullptr;
    for (auto &p : state.windows)
        if (p->handle == w) return p.get();
    return nullptr;
}

long long clamp_ll(long long v, long long lo, long long hi) { return v < lo ? lo : (v > hi ? hi : v); }

bool has_caption(DWORD style) {
    // Overlapped windows always get a caption; popups and children only when they ask for one.
    return (style & (WS_POPUP | WS_CHILD)) == 0 || (style & WS_CAPTION) == WS_CAPTION;
}

int frame_width(DWORD style) {
    if (has_caption(style) || (style & WS_THICKFRAME)) return FRAME;
    return (style & (WS_BORDER | 0x00400000L)) ? BORDER : 0;
}

// Largest outer size a window may have: a little more than the screen, as the system's tracking
// size, and never so much that the client pixels become a huge allocation.
void size_limit(int *lw, int *lh) {
    int sw = 0, sh = 0;
    host_current()->screen_size(&sw, &sh);
    *lw = (int)clamp_ll(std::max(2048LL, (long long)sw + 64), 0, 8192);
    *lh = (int)clamp_ll(std::max(2048LL, (long long)sh + 64), 0, 8192);
}

uint32_t background(const Window &win) {
    COLORREF c = 0;
    if (brush_solid_colour(state.classes[win.cls].brush, &c)) return rgb_from_colorref(c);
    return DEFAULT_BACKGROUND;
}

// Gives the client area a new size, keeping the pixels that stay and filling new ones with the
// class background.
void set_client_size(Window &win, int cw, int ch) {
    if (cw == win.cw && ch == win.ch && win.px.size() == (size_t)cw * (size_t)ch) return;
    std::vector<uint32_t> px((size_t)cw * (size_t)ch, background(win));
    int keep_w = std::min(cw, win.cw), keep_h = std::min(ch, win.ch);
    for (int y = 0; y < keep_h; ++y)
        std::copy_n(win.px.begin() + (ptrdiff_t)y * win.cw, keep_w, px.begin() + (ptrdiff_t)y * cw);
    win.px.swap(px);
    win.cw = cw;
    win.ch = ch;
    win.changed = true;
}

// The client size that the outer size and the decorations leave.
void fit_client(Window &win) {
    int f = frame_width(win.style);
    int top = f + (has_caption(win.style) ? CAPTION : 0) + (win.menu ? MENU_BAR_HEIGHT : 0);
    int cw = (int)std::max(0LL, (long long)win.w - 2 * f);
    int ch = (int)std::max(0LL, (long long)win.h - f - top);
    set_client_size(win, cw, ch);
}

int bar_height(const Window &win) { return win.menu ? menubar_height(win.handle) : 0; }

// Makes the host window once the content size is known; remakes it when that size changed.
void ensure_host(Window &win) {
    const Host *host = host_current();
    int cw = win.cw, ch = win.ch + bar_height(win);
    if (win.host_win && (cw != win.host_w || ch != win.host_h)) {
        host->destroy_window(win.host_win);
        win.host_win = nullptr;
    }
    if (!win.host_win) {
        win.host_win = host->create_window(win.handle, win.title.c_str(), (int)win.x, (int)win.y, cw, ch,
                                           (win.style & WS_THICKFRAME) ? 1 : 0);
        win.host_w = cw;
        win.host_h = ch;
        win.changed = true;
        if (win.host_win && win.visible) host->show_window(win.host_win, 1);
    }
}

// Sends WM_SIZE with the current client size.
void send_size(HWND w) {
    Window *win = find(w);
    if (!win) return;
    SendMessageA(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(win->cw, win->ch));
}

void set_focus(HWND w) {
    HWND old = state.focus;
    if (old == w) return;
    state.focus = w;
    if (old && find(old)) SendMessageA(old, WM_KILLFOCUS, (WPARAM)w, 0);
    if (w && find(w)) SendMessageA(w, WM_SETFOCUS, (WPARAM)old, 0);
}

// The layout of CREATESTRUCTA, so that WM_CREATE's lParam reaches lpCreateParams as on Win32.
struct CreateParams {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy, cx, y, x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};

// Composes w's content (menu bar, then client pixels, then the open popup over them) and shows it.
void present(Window &win) {
    const Host *host = host_current();
    ensure_host(win);
    if (!win.host_win) return;
    int bar = bar_height(win);
    int fw = win.cw, fh = win.ch + bar;
    win.changed = false;
    if (fw <= 0 || fh <= 0) return;
    win.frame.resize((size_t)fw * (size_t)fh);
    std::fill_n(win.frame.begin(), (size_t)bar * fw, 0xc0c0c0u);  // under the bar, until it is drawn
    std::copy(win.px.begin(), win.px.end(), win.frame.begin() + (ptrdiff_t)bar * fw);
    HWND handle = win.handle;
    std::vector<uint32_t> frame;
    frame.swap(win.frame);  // menubar_paint may call back into the window core
    menubar_paint(handle, Surface{frame.data(), fw, fh, fw});
    Window *again = find(handle);
    if (!again || !again->host_win) return;
    again->frame.swap(frame);
    host->present(again->host_win, again->frame.data(), fw, fh, fw);
}

}  // namespace

Surface window_client_surface(HWND w) {
    Window *win = find(w);
    if (!win || win->px.empty()) return Surface();
    return Surface{win->px.data(), win->cw, win->ch, win->cw};
}

ClientPixels window_client_pixels(HWND__ *w) {
    Surface s = window_client_surface(w);
    ClientPixels out;
    out.px = s.px;
    out.w = s.w;
    out.h = s.h;
    out.stride = s.stride;
    return out;
}

void window_pixels_changed(HWND w) {
    if (Window *win = find(w)) win->changed = true;
}

namespace {
Surface visible_client_surface(HWND w) { return IsWindowVisible(w) ? window_client_surface(w) : Surface(); }
}  // namespace

HBRUSH window_class_brush(HWND w) {
    Window *win = find(w);
    return win ? state.classes[win->cls].brush : nullptr;
}

std::vector<HWND> window_all() {
    std::vector<HWND> out;
    for (auto &p : state.windows) out.push_back(p->handle);
    return out;
}

void window_present_all() {
    for (HWND w : window_all()) {
        Window *win = find(w);
        if (win && win->visible && win->changed) present(*win);
    }
}

void window_resize_content(HWND w, int content_w, int content_h) {
    Window *win = find(w);
    if (!win) return;
    int lw, lh;
    size_limit(&lw, &lh);
    int f = frame_width(win->style);
    int deco_w = 2 * f, deco_h = 2 * f + (has_caption(win->style) ? CAPTION : 0);
    int bar = bar_height(*win);
    int cw = (int)clamp_ll(content_w, 0, lw - deco_w);
    int ch = (int)clamp_ll((long long)content_h - bar, 0, lh - deco_h - bar);
    int old_w = win->cw, old_h = win->ch;
    if (cw == old_w && ch == old_h) return;
    win->w = cw + deco_w;
    win->h = ch + deco_h + bar;
    set_client_size(*win, cw, ch);
    // The host window already has its new size: remember it so it is not remade.
    win->host_w = cw;
    win->host_h = ch + bar;
    UINT cs = state.classes[win->cls].style;
    if (((cs & CS_HREDRAW) && cw != old_w) || ((cs & CS_VREDRAW) && ch != old_h)) {
        InvalidateRect(w, nullptr, TRUE);
    } else {
        // Only what the new size uncovered needs painting.
        RECT right = {old_w, 0, cw, ch}, bottom = {0, old_h, cw, ch};
        if (cw > old_w) InvalidateRect(w, &right, TRUE);
        if (ch > old_h) InvalidateRect(w, &bottom, TRUE);
    }
    send_size(w);
}

void window_menus_changed() {
    menubar_menus_changed();
    for (auto &p : state.windows)
        if (p->menu) p->changed = true;
}

void window_set_focus_from_host(HWND w) {
    if (find(w)) set_focus(w);
}

POINT window_client_to_screen(HWND w, int x, int y) {
    POINT pt = {0, 0};
    Window *win = find(w);
    if (!win) return pt;
    int f = frame_width(win->style);
    long long top = win->y + f + (has_caption(win->style) ? CAPTION : 0) + bar_height(*win);
    pt.x = (LONG)clamp_ll(win->x + f + x, INT32_MIN, INT32_MAX);
    pt.y = (LONG)clamp_ll(top + y, INT32_MIN, INT32_MAX);
    return pt;
}

}  // namespace plat

using namespace plat;

// Registers a class by name (names are compared without case); 0 when invalid or taken.
ATOM WINAPI RegisterClassA(const WNDCLASSA *wc) {
    if (!wc || !wc->lpszClassName || is_atom(wc->lpszClassName) || !wc->lpszClassName[0]) return 0;
    if (find_class(wc->lpszClassName) >= 0 || state.classes.size() >= (size_t)MAX_CLASSES) return 0;
    WindowClass c;
    c.name = wc->lpszClassName;
    c.proc = wc->lpfnWndProc;
    c.style = wc->style;
    c.brush = wc->hbrBackground;
    state.classes.push_back(c);
    return (ATOM)(0xC000 + state.classes.size() - 1);
}

// Creates a top-level window; sends WM_CREATE, then WM_SIZE with the client size. Null on failure
// or when WM_CREATE returns -1.
HWND WINAPI CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                            LPVOID param) {
    if (!state.surfaces_told) {
        // Window DCs draw on visible windows only: a hidden window has no pixels on the desktop.
        gdi_set_window_surfaces(WindowSurfaces{visible_client_surface, window_pixels_changed});
        state.surfaces_told = true;
    }
    long cls = find_class(class_name);
    if (cls < 0) return nullptr;
    void *h = handle_new();
    if (!h) return nullptr;
    int sw = 0, sh = 0;
    host_current()->screen_size(&sw, &sh);
    int lw, lh;
    size_limit(&lw, &lh);

    auto owned = std::make_unique<Window>();
    Window &win = *owned;
    win.handle = (HWND)h;
    win.cls = (size_t)cls;
    win.proc = state.classes[(size_t)cls].proc;
    if (title && !is_atom(title)) win.title = title;
    win.style = style;
    win.x = (x == CW_USEDEFAULT) ? 0 : clamp_ll(x, -MAX_POS, MAX_POS);
    win.y = (x == CW_USEDEFAULT) ? 0 : clamp_ll(y, -MAX_POS, MAX_POS);
    // A default size is three quarters of the screen, as the system picks for new windows.
    win.w = (int)clamp_ll(width == CW_USEDEFAULT ? (long long)sw * 3 / 4 : width, 0, lw);
    win.h = (int)clamp_ll(width == CW_USEDEFAULT ? (long long)sh * 3 / 4 : height, 0, lh);
    if (menu && menu_items(menu) && !(style & WS_CHILD)) win.menu = menu;
    fit_client(win);
    obj_register(h, OBJ_WINDOW);
    state.windows.push_back(std::move(owned));

    HWND hwnd = (HWND)h;
    CreateParams cp = {param, instance, menu,        parent, height,     width,
                       y,     x,        (LONG)style, title,  class_name, ex_style};
    if (SendMessageA(hwnd, WM_CREATE, 0, (LPARAM)&cp) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    Window *made = find(hwnd);
    if (!made) return nullptr;  // the window procedure destroyed it
    made->created = true;
    send_size(hwnd);
    if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
    return find(hwnd) ? hwnd : nullptr;
}

// Sends WM_DESTROY, then frees the window with its timers, queued messages, menu and host window.
BOOL WINAPI DestroyWindow(HWND hwnd) {
    Window *win = find(hwnd);
    if (!win) return FALSE;
    if (win->destroying) return TRUE;  // already on its way (DestroyWindow from WM_DESTROY)
    win->destroying = true;
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    timer_kill_window(hwnd);
    paint_forget(hwnd);
    queue_forget(hwnd);
    if (state.focus == hwnd) state.focus = nullptr;
    menubar_forget(hwnd);
    win = find(hwnd);
    if (!win) return TRUE;
    HMENU menu = win->menu;
    void *host_win = win->host_win;
    obj_unregister(hwnd, OBJ_WINDOW);
    auto it = std::find_if(state.windows.begin(), state.windows.end(),
                           [hwnd](const std::unique_ptr<Window> &p) { return p->handle == hwnd; });
    std::unique_ptr<Window> gone = std::move(*it);
    state.windows.erase(it);
    if (host_win) host_current()->destroy_window(host_win);
    if (menu && menu_items(menu)) DestroyMenu(menu);  // a window's menu goes with it
    return TRUE;
}

// Shows or hides; returns whether the window was visible before. Showing invalidates the client
// area and gives the window the focus.
BOOL WINAPI ShowWindow(HWND hwnd, int cmd) {
    Window *win = find(hwnd);
    if (!win) return FALSE;
    BOOL was = win->visible ? TRUE : FALSE;
    bool show = cmd != SW_HIDE;
    if (show == win->visible) return was;
    win->visible = show;
    win->changed = true;
    ensure_host(*win);
    if (win->host_win) host_current()->show_window(win->host_win, show ? 1 : 0);
    if (show) {
        InvalidateRect(hwnd, nullptr, TRUE);
        set_focus(hwnd);
    } else if (state.focus == hwnd) {
        set_focus(nullptr);
    }
    return was;
}

BOOL WINAPI IsWindow(HWND hwnd) { return find(hwnd) ? TRUE : FALSE; }

BOOL WINAPI IsWindowVisible(HWND hwnd) {
    Window *win = find(hwnd);
    return win && win->visible ? TRUE : FALSE;
}

// The first window (creation order) of that class and title; a null argument matches any.
HWND WINAPI FindWindowA(LPCSTR class_name, LPCSTR title) {
    long cls = -1;
    if (class_name) {
        cls = find_class(class_name);
        if (cls < 0) return nullptr;
    }
    for (auto &p : state.windows) {
        if (p->destroying) continue;
        if (cls >= 0 && p->cls != (size_t)cls) continue;
        if (title && (is_atom(title) || !same_name(p->title, title))) continue;
        return p->handle;
    }
    return nullptr;
}

int WINAPI GetSystemMetrics(int index) {
    int w = 0, h = 0;
    switch (index) {
        case SM_CXSCREEN:
            host_current()->screen_size(&w, &h);
            return w;
        case SM_CYSCREEN:
            host_current()->screen_size(&w, &h);
            return h;
        case SM_CYCAPTION:
            return CAPTION;
        case SM_CXBORDER:
        case SM_CYBORDER:
            return BORDER;
        case SM_CXFIXEDFRAME:
        case SM_CYFIXEDFRAME:
        case SM_CXFRAME:
        case SM_CYFRAME:
            return FRAME;
        case SM_CYMENU:
            return MENU_BAR_HEIGHT;
        default:
            return 0;
    }
}

BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rc) {
    Window *win = find(hwnd);
    if (!win || !rc) return FALSE;
    *rc = RECT{0, 0, win->cw, win->ch};
    return TRUE;
}

BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rc) {
    Window *win = find(hwnd);
    if (!win || !rc) return FALSE;
    *rc = RECT{(LONG)win->x, (LONG)win->y, (LONG)(win->x + win->w), (LONG)(win->y + win->h)};
    return TRUE;
}

// A resource handle that stands for the system's icon or cursor; nothing ever draws it.
HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) {
    static HICON__ icon;
    return &icon;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR) {
    static HICON__ cursor;
    return &cursor;
}

HWND WINAPI GetFocus(void) { return state.focus; }

// Gives w the keyboard focus (null: nobody); returns the previous focus, null for a bad window.
HWND WINAPI SetFocus(HWND hwnd) {
    if (hwnd && !find(hwnd)) return nullptr;
    HWND old = state.focus;
    set_focus(hwnd);
    return old;
}

// Attaches a menu bar (null removes it). The client area shrinks or grows by the bar; once the
// window exists, a changed client size is reported with WM_SIZE.
BOOL WINAPI SetMenu(HWND hwnd, HMENU menu) {
    Window *win = find(hwnd);
    if (!win || (win->style & WS_CHILD)) return FALSE;
    if (menu && !menu_items(menu)) return FALSE;
    int old_w = win->cw, old_h = win->ch;
    win->menu = menu;
    menubar_forget(hwnd);
    fit_client(*win);
    win->changed = true;
    if (win->created && (win->cw != old_w || win->ch != old_h)) {
        InvalidateRect(hwnd, nullptr, TRUE);
        send_size(hwnd);
    }
    return TRUE;
}

HMENU WINAPI GetMenu(HWND hwnd) {
    Window *win = find(hwnd);
    return win ? win->menu : nullptr;
}

BOOL WINAPI DrawMenuBar(HWND hwnd) {
    Window *win = find(hwnd);
    if (!win) return FALSE;
    win->changed = true;
    return TRUE;
}

// Calls the window procedure at once; 0 for a bad window.
LRESULT WINAPI SendMessageA(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    Window *win = find(hwnd);
    if (!win || !win->proc) return 0;
    return win->proc(hwnd, msg, wparam, lparam);
}

// What a window does with a message its procedure leaves alone: closing, painting, the menu keys.
LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    (void)lparam;
    if (!find(hwnd)) return 0;
    switch (msg) {
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_SYSCOMMAND:
            if ((wparam & 0xfff0) == SC_CLOSE) SendMessageA(hwnd, WM_CLOSE, 0, 0);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_SYSKEYDOWN:
            if (wparam == VK_F4) {
                SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
                return 0;
            }
            if (wparam == VK_MENU || wparam == VK_F10) menubar_key(hwnd, msg, wparam);
            return 0;
        case WM_SYSKEYUP:
            if (wparam == VK_MENU || wparam == VK_F10) menubar_key(hwnd, msg, wparam);
            return 0;
        case WM_SYSCHAR:
            menubar_key(hwnd, msg, wparam);
            return 0;
        default:
            return 0;
    }
}
