// Test support: PNG files read and written as 8-bit RGB rows, for comparing the runners' frames.
#pragma once

#include <png.h>

#include <string>

#include "rgb_image.h"

namespace plako_test {

// Reads any PNG as 8-bit RGB; false when it cannot be read.
inline bool load_png(const std::string &path, RgbImage *img) {
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_RGB;
    img->w = (int)png.width;
    img->h = (int)png.height;
    img->rgb.assign(PNG_IMAGE_SIZE(png), 0);
    if (!png_image_finish_read(&png, nullptr, img->rgb.data(), 0, nullptr)) {
        png_image_free(&png);
        return false;
    }
    return true;
}

inline bool save_png(const std::string &path, const RgbImage &img) {
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    png.width = (png_uint_32)img.w;
    png.height = (png_uint_32)img.h;
    png.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&png, path.c_str(), 0, img.rgb.data(), 0, nullptr) != 0;
}

}  // namespace plako_test
