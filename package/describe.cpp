// The canvas in words, from the drawing calls behind it: which calls can be seen, in drawing
// order, each with its kind, colour, place and coordinates, and what was left out.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <initializer_list>

#include "describe_table.h"
#include "internal.h"
#include "replay.h"
#include "text_encoding.h"

namespace {

// The tables there are; the first is the fallback. A translation adds its line here.
const DescribeTable *const tables[] = {
    &describe_en,
};

}  // namespace

// The table of LANG's language ("de_DE.UTF-8" asks for "de"), or the fallback.
const DescribeTable &describe_table(void) {
    const char *lang = getenv("LANG");
    if (lang != nullptr) {
        size_t n = strcspn(lang, "_.@");
        for (const DescribeTable *t : tables)
            if (strlen(t->language) == n && strncmp(lang, t->language, n) == 0) return *t;
    }
    return *tables[0];
}

namespace {

const DescribeTable &table(void) { return describe_table(); }

// A growing text in plain C memory (the package links into C programs without a C++ runtime).
// A failed allocation keeps what was there and marks the text as failed.
struct Text {
    char *p;
    size_t n, cap;
    int failed;
};

void text_add(Text *t, const char *s, size_t n) {
    if (t->failed) return;
    if (t->n + n + 1 > t->cap) {
        size_t cap = t->cap ? t->cap : 256;
        while (cap < t->n + n + 1) cap *= 2;
        char *p = (char *)realloc(t->p, cap);
        if (!p) {
            t->failed = 1;
            return;
        }
        t->p = p;
        t->cap = cap;
    }
    memcpy(t->p + t->n, s, n);
    t->n += n;
    t->p[t->n] = '\0';
}
void text_add(Text *t, const char *s) { text_add(t, s, strlen(s)); }
void text_free(Text *t) {
    free(t->p);
    *t = Text{};
}

// A number as text, for a format's values.
struct Num {
    char s[24];
};
Num num(long long v) {
    Num n;
    snprintf(n.s, sizeof n.s, "%lld", v);
    return n;
}

// Appends format with {k} replaced by values[k]; a brace that names no value is kept as it is.
void fill(Text *out, const char *format, std::initializer_list<const char *> values) {
    for (const char *p = format; *p != '\0'; p++) {
        if (p[0] == '{' && p[1] >= '0' && p[1] <= '9' && p[2] == '}' &&
            (size_t)(p[1] - '0') < values.size()) {
            text_add(out, values.begin()[p[1] - '0']);
            p += 2;
        } else {
            text_add(out, p, 1);
        }
    }
}

// A count in words: forms[0] for one, forms[1] (with {0}) for any other number.
void counted(Text *out, const char *const forms[2], long long n) {
    fill(out, forms[n == 1 ? 0 : 1], {num(n).s});
}

const char *colour_name(const DescribeTable &t, int colour) {
    int c = colour >= 0 && colour < PLAKO_COLOUR_COUNT ? colour : PLAKO_RED;
    return t.colours[c] != nullptr ? t.colours[c] : palette_name(c);
}

// The words of a text, its lines joined by the table's separator, in UTF-8.
void text_words(Text *out, const DescribeTable &t, const char *text) {
    size_t n = strlen(text);
    char chunk[768];  // 256 code page bytes become at most 768 UTF-8 bytes
    for (size_t start = 0;;) {
        const char *nl = (const char *)memchr(text + start, '\n', n - start);
        size_t end = nl ? (size_t)(nl - text) : n;
        for (size_t i = start; i < end; i += 256) {
            size_t part = end - i < 256 ? end - i : 256;
            text_add(out, chunk, text_code_page_to_utf8(text + i, part, chunk));
        }
        if (!nl) break;
        text_add(out, t.text_line_separator);
        start = end + 1;
    }
}

void call_words(Text *out, const DescribeTable &t, const DrawCommand *cmd, const char *text) {
    const char *colour = colour_name(t, cmd->colour);
    long long x1 = cmd->x1, y1 = cmd->y1, x2 = cmd->x2, y2 = cmd->kind == SHAPE_TEXT ? 0 : cmd->y2;
    switch (cmd->kind) {
        case SHAPE_OVAL:
            // A circle is kept as its box; a box that is not square (clamped at int32's ends) is
            // told as the box it is.
            if (x2 - x1 == y1 - y2 && (x2 - x1) % 2 == 0)
                fill(out, t.circle,
                     {colour, num((x1 + x2) / 2).s, num((y1 + y2) / 2).s, num((x2 - x1) / 2).s});
            else
                fill(out, t.oval, {colour, num(x1).s, num(y1).s, num(x2).s, num(y2).s});
            break;
        case SHAPE_RECTANGLE:
            fill(out, cmd->width == 0 ? t.rectangle_filled : t.rectangle_outlined,
                 {colour, num(x1).s, num(y1).s, num(x2).s, num(y2).s, num(cmd->width).s});
            break;
        case SHAPE_TRIANGLE:
            fill(out, cmd->width == 0 ? t.triangle_filled : t.triangle_outlined,
                 {colour, num(x1).s, num(y1).s, num(x2).s, num(y2).s, num(cmd->x3).s, num(cmd->y3).s,
                  num(cmd->width).s});
            break;
        case SHAPE_LINE:
            fill(out, t.line, {colour, num(x1).s, num(y1).s, num(x2).s, num(y2).s, num(cmd->width).s});
            break;
        case SHAPE_PIXEL:
            fill(out, t.dot, {colour, num(x1).s, num(y1).s});
            break;
        case SHAPE_TEXT: {
            Text words = {};
            text_words(&words, t, text ? text : "");
            fill(out, t.text, {colour, words.p ? words.p : "", num(x1).s, num(y1).s, num(x2).s});
            text_free(&words);
            break;
        }
        default:
            fill(out, t.unknown, {colour});
            break;
    }
}

// Copies s (n bytes) into out as snprintf would, but never cuts a UTF-8 character in two; n.
size_t copy_out(const char *s, size_t len, char *out, size_t cap) {
    if (cap == 0 || out == nullptr) return len;
    size_t n = len < cap - 1 ? len : cap - 1;
    while (n > 0 && n < len && ((unsigned char)s[n] & 0xC0) == 0x80) n--;
    if (n > 0) memcpy(out, s, n);
    out[n] = '\0';
    return len;
}

// A box of client pixels, both ends inclusive; empty when left > right or top > bottom.
struct Box {
    long long left, top, right, bottom;
};

// A box that holds every pixel cmd can paint, in client pixels (64 bits: no coordinate
// overflows). Pens are centred on the outline with round ends and joins, so width + 2 is ample.
Box call_box(HDC dc, const DrawCommand *cmd, const char *text, int ox, int oy) {
    // A filled rectangle paints exactly its box, both corners included.
    long long m = cmd->kind == SHAPE_RECTANGLE && cmd->width == 0 ? 0 : (long long)cmd->width + 2;
    long long y2 = cmd->kind == SHAPE_TEXT ? 0 : (long long)cmd->y2;
    switch (cmd->kind) {
        case SHAPE_OVAL:
        case SHAPE_RECTANGLE:
            return {ox + (long long)cmd->x1 - m, oy - (long long)cmd->y1 - m, ox + (long long)cmd->x2 + m,
                    oy - y2 + m};
        case SHAPE_TRIANGLE:
        case SHAPE_LINE: {
            long long xs[3] = {cmd->x1, cmd->x2, cmd->kind == SHAPE_LINE ? cmd->x1 : cmd->x3};
            long long ys[3] = {cmd->y1, y2, cmd->kind == SHAPE_LINE ? cmd->y1 : cmd->y3};
            Box b = {xs[0], ys[0], xs[0], ys[0]};
            for (int k = 1; k < 3; k++) {
                b.left = xs[k] < b.left ? xs[k] : b.left;
                b.right = xs[k] > b.right ? xs[k] : b.right;
                b.top = ys[k] > b.top ? ys[k] : b.top;
                b.bottom = ys[k] < b.bottom ? ys[k] : b.bottom;
            }
            return {ox + b.left - m, oy - b.top - m, ox + b.right + m, oy - b.bottom + m};
        }
        case SHAPE_PIXEL:
            return {ox + (long long)cmd->x1, oy - (long long)cmd->y1, ox + (long long)cmd->x1,
                    oy - (long long)cmd->y1};
        case SHAPE_TEXT: {
            // The rows of its lines as draw_text places them and the width of the whole text as
            // one run (at least its widest line's), with a cell's margin all round for glyphs
            // that lean out of their cells.
            if (text == nullptr || *text == '\0') return {0, 0, -1, -1};
            SIZE extent = render_text_extent(dc, cmd, text);
            long long h = extent.cy, lines = 1;
            for (const char *p = text; (p = strchr(p, '\n')) != nullptr; p++) lines++;
            long long left = ox + (long long)cmd->x1, anchor = oy - (long long)cmd->y1;
            return {left - h - 2, anchor - 2 * h - 2, left + extent.cx + h + 2, anchor + lines * h + h + 2};
        }
        default:
            return {0, 0, -1, -1};
    }
}

// Where the painted box b (client pixels) is on an area of w by h pixels, in the table's words.
const char *place_words(const DescribeTable &t, const Box &b, int w, int h) {
    long long bw = b.right - b.left + 1, bh = b.bottom - b.top + 1;
    int column = (int)((b.left + b.right) / 2 * 3 / w);
    int row = (int)((b.top + b.bottom) / 2 * 3 / h);
    column = column < 0 ? 0 : (column > 2 ? 2 : column);
    row = row < 0 ? 0 : (row > 2 ? 2 : row);
    bool wide = bw * 3 >= (long long)w * 2, tall = bh * 3 >= (long long)h * 2;
    if (wide && tall) return t.across_whole;
    if (wide) return t.across_rows[row];
    if (tall) return t.down_columns[column];
    return t.regions[row * 3 + column];
}

// What the visibility pass finds of one kept call.
enum Seen { SEEN_SHOWN, SEEN_COVERED, SEEN_OFF };

struct Finding {
    Seen seen;
    Box painted;  // the client pixels it paints, shown or not
};

const COLORREF unpainted = RGB(0x12, 0x34, 0x56);  // no palette entry has it (scene.cpp's too)
const unsigned int unpainted_read = 0x123456;      // the same as GetDIBits gives it: 0x00RRGGBB

// Draws cmd alone on a bitmap that covers only the client box b and reads that back, row by row
// (0x00RRGGBB, unpainted where the call paints nothing): the cost follows the call's size, not
// the canvas's. 0 on failure.
// Pixels read back, grown as larger calls need them.
struct Pixels {
    unsigned int *p;
    size_t cap;
};

int draw_alone(HDC canvas, const DrawCommand *cmd, const char *text, const Box &b, int ox, int oy,
               Pixels *px) {
    int bw = (int)(b.right - b.left + 1), bh = (int)(b.bottom - b.top + 1);
    size_t need = (size_t)bw * (size_t)bh;
    if (need > px->cap) {
        unsigned int *p = (unsigned int *)realloc(px->p, need * sizeof(unsigned int));
        if (!p) return 0;
        px->p = p;
        px->cap = need;
    }
    HDC dc = CreateCompatibleDC(canvas);
    HBITMAP bitmap = CreateCompatibleBitmap(canvas, bw, bh);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH clear = CreateSolidBrush(unpainted);
    HGDIOBJ old_brush = SelectObject(dc, clear);
    HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
    Rectangle(dc, 0, 0, bw + 1, bh + 1);  // the null pen stops short of the right and bottom edges
    SelectObject(dc, old_pen);
    SelectObject(dc, old_brush);
    DeleteObject(clear);
    render_call(dc, plako_saturate(ox - b.left), plako_saturate(oy - b.top), cmd, text);
    SelectObject(dc, old);  // a bitmap is read only while no DC holds it
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = bw;
    info.bmiHeader.biHeight = -bh;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    int got = GetDIBits(dc, bitmap, 0, (UINT)bh, px->p, &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return got == bh;
}

// Whether every pixel of box b is marked in the w-wide mask.
bool all_marked(const unsigned char *mask, int w, const Box &b) {
    for (long long y = b.top; y <= b.bottom; y++)
        if (memchr(mask + (size_t)y * (size_t)w + (size_t)b.left, 0, (size_t)(b.right - b.left + 1)))
            return false;
    return true;
}

// Decides for every kept call whether it is shown, wholly covered by later calls, or paints
// nothing of the w by h client area: from the newest call back, each drawn alone within its box,
// its painted pixels compared with those later calls painted. found holds scene_count() entries.
// 0 when there is no canvas or not memory enough.
int find_visible(Finding *found, int w, int h) {
    HDC canvas = window_canvas();
    int count = scene_count();
    for (int i = 0; i < count; i++) found[i] = Finding{SEEN_OFF, {0, 0, -1, -1}};
    if (canvas == nullptr || w <= 0 || h <= 0) return 0;
    unsigned char *covered = (unsigned char *)calloc((size_t)w * (size_t)h, 1);
    if (!covered) return 0;
    HDC measure = CreateCompatibleDC(canvas);  // for the text's line height
    long long uncovered = (long long)w * h;
    Pixels px = {};
    int complete = 1;
    int ox = window_origin_x(), oy = window_origin_y();
    for (int i = count - 1; i >= 0; i--) {
        const char *text = "";
        const DrawCommand *cmd = scene_call(i, &text);
        Box b = call_box(measure, cmd, text, ox, oy);
        b = {b.left < 0 ? 0 : b.left, b.top < 0 ? 0 : b.top, b.right >= w ? w - 1 : b.right,
             b.bottom >= h ? h - 1 : b.bottom};
        if (b.left > b.right || b.top > b.bottom) continue;
        Finding &f = found[i];
        bool hidden = uncovered == 0 || all_marked(covered, w, b);
        if (cmd->kind == SHAPE_RECTANGLE && cmd->width == 0 && (cmd->x1 != cmd->x2 || cmd->y1 != cmd->y2)) {
            // A filled rectangle paints exactly its box (which has no margin; one of a single
            // pixel paints nothing): no need to draw it.
            f.seen = hidden ? SEEN_COVERED : SEEN_SHOWN;
            f.painted = b;
            for (long long y = b.top; y <= b.bottom && !hidden; y++) {
                unsigned char *cover = covered + (size_t)y * (size_t)w;
                for (long long x = b.left; x <= b.right; x++) uncovered -= cover[x] ? 0 : 1;
                memset(cover + b.left, 1, (size_t)(b.right - b.left + 1));
            }
            continue;
        }
        if (!draw_alone(canvas, cmd, text, b, ox, oy, &px)) {
            complete = 0;
            break;
        }
        long long bw = b.right - b.left + 1;
        for (long long y = b.top; y <= b.bottom; y++) {
            const unsigned int *row = px.p + (size_t)((y - b.top) * bw);
            unsigned char *cover = covered + (size_t)y * (size_t)w;
            for (long long x = b.left; x <= b.right; x++) {
                if ((row[x - b.left] & 0xffffff) == unpainted_read) continue;
                if (hidden) {  // painted, and already known to be all covered
                    f.seen = SEEN_COVERED;
                    break;
                }
                if (f.seen == SEEN_OFF) {
                    f.seen = SEEN_COVERED;
                    f.painted = {x, y, x, y};
                }
                if (!cover[x]) {
                    f.seen = SEEN_SHOWN;
                    cover[x] = 1;
                    uncovered--;
                }
                f.painted.left = x < f.painted.left ? x : f.painted.left;
                f.painted.right = x > f.painted.right ? x : f.painted.right;
                f.painted.bottom = y;
            }
            if (hidden && f.seen == SEEN_COVERED) break;
        }
    }
    DeleteDC(measure);
    free(px.p);
    free(covered);
    return complete;
}

// The description's sentences, in order, each ended by '\n'.
void describe_all(Text *out) {
    const DescribeTable &t = table();
    // The client area: canvas x from -origin to +origin, and the same for y.
    int w = window_origin_x() * 2 + 1, h = window_origin_y() * 2 + 1;
    int count = scene_count();
    Finding *found = (Finding *)malloc(sizeof(Finding) * (size_t)(count > 0 ? count : 1));
    if (!found || !find_visible(found, w, h)) {
        free(found);
        found = nullptr;
        if (count > 0 && window_canvas()) {
            text_add(out, t.no_memory);
            text_add(out, "\n");
            return;
        }
        count = 0;  // nothing drawn yet, or nothing to draw on
    }
    long long shapes = 0, texts = 0, covered = 0, off = 0;
    long dropped = scene_dropped();
    Text items = {};
    for (int i = 0; i < count; i++) {
        if (found[i].seen == SEEN_COVERED) covered++;
        if (found[i].seen == SEEN_OFF) off++;
        if (found[i].seen != SEEN_SHOWN) continue;
        const char *text = "";
        const DrawCommand *cmd = scene_call(i, &text);
        (cmd->kind == SHAPE_TEXT ? texts : shapes)++;
        Text words = {};
        call_words(&words, t, cmd, text);
        fill(&items, t.item,
             {num((long long)dropped + i + 1).s, words.p ? words.p : "",
              place_words(t, found[i].painted, w, h)});
        text_add(&items, "\n");
        text_free(&words);
    }
    if (count == 0 && dropped == 0)
        text_add(out, t.nothing);
    else if (items.n == 0)
        text_add(out, t.nothing_seen);
    else {
        Text a = {}, b = {};
        counted(&a, t.shapes, shapes);
        counted(&b, t.texts, texts);
        fill(out, t.summary, {a.p ? a.p : "", b.p ? b.p : ""});
        text_free(&a);
        text_free(&b);
    }
    text_add(out, "\n");
    if (items.n > 0) text_add(out, items.p, items.n);
    text_free(&items);
    const char *const *left_out[3] = {t.covered, t.off_canvas, t.dropped};
    long long counts[3] = {covered, off, dropped};
    for (int k = 0; k < 3; k++) {
        if (counts[k] == 0) continue;
        counted(out, left_out[k], counts[k]);
        text_add(out, "\n");
    }
    free(found);
    if (out->failed) {  // what fitted is not the description: say why there is none
        text_free(out);
        text_add(out, t.no_memory);
        text_add(out, "\n");
    }
}

}  // namespace

void describe_call(const DrawCommand *cmd, const char *text, char *out, size_t cap) {
    if (cmd == nullptr) return;
    Text words = {};
    call_words(&words, table(), cmd, text);
    copy_out(words.p ? words.p : "", words.n, out, cap);
    text_free(&words);
}

// A console line holds 1023 characters: a longer sentence is cut at a character's start, with
// "..." saying so, since the console takes UTF-8 and would show half a character as the code page.
void describe_print(void) {
    Text all = {};
    describe_all(&all);
    for (const char *line = all.p; line != nullptr && *line != '\0';) {
        const char *end = strchr(line, '\n');
        size_t len = end ? (size_t)(end - line) : strlen(line);
        char buf[PLAKO_TEXT_BUFFER - 1];  // room for the line end the console adds back
        if (copy_out(line, len, buf, sizeof buf) >= sizeof buf) {
            size_t n = sizeof buf - 4;
            while (n > 0 && ((unsigned char)buf[n] & 0xC0) == 0x80) n--;
            memcpy(buf + n, "...", 4);
        }
        plako_console_printf("%s\n", buf);
        line = end ? end + 1 : line + len;
    }
    text_free(&all);
}

size_t replay_describe(char *out, size_t cap) {
    Text all = {};
    describe_all(&all);
    size_t n = all.n > 0 ? all.n - 1 : 0;  // without the last line's end
    size_t whole = copy_out(all.p ? all.p : "", n, out, cap);
    text_free(&all);
    return whole;
}
