// One full scene frame of the cone decorator (frame 300, five scoops, 50 toppings) drawn through the
// package on the headless host, against the floor of any frame: filling the 601 by 540 canvas three times.
#include <benchmark/benchmark.h>
#include <headless.h>

#include <chrono>

#include "cone_scene.h"
#include "plako.h"
#include "replay.h"

namespace {

using bench::build_scene;
using bench::draw_scene_frame;

void erase_three_times() {
    plako_erase();
    plako_erase();
    plako_erase();
}

double seconds_of(void (*fn)()) {
    const auto start = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_SceneFrame(benchmark::State &state) {
    for (auto _ : state) draw_scene_frame();
}
BENCHMARK(BM_SceneFrame);

void BM_EraseThreeTimes(benchmark::State &state) {
    for (auto _ : state) erase_three_times();
}
BENCHMARK(BM_EraseThreeTimes);

// Both in one loop, alternating, so that the ratio compares like with like on a busy machine.
void BM_SceneOverFloor(benchmark::State &state) {
    double frame = 0, floor = 0;
    for (auto _ : state) {
        frame += seconds_of(draw_scene_frame);
        floor += seconds_of(erase_three_times);
    }
    state.counters["frame_over_floor"] = floor > 0 ? frame / floor : 0;
    state.counters["frame_us"] = benchmark::Counter(frame * 1e6, benchmark::Counter::kAvgIterations);
    state.counters["floor_us"] = benchmark::Counter(floor * 1e6, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SceneOverFloor);

// The description of the canvas after frames scene frames drawn since an erase. Each one begins by
// painting the whole client area white, where the scene starts again, so 30 frames keep only the
// last frame's calls: the cost stays that of one frame.
void BM_Describe(benchmark::State &state) {
    plako_erase();
    for (long i = 0; i < state.range(0); i++) draw_scene_frame();
    static char text[1 << 16];
    size_t n = 0;
    for (auto _ : state) n = replay_describe(text, sizeof text);
    state.counters["bytes"] = (double)n;
}
BENCHMARK(BM_Describe)->Arg(1)->Arg(30)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char **argv) { return bench::run_on_the_scene(argc, argv); }
