// Correct but written differently: C++, the flakes in a vector, the scene drawn by a table of
// shapes, the frame counter in red (inside the ignored strip, so it does not count).
#include <vector>

#include "plako.h"

namespace {

struct Flake {
    int x, y;
};

struct Ball {
    int y, radius;
};

const Ball BODY[] = {{-100, 60}, {0, 45}, {75, 32}};

void draw(const std::vector<Flake> &flakes, int frame) {
    plako_erase();
    plako_rectangle(PLAKO_BLUE, 297, -150, -297, 229, 0);
    plako_rectangle(PLAKO_GREEN, 297, -247, -297, -151, 0);
    for (const Ball &b : BODY) plako_circle(PLAKO_WHITE, 0, b.y, b.radius);
    plako_rectangle(PLAKO_BLACK, 25, 100, -25, 105, 0);
    plako_rectangle(PLAKO_BLACK, 15, 105, -15, 140, 0);
    plako_triangle(PLAKO_RED, 25, 70, 0, 68, 0, 75, 0);
    for (const Flake &f : flakes) plako_circle(PLAKO_WHITE, f.x, f.y, 4);
    plako_text_format(PLAKO_RED, -290, 231, 12, "tick %d", frame);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode) {
    plako_start(instance, prev_instance, cmd_line, show_mode);
    plako_show_console(0);
    plako_set_logging(0);
    plako_set_run_mode(RUN_ANIMATE);
    std::vector<Flake> flakes;
    int frame = 0;
    draw(flakes, frame);
    for (;;) {
        int x = 0, y = 0;
        char key = 0;
        int kind = plako_next_event(&x, &y, &key);
        if (kind == EVENT_QUIT) break;
        if (kind == EVENT_MOUSE) {
            flakes.push_back({x, y});
            plako_console_printf("snowflake at (%d, %d)\n", x, y);
        }
        if (kind == EVENT_PERIODIC) {
            for (Flake &f : flakes) f.y -= 5;
            draw(flakes, frame++);
        }
    }
    plako_stop();
    return 0;
}
