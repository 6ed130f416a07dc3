// on_scoops and cone_click: the scoop boundaries, the pick shapes, the modes and the 50-topping limit.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "cone.h"

namespace {

struct Point {
    int x, y, scoops, on;
};

// A fresh state as WinMain starts it, the unused entries filled with a marker so that a stray write shows.
ConeState fresh_state() {
    ConeState s{};
    s.scoop_count = 1;
    s.mode = MODE_ADD;
    for (int i = 0; i < TOPPING_MAX; i++) {
        s.topping_x[i] = s.topping_y[i] = s.topping_kind[i] = s.topping_colour[i] = -7777;
    }
    return s;
}

void click(ConeState &s, int x, int y) {
    cone_click(x, y, s.scoop_count, s.topping_count, s.topping_colour, s.topping_kind, s.topping_x,
               s.topping_y, s.mode, s.selected_topping, s.colour_cycle);
}

bool same_state(const ConeState &a, const ConeState &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Places one topping of the given kind at (x, y) as index topping_count, bypassing the clicks.
void put(ConeState &s, int kind, int x, int y) {
    const int i = s.topping_count++;
    s.topping_x[i] = x;
    s.topping_y[i] = y;
    s.topping_kind[i] = kind;
    s.topping_colour[i] = 2;
}

TEST(OnScoops, BoundariesOfEveryScoop) {
    const Point table[] = {
        // First scoop: only above y = 25, strictly inside radius 37.
        {0, 25, 1, 0},
        {0, 26, 1, 1},
        {36, 26, 1, 1},
        {37, 26, 1, 0},
        {-36, 26, 1, 1},
        {-37, 26, 1, 0},
        {0, 61, 1, 1},
        {0, 62, 1, 0},
        {0, 0, 1, 0},
        {10, 20, 1, 0},
        {0, -50, 1, 0},
        // Second scoop, and the hidden half of the first one that it does not make visible.
        {0, 62, 2, 1},
        {0, 98, 2, 1},
        {0, 99, 2, 0},
        {0, 25, 2, 0},
        {0, 26, 2, 1},
        {36, 62, 2, 1},
        {37, 62, 2, 0},
        // Higher scoops are present only up to scoop_count.
        {0, 100, 2, 0},
        {0, 100, 3, 1},
        {0, 135, 3, 1},
        {0, 136, 3, 0},
        {0, 172, 4, 1},
        {0, 173, 4, 0},
        {0, 209, 5, 1},
        {0, 210, 5, 0},
        {30, 173 + 21, 5, 1},
        {30, 173 + 22, 5, 0},  // 900+441 < 1369 <= 900+484
        // A count beyond the five scoops adds none; a count below one still has the first scoop.
        {0, 215, 99, 0},
        {0, 209, 99, 1},
        {0, 30, 0, 1},
        {0, 62, 0, 0},
        {0, 62, -5, 0},
        // Far points of any size are simply off.
        {INT_MIN, INT_MIN, 5, 0},
        {INT_MAX, INT_MAX, 5, 0},
        {0, INT_MAX, 5, 0},
        {0, INT_MIN, 5, 0},
        {INT_MIN, 30, 5, 0},
        {INT_MAX, 30, 5, 0},
        {INT_MAX, 30, INT_MAX, 0},
        {0, 30, INT_MIN, 1},
    };
    for (const Point &p : table) {
        EXPECT_EQ(on_scoops(p.x, p.y, p.scoops), p.on) << "(" << p.x << ", " << p.y << ") with " << p.scoops;
    }
}

TEST(OnScoops, MirrorSymmetricAndHiddenBelowTheFirstCentre) {
    // Every scoop is a circle on x = 0, so the answer cannot depend on the sign of x; nothing at or below
    // y = 25 counts, whatever the number of scoops (the second scoop reaches down to y = 26 only).
    int on_count = 0;
    for (int scoops = 1; scoops <= 5; scoops++) {
        for (int y = -20; y <= 220; y++) {
            for (int x = 0; x <= 40; x++) {
                ASSERT_EQ(on_scoops(x, y, scoops), on_scoops(-x, y, scoops)) << x << "," << y;
                if (y <= 25) {
                    ASSERT_EQ(on_scoops(x, y, scoops), 0) << x << "," << y;
                }
                on_count += on_scoops(x, y, scoops);
            }
        }
    }
    EXPECT_GT(on_count, 0);
}

TEST(ConeClick, AddingFiftyToppingsThenNoMore) {
    ConeState s = fresh_state();
    // Colours run red..20% gray, then the two chosen ones, then red again.
    const int expected_colour[26] = {2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14,
                                     15, 16, 17, 18, 19, 20, 21, 22, 23, 0,  8,  2,  3};
    for (int i = 0; i < TOPPING_MAX; i++) {
        click(s, i % 7 - 3, 30 + i % 5);
        ASSERT_EQ(s.topping_count, i + 1);
        EXPECT_EQ(s.colour_cycle, i + 1);
        EXPECT_EQ(s.selected_topping, i);
        EXPECT_EQ(s.mode, MODE_ADD);
        EXPECT_EQ(s.topping_x[i], i % 7 - 3);
        EXPECT_EQ(s.topping_y[i], 30 + i % 5);
        EXPECT_EQ(s.topping_kind[i], TOPPING_DISC);
        EXPECT_EQ(s.topping_colour[i], expected_colour[i % 24]) << "topping " << i;
    }
    EXPECT_EQ(s.topping_colour[46], 0);
    EXPECT_EQ(s.topping_colour[47], 8);
    const ConeState before = s;
    click(s, 0, 40);  // the 51st
    EXPECT_TRUE(same_state(before, s));
    EXPECT_EQ(s.colour_cycle, 50);
}

TEST(ConeClick, EveryNewColourIsAPaletteIndexAndNeverWhite) {
    for (int c = 0; c < 100; c++) {
        const int colour = topping_colour_for(c);
        EXPECT_GE(colour, 0);
        EXPECT_LE(colour, 23);
        EXPECT_NE(colour, 1) << "white vanishes on the first scoop";
    }
}

TEST(ConeClick, MissesUseUpNothing) {
    ConeState s = fresh_state();
    const ConeState start = s;
    const int misses[][2] = {{0, -50},           {0, 25},           {37, 26}, {-250, 200},
                             {INT_MIN, INT_MAX}, {INT_MAX, INT_MIN}};
    for (const auto &m : misses) click(s, m[0], m[1]);
    EXPECT_TRUE(same_state(start, s));
    click(s, 0, 40);
    EXPECT_EQ(s.topping_colour[0], 2) << "the first topping is red, however many misses came before";
}

TEST(ConeClick, ClicksBelowTheScoopsChangeNothingInAnyMode) {
    for (int mode : {MODE_ADD, MODE_SELECT, MODE_SELECTED}) {
        ConeState s = fresh_state();
        put(s, TOPPING_DISC, 0, 40);
        put(s, TOPPING_BAR, 5, 30);
        s.mode = mode;
        const ConeState before = s;
        for (int y : {-50, -135, 0, 25}) click(s, 0, y);
        click(s, INT_MIN, INT_MIN);
        click(s, INT_MAX, INT_MAX);
        EXPECT_TRUE(same_state(before, s)) << "mode " << mode;
    }
}

TEST(ConeClick, MovingTheSelectedTopping) {
    ConeState s = fresh_state();
    s.scoop_count = 2;
    click(s, 0, 40);
    click(s, 10, 70);
    s.mode = MODE_SELECTED;
    s.selected_topping = 0;
    click(s, -5, 90);  // onto the second scoop
    EXPECT_EQ(s.topping_x[0], -5);
    EXPECT_EQ(s.topping_y[0], 90);
    EXPECT_EQ(s.topping_kind[0], TOPPING_DISC);
    EXPECT_EQ(s.topping_colour[0], 2);
    EXPECT_EQ(s.mode, MODE_SELECTED);
    click(s, 3, 33);  // and again: the mode stays, the same topping moves
    EXPECT_EQ(s.topping_x[0], 3);
    EXPECT_EQ(s.topping_y[0], 33);
    const ConeState before = s;
    click(s, 0, 120);  // above the second scoop: off
    EXPECT_TRUE(same_state(before, s));
    EXPECT_EQ(s.topping_x[1], 10);
    EXPECT_EQ(s.topping_count, 2);
}

TEST(ConeClick, MoveBeforeAnyToppingWritesEntryZeroWhichTheFirstAddOverwrites) {
    ConeState s = fresh_state();
    s.mode = MODE_SELECTED;
    click(s, 4, 44);
    EXPECT_EQ(s.topping_x[0], 4);
    EXPECT_EQ(s.topping_count, 0);
    s.topping_kind[0] = TOPPING_BAR;  // as "Change Topping" would leave it
    s.topping_colour[0] = 17;
    s.mode = MODE_ADD;
    click(s, -6, 50);
    EXPECT_EQ(s.topping_count, 1);
    EXPECT_EQ(s.topping_x[0], -6);
    EXPECT_EQ(s.topping_y[0], 50);
    EXPECT_EQ(s.topping_kind[0], TOPPING_DISC);
    EXPECT_EQ(s.topping_colour[0], 2);
}

struct Pick {
    int kind, tx, ty, x, y, picked;
};

TEST(ConeClick, PickShapesOfTheThreeKinds) {
    const Pick table[] = {
        // Disc: strictly closer than 8.
        {TOPPING_DISC, 10, 40, 17, 40, 1},
        {TOPPING_DISC, 10, 40, 18, 40, 0},
        {TOPPING_DISC, 10, 40, 3, 40, 1},
        {TOPPING_DISC, 10, 40, 2, 40, 0},
        {TOPPING_DISC, 10, 40, 10, 47, 1},
        {TOPPING_DISC, 10, 40, 10, 32, 0},
        {TOPPING_DISC, 10, 40, 15, 45, 1},
        {TOPPING_DISC, 10, 40, 16, 46, 0},
        // Bar: exactly the drawn 11 by 4 block, inclusive.
        {TOPPING_BAR, 0, 40, 10, 43, 1},
        {TOPPING_BAR, 0, 40, 0, 40, 1},
        {TOPPING_BAR, 0, 40, 11, 40, 0},
        {TOPPING_BAR, 0, 40, 0, 44, 0},
        {TOPPING_BAR, 0, 40, -1, 41, 0},
        {TOPPING_BAR, 0, 40, 5, 39, 0},
        // Triangle: a 9-wide box below the point and a 7-wide one above it.
        {TOPPING_TRIANGLE, 0, 40, 4, 33, 1},
        {TOPPING_TRIANGLE, 0, 40, 0, 45, 1},
        {TOPPING_TRIANGLE, 0, 40, -3, 45, 1},
        {TOPPING_TRIANGLE, 0, 40, 4, 41, 0},
        {TOPPING_TRIANGLE, 0, 40, 0, 46, 0},
        {TOPPING_TRIANGLE, 0, 40, 0, 32, 0},
        {TOPPING_TRIANGLE, 0, 40, -4, 40, 1},
        {TOPPING_TRIANGLE, 0, 40, 5, 35, 0},
        {TOPPING_TRIANGLE, 0, 40, 3, 41, 1},
        {TOPPING_TRIANGLE, 0, 40, -4, 33, 1},
    };
    for (const Pick &p : table) {
        ConeState s = fresh_state();
        put(s, TOPPING_DISC, 0, 30);  // an unrelated topping at index 0, away from every probe
        s.topping_x[0] = -30;
        put(s, p.kind, p.tx, p.ty);
        s.mode = MODE_SELECT;
        click(s, p.x, p.y);
        const char *what = p.picked ? "should pick" : "should not pick";
        EXPECT_EQ(s.mode, p.picked ? MODE_SELECTED : MODE_SELECT)
            << what << " kind " << p.kind << " at (" << p.tx << "," << p.ty << ") by (" << p.x << "," << p.y
            << ")";
        EXPECT_EQ(s.selected_topping, p.picked ? 1 : 0);
    }
}

TEST(ConeClick, PickingPrefersTheLaterToppingAndIgnoresTheScoops) {
    ConeState s = fresh_state();
    put(s, TOPPING_DISC, 0, 40);
    put(s, TOPPING_BAR, 0, 40);
    put(s, TOPPING_DISC, 20, 100);  // on the third scoop, absent with one scoop: not drawn, still pickable
    put(s, TOPPING_TRIANGLE, -20, 60);
    s.mode = MODE_SELECT;
    click(s, 2, 41);  // inside both the disc and the bar
    EXPECT_EQ(s.selected_topping, 1);
    EXPECT_EQ(s.mode, MODE_SELECTED);

    s.mode = MODE_SELECT;
    click(s, 20, 100);
    EXPECT_EQ(s.selected_topping, 2);

    s.mode = MODE_SELECT;
    const ConeState before = s;
    click(s, 100, 100);  // no topping there: stays in MODE_SELECT with the old selection
    EXPECT_TRUE(same_state(before, s));

    // The topping that was picked off the scoops can be moved back onto one.
    s.selected_topping = 2;
    s.mode = MODE_SELECTED;
    click(s, 20, 40);
    EXPECT_EQ(s.topping_x[2], 20);
    EXPECT_EQ(s.topping_y[2], 40);
}

TEST(ConeClick, OnlyToppingsBelowTheCountArePicked) {
    ConeState s = fresh_state();
    put(s, TOPPING_DISC, 0, 40);
    s.topping_x[1] = 30;  // a stale entry beyond the count
    s.topping_y[1] = 40;
    s.topping_kind[1] = TOPPING_DISC;
    s.mode = MODE_SELECT;
    click(s, 30, 40);
    EXPECT_EQ(s.mode, MODE_SELECT);
    EXPECT_EQ(s.selected_topping, 0);
}

TEST(ConeClick, StrayIndicesWriteNothing) {
    // Neither a selection nor a count outside the arrays may lead to a write past them.
    ConeState s = fresh_state();
    s.mode = MODE_SELECTED;
    for (int sel : {-1, TOPPING_MAX, INT_MAX, INT_MIN}) {
        s.selected_topping = sel;
        const ConeState before = s;
        click(s, 0, 40);
        EXPECT_TRUE(same_state(before, s));
    }
    s.mode = MODE_ADD;
    s.selected_topping = 0;
    for (int count : {-1, TOPPING_MAX + 1, INT_MAX}) {
        s.topping_count = count;
        const ConeState before = s;
        click(s, 0, 40);
        EXPECT_TRUE(same_state(before, s));
    }
    s.mode = MODE_SELECT;
    s.topping_count = INT_MAX;  // the scan stops at the arrays' end
    for (int i = 0; i < TOPPING_MAX; i++)
        s.topping_kind[i] = TOPPING_BAR, s.topping_x[i] = 0, s.topping_y[i] = 40;
    click(s, 1, 41);
    EXPECT_EQ(s.selected_topping, TOPPING_MAX - 1);
}

TEST(ConeClick, FrameCounterKeepsItsPhasesPastTheLargestInt) {
    EXPECT_EQ(next_frame(0), 1);
    EXPECT_EQ(next_frame(150), 151);
    const int wrapped = next_frame(INT_MAX);
    EXPECT_GT(wrapped, LAST_INTRO_FRAME);
    EXPECT_EQ(((long long)INT_MAX + 1 - wrapped) % FRAME_PERIOD, 0);
    // The period must hold every animation's cycle, or the step back would jump.
    for (int period : {3, 4, 5, 6, 7, 8, 10, 50, 60, 70, 400}) EXPECT_EQ(FRAME_PERIOD % period, 0) << period;
}

}  // namespace
