/* A student's program for the runner's tests: a red dot for each tick, left to right, until the
 * q key, the only way out it knows; the quit event it ignores. */
#include "plako.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode) {
    int x = 0, y = 0, ticks = 0;
    char key = 0;
    int kind;

    plako_start(instance, prev_instance, cmd_line, show_mode);
    plako_set_logging(0);
    plako_erase();
    do {
        kind = plako_next_event(&x, &y, &key);
        if (kind == EVENT_PERIODIC) {
            plako_circle(PLAKO_RED, -200 + 40 * ticks, 0, 10);
            ticks++;
        }
    } while (!(kind == EVENT_KBD && key == 'q'));
    plako_stop();
    return 0;
}
