// Debugging output: the console's lines reach the host through OutputDebugStringA; the desktop
// host writes them to standard error, the headless host keeps quiet.
#include <gtest/gtest.h>
#include <headless.h>
#include <windows.h>

#include <string>

#include "host.h"
#include "plako.h"

namespace plat {
extern const Host host_sdl;
}

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

}  // namespace
