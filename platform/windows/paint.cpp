// Painting: each window's invalid region (kept as its bounding rectangle), WM_PAINT's
// BeginPaint/EndPaint with the background erase, and window DCs.
#include <algorithm>
#include <vector>

#include "core.h"

namespace plat {
namespace {

struct Update {
    HWND w;
    RECT r;      // inside the client area, never empty
    bool erase;  // the background must be erased before painting
};

struct PaintState {
    std::vector<Update> updates;  // in the order the windows first became invalid
};
PaintState state;

Update *find(HWND w) {
    for (Update &u : state.updates)
        if (u.w == w) return &u;
    return nullptr;
}

void forget(HWND w) {
    state.updates.erase(
        std::remove_if(state.updates.begin(), state.updates.end(), [w](const Update &u) { return u.w == w; }),
        state.updates.end());
}

// r clipped to w's client area; false when nothing is left.
bool clip_to_client(HWND w, const RECT *r, RECT *out) {
    RECT c;
    if (!GetClientRect(w, &c)) return false;
    if (!r) {
        *out = c;
        return c.right > 0 && c.bottom > 0;
    }
    // A rectangle given with its corners swapped is taken as the same area.
    long long l = std::min<long long>(r->left, r->right), rr = std::max<long long>(r->left, r->right);
    long long t = std::min<long long>(r->top, r->bottom), b = std::max<long long>(r->top, r->bottom);
    l = std::max<long long>(l, 0);
    t = std::max<long long>(t, 0);
    rr = std::min<long long>(rr, c.right);
    b = std::min<long long>(b, c.bottom);
    if (l >= rr || t >= b) return false;
    *out = RECT{(LONG)l, (LONG)t, (LONG)rr, (LONG)b};
    return true;
}

void erase(HWND w, const RECT &r) {
    COLORREF c = 0;
    if (!brush_solid_colour(window_class_brush(w), &c)) return;
    Surface s = window_client_surface(w);
    if (!s.px) return;
    surface_fill(s, r, c);
    window_pixels_changed(w);
}

}  // namespace

HWND paint_pending(HWND filter) {
    for (const Update &u : state.updates)
        if ((!filter || u.w == filter) && IsWindowVisible(u.w)) return u.w;
    return nullptr;
}

void paint_forget(HWND w) { forget(w); }

bool paint_is_invalid(HWND w) { return find(w) != nullptr; }

}  // namespace plat

using namespace plat;

// Adds a rectangle of the client area (null: all of it) to the window's invalid region; a null
// window invalidates every window.
BOOL WINAPI InvalidateRect(HWND hwnd, const RECT *rect, BOOL erase) {
    if (!hwnd) {
        for (HWND w : window_all()) InvalidateRect(w, nullptr, erase);
        return TRUE;
    }
    if (!IsWindow(hwnd)) return FALSE;
    RECT r;
    if (!clip_to_client(hwnd, rect, &r)) return TRUE;
    if (Update *u = find(hwnd)) {
        u->r.left = std::min(u->r.left, r.left);
        u->r.top = std::min(u->r.top, r.top);
        u->r.right = std::max(u->r.right, r.right);
        u->r.bottom = std::max(u->r.bottom, r.bottom);
        u->erase = u->erase || erase;
    } else {
        state.updates.push_back(Update{hwnd, r, erase != 0});
    }
    return TRUE;
}

// Removes a rectangle (null: everything) from the invalid region, as far as the region stays a
// rectangle: a strip cut off one side shrinks it; a hole in the middle leaves it as it was.
BOOL WINAPI ValidateRect(HWND hwnd, const RECT *rect) {
    if (!IsWindow(hwnd)) return FALSE;
    Update *u = find(hwnd);
    if (!u) return TRUE;
    if (!rect) {
        forget(hwnd);
        return TRUE;
    }
    RECT v;
    if (!clip_to_client(hwnd, rect, &v)) return TRUE;
    RECT &r = u->r;
    bool spans_x = v.left <= r.left && v.right >= r.right;
    bool spans_y = v.top <= r.top && v.bottom >= r.bottom;
    if (spans_x && spans_y) {
        forget(hwnd);
        return TRUE;
    }
    if (spans_x && v.top <= r.top && v.bottom > r.top)
        r.top = v.bottom;
    else if (spans_x && v.bottom >= r.bottom && v.top < r.bottom)
        r.bottom = v.top;
    else if (spans_y && v.left <= r.left && v.right > r.left)
        r.left = v.right;
    else if (spans_y && v.right >= r.right && v.left < r.right)
        r.right = v.left;
    return TRUE;
}

// Starts painting: reports and erases the invalid part, validates it, and returns a window DC.
HDC WINAPI BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
    if (!ps || !IsWindow(hwnd)) return nullptr;
    *ps = PAINTSTRUCT();
    if (Update *u = find(hwnd)) {
        ps->rcPaint = u->r;
        bool must_erase = u->erase;
        RECT r = u->r;
        forget(hwnd);
        if (must_erase) {
            COLORREF unused;
            // Without a class brush the program must erase for itself: fErase tells it so.
            if (brush_solid_colour(window_class_brush(hwnd), &unused))
                erase(hwnd, r);
            else
                ps->fErase = TRUE;
        }
    }
    ps->hdc = dc_for_window(hwnd);
    return ps->hdc;
}

BOOL WINAPI EndPaint(HWND hwnd, const PAINTSTRUCT *ps) {
    (void)hwnd;
    if (!ps) return FALSE;
    if (dc_is_window_dc(ps->hdc)) dc_free(ps->hdc);
    return TRUE;
}

// A DC that draws on the window's client area; null for a bad window.
HDC WINAPI GetDC(HWND hwnd) {
    if (!IsWindow(hwnd)) return nullptr;
    return dc_for_window(hwnd);
}

// Frees a DC from GetDC; 1 when it was one, 0 otherwise (a memory DC is left alone).
int WINAPI ReleaseDC(HWND hwnd, HDC hdc) {
    (void)hwnd;
    if (!dc_is_window_dc(hdc)) return 0;
    dc_free(hdc);
    return 1;
}

// Sends WM_PAINT at once when the window is visible and has an invalid region.
BOOL WINAPI UpdateWindow(HWND hwnd) {
    if (!IsWindow(hwnd)) return FALSE;
    if (IsWindowVisible(hwnd) && find(hwnd)) SendMessageA(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}
