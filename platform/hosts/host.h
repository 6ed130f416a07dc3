// The host: how platform/ windows reach a person (SDL2 on a desktop, a web page in the browser)
// or a test (headless).
// A narrow table of functions; the portable code never asks which host it runs on.
#pragma once
#include <cstdint>

struct HWND__;

namespace plat {

// One piece of input or window-system news, in host-window content coordinates.
// A window's content is its menu bar (if any) on top of its client area.
struct HostEvent {
    enum Kind {
        NONE,
        MOUSE_DOWN,  // button 1 = left; x, y = content pixel
        MOUSE_UP,
        MOUSE_MOVE,
        KEY_DOWN,  // vk = virtual-key code; ch = Windows-1252 character it types (0 = none)
        KEY_UP,
        CLOSE,   // the close box of the window
        EXPOSE,  // the window's pixels must be shown again
        RESIZE,  // x, y = new content size
        FOCUS,   // the window got the keyboard focus
    };
    Kind kind = NONE;
    HWND__ *window = nullptr;  // the platform window the event is for
    int x = 0, y = 0;
    int button = 0;
    int vk = 0;
    int ch = 0;
    int alt = 0;  // Alt held with a key (WM_SYSKEYDOWN)
};

constexpr uint32_t NO_DEADLINE = 0xffffffffu;

struct Host {
    const char *name;
    // Prepares the host; 0 when it cannot run (no display), with a message already printed.
    int (*init)(void);
    // A top-level window whose content (menu bar + client) is w by h pixels at screen (x, y). One
    // that is not resizable keeps that content size: a resize forced on it by the window system
    // is never reported, and its frames are shown at their own size.
    void *(*create_window)(HWND__ *owner, const char *title, int x, int y, int w, int h, int resizable);
    void (*destroy_window)(void *win);
    void (*show_window)(void *win, int show);
    // Shows a frame of the window's content: w by h pixels, 0x00RRGGBB, stride in pixels.
    void (*present)(void *win, const uint32_t *px, int w, int h, int stride);
    // Takes the next event without waiting; 1 when one was taken.
    int (*poll_event)(HostEvent *ev);
    // Blocks until an event may be ready or now_ms() reaches deadline (NO_DEADLINE: no timer due).
    void (*wait_event)(uint32_t deadline_ms);
    uint32_t (*now_ms)(void);
    void (*screen_size)(int *w, int *h);
    // Text the program wrote for a developer (OutputDebugStringA), Windows-1252: shown where a
    // developer looks (the desktop host: standard error); a headless run has no such reader.
    void (*debug_text)(const char *text);
};

const Host *host_current();       // the selected host (headless unless one was selected)
void host_select(const Host *h);  // before the first window
extern const Host host_headless;
extern const Host host_sdl;  // the desktop host (SDL2)
extern const Host host_web;  // the browser host (a web page; built only for the web)

}  // namespace plat
