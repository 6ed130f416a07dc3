/* bounce: a ball that moves on every tick of the clock.
 *
 * Teaches: plako_set_run_mode (RUN_ANIMATE, RUN_HALT, RUN_ONE_FRAME), EVENT_PERIODIC,
 *          drawing a whole new picture on every tick, plako_set_logging and
 *          plako_show_console to keep the console quiet, EVENT_MOUSE.
 *
 * Controls: Ctrl+H (or the key h) halts, Ctrl+F (or f) draws one more frame,
 *           Ctrl+A (or a) animates again; the Run menu has the same three commands.
 *           A click throws the ball from the place clicked.
 *
 * The package starts halted: nothing moves until the program asks for RUN_ANIMATE.
 * Then plako_next_event returns EVENT_PERIODIC every 100 milliseconds (10 frames a second).
 */
#include <windows.h>
#include "plako.h"

#define RADIUS 25
#define FLOOR (-180)   /* y of the floor's top edge */
#define WALL 297       /* the window shows x from -297 to 297 */
#define BOUNCE 34      /* upward speed after every bounce: the ball always rises as high */
#define TRAIL 6        /* how many earlier places of the ball are drawn behind it */

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode)
{
    int x = -200, y = 150;  /* the ball's centre */
    int dx = 11, dy = 0;    /* its speed: points per tick */
    int trail_x[TRAIL], trail_y[TRAIL];
    int frame = 0, i, kind, mouse_x, mouse_y;
    char key;

    for (i = 0; i < TRAIL; i++) {
        trail_x[i] = x;
        trail_y[i] = y;
    }

    plako_start(instance, prev_instance, cmd_line, show_mode);
    plako_set_logging(0);   /* at start every drawing call is logged: too many lines here */
    plako_show_console(0);
    plako_erase();
    plako_set_run_mode(RUN_ANIMATE);

    for (;;) {
        kind = plako_next_event(&mouse_x, &mouse_y, &key);
        if (kind == EVENT_QUIT)
            break;

        if (kind == EVENT_KBD) {
            if (key == 'h')
                plako_set_run_mode(RUN_HALT);
            if (key == 'f') {
                plako_set_run_mode(RUN_HALT);   /* one frame while animating would change nothing */
                plako_set_run_mode(RUN_ONE_FRAME);
            }
            if (key == 'a')
                plako_set_run_mode(RUN_ANIMATE);
        }

        if (kind == EVENT_MOUSE) {
            x = mouse_x;
            y = mouse_y;
            dy = 0;
            if (y < FLOOR + RADIUS)
                y = FLOOR + RADIUS;
        }

        if (kind == EVENT_PERIODIC) {
            /* Remember where the ball was, newest first. */
            for (i = TRAIL - 1; i > 0; i--) {
                trail_x[i] = trail_x[i - 1];
                trail_y[i] = trail_y[i - 1];
            }
            trail_x[0] = x;
            trail_y[0] = y;

            /* Move: gravity slows the ball going up and speeds it up coming down. */
            x = x + dx;
            y = y + dy;
            dy = dy - 3;
            if (y - RADIUS <= FLOOR) {
                y = FLOOR + RADIUS;
                dy = BOUNCE;
            }
            if (x + RADIUS >= WALL || x - RADIUS <= -WALL) {
                dx = -dx;
                x = x + 2 * dx;
            }

            /* Draw everything again, back to front. */
            plako_rectangle(PLAKO_NAVY_BLUE, -297, 247, 297, FLOOR, 0);
            plako_rectangle(PLAKO_BROWN, -297, FLOOR, 297, -247, 0);
            plako_rectangle(PLAKO_GRAY_50, x - RADIUS, FLOOR - 2, x + RADIUS, FLOOR - 8, 0); /* shadow */
            for (i = TRAIL - 1; i >= 0; i--)
                plako_circle(PLAKO_DUSTY_PLUM, trail_x[i], trail_y[i], RADIUS * (TRAIL - i) / (TRAIL + 2));
            plako_circle(PLAKO_ORANGE, x, y, RADIUS);
            plako_circle(PLAKO_PEACH, x - 8, y + 8, 7); /* a shine */
            plako_text_format(PLAKO_CHALK, -280, 215, 16, "frame %d", frame);
            plako_text(PLAKO_WHITE, -280, -205, 14, "h: halt    f: one frame    a: animate\n"
                                                    "click: throw the ball from there");
            frame = frame + 1;
        }
    }

    plako_stop();
    return 0;
}
