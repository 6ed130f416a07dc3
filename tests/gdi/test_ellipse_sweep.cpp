// Ellipses against the reference GDI's own pictures of the same calls: every size up to 24 by
// 24 and random ones up to 200, each pen width 0 to 6 with the hollow and a solid brush, the null
// pen, boxes in either corner order, across the canvas edges, huge and far off. The pictures
// (ellipse_sweep/expected.bin, made by ellipse_sweep/gen.py) are kept as the painted runs of each
// row. Every case is checked on its own; a difference names the case, the row and both runs.
// PLAKO_ELLIPSE_SWEEP=FILE checks another sweep made by gen.py --cases.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "gdi_canvas.h"

using namespace gdi_test;

namespace {

const COLORREF WHITE = RGB(255, 255, 255), RED = RGB(255, 0, 0), GREEN = RGB(0, 255, 0);

struct RowRuns {
    int y = 0;
    std::vector<std::array<int, 3>> runs;  // x0, x1, colour (1 pen, 2 brush, 3 other)
    bool operator==(const RowRuns &o) const { return y == o.y && runs == o.runs; }
};
struct Case {
    int l, t, r, b, pen, filled;
    std::vector<RowRuns> rows;
};

// Reads the varints of the unpacked data; any damage ends with ok false, never a wild read.
struct Reader {
    const std::vector<unsigned char> &d;
    size_t i = 0;
    bool ok = true;
    explicit Reader(const std::vector<unsigned char> &data) : d(data) {}
    int byte() {
        if (i >= d.size()) return ok = false, 0;
        return d[i++];
    }
    long long num() {
        unsigned long long v = 0;
        for (int sh = 0; ok && sh < 64; sh += 7) {
            int b = byte();
            v |= (unsigned long long)(b & 0x7f) << sh;
            if (!(b & 0x80)) return (long long)(v >> 1) ^ -(long long)(v & 1);
        }
        ok = false;
        return 0;
    }
};

bool load_sweep(const std::string &path, std::vector<Case> *out, std::string *why) {
    std::ifstream f(path, std::ios::binary);
    std::vector<unsigned char> z((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (z.empty()) return *why = "cannot read " + path, false;
    std::vector<unsigned char> d;
    z_stream s = {};
    if (inflateInit(&s) != Z_OK) return *why = "zlib", false;
    s.next_in = z.data();
    s.avail_in = unsigned(z.size());
    int rc = Z_OK;
    unsigned char buf[1 << 16];
    while (rc == Z_OK) {
        s.next_out = buf;
        s.avail_out = sizeof buf;
        rc = inflate(&s, Z_NO_FLUSH);
        d.insert(d.end(), buf, buf + (sizeof buf - s.avail_out));
    }
    inflateEnd(&s);
    if (rc != Z_STREAM_END || d.size() < 4 || std::string(d.begin(), d.begin() + 4) != "ELL1")
        return *why = path + " is not an ellipse sweep", false;
    Reader rd(d);
    rd.i = 4;
    long long n = rd.num();
    for (long long k = 0; rd.ok && k < n; k++) {
        Case c;
        c.l = int(rd.num()), c.t = int(rd.num()), c.r = int(rd.num()), c.b = int(rd.num());
        c.pen = rd.byte() - 1;
        c.filled = rd.byte();
        long long nrows = rd.num();
        int y = c.t, x = c.l;
        for (long long j = 0; rd.ok && j < nrows && j < 600; j++) {
            RowRuns row;
            row.y = y = int(y + rd.num());
            long long nruns = rd.num();
            int end = 0;
            for (long long i = 0; rd.ok && i < nruns && i < 700; i++) {
                int x0 = int((i == 0 ? x : end) + rd.num());
                if (i == 0) x = x0;
                int x1 = int(x0 + rd.num());
                row.runs.push_back({x0, x1, rd.byte()});
                end = x1 + 1;
            }
            c.rows.push_back(row);
        }
        out->push_back(c);
    }
    if (!rd.ok || rd.i != d.size()) return *why = path + " is damaged", false;
    return true;
}

std::string kind_of(const Case &c) {
    std::string brush = c.filled ? ", solid" : ", hollow";
    return (c.pen < 0 ? std::string("null pen") : "pen " + std::to_string(c.pen)) + brush;
}

std::string call_of(const Case &c) {
    std::ostringstream s;
    s << "Ellipse(" << c.l << "," << c.t << "," << c.r << "," << c.b << ") pen "
      << (c.pen < 0 ? std::string("null") : std::to_string(c.pen))
      << (c.filled ? ", solid brush" : ", hollow");
    return s.str();
}

std::string runs_text(const RowRuns *r) {
    if (!r) return "nothing";
    std::string s;
    for (const auto &run : r->runs)
        s += (s.empty() ? "" : " ") + std::to_string(run[0]) + ".." + std::to_string(run[1]) +
             "PB?"[run[2] - 1];
    return s;
}

// The rows the canvas holds in the rectangle x0..x1, y0..y1, as runs of pen, brush and other
// colours; the rectangle is whitened again.
std::vector<RowRuns> take_rows(Canvas &cv, int x0, int y0, int x1, int y1) {
    std::vector<RowRuns> out;
    for (int y = y0; y <= y1; y++) {
        RowRuns row;
        row.y = y;
        for (int x = x0; x <= x1;) {
            COLORREF c = cv.at(x, y);
            if (c == WHITE) {
                x++;
                continue;
            }
            int e = x;
            while (e + 1 <= x1 && cv.at(e + 1, y) == c) e++;
            row.runs.push_back({x, e, c == RED ? 1 : c == GREEN ? 2 : 3});
            x = e + 1;
        }
        if (!row.runs.empty()) out.push_back(row);
    }
    HBRUSH white = CreateSolidBrush(WHITE);
    HGDIOBJ ob = SelectObject(cv.dc, white), op = SelectObject(cv.dc, GetStockObject(NULL_PEN));
    Rectangle(cv.dc, x0, y0, x1 + 2, y1 + 2);
    SelectObject(cv.dc, ob);
    SelectObject(cv.dc, op);
    DeleteObject(white);
    return out;
}

int clamp(long long v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : int(v); }

// Draws the case and says how it differs from the reference's picture, or "".
std::string check(Canvas &cv, const Case &c) {
    HPEN pen = c.pen >= 0 ? CreatePen(PS_SOLID, c.pen, RED) : nullptr;
    HBRUSH brush = c.filled ? CreateSolidBrush(GREEN) : nullptr;
    HGDIOBJ op = SelectObject(cv.dc, pen ? HGDIOBJ(pen) : GetStockObject(NULL_PEN));
    HGDIOBJ ob = SelectObject(cv.dc, brush ? HGDIOBJ(brush) : GetStockObject(NULL_BRUSH));
    Ellipse(cv.dc, c.l, c.t, c.r, c.b);
    SelectObject(cv.dc, op);
    SelectObject(cv.dc, ob);
    if (pen) DeleteObject(pen);
    if (brush) DeleteObject(brush);
    // The same rectangle the reference's pictures were read from.
    long long x0 = std::min(c.l, c.r), x1 = std::max(c.l, c.r), y0 = std::min(c.t, c.b),
              y1 = std::max(c.t, c.b);
    bool off = x1 + 8 < 0 || x0 - 8 >= cv.w || y1 + 8 < 0 || y0 - 8 >= cv.h;
    std::vector<RowRuns> got = off ? take_rows(cv, 0, 0, cv.w - 1, cv.h - 1)
                                   : take_rows(cv, clamp(x0 - 8, 0, cv.w - 1), clamp(y0 - 8, 0, cv.h - 1),
                                               clamp(x1 + 8, 0, cv.w - 1), clamp(y1 + 8, 0, cv.h - 1));
    if (got == c.rows) return "";
    // The first row where the pictures part.
    size_t i = 0;
    while (i < got.size() && i < c.rows.size() && got[i] == c.rows[i]) i++;
    const RowRuns *want = i < c.rows.size() ? &c.rows[i] : nullptr,
                  *have = i < got.size() ? &got[i] : nullptr;
    int y = want && have ? std::min(want->y, have->y) : want ? want->y : have->y;
    if (want && want->y != y) want = nullptr;
    if (have && have->y != y) have = nullptr;
    return "row " + std::to_string(y) + ": expected " + runs_text(want) + ", got " + runs_text(have);
}

std::string sweep_path() {
    const char *p = std::getenv("PLAKO_ELLIPSE_SWEEP");
    return p && *p ? p : std::string(PLAKO_SOURCE_DIR) + "/tests/gdi/ellipse_sweep/expected.bin";
}

}  // namespace

TEST(EllipseSweep, EveryCaseEqualsTheReference) {
    std::vector<Case> cases;
    std::string why;
    ASSERT_TRUE(load_sweep(sweep_path(), &cases, &why)) << why;
    const char *own = std::getenv("PLAKO_ELLIPSE_SWEEP");
    if (!own || !*own) {
        ASSERT_GE(cases.size(), 10000u);  // the committed sweep
    }
    Canvas cv(601, 540);
    std::map<std::string, std::pair<int, int>> tally;  // kind -> differing, all
    int reported = 0;
    for (size_t k = 0; k < cases.size(); k++) {
        const Case &c = cases[k];
        std::string diff = check(cv, c);
        auto &t = tally[kind_of(c)];
        t.second++;
        if (!diff.empty()) {
            t.first++;
            if (reported++ < 25) ADD_FAILURE() << "case " << k << ", " << call_of(c) << ": " << diff;
        }
        // Painting beyond the rectangle that was read would spoil the next cases.
        if (k + 1 == cases.size() || k % 256 == 255) {
            std::vector<RowRuns> stray = take_rows(cv, 0, 0, cv.w - 1, cv.h - 1);
            ASSERT_TRUE(stray.empty()) << "a case up to " << k << " painted far outside its box, row "
                                       << stray[0].y << ": " << runs_text(&stray[0]);
        }
    }
    for (const auto &t : tally) {
        std::printf("  %-17s %5d of %5d cases differ\n", t.first.c_str(), t.second.first, t.second.second);
        EXPECT_EQ(t.second.first, 0) << t.first;
    }
}

// The loader refuses damaged data with a reason instead of reading past its end.
TEST(EllipseSweep, DamagedDataIsRefused) {
    std::string path = std::string(PLAKO_BINARY_DIR) + "/ellipse_sweep_damaged.bin";
    std::ifstream in(sweep_path(), std::ios::binary);
    std::vector<char> z((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(z.size(), 100u);
    std::vector<Case> cases;
    std::string why;
    std::ofstream(path, std::ios::binary).write(z.data(), std::streamsize(z.size() / 2));
    EXPECT_FALSE(load_sweep(path, &cases, &why));
    EXPECT_NE(why, "");
}
