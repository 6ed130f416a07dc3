// A long run with random (seeded) clicks, button presses, typed characters and run commands: the
// program keeps going, leaks no platform object and its heap does not grow.
#include <gtest/gtest.h>
#include <headless.h>
#include <malloc.h>

#include <random>

#include "cone.h"
#include "cone_run.h"
#include "internal.h"

namespace {

using namespace cone_test;

const DWORD TICKS = 20000;
const DWORD HALF = TICKS / 2 * TICK_MS;
const DWORD END = TICKS * TICK_MS;

// The run and its random use: one action at about a third of the waits, until the last tick.
struct Soak : plako_test::HeadlessRun {
    std::mt19937 rng{20240611u};
    bool half_seen = false, closed = false, scene_shown = false;
    HeadlessObjectCounts at_half{}, at_end{};
    size_t heap_at_half = 0, heap_at_end = 0;
    unsigned long actions = 0;

    Soak() {
        every_wait([this] { on_idle(); });
    }

    int roll(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

    void act() {
        HWND hwnd = window();
        const int dice = roll(0, 99);
        if (dice < 35) {
            click(roll(-37, 37), roll(-20, 215));  // on and around the scoops
        } else if (dice < 60) {
            const int row = roll(0, 6);  // every button but Quit
            click(roll(-294, -206), 244 - 15 * row - roll(0, 13));
        } else if (dice < 70) {
            const int x = roll(0, 594), y = roll(0, 494);  // anywhere in the client area but on Quit
            if (!(x > client_x(-295) && x < client_x(-205) && y > client_y(141) && y < client_y(125)))
                headless_click(hwnd, x, y);
        } else if (dice < 78) {
            headless_type(hwnd, (unsigned char)roll(1, 255));
        } else if (dice < 80) {
            headless_menu_choose(hwnd, CMD_LOGGING);
        } else if (dice < 88) {
            headless_menu_choose(hwnd, CMD_HALT);
        } else if (dice < 91) {
            headless_menu_choose(hwnd, CMD_ONE_FRAME);
        } else {
            headless_menu_choose(hwnd, CMD_ANIMATE);  // mostly animating, so the run draws many frames
        }
        actions++;
    }

    void on_idle() {
        if (closed) return;
        HWND hwnd = window();
        const DWORD now = headless_now();
        if (!half_seen && now >= HALF) {
            half_seen = true;
            headless_object_counts(&at_half);
            heap_at_half = mallinfo2().uordblks;
        }
        if (now >= END) {
            headless_object_counts(&at_end);
            heap_at_end = mallinfo2().uordblks;
            scene_shown = pixel(-215, 238) == GRAY_20;  // a panel button
            closed = true;
            headless_close(hwnd);
            return;
        }
        // Logging scrolls the console once per drawing call; keep its stretches short so that the run
        // stays quick, while every frame kind is still logged now and then.
        if ((headless_menu_state(hwnd, CMD_LOGGING) & MF_CHECKED) && roll(0, 1) == 0)
            headless_menu_choose(hwnd, CMD_LOGGING);
        else if (roll(0, 99) < 30)
            act();
    }
};

TEST(Soak, TwentyThousandTicksOfRandomUse) {
    Soak soak;
    EXPECT_EQ(soak.run_program(), 0);

    ASSERT_TRUE(soak.closed) << "the run ended before its last tick";
    EXPECT_GT(soak.actions, 1000u);
    EXPECT_TRUE(soak.scene_shown) << "the run should have drawn the scene";
    const HeadlessObjectCounts &a = soak.at_half, &b = soak.at_end;
    plako_test::expect_same_objects(a, b);
    EXPECT_EQ(a.windows, b.windows);
    EXPECT_EQ(a.menus, b.menus);
    // Between two waits nothing drawn keeps an object: only the package's own few stay.
    EXPECT_LE(b.pens + b.fonts, 0);
    EXPECT_LE(b.memory_blocks, 25) << "the console keeps at most 25 lines";
    // The console's 25 kept lines differ in length from moment to moment; anything that leaked per
    // frame or per click over 10,000 ticks would far exceed this margin.
    EXPECT_LT((long long)soak.heap_at_end - (long long)soak.heap_at_half, 16 * 1024)
        << "heap grew in the second half";
}

}  // namespace
