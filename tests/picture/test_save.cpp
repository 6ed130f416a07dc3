// F4 in the whole cone decorator on the headless host: the file it saves is the frame, under the first
// free name, and a folder that takes no file costs the program nothing but a console line.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cone_run.h"
#include "replay.h"

namespace {

using cone_test::ConeRun;
using plako_test::console_lines;
using plako_test::FileSizeLimit;
using plako_test::read_file;
using plako_test::TempDir;
using plako_test::write_file;

const int W = 595, H = 495;  // the graphics window's client area

void press_f4(const ConeRun &r) {
    headless_key_down(r.window(), VK_F4);
    headless_key_up(r.window(), VK_F4);
}

std::vector<unsigned int> frame_pixels() {
    std::vector<unsigned int> px((size_t)W * H);
    EXPECT_EQ(replay_canvas_pixels(px.data(), W, H), 1);
    return px;
}

// The file read by libpng as 0x00RRGGBB, or empty when it cannot be read without complaint.
std::vector<unsigned int> read_png(const std::string &name) {
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, name.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) || image.warning_or_error != 0 ||
        image.width != W || image.height != H)
        return {};
    std::vector<unsigned int> px;
    for (size_t i = 0; i < rgb.size(); i += 3)
        px.push_back((unsigned)rgb[i] << 16 | (unsigned)rgb[i + 1] << 8 | rgb[i + 2]);
    return px;
}

// The console lines about saving, oldest first.
std::vector<std::string> save_lines() {
    std::vector<std::string> lines;
    for (const std::string &l : console_lines())
        if (l.find("the canvas") != std::string::npos) lines.push_back(l);
    return lines;
}

std::vector<std::string> pictures_in_folder() {
    std::vector<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator("."))
        if (e.path().extension() == ".png") names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

class Save : public ::testing::Test {
   protected:
    TempDir dir_;  // the program's current folder
};

TEST_F(Save, EachPressSavesThatFrameUnderTheNextName) {
    ConeRun r;
    // In the intro and in the scene, which has smoothed text; the frames the runner would write.
    const int frames[] = {5, 160};
    std::vector<std::vector<unsigned int>> shown;
    for (int f : frames)
        r.at(f, [&] {
            shown.push_back(frame_pixels());
            press_f4(r);
        });
    r.at(165, [] {});  // the run goes on after the last press
    EXPECT_EQ(r.run(), 0);

    EXPECT_EQ(save_lines(), (std::vector<std::string>{"Saved the canvas as plako-001.png\n",
                                                      "Saved the canvas as plako-002.png\n"}));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_NE(shown[0], shown[1]);
    for (int i = 0; i < 2; i++) {
        const std::string name = i == 0 ? "plako-001.png" : "plako-002.png";
        std::vector<unsigned int> saved = read_png(name);
        ASSERT_FALSE(saved.empty()) << name << " is no picture of the window's size";
        EXPECT_TRUE(saved == shown[(size_t)i]) << name << " differs from frame " << frames[i];
    }
}

TEST_F(Save, TakenNamesAreLeftAloneAndSkipped) {
    write_file("plako-001.png", "someone else's picture");
    ASSERT_EQ(symlink("elsewhere.png", "plako-002.png"), 0);  // a link to nowhere: not written through
    ASSERT_EQ(mkdir("plako-003.png", 0700), 0);
    ConeRun r;
    r.at(3, [&] { press_f4(r); });
    r.at(4, [] {});
    EXPECT_EQ(r.run(), 0);
    EXPECT_EQ(save_lines(), std::vector<std::string>{"Saved the canvas as plako-004.png\n"});
    EXPECT_EQ(read_file("plako-001.png"), "someone else's picture");
    EXPECT_FALSE(std::filesystem::exists("elsewhere.png"));
    EXPECT_FALSE(read_png("plako-004.png").empty());
}

TEST_F(Save, NoFreeNameSavesNothing) {
    char name[32];
    for (int i = 1; i <= 999; i++) {
        snprintf(name, sizeof name, "plako-%03d.png", i);
        write_file(name, "");
    }
    ConeRun r;
    r.at(3, [&] { press_f4(r); });
    r.at(4, [] {});
    EXPECT_EQ(r.run(), 0);
    EXPECT_EQ(save_lines(), std::vector<std::string>{
                                "Cannot save the canvas: plako-001.png to plako-999.png are all taken\n"});
    EXPECT_EQ(pictures_in_folder().size(), 999u);
    EXPECT_EQ(std::filesystem::file_size("plako-999.png"), 0u);
}

// A folder that cannot take the file: the system's reason, nothing left behind, and the program runs on
// to its last frame as if the key had not been pressed.
void expect_failure_reported(const char *line) {
    ConeRun r;
    r.at(3, [&] { press_f4(r); });
    r.at(30, [] {});
    EXPECT_EQ(r.run(), 0);
    EXPECT_EQ(save_lines(), std::vector<std::string>{line});
}

TEST_F(Save, ReadOnlyFolderGivesTheReason) {
    if (geteuid() == 0) GTEST_SKIP() << "running as root: file permissions do not stop root";
    ASSERT_EQ(chmod(".", 0555), 0);
    expect_failure_reported("Cannot save the canvas as plako-001.png: Permission denied\n");
    chmod(".", 0755);
    EXPECT_EQ(pictures_in_folder(), std::vector<std::string>{});
}

TEST_F(Save, FullDiskLeavesNoPartFile) {
    {
        FileSizeLimit limit(1000);  // a picture of the canvas takes several kilobytes
        ASSERT_TRUE(limit.ok());
        expect_failure_reported("Cannot save the canvas as plako-001.png: File too large\n");
    }
    EXPECT_EQ(pictures_in_folder(), std::vector<std::string>{});
}

}  // namespace
