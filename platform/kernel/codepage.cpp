// The Windows-1252 code page: one table, both directions.
#include "codepage.h"

namespace plat {

const uint16_t CP1252_HIGH[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

uint32_t cp1252_to_unicode(unsigned char c) { return (c >= 0x80 && c <= 0x9F) ? CP1252_HIGH[c - 0x80] : c; }

int cp1252_from_unicode(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return (int)cp;
    for (int i = 0; i < 32; ++i)
        if (CP1252_HIGH[i] && CP1252_HIGH[i] == cp) return 0x80 + i;
    return 0;
}

}  // namespace plat
