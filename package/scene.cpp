// The scene: the drawing calls behind the canvas's pixels since the last erase, newest last, for
// looking at the canvas (which call painted a pixel, what the picture holds). Bounded: a program
// that never erases keeps only its newest calls.
#include <string.h>

#include <deque>
#include <string>

#include "internal.h"

namespace {

struct Kept {
    DrawCommand cmd;   // y2 of a text holds nothing: the text is kept beside it
    std::string text;  // SHAPE_TEXT's text as drawn, in the code page
};

struct SceneState {
    std::deque<Kept> calls;
    size_t text_bytes;  // the kept texts' bytes, within SCENE_MAX_TEXT
    long dropped;
    unsigned long version;
};
SceneState state;

// A colour no palette entry has, so that any paint of a call changes it (smoothed text included).
const COLORREF unpainted = RGB(0x12, 0x34, 0x56);

void drop_oldest(void) {
    state.text_bytes -= state.calls.front().text.size();
    state.calls.pop_front();
    state.dropped++;
}

}  // namespace

void scene_erase(void) {
    state.calls.clear();
    state.text_bytes = 0;
    state.dropped = 0;
    state.version++;
}

void scene_add(const DrawCommand *cmd) {
    Kept k;
    k.cmd = *cmd;
    k.cmd.y2 = cmd->kind == SHAPE_TEXT ? 0 : cmd->y2;
    if (cmd->kind == SHAPE_TEXT && cmd->y2) {
        HGLOBAL block = (HGLOBAL)cmd->y2;
        const char *text = (const char *)GlobalLock(block);
        if (text) {
            // A text larger than the whole budget keeps its start; it is drawn from the canvas anyway.
            size_t n = strnlen(text, (size_t)SCENE_MAX_TEXT);
            k.text.assign(text, n);
            GlobalUnlock(block);
        }
    }
    while (!state.calls.empty() && (state.calls.size() >= SCENE_MAX_CALLS ||
                                    state.text_bytes + k.text.size() > (size_t)SCENE_MAX_TEXT))
        drop_oldest();
    state.text_bytes += k.text.size();
    state.calls.push_back(std::move(k));
    state.version++;
}

int scene_count(void) { return (int)state.calls.size(); }
long scene_dropped(void) { return state.dropped; }
unsigned long scene_version(void) { return state.version; }

const DrawCommand *scene_call(int i, const char **text) {
    if (i < 0 || (size_t)i >= state.calls.size()) return nullptr;
    if (text) *text = state.calls[(size_t)i].text.c_str();
    return &state.calls[(size_t)i].cmd;
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
    const Kept &k = state.calls[(size_t)i];
    SetPixel(p->dc, 0, 0, unpainted);
    render_call(p->dc, plako_saturate((long long)window_origin_x() - p->px),
                plako_saturate((long long)window_origin_y() - p->py), &k.cmd, k.text.c_str());
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
