// The runner's --gif, read back with the GIF library: one image per frame, 100 ms each, looping
// forever, and each image, drawn over the ones before, equal to the runner's PNG frame of the same
// number; more colours than an image holds, a run cut short by a crash, and GIFs that cannot be
// written.
#include <gif_lib.h>
#include <stdio.h>
#include <string.h>

#include <array>
#include <map>

#include "tool.h"

namespace script_test {
namespace {

const char CONE[] = PLAKO_BINARY_DIR "/cone-replay";
const char CRASHES[] = PLAKO_BINARY_DIR "/tests/null-pointer-replay";
const char MANY[] = PLAKO_BINARY_DIR "/tests/many-colours-replay";

using Lines = std::vector<std::string>;

// A GIF as a viewer shows it: each image drawn over the ones before.
struct Animation {
    std::vector<Image> shown;  // the picture after each image
    std::vector<int> delays;   // hundredths of a second
    std::vector<int> full;     // 1 where an image covers the whole picture
    bool loops = false;  // an application extension NETSCAPE2.0 with loop count 0, before the first image
    bool kept = true;    // every image's disposal leaves it in place
};

// Reads path; "" or what is wrong with it.
std::string read_gif(const std::string &path, Animation *a) {
    int error = 0;
    GifFileType *gif = DGifOpenFileName(path.c_str(), &error);
    if (gif == nullptr) return GifErrorString(error);
    if (DGifSlurp(gif) == GIF_ERROR) {
        std::string why = GifErrorString(gif->Error);
        DGifCloseFile(gif, &error);
        return why;
    }
    Image canvas;
    canvas.w = gif->SWidth;
    canvas.h = gif->SHeight;
    canvas.rgb.assign((size_t)canvas.w * canvas.h * 3, 0);
    std::string why;
    for (int i = 0; i < gif->ImageCount && why.empty(); i++) {
        const SavedImage &img = gif->SavedImages[i];
        for (int b = 0; i == 0 && b + 1 < img.ExtensionBlockCount; b++) {
            const ExtensionBlock &e = img.ExtensionBlocks[b], &next = img.ExtensionBlocks[b + 1];
            if (e.Function == APPLICATION_EXT_FUNC_CODE && e.ByteCount == 11 &&
                memcmp(e.Bytes, "NETSCAPE2.0", 11) == 0 && next.ByteCount == 3 && next.Bytes[0] == 1 &&
                next.Bytes[1] == 0 && next.Bytes[2] == 0)
                a->loops = true;
        }
        GraphicsControlBlock gcb;
        if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_ERROR) gcb.DelayTime = -1;
        a->delays.push_back(gcb.DelayTime);
        a->kept =
            a->kept && gcb.DisposalMode == DISPOSE_DO_NOT && gcb.TransparentColor == NO_TRANSPARENT_COLOR;
        const GifImageDesc &d = img.ImageDesc;
        const ColorMapObject *map = d.ColorMap != nullptr ? d.ColorMap : gif->SColorMap;
        if (map == nullptr || d.Left + d.Width > canvas.w || d.Top + d.Height > canvas.h) {
            why = "image " + std::to_string(i) + " has no colours or lies outside the picture";
            break;
        }
        a->full.push_back(d.Width == canvas.w && d.Height == canvas.h);
        for (int y = 0; y < d.Height; y++)
            for (int x = 0; x < d.Width; x++) {
                int index = img.RasterBits[(size_t)y * d.Width + x];
                const GifColorType &c = map->Colors[index < map->ColorCount ? index : 0];
                unsigned char *p = &canvas.rgb[((size_t)(d.Top + y) * canvas.w + d.Left + x) * 3];
                p[0] = c.Red;
                p[1] = c.Green;
                p[2] = c.Blue;
            }
        a->shown.push_back(canvas);
    }
    DGifCloseFile(gif, &error);
    return why;
}

class RunnerGif : public ::testing::Test {
   protected:
    // Runs a runner with args on script; its own lines in lines_, standard output in out_.
    int run(const char *tool, const std::string &script, std::vector<std::string> args,
            rlim_t file_limit = 0) {
        write_file("PLAKO.SCR", script);
        args.insert(args.begin(), {tool, "-q"});
        std::string e;
        int status = run_command(args, &out_, &e, file_limit);
        std::string name = std::string(tool).substr(std::string(tool).rfind('/') + 1);
        lines_ = own_lines(e, name);
        return status;
    }
    // Expects the GIF at path to be an animation of the frames in dir, image for image.
    void expect_frames(const std::string &path, const std::string &dir, Animation *a) {
        ASSERT_EQ(read_gif(path, a), "");
        Lines frames = frames_in(dir);
        ASSERT_EQ(a->shown.size(), frames.size()) << "one image per frame";
        EXPECT_TRUE(a->loops);
        EXPECT_TRUE(a->kept);
        for (size_t i = 0; i < frames.size(); i++) {
            char name[32];
            snprintf(name, sizeof name, "frame-%06zu.png", i);
            ASSERT_EQ(frames[i], name);
            Image png;
            ASSERT_TRUE(load_png(dir + "/" + name, &png));
            EXPECT_EQ(a->delays[i], 10) << name;
            EXPECT_EQ(a->shown[i].w, png.w);
            EXPECT_TRUE(a->shown[i].rgb == png.rgb) << name << ": the GIF shows another picture";
        }
    }
    TempDir dir_;
    Lines lines_;
    std::string out_;
};

TEST_F(RunnerGif, EachImageIsItsFrameForTheProgramsTick) {
    // The intro changes every frame; the keys change little, and the last ticks nothing.
    const std::string script =
        "PLAKO_PERIODIC(6);\nPLAKO_KBD(114);\nPLAKO_PERIODIC(2);\nPLAKO_MOUSE(10, 20);\nPLAKO_PERIODIC(3);\n";
    ASSERT_EQ(run(CONE, script, {"--gif", "run.gif", "--every", "1", "-o", "f"}), 0);
    EXPECT_EQ(lines_, Lines{"cone-replay: played to the end"});
    Animation a;
    expect_frames("run.gif", "f", &a);
    ASSERT_EQ(a.full.size(), 11u);
    EXPECT_TRUE(a.full[0]);
    EXPECT_EQ(std::count(a.full.begin(), a.full.end(), 0), 10) << "after the first, only what changed";
    Lines names = frames_in(".");
    EXPECT_EQ(std::count_if(names.begin(), names.end(), [](const std::string &n) { return n[0] == '.'; }), 0)
        << "no temporary file is left";

    // With --until and without --every: no PNG frame, the GIF of frames 0 to 3 alone.
    ASSERT_EQ(run(CONE, script, {"--gif", "sub/until.gif", "--until", "3", "-o", "g"}), 0);
    EXPECT_TRUE(frames_in("g").empty());
    Animation until;
    ASSERT_EQ(read_gif("sub/until.gif", &until), "");
    ASSERT_EQ(until.shown.size(), 4u);
    for (size_t i = 0; i < 4; i++) EXPECT_TRUE(until.shown[i].rgb == a.shown[i].rgb) << "frame " << i;
}

TEST_F(RunnerGif, ACrashKeepsTheFramesPlayedBefore) {
    ASSERT_EQ(run(CRASHES, "PLAKO_PERIODIC(6);\n", {"--gif", "crash.gif", "--every", "1", "-o", "f"}), 4);
    ASSERT_EQ(lines_.size(), 1u);
    EXPECT_EQ(lines_[0].rfind("null-pointer-replay: stopped at frame 3, line 1: the program crashed", 0), 0u)
        << lines_[0];
    Animation a;
    expect_frames("crash.gif", "f", &a);
    EXPECT_EQ(a.shown.size(), 3u);
}

TEST_F(RunnerGif, MoreColoursThanAnImageHoldsAreDrawnWithTheNearestAndSaidOnce) {
    ASSERT_EQ(run(MANY, "PLAKO_PERIODIC(2);\n", {"--gif", "many.gif", "--every", "1", "-o", "f"}), 0);
    ASSERT_EQ(lines_.size(), 2u);
    int colours = 0, replaced = 0;
    ASSERT_EQ(sscanf(lines_[0].c_str(),
                     "many-colours-replay: frame 0 has %d colours; a GIF image holds 256, so %*s draws %d of "
                     "them with the nearest one it holds (and 1 more frame has more than 256)",
                     &colours, &replaced),
              2)
        << lines_[0];
    EXPECT_NE(lines_[0].find(dir_.path() + "/many.gif"), std::string::npos) << lines_[0];
    EXPECT_EQ(colours - replaced, 256);
    EXPECT_EQ(lines_[1], "many-colours-replay: played to the end");
    Animation a;
    ASSERT_EQ(read_gif("many.gif", &a), "");
    ASSERT_EQ(a.shown.size(), 2u);
    // Frame 0's colours drawn otherwise are as many as said, and each is drawn with the colour
    // nearest to it among those drawn exactly.
    Image png;
    ASSERT_TRUE(load_png("f/frame-000000.png", &png));
    using Rgb = std::array<int, 3>;
    std::map<Rgb, Rgb> drawn;  // each colour of the frame, and what the GIF shows for it
    for (size_t i = 0; i < png.rgb.size(); i += 3) {
        Rgb want = {png.rgb[i], png.rgb[i + 1], png.rgb[i + 2]};
        Rgb got = {a.shown[0].rgb[i], a.shown[0].rgb[i + 1], a.shown[0].rgb[i + 2]};
        auto at = drawn.emplace(want, got).first;
        ASSERT_EQ(at->second, got) << "one colour drawn two ways, at pixel " << i / 3;
    }
    auto distance = [](const Rgb &p, const Rgb &q) {
        return (p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) + (p[2] - q[2]) * (p[2] - q[2]);
    };
    std::vector<Rgb> exact;
    for (const auto &d : drawn)
        if (d.first == d.second) exact.push_back(d.first);
    EXPECT_EQ((int)drawn.size(), colours);
    EXPECT_EQ((int)(drawn.size() - exact.size()), replaced);
    for (const auto &d : drawn) {
        int nearest = INT32_MAX;
        for (const Rgb &e : exact) nearest = std::min(nearest, distance(d.first, e));
        EXPECT_EQ(distance(d.first, d.second), nearest);
    }
}

TEST_F(RunnerGif, AGifThatCannotBeWrittenStopsTheRunAndLeavesNothing) {
    write_file("file", "not a folder");
    ASSERT_TRUE(std::filesystem::create_directory("folder"));
    struct Case {
        std::string gif, line;
    } before[] = {
        {"folder", "cone-replay: cannot write " + dir_.path() + "/folder: Is a directory"},
        {"file/run.gif", "cone-replay: cannot write " + dir_.path() + "/file/run.gif: " + dir_.path() +
                             "/file: Not a directory"},
    };
    for (const Case &c : before) {
        EXPECT_EQ(run(CONE, "PLAKO_PERIODIC(3);\n", {"--gif", c.gif}), 1) << c.gif;
        EXPECT_EQ(lines_, Lines{c.line});
        EXPECT_EQ(out_, "") << c.gif << ": the script was not played";
    }
    // A disk that fills up during the run (a file size limit): the first image that does not fit
    // ends the run, and neither the GIF nor its temporary file is left.
    ASSERT_TRUE(std::filesystem::create_directory("g"));
    EXPECT_EQ(run(CONE, "PLAKO_PERIODIC(50);\n", {"--gif", "g/run.gif"}, 40000), 1);
    ASSERT_EQ(lines_.size(), 1u);
    EXPECT_EQ(
        lines_[0].rfind(
            "cone-replay: cannot write " + dir_.path() + "/g/run.gif: File too large; stopped at frame ", 0),
        0u)
        << lines_[0];
    EXPECT_TRUE(frames_in("g").empty());
}

}  // namespace
}  // namespace script_test
