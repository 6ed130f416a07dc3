// The package's own PNG encoder, so that saving a picture needs no image library on any system.
//
// One buffer does all the work: the filtered rows are laid out at the end of the output buffer and
// compressed from there into its front. Fixed-code deflate never spends more than 9 bits on a byte
// of input (a literal costs 8 or 9 bits; a match of 3 or more bytes at most 25 + 13 extra bits for
// 11 or more), so the compressed bytes written stay behind the rows still to be read, and behind
// the 32 KB window before them, when the buffer holds the rows plus an eighth of them, the window
// and the headers: that is encode_png_bound.
#include "png_write.h"

#include <string.h>

namespace {

const size_t WINDOW = 32768;  // how far back a match may reach
const int MIN_MATCH = 3;
const int MAX_MATCH = 258;
const int HASH_BITS = 15;
const int PALETTE_SLOTS = 512;  // twice the most colours kept: short probes
// Signature, IHDR, PLTE, IDAT's length and type, zlib's header, with room to spare.
const size_t HEADER_ROOM = 1024;
// After the last row: the final bits, Adler-32, IDAT's CRC and IEND.
const size_t TRAILER_ROOM = 64;
// The most row bytes a picture may have: its compressed stream stays below 2^31 - 1 bytes, the
// most a chunk may hold.
const size_t MAX_ROW_BYTES = (size_t)1 << 30;

// Deflate's length and distance codes: the first value of each and its extra bits.
const unsigned short LENGTH_BASE[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                        31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const unsigned char LENGTH_EXTRA[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                        2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const unsigned short DISTANCE_BASE[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                          33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                          1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const unsigned char DISTANCE_EXTRA[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                          6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

struct PngWrite {
    uint32_t crc_table[256];
    int crc_ready;
    uint32_t head[1 << HASH_BITS];        // 1 + the newest position with each hash; 0: none yet
    uint32_t palette_key[PALETTE_SLOTS];  // 0x01000000 | colour, 0: free
    unsigned char palette_index[PALETTE_SLOTS];
};
PngWrite s;

// ---- checksums and chunks ----

void put32(unsigned char *p, uint32_t v) {
    p[0] = (unsigned char)(v >> 24);
    p[1] = (unsigned char)(v >> 16);
    p[2] = (unsigned char)(v >> 8);
    p[3] = (unsigned char)v;
}

// Writes a whole chunk at out + *at: length, type, data, CRC.
void put_chunk(unsigned char *out, size_t *at, const char *type, const unsigned char *data, size_t n) {
    put32(out + *at, (uint32_t)n);
    memcpy(out + *at + 4, type, 4);
    if (n) memcpy(out + *at + 8, data, n);
    put32(out + *at + 8 + n, checksum_crc32(0, out + *at + 4, n + 4));
    *at += n + 12;
}

// ---- colours ----

// The slot of colour c in the palette's table: its own, or the free one where it would go.
int palette_slot(uint32_t c) {
    const uint32_t key = 0x01000000u | c;
    int i = (int)((c * 2654435761u) >> 23) & (PALETTE_SLOTS - 1);
    while (s.palette_key[i] != 0 && s.palette_key[i] != key) i = (i + 1) & (PALETTE_SLOTS - 1);
    return i;
}

// Collects the picture's colours in order of appearance into palette while there are at most 256
// of them; their count, or 0 when there are more.
int gather_palette(const unsigned int *px, size_t n, uint32_t *palette) {
    memset(s.palette_key, 0, sizeof s.palette_key);
    int count = 0;
    uint32_t last = 0xffffffffu;
    for (size_t i = 0; i < n; i++) {
        const uint32_t c = px[i] & 0xffffffu;
        if (c == last) continue;  // flat runs are most of a canvas
        last = c;
        const int slot = palette_slot(c);
        if (s.palette_key[slot] != 0) continue;
        if (count == 256) return 0;
        s.palette_key[slot] = 0x01000000u | c;
        s.palette_index[slot] = (unsigned char)count;
        palette[count++] = c;
    }
    return count;
}

// Lays out the rows as PNG filters them (type 0, none: flat areas become repeats that deflate
// matches) at rows; their Adler-32.
uint32_t lay_out_rows(const unsigned int *px, int w, int h, int indexed, unsigned char *rows) {
    unsigned char *p = rows;
    for (int y = 0; y < h; y++) {
        *p++ = 0;
        const unsigned int *line = px + (size_t)y * (size_t)w;
        if (indexed) {
            uint32_t last = 0xffffffffu;
            unsigned char index = 0;
            for (int x = 0; x < w; x++) {
                const uint32_t c = line[x] & 0xffffffu;
                if (c != last) index = s.palette_index[palette_slot(c)];
                last = c;
                *p++ = index;
            }
        } else {
            for (int x = 0; x < w; x++) {
                *p++ = (unsigned char)(line[x] >> 16);
                *p++ = (unsigned char)(line[x] >> 8);
                *p++ = (unsigned char)line[x];
            }
        }
    }
    return checksum_adler32(1, rows, (size_t)(p - rows));
}

// ---- deflate with the fixed codes ----

struct Bits {
    unsigned char *out;
    size_t at;
    uint64_t pending;
    int count;
};

// Appends the n low bits of v, least significant first, as deflate packs them.
void put_bits(Bits &b, uint32_t v, int n) {
    b.pending |= (uint64_t)v << b.count;
    b.count += n;
    while (b.count >= 8) {
        b.out[b.at++] = (unsigned char)b.pending;
        b.pending >>= 8;
        b.count -= 8;
    }
}

// Huffman codes go most significant bit first: reversed into deflate's bit order.
uint32_t reversed(uint32_t code, int n) {
    uint32_t r = 0;
    for (int i = 0; i < n; i++, code >>= 1) r = (r << 1) | (code & 1);
    return r;
}

// A literal/length symbol (0..287) in the fixed code.
void put_symbol(Bits &b, int v) {
    if (v < 144)
        put_bits(b, reversed(0x30 + (uint32_t)v, 8), 8);
    else if (v < 256)
        put_bits(b, reversed(0x190 + (uint32_t)(v - 144), 9), 9);
    else if (v < 280)
        put_bits(b, reversed((uint32_t)(v - 256), 7), 7);
    else
        put_bits(b, reversed(0xc0 + (uint32_t)(v - 280), 8), 8);
}

void put_match(Bits &b, int length, uint32_t distance) {
    int l = 28;
    while (LENGTH_BASE[l] > length) l--;
    put_symbol(b, 257 + l);
    put_bits(b, (uint32_t)(length - LENGTH_BASE[l]), LENGTH_EXTRA[l]);
    int d = 29;
    while (DISTANCE_BASE[d] > distance) d--;
    put_bits(b, reversed((uint32_t)d, 5), 5);
    put_bits(b, distance - DISTANCE_BASE[d], DISTANCE_EXTRA[d]);
}

uint32_t hash3(const unsigned char *p) {
    const uint32_t v = (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16;
    return (v * 2654435761u) >> (32 - HASH_BITS);
}

// Compresses n bytes at in into one final fixed-code block at out, greedily taking the longest
// match with the newest earlier position of the same 3-byte hash; the bytes written.
size_t deflate_fixed(const unsigned char *in, size_t n, unsigned char *out) {
    memset(s.head, 0, sizeof s.head);
    Bits b = {out, 0, 0, 0};
    put_bits(b, 1, 1);  // the final block
    put_bits(b, 1, 2);  // fixed codes
    size_t i = 0;
    while (i < n) {
        int length = 0;
        size_t distance = 0;
        if (n - i >= (size_t)MIN_MATCH) {
            uint32_t &slot = s.head[hash3(in + i)];
            if (slot != 0 && i - (slot - 1) <= WINDOW) {
                const size_t from = slot - 1;
                const int most = n - i < (size_t)MAX_MATCH ? (int)(n - i) : MAX_MATCH;
                while (length < most && in[from + (size_t)length] == in[i + (size_t)length]) length++;
                distance = i - from;
            }
            slot = (uint32_t)(i + 1);
        }
        if (length < MIN_MATCH) {
            put_symbol(b, in[i]);
            i++;
            continue;
        }
        put_match(b, length, (uint32_t)distance);
        // Every position inside the match is hashed too, so a run finds itself one step back.
        for (size_t k = i + 1; k < i + (size_t)length && k + MIN_MATCH <= n; k++)
            s.head[hash3(in + k)] = (uint32_t)(k + 1);
        i += (size_t)length;
    }
    put_symbol(b, 256);  // the end of the block
    if (b.count > 0) put_bits(b, 0, 8 - b.count);
    return b.at;
}

}  // namespace

uint32_t checksum_crc32(uint32_t crc, const unsigned char *p, size_t n) {
    if (!s.crc_ready) {
        for (uint32_t i = 0; i < 256; i++) {
            uint32_t c = i;
            for (int k = 0; k < 8; k++) c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            s.crc_table[i] = c;
        }
        s.crc_ready = 1;
    }
    crc = ~crc;
    for (size_t i = 0; i < n; i++) crc = s.crc_table[(crc ^ p[i]) & 0xff] ^ (crc >> 8);
    return ~crc;
}

uint32_t checksum_adler32(uint32_t adler, const unsigned char *p, size_t n) {
    uint32_t a = adler & 0xffff, b = adler >> 16;
    while (n > 0) {
        // 5552 bytes is the most that cannot overflow 32 bits before the modulo (zlib's NMAX).
        size_t chunk = n < 5552 ? n : 5552;
        n -= chunk;
        while (chunk-- > 0) {
            a += *p++;
            b += a;
        }
        a %= 65521;
        b %= 65521;
    }
    return b << 16 | a;
}

size_t encode_png_bound(int w, int h) {
    if (w <= 0 || h <= 0) return 0;
    const size_t row = 1 + 3 * (size_t)w;
    if ((size_t)w > MAX_ROW_BYTES / 3 || row > MAX_ROW_BYTES / (size_t)h) return 0;
    const size_t rows = row * (size_t)h;
    return rows + rows / 8 + WINDOW + HEADER_ROOM + TRAILER_ROOM;
}

size_t encode_png(const unsigned int *pixels, int w, int h, unsigned char *out, size_t cap) {
    const size_t bound = encode_png_bound(w, h);
    if (bound == 0 || cap < bound || !pixels || !out) return 0;
    uint32_t palette[256];
    const int colours = gather_palette(pixels, (size_t)w * (size_t)h, palette);
    const size_t row = colours ? 1 + (size_t)w : 1 + 3 * (size_t)w;
    const size_t n = row * (size_t)h;
    unsigned char *rows = out + cap - n;
    const uint32_t adler = lay_out_rows(pixels, w, h, colours != 0, rows);

    static const unsigned char SIGNATURE[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    memcpy(out, SIGNATURE, 8);
    size_t at = 8;
    unsigned char header[13];
    put32(header, (uint32_t)w);
    put32(header + 4, (uint32_t)h);
    header[8] = 8;                // bits per sample or index
    header[9] = colours ? 3 : 2;  // indexed colour, or RGB
    header[10] = header[11] = 0;  // deflate, adaptive filtering
    header[12] = 0;               // not interlaced
    put_chunk(out, &at, "IHDR", header, sizeof header);
    if (colours) {
        unsigned char plte[256 * 3];
        for (int i = 0; i < colours; i++) {
            plte[i * 3] = (unsigned char)(palette[i] >> 16);
            plte[i * 3 + 1] = (unsigned char)(palette[i] >> 8);
            plte[i * 3 + 2] = (unsigned char)palette[i];
        }
        put_chunk(out, &at, "PLTE", plte, (size_t)colours * 3);
    }

    // One IDAT chunk: zlib's header (deflate, 32 KB window, no dictionary), the block, Adler-32.
    const size_t idat = at;
    memcpy(out + idat + 4, "IDAT", 4);
    at += 8;
    out[at++] = 0x78;
    out[at++] = 0x01;
    at += deflate_fixed(rows, n, out + at);
    put32(out + at, adler);
    at += 4;
    put32(out + idat, (uint32_t)(at - idat - 8));
    put32(out + at, checksum_crc32(0, out + idat + 4, at - idat - 4));
    at += 4;
    put_chunk(out, &at, "IEND", nullptr, 0);
    return at;
}
