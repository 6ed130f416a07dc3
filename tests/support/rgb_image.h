// Test support: a picture as 8-bit RGB rows, as the runners' frames and a window's client area are compared.
#pragma once

#include <vector>

namespace plako_test {

struct RgbImage {
    int w = 0, h = 0;
    std::vector<unsigned char> rgb;  // 3 bytes a pixel, row by row
};

}  // namespace plako_test
