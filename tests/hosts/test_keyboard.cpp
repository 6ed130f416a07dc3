// The keyboard rule that every host makes characters with (host.h: key_char, key_of_char) and the
// Windows-1252 code page they and the GDI's text share (codepage.h).
#include <gtest/gtest.h>
#include <windows.h>

#include "host.h"

namespace {

using plat::KEY_ALT;
using plat::KEY_CTRL;
using plat::KEY_SHIFT;

TEST(KeyboardRule, CharacterOfAKeyUnderEachModifier) {
    struct Case {
        const char *what;
        int vk, modifiers, ch;
    };
    const Case cases[] = {
        {"a", 'A', 0, 'a'},
        {"Shift+A", 'A', KEY_SHIFT, 'A'},
        {"Ctrl+A: the control character", 'A', KEY_CTRL, 1},
        {"Ctrl+Shift+Z", 'Z', KEY_CTRL | KEY_SHIFT, 26},
        {"Alt+R: the mnemonic", 'R', KEY_ALT, 'r'},
        {"Alt+Shift+R", 'R', KEY_ALT | KEY_SHIFT, 'R'},
        {"Ctrl+Alt+R types nothing", 'R', KEY_CTRL | KEY_ALT, 0},
        {"7", '7', 0, '7'},
        {"Shift+7", '7', KEY_SHIFT, '&'},
        {"Shift+0", '0', KEY_SHIFT, ')'},
        {"Ctrl+7 types nothing", '7', KEY_CTRL, 0},
        {"keypad 5", VK_NUMPAD0 + 5, 0, '5'},
        {"keypad /", VK_DIVIDE, KEY_SHIFT, '/'},
        {"Enter", VK_RETURN, 0, 13},
        {"Ctrl+Enter: line feed", VK_RETURN, KEY_CTRL, 10},
        {"Backspace", VK_BACK, KEY_SHIFT, 8},
        {"Ctrl+Backspace: delete", VK_BACK, KEY_CTRL, 127},
        {"Tab", VK_TAB, 0, 9},
        {"Esc", VK_ESCAPE, KEY_ALT, 27},
        {"Space", VK_SPACE, 0, ' '},
        {"semicolon", VK_OEM_1, 0, ';'},
        {"Shift+quote", VK_OEM_7, KEY_SHIFT, '"'},
        {"Shift+backslash", VK_OEM_5, KEY_SHIFT, '|'},
        {"F1 types nothing", VK_F1, 0, 0},
        {"an arrow types nothing", VK_LEFT, KEY_SHIFT, 0},
        {"Shift alone types nothing", VK_SHIFT, KEY_SHIFT, 0},
    };
    for (const Case &c : cases) EXPECT_EQ(plat::key_char(c.vk, c.modifiers), c.ch) << c.what;
}

TEST(KeyboardRule, EveryCharacterWithAKeyComesBackFromThatKey) {
    int with_key = 0;
    for (int ch = 1; ch < 256; ++ch) {
        int vk = plat::key_of_char((unsigned char)ch);
        if (vk == VK_PACKET) continue;
        ++with_key;
        bool typed = false;
        for (int m : {0, (int)KEY_SHIFT, (int)KEY_CTRL, KEY_CTRL | KEY_SHIFT})
            typed = typed || plat::key_char(vk, m) == ch;
        EXPECT_TRUE(typed) << "character " << ch << " from key 0x" << std::hex << vk;
    }
    // Letters, digits, their shifted signs, the punctuation keys, Space, the control characters.
    EXPECT_EQ(with_key, 26 + 26 + 10 + 22 + 1 + 26 + 1) << "characters with a key of their own";
    EXPECT_EQ(plat::key_of_char(233), VK_PACKET) << "e acute has no key on a US layout";
    EXPECT_EQ(plat::key_of_char('!'), VK_PACKET) << "typed as a packet, as the test API always has";
}

TEST(CodePage, BytesAndCodePointsBothWays) {
    int undefined = 0;
    for (int b = 1; b < 256; ++b) {
        uint32_t cp = plat::cp1252_to_unicode((unsigned char)b);
        if (cp == 0) {
            ++undefined;
            continue;
        }
        EXPECT_EQ(plat::cp1252_from_unicode(cp), b) << "byte " << b;
    }
    EXPECT_EQ(undefined, 5) << "0x81, 0x8D, 0x8F, 0x90 and 0x9D";
    EXPECT_EQ(plat::cp1252_to_unicode(0x80), 0x20ACu);
    EXPECT_EQ(plat::cp1252_to_unicode(0xE9), 0xE9u);
    EXPECT_EQ(plat::cp1252_from_unicode(0x0081), 0) << "the C1 control itself has no byte";
    EXPECT_EQ(plat::cp1252_from_unicode(0x4E2D), 0);
    EXPECT_EQ(plat::cp1252_from_unicode(0x2122), 0x99);
}

}  // namespace
