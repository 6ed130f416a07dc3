// With logging on, the scene's drawing calls appear as console lines in the order and with the
// arguments of the picture's recipe. The running program's lines are all heard on their way to the
// console (through the replay interface's console-line hook); the pieces called directly are
// checked on the console's own 25 kept lines, so those checks read a tail.
#include <gtest/gtest.h>
#include <headless.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "cone.h"
#include "cone_run.h"
#include "internal.h"
#include "replay.h"

namespace {

using namespace cone_test;
using Lines = std::vector<std::string>;

const int RING = 25;
const size_t HEARD_MAX = 4096;  // more than any check needs; a run that logs on and on stops here

// Every console line written while a test listens, exactly as formatted (line end included).
struct Listener {
    bool on;
    Lines heard;
    size_t dropped;  // lines past HEARD_MAX
};
Listener listener;

// Every console line of this binary passes here while a test listens, exactly as the console
// keeps it (line end included).
void hear(void *, const char *text) {
    if (!listener.on) return;
    if (listener.heard.size() < HEARD_MAX)
        listener.heard.push_back(text);
    else
        listener.dropped++;
}

// Forgets what was heard and listens from now on.
void listen() {
    listener.on = true;
    listener.heard.clear();
    listener.dropped = 0;
    ReplayHooks hooks = {};
    hooks.console_line = hear;
    replay_set_hooks(&hooks);
}

const char *const NAMES[24] = {
    "black",  "white",     "red",        "green",        "blue",      "yellow", "magenta",  "cyan",
    "purple", "navy blue", "dusty plum", "ice blue",     "turquoise", "orange", "brown",    "pink",
    "chalk",  "gold",      "peach",      "forest green", "sea green", "olive",  "50% gray", "20% gray"};

std::string fmt(const char *format, ...) {
    char buf[1100];
    va_list args;
    va_start(args, format);
    vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    return buf;
}

// The console's kept lines, oldest first, without their line ends.
Lines console_lines() {
    Lines out;
    for (std::string s : plako_test::console_lines()) {
        if (!s.empty() && s.back() == '\n') s.pop_back();
        out.push_back(s);
    }
    return out;
}

Lines tail(const Lines &v, size_t n) { return Lines(v.end() - std::min(n, v.size()), v.end()); }

// The console's newest lines are the last ones of expected, as many as the console keeps.
#define EXPECT_CONSOLE_ENDS_WITH(expected)                     \
    do {                                                       \
        const Lines want_ = tail(expected, RING);              \
        EXPECT_EQ(tail(console_lines(), want_.size()), want_); \
    } while (0)

// ---- the expected log, written out from the picture's recipe ----

void rect(Lines &L, int c, int x1, int y1, int x2, int y2, int w) {
    // Logged with the upper-left corner first.
    if (x1 > x2) std::swap(x1, x2);
    if (y1 < y2) std::swap(y1, y2);
    if (w == 0)
        L.push_back(
            fmt("%s rectangle with bounding box (%d,%d) to (%d,%d), filled", NAMES[c], x1, y1, x2, y2));
    else
        L.push_back(fmt("%s rectangle with bounding box (%d,%d) to (%d,%d) with line width %d", NAMES[c], x1,
                        y1, x2, y2, w));
}
void tri(Lines &L, int c, int x1, int y1, int x2, int y2, int x3, int y3) {
    L.push_back(fmt("%s triangle at (%d,%d), (%d,%d), (%d,%d)", NAMES[c], x1, y1, x2, y2, x3, y3));
}
void circ(Lines &L, int c, int x, int y, int r) {
    L.push_back(fmt("%s circle at (%d,%d), radius %d", NAMES[c], x, y, r));
}
void line(Lines &L, int c, int x1, int y1, int x2, int y2, int w) {
    L.push_back(fmt("%s line from (%d,%d) to (%d,%d), width %d", NAMES[c], x1, y1, x2, y2, w));
}
void text(Lines &L, int c, int x, int y, const char *t) {
    L.push_back(fmt("%s text at (%d,%d), \"%s\"", NAMES[c], x, y, t));
}

// The four ray start points of frame f, in drawing order.
std::vector<std::pair<int, int>> rays(int f) {
    std::vector<std::pair<int, int>> r;
    switch (f % 4) {
        case 0:
            r = {{270 + 10 * (f % 6), 120 + f % 60}, {270 + 10 * (f % 6), 230 + f % 60}};
            break;
        case 1:
            r = {{270 + 10 * (f % 6), 130 - f % 70}, {270 + 10 * (f % 7), 240 - f % 50}};
            break;
        case 2:
            r = {{160, 130 - f % 50}, {180 - 10 * (f % 5), 240 - f % 60}};
            break;
        default:
            r = {{180 - 10 * (f % 6), 120 + f % 60}, {180 - 10 * (f % 6), 230 + f % 60}};
            break;
    }
    switch (f % 3) {
        case 0:
            r.push_back({240 - 10 * (f % 7), 130 - f % 70}), r.push_back({240 - 10 * (f % 8), 240 - f % 50});
            break;
        case 1:
            r.push_back({240 + 10 * (f % 8), 120 - f % 60}), r.push_back({240 + 10 * (f % 4), 230 - f % 70});
            break;
        default:
            r.push_back({210 - 10 * (f % 5), 120 - f % 50}), r.push_back({210 - 10 * (f % 6), 230 - f % 60});
            break;
    }
    return r;
}

Lines background_log(int f) {
    Lines L;
    rect(L, 11, -300, 0, 300, 250, 0);
    rect(L, 17, -300, 0, 300, -250, 0);
    tri(L, 17, -180, 0, -350, 0, -265, 100);
    tri(L, 14, -265, -25, -350, 0, -265, 100);
    tri(L, 0, -150, 0, -160, -250, 150, -250);
    tri(L, 5, -150, 0, -10, -250, -15, -250);
    tri(L, 5, -150, 0, 0, -250, 5, -250);
    const int m = f % 400;
    tri(L, 1, m - 300, 175, m - 360, 150, m - 270, 150);
    circ(L, 1, m - 290, 169, 15);
    circ(L, 1, m - 310, 169, 15);
    line(L, 1, m - 300, 150, m - 390, 150, 2);
    tri(L, 1, m - 160, 95, m - 220, 70, m - 130, 70);
    circ(L, 1, m - 150, 89, 15);
    circ(L, 1, m - 170, 89, 15);
    line(L, 1, m - 160, 70, m - 250, 70, 2);
    circ(L, 5, 225, 175, 55 + f % 10);
    for (int pass = 0; pass < 10; pass++)
        for (auto p : rays(f)) line(L, 5, p.first, p.second, 225, 175, 2);
    return L;
}

struct Topping {
    int x, y, kind, colour;
};

// What the scene is drawn from besides the frame number; the toppings are the ones that lie on a
// present scoop, in index order.
struct Scene {
    int scoops = 1;
    int mode = MODE_ADD;
    std::vector<Topping> shown;
};

// A whole frame of the scene, from the clearing rectangle to the last topping.
Lines scene_log(int f, const Scene &s) {
    Lines L;
    rect(L, 1, -300, -250, 300, 250, 0);
    for (const std::string &b : background_log(f)) L.push_back(b);
    for (int r = 0; r < 8; r++) {
        const int top = 245 - 15 * r, bottom = 230 - 15 * r;
        rect(L, 23, -295, top, -205, bottom, 0);
        rect(L, 22, -293, top - 2, -207, bottom + 2, 3);
        line(L, 1, -293, top - 2, -207, top - 2, 3);
        line(L, 1, -207, top - 2, -207, bottom + 2, 3);
        rect(L, 0, -295, top, -205, bottom, 1);
    }
    const char *labels[8] = {"Add Scoop",      "Remove Scoop",   "Add Topping",  "Move Topping",
                             "Select Topping", "Change Topping", "Change Color", "Quit"};
    // Rows 2..6 by mode (add, select, selected); 22 is greyed.
    const int by_mode[3][5] = {{22, 0, 0, 22, 22}, {22, 22, 22, 22, 22}, {0, 22, 0, 0, 0}};
    for (int r = 0; r < 8; r++) {
        int c = 0;
        if (r == 0) c = s.scoops == 5 ? 22 : 19;
        if (r == 1) c = s.scoops == 1 ? 22 : 2;
        if (r >= 2 && r <= 6) c = by_mode[s.mode - MODE_ADD][r - 2];
        text(L, c, -290, 230 - 15 * r, labels[r]);
    }
    if (s.mode == MODE_ADD) text(L, 4, -150, -175, "Click on the cone to add a topping");
    if (s.mode == MODE_SELECT) text(L, 13, -150, -175, "Select the topping to be changed.");
    if (s.mode == MODE_SELECTED)
        text(L, 2, -150, -175, "Topping selected. Click cone to move it, or a button to alter it.");
    const int scoop_colour[5] = {1, 6, 3, 15, 10};
    for (int k = s.scoops; k >= 1; k--) circ(L, scoop_colour[k - 1], 0, 25 + 37 * (k - 1), 37);
    tri(L, 14, 0, -135, -40, 25, 40, 25);
    const int n = (f - 66) % 400 / 10;
    for (int i = 0; i <= n; i++)
        if (n - i < 20) circ(L, 1, i - 38, 24 - 4 * i, 3);
    for (const Topping &t : s.shown) {
        if (t.kind == TOPPING_TRIANGLE) tri(L, 14, t.x - 7, t.y - 7, t.x + 7, t.y - 7, t.x, t.y + 7);
        if (t.kind == TOPPING_DISC) circ(L, t.colour, t.x, t.y, 8), text(L, 1, t.x - 2, t.y - 2, "m");
        if (t.kind == TOPPING_BAR) rect(L, t.colour, t.x, t.y, t.x + 10, t.y + 3, 0);
    }
    return L;
}

// Each line of L with its line end, as the program writes it.
Lines ended(const Lines &L) {
    Lines out;
    for (const std::string &s : L) out.push_back(s + "\n");
    return out;
}

// Where two logs first part, for a failure message.
std::string first_difference(const Lines &got, const Lines &want) {
    size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i]) i++;
    if (i == got.size() && i == want.size()) return "";
    return fmt("line %zu: got \"%s\", want \"%s\"", i, i < got.size() ? got[i].c_str() : "(none)",
               i < want.size() ? want[i].c_str() : "(none)");
}

// Canvas point inside button `row` of the panel.
void press(const ConeRun &r, int row) { r.click(-250, 237 - 15 * row); }

TEST(SceneLog, OneFrameOfTheRunningProgramLogsItsCallsInOrder) {
    ConeRun r;
    // Frame 161 in the state the program starts with: logging switched on from the menu after frame 160.
    r.at(160, [&] {
        listen();
        EXPECT_EQ(headless_menu_choose(r.window(), CMD_LOGGING), 1);
    });
    r.at(161, [&] {
        const Lines expected = scene_log(161, Scene{});
        ASSERT_EQ(expected.size(), 1u + 56 + 40 + 8 + 1 + 1 + 1 + 10);
        EXPECT_EQ(listener.heard, ended(expected)) << first_difference(listener.heard, ended(expected));
        EXPECT_EQ(listener.dropped, 0u);
        // The lines went on to the console too: it keeps the frame's last 25.
        EXPECT_EQ(console_lines(), tail(expected, RING));
        r.ctrl('L');  // off again: the next frame logs nothing
        listen();
    });
    // With logging off, build a state with every kind of drawn topping and one that is not drawn.
    r.at(162, [&] {
        EXPECT_EQ(listener.heard, Lines{});
        press(r, 0);  // three scoops
    });
    r.at(162, [&] { press(r, 0); });
    r.at(162, [&] { r.click(0, 40); });   // disc 0, red, on the first scoop
    r.at(162, [&] { r.click(5, 80); });   // disc 1, green, on the second
    r.at(162, [&] { r.click(0, 120); });  // disc 2, blue, on the third
    r.at(162, [&] { press(r, 4); });      // Select Topping
    r.at(162, [&] { r.click(5, 80); });   // picks disc 1
    r.at(162, [&] { press(r, 5); });      // Change Topping: disc 1 becomes a bar
    r.at(162, [&] { press(r, 1); });      // two scoops: topping 2 lies on none
    r.at(163, [&] {
        EXPECT_EQ(listener.heard, Lines{});
        EXPECT_EQ(headless_menu_choose(r.window(), CMD_LOGGING), 1);
    });
    r.at(164, [&] {
        Scene s;
        s.scoops = 2;
        s.mode = MODE_SELECTED;
        s.shown = {{0, 40, TOPPING_DISC, 2}, {5, 80, TOPPING_BAR, 3}};
        const Lines expected = scene_log(164, s);
        ASSERT_EQ(expected.size(), 1u + 56 + 40 + 8 + 1 + 2 + 1 + 10 + 3);
        EXPECT_EQ(listener.heard, ended(expected)) << first_difference(listener.heard, ended(expected));
        EXPECT_EQ(listener.dropped, 0u);
        listener.on = false;
    });
    EXPECT_EQ(r.run(), 0);
}

// ---- the scene's pieces called directly, with the package started on the headless host ----

class ScenePieces : public ::testing::Test {
   protected:
    void SetUp() override {
        run_.start_package();
        plako_set_logging(1);
    }
    void TearDown() override { plako_stop(); }
    plako_test::HeadlessRun run_;
};

TEST_F(ScenePieces, TheBackgroundEndsWithTheSameFourRaysTenTimes) {
    for (int f : {151, 152, 153, 154, 299, 300, 8399}) {
        draw_background(f);
        const Lines expected = background_log(f);
        ASSERT_EQ(expected.size(), 16u + 40u);
        SCOPED_TRACE(f);
        EXPECT_CONSOLE_ENDS_WITH(expected);
    }
}

TEST_F(ScenePieces, FlyersScoopsStatusAndCone) {
    draw_flyers(399);
    const Lines bg = background_log(399);
    Lines L(bg.begin() + 7, bg.begin() + 15);
    draw_scoops(5);
    circ(L, 10, 0, 173, 37), circ(L, 15, 0, 136, 37), circ(L, 3, 0, 99, 37), circ(L, 6, 0, 62, 37);
    circ(L, 1, 0, 25, 37);
    for (int mode : {MODE_ADD, MODE_SELECT, MODE_SELECTED}) draw_status(mode);
    text(L, 4, -150, -175, "Click on the cone to add a topping");
    text(L, 13, -150, -175, "Select the topping to be changed.");
    text(L, 2, -150, -175, "Topping selected. Click cone to move it, or a button to alter it.");
    EXPECT_CONSOLE_ENDS_WITH(L);

    // The trail: 9 dots at frame 151, 20 from frame 256 on, 1 again at 466.
    const struct {
        int frame, first, last;
    } trail[] = {{151, 0, 8},  {255, 0, 18},  {256, 0, 19}, {265, 0, 19},
                 {266, 1, 20}, {465, 20, 39}, {466, 0, 0}};
    for (const auto &t : trail) {
        draw_cone(t.frame);
        Lines C;
        tri(C, 14, 0, -135, -40, 25, 40, 25);
        for (int i = t.first; i <= t.last; i++) circ(C, 1, i - 38, 24 - 4 * i, 3);
        SCOPED_TRACE(t.frame);
        EXPECT_CONSOLE_ENDS_WITH(C);
    }
}

TEST_F(ScenePieces, ToppingsOnPresentScoopsOnlyEachByItsKind) {
    const int x[4] = {0, 5, -10, 0}, y[4] = {40, 80, 50, 30};
    const int kind[4] = {TOPPING_DISC, TOPPING_DISC, TOPPING_TRIANGLE, TOPPING_BAR};
    const int colour[4] = {2, 3, 9, 17};
    draw_toppings(x, y, kind, colour, 4, 1);  // the second lies on the absent second scoop
    Lines L;
    circ(L, 2, 0, 40, 8);
    text(L, 1, -2, 38, "m");
    tri(L, 14, -17, 43, -3, 43, -10, 57);
    rect(L, 17, 0, 30, 10, 33, 0);
    EXPECT_CONSOLE_ENDS_WITH(L);

    draw_toppings(x, y, kind, colour, 2, 2);  // only the first two, both on present scoops
    circ(L, 2, 0, 40, 8);
    text(L, 1, -2, 38, "m");
    circ(L, 3, 5, 80, 8);
    text(L, 1, 3, 78, "m");
    EXPECT_CONSOLE_ENDS_WITH(L);
}

TEST_F(ScenePieces, PanelLabelsAndTheIntroCard) {
    draw_panel(MODE_SELECTED, 5);
    const char *labels[8] = {"Add Scoop",      "Remove Scoop",   "Add Topping",  "Move Topping",
                             "Select Topping", "Change Topping", "Change Color", "Quit"};
    const int colours[8] = {22, 2, 0, 22, 0, 0, 0, 0};
    Lines L;
    for (int r = 0; r < 8; r++) text(L, colours[r], -290, 230 - 15 * r, labels[r]);
    EXPECT_CONSOLE_ENDS_WITH(L);

    const struct {
        int frame;
        Lines card;
    } cards[] = {
        {0, {fmt("black rectangle with bounding box (-150,0) to (-150,0), filled")}},
        {20, {fmt("%s rectangle with bounding box (-110,-10) to (-70,-40), filled", NAMES[20])}},
        {21,
         {fmt("%s rectangle with bounding box (-108,-10) to (-66,-42), filled", NAMES[21]),
          "50% gray rectangle with bounding box (-108,-10) to (-66,-42) with line width 1"}},
        {59,
         {"ice blue rectangle with bounding box (-32,-29) to (86,-118), filled",
          "50% gray rectangle with bounding box (-32,-29) to (86,-118) with line width 2"}},
        {60, {"20% gray rectangle with bounding box (-30,-30) to (90,-120), filled"}},
        {61,
         {"20% gray rectangle with bounding box (-30,-30) to (90,-120), filled",
          "50% gray rectangle with bounding box (-30,-30) to (90,-120) with line width 3",
          "white text at (-15,-50), \"by PLAKO Labs\"", "white text at (15,-75), \"HW 4\"",
          "white text at (-10,-110), \"plako.example\""}},
    };
    for (const auto &c : cards) {
        draw_intro(c.frame);
        Lines expected = background_log(c.frame);
        for (const std::string &s : c.card) expected.push_back(s);
        SCOPED_TRACE(c.frame);
        EXPECT_CONSOLE_ENDS_WITH(expected);
    }
}

}  // namespace
