// Frames in memory: PNGs decoded with libpng's simplified API, compared pixel by pixel outside
// the ignored regions, and the pictures a report shows (difference, thumbnail) encoded again.
#pragma once

#include <string>
#include <vector>

#include "assignment.h"

namespace grade {

struct Image {
    int w = 0, h = 0;
    std::vector<unsigned char> rgb;  // w * h * 3
};

// Reads a PNG file into *img as 8-bit RGB. Returns "" or the reason.
std::string read_png(const std::string &path, Image *img);
// Writes img to path as a PNG. Returns "" or the reason.
std::string write_png(const std::string &path, const Image &img);

struct Difference {
    long pixels = 0;                 // differing pixels outside the ignored regions
    int first_x = -1, first_y = -1;  // the first of them, row by row (client pixels)
    bool size_differs = false;
};

// Compares actual with expected: a pixel differs when a channel differs by more than tolerance.
Difference compare(const Image &expected, const Image &actual, const std::vector<Region> &ignore,
                   int tolerance);

// The difference picture: the reference dimmed, the ignored regions tinted blue, differing pixels red.
Image difference_picture(const Image &expected, const Image &actual, const std::vector<Region> &ignore,
                         int tolerance);

// The picture scaled down by `factor` (box filter).
Image thumbnail(const Image &img, int factor);

}  // namespace grade
