// The cone decorator's entry point: start the package, then dispatch events until quit.
#include <windows.h>

#include "cone.h"
#include "plako.h"

namespace {

// The state every run starts from: one scoop, adding toppings, nothing placed, frame 0.
void init_state(ConeState &s) {
    s = ConeState{};
    s.scoop_count = 1;
    s.mode = MODE_ADD;
}

// One tick's picture: the intro for frames 0..150, the full scene from 151 on.
void draw_frame(const ConeState &s) {
    clear_scene();
    if (s.frame <= LAST_INTRO_FRAME) {
        draw_intro(s.frame);
        return;
    }
    draw_background(s.frame);
    draw_panel(s.mode, s.scoop_count);
    draw_status(s.mode);
    draw_scoops(s.scoop_count);
    draw_cone(s.frame);
    draw_toppings(s.topping_x, s.topping_y, s.topping_kind, s.topping_colour, s.topping_count, s.scoop_count);
}

// A click goes to the panel when it lies there, else to the ice cream; the same during the intro.
void handle_click(ConeState &s, int x, int y) {
    if (panel_hit(x, y)) {
        panel_press(x, y, s.scoop_count, s.topping_colour, s.topping_kind, s.topping_count, s.mode,
                    s.selected_topping, s.quit);
    } else {
        cone_click(x, y, s.scoop_count, s.topping_count, s.topping_colour, s.topping_kind, s.topping_x,
                   s.topping_y, s.mode, s.selected_topping, s.colour_cycle);
    }
}

}  // namespace

// frame + 1; at INT_MAX, whole animation periods back instead, so no picture jumps.
int next_frame(int frame) {
    if (frame < 0x7fffffff) return frame + 1;
    // Years of ticks later: step back whole periods, which keeps every animation's phase.
    return frame - FRAME_PERIOD * (0x7fffffff / FRAME_PERIOD - 1) + 1;
}

// Runs the cone decorator; returns 0 once the Quit button, the Quit command or the close box ended it.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode) {
    ConeState s;
    init_state(s);
    plako_start(instance, prev_instance, cmd_line, show_mode);
    plako_show_console(0);
    plako_set_logging(0);
    plako_erase();
    plako_set_run_mode(RUN_ANIMATE);

    int x = 0, y = 0;
    char key = 0;  // typed characters change nothing
    while (!s.quit) {
        switch (plako_next_event(&x, &y, &key)) {
            case EVENT_MOUSE:
                handle_click(s, x, y);
                break;
            case EVENT_PERIODIC:
                draw_frame(s);
                s.frame = next_frame(s.frame);
                break;
            case EVENT_QUIT:
                s.quit = 1;
                break;
            default:
                break;  // keyboard and anything else: nothing
        }
    }
    plako_stop();
    return 0;
}
