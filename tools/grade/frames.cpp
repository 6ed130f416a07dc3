// Frames: decoding, comparison and the pictures of the reports.
#include "frames.h"

#include <png.h>
#include <stdlib.h>

#include <algorithm>

namespace grade {
namespace {

const long MAX_PIXELS = 16L * 1024 * 1024;  // far above a frame; a bigger file is not one of ours

bool ignored(const std::vector<Region> &ignore, int x, int y) {
    for (const Region &r : ignore)
        if (x >= r.left && x <= r.right && y >= r.top && y <= r.bottom) return true;
    return false;
}

bool pixel_differs(const Image &a, const Image &b, size_t i, int tolerance) {
    for (int c = 0; c < 3; c++)
        if (abs((int)a.rgb[i + c] - (int)b.rgb[i + c]) > tolerance) return true;
    return false;
}

}  // namespace

std::string read_png(const std::string &path, Image *img) {
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return path + ": " + (image.message[0] ? image.message : "not a PNG file");
    if ((long)image.width * (long)image.height > MAX_PIXELS) {
        png_image_free(&image);
        return path + ": too large for a frame";
    }
    image.format = PNG_FORMAT_RGB;
    img->w = (int)image.width;
    img->h = (int)image.height;
    img->rgb.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, img->rgb.data(), 0, nullptr)) {
        std::string why = image.message;
        png_image_free(&image);
        return path + ": " + why;
    }
    return "";
}

std::string write_png(const std::string &path, const Image &img) {
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = (png_uint_32)img.w;
    image.height = (png_uint_32)img.h;
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, path.c_str(), 0, img.rgb.data(), 0, nullptr)) {
        std::string why = image.message[0] ? image.message : "cannot write";
        png_image_free(&image);
        return path + ": " + why;
    }
    return "";
}

Difference compare(const Image &expected, const Image &actual, const std::vector<Region> &ignore,
                   int tolerance) {
    Difference d;
    if (expected.w != actual.w || expected.h != actual.h) {
        d.size_differs = true;
        d.pixels = (long)std::max(expected.w * expected.h, actual.w * actual.h);
        d.first_x = d.first_y = 0;
        return d;
    }
    for (int y = 0; y < expected.h; y++) {
        for (int x = 0; x < expected.w; x++) {
            size_t i = ((size_t)y * expected.w + x) * 3;
            if (!pixel_differs(expected, actual, i, tolerance) || ignored(ignore, x, y)) continue;
            if (d.pixels++ == 0) {
                d.first_x = x;
                d.first_y = y;
            }
        }
    }
    return d;
}

Image difference_picture(const Image &expected, const Image &actual, const std::vector<Region> &ignore,
                         int tolerance) {
    Image out = expected;
    bool same_size = expected.w == actual.w && expected.h == actual.h;
    for (int y = 0; y < out.h; y++) {
        for (int x = 0; x < out.w; x++) {
            size_t i = ((size_t)y * out.w + x) * 3;
            unsigned char *p = &out.rgb[i];
            if (ignored(ignore, x, y)) {
                p[0] = (unsigned char)(p[0] / 4 + 150);
                p[1] = (unsigned char)(p[1] / 4 + 170);
                p[2] = (unsigned char)(p[2] / 4 + 190);
            } else if (!same_size || pixel_differs(expected, actual, i, tolerance)) {
                p[0] = 255;
                p[1] = 0;
                p[2] = 0;
            } else {
                // Dimmed towards light grey, so that the red marks stand out on any drawing.
                for (int c = 0; c < 3; c++) p[c] = (unsigned char)(p[c] / 4 + 180);
            }
        }
    }
    return out;
}

Image thumbnail(const Image &img, int factor) {
    Image t;
    if (factor < 1) factor = 1;
    t.w = std::max(1, img.w / factor);
    t.h = std::max(1, img.h / factor);
    t.rgb.assign((size_t)t.w * t.h * 3, 255);
    if (img.w == 0 || img.h == 0) return t;
    for (int y = 0; y < t.h; y++) {
        for (int x = 0; x < t.w; x++) {
            for (int c = 0; c < 3; c++) {
                long sum = 0, n = 0;
                for (int yy = y * factor; yy < std::min(img.h, (y + 1) * factor); yy++)
                    for (int xx = x * factor; xx < std::min(img.w, (x + 1) * factor); xx++, n++)
                        sum += img.rgb[((size_t)yy * img.w + xx) * 3 + c];
                t.rgb[((size_t)y * t.w + x) * 3 + c] = (unsigned char)(n ? sum / n : 255);
            }
        }
    }
    return t;
}

}  // namespace grade
