/* canvas.c: the canvas coordinates as the graphics window shows them. The axes with a tick every
 * 50 units, the origin, one point, and the four corner pixels of the visible area with their
 * coordinates. Draws on every tick; renders docs/canvas.png.
 * Calls: plako_start, plako_erase, plako_line, plako_triangle, plako_circle, plako_text,
 * plako_text_format, plako_next_event. */
#include <windows.h>

#include "plako.h"

#define LEFT (-297) /* the visible area of the 601 by 540 canvas */
#define RIGHT 297
#define TOP 247
#define BOTTOM (-247)
#define LABEL 10    /* point size of the tick labels: a 11-pixel cell */
#define NOTE 12     /* point size of the notes: a 14-pixel cell */

/* A corner pixel: two red strokes along the edges that meet in it, and its coordinates. */
static void draw_corner(int x, int y, int dx, int dy, int label_x, int label_y) {
    plako_line(PLAKO_RED, x, y, x + 14 * dx, y, 3);
    plako_line(PLAKO_RED, x, y, x, y + 14 * dy, 3);
    plako_text_format(PLAKO_RED, label_x, label_y, NOTE, "(%d, %d)", x, y);
}

static void draw_axes(void) {
    int v;
    plako_line(PLAKO_GRAY_50, LEFT, 0, RIGHT - 8, 0, 1);
    plako_line(PLAKO_GRAY_50, 0, BOTTOM, 0, TOP - 8, 1);
    plako_triangle(PLAKO_GRAY_50, RIGHT, 0, RIGHT - 10, 5, RIGHT - 10, -5, 0);
    plako_triangle(PLAKO_GRAY_50, 0, TOP, -5, TOP - 10, 5, TOP - 10, 0);
    plako_text(PLAKO_BLACK, RIGHT - 14, 8, NOTE, "x");
    plako_text(PLAKO_BLACK, 10, TOP - 18, NOTE, "y");
    for (v = -250; v <= 250; v += 50) {
        if (v == 0) continue;
        plako_line(PLAKO_GRAY_50, v, -3, v, 3, 1);
        /* Labels hang above their anchor: below the axis means anchoring a cell lower. */
        plako_text_format(PLAKO_GRAY_50, v - (v < 0 ? 12 : 9), -17, LABEL, "%d", v);
        if (v > -250 && v < 250) {
            plako_line(PLAKO_GRAY_50, -3, v, 3, v, 1);
            plako_text_format(PLAKO_GRAY_50, v < 0 ? -30 : -26, v - 6, LABEL, "%d", v);
        }
    }
}

static void draw_picture(void) {
    plako_erase();
    draw_axes();
    plako_circle(PLAKO_BLACK, 0, 0, 2);
    plako_text(PLAKO_BLACK, 6, 4, NOTE, "(0, 0)");
    plako_circle(PLAKO_BLUE, 150, 100, 3);
    plako_line(PLAKO_BLUE, 150, 0, 150, 96, 1);
    plako_line(PLAKO_BLUE, 0, 100, 146, 100, 1);
    plako_text(PLAKO_BLUE, 156, 104, NOTE, "(150, 100)");

    draw_corner(LEFT, TOP, 1, -1, LEFT + 8, TOP - 22);
    draw_corner(RIGHT, TOP, -1, -1, RIGHT - 76, TOP - 22);
    draw_corner(LEFT, BOTTOM, 1, 1, LEFT + 8, BOTTOM + 8);
    draw_corner(RIGHT, BOTTOM, -1, 1, RIGHT - 82, BOTTOM + 8);

    plako_text(PLAKO_NAVY_BLUE, -285, -70, NOTE,
               "The canvas: 601 by 540 pixels, x from -297 to 303, y from -292 to 247.\n"
               "The window shows 595 by 495 of them: x from -297 to 297, y from -247 to 247.\n"
               "Canvas point (x, y) is pixel (297 + x, 247 - y) of the window's client area.");
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode) {
    int x, y;
    char key;
    plako_start(instance, prev_instance, cmd_line, show_mode);
    plako_show_console(0);
    plako_set_logging(0);
    plako_set_run_mode(RUN_ANIMATE);
    for (;;) {
        int kind = plako_next_event(&x, &y, &key);
        if (kind == EVENT_QUIT) break;
        if (kind == EVENT_PERIODIC) draw_picture();
    }
    plako_stop();
    return 0;
}
