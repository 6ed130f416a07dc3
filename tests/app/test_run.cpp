// The whole program on the headless host: what a person sees in the intro and the scene, what clicks,
// buttons and the run controls do to it, and the three ways to end it.
#include <gtest/gtest.h>

#include <map>

#include "cone.h"
#include "cone_run.h"

namespace {

using namespace cone_test;

// Canvas points inside the panel's buttons, by row.
const int BUTTON_X = -250;
int button_y(int row) { return 237 - 15 * row; }
enum {
    ADD_SCOOP,
    REMOVE_SCOOP,
    ADD_TOPPING,
    MOVE_TOPPING,
    SELECT_TOPPING,
    CHANGE_TOPPING,
    CHANGE_COLOR,
    QUIT
};

void press(const ConeRun &r, int row) { r.click(BUTTON_X, button_y(row)); }

// The colour in which label `row` is written: the commonest colour inside its button other than the face.
COLORREF label_colour(const ConeRun &r, int row) {
    const int bottom = 230 - 15 * row;
    std::map<COLORREF, int> seen;
    for (int x = -289; x <= -212; x++)
        for (int y = bottom + 4; y <= bottom + 10; y++) seen[r.pixel(x, y)]++;
    seen.erase(GRAY_20);
    COLORREF best = CLR_INVALID;
    int most = 0;
    for (const auto &kv : seen)
        if (kv.second > most) best = kv.first, most = kv.second;
    return most >= 10 ? best : CLR_INVALID;
}

void expect_labels(const ConeRun &r, const std::vector<COLORREF> &colours, const char *when) {
    for (int row = 0; row < 8; row++)
        EXPECT_EQ(label_colour(r, row), colours[row]) << when << ": label " << row;
}

TEST(ConeRun, IntroCardGrowsSettlesAndShowsItsCredits) {
    ConeRun r;
    r.at(1, [&] {
        // The card of frame 1 covers (-148, 0)..(-146, -2) in white (frame 0's is a single point, which a
        // one-pixel rectangle leaves undrawn); sky above it, ground beside it.
        EXPECT_EQ(r.count(WHITE, -148, 0, -146, -2), 9);
        EXPECT_EQ(r.pixel(-148, 1), ICE_BLUE);
        EXPECT_EQ(r.pixel(-145, 0), GOLD);
    });
    r.at(59, [&] {
        // Ice blue card from (-32, -29) to (86, -118) inside a 50% gray border 2 wide.
        EXPECT_EQ(r.pixel(27, -70), ICE_BLUE);
        EXPECT_EQ(r.pixel(-30, -70), ICE_BLUE);
        EXPECT_EQ(r.pixel(84, -70), ICE_BLUE);
        EXPECT_EQ(r.pixel(-32, -70), GRAY_50);
        EXPECT_EQ(r.pixel(86, -70), GRAY_50);
        EXPECT_EQ(r.pixel(27, -29), GRAY_50);
        EXPECT_EQ(r.pixel(27, -118), GRAY_50);
        EXPECT_EQ(r.pixel(-36, -70), GOLD);
        EXPECT_EQ(r.pixel(90, -70), GOLD);
        EXPECT_EQ(r.pixel(27, -122), GOLD);
    });
    r.at(60, [&] {
        // The settled card alone: every pixel of (-30, -30)..(90, -120) 20% gray, no border, no text.
        EXPECT_EQ(r.count(GRAY_20, -30, -30, 90, -120), 121 * 91);
        EXPECT_NE(r.pixel(-31, -75), GRAY_20);
        EXPECT_NE(r.pixel(91, -75), GRAY_20);
        EXPECT_NE(r.pixel(27, -29), GRAY_20);
        EXPECT_NE(r.pixel(27, -121), GRAY_20);
    });
    // Frames 61, 62, 63: border 3 wide and the credit lines in white, red, black.
    const COLORREF credit[3] = {WHITE, RED, BLACK};
    for (int f = 61; f <= 63; f++) {
        r.at(f, [&r, f, credit] {
            const COLORREF c = credit[f - 61];
            EXPECT_EQ(r.pixel(-30, -75), GRAY_50);
            EXPECT_EQ(r.pixel(90, -75), GRAY_50);
            EXPECT_EQ(r.pixel(27, -30), GRAY_50);
            EXPECT_EQ(r.pixel(27, -120), GRAY_50);
            EXPECT_GT(r.count(c, -15, -50, 85, -36), 20) << "author line, frame " << f;
            EXPECT_GT(r.count(c, 15, -75, 60, -61), 10) << "title line, frame " << f;
            EXPECT_GT(r.count(c, -10, -110, 85, -96), 20) << "contact line, frame " << f;
            // Each line ends before the card's right edge (the border starts at x = 89).
            EXPECT_EQ(r.count(c, 86, -28, 100, -122), 0) << "frame " << f;
            // Nothing of the credits above the card or left of its face.
            EXPECT_EQ(r.count(c, -28, -32, -16, -118), 0) << "frame " << f;
        });
    }
    r.at(150, [&] {
        EXPECT_GT(r.count(BLACK, -15, -50, 85, -36), 20) << "credits black on the last intro frame";
    });
    EXPECT_EQ(r.run(), 0);
}

TEST(ConeRun, FirstSceneFrameShowsSunRaysAndADripTrailOfNineDots) {
    ConeRun r;
    r.at(150, [&] { EXPECT_EQ(r.pixel(0, 40), ICE_BLUE) << "no scoop during the intro"; });
    r.at(151, [&] {
        // The sun of radius 56 at (225, 175).
        EXPECT_EQ(r.pixel(225, 175 + 56), YELLOW);
        EXPECT_EQ(r.pixel(225, 175 + 57), ICE_BLUE);
        EXPECT_EQ(r.pixel(225 - 56, 175), YELLOW);
        EXPECT_EQ(r.pixel(225 - 57, 175), ICE_BLUE);
        // Two of its rays outside the disc: from (270, 219) and from (170, 261) toward the centre.
        EXPECT_EQ(r.pixel(268, 217), YELLOW);
        EXPECT_EQ(r.pixel(180, 245), YELLOW);
        // The drip trail: dots 0..8 at (i - 38, 24 - 4i) over the brown cone; the tenth place is still cone.
        for (int i = 0; i <= 8; i++) EXPECT_EQ(r.pixel(i - 38, 24 - 4 * i), WHITE) << "dot " << i;
        EXPECT_EQ(r.pixel(-29, -12), BROWN);
        EXPECT_EQ(r.pixel(0, -100), BROWN);
        // The white scoop above the cone, the panel at the upper left, the status line in blue.
        EXPECT_EQ(r.pixel(0, 40), WHITE);
        EXPECT_EQ(r.pixel(-215, 238), GRAY_20);
        EXPECT_GT(r.count(BLUE, -150, -175, 150, -157), 50);
    });
    EXPECT_EQ(r.run(), 0);
}

TEST(ConeRun, AClickPlacesARedDiscWithAWhiteM) {
    ConeRun r;
    r.at(160, [&] {
        EXPECT_EQ(r.count(RED, 2, 32, 18, 48), 0);
        r.click(10, 40);
    });
    r.at(161, [&] {
        EXPECT_EQ(r.pixel(10, 33), RED);
        EXPECT_EQ(r.pixel(3, 40), RED);
        EXPECT_EQ(r.pixel(16, 36), RED);
        EXPECT_EQ(r.pixel(10, 49), WHITE) << "the scoop beyond the disc's top";
        const int red = r.count(RED, 2, 32, 18, 48);
        const int white = r.count(WHITE, 3, 33, 17, 47);
        EXPECT_GT(red, 150);
        EXPECT_LT(red, 221) << "a disc of radius 8 has 221 pixels, some of them under the m";
        EXPECT_GT(white, 4) << "the m";
        EXPECT_EQ(r.count(RED, 6, 34, 14, 37), 36) << "the m sits above its anchor row (8, 38)";
    });
    EXPECT_EQ(r.run(), 0);
}

TEST(ConeRun, LabelsAndStatusFollowTheMode) {
    ConeRun r;
    const COLORREF G = GRAY_50, K = BLACK;
    r.at(151, [&] {
        expect_labels(r, {FOREST_GREEN, G, G, K, K, G, G, K}, "adding, one scoop");
        EXPECT_GT(r.count(BLUE, -150, -175, 150, -157), 50);
        press(r, SELECT_TOPPING);
    });
    r.at(152, [&] {
        expect_labels(r, {FOREST_GREEN, G, G, G, G, G, G, K}, "selecting");
        EXPECT_GT(r.count(ORANGE, -150, -175, 150, -157), 50);
        EXPECT_EQ(r.count(BLUE, -150, -175, 150, -157), 0);
        press(r, MOVE_TOPPING);
    });
    r.at(153, [&] {
        expect_labels(r, {FOREST_GREEN, G, K, G, K, K, K, K}, "selected");
        EXPECT_GT(r.count(RED, -150, -175, 250, -163), 30);
        EXPECT_EQ(r.count(ORANGE, -150, -175, 150, -157), 0);
        press(r, ADD_TOPPING);
        for (int i = 0; i < 5; i++) press(r, ADD_SCOOP);
    });
    r.at(154, [&] {
        expect_labels(r, {G, RED, G, K, K, G, G, K}, "adding, five scoops");
        EXPECT_GT(r.count(BLUE, -150, -175, 150, -157), 50);
        EXPECT_EQ(r.pixel(0, 190), RGB(153, 102, 153)) << "the fifth scoop, dusty plum";
        for (int i = 0; i < 5; i++) press(r, REMOVE_SCOOP);
    });
    r.at(155, [&] {
        expect_labels(r, {FOREST_GREEN, G, G, K, K, G, G, K}, "adding, one scoop again");
        EXPECT_NE(r.pixel(0, 80), MAGENTA);
    });
    EXPECT_EQ(r.run(), 0);
}

TEST(ConeRun, RemovingAScoopHidesItsToppingsAndAddingItShowsThemAgain) {
    ConeRun r;
    r.at(151, [&] { press(r, ADD_SCOOP); });
    r.at(152, [&] {
        EXPECT_EQ(r.pixel(0, 90), MAGENTA);
        r.click(0, 80);  // on the second scoop only
        r.click(0, 40);  // on the first
    });
    r.at(153, [&] {
        EXPECT_EQ(r.pixel(-5, 80), RED);
        EXPECT_EQ(r.pixel(-5, 40), GREEN);
        press(r, REMOVE_SCOOP);
    });
    r.at(154, [&] {
        EXPECT_EQ(r.count(RED, -8, 72, 8, 88), 0) << "the topping on the removed scoop is hidden";
        EXPECT_EQ(r.pixel(-5, 40), GREEN) << "the one on the first scoop stays";
        press(r, ADD_SCOOP);
    });
    r.at(155, [&] {
        EXPECT_EQ(r.pixel(-5, 80), RED) << "and shows again at its old place";
        EXPECT_EQ(r.pixel(-5, 40), GREEN);
    });
    EXPECT_EQ(r.run(), 0);
}

TEST(ConeRun, FiftyToppingsAndThenNoMore) {
    ConeRun r;
    std::vector<COLORREF> before;
    // Only pixels on the scoops: they depend on the toppings alone, not on the frame.
    auto scoop_pixels = [&r] {
        std::vector<COLORREF> v;
        for (int x = -36; x <= 36; x++)
            for (int y = 26; y <= 209; y++)
                if (on_scoops(x, y, 5)) v.push_back(r.pixel(x, y));
        return v;
    };
    r.at(151, [&] {
        for (int i = 0; i < 4; i++) press(r, ADD_SCOOP);
    });
    r.at(152, [&] {
        for (int x : {-24, -8, 8, 24})
            for (int y = 30; y <= 195; y += 15) r.click(x, y);
        r.click(0, 140);
        r.click(0, 155);  // the 50th
    });
    r.at(153, [&] {
        EXPECT_EQ(r.pixel(-5, 155), GREEN) << "the 50th topping, green";
        EXPECT_EQ(r.pixel(0, 205), RGB(153, 102, 153));
        before = scoop_pixels();
        r.click(0, 205);  // the 51st
    });
    r.at(154, [&] {
        EXPECT_EQ(r.pixel(0, 205), RGB(153, 102, 153)) << "no 51st topping";
        EXPECT_TRUE(before == scoop_pixels());
    });
    EXPECT_EQ(r.run(), 0);
}

TEST(ConeRun, ClicksDuringTheIntroShowAtFrame151) {
    ConeRun r;
    r.at(10, [&] {
        r.click(0, 40);
        press(r, ADD_SCOOP);
    });
    r.at(150, [&] {
        EXPECT_EQ(r.count(RED, -8, 32, 8, 48), 0);
        EXPECT_NE(r.pixel(0, 90), MAGENTA);
    });
    r.at(151, [&] {
        EXPECT_EQ(r.pixel(-5, 40), RED);
        EXPECT_EQ(r.pixel(0, 90), MAGENTA);
        EXPECT_EQ(label_colour(r, REMOVE_SCOOP), RED);
    });
    EXPECT_EQ(r.run(), 0);
}

TEST(ConeRun, HaltedTheSceneFreezesButClicksStillCount) {
    ConeRun r;
    // Ctrl+H while the tick for frame 156 is armed: that frame still comes, then nothing until Ctrl+A.
    r.at(155, [&] { r.ctrl('H'); });
    r.at(158, [&] {
        r.click(0, 40);
        headless_type(r.window(), 'x');
    });
    r.at(164, [&] {
        EXPECT_EQ(r.pixel(225 + 61, 175), YELLOW) << "the sun of frame 156";
        EXPECT_EQ(r.pixel(225 + 62, 175), ICE_BLUE);
        EXPECT_EQ(r.count(RED, -8, 32, 8, 48), 0) << "nothing drawn while halted";
        r.ctrl('A');
    });
    r.at(165, [&] {
        EXPECT_EQ(r.pixel(225 + 62, 175), YELLOW) << "frame 157 follows";
        EXPECT_EQ(r.pixel(-5, 40), RED) << "the click made while halted";
    });
    EXPECT_EQ(r.run(), 0);
}

TEST(ConeRun, TheQuitButtonEndsAtOnce) {
    ConeRun r;
    r.at(155, [&] { press(r, QUIT); });
    EXPECT_EQ(r.run(), 0);
    EXPECT_EQ(r.waits_after_last_action(), 0);
}

TEST(ConeRun, CtrlQEndsEvenDuringTheIntro) {
    ConeRun r;
    r.at(30, [&] { r.ctrl('Q'); });
    EXPECT_EQ(r.run(), 0);
    EXPECT_EQ(r.waits_after_last_action(), 0);
}

TEST(ConeRun, TheCloseBoxEnds) {
    ConeRun r;
    r.at(152, [&] { headless_close(r.window()); });
    EXPECT_EQ(r.run(), 0);
    EXPECT_EQ(r.waits_after_last_action(), 0);
}

}  // namespace
