// Calls the package cannot carry out say so on the console: drawing before plako_start, and a
// null format or text.
#include <sys/wait.h>

#include "harness.h"

namespace script_test {
namespace {

// Runs calls in a child process that has never started the package (a test process may have
// started it already) and returns the console lines they wrote.
std::vector<std::string> lines_before_start(const std::function<void()> &calls) {
    TempDir dir;
    int status = 0;
    run_child(
        [&] {
            headless_select();
            calls();
            std::ofstream out("lines");
            for (const std::string &l : console_lines()) out << l;
            out.close();
            _exit(out ? 0 : 1);
        },
        &status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::vector<std::string> lines;
    std::istringstream in(read_file("lines"));
    std::string l;
    while (std::getline(in, l)) lines.push_back(l + "\n");
    return lines;
}

TEST(MessagesBeforeStart, EveryDrawingCallBeforeStartSaysItDrawsNothing) {
    std::vector<std::string> lines = lines_before_start([] {
        EXPECT_EQ(plako_set_logging(1), 0);  // not started: refused, so no log lines below
        EXPECT_EQ(plako_circle(PLAKO_RED, 0, 0, -5), 1);
        EXPECT_EQ(plako_triangle(PLAKO_RED, 0, 0, 1, 1, 2, 0, 0), 1);
        EXPECT_EQ(plako_rectangle(PLAKO_RED, 0, 0, 1, 1, 0), 1);
        EXPECT_EQ(plako_line(PLAKO_RED, 0, 0, 1, 1, 1), 1);
        EXPECT_EQ(plako_text(PLAKO_RED, 0, 0, 12, "hi"), 1);
        EXPECT_EQ(plako_text_format(PLAKO_RED, 0, 0, 12, "%d", 42), 2);
        EXPECT_EQ(plako_erase(), 1);
    });
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Radius of -5 not possible, using radius 5\n",  // corrections still come first
                         "plako_circle called before plako_start: nothing drawn\n",
                         "plako_triangle called before plako_start: nothing drawn\n",
                         "plako_rectangle called before plako_start: nothing drawn\n",
                         "plako_line called before plako_start: nothing drawn\n",
                         "plako_text called before plako_start: nothing drawn\n",
                         "plako_text called before plako_start: nothing drawn\n",
                         "plako_erase called before plako_start: nothing drawn\n",
                     }));
}

using Messages = ScriptTest;

TEST_F(Messages, NullFormatsAndTextAreReported) {
    EXPECT_EQ(plako_text_format(PLAKO_RED, 0, 0, 12, nullptr), -1);
    EXPECT_EQ(plako_console_printf(nullptr), -1);
    EXPECT_EQ(plako_text(PLAKO_RED, 0, 0, 12, nullptr), 1);
    EXPECT_EQ(console_lines(), (std::vector<std::string>{
                                   "plako_text_format: the format is a null pointer, nothing drawn\n",
                                   "plako_console_printf: the format is a null pointer\n",
                                   "plako_text: the text is a null pointer, drawing the empty text\n",
                               }));
    // Once started, drawing says nothing beyond its own lines.
    plako_circle(PLAKO_RED, 0, 0, 5);
    EXPECT_EQ(console_lines().size(), 3u);
}

}  // namespace
}  // namespace script_test
