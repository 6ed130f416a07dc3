// Debugging output: the console's lines reach the host through OutputDebugStringA; the desktop
// host writes them to standard error, the headless host keeps quiet.
#include <gtest/gtest.h>
#include <headless.h>
#include <windows.h>

#include <unistd.h>

#include <cerrno>
#include <string>

#include "host.h"
#include "plako.h"

namespace {

std::string received;
void record(const char *text) { received += text; }

void start_package() {
    char cmd_line[] = "";
    plako_start(nullptr, nullptr, cmd_line, SW_SHOWNORMAL);
}

TEST(DebugOutput, ConsoleLinesReachTheHostOneLineEach) {
    // The headless host, but with a debugging-output reader of the test's own.
    static plat::Host recording = plat::host_headless;
    recording.debug_text = record;
    plat::host_select(&recording);
    start_package();
    received.clear();
    plako_console_printf("Radius of %d not possible, using radius %d\n", -4, 0);
    plako_console_printf("no newline of its own");
    plako_console_printf("%s", "");
    EXPECT_EQ(received, "Radius of -4 not possible, using radius 0\nno newline of its own\n\n");
    OutputDebugStringA(nullptr);
    OutputDebugStringA("as it is");
    EXPECT_EQ(received, "Radius of -4 not possible, using radius 0\nno newline of its own\n\nas it is");
}

TEST(DebugOutput, HeadlessRunLeavesStandardErrorAlone) {
    headless_select();
    start_package();
    testing::internal::CaptureStderr();
    plako_console_printf("Bad line %d\n", 3);
    plako_circle(PLAKO_RED, 0, 0, -5);  // corrected, with a console line
    OutputDebugStringA("direct\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(DebugOutput, DesktopHostWritesUtf8ToStandardError) {
    testing::internal::CaptureStderr();
    plat::host_sdl.debug_text("caf\xe9 costs 3 \x80\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "caf\xc3\xa9 costs 3 \xe2\x82\xac\n");
}

TEST(DebugOutput, DesktopProgramOutlivesTheReaderOfItsStandardError) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(plat::host_sdl.init(), 1);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    int saved = dup(2);
    ASSERT_GE(saved, 0);
    ASSERT_EQ(dup2(fds[1], 2), 2);
    close(fds[1]);
    close(fds[0]);  // the reader goes away, as `program 2>&1 | head -1` does
    plat::host_sdl.debug_text("nobody reads this\n");
    int write_error = errno;
    dup2(saved, 2);
    close(saved);
    EXPECT_EQ(write_error, EPIPE);  // reached here: the write failed instead of ending the process
}

}  // namespace
