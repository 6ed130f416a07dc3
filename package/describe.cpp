// The canvas in words, from the drawing calls behind it.
#include <stdio.h>

#include "internal.h"

void describe_call(const DrawCommand *cmd, const char *text, char *out, size_t cap) {
    (void)text;
    if (cap > 0) snprintf(out, cap, "%s", palette_name(cmd->colour));
}

// Not yet: the key does nothing.
void describe_print(void) {}
