// The inspector: a grid, the mouse's canvas coordinates and the drawing call under the mouse,
// drawn over the graphics window, never into the canvas.
#include <stdio.h>
#include <string.h>

#include "describe_table.h"
#include "internal.h"
#include "text_encoding.h"

namespace {

const int GRID = 50;        // canvas units between two grid lines
const int MAX_LISTED = 3;   // calls named in the box; the rest are counted
const int LINE_CHARS = 64;  // a call's words beyond this are cut, so that the box stays narrow
const int TIP_GAP = 16;     // between the mouse and its box: clear of the arrow cursor
const int TIP_PAD = 4;
const int RULE_GAP = 3;  // rows between the coordinates and the rule under them, and after it

// The window's classic look: a light grey grid that a picture shows through, dark axes, numbers on
// white with a grey edge, and the mouse's box in the pale yellow of a tooltip with a black edge.
const COLORREF GRID_COLOUR = RGB(0xc0, 0xc0, 0xc0);
const COLORREF AXIS_COLOUR = RGB(0x40, 0x40, 0x40);
const COLORREF LABEL_BACK = RGB(0xff, 0xff, 0xff);
const COLORREF LABEL_EDGE = RGB(0x80, 0x80, 0x80);
const COLORREF TIP_BACK = RGB(0xff, 0xff, 0xe1);
const COLORREF INK = RGB(0x00, 0x00, 0x00);
const char *const FACE = "Arial";

// The calls that paint one client pixel of one version of the scene.
struct Hit {
    int valid;
    int px, py;
    unsigned long version;
    int listed[MAX_LISTED + 1];
    int count;  // calls found, at most MAX_LISTED + 1: one more than listed says "and more"
};

struct InspectorState {
    int on;
    int mouse_known;       // a move was seen since the inspector came on
    int mouse_x, mouse_y;  // client pixel
    Hit hit;
};
InspectorState state;

// The calls under client pixel (px, py), tested again only when the pixel or the scene changed.
const Hit &hit_at(int px, int py) {
    Hit &h = state.hit;
    unsigned long version = scene_version();
    if (h.valid && h.px == px && h.py == py && h.version == version) return h;
    // The search stops at the first call past those listed: a program that paints over its
    // picture without erasing keeps thousands of calls under every pixel, and counting them all
    // would cost milliseconds a move.
    h.count = scene_calls_at(px, py, h.listed, MAX_LISTED + 1);
    h.px = px;
    h.py = py;
    h.version = version;
    h.valid = 1;
    return h;
}

// The GDI objects of one paint, made and deleted with it.
struct Tools {
    HDC dc;
    HPEN grid, axis, label_edge, ink;
    HBRUSH label_back, tip_back;
    HFONT small, normal;
    HGDIOBJ old_pen, old_brush, old_font;
    int old_mode;
    COLORREF old_text;
};

HFONT make_font(int height, int weight) {
    return CreateFontA(-height, 0, 0, 0, weight, 0, 0, 0, ANSI_CHARSET, 0, 0, DEFAULT_QUALITY, DEFAULT_PITCH,
                       FACE);
}

void open_tools(Tools *t, HDC dc) {
    t->dc = dc;
    t->grid = CreatePen(PS_SOLID, 1, GRID_COLOUR);
    t->axis = CreatePen(PS_SOLID, 1, AXIS_COLOUR);
    t->label_edge = CreatePen(PS_SOLID, 1, LABEL_EDGE);
    t->ink = CreatePen(PS_SOLID, 1, INK);
    t->label_back = CreateSolidBrush(LABEL_BACK);
    t->tip_back = CreateSolidBrush(TIP_BACK);
    t->small = make_font(9, FW_NORMAL);
    t->normal = make_font(11, FW_NORMAL);
    t->old_pen = SelectObject(dc, t->grid);
    t->old_brush = SelectObject(dc, t->label_back);
    t->old_font = SelectObject(dc, t->small);
    t->old_mode = SetBkMode(dc, TRANSPARENT);
    t->old_text = SetTextColor(dc, INK);
}

void close_tools(Tools *t) {
    SelectObject(t->dc, t->old_pen);
    SelectObject(t->dc, t->old_brush);
    SelectObject(t->dc, t->old_font);
    SetBkMode(t->dc, t->old_mode);
    SetTextColor(t->dc, t->old_text);
    HGDIOBJ made[] = {t->grid,       t->axis,     t->label_edge, t->ink,
                      t->label_back, t->tip_back, t->small,      t->normal};
    for (HGDIOBJ o : made) DeleteObject(o);
}

void line(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, NULL);
    LineTo(dc, x2, y2);
}

// The first grid line's pixel at or after 0 on an axis whose origin is at pixel `origin`.
int first_line(int origin) { return origin % GRID < 0 ? origin % GRID + GRID : origin % GRID; }

void draw_grid(const Tools &t, int w, int h, int ox, int oy) {
    SelectObject(t.dc, t.grid);
    for (int x = first_line(ox); x < w; x += GRID)
        if (x != ox) line(t.dc, x, 0, x, h);
    for (int y = first_line(oy); y < h; y += GRID)
        if (y != oy) line(t.dc, 0, y, w, y);
    SelectObject(t.dc, t.axis);
    line(t.dc, ox, 0, ox, h);
    line(t.dc, 0, oy, w, oy);
}

// A number on a small white box whose top-left corner is (left, top).
void draw_label(const Tools &t, int left, int top, const char *text) {
    SIZE size = {};
    int n = (int)strlen(text);
    GetTextExtentPoint32A(t.dc, text, n, &size);
    Rectangle(t.dc, left, top, left + size.cx + 5, top + size.cy + 2);
    TextOutA(t.dc, left + 3, top + 1, text, n);
}

// The label's size, so that it can be centred on its line.
SIZE label_size(const Tools &t, const char *text) {
    SIZE size = {};
    GetTextExtentPoint32A(t.dc, text, (int)strlen(text), &size);
    size.cx += 5;
    size.cy += 2;
    return size;
}

// The numbers: along the x axis under it, along the y axis right of it, 0 once at the origin.
void draw_labels(const Tools &t, int w, int h, int ox, int oy) {
    SelectObject(t.dc, t.label_edge);
    SelectObject(t.dc, t.label_back);
    SelectObject(t.dc, t.small);
    char text[16];
    for (int x = first_line(ox); x < w; x += GRID) {
        if (x == ox) continue;
        snprintf(text, sizeof text, "%d", x - ox);
        SIZE s = label_size(t, text);
        // A number that would stand out of the window is left out, not cut.
        if (x - s.cx / 2 < 0 || x - s.cx / 2 + s.cx > w) continue;
        draw_label(t, x - s.cx / 2, oy + 3, text);
    }
    for (int y = first_line(oy); y < h; y += GRID) {
        if (y == oy) continue;
        snprintf(text, sizeof text, "%d", oy - y);
        SIZE s = label_size(t, text);
        if (y - s.cy / 2 < 0 || y - s.cy / 2 + s.cy > h) continue;
        draw_label(t, ox + 3, y - s.cy / 2, text);
    }
    draw_label(t, ox + 3, oy + 3, "0");
}

// A black ring in a white one around the mouse's pixel, which stays visible inside: it marks the
// pixel on any picture, and in a picture of the window that shows no cursor.
void draw_marker(const Tools &t, int mx, int my) {
    SelectObject(t.dc, GetStockObject(NULL_BRUSH));
    SelectObject(t.dc, GetStockObject(WHITE_PEN));
    Rectangle(t.dc, mx - 4, my - 4, mx + 5, my + 5);
    SelectObject(t.dc, t.ink);
    Rectangle(t.dc, mx - 3, my - 3, mx + 4, my + 4);
}

// The box's lines: the coordinates, then the calls under the mouse topmost first.
int tip_lines(int mx, int my, char (*lines)[LINE_CHARS + 8], int cap) {
    int n = 0;
    snprintf(lines[n++], LINE_CHARS + 8, "(%d, %d)", mx - window_origin_x(), window_origin_y() - my);
    const Hit &h = hit_at(mx, my);
    for (int i = 0; i < MAX_LISTED && i < h.count && n < cap; i++) {
        const char *text = "";
        const DrawCommand *cmd = scene_call(h.listed[i], &text);
        char words[256] = "";
        if (cmd) describe_call(cmd, text, words, sizeof words);
        words[text_to_code_page(words, strlen(words))] =
            '\0';  // the words are UTF-8; TextOutA takes the code page
        size_t len = strlen(words);
        if (len > (size_t)LINE_CHARS) {
            memcpy(words + LINE_CHARS - 3, "...", 4);
            len = LINE_CHARS;
        }
        memcpy(lines[n++], words, len + 1);
    }
    if (h.count > MAX_LISTED)
        snprintf(lines[n++], LINE_CHARS + 8, "%s", describe_table().inspector_more);
    else if (h.count == 0)
        snprintf(
            lines[n++], LINE_CHARS + 8, "%s",
            scene_dropped() > 0 ? describe_table().inspector_not_kept : describe_table().inspector_nothing);
    return n;
}

// The box near the mouse, to its lower right, or flipped to the other side near an edge.
void draw_tip(const Tools &t, int w, int h, int mx, int my) {
    char lines[MAX_LISTED + 2][LINE_CHARS + 8];
    int n = tip_lines(mx, my, lines, MAX_LISTED + 2);
    SelectObject(t.dc, t.normal);
    TEXTMETRICA tm = {};
    GetTextMetricsA(t.dc, &tm);
    int line_h = (int)tm.tmHeight, box_w = 0;
    for (int i = 0; i < n; i++) {
        SIZE s = {};
        GetTextExtentPoint32A(t.dc, lines[i], (int)strlen(lines[i]), &s);
        if (s.cx > box_w) box_w = (int)s.cx;
    }
    box_w += 2 * TIP_PAD;
    // The coordinates, a rule, the calls: the rule takes 2 * RULE_GAP + 1 rows.
    int rule_h = 2 * RULE_GAP + 1;
    int box_h = n * line_h + rule_h + 2 * TIP_PAD;
    int left = mx + TIP_GAP, top = my + TIP_GAP;
    if (left + box_w > w) left = mx - TIP_GAP / 2 - box_w;
    if (top + box_h > h) top = my - TIP_GAP / 2 - box_h;
    if (left + box_w > w) left = w - box_w;
    if (top + box_h > h) top = h - box_h;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    SelectObject(t.dc, t.ink);
    SelectObject(t.dc, t.tip_back);
    Rectangle(t.dc, left, top, left + box_w, top + box_h);
    int rule_y = top + TIP_PAD + line_h + RULE_GAP;
    SelectObject(t.dc, t.label_edge);
    line(t.dc, left + TIP_PAD, rule_y, left + box_w - TIP_PAD, rule_y);
    for (int i = 0; i < n; i++)
        TextOutA(t.dc, left + TIP_PAD, top + TIP_PAD + i * line_h + (i > 0 ? rule_h : 0), lines[i],
                 (int)strlen(lines[i]));
}

}  // namespace

// F2: on or off; the window is painted again with or without the overlay.
void inspector_toggle(void) {
    state.on = !state.on;
    state.mouse_known = 0;  // where the mouse is now is known at its next move
    InvalidateRect(window_graphics(), NULL, FALSE);
}

int inspector_on(void) { return state.on; }

// The overlay follows the mouse: the window is painted again (the canvas, then the overlay).
void inspector_mouse(int px, int py) {
    // Without a leave event the mouse's last place in the window stays shown once it goes out.
    if (state.mouse_known && state.mouse_x == px && state.mouse_y == py) return;
    state.mouse_known = 1;
    state.mouse_x = px;
    state.mouse_y = py;
    InvalidateRect(window_graphics(), NULL, FALSE);
}

void inspector_paint(HDC window_dc) {
    RECT rc = {};
    if (!state.on || !GetClientRect(window_graphics(), &rc)) return;
    int w = (int)(rc.right - rc.left), h = (int)(rc.bottom - rc.top);
    if (w <= 0 || h <= 0) return;
    Tools t;
    open_tools(&t, window_dc);
    draw_grid(t, w, h, window_origin_x(), window_origin_y());
    draw_labels(t, w, h, window_origin_x(), window_origin_y());
    if (state.mouse_known && state.mouse_x >= 0 && state.mouse_x < w && state.mouse_y >= 0 &&
        state.mouse_y < h) {
        draw_marker(t, state.mouse_x, state.mouse_y);
        draw_tip(t, w, h, state.mouse_x, state.mouse_y);
    }
    close_tools(&t);
}
