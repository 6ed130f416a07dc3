// panel_hit and panel_press: the panel's strict outline, the rows' shared edges and each command.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "cone.h"

namespace {

ConeState fresh_state() {
    ConeState s{};
    s.scoop_count = 1;
    s.mode = MODE_ADD;
    return s;
}

void press(ConeState &s, int y, int x = -250) {
    panel_press(x, y, s.scoop_count, s.topping_colour, s.topping_kind, s.topping_count, s.mode,
                s.selected_topping, s.quit);
}

bool same_state(const ConeState &a, const ConeState &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(PanelHit, StrictOutline) {
    struct {
        int x, y, hit;
    } const table[] = {
        {-295, 200, 0},    {-294, 200, 1},     {-206, 200, 1},     {-205, 200, 0}, {-250, 245, 0},
        {-250, 244, 1},    {-250, 126, 1},     {-250, 125, 0},     {-294, 244, 1}, {-206, 126, 1},
        {-295, 245, 0},    {-205, 125, 0},     {0, 40, 0},         {-250, 0, 0},   {INT_MIN, 200, 0},
        {INT_MAX, 200, 0}, {-250, INT_MIN, 0}, {-250, INT_MAX, 0},
    };
    for (const auto &t : table) EXPECT_EQ(panel_hit(t.x, t.y), t.hit) << "(" << t.x << ", " << t.y << ")";
}

// Which command a press at y ran, read from what it changed. The starting mode 0 is none of the three, so
// every mode button shows; only "Change Topping" (row 5) acts in no mode but MODE_SELECTED and shows as -1.
int row_run_by(int y) {
    ConeState s = fresh_state();
    s.scoop_count = 3;
    s.mode = 0;
    s.topping_kind[0] = TOPPING_DISC;
    s.topping_colour[0] = 5;
    press(s, y);
    if (s.scoop_count == 4) return 0;
    if (s.scoop_count == 2) return 1;
    if (s.mode == MODE_ADD) return 2;
    if (s.mode == MODE_SELECTED) return 3;
    if (s.mode == MODE_SELECT) return 4;
    if (s.topping_colour[0] == 6) return 6;
    if (s.quit) return 7;
    return -1;
}

TEST(PanelPress, RowsAndTheirSharedEdges) {
    // The edge two buttons share belongs to the lower one.
    const int table[][2] = {{244, 0}, {231, 0}, {230, 1},  {216, 1},  {215, 2}, {201, 2}, {200, 3}, {186, 3},
                            {185, 4}, {171, 4}, {156, -1}, {170, -1}, {155, 6}, {141, 6}, {140, 7}, {126, 7}};
    for (const auto &t : table) EXPECT_EQ(row_run_by(t[0]), t[1]) << "y = " << t[0];
    // Row 5 is "Change Topping": it shows in MODE_SELECTED.
    for (int y : {156, 163, 170}) {
        ConeState s = fresh_state();
        s.mode = MODE_SELECTED;
        s.topping_kind[0] = TOPPING_DISC;
        press(s, y);
        EXPECT_EQ(s.topping_kind[0], TOPPING_BAR) << "y = " << y;
    }
    // x is not looked at.
    ConeState a = fresh_state(), b = fresh_state();
    press(a, 236, -294);
    press(b, 236, INT_MIN);
    EXPECT_TRUE(same_state(a, b));
    EXPECT_EQ(a.scoop_count, 2);
}

TEST(PanelPress, ScoopCountStaysBetweenOneAndFive) {
    ConeState s = fresh_state();
    press(s, 220);  // Remove Scoop with one scoop
    EXPECT_EQ(s.scoop_count, 1);
    for (int i = 0; i < 7; i++) press(s, 240);
    EXPECT_EQ(s.scoop_count, 5);
    for (int i = 0; i < 3; i++) press(s, 220);
    EXPECT_EQ(s.scoop_count, 2);
}

TEST(PanelPress, ModeButtonsActInEveryMode) {
    for (int from : {MODE_ADD, MODE_SELECT, MODE_SELECTED}) {
        const int table[][2] = {{210, MODE_ADD}, {195, MODE_SELECTED}, {180, MODE_SELECT}};
        for (const auto &t : table) {
            ConeState s = fresh_state();
            s.mode = from;
            s.selected_topping = 3;
            press(s, t[0]);
            EXPECT_EQ(s.mode, t[1]) << "from " << from << " at y " << t[0];
            EXPECT_EQ(s.selected_topping, 3) << "the selection stays";
        }
    }
}

TEST(PanelPress, ChangeToppingCyclesOnlyWhenSelected) {
    ConeState s = fresh_state();
    s.topping_count = 4;
    s.selected_topping = 2;
    s.topping_kind[2] = TOPPING_DISC;
    for (int mode : {MODE_ADD, MODE_SELECT}) {
        s.mode = mode;
        const ConeState before = s;
        press(s, 160);
        EXPECT_TRUE(same_state(before, s)) << "mode " << mode;
    }
    s.mode = MODE_SELECTED;
    const int cycle[] = {TOPPING_BAR, TOPPING_TRIANGLE, TOPPING_DISC, TOPPING_BAR};
    for (int k : cycle) {
        press(s, 160);
        EXPECT_EQ(s.topping_kind[2], k);
    }
    EXPECT_EQ(s.topping_kind[1], 0);
    EXPECT_EQ(s.topping_kind[3], 0);
    EXPECT_EQ(s.mode, MODE_SELECTED);
}

TEST(PanelPress, ChangeColorWrapsInEveryMode) {
    for (int mode : {MODE_ADD, MODE_SELECT, MODE_SELECTED}) {
        ConeState s = fresh_state();
        s.mode = mode;
        s.topping_count = 2;
        s.selected_topping = 1;
        s.topping_colour[1] = 22;
        press(s, 150);
        EXPECT_EQ(s.topping_colour[1], 23);
        press(s, 150);
        EXPECT_EQ(s.topping_colour[1], 0);
        EXPECT_EQ(s.topping_colour[0], 0);
        EXPECT_EQ(s.mode, mode);
    }
}

TEST(PanelPress, NoCommandTouchesCountsOrPositions) {
    ConeState s = fresh_state();
    s.topping_count = 3;
    s.colour_cycle = 3;
    s.frame = 77;
    for (int i = 0; i < 3; i++) s.topping_x[i] = i, s.topping_y[i] = 40 + i;
    s.selected_topping = 1;
    for (int y = 126; y <= 244; y++) {
        if (y <= 140) continue;  // Quit is checked below
        press(s, y);
    }
    EXPECT_EQ(s.topping_count, 3);
    EXPECT_EQ(s.colour_cycle, 3);
    EXPECT_EQ(s.frame, 77);
    for (int i = 0; i < 3; i++) EXPECT_EQ(s.topping_x[i] * 100 + s.topping_y[i], i * 100 + 40 + i);
    EXPECT_EQ(s.quit, 0);
    press(s, 130);
    EXPECT_EQ(s.quit, 1);
}

TEST(PanelPress, SelectionOutsideTheArraysWritesNothing) {
    for (int sel : {-1, TOPPING_MAX, INT_MIN, INT_MAX}) {
        ConeState s = fresh_state();
        s.mode = MODE_SELECTED;
        s.selected_topping = sel;
        const ConeState before = s;
        press(s, 160);  // Change Topping
        press(s, 150);  // Change Color
        EXPECT_TRUE(same_state(before, s)) << sel;
    }
}

TEST(PanelPress, PointsOffThePanelRunNothing) {
    // panel_press is only called after panel_hit; a stray y must still be harmless (246 would truncate
    // into row 0).
    for (int y : {INT_MIN, -1000, 125, 245, 246, 1000, INT_MAX}) {
        ConeState s = fresh_state();
        s.scoop_count = 3;
        const ConeState before = s;
        press(s, y);
        EXPECT_TRUE(same_state(before, s)) << y;
    }
}

}  // namespace
