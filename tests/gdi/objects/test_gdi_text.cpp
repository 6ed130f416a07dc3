// Fonts and text: metrics against the reference's (gdi_reference/expected/metrics.txt, where an
// unknown face, Arial and Courier New all came out as Liberation Sans), the stock fixed font,
// text placement and background, Windows-1252 bytes, the font cache, and hostile arguments.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>

#include "gdi_canvas.h"
#include "headless.h"

using namespace gdi_test;

namespace {

struct RefFont {
    std::map<std::string, long> tm;      // tmHeight, tmAscent, ...
    std::map<std::string, long> extent;  // string -> cx
    long extent_cy = 0;
    std::vector<int> widths;  // characters 32..126
};

// The reference's report for CreateFontA(-h, ..., face), keyed "face/h".
std::map<std::string, RefFont> read_reference_metrics() {
    std::map<std::string, RefFont> out;
    std::ifstream in(std::string(PLAKO_SOURCE_DIR) + "/tests/gdi/gdi_reference/expected/metrics.txt");
    std::string line, key;
    std::regex head(R"re(== CreateFontA\(-(\d+),\.\.\.,"([^"]+)"\))re");
    std::regex field(R"((tm\w+)=(-?\d+))");
    std::regex ext(R"re(extent\("(.*)"\) = (\d+) x (\d+))re");
    bool widths = false;
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_search(line, m, head)) {
            key = m[2].str() + "/" + m[1].str();
            widths = false;
            continue;
        }
        if (line.rfind("== ", 0) == 0) key.clear();
        if (key.empty()) continue;
        RefFont &f = out[key];
        if (line.find("tmHeight=") != std::string::npos) {
            for (auto it = std::sregex_iterator(line.begin(), line.end(), field);
                 it != std::sregex_iterator(); ++it)
                f.tm[(*it)[1].str()] = std::stol((*it)[2].str());
        } else if (std::regex_search(line, m, ext)) {
            f.extent[m[1].str()] = std::stol(m[2].str());
            f.extent_cy = std::stol(m[3].str());
        } else if (line.find("charwidths") != std::string::npos) {
            widths = true;
        } else if (widths) {
            std::istringstream ws(line);
            int v;
            while (ws >> v) f.widths.push_back(v);
        }
    }
    return out;
}

// A memory DC with a font selected; restores and frees everything.
struct FontDc {
    Canvas cv;
    HFONT font;
    HGDIOBJ old;
    FontDc(int height, const char *face, int w = 64, int h = 64) : cv(w, h) {
        font = CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, face);
        old = SelectObject(cv.dc, font);
    }
    ~FontDc() {
        SelectObject(cv.dc, old);
        DeleteObject(font);
    }
    TEXTMETRICA metrics() {
        TEXTMETRICA tm = {};
        EXPECT_TRUE(GetTextMetricsA(cv.dc, &tm));
        return tm;
    }
    SIZE extent(const std::string &s) {
        SIZE sz = {-1, -1};
        EXPECT_TRUE(GetTextExtentPoint32A(cv.dc, s.c_str(), int(s.size()), &sz));
        return sz;
    }
};

// The bounding box of the pixels that differ from white.
struct Box {
    int x0 = INT_MAX, y0 = INT_MAX, x1 = -1, y1 = -1;
    bool empty() const { return x1 < 0; }
};
Box ink(const Canvas &cv, COLORREF background = RGB(255, 255, 255)) {
    Box b;
    for (int y = 0; y < cv.h; y++)
        for (int x = 0; x < cv.w; x++)
            if (cv.at(x, y) != background) {
                b.x0 = std::min(b.x0, x), b.x1 = std::max(b.x1, x);
                b.y0 = std::min(b.y0, y), b.y1 = std::max(b.y1, y);
            }
    return b;
}

}  // namespace

TEST(GdiText, MetricsMatchTheReferenceForLiberationSans) {
    auto ref = read_reference_metrics();
    ASSERT_GE(ref.size(), 15u);
    for (const char *face : {"PLAKO-font", "Arial", "Courier New"})
        for (int h : {9, 10, 11, 12, 18}) {
            SCOPED_TRACE(std::string(face) + " -" + std::to_string(h));
            const RefFont &r = ref.at(std::string(face) + "/" + std::to_string(h));
            FontDc f(-h, face);
            TEXTMETRICA tm = f.metrics();
            EXPECT_EQ(tm.tmHeight, r.tm.at("tmHeight"));
            EXPECT_EQ(tm.tmAscent, r.tm.at("tmAscent"));
            EXPECT_EQ(tm.tmDescent, r.tm.at("tmDescent"));
            EXPECT_EQ(tm.tmInternalLeading, r.tm.at("tmInternalLeading"));
            EXPECT_EQ(tm.tmExternalLeading, r.tm.at("tmExternalLeading"));
            EXPECT_EQ(tm.tmWeight, r.tm.at("tmWeight"));
            EXPECT_EQ(tm.tmPitchAndFamily, 0x27);
            for (const auto &e : r.extent) {
                SIZE sz = f.extent(e.first);
                EXPECT_EQ(sz.cx, e.second) << '"' << e.first << '"';
                EXPECT_EQ(sz.cy, r.extent_cy);
            }
            ASSERT_EQ(r.widths.size(), 95u);
            for (int c = 32; c <= 126; c++) {
                char s[2] = {char(c), 0};
                EXPECT_EQ(f.extent(s).cx, r.widths[size_t(c - 32)]) << "character " << s;
            }
        }
}

TEST(GdiText, DefaultHeightAndHugeHeights) {
    // Height 0 is a 12-pixel character height: the metrics of -12.
    FontDc zero(0, "PLAKO-font"), twelve(-12, "PLAKO-font");
    EXPECT_EQ(zero.metrics().tmHeight, twelve.metrics().tmHeight);
    // Positive heights ask for the cell.
    FontDc cell(20, "Arial");
    EXPECT_EQ(cell.metrics().tmHeight, 20);
    // Absurd heights are clamped to a 1000-pixel em, drawn without trouble.
    for (int h : {1000000, -1000000, INT_MIN, INT_MAX}) {
        FontDc f(h, "Arial", 200, 200);
        TEXTMETRICA tm = f.metrics();
        EXPECT_GT(tm.tmHeight, 0);
        EXPECT_LE(tm.tmHeight, 1200) << h;
        EXPECT_TRUE(TextOutA(f.cv.dc, -300, -200, "W@W", 3));
        SIZE sz = f.extent("W");
        EXPECT_GT(sz.cx, 0);
    }
}

TEST(GdiText, AnsiFixedFontHasAThirteenPixelCellOfEightPixelCharacters) {
    Canvas cv(64, 32);
    HGDIOBJ old = SelectObject(cv.dc, GetStockObject(ANSI_FIXED_FONT));
    TEXTMETRICA tm = {};
    ASSERT_TRUE(GetTextMetricsA(cv.dc, &tm));
    EXPECT_EQ(tm.tmHeight, 13);
    EXPECT_EQ(tm.tmExternalLeading, 0);
    EXPECT_EQ(tm.tmAveCharWidth, 8);
    EXPECT_EQ(tm.tmPitchAndFamily & TMPF_FIXED_PITCH, 0);  // set would mean variable pitch
    SIZE a, b;
    GetTextExtentPointA(cv.dc, "iiiii", 5, &a);
    GetTextExtentPointA(cv.dc, "WWWWW", 5, &b);
    EXPECT_EQ(a.cx, 40);
    EXPECT_EQ(b.cx, 40);
    EXPECT_EQ(a.cy, 13);
    SelectObject(cv.dc, old);
}

TEST(GdiText, CellTopLeftAndBaselinePlacement) {
    FontDc f(-12, "PLAKO-font", 80, 40);
    TEXTMETRICA tm = f.metrics();
    SetBkMode(f.cv.dc, TRANSPARENT);
    ASSERT_TRUE(TextOutA(f.cv.dc, 10, 5, "H", 1));
    Box b = ink(f.cv);
    ASSERT_FALSE(b.empty());
    // "H" sits on the baseline (y + ascent) and rises a cap height above it.
    EXPECT_EQ(b.y1, 5 + tm.tmAscent - 1);
    EXPECT_EQ(b.y1 - b.y0 + 1, 9);  // Liberation Sans' cap height at 12 px
    EXPECT_GE(b.x0, 10);
    EXPECT_LE(b.x1, 10 + f.extent("H").cx);
    // A descender reaches below the baseline but stays in the cell.
    f.cv.clear(RGB(255, 255, 255));
    TextOutA(f.cv.dc, 10, 5, "g", 1);
    Box g = ink(f.cv);
    EXPECT_GT(g.y1, 5 + tm.tmAscent - 1);
    EXPECT_LE(g.y1, 5 + tm.tmHeight - 1);
}

TEST(GdiText, TransparentTextPaintsOnlyGlyphsOpaqueTextItsCells) {
    FontDc f(-12, "Arial", 100, 30);
    HDC dc = f.cv.dc;
    TEXTMETRICA tm = f.metrics();
    SetTextColor(dc, RGB(255, 0, 0));
    SetBkColor(dc, RGB(0, 0, 255));
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
    TextOutA(dc, 4, 4, "i i", 3);
    int red = 0, blue = 0, other = 0;
    for (int y = 0; y < 30; y++)
        for (int x = 0; x < 100; x++) {
            COLORREF c = f.cv.at(x, y);
            red += c == RGB(255, 0, 0);
            blue += c == RGB(0, 0, 255);
            other += c != RGB(255, 255, 255) && c != RGB(255, 0, 0) && c != RGB(0, 0, 255);
        }
    EXPECT_GT(red, 0);
    EXPECT_EQ(blue, 0);
    EXPECT_EQ(other, 0);  // bilevel at 12 px: no blended pixels
    // Opaque: the whole cell row, as wide as the drawn text, is painted with the background.
    f.cv.clear(RGB(255, 255, 255));
    EXPECT_EQ(SetBkMode(dc, OPAQUE), TRANSPARENT);
    TextOutA(dc, 4, 4, "i i", 3);
    Box b = ink(f.cv);
    EXPECT_EQ(b.x0, 4);
    EXPECT_EQ(b.y0, 4);
    EXPECT_EQ(b.y1, 4 + tm.tmHeight - 1);
    EXPECT_EQ(f.cv.at(b.x1, b.y1), RGB(0, 0, 255));
    EXPECT_EQ(f.cv.at(5, 4 + tm.tmHeight - 1), RGB(0, 0, 255));
}

TEST(GdiText, LargeSizesAreSmoothed) {
    FontDc f(-40, "Arial", 60, 60);
    SetTextColor(f.cv.dc, RGB(0, 0, 0));
    SetBkMode(f.cv.dc, TRANSPARENT);
    TextOutA(f.cv.dc, 2, 2, "O", 1);
    int grey = 0;
    for (int y = 0; y < 60; y++)
        for (int x = 0; x < 60; x++) {
            COLORREF c = f.cv.at(x, y);
            grey += c != RGB(0, 0, 0) && c != RGB(255, 255, 255) && GetRValue(c) == GetGValue(c);
        }
    EXPECT_GT(grey, 10);
}

TEST(GdiText, Windows1252BytesFindTheirGlyphs) {
    FontDc f(-12, "Arial");
    // 0x80 is the euro sign, 0xE9 e-acute: both have glyphs of their own width, not the missing glyph's.
    SIZE euro = f.extent("\x80"), e_acute = f.extent("\xe9"), e = f.extent("e"), missing = f.extent("\x81");
    EXPECT_EQ(e_acute.cx, e.cx);
    EXPECT_EQ(euro.cx, 7);  // the euro sign is as wide as a digit in Liberation Sans
    EXPECT_NE(missing.cx, euro.cx);
    SetBkMode(f.cv.dc, TRANSPARENT);
    TextOutA(f.cv.dc, 2, 2, "\x80", 1);
    EXPECT_FALSE(ink(f.cv).empty());
}

TEST(GdiText, HostileArgumentsAreRefusedOrBounded) {
    FontDc f(-12, "Arial", 50, 20);
    HDC dc = f.cv.dc;
    SIZE sz;
    EXPECT_FALSE(TextOutA(dc, 0, 0, nullptr, 5));
    EXPECT_FALSE(TextOutA(dc, 0, 0, "abc", -1));
    EXPECT_TRUE(TextOutA(dc, 0, 0, "abc", 0));
    EXPECT_FALSE(TextOutA(nullptr, 0, 0, "abc", 3));
    EXPECT_FALSE(GetTextExtentPointA(dc, "abc", -3, &sz));
    EXPECT_FALSE(GetTextExtentPointA(dc, "abc", 3, nullptr));
    EXPECT_FALSE(GetTextMetricsA(reinterpret_cast<HDC>(&sz), nullptr));
    // Far outside the bitmap in every direction: nothing drawn, nothing broken.
    for (int x : {INT_MIN, -1000, 1000, INT_MAX})
        for (int y : {INT_MIN, -1000, 1000, INT_MAX}) EXPECT_TRUE(TextOutA(dc, x, y, "Wide", 4));
    EXPECT_TRUE(ink(f.cv).empty());
    // A long text only costs its visible glyphs: the walk stops past the right edge, and the
    // opaque background still reaches that edge.
    std::string longtext(1 << 22, 'W');
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(0, 0, 255));
    EXPECT_TRUE(TextOutA(dc, 0, 0, longtext.c_str(), int(longtext.size())));
    EXPECT_EQ(f.cv.at(49, 1), RGB(0, 0, 255));
    EXPECT_TRUE(GetTextExtentPoint32A(dc, longtext.c_str(), int(longtext.size()), &sz));
    EXPECT_EQ(sz.cx, 11 * (1 << 22));
}

TEST(GdiText, FontsAreCountedAndCreatingThemAgainAndAgainLeaksNothing) {
    HeadlessObjectCounts before, after;
    headless_object_counts(&before);
    Canvas cv(40, 20);
    SetBkMode(cv.dc, TRANSPARENT);
    for (int i = 0; i < 2000; i++) {
        HFONT f = CreateFontA(-(i % 40), 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0,
                              i % 2 ? "PLAKO-font" : "Arial");
        HGDIOBJ old = SelectObject(cv.dc, f);
        TextOutA(cv.dc, 1, 1, "Ab", 2);
        SelectObject(cv.dc, old);
        ASSERT_TRUE(DeleteObject(f));
    }
    HFONT held = CreateFontA(-12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    headless_object_counts(&after);
    EXPECT_EQ(after.fonts, before.fonts + 1);
    DeleteObject(held);
    headless_object_counts(&after);
    EXPECT_EQ(after.fonts, before.fonts);
}

TEST(GdiText, BoldAndFixedPitchRequestsFindMatchingFaces) {
    Canvas cv(10, 10);
    HFONT bold = CreateFontA(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "NoSuchFace");
    HFONT mono =
        CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, FIXED_PITCH | FF_MODERN, "NoSuchFace");
    TEXTMETRICA tm;
    HGDIOBJ old = SelectObject(cv.dc, bold);
    GetTextMetricsA(cv.dc, &tm);
    EXPECT_EQ(tm.tmWeight, FW_BOLD);
    SelectObject(cv.dc, mono);
    SIZE i, w;
    GetTextExtentPointA(cv.dc, "i", 1, &i);
    GetTextExtentPointA(cv.dc, "W", 1, &w);
    EXPECT_EQ(i.cx, w.cx);
    SelectObject(cv.dc, old);
    DeleteObject(bold);
    DeleteObject(mono);
}
