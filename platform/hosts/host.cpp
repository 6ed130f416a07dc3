// Which host platform/ shows its windows through: the headless one unless another was selected.
#include "host.h"

namespace plat {
namespace {

struct HostState {
    const Host *current;
};
HostState state;

}  // namespace

const Host *host_current() { return state.current ? state.current : &host_headless; }

void host_select(const Host *h) {
    if (h) state.current = h;
}

}  // namespace plat
