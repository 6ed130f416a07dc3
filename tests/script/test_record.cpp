// Recording: what the event wait writes to PLAKO.SCR, line by line.
#include "harness.h"

namespace script_test {
namespace {

using Record = ScriptTest;

TEST_F(Record, TicksClickTicksCharacterGiveFourLines) {
    plako_set_run_mode(RUN_ANIMATE);
    choose(5);  // carried out by the next wait, before its tick
    for (int i = 0; i < 3; i++) ASSERT_EQ(next(), EVENT_PERIODIC);
    EXPECT_TRUE(checked(5));
    EXPECT_FALSE(std::filesystem::exists("PLAKO.SCR")) << "nothing written yet: the run of ticks is open";

    click_canvas(10, -20);
    int x = 0, y = 0;
    ASSERT_EQ(next(&x, &y), EVENT_MOUSE);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, -20);
    for (int i = 0; i < 2; i++) ASSERT_EQ(next(), EVENT_PERIODIC);
    headless_type(hwnd_, 'a');
    char key = 0;
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 'a');

    choose(5);
    ASSERT_EQ(next(), EVENT_PERIODIC);  // after recording stopped: not written
    EXPECT_FALSE(checked(5));
    EXPECT_EQ(read_file("PLAKO.SCR"),
              "PLAKO_PERIODIC(3);\nPLAKO_MOUSE(10, -20);\nPLAKO_PERIODIC(2);\nPLAKO_KBD(97);\n");
}

TEST_F(Record, OpenRunIsWrittenAtStopAndNextRecordingCountsFromZero) {
    plako_set_run_mode(RUN_ANIMATE);
    choose(5);
    for (int i = 0; i < 5; i++) ASSERT_EQ(next(), EVENT_PERIODIC);
    choose(5);
    ASSERT_EQ(next(), EVENT_PERIODIC);
    EXPECT_EQ(read_file("PLAKO.SCR"), "PLAKO_PERIODIC(5);\n");

    // A second recording replaces the file and starts its run from 0, not from 5.
    choose(5);
    for (int i = 0; i < 2; i++) ASSERT_EQ(next(), EVENT_PERIODIC);
    choose(5);
    ASSERT_EQ(next(), EVENT_PERIODIC);
    EXPECT_EQ(read_file("PLAKO.SCR"), "PLAKO_PERIODIC(2);\n");
}

TEST_F(Record, SwitchingOnAndOffWithNothingBetweenLeavesTheScript) {
    const std::string old = "PLAKO_KBD(65);\nPLAKO_PERIODIC(7);\n";
    write_file("PLAKO.SCR", old);
    // Halted: no tick can be recorded. The typed character only ends the wait after the commands.
    choose(5);
    choose(5);
    headless_type(hwnd_, 'q');
    ASSERT_EQ(next(), EVENT_KBD);
    EXPECT_FALSE(checked(5));
    EXPECT_EQ(read_file("PLAKO.SCR"), old);
}

TEST_F(Record, RecordingThatWritesReplacesTheWholeScript) {
    write_file("PLAKO.SCR", "PLAKO_KBD(65);\nPLAKO_PERIODIC(7);\n");
    choose(5);
    headless_type(hwnd_, 'q');
    ASSERT_EQ(next(), EVENT_KBD);
    choose(5);
    headless_type(hwnd_, 'w');
    ASSERT_EQ(next(), EVENT_KBD);  // recording is off by then
    EXPECT_EQ(read_file("PLAKO.SCR"), "PLAKO_KBD(113);\n");
}

TEST_F(Record, CharacterAbove127IsWrittenAsNegativeAndPlaysBack) {
    choose(5);
    headless_type(hwnd_, 233);
    char key = 0;
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ((unsigned char)key, 233);
    choose(5);
    headless_type(hwnd_, 'w');
    ASSERT_EQ(next(), EVENT_KBD);
    ASSERT_EQ(read_file("PLAKO.SCR"), "PLAKO_KBD(-23);\n");

    choose(6);
    key = 0;
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ((unsigned char)key, 233);
}

TEST_F(Record, QuitEventEmptiesTheFileWithoutALine) {
    write_file("PLAKO.SCR", "PLAKO_KBD(65);\n");
    choose(5);
    choose(8);
    ASSERT_EQ(next(), EVENT_QUIT);
    EXPECT_EQ(read_file("PLAKO.SCR"), "");
}

TEST_F(Record, PlayedEventsAreNotRecordedBecauseRecordingIsRefused) {
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(3);\nPLAKO_KBD(66);\n");
    choose(6);
    ASSERT_EQ(next(), EVENT_PERIODIC);
    choose(5);
    ASSERT_EQ(next(), EVENT_PERIODIC);  // the command's pass still plays the script
    EXPECT_EQ(count_lines("Cannot record while a script is playing\n"), 1);
    EXPECT_FALSE(checked(5));
    EXPECT_TRUE(checked(6));
    ASSERT_EQ(next(), EVENT_PERIODIC);
    char key = 0;
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 66);
    EXPECT_EQ(read_file("PLAKO.SCR"), "PLAKO_PERIODIC(3);\nPLAKO_KBD(66);\n");
}

}  // namespace
}  // namespace script_test
