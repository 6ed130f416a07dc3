/* A program for the runner's tests: it draws once at start, never on a tick, and marks each key
 * it is given; its last picture is therefore frame 0, or whatever the keys added to it. */
#include "plako.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode) {
    int x = 0, y = 0, keys = 0;
    char key = 0;
    int kind;

    plako_start(instance, prev_instance, cmd_line, show_mode);
    plako_set_logging(0);
    plako_erase();
    plako_circle(PLAKO_RED, 0, 0, 50);
    while ((kind = plako_next_event(&x, &y, &key)) != EVENT_QUIT) {
        if (kind == EVENT_KBD) {
            plako_rectangle(PLAKO_BLUE, -200 + 30 * keys, 200, -180 + 30 * keys, 180, 0);
            keys++;
        }
    }
    plako_stop();
    return 0;
}
