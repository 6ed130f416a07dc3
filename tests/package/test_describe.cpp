// The description of the canvas: which calls it lists (those that paint a pixel of the client
// area that no later call paints), how it words them, and F3's console lines.
#include <string.h>

#include <sstream>

#include "harness.h"
#include "replay.h"

using namespace harness;

namespace {

class Describe : public PackageTest {
   protected:
    void setup() {
        start();
        plako_set_logging(0);
    }
};

std::vector<std::string> description() {
    std::vector<char> text(replay_describe(nullptr, 0) + 1);
    replay_describe(text.data(), text.size());
    std::vector<std::string> lines;
    std::istringstream in(text.data());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The numbers of the calls the description lists, in its order.
std::vector<int> listed(const std::vector<std::string> &lines) {
    std::vector<int> numbers;
    for (const std::string &line : lines)
        if (!line.empty() && isdigit((unsigned char)line[0])) numbers.push_back(atoi(line.c_str()));
    return numbers;
}

TEST_F(Describe, ListsWhatCanBeSeenAndCountsTheRest) {
    struct Case {
        const char *name;
        void (*draw)();
        std::vector<int> shown;
        const char *left_out;  // the one left-out line expected, or null for none
    };
    const Case cases[] = {
        {"a circle wholly under a later rectangle",
         [] {
             plako_circle(PLAKO_RED, 0, 0, 20);
             plako_rectangle(PLAKO_BLUE, -30, 30, 30, -30, 0);
         },
         {2},
         "Left out: 1 drawing wholly covered by later drawing."},
        {"a circle partly under a later rectangle",
         [] {
             plako_circle(PLAKO_RED, 0, 0, 20);
             plako_rectangle(PLAKO_BLUE, -30, 30, 10, -30, 0);
         },
         {1, 2},
         nullptr},
        {"a circle whose only visible pixel is left by a rectangle one pixel short",
         [] {
             plako_circle(PLAKO_RED, 0, 0, 20);
             plako_rectangle(PLAKO_BLUE, -30, 30, 30, -19, 0);
         },
         {1, 2},
         nullptr},
        {"a rectangle beyond the right edge and one just inside it",
         [] {
             plako_rectangle(PLAKO_GREEN, 298, 10, 400, -10, 0);
             plako_rectangle(PLAKO_GREEN, 297, 10, 400, -10, 0);
         },
         {2},
         "Left out: 1 drawing off the visible canvas."},
        {"an outline round the whole canvas, its inside left as it was",
         [] { plako_rectangle(PLAKO_BLACK, -400, 300, 400, -300, 3); },
         {},
         "Left out: 1 drawing off the visible canvas."},
        {"a text of two lines, a line, a triangle and a dot",
         [] {
             plako_text(PLAKO_NAVY_BLUE, -280, 200, 18, "My first\nprogram");
             plako_line(PLAKO_RED, -100, -100, 100, -100, 3);
             plako_triangle(PLAKO_GOLD, 0, 100, 50, 150, 100, 100, 2);
             plako_rectangle(PLAKO_BLACK, 5, 5, 5, 5, 0);  // a single pixel: the renderer paints none
         },
         {1, 2, 3},
         "Left out: 1 drawing off the visible canvas."},
    };
    setup();
    for (const Case &c : cases) {
        plako_erase();
        c.draw();
        std::vector<std::string> lines = description();
        EXPECT_EQ(listed(lines), c.shown) << c.name;
        std::string left_out = lines.back().rfind("Left out", 0) == 0 ? lines.back() : "";
        EXPECT_EQ(left_out, c.left_out ? c.left_out : "") << c.name;
    }
}

// Each kind in words, with its place; a text's lines joined, its Windows-1252 bytes as UTF-8.
TEST_F(Describe, WordsEachCallWithItsValues) {
    setup();
    plako_erase();
    EXPECT_EQ(description(), std::vector<std::string>{"The canvas is empty."});
    plako_rectangle(PLAKO_FOREST_GREEN, -297, 247, 297, -247, 0);
    plako_circle(PLAKO_RED, 0, 0, 50);
    plako_rectangle(PLAKO_BLUE, 200, -150, 250, -200, 2);
    plako_text(PLAKO_NAVY_BLUE, -280, 200, 18, "Caf\xe9\nopen");
    plako_line(PLAKO_GRAY_50, -250, 50, -250, -50, 1);
    std::vector<std::string> lines = description();
    EXPECT_EQ(
        lines,
        (std::vector<std::string>{
            "The canvas shows 4 shapes and 1 text.",
            "1. forest green rectangle from (-297, 247) to (297, -247), filled; across the whole canvas.",
            "2. red circle at (0, 0), radius 50; centre.",
            "3. blue rectangle from (200, -150) to (250, -200), outlined, width 2; bottom right.",
            "4. navy blue text \"Caf\xc3\xa9 / open\" at (-280, 200), size 18; top left.",
            "5. 50% gray line from (-250, 50) to (-250, -50), width 1; left.",
        }));
    char cut[12];
    size_t whole = replay_describe(cut, sizeof cut);
    EXPECT_EQ(whole, strlen("The canvas shows 4 shapes and 1 text.") + 1 + lines[1].size() + 1 +
                         lines[2].size() + 1 + lines[3].size() + 1 + lines[4].size() + 1 + lines[5].size());
    EXPECT_STREQ(cut, "The canvas ");
}

// F3 prints a console line per sentence, none beyond the console's 1023 characters, and changes
// nothing of the program's run: no event waits for it.
TEST_F(Describe, TheKeyPrintsEachSentenceAsAConsoleLine) {
    setup();
    plako_erase();
    std::string long_text(1500, 'a');
    long_text[1004] = '\xe9';  // where the cut falls: two bytes in UTF-8, never split
    plako_text(PLAKO_BLACK, -290, 0, 8, long_text.c_str());
    plako_circle(PLAKO_RED, 100, 100, 10);
    mark();
    describe_print();
    std::vector<std::string> printed = since_mark();
    ASSERT_EQ(printed.size(), 3u);
    EXPECT_EQ(printed[0], "The canvas shows 1 shape and 1 text.\n");
    EXPECT_LE(printed[1].size(), 1023u);
    EXPECT_EQ(printed[1].substr(printed[1].size() - 4), "...\n") << "a cut line says so";
    EXPECT_EQ(printed[1].rfind("1. black text \"aaa", 0), 0u);
    EXPECT_EQ(printed[1].find('\xc3'), std::string::npos) << "half a character is left out whole";
    EXPECT_EQ(printed[2], "2. red circle at (100, 100), radius 10; top right.\n");
}

}  // namespace

namespace {

// The calls the description lists are exactly those that are topmost at some client pixel, as the
// package's own one-pixel probe (scene_calls_at) finds them pixel by pixel.
TEST_F(Describe, ListsExactlyTheCallsTopmostAtSomePixel) {
    setup();
    plako_erase();
    plako_circle(PLAKO_RED, -100, 0, 40);                         // 1: one pixel column left of 2
    plako_rectangle(PLAKO_BLUE, -139, 45, -60, -45, 0);           // 2
    plako_triangle(PLAKO_GOLD, 100, 100, 200, 100, 150, 180, 4);  // 3: outline, its inside open
    plako_circle(PLAKO_GREEN, 150, 125, 10);                      // 4: inside 3, seen
    plako_line(PLAKO_BLACK, -297, -200, 297, -200, 1);            // 5: along the whole width
    plako_rectangle(PLAKO_WHITE, -297, -199, 297, -201, 0);       // 6: covers 5 wholly
    plako_circle(PLAKO_PINK, 320, 0, 25);                         // 7: a sliver on the right edge
    std::vector<int> topmost;
    int w = window_origin_x() * 2 + 1, h = window_origin_y() * 2 + 1;
    std::vector<bool> seen((size_t)scene_count(), false);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            int top = -1;
            if (scene_calls_at(x, y, &top, 1) == 1) seen[(size_t)top] = true;
        }
    for (size_t i = 0; i < seen.size(); i++)
        if (seen[i]) topmost.push_back((int)i + 1);
    EXPECT_EQ(topmost, (std::vector<int>{1, 2, 3, 4, 6, 7})) << "the oracle itself";
    EXPECT_EQ(listed(description()), topmost);
}

}  // namespace
