// The runner's --inspect: the frames stay the canvas, pixel for pixel, while the inspect pictures
// beside them show the inspector over it; docs/overlay.png is current; a point outside the canvas
// is a bad command line.
#include "tool.h"

namespace script_test {
namespace {

const char CONE[] = PLAKO_BINARY_DIR "/cone-replay";
using Lines = std::vector<std::string>;

int run_cone(const std::vector<std::string> &args, Lines *lines) {
    std::vector<std::string> all = {CONE};
    all.insert(all.end(), args.begin(), args.end());
    std::string out, err;
    int status = run_command(all, &out, &err);
    *lines = own_lines(err, "cone-replay");
    return status;
}

std::vector<unsigned char> pixel(const Image &img, int x, int y) {
    size_t at = ((size_t)y * img.w + x) * 3;
    return std::vector<unsigned char>(img.rgb.begin() + (long)at, img.rgb.begin() + (long)at + 3);
}

TEST(Inspect, FramesStayTheCanvasAndTheInspectPicturesShowTheGridOverThem) {
    TempDir dir;
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(2);\nPLAKO_MOUSE(0, 30);\nPLAKO_PERIODIC(1);\n");
    Lines lines;
    ASSERT_EQ(run_cone({"-o", "plain"}, &lines), 0);
    ASSERT_EQ(run_cone({"-o", "inspected", "--inspect", "20,60"}, &lines), 0);
    EXPECT_EQ(lines, Lines{"cone-replay: played to the end"});
    Lines frames = frames_in("plain");
    ASSERT_EQ(frames, (Lines{"frame-000000.png", "frame-000001.png", "frame-000002.png"}));
    Lines expected = frames;
    for (const std::string &f : frames) expected.push_back("inspect-" + f.substr(6));
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(frames_in("inspected"), expected);
    const std::vector<unsigned char> grid = {0xc0, 0xc0, 0xc0}, axis = {0x40, 0x40, 0x40};
    for (const std::string &f : frames) {
        Image plain, with, inspect;
        ASSERT_TRUE(load_png("plain/" + f, &plain));
        ASSERT_TRUE(load_png("inspected/" + f, &with));
        ASSERT_TRUE(load_png("inspected/inspect-" + f.substr(6), &inspect));
        EXPECT_EQ(plain.rgb, with.rgb) << f << ": the frame is the canvas with or without the inspector";
        ASSERT_EQ(inspect.w, 595);
        ASSERT_EQ(inspect.h, 495);
        EXPECT_NE(inspect.rgb, plain.rgb) << f;
        // The grid line x = -200 and the y axis, at rows far from the numbers and the mouse's box;
        // the canvas shows neither colour there.
        for (int row : {40, 400}) {
            EXPECT_EQ(pixel(inspect, 97, row), grid) << f << " row " << row;
            EXPECT_EQ(pixel(inspect, 297, row), axis) << f << " row " << row;
            EXPECT_NE(pixel(plain, 97, row), grid) << f << " row " << row;
        }
        // Elsewhere the inspect picture is the frame.
        EXPECT_EQ(pixel(inspect, 120, 400), pixel(plain, 120, 400)) << f;
    }
}

// docs/overlay.png is what scripts/make-pictures.sh makes of docs/demo.scr; on a difference the
// new picture is kept as inspector-now.png in the build directory.
TEST(Inspect, DocsPictureIsCurrent) {
    TempDir dir;
    write_file("PLAKO.SCR", read_file(PLAKO_SOURCE_DIR "/docs/demo.scr"));
    Lines lines;
    ASSERT_EQ(run_cone({"-o", "f", "--last", "--inspect", "15,75"}, &lines), 0);
    Image now, docs;
    ASSERT_TRUE(load_png("f/inspect-000169.png", &now));
    ASSERT_TRUE(load_png(PLAKO_SOURCE_DIR "/docs/overlay.png", &docs));
    if (now.rgb != docs.rgb) save_png(PLAKO_BINARY_DIR "/inspector-now.png", now);
    EXPECT_TRUE(now.w == docs.w && now.h == docs.h && now.rgb == docs.rgb)
        << "docs/overlay.png is stale: scripts/make-pictures.sh makes it again";
}

TEST(Inspect, PointOutsideTheCanvasIsABadCommandLine) {
    TempDir dir;
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(1);\n");
    for (const char *bad : {"298,0", "0,-248", "-298,0", "1", "a,b", "1,", ",1", "1,2,3", ""}) {
        Lines lines;
        EXPECT_EQ(run_cone({"-o", "f", "--inspect", bad}, &lines), 2) << bad;
        EXPECT_EQ(lines,
                  Lines{std::string("cone-replay: --inspect needs a canvas point X,Y, X from -297 to 297 "
                                    "and Y from -247 to 247, not '") +
                        bad + "'"});
    }
    Lines lines;
    EXPECT_EQ(run_cone({"-o", "f", "--inspect", "-297,247"}, &lines), 0) << "the corners are inside";
    EXPECT_EQ(frames_in("f"), (Lines{"frame-000000.png", "inspect-000000.png"}));
}

}  // namespace
}  // namespace script_test
