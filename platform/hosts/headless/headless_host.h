// What the headless host (host_headless.cpp) offers its test API (platform/headless/): its input
// queue, its virtual clock and the idle hook. Only the test API includes this file.
#pragma once
#include <windows.h>

#include <cstdint>

#include "host.h"

namespace plat {

// Queued in order for live window w; false (dropped) for a dead window or a full queue.
bool headless_inject(HWND w, HostEvent ev);
uint64_t headless_clock();
void headless_clock_advance(uint64_t ms);
typedef void (*IdleHook)(void *ctx);  // the test's, run whenever the program is about to wait
void headless_hook(IdleHook hook, void *ctx);
unsigned long headless_waits();

}  // namespace plat
