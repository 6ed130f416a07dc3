/* Floods the console on the first click, with markup in every line. */
#include "plako.h"

#define MAX_FLAKES 64

static int flake_x[MAX_FLAKES], flake_y[MAX_FLAKES], flakes;

static void draw_scene(int frame) {
    int i;
    plako_erase();
    plako_rectangle(PLAKO_BLUE, -297, 229, 297, -150, 0);
    plako_rectangle(PLAKO_GREEN, -297, -151, 297, -247, 0);
    plako_circle(PLAKO_WHITE, 0, -100, 60);
    plako_circle(PLAKO_WHITE, 0, 0, 45);
    plako_circle(PLAKO_WHITE, 0, 75, 32);
    plako_rectangle(PLAKO_BLACK, -25, 105, 25, 100, 0);
    plako_rectangle(PLAKO_BLACK, -15, 140, 15, 105, 0);
    plako_triangle(PLAKO_RED, 0, 75, 25, 70, 0, 68, 0);
    for (i = 0; i < flakes; i++) plako_circle(PLAKO_WHITE, flake_x[i], flake_y[i], 4);
    plako_text_format(PLAKO_BLACK, -290, 231, 12, "frame %d", frame);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode) {
    int x = 0, y = 0, kind, frame = 0, i;
    char key = 0;
    plako_start(instance, prev_instance, cmd_line, show_mode);
    plako_show_console(0);
    plako_set_logging(0);
    plako_set_run_mode(RUN_ANIMATE);
    draw_scene(frame);
    while ((kind = plako_next_event(&x, &y, &key)) != EVENT_QUIT) {
        if (kind == EVENT_MOUSE && flakes < MAX_FLAKES) {
            for (;;) plako_console_printf("<script>alert('flood')</script> & \"more\" %d\n", flakes);
            flake_x[flakes] = x;
            flake_y[flakes] = y;
            flakes++;
            plako_console_printf("snowflake at (%d, %d)\n", x, y);
        } else if (kind == EVENT_PERIODIC) {
            for (i = 0; i < flakes; i++) flake_y[i] -= 5;
            draw_scene(frame++);
        }
    }
    plako_stop();
    return 0;
}
