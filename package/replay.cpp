// The replay interface's hooks: kept here, called by the wait, the console, the drawing operations
// and plako_stop.
#include "replay.h"

#include "internal.h"

namespace {

struct ReplayState {
    ReplayHooks hooks;
    int registered;
};
ReplayState state;

}  // namespace

void replay_set_hooks(const ReplayHooks *hooks) {
    state.hooks = hooks != nullptr ? *hooks : ReplayHooks{};
    state.registered = hooks != nullptr;
}

const ReplayHooks *replay_hooks(void) { return state.registered ? &state.hooks : nullptr; }

void replay_draw(const DrawCommand *cmd) {
    if (!state.registered || state.hooks.draw == nullptr) return;
    ReplayDraw call = {};
    if (cmd == nullptr) {
        call.kind = REPLAY_ERASE;
        state.hooks.draw(state.hooks.ctx, &call);
        return;
    }
    call.colour = palette_name(cmd->colour);
    call.width = cmd->width;
    call.x[0] = cmd->x1;
    call.y[0] = cmd->y1;
    call.x[1] = cmd->x2;
    call.y[1] = (int)cmd->y2;
    call.x[2] = cmd->x3;
    call.y[2] = cmd->y3;
    char *text = nullptr;
    switch (cmd->kind) {
        case SHAPE_OVAL: {
            // The circle's box back to its centre and radius; exact unless the box was saturated.
            long long left = cmd->x1, right = cmd->x2, top = cmd->y1;
            call.kind = REPLAY_CIRCLE;
            call.radius = (int)((right - left) / 2);
            call.x[0] = plako_saturate(left + call.radius);
            call.y[0] = plako_saturate(top - call.radius);
            call.x[1] = call.y[1] = 0;
            break;
        }
        case SHAPE_RECTANGLE:
            call.kind = REPLAY_RECTANGLE;
            break;
        case SHAPE_TRIANGLE:
            call.kind = REPLAY_TRIANGLE;
            break;
        case SHAPE_LINE:
            call.kind = REPLAY_LINE;
            break;
        case SHAPE_TEXT:
            // x2 is the point size, y2 the block of the package's own copy of the text.
            call.kind = REPLAY_TEXT;
            call.ptsize = cmd->x2;
            call.x[1] = call.y[1] = 0;
            text = cmd->y2 != 0 ? (char *)GlobalLock((HGLOBAL)cmd->y2) : nullptr;
            call.text = text != nullptr ? text : "";
            break;
        default:
            return;
    }
    state.hooks.draw(state.hooks.ctx, &call);
    if (text != nullptr) GlobalUnlock((HGLOBAL)cmd->y2);
}

int replay_canvas_pixels(unsigned int *out, int w, int h) { return picture_pixels(out, w, h); }
