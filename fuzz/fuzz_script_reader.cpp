// Fuzzes the script reader: the input becomes PLAKO.SCR and is played until the reader stops.
#include <fcntl.h>
#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "internal.h"

namespace {

// Deliveries per input beyond its lines: a long run of ticks is cut here, not played for ever.
const long kTickBudget = 1000;

// Returns the script module to its start: no file held, no ticks owed. Recording on and off with
// nothing between opens nothing.
void reset_script(void) {
    script_command_record();
    script_command_record();
}

// The script lives in a directory of its own; the fuzzer's artifacts stay where it was started.
char script_dir[] = "/tmp/plako-fuzz-XXXXXX";
int start_dir = -1;

void remove_script_dir(void) {
    std::string scr = std::string(script_dir) + "/PLAKO.SCR";
    unlink(scr.c_str());
    rmdir(script_dir);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    start_dir = open(".", O_RDONLY | O_DIRECTORY);
    if (start_dir < 0 || mkdtemp(script_dir) == nullptr) {
        perror("fuzz_script_reader: temporary directory");
        abort();
    }
    atexit(remove_script_dir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (chdir(script_dir) != 0) abort();
    reset_script();
    FILE *f = fopen("PLAKO.SCR", "wb");
    if (f == nullptr) abort();
    if (size > 0 && fwrite(data, 1, size, f) != size) abort();
    fclose(f);

    long budget = (long)size + kTickBudget;
    size_t from_lines = 0;  // events that each took a line of their own
    PendingEvent *ev = event_pending();
    while (budget-- > 0) {
        ev->kind = EVENT_NONE;
        if (!script_read()) break;
        // Whatever the text, the reader delivers one of the three kinds a script can hold.
        if (ev->kind != EVENT_MOUSE && ev->kind != EVENT_KBD && ev->kind != EVENT_PERIODIC) abort();
        if (ev->kind != EVENT_PERIODIC) from_lines++;
    }
    // A mouse or keyboard event needs a line of at least seven bytes: the reader never invents one.
    if (from_lines > size / 7) abort();
    reset_script();
    if (fchdir(start_dir) != 0) abort();
    return 0;
}
