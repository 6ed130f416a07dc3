// The console: the ring of the last 25 lines, what its window shows, and keys passed on.
#include <algorithm>
#include <string>

#include "harness.h"

using namespace harness;
using ConsoleRing = PackageTest;
using ConsoleWindow = PackageTest;
using OutOfMemory = PackageTest;
using Lines = std::vector<std::string>;

namespace {

HWND console() { return window_console(); }

// The console font's line height and character width, measured as the console does.
void console_font(int *line, int *cell) {
    HDC dc = GetDC(console());
    HGDIOBJ old = SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
    TEXTMETRICA tm = {};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(console(), dc);
    *line = tm.tmHeight + tm.tmExternalLeading;
    *cell = tm.tmAveCharWidth;
}

// How many characters wide the ink of text row k is (0 = the bottom row); 0 for a blank row.
int row_length(int k) {
    int line, cell, right = -1;
    console_font(&line, &cell);
    RECT rc = {};
    GetClientRect(console(), &rc);
    for (int y = rc.bottom - (k + 1) * line; y < rc.bottom - k * line; y++)
        for (int x = 0; x < rc.right; x++)
            if (headless_pixel(console(), x, y) != RGB(255, 255, 255) && x > right) right = x;
    return right < 0 ? 0 : (right - 5) / cell + 1;  // text starts at x = 5
}

void print_hashes(int n) { plako_console_printf("%s\n", std::string((size_t)n, '#').c_str()); }

// Paints the whole console black, then has it repaint itself from the ring.
void wipe_and_repaint() {
    HDC dc = GetDC(console());
    HGDIOBJ old = SelectObject(dc, GetStockObject(BLACK_BRUSH));
    Rectangle(dc, -1, -1, 5000, 5000);
    SelectObject(dc, old);
    ReleaseDC(console(), dc);
    InvalidateRect(console(), NULL, TRUE);
    pump_all();
}

TEST_F(ConsoleRing, KeepsTheLastTwentyFiveLinesEachInItsOwnBlock) {
    start();
    int blocks0 = object_counts().memory_blocks;
    for (int i = 1; i <= 3; i++) plako_console_printf("line %d\n", i);
    EXPECT_EQ(console_lines(), (Lines{"line 1\n", "line 2\n", "line 3\n"}));
    EXPECT_EQ(object_counts().memory_blocks - blocks0, 3);
    for (int i = 4; i <= 25; i++) plako_console_printf("line %d\n", i);
    EXPECT_EQ(console_lines().front(), "line 1\n");
    plako_console_printf("line 26\n");  // displaces line 1
    EXPECT_EQ(console_lines().front(), "line 2\n");
    for (int i = 27; i <= 30; i++) plako_console_printf("line %d\n", i);
    Lines lines = console_lines();
    ASSERT_EQ(lines.size(), 25u);
    for (int i = 0; i < 25; i++) EXPECT_EQ(lines[(size_t)i], "line " + std::to_string(i + 6) + "\n");
    EXPECT_EQ(object_counts().memory_blocks - blocks0, 25);  // displaced blocks are freed
}

TEST_F(ConsoleRing, LinesAreKeptAsFormattedAndCutAt1023) {
    start();
    EXPECT_EQ(plako_console_printf("Illegal color %d; using RED.\n", 99), 29);
    EXPECT_EQ(plako_console_printf("%s", ""), 0);  // an empty line still takes a slot
    EXPECT_EQ(plako_console_printf("ab\n\n"), 4);
    EXPECT_EQ(plako_console_printf("%s\n", std::string(3000, 'x').c_str()), 3001);  // what was formatted
    EXPECT_EQ(console_lines(),
              (Lines{"Illegal color 99; using RED.\n", "", "ab\n\n", std::string(1023, 'x')}));
}

TEST_F(ConsoleRing, LinesWrittenBeforeStartAreKeptAndShownLater) {
    EXPECT_EQ(plako_console_printf("%s\n", "#####"), 6);  // no console yet: kept, not drawn
    start();
    pump_all();  // the console's first paint
    EXPECT_EQ(row_length(0), 5);
}

TEST_F(ConsoleWindow, NewLinesScrollUpFromTheBottomWithoutTheirNewline) {
    start();
    pump_all();
    print_hashes(4);
    print_hashes(7);
    plako_console_printf("%s", "");  // scrolls and draws nothing
    plako_console_printf("\n");      // looks the same: the newline is not drawn
    EXPECT_EQ(row_length(0), 0);
    EXPECT_EQ(row_length(1), 0);
    EXPECT_EQ(row_length(2), 7);
    EXPECT_EQ(row_length(3), 4);
    plako_console_printf("##");
    EXPECT_EQ(row_length(0), 2);
    plako_console_printf("##\n\n");  // the second newline is a character cell of its own
    EXPECT_GE(row_length(0), 2);
}

TEST_F(ConsoleWindow, RepaintDrawsTheKeptLinesOldestFirst) {
    start();
    wipe_and_repaint();  // no line yet: all white
    EXPECT_EQ(row_length(0), 0);
    EXPECT_EQ(row_length(5), 0);
    for (int i = 1; i <= 3; i++) print_hashes(i);
    wipe_and_repaint();
    EXPECT_EQ(row_length(0), 3);
    EXPECT_EQ(row_length(1), 2);
    EXPECT_EQ(row_length(2), 1);
    EXPECT_EQ(row_length(3), 0);
    for (int i = 4; i <= 30; i++) print_hashes(i);  // lines 6..30 are kept
    wipe_and_repaint();
    int line, cell;
    console_font(&line, &cell);
    RECT rc = {};
    GetClientRect(console(), &rc);
    for (int k = 0; k < rc.bottom / line && k < 25; k++) EXPECT_EQ(row_length(k), 30 - k) << k;
}

TEST_F(ConsoleWindow, KeysPressedInTheConsoleReachTheGraphicsWindow) {
    start();
    at_next_wait([] { headless_type(console(), 'z'); });
    Event e = next_event();
    EXPECT_EQ(e.kind, EVENT_KBD);
    EXPECT_EQ(e.key, 'z');
    at_next_wait([] {
        headless_key_down(console(), VK_CONTROL);
        headless_key_down(console(), 'A');
        headless_key_up(console(), VK_CONTROL);  // forwarded too: Ctrl is released again
    });
    EXPECT_EQ(next_event().kind, EVENT_PERIODIC);
    plako_set_run_mode(RUN_HALT);
    at_next_wait([] { headless_type(console(), 'q'); });
    EXPECT_EQ(next_event().key, 'q');
}

TEST_F(ConsoleWindow, ShowAndHideReportTheFormerVisibility) {
    start();
    EXPECT_NE(plako_show_console(0), 0);
    EXPECT_FALSE(IsWindowVisible(console()));
    EXPECT_EQ(plako_show_console(0), 0);
    print_hashes(9);  // kept while hidden, shown by the repaint
    EXPECT_EQ(plako_show_console(1), 0);
    pump_all();
    EXPECT_EQ(row_length(0), 9);
}

}  // namespace

// When memory runs out, a line or a text copy is lost, never written through a null block.
TEST_F(OutOfMemory, ConsoleLinesAndTextCopiesGoOnWithoutTheirBlocks) {
    start();
    plako_erase();
    pump_all();
    plako_console_printf("kept\n");
    HeadlessObjectCounts before = object_counts();
    headless_fail_allocations(1);
    EXPECT_EQ(plako_console_printf("lost\n"), 5);  // still counts what was formatted
    EXPECT_EQ(object_counts().memory_blocks, before.memory_blocks);
    plako_console_printf("after\n");
    Lines lines = console_lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), "after\n");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "lost\n"), 0);
    wipe_and_repaint();  // the empty slot repaints as an empty row
    EXPECT_EQ(row_length(0), 5);
    EXPECT_EQ(row_length(2), 4);

    // The text's private copy cannot be had: the call reports as usual and draws nothing.
    plako_set_logging(0);
    before = object_counts();
    headless_fail_allocations(1);
    EXPECT_EQ(plako_text(PLAKO_BLACK, 0, 0, 40, "MMMM"), 1);
    headless_fail_allocations(0);
    for (int y = -40; y <= 0; y += 2)
        for (int x = 0; x < 80; x += 2) ASSERT_EQ(canvas_at(x, y), RGB(255, 255, 255)) << x << "," << y;
    plako_text(PLAKO_BLACK, 0, 0, 40, "MMMM");  // with memory again it draws
    int ink = 0;
    for (int y = -5; y <= 40; y++)
        for (int x = 0; x < 120; x++) ink += canvas_at(x, y) == RGB(0, 0, 0);
    EXPECT_GT(ink, 50);
    expect_same_objects(before, object_counts());
}
