// The runner against students' programs that go wrong, and against its own limits: each run
// ends with one outcome line naming what happened, the frame and the script line, its exit
// status, and --last keeps the last picture the program completed. Then the scene log.
#include <map>
#include <regex>

#include "scene_log.h"
#include "tool.h"

namespace script_test {
namespace {

using Lines = std::vector<std::string>;

std::string tool(const std::string &program) { return PLAKO_BINARY_DIR "/tests/" + program + "-replay"; }

// The programs are built with the sanitizers when the tests are: a null pointer is then the
// undefined-behaviour check's report, not a signal.
#if defined(__SANITIZE_ADDRESS__)
const char NULL_CRASH[] =
    "stopped at frame 3, line 1: the program crashed \\(the sanitizer's report is above\\)";
#else
const char NULL_CRASH[] =
    "stopped at frame 3, line 1: the program crashed \\(signal 11, Segmentation fault\\)";
#endif

// The colour of client pixel (x, y) as 0xRRGGBB.
int colour_at(const Image &img, int x, int y) {
    const unsigned char *p = &img.rgb[((size_t)y * img.w + x) * 3];
    return (p[0] << 16) | (p[1] << 8) | p[2];
}

TEST(Limits, EveryWayAProgramGoesWrongEndsWithItsVerdictAndItsLastPicture) {
    // The fault programs draw a red dot at (-200 + 40 i, 0) for tick i and go wrong at tick 3;
    // dots is how many the last completed picture shows (-1: not such a program).
    struct Case {
        const char *program;
        Lines args;
        int status;
        const char *outcome;  // after "NAME-replay: ", a regular expression
        const char *last;     // the frame --last wrote
        int dots;
        long out_bytes;  // exactly this much standard output; -1: not checked
    } cases[] = {
        {"loops-forever",
         {"--cpu-limit", "2", "--watchdog", "0"},
         3,
         "stopped at frame 3, line 1: processor time limit of 2 s reached",
         "frame-000002.png",
         3,
         0},
        {"loops-forever",
         {"--watchdog", "1", "--cpu-limit", "0"},
         3,
         "stopped at frame 3, line 1: the program did not come back to its wait for 1 s \\(watchdog\\)",
         "frame-000002.png",
         3,
         0},
        {"loops-forever",
         {"--time-limit", "1", "--watchdog", "0", "--cpu-limit", "0"},
         3,
         "stopped at frame 3, line 1: wall time limit of 1 s reached",
         "frame-000002.png",
         3,
         0},
        {"null-pointer", {}, 4, NULL_CRASH, "frame-000002.png", 3, 0},
        {"aborts",
         {},
         4,
         "stopped at frame 3, line 1: the program crashed \\(signal 6, Aborted\\)",
         "frame-000002.png",
         3,
         0},
        {"overflows-stack",
         {},
         4,
         "stopped at frame 3, line 1: the program crashed \\(signal 11, Segmentation fault\\)",
         "frame-000002.png",
         3,
         0},
        // Ended by the program itself: the picture it showed then, under the frame it was handed.
        {"exits-zero",
         {},
         5,
         "stopped at frame 3, line 1: the program exited with status 0 before the script's end",
         "frame-000003.png",
         3,
         0},
        {"exits-three",
         {},
         5,
         "stopped at frame 3, line 1: the program exited with status 3 before the script's end",
         "frame-000003.png",
         3,
         0},
        {"returns-early",
         {},
         5,
         "stopped at frame 3, line 1: the program returned 0 from WinMain before the script's end",
         "frame-000003.png",
         3,
         0},
        {"allocates",
         {"--memory-limit", "256"},
         3,
         "stopped at frame 3, line 1: memory limit of 256 MB reached",
         "frame-000002.png",
         3,
         0},
        {"floods",
         {"--output-limit", "1"},
         3,
         "stopped at frame 3, line 1: output limit of 1 MB reached",
         "frame-000002.png",
         3,
         1 << 20},
        // The script's ten ticks all drawn, then the quit event ignored, and every one after it.
        {"ignores-quit",
         {},
         6,
         "stopped at frame 9, line 1: the program did not end after its quit event",
         "frame-000009.png",
         10,
         -1},
        // A program that does nothing wrong, stopped by the frame limit as by --until.
        {"says-eof",
         {"--frame-limit", "5"},
         3,
         "stopped at frame 4, line 1: frame limit of 5 frames reached",
         "frame-000004.png",
         -1,
         -1},
    };
    TempDir dir;
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(10);\n");
    int n = 0;
    for (const Case &c : cases) {
        std::string out_dir = "f" + std::to_string(n++);
        SCOPED_TRACE(std::string(c.program) + " in " + out_dir);
        Lines all = {tool(c.program), "-o", out_dir, "--last"};
        all.insert(all.end(), c.args.begin(), c.args.end());
        std::string out, err;
        EXPECT_EQ(run_command(all, &out, &err), c.status) << err;
        Lines lines = own_lines(err, std::string(c.program) + "-replay");
        ASSERT_EQ(lines.size(), 1u) << err;
        std::string prefix = std::string(c.program) + "-replay: ";
        EXPECT_TRUE(std::regex_match(lines[0], std::regex(prefix + c.outcome))) << lines[0];
        EXPECT_EQ(err.substr(err.size() - lines[0].size() - 1), lines[0] + "\n") << "the outcome comes last";
        if (c.out_bytes >= 0) {
            EXPECT_EQ((long)out.size(), c.out_bytes);
        }
        ASSERT_EQ(frames_in(out_dir), Lines{c.last});
        Image img;
        ASSERT_TRUE(load_png(out_dir + "/" + c.last, &img));
        for (int i = 0; i <= c.dots && i < 11; i++)
            EXPECT_EQ(colour_at(img, 297 - 200 + 40 * i, 247), i < c.dots ? 0xff0000 : 0xffffff)
                << "dot " << i;
    }
    EXPECT_FALSE(std::filesystem::exists("core")) << "a crash leaves no core file";
}

TEST(Limits, LimitsAreCheckedOnTheCommandLine) {
    TempDir dir;
    write_file("PLAKO.SCR", "");
    std::string out, err;
    for (const char *option :
         {"--cpu-limit", "--time-limit", "--memory-limit", "--output-limit", "--frame-limit", "--watchdog"}) {
        EXPECT_EQ(run_command({tool("draw-once"), option, "-1"}, &out, &err), 2) << option;
        EXPECT_NE(err.find(std::string(option) + " needs"), std::string::npos) << err;
        EXPECT_EQ(run_command({tool("draw-once"), option, "0", "-o", "f"}, &out, &err), 0) << option << err;
    }
    EXPECT_EQ(run_command({tool("draw-once"), "--scene", ""}, &out, &err), 2);
    EXPECT_EQ(run_command({tool("draw-once"), "--scene", "no/such/dir/scene.jsonl"}, &out, &err), 1);
    EXPECT_NE(err.find("cannot write the scene log"), std::string::npos) << err;
}

// ---- the scene log ----

using plako_test::Json;
using plako_test::parse_json;

TEST(SceneFile, EachWaitsCallsAreOneJsonLineAsThePackageDrewThem) {
    TempDir dir;
    write_file("PLAKO.SCR", "PLAKO_PERIODIC(2);\nPLAKO_KBD(65);\nPLAKO_PERIODIC(1);\n");
    std::string out, err;
    ASSERT_EQ(run_command({tool("draws-each-call"), "-o", "f", "--scene", "scene.jsonl"}, &out, &err), 0)
        << err;
    std::istringstream in(read_file("scene.jsonl"));
    std::vector<Json> records;
    std::string line;
    while (std::getline(in, line)) {
        Json record;
        size_t at = 0;
        ASSERT_TRUE(parse_json(line, &at, &record) && at == line.size()) << line;
        records.push_back(record);
    }
    // Start-up, three ticks; the key drew nothing and has no line.
    ASSERT_EQ(records.size(), 4u) << read_file("scene.jsonl");
    const char *events[] = {"start", "periodic", "periodic", "periodic"};
    long frames[] = {0, 0, 1, 2}, script_lines[] = {0, 1, 1, 3};
    for (size_t i = 0; i < records.size(); i++) {
        EXPECT_EQ(records[i]["event"].text, events[i]) << i;
        EXPECT_EQ(records[i]["frame"].number, frames[i]) << i;
        EXPECT_EQ(records[i]["line"].number, script_lines[i]) << i;
    }
    const std::vector<Json> &start = records[0]["calls"].items;
    ASSERT_EQ(start.size(), 5u);
    EXPECT_EQ(start[0]["call"].text, "erase");
    EXPECT_EQ(start[0].fields.size(), 1u);
    // The rectangle's corners put in order, its width made positive.
    const Json &rect = start[1];
    EXPECT_EQ(rect["call"].text, "rectangle");
    EXPECT_EQ(rect["colour"].text, "blue");
    EXPECT_EQ((std::vector<long>{rect["x1"].number, rect["y1"].number, rect["x2"].number, rect["y2"].number,
                                 rect["width"].number}),
              (std::vector<long>{-100, 50, 100, -50, 3}));
    EXPECT_EQ(start[2]["call"].text, "triangle");
    EXPECT_EQ(start[2]["colour"].text, "red") << "an unknown colour is drawn red";
    EXPECT_EQ(start[2]["y3"].number, 10);
    EXPECT_EQ(start[3]["call"].text, "line");
    EXPECT_EQ(start[3]["width"].number, 1);
    EXPECT_EQ(start[4]["call"].text, "text");
    EXPECT_EQ(start[4]["ptsize"].number, 12);
    // A byte that is no UTF-8 is the character of its number; quotes, backslash, line end escaped.
    EXPECT_EQ(start[4]["text"].text, "say \"caf\xc3\xa9\"\\\n");
    EXPECT_EQ((std::vector<long>{start[4]["x"].number, start[4]["y"].number}),
              (std::vector<long>{-250, 200}));
    for (size_t tick = 0; tick < 3; tick++) {
        const std::vector<Json> &calls = records[tick + 1]["calls"].items;
        ASSERT_EQ(calls.size(), 1u) << tick;
        EXPECT_EQ(calls[0]["call"].text, "circle");
        EXPECT_EQ(calls[0]["x"].number, 20 * (long)tick);
        EXPECT_EQ(calls[0]["y"].number, -100);
        EXPECT_EQ(calls[0]["radius"].number, 7) << "the radius made positive";
    }
}

}  // namespace
}  // namespace script_test
