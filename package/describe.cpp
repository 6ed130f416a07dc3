// The canvas in words, from the drawing calls behind it.
#include <stdio.h>

#include "internal.h"
#include "replay.h"

void describe_call(const DrawCommand *cmd, const char *text, char *out, size_t cap) {
    (void)text;
    if (cap > 0) snprintf(out, cap, "%s", palette_name(cmd->colour));
}

// Not yet: the key does nothing.
void describe_print(void) {}

size_t replay_describe(char *out, size_t cap) {
    int n = snprintf(out, cap, "%d drawing calls", scene_count());
    return n < 0 ? 0 : (size_t)n;
}
