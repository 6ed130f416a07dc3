// The scene: the drawing calls behind the canvas's pixels since the last erase, newest last, for
// looking at the canvas (which call painted a pixel, what the picture holds). Bounded: a program
// that never erases keeps only its newest calls.
#include <stdlib.h>
#include <string.h>

#include "internal.h"

namespace {

// A kept call. Plain C memory throughout: the package links into C programs without a C++ runtime.
struct Kept {
    DrawCommand cmd;  // y2 of a text holds nothing: the text is kept beside it
    char *text;       // SHAPE_TEXT's text as drawn, in the code page; null for shapes
    size_t length;
};

struct SceneState {
    Kept *calls;  // a ring of capacity entries; the oldest at first
    int capacity;
    int first;
    int count;
    size_t text_bytes;  // the kept texts' bytes, within SCENE_MAX_TEXT
    long dropped;
    unsigned long version;
};
SceneState state;

// A colour no palette entry has, so that any paint of a call changes it (smoothed text included).
const COLORREF unpainted = RGB(0x12, 0x34, 0x56);

Kept &kept(int i) { return state.calls[(state.first + i) % state.capacity]; }

void drop_oldest(void) {
    Kept &k = kept(0);
    state.text_bytes -= k.length;
    free(k.text);
    k.text = nullptr;
    state.first = (state.first + 1) % state.capacity;
    state.count--;
    state.dropped++;
}

// Room for one more call: the ring grows (unrolled into a new block) up to SCENE_MAX_CALLS.
int make_room(void) {
    if (state.count < state.capacity) return 1;
    if (state.capacity >= SCENE_MAX_CALLS) {
        drop_oldest();
        return 1;
    }
    int grown = state.capacity ? state.capacity * 2 : 64;
    if (grown > SCENE_MAX_CALLS) grown = SCENE_MAX_CALLS;
    Kept *calls = (Kept *)malloc(sizeof(Kept) * (size_t)grown);
    if (!calls) return state.count > 0 ? (drop_oldest(), 1) : 0;  // out of memory: keep fewer
    for (int i = 0; i < state.count; i++) calls[i] = kept(i);
    free(state.calls);
    state.calls = calls;
    state.capacity = grown;
    state.first = 0;
    return 1;
}

// A filled rectangle over the whole client area hides everything drawn before it: a program that
// clears its picture with one, rather than with plako_erase, starts its frame there.
int covers_window(const DrawCommand *cmd) {
    if (cmd->kind != SHAPE_RECTANGLE || cmd->width != 0) return 0;
    RECT rc = {};
    if (!GetClientRect(window_graphics(), &rc) || rc.right <= 0 || rc.bottom <= 0) return 0;
    long long left = -(long long)window_origin_x(), right = left + rc.right - 1;
    long long top = window_origin_y(), bottom = top - rc.bottom + 1;
    return cmd->x1 <= left && cmd->x2 >= right && cmd->y1 >= top && (long long)cmd->y2 <= bottom;
}

}  // namespace

void scene_erase(void) {
    while (state.count > 0) drop_oldest();
    state.dropped = 0;
    state.first = 0;
    state.version++;
}

void scene_add(const DrawCommand *cmd) {
    if (covers_window(cmd)) scene_erase();
    state.version++;
    char *text = nullptr;
    size_t length = 0;
    if (cmd->kind == SHAPE_TEXT && cmd->y2) {
        HGLOBAL block = (HGLOBAL)cmd->y2;
        const char *drawn = (const char *)GlobalLock(block);
        if (drawn) {
            // A text larger than the whole budget keeps its start.
            length = strnlen(drawn, (size_t)SCENE_MAX_TEXT);
            text = (char *)malloc(length + 1);
            if (text) {
                memcpy(text, drawn, length);
                text[length] = '\0';
            } else {
                length = 0;
            }
            GlobalUnlock(block);
        }
    }
    while (state.count > 0 && state.text_bytes + length > (size_t)SCENE_MAX_TEXT) drop_oldest();
    if (!make_room()) {
        free(text);
        state.dropped++;
        return;
    }
    Kept &k = kept(state.count);
    k.cmd = *cmd;
    if (cmd->kind == SHAPE_TEXT) k.cmd.y2 = 0;
    k.text = text;
    k.length = length;
    state.count++;
    state.text_bytes += length;
}

int scene_count(void) { return state.count; }
long scene_dropped(void) { return state.dropped; }
unsigned long scene_version(void) { return state.version; }

const DrawCommand *scene_call(int i, const char **text) {
    if (i < 0 || i >= state.count) return nullptr;
    if (text) *text = kept(i).text ? kept(i).text : "";
    return &kept(i).cmd;
}

namespace {

// A 1-by-1 bitmap placed at one canvas pixel: a kept call drawn on it alone shows whether it
// paints that pixel by the canvas's own rule, at the cost of one pixel (the renderer clips the rest).
struct Probe {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    int px, py;
};

int probe_open(Probe *p, int px, int py) {
    HDC canvas = window_canvas();
    if (!canvas) return 0;
    p->dc = CreateCompatibleDC(canvas);
    p->bitmap = CreateCompatibleBitmap(canvas, 1, 1);
    p->old = SelectObject(p->dc, p->bitmap);
    p->px = px;
    p->py = py;
    return 1;
}

int probe_paints(const Probe *p, int i) {
    const Kept &k = kept(i);
    SetPixel(p->dc, 0, 0, unpainted);
    render_call(p->dc, plako_saturate((long long)window_origin_x() - p->px),
                plako_saturate((long long)window_origin_y() - p->py), &k.cmd, k.text);
    return GetPixel(p->dc, 0, 0) != unpainted;
}

void probe_close(Probe *p) {
    SelectObject(p->dc, p->old);
    DeleteObject(p->bitmap);
    DeleteDC(p->dc);
}

}  // namespace

int scene_paints(int i, int px, int py) {
    Probe p;
    if (i < 0 || i >= scene_count() || !probe_open(&p, px, py)) return 0;
    int painted = probe_paints(&p, i);
    probe_close(&p);
    return painted;
}

int scene_calls_at(int px, int py, int *out, int max) {
    Probe p;
    if (max <= 0 || !probe_open(&p, px, py)) return 0;
    int n = 0;
    for (int i = scene_count() - 1; i >= 0 && n < max; i--)
        if (probe_paints(&p, i)) out[n++] = i;
    probe_close(&p);
    return n;
}
