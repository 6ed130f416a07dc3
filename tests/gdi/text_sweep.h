// The text sweep: some two thousand text drawings, each in a cell of its own on one of a series of
// 601x540 sheets, that the reference GDI draws (text_reference/, regenerate.sh) and ours must draw
// the same. One definition serves both sides: the sweep tool writes it as command files for the
// reference and packs what the reference drew; the test draws it with our GDI and compares.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace text_sweep {

constexpr int SHEET_W = 601, SHEET_H = 540;

// The package's 24 colours, 0xRRGGBB, in palette order, with their names.
struct Named {
    uint32_t rgb;
    const char *name;
};
const Named PALETTE[24] = {
    {0x000000, "black"},     {0xffffff, "white"},     {0xff0000, "red"},        {0x00ff00, "green"},
    {0x0000ff, "blue"},      {0xffff00, "yellow"},    {0xff00ff, "magenta"},    {0x00ffff, "cyan"},
    {0x9900cc, "purple"},    {0x003399, "navy blue"}, {0x996699, "dusty plum"}, {0x99ffff, "ice blue"},
    {0x99ffcc, "turquoise"}, {0xff6600, "orange"},    {0x996633, "brown"},      {0xff99cc, "pink"},
    {0xffff99, "chalk"},     {0xcc9933, "gold"},      {0xff9966, "peach"},      {0x006633, "forest green"},
    {0x33cc99, "sea green"}, {0x999933, "olive"},     {0x808080, "50% gray"},   {0xcccccc, "20% gray"}};

struct Fill {
    int l, t, r, b;  // right and bottom excluded
    uint32_t rgb;
};

// One drawing: backgrounds filled, then the text; compared over the cell.
struct Case {
    std::string family;
    int sheet = 0;
    RECT cell = {};
    std::vector<Fill> fills;
    int x = 0, y = 0, size = 0;  // top-left of the first line's cell; the font's character height
    uint32_t ink = 0;
    std::string face;  // "PLAKO-font" as the package asks, or "ANSI_FIXED_FONT"
    std::string text;  // Windows-1252 bytes; '\n' separates lines
    bool opaque = false;
    uint32_t bk = 0;  // the background colour of an opaque drawing
};

inline std::string hex(uint32_t rgb) {
    char b[8];
    std::snprintf(b, sizeof b, "%06x", unsigned(rgb & 0xffffff));
    return b;
}

inline std::string colour_name(uint32_t rgb) {
    for (const Named &n : PALETTE)
        if (n.rgb == rgb) return n.name;
    return "#" + hex(rgb);
}

// The text with its control and high bytes escaped, as the command files and messages show it.
inline std::string escaped(const std::string &s) {
    std::string o;
    for (unsigned char c : s) {
        char b[8];
        if (c == '\n')
            o += "\\n";
        else if (c == '\\')
            o += "\\\\";
        else if (c < 32 || c > 126)
            std::snprintf(b, sizeof b, "\\x%02x", c), o += b;
        else
            o += char(c);
    }
    return o;
}

// What a failure message calls a case.
inline std::string describe(const Case &c) {
    std::string s = c.family + ": " + c.face +
                    (c.face == "ANSI_FIXED_FONT" ? "" : " " + std::to_string(c.size)) + ", " +
                    colour_name(c.ink);
    if (c.opaque)
        s += " on opaque " + colour_name(c.bk);
    else if (c.fills.size() == 1)
        s += " over " + colour_name(c.fills[0].rgb);
    else
        s += " over mixed stripes";
    return s + ", \"" + escaped(c.text) + "\"";
}

// The bytes the sweep's texts are taken from: printable ASCII and the defined high bytes of
// Windows-1252.
inline std::string glyph_pool(bool high_only) {
    std::string p;
    for (int c = high_only ? 128 : 33; c < 256; c++) {
        if (c == 127 || c == 0x81 || c == 0x8d || c == 0x8f || c == 0x90 || c == 0x9d || c == 160) continue;
        p += char(c);
    }
    return p;
}

// A cell layout that fills sheets row by row (shelf packing), in case order.
struct Packer {
    int sheet = 0, x = 0, y = 0, shelf = 0;
    RECT place(int w, int h) {
        if (x + w > SHEET_W) x = 0, y += shelf, shelf = 0;
        if (y + h > SHEET_H) sheet++, x = 0, y = 0, shelf = 0;
        RECT r = {x, y, x + w, y + h};
        x += w;
        if (h > shelf) shelf = h;
        return r;
    }
};

inline std::vector<Case> cases() {
    std::vector<Case> out;
    Packer pk;
    const std::string pool = glyph_pool(false), high = glyph_pool(true);
    size_t cursor = 0;
    auto take = [&](const std::string &from, size_t n) {
        std::string s;
        for (size_t i = 0; i < n; i++) s += from[(cursor + i) % from.size()];
        cursor += n + 3;
        return s;
    };
    // Places a case of the given text: the cell allows a wide glyph per byte and a tall line.
    auto add = [&](Case c, int lines, size_t longest) {
        int em = c.face == "ANSI_FIXED_FONT" ? 13 : c.size;
        int margin = 3 + em / 4;
        int w = int(longest) * (em + em / 8 + 2) + 2 * margin, h = lines * (em * 5 / 4 + 2) + 2 * margin;
        c.cell = pk.place(w, h);
        c.sheet = pk.sheet;
        c.x = c.cell.left + margin;
        c.y = c.cell.top + margin;
        out.push_back(c);
        return &out.back();
    };
    auto solid = [](const RECT &r, uint32_t rgb) { return Fill{r.left, r.top, r.right, r.bottom, rgb}; };
    // Stripes of four palette colours across the cell, and a grey band through its middle.
    auto mixed = [](Case *c, int seed) {
        const RECT &r = c->cell;
        int w = r.right - r.left, h = r.bottom - r.top;
        c->fills.clear();
        for (int k = 0; k < 4; k++)
            c->fills.push_back({r.left + w * k / 4, r.top, r.left + w * (k + 1) / 4, r.bottom,
                                PALETTE[(seed + 5 + 7 * k) % 24].rgb});
        uint32_t g = uint32_t((seed * 37) % 256);
        c->fills.push_back({r.left, r.top + h / 3, r.right, r.top + 2 * h / 3, g * 0x010101u});
    };
    auto chars_for = [](int size) { return size_t(size <= 12 ? 8 : size <= 24 ? 5 : 3); };

    // Every size and colour over a palette colour.
    for (int size = 6; size <= 40; size++)
        for (int ci = 0; ci < 24; ci++) {
            Case c;
            c.family = "over a colour";
            c.size = size, c.ink = PALETTE[ci].rgb, c.face = "PLAKO-font";
            c.text = take(pool, chars_for(size));
            int bi = (ci + 1 + size) % 24;
            Case *p = add(c, 1, c.text.size());
            p->fills = {solid(p->cell, PALETTE[bi].rgb)};
        }
    // Every size and colour over mixed backgrounds.
    for (int size = 6; size <= 40; size++)
        for (int ci = 0; ci < 24; ci++) {
            Case c;
            c.family = "over mixed";
            c.size = size, c.ink = PALETTE[ci].rgb, c.face = "PLAKO-font";
            c.text = take(pool, chars_for(size));
            mixed(add(c, 1, c.text.size()), size * 24 + ci);
        }
    // Multi-line texts: three lines, one of them sometimes empty.
    const int line_inks[6] = {0, 4, 9, 14, 20, 1};
    for (int size = 6; size <= 40; size++)
        for (int k = 0; k < 6; k++) {
            Case c;
            c.family = "lines";
            c.size = size, c.ink = PALETTE[line_inks[k]].rgb, c.face = "PLAKO-font";
            size_t n = chars_for(size) - 1;
            std::string a = take(pool, n), b = k % 3 == 2 ? "" : take(pool, n), d = take(pool, n);
            c.text = a + "\n" + b + "\n" + d;
            Case *p = add(c, 3, n);
            if (k % 2)
                mixed(p, size + k);
            else
                p->fills = {solid(p->cell, PALETTE[(line_inks[k] + 11) % 24].rgb)};
        }
    // The high bytes of Windows-1252 in the Arial-metric face.
    for (int size = 6; size <= 40; size++) {
        Case c;
        c.family = "high bytes";
        c.size = size, c.ink = PALETTE[size % 2 ? 0 : 9].rgb, c.face = "PLAKO-font";
        c.text = take(high, chars_for(size) + 2);
        Case *p = add(c, 1, c.text.size());
        p->fills = {solid(p->cell, PALETTE[size % 3 ? 1 : 23].rgb)};
    }
    // The console's fixed font: every colour over white, black, a palette colour and stripes, and
    // opaque as the console draws it.
    std::string fixed_pool;
    for (int ch = 32; ch < 256; ch++) fixed_pool += char(ch);
    for (int ci = 0; ci < 24; ci++)
        for (int k = 0; k < 5; k++) {
            Case c;
            c.family = "fixed font";
            c.ink = PALETTE[ci].rgb, c.face = "ANSI_FIXED_FONT", c.size = 13;
            c.text = take(fixed_pool, 12);
            c.opaque = k == 4;
            c.bk = PALETTE[(ci + 7) % 24].rgb;
            Case *p = add(c, 1, c.text.size());
            if (k == 3)
                mixed(p, ci);
            else
                p->fills = {solid(p->cell, k == 0   ? 0xffffff
                                           : k == 1 ? 0x000000
                                                    : PALETTE[(ci + 3) % 24].rgb)};
        }
    return out;
}

// The case as lines of the reference's command file.
inline std::string commands(const Case &c) {
    std::string s;
    for (const Fill &f : c.fills)
        s += "fill " + std::to_string(f.l) + " " + std::to_string(f.t) + " " + std::to_string(f.r) + " " +
             std::to_string(f.b) + " " + hex(f.rgb) + "\n";
    std::string at = std::to_string(c.x) + " " + std::to_string(c.y) + " " + std::to_string(c.size) + " ";
    if (c.opaque)
        s += "otext " + at + hex(c.ink) + " " + hex(c.bk) + " " + c.face + " " + escaped(c.text) + "\n";
    else
        s += "text " + at + hex(c.ink) + " " + c.face + " " + escaped(c.text) + "\n";
    return s;
}

inline COLORREF colorref(uint32_t rgb) { return RGB((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255); }

// Draws the case on dc with the calls the reference's command file makes.
inline void draw(HDC dc, const Case &c) {
    // FillRect's rectangle: a pen-less Rectangle leaves out one more column and row.
    for (const Fill &f : c.fills) {
        HBRUSH br = CreateSolidBrush(colorref(f.rgb));
        HGDIOBJ ob = SelectObject(dc, br), op = SelectObject(dc, GetStockObject(NULL_PEN));
        Rectangle(dc, f.l, f.t, f.r + 1, f.b + 1);
        SelectObject(dc, ob);
        SelectObject(dc, op);
        DeleteObject(br);
    }
    HFONT made = nullptr;
    HGDIOBJ old;
    if (c.face == "ANSI_FIXED_FONT") {
        old = SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
    } else {
        made = CreateFontA(-c.size, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, c.face.c_str());
        old = SelectObject(dc, made);
    }
    SetTextColor(dc, colorref(c.ink));
    const char *s = c.text.c_str();
    int n = int(c.text.size());
    if (c.opaque) {
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, colorref(c.bk));
        TextOutA(dc, c.x, c.y, s, n);
    } else {
        SetBkMode(dc, TRANSPARENT);
        SIZE ext = {};
        GetTextExtentPointA(dc, s, n, &ext);
        int start = 0, line = 0;
        for (;;) {
            const char *nl = static_cast<const char *>(std::memchr(s + start, '\n', size_t(n - start)));
            int end = nl ? int(nl - s) : n;
            if (end > start) TextOutA(dc, c.x, c.y + line * ext.cy, s + start, end - start);
            if (!nl) break;
            start = end + 1;
            line++;
        }
    }
    SelectObject(dc, old);
    if (made) DeleteObject(made);
}

// What the text changed in a cell, row by row over the cell: runs of pixels left as they were
// and runs of new colours. The expected file holds these for every case, compressed as a whole.
struct Changes {
    std::vector<uint32_t> keep;                // per run: pixels left as they were
    std::vector<std::vector<uint32_t>> paint;  // per run: the new colours that follow them
};

// The cell's pixels before the text: white under the case's fills.
inline std::vector<uint32_t> background(const Case &c) {
    int w = c.cell.right - c.cell.left, h = c.cell.bottom - c.cell.top;
    std::vector<uint32_t> px(size_t(w) * size_t(h), 0xffffff);
    for (const Fill &f : c.fills)
        for (int y = f.t; y < f.b; y++)
            for (int x = f.l; x < f.r; x++)
                if (x >= c.cell.left && x < c.cell.right && y >= c.cell.top && y < c.cell.bottom)
                    px[size_t(y - c.cell.top) * size_t(w) + size_t(x - c.cell.left)] = f.rgb;
    return px;
}

inline Changes diff(const std::vector<uint32_t> &before, const std::vector<uint32_t> &after) {
    Changes ch;
    size_t i = 0;
    while (i < after.size()) {
        size_t k = i;
        while (k < after.size() && after[k] == before[k]) k++;
        ch.keep.push_back(uint32_t(k - i));
        std::vector<uint32_t> run;
        while (k < after.size() && after[k] != before[k]) run.push_back(after[k++]);
        ch.paint.push_back(run);
        i = k;
    }
    return ch;
}

// The pixels after the text, or an empty vector when the changes do not fit the cell.
inline std::vector<uint32_t> applied(std::vector<uint32_t> px, const Changes &ch) {
    size_t i = 0;
    for (size_t r = 0; r < ch.keep.size(); r++) {
        i += ch.keep[r];
        if (i + ch.paint[r].size() > px.size()) return {};
        for (uint32_t v : ch.paint[r]) px[i++] = v;
    }
    return px;
}

inline void put_varint(std::string &o, uint32_t v) {
    for (; v >= 0x80; v >>= 7) o += char(0x80 | (v & 0x7f));
    o += char(v);
}

// Reads a varint at pos; false past the end or on a varint longer than five bytes.
inline bool get_varint(const std::string &in, size_t &pos, uint32_t &v) {
    v = 0;
    for (int shift = 0; shift < 35; shift += 7) {
        if (pos >= in.size()) return false;
        unsigned char b = static_cast<unsigned char>(in[pos++]);
        v |= uint32_t(b & 0x7f) << shift;
        if (!(b & 0x80)) return true;
    }
    return false;
}

// One case in the expected file: its cell (to notice a sweep that changed since the file was
// made), its colours, then its runs with each new pixel as an index into the colours.
inline void put_case(std::string &o, const Case &c, const Changes &ch) {
    put_varint(o, uint32_t(c.cell.left)), put_varint(o, uint32_t(c.cell.top));
    put_varint(o, uint32_t(c.cell.right)), put_varint(o, uint32_t(c.cell.bottom));
    std::vector<uint32_t> colours;
    for (const auto &run : ch.paint)
        for (uint32_t v : run)
            if (std::find(colours.begin(), colours.end(), v) == colours.end()) colours.push_back(v);
    put_varint(o, uint32_t(colours.size()));
    for (uint32_t v : colours) o += char(v >> 16), o += char(v >> 8), o += char(v);
    put_varint(o, uint32_t(ch.keep.size()));
    for (size_t r = 0; r < ch.keep.size(); r++) {
        put_varint(o, ch.keep[r]);
        put_varint(o, uint32_t(ch.paint[r].size()));
        for (uint32_t v : ch.paint[r])
            put_varint(o, uint32_t(std::find(colours.begin(), colours.end(), v) - colours.begin()));
    }
}

// Reads one case's cell and runs; false when the data ends early, holds more than the cell or
// names a colour it does not list.
inline bool get_case(const std::string &in, size_t &pos, RECT &cell, Changes &ch) {
    uint32_t v[5];
    for (int i = 0; i < 5; i++)
        if (!get_varint(in, pos, v[i])) return false;
    cell = {LONG(v[0]), LONG(v[1]), LONG(v[2]), LONG(v[3])};
    if (cell.right < cell.left || cell.bottom < cell.top) return false;
    uint64_t area = uint64_t(cell.right - cell.left) * uint64_t(cell.bottom - cell.top);
    if (v[4] > area || pos + 3ull * v[4] > in.size()) return false;
    std::vector<uint32_t> colours(v[4]);
    for (uint32_t &x : colours) {
        x = uint32_t(static_cast<unsigned char>(in[pos])) << 16 |
            uint32_t(static_cast<unsigned char>(in[pos + 1])) << 8 | static_cast<unsigned char>(in[pos + 2]);
        pos += 3;
    }
    uint32_t runs;
    if (!get_varint(in, pos, runs) || runs > area + 1) return false;
    ch = Changes();
    uint64_t seen = 0;
    for (uint32_t r = 0; r < runs; r++) {
        uint32_t keep, n;
        if (!get_varint(in, pos, keep) || !get_varint(in, pos, n)) return false;
        seen += uint64_t(keep) + n;
        if (seen > area) return false;
        std::vector<uint32_t> run(n);
        for (uint32_t &x : run) {
            uint32_t k;
            if (!get_varint(in, pos, k) || k >= colours.size()) return false;
            x = colours[k];
        }
        ch.keep.push_back(keep);
        ch.paint.push_back(std::move(run));
    }
    return true;
}

}  // namespace text_sweep
