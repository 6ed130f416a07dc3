// Which encoding a text handed to the package is in, and its conversion to the Windows-1252 code
// page that the canvas and the console draw in.
//
// A text that is valid UTF-8 and holds at least one multi-byte sequence is taken as UTF-8: each
// character Windows-1252 has becomes its byte, each one it lacks becomes '?'. Any other text (plain
// ASCII, Windows-1252 bytes, broken UTF-8) is already in the code page and is left as it is.
#pragma once

#include <stddef.h>

enum TextKind {
    TEXT_CODE_PAGE = 0,   // drawn byte for byte as Windows-1252
    TEXT_UTF8 = 1,        // UTF-8 whose every character Windows-1252 has
    TEXT_UTF8_LOSSY = 2,  // UTF-8 with at least one character Windows-1252 lacks
};

// What the n bytes of text are, by the rule above.
TextKind text_kind(const char *text, size_t n);

// Converts n bytes of text in place into Windows-1252 when they are UTF-8, and returns the new
// length (never more than n; no terminator is written). Other text is left as it is.
size_t text_to_code_page(char *text, size_t n);

// Writes n bytes of Windows-1252 text into out as UTF-8 (room for 3 * n bytes; not terminated)
// and returns the bytes written; the code page's five undefined bytes become '?'.
size_t text_code_page_to_utf8(const char *text, size_t n, char *out);

// Says once, for the life of the process, on the console which text was UTF-8 with characters
// Windows-1252 lacks; a null text or any other text says nothing.
void text_note_lossy(const char *text);
