// The text of a script file, apart from any file: reading one line from a source of bytes, parsing
// a line into its event, and writing an event as a line. No state, no files, no console: the
// playback and recording of script.cpp, the runner and the fuzzer share these rules.
#ifndef PLAKO_SCRIPT_FORMAT_H
#define PLAKO_SCRIPT_FORMAT_H

#define SCRIPT_LINE_SIZE 512       // one line read, line end and NUL included
#define SCRIPT_NUMBER_SIZE 12      // one number field, NUL included: at most 11 characters
#define SCRIPT_SHOWN_MAX 60        // characters of a bad line quoted in its report
#define SCRIPT_EVENT_TEXT 64       // room for any line script_format_event writes
#define SCRIPT_INEXACT_SIZE 80     // why an event line was not read exactly as written, NUL included
#define SCRIPT_BOM "\xEF\xBB\xBF"  // an editor's byte-order mark: skipped at the start of a file
#define SCRIPT_SOURCE_END (-1)     // what a source's next() returns at its end
#define SCRIPT_SOURCE_FAILED (-2)  // and when it cannot be read

// Where lines come from: next(ctx) returns the next byte (0..255), SCRIPT_SOURCE_END or
// SCRIPT_SOURCE_FAILED.
struct ScriptSource {
    int (*next)(void *ctx);
    void *ctx;
};

enum ScriptRead {
    SCRIPT_READ_LINE,      // a whole line, line end included
    SCRIPT_READ_AT_END,    // the source ended first: a last line without its line end is no line
    SCRIPT_READ_TOO_LONG,  // the line does not fit with its line end in SCRIPT_LINE_SIZE bytes
    SCRIPT_READ_FAILED,    // the source could not be read
};

// Reads one line, line end included, into line. NUL bytes read as '?'. A too-long line holds its
// first 511 characters and the rest of it stays unread; line is always terminated.
ScriptRead script_read_line(const ScriptSource &source, char (&line)[SCRIPT_LINE_SIZE]);

enum ScriptLineStatus {
    SCRIPT_LINE_EVENT,    // one event: kind and its values
    SCRIPT_LINE_EMPTY,    // nothing but its line end ("\n" or "\r\n"): skipped
    SCRIPT_LINE_BAD,      // cannot be played: why and shown say so
    SCRIPT_LINE_UNKNOWN,  // its seventh character names no kind the script knows
};

struct ScriptLine {
    ScriptLineStatus status;
    int kind;                          // EVENT_MOUSE, EVENT_KBD or EVENT_PERIODIC for an event
    int x, y;                          // MOUSE
    char key;                          // KBD: the number's low byte
    int count;                         // PERIODIC: the ticks the line holds as written, 0 included
    const char *why;                   // BAD: "" or the reason added after the line's number
    char shown[SCRIPT_SHOWN_MAX + 4];  // BAD, EVENT not exact: the line quoted on one row, "..." when cut
    // EVENT: 1 when the line is the kind's own name, "(", just the numbers the kind takes
    // (separated by blanks or commas), ");" and blanks, so it plays exactly as it reads.
    int exact;
    char inexact[SCRIPT_INEXACT_SIZE];  // EVENT not exact: why, e.g. "0x10 read as 0 and 10"
};

// Parses one line as read (too_long: script_read_line said SCRIPT_READ_TOO_LONG) into *out.
void script_parse_line(const char *line, int too_long, ScriptLine *out);

// Whether the line holds a CR that no LF follows: a line end the reader does not take as one.
int script_lone_cr(const char *line);

// Writes the line of one event into text: MOUSE from x and y, KBD from key, PERIODIC from count.
// Returns its length, or 0 for any other kind (text is then empty).
int script_format_event(char (&text)[SCRIPT_EVENT_TEXT], int kind, int x, int y, char key, int count);

#endif
