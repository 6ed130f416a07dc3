// Test support for the runners (NAME-replay): run one as a child process and read its frames.
#pragma once

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "headless_run.h"
#include "png_rgb.h"

namespace script_test {

using Image = plako_test::RgbImage;
using plako_test::client_image;
using plako_test::load_png;
using plako_test::read_file;
using plako_test::run_command;
using plako_test::save_png;
using plako_test::TempDir;
using plako_test::write_file;

// The lines a runner called `name` writes to standard error about itself.
inline std::vector<std::string> own_lines(const std::string &err, const std::string &name) {
    std::vector<std::string> lines;
    std::istringstream in(err);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(name + ":", 0) == 0) lines.push_back(line);
    return lines;
}

// The frames a runner wrote into dir, by name.
inline std::vector<std::string> frames_in(const std::string &dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto &e : std::filesystem::directory_iterator(dir, ec)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace script_test
