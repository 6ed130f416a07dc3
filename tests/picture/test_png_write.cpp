// The package's PNG encoder alone: pictures of every kind read back by libpng, strictly (no warning
// either), exactly as they went in; its checksums against zlib's.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "png_write.h"

namespace {

struct Decoded {
    bool ok = false;
    std::string message;
    int w = 0, h = 0;
    int colour_type = -1;  // IHDR's: 2 RGB, 3 indexed
    std::vector<unsigned int> pixels;
};

Decoded decode(const std::vector<unsigned char> &png) {
    Decoded d;
    if (png.size() > 25) d.colour_type = png[25];
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) {
        d.message = image.message;
        return d;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        d.message = image.message;
        png_image_free(&image);
        return d;
    }
    d.ok = image.warning_or_error == 0;
    d.message = image.message;
    d.w = (int)image.width;
    d.h = (int)image.height;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        d.pixels.push_back((unsigned)rgb[i] << 16 | (unsigned)rgb[i + 1] << 8 | rgb[i + 2]);
    return d;
}

std::vector<unsigned char> encode(const std::vector<unsigned int> &px, int w, int h) {
    std::vector<unsigned char> out(encode_png_bound(w, h));
    out.resize(encode_png(px.data(), w, h, out.data(), out.size()));
    return out;
}

struct Picture {
    const char *name;
    int w, h;
    unsigned int (*pixel)(int x, int y, std::mt19937 &random);
    int colour_type;    // what the encoder should choose
    size_t most_bytes;  // the file's size at most: flat pictures must really compress
};

const Picture PICTURES[] = {
    {"flat canvas", 595, 495, [](int, int, std::mt19937 &) { return 0x99ffffu; }, 3, 2000},
    {"one pixel", 1, 1, [](int, int, std::mt19937 &) { return 0xff6600u; }, 3, 100},
    {"odd width, bands", 7, 3, [](int x, int, std::mt19937 &) { return x % 3 ? 0x000000u : 0xffffffu; }, 3,
     120},
    {"tall and thin", 1, 700, [](int, int y, std::mt19937 &) { return (unsigned)(y / 50) * 0x111111u; }, 3,
     400},
    // Exactly 256 colours, in a picture of a width no power of two divides.
    {"256 colours", 257, 61,
     [](int x, int y, std::mt19937 &) { return (unsigned)((x + y) % 256) * 0x010101u; }, 3, 257 * 61 + 2000},
    {"257 colours", 257, 61,
     [](int x, int y, std::mt19937 &) { return (unsigned)((x + y) % 257) * 0x000101u; }, 2,
     257 * 61 * 3 + 2000},
    // Noise: nothing to match, every byte a literal (the encoder's worst case).
    {"noise", 333, 211, [](int, int, std::mt19937 &r) { return (unsigned)r() & 0xffffffu; }, 2,
     (333 * 3 + 1) * 211 * 9 / 8 + 2000},
    // The top byte is not part of a pixel and must not reach the file.
    {"top byte set", 31, 17,
     [](int x, int y, std::mt19937 &) { return 0xff000000u | (unsigned)(x * 8) << 8 | (unsigned)(y % 8); }, 3,
     2000},
};

TEST(PngWrite, PicturesReadBackExactlyThroughLibpng) {
    for (const Picture &p : PICTURES) {
        std::mt19937 random(7);
        std::vector<unsigned int> px;
        for (int y = 0; y < p.h; y++)
            for (int x = 0; x < p.w; x++) px.push_back(p.pixel(x, y, random));
        const std::vector<unsigned char> png = encode(px, p.w, p.h);
        ASSERT_FALSE(png.empty()) << p.name;
        EXPECT_LE(png.size(), p.most_bytes) << p.name;
        const Decoded d = decode(png);
        ASSERT_TRUE(d.ok) << p.name << ": " << d.message;
        EXPECT_EQ(d.colour_type, p.colour_type) << p.name;
        ASSERT_EQ(d.w, p.w) << p.name;
        ASSERT_EQ(d.h, p.h) << p.name;
        for (unsigned int &c : px) c &= 0xffffffu;
        EXPECT_TRUE(d.pixels == px) << p.name << ": the pixels differ";
    }
}

TEST(PngWrite, RefusesWhatItCannotHold) {
    EXPECT_EQ(encode_png_bound(0, 5), 0u);
    EXPECT_EQ(encode_png_bound(5, -1), 0u);
    EXPECT_EQ(encode_png_bound(1 << 30, 1 << 30), 0u) << "a stream past 2 GB cannot be one chunk";
    std::vector<unsigned int> px(12, 0x123456u);
    std::vector<unsigned char> out(encode_png_bound(4, 3));
    EXPECT_EQ(encode_png(px.data(), 4, 3, out.data(), out.size() - 1), 0u) << "a short buffer";
    EXPECT_GT(encode_png(px.data(), 4, 3, out.data(), out.size()), 0u);
}

TEST(PngWrite, ChecksumsAgreeWithZlib) {
    std::mt19937 random(3);
    std::vector<unsigned char> bytes(20000);
    for (unsigned char &b : bytes) b = (unsigned char)random();
    // All 0xff is the largest sums Adler-32 can meet between its reductions.
    std::vector<unsigned char> high(12000, 0xff);
    for (const std::vector<unsigned char> *data : {&bytes, &high}) {
        for (size_t n : {(size_t)0, (size_t)1, (size_t)5552, (size_t)5553, data->size()}) {
            EXPECT_EQ(checksum_crc32(0, data->data(), n), (uint32_t)crc32(0, data->data(), (uInt)n)) << n;
            EXPECT_EQ(checksum_adler32(1, data->data(), n), (uint32_t)adler32(1, data->data(), (uInt)n)) << n;
        }
    }
    // Continued in two pieces, as a stream is.
    EXPECT_EQ(checksum_crc32(checksum_crc32(0, bytes.data(), 777), bytes.data() + 777, 9000),
              checksum_crc32(0, bytes.data(), 9777));
}

}  // namespace
