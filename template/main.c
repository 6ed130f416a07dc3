/* My first PLAKO program: a copy of this folder is a project of your own.
 *
 * The package calls WinMain, as Windows does. The program starts the package, then waits for
 * events in a loop: a tick every 100 ms while animating, a click, a typed key, or quit. It draws
 * on the canvas in canvas coordinates: (0, 0) is the centre of the window, y points up, and the
 * window shows x from -297 to 297 and y from -247 to 247.
 *
 * Controls: click to drop a ball; Ctrl+H halts, Ctrl+A animates, Ctrl+Q quits (the Run menu). */
#include "plako.h"

#define MAX_BALLS 20

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode) {
    int ball_x[MAX_BALLS], ball_y[MAX_BALLS];
    int balls = 0, frame = 0, running = 1;
    int x = 0, y = 0;
    char key = 0;

    plako_start(instance, prev_instance, cmd_line, show_mode);
    plako_set_logging(0);             /* no log of every drawing call */
    plako_show_console(0);            /* the console window stays hidden */
    plako_set_run_mode(RUN_ANIMATE);  /* ticks from now on */

    while (running) {
        switch (plako_next_event(&x, &y, &key)) {
        case EVENT_MOUSE: /* remember the click; the next tick draws it */
            if (balls < MAX_BALLS) {
                ball_x[balls] = x;
                ball_y[balls] = y;
                balls++;
            }
            break;
        case EVENT_PERIODIC: { /* draw the whole picture again */
            int i, sun = 30 + frame % 10;
            plako_erase();
            plako_rectangle(PLAKO_ICE_BLUE, -297, 247, 297, -100, 0);  /* sky */
            plako_rectangle(PLAKO_FOREST_GREEN, -297, -100, 297, -247, 0);  /* grass */
            plako_circle(PLAKO_YELLOW, 200, 170, sun);
            plako_text(PLAKO_NAVY_BLUE, -280, 200, 18, "My first program\nClick to drop a ball");
            for (i = 0; i < balls; i++) plako_circle(PLAKO_RED, ball_x[i], ball_y[i], 12);
            frame++;
            break;
        }
        case EVENT_QUIT:
            running = 0;
            break;
        default: /* typed characters: nothing */
            break;
        }
    }
    plako_stop();
    return 0;
}
