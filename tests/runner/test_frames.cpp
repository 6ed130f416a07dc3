// Where the runner's frames and lines land, with the faults made for real: a file size limit with
// its signal as it comes, a link planted under a frame's name, a read-only output folder, and a
// standard output that is a closed pipe or a full device.
#include <signal.h>
#include <sys/stat.h>

#include "tool.h"

namespace script_test {
namespace {

const char CONE[] = PLAKO_BINARY_DIR "/cone-replay";

using Lines = std::vector<std::string>;

// Runs cone-replay with args, standard output set up by `out` in the child; returns the exit
// status (128 + the signal that ended it) and its own lines on standard error.
int run_cone(const std::vector<std::string> &args, const std::function<bool()> &out, Lines *lines) {
    std::vector<std::string> copy = {CONE};
    copy.insert(copy.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &a : copy) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    int status = 0;
    bool ran = plako_test::run_child(
        [&] {
            // The signals as a shell would leave them: the runner must see to them itself.
            signal(SIGPIPE, SIG_DFL);
            signal(SIGXFSZ, SIG_DFL);
            int e = open("tool.err", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (e < 0 || dup2(e, 2) < 0 || !out()) _exit(126);
            execv(argv[0], argv.data());
            _exit(127);
        },
        &status);
    if (!ran) return -1;
    *lines = own_lines(read_file("tool.err"), "cone-replay");
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Standard output into a file of the working directory.
bool out_to_file() {
    int o = open("tool.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    return o >= 0 && dup2(o, 1) >= 0;
}

TEST(Frames, SizeLimitStopsTheRunWithTheFrameNamedAndNothingLeft) {
    TempDir dir;
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(3);\n");
    Lines lines;
    // As `prlimit --fsize=5000 cone-replay -o f` runs it: no frame fits, and the signal is not ignored.
    int status = run_cone(
        {"-o", "f"},
        [] {
            struct rlimit lim;
            getrlimit(RLIMIT_FSIZE, &lim);
            lim.rlim_cur = 5000;
            return out_to_file() && setrlimit(RLIMIT_FSIZE, &lim) == 0;
        },
        &lines);
    EXPECT_EQ(status, 1) << "not killed by SIGXFSZ (153)";
    EXPECT_EQ(lines, Lines{"cone-replay: cannot write " + dir.path() +
                           "/f/frame-000000.png: File too large; stopped at frame 0"});
    EXPECT_TRUE(frames_in("f").empty()) << "neither the frame nor its temporary file is left";
}

TEST(Frames, LinkUnderAFramesNameIsReplacedNotFollowed) {
    TempDir dir;
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(2);\n");
    write_file("victim", "keep");
    ASSERT_TRUE(std::filesystem::create_directory("f"));
    ASSERT_EQ(symlink((dir.path() + "/victim").c_str(), "f/frame-000000.png"), 0);
    ASSERT_EQ(symlink((dir.path() + "/made-through-a-link").c_str(), "f/frame-000001.png"), 0);
    Lines lines;
    EXPECT_EQ(run_cone({"-o", "f"}, out_to_file, &lines), 0);
    EXPECT_EQ(lines, Lines{"cone-replay: played to the end"});
    EXPECT_EQ(read_file("victim"), "keep");
    EXPECT_FALSE(std::filesystem::exists("made-through-a-link"));
    ASSERT_EQ(frames_in("f"), (Lines{"frame-000000.png", "frame-000001.png"}));
    for (const std::string &name : frames_in("f")) {
        struct stat st;
        ASSERT_EQ(lstat(("f/" + name).c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode)) << name;
        Image img;
        EXPECT_TRUE(load_png("f/" + name, &img)) << name;
    }
}

TEST(Frames, ReadOnlyOutputIsFoundBeforeTheScriptPlays) {
    TempDir dir;
    std::string o, e;
    if (run_command({"unshare", "-rm", "true"}, &o, &e) != 0)
        GTEST_SKIP() << "no user namespaces here (unshare -rm fails): no read-only mount can be made";
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(3);\n");
    ASSERT_TRUE(std::filesystem::create_directory("ro"));
    // Each run on a read-only bind mount of ro; its standard error kept apart.
    struct Case {
        std::vector<std::string> args;
        std::string folder;  // as the line names it
    } cases[] = {
        {{"-o", "ro/sub"}, dir.path() + "/ro/sub"},
        {{"-o", "ro", "--last"}, dir.path() + "/ro"},
    };
    for (const Case &c : cases) {
        std::string script =
            "mount --bind ro ro && mount -o remount,ro,bind ro || exit 125; exec \"$0\" \"$@\"";
        std::vector<std::string> args = {"unshare", "-rm", "sh", "-c", script, CONE};
        args.insert(args.end(), c.args.begin(), c.args.end());
        int status = run_command(args, &o, &e);
        if (status == 125) GTEST_SKIP() << "a read-only bind mount cannot be made here: " << e;
        EXPECT_EQ(status, 1) << e;
        EXPECT_EQ(own_lines(e, "cone-replay"),
                  Lines{"cone-replay: cannot write frames into " + c.folder + ": Read-only file system"});
        EXPECT_EQ(o, "") << "the script was not played";
    }
    EXPECT_TRUE(frames_in("ro").empty());
}

// Runs a script whose end prints a console line, standard output set up by `out`: the loss is
// reported once, the run goes on to its end with its frames, and the status is 1.
void expect_lost_lines(const std::function<bool()> &out, const std::string &reason) {
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(2);\n");
    Lines lines;
    EXPECT_EQ(run_cone({"-o", "f"}, out, &lines), 1) << "not 0, and not killed by SIGPIPE (141)";
    EXPECT_EQ(lines, (Lines{"cone-replay: cannot write the console lines to standard output: " + reason,
                            "cone-replay: played to the end"}));
    EXPECT_EQ(frames_in("f").size(), 2u) << "the frames are written all the same";
}

TEST(Frames, ClosedPipeOnStandardOutputFailsTheRun) {
    TempDir dir;
    expect_lost_lines(
        [] {
            int p[2];
            return pipe(p) == 0 && close(p[0]) == 0 && dup2(p[1], 1) >= 0;
        },
        "Broken pipe");
    // Standard output that takes the lines: no such line, and 0.
    Lines lines;
    EXPECT_EQ(run_cone({"-o", "g"}, out_to_file, &lines), 0);
    EXPECT_EQ(lines, Lines{"cone-replay: played to the end"});
    EXPECT_EQ(read_file("tool.out"), "EOF encountered in script file PLAKO.SCR\n");
}

TEST(Frames, FullDeviceOnStandardOutputFailsTheRun) {
    TempDir dir;
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full here to stand for a full disk";
    expect_lost_lines(
        [] {
            int o = open("/dev/full", O_WRONLY);
            return o >= 0 && dup2(o, 1) >= 0;
        },
        "No space left on device");
}

}  // namespace
}  // namespace script_test
