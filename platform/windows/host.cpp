// Which host platform/ shows its windows through: the headless one unless another was selected.
#include "host.h"
#include "kernel.h"

namespace plat {
namespace {

struct HostState {
    const Host *current;
};
HostState state;

}  // namespace

const Host *host_current() { return state.current ? state.current : &host_headless; }

void host_select(const Host *h) {
    if (!h) return;
    state.current = h;
    debug_set_sink(h->debug_text);
}

}  // namespace plat
