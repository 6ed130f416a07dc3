// The examples, each run by its own runner (NAME-replay) on the script beside it: the script plays
// to its end, every tick of it gives a frame, nothing is corrected on the console, and the last
// frame is, pixel for pixel, the picture in docs/examples. On a mismatch the actual picture is
// saved under the build tree (MISMATCH_DIR) for a look.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "describe_check.h"
#include "png_rgb.h"

extern char **environ;

namespace {

using Image = plako_test::RgbImage;
using plako_test::load_png;
using plako_test::save_png;

// One example: examples/<topic>/<topic>_<name>.c with its script examples/<topic>/<name>.scr.
struct Example {
    std::string name;
    std::string topic;
};

// The examples that examples/CMakeLists.txt builds, from their source paths.
std::vector<Example> all_examples() {
    std::vector<Example> list;
    std::istringstream in(EXAMPLE_SOURCES);
    std::string source;
    while (in >> source) {
        size_t slash = source.find('/');
        std::string topic = source.substr(0, slash);
        std::string stem = source.substr(slash + 1, source.rfind('.') - slash - 1);
        list.push_back({stem.substr(topic.size() + 1), topic});
    }
    return list;
}

// Shown in the test's name and messages as topic/name.
void PrintTo(const Example &e, std::ostream *os) { *os << e.topic << "/" << e.name; }

std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string script_of(const Example &e) {
    return read_file(std::string(EXAMPLES_SOURCE_DIR) + "/" + e.topic + "/" + e.name + ".scr");
}

// The ticks a script plays: the sum of its PLAKO_PERIODIC counts.
long script_ticks(const std::string &script) {
    std::istringstream in(script);
    std::string line;
    long ticks = 0;
    while (std::getline(in, line)) {
        if (line.size() > 6 && line[6] == 'P') ticks += atol(line.c_str() + line.find('(') + 1);
    }
    return ticks;
}

// What one run of a runner left: its exit status, its output and the frames it wrote.
struct Replay {
    int status = -1;
    std::string out, err;
    std::vector<std::string> frames;  // file names, sorted
    Image last;                       // the last of them
    std::string scene, words;         // the scene log and the description, when asked for
};

// Runs NAME-replay --last on the script in a fresh directory, which is removed afterwards.
// With describe, the scene log and the description of the frames go into the Replay too.
Replay replay(const std::string &name, const std::string &script, bool describe = false) {
    Replay run;
    char templ[] = "/tmp/plako-example-XXXXXX";
    if (mkdtemp(templ) == nullptr) {
        ADD_FAILURE() << "cannot make a directory: " << strerror(errno);
        return run;
    }
    std::string dir = templ;
    std::ofstream(dir + "/PLAKO.SCR", std::ios::binary) << script;

    std::string tool = std::string(EXAMPLES_BINARY_DIR) + "/" + name + "-replay";
    std::vector<std::string> args = {tool, "--dir", dir, "--out", dir + "/frames", "--last", "--quiet"};
    if (describe)
        args.insert(args.end(), {"--scene", dir + "/scene.jsonl", "--describe", dir + "/words.txt"});
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, (dir + "/out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, (dir + "/err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        ADD_FAILURE() << "cannot run " << tool << ": " << strerror(rc);
    } else {
        int status = 0;
        waitpid(pid, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.out = read_file(dir + "/out.txt");
        run.err = read_file(dir + "/err.txt");
        run.scene = read_file(dir + "/scene.jsonl");
        run.words = read_file(dir + "/words.txt");
        std::error_code ec;
        for (const auto &entry : std::filesystem::directory_iterator(dir + "/frames", ec))
            run.frames.push_back(entry.path().filename().string());
        std::sort(run.frames.begin(), run.frames.end());
        if (!run.frames.empty() && !load_png(dir + "/frames/" + run.frames.back(), &run.last))
            ADD_FAILURE() << "cannot read the frame " << run.frames.back();
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return run;
}

std::string frame_name(long number) {
    char name[64];
    snprintf(name, sizeof name, "frame-%06ld.png", number);
    return name;
}

// The console lines of a run, in order.
std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

// Whether actual equals the picture at expected_path pixel for pixel; if not, actual is saved as
// MISMATCH_DIR/save_as and the failure says how much differs and where first.
testing::AssertionResult same_picture(const Image &actual, const std::string &expected_path,
                                      const std::string &save_as) {
    Image expected;
    std::string verdict;
    if (!load_png(expected_path, &expected)) {
        verdict = "cannot read " + expected_path;
    } else if (expected.w != actual.w || expected.h != actual.h) {
        verdict = "the size is " + std::to_string(actual.w) + " by " + std::to_string(actual.h) + ", not " +
                  std::to_string(expected.w) + " by " + std::to_string(expected.h);
    } else {
        long differing = 0, first = -1;
        for (size_t i = 0; i < actual.rgb.size(); i += 3) {
            if (memcmp(&actual.rgb[i], &expected.rgb[i], 3) == 0) continue;
            if (differing++ == 0) first = (long)(i / 3);
        }
        if (differing == 0) return testing::AssertionSuccess();
        verdict = std::to_string(differing) + " pixels differ, the first at (" +
                  std::to_string(first % actual.w) + ", " + std::to_string(first / actual.w) + ")";
    }
    std::filesystem::create_directories(MISMATCH_DIR);
    std::string saved = std::string(MISMATCH_DIR) + "/" + save_as;
    if (actual.w > 0 && save_png(saved, actual)) verdict += "; the picture drawn is saved as " + saved;
    return testing::AssertionFailure() << expected_path << ": " << verdict;
}

std::string picture_of(const std::string &name) { return std::string(PICTURES_DIR) + "/" + name + ".png"; }

class ExampleTest : public testing::TestWithParam<Example> {};

// The script plays to its end, each of its ticks draws a frame, the example passes the package
// nothing it has to correct, and the last frame is the picture in docs/examples.
TEST_P(ExampleTest, ItsScriptDrawsItsPicture) {
    const Example &e = GetParam();
    std::string script = script_of(e);
    ASSERT_FALSE(script.empty()) << "no script " << e.topic << "/" << e.name << ".scr";
    long ticks = script_ticks(script);
    ASSERT_GT(ticks, 0) << "a script without ticks draws no frame";

    Replay run = replay(e.name, script);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("EOF encountered in script file PLAKO.SCR\n"), std::string::npos)
        << "the script did not play to its end:\n"
        << run.out;
    for (const std::string &line : lines_of(run.out)) {
        EXPECT_EQ(line.find("not possible"), std::string::npos) << line;
        EXPECT_EQ(line.find("Illegal color"), std::string::npos) << line;
    }
    ASSERT_EQ(run.frames, std::vector<std::string>{frame_name(ticks - 1)});
    EXPECT_TRUE(same_picture(run.last, picture_of(e.name), e.name + ".png"));
}

// The description of the last frame lists only calls drawn for it, in order, and the counts add up.
TEST_P(ExampleTest, ItsDescriptionListsTheCallsItsLastFrameShows) {
    const Example &e = GetParam();
    std::string script = script_of(e);
    long last = script_ticks(script) - 1;
    Replay run = replay(e.name, script, true);
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines = plako_test::description_of_frame(run.words, last);
    EXPECT_GT(plako_test::check_description(lines, plako_test::calls_of_frame(run.scene, last)), 0u)
        << run.words;
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleTest, testing::ValuesIn(all_examples()),
                         [](const testing::TestParamInfo<Example> &info) { return info.param.name; });

// The typewriter writes a console line for every key; the package logs its drawing calls only
// once Esc has switched logging on; a character above 127 arrives whole.
TEST(Typewriter, ConsoleEchoesKeysAndLogsOnlyAfterEsc) {
    Replay run = replay("typewriter", script_of({"typewriter", "console"}));
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines = lines_of(run.out);
    auto logging_on = std::find(lines.begin(), lines.end(), "logging on");
    ASSERT_NE(logging_on, lines.end()) << run.out;
    auto is_log = [](const std::string &l) {
        return l.find(" text at (") != std::string::npos ||
               l.find(" rectangle with bounding box") != std::string::npos;
    };
    EXPECT_EQ(std::find_if(lines.begin(), logging_on, is_log), logging_on)
        << "a drawing call logged with logging off";
    EXPECT_NE(std::find_if(logging_on, lines.end(), is_log), lines.end())
        << "no drawing call logged after Esc";
    EXPECT_NE(std::find(lines.begin(), lines.end(), "key 233 '\xe9'"), lines.end()) << run.out;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Backspace"), lines.end()) << run.out;
}

// The check can fail: bounce's script without its last line draws another frame than its picture,
// and that frame is saved.
TEST(PictureCheck, AnotherFrameIsCaughtAndSaved) {
    std::string script = script_of({"bounce", "animation"});
    std::vector<std::string> lines = lines_of(script);
    ASSERT_GT(lines.size(), 1u);
    lines.pop_back();
    std::string shorter;
    for (const std::string &l : lines) shorter += l + "\n";
    Replay run = replay("bounce", shorter);
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.frames.size(), 1u);
    std::string saved = std::string(MISMATCH_DIR) + "/bounce-cut-short.png";
    std::remove(saved.c_str());
    EXPECT_FALSE(same_picture(run.last, picture_of("bounce"), "bounce-cut-short.png"));
    Image back;
    ASSERT_TRUE(load_png(saved, &back));
    EXPECT_EQ(back.rgb, run.last.rgb);
}

}  // namespace
