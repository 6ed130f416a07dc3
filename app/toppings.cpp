// The ice cream's geometry and what a click on it does: add, pick or move a topping.
#include <windows.h>

#include "cone.h"
#include "plako.h"

namespace {

const long long SCOOP_R2 = 37 * 37;

// 1 when (x, y) is strictly closer than 37 to the scoop centre (0, c). Far points are rejected
// before squaring so that no int32 input can overflow the sum.
int in_scoop(long long x, long long y, long long c) {
    const long long dy = y - c;
    if (x <= -37 || x >= 37 || dy <= -37 || dy >= 37) return 0;
    return x * x + dy * dy < SCOOP_R2 ? 1 : 0;
}

// 1 when a click at (x, y) lies in the pick shape of a topping of kind k at (tx, ty).
int picks(int k, long long tx, long long ty, long long x, long long y) {
    switch (k) {
        case TOPPING_TRIANGLE:
            // Two boxes that approximate the drawn triangle: its wide lower half and its narrow tip.
            return ((tx - 4 <= x && x <= tx + 4 && ty - 7 <= y && y <= ty) ||
                    (tx - 3 <= x && x <= tx + 3 && ty <= y && y <= ty + 5))
                       ? 1
                       : 0;
        case TOPPING_DISC: {
            const long long dx = tx - x, dy = ty - y;
            if (dx <= -8 || dx >= 8 || dy <= -8 || dy >= 8) return 0;
            return dx * dx + dy * dy < 64 ? 1 : 0;  // the drawn disc without its rim
        }
        case TOPPING_BAR:
            return (tx <= x && x <= tx + 10 && ty <= y && y <= ty + 3) ? 1 : 0;
        default:
            return 0;
    }
}

}  // namespace

// 1 if (x, y) lies on one of the scoops 1..scoop_count, else 0. The first scoop counts only above
// y = 25: its lower half is behind the cone.
int on_scoops(int x, int y, int scoop_count) {
    if (y > 25 && in_scoop(x, y, 25)) return 1;
    for (int k = 2; k <= scoop_count && k <= SCOOP_MAX; k++)
        if (in_scoop(x, y, 25 + 37 * (k - 1))) return 1;
    return 0;
}

// Colour index of the topping added when colour_cycle toppings came before it: the Palette from
// red on, 24 to a round; the two places past 20% gray take black and purple, both visible on
// every scoop (white, the rule's wrap-around, would vanish on the white scoop).
int topping_colour_for(int colour_cycle) {
    const int c = colour_cycle % 24;
    if (c == 22) return PLAKO_BLACK;
    if (c == 23) return PLAKO_PURPLE;
    return c < 0 ? PLAKO_RED : c + 2;
}

// Handles a click outside the panel according to mode: adds a topping on a scoop, picks the topmost
// topping under the click, or moves the selected topping onto a scoop. Draws and prints nothing.
void cone_click(int x, int y, int scoop_count, int &topping_count, int colour[], int kind[], int tx[],
                int ty[], int &mode, int &selected_topping, int &colour_cycle) {
    switch (mode) {
        case MODE_ADD: {
            if (topping_count < 0 || topping_count >= TOPPING_MAX) return;  // full: nothing, no message
            if (!on_scoops(x, y, scoop_count)) return;
            const int i = topping_count;
            tx[i] = x;
            ty[i] = y;
            kind[i] = TOPPING_DISC;
            colour[i] = topping_colour_for(colour_cycle);
            selected_topping = i;
            topping_count++;
            colour_cycle++;
            return;
        }
        case MODE_SELECTED:
            if (selected_topping < 0 || selected_topping >= TOPPING_MAX) return;
            if (!on_scoops(x, y, scoop_count)) return;
            tx[selected_topping] = x;
            ty[selected_topping] = y;
            return;
        case MODE_SELECT: {
            // No early stop: the last hit is the topping drawn on top.
            const int count = topping_count < TOPPING_MAX ? topping_count : TOPPING_MAX;
            for (int i = 0; i < count; i++) {
                if (!picks(kind[i], tx[i], ty[i], x, y)) continue;
                selected_topping = i;
                mode = MODE_SELECTED;
            }
            return;
        }
        default:
            return;
    }
}
