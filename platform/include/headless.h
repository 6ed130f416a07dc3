/* The headless host: runs a whole program without a display, for tests and tools.
 *
 * Time is virtual. It starts at 0 ms and moves only when the program waits or polls, or when
 * headless_advance() is called. A program that waits (WaitMessage) with nothing queued moves the
 * clock straight to its next due timer, so 151 ticks of 100 ms take milliseconds, not 15 seconds.
 * A PeekMessageA that finds nothing moves the clock by 1 ms: polling costs time but never sleeps,
 * so a program that spins instead of waiting makes a hundred passes per 100 ms tick.
 *
 * A test drives the program from the idle hook: it is called every time the program is about to
 * wait or finds its queue empty, before the clock moves. Inside the hook the test may inject input, read
 * pixels and menu state, or ask the program to stop (headless_close on its main window, or a menu choice).
 *
 * Coordinates of injected clicks are client-area pixels of the window. Everything here is
 * single-threaded and must be called on the program's thread (from the hook or before WinMain).
 */
#ifndef PLAKO_HEADLESS_H
#define PLAKO_HEADLESS_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Selects the headless host. Call before the first window is created. (It is also the default
 * when no host was selected; the desktop program's main() selects SDL2.) */
void headless_select(void);

/* The virtual clock in milliseconds. */
DWORD headless_now(void);
/* Moves the clock forward by ms; timers that fall due will post WM_TIMER. */
void headless_advance(DWORD ms);

/* Called whenever the program is about to wait for input or a timer. ctx is handed back. */
typedef void (*HeadlessIdleHook)(void *ctx);
void headless_set_idle_hook(HeadlessIdleHook hook, void *ctx);
/* How many times the program has waited so far (one per idle hook call). */
unsigned long headless_wait_count(void);

/* Input, queued in order as if it came from the user. */
void headless_click(HWND hwnd, int x, int y);      /* left button down and up at a client pixel */
void headless_mouse_move(HWND hwnd, int x, int y); /* the mouse moves to a client pixel, no button held */
void headless_key_down(HWND hwnd, int vk);         /* a key down with its virtual-key code */
void headless_key_up(HWND hwnd, int vk);
void headless_type(HWND hwnd, unsigned char ch); /* a key that types ch (Windows-1252): down, up */
void headless_close(HWND hwnd);                  /* the window's close box */
int headless_menu_choose(HWND hwnd, UINT id);    /* chooses the menu item id as the user would;
                                                    0 when no enabled item has that id */

/* The client area's pixels as COLORREF values (0x00BBGGRR). Outside the client area: CLR_INVALID. */
COLORREF headless_pixel(HWND hwnd, int x, int y);
/* Copies the client area, row by row, as 0x00RRGGBB into out (w*h values); returns w*h or 0. */
int headless_client_pixels(HWND hwnd, unsigned int *out, int max_pixels, int *w, int *h);

/* The window's menu bar popup, by command id: MF_CHECKED / MF_GRAYED flags as GetMenuState returns
 * them, or -1 when the window has no such item. */
int headless_menu_state(HWND hwnd, UINT id);

/* Makes the next count calls of GlobalAlloc fail as if memory had run out (0 ends it early). */
void headless_fail_allocations(int count);

/* Live platform objects, for leak tests. Stock objects are not counted. */
typedef struct HeadlessObjectCounts {
    int pens, brushes, fonts, bitmaps, dcs, memory_blocks, windows, menus;
} HeadlessObjectCounts;
void headless_object_counts(HeadlessObjectCounts *out);

#ifdef __cplusplus
}
#endif

#endif
