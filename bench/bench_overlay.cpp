// The inspector's cost per mouse move over the cone decorator's scene: the hit test (which kept
// calls paint the pixel under the mouse) and the whole overlay painted over a copy of the canvas.
// One frame's calls, and the scene's bound filled by a program that never erases (10,000 small
// circles), are both measured. Counters: hit_us and move_us, microseconds per move (averaged over
// moves across the whole client area).
#include <benchmark/benchmark.h>
#include <headless.h>

#include <time.h>

#include "cone_scene.h"
#include "internal.h"
#include "plako.h"

namespace {

using bench::build_scene;
using bench::draw_scene_frame;

double cpu_seconds() {
    timespec ts = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return (double)ts.tv_sec + 1e-9 * (double)ts.tv_nsec;
}

// One frame of the scene, or (frames 0) the scene's bound filled with small circles over the area.
void scene_of(int frames) {
    plako_erase();
    for (int i = 0; i < frames; i++) draw_scene_frame();
    for (int i = 0; frames == 0 && i < SCENE_MAX_CALLS; i++)
        plako_circle(i % PLAKO_COLOUR_COUNT, (i * 37) % 595 - 297, (i * 53) % 495 - 247, 6);
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

// A program that draws and never erases, at the scene's bound.
void BM_MoveFullScene(benchmark::State &state) { measure(state, 0); }
BENCHMARK(BM_MoveFullScene);

}  // namespace

int main(int argc, char **argv) { return bench::run_on_the_scene(argc, argv); }
