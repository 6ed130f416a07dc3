// Playback and Play One: what the event wait delivers from PLAKO.SCR, and how playback ends.
#include "harness.h"

namespace script_test {
namespace {

using Playback = ScriptTest;

const char EOF_LINE[] = "EOF encountered in script file PLAKO.SCR\n";

TEST_F(Playback, PeriodicRunIsDeliveredWithoutTimerTicks) {
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(4);\nPLAKO_PERIODIC(0);\nPLAKO_KBD(120);\n");
    // Halted, the timer yields no periodic events: each one below comes from the script.
    choose(6);
    for (int i = 0; i < 4; i++) ASSERT_EQ(next(), EVENT_PERIODIC) << i;
    ASSERT_EQ(next(), EVENT_PERIODIC) << "a count of 0 still gives one tick";
    char key = 0;
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD) << "the count 0 gives exactly one";
    EXPECT_EQ(key, 'x');
    EXPECT_TRUE(checked(6));

    // At the end: the line, no check mark, and the package stays halted.
    type_at_wait('z');
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 'z');
    EXPECT_EQ(count_lines(EOF_LINE), 1);
    EXPECT_FALSE(checked(6));
}

TEST_F(Playback, StartingPlaybackHaltsTheAnimationForGood) {
    write_file("PLAKO.SCR", "PLAKO_KBD(65);\n");
    plako_set_run_mode(RUN_ANIMATE);
    ASSERT_EQ(next(), EVENT_PERIODIC);
    choose(6);
    char key = 0;
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD) << "the script's event replaces the armed tick";
    EXPECT_EQ(key, 65);
    // The script has ended. A tick would end the next wait within 100 ms; the character comes
    // only at the eleventh time the program waits, each wait moving the clock on to the next tick.
    DWORD start = headless_now();
    for (int i = 0; i < 10; i++) at_wait([] {});
    at_wait([this] { headless_type(hwnd_, 'z'); });
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 'z');
    EXPECT_GE(headless_now() - start, 500u) << "the wait did go on for several ticks";
}

TEST_F(Playback, PlayOneCrossesARunOneTickPerRequest) {
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(3);\nPLAKO_MOUSE(-7, 8);\n");
    plako_set_run_mode(RUN_ANIMATE);
    for (int i = 0; i < 3; i++) {
        choose(7);
        ASSERT_EQ(next(), EVENT_PERIODIC) << i;
        EXPECT_FALSE(checked(6));
    }
    choose(7);
    int x = 0, y = 0;
    ASSERT_EQ(next(&x, &y), EVENT_MOUSE);
    EXPECT_EQ(x, -7);
    EXPECT_EQ(y, 8);

    // Without a request the package is halted: the next event is live, not a tick.
    type_at_wait('a');
    ASSERT_EQ(next(), EVENT_KBD);

    // A request at the end reports it and delivers nothing; the wait goes on with live input.
    choose(7);
    type_at_wait('b');
    char key = 0;
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 'b');
    EXPECT_EQ(count_lines(EOF_LINE), 1);

    // The end closed the script: the next request starts from the first line again.
    choose(7);
    ASSERT_EQ(next(), EVENT_PERIODIC);
}

TEST_F(Playback, ReaderAcceptsLooseLines) {
    write_file("PLAKO.SCR",
               "\n\nPLAKO_MOUSE(3,-4);\n\n"  // empty lines skipped; no blank after the comma
               "xxxxxxK 66 junk\n"           // only the seventh character names the line
               "PLAKO_MOUSE(12-3, 9-)\n"     // a '-' inside a field ends its number
               "PLAKO_P(-5)\n"               // a count is digits only: the '-' is skipped
               "PLAKO_KBD(256);\r\n"         // the key is the low 8 bits
               "\r\n"
               "PLAKO_MOUSE(-2147483648, 2147483647);\n");
    choose(6);
    int x = 0, y = 0;
    char key = 0;
    ASSERT_EQ(next(&x, &y), EVENT_MOUSE);
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, -4);
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 66);
    ASSERT_EQ(next(&x, &y), EVENT_MOUSE);
    EXPECT_EQ(x, 12);
    EXPECT_EQ(y, 9);
    for (int i = 0; i < 5; i++) ASSERT_EQ(next(), EVENT_PERIODIC) << i;
    key = 1;
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 0);
    ASSERT_EQ(next(&x, &y), EVENT_MOUSE);
    EXPECT_EQ(x, -2147483647 - 1);
    EXPECT_EQ(y, 2147483647);
    EXPECT_TRUE(checked(6));
    EXPECT_TRUE(console_lines().empty());
}

TEST_F(Playback, LastLineWithoutLineEndIsNotPlayed) {
    write_file("PLAKO.SCR", "PLAKO_KBD(65);\nPLAKO_KBD(66);");
    choose(6);
    char key = 0;
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 65);
    type_at_wait('z');
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 'z');
    EXPECT_EQ(console_lines(), std::vector<std::string>{EOF_LINE});
}

TEST_F(Playback, NoScriptFileReportsAndGoesOnLive) {
    plako_set_run_mode(RUN_ANIMATE);
    choose(6);
    type_at_wait('z');
    char key = 0;
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD) << "the Playback command halted the animation";
    EXPECT_EQ(key, 'z');
    EXPECT_EQ(console_lines(), (std::vector<std::string>{"Cannot open script file PLAKO.SCR for reading\n",
                                                         "PLAKO.SCR: No such file or directory\n"}));
    EXPECT_FALSE(checked(6));
}

TEST_F(Playback, UnknownKindEndsPlaybackNamingTheLine) {
    // A line of blanks is not empty: its seventh character is a blank. Lines count from 1, empty
    // ones included, as an editor shows them.
    write_file("PLAKO.SCR", "PLAKO_KBD(65);\n\n       \nPLAKO_KBD(66);\n");
    choose(6);
    char key = 0;
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 65);
    type_at_wait('z');
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 'z');
    EXPECT_FALSE(checked(6));
    EXPECT_EQ(console_lines(),
              std::vector<std::string>{"Unknown kind of line 3 in script file PLAKO.SCR:        \n"});

    // Playback again starts from the first line: the end closed the file.
    choose(6);
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 65);
}

TEST_F(Playback, CommentsLowerCaseAndBinaryAreUnknownKinds) {
    const std::pair<std::string, std::string> cases[] = {
        {"# recorded today\n", "# recorded today"},
        {"plako_periodic(160);\n", "plako_periodic(160);"},
        {std::string("\x8f\x01\x00\xff\x10zz\x7f\n", 9), "\x8f??\xff?zz?"},
    };
    for (const auto &c : cases) {
        write_file("PLAKO.SCR", c.first + "PLAKO_KBD(66);\n");
        choose(6);
        type_at_wait('z');
        char key = 0;
        ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
        EXPECT_EQ(key, 'z') << c.second;
        EXPECT_EQ(console_lines().back(), "Unknown kind of line 1 in script file PLAKO.SCR: " + c.second + "\n");
    }
}

TEST_F(Playback, SwitchingOffAndOnKeepsTheRemainingTicks) {
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(3);\nPLAKO_KBD(65);\n");
    choose(6);
    ASSERT_EQ(next(), EVENT_PERIODIC);
    choose(6);  // off: the file is closed, the two owed ticks are kept
    type_at_wait('z');
    ASSERT_EQ(next(), EVENT_KBD);
    EXPECT_FALSE(checked(6));
    choose(6);
    ASSERT_EQ(next(), EVENT_PERIODIC);
    ASSERT_EQ(next(), EVENT_PERIODIC);
    ASSERT_EQ(next(), EVENT_PERIODIC) << "the reopened file starts again with its first line";
}

TEST_F(Playback, QuitDuringPlaybackReturnsTheQuitEvent) {
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(1000);\n");
    choose(6);
    for (int i = 0; i < 10; i++) ASSERT_EQ(next(), EVENT_PERIODIC);
    choose(8);
    // The command's pass still plays one event; the pass that takes the quit message does not.
    int kind = next();
    if (kind != EVENT_QUIT) kind = next();
    EXPECT_EQ(kind, EVENT_QUIT);
}

TEST_F(Playback, CloseBoxDuringPlaybackReturnsTheQuitEvent) {
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(1000);\n");
    choose(6);
    ASSERT_EQ(next(), EVENT_PERIODIC);
    headless_close(hwnd_);
    int kind = EVENT_PERIODIC;
    for (int i = 0; i < 3 && kind == EVENT_PERIODIC; i++) kind = next();
    EXPECT_EQ(kind, EVENT_QUIT);
}

}  // namespace
}  // namespace script_test
