/* shapes.c: what each drawing call's coordinates mean. Every shape is drawn with the call shown
 * under it, and the points it was given are marked with small red crosses: a circle's centre,
 * a rectangle's two corners (both inclusive), a triangle's and a line's points, and the anchor of
 * a text, whose first line's cell ends just above it. Draws on every tick; renders docs/shapes.png.
 * Calls: plako_start, plako_erase, plako_circle, plako_rectangle, plako_triangle, plako_line,
 * plako_text, plako_text_format, plako_next_event. */
#include <windows.h>

#include "plako.h"

#define CAPTION 10 /* point size of the captions */

/* A red cross whose arms leave the point itself uncovered, so the shape's pixel shows. */
static void mark(int x, int y) {
    plako_line(PLAKO_RED, x - 5, y, x - 1, y, 1);
    plako_line(PLAKO_RED, x + 2, y, x + 6, y, 1);
    plako_line(PLAKO_RED, x, y + 5, x, y + 1, 1);
    plako_line(PLAKO_RED, x, y - 2, x, y - 6, 1);
}

static void caption(int x, int y, const char *text) { plako_text(PLAKO_BLACK, x, y, CAPTION, text); }

static void draw_picture(void) {
    plako_erase();
    /* Panels of about 198 by 247 pixels: three across, two down. */
    plako_line(PLAKO_GRAY_20, -99, 247, -99, -247, 1);
    plako_line(PLAKO_GRAY_20, 99, 247, 99, -247, 1);
    plako_line(PLAKO_GRAY_20, -297, 0, 297, 0, 1);

    plako_circle(PLAKO_SEA_GREEN, -198, 140, 60);
    plako_line(PLAKO_BLACK, -198, 140, -138, 140, 1);
    mark(-198, 140);
    caption(-285, 50, "plako_circle(PLAKO_SEA_GREEN,\n    -198, 140, 60)\nalways filled; radius 60 spans\n-258..-138, 121 pixels across");

    plako_rectangle(PLAKO_GOLD, -60, 200, 60, 90, 0);
    mark(-60, 200);
    mark(60, 90);
    caption(-90, 50, "plako_rectangle(PLAKO_GOLD,\n    -60, 200, 60, 90, 0)\nwidth 0: filled; both corners\nare inside: 121 by 111 pixels");

    plako_rectangle(PLAKO_NAVY_BLUE, 140, 200, 250, 90, 8);
    mark(140, 200);
    mark(250, 90);
    caption(108, 50, "plako_rectangle(PLAKO_NAVY_BLUE,\n    140, 200, 250, 90, 8)\nwidth 8: the pen is centred on\nthe edge; the inside is untouched");

    plako_triangle(PLAKO_ORANGE, -270, -150, -130, -150, -200, -40, 0);
    plako_triangle(PLAKO_PURPLE, -250, -165, -150, -165, -200, -100, 3);
    mark(-270, -150);
    mark(-130, -150);
    mark(-200, -40);
    caption(-285, -195, "plako_triangle(PLAKO_ORANGE, ..., 0)\nfilled; plako_triangle(PLAKO_PURPLE,\n    ..., 3) an outline 3 wide");

    plako_line(PLAKO_BLUE, -70, -40, 70, -90, 1);
    plako_line(PLAKO_MAGENTA, -70, -100, 70, -150, 7);
    mark(-70, -40);
    mark(70, -90);
    mark(-70, -100);
    mark(70, -150);
    caption(-90, -195, "plako_line(PLAKO_BLUE,\n    -70, -40, 70, -90, 1)\nplako_line(PLAKO_MAGENTA,\n    -70, -100, 70, -150, 7)");

    plako_line(PLAKO_GRAY_20, 110, -100, 290, -100, 1);
    plako_text(PLAKO_FOREST_GREEN, 130, -100, 24, "Text at\n(130, -100)");
    mark(130, -100);
    caption(108, -195, "plako_text(PLAKO_FOREST_GREEN,\n    130, -100, 24, \"Text at\\n...\")\nthe first line's cell ends just above\nthe anchor row; more lines go below");
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode) {
    int x, y;
    char key;
    plako_start(instance, prev_instance, cmd_line, show_mode);
    plako_show_console(0);
    plako_set_logging(0);
    plako_set_run_mode(RUN_ANIMATE);
    for (;;) {
        int kind = plako_next_event(&x, &y, &key);
        if (kind == EVENT_QUIT) break;
        if (kind == EVENT_PERIODIC) draw_picture();
    }
    plako_stop();
    return 0;
}
