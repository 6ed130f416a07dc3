// Our GDI against pictures drawn by a reference GDI from the same command files
// (gdi_reference/commands -> gdi_reference/expected), on a 601x540 memory DC.
// Integer rasterising must match pixel for pixel. Wide diagonal pens and wide-pen ellipses are
// the reference's own choices: they must cover the same area, give or take a pixel. Text depends
// on the fonts: it is compared by where its ink lies, not pixel by pixel.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <algorithm>
#include <regex>

#include "gdi_canvas.h"

using namespace gdi_test;

namespace {

const std::string DATA = std::string(PLAKO_SOURCE_DIR) + "/tests/gdi/gdi_reference/";
const std::string OUT = std::string(PLAKO_BINARY_DIR) + "/gdi_reference/";

enum Check { EXACT, SHAPE, TEXT };

Check check_for(const std::string &title) {
    if (title.rfind("TextOutA", 0) == 0) return TEXT;
    static const std::regex wide(R"(pen w=([2-9]|\d\d))");
    static const std::regex free_form(R"(Ellipse|triangle|star|sliver|collinear|diagonal|shallow|steep)");
    if (std::regex_search(title, wide) && std::regex_search(title, free_form)) return SHAPE;
    return EXACT;
}

// The bounding box of the pixels that are not background ('.').
struct Ink {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    int count = 0;
    bool empty() const { return count == 0; }
};
Ink ink_of(const Region &r) {
    Ink k;
    for (size_t y = 0; y < r.rows.size(); y++)
        for (size_t x = 0; x < r.rows[y].size(); x++)
            if (r.rows[y][x] != '.') {
                k.x0 = std::min(k.x0, int(x)), k.x1 = std::max(k.x1, int(x));
                k.y0 = std::min(k.y0, int(y)), k.y1 = std::max(k.y1, int(y));
                k.count++;
            }
    return k;
}

int differing(const Region &a, const Region &b) {
    int d = 0;
    for (size_t y = 0; y < a.rows.size() && y < b.rows.size(); y++)
        for (size_t x = 0; x < a.rows[y].size() && x < b.rows[y].size(); x++)
            d += a.rows[y][x] != b.rows[y][x];
    return d;
}

// Why region got does not pass for want, or "" when it does.
std::string verdict(const Region &got, const Region &want) {
    if (got.rows.size() != want.rows.size() || got.rows.empty() || got.rows[0].size() != want.rows[0].size())
        return "region size differs";
    Check c = check_for(want.title);
    int diff = differing(got, want);
    if (c == EXACT) return diff ? std::to_string(diff) + " pixels differ" : "";
    Ink g = ink_of(got), w = ink_of(want);
    if (g.empty() != w.empty()) return "ink present in one picture only";
    if (w.empty()) return "";
    // ANSI_FIXED_FONT stands in for a bitmap face: its glyphs may reach a row or two further.
    int slack = want.title.find("ANSI_FIXED_FONT") != std::string::npos ? 2 : 1;
    if (std::abs(g.x0 - w.x0) > slack || std::abs(g.x1 - w.x1) > slack || std::abs(g.y0 - w.y0) > slack ||
        std::abs(g.y1 - w.y1) > slack)
        return "ink box differs";
    if (c == TEXT) {
        // Rows are fixed by the cell and baseline: the top and bottom of the ink match exactly.
        if (slack == 1 && (g.y0 != w.y0 || g.y1 != w.y1)) return "ink rows differ";
        return "";
    }
    if (diff * 3 > w.count) return std::to_string(diff) + " of " + std::to_string(w.count) + " pixels differ";
    return "";
}

void compare_file(const std::string &name) {
    Canvas cv(601, 540);
    std::vector<Region> got = run_commands(cv, DATA + "commands/" + name + ".txt");
    std::vector<Region> want = read_regions(DATA + "expected/" + name + ".txt");
    ASSERT_FALSE(want.empty()) << "no expected pictures for " << name;
    ASSERT_EQ(got.size(), want.size());
    std::string actual_text, expected_text;
    bool failed = false;
    for (size_t i = 0; i < want.size(); i++) {
        got[i].title = want[i].title;
        std::string why = verdict(got[i], want[i]);
        EXPECT_EQ(why, "") << name << ": " << want[i].title;
        failed |= !why.empty();
        actual_text += format_region(got[i]);
        expected_text += format_region(want[i]);
    }
    if (!failed) return;
    mkdir(OUT.c_str(), 0777);
    std::string a = OUT + name + ".actual.txt", e = OUT + name + ".expected.txt",
                p = OUT + name + ".actual.ppm";
    std::ofstream(a) << actual_text;
    std::ofstream(e) << expected_text;
    cv.save_ppm(p);
    ADD_FAILURE() << "pictures saved: actual " << a << " (and " << p << "), expected " << e;
}

}  // namespace

TEST(GdiReference, Rectangles) { compare_file("a_rect"); }
TEST(GdiReference, RectangleFrames) { compare_file("b_rectframe"); }
TEST(GdiReference, Ellipses) { compare_file("c_ellipse"); }
TEST(GdiReference, LargeEllipse) { compare_file("c_ellipse75"); }
TEST(GdiReference, Polygons) { compare_file("d_poly"); }
TEST(GdiReference, Lines) { compare_file("e_line"); }
TEST(GdiReference, Pixels) { compare_file("f_pixel"); }
TEST(GdiReference, TextPlacement) { compare_file("g_text"); }
TEST(GdiReference, ScrollAndBlit) { compare_file("h_scroll"); }

// The checker itself must see a one-pixel change in an exact region.
TEST(GdiReference, OnePixelChangeIsCaught) {
    Canvas cv(601, 540);
    std::vector<Region> got = run_commands(cv, DATA + "commands/a_rect.txt");
    std::vector<Region> want = read_regions(DATA + "expected/a_rect.txt");
    ASSERT_FALSE(got.empty());
    ASSERT_EQ(verdict(got[0], want[0]), "");
    got[0].rows[4][4] = got[0].rows[4][4] == '.' ? 'P' : '.';
    EXPECT_NE(verdict(got[0], want[0]), "");
}
