// The whole cone decorator against a golden frame: cone-scene.png is the client area that the
// Windows build (cone.exe, run under Wine) shows after playing cone-scene.scr, made by
// scripts/compare-windows.sh --update-golden. cone-replay plays the same script here and its last
// frame must equal it pixel for pixel, text included. Unlike the replay tests, which check the
// runner against live frames of the same build, this catches faults that both would share.
//
// Wine's client area is one row taller (its menu bar is one pixel thinner), so the canvas origin
// sits one row lower there: the pictures are aligned on the origin, at (w / 2, h / 2) of each.
// Text pixels are where the frame drawn without any font differs from the real one, grown by two
// pixels to take in glyphs placed a pixel apart.
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <sstream>
#include <string>
#include <vector>

extern char **environ;

namespace {

const char TOOL[] = PLAKO_BINARY_DIR "/cone-replay";
const char GOLDEN_DIR[] = PLAKO_SOURCE_DIR "/tests/golden";
const char WORK_DIR[] = PLAKO_BINARY_DIR "/tests/golden-run";

struct Image {
    int w = 0, h = 0;
    std::vector<unsigned int> px;  // 0x00RRGGBB, row by row
    unsigned int at(int x, int y) const { return px[(size_t)y * w + x]; }
};

bool load_png(const std::string &path, Image *img) {
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr)) return false;
    img->w = (int)png.width;
    img->h = (int)png.height;
    img->px.resize((size_t)img->w * img->h);
    for (size_t i = 0; i < img->px.size(); i++)
        img->px[i] = (unsigned)rgb[3 * i] << 16 | (unsigned)rgb[3 * i + 1] << 8 | rgb[3 * i + 2];
    return true;
}

bool save_png(const std::string &path, const Image &img) {
    std::vector<unsigned char> rgb;
    for (unsigned int p : img.px) {
        rgb.push_back((unsigned char)(p >> 16));
        rgb.push_back((unsigned char)(p >> 8));
        rgb.push_back((unsigned char)p);
    }
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    png.width = (png_uint_32)img.w;
    png.height = (png_uint_32)img.h;
    png.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&png, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

std::string read_file(const std::string &path) {
    std::string data;
    FILE *f = fopen(path.c_str(), "rb");
    if (f == nullptr) return data;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
    fclose(f);
    return data;
}

bool write_file(const std::string &path, const std::string &text) {
    FILE *f = fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
    return fclose(f) == 0 && ok;
}

void make_dir(const std::string &path) {
    ASSERT_TRUE(mkdir(path.c_str(), 0777) == 0 || errno == EEXIST) << path << ": " << strerror(errno);
}

// A directory of this test's own, emptied of earlier frames.
std::string work_dir(const std::string &name) {
    std::string dir = std::string(WORK_DIR) + "/" + name;
    make_dir(WORK_DIR);
    make_dir(dir);
    for (const char *sub : {"/with-fonts", "/without-fonts"}) {
        make_dir(dir + sub);
        std::string cmd = "rm -f '" + dir + sub + "'/frame-*.png";
        EXPECT_EQ(system(cmd.c_str()), 0);
    }
    return dir;
}

// Runs cone-replay on dir/PLAKO.SCR with the font configuration fonts (empty: as set for the
// tests) and loads the last frame, written to dir/out; false, with a failure, when that fails.
bool replay_last(const std::string &dir, const std::string &out, const std::string &fonts, Image *img) {
    if (!fonts.empty()) setenv("FONTCONFIG_FILE", fonts.c_str(), 1);
    std::string tool = TOOL, a1 = "--dir", a3 = "--out", a5 = "--last", a6 = "--quiet";
    std::string outdir = dir + "/" + out;
    char *argv[] = {&tool[0], &a1[0], const_cast<char *>(dir.c_str()), &a3[0], &outdir[0], &a5[0],
                    &a6[0],   nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    std::string log = dir + "/" + out + ".log";
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, TOOL, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        ADD_FAILURE() << "cannot run " << TOOL << ": " << strerror(rc);
        return false;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        ADD_FAILURE() << "cone-replay failed:\n" << read_file(log);
        return false;
    }
    // The only frame in the directory is the last one.
    std::string listing = dir + "/" + out + ".list";
    std::string cmd = "ls '" + outdir + "' > '" + listing + "'";
    if (system(cmd.c_str()) != 0) return false;
    std::istringstream names(read_file(listing));
    std::string name, frame;
    while (std::getline(names, name))
        if (name.rfind("frame-", 0) == 0) frame = name;
    if (frame.empty() || !load_png(outdir + "/" + frame, img)) {
        ADD_FAILURE() << "no frame from cone-replay in " << outdir;
        return false;
    }
    return true;
}

struct Comparison {
    long inside_text = 0, outside_text = 0, text_pixels = 0;
    std::string first_outside;  // "(x, y): ours RRGGBB, golden RRGGBB" of the first one
    Image diff;                 // white equal, red outside text, blue inside text
};

// Compares frame (Linux client area) with golden (Wine's), text taken from frame against notext.
Comparison compare(const Image &frame, const Image &notext, const Image &golden) {
    Comparison c;
    const int dx = golden.w / 2 - frame.w / 2, dy = golden.h / 2 - frame.h / 2;
    std::vector<char> text((size_t)frame.w * frame.h, 0);
    auto grow = [&](int x, int y, int r) {
        for (int yy = std::max(0, y - r); yy <= std::min(frame.h - 1, y + r); yy++)
            for (int xx = std::max(0, x - r); xx <= std::min(frame.w - 1, x + r); xx++)
                text[(size_t)yy * frame.w + xx] = 1;
    };
    auto inside = [&](int x, int y) {
        return x + dx >= 0 && x + dx < golden.w && y + dy >= 0 && y + dy < golden.h;
    };
    for (int y = 0; y < frame.h; y++)
        for (int x = 0; x < frame.w; x++) {
            if (!inside(x, y)) continue;
            if (notext.at(x, y) != frame.at(x, y)) grow(x, y, 2);
        }
    c.diff.w = frame.w;
    c.diff.h = frame.h;
    c.diff.px.assign((size_t)frame.w * frame.h, 0xFFFFFF);
    for (int y = 0; y < frame.h; y++)
        for (int x = 0; x < frame.w; x++) {
            if (!inside(x, y)) continue;
            const bool is_text = text[(size_t)y * frame.w + x] != 0;
            c.text_pixels += is_text;
            const unsigned int ours = frame.at(x, y), theirs = golden.at(x + dx, y + dy);
            if (ours == theirs) continue;
            if (is_text) {
                c.inside_text++;
                c.diff.px[(size_t)y * frame.w + x] = 0x0000FF;
                continue;
            }
            if (c.outside_text == 0) {
                char where[96];
                snprintf(where, sizeof where, "(%d, %d): ours %06X, golden %06X", x, y, ours, theirs);
                c.first_outside = where;
            }
            c.outside_text++;
            c.diff.px[(size_t)y * frame.w + x] = 0xFF0000;
        }
    return c;
}

// Plays script in a directory of its own, with and without fonts, and compares with the golden frame.
Comparison play_and_compare(const std::string &name, const std::string &script, Image *frame, Image *golden) {
    Comparison none;
    std::string dir = work_dir(name);
    if (::testing::Test::HasFatalFailure()) return none;
    EXPECT_TRUE(write_file(dir + "/PLAKO.SCR", script));
    std::string nofonts = dir + "/nofonts.conf";
    EXPECT_TRUE(
        write_file(nofonts,
                   "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
                   "<fontconfig/>\n"));
    const char *pinned = getenv("FONTCONFIG_FILE");
    std::string tests_fonts = pinned ? pinned : "";
    Image notext;
    bool ok =
        replay_last(dir, "with-fonts", "", frame) && replay_last(dir, "without-fonts", nofonts, &notext);
    if (!tests_fonts.empty()) setenv("FONTCONFIG_FILE", tests_fonts.c_str(), 1);
    if (!ok) return none;
    EXPECT_TRUE(load_png(std::string(GOLDEN_DIR) + "/cone-scene.png", golden))
        << "cannot read the golden frame";
    if (golden->w == 0) return none;
    EXPECT_EQ(golden->w, frame->w);
    EXPECT_EQ(golden->h, frame->h + 1) << "Wine's client area is one row taller";
    return compare(*frame, notext, *golden);
}

TEST(GoldenFrame, SceneEqualsWindowsBuild) {
    Image frame, golden;
    const std::string script = read_file(std::string(GOLDEN_DIR) + "/cone-scene.scr");
    ASSERT_FALSE(script.empty());
    Comparison c = play_and_compare("scene", script, &frame, &golden);
    if (HasFailure()) return;
    // Some text must be found, and it must be a small part of the picture, or the mask hides shapes.
    EXPECT_GT(c.text_pixels, 0);
    EXPECT_LT(c.text_pixels, (long)frame.w * frame.h / 20);
    std::printf("golden frame: %ld pixels differ inside text, %ld outside (text: %ld pixels)\n",
                c.inside_text, c.outside_text, c.text_pixels);
    EXPECT_EQ(c.outside_text, 0) << "first: " << c.first_outside;
    EXPECT_EQ(c.inside_text, 0) << "the text differs from the Windows build's";
    if (c.outside_text != 0 || c.inside_text != 0) {
        std::string dir = std::string(WORK_DIR) + "/scene/";
        save_png(dir + "actual.png", frame);
        save_png(dir + "expected.png", golden);
        save_png(dir + "diff.png", c.diff);
        std::printf("pictures: %sactual.png, expected.png, diff.png (red: outside text, blue: inside)\n",
                    dir.c_str());
    }
}

// The comparison sees a fault: the same scene with one topping of another kind differs from the
// golden frame outside text.
TEST(GoldenFrame, OneToppingChangedIsCaught) {
    std::string script = read_file(std::string(GOLDEN_DIR) + "/cone-scene.scr");
    const std::string last_change = "PLAKO_MOUSE(-250, 162);\nPLAKO_PERIODIC(40);\n";
    const size_t at = script.rfind(last_change);
    ASSERT_NE(at, std::string::npos) << "cone-scene.scr no longer ends with a change of kind";
    script.replace(at, last_change.size(), "PLAKO_PERIODIC(40);\n");
    Image frame, golden;
    Comparison c = play_and_compare("changed", script, &frame, &golden);
    if (HasFailure()) return;
    EXPECT_GT(c.outside_text, 0);
}

}  // namespace
