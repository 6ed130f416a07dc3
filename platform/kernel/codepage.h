// The Windows-1252 code page, the one ANSI code page of platform/: its bytes as Unicode code
// points and back, for the GDI's text and the hosts that speak UTF-8. Nothing outside platform/
// includes this file.
#pragma once
#include <cstdint>

namespace plat {

// Bytes 0x80..0x9F as Unicode (0 where the code page leaves a byte undefined); every other byte
// is the code point of the same value.
extern const uint16_t CP1252_HIGH[32];

// The code point of a Windows-1252 byte; 0 for the five bytes the code page leaves undefined.
uint32_t cp1252_to_unicode(unsigned char c);
// The Windows-1252 byte for a code point, or 0 when the code page has none.
int cp1252_from_unicode(uint32_t cp);

}  // namespace plat
