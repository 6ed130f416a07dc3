// The intro: the animated background with a title card that grows, settles and shows its credits.
#include <windows.h>

#include "cone.h"
#include "plako.h"

// Background of the frame, then the title card; frame is 0..150.
void draw_intro(int frame) {
    draw_background(frame);
    draw_title_card(frame);
}

// The title card of frame a (0..150): growing from (-150, 0) until frame 59, settled from frame 60,
// with its border and three credit lines from frame 61. Each step tests a by itself.
void draw_title_card(int a) {
    // At a = 60 the growing corners would be exactly the settled card's (-30, -30) and (90, -120).
    if (a < 60) {
        plako_rectangle(a % 24, 2 * a - 150, -a / 2, 4 * a - 150, -2 * a, 0);
    } else {
        plako_rectangle(PLAKO_GRAY_20, -30, -30, 90, -120, 0);
    }
    if (a > 20 && a < 60) plako_rectangle(PLAKO_GRAY_50, 2 * a - 150, -a / 2, 4 * a - 150, -2 * a, a / 20);
    if (a > 60) {
        const int colour = a % 3;  // black, white, red in turn, a new one every frame
        plako_rectangle(PLAKO_GRAY_50, -30, -30, 90, -120, 3);
        // Both free lines are short enough at 12 points to end left of the card's edge at x = 90.
        plako_text_format(colour, -15, -50, 12, "by PLAKO Labs");
        plako_text_format(colour, 15, -75, 12, "HW 4");
        plako_text_format(colour, -10, -110, 12, "plako.example");
    }
}
