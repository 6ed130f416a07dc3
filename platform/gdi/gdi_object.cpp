// GDI objects: pens, brushes, bitmaps and the stock objects; creation, lookup and deletion.
#include <cstring>
#include <new>

#include "gdi.h"

namespace plat {
namespace {

// A bitmap of more pixels than this is refused, so that no argument allocates without bound.
constexpr int64_t MAX_BITMAP_PIXELS = int64_t(1) << 24;

struct StockSet {
    Brush brushes[6];  // WHITE_BRUSH .. NULL_BRUSH
    Pen pens[3];       // WHITE_PEN, BLACK_PEN, NULL_PEN
    Font fonts[8];     // OEM_FIXED_FONT (10) .. DEFAULT_GUI_FONT (17)
    Bitmap bitmap;     // the 1x1 bitmap of a fresh memory DC
};

struct ObjectState {
    StockSet *stock;  // built on first use, never freed
};
ObjectState state;

// Describes stock font f; its face is resolved on first use like any font's.
void set_font(Font &f, int height, int width, int weight, int pitch, const char *face) {
    f.kind = OBJ_FONT;
    f.stock = 1;
    f.height = height;
    f.width = width;
    f.weight = weight;
    f.pitch_family = pitch;
    std::strncpy(f.face, face, sizeof f.face - 1);
}

// The stock objects, built on first use.
StockSet &stock() {
    if (state.stock) return *state.stock;
    StockSet *s = new StockSet;
    const COLORREF greys[5] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128), RGB(64, 64, 64),
                               0};
    for (int i = 0; i < 6; i++) {
        s->brushes[i].kind = OBJ_BRUSH;
        s->brushes[i].stock = 1;
        s->brushes[i].hollow = i == NULL_BRUSH;
        s->brushes[i].colour = i < 5 ? greys[i] : 0;
    }
    const COLORREF pen_colours[3] = {RGB(255, 255, 255), 0, 0};
    for (int i = 0; i < 3; i++) {
        s->pens[i].kind = OBJ_PEN;
        s->pens[i].stock = 1;
        s->pens[i].style = i == 2 ? PS_NULL : PS_SOLID;
        s->pens[i].colour = pen_colours[i];
    }
    // Positive heights are cell heights: the fixed fonts get the 8-pixel-wide cells of the classic ones.
    const int fixed = FIXED_PITCH | FF_MODERN, var = VARIABLE_PITCH | FF_SWISS;
    set_font(s->fonts[OEM_FIXED_FONT - 10], 12, 8, FW_NORMAL, fixed, "Liberation Mono");
    // ANSI_FIXED_FONT is the bitmap Courier where it is installed, else a fixed-pitch outline face.
    set_font(s->fonts[ANSI_FIXED_FONT - 10], 13, 8, FW_NORMAL, fixed, "Courier");
    set_font(s->fonts[ANSI_VAR_FONT - 10], 13, 0, FW_NORMAL, var, "Arial");
    set_font(s->fonts[SYSTEM_FONT - 10], 16, 0, FW_BOLD, var, "Arial");
    set_font(s->fonts[14 - 10], 16, 0, FW_BOLD, var, "Arial");  // DEVICE_DEFAULT_FONT
    set_font(s->fonts[15 - 10], 16, 0, FW_BOLD, var,
             "Arial");  // DEFAULT_PALETTE: not a font, never handed out
    set_font(s->fonts[16 - 10], 16, 8, FW_NORMAL, fixed, "Liberation Mono");  // SYSTEM_FIXED_FONT
    set_font(s->fonts[DEFAULT_GUI_FONT - 10], -11, 0, FW_NORMAL, var, "Arial");
    s->bitmap.kind = OBJ_BITMAP;
    s->bitmap.stock = 1;
    s->bitmap.w = 1;
    s->bitmap.h = 1;
    s->bitmap.px.assign(1, 0);
    state.stock = s;
    return *s;
}

// The stock object at address h, or null.
GdiObj *stock_lookup(const void *h) {
    StockSet &s = stock();
    uintptr_t p = reinterpret_cast<uintptr_t>(h), lo = reinterpret_cast<uintptr_t>(&s);
    if (p < lo || p >= lo + sizeof s) return nullptr;
    for (auto &b : s.brushes)
        if (h == &b) return &b;
    for (auto &pn : s.pens)
        if (h == &pn) return &pn;
    for (int i = 0; i < 8; i++)
        if (i != 15 - 10 && h == &s.fonts[i]) return &s.fonts[i];
    if (h == &s.bitmap) return &s.bitmap;
    return nullptr;
}

}  // namespace

GdiObj *gdi_lookup(HGDIOBJ h) {
    if (!h) return nullptr;
    if (GdiObj *s = stock_lookup(h)) return s;
    for (ObjKind k : {OBJ_PEN, OBJ_BRUSH, OBJ_BITMAP, OBJ_FONT})
        if (obj_alive(h, k)) return static_cast<GdiObj *>(h);
    return nullptr;
}

Pen *gdi_pen(HGDIOBJ h) {
    GdiObj *o = gdi_lookup(h);
    return o && o->kind == OBJ_PEN ? static_cast<Pen *>(o) : nullptr;
}
Brush *gdi_brush(HGDIOBJ h) {
    GdiObj *o = gdi_lookup(h);
    return o && o->kind == OBJ_BRUSH ? static_cast<Brush *>(o) : nullptr;
}
Bitmap *gdi_bitmap(HGDIOBJ h) {
    GdiObj *o = gdi_lookup(h);
    return o && o->kind == OBJ_BITMAP ? static_cast<Bitmap *>(o) : nullptr;
}
Font *gdi_font(HGDIOBJ h) {
    GdiObj *o = gdi_lookup(h);
    return o && o->kind == OBJ_FONT ? static_cast<Font *>(o) : nullptr;
}
Bitmap *gdi_default_bitmap() { return &stock().bitmap; }
Font *gdi_default_font() { return &stock().fonts[SYSTEM_FONT - 10]; }

int brush_solid_colour(HBRUSH b, COLORREF *out) {
    Brush *br = gdi_brush(b);
    if (!br || br->hollow) return 0;
    if (out) *out = br->colour;
    return 1;
}

// Registers a freshly built object so that handles can be checked and leaks counted.
template <class T>
static HGDIOBJ publish(T *o) {
    obj_register(o, o->kind);
    return static_cast<GdiObj *>(o);
}

}  // namespace plat

using namespace plat;

// A PS_NULL pen, or a solid pen of the width (0 and below: 1 pixel); other styles draw solid.
HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color) {
    Pen *p = new (std::nothrow) Pen;
    if (!p) return nullptr;
    p->kind = OBJ_PEN;
    p->style = iStyle == PS_NULL ? PS_NULL : PS_SOLID;
    p->width = cWidth < 1 ? 1 : cWidth;
    p->colour = color & 0xffffff;
    return static_cast<HPEN>(publish(p));
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    Brush *b = new (std::nothrow) Brush;
    if (!b) return nullptr;
    b->kind = OBJ_BRUSH;
    b->colour = color & 0xffffff;
    return static_cast<HBRUSH>(publish(b));
}

// A black bitmap of cx by cy pixels in the screen's format; 0 by anything is the stock 1x1 bitmap.
HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    if (hdc && !dc_lookup(hdc)) return nullptr;
    if (cx < 0 || cy < 0) return nullptr;
    if (cx == 0 || cy == 0) return static_cast<HBITMAP>(static_cast<HGDIOBJ>(gdi_default_bitmap()));
    if (int64_t(cx) * cy > MAX_BITMAP_PIXELS) return nullptr;
    Bitmap *b = new (std::nothrow) Bitmap;
    if (!b) return nullptr;
    b->kind = OBJ_BITMAP;
    b->w = cx;
    b->h = cy;
    b->px.assign(size_t(cx) * size_t(cy), 0);
    return static_cast<HBITMAP>(publish(b));
}

HGDIOBJ WINAPI GetStockObject(int i) {
    StockSet &s = stock();
    if (i >= WHITE_BRUSH && i <= NULL_BRUSH) return static_cast<GdiObj *>(&s.brushes[i]);
    if (i >= WHITE_PEN && i <= NULL_PEN) return static_cast<GdiObj *>(&s.pens[i - WHITE_PEN]);
    if (i >= OEM_FIXED_FONT && i <= DEFAULT_GUI_FONT && i != 15)
        return static_cast<GdiObj *>(&s.fonts[i - 10]);
    return nullptr;
}

// Frees a pen, brush, bitmap or font. Stock objects and objects selected in a DC are refused.
BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    GdiObj *o = gdi_lookup(ho);
    if (!o) return FALSE;
    if (o->stock) return TRUE;  // deleting a stock object is a harmless no-op
    if (o->selected) return FALSE;
    obj_unregister(o, o->kind);
    switch (o->kind) {
        case OBJ_PEN:
            delete static_cast<Pen *>(o);
            break;
        case OBJ_BRUSH:
            delete static_cast<Brush *>(o);
            break;
        case OBJ_BITMAP:
            delete static_cast<Bitmap *>(o);
            break;
        case OBJ_FONT:
            delete static_cast<Font *>(o);
            break;
        default:
            break;
    }
    return TRUE;
}
