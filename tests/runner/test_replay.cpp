// cone-replay against the program itself: a session recorded live (Ctrl+R ... Ctrl+R) on the
// headless host and replayed by the tool gives the same frames, pixel for pixel.
#include <set>

#include "tool.h"

namespace script_test {
namespace {

const char TOOL[] = PLAKO_BINARY_DIR "/cone-replay";
const char MISMATCH_DIR[] = PLAKO_BINARY_DIR "/tests/runner-mismatch";

// The live frames are kept raw (width, height, then RGB rows): quicker than compressing them.
bool save_raw(const std::string &path, const Image &img) {
    FILE *f = fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    int size[2] = {img.w, img.h};
    bool ok = fwrite(size, sizeof size, 1, f) == 1 &&
              fwrite(img.rgb.data(), 1, img.rgb.size(), f) == img.rgb.size();
    return fclose(f) == 0 && ok;
}

bool load_raw(const std::string &path, Image *img) {
    std::string data = read_file(path);
    int size[2];
    if (data.size() < sizeof size) return false;
    memcpy(size, data.data(), sizeof size);
    img->w = size[0];
    img->h = size[1];
    img->rgb.assign(data.begin() + sizeof size, data.end());
    return img->rgb.size() == (size_t)img->w * img->h * 3;
}

// The lines cone-replay itself writes to standard error (the libraries may add their own).
int tool_lines(const std::string &err) { return (int)own_lines(err, "cone-replay").size(); }

// Runs cone-replay with args; its standard output and error land in *out and *err.
int run_tool(const std::vector<std::string> &args, std::string *out, std::string *err) {
    std::vector<std::string> all = {TOOL};
    all.insert(all.end(), args.begin(), args.end());
    return run_command(all, out, err);
}

// The live session: what a person does at which frame. Ticks come every 100 ms from the start and
// the program draws frame f on the tick at time 100 * (f + 1), so at a wait at that time (and
// until the next tick) the canvas holds frame f. Every wait is a chance to act and to take the
// frame, which the program's own repaint puts on the window first.
struct Session {
    std::set<std::string> done;
    std::set<long> frames;  // frames written to live/
    long last_frame = -1;
};

const long STOP_FRAME = 165;

// At a wait of the live run: keeps the frame the window shows, once a frame, and takes the steps
// due up to stop_frame; with ctrl_r, recording is switched on and off with Ctrl+R.
void session_wait_steps(plako_test::HeadlessRun &run, Session &s, long stop_frame, bool ctrl_r) {
    HWND window = run.window();
    DWORD t = headless_now();
    long f = (long)t / 100 - 1;
    if (t % 100 == 0 && f >= 0 && f <= stop_frame && !s.frames.count(f)) {
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
        Image img;
        if (client_image(window, &img)) {
            char name[64];
            snprintf(name, sizeof name, "live/frame-%06ld.rgb", f);
            if (save_raw(name, img)) s.frames.insert(f);
            s.last_frame = f;
        }
    }
    // Each step once, at the first wait that shows its frame or a later one.
    auto step = [&](const char *name, long at, auto action) {
        if (f >= at && !s.done.count(name)) {
            s.done.insert(name);
            action();
        }
    };
    if (ctrl_r) step("record", -1, [&] { run.ctrl('R'); });
    step("add scoop", 5, [&] { headless_click(window, 47, 10); });     // panel row 0
    step("topping 1", 10, [&] { headless_click(window, 297, 222); });  // on scoop 1
    step("topping 2", 40, [&] { headless_click(window, 300, 180); });  // on scoop 2
    step("character", 152, [&] { headless_type(window, 'x'); });
    step("colour", 155, [&] { headless_click(window, 47, 97); });  // panel row 6
    step("sky", 158, [&] { headless_click(window, 397, 47); });
    step("topping 3", 160, [&] { headless_click(window, 280, 230); });
    if (ctrl_r) step("stop", stop_frame, [&] { run.ctrl('R'); });
    step("quit", stop_frame + 1, [&] { headless_close(window); });
}

void session_wait(plako_test::HeadlessRun &run, Session &s) { session_wait_steps(run, s, STOP_FRAME, true); }

// Sum of the PERIODIC counts of a script.
long script_ticks(const std::string &script) {
    long n = 0;
    std::istringstream in(script);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("PLAKO_PERIODIC(", 0) == 0) n += atol(line.c_str() + 15);
    return n;
}

// Compares a live frame with a replayed one; on a difference keeps both pictures as PNG files
// under MISMATCH_DIR.
void expect_same_frame(long f, const std::string &replayed_dir) {
    char name[64];
    snprintf(name, sizeof name, "frame-%06ld", f);
    Image live, replayed;
    ASSERT_TRUE(load_raw(std::string("live/") + name + ".rgb", &live)) << name;
    ASSERT_TRUE(load_png(replayed_dir + "/" + name + ".png", &replayed)) << replayed_dir << "/" << name;
    if (live.w == replayed.w && live.h == replayed.h && live.rgb == replayed.rgb) return;
    std::filesystem::create_directories(MISMATCH_DIR);
    std::string base = std::string(MISMATCH_DIR) + "/" + name;
    save_png(base + ".expected.png", live);
    save_png(base + ".actual.png", replayed);
    ADD_FAILURE() << "frame " << f << " differs; pictures kept in " << MISMATCH_DIR;
}

TEST(Replay, RecordedSessionReplaysPixelForPixel) {
    TempDir dir;
    ASSERT_TRUE(std::filesystem::create_directory("live"));
    Session session;
    {
        plako_test::HeadlessRun run;
        run.every_wait([&] { session_wait(run, session); });
        ASSERT_EQ(run.run_program(), 0);
    }

    const std::string script = read_file("PLAKO.SCR");
    ASSERT_EQ(script_ticks(script), STOP_FRAME + 1) << script;
    EXPECT_NE(script.find("PLAKO_MOUSE("), std::string::npos) << script;
    EXPECT_NE(script.find("PLAKO_KBD(120);"), std::string::npos) << script;
    ASSERT_EQ((long)session.frames.size(), STOP_FRAME + 1);

    std::string out, err;
    ASSERT_EQ(run_tool({"-C", dir.path(), "--out", "replayed", "--every", "1", "--quiet"}, &out, &err), 0)
        << err;
    EXPECT_EQ(own_lines(err, "cone-replay"), std::vector<std::string>{"cone-replay: played to the end"})
        << err;
    EXPECT_EQ(out, "EOF encountered in script file PLAKO.SCR\n")
        << "the console's lines go to standard output";
    for (long f = 0; f <= STOP_FRAME; f++) expect_same_frame(f, "replayed");
    EXPECT_FALSE(std::filesystem::exists("replayed/frame-000166.png"));

    // --every 50 with --last: the multiples of 50, and the last frame under its own number.
    ASSERT_EQ(run_tool({"-C", ".", "-o", "some", "-e", "50", "-l", "-q"}, &out, &err), 0) << err;
    std::set<std::string> some;
    for (const auto &e : std::filesystem::directory_iterator("some")) some.insert(e.path().filename());
    EXPECT_EQ(some, (std::set<std::string>{"frame-000000.png", "frame-000050.png", "frame-000100.png",
                                           "frame-000150.png", "frame-000165.png"}));
    expect_same_frame(STOP_FRAME, "some");
}

// PLAKO_RECORD=1 in the environment: the program records from its first wait, no Ctrl+R pressed,
// and cone-replay plays that recording back to the same frames. Without it nothing is recorded.
TEST(Replay, RecordingFromTheStartReplaysPixelForPixel) {
    TempDir dir;
    ASSERT_TRUE(std::filesystem::create_directory("live"));
    const long last = 45;
    Session session;
    auto live_run = [&] {
        plako_test::HeadlessRun run;
        run.every_wait([&] { session_wait_steps(run, session, last, false); });
        return run.run_program();
    };
    ASSERT_EQ(setenv("PLAKO_RECORD", "1", 1), 0);
    int result = live_run();
    unsetenv("PLAKO_RECORD");
    ASSERT_EQ(result, 0);
    const std::string script = read_file("PLAKO.SCR");
    long ticks = script_ticks(script);
    ASSERT_GE(ticks, last) << script;
    EXPECT_EQ(script.rfind("PLAKO_PERIODIC(", 0), 0u) << "the first tick is recorded: " << script;
    EXPECT_NE(script.find("PLAKO_MOUSE("), std::string::npos) << script;

    std::string out, err;
    ASSERT_EQ(run_tool({"--out", "replayed", "--quiet"}, &out, &err), 0) << err;
    long compared = 0;
    for (long f : session.frames)
        if (f < ticks) {
            expect_same_frame(f, "replayed");
            compared++;
        }
    EXPECT_GE(compared, last);
}

// Any other value of PLAKO_RECORD records nothing (a process runs the program once: a test of its own).
TEST(Replay, RecordingFromTheStartNeedsTheValueOne) {
    TempDir dir;
    ASSERT_TRUE(std::filesystem::create_directory("live"));
    ASSERT_EQ(setenv("PLAKO_RECORD", "yes", 1), 0);
    Session session;
    plako_test::HeadlessRun run;
    run.every_wait([&] { session_wait_steps(run, session, 12, false); });
    int result = run.run_program();
    unsetenv("PLAKO_RECORD");
    ASSERT_EQ(result, 0);
    EXPECT_EQ(session.frames.size(), 13u) << "the run went on to its close";
    EXPECT_FALSE(std::filesystem::exists("PLAKO.SCR"));
}

TEST(Replay, LastAloneWritesOnlyTheLastFrame) {
    TempDir dir;
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(2);\nPLAKO_MOUSE(0, 40);\nPLAKO_PERIODIC(1);\n");
    std::string out, err;
    ASSERT_EQ(run_tool({"--dir", dir.path(), "--out", "last", "--last"}, &out, &err), 0) << err;
    std::vector<std::string> written;
    for (const auto &e : std::filesystem::directory_iterator("last")) written.push_back(e.path().filename());
    EXPECT_EQ(written, std::vector<std::string>{"frame-000002.png"});
    EXPECT_EQ(err, "cone-replay: played to the end\n") << "a short script shows no progress";
}

TEST(Replay, UnreadableScriptFailsWithOneLine) {
    TempDir dir;
    std::string out, err;
    EXPECT_EQ(run_tool({"-o", "frames"}, &out, &err), 1);
    EXPECT_NE(err.find("PLAKO.SCR"), std::string::npos) << err;
    EXPECT_EQ(tool_lines(err), 1) << err;

    // A line that cannot be played fails the run once the frames before it are written.
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(2);\nPLAKO_MOUSE(99999999999, 1);\n");
    EXPECT_EQ(run_tool({"-o", "frames", "-q"}, &out, &err), 1);
    EXPECT_EQ(own_lines(err, "cone-replay"),
              std::vector<std::string>{"cone-replay: stopped at line 2: PLAKO_MOUSE(99999999999, 1);"});
    EXPECT_TRUE(std::filesystem::exists("frames/frame-000001.png"));

    EXPECT_EQ(run_tool({"--every", "0"}, &out, &err), 2);
    EXPECT_EQ(run_tool({"--bogus"}, &out, &err), 2);
    EXPECT_EQ(run_tool({"--help"}, &out, &err), 0);
    EXPECT_NE(out.find("--every"), std::string::npos);
}

}  // namespace
}  // namespace script_test
