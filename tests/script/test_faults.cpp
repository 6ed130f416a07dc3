// Faults of the script file and of its two directions: a killed recorder, a full disk, both
// directions at once, and lines the reader cannot play.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "harness.h"

namespace script_test {
namespace {

using Faults = ScriptTest;

TEST(FaultsKilled, RecorderKilledKeepsEveryRecordedEvent) {
    TempDir dir;
    int status = 0;
    ASSERT_TRUE(run_child(
        [] {
            // The child records and dies without stopping the recording or closing anything.
            plako_test::HeadlessRun run;
            run.start_package();
            HWND hwnd = run.window();
            int x, y;
            char key;
            plako_set_run_mode(RUN_ANIMATE);
            headless_menu_choose(hwnd, 5);
            for (int i = 0; i < 3; i++) plako_next_event(&x, &y, &key);
            run.click(10, -20);
            plako_next_event(&x, &y, &key);
            for (int i = 0; i < 2; i++) plako_next_event(&x, &y, &key);
            headless_type(hwnd, 'k');
            plako_next_event(&x, &y, &key);
            raise(SIGKILL);
        },
        &status));
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    // The last run of ticks was still open, so it is not a line yet; everything before it is.
    EXPECT_EQ(read_file("PLAKO.SCR"),
              "PLAKO_PERIODIC(3);\nPLAKO_MOUSE(10, -20);\nPLAKO_PERIODIC(2);\nPLAKO_KBD(107);\n");
}

TEST_F(Faults, PlaybackAndPlayOneAreRefusedWhileRecording) {
    write_file("PLAKO.SCR", "PLAKO_KBD(65);\n");
    choose(5);
    choose(6);
    choose(7);
    headless_type(hwnd_, 'q');
    char key = 0;
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 'q') << "the script was not played";
    EXPECT_EQ(count_lines("Cannot play a script while recording\n"), 2);
    EXPECT_TRUE(checked(5));
    EXPECT_FALSE(checked(6));
    choose(5);
    headless_type(hwnd_, 'w');
    ASSERT_EQ(next(), EVENT_KBD);
    EXPECT_EQ(read_file("PLAKO.SCR"), "PLAKO_KBD(113);\n");
}

TEST_F(Faults, RecordingAfterPlayOneClosesTheReaderAndCountsAnew) {
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(3);\nPLAKO_KBD(65);\n");
    choose(7);
    ASSERT_EQ(next(), EVENT_PERIODIC);  // the reader stays open and owes two ticks
    plako_set_run_mode(RUN_ANIMATE);
    choose(5);
    for (int i = 0; i < 4; i++) ASSERT_EQ(next(), EVENT_PERIODIC);
    choose(5);
    ASSERT_EQ(next(), EVENT_PERIODIC);
    EXPECT_TRUE(console_lines().empty());
    EXPECT_EQ(read_file("PLAKO.SCR"), "PLAKO_PERIODIC(4);\n");
}

// Each bad line follows a good one and comes before another: the good one plays, the bad one
// ends playback with a line naming it, and the one after it is never played.
struct BadLine {
    const char *name;
    const char *line;
    const char *shown;  // as the report quotes it
};
const BadLine bad_lines[] = {
    {"FieldOf12", "PLAKO_MOUSE(123456789012, 5);", "PLAKO_MOUSE(123456789012, 5);"},
    {"LongZeros", "PLAKO_KBD(000000000000000000000000065);", "PLAKO_KBD(000000000000000000000000065);"},
    {"LongMinuses", "PLAKO_KBD(--------------------1);", "PLAKO_KBD(--------------------1);"},
    {"FourCharacters", "PLAK", "PLAK"},
    {"PrefixOnly", "PLAKO_", "PLAKO_"},
    {"MouseWithoutY", "PLAKO_MOUSE(5);", "PLAKO_MOUSE(5);"},
    {"MouseWithoutNumbers", "PLAKO_MOUSE();", "PLAKO_MOUSE();"},
    {"KeyWithoutNumber", "PLAKO_KBD();", "PLAKO_KBD();"},
    {"CountWithoutDigits", "PLAKO_PERIODIC(-);", "PLAKO_PERIODIC(-);"},
    {"XBeyondInt32", "PLAKO_MOUSE(2147483648, 0);", "PLAKO_MOUSE(2147483648, 0);"},
    {"YBelowInt32", "PLAKO_MOUSE(0, -2147483649);", "PLAKO_MOUSE(0, -2147483649);"},
    {"KeyBeyondInt32", "PLAKO_KBD(99999999999);", "PLAKO_KBD(99999999999);"},
    {"CountBeyondInt32", "PLAKO_PERIODIC(2147483648);", "PLAKO_PERIODIC(2147483648);"},
    {"ControlCharacters", "PLAKO_KBD(\x01\x02\x7f);",
     "PLAKO_KBD(?"
     "?"
     "?);"},
};

class BadLines : public ScriptTest, public ::testing::WithParamInterface<BadLine> {};

TEST_P(BadLines, EndPlaybackWithALineNamingThem) {
    write_file("PLAKO.SCR", std::string("PLAKO_KBD(65);\n") + GetParam().line + "\nPLAKO_KBD(66);\n");
    choose(6);
    char key = 0;
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 65);
    type_at_wait('z');
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 'z') << "the line after the bad one was played";
    EXPECT_FALSE(checked(6));
    EXPECT_EQ(console_lines(), std::vector<std::string>{std::string("Bad line 2 in script file PLAKO.SCR: ") +
                                                        GetParam().shown + "\n"});
}

INSTANTIATE_TEST_SUITE_P(Table, BadLines, ::testing::ValuesIn(bad_lines),
                         [](const ::testing::TestParamInfo<BadLine> &info) { return info.param.name; });

TEST_F(Faults, OverlongLineIsOneBadLine) {
    // 2000 characters: reported once, by its number, quoted up to a bound; nothing of it plays.
    std::string line = "PLAKO_KBD(" + std::string(2000, 'x') + "65);";
    write_file("PLAKO.SCR", "\n" + line + "\nPLAKO_KBD(66);\n");
    choose(6);
    type_at_wait('z');
    char key = 0;
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 'z');
    EXPECT_EQ(console_lines(), std::vector<std::string>{
                                   "Bad line 2 in script file PLAKO.SCR (more than 511 characters with its "
                                   "line end): " +
                                   line.substr(0, 60) + "...\n"});
}

TEST_F(Faults, OverlongLineWithAPlayableStartIsNotPlayed) {
    // Cut at 511 characters, the start would play as a key and the blank tail as an unknown line.
    write_file("PLAKO.SCR", "PLAKO_KBD(65);" + std::string(600, ' ') + "\nPLAKO_KBD(66);\n");
    choose(6);
    type_at_wait('z');
    char key = 0;
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 'z');
    std::vector<std::string> lines = console_lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("Bad line 1 in script file PLAKO.SCR (more than 511", 0), 0u) << lines[0];

    // The longest line that fits: 510 characters and its line end.
    write_file("PLAKO.SCR", "PLAKO_KBD(67);" + std::string(496, ' ') + "\n");
    choose(6);
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 67);
}

TEST_F(Faults, LargestCountPlays) {
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(2147483647);\n");
    for (int i = 0; i < 3; i++) {
        choose(7);
        ASSERT_EQ(next(), EVENT_PERIODIC);
    }
    EXPECT_TRUE(console_lines().empty());
}

}  // namespace
}  // namespace script_test
