// The scene: the drawing calls the package keeps behind the canvas, their bounds, and which of
// them paints a pixel.
#include "harness.h"

using namespace harness;

namespace {

class Scene : public PackageTest {
   protected:
    void SetUp() override {
        start();
        plako_set_logging(0);
        plako_erase();
    }
    // The x of the circle kept at i (circles are kept as their box: x1 = x - radius).
    static int kept_x(int i, int radius) { return scene_call(i, nullptr)->x1 + radius; }
};

TEST_F(Scene, KeepsTheNewestCallsWithinItsBoundsAndForgetsThemOnErase) {
    const int extra = 50;
    for (int i = 0; i < SCENE_MAX_CALLS + extra; i++) plako_circle(PLAKO_RED, i, 0, 1);
    ASSERT_EQ(scene_count(), SCENE_MAX_CALLS);
    EXPECT_EQ(scene_dropped(), extra);
    EXPECT_EQ(kept_x(0, 1), extra);  // the oldest kept is the 51st drawn
    EXPECT_EQ(kept_x(SCENE_MAX_CALLS - 1, 1), SCENE_MAX_CALLS + extra - 1);
    EXPECT_EQ(scene_call(SCENE_MAX_CALLS, nullptr), nullptr);

    unsigned long before = scene_version();
    plako_erase();
    EXPECT_EQ(scene_count(), 0);
    EXPECT_EQ(scene_dropped(), 0);
    EXPECT_NE(scene_version(), before);

    // A filled rectangle over the whole client area hides all before it, as an erase does; one a
    // pixel short of it does not.
    plako_circle(PLAKO_RED, 0, 0, 10);
    plako_rectangle(PLAKO_WHITE, -297, 247, 297, -246, 0);
    EXPECT_EQ(scene_count(), 2);
    plako_rectangle(PLAKO_WHITE, -300, -250, 300, 250, 0);
    EXPECT_EQ(scene_count(), 1);
    plako_erase();

    // Texts count against their own budget: two that together pass it keep only the newer.
    std::string big((size_t)SCENE_MAX_TEXT / 2 + 1, 'x');
    plako_text(PLAKO_BLACK, 0, 0, 10, big.c_str());
    plako_text(PLAKO_BLACK, 0, 0, 10, big.c_str());
    const char *text = nullptr;
    ASSERT_EQ(scene_count(), 1);
    EXPECT_EQ(scene_dropped(), 1);
    ASSERT_NE(scene_call(0, &text), nullptr);
    EXPECT_EQ(strlen(text), big.size());
}

// Wherever the topmost call that paints a pixel is found, the canvas has that call's colour there;
// where none is, the erase's white (or its black ring).
TEST_F(Scene, TheTopmostCallAtAPixelIsTheOneWhoseColourTheCanvasShows) {
    plako_rectangle(PLAKO_BLUE, -100, 80, 100, -80, 0);
    plako_circle(PLAKO_YELLOW, 0, 0, 60);
    plako_triangle(PLAKO_GREEN, -90, -70, 0, 70, 90, -70, 3);
    plako_line(PLAKO_RED, -120, 0, 120, 10, 5);
    plako_text(PLAKO_NAVY_BLUE, -40, 40, 10, "Wg");        // small: drawn without smoothing
    plako_rectangle(PLAKO_ORANGE, 200, 200, 400, 100, 0);  // partly off the visible area
    int found = 0;
    for (int y = -130; y <= 230; y += 3) {
        for (int x = -130; x <= 296; x += 3) {
            int top[2];
            int n = scene_calls_at(px(x), py(y), top, 2);
            COLORREF want = n > 0 ? palette_colour(scene_call(top[0], nullptr)->colour) : RGB(255, 255, 255);
            ASSERT_EQ(canvas_at(x, y), want) << "at (" << x << ", " << y << ")";
            found += n;
            if (n == 2) {
                ASSERT_LT(top[1], top[0]);  // topmost first
            }
        }
    }
    EXPECT_GT(found, 1000);  // the sample did hit the shapes
}

}  // namespace
