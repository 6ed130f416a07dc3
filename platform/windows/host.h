// The host: how platform/ windows reach a person (SDL2 on a desktop, a web page in the browser)
// or a test (headless). A narrow table of functions that the window core drives; the portable code
// never asks which host it runs on. Each backend lives in a folder of its own under
// platform/hosts/ and includes this header and <windows.h>, nothing else of platform/.
// This header is also everything the window core offers the backends and the headless test API:
// the host selection, the keyboard rule, the code page, the windows' pixels and the queue's state.
#pragma once
#include <cstdint>

#include "codepage.h"

struct HWND__;

namespace plat {

// One piece of input or window-system news, in host-window content coordinates.
// A window's content is its menu bar (if any) on top of its client area.
// The kinds' numbers are those the browser page (web/plako.js) puts in its events.
struct HostEvent {
    enum Kind {
        NONE = 0,
        MOUSE_DOWN = 1,  // button 1 = left; x, y = content pixel
        MOUSE_UP = 2,
        MOUSE_MOVE = 3,
        KEY_DOWN = 4,  // vk = virtual-key code; ch = Windows-1252 character it types (0 = none)
        KEY_UP = 5,
        CLOSE = 6,    // the close box of the window
        EXPOSE = 7,   // the window's pixels must be shown again
        RESIZE = 8,   // x, y = new content size
        FOCUS = 9,    // the window got the keyboard focus
        COMMAND = 10  // a menu choice made outside the menu bar (a test's): command = the item's id
    };
    static constexpr int KIND_COUNT = 11;
    Kind kind = NONE;
    HWND__ *window = nullptr;  // the platform window the event is for
    int x = 0, y = 0;
    int button = 0;
    int vk = 0;
    int ch = 0;
    int alt = 0;  // Alt held with a key (WM_SYSKEYDOWN)
    uint32_t command = 0;
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

// ---- host.cpp: the selection ----
const Host *host_current();       // the selected host (headless unless one was selected)
void host_select(const Host *h);  // before the first window; its debug_text reads OutputDebugStringA
// The backends, each defined in its own folder under platform/hosts/.
extern const Host host_headless;  // hosts/headless: tests and tools (the default)
extern const Host host_sdl;       // hosts/sdl: the desktop (not in the web build)
extern const Host host_web;       // hosts/web: a web page (built only for the web)

// ---- keyboard.cpp: the keyboard rule of a US layout ----
enum KeyModifier { KEY_SHIFT = 1, KEY_CTRL = 2, KEY_ALT = 4 };
// The Windows-1252 character key vk types with the modifiers held (KEY_* bits), 0 for none:
// Ctrl+letter its control character, Enter 13, Backspace 8, Tab 9, Esc 27, Ctrl+Enter 10,
// Ctrl+Backspace 127; Ctrl with Alt types nothing.
int key_char(int vk, int modifiers);
// The key that types ch (with Shift or Ctrl where key_char needs them); VK_PACKET for a character
// no key of the layout has.
int key_of_char(unsigned char ch);

// ---- What the window core tells backends and the test API ----
// A window's client pixels as the core keeps them: rows of `stride` 0x00RRGGBB pixels. Null px for
// a window that is not live or has no client area. Valid until the program runs on.
struct ClientPixels {
    const uint32_t *px = nullptr;
    int w = 0, h = 0, stride = 0;
};
ClientPixels window_client_pixels(HWND__ *w);
// True when a message can be retrieved now without new input: a host's wait need not wait.
bool messages_ready();

}  // namespace plat
