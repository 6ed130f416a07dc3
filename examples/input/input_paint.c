/* paint: every click leaves a shape on the canvas.
 *
 * Teaches: EVENT_MOUSE (x and y are canvas points, y up), EVENT_KBD (key holds the
 *          typed character), choosing among the 24 colours by number, keeping a
 *          picture between events (nothing is erased unless you ask).
 *
 * Controls: click        draw the current shape there
 *           0 to 9       choose a colour from the bar at the top
 *           c s t l      shape: circle, square, triangle, line (each click after the
 *                        first one of a line draws on from the click before)
 *           + -          bigger, smaller
 *           e            erase the picture
 */
#include <windows.h>
#include "plako.h"

#define BAR_BOTTOM 192  /* the bar at the top reaches down to this y; clicks above it draw nothing */

/* The ten colours of the keys 0 to 9. */
int colours[10] = {PLAKO_BLACK, PLAKO_RED, PLAKO_ORANGE, PLAKO_YELLOW, PLAKO_GREEN,
                   PLAKO_CYAN, PLAKO_BLUE, PLAKO_PURPLE, PLAKO_PINK, PLAKO_BROWN};

/* Draws the bar: the ten colours with their keys, the chosen one framed, the shape and size. */
void draw_bar(int chosen, char shape, int size)
{
    int i, left;

    plako_rectangle(PLAKO_GRAY_20, -297, 247, 297, BAR_BOTTOM, 0);
    for (i = 0; i < 10; i++) {
        left = -290 + i * 36;
        plako_rectangle(colours[i], left, 240, left + 30, 212, 0);
        plako_text_format(PLAKO_BLACK, left + 12, 196, 10, "%d", i);
        if (i == chosen)
            plako_rectangle(PLAKO_BLACK, left - 3, 243, left + 33, 209, 3);
    }
    plako_text_format(PLAKO_BLACK, 80, 220, 14, "shape %c, size %d", shape, size);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode)
{
    int x, y, kind, colour;
    int chosen = 1;          /* red */
    char shape = 'c';        /* c circle, s square, t triangle, l line */
    int size = 20;
    int line_x = 0, line_y = 0;  /* where the line goes on from */
    int line_started = 0;        /* 0 until the first click of a line */
    char key;

    plako_start(instance, prev_instance, cmd_line, show_mode);
    plako_set_logging(0);    /* logging is on at start; the console shows only messages now */
    plako_erase();
    draw_bar(chosen, shape, size);
    plako_console_printf("paint: click to draw; keys 0-9, c s t l, + -, e\n");

    for (;;) {
        kind = plako_next_event(&x, &y, &key);
        if (kind == EVENT_QUIT)
            break;

        if (kind == EVENT_MOUSE && y < BAR_BOTTOM) {
            colour = colours[chosen];
            if (shape == 'c')
                plako_circle(colour, x, y, size);
            if (shape == 's')
                plako_rectangle(colour, x - size, y + size, x + size, y - size, 0);
            if (shape == 't')
                plako_triangle(colour, x - size, y - size, x + size, y - size, x, y + size, 0);
            if (shape == 'l') {
                if (line_started)
                    plako_line(colour, line_x, line_y, x, y, size / 4);
                line_x = x;
                line_y = y;
                line_started = 1;
            }
        }

        if (kind == EVENT_KBD) {
            if (key >= '0' && key <= '9')
                chosen = key - '0';
            if (key == 'c' || key == 's' || key == 't' || key == 'l') {
                shape = key;
                line_started = 0;  /* a new line starts at the next click */
            }
            if (key == '+' && size < 100)
                size = size + 5;
            if (key == '-' && size > 5)
                size = size - 5;
            if (key == 'e')
                plako_erase();
        }

        /* The bar last, over any shape that reached into it. */
        draw_bar(chosen, shape, size);
    }

    plako_stop();
    return 0;
}
