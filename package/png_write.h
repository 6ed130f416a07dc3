// Pictures as PNG files, encoded in memory by the package itself: 8-bit RGB, or 8-bit indexed
// colour when the picture has at most 256 colours; one zlib stream of fixed-code deflate blocks.
#ifndef PLAKO_PNG_WRITE_H
#define PLAKO_PNG_WRITE_H

#include <stddef.h>
#include <stdint.h>

// The bytes encode_png needs in its output for a w by h picture; 0 when it has no pixels or is
// too large for one PNG data chunk.
size_t encode_png_bound(int w, int h);

// Encodes w * h pixels (0x00RRGGBB, top row first) into out, which holds cap >= encode_png_bound(w,
// h) bytes; returns the PNG's size (it starts at out), or 0 when the bound is 0 or cap is short.
// Only out and a fixed table of the module are written.
size_t encode_png(const unsigned int *pixels, int w, int h, unsigned char *out, size_t cap);

// The CRC-32 (as in PNG chunks and zip) and the Adler-32 (as in zlib streams) of n bytes, continued
// from crc or adler (start with 0 and 1).
uint32_t checksum_crc32(uint32_t crc, const unsigned char *p, size_t n);
uint32_t checksum_adler32(uint32_t adler, const unsigned char *p, size_t n);

#endif
