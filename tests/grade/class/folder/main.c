/* A correct submission in a folder of three files: the events here, the drawing in scene.c. */
#include "plako.h"
#include "scene.h"

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
