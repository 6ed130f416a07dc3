// Our text against the reference GDI's, case by case: the sweep of text_sweep.h (every size of the
// Arial-metric face from 6 to 40 in the 24 colours over colours and over mixed backgrounds,
// multi-line texts, high bytes, the console's fixed font transparent and opaque), drawn sheet by
// sheet on a memory DC and compared pixel for pixel with what the reference drew
// (text_reference/expected.bin). A failure names the case and its first differing pixel, and
// saves both sheets as PPM files under the build folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "gdi_canvas.h"
#include "text_sweep.h"

using namespace text_sweep;

namespace {

const std::string EXPECTED = std::string(PLAKO_SOURCE_DIR) + "/tests/gdi/text_reference/expected.bin";
const std::string OUT = std::string(PLAKO_BINARY_DIR) + "/text_sweep/";

// The expected file unpacked, or an empty string with the reason in *why.
std::string unpack(const std::string &path, std::string *why) {
    std::ifstream f(path, std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    size_t nl = all.find('\n');
    unsigned long size = 0;
    if (nl == std::string::npos || std::sscanf(all.c_str(), "PLAKO-TEXT-SWEEP 2 %lu", &size) != 1 ||
        size > (64ul << 20)) {
        *why = "not an expected file of the text sweep: " + path;
        return "";
    }
    std::string blob(size, '\0');
    uLongf got = size;
    if (uncompress(reinterpret_cast<Bytef *>(&blob[0]), &got,
                   reinterpret_cast<const Bytef *>(all.data() + nl + 1),
                   uLong(all.size() - nl - 1)) != Z_OK ||
        got != size) {
        *why = "the expected file is damaged: " + path;
        return "";
    }
    return blob;
}

void save_ppm(const std::string &path, const std::vector<uint32_t> &px, int w, int h) {
    std::ofstream f(path, std::ios::binary);
    f << "P6\n" << w << " " << h << "\n255\n";
    for (uint32_t p : px) f << char(p >> 16) << char(p >> 8) << char(p);
}

TEST(TextSweep, EveryCaseMatchesTheReference) {
    std::vector<Case> all = cases();
    ASSERT_GE(all.size(), 2000u);
    std::string why;
    std::string blob = unpack(EXPECTED, &why);
    ASSERT_FALSE(blob.empty()) << why;
    size_t pos = 0;
    uint32_t count = 0;
    ASSERT_TRUE(get_varint(blob, pos, count));
    ASSERT_EQ(count, all.size()) << "the sweep changed since expected.bin was made: run "
                                    "tests/gdi/text_reference/regenerate.sh";

    int failed = 0, sheets = all.back().sheet + 1;
    std::map<std::string, int> by_kind;  // differing cases by family and size, for the summary
    long long differing = 0;
    size_t next = 0;
    for (int s = 0; s < sheets; s++) {
        gdi_test::Canvas cv(SHEET_W, SHEET_H);
        size_t first = next;
        while (next < all.size() && all[next].sheet == s) draw(cv.dc, all[next++]);
        std::vector<uint32_t> got(size_t(SHEET_W) * SHEET_H), want(got.size(), 0xffffff);
        for (int y = 0; y < SHEET_H; y++)
            for (int x = 0; x < SHEET_W; x++) {
                COLORREF c = cv.at(x, y);
                got[size_t(y) * SHEET_W + size_t(x)] =
                    uint32_t(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c);
            }
        bool sheet_failed = false;
        for (size_t i = first; i < next; i++) {
            const Case &c = all[i];
            RECT cell;
            Changes ch;
            ASSERT_TRUE(get_case(blob, pos, cell, ch)) << "the expected file ends early at case " << i;
            ASSERT_TRUE(cell.left == c.cell.left && cell.top == c.cell.top && cell.right == c.cell.right &&
                        cell.bottom == c.cell.bottom)
                << "case " << i
                << " moved since expected.bin was made: run tests/gdi/text_reference/regenerate.sh";
            std::vector<uint32_t> expect = applied(background(c), ch);
            int w = c.cell.right - c.cell.left;
            ASSERT_EQ(expect.size(), size_t(w) * size_t(c.cell.bottom - c.cell.top)) << "case " << i;
            int diff = 0, fx = 0, fy = 0;
            uint32_t fgot = 0, fwant = 0;
            for (size_t k = 0; k < expect.size(); k++) {
                int x = c.cell.left + int(k % size_t(w)), y = c.cell.top + int(k / size_t(w));
                uint32_t g = got[size_t(y) * SHEET_W + size_t(x)];
                want[size_t(y) * SHEET_W + size_t(x)] = expect[k];
                if (g != expect[k] && diff++ == 0)
                    fx = x - c.cell.left, fy = y - c.cell.top, fgot = g, fwant = expect[k];
            }
            if (diff) {
                differing += diff;
                by_kind[c.family + (c.face == "ANSI_FIXED_FONT" ? "" : " " + std::to_string(c.size))]++;
                sheet_failed = true;
                if (++failed <= 20)
                    ADD_FAILURE() << "case " << i << " (" << describe(c) << ", sheet " << s << "): " << diff
                                  << " pixels differ, the first at (" << fx << "," << fy
                                  << ") in its cell, ours " << hex(fgot) << ", the reference's "
                                  << hex(fwant);
            }
        }
        if (sheet_failed) {
            mkdir(OUT.c_str(), 0755);
            save_ppm(OUT + "sheet-" + std::to_string(s) + "-ours.ppm", got, SHEET_W, SHEET_H);
            save_ppm(OUT + "sheet-" + std::to_string(s) + "-reference.ppm", want, SHEET_W, SHEET_H);
        }
    }
    std::string summary;
    for (const auto &k : by_kind) summary += "\n  " + k.first + ": " + std::to_string(k.second);
    EXPECT_EQ(failed, 0) << failed << " of " << all.size() << " cases differ, " << differing
                         << " pixels in all; the sheets are saved in " << OUT
                         << "; differing cases:" << summary;
}

// The expected file's reader refuses damaged data instead of reading past it.
TEST(TextSweep, TheReaderRefusesDamagedData) {
    Case c;
    c.cell = {10, 20, 14, 22};
    Changes ch;
    ch.keep = {2, 3};
    ch.paint = {{0x123456, 0xabcdef}, {0x010203}};
    std::string blob;
    put_case(blob, c, ch);
    size_t pos = 0;
    RECT cell;
    Changes back;
    ASSERT_TRUE(get_case(blob, pos, cell, back));
    EXPECT_EQ(pos, blob.size());
    std::vector<uint32_t> px = applied(std::vector<uint32_t>(8, 7), back);
    EXPECT_EQ(px, (std::vector<uint32_t>{7, 7, 0x123456, 0xabcdef, 7, 7, 7, 0x010203}));
    for (size_t cut = 0; cut < blob.size(); cut++) {
        pos = 0;
        EXPECT_FALSE(get_case(blob.substr(0, cut), pos, cell, back)) << "cut at " << cut;
    }
    // Runs that claim more pixels than the cell holds.
    ch.keep = {7};
    ch.paint = {{1, 2}};
    blob.clear();
    put_case(blob, c, ch);
    pos = 0;
    EXPECT_FALSE(get_case(blob, pos, cell, back));
    // A pixel naming a colour the case does not list.
    blob.clear();
    for (uint32_t v : {0u, 0u, 2u, 1u, 1u}) put_varint(blob, v);  // a 2x1 cell with one colour
    blob += std::string("\x01\x02\x03", 3);
    for (uint32_t v : {1u, 0u, 1u, 5u}) put_varint(blob, v);  // one run: one pixel of colour 5
    pos = 0;
    EXPECT_FALSE(get_case(blob, pos, cell, back));
    blob.back() = 0;  // colour 0 is listed
    pos = 0;
    EXPECT_TRUE(get_case(blob, pos, cell, back));
}

}  // namespace
