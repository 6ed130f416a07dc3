// What the headless host (host_headless.cpp) offers its test API (headless.cpp): its input queue,
// its virtual clock and the idle hook. Nothing outside platform/hosts includes this file.
#pragma once
#include <windows.h>

#include <cstdint>

#include "headless.h"
#include "host.h"

namespace plat {

void headless_inject(HWND w, HostEvent ev);     // queued in order; dropped when the queue is full
bool headless_inject_command(HWND w, UINT id);  // a menu choice, in line with the input
uint64_t headless_clock();
void headless_clock_advance(uint64_t ms);
void headless_hook(HeadlessIdleHook hook, void *ctx);
unsigned long headless_waits();

}  // namespace plat
