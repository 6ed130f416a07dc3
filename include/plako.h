/* The PLAKO graphics package: a canvas of 601 by 540 pixels with its origin at the centre of the
 * graphics window's client area and y pointing up, a console for messages, an event wait with run
 * controls, script recording and playback, and drawing in 24 named colours. */
#ifndef PLAKO_H
#define PLAKO_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Event kinds returned by plako_next_event. */
#define EVENT_NONE (-1) /* internal to the wait; never returned */
#define EVENT_MOUSE 1
#define EVENT_KBD 2
#define EVENT_PERIODIC 3
#define EVENT_QUIT 4

/* Run modes for plako_set_run_mode. */
#define RUN_HALT 0
#define RUN_ONE_FRAME 1
#define RUN_ANIMATE 2
#define RUN_QUIT 5

/* Colour indices into the palette. */
#define PLAKO_BLACK 0
#define PLAKO_WHITE 1
#define PLAKO_RED 2
#define PLAKO_GREEN 3
#define PLAKO_BLUE 4
#define PLAKO_YELLOW 5
#define PLAKO_MAGENTA 6
#define PLAKO_CYAN 7
#define PLAKO_PURPLE 8
#define PLAKO_NAVY_BLUE 9
#define PLAKO_DUSTY_PLUM 10
#define PLAKO_ICE_BLUE 11
#define PLAKO_TURQUOISE 12
#define PLAKO_ORANGE 13
#define PLAKO_BROWN 14
#define PLAKO_PINK 15
#define PLAKO_CHALK 16
#define PLAKO_GOLD 17
#define PLAKO_PEACH 18
#define PLAKO_FOREST_GREEN 19
#define PLAKO_SEA_GREEN 20
#define PLAKO_OLIVE 21
#define PLAKO_GRAY_50 22
#define PLAKO_GRAY_20 23
#define PLAKO_COLOUR_COUNT 24

/* Start and stop. */
int plako_start(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode);
int plako_stop(void);

/* The event wait and its controls. */
int plako_next_event(int *x, int *y, char *key);
int plako_set_run_mode(int mode);
int plako_set_logging(int flag);

/* The console. */
int plako_console_printf(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
int plako_show_console(int show);

/* Drawing, in canvas coordinates; width 0 means filled. */
int plako_circle(int colour, int x, int y, int radius);
int plako_triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3, int width);
int plako_rectangle(int colour, int x1, int y1, int x2, int y2, int width);
int plako_line(int colour, int x1, int y1, int x2, int y2, int width);
int plako_text(int colour, int x, int y, int ptsize, const char *text);
int plako_text_format(int colour, int x, int y, int ptsize, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 5, 6)))
#endif
    ;
int plako_erase(void);

#ifdef __cplusplus
}
#endif

#endif
