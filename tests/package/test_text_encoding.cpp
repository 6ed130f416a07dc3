// Text encodings: UTF-8 drawn as its Windows-1252 characters, everything else as code-page bytes,
// on the canvas and on the console alike.
#include <string.h>

#include <string>

#include "harness.h"
#include "text_encoding.h"

using namespace harness;
using TextEncoding = PackageTest;
using Lines = std::vector<std::string>;

namespace {

struct Case {
    const char *what;
    std::string in;
    TextKind kind;
    std::string out;  // the Windows-1252 bytes drawn
};

const Case cases[] = {
    {"empty", "", TEXT_CODE_PAGE, ""},
    {"ASCII", "Hello, PLAKO\n", TEXT_CODE_PAGE, "Hello, PLAKO\n"},
    {"Windows-1252 bytes", "caf\xE9 \x80", TEXT_CODE_PAGE, "caf\xE9 \x80"},
    {"two-byte Latin-1", "caf\xC3\xA9", TEXT_UTF8, "caf\xE9"},
    {"every Latin-1 end", "\xC2\xA0\xC3\xBF", TEXT_UTF8, "\xA0\xFF"},
    {"euro and quotes from 0x80..0x9F", "\xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D \xC5\xB8", TEXT_UTF8,
     "\x80 \x93x\x94 \x9F"},
    {"characters the code page lacks", "\xE6\x97\xA5\xE6\x9C\xAC!", TEXT_UTF8_LOSSY,
     "?"
     "?!"},
    {"a four-byte character",
     "a\xF0\x9F\x98\x80"
     "b",
     TEXT_UTF8_LOSSY, "a?b"},
    {"a C1 control",
     "\xC2\x81"
     "x\xC3\xA9",
     TEXT_UTF8_LOSSY, "?x\xE9"},
    {"Latin-1 beside a lacking one", "\xC3\xA9\xC4\x80", TEXT_UTF8_LOSSY, "\xE9?"},
    // Not UTF-8: drawn byte for byte.
    {"a lone continuation byte", "\xC3\xA9\xA9", TEXT_CODE_PAGE, "\xC3\xA9\xA9"},
    {"a sequence cut at the end", "caf\xC3", TEXT_CODE_PAGE, "caf\xC3"},
    {"an overlong slash", "\xC0\xAF\xC3\xA9", TEXT_CODE_PAGE, "\xC0\xAF\xC3\xA9"},
    {"an overlong three-byte form", "\xE0\x9F\xBF", TEXT_CODE_PAGE, "\xE0\x9F\xBF"},
    {"a surrogate", "\xED\xA0\x80", TEXT_CODE_PAGE, "\xED\xA0\x80"},
    {"past U+10FFFF", "\xF4\x90\x80\x80", TEXT_CODE_PAGE, "\xF4\x90\x80\x80"},
    {"the largest character", "\xF4\x8F\xBF\xBF", TEXT_UTF8_LOSSY, "?"},
    {"a lead byte F5", "\xF5\x80\x80\x80", TEXT_CODE_PAGE, "\xF5\x80\x80\x80"},
    {"a lead byte with ASCII after it",
     "\xC3"
     "A",
     TEXT_CODE_PAGE,
     "\xC3"
     "A"},
    {"mojibake of a mojibake stays", "caf\xC3\x83\xC2\xA9", TEXT_UTF8, "caf\xC3\xA9"},
};

// The client pixels of a rectangle of the canvas, row by row.
std::vector<COLORREF> canvas_block(int c0, int r0, int c1, int r1) {
    std::vector<COLORREF> px;
    for (int y = r0; y <= r1; y++)
        for (int x = c0; x <= c1; x++) px.push_back(canvas_px(x, y));
    return px;
}

// The canvas around (0, 0) after drawing text alone on a fresh canvas.
std::vector<COLORREF> drawn(const char *text) {
    plako_erase();
    plako_text(PLAKO_BLACK, -200, 0, 20, text);
    return canvas_block(297 - 200, 247 - 40, 297 + 200, 247 + 10);
}

// The console's bottom text row after the line is printed.
std::vector<COLORREF> console_row(const char *line) {
    plako_console_printf("%s\n", line);
    HWND console = window_console();
    RECT rc = {};
    GetClientRect(console, &rc);
    std::vector<COLORREF> px;
    for (int y = rc.bottom - 13; y < rc.bottom; y++)
        for (int x = 0; x < 200; x++) px.push_back(headless_pixel(console, x, y));
    return px;
}

int count_said(const Lines &lines) {
    int n = 0;
    for (const std::string &l : lines) n += l.find("(said once)") != std::string::npos;
    return n;
}

}  // namespace

TEST(TextEncodingRule, KindAndConversionOfEachCase) {
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(text_kind(c.in.data(), c.in.size()), c.kind);
        std::string s = c.in;
        s.resize(text_to_code_page(&s[0], s.size()));
        EXPECT_EQ(s, c.out);
    }
}

TEST(TextEncodingRule, EveryCharacterOfTheCodePageComesBackAsItsByte) {
    // Each byte the code page defines, as UTF-8 from its Unicode value, converts to that byte.
    const unsigned short high[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                     0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    for (int b = 0x80; b <= 0xFF; b++) {
        unsigned u = b < 0xA0 ? high[b - 0x80] : (unsigned)b;
        if (u == 0) continue;
        std::string s;
        if (u < 0x800) {
            s += (char)(0xC0 | (u >> 6));
        } else {
            s += (char)(0xE0 | (u >> 12));
            s += (char)(0x80 | ((u >> 6) & 0x3F));
        }
        s += (char)(0x80 | (u & 0x3F));
        SCOPED_TRACE(b);
        EXPECT_EQ(text_kind(s.data(), s.size()), TEXT_UTF8);
        s.resize(text_to_code_page(&s[0], s.size()));
        EXPECT_EQ(s, std::string(1, (char)b));
    }
}

TEST_F(TextEncoding, Utf8TextDrawsAsItsCodePageCharacters) {
    start();
    plako_set_logging(0);
    const char *pairs[][2] = {{"caf\xC3\xA9 \xE2\x82\xAC 5", "caf\xE9 \x80 5"},
                              {"\xC3\x9C"
                               "ber\n\xC3\xA6\xC3\xB8\xC3\xA5",
                               "\xDC"
                               "ber\n\xE6\xF8\xE5"},
                              {"\xE6\x97\xA5 x", "? x"}};
    for (auto &p : pairs) {
        SCOPED_TRACE(p[1]);
        std::vector<COLORREF> want = drawn(p[1]);
        EXPECT_EQ(drawn(p[0]), want);
        char format[64];
        snprintf(format, sizeof format, "%%s%s", p[0]);  // through plako_text_format's buffer too
        plako_erase();
        plako_text_format(PLAKO_BLACK, -200, 0, 20, format, "");
        EXPECT_EQ(canvas_block(297 - 200, 247 - 40, 297 + 200, 247 + 10), want);
    }
    // Today's mojibake is really gone: the bytes drawn one by one look different.
    EXPECT_NE(drawn("caf\xC3\xA9"), drawn("caf\xC3\x83\xC2\xA9"));
}

TEST_F(TextEncoding, ConsoleLinesDrawUtf8AsItsCharacters) {
    start();
    std::vector<COLORREF> want = console_row("caf\xE9 \x80");
    EXPECT_EQ(console_row("caf\xC3\xA9 \xE2\x82\xAC"), want);
    EXPECT_NE(console_row("caf\xC3\xA9 \xE2\x82"), want);  // broken UTF-8: its bytes
    // The line itself is kept as it was written: only its drawing is converted.
    EXPECT_EQ(console_lines().end()[-2], "caf\xC3\xA9 \xE2\x82\xAC\n");
}

TEST_F(TextEncoding, LackingCharactersAreNamedOnceWithTheirText) {
    start();
    plako_set_logging(0);
    mark();
    plako_text(PLAKO_BLACK, 0, 0, 12, "caf\xC3\xA9");  // the code page has all of these: silent
    plako_text(PLAKO_BLACK, 0, 0, 12, "\xCE\xB1\xCE\xB2");
    plako_text(PLAKO_BLACK, 0, 0, 12, "\xCE\xB3");
    plako_console_printf("\xE6\x97\xA5\n");
    Lines lines = since_mark();
    ASSERT_EQ(count_said(lines), 1) << ::testing::PrintToString(lines);
    EXPECT_NE(lines[0].find("\"\xCE\xB1\xCE\xB2\""), std::string::npos) << lines[0];
    EXPECT_EQ(lines.back(), "\xE6\x97\xA5\n");
}

TEST_F(TextEncoding, AConsoleLineIsNamedWhenItIsTheFirst) {
    start();
    mark();
    plako_console_printf("\xE6\x97\xA5 %d\n", 7);
    plako_console_printf("\xE6\x97\xA5 %d\n", 8);
    Lines lines = since_mark();
    ASSERT_EQ(lines.size(), 3u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[0], "\xE6\x97\xA5 7\n");
    EXPECT_NE(lines[1].find("\"\xE6\x97\xA5 7\""), std::string::npos) << lines[1];
    EXPECT_EQ(count_said(lines), 1);
}
