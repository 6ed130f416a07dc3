// The event wait: the package's only message loop, the run controls, the "&Run" menu, the Ctrl
// accelerators and the commands they share with the menu.
#include <stdlib.h>
#include <string.h>

#include "internal.h"
#include "replay.h"

namespace {

struct EventState {
    PendingEvent pending;  // the event the current wait assembles
    char animate;          // every wait yields a periodic event at the next tick
    char one_frame;        // the next wait that finds nothing else yields one periodic event
    char quit_request;     // every later wait returns EVENT_QUIT once it has an event
    char logging;          // drawing operations log each call
    int ctrl_held;         // Ctrl went down in the graphics window and has not come up there
    int tick_pending;      // a WM_TIMER came since the periodic event was armed
    HMENU run_menu;        // the "&Run" popup, for its check marks
    char first_wait_seen;  // PLAKO_RECORD was looked at, at the first wait after plako_start
};
EventState state;

// Sets or removes the check mark of a command's menu item.
void check_item(UINT id, int on) {
    CheckMenuItem(state.run_menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void command_animate(void) { state.animate = 1; }
void command_halt(void) { state.animate = 0; }
void command_one_frame(void) {
    state.animate = 0;
    state.one_frame = 1;
}
// Unlike plako_set_logging, the menu's toggle leaves the console as it is.
void command_logging(void) {
    state.logging = state.logging ? 0 : 1;
    check_item(CMD_LOGGING, state.logging);
}
void command_quit(void) { PostQuitMessage(0); }

// The one table of commands, shared by the menu and the accelerators.
struct Command {
    UINT id;
    int vk;  // the accelerator's letter key
    void (*run)(void);
};
const Command commands[] = {
    {CMD_ANIMATE, 'A', command_animate},          {CMD_HALT, 'H', command_halt},
    {CMD_ONE_FRAME, 'F', command_one_frame},      {CMD_LOGGING, 'L', command_logging},
    {CMD_RECORD, 'R', script_command_record},     {CMD_PLAYBACK, 'P', script_command_playback},
    {CMD_PLAY_ONE, 'O', script_command_play_one}, {CMD_QUIT, 'Q', command_quit},
};

void run_command_id(WPARAM id) {
    for (const Command &c : commands)
        if (c.id == id) c.run();
}

// Keys for looking at the canvas: they give the program no event and leave the run as it is.
struct ViewKey {
    int vk;
    void (*run)(void);
};
const ViewKey view_keys[] = {{VK_F2, inspector_toggle}, {VK_F3, describe_print}, {VK_F4, picture_save}};

// 1 when vk is one of the view keys (run unless the key is held down and repeating).
int run_view_key(WPARAM vk, LPARAM lparam) {
    for (const ViewKey &k : view_keys) {
        if ((WPARAM)k.vk != vk) continue;
        if (!(lparam & 0x40000000)) k.run();
        return 1;
    }
    return 0;
}

void run_accelerator(WPARAM vk) {
    for (const Command &c : commands)
        if ((WPARAM)c.vk == vk) c.run();
}

// WM_CREATE: the "&Run" popup under a new menu bar. Logging starts on, so its item starts checked.
void build_menu(HWND hwnd) {
    HMENU bar = CreateMenu();
    HMENU run = CreatePopupMenu();
    AppendMenuA(run, MF_STRING, CMD_ANIMATE, "&Animate\tCtrl+A");
    AppendMenuA(run, MF_STRING, CMD_HALT, "&Halt animation\tCtrl+H");
    AppendMenuA(run, MF_STRING, CMD_ONE_FRAME, "Advance one &frame\tCtrl+F");
    AppendMenuA(run, MF_SEPARATOR, 0, NULL);
    AppendMenuA(run, MF_STRING | MF_CHECKED, CMD_LOGGING, "&Logging\tCtrl+L");
    AppendMenuA(run, MF_SEPARATOR, 0, NULL);
    AppendMenuA(run, MF_STRING, CMD_RECORD, "&Record Script\tCtrl+R");
    AppendMenuA(run, MF_STRING, CMD_PLAYBACK, "&Playback Script\tCtrl+P");
    AppendMenuA(run, MF_STRING, CMD_PLAY_ONE, "Play &One Script\tCtrl+O");
    AppendMenuA(run, MF_SEPARATOR, 0, NULL);
    AppendMenuA(run, MF_STRING, CMD_QUIT, "&Quit\tCtrl+Q");
    AppendMenuA(run, MF_SEPARATOR, 0, NULL);
    AppendMenuA(run, MF_STRING | MF_GRAYED, CMD_INFO, "PLAKO v2.2 July 1997");
    AppendMenuA(run, MF_STRING | MF_GRAYED, CMD_INFO, "MAC: mac@plako.example");
    AppendMenuA(run, MF_STRING | MF_GRAYED, CMD_INFO, "WINDOWS: windows@plako.example");
    AppendMenuA(run, MF_STRING | MF_GRAYED, CMD_INFO, "UPDATES: https://plako.example/updates");
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)run, "&Run");
    state.run_menu = run;
    state.logging = 1;
    SetMenu(hwnd, bar);
    DrawMenuBar(hwnd);
}

// PLAKO_RECORD=1 in the environment: the first wait records, as if Ctrl+R had been pressed before it.
void record_from_start(void) {
    if (state.first_wait_seen || !window_graphics()) return;
    state.first_wait_seen = 1;
    const char *record = getenv("PLAKO_RECORD");
    if (record != nullptr && strcmp(record, "1") == 0) script_command_record();
}

// Nothing can become ready without a new message: no event, or one armed and waiting for a tick.
int waiting_for_message(void) {
    int kind = state.pending.kind;
    return kind == EVENT_NONE || (kind == EVENT_PERIODIC && !state.tick_pending);
}

}  // namespace

// One pass of the pump: at most one message, then the canvas to the window if it changed.
// Returns 1 when a message was taken.
int plako_pump(void) {
    MSG msg;
    if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            state.pending.kind = EVENT_QUIT;
            return 1;  // the quit pass does not flush
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        plako_flush();
        return 1;
    }
    plako_flush();
    return 0;
}

// Waits until an event is ready, stores its x, y and key, and returns its kind.
int plako_next_event(int *x, int *y, char *key) {
    const ReplayHooks *hooks = replay_hooks();
    if (hooks != nullptr && hooks->wait != nullptr && hooks->wait(hooks->ctx)) {
        if (x) *x = 0;
        if (y) *y = 0;
        if (key) *key = 0;
        return EVENT_QUIT;
    }
    record_from_start();
    state.pending.kind = EVENT_NONE;
    state.pending.x = 0;
    state.pending.y = 0;
    state.pending.key = 0;
    int from_script = 0;
    while (waiting_for_message()) {
        int took = plako_pump();
        if (state.pending.kind == EVENT_QUIT) break;             // the script is not consulted in this pass
        if ((from_script = script_playback_hook()) != 0) break;  // a played event needs no tick
        if ((state.one_frame || state.animate) && state.pending.kind == EVENT_NONE) {
            // Arming drops earlier ticks, so periodic events never queue up.
            state.pending.kind = EVENT_PERIODIC;
            state.tick_pending = 0;
            state.one_frame = 0;
        }
        // Rather than spin, sleep in the platform until input, a posted message or a timer.
        if (!took && !script_reading() && waiting_for_message()) WaitMessage();
    }
    script_record_hook(state.pending.kind, state.pending.x, state.pending.y, state.pending.key);
    int kind = state.quit_request ? EVENT_QUIT : state.pending.kind;
    int ex = state.pending.x, ey = state.pending.y;
    char ekey = state.pending.key;
    if (hooks != nullptr && hooks->event != nullptr)
        kind = hooks->event(hooks->ctx, kind, &ex, &ey, &ekey, from_script);
    script_handed(from_script, kind);
    if (x) *x = ex;
    if (y) *y = ey;
    if (key) *key = ekey;
    return kind;
}

// Sets the run mode; returns 1, or 0 without acting before plako_start.
int plako_set_run_mode(int mode) {
    if (!window_graphics()) return 0;
    switch (mode) {
        case RUN_HALT:
            state.animate = 0;
            state.one_frame = 0;
            break;
        case RUN_ONE_FRAME:
            state.one_frame = 1;
            break;
        case RUN_ANIMATE:
            state.animate = 1;
            break;
        case RUN_QUIT:
            state.quit_request = 1;
            break;
        default:
            break;
    }
    return 1;
}

// Switches logging on (non-zero) or off with its check mark; returns 1, or 0 before plako_start.
int plako_set_logging(int flag) {
    if (!window_graphics()) return 0;
    state.logging = flag ? 1 : 0;
    check_item(CMD_LOGGING, state.logging);
    if (state.logging) plako_show_console(1);  // what is logged should be seen
    return 1;
}

PendingEvent *event_pending(void) { return &state.pending; }

void event_reset_run_flags(void) {
    state.animate = 0;
    state.one_frame = 0;
}

int event_logging(void) { return state.logging; }

HMENU event_run_menu(void) { return state.run_menu; }

// The graphics window's input and command handlers; 1 when msg was one of them.
int event_handle_message(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_CREATE:
            build_menu(hwnd);
            return 1;
        case WM_LBUTTONDOWN:
            // The position's halves are unsigned 16-bit client pixels; the Ctrl state does not matter.
            state.pending.kind = EVENT_MOUSE;
            state.pending.x = plako_saturate((long long)LOWORD(lparam) - window_origin_x());
            state.pending.y = plako_saturate((long long)window_origin_y() - HIWORD(lparam));
            return 1;
        case WM_CHAR:
            // While Ctrl is held the control characters of the accelerators are dropped.
            if (state.ctrl_held != 1) {
                state.pending.kind = EVENT_KBD;
                state.pending.key = (char)(wparam & 0xff);
            }
            return 1;
        case WM_TIMER:
            state.tick_pending = 1;
            return 1;
        case WM_KEYUP:
            if (wparam == (WPARAM)VK_CONTROL) state.ctrl_held = 0;
            return 1;
        case WM_KEYDOWN:
            if (wparam == (WPARAM)VK_CONTROL)
                state.ctrl_held = 1;
            else if (run_view_key(wparam, lparam))
                return 1;
            else if (state.ctrl_held)
                run_accelerator(wparam);
            return 1;
        case WM_MOUSEMOVE:
            if (inspector_on()) inspector_mouse(LOWORD(lparam), HIWORD(lparam));
            return 1;
        case WM_COMMAND:
            run_command_id(wparam);
            return 1;
        default:
            return 0;
    }
}
