// The inspector: a grid, the mouse's canvas coordinates and the drawing call under the mouse,
// drawn over the graphics window, never into the canvas.
#include "internal.h"

namespace {

struct InspectorState {
    int on;
    int mouse_x, mouse_y;  // client pixel
};
InspectorState state;

}  // namespace

void inspector_toggle(void) {
    state.on = !state.on;
    InvalidateRect(window_graphics(), NULL, FALSE);
}
int inspector_on(void) { return state.on; }
void inspector_mouse(int px, int py) {
    state.mouse_x = px;
    state.mouse_y = py;
}
void inspector_paint(HDC window_dc) { (void)window_dc; }
