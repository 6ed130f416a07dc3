// One recorder per script file, a file size limit that must not kill the program, and a stop the
// user sees: other programs holding PLAKO.SCR (a lock of the test's own, a second process, one
// killed while it held the file), a real size limit with its signal left as it comes, and the
// console shown by every fault that ends a recording.
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include "harness.h"

namespace script_test {
namespace {

using Recorders = ScriptTest;

const char OPEN_READ[] = "Cannot open script file PLAKO.SCR for reading\n";
const char OPEN_WRITE[] = "Cannot open script file PLAKO.SCR for writing\n";
const char RECORDED[] = "PLAKO.SCR is being recorded by another program\n";
const char PLAYED[] = "PLAKO.SCR is being played by another program\n";

int console_visible() { return IsWindowVisible(window_console()) ? 1 : 0; }

// Holds PLAKO.SCR the way another program's package would: a descriptor of its own with a lock.
class OtherProgram {
   public:
    explicit OtherProgram(int lock) : fd_(open("PLAKO.SCR", O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
        EXPECT_GE(fd_, 0);
        EXPECT_EQ(flock(fd_, lock | LOCK_NB), 0);
    }
    ~OtherProgram() { close(fd_); }
    OtherProgram(const OtherProgram &) = delete;
    OtherProgram &operator=(const OtherProgram &) = delete;

   private:
    int fd_;
};

TEST_F(Recorders, FileHeldByAnotherProgramIsRefusedAtRecordAndLeftWhole) {
    struct Case {
        int lock;
        const char *why;
    } cases[] = {{LOCK_EX, RECORDED}, {LOCK_SH, PLAYED}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        write_file("PLAKO.SCR", "PLAKO_KBD(65);\n");
        plako_show_console(0);
        {
            OtherProgram other(c.lock);
            choose(5);
            headless_type(hwnd_, 'x');
            ASSERT_EQ(next(), EVENT_KBD);
        }
        EXPECT_FALSE(checked(5)) << "recording never started";
        EXPECT_TRUE(console_visible());
        std::vector<std::string> lines = console_lines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - 2], OPEN_WRITE);
        EXPECT_EQ(lines.back(), c.why);
        EXPECT_EQ(read_file("PLAKO.SCR"), "PLAKO_KBD(65);\n");
    }
    EXPECT_EQ(console_lines().size(), 4u) << "one refusal each, not a line per event";
}

TEST_F(Recorders, FileTakenBetweenRecordAndTheFirstLineIsNotEmptied) {
    write_file("PLAKO.SCR", "PLAKO_KBD(65);\n");
    // Ticks are counted, not written: recording is on and the file not yet opened.
    plako_set_run_mode(RUN_ANIMATE);
    choose(5);
    ASSERT_EQ(next(), EVENT_PERIODIC);
    ASSERT_TRUE(checked(5));
    {
        OtherProgram other(LOCK_EX);  // it started writing before our first line
        for (char ch : {'x', 'y'}) {
            headless_type(hwnd_, (unsigned char)ch);
            while (next() != EVENT_KBD) {
            }
        }
    }
    plako_set_run_mode(RUN_HALT);
    EXPECT_EQ(console_lines(), (std::vector<std::string>{OPEN_WRITE, RECORDED}));
    EXPECT_FALSE(checked(5));
    EXPECT_TRUE(console_visible());
    EXPECT_EQ(read_file("PLAKO.SCR"), "PLAKO_KBD(65);\n") << "the other program's file is not emptied";

    // Once the other program let go, recording starts again as usual.
    choose(5);
    headless_type(hwnd_, 'z');
    ASSERT_EQ(next(), EVENT_KBD);
    choose(5);
    type_at_wait('w');
    ASSERT_EQ(next(), EVENT_KBD);
    EXPECT_EQ(read_file("PLAKO.SCR"), "PLAKO_KBD(122);\n");
}

TEST_F(Recorders, PlaybackOfAFileBeingRecordedIsRefused) {
    write_file("PLAKO.SCR", "PLAKO_KBD(65);\n");
    {
        OtherProgram other(LOCK_EX);
        choose(6);
        type_at_wait('z');
        char key = 0;
        ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
        EXPECT_EQ(key, 'z') << "nothing is played";
    }
    EXPECT_FALSE(checked(6));
    EXPECT_EQ(console_lines(), (std::vector<std::string>{OPEN_READ, RECORDED}));
    // Other players do not stand in the way.
    OtherProgram player(LOCK_SH);
    choose(6);
    char key = 0;
    ASSERT_EQ(next(nullptr, nullptr, &key), EVENT_KBD);
    EXPECT_EQ(key, 'A');
}

// Writes what a child saw, one item a line, for the parent to compare.
void report(const std::string &file, const std::vector<std::string> &items) {
    std::string text;
    for (const std::string &i : items) text += i;
    write_file(file, text);
}

// Events typed into the package's window, each taken by the wait.
void type_keys(HWND hwnd, const std::string &keys) {
    int x, y;
    char key;
    for (char ch : keys) {
        headless_type(hwnd, (unsigned char)ch);
        plako_next_event(&x, &y, &key);
    }
}

TEST(RecordersTwoProcesses, SecondRecorderIsRefusedAndTheFirstGoesOn) {
    TempDir dir;
    int ready[2], go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    pid_t first = fork();
    ASSERT_GE(first, 0);
    if (first == 0) {
        // Records one key, lets the second program try, then records another and stops.
        plako_test::HeadlessRun run;
        run.start_package();
        HWND hwnd = run.window();
        headless_menu_choose(hwnd, 5);
        type_keys(hwnd, "a");
        char byte = 1;
        if (write(ready[1], &byte, 1) != 1 || read(go[0], &byte, 1) != 1) _exit(3);
        type_keys(hwnd, "c");
        headless_menu_choose(hwnd, 5);
        type_keys(hwnd, "q");  // carries the menu choice out
        report("first.txt", console_lines());
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    int status = 0;
    ASSERT_TRUE(run_child(
        [] {
            // The same key's line has the same length: only the lock tells the two apart.
            plako_test::HeadlessRun run;
            run.start_package();
            HWND hwnd = run.window();
            plako_show_console(0);
            headless_menu_choose(hwnd, 5);
            type_keys(hwnd, "b");
            int record_checked = (headless_menu_state(hwnd, 5) & MF_CHECKED) != 0;
            int visible = console_visible();
            headless_menu_choose(hwnd, 6);
            type_keys(hwnd, "d");
            std::vector<std::string> items = console_lines();
            items.push_back("checked " + std::to_string(record_checked) + "\n");
            items.push_back("visible " + std::to_string(visible) + "\n");
            report("second.txt", items);
        },
        &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_EQ(write(go[1], &byte, 1), 1);
    ASSERT_EQ(waitpid(first, &status, 0), first);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    for (int fd : {ready[0], ready[1], go[0], go[1]}) close(fd);

    EXPECT_EQ(read_file("PLAKO.SCR"), "PLAKO_KBD(97);\nPLAKO_KBD(99);\n")
        << "the first recording, undisturbed";
    EXPECT_EQ(read_file("first.txt"), "");
    EXPECT_EQ(read_file("second.txt"),
              std::string(OPEN_WRITE) + RECORDED + OPEN_READ + RECORDED + "checked 0\nvisible 1\n");
}

TEST(RecordersTwoProcesses, LockOfAKilledRecorderHoldsNobodyUp) {
    TempDir dir;
    int status = 0;
    ASSERT_TRUE(run_child(
        [] {
            plako_test::HeadlessRun run;
            run.start_package();
            headless_menu_choose(run.window(), 5);
            type_keys(run.window(), "a");
            raise(SIGKILL);
        },
        &status));
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_EQ(read_file("PLAKO.SCR"), "PLAKO_KBD(97);\n");
    ASSERT_TRUE(run_child(
        [] {
            plako_test::HeadlessRun run;
            run.start_package();
            headless_menu_choose(run.window(), 5);
            type_keys(run.window(), "b");
            report("lines.txt", console_lines());
        },
        &status));
    EXPECT_EQ(read_file("lines.txt"), "");
    EXPECT_EQ(read_file("PLAKO.SCR"), "PLAKO_KBD(98);\n");
}

TEST(RecordersSizeLimit, LimitCutsTheScriptBackInsteadOfKillingTheProgram) {
    TempDir dir;
    int status = 0;
    ASSERT_TRUE(run_child(
        [] {
            // As `prlimit --fsize=50` would start it: the signal as it comes, the limit for real.
            signal(SIGXFSZ, SIG_DFL);
            struct rlimit lim;
            getrlimit(RLIMIT_FSIZE, &lim);
            const struct rlimit unlimited = lim;
            lim.rlim_cur = 50;  // three lines of 15 bytes and a third of the fourth
            if (setrlimit(RLIMIT_FSIZE, &lim) != 0) _exit(4);
            plako_test::HeadlessRun run;
            run.start_package();
            HWND hwnd = run.window();
            plako_show_console(0);
            headless_menu_choose(hwnd, 5);
            type_keys(hwnd, "aaaab");
            std::vector<std::string> items = console_lines();
            items.push_back("checked " + std::to_string((headless_menu_state(hwnd, 5) & MF_CHECKED) != 0) +
                            "\n");
            items.push_back("visible " + std::to_string(console_visible()) + "\n");
            setrlimit(RLIMIT_FSIZE, &unlimited);
            report("lines.txt", items);
        },
        &status));
    ASSERT_FALSE(WIFSIGNALED(status)) << "killed by signal " << WTERMSIG(status);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(read_file("PLAKO.SCR"), "PLAKO_KBD(97);\nPLAKO_KBD(97);\nPLAKO_KBD(97);\n");
    EXPECT_EQ(read_file("lines.txt"),
              "Cannot write script file PLAKO.SCR: File too large; recording stopped, the file holds 3 "
              "lines\nchecked 0\nvisible 1\n");
    struct sigaction now;
    ASSERT_EQ(sigaction(SIGXFSZ, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << "the program's own handling is given back after the write";
}

// Every fault that ends a recording shows the console, where its line is.
struct Stop {
    const char *name;
    void (*fault)();   // done between the first key and the second
    int size_limited;  // the second key's line meets a file size limit
    const char *line;  // how the console line starts
};

void PrintTo(const Stop &stop, std::ostream *os) { *os << stop.name; }

class StopsSeen : public ScriptTest, public ::testing::WithParamInterface<Stop> {};

TEST_P(StopsSeen, ConsoleShowsTheLine) {
    ASSERT_FALSE(console_visible());
    choose(5);
    headless_type(hwnd_, 'a');
    ASSERT_EQ(next(), EVENT_KBD);
    GetParam().fault();
    {
        std::unique_ptr<FileSizeLimit> limit;
        if (GetParam().size_limited) limit.reset(new FileSizeLimit(20));  // the first line and 5 bytes
        headless_type(hwnd_, 'b');
        ASSERT_EQ(next(), EVENT_KBD);
    }
    EXPECT_TRUE(console_visible());
    EXPECT_FALSE(checked(5));
    std::vector<std::string> lines = console_lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind(GetParam().line, 0), 0u) << lines[0];
}

const Stop stops[] = {
    {"SizeLimit", [] {}, 1, "Cannot write script file PLAKO.SCR: File too large"},
    {"Deleted", [] { ASSERT_EQ(unlink("PLAKO.SCR"), 0); }, 0,
     "Recording stopped: script file PLAKO.SCR was deleted"},
    {"Replaced",
     [] {
         write_file("theirs", "PLAKO_KBD(98);\n");
         ASSERT_EQ(rename("theirs", "PLAKO.SCR"), 0);
     },
     0, "Recording stopped: script file PLAKO.SCR was replaced"},
    {"Emptied", [] { ASSERT_EQ(truncate("PLAKO.SCR", 0), 0); }, 0,
     "Recording stopped: script file PLAKO.SCR was emptied"},
    {"Appended",
     [] {
         std::ofstream out("PLAKO.SCR", std::ios::app);
         out << "PLAKO_KBD(98);\n";
     },
     0, "Recording stopped: script file PLAKO.SCR was written to by another program"},
};

INSTANTIATE_TEST_SUITE_P(Table, StopsSeen, ::testing::ValuesIn(stops),
                         [](const ::testing::TestParamInfo<Stop> &info) { return info.param.name; });

TEST_F(Recorders, StopOfTheUsersOwnAndAWorkingRecordingKeepTheConsoleHidden) {
    choose(5);
    headless_type(hwnd_, 'a');
    ASSERT_EQ(next(), EVENT_KBD);
    choose(5);
    type_at_wait('c');
    ASSERT_EQ(next(), EVENT_KBD);
    EXPECT_FALSE(console_visible());
    EXPECT_TRUE(console_lines().empty());
}

TEST_F(Recorders, FileThatCannotBeOpenedShowsTheConsoleWhileRecordingStaysOn) {
    ASSERT_EQ(mkdir("PLAKO.SCR", 0700), 0);
    choose(5);
    headless_type(hwnd_, 'a');
    ASSERT_EQ(next(), EVENT_KBD);
    EXPECT_TRUE(console_visible());
    EXPECT_TRUE(checked(5)) << "it tries again at the next event";
}

}  // namespace
}  // namespace script_test
