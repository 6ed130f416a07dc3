// What PLAKO.SCR may turn out to be, and what may happen to it while it is recorded: files that are
// no regular files (a FIFO, a pipe behind /dev/stdin, a device, a directory), a file system that
// runs out of room in the middle of a line, and a file deleted, replaced or emptied under the
// recording.
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "harness.h"

namespace script_test {
namespace {

using Files = ScriptTest;

const char OPEN_READ[] = "Cannot open script file PLAKO.SCR for reading\n";
const char OPEN_WRITE[] = "Cannot open script file PLAKO.SCR for writing\n";

TEST_F(Files, FifoIsRefusedInBothDirectionsWithoutBlocking) {
    // Nobody holds the other end: a blocking open would wait for ever.
    ASSERT_EQ(mkfifo("PLAKO.SCR", 0600), 0);
    choose(6);
    type_at_wait('z');
    char key = 0;
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 'z');
    EXPECT_FALSE(checked(6));
    EXPECT_EQ(console_lines(),
              (std::vector<std::string>{OPEN_READ, "PLAKO.SCR is a FIFO or pipe, not a regular file\n"}));

    choose(5);
    headless_type(hwnd_, 'y');
    ASSERT_EQ(next(), EVENT_KBD);
    std::vector<std::string> lines = console_lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2], OPEN_WRITE);
    EXPECT_EQ(lines[3], "PLAKO.SCR is a FIFO or pipe, not a regular file\n");
    struct stat st;
    ASSERT_EQ(stat("PLAKO.SCR", &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO is left as it was";
}

TEST_F(Files, PipeBehindStandardInputIsRefused) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    int saved = dup(0);
    ASSERT_EQ(dup2(fds[0], 0), 0);
    ASSERT_EQ(write(fds[1], "PLAKO_KBD(65);\n", 15), 15);
    ASSERT_EQ(symlink("/dev/stdin", "PLAKO.SCR"), 0);
    choose(6);
    type_at_wait('z');
    char key = 0;
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 'z') << "nothing is played from a pipe";
    EXPECT_EQ(console_lines(),
              (std::vector<std::string>{OPEN_READ, "PLAKO.SCR is a FIFO or pipe, not a regular file\n"}));
    dup2(saved, 0);
    close(saved);
    close(fds[0]);
    close(fds[1]);
}

TEST_F(Files, DeviceAndDirectoryAreNamedAndTriedAgainAtEveryEvent) {
    ASSERT_EQ(symlink("/dev/full", "PLAKO.SCR"), 0);
    choose(5);
    headless_type(hwnd_, 'x');
    ASSERT_EQ(next(), EVENT_KBD);
    EXPECT_EQ(console_lines(), (std::vector<std::string>{
                                   OPEN_WRITE, "PLAKO.SCR is a character device, not a regular file\n"}));

    // The recording stays on and tries again at every event, each time with its reason.
    ASSERT_EQ(unlink("PLAKO.SCR"), 0);
    ASSERT_EQ(mkdir("PLAKO.SCR", 0700), 0);
    headless_type(hwnd_, 'y');
    ASSERT_EQ(next(), EVENT_KBD);
    headless_type(hwnd_, 'z');
    ASSERT_EQ(next(), EVENT_KBD);
    EXPECT_EQ(count_lines(OPEN_WRITE), 3);
    EXPECT_EQ(count_lines("PLAKO.SCR is a directory, not a regular file\n"), 2);
    EXPECT_TRUE(checked(5));

    // Playing a directory is refused the same way.
    choose(5);
    choose(6);
    type_at_wait('w');
    ASSERT_EQ(next(), EVENT_KBD);
    EXPECT_EQ(console_lines().back(), "PLAKO.SCR is a directory, not a regular file\n");
    EXPECT_EQ(console_lines()[console_lines().size() - 2], OPEN_READ);
}

TEST_F(Files, MissingDirectoryGivesTheSystemsReason) {
    // The working directory itself is gone: nothing can be created in it.
    ASSERT_EQ(rmdir(dir_.path().c_str()), 0);
    choose(5);
    headless_type(hwnd_, 'x');
    ASSERT_EQ(next(), EVENT_KBD);
    EXPECT_EQ(console_lines(),
              (std::vector<std::string>{OPEN_WRITE, "PLAKO.SCR: No such file or directory\n"}));
}

TEST_F(Files, PermissionDeniedGivesTheSystemsReason) {
    if (geteuid() == 0) GTEST_SKIP() << "running as root: file permissions do not stop root";
    write_file("PLAKO.SCR", "PLAKO_KBD(65);\n");
    ASSERT_EQ(chmod("PLAKO.SCR", 0), 0);
    choose(6);
    type_at_wait('z');
    ASSERT_EQ(next(), EVENT_KBD);
    EXPECT_EQ(console_lines(), (std::vector<std::string>{OPEN_READ, "PLAKO.SCR: Permission denied\n"}));
}

TEST_F(Files, FullDiskCutsBackToTheLastWholeLineAndEndsRecording) {
    const std::string line = "PLAKO_KBD(97);\n";  // 15 bytes
    {
        // Room for three lines and a third of the fourth: its write is cut short.
        FileSizeLimit limit(50);
        ASSERT_TRUE(limit.ok());
        choose(5);
        for (int i = 0; i < 3; i++) {
            headless_type(hwnd_, 'a');
            ASSERT_EQ(next(), EVENT_KBD);
        }
        EXPECT_TRUE(console_lines().empty());
        headless_type(hwnd_, 'a');
        ASSERT_EQ(next(), EVENT_KBD);
        EXPECT_EQ(
            console_lines(),
            std::vector<std::string>{"Cannot write script file PLAKO.SCR: File too large; recording stopped, "
                                     "the file holds 3 lines\n"});
        EXPECT_FALSE(checked(5)) << "the Record item loses its check mark";
        // Recording has ended: later events neither write nor report.
        for (int i = 0; i < 5; i++) {
            headless_type(hwnd_, 'b');
            ASSERT_EQ(next(), EVENT_KBD);
        }
        EXPECT_EQ(console_lines().size(), 1u);
    }
    EXPECT_EQ(read_file("PLAKO.SCR"), line + line + line) << "no half line is left behind";

    // And what was kept plays back whole.
    choose(6);
    for (int i = 0; i < 3; i++) {
        char key = 0;
        ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
        EXPECT_EQ(key, 'a');
    }
}

TEST_F(Files, FullDiskOnTheRunOfTicksLosesNoLineBeforeIt) {
    {
        FileSizeLimit limit(20);  // the click fits (22 bytes do not: room for 20)
        ASSERT_TRUE(limit.ok());
        plako_set_run_mode(RUN_ANIMATE);
        choose(5);
        click_canvas(1, 2);
        ASSERT_EQ(next(), EVENT_MOUSE);
        for (int i = 0; i < 3; i++) ASSERT_EQ(next(), EVENT_PERIODIC);
        click_canvas(3, 4);  // the run of three ticks is written first, and does not fit
        ASSERT_EQ(next(), EVENT_MOUSE);
        EXPECT_FALSE(checked(5));
        EXPECT_EQ(
            count_lines("Cannot write script file PLAKO.SCR: File too large; recording stopped, the file "
                        "holds 1 line\n"),
            1);
    }
    EXPECT_EQ(read_file("PLAKO.SCR"), "PLAKO_MOUSE(1, 2);\n");
}

// Records one key, lets `change` act on the file, then records another key.
void record_change_record(ScriptTest *t, HWND hwnd, const std::function<void()> &change,
                          const std::function<int()> &next_fn) {
    (void)t;
    headless_type(hwnd, 'a');
    ASSERT_EQ(next_fn(), EVENT_KBD);
    change();
    headless_type(hwnd, 'b');
    ASSERT_EQ(next_fn(), EVENT_KBD);
}

TEST_F(Files, DeletedScriptEndsRecordingAtTheNextWrite) {
    choose(5);
    record_change_record(
        this, hwnd_, [] { ASSERT_EQ(unlink("PLAKO.SCR"), 0); }, [this] { return next(); });
    EXPECT_EQ(console_lines(),
              std::vector<std::string>{"Recording stopped: script file PLAKO.SCR was deleted or "
                                       "moved away while recording; 1 line had been written\n"});
    EXPECT_FALSE(checked(5));
    EXPECT_FALSE(std::filesystem::exists("PLAKO.SCR")) << "no new file is started behind the user's back";
}

TEST_F(Files, ReplacedScriptIsLeftAlone) {
    choose(5);
    record_change_record(
        this, hwnd_,
        [] {
            write_file("other", "someone else's\n");
            ASSERT_EQ(rename("other", "PLAKO.SCR"), 0);
        },
        [this] { return next(); });
    EXPECT_EQ(console_lines(),
              std::vector<std::string>{"Recording stopped: script file PLAKO.SCR was replaced by "
                                       "another file while recording; 1 line had been written\n"});
    EXPECT_EQ(read_file("PLAKO.SCR"), "someone else's\n");
    EXPECT_FALSE(checked(5));
}

TEST_F(Files, EmptiedScriptGetsNoHole) {
    choose(5);
    record_change_record(
        this, hwnd_, [] { ASSERT_EQ(truncate("PLAKO.SCR", 0), 0); }, [this] { return next(); });
    EXPECT_EQ(console_lines(),
              std::vector<std::string>{"Recording stopped: script file PLAKO.SCR was emptied or "
                                       "cut short while recording; 1 line had been written\n"});
    EXPECT_EQ(read_file("PLAKO.SCR"), "") << "nothing written at the old offset";
}

TEST_F(Files, DeletionIsReportedWhenRecordingStopsWithNothingOwed) {
    choose(5);
    headless_type(hwnd_, 'a');
    ASSERT_EQ(next(), EVENT_KBD);
    // The whole directory goes, file and all.
    std::filesystem::remove_all(dir_.path());
    choose(5);
    type_at_wait('c');
    ASSERT_EQ(next(), EVENT_KBD);
    EXPECT_EQ(console_lines(),
              std::vector<std::string>{"Recording stopped: script file PLAKO.SCR was deleted or "
                                       "moved away while recording; 1 line had been written\n"});
    EXPECT_FALSE(checked(5));
}

TEST_F(Files, UntouchedScriptRecordsOnAcrossManyLines) {
    // The check before each line must not mistake our own growth for someone else's.
    choose(5);
    std::string expected;
    for (int i = 0; i < 40; i++) {
        headless_type(hwnd_, (unsigned char)('a' + i % 26));
        ASSERT_EQ(next(), EVENT_KBD);
        expected += "PLAKO_KBD(" + std::to_string('a' + i % 26) + ");\n";
    }
    choose(5);
    type_at_wait('z');
    ASSERT_EQ(next(), EVENT_KBD);
    EXPECT_TRUE(console_lines().empty());
    EXPECT_EQ(read_file("PLAKO.SCR"), expected);
}

}  // namespace
}  // namespace script_test
