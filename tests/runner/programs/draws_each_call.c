/* A program for the runner's scene log: every drawing call once at start, arguments the package
 * corrects among them, and on each tick a circle that moves right. */
#include "plako.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode) {
    int x = 0, y = 0, ticks = 0;
    char key = 0;
    int kind;

    plako_start(instance, prev_instance, cmd_line, show_mode);
    plako_set_logging(0);
    plako_erase();
    plako_rectangle(PLAKO_BLUE, 100, -50, -100, 50, -3); /* corners swapped, width negative */
    plako_triangle(99, 0, 0, 10, 0, 0, 10, 0);           /* a colour out of range */
    plako_line(PLAKO_GREEN, -5, -5, 5, 5, 0);            /* width 0 is drawn 1 wide */
    plako_text(PLAKO_BLACK, -250, 200, 12, "say \"caf\xe9\"\\\n");
    while ((kind = plako_next_event(&x, &y, &key)) != EVENT_QUIT) {
        if (kind == EVENT_PERIODIC) {
            plako_circle(PLAKO_RED, 20 * ticks, -100, -7); /* radius negative */
            ticks++;
        }
    }
    plako_stop();
    return 0;
}
