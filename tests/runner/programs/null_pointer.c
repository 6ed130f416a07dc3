/* A student's program for the runner's tests: a red dot for each tick, left to right, and at the
 * fourth tick it writes through the null pointer a lookup gave it. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "plako.h"

/* The name of a setting that is never set. */
static char *setting(void) { return getenv("PLAKO_TEST_NO_SUCH_SETTING"); }

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode) {
    int x = 0, y = 0, ticks = 0;
    char key = 0;
    int kind;

    plako_start(instance, prev_instance, cmd_line, show_mode);
    plako_set_logging(0);
    plako_erase();
    while ((kind = plako_next_event(&x, &y, &key)) != EVENT_QUIT) {
        if (kind != EVENT_PERIODIC) continue;
        if (ticks == 3) {
            char *name = setting();
            name[0] = 'x';
        }
        plako_circle(PLAKO_RED, -200 + 40 * ticks, 0, 10);
        ticks++;
    }
    plako_stop();
    return 0;
}
