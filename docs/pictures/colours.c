/* colours.c: the 24 colours of the palette, each as a swatch with its index, its name as the
 * console writes it, its macro and its RGB value. Draws on every tick; renders docs/colours.png.
 * Calls: plako_start, plako_erase, plako_rectangle, plako_text_format, plako_next_event. */
#include <windows.h>

#include "plako.h"

struct swatch {
    const char *name;  /* as log lines name the colour */
    const char *macro;
    int r, g, b;
};

static const struct swatch swatches[PLAKO_COLOUR_COUNT] = {
    {"black", "PLAKO_BLACK", 0, 0, 0},
    {"white", "PLAKO_WHITE", 255, 255, 255},
    {"red", "PLAKO_RED", 255, 0, 0},
    {"green", "PLAKO_GREEN", 0, 255, 0},
    {"blue", "PLAKO_BLUE", 0, 0, 255},
    {"yellow", "PLAKO_YELLOW", 255, 255, 0},
    {"magenta", "PLAKO_MAGENTA", 255, 0, 255},
    {"cyan", "PLAKO_CYAN", 0, 255, 255},
    {"purple", "PLAKO_PURPLE", 153, 0, 204},
    {"navy blue", "PLAKO_NAVY_BLUE", 0, 51, 153},
    {"dusty plum", "PLAKO_DUSTY_PLUM", 153, 102, 153},
    {"ice blue", "PLAKO_ICE_BLUE", 153, 255, 255},
    {"turquoise", "PLAKO_TURQUOISE", 153, 255, 204},
    {"orange", "PLAKO_ORANGE", 255, 102, 0},
    {"brown", "PLAKO_BROWN", 153, 102, 51},
    {"pink", "PLAKO_PINK", 255, 153, 204},
    {"chalk", "PLAKO_CHALK", 255, 255, 153},
    {"gold", "PLAKO_GOLD", 204, 153, 51},
    {"peach", "PLAKO_PEACH", 255, 153, 102},
    {"forest green", "PLAKO_FOREST_GREEN", 0, 102, 51},
    {"sea green", "PLAKO_SEA_GREEN", 51, 204, 153},
    {"olive", "PLAKO_OLIVE", 153, 153, 51},
    {"50% gray", "PLAKO_GRAY_50", 128, 128, 128},
    {"20% gray", "PLAKO_GRAY_20", 204, 204, 204},
};

#define COLUMNS 3
#define CELL_WIDTH 197 /* three columns across the visible x -297..297 */
#define CELL_HEIGHT 61 /* eight rows down the visible y 247..-247 */
#define SIZE 44        /* a swatch is SIZE by SIZE pixels */
#define TEXT_SIZE 12   /* its three text lines take 3 * 14 pixels */

/* One cell: the swatch with a black edge (white is white), then three lines beside it. */
static void draw_swatch(int index) {
    const struct swatch *s = &swatches[index];
    int left = -293 + (index % COLUMNS) * CELL_WIDTH;
    int top = 244 - (index / COLUMNS) * CELL_HEIGHT;
    plako_rectangle(index, left, top, left + SIZE - 1, top - SIZE + 1, 0);
    plako_rectangle(PLAKO_BLACK, left, top, left + SIZE - 1, top - SIZE + 1, 1);
    /* Text hangs above its anchor: the first line's cell ends just above row top - 14. */
    plako_text_format(PLAKO_BLACK, left + SIZE + 8, top - 14, TEXT_SIZE, "%d  %s\n%s\n%d, %d, %d", index,
                      s->name, s->macro, s->r, s->g, s->b);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode) {
    int x, y, i;
    char key;
    plako_start(instance, prev_instance, cmd_line, show_mode);
    plako_show_console(0);
    plako_set_logging(0);
    plako_set_run_mode(RUN_ANIMATE);
    for (;;) {
        int kind = plako_next_event(&x, &y, &key);
        if (kind == EVENT_QUIT) break;
        if (kind != EVENT_PERIODIC) continue;
        plako_erase();
        for (i = 0; i < PLAKO_COLOUR_COUNT; i++) draw_swatch(i);
    }
    plako_stop();
    return 0;
}
