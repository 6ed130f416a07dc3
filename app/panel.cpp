// The button panel: which clicks belong to it and what each of its eight buttons does.
#include <windows.h>

#include "cone.h"
#include "plako.h"

// 1 when (x, y) lies strictly inside the panel's outline, else 0.
int panel_hit(int x, int y) { return (x > -295 && x < -205 && y > 125 && y < 245) ? 1 : 0; }

// Runs the command of the button row under y; x is not looked at. Only the selected topping's
// kind and colour, the scoop count, the mode and quit change.
void panel_press(int x, int y, int &scoop_count, int colour[], int kind[], int &topping_count, int &mode,
                 int &selected_topping, int &quit) {
    (void)x;
    (void)topping_count;  // lent by the loop with the toppings; no command changes or needs it
    // The caller asks panel_hit first; a y off the column would truncate into row 0 or overflow.
    if (y <= 125 || y >= 245) return;
    const int row = (245 - y) / 15;
    // The selected entry is always an index of the arrays; guard it all the same before writing.
    const int sel = selected_topping;
    const bool sel_ok = sel >= 0 && sel < TOPPING_MAX;
    switch (row) {
        case 0:
            if (scoop_count < SCOOP_MAX) scoop_count++;
            break;
        case 1:
            if (scoop_count > 1) scoop_count--;
            break;
        case 2:
            mode = MODE_ADD;
            break;
        case 3:
            mode = MODE_SELECTED;
            break;  // clicks now move the topping selected_topping names
        case 4:
            mode = MODE_SELECT;
            break;
        case 5:
            if (mode == MODE_SELECTED && sel_ok)
                kind[sel] = kind[sel] == TOPPING_BAR ? TOPPING_TRIANGLE : kind[sel] + 1;
            break;
        case 6:
            // Remainder of a non-negative value: a stored colour is always 0..23.
            if (sel_ok) colour[sel] = (int)(((long long)colour[sel] + 1) % PLAKO_COLOUR_COUNT);
            break;
        case 7:
            quit = 1;
            break;
        default:
            break;  // y in 126..244 gives rows 0..7 only
    }
}
