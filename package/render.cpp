// The renderer: turns one DrawCommand into pixels on the off-screen canvas with the platform's
// graphics calls, and fills the canvas for an erase.
#include <string.h>

#include "internal.h"

namespace {

const char *const text_face = "PLAKO-font";  // matches no installed face: the platform picks one

// The renderer keeps nothing between calls; its record only names the target of the current call:
// the canvas, or a scratch bitmap that asks which pixels a kept call paints.
struct RenderState {
    HDC canvas;
    int origin_x;  // device pixel of canvas point (0, 0)
    int origin_y;
};
RenderState state;

// Canvas x to bitmap column and canvas y to bitmap row, plus a pixel offset, in 64 bits so that
// no argument overflows; saturated only where the value goes to the platform.
int column(int x, int extra = 0) { return plako_saturate((long long)state.origin_x + x + extra); }
int row(int y, int extra = 0) { return plako_saturate((long long)state.origin_y - y + extra); }

// Pen and brush of the area shapes: width 0 fills with a solid brush, else only the edge is
// drawn and the hollow stock brush leaves the inside as it was.
struct AreaTools {
    HPEN pen;
    HBRUSH brush;  // null when the stock hollow brush is used
    HGDIOBJ old_pen;
    HGDIOBJ old_brush;
};

AreaTools select_area_tools(const DrawCommand *cmd) {
    AreaTools t = {};
    COLORREF c = palette_colour(cmd->colour);
    t.pen = CreatePen(PS_SOLID, cmd->width, c);
    t.old_pen = SelectObject(state.canvas, t.pen);
    if (cmd->width == 0) {
        t.brush = CreateSolidBrush(c);
        t.old_brush = SelectObject(state.canvas, t.brush);
    } else {
        t.old_brush = SelectObject(state.canvas, GetStockObject(NULL_BRUSH));
    }
    return t;
}

void release_area_tools(const AreaTools &t) {
    SelectObject(state.canvas, t.old_pen);
    SelectObject(state.canvas, t.old_brush);
    DeleteObject(t.pen);
    if (t.brush) DeleteObject(t.brush);  // the stock brush is shared and never deleted
}

void draw_triangle(const DrawCommand *cmd) {
    POINT pts[3] = {{column(cmd->x1), row(cmd->y1)},
                    {column(cmd->x2), row(plako_saturate(cmd->y2))},
                    {column(cmd->x3), row(cmd->y3)}};
    AreaTools t = select_area_tools(cmd);
    Polygon(state.canvas, pts, 3);
    release_area_tools(t);
}

// Rectangle and ellipse: the platform leaves out the right and bottom edges of the box, so +1
// makes both corners of the command inclusive.
void draw_box(const DrawCommand *cmd) {
    int y2 = plako_saturate(cmd->y2);
    AreaTools t = select_area_tools(cmd);
    if (cmd->kind == SHAPE_RECTANGLE)
        Rectangle(state.canvas, column(cmd->x1), row(cmd->y1), column(cmd->x2, 1), row(y2, 1));
    else
        Ellipse(state.canvas, column(cmd->x1), row(cmd->y1), column(cmd->x2, 1), row(y2, 1));
    release_area_tools(t);
}

void draw_line(const DrawCommand *cmd) {
    HPEN pen = CreatePen(PS_SOLID, cmd->width, palette_colour(cmd->colour));
    HGDIOBJ old_pen = SelectObject(state.canvas, pen);
    MoveToEx(state.canvas, column(cmd->x1), row(cmd->y1), NULL);
    LineTo(state.canvas, column(cmd->x2), row(plako_saturate(cmd->y2)));
    SelectObject(state.canvas, old_pen);
    DeleteObject(pen);
}

// Draws the lines of text, split at '\n'. Line i has the top of its cell at the anchor row
// + (i - 1) * h: the first line sits directly above the anchor row, every further one h lower.
void draw_text_lines(int left, int anchor_row, int h, const char *text, size_t n) {
    long long top = (long long)anchor_row - h;
    size_t start = 0;
    for (;;) {
        const char *nl = (const char *)memchr(text + start, '\n', n - start);
        size_t end = nl ? (size_t)(nl - text) : n;
        // Lines wholly above or below the bitmap paint nothing; skipping them keeps a text of
        // a million lines cheap. A margin of one cell allows for glyphs outside their cell.
        if (h > 0 && top - h >= PLAKO_CANVAS_HEIGHT) break;
        if (end > start && !(h > 0 && top + 2LL * h <= 0)) {
            size_t len = end - start;
            TextOutA(state.canvas, left, plako_saturate(top), text + start,
                     (int)(len > 0x7fffffff ? 0x7fffffff : len));
        }
        if (!nl) break;
        start = end + 1;
        top += h;
    }
}

// The font of a text command: a negative height asks for a character height; 0 for the
// platform's default.
HFONT text_font(const DrawCommand *cmd) {
    return CreateFontA(plako_saturate(-(long long)cmd->x2), 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       text_face);
}

void draw_text(const DrawCommand *cmd, const char *text) {
    SetTextColor(state.canvas, palette_colour(cmd->colour));  // not restored
    int old_mode = GetBkMode(state.canvas);
    SetBkMode(state.canvas, TRANSPARENT);  // glyphs only, no background box
    HFONT font = text_font(cmd);
    HGDIOBJ old_font = SelectObject(state.canvas, font);

    if (text) {  // without its copy the text has nothing to draw
        size_t n = strlen(text);
        // The extent of the whole text as one run gives the cell height in this font.
        SIZE extent = {};
        GetTextExtentPointA(state.canvas, text, (int)(n > 0x7fffffff ? 0x7fffffff : n), &extent);
        draw_text_lines(column(cmd->x1), row(cmd->y1), extent.cy, text, n);
    }

    SetBkMode(state.canvas, old_mode);
    SelectObject(state.canvas, old_font);
    DeleteObject(font);
}

}  // namespace

// Draws one command on the canvas and marks the canvas as changed.
void plako_render(const DrawCommand *cmd) {
    HDC canvas = window_canvas();
    if (!canvas || !cmd) return;  // nothing to draw on before plako_start
    HGLOBAL block = cmd->kind == SHAPE_TEXT ? (HGLOBAL)cmd->y2 : NULL;
    const char *text = block ? (const char *)GlobalLock(block) : NULL;
    render_call(canvas, window_origin_x(), window_origin_y(), cmd, text);
    if (text) GlobalUnlock(block);
    window_set_dirty();
}

// Draws cmd on dc with canvas point (0, 0) at device pixel (origin_x, origin_y).
void render_call(HDC dc, int origin_x, int origin_y, const DrawCommand *cmd, const char *text) {
    state.canvas = dc;
    state.origin_x = origin_x;
    state.origin_y = origin_y;
    switch (cmd->kind) {
        case SHAPE_TRIANGLE:
            draw_triangle(cmd);
            break;
        case SHAPE_RECTANGLE:
        case SHAPE_OVAL:
            draw_box(cmd);
            break;
        case SHAPE_LINE:
            draw_line(cmd);
            break;
        case SHAPE_PIXEL:
            SetPixel(state.canvas, column(cmd->x1), row(cmd->y1), palette_colour(cmd->colour));
            break;
        case SHAPE_TEXT:
            draw_text(cmd, text);
            break;
        default:
            break;  // an unknown kind draws nothing but still counts as drawing
    }
}

// The extent of the text of cmd as one run, measured on dc: its height is the line height
// draw_text spaces its lines by, its width at least that of its widest line.
SIZE render_text_extent(HDC dc, const DrawCommand *cmd, const char *text) {
    HFONT font = text_font(cmd);
    HGDIOBJ old_font = SelectObject(dc, font);
    size_t n = strlen(text);
    SIZE extent = {};
    GetTextExtentPointA(dc, text, (int)(n > 0x7fffffff ? 0x7fffffff : n), &extent);
    SelectObject(dc, old_font);
    DeleteObject(font);
    return extent;
}

// Fills the whole bitmap white; its edge takes the canvas's own pen, so the outer ring is black.
void plako_fill_canvas(void) {
    state.canvas = window_canvas();
    if (!state.canvas) return;
    HBRUSH brush = CreateSolidBrush(palette_colour(PLAKO_WHITE));
    HGDIOBJ old_brush = SelectObject(state.canvas, brush);
    Rectangle(state.canvas, 0, 0, PLAKO_CANVAS_WIDTH, PLAKO_CANVAS_HEIGHT);
    SelectObject(state.canvas, old_brush);
    DeleteObject(brush);
    window_set_dirty();
}
