/* hello: a first picture.
 *
 * Teaches: plako_start, plako_erase, plako_rectangle, plako_circle, plako_triangle,
 *          plako_line, plako_text (several lines in one text, UTF-8 text), plako_text_format,
 *          plako_next_event, plako_stop.
 *
 * Controls: none; close the window (or Ctrl+Q) to end.
 *
 * The canvas's origin (0, 0) is the middle of the window, x grows to the right and
 * y grows upward; the window shows x from -297 to 297 and y from -247 to 247.
 * At start logging is on, so the console lists every drawing call as it is made.
 */
#include <windows.h>
#include "plako.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode)
{
    int x, y, kind;
    char key;

    plako_start(instance, prev_instance, cmd_line, show_mode);
    plako_erase(); /* the canvas is black until the first erase makes it white */

    /* A sky, a lawn and a sun. Rectangles take two opposite corners; width 0 fills. */
    plako_rectangle(PLAKO_ICE_BLUE, -297, 247, 297, -100, 0);
    plako_rectangle(PLAKO_SEA_GREEN, -297, -100, 297, -247, 0);
    plako_circle(PLAKO_YELLOW, 220, 170, 45);

    /* A house: a square, a roof and a door. */
    plako_rectangle(PLAKO_PEACH, -220, 0, -80, -140, 0);
    plako_triangle(PLAKO_BROWN, -240, 0, -60, 0, -150, 80, 0);
    plako_rectangle(PLAKO_NAVY_BLUE, -165, -70, -135, -140, 0);
    plako_rectangle(PLAKO_BLACK, -220, 0, -80, -140, 2); /* width 2: only the outline */

    /* A fence of lines. */
    for (x = 0; x <= 280; x += 20)
        plako_line(PLAKO_WHITE, x, -140, x, -90, 3);
    plako_line(PLAKO_WHITE, 0, -110, 280, -110, 3);

    /* Text: (x, y) is the lower-left corner of the first line; '\n' starts a new line. */
    plako_text(PLAKO_RED, -250, 180, 36, "Hello, PLAKO!");
    plako_text(PLAKO_PURPLE, -10, 110, 20, "Circles, triangles,\nrectangles and lines");
    plako_text(PLAKO_ORANGE, -10, 66, 20, "in 24 colours, à la carte."); /* UTF-8, as saved */
    plako_text_format(PLAKO_NAVY_BLUE, -250, -200, 16, "This window shows %d by %d points.", 595, 495);

    /* Wait for the end: events still come (clicks, keys); only quit matters here. */
    do {
        kind = plako_next_event(&x, &y, &key);
    } while (kind != EVENT_QUIT);

    plako_stop();
    return 0;
}
