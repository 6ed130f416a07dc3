// The console: the ring of the last 25 lines, what the window shows, and keys passed on to the
// graphics window.
#include <string>

#include "harness.h"

using harness::at_next_wait;
using harness::console_lines;
using harness::next_event;

namespace {

const COLORREF white = RGB(255, 255, 255);

HWND console() { return window_console(); }

int memory_blocks() {
    HeadlessObjectCounts c = {};
    headless_object_counts(&c);
    return c.memory_blocks;
}

// The console font's line height and character width, as the console measures them.
struct ConsoleFont {
    int line, cell;
};
ConsoleFont console_font() {
    HDC dc = GetDC(console());
    HGDIOBJ old = SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
    TEXTMETRICA tm = {};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(console(), dc);
    return {tm.tmHeight + tm.tmExternalLeading, tm.tmAveCharWidth};
}

// Text row k counted from the bottom (0 = the bottom row): the rightmost non-white column in it,
// or -1 when the row is blank.
int row_ink_right(int k) {
    RECT rc = {};
    GetClientRect(console(), &rc);
    int h = console_font().line;
    int right = -1;
    for (int y = rc.bottom - (k + 1) * h; y < rc.bottom - k * h; y++)
        for (int x = 0; x < rc.right; x++)
            if (headless_pixel(console(), x, y) != white && x > right) right = x;
    return right;
}

// The number of characters of a line of '#'s drawn in row k, from its right edge.
int row_length(int k) {
    int right = row_ink_right(k);
    if (right < 0) return 0;
    ConsoleFont f = console_font();
    return (right - 5) / f.cell + 1;
}

// Paints the whole console black, then has it repaint itself from the ring.
void wipe_and_repaint() {
    HDC dc = GetDC(console());
    RECT rc = {};
    GetClientRect(console(), &rc);
    HGDIOBJ old = SelectObject(dc, GetStockObject(BLACK_BRUSH));
    Rectangle(dc, -1, -1, rc.right + 1, rc.bottom + 1);
    SelectObject(dc, old);
    ReleaseDC(console(), dc);
    InvalidateRect(console(), NULL, TRUE);
    harness::pump_all();
}

void print_hashes(int n) { plako_console_printf("%s\n", std::string((size_t)n, '#').c_str()); }

TEST(ConsoleRing, KeepsTheLastTwentyFiveLines) {
    harness::start();
    int blocks0 = memory_blocks();
    for (int i = 1; i <= 3; i++) plako_console_printf("line %d\n", i);
    EXPECT_EQ(console_lines(), (std::vector<std::string>{"line 1\n", "line 2\n", "line 3\n"}));
    EXPECT_EQ(memory_blocks() - blocks0, 3);

    for (int i = 4; i <= 25; i++) plako_console_printf("line %d\n", i);
    std::vector<std::string> lines = console_lines();
    ASSERT_EQ(lines.size(), 25u);
    EXPECT_EQ(lines.front(), "line 1\n");
    EXPECT_EQ(lines.back(), "line 25\n");
    EXPECT_EQ(memory_blocks() - blocks0, 25);

    plako_console_printf("line 26\n");  // displaces line 1
    lines = console_lines();
    ASSERT_EQ(lines.size(), 25u);
    EXPECT_EQ(lines.front(), "line 2\n");
    EXPECT_EQ(lines.back(), "line 26\n");

    for (int i = 27; i <= 30; i++) plako_console_printf("line %d\n", i);
    lines = console_lines();
    ASSERT_EQ(lines.size(), 25u);
    for (int i = 0; i < 25; i++) EXPECT_EQ(lines[(size_t)i], "line " + std::to_string(i + 6) + "\n");
    EXPECT_EQ(memory_blocks() - blocks0, 25);  // a displaced line's block is freed
}

TEST(ConsoleRing, LinesAreKeptAsFormattedAndCutAt1023) {
    harness::start();
    EXPECT_EQ(plako_console_printf("Illegal color %d; using RED.\n", 99), 29);
    EXPECT_EQ(plako_console_printf("%s", ""), 0);  // an empty line still takes a slot
    EXPECT_EQ(plako_console_printf("ab\n\n"), 4);
    std::string long_text(3000, 'x');
    EXPECT_EQ(plako_console_printf("%s\n", long_text.c_str()), 3001);  // what formatting produced
    std::vector<std::string> lines = console_lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Illegal color 99; using RED.\n");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "ab\n\n");
    EXPECT_EQ(lines[3], std::string(1023, 'x'));
}

TEST(ConsoleRing, LinesWrittenBeforeStartAreKeptAndShownLater) {
    EXPECT_EQ(plako_console_printf("%s\n", "#####"), 6);  // no console yet: kept, not drawn
    EXPECT_EQ(console_lines(), std::vector<std::string>{"#####\n"});
    harness::start();
    harness::pump_all();  // the console's first paint
    EXPECT_EQ(row_length(0), 5);
}

TEST(ConsoleWindow, NewLinesScrollUpFromTheBottom) {
    harness::start();
    harness::pump_all();
    print_hashes(4);
    EXPECT_EQ(row_length(0), 4);
    print_hashes(7);
    EXPECT_EQ(row_length(0), 7);
    EXPECT_EQ(row_length(1), 4);
    plako_console_printf("%s", "");  // an empty line: scrolls and draws nothing
    EXPECT_EQ(row_length(0), 0);
    EXPECT_EQ(row_length(1), 7);
    EXPECT_EQ(row_length(2), 4);
    // The trailing newline is not drawn: a line of newline only looks like an empty one.
    plako_console_printf("\n");
    EXPECT_EQ(row_length(0), 0);
    EXPECT_EQ(row_length(3), 4);
}

TEST(ConsoleWindow, RepaintBeforeAnyLineDrawsNothing) {
    harness::start();
    wipe_and_repaint();
    RECT rc = {};
    GetClientRect(console(), &rc);
    int ink = 0;
    for (int y = 0; y < rc.bottom; y += 3)
        for (int x = 0; x < rc.right; x += 3) ink += headless_pixel(console(), x, y) != white;
    EXPECT_EQ(ink, 0);
}

TEST(ConsoleWindow, RepaintDrawsTheKeptLinesOldestFirst) {
    harness::start();
    harness::pump_all();
    for (int i = 1; i <= 3; i++) print_hashes(i);
    wipe_and_repaint();
    EXPECT_EQ(row_length(0), 3);
    EXPECT_EQ(row_length(1), 2);
    EXPECT_EQ(row_length(2), 1);
    EXPECT_EQ(row_ink_right(3), -1);  // above the kept lines: the white background
}

TEST(ConsoleWindow, RepaintOfAFullRingAfterItWrapped) {
    harness::start();
    harness::pump_all();
    for (int i = 1; i <= 30; i++) print_hashes(i);
    wipe_and_repaint();
    RECT rc = {};
    GetClientRect(console(), &rc);
    int rows = (int)(rc.bottom / console_font().line);
    // Lines 6..30 were kept; the newest is at the bottom.
    for (int k = 0; k < rows && k < 25; k++) EXPECT_EQ(row_length(k), 30 - k) << k;
}

TEST(ConsoleWindow, ASecondNewlineIsDrawnAsACharacter) {
    harness::start();
    harness::pump_all();
    plako_console_printf("##\n");
    int plain = row_ink_right(0);
    plako_console_printf("##\n\n");
    int doubled = row_ink_right(0);
    plako_console_printf("##");
    EXPECT_EQ(row_ink_right(0), plain);  // a line without a newline is drawn whole
    // Whatever the font shows for it, the second newline occupies a cell after the text.
    EXPECT_GE(doubled, plain);
}

TEST(ConsoleWindow, KeysTypedInTheConsoleReachTheGraphicsWindow) {
    harness::start();
    at_next_wait([] { headless_type(console(), 'z'); });
    harness::Event e = next_event();
    EXPECT_EQ(e.kind, EVENT_KBD);
    EXPECT_EQ(e.key, 'z');

    at_next_wait([] {
        headless_key_down(console(), VK_CONTROL);
        headless_key_down(console(), 'A');
        headless_key_up(console(), 'A');
        headless_key_up(console(), VK_CONTROL);  // forwarded too: Ctrl is released again
    });
    EXPECT_EQ(next_event().kind, EVENT_PERIODIC);

    plako_set_run_mode(RUN_HALT);
    at_next_wait([] { headless_type(console(), 'q'); });
    e = next_event();
    EXPECT_EQ(e.kind, EVENT_KBD);
    EXPECT_EQ(e.key, 'q');
}

TEST(ConsoleWindow, ShowAndHide) {
    harness::start();
    EXPECT_NE(plako_show_console(0), 0);  // it was visible
    EXPECT_FALSE(IsWindowVisible(console()));
    EXPECT_EQ(plako_show_console(0), 0);
    plako_console_printf("written while hidden\n");
    EXPECT_EQ(plako_show_console(1), 0);
    EXPECT_TRUE(IsWindowVisible(console()));
    harness::pump_all();
    EXPECT_GT(row_ink_right(0), 5);
}

}  // namespace
