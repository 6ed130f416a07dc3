// Debugging output: what a program writes for its developer goes to a sink that the window core
// sets from the selected host, which shows it where a developer looks.
#include <windows.h>

#include "kernel.h"

namespace plat {
namespace {

struct DebugState {
    DebugSink sink;  // null: nobody reads the text
};
DebugState state;

}  // namespace

void debug_set_sink(DebugSink sink) { state.sink = sink; }

}  // namespace plat

// Hands the text, as it is, to the sink; a null string writes nothing.
void WINAPI OutputDebugStringA(LPCSTR lpOutputString) {
    if (lpOutputString && plat::state.sink) plat::state.sink(lpOutputString);
}
