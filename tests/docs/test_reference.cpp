// The reference against the code: the colours in plako.h and docs/API.md against the palette, a
// doc comment for every call, every console line the package can write quoted in docs/API.md, the
// Run menu's items in docs/API.md, and the window and canvas numbers the concepts block states.
#include <gtest/gtest.h>
#include <headless.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "internal.h"
#include "plako.h"

namespace {

std::string read_file(const std::string &path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

const std::string header = read_file(PLAKO_SOURCE_DIR "/include/plako.h");
const std::string api = read_file(PLAKO_SOURCE_DIR "/docs/API.md");

struct Colour {
    std::string macro;
    int index, r, g, b;
    std::string name;
};

std::string hex(int r, int g, int b) {
    char buf[8];
    snprintf(buf, sizeof buf, "#%02X%02X%02X", r, g, b);
    return buf;
}

// Checks one documented colour against the palette's entry of its index.
void expect_palette(const Colour &c, const char *where) {
    ASSERT_GE(c.index, 0) << where << " " << c.macro;
    ASSERT_LT(c.index, PLAKO_COLOUR_COUNT) << where << " " << c.macro;
    EXPECT_EQ(c.name, palette_name(c.index)) << where << " " << c.macro;
    COLORREF v = palette_colour(c.index);
    EXPECT_EQ(c.r, (int)GetRValue(v)) << where << " " << c.macro;
    EXPECT_EQ(c.g, (int)GetGValue(v)) << where << " " << c.macro;
    EXPECT_EQ(c.b, (int)GetBValue(v)) << where << " " << c.macro;
}

TEST(Reference, HeaderColoursAreThePalette) {
    std::regex def(R"re(^#define (PLAKO_\w+) (\d+) +/\* "([^"]+)" +RGB\( *(\d+), +(\d+), +(\d+)\))re");
    std::set<int> seen;
    for (const std::string &line : lines_of(header)) {
        std::smatch m;
        if (!std::regex_search(line, m, def)) continue;
        Colour c{m[1], std::stoi(m[2]), std::stoi(m[4]), std::stoi(m[5]), std::stoi(m[6]), m[3]};
        expect_palette(c, "plako.h");
        EXPECT_TRUE(seen.insert(c.index).second) << "index " << c.index << " twice";
    }
    EXPECT_EQ(seen.size(), (size_t)PLAKO_COLOUR_COUNT);
    // The comments name the macros' own values: spot checks through the macros themselves.
    EXPECT_STREQ(palette_name(PLAKO_NAVY_BLUE), "navy blue");
    EXPECT_STREQ(palette_name(PLAKO_GRAY_50), "50% gray");
}

TEST(Reference, ApiColourTableIsThePalette) {
    // | 9 | `PLAKO_NAVY_BLUE` | navy blue | 0, 51, 153 | `#003399` |
    std::regex row(R"(^\| (\d+) \| `(PLAKO_\w+)` \| ([^|]+?) \| (\d+), (\d+), (\d+) \| `(#[0-9A-F]{6})` \|)");
    std::set<int> seen;
    for (const std::string &line : lines_of(api)) {
        std::smatch m;
        if (!std::regex_search(line, m, row)) continue;
        Colour c{m[2], std::stoi(m[1]), std::stoi(m[4]), std::stoi(m[5]), std::stoi(m[6]), m[3]};
        expect_palette(c, "API.md");
        EXPECT_EQ(m[7].str(), hex(c.r, c.g, c.b)) << c.macro;
        // The macro names the same index in the header.
        EXPECT_NE(header.find("#define " + c.macro + " " + std::to_string(c.index) + " "), std::string::npos)
            << c.macro;
        EXPECT_TRUE(seen.insert(c.index).second) << "index " << c.index << " twice";
    }
    EXPECT_EQ(seen.size(), (size_t)PLAKO_COLOUR_COUNT);
}

// Every call declared in plako.h has a doc comment right above it that states its result, and a
// section of its own in docs/API.md.
TEST(Reference, EveryCallIsDocumented) {
    std::vector<std::string> lines = lines_of(header);
    std::regex decl(R"(^int (plako_\w+)\()");
    int calls = 0;
    for (size_t i = 0; i < lines.size(); i++) {
        std::smatch m;
        if (!std::regex_search(lines[i], m, decl)) continue;
        calls++;
        std::string name = m[1];
        ASSERT_GT(i, 0u);
        const std::string &above = lines[i - 1];
        EXPECT_TRUE(above.size() >= 2 && above.compare(above.size() - 2, 2, "*/") == 0)
            << name << " has no doc comment right above it";
        size_t start = i - 1;
        while (start > 0 && lines[start].rfind("/*", 0) != 0) start--;
        std::string comment;
        for (size_t k = start; k < i; k++) comment += lines[k] + "\n";
        EXPECT_NE(comment.find("Returns"), std::string::npos)
            << name << ": the comment does not say its result";
        EXPECT_NE(api.find("\n### " + name + "\n"), std::string::npos)
            << name << " has no section in docs/API.md";
    }
    EXPECT_EQ(calls, 14);
}

// The text of each console line the package writes, as its C literal (escapes as in the source).
std::vector<std::string> console_formats(const std::string &file) {
    std::string src = read_file(std::string(PLAKO_SOURCE_DIR) + "/package/" + file);
    std::regex call(R"re(plako_console_printf\(\s*"((?:[^"\\]|\\.)*)")re");
    std::vector<std::string> out;
    for (std::sregex_iterator it(src.begin(), src.end(), call), end; it != end; ++it) out.push_back((*it)[1]);
    return out;
}

TEST(Reference, EveryConsoleLineIsInApi) {
    int total = 0;
    for (const char *file : {"draw.cpp", "palette.cpp", "script.cpp", "console.cpp", "event.cpp",
                             "window.cpp", "render.cpp", "text_encoding.cpp", "picture.cpp"}) {
        for (const std::string &f : console_formats(file)) {
            total++;
            EXPECT_NE(api.find("`\"" + f + "\"`"), std::string::npos)
                << file << ": \"" << f << "\" is not in docs/API.md";
        }
    }
    EXPECT_GE(total, 20);
}

// The corrections and log lines of the drawing calls are in the header's comments too.
TEST(Reference, DrawingLinesAreInHeader) {
    int total = 0;
    for (const char *file : {"draw.cpp", "palette.cpp"}) {
        for (const std::string &f : console_formats(file)) {
            total++;
            EXPECT_NE(header.find("\"" + f + "\""), std::string::npos)
                << file << ": \"" << f << "\" is not in plako.h";
        }
    }
    EXPECT_GE(total, 12);
}

// Each Run menu item, label and accelerator, is a row of the menu table in docs/API.md.
TEST(Reference, RunMenuItemsAreInApi) {
    headless_select();
    char cmd[] = "";
    plako_start((HINSTANCE)1, nullptr, cmd, SW_SHOWNORMAL);
    HMENU menu = event_run_menu();
    ASSERT_NE(menu, nullptr);
    int n = GetMenuItemCount(menu);
    int items = 0;
    std::vector<std::string> api_lines = lines_of(api);
    for (int pos = 0; pos < n; pos++) {
        char text[256];
        if (GetMenuStringA(menu, (UINT)pos, text, sizeof text, MF_BYPOSITION) <= 0) continue;  // a separator
        std::string label, accel;
        for (const char *p = text; *p; p++) {
            if (*p == '\t') {
                accel = p + 1;
                break;
            }
            if (*p != '&') label += *p;
        }
        items++;
        bool found = false;
        for (const std::string &line : api_lines)
            if (line.rfind("| ", 0) == 0 && line.find(label) != std::string::npos &&
                (accel.empty() || line.find(accel) != std::string::npos))
                found = true;
        EXPECT_TRUE(found) << "menu item \"" << label << "\" " << accel << " has no row in docs/API.md";
    }
    EXPECT_EQ(items, 12);
    plako_stop();
}

// The numbers the concepts block is built on: the client area, the origin, the visible corners,
// the canvas black before the first erase and the edge ring the erase draws.
TEST(Reference, WindowAndCanvasAreAsDocumented) {
    headless_select();
    char cmd[] = "";
    plako_start((HINSTANCE)1, nullptr, cmd, SW_SHOWNORMAL);
    HWND w = FindWindowA("DrawWndClass", "PLAKO Graphics");
    ASSERT_NE(w, nullptr);
    RECT rc = {};
    GetClientRect(w, &rc);
    EXPECT_EQ(rc.right - rc.left, 595);
    EXPECT_EQ(rc.bottom - rc.top, 495);
    EXPECT_EQ(window_origin_x(), 297);
    EXPECT_EQ(window_origin_y(), 247);

    HDC canvas = window_canvas();
    EXPECT_EQ(GetPixel(canvas, 300, 270), RGB(0, 0, 0)) << "black before the first erase";
    plako_set_logging(0);
    plako_erase();
    EXPECT_EQ(GetPixel(canvas, 0, 100), RGB(0, 0, 0)) << "left column of the ring";
    EXPECT_EQ(GetPixel(canvas, 100, 0), RGB(0, 0, 0)) << "top row of the ring";
    EXPECT_EQ(GetPixel(canvas, 1, 1), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(canvas, 599, 538), RGB(255, 255, 255));
    // The visible corners (-297, 247) and (297, -247) are client pixels (0, 0) and (594, 494);
    // the canvas reaches x = 303 and y = -292, its last column and row. (2 by 2 squares: a
    // rectangle whose corners are one point draws nothing.)
    plako_rectangle(PLAKO_BLUE, -297, 247, -296, 246, 0);
    plako_rectangle(PLAKO_GREEN, 297, -247, 296, -246, 0);
    plako_rectangle(PLAKO_RED, 303, -292, 302, -291, 0);
    EXPECT_EQ(GetPixel(canvas, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(canvas, 594, 494), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(canvas, 595, 495), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(canvas, 600, 539), RGB(255, 0, 0));
    // Both corners inclusive: 21 by 11 pixels.
    plako_erase();
    plako_rectangle(PLAKO_BLACK, -10, 5, 10, -5, 0);
    int covered = 0;
    for (int y = 200; y < 300; y++)
        for (int x = 250; x < 350; x++) covered += GetPixel(canvas, x, y) == RGB(0, 0, 0);
    EXPECT_EQ(covered, 21 * 11);
    EXPECT_EQ(GetPixel(canvas, 297 - 10, 247 - 5), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(canvas, 297 + 10, 247 + 5), RGB(0, 0, 0));
    plako_stop();
}

// Text hangs above its anchor: the first line's cell ends on the row above y, the next line's
// cell starts on row y. (Arial's substitute at 12 pixels has a 14-pixel cell.)
TEST(Reference, TextHangsAboveItsAnchor) {
    headless_select();
    char cmd[] = "";
    plako_start((HINSTANCE)1, nullptr, cmd, SW_SHOWNORMAL);
    plako_set_logging(0);
    plako_erase();
    HDC canvas = window_canvas();
    plako_text(PLAKO_BLACK, 0, 0, 12, "HH\nHH");
    int first = 540, last = -1;
    for (int y = 1; y < 539; y++)  // inside the erase's edge ring
        for (int x = 297; x < 330; x++)
            if (GetPixel(canvas, x, y) != RGB(255, 255, 255)) {
                first = std::min(first, y);
                last = std::max(last, y);
            }
    // Capital H: from the cell's ascent line to its baseline, 11 and 3 pixels from the cell's edges.
    int anchor_row = 247;
    EXPECT_LT(first, anchor_row - 1);
    EXPECT_GE(first, anchor_row - 14);
    bool above_row = false, on_or_below = false;
    for (int x = 297; x < 330; x++) {
        for (int y = anchor_row - 14; y < anchor_row; y++)
            above_row |= GetPixel(canvas, x, y) != RGB(255, 255, 255);
        for (int y = anchor_row; y < anchor_row + 14; y++)
            on_or_below |= GetPixel(canvas, x, y) != RGB(255, 255, 255);
    }
    EXPECT_TRUE(above_row) << "first line above the anchor row";
    EXPECT_TRUE(on_or_below) << "second line from the anchor row down";
    EXPECT_LT(last, anchor_row + 14) << "second line within one cell below";
    plako_stop();
}

}  // namespace

namespace {

// Pixels that are not white, inside the erase's edge ring.
int drawn_pixels(HDC canvas) {
    int n = 0;
    for (int y = 1; y < 539; y++)
        for (int x = 1; x < 600; x++) n += GetPixel(canvas, x, y) != RGB(255, 255, 255);
    return n;
}

// The small cases the reference warns about, as the renderer draws them.
TEST(Reference, SmallShapesAsDocumented) {
    headless_select();
    char cmd[] = "";
    plako_start((HINSTANCE)1, nullptr, cmd, SW_SHOWNORMAL);
    plako_set_logging(0);
    HDC canvas = window_canvas();
    plako_erase();
    plako_circle(PLAKO_BLACK, 0, 0, 0);
    EXPECT_EQ(drawn_pixels(canvas), 0) << "radius 0 draws nothing";
    plako_erase();
    plako_circle(PLAKO_BLACK, 0, 0, 1);
    EXPECT_EQ(drawn_pixels(canvas), 5) << "radius 1 is a plus of 5 pixels";
    plako_erase();
    plako_rectangle(PLAKO_BLACK, 7, 7, 7, 7, 0);
    EXPECT_EQ(drawn_pixels(canvas), 0) << "a rectangle of one point draws nothing";
    plako_erase();
    plako_rectangle(PLAKO_BLACK, 7, 7, 7, 2, 0);
    EXPECT_EQ(drawn_pixels(canvas), 6) << "one pixel wide, 6 high";
    plako_erase();
    plako_line(PLAKO_BLACK, 3, 3, 3, 3, 1);
    EXPECT_EQ(drawn_pixels(canvas), 0) << "a 1-pixel line of one point draws nothing";
    plako_erase();
    plako_line(PLAKO_BLACK, 0, 0, 10, 0, 0);
    EXPECT_EQ(drawn_pixels(canvas), 10) << "width 0 is 1 pixel wide and leaves out the end";
    EXPECT_EQ(GetPixel(canvas, 297, 247), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(canvas, 307, 247), RGB(255, 255, 255));
    plako_erase();
    plako_line(PLAKO_BLACK, 3, 3, 4, 3, 1);
    EXPECT_EQ(drawn_pixels(canvas), 1) << "a single pixel: a 1-pixel line one step long";
    EXPECT_EQ(GetPixel(canvas, 300, 244), RGB(0, 0, 0));
    plako_stop();
}

// ptsize 0 is the same size as 12.
TEST(Reference, TextSizeZeroIsTwelve) {
    headless_select();
    char cmd[] = "";
    plako_start((HINSTANCE)1, nullptr, cmd, SW_SHOWNORMAL);
    plako_set_logging(0);
    HDC canvas = window_canvas();
    std::vector<COLORREF> zero, twelve;
    plako_erase();
    plako_text(PLAKO_BLACK, -20, 0, 0, "Hg 0");
    for (int y = 200; y < 280; y++)
        for (int x = 270; x < 340; x++) zero.push_back(GetPixel(canvas, x, y));
    plako_erase();
    plako_text(PLAKO_BLACK, -20, 0, 12, "Hg 0");
    for (int y = 200; y < 280; y++)
        for (int x = 270; x < 340; x++) twelve.push_back(GetPixel(canvas, x, y));
    EXPECT_TRUE(zero == twelve);
    plako_erase();
    plako_text(PLAKO_BLACK, -20, 0, 13, "Hg 0");
    std::vector<COLORREF> thirteen;
    for (int y = 200; y < 280; y++)
        for (int x = 270; x < 340; x++) thirteen.push_back(GetPixel(canvas, x, y));
    EXPECT_FALSE(thirteen == twelve) << "the comparison sees a size change";
    plako_stop();
}

}  // namespace

namespace {

struct Event {
    int kind, x, y;
    char key;
};

Event next_event(void) {
    Event e = {};
    e.kind = plako_next_event(&e.x, &e.y, &e.key);
    return e;
}

// What the reference says each event holds, the keys, the start state and when RUN_QUIT acts.
TEST(Reference, EventsAsDocumented) {
    headless_select();
    char cmd[] = "";
    plako_start((HINSTANCE)1, nullptr, cmd, SW_SHOWNORMAL);
    HWND w = FindWindowA("DrawWndClass", "PLAKO Graphics");
    HWND console = FindWindowA("TextWndClass", "PLAKO Text");
    ASSERT_NE(w, nullptr);
    ASSERT_NE(console, nullptr);
    // At start: logging on and checked, the console shown.
    EXPECT_EQ(event_logging(), 1);
    EXPECT_TRUE(headless_menu_state(w, CMD_LOGGING) & MF_CHECKED);
    EXPECT_TRUE(IsWindowVisible(console));
    plako_set_logging(0);

    // Clicks: canvas points, key 0; the client area's corners are the visible area's corners.
    headless_click(w, 0, 0);
    Event e = next_event();
    EXPECT_EQ(e.kind, EVENT_MOUSE);
    EXPECT_EQ(e.x, -297);
    EXPECT_EQ(e.y, 247);
    EXPECT_EQ(e.key, 0);
    headless_click(w, 594, 494);
    e = next_event();
    EXPECT_EQ(e.kind, EVENT_MOUSE);
    EXPECT_EQ(e.x, 297);
    EXPECT_EQ(e.y, -247);

    // Characters: x and y 0; codes above 127 as a negative char; Enter 13.
    headless_type(w, 'a');
    e = next_event();
    EXPECT_EQ(e.kind, EVENT_KBD);
    EXPECT_EQ(e.key, 97);
    EXPECT_EQ(e.x, 0);
    EXPECT_EQ(e.y, 0);
    headless_type(w, 233);
    e = next_event();
    EXPECT_EQ(e.kind, EVENT_KBD);
    EXPECT_EQ((unsigned char)e.key, 233);
    EXPECT_EQ(e.key, (char)233);
    headless_key_down(w, VK_RETURN);
    headless_key_up(w, VK_RETURN);
    e = next_event();
    EXPECT_EQ(e.kind, EVENT_KBD);
    EXPECT_EQ(e.key, 13);

    // Halted at start: Ctrl+A gives no keyboard event and starts the ticks; a tick holds zeros.
    headless_key_down(w, VK_CONTROL);
    headless_key_down(w, 'A');
    headless_key_up(w, 'A');
    headless_key_up(w, VK_CONTROL);
    DWORD before = headless_now();
    e = next_event();
    EXPECT_EQ(e.kind, EVENT_PERIODIC);
    EXPECT_EQ(e.x, 0);
    EXPECT_EQ(e.y, 0);
    EXPECT_EQ(e.key, 0);
    e = next_event();
    EXPECT_EQ(e.kind, EVENT_PERIODIC);
    EXPECT_GE(headless_now() - before, 100u) << "ticks are 100 ms apart";

    // RUN_QUIT: the next event found comes back as EVENT_QUIT with its own x and y.
    plako_set_run_mode(RUN_HALT);
    plako_set_run_mode(RUN_QUIT);
    headless_click(w, 297 + 5, 247 - 6);
    e = next_event();
    EXPECT_EQ(e.kind, EVENT_QUIT);
    EXPECT_EQ(e.x, 5);
    EXPECT_EQ(e.y, 6);
    plako_stop();
}

}  // namespace
