// The replay interface's hooks: kept here, called by the wait, the console and plako_stop.
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
