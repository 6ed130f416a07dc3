// Prints the tables that the browser page (web/plako.js) must hold as the C side does, as JSON:
// the Windows-1252 bytes 0x80..0x9F, the host event numbering, and the keyboard rule for every
// virtual key under each of the eight Shift/Ctrl/Alt combinations. web_tables.js compares.
#include <cstdio>

#include "host.h"

int main() {
    using plat::HostEvent;
    std::printf("{\"cp1252High\": [");
    for (int i = 0; i < 32; ++i) std::printf("%s%d", i ? ", " : "", plat::CP1252_HIGH[i]);
    static const struct {
        const char *name;
        HostEvent::Kind kind;
    } kinds[] = {{"MOUSE_DOWN", HostEvent::MOUSE_DOWN}, {"MOUSE_UP", HostEvent::MOUSE_UP},
                 {"MOUSE_MOVE", HostEvent::MOUSE_MOVE}, {"KEY_DOWN", HostEvent::KEY_DOWN},
                 {"KEY_UP", HostEvent::KEY_UP},         {"CLOSE", HostEvent::CLOSE},
                 {"EXPOSE", HostEvent::EXPOSE},         {"RESIZE", HostEvent::RESIZE},
                 {"FOCUS", HostEvent::FOCUS},           {"COMMAND", HostEvent::COMMAND}};
    std::printf("],\n \"kinds\": {");
    for (size_t i = 0; i < sizeof kinds / sizeof kinds[0]; ++i)
        std::printf("%s\"%s\": %d", i ? ", " : "", kinds[i].name, (int)kinds[i].kind);
    // keys[modifiers][vk], modifiers as the KEY_SHIFT, KEY_CTRL and KEY_ALT bits.
    std::printf("},\n \"modifierBits\": {\"shift\": %d, \"ctrl\": %d, \"alt\": %d},\n \"keys\": [",
                plat::KEY_SHIFT, plat::KEY_CTRL, plat::KEY_ALT);
    for (int m = 0; m < 8; ++m) {
        std::printf("%s\n  [", m ? "," : "");
        for (int vk = 0; vk < 256; ++vk) std::printf("%s%d", vk ? ", " : "", plat::key_char(vk, m));
        std::printf("]");
    }
    std::printf("]}\n");
    return 0;
}
