// The desktop host: platform/ windows shown as SDL2 windows on X11 or Wayland, drawn through
// SDL's software window surface. All of SDL stays in this file.
#include <SDL.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include <windows.h>

#include "host.h"

namespace plat {
namespace {

// Virtual-key codes this file needs beyond those <windows.h> declares here.
constexpr int KEY_CLEAR = 0x0C, KEY_PAUSE = 0x13, KEY_SNAPSHOT = 0x2C, KEY_HELP = 0x2F;
constexpr int KEY_LWIN = 0x5B, KEY_RWIN = 0x5C, KEY_APPS = 0x5D;
constexpr int KEY_NUMLOCK = 0x90, KEY_SCROLL = 0x91;
constexpr int KEY_SEPARATOR = 0x6C;

struct HostWindow {
    SDL_Window *sdl = nullptr;
    HWND__ *owner = nullptr;
    Uint32 id = 0;
    int w = 0, h = 0;   // the content size the window core knows
    int fixed = 0;      // no sizing frame: keeps w by h whatever size the window system gives it
    int presented = 0;  // a frame is in the window surface, so an expose can show it again
};

// The host's one state record.
struct SdlHostState {
    int ready;
    std::vector<HostWindow *> windows;
    std::deque<HostEvent> pending;  // translated events not yet handed out
};
SdlHostState state;

HostWindow *window_by_id(Uint32 id) {
    for (HostWindow *w : state.windows)
        if (w->id == id) return w;
    return nullptr;
}

// Decodes the UTF-8 sequence at s[*i], advancing *i; malformed bytes decode as U+FFFD.
Uint32 next_code_point(const char *s, size_t n, size_t *i) {
    unsigned char c = (unsigned char)s[*i];
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    ++*i;
    if (extra < 0) return 0xFFFD;
    Uint32 cp = extra == 0 ? c : (c & (0x3F >> extra));
    for (int k = 0; k < extra; ++k) {
        if (*i >= n || ((unsigned char)s[*i] & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | ((unsigned char)s[*i] & 0x3F);
        ++*i;
    }
    return cp;
}

// The Windows-1252 characters that UTF-8 text stands for; the unmappable ones are dropped.
std::vector<int> cp1252_text(const char *s) {
    std::vector<int> out;
    size_t n = strnlen(s, SDL_TEXTINPUTEVENT_TEXT_SIZE);
    for (size_t i = 0; i < n;) {
        int c = cp1252_from_unicode(next_code_point(s, n, &i));
        if (c) out.push_back(c);
    }
    return out;
}

// Windows-1252 text (at most limit bytes of it) in UTF-8, as SDL and terminals want it.
std::string utf8_from_cp1252(const char *s, size_t limit) {
    std::string out;
    for (size_t i = 0; s && i < limit && s[i]; ++i) {
        unsigned char c = (unsigned char)s[i];
        Uint32 cp = cp1252_to_unicode(c);
        if (cp == 0) cp = '?';
        if (cp < 0x80) {
            out += (char)cp;
        } else if (cp < 0x800) {
            out += (char)(0xC0 | (cp >> 6));
            out += (char)(0x80 | (cp & 0x3F));
        } else {
            out += (char)(0xE0 | (cp >> 12));
            out += (char)(0x80 | ((cp >> 6) & 0x3F));
            out += (char)(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

// The Win32 virtual-key code of a key: letters and digits by what the layout puts on the key,
// everything else by its position.
int vk_from_key(const SDL_Keysym &k) {
    SDL_Keycode sym = k.sym;
    if (sym >= SDLK_a && sym <= SDLK_z) return 'A' + (sym - SDLK_a);
    if (sym >= SDLK_0 && sym <= SDLK_9) return '0' + (sym - SDLK_0);
    SDL_Scancode sc = k.scancode;
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return 'A' + (sc - SDL_SCANCODE_A);
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return '1' + (sc - SDL_SCANCODE_1);
    if (sc == SDL_SCANCODE_0) return '0';
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return VK_F1 + (sc - SDL_SCANCODE_F1);
    if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) return VK_NUMPAD0 + 1 + (sc - SDL_SCANCODE_KP_1);
    // One key a line reads as the table it is.
    // clang-format off
    switch (sc) {
    case SDL_SCANCODE_RETURN: case SDL_SCANCODE_KP_ENTER: case SDL_SCANCODE_RETURN2: return VK_RETURN;
    case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
    case SDL_SCANCODE_BACKSPACE: return VK_BACK;
    case SDL_SCANCODE_TAB: return VK_TAB;
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_CAPSLOCK: return VK_CAPITAL;
    case SDL_SCANCODE_LCTRL: case SDL_SCANCODE_RCTRL: return VK_CONTROL;
    case SDL_SCANCODE_LSHIFT: case SDL_SCANCODE_RSHIFT: return VK_SHIFT;
    case SDL_SCANCODE_LALT: case SDL_SCANCODE_RALT: return VK_MENU;
    case SDL_SCANCODE_LGUI: return KEY_LWIN;
    case SDL_SCANCODE_RGUI: return KEY_RWIN;
    case SDL_SCANCODE_APPLICATION: return KEY_APPS;
    case SDL_SCANCODE_LEFT: return VK_LEFT;
    case SDL_SCANCODE_RIGHT: return VK_RIGHT;
    case SDL_SCANCODE_UP: return VK_UP;
    case SDL_SCANCODE_DOWN: return VK_DOWN;
    case SDL_SCANCODE_HOME: return VK_HOME;
    case SDL_SCANCODE_END: return VK_END;
    case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
    case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
    case SDL_SCANCODE_INSERT: return VK_INSERT;
    case SDL_SCANCODE_DELETE: return VK_DELETE;
    case SDL_SCANCODE_PRINTSCREEN: return KEY_SNAPSHOT;
    case SDL_SCANCODE_SCROLLLOCK: return KEY_SCROLL;
    case SDL_SCANCODE_PAUSE: return KEY_PAUSE;
    case SDL_SCANCODE_NUMLOCKCLEAR: return KEY_NUMLOCK;
    case SDL_SCANCODE_HELP: return KEY_HELP;
    case SDL_SCANCODE_CLEAR: return KEY_CLEAR;
    case SDL_SCANCODE_KP_0: return VK_NUMPAD0;
    case SDL_SCANCODE_KP_DIVIDE: return VK_DIVIDE;
    case SDL_SCANCODE_KP_MULTIPLY: return VK_MULTIPLY;
    case SDL_SCANCODE_KP_MINUS: return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PLUS: return VK_ADD;
    case SDL_SCANCODE_KP_PERIOD: return VK_DECIMAL;
    case SDL_SCANCODE_KP_COMMA: return KEY_SEPARATOR;
    case SDL_SCANCODE_SEMICOLON: return VK_OEM_1;
    case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
    case SDL_SCANCODE_COMMA: return VK_OEM_COMMA;
    case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
    case SDL_SCANCODE_PERIOD: return VK_OEM_PERIOD;
    case SDL_SCANCODE_SLASH: return VK_OEM_2;
    case SDL_SCANCODE_GRAVE: return VK_OEM_3;
    case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
    case SDL_SCANCODE_BACKSLASH: return VK_OEM_5;
    case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
    case SDL_SCANCODE_APOSTROPHE: return VK_OEM_7;
    case SDL_SCANCODE_NONUSBACKSLASH: return VK_OEM_102;
    default: return 0;
    }
    // clang-format on
}

// The character a key types when SDL sends no text for it: the control characters, and keys
// under Ctrl or Alt (Alt+letter becomes WM_SYSCHAR, the menu's mnemonics). What a key types
// otherwise comes as SDL's text, which knows the layout.
int control_char(int vk, Uint16 mod) {
    bool ctrl = (mod & KMOD_CTRL) != 0, alt = (mod & KMOD_ALT) != 0;
    int ch = key_char(vk, ((mod & KMOD_SHIFT) ? KEY_SHIFT : 0) | (ctrl ? KEY_CTRL : 0) | (alt ? KEY_ALT : 0));
    return (ctrl || alt || ch < ' ' || ch == 127) ? ch : 0;
}

// A text input with no key down before it: each character comes as a VK_PACKET key.
void queue_packets(HWND__ *owner, const std::vector<int> &chars, size_t from) {
    for (size_t i = from; i < chars.size(); ++i) {
        HostEvent ev;
        ev.kind = HostEvent::KEY_DOWN;
        ev.window = owner;
        ev.vk = VK_PACKET;
        ev.ch = chars[i];
        state.pending.push_back(ev);
    }
}

// The next event on SDL's queue, without taking it; 0 when the queue is empty.
int peek_next(SDL_Event *e) { return SDL_PeepEvents(e, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0; }

// True for a point of a fixed window that lies beyond its content, in what a forced resize added.
bool outside_content(const HostWindow *w, int x, int y) { return w->fixed && (x >= w->w || y >= w->h); }

// Turns one SDL event into host events on the pending queue (none for those we do not use).
void translate(const SDL_Event &e) {
    HostEvent ev;
    switch (e.type) {
        case SDL_MOUSEMOTION: {
            SDL_Event next;
            // Only the latest position matters: skip to it when more motion is already queued.
            if (peek_next(&next) && next.type == SDL_MOUSEMOTION && next.motion.windowID == e.motion.windowID)
                return;
            HostWindow *w = window_by_id(e.motion.windowID);
            if (!w || outside_content(w, e.motion.x, e.motion.y)) return;
            ev.kind = HostEvent::MOUSE_MOVE;
            ev.window = w->owner;
            ev.x = e.motion.x;
            ev.y = e.motion.y;
            ev.button = (e.motion.state & SDL_BUTTON_LMASK) ? 1 : 0;
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            HostWindow *w = window_by_id(e.button.windowID);
            if (!w || e.button.button != SDL_BUTTON_LEFT) return;
            // A release outside still ends the press the window saw.
            if (e.type == SDL_MOUSEBUTTONDOWN && outside_content(w, e.button.x, e.button.y)) return;
            ev.kind = e.type == SDL_MOUSEBUTTONDOWN ? HostEvent::MOUSE_DOWN : HostEvent::MOUSE_UP;
            ev.window = w->owner;
            ev.x = e.button.x;
            ev.y = e.button.y;
            ev.button = 1;
            break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            HostWindow *w = window_by_id(e.key.windowID);
            if (!w) return;
            int vk = vk_from_key(e.key.keysym);
            if (vk == 0) return;
            ev.kind = e.type == SDL_KEYDOWN ? HostEvent::KEY_DOWN : HostEvent::KEY_UP;
            ev.window = w->owner;
            ev.vk = vk;
            ev.alt = (e.key.keysym.mod & KMOD_ALT) ? 1 : 0;
            if (e.type == SDL_KEYUP) break;
            ev.ch = control_char(vk, e.key.keysym.mod);
            // SDL reports what a key types as a text event right behind its key down: merge them.
            SDL_Event next;
            if (peek_next(&next) && next.type == SDL_TEXTINPUT && next.text.windowID == e.key.windowID) {
                SDL_PollEvent(&next);
                std::vector<int> chars = cp1252_text(next.text.text);
                if (!chars.empty()) ev.ch = chars[0];
                state.pending.push_back(ev);
                queue_packets(w->owner, chars, 1);
                return;
            }
            break;
        }
        case SDL_TEXTINPUT: {
            HostWindow *w = window_by_id(e.text.windowID);
            if (w) queue_packets(w->owner, cp1252_text(e.text.text), 0);
            return;
        }
        case SDL_WINDOWEVENT: {
            HostWindow *w = window_by_id(e.window.windowID);
            if (!w) return;
            ev.window = w->owner;
            switch (e.window.event) {
                case SDL_WINDOWEVENT_CLOSE:
                    ev.kind = HostEvent::CLOSE;
                    break;
                case SDL_WINDOWEVENT_EXPOSED:
                case SDL_WINDOWEVENT_SHOWN:
                    // The last frame is still in the window surface: show it again right away.
                    if (w->presented) SDL_UpdateWindowSurface(w->sdl);
                    ev.kind = HostEvent::EXPOSE;
                    break;
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    w->presented = 0;  // the window surface is made anew at the next present
                    if (w->fixed) {
                        // Forced on a window without a sizing frame: its content keeps its size, and only
                        // needs showing again in the new surface.
                        ev.kind = HostEvent::EXPOSE;
                        break;
                    }
                    ev.kind = HostEvent::RESIZE;
                    ev.x = w->w = e.window.data1;
                    ev.y = w->h = e.window.data2;
                    break;
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    ev.kind = HostEvent::FOCUS;
                    break;
                default:
                    return;
            }
            break;
        }
        default:
            return;
    }
    state.pending.push_back(ev);
}

// True when SDL chose a video driver that shows nothing, and nobody asked for it by name.
bool invisible_driver() {
    const char *driver = SDL_GetCurrentVideoDriver();
    if (!driver) return true;
    if (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0) return false;
    const char *asked = SDL_getenv("SDL_VIDEODRIVER");
    return !(asked && std::strstr(asked, driver));
}

int sdl_init(void) {
    if (state.ready) return 1;
    // The software window surface, and X11 behaviour that suits a program driven by clicks.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    // Ctrl+C and kill end the program the ordinary way instead of becoming an ignored SDL_QUIT.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const char *why = nullptr;
    if (!SDL_getenv("SDL_VIDEODRIVER") && !SDL_getenv("DISPLAY") && !SDL_getenv("WAYLAND_DISPLAY")) {
        // Nothing to connect to; probing would only add the drivers' own complaints.
        why = "neither DISPLAY nor WAYLAND_DISPLAY is set";
    } else if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        why = SDL_GetError();
    } else if (invisible_driver()) {
        // SDL falls back to drivers that show nothing; a person would see no window at all.
        why = "no X11 or Wayland display could be opened";
        SDL_Quit();
    }
    if (why) {
        std::fprintf(stderr,
                     "%s: no desktop to show the windows on (SDL: %s); run it on a desktop, or under "
                     "`xvfb-run -a %s`\n",
                     program_invocation_short_name, why, program_invocation_name);
        return 0;
    }
    // Wayland has no window surface of its own: there SDL draws it through a texture, which the
    // hint above forbids. X11 (and XWayland, SDL's usual choice) keeps the plain software path.
    if (std::strcmp(SDL_GetCurrentVideoDriver(), "wayland") == 0)
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "1");
    SDL_StartTextInput();
    // Console lines go to standard error: a pipe there whose reader has gone must not end the
    // program, whose lines then simply go nowhere.
    std::signal(SIGPIPE, SIG_IGN);
    state.ready = 1;
    // No SDL_Quit at exit: closing SDL's second display connection can read an X error that a
    // wake-up message to a window made anew earlier left there, and Xlib answers it with exit(1).
    // The windows go with the process.
    return 1;
}

void *sdl_create_window(HWND__ *owner, const char *title, int x, int y, int w, int h, int resizable) {
    if (!state.ready) return nullptr;
    // SDL refuses empty windows; a zero-sized content still gets one pixel.
    w = w < 1 ? 1 : (w > 16384 ? 16384 : w);
    h = h < 1 ? 1 : (h > 16384 ? 16384 : h);
    Uint32 flags = SDL_WINDOW_HIDDEN | (resizable ? SDL_WINDOW_RESIZABLE : 0);
    std::string utf8 = utf8_from_cp1252(title, 4096);
    SDL_Window *sdl = SDL_CreateWindow(utf8.c_str(), x, y, w, h, flags);
    if (!sdl) {
        std::fprintf(stderr, "%s: cannot open a window (SDL: %s)\n", program_invocation_short_name,
                     SDL_GetError());
        return nullptr;
    }
    if (!resizable) {
        // Fixed size hints, so that a window manager that honours them offers no resize at all.
        SDL_SetWindowMinimumSize(sdl, w, h);
        SDL_SetWindowMaximumSize(sdl, w, h);
    }
    HostWindow *hw = new HostWindow;
    hw->sdl = sdl;
    hw->owner = owner;
    hw->id = SDL_GetWindowID(sdl);
    hw->w = w;
    hw->h = h;
    hw->fixed = !resizable;
    SDL_SetWindowData(sdl, "plat", hw);  // SDL holds it too, so a window left open at exit is no leak
    state.windows.push_back(hw);
    return hw;
}

void sdl_destroy_window(void *win) {
    HostWindow *hw = static_cast<HostWindow *>(win);
    for (size_t i = 0; i < state.windows.size(); ++i) {
        if (state.windows[i] != hw) continue;
        state.windows.erase(state.windows.begin() + (long)i);
        // Events already taken for the window die with it.
        for (size_t k = state.pending.size(); k-- > 0;)
            if (state.pending[k].window == hw->owner) state.pending.erase(state.pending.begin() + (long)k);
        SDL_DestroyWindow(hw->sdl);
        delete hw;
        return;
    }
}

bool live(const HostWindow *hw) {
    for (HostWindow *w : state.windows)
        if (w == hw) return true;
    return false;
}

void sdl_show_window(void *win, int show) {
    HostWindow *hw = static_cast<HostWindow *>(win);
    if (!live(hw)) return;
    if (show)
        SDL_ShowWindow(hw->sdl);
    else
        SDL_HideWindow(hw->sdl);
}

void sdl_present(void *win, const uint32_t *px, int w, int h, int stride) {
    HostWindow *hw = static_cast<HostWindow *>(win);
    if (!live(hw) || !px || w <= 0 || h <= 0 || stride < w || stride > INT_MAX / 4) return;
    SDL_Surface *dst = SDL_GetWindowSurface(hw->sdl);
    if (!dst) return;
    // 0x00RRGGBB is SDL's RGB888; the blit converts to whatever the window surface uses.
    SDL_Surface *src = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t *>(px), w, h, 32, stride * 4,
                                                          SDL_PIXELFORMAT_RGB888);
    if (!src) return;
    // The frame sits at the top left; whatever of the surface it leaves (a window made larger
    // than its content by the window system) is cleared.
    if (dst->w > w) {
        SDL_Rect right = {w, 0, dst->w - w, dst->h};
        SDL_FillRect(dst, &right, SDL_MapRGB(dst->format, 0, 0, 0));
    }
    if (dst->h > h) {
        SDL_Rect below = {0, h, w < dst->w ? w : dst->w, dst->h - h};
        SDL_FillRect(dst, &below, SDL_MapRGB(dst->format, 0, 0, 0));
    }
    SDL_BlitSurface(src, nullptr, dst, nullptr);
    SDL_FreeSurface(src);
    SDL_UpdateWindowSurface(hw->sdl);
    hw->presented = 1;
}

int sdl_poll_event(HostEvent *out) {
    if (!state.ready || !out) return 0;
    SDL_Event e;
    while (state.pending.empty()) {
        if (SDL_PollEvent(&e))
            translate(e);
        else if (!peek_next(&e))
            break;  // SDL_PollEvent also stops, once, at the mark its last pump left in the queue
    }
    if (state.pending.empty()) return 0;
    *out = state.pending.front();
    state.pending.pop_front();
    return 1;
}

uint32_t sdl_now_ms(void) { return SDL_GetTicks(); }

void sdl_wait_event(uint32_t deadline_ms) {
    if (!state.ready || !state.pending.empty()) return;
    if (deadline_ms == NO_DEADLINE) {
        SDL_WaitEvent(nullptr);
        return;
    }
    // Wrap-safe: the clock wraps after 49 days, so compare by signed difference.
    int32_t left = (int32_t)(deadline_ms - SDL_GetTicks());
    if (left > 0) SDL_WaitEventTimeout(nullptr, left);
}

void sdl_screen_size(int *w, int *h) {
    SDL_Rect r = {0, 0, 0, 0};
    if (!state.ready || SDL_GetDisplayBounds(0, &r) != 0 || r.w <= 0 || r.h <= 0) r.w = 1280, r.h = 1024;
    if (w) *w = r.w;
    if (h) *h = r.h;
}

// A program started from a terminal shows its debugging output there, in UTF-8.
void sdl_debug_text(const char *text) {
    if (!text) return;
    std::string utf8 = utf8_from_cp1252(text, std::strlen(text));
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

extern const Host host_sdl;
const Host host_sdl = {
    "sdl",          sdl_init,       sdl_create_window, sdl_destroy_window, sdl_show_window, sdl_present,
    sdl_poll_event, sdl_wait_event, sdl_now_ms,        sdl_screen_size,    sdl_debug_text,
};

}  // namespace plat
