// The keyboard rule of a US layout, both ways: the character a key types with Shift, Ctrl and Alt,
// and the key that types a character. Every host that makes characters from keys uses it.
#include <windows.h>

#include "host.h"

namespace plat {
namespace {

// US-layout punctuation keys: the key, and what it types without and with Shift.
struct Punct {
    int vk;
    char plain, shifted;
};
const Punct PUNCT[] = {
    {VK_OEM_1, ';', ':'},      {VK_OEM_PLUS, '=', '+'}, {VK_OEM_COMMA, ',', '<'}, {VK_OEM_MINUS, '-', '_'},
    {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},    {VK_OEM_3, '`', '~'},     {VK_OEM_4, '[', '{'},
    {VK_OEM_5, '\\', '|'},     {VK_OEM_6, ']', '}'},    {VK_OEM_7, '\'', '"'},
};

const char SHIFTED_DIGITS[] = ")!@#$%^&*(";

}  // namespace

int key_char(int vk, int modifiers) {
    bool shift = modifiers & KEY_SHIFT, ctrl = modifiers & KEY_CTRL, alt = modifiers & KEY_ALT;
    if (ctrl && alt) return 0;  // AltGr on layouts that have it; the US layout types nothing
    if (vk >= 'A' && vk <= 'Z') {
        if (ctrl) return vk - 'A' + 1;
        return shift ? vk : vk + 32;
    }
    if (ctrl) {
        // Ctrl types control characters with letters only, and with these two keys.
        if (vk == VK_RETURN) return 10;
        if (vk == VK_BACK) return 127;
        return 0;
    }
    if (vk >= '0' && vk <= '9') return shift ? SHIFTED_DIGITS[vk - '0'] : vk;
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return '0' + vk - VK_NUMPAD0;
    // One key a line reads as the table it is.
    // clang-format off
    switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return 13;
    case VK_BACK: return 8;
    case VK_TAB: return 9;
    case VK_ESCAPE: return 27;
    case VK_MULTIPLY: return '*';
    case VK_ADD: return '+';
    case VK_SUBTRACT: return '-';
    case VK_DECIMAL: return '.';
    case VK_DIVIDE: return '/';
    default: break;
    }
    // clang-format on
    for (const Punct &p : PUNCT)
        if (p.vk == vk) return shift ? p.shifted : p.plain;
    return 0;
}

int key_of_char(unsigned char ch) {
    if (ch >= 'a' && ch <= 'z') return ch - 32;
    if ((ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')) return ch;
    // clang-format off
    switch (ch) {
    case ' ': return VK_SPACE;
    case 13: return VK_RETURN;
    case 8: return VK_BACK;
    case 9: return VK_TAB;
    case 27: return VK_ESCAPE;
    default: break;
    }
    // clang-format on
    if (ch >= 1 && ch <= 26) return 'A' + ch - 1;  // a control character: Ctrl and its letter
    for (const Punct &p : PUNCT)
        if (p.plain == (char)ch || p.shifted == (char)ch) return p.vk;
    return VK_PACKET;
}

}  // namespace plat
