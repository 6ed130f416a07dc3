// UTF-8 text to the Windows-1252 code page, which every text the package draws is in.
#include "text_encoding.h"

#include <string.h>

#include "internal.h"

namespace {

// Unicode of the code page's bytes 0x80..0x9F; 0 where the code page leaves a byte undefined.
const unsigned short cp1252_high[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

struct EncodingState {
    int lossy_said;  // the console has named a text whose characters the code page lacks
};
EncodingState state;

// The code page's byte for a character, or -1 when it has none (the C1 controls included: the
// code page puts printable characters on those bytes).
int code_page_byte(unsigned long c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return (int)c;
    for (int i = 0; i < 32; i++)
        if (cp1252_high[i] == c) return 0x80 + i;
    return -1;
}

// Decodes the UTF-8 sequence at s[i..n): its character and length, or length 0 when the bytes
// there are not a well-formed sequence (RFC 3629: no overlong forms, no surrogates, at most
// U+10FFFF).
size_t decode(const unsigned char *s, size_t i, size_t n, unsigned long *c) {
    unsigned char b = s[i];
    if (b < 0x80) {
        *c = b;
        return 1;
    }
    size_t len;
    unsigned char lo = 0x80, hi = 0xBF;  // the second byte's range, narrower after some leads
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
        *c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        *c = b & 0x0F;
        if (b == 0xE0) lo = 0xA0;  // below: overlong
        if (b == 0xED) hi = 0x9F;  // above: the surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        *c = b & 0x07;
        if (b == 0xF0) lo = 0x90;  // below: overlong
        if (b == 0xF4) hi = 0x8F;  // above: past U+10FFFF
    } else {
        return 0;  // a continuation byte, C0, C1 or F5..FF: no sequence starts here
    }
    if (n - i < len) return 0;
    for (size_t k = 1; k < len; k++) {
        unsigned char t = s[i + k];
        if (t < (k == 1 ? lo : 0x80) || t > (k == 1 ? hi : 0xBF)) return 0;
        *c = (*c << 6) | (t & 0x3F);
    }
    return len;
}

}  // namespace

TextKind text_kind(const char *text, size_t n) {
    const unsigned char *s = (const unsigned char *)text;
    int multi = 0, lacking = 0;
    for (size_t i = 0; i < n;) {
        unsigned long c = 0;
        size_t len = decode(s, i, n, &c);
        if (len == 0) return TEXT_CODE_PAGE;
        if (len > 1) multi = 1;
        if (code_page_byte(c) < 0) lacking = 1;
        i += len;
    }
    if (!multi) return TEXT_CODE_PAGE;
    return lacking ? TEXT_UTF8_LOSSY : TEXT_UTF8;
}

size_t text_code_page_to_utf8(const char *text, size_t n, char *out) {
    size_t k = 0;
    for (size_t i = 0; i < n; i++) {
        unsigned long c = (unsigned char)text[i];
        if (c >= 0x80 && c < 0xA0) c = cp1252_high[c - 0x80] ? cp1252_high[c - 0x80] : '?';
        if (c < 0x80) {
            out[k++] = (char)c;
        } else if (c < 0x800) {
            out[k++] = (char)(0xC0 | (c >> 6));
            out[k++] = (char)(0x80 | (c & 0x3F));
        } else {  // the code page has nothing beyond the Basic Multilingual Plane
            out[k++] = (char)(0xE0 | (c >> 12));
            out[k++] = (char)(0x80 | ((c >> 6) & 0x3F));
            out[k++] = (char)(0x80 | (c & 0x3F));
        }
    }
    return k;
}

size_t text_to_code_page(char *text, size_t n) {
    if (text_kind(text, n) == TEXT_CODE_PAGE) return n;
    // Every sequence becomes one byte, so the output never overtakes the input.
    unsigned char *s = (unsigned char *)text;
    size_t out = 0;
    for (size_t i = 0; i < n;) {
        unsigned long c = 0;
        i += decode(s, i, n, &c);
        int b = code_page_byte(c);
        s[out++] = (unsigned char)(b < 0 ? '?' : b);
    }
    return out;
}

void text_note_lossy(const char *text) {
    if (state.lossy_said || !text || text_kind(text, strlen(text)) != TEXT_UTF8_LOSSY) return;
    state.lossy_said = 1;  // first: the line below holds the text and passes through here again
    size_t n = strlen(text);
    if (n > 0 && text[n - 1] == '\n') n--;  // a console line's own line end stays out of the quote
    plako_console_printf("The text \"%.*s\" has characters Windows-1252 lacks, drawn as '?' (said once)\n",
                         (int)(n > 900 ? 900 : n), text);
}
