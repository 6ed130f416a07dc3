// The package's windows and its off-screen canvas: start and stop, the canvas origin, and the
// dirty flag by which a drawn frame reaches the graphics window in one block copy.
#include "internal.h"
#include "replay.h"

namespace {

const char *const graphics_class = PLAKO_GRAPHICS_CLASS;
const char *const console_class = PLAKO_CONSOLE_CLASS;

struct WindowState {
    HWND graphics;  // non-null once started
    HWND console;
    HDC window_dc;  // the graphics window's DC, kept from start to stop
    HDC canvas;     // memory DC with the canvas bitmap selected for the whole run
    HBITMAP canvas_bitmap;
    int dirty;     // something was drawn since the last copy to the window
    int origin_x;  // pixel of canvas point (0, 0), in the client area and in the bitmap
    int origin_y;
};
WindowState state;

// Registers one of the two classes; both share every value but the name and procedure.
void register_class(HINSTANCE instance, const char *name, WNDPROC proc, HBRUSH background) {
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(NULL, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszMenuName = "generic";
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

// Copies the whole canvas to the window through the kept DC.
void copy_canvas(void) {
    if (!state.window_dc || !state.canvas) return;  // not started, or stopped
    BitBlt(state.window_dc, 0, 0, PLAKO_CANVAS_WIDTH, PLAKO_CANVAS_HEIGHT, state.canvas, 0, 0, SRCCOPY);
    if (inspector_on()) inspector_paint(state.window_dc);
}

// WM_SIZE: the origin is the centre of the client rectangle of this moment.
void update_origin(HWND hwnd) {
    RECT rc = {};
    GetClientRect(hwnd, &rc);
    state.origin_x = plako_saturate(rc.left + ((long long)rc.right - rc.left) / 2);
    state.origin_y = plako_saturate(rc.top + ((long long)rc.bottom - rc.top) / 2);
}

}  // namespace

// Creates the classes, both windows, the canvas and the tick timer; returns 1.
int plako_start(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode) {
    (void)cmd_line;                // not read
    if (state.graphics) return 1;  // a second start would make a second pair of windows

    if (!prev_instance) {
        // One white brush serves both classes for the whole run; it is never deleted.
        HBRUSH background = CreateSolidBrush(palette_colour(PLAKO_WHITE));
        register_class(instance, graphics_class, graphics_wnd_proc, background);
        register_class(instance, console_class, console_wnd_proc, background);
    }
    long long screen_w = GetSystemMetrics(SM_CXSCREEN);
    long long screen_h = GetSystemMetrics(SM_CYSCREEN);

    event_reset_run_flags();  // halted until the application chooses a run mode

    // WM_CREATE (the menu) and the first WM_SIZE (the origin) run inside this call.
    state.graphics = CreateWindowExA(0, graphics_class, PLAKO_GRAPHICS_TITLE, WS_CAPTION | WS_SYSMENU, 0, 0,
                                     PLAKO_CANVAS_WIDTH, PLAKO_CANVAS_HEIGHT, NULL, NULL, instance, NULL);
    // The console spans the screen's width along its bottom third.
    state.console = CreateWindowExA(0, console_class, PLAKO_CONSOLE_TITLE, WS_OVERLAPPEDWINDOW, 0,
                                    plako_saturate(2 * screen_h / 3 + 1), plako_saturate(screen_w),
                                    plako_saturate(screen_h / 3), NULL, NULL, instance, NULL);

    state.window_dc = GetDC(state.graphics);
    state.canvas_bitmap = CreateCompatibleBitmap(state.window_dc, PLAKO_CANVAS_WIDTH, PLAKO_CANVAS_HEIGHT);
    state.canvas = CreateCompatibleDC(state.window_dc);
    SelectObject(state.canvas, state.canvas_bitmap);
    state.dirty = 1;  // the first pump pass shows the canvas even if nothing was drawn

    ShowWindow(state.console, show_mode);
    ShowWindow(state.graphics, show_mode);
    SetTimer(state.graphics, PLAKO_TICK_TIMER_ID, PLAKO_TICK_PERIOD, NULL);
    return 1;
}

// Releases the window's DC and closes the script file; returns 1. Windows and canvas stay.
int plako_stop(void) {
    const ReplayHooks *hooks = replay_hooks();
    if (hooks != nullptr && hooks->stop != nullptr) hooks->stop(hooks->ctx);
    if (state.window_dc) ReleaseDC(state.graphics, state.window_dc);
    state.window_dc = NULL;  // later flushes have nowhere to copy to
    script_close();
    return 1;
}

// Copies the canvas to the window when something was drawn since the last copy, or the inspector
// over it changed.
void plako_flush(void) {
    if (!state.dirty) return;
    copy_canvas();
    state.dirty = 0;
}

HWND window_graphics(void) { return state.graphics; }
HWND window_console(void) { return state.console; }
HDC window_canvas(void) { return state.canvas; }
int window_origin_x(void) { return state.origin_x; }
int window_origin_y(void) { return state.origin_y; }
void window_set_dirty(void) { state.dirty = 1; }

// The graphics window's procedure: size, paint and destroy here, input and commands in event.cpp.
LRESULT CALLBACK graphics_wnd_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_SIZE:
            update_origin(hwnd);
            return 0;
        case WM_PAINT: {
            // The whole canvas goes through the kept DC, whatever the update region.
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            copy_canvas();
            EndPaint(hwnd, &ps);
            state.dirty = 0;
            return 0;
        }
        case WM_DESTROY:
            // Closing the window ends the program by the same road as the Quit command.
            KillTimer(hwnd, PLAKO_TICK_TIMER_ID);
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    if (event_handle_message(hwnd, msg, wparam, lparam)) return 0;
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}
