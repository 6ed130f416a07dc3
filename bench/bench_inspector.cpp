// The inspector's cost per mouse move over the cone decorator's scene: the hit test (which kept
// calls paint the pixel under the mouse) and the whole overlay painted over a copy of the canvas.
// The decorator clears with a white rectangle, not an erase, so its scene grows frame by frame up to
// the scene's bound: one frame's calls and a full scene are both measured. Counters: hit_us and
// move_us, microseconds per move (averaged over moves across the whole client area).
#include <benchmark/benchmark.h>
#include <headless.h>

#include <time.h>

#include "cone.h"
#include "internal.h"
#include "plako.h"

namespace {

ConeState scene;

// Five scoops and 50 toppings of all three kinds spread over them, as clicks would leave them.
void build_scene() {
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

void draw_scene_frame() {
    const ConeState &s = scene;
    clear_scene();
    draw_background(s.frame);
    draw_panel(s.mode, s.scoop_count);
    draw_status(s.mode);
    draw_scoops(s.scoop_count);
    draw_cone(s.frame);
    draw_toppings(s.topping_x, s.topping_y, s.topping_kind, s.topping_colour, s.topping_count, s.scoop_count);
}

double cpu_seconds() {
    timespec ts = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return (double)ts.tv_sec + 1e-9 * (double)ts.tv_nsec;
}

// The scene after `frames` frames since an erase.
void scene_of(int frames) {
    plako_erase();
    for (int i = 0; i < frames; i++) draw_scene_frame();
}

// The pixel of move i: a walk over the client area that never repeats a pixel, so the cache
// never answers.
void pixel_of(long i, int *px, int *py) {
    *px = (int)((i * 37) % 595);
    *py = (int)((i * 53 / 595 * 7 + i * 11) % 495);
}

void measure(benchmark::State &state, int frames) {
    scene_of(frames);
    HDC window = GetDC(window_graphics());
    int found[SCENE_MAX_CALLS];
    double hit = 0, move = 0;
    long i = 0;
    if (!inspector_on()) inspector_toggle();
    for (auto _ : state) {
        int px, py;
        pixel_of(i++, &px, &py);
        double t0 = cpu_seconds();
        benchmark::DoNotOptimize(scene_calls_at(px, py, found, 4));
        double t1 = cpu_seconds();
        inspector_mouse(px, py);
        inspector_paint(window);
        double t2 = cpu_seconds();
        hit += t1 - t0;
        move += t2 - t1;
    }
    ReleaseDC(window_graphics(), window);
    state.counters["calls"] = scene_count();
    state.counters["hit_us"] = benchmark::Counter(hit * 1e6, benchmark::Counter::kAvgIterations);
    state.counters["move_us"] = benchmark::Counter(move * 1e6, benchmark::Counter::kAvgIterations);
}

void BM_MoveOneFrame(benchmark::State &state) { measure(state, 1); }
BENCHMARK(BM_MoveOneFrame);

// The scene as it stands after the decorator ran long enough to fill the scene's bound.
void BM_MoveFullScene(benchmark::State &state) { measure(state, 200); }
BENCHMARK(BM_MoveFullScene);

}  // namespace

int main(int argc, char **argv) {
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
