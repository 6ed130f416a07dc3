// Device contexts: where drawing goes (a window's client area, a memory bitmap, a surface)
// and the drawing state (selected objects, colours, background mode, current position).
#include <new>

#include "gdi.h"

namespace plat {
namespace {

// How window DCs find their windows' pixels, as the window core told us.
WindowSurfaces window_surfaces;

Dc *new_dc(Dc::Kind kind) {
    Dc *dc = new (std::nothrow) Dc;
    if (!dc) return nullptr;
    dc->kind = kind;
    dc->pen = gdi_pen(GetStockObject(BLACK_PEN));
    dc->brush = gdi_brush(GetStockObject(WHITE_BRUSH));
    dc->font = gdi_default_font();
    dc->pen->selected++;
    dc->brush->selected++;
    dc->font->selected++;
    if (kind == Dc::MEMORY) {
        dc->bitmap = gdi_default_bitmap();
        dc->bitmap->selected++;
    }
    obj_register(dc, OBJ_DC);
    return dc;
}

HDC handle(Dc *dc) { return reinterpret_cast<HDC>(dc); }

// Releases what the DC holds selected and frees it.
BOOL free_dc(HDC hdc) {
    Dc *dc = dc_lookup(hdc);
    if (!dc) return FALSE;
    obj_unregister(dc, OBJ_DC);
    dc->pen->selected--;
    dc->brush->selected--;
    dc->font->selected--;
    if (dc->bitmap) dc->bitmap->selected--;
    delete dc;
    return TRUE;
}

// Swaps the DC's slot to o and returns the previous object.
template <class T>
HGDIOBJ swap_selected(T *&slot, T *o) {
    T *old = slot;
    old->selected--;
    o->selected++;
    slot = o;
    return static_cast<GdiObj *>(old);
}

}  // namespace

Dc *dc_lookup(HDC hdc) { return obj_alive(hdc, OBJ_DC) ? reinterpret_cast<Dc *>(hdc) : nullptr; }

Surface dc_surface(Dc *dc) {
    switch (dc->kind) {
        // A hidden window has no visible pixels: drawing on it is clipped away, as on the
        // desktop, and it repaints itself when it is shown again.
        case Dc::WINDOW:
            return window_surfaces.client ? window_surfaces.client(dc->hwnd) : Surface();
        case Dc::SURFACE:
            return dc->surface;
        case Dc::MEMORY: {
            Surface s;
            if (dc->bitmap && !dc->bitmap->px.empty()) {
                s.px = dc->bitmap->px.data();
                s.w = dc->bitmap->w;
                s.h = dc->bitmap->h;
                s.stride = dc->bitmap->w;
            }
            return s;
        }
    }
    return Surface();
}

void dc_changed(Dc *dc) {
    if (dc->kind == Dc::WINDOW && window_surfaces.changed) window_surfaces.changed(dc->hwnd);
}

HDC dc_for_window(HWND w) {
    Dc *dc = new_dc(Dc::WINDOW);
    if (dc) dc->hwnd = w;
    return handle(dc);
}

HDC dc_for_surface(Surface s) {
    Dc *dc = new_dc(Dc::SURFACE);
    if (dc) dc->surface = s;
    return handle(dc);
}

void dc_free(HDC dc) { free_dc(dc); }

bool dc_is_window_dc(HDC hdc) {
    Dc *dc = dc_lookup(hdc);
    return dc && dc->kind == Dc::WINDOW;
}

void gdi_set_window_surfaces(const WindowSurfaces &ws) { window_surfaces = ws; }

}  // namespace plat

using namespace plat;

// A memory DC with the 1x1 bitmap, BLACK_PEN, WHITE_BRUSH and the default font selected.
HDC WINAPI CreateCompatibleDC(HDC hdc) {
    if (hdc && !dc_lookup(hdc)) return nullptr;
    return handle(new_dc(Dc::MEMORY));
}

BOOL WINAPI DeleteDC(HDC hdc) { return free_dc(hdc); }

// Selects a pen, brush, font or bitmap (memory DCs only, one DC per bitmap); returns the previous one.
HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
    Dc *dc = dc_lookup(hdc);
    GdiObj *o = gdi_lookup(h);
    if (!dc || !o) return nullptr;
    switch (o->kind) {
        case OBJ_PEN:
            return swap_selected(dc->pen, static_cast<Pen *>(o));
        case OBJ_BRUSH:
            return swap_selected(dc->brush, static_cast<Brush *>(o));
        case OBJ_FONT:
            return swap_selected(dc->font, static_cast<Font *>(o));
        case OBJ_BITMAP: {
            if (dc->kind != Dc::MEMORY) return nullptr;
            Bitmap *b = static_cast<Bitmap *>(o);
            if (b == dc->bitmap) return b;
            if (b->selected && !b->stock) return nullptr;  // a bitmap lives in one DC at a time
            return swap_selected(dc->bitmap, b);
        }
        default:
            return nullptr;
    }
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
    Dc *dc = dc_lookup(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF old = dc->text_colour;
    dc->text_colour = color & 0xffffff;
    return old;
}

COLORREF WINAPI GetTextColor(HDC hdc) {
    Dc *dc = dc_lookup(hdc);
    return dc ? dc->text_colour : CLR_INVALID;
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
    Dc *dc = dc_lookup(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF old = dc->bk_colour;
    dc->bk_colour = color & 0xffffff;
    return old;
}

COLORREF WINAPI GetBkColor(HDC hdc) {
    Dc *dc = dc_lookup(hdc);
    return dc ? dc->bk_colour : CLR_INVALID;
}

// TRANSPARENT or OPAQUE; returns the previous mode, 0 for a bad DC or mode.
int WINAPI SetBkMode(HDC hdc, int mode) {
    Dc *dc = dc_lookup(hdc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    int old = dc->bk_mode;
    dc->bk_mode = mode;
    return old;
}

int WINAPI GetBkMode(HDC hdc) {
    Dc *dc = dc_lookup(hdc);
    return dc ? dc->bk_mode : 0;
}

BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    Dc *dc = dc_lookup(hdc);
    if (!dc) return FALSE;
    if (lppt) *lppt = dc->pos;
    dc->pos.x = x;
    dc->pos.y = y;
    return TRUE;
}
