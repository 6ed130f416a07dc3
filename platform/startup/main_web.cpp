// The program's entry in the browser: selects the page's host, runs WinMain with an empty command
// line, and tells the page when the program has ended.
#include <windows.h>

#include "host.h"

extern "C" void plako_web_ended(int code);

// Runs the program on the page; its windows stay on the page until it ends.
int main() {
    plat::host_select(&plat::host_web);
    if (!plat::host_web.init()) return 1;
    static HINSTANCE__ instance;
    static char cmd[1] = "";
    int code = WinMain(&instance, nullptr, cmd, SW_SHOWNORMAL);
    plako_web_ended(code);
    return code;
}
