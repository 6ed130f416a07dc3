// Handle values for windows, menus and memory blocks: addresses inside one reserved block that
// nothing else allocates from, handed out round-robin, so a freed handle is not reused at once
// and a stale one is refused instead of reaching a newer object.
#include "kernel.h"

namespace plat {
namespace {

constexpr unsigned SLOTS = 1u << 16;
constexpr unsigned STEP = 8;  // handle values keep the alignment of real pointers

struct HandleState {
    unsigned next;  // the slot to try first
};
HandleState state;
alignas(STEP) unsigned char space[SLOTS * STEP];  // never read or written: only its addresses are used

bool in_use(const void *p) {
    return obj_alive(p, OBJ_WINDOW) || obj_alive(p, OBJ_MENU) || obj_alive(p, OBJ_GLOBAL);
}

}  // namespace

void *handle_new() {
    for (unsigned tries = 0; tries < SLOTS; ++tries) {
        void *p = space + (size_t)state.next * STEP;
        state.next = (state.next + 1) % SLOTS;
        if (!in_use(p)) return p;
    }
    return nullptr;
}

}  // namespace plat
