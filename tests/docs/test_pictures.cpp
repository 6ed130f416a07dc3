// The reference's pictures cannot go stale: each docs/pictures/NAME.c is rendered again through its
// own runner, docs-NAME-replay, on docs/pictures/picture.scr, and the frame must equal docs/NAME.png
// pixel for pixel. On a difference the new picture is kept under the build directory; when the
// change is meant, scripts/make-pictures.sh writes the new pictures into docs/.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "png_rgb.h"

namespace fs = std::filesystem;

namespace {

using Image = plako_test::RgbImage;
using plako_test::load_png;

// The names of the pictures: the programs in docs/pictures.
std::vector<std::string> picture_names() {
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(PLAKO_SOURCE_DIR "/docs/pictures"))
        if (e.path().extension() == ".c") names.push_back(e.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Renders one picture into dir with its runner; returns the runner's exit status.
int render(const std::string &name, const fs::path &dir) {
    fs::create_directories(dir);
    fs::copy_file(PLAKO_SOURCE_DIR "/docs/pictures/picture.scr", dir / "PLAKO.SCR",
                  fs::copy_options::overwrite_existing);
    std::string cmd = std::string("'") + PLAKO_BINARY_DIR + "/docs/pictures/docs-" + name +
                      "-replay' --dir '" + dir.string() + "' --out '" + (dir / "out").string() +
                      "' --last --quiet > '" + (dir / "console.txt").string() + "'";
    int status = system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Describes where two pictures of one size differ: the count and the box around the differences.
std::string differences(const Image &a, const Image &b) {
    long count = 0;
    int x0 = a.w, y0 = a.h, x1 = 0, y1 = 0;
    for (int y = 0; y < a.h; y++) {
        for (int x = 0; x < a.w; x++) {
            size_t i = ((size_t)y * a.w + x) * 3;
            if (a.rgb[i] == b.rgb[i] && a.rgb[i + 1] == b.rgb[i + 1] && a.rgb[i + 2] == b.rgb[i + 2])
                continue;
            count++;
            x0 = std::min(x0, x);
            y0 = std::min(y0, y);
            x1 = std::max(x1, x);
            y1 = std::max(y1, y);
        }
    }
    std::ostringstream out;
    out << count << " pixels differ, within x " << x0 << ".." << x1 << ", y " << y0 << ".." << y1;
    return out.str();
}

class Picture : public testing::TestWithParam<std::string> {};

TEST_P(Picture, RendersAsInDocs) {
    const std::string name = GetParam();
    const fs::path dir = fs::path(PLAKO_BINARY_DIR) / "docs-pictures" / name;
    fs::remove_all(dir);
    ASSERT_EQ(render(name, dir), 0) << "docs-" << name << "-replay failed; see " << dir / "console.txt";

    // One tick, one frame: frame 0.
    const fs::path frame = dir / "out" / "frame-000000.png";
    Image actual, expected;
    ASSERT_TRUE(load_png(frame.string(), &actual)) << frame;
    const std::string docs_png = std::string(PLAKO_SOURCE_DIR) + "/docs/" + name + ".png";
    ASSERT_TRUE(load_png(docs_png, &expected)) << docs_png << " is missing: run scripts/make-pictures.sh";
    // The graphics window's client area.
    EXPECT_EQ(actual.w, 595);
    EXPECT_EQ(actual.h, 495);
    ASSERT_EQ(actual.w, expected.w) << docs_png;
    ASSERT_EQ(actual.h, expected.h) << docs_png;
    EXPECT_TRUE(actual.rgb == expected.rgb)
        << docs_png << " is stale: " << differences(actual, expected) << ". The new picture is " << frame
        << "; scripts/make-pictures.sh renders them all into docs/ when the change is meant.";
}

// Every picture program has its picture in docs/ (a new program without one fails above too).
TEST(Pictures, EachProgramHasItsPicture) {
    std::vector<std::string> names = picture_names();
    EXPECT_GE(names.size(), 3u);
    for (const std::string &n : names) EXPECT_TRUE(fs::exists(PLAKO_SOURCE_DIR "/docs/" + n + ".png")) << n;
}

INSTANTIATE_TEST_SUITE_P(Docs, Picture, testing::ValuesIn(picture_names()),
                         [](const testing::TestParamInfo<std::string> &p) { return p.param; });

}  // namespace
