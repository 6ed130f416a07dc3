// The program's entry on systems without Win32: picks the host, then hands WinMain its four
// start-up values as the system would.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host.h"

namespace {

// Quotes an argument the way a command line needs it when it holds blanks or is empty.
std::string quoted(const char *arg) {
    std::string s(arg);
    if (!s.empty() && s.find_first_of(" \t\"") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) {
        if (c == '"') q += '\\';
        q += c;
    }
    return q + "\"";
}

}  // namespace

// The desktop host; exits 1 when it cannot run. A headless run of a program is its runner's work:
// without a test or a script to drive it, a program on the headless host would only tick, unseen.
int main(int argc, char **argv) {
    const char *which = std::getenv("PLAKO_HOST");
    if (which && std::strcmp(which, "headless") == 0) {
        std::fprintf(stderr,
                     "%s: PLAKO_HOST=headless: this is the desktop build; run %s-replay instead, which plays "
                     "PLAKO.SCR without a display and writes PNG frames\n",
                     argv[0], argv[0]);
        return 2;
    }
    const plat::Host *host = &plat::host_sdl;
    plat::host_select(host);
    if (!host->init()) return 1;
    // The command line, as on the system, is the arguments after the program's name.
    std::string cmd;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) cmd += ' ';
        cmd += quoted(argv[i]);
    }
    static HINSTANCE__ instance;
    return WinMain(&instance, nullptr, &cmd[0], SW_SHOWNORMAL);
}
