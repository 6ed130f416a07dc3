// Script recording and playback: the event stream written to and read back from "PLAKO.SCR".
//
// One file, one direction at a time: recording and playback refuse each other, so the shared
// stream and tick counter always belong to exactly one of them.
#include <ctype.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "internal.h"

namespace {

const char SCRIPT_NAME[] = "PLAKO.SCR";
const int LINE_SIZE = 512;      // one line read, line end and NUL included
const int NUMBER_SIZE = 12;     // one number field, NUL included: at most 11 characters
const int SHOWN_LINE_MAX = 60;  // characters of a bad line quoted in its report

struct ScriptState {
    FILE *file;         // the script while it is held, or null
    int file_writing;   // 1 when file was opened for writing, 0 for reading
    int recording;      // events returned by the wait are written
    int playback;       // the wait takes its events from the script
    int play_one;       // the next playback hook takes one event from the script
    int pending_ticks;  // recording: ticks not yet written; playing: ticks still to deliver
};

ScriptState script_state;

// Sets or removes the check mark of one Run menu item.
void script_check(UINT id, int on) {
    CheckMenuItem(event_run_menu(), id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

// Reports one line that could not be written (or a close that lost some).
void script_report_write_failure(void) {
    plako_console_printf("Cannot write script file %s\n", SCRIPT_NAME);
}

// Ends playback after the reader met the end, a read error or a line it cannot play. The file is
// closed too, so the next Playback or Play One starts again from the first line.
int script_end_playback(void) {
    script_stop_playback();
    script_close();
    return 0;
}

// A decimal digit, for any char (isdigit is undefined for negative values).
int script_digit(char c) {
    return isdigit((unsigned char)c) != 0;
}

// Reports a line that cannot be played, quoting at most SHOWN_LINE_MAX of its characters
// without its line end; control characters are shown as '?' so the console keeps one row.
void script_report_bad_line(const char *line) {
    char shown[SHOWN_LINE_MAX + 4];
    int n = 0;
    for (; line[n] != '\0' && line[n] != '\n' && line[n] != '\r' && n < SHOWN_LINE_MAX; n++) {
        unsigned char c = (unsigned char)line[n];
        shown[n] = (c < 32 || c == 127) ? '?' : (char)c;
    }
    if (line[n] != '\0' && line[n] != '\n' && line[n] != '\r') {
        memcpy(shown + n, "...", 3);
        n += 3;
    }
    shown[n] = '\0';
    plako_console_printf("Bad line in script file %s: %s\n", SCRIPT_NAME, shown);
}

// Finds the number field at or after *pos and converts it into *value; *pos moves past the field.
// A field starts at a digit (or a '-' when minus is set) and runs over digits (and '-'s).
// Returns 0 when no field is found, when it is longer than NUMBER_SIZE - 1 characters or when
// its value lies outside int32. Like the classic text-to-integer conversion, the value is the
// number that begins the field ("12-3" is 12, a lone "-" is 0).
int script_number(const char *line, int *pos, int minus, int *value) {
    int start = *pos;
    while (line[start] != '\0' && !script_digit(line[start]) && !(minus && line[start] == '-')) start++;
    if (line[start] == '\0') return 0;
    int end = start;
    while (script_digit(line[end]) || (minus && line[end] == '-')) {
        end++;
        if (end - start > NUMBER_SIZE - 1) return 0;  // never copied: the buffer holds 11
    }
    char field[NUMBER_SIZE];
    memcpy(field, line + start, (size_t)(end - start));
    field[end - start] = '\0';
    // 11 characters stay far inside long long, so the conversion itself cannot overflow.
    long long v = strtoll(field, nullptr, 10);
    if (v < INT_MIN || v > INT_MAX) return 0;
    *value = (int)v;
    *pos = end;
    return 1;
}

// A line that holds nothing but its line end ("\r\n" too, for scripts written on Windows).
int script_empty_line(const char *line) {
    return strcmp(line, "\n") == 0 || strcmp(line, "\r\n") == 0;
}

// Length of the line's text before its line end.
int script_text_length(const char *line) {
    int n = (int)strlen(line);
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r')) n--;
    return n;
}

// Opens the script for writing if none is held. Returns 0 (reported) when it cannot.
int script_open_for_writing(void) {
    ScriptState &s = script_state;
    if (s.file != nullptr && !s.file_writing) script_close();  // a reader left open by Play One
    if (s.file != nullptr) return 1;
    s.file = fopen(SCRIPT_NAME, "wt");
    if (s.file == nullptr) {
        plako_console_printf("Cannot open script file %s for writing\n", SCRIPT_NAME);
        return 0;
    }
    s.file_writing = 1;
    return 1;
}

}  // namespace

// Appends the line of one event: MOUSE from x and y, KBD from key, PERIODIC from pending_ticks;
// other kinds only open the file. Each line is flushed so that a killed process keeps it.
void script_write(int kind, int x, int y, char key) {
    ScriptState &s = script_state;
    if (!script_open_for_writing()) return;
    int written;
    if (kind == EVENT_MOUSE) {
        written = fprintf(s.file, "PLAKO_MOUSE(%d, %d);\n", x, y);
    } else if (kind == EVENT_KBD) {
        written = fprintf(s.file, "PLAKO_KBD(%d);\n", (int)(signed char)key);
    } else if (kind == EVENT_PERIODIC) {
        written = fprintf(s.file, "PLAKO_PERIODIC(%d);\n", s.pending_ticks);
    } else {
        return;
    }
    if (written < 0 || fflush(s.file) != 0) {
        script_report_write_failure();
        clearerr(s.file);  // so that the next line is tried, and judged, on its own
    }
}

// Delivers the next script event into the pending event and returns 1, or returns 0 (playback
// ended, with its reason on the console) when there is none.
int script_read(void) {
    ScriptState &s = script_state;
    if (s.file != nullptr && s.file_writing) {  // never both directions: the recording keeps its file
        script_stop_playback();
        return 0;
    }
    if (s.file == nullptr) {
        s.file = fopen(SCRIPT_NAME, "rt");
        if (s.file == nullptr) {
            plako_console_printf("Cannot open script file %s for reading\n", SCRIPT_NAME);
            script_stop_playback();
            return 0;
        }
        s.file_writing = 0;
    }
    PendingEvent *ev = event_pending();
    if (s.pending_ticks > 0) {
        s.pending_ticks--;
        ev->kind = EVENT_PERIODIC;
        return 1;
    }
    char line[LINE_SIZE];
    for (;;) {
        // The end is judged by the indicator, not by the read: a last line without its line end
        // runs into the end while it is read and is not played.
        char *got = fgets(line, LINE_SIZE, s.file);
        if (feof(s.file)) {
            plako_console_printf("EOF encountered in script file %s\n", SCRIPT_NAME);
            return script_end_playback();
        }
        if (got == nullptr) {  // a read error (a directory named PLAKO.SCR, a failing disk)
            plako_console_printf("Cannot read script file %s\n", SCRIPT_NAME);
            return script_end_playback();
        }
        if (!script_empty_line(line)) break;
    }
    if (script_text_length(line) < 7) {
        script_report_bad_line(line);
        return script_end_playback();
    }
    // The prefix "PLAKO_" is not examined: the seventh character alone names the line.
    int pos = 6;
    int x = 0, y = 0, n = 0;
    switch (line[6]) {
        case 'K':
            if (!script_number(line, &pos, 1, &n)) break;
            ev->kind = EVENT_KBD;
            ev->key = (char)(n & 0xff);
            return 1;
        case 'M':
            if (!script_number(line, &pos, 1, &x) || !script_number(line, &pos, 1, &y)) break;
            ev->kind = EVENT_MOUSE;
            ev->x = x;
            ev->y = y;
            return 1;
        case 'P':
            if (!script_number(line, &pos, 0, &n)) break;
            // This call delivers the run's first tick; a count of 0 still delivers one.
            s.pending_ticks = n > 0 ? n - 1 : 0;
            ev->kind = EVENT_PERIODIC;
            return 1;
        default:
            return script_end_playback();  // an unknown line ends the script quietly
    }
    script_report_bad_line(line);
    return script_end_playback();
}

// Switches playback and play-one off and removes the Playback check mark.
void script_stop_playback(void) {
    script_state.playback = 0;
    script_state.play_one = 0;
    script_check(CMD_PLAYBACK, 0);
}

// Closes the held script, if any; the next write or read opens it afresh.
void script_close(void) {
    ScriptState &s = script_state;
    if (s.file == nullptr) return;
    int failed = fclose(s.file) != 0;
    if (failed && s.file_writing) script_report_write_failure();
    s.file = nullptr;
    s.file_writing = 0;
}

// Record (Ctrl+R): on, or off with the open run of ticks written and the file closed.
void script_command_record(void) {
    ScriptState &s = script_state;
    if (!s.recording) {
        if (s.playback || s.play_one) {
            plako_console_printf("Cannot record while a script is playing\n");
            return;
        }
        // A reader left open by Play One, and the ticks it still owed, belong to the old script.
        script_close();
        s.pending_ticks = 0;
        s.recording = 1;
        script_check(CMD_RECORD, 1);
        return;
    }
    s.recording = 0;
    script_check(CMD_RECORD, 0);
    if (s.pending_ticks > 0) {
        script_write(EVENT_PERIODIC, 0, 0, 0);
        s.pending_ticks = 0;
    }
    script_close();
}

// Playback (Ctrl+P): on after halting the animation, or off with the file closed.
void script_command_playback(void) {
    ScriptState &s = script_state;
    if (!s.playback) {
        if (s.recording) {
            plako_console_printf("Cannot play a script while recording\n");
            return;
        }
        event_reset_run_flags();
        s.playback = 1;
        script_check(CMD_PLAYBACK, 1);
        return;
    }
    s.playback = 0;
    script_check(CMD_PLAYBACK, 0);
    script_close();
}

// Play One (Ctrl+O): the next playback hook delivers one script event; the animation halts.
void script_command_play_one(void) {
    ScriptState &s = script_state;
    if (s.recording) {
        plako_console_printf("Cannot play a script while recording\n");
        return;
    }
    s.play_one = 1;
    event_reset_run_flags();
}

int script_reading(void) {
    return script_state.playback || script_state.play_one;
}

// After the pump step: 1 when the script delivered the wait's event. A pass whose pump step took
// the quit message does not consult the script.
int script_playback_hook(void) {
    ScriptState &s = script_state;
    if (!s.playback && !s.play_one) return 0;
    if (event_pending()->kind == EVENT_QUIT) return 0;
    s.play_one = 0;
    return script_read();  // on 0, script_read has switched playback and play-one off
}

// Before the wait returns: ticks are counted, any other event is written after the open run.
void script_record_hook(int kind, int x, int y, char key) {
    ScriptState &s = script_state;
    if (!s.recording) return;
    if (kind == EVENT_PERIODIC) {
        if (s.pending_ticks == INT_MAX) {  // a run this long is split rather than overflowed
            script_write(EVENT_PERIODIC, 0, 0, 0);
            s.pending_ticks = 0;
        }
        s.pending_ticks++;
        return;
    }
    if (s.pending_ticks > 0) {
        script_write(EVENT_PERIODIC, 0, 0, 0);
        s.pending_ticks = 0;
    }
    script_write(kind, x, y, key);
}
