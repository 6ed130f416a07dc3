// Fuzzes the script format in memory: every line of the input is read and parsed, and each event
// is written again and parsed back. No file is touched.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "plako.h"
#include "script_format.h"

namespace {

struct Input {
    const uint8_t *data;
    size_t size;
    size_t at;
};

int next_byte(void *ctx) {
    Input &in = *static_cast<Input *>(ctx);
    return in.at < in.size ? in.data[in.at++] : SCRIPT_SOURCE_END;
}

void check(bool ok) {
    if (!ok) abort();
}

// An event line written again parses back to the same event.
void check_round_trip(const ScriptLine &p) {
    check(p.kind == EVENT_MOUSE || p.kind == EVENT_KBD || p.kind == EVENT_PERIODIC);
    if (p.kind == EVENT_PERIODIC) check(p.count >= 0);
    char text[SCRIPT_EVENT_TEXT];
    int n = script_format_event(text, p.kind, p.x, p.y, p.key, p.count);
    check(n > 0 && n == (int)strlen(text) && text[n - 1] == '\n');
    ScriptLine again;
    script_parse_line(text, 0, &again);
    check(again.status == SCRIPT_LINE_EVENT && again.kind == p.kind && again.x == p.x && again.y == p.y &&
          again.key == p.key && again.count == p.count);
    check(again.exact && again.inexact[0] == '\0');  // what the writer writes reads exactly
}

// A bad or inexact line's quote keeps to one row of at most SCRIPT_SHOWN_MAX characters and "...".
void check_quote(const ScriptLine &p) {
    size_t n = strlen(p.shown);
    check(n <= SCRIPT_SHOWN_MAX + 3);
    for (size_t i = 0; i < n; i++) check((unsigned char)p.shown[i] >= 32 && p.shown[i] != 127);
}

// An event line is exact with no reason, or inexact with a reason and its quote, both on one row.
void check_exactness(const ScriptLine &p) {
    size_t n = strlen(p.inexact);
    check(n < SCRIPT_INEXACT_SIZE && (n == 0) == (p.exact != 0));
    for (size_t i = 0; i < n; i++) check((unsigned char)p.inexact[i] >= 32 && p.inexact[i] != 127);
    if (!p.exact) check_quote(p);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    Input in = {data, size, 0};
    ScriptSource source = {next_byte, &in};
    char line[SCRIPT_LINE_SIZE];
    size_t lines = 0, events = 0;
    for (;;) {
        size_t before = in.at;
        ScriptRead got = script_read_line(source, line);
        check(got != SCRIPT_READ_FAILED);  // memory never fails
        if (got == SCRIPT_READ_AT_END) break;
        lines++;
        size_t n = strlen(line);
        if (got == SCRIPT_READ_LINE) {
            // Every byte read is in the line (a NUL became '?'), and the line end closes it.
            check(n == in.at - before && n < SCRIPT_LINE_SIZE && line[n - 1] == '\n');
        } else {
            // Too long: the first 511 characters, and the byte that did not fit is taken.
            check(got == SCRIPT_READ_TOO_LONG && n == SCRIPT_LINE_SIZE - 1 && in.at - before == n + 1);
        }
        int lone = 0;  // a CR that no LF follows, counted by index as an oracle
        for (size_t i = 0; i < n; i++) lone |= line[i] == '\r' && line[i + 1] != '\n';
        check(script_lone_cr(line) == lone);
        ScriptLine p;
        script_parse_line(line, got == SCRIPT_READ_TOO_LONG, &p);
        switch (p.status) {
            case SCRIPT_LINE_EVENT:
                events++;
                check(n >= 8);  // seven characters and the line end at least
                check_round_trip(p);
                check_exactness(p);
                break;
            case SCRIPT_LINE_EMPTY:
                check(strcmp(line, "\n") == 0 || strcmp(line, "\r\n") == 0);
                break;
            case SCRIPT_LINE_BAD:
                check_quote(p);
                break;
            case SCRIPT_LINE_UNKNOWN:
                check(n >= 8 && line[6] != 'K' && line[6] != 'M' && line[6] != 'P');
                break;
        }
    }
    check(in.at == size);
    check(events <= lines && events <= size / 8);
    return 0;
}
