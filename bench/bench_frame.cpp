// One frame of the cone decorator's weight drawn through the package on the headless host, against
// the floor of filling the canvas three times. The counter frame_vs_erase3 is the ratio of the two
// in one run (goal: under 3); frame_vs_fill3 compares with three plain memory fills of the bitmap.
#include <benchmark/benchmark.h>
#include <headless.h>

#include <time.h>

#include <cstdint>
#include <vector>

#include "internal.h"

namespace {

// The thread's processor time in seconds: on a loaded machine the ratio stays meaningful.
double cpu_seconds() {
    timespec ts = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return (double)ts.tv_sec + 1e-9 * (double)ts.tv_nsec;
}

void start_once() {
    static bool started = false;
    if (started) return;
    started = true;
    headless_select();
    char cmd_line[] = "";
    plako_start(nullptr, nullptr, cmd_line, SW_SHOWNORMAL);
    plako_show_console(0);
    plako_set_logging(0);
    plako_erase();
}

// A frame like the scene's: clear, sky and ground, lines, triangles, circles, buttons and short texts.
// The copy to the window is not part of it.
void draw_frame(int frame) {
    plako_erase();
    plako_rectangle(PLAKO_ICE_BLUE, -300, 250, 300, 0, 0);
    plako_rectangle(PLAKO_FOREST_GREEN, -300, 0, 300, -250, 0);
    for (int i = 0; i < 40; i++)
        plako_line(PLAKO_BLACK, -280 + 14 * i, -20 - (i % 7) * 3, -270 + 14 * i, -200 + (i % 5) * 9, 2);
    for (int i = 0; i < 10; i++)
        plako_triangle(i % 2 ? PLAKO_GOLD : PLAKO_BROWN, -250 + 20 * i, 40, -210 + 20 * i, 40, -230 + 20 * i,
                       90 + (frame + i) % 7, i % 3 == 0 ? 1 : 0);
    for (int i = 0; i < 30; i++)
        plako_circle(i % 24, -200 + 13 * i, 150 - (i % 6) * 25, 3 + (i * 7 + frame) % 35);
    for (int b = 0; b < 8; b++) {
        int top = 230 - 30 * b;
        plako_rectangle(PLAKO_GRAY_20, 180, top, 290, top - 24, 0);
        plako_rectangle(PLAKO_BLACK, 180, top, 290, top - 24, 1);
        plako_line(PLAKO_WHITE, 181, top - 1, 289, top - 1, 1);
        plako_line(PLAKO_GRAY_50, 181, top - 23, 289, top - 23, 1);
        plako_text(PLAKO_BLACK, 186, top - 18, 12, "Add Scoop");
    }
    for (int i = 0; i < 60; i++)
        plako_text_format(i % 24, -290 + (i % 10) * 45, -60 - (i / 10) * 20, 9 + i % 4, "t%d", i + frame);
}

// The floor: three full-canvas fills through the package.
void erase3(void) {
    plako_erase();
    plako_erase();
    plako_erase();
}

void BM_Frame(benchmark::State &state) {
    start_once();
    std::vector<uint32_t> raw((size_t)PLAKO_CANVAS_WIDTH * PLAKO_CANVAS_HEIGHT);
    double frame_s = 0, erase_s = 0, fill_s = 0;
    int frame = 0;
    for (auto _ : state) {
        double t0 = cpu_seconds();
        draw_frame(frame++);
        double t1 = cpu_seconds();
        erase3();
        double t2 = cpu_seconds();
        for (int k = 0; k < 3; k++) {
            uint32_t v = 0xffffffu - (uint32_t)k;
            for (uint32_t &p : raw) p = v;
            benchmark::DoNotOptimize(raw.data());
            benchmark::ClobberMemory();
        }
        double t3 = cpu_seconds();
        frame_s += t1 - t0;
        erase_s += t2 - t1;
        fill_s += t3 - t2;
    }
    state.counters["frame_vs_erase3"] = erase_s > 0 ? frame_s / erase_s : 0;
    state.counters["frame_vs_fill3"] = fill_s > 0 ? frame_s / fill_s : 0;
    state.counters["frame_us"] = state.iterations() ? 1e6 * frame_s / (double)state.iterations() : 0;
}
BENCHMARK(BM_Frame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
