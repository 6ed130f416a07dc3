// The runner every program gets (NAME-replay), on what can go wrong around it: scripts that do not
// play to their end, scripts that are no regular files, bad command lines, a program that draws
// only at start, a run cut short by --until, and an output disk that fills up.
#include <sys/stat.h>

#include "tool.h"

namespace script_test {
namespace {

const char CONE[] = PLAKO_BINARY_DIR "/cone-replay";
const char ONCE[] = PLAKO_BINARY_DIR "/tests/draw-once-replay";
const char SAYS_EOF[] = PLAKO_BINARY_DIR "/tests/says-eof-replay";

// Runs a runner; its own lines on standard error land in *lines.
int run(const char *tool, const std::vector<std::string> &args, std::vector<std::string> *lines,
        std::string *out = nullptr, rlim_t file_size_limit = 0) {
    std::vector<std::string> all = {tool};
    all.insert(all.end(), args.begin(), args.end());
    std::string o, e;
    int status = run_command(all, &o, &e, file_size_limit);
    std::string name = std::string(tool).substr(std::string(tool).rfind('/') + 1);
    *lines = own_lines(e, name);
    if (out) *out = o;
    return status;
}

using Lines = std::vector<std::string>;

TEST(Runner, NamesItselfAfterItsExecutable) {
    TempDir dir;
    std::string out;
    Lines lines;
    ASSERT_EQ(run(ONCE, {"--help"}, &lines, &out), 0);
    EXPECT_NE(out.find("Usage: draw-once-replay [options]"), std::string::npos) << out;
    EXPECT_EQ(out.find("cone"), std::string::npos) << "nothing of one program in every program's help";
    for (const char *option :
         {"--dir", "--out", "--every", "--last", "--until", "--allow-partial", "--quiet"})
        EXPECT_NE(out.find(option), std::string::npos) << option;
    EXPECT_EQ(run(ONCE, {"--bogus"}, &lines), 2);
    EXPECT_EQ(lines, Lines{"draw-once-replay: unknown argument '--bogus' (see --help)"});
}

TEST(Runner, UnknownLineStopsTheRunAndFailsUnlessPartialIsAllowed) {
    TempDir dir;
    Lines lines;
    std::string out;
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(3);\n# recorded today\nPLAKO_PERIODIC(3);\n");
    EXPECT_EQ(run(CONE, {"-o", "f", "--last"}, &lines, &out), 1);
    EXPECT_EQ(lines, Lines{"cone-replay: stopped: unknown kind at line 2"});
    EXPECT_EQ(out, "") << "the package itself ends playback quietly";
    EXPECT_EQ(frames_in("f"), Lines{"frame-000002.png"}) << "the frames before the line are drawn";

    EXPECT_EQ(run(CONE, {"-o", "g", "--last", "--allow-partial"}, &lines), 0);
    EXPECT_EQ(lines, Lines{"cone-replay: stopped: unknown kind at line 2"});

    // An unknown first line: no tick at all, and --last still writes what the window shows.
    write_file("PLAKO.SCR", "plako_periodic(160);\n");
    EXPECT_EQ(run(CONE, {"-o", "h", "--last"}, &lines), 1);
    EXPECT_EQ(lines, Lines{"cone-replay: stopped: unknown kind at line 1"});
    EXPECT_EQ(frames_in("h"), Lines{"frame-000000.png"});
}

TEST(Runner, OverlongAndBadLinesAreNamedByNumber) {
    TempDir dir;
    Lines lines;
    write_file("PLAKO.SCR", "PLAKO_KBD(65);" + std::string(600, ' ') + "\nPLAKO_PERIODIC(2);\n");
    EXPECT_EQ(run(CONE, {"-o", "f"}, &lines), 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("cone-replay: stopped at line 1 (more than 511 characters with its line end): "
                             "PLAKO_KBD(65);",
                             0),
              0u)
        << lines[0];
    EXPECT_TRUE(frames_in("f").empty());
}

TEST(Runner, ProgramQuittingBeforeTheScriptsEndIsPartial) {
    TempDir dir;
    Lines lines;
    // (-250, 132) is the Quit button, the panel's last row; five ticks are left unplayed.
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(152);\nPLAKO_MOUSE(-250, 132);\nPLAKO_PERIODIC(5);\n");
    EXPECT_EQ(run(CONE, {"-o", "f", "--last"}, &lines), 1);
    EXPECT_EQ(lines, Lines{"cone-replay: stopped at line 2: the program quit before the script's end"});
    EXPECT_EQ(frames_in("f"), Lines{"frame-000151.png"});
    EXPECT_EQ(run(CONE, {"-o", "g", "--last", "--allow-partial"}, &lines), 0);

    // Quitting at the script's last event is playing it to the end.
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(152);\n\nPLAKO_MOUSE(-250, 132);\n\n");
    EXPECT_EQ(run(CONE, {"-o", "h", "--last"}, &lines), 0);
    EXPECT_EQ(lines, Lines{"cone-replay: played to the end"});
}

TEST(Runner, ScriptsThatAreNoRegularFilesAreRefusedBeforeTheRun) {
    TempDir dir;
    Lines lines;
    ASSERT_EQ(mkfifo("PLAKO.SCR", 0600), 0);  // nobody writes to it: opening it must not wait
    EXPECT_EQ(run(CONE, {"-o", "f"}, &lines), 1);
    EXPECT_EQ(lines, Lines{"cone-replay: cannot play ./PLAKO.SCR: it is a FIFO or pipe, not a regular file"});
    ASSERT_EQ(unlink("PLAKO.SCR"), 0);
    ASSERT_EQ(mkdir("PLAKO.SCR", 0700), 0);
    EXPECT_EQ(run(CONE, {"-o", "f"}, &lines), 1);
    EXPECT_EQ(lines, Lines{"cone-replay: cannot play ./PLAKO.SCR: it is a directory, not a regular file"});
    ASSERT_EQ(rmdir("PLAKO.SCR"), 0);
    EXPECT_EQ(run(CONE, {"-o", "f"}, &lines), 1);
    EXPECT_EQ(lines, Lines{"cone-replay: cannot play ./PLAKO.SCR: No such file or directory"});
    EXPECT_FALSE(std::filesystem::exists("f")) << "nothing is made for a run that cannot start";
}

TEST(Runner, EmptyDirectoryNamesAndAFileForOutputAreRejected) {
    TempDir dir;
    Lines lines;
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(1);\n");
    EXPECT_EQ(run(CONE, {"--dir", ""}, &lines), 2);
    EXPECT_EQ(lines, Lines{"cone-replay: --dir needs a directory, not an empty name"});
    EXPECT_EQ(run(CONE, {"--out", ""}, &lines), 2);
    EXPECT_EQ(lines, Lines{"cone-replay: --out needs a directory, not an empty name"});
    write_file("afile", "x");
    EXPECT_EQ(run(CONE, {"--out", "afile"}, &lines), 1);
    EXPECT_EQ(lines,
              Lines{"cone-replay: cannot write frames into " + dir.path() + "/afile: Not a directory"});
    EXPECT_EQ(run(CONE, {"--out", "afile/sub"}, &lines), 1);
    EXPECT_EQ(lines,
              Lines{"cone-replay: cannot write frames into " + dir.path() + "/afile: Not a directory"});
    EXPECT_EQ(read_file("afile"), "x");
}

TEST(Runner, UntilCutsAnEndlessRunShort) {
    TempDir dir;
    Lines lines;
    write_file("PLAKO.SCR", "PLAKO_KBD(65);\nPLAKO_PERIODIC(2000000000);\n");
    EXPECT_EQ(run(CONE, {"-o", "f", "--every", "2", "--until", "5", "--last"}, &lines), 0);
    EXPECT_EQ(lines, Lines{"cone-replay: stopped after frame 5 as --until asked, at line 2"});
    EXPECT_EQ(frames_in("f"),
              (Lines{"frame-000000.png", "frame-000002.png", "frame-000004.png", "frame-000005.png"}));

    EXPECT_EQ(run(CONE, {"-o", "g", "--until", "0"}, &lines), 0);
    EXPECT_EQ(frames_in("g"), Lines{"frame-000000.png"});
    EXPECT_EQ(run(CONE, {"--until", "-1"}, &lines), 2);
}

TEST(Runner, LastWritesTheOnlyPictureOfAProgramThatDrawsOnceAtStart) {
    TempDir dir;
    Lines lines;
    write_file("PLAKO.SCR", "");
    EXPECT_EQ(run(ONCE, {"-o", "f", "--last"}, &lines), 0);
    EXPECT_EQ(lines, Lines{"draw-once-replay: played to the end"});
    ASSERT_EQ(frames_in("f"), Lines{"frame-000000.png"});
    Image first;
    ASSERT_TRUE(load_png("f/frame-000000.png", &first));
    ASSERT_EQ(first.w, 595);
    ASSERT_EQ(first.h, 495);
    auto at = [](const Image &img, int x, int y) {
        const unsigned char *p = &img.rgb[((size_t)y * img.w + x) * 3];
        return (p[0] << 16) | (p[1] << 8) | p[2];
    };
    EXPECT_EQ(at(first, 297, 247), 0xff0000) << "the red circle at the origin";
    EXPECT_EQ(at(first, 297 - 190, 247 - 190), 0xffffff);

    // Keys and no tick: the last picture is what the keys drew, still under number 0.
    write_file("PLAKO.SCR", "PLAKO_KBD(65);\nPLAKO_KBD(66);\n");
    EXPECT_EQ(run(ONCE, {"-o", "g", "--last"}, &lines), 0);
    ASSERT_EQ(frames_in("g"), Lines{"frame-000000.png"});
    Image last;
    ASSERT_TRUE(load_png("g/frame-000000.png", &last));
    EXPECT_EQ(at(last, 297, 247), 0xff0000);
    EXPECT_EQ(at(last, 297 - 190, 247 - 190), 0x0000ff) << "the first key's square";
    EXPECT_EQ(at(last, 297 - 160, 247 - 190), 0x0000ff) << "the second key's square";
}

TEST(Runner, AProgramSayingTheScriptEndedIsGradedByWhatItsScriptDid) {
    TempDir dir;
    Lines lines;
    std::string out;
    const std::string eof = "EOF encountered in script file PLAKO.SCR\n";
    // The program prints the package's end-of-script line at start and on the key at tick 7.
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(7);\nPLAKO_KBD(97);\nPLAKO_PERIODIC(8);\n");
    EXPECT_EQ(run(SAYS_EOF, {"-o", "f"}, &lines, &out), 0);
    EXPECT_EQ(lines, Lines{"says-eof-replay: played to the end"});
    Lines fifteen;
    for (int f = 0; f < 15; f++) {
        char name[32];
        snprintf(name, sizeof name, "frame-%06d.png", f);
        fifteen.push_back(name);
    }
    EXPECT_EQ(frames_in("f"), fifteen) << "every tick of the script is played";
    EXPECT_EQ(out, eof + eof + eof) << "its own two lines, then the package's";

    struct Case {
        const char *script;
        const char *line;
        size_t frames;
    } cases[] = {
        {"PLAKO_PERIODIC(3);\nPLAKO_KBD(97);\nPLAKO_MOUSE(1);\nPLAKO_PERIODIC(5);\n",
         "says-eof-replay: stopped at line 3: PLAKO_MOUSE(1);", 3},
        {"PLAKO_PERIODIC(2);\n\nPLAKO_KBD(97);\n# the end\nPLAKO_PERIODIC(5);\n",
         "says-eof-replay: stopped: unknown kind at line 4", 2},
    };
    for (const Case &c : cases) {
        std::filesystem::remove_all("g");
        write_file("PLAKO.SCR", c.script);
        EXPECT_EQ(run(SAYS_EOF, {"-o", "g"}, &lines), 1) << c.script;
        EXPECT_EQ(lines, Lines{c.line}) << c.script;
        EXPECT_EQ(frames_in("g").size(), c.frames) << c.script;
    }
}

// Checks a run that met a full output disk: one line, exit 1, the run stopped at the failed
// frame, and only whole frames left.
void expect_stopped_at_full_disk(int status, const Lines &lines, const std::string &out_dir,
                                 const std::string &stdout_text) {
    EXPECT_EQ(status, 1);
    ASSERT_EQ(lines.size(), 1u) << "reported once";
    EXPECT_NE(lines[0].find("cannot write "), std::string::npos) << lines[0];
    size_t at = lines[0].find("; stopped at frame ");
    ASSERT_NE(at, std::string::npos) << lines[0];
    long failed = atol(lines[0].c_str() + at + strlen("; stopped at frame "));
    Lines frames = frames_in(out_dir);
    ASSERT_EQ((long)frames.size(), failed) << "every frame before the failed one, and nothing after";
    for (long f = 0; f < failed; f++) {
        char name[64];
        snprintf(name, sizeof name, "frame-%06ld.png", f);
        EXPECT_EQ(frames[(size_t)f], name);
        Image img;
        EXPECT_TRUE(load_png(out_dir + "/" + name, &img)) << name << " is whole";
    }
    EXPECT_EQ(stdout_text.find("libpng"), std::string::npos);
}

TEST(Runner, FullOutputDiskStopsAtTheFirstFailedFrame) {
    TempDir dir;
    Lines lines;
    std::string out;
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(200);\n");
    // No frame fits in 4096 bytes: the first one fails half written.
    int status = run(CONE, {"-o", "f"}, &lines, &out, 4096);
    expect_stopped_at_full_disk(status, lines, "f", out);
    EXPECT_NE(lines[0].find("File too large; stopped at frame 0"), std::string::npos) << lines[0];
}

TEST(Runner, FullTmpfsStopsAtTheFirstFailedFrame) {
    TempDir dir;
    std::string o, e;
    // A file system of our own is only to be had in a user and mount namespace.
    if (run_command({"unshare", "-rm", "true"}, &o, &e) != 0)
        GTEST_SKIP()
            << "no user namespaces here (unshare -rm fails): the small file system cannot be mounted";
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(200);\n");
    ASSERT_TRUE(std::filesystem::create_directory("full"));
    ASSERT_TRUE(std::filesystem::create_directory("kept"));
    // 48 KiB hold a few intro frames. What is left on it is copied out before the namespace goes.
    std::string script = std::string(
        "mount -t tmpfs -o size=48k none full || exit 125; \"$0\" -o full; s=$?; "
        "cp full/* kept/ 2>/dev/null; exit $s");
    int status = run_command({"unshare", "-rm", "sh", "-c", script, CONE}, &o, &e);
    if (status == 125) GTEST_SKIP() << "tmpfs cannot be mounted here: " << e;
    expect_stopped_at_full_disk(status, own_lines(e, "cone-replay"), "kept", o);
    EXPECT_NE(e.find("No space left on device"), std::string::npos) << e;
}

}  // namespace
}  // namespace script_test
