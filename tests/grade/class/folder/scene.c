/* The drawing, in a file of its own. */
#include "scene.h"
#include "plako.h"

int flake_x[MAX_FLAKES], flake_y[MAX_FLAKES], flakes;

void draw_scene(int frame) {
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
