// The scene: the whole picture after the intro, drawn again from nothing on every tick.
#include <windows.h>

#include "cone.h"
#include "plako.h"

namespace {

const int SUN_X = 225;
const int SUN_Y = 175;
const int RAY_PASSES = 10;
const int LABEL_PT = 10;
const int SCOOP_RADIUS = 37;

// Top edge of panel button r (0..7); each button is 15 units high.
int button_top(int r) { return 245 - 15 * r; }

// Baseline row of label r: the label's lower-left corner sits on its button's bottom edge.
int label_y(int r) { return 238 - LABEL_PT / 2 - 3 - 15 * r; }

// Colour of label r in the given mode: 50% gray marks a button that is not available.
int label_colour(int r, int mode, int scoop_count) {
    const int grey = PLAKO_GRAY_50;
    switch (r) {
        case 0:
            return scoop_count == SCOOP_MAX ? grey : PLAKO_FOREST_GREEN;
        case 1:
            return scoop_count == 1 ? grey : PLAKO_RED;
        case 2:
            return mode == MODE_SELECTED ? PLAKO_BLACK : grey;
        case 3:
            return mode == MODE_ADD ? PLAKO_BLACK : grey;
        case 4:
            return mode == MODE_SELECT ? grey : PLAKO_BLACK;
        case 5:
        case 6:
            return mode == MODE_SELECTED ? PLAKO_BLACK : grey;
        default:
            return PLAKO_BLACK;
    }
}

// One panel button's face, borders and outline (five calls), label not included.
void draw_button(int r) {
    const int top = button_top(r);
    const int bottom = top - 15;
    plako_rectangle(PLAKO_GRAY_20, -295, top, -205, bottom, 0);
    plako_rectangle(PLAKO_GRAY_50, -293, top - 2, -207, bottom + 2, 3);
    plako_line(PLAKO_WHITE, -293, top - 2, -207, top - 2, 3);
    plako_line(PLAKO_WHITE, -207, top - 2, -207, bottom + 2, 3);
    plako_rectangle(PLAKO_BLACK, -295, top, -205, bottom, 1);
}

// The four rays of one pass for frame f: the pair of the f mod 4 row, then that of the f mod 3 row.
void draw_ray_pass(int f) {
    switch (f % 4) {
        case 0:
            draw_ray(270 + 10 * (f % 6), 120 + f % 60);
            draw_ray(270 + 10 * (f % 6), 230 + f % 60);
            break;
        case 1:
            draw_ray(270 + 10 * (f % 6), 130 - f % 70);
            draw_ray(270 + 10 * (f % 7), 240 - f % 50);
            break;
        case 2:
            draw_ray(160, 130 - f % 50);
            draw_ray(180 - 10 * (f % 5), 240 - f % 60);
            break;
        default:
            draw_ray(180 - 10 * (f % 6), 120 + f % 60);
            draw_ray(180 - 10 * (f % 6), 230 + f % 60);
            break;
    }
    switch (f % 3) {
        case 0:
            draw_ray(240 - 10 * (f % 7), 130 - f % 70);
            draw_ray(240 - 10 * (f % 8), 240 - f % 50);
            break;
        case 1:
            draw_ray(240 + 10 * (f % 8), 120 - f % 60);
            draw_ray(240 + 10 * (f % 4), 230 - f % 70);
            break;
        default:
            draw_ray(210 - 10 * (f % 5), 120 - f % 50);
            draw_ray(210 - 10 * (f % 6), 230 - f % 60);
            break;
    }
}

}  // namespace

// Paints the whole canvas area white.
void clear_scene(void) { plako_rectangle(PLAKO_WHITE, -300, -250, 300, 250, 0); }

// Sky, ground, pyramid, road, flyers, sun and its rays for the given frame.
void draw_background(int frame) {
    plako_rectangle(PLAKO_ICE_BLUE, -300, 0, 300, 250, 0);
    plako_rectangle(PLAKO_GOLD, -300, 0, 300, -250, 0);
    plako_triangle(PLAKO_GOLD, -180, 0, -350, 0, -265, 100, 0);
    plako_triangle(PLAKO_BROWN, -265, -25, -350, 0, -265, 100, 0);
    plako_triangle(PLAKO_BLACK, -150, 0, -160, -250, 150, -250, 0);
    plako_triangle(PLAKO_YELLOW, -150, 0, -10, -250, -15, -250, 0);
    plako_triangle(PLAKO_YELLOW, -150, 0, 0, -250, 5, -250, 0);
    draw_flyers(frame);
    plako_circle(PLAKO_YELLOW, SUN_X, SUN_Y, 55 + frame % 10);
    // The same four rays, ten times over: the pass does not depend on its repetition.
    for (int pass = 0; pass < RAY_PASSES; pass++) draw_ray_pass(frame);
}

// The two white flyers, one unit further right per frame, back to the start every 400 frames.
void draw_flyers(int frame) {
    const int m = frame % 400;
    plako_triangle(PLAKO_WHITE, m - 300, 175, m - 360, 150, m - 270, 150, 0);
    plako_circle(PLAKO_WHITE, m - 290, 169, 15);
    plako_circle(PLAKO_WHITE, m - 310, 169, 15);
    plako_line(PLAKO_WHITE, m - 300, 150, m - 390, 150, 2);
    plako_triangle(PLAKO_WHITE, m - 160, 95, m - 220, 70, m - 130, 70, 0);
    plako_circle(PLAKO_WHITE, m - 150, 89, 15);
    plako_circle(PLAKO_WHITE, m - 170, 89, 15);
    plako_line(PLAKO_WHITE, m - 160, 70, m - 250, 70, 2);
}

// One sun ray from (x, y) to the sun's centre, over the sun.
void draw_ray(int x, int y) { plako_line(PLAKO_YELLOW, x, y, SUN_X, SUN_Y, 2); }

// The eight buttons, then their labels in the colours that show what the mode allows.
void draw_panel(int mode, int scoop_count) {
    for (int r = 0; r < 8; r++) draw_button(r);
    // Literal texts: each label is the format itself and holds no conversion.
    plako_text_format(label_colour(0, mode, scoop_count), -290, label_y(0), LABEL_PT, "Add Scoop");
    plako_text_format(label_colour(1, mode, scoop_count), -290, label_y(1), LABEL_PT, "Remove Scoop");
    plako_text_format(label_colour(2, mode, scoop_count), -290, label_y(2), LABEL_PT, "Add Topping");
    plako_text_format(label_colour(3, mode, scoop_count), -290, label_y(3), LABEL_PT, "Move Topping");
    plako_text_format(label_colour(4, mode, scoop_count), -290, label_y(4), LABEL_PT, "Select Topping");
    plako_text_format(label_colour(5, mode, scoop_count), -290, label_y(5), LABEL_PT, "Change Topping");
    plako_text_format(label_colour(6, mode, scoop_count), -290, label_y(6), LABEL_PT, "Change Color");
    plako_text_format(label_colour(7, mode, scoop_count), -290, label_y(7), LABEL_PT, "Quit");
}

// The line that says what a click on the cone will do.
void draw_status(int mode) {
    switch (mode) {
        case MODE_ADD:
            plako_text_format(PLAKO_BLUE, -150, -175, 18, "Click on the cone to add a topping");
            break;
        case MODE_SELECT:
            plako_text_format(PLAKO_ORANGE, -150, -175, 18, "Select the topping to be changed.");
            break;
        case MODE_SELECTED:
            plako_text_format(PLAKO_RED, -150, -175, 11,
                              "Topping selected. Click cone to move it, or a button to alter it.");
            break;
        default:
            break;  // the mode is always one of the three
    }
}

// The present scoops, top one first, so each lower scoop overlaps the one above it.
void draw_scoops(int scoop_count) {
    if (scoop_count >= 5) plako_circle(PLAKO_DUSTY_PLUM, 0, 173, SCOOP_RADIUS);
    if (scoop_count >= 4) plako_circle(PLAKO_PINK, 0, 136, SCOOP_RADIUS);
    if (scoop_count >= 3) plako_circle(PLAKO_GREEN, 0, 99, SCOOP_RADIUS);
    if (scoop_count >= 2) plako_circle(PLAKO_MAGENTA, 0, 62, SCOOP_RADIUS);
    plako_circle(PLAKO_WHITE, 0, 25, SCOOP_RADIUS);
}

// The cone, then the drip trail: at most the 20 newest dots, its head one dot further every 10 frames.
void draw_cone(int frame) {
    plako_triangle(PLAKO_BROWN, 0, -135, -40, 25, 40, 25, 0);
    // 64 bits so that no frame value can overflow the subtraction; for frame >= 151, n is 0..39.
    const int n = (int)(((long long)frame - 66) % 400 / 10);
    for (int i = 0; i <= n; i++) {
        if (n - i >= 20) continue;
        plako_circle(PLAKO_WHITE, i - 38, 24 - 4 * i, 3);
    }
}

// Every topping that lies on a present scoop, in index order so later ones lie on top.
void draw_toppings(const int x[], const int y[], const int kind[], const int colour[], int topping_count,
                   int scoop_count) {
    const int count = topping_count < 0 ? 0 : topping_count > TOPPING_MAX ? TOPPING_MAX : topping_count;
    for (int i = 0; i < count; i++) {
        if (!on_scoops(x[i], y[i], scoop_count)) continue;
        switch (kind[i]) {
            case TOPPING_TRIANGLE:
                draw_topping_triangle(x[i], y[i]);
                break;
            case TOPPING_DISC:
                draw_topping_disc(x[i], y[i], colour[i]);
                break;
            case TOPPING_BAR:
                draw_topping_bar(x[i], y[i], colour[i]);
                break;
            default:
                break;  // kinds only ever cycle through the three
        }
    }
}

// A brown triangle around (x, y), whatever the topping's colour; (x, y) lies on a scoop.
void draw_topping_triangle(int x, int y) {
    plako_triangle(PLAKO_BROWN, x - 7, y - 7, x + 7, y - 7, x, y + 7, 0);
}

// A disc of radius 8 centred on (x, y) with a small white "m" on it; (x, y) lies on a scoop.
void draw_topping_disc(int x, int y, int colour) {
    plako_circle(colour, x, y, 8);
    plako_text_format(PLAKO_WHITE, x - 2, y - 2, 9, "m");
}

// A bar 10 wide and 3 high with its lower-left corner at (x, y); (x, y) lies on a scoop.
void draw_topping_bar(int x, int y, int colour) { plako_rectangle(colour, x, y, x + 10, y + 3, 0); }
