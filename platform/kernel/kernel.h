// What the kernel pieces of platform/ (the object registry, handle values, memory blocks) offer
// the GDI, the window core and the test API. Nothing outside platform/ includes this file.
#pragma once
#include <windows.h>

#include <cstddef>

namespace plat {

// ---- objects.cpp: every object a program can leak is registered and counted ----
enum ObjKind {
    OBJ_PEN,
    OBJ_BRUSH,
    OBJ_FONT,
    OBJ_BITMAP,
    OBJ_DC,
    OBJ_GLOBAL,
    OBJ_WINDOW,
    OBJ_MENU,
    OBJ_KIND_COUNT
};
void obj_register(const void *p, ObjKind k);
bool obj_unregister(const void *p, ObjKind k);  // false when p is not a live object of kind k
bool obj_alive(const void *p, ObjKind k);
int obj_count(ObjKind k);

// ---- handle.cpp: handle values that never collide with heap objects ----
// A fresh handle value, not currently live as a window, menu or memory block; null when none is left.
void *handle_new();

// ---- debug.cpp: OutputDebugStringA's reader ----
// Receives the text a program writes with OutputDebugStringA (Windows-1252, never null).
typedef void (*DebugSink)(const char *text);
void debug_set_sink(DebugSink sink);  // null: the text goes nowhere

// ---- memory.cpp ----
// Makes the next count calls of GlobalAlloc fail as if memory had run out (0 ends it early).
void memory_fail_next(int count);

}  // namespace plat
