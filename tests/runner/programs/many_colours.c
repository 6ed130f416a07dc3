/* A program for the runner's --gif: large text in every palette colour, overlapping, so that the
 * smoothed edges of its letters make more colours than a GIF image holds; each tick turns the
 * colours one step. */
#include "plako.h"

static void draw(int turn) {
    int i;
    plako_erase();
    for (i = 0; i < 24; i++) plako_text((i + turn) % 24, -280 + (i % 6) * 90, 200 - (i / 6) * 110, 90, "Wg");
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode) {
    int x = 0, y = 0, turn = 0;
    char key = 0;
    int kind;

    plako_start(instance, prev_instance, cmd_line, show_mode);
    plako_set_logging(0);
    draw(0);
    while ((kind = plako_next_event(&x, &y, &key)) != EVENT_QUIT)
        if (kind == EVENT_PERIODIC) draw(++turn);
    plako_stop();
    return 0;
}
