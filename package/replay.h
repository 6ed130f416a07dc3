// The replay interface: what a headless runner needs from the package to watch a program run, and
// to learn what happened to its script. Not part of plako.h: a program never sees it.
//
// The runner registers its hooks before it calls the program's WinMain. With none registered the
// package behaves exactly as it does without a runner.
#ifndef PLAKO_REPLAY_H
#define PLAKO_REPLAY_H

#include <stddef.h>

#define REPLAY_REASON_SIZE 200  // a reason, cut to 199 characters

struct ReplayHooks {
    // The program enters plako_next_event. Non-zero ends that wait at once with EVENT_QUIT (x, y
    // and key 0), before any message is taken or any line read.
    int (*wait)(void *ctx);
    // The wait is about to hand the program this event; from_script: the script delivered it.
    // Returns the kind the program gets instead (the kind itself to leave it be); the hook may
    // change *x, *y and *key too.
    int (*event)(void *ctx, int kind, int *x, int *y, char *key, int from_script);
    // One console line, as the console keeps it (formatted, cut at 1023 characters).
    void (*console_line)(void *ctx, const char *text);
    // The program calls plako_stop; the windows still show their last picture.
    void (*stop)(void *ctx);
    // One drawing call, after the package corrected its arguments, before it is drawn.
    void (*draw)(void *ctx, const struct ReplayDraw *call);
    void *ctx;
};

enum ReplayDrawKind {
    REPLAY_CIRCLE,
    REPLAY_RECTANGLE,
    REPLAY_TRIANGLE,
    REPLAY_LINE,
    REPLAY_TEXT,
    REPLAY_ERASE
};

// A drawing call as the package draws it: canvas coordinates (origin at the centre, y up).
struct ReplayDraw {
    ReplayDrawKind kind;
    const char *colour;  // the palette's name ("red"); null for ERASE
    int width;           // RECTANGLE and TRIANGLE: 0 filled; LINE: at least 1
    // CIRCLE: x[0], y[0] the centre; RECTANGLE: upper-left x[0], y[0], lower-right x[1], y[1];
    // TRIANGLE: three points; LINE: two points; TEXT: x[0], y[0] the first line's lower-left corner.
    int x[3], y[3];
    int radius;        // CIRCLE
    int ptsize;        // TEXT
    const char *text;  // TEXT, as drawn; valid during the call only
};

// Registers the hooks (copied; any of them may be null), or with null removes them all.
void replay_set_hooks(const ReplayHooks *hooks);

enum ReplayOutcome {
    REPLAY_NOT_STARTED,   // Playback was never switched on
    REPLAY_PLAYING,       // Playback is on
    REPLAY_AT_END,        // played to the end of the file
    REPLAY_BAD_LINE,      // stopped at line: reason is the line's report ("...: text")
    REPLAY_READ_ERROR,    // stopped at line: reason is the system's
    REPLAY_UNKNOWN_KIND,  // stopped at line, whose kind is unknown
    REPLAY_CANNOT_OPEN,   // reason: what the name is, or the system's reason
    REPLAY_SWITCHED_OFF,  // Playback was switched off, or refused by a recording, before an end
};

struct ReplayScript {
    ReplayOutcome outcome;
    long line;                        // the line the outcome names (BAD_LINE, READ_ERROR, UNKNOWN_KIND)
    char reason[REPLAY_REASON_SIZE];  // BAD_LINE: " (why): text" or ": text"; else as above
    long event_line;                  // the line of the last event handed to the program; 0: none
    long read_line;                   // the line of the last event read from the script; 0: none
    // What plays otherwise than it reads, found in the lines read so far (by playback, or by
    // replay_script_rest_empty looking ahead):
    long inexact_line;                      // the first event line not read exactly as written; 0: none
    char inexact[REPLAY_REASON_SIZE];       // its reason, e.g. "0x10 read as 0 and 10"
    char inexact_text[REPLAY_REASON_SIZE];  // the line, quoted on one row
    long unended_line;  // a last line without its line end, which is never played; 0: none
    long lone_cr_line;  // the first line holding a CR that no LF follows (no line end); 0: none
};

// What has happened to the script so far.
void replay_script(ReplayScript *out);

// Whether nothing but empty lines is left to play after the events handed over so far: no ticks
// owed, no event read and not handed over. Before playback starts, the whole file is looked at.
// A last line without its line end counts as empty (it is never played) and is noted in
// replay_script's unended_line.
int replay_script_rest_empty(void);

// The canvas as the graphics window shows it, without what the window draws over it (the
// inspector): row by row as 0x00RRGGBB, w * h values for a client area of w by h. 0 before
// plako_start.
int replay_canvas_pixels(unsigned int *out, int w, int h);

// The canvas described in words (UTF-8, one sentence a line, lines separated by '\n'), from the
// drawing calls behind it, into out (cut to cap - 1 bytes, always terminated when cap > 0).
// Returns the whole description's length, as snprintf does. The web page calls it too.
extern "C" size_t replay_describe(char *out, size_t cap);

#endif
