// The runner's --describe FILE: a block per written frame, checked against the scene log of the
// same run, and its failures.
#include "describe_check.h"
#include "tool.h"

namespace script_test {
namespace {

const char CONE[] = PLAKO_BINARY_DIR "/cone-replay";

// The demo's start (frame 0) and its first scene after the intro (frame 151), which draws since
// the intro's last erase, most of it covered: every listed call is one drawn, the counts add up,
// and the file is in place with nothing temporary left beside it.
TEST(Describe, EachWrittenFrameIsDescribedByTheCallsDrawnForIt) {
    TempDir dir;
    write_file("PLAKO.SCR", read_file(PLAKO_SOURCE_DIR "/docs/demo.scr"));
    std::string out, err;
    ASSERT_EQ(run_command({CONE, "-q", "-o", "f", "--every", "151", "--until", "151", "--scene",
                           "scene.jsonl", "--describe", "words.txt"},
                          &out, &err),
              0)
        << err;
    std::string words = read_file("words.txt"), log = read_file("scene.jsonl");
    EXPECT_EQ(frames_in("f"), (std::vector<std::string>{"frame-000000.png", "frame-000151.png"}));
    for (const std::string &name : frames_in("."))
        EXPECT_NE(name.rfind(".words.txt", 0), 0u) << "a temporary file is left: " << name;
    for (long frame : {0L, 151L}) {
        std::vector<std::string> lines = plako_test::description_of_frame(words, frame);
        EXPECT_GT(plako_test::check_description(lines, plako_test::calls_of_frame(log, frame)), 10u)
            << "frame " << frame;
    }
    EXPECT_NE(words.find("black text \"Quit\" at (-290, 125), size 10; top left.\n"), std::string::npos)
        << words;
}

TEST(Describe, AFileThatCannotBeWrittenIsABadRun) {
    TempDir dir;
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(1);\n");
    std::string out, err;
    EXPECT_EQ(run_command({CONE, "-q", "--describe", ""}, &out, &err), 2);
    EXPECT_NE(err.find("--describe needs a file name"), std::string::npos) << err;
    EXPECT_EQ(run_command({CONE, "-q", "--describe", "no/such/folder/words.txt"}, &out, &err), 1);
    EXPECT_NE(err.find("cannot write the description " + dir.path() + "/no/such/folder/words.txt"),
              std::string::npos)
        << err;
}

}  // namespace
}  // namespace script_test
