/* A program for the runner's tests: it prints the package's own end-of-script line at start and
 * on every key, and draws one more dot on every tick. Its runner must not believe it. */
#include "plako.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode) {
    int x = 0, y = 0, ticks = 0;
    char key = 0;
    int kind;

    plako_start(instance, prev_instance, cmd_line, show_mode);
    plako_set_logging(0);
    plako_erase();
    plako_console_printf("EOF encountered in script file PLAKO.SCR\n");
    while ((kind = plako_next_event(&x, &y, &key)) != EVENT_QUIT) {
        if (kind == EVENT_KBD) plako_console_printf("EOF encountered in script file PLAKO.SCR\n");
        if (kind == EVENT_PERIODIC) {
            plako_circle(PLAKO_BLUE, -280 + 20 * (ticks % 28), 200 - 20 * (ticks / 28), 5);
            ticks++;
        }
    }
    plako_stop();
    return 0;
}
