// plako-grade's scene logs: the calls of a frame read from what a program made the log hold, and the
// first differing call in words.
#include <gtest/gtest.h>

#include <sstream>

#include "scene.h"

namespace {

std::vector<grade::SceneCall> calls_of(const std::string &log, long frame,
                                       const std::vector<grade::Region> &ignore = {},
                                       std::string *why = nullptr) {
    std::istringstream in(log);
    std::vector<grade::SceneCall> out;
    std::string w = grade::scene_calls(in, frame, ignore, &out);
    if (why != nullptr) *why = w;
    return out;
}

std::string stretch(long frame, const std::string &calls) {
    return "{\"frame\":" + std::to_string(frame) + ",\"line\":1,\"event\":\"periodic\",\"calls\":[" + calls +
           "]}\n";
}

const char *RED_CIRCLE = "{\"call\":\"circle\",\"colour\":\"red\",\"x\":0,\"y\":0,\"radius\":50}";
const char *FRAME_TEXT =
    "{\"call\":\"text\",\"colour\":\"black\",\"x\":-290,\"y\":231,\"ptsize\":12,\"text\":\"frame 3\"}";

struct Wording {
    const char *what;
    std::string reference, yours;  // frame 12's calls of each
    const char *sentence;
};

class SceneWording : public ::testing::Test {
   protected:
    // The top strip of the fixture assignment: canvas -297 247 297 230.
    std::vector<grade::Region> ignore = {{0, 0, 594, 17}};

    std::string differs(const Wording &w) {
        std::string ref = stretch(0, "{\"call\":\"erase\"}") + stretch(12, w.reference);
        std::string yours = stretch(0, "{\"call\":\"erase\"}") + stretch(12, w.yours);
        return grade::first_difference(calls_of(ref, 12, ignore), calls_of(yours, 12, ignore));
    }
};

TEST_F(SceneWording, EachDifferenceHasItsSentence) {
    const std::string erase = "{\"call\":\"erase\"}";
    const Wording cases[] = {
        {"moved", RED_CIRCLE, "{\"call\":\"circle\",\"colour\":\"red\",\"x\":3,\"y\":0,\"radius\":50}",
         "frame 12: the reference draws a red circle at (0, 0), radius 50; yours at (3, 0)"},
        {"larger", RED_CIRCLE, "{\"call\":\"circle\",\"colour\":\"red\",\"x\":0,\"y\":0,\"radius\":60}",
         "frame 12: the reference draws a red circle at (0, 0), radius 50; yours with radius 60"},
        {"moved and larger", RED_CIRCLE,
         "{\"call\":\"circle\",\"colour\":\"red\",\"x\":3,\"y\":0,\"radius\":60}",
         "frame 12: the reference draws a red circle at (0, 0), radius 50; yours at (3, 0) with radius 60"},
        {"another colour", RED_CIRCLE,
         "{\"call\":\"circle\",\"colour\":\"blue\",\"x\":0,\"y\":0,\"radius\":50}",
         "frame 12: the reference draws a red circle at (0, 0), radius 50; yours draws a blue circle there"},
        {"another colour elsewhere", RED_CIRCLE,
         "{\"call\":\"circle\",\"colour\":\"orange\",\"x\":1,\"y\":0,\"radius\":50}",
         "frame 12: the reference draws a red circle at (0, 0), radius 50; yours draws an orange circle at "
         "(1, 0), radius 50"},
        {"nothing more", std::string(RED_CIRCLE) + "," + RED_CIRCLE, RED_CIRCLE,
         "frame 12: the reference draws a red circle at (0, 0), radius 50; yours draws nothing more"},
        {"one more", RED_CIRCLE,
         std::string(RED_CIRCLE) + ",{\"call\":\"line\",\"colour\":\"50% gray\",\"x1\":0,\"y1\":0,\"x2\":1,"
                                   "\"y2\":1,\"width\":1}",
         "frame 12: the reference draws nothing more; yours draws a 50% gray line from (0, 0) to (1, 1), "
         "width 1"},
        {"an erase wipes what came before", std::string(RED_CIRCLE) + "," + RED_CIRCLE,
         std::string(RED_CIRCLE) + "," + erase,
         "frame 12: the reference draws a red circle at (0, 0), radius 50; yours draws nothing more"},
        {"another shape", RED_CIRCLE,
         "{\"call\":\"rectangle\",\"colour\":\"red\",\"x1\":-5,\"y1\":5,\"x2\":5,\"y2\":-5,\"width\":0}",
         "frame 12: the reference draws a red circle at (0, 0), radius 50; yours draws a filled red "
         "rectangle "
         "from (-5, 5) to (5, -5)"},
        {"an outline for a filled triangle",
         "{\"call\":\"triangle\",\"colour\":\"red\",\"x1\":0,\"y1\":75,\"x2\":25,\"y2\":70,\"x3\":0,\"y3\":"
         "68,"
         "\"width\":0}",
         "{\"call\":\"triangle\",\"colour\":\"red\",\"x1\":0,\"y1\":75,\"x2\":25,\"y2\":70,\"x3\":0,\"y3\":"
         "68,"
         "\"width\":2}",
         "frame 12: the reference draws a filled red triangle at (0, 75), (25, 70), (0, 68); yours draws a "
         "red "
         "triangle outline at (0, 75), (25, 70), (0, 68), width 2"},
        {"a thicker line",
         "{\"call\":\"line\",\"colour\":\"navy blue\",\"x1\":0,\"y1\":0,\"x2\":9,\"y2\":9,\"width\":1}",
         "{\"call\":\"line\",\"colour\":\"navy blue\",\"x1\":0,\"y1\":0,\"x2\":9,\"y2\":9,\"width\":3}",
         "frame 12: the reference draws a navy blue line from (0, 0) to (9, 9), width 1; yours with width 3"},
        {"another text",
         "{\"call\":\"text\",\"colour\":\"black\",\"x\":0,\"y\":0,\"ptsize\":12,\"text\":\"score 3\"}",
         "{\"call\":\"text\",\"colour\":\"black\",\"x\":0,\"y\":0,\"ptsize\":12,\"text\":\"Score: 3\"}",
         "frame 12: the reference draws the text \"score 3\" in black at (0, 0), size 12; yours with the "
         "text "
         "\"Score: 3\""},
        {"a text in another colour",
         "{\"call\":\"text\",\"colour\":\"black\",\"x\":0,\"y\":0,\"ptsize\":12,\"text\":\"hi\"}",
         "{\"call\":\"text\",\"colour\":\"red\",\"x\":0,\"y\":0,\"ptsize\":12,\"text\":\"hi\"}",
         "frame 12: the reference draws the text \"hi\" in black at (0, 0), size 12; yours writes it in red"},
        {"a long text is cut",
         "{\"call\":\"text\",\"colour\":\"black\",\"x\":0,\"y\":0,\"ptsize\":12,\"text\":\"" +
             std::string(100, 'a') + "\"}",
         RED_CIRCLE,
         "frame 12: the reference draws the text \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa...\" in black at "
         "(0, "
         "0), size 12; yours draws a red circle at (0, 0), radius 50"},
        {"an unknown call", RED_CIRCLE, "{\"call\":\"spiral\",\"colour\":\"red\"}",
         "frame 12: the reference draws a red circle at (0, 0), radius 50; yours makes a drawing call named "
         "\"spiral\""},
        {"alike", RED_CIRCLE, RED_CIRCLE, ""},
        {"only in the ignored strip", std::string(FRAME_TEXT) + "," + RED_CIRCLE,
         "{\"call\":\"text\",\"colour\":\"black\",\"x\":-290,\"y\":231,\"ptsize\":12,\"text\":\"Frame 3\"}," +
             std::string(RED_CIRCLE),
         ""},
    };
    for (const Wording &w : cases) EXPECT_EQ(differs(w), w.sentence) << w.what;
}

TEST_F(SceneWording, AFrameIsItsCallsSinceTheLastErase) {
    std::string log = stretch(0, RED_CIRCLE) + stretch(1, "{\"call\":\"erase\"}," + std::string(RED_CIRCLE)) +
                      stretch(2, "{\"call\":\"circle\",\"colour\":\"blue\",\"x\":1,\"y\":1,\"radius\":1}") +
                      stretch(3, "{\"call\":\"erase\"}");
    const struct {
        long frame;
        std::vector<std::string> calls;
    } cases[] = {{0, {"circle"}},
                 {1, {"erase", "circle"}},
                 {2, {"erase", "circle", "circle"}},
                 {3, {"erase"}},
                 {9, {"erase"}}};
    for (const auto &c : cases) {
        std::vector<std::string> got;
        for (const grade::SceneCall &call : calls_of(log, c.frame)) got.push_back(call.call);
        EXPECT_EQ(got, c.calls) << "frame " << c.frame;
    }
    // The sentence names the frame the differing call was drawn in.
    std::string yours =
        stretch(0, RED_CIRCLE) + stretch(1, "{\"call\":\"erase\"}," + std::string(RED_CIRCLE));
    EXPECT_EQ(grade::first_difference(calls_of(log, 2), calls_of(yours, 2)),
              "frame 2: the reference draws a blue circle at (1, 1), radius 1; yours draws nothing more");
    // An erase starts the list: it parts from a reference that draws without one.
    EXPECT_EQ(grade::first_difference(calls_of(stretch(0, RED_CIRCLE), 0),
                                      calls_of(stretch(0, "{\"call\":\"erase\"}"), 0)),
              "frame 0: the reference draws a red circle at (0, 0), radius 50; yours erases the window");
}

TEST(SceneReader, WhatAProgramMakesTheLogHoldIsSkippedNotFatal) {
    const std::string good = stretch(0, RED_CIRCLE);
    const struct {
        const char *what;
        std::string line;
        size_t calls;  // calls read from a good stretch, the line, a good stretch
        std::string text;
    } cases[] = {
        {"bad UTF-8 in a text",
         stretch(0,
                 "{\"call\":\"text\",\"colour\":\"red\",\"x\":0,\"y\":0,\"ptsize\":9,"
                 "\"text\":\"\xff\xfe\xc3\"}"),
         3, "\xff\xfe\xc3"},
        {"escapes and surrogates",
         stretch(0,
                 "{\"call\":\"text\",\"colour\":\"red\",\"x\":0,\"y\":0,\"ptsize\":9,"
                 "\"text\":\"\\u00e9\\ud83d\\ude00\\ud800\\n\"}"),
         3, "\xc3\xa9\xf0\x9f\x98\x80\xef\xbf\xbd\n"},
        {"a line of 2 MB", stretch(0, std::string(RED_CIRCLE) + "," + std::string(2 << 20, ' ') + RED_CIRCLE),
         2, ""},
        {"nested a thousand deep", "{\"frame\":0,\"calls\":[" + std::string(1000, '[') + "]}\n", 2, ""},
        {"not JSON", "frame 0: a circle\n", 2, ""},
        {"cut short (the next stretch on its line goes too)", "{\"frame\":0,\"calls\":[{\"call\":\"erase\"",
         1, ""},
        {"NUL bytes", std::string("{\"frame\":0,\0\"calls\":[]}\n", 24), 2, ""},
        {"a number past any coordinate",
         stretch(0, "{\"call\":\"circle\",\"colour\":\"red\",\"x\":1e300,\"y\":0}"), 2, ""},
        {"a fractional coordinate", stretch(0, "{\"call\":\"circle\",\"colour\":\"red\",\"x\":0.5,\"y\":0}"),
         2, ""},
        {"calls not a list", "{\"frame\":0,\"calls\":{\"call\":\"erase\"}}\n", 2, ""},
        {"no frame", "{\"calls\":[{\"call\":\"erase\"}]}\n", 2, ""},
        {"a call without a name", stretch(0, "{\"colour\":\"red\"}"), 2, ""},
        {"a frame beyond ends the reading", stretch(7, RED_CIRCLE), 1, ""},
    };
    for (const auto &c : cases) {
        std::string why;
        std::vector<grade::SceneCall> got = calls_of(good + c.line + good, 0, {}, &why);
        EXPECT_EQ(why, "") << c.what;
        EXPECT_EQ(got.size(), c.calls) << c.what;
        if (!c.text.empty() && got.size() > 1) {
            EXPECT_EQ(got[1].text, c.text) << c.what;
        }
    }
}

TEST(SceneReader, AFrameOfTooManyCallsIsRefused) {
    std::string thousand;
    for (int i = 0; i < 1000; i++) thousand += std::string(i ? "," : "") + RED_CIRCLE;
    std::string log;
    for (int i = 0; i < 201; i++) log += stretch(0, thousand);
    std::string why;
    EXPECT_TRUE(calls_of(log, 0, {}, &why).empty());
    EXPECT_NE(why.find("more than"), std::string::npos) << why;
}

}  // namespace
