// Test helpers for the GDI tests: a memory DC with a bitmap, pixel dumps, and an interpreter of
// the drawing command files kept in gdi_reference/commands (one command per line:
//   clear [RRGGBB] | rect l t r b penw filled pencol [brushcol] | ellipse (same)
//   poly penw filled pencol brushcol x1 y1 ... | line x1 y1 x2 y2 penw col | polyline penw col x1 y1 ...
//   pixel x y col | text x y h col FACE STRING... | scroll dx dy l t r b | blit dx dy w h sx sy
//   ascii PATH x0 y0 x1 y1 TITLE... | save PATH
// penw -1 is NULL_PEN, filled 0 is NULL_BRUSH, colours are RRGGBB).
#pragma once
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace gdi_test {

inline COLORREF parse_col(const std::string &s) {
    unsigned v = unsigned(std::strtoul(s.c_str(), nullptr, 16));
    return RGB((v >> 16) & 255, (v >> 8) & 255, v & 255);
}

// A w by h bitmap selected into a memory DC; everything is released by the destructor.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bmp = nullptr;
    HGDIOBJ old = nullptr;
    int w = 0, h = 0;
    Canvas(int width, int height) : w(width), h(height) {
        dc = CreateCompatibleDC(nullptr);
        bmp = CreateCompatibleBitmap(dc, w, h);
        old = SelectObject(dc, bmp);
        clear(RGB(255, 255, 255));
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    // Fills the whole bitmap: a pen-less rectangle leaves out its right column and bottom row.
    void clear(COLORREF c) {
        HBRUSH b = CreateSolidBrush(c);
        HGDIOBJ ob = SelectObject(dc, b), op = SelectObject(dc, GetStockObject(NULL_PEN));
        Rectangle(dc, 0, 0, w + 1, h + 1);
        SelectObject(dc, ob);
        SelectObject(dc, op);
        DeleteObject(b);
    }
    COLORREF at(int x, int y) const { return GetPixel(dc, x, y); }
    // One character per pixel: '.' white, 'P' red, 'B' green, '#' black, 'b' blue, '?' other.
    char code(int x, int y) const {
        COLORREF c = (x >= 0 && y >= 0 && x < w && y < h) ? at(x, y) : RGB(255, 255, 255);
        switch (c) {
            case RGB(255, 255, 255):
                return '.';
            case RGB(255, 0, 0):
                return 'P';
            case RGB(0, 255, 0):
                return 'B';
            case RGB(0, 0, 0):
                return '#';
            case RGB(0, 0, 255):
                return 'b';
            default:
                return '?';
        }
    }
    // The region x0..x1, y0..y1 as rows of codes.
    std::vector<std::string> rows(int x0, int y0, int x1, int y1) const {
        std::vector<std::string> out;
        for (int y = y0; y <= y1; y++) {
            std::string r;
            for (int x = x0; x <= x1; x++) r += code(x, y);
            out.push_back(r);
        }
        return out;
    }
    bool save_ppm(const std::string &path) const {
        FILE *f = std::fopen(path.c_str(), "wb");
        if (!f) return false;
        std::fprintf(f, "P6\n%d %d\n255\n", w, h);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                COLORREF c = at(x, y);
                unsigned char rgb[3] = {GetRValue(c), GetGValue(c), GetBValue(c)};
                std::fwrite(rgb, 1, 3, f);
            }
        std::fclose(f);
        return true;
    }
};

// One "ascii" region of a command file: where it is, its title and its rows.
struct Region {
    std::string title;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    std::vector<std::string> rows;
};

inline std::vector<std::string> split(const std::string &line) {
    std::istringstream in(line);
    std::vector<std::string> t;
    std::string s;
    while (in >> s) t.push_back(s);
    return t;
}

// The text after the first n whitespace-separated tokens of line.
inline std::string rest_after(const std::string &line, int n) {
    size_t i = 0;
    for (int k = 0; k < n; k++) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) i++;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') i++;
    }
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) i++;
    std::string r = line.substr(i);
    while (!r.empty() && (r.back() == '\r' || r.back() == '\n')) r.pop_back();
    return r;
}

// Runs the commands of a file on the canvas and returns the "ascii" regions it asks for.
inline std::vector<Region> run_commands(Canvas &cv, const std::string &path) {
    std::vector<Region> out;
    std::ifstream in(path);
    std::string line;
    HDC dc = cv.dc;
    auto tools = [&](int penw, int filled, COLORREF pc, COLORREF bc, HPEN *pen, HBRUSH *br, HGDIOBJ *op,
                     HGDIOBJ *ob) {
        *pen = penw >= 0 ? CreatePen(PS_SOLID, penw, pc) : nullptr;
        *br = filled ? CreateSolidBrush(bc) : nullptr;
        *op = SelectObject(dc, *pen ? HGDIOBJ(*pen) : GetStockObject(NULL_PEN));
        *ob = SelectObject(dc, *br ? HGDIOBJ(*br) : GetStockObject(NULL_BRUSH));
    };
    auto release = [&](HPEN pen, HBRUSH br, HGDIOBJ op, HGDIOBJ ob) {
        SelectObject(dc, op);
        SelectObject(dc, ob);
        if (pen) DeleteObject(pen);
        if (br) DeleteObject(br);
    };
    while (std::getline(in, line)) {
        std::vector<std::string> t = split(line);
        if (t.empty() || t[0][0] == '#') continue;
        auto I = [&](size_t k) { return k < t.size() ? std::atoi(t[k].c_str()) : 0; };
        const std::string &c = t[0];
        HPEN pen;
        HBRUSH br;
        HGDIOBJ op, ob;
        if (c == "clear") {
            cv.clear(t.size() > 1 ? parse_col(t[1]) : RGB(255, 255, 255));
        } else if (c == "ascii" && t.size() >= 6) {
            Region r;
            r.x0 = I(2), r.y0 = I(3), r.x1 = I(4), r.y1 = I(5);
            r.title = rest_after(line, 6);
            r.rows = cv.rows(r.x0, r.y0, r.x1, r.y1);
            out.push_back(r);
        } else if ((c == "rect" || c == "ellipse") && t.size() >= 8) {
            COLORREF pc = parse_col(t[7]);
            tools(I(5), I(6), pc, t.size() > 8 ? parse_col(t[8]) : pc, &pen, &br, &op, &ob);
            if (c == "rect")
                Rectangle(dc, I(1), I(2), I(3), I(4));
            else
                Ellipse(dc, I(1), I(2), I(3), I(4));
            release(pen, br, op, ob);
        } else if (c == "poly" && t.size() >= 7) {
            std::vector<POINT> pts;
            for (size_t k = 5; k + 1 < t.size(); k += 2) pts.push_back({I(k), I(k + 1)});
            tools(I(1), I(2), parse_col(t[3]), parse_col(t[4]), &pen, &br, &op, &ob);
            Polygon(dc, pts.data(), int(pts.size()));
            release(pen, br, op, ob);
        } else if (c == "line" && t.size() >= 7) {
            COLORREF col = parse_col(t[6]);
            tools(I(5), 0, col, col, &pen, &br, &op, &ob);
            MoveToEx(dc, I(1), I(2), nullptr);
            LineTo(dc, I(3), I(4));
            release(pen, br, op, ob);
        } else if (c == "polyline" && t.size() >= 7) {
            COLORREF col = parse_col(t[2]);
            tools(I(1), 0, col, col, &pen, &br, &op, &ob);
            MoveToEx(dc, I(3), I(4), nullptr);
            for (size_t k = 5; k + 1 < t.size(); k += 2) LineTo(dc, I(k), I(k + 1));
            release(pen, br, op, ob);
        } else if (c == "pixel" && t.size() >= 4) {
            SetPixel(dc, I(1), I(2), parse_col(t[3]));
        } else if (c == "text" && t.size() >= 7) {
            std::string s = rest_after(line, 6);
            HFONT font = nullptr;
            HGDIOBJ of;
            if (t[5] == "ANSI_FIXED_FONT") {
                of = SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
            } else {
                font = CreateFontA(-I(3), 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, t[5].c_str());
                of = SelectObject(dc, font);
            }
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, parse_col(t[4]));
            TextOutA(dc, I(1), I(2), s.c_str(), int(s.size()));
            SelectObject(dc, of);
            if (font) DeleteObject(font);
        } else if (c == "scroll" && t.size() >= 7) {
            RECT rc = {I(3), I(4), I(5), I(6)};
            ScrollDC(dc, I(1), I(2), &rc, &rc, nullptr, nullptr);
        } else if (c == "blit" && t.size() >= 7) {
            BitBlt(dc, I(1), I(2), I(3), I(4), dc, I(5), I(6), SRCCOPY);
        }
    }
    return out;
}

// The regions of an expected-pictures file, in order.
inline std::vector<Region> read_regions(const std::string &path) {
    std::vector<Region> out;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("## ", 0) == 0) {
            Region r;
            size_t b = line.rfind("  [x ");
            r.title = line.substr(3, b == std::string::npos ? std::string::npos : b - 3);
            if (b != std::string::npos)
                std::sscanf(line.c_str() + b, "  [x %d..%d, y %d..%d]", &r.x0, &r.x1, &r.y0, &r.y1);
            out.push_back(r);
            std::getline(in, line);  // the ruler
            continue;
        }
        std::vector<std::string> t = split(line);
        if (!out.empty() && t.size() == 2) out.back().rows.push_back(t[1]);
    }
    return out;
}

// A region in the same layout as the expected files.
inline std::string format_region(const Region &r) {
    std::string s = "## " + r.title + "  [x " + std::to_string(r.x0) + ".." + std::to_string(r.x1) + ", y " +
                    std::to_string(r.y0) + ".." + std::to_string(r.y1) + "]\n      ";
    for (int x = r.x0; x <= r.x1; x++) s += char('0' + (x % 10 + 10) % 10);
    s += "\n";
    for (size_t i = 0; i < r.rows.size(); i++) {
        char head[16];
        std::snprintf(head, sizeof head, "%5d ", r.y0 + int(i));
        s += head + r.rows[i] + "\n";
    }
    return s + "\n";
}

}  // namespace gdi_test
