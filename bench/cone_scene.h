// The cone decorator's busiest scene for the benchmarks: frame 300, five scoops and 50 toppings.
#pragma once

#include <benchmark/benchmark.h>
#include <headless.h>

#include "cone.h"
#include "plako.h"

namespace bench {

inline ConeState scene;

// Five scoops and 50 toppings of all three kinds spread over them, as clicks would leave them.
inline void build_scene() {
    scene = ConeState{};
    scene.scoop_count = SCOOP_MAX;
    scene.mode = MODE_ADD;
    scene.frame = 300;
    for (int i = 0; i < TOPPING_MAX; i++) {
        const int x = -28 + (i % 8) * 8, y = 30 + (i / 8) * 27;  // all on the scoops
        cone_click(x, y, scene.scoop_count, scene.topping_count, scene.topping_colour, scene.topping_kind,
                   scene.topping_x, scene.topping_y, scene.mode, scene.selected_topping, scene.colour_cycle);
        scene.topping_kind[scene.topping_count - 1] = i % 3;
    }
}

// One whole frame of it, drawn through the package as the program draws it.
inline void draw_scene_frame() {
    const ConeState &s = scene;
    clear_scene();
    draw_background(s.frame);
    draw_panel(s.mode, s.scoop_count);
    draw_status(s.mode);
    draw_scoops(s.scoop_count);
    draw_cone(s.frame);
    draw_toppings(s.topping_x, s.topping_y, s.topping_kind, s.topping_colour, s.topping_count, s.scoop_count);
}

// A benchmark program's main: the package started on the headless host with the scene built, then
// the benchmarks the command line asks for.
inline int run_on_the_scene(int argc, char **argv) {
    headless_select();
    char cmd[] = "";
    plako_start(nullptr, nullptr, cmd, SW_SHOWNORMAL);
    plako_set_logging(0);
    build_scene();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    plako_stop();
    return 0;
}

}  // namespace bench
