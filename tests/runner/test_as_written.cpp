// The runner on scripts that play otherwise than they read: a byte-order mark is skipped, and a
// line read otherwise than written, a last line without its line end or lines ended by a CR alone
// keep the run from being reported as played to the end.
#include "tool.h"

namespace script_test {
namespace {

const char CONE[] = PLAKO_BINARY_DIR "/cone-replay";

using Lines = std::vector<std::string>;

class RunnerAsWritten : public ::testing::Test {
   protected:
    // Plays script with cone-replay and extra options, frames into out; its own lines in lines_.
    int play(const std::string &script, const std::string &out, std::vector<std::string> extra = {}) {
        write_file("PLAKO.SCR", script);
        std::vector<std::string> args = {CONE, "-q", "-o", out};
        args.insert(args.end(), extra.begin(), extra.end());
        std::string o, e;
        int status = run_command(args, &o, &e);
        lines_ = own_lines(e, "cone-replay");
        return status;
    }
    TempDir dir_;
    Lines lines_;
};

TEST_F(RunnerAsWritten, AByteOrderMarkIsSkippedAndTheFirstLinePlays) {
    ASSERT_EQ(play("PLAKO_PERIODIC(3);\nPLAKO_MOUSE(10,-20);\nPLAKO_PERIODIC(2);\n", "plain"), 0);
    EXPECT_EQ(lines_, Lines{"cone-replay: played to the end"});
    ASSERT_EQ(play("\xEF\xBB\xBFPLAKO_PERIODIC(3);\nPLAKO_MOUSE(10,-20);\nPLAKO_PERIODIC(2);\n", "marked"),
              0);
    EXPECT_EQ(lines_, Lines{"cone-replay: played to the end"});
    Lines frames = frames_in("marked");
    ASSERT_EQ(frames.size(), 5u) << "the first line's ticks play, not a key";
    EXPECT_EQ(frames, frames_in("plain"));
    for (const std::string &f : frames)
        EXPECT_EQ(read_file("marked/" + f), read_file("plain/" + f))
            << f << ": the same picture as without the mark";
}

TEST_F(RunnerAsWritten, ScriptsThatDidNotPlayAsWrittenAreNotPlayedToTheEnd) {
    struct Case {
        const char *name;
        std::string script;
        std::string outcome;
        size_t frames;  // the package plays what it can, as it does without the runner
    } cases[] = {
        {"hexadecimal", "PLAKO_PERIODIC(1);\nPLAKO_MOUSE(0x10, 5);\nPLAKO_PERIODIC(1);\n",
         "stopped at line 2: the line was not played as written (0x10 read as 0 and 10): PLAKO_MOUSE(0x10, "
         "5);",
         2},
        {"fractions", "\nPLAKO_MOUSE(1.5, 2.5);\r\nPLAKO_PERIODIC(2);\r\n",
         "stopped at line 2: the line was not played as written (1.5 read as 1 and 5): PLAKO_MOUSE(1.5, "
         "2.5);",
         2},
        {"the first of two", "PLAKO_KBD(+5);\nPLAKO_PERIODIC(1);\nPLAKO_KBD(5 6);\n",
         "stopped at line 1: the line was not played as written (+5 read as 5): PLAKO_KBD(+5);", 1},
        {"a last line without its line end", "PLAKO_PERIODIC(2);\n\nPLAKO_PERIODIC(1);",
         "played to line 2; line 3 has no line end and was not played", 2},
        {"CR-only line ends", "PLAKO_PERIODIC(2);\rPLAKO_PERIODIC(1);\r",
         "stopped at line 1: the script ends a line with a CR alone, which is no line end (LF or CR LF are); "
         "the line runs into the end of the file and was not played",
         0},
        {"a CR alone between lines", "PLAKO_PERIODIC(1);\r\nPLAKO_PERIODIC(1);\rPLAKO_KBD(5);\r\n",
         "stopped at line 2: the script ends a line with a CR alone, which is no line end (LF or CR LF are)",
         2},
    };
    int n = 0;
    for (const Case &c : cases) {
        std::string out = "f" + std::to_string(n++);
        EXPECT_EQ(play(c.script, out), 1) << c.name;
        EXPECT_EQ(lines_, Lines{"cone-replay: " + c.outcome}) << c.name;
        EXPECT_EQ(frames_in(out).size(), c.frames) << c.name;
        EXPECT_EQ(play(c.script, out + "p", {"--allow-partial"}), 0) << c.name;
        EXPECT_EQ(lines_, Lines{"cone-replay: " + c.outcome}) << c.name;
    }
}

TEST_F(RunnerAsWritten, AProgramThatQuitsAtTheLastEventIsJudgedByWhatIsLeft) {
    // (-250, 132) is the cone decorator's Quit button: the program ends there by itself.
    const std::string quit = "PLAKO_PERIODIC(2);\nPLAKO_MOUSE(-250, 132);\n\n";
    EXPECT_EQ(play("\xEF\xBB\xBF" + quit, "marked"), 0) << "the click is read as a click, not a key";
    EXPECT_EQ(lines_, Lines{"cone-replay: played to the end"});
    EXPECT_EQ(play(quit + "PLAKO_PERIODIC(5);", "unended"), 1);
    EXPECT_EQ(lines_, Lines{"cone-replay: played to line 3; line 4 has no line end and was not played"});
}

}  // namespace
}  // namespace script_test
