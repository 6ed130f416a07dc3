// Script recording and playback: the event stream written to and read back from "PLAKO.SCR".
//
// One file, one direction at a time: recording and playback refuse each other, so the shared
// file and tick counter always belong to exactly one of them.
//
// The file is reached through the C runtime's descriptors rather than a stdio stream, for three
// reasons: it is opened without blocking and taken only when it is a regular file (a FIFO named
// PLAKO.SCR would otherwise hang the open); a recorded line is written whole or cut back, so a
// failed write never leaves half a line for the next one to glue onto; and before every write the
// file is checked to still be the one recording started, so nothing goes into a deleted, replaced
// or emptied file.
//
// While it is held the file is locked: exclusively by a recording, shared by a playback, so two
// programs never record into one file and none plays a file another is recording. A recording
// that a fault ends shows the console, where its line is: a user who hid the console would not
// otherwise know that Ctrl+R now starts a new recording.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>

#include "internal.h"
#include "regular_file.h"
#include "replay.h"
#include "script_format.h"

#ifdef _WIN32
#include <io.h>
// The C runtime's names for the same calls (regular_file.cpp opens the file, in text mode).
#define file_stat(name, st) _stati64((name), (st))
#define file_fstat(fd, st) _fstati64((fd), (st))
#define file_write(fd, p, n) _write((fd), (p), (unsigned)(n))
#define file_tell(fd) _lseeki64((fd), 0, SEEK_CUR)
#define file_seek(fd, at) _lseeki64((fd), (at), SEEK_SET)
#define file_truncate(fd, at) _chsize_s((fd), (at))
#define file_close(fd) _close(fd)
#define file_stream(fd) _fdopen((fd), "rt")
// The C runtime has no file identity here (no inode, and a drive number only from a name), and
// Windows refuses to delete or rename over a file that is open: the name is only checked to exist.
#define file_same(a, b) 1
#else
#include <unistd.h>
#define file_stat(name, st) stat((name), (st))
#define file_fstat(fd, st) fstat((fd), (st))
#define file_write(fd, p, n) write((fd), (p), (n))
#define file_tell(fd) lseek((fd), 0, SEEK_CUR)
#define file_seek(fd, at) lseek((fd), (at), SEEK_SET)
// ftruncate reports failure as -1 and errno; _chsize_s returns the error: both are 0 on success.
#define file_truncate(fd, at) ftruncate((fd), (at))
#define file_close(fd) close(fd)
#define file_stream(fd) fdopen((fd), "r")
#define file_same(a, b) ((a).st_dev == (b).st_dev && (a).st_ino == (b).st_ino)
#endif

namespace {

const char SCRIPT_NAME[] = "PLAKO.SCR";

struct ScriptState {
    int fd;             // the script's descriptor, valid while held
    int held;           // a script file is held: fd, and stream when reading
    FILE *stream;       // reading: the buffered stream over fd
    int file_writing;   // 1 when the file was opened for writing, 0 for reading
    long long bytes;    // writing: size of the file after its last complete line
    long lines;         // writing: complete lines in the file; reading: lines read so far
    FileStat identity;  // writing: the file as opened, to notice a replacement under the name
    int recording;      // events returned by the wait are written
    int playback;       // the wait takes its events from the script
    int play_one;       // the next playback hook takes one event from the script
    int pending_ticks;  // recording: ticks not yet written; playing: ticks still to deliver
    // What became of the last playback, for the replay interface.
    ReplayOutcome ended;  // how it ended; meaningless while playback is on
    long ended_line;
    char reason[REPLAY_REASON_SIZE];
    long long consumed;  // reading: bytes of the file read so far
    long read_line;      // line of the last event read from the script
    long event_line;     // line of the last event handed to the program
    int unhanded;        // an event read from the script was not handed over
    // What the reader met that plays otherwise than it reads, for the replay interface.
    long inexact_line;  // the first event line not read exactly as written; 0: none
    char inexact[SCRIPT_INEXACT_SIZE];
    char inexact_text[SCRIPT_SHOWN_MAX + 4];
    long unended_line;  // a last line without its line end, not played; 0: none
    long lone_cr_line;  // the first line holding a CR that no LF follows; 0: none
};

ScriptState script_state;

// Skips a byte-order mark at the start of the stream, an editor's mark that is no text. Returns
// the bytes skipped; without one the stream is back at its start.
long long script_skip_bom(FILE *f) {
    char head[sizeof SCRIPT_BOM - 1];
    if (fread(head, 1, sizeof head, f) == sizeof head && memcmp(head, SCRIPT_BOM, sizeof head) == 0)
        return (long long)sizeof head;
    clearerr(f);  // a read error shows again at the first line
    fseek(f, 0, SEEK_SET);
    return 0;
}

// Notes, for the replay interface, a line read whole or not: a CR alone in it, and a last line
// that ran into the end of the file. number: the line's number.
void script_note_read(const char *line, ScriptRead got, long number) {
    ScriptState &s = script_state;
    if (got == SCRIPT_READ_AT_END && line[0] == '\0') return;  // the file ended with its last line end
    if (s.lone_cr_line == 0 && script_lone_cr(line)) s.lone_cr_line = number;
    if (got == SCRIPT_READ_AT_END && s.unended_line == 0) s.unended_line = number;
}

// Sets or removes the check mark of one Run menu item.
void script_check(UINT id, int on) {
    CheckMenuItem(event_run_menu(), id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

// Ends recording after its file failed, changed or belongs to another program: the check mark
// goes, the console shows the line that says why, the ticks not yet written are dropped and the
// file is let go.
void script_end_recording(void) {
    ScriptState &s = script_state;
    s.recording = 0;
    s.pending_ticks = 0;
    script_check(CMD_RECORD, 0);
    plako_show_console(1);
    script_close();
}

// Reports that the script cannot be opened for the direction, and why: another program's lock,
// what the file is when it is no regular file, or the system's reason, which is kept in the state.
void script_report_open(int for_writing, FileLock lock, const char *kind, int err) {
    ScriptState &s = script_state;
    if (for_writing)
        plako_console_printf("Cannot open script file %s for writing\n", SCRIPT_NAME);
    else
        plako_console_printf("Cannot open script file %s for reading\n", SCRIPT_NAME);
    if (lock == FILE_LOCK_WRITER) {
        plako_console_printf("%s is being recorded by another program\n", SCRIPT_NAME);
        snprintf(s.reason, sizeof s.reason, "%s is being recorded by another program", SCRIPT_NAME);
    } else if (lock == FILE_LOCK_READERS) {
        plako_console_printf("%s is being played by another program\n", SCRIPT_NAME);
        snprintf(s.reason, sizeof s.reason, "%s is being played by another program", SCRIPT_NAME);
    } else if (kind != nullptr) {
        plako_console_printf("%s is %s, not a regular file\n", SCRIPT_NAME, kind);
        snprintf(s.reason, sizeof s.reason, "%s is %s, not a regular file", SCRIPT_NAME, kind);
    } else {
        plako_console_printf("%s: %s\n", SCRIPT_NAME, strerror(err));
        snprintf(s.reason, sizeof s.reason, "%s: %s", SCRIPT_NAME, strerror(err));
    }
}

// Opens the script, without blocking, when it is a regular file that no other program holds in
// the way, and locks it. Writing empties it, as the classic "wt" open does. Returns 0 after
// reporting why not; a recording that meets another program's file ends there.
int script_open(int for_writing) {
    ScriptState &s = script_state;
    FileStat st;
    int err = 0;
    const char *kind = nullptr;
    int fd = regular_file_open(SCRIPT_NAME, for_writing, &st, &err, &kind);
    // Locked before it is emptied, so that another program's recording loses nothing.
    FileLock lock = fd >= 0 ? regular_file_lock(fd, for_writing) : FILE_LOCK_TAKEN;
    int usable = fd >= 0 && lock == FILE_LOCK_TAKEN;
    // Only a regular file is emptied: never a device or a FIFO that happened to open.
    if (usable && for_writing && file_truncate(fd, 0) != 0) err = errno;
    FILE *stream = nullptr;
    if (usable && err == 0 && !for_writing && (stream = file_stream(fd)) == nullptr) err = errno;
    if (!usable || err != 0) {
        if (fd >= 0) file_close(fd);
        script_report_open(for_writing, lock, kind, err);
        if (for_writing) {
            // Another program's file is not tried again at every event: that would take it over
            // the moment the other program stops, and empty what it recorded. Any other reason
            // keeps recording on, trying again at the next event.
            if (lock != FILE_LOCK_TAKEN) script_end_recording();
            plako_show_console(1);
        }
        return 0;
    }
    s.fd = fd;
    s.stream = stream;
    s.held = 1;
    s.file_writing = for_writing;
    s.bytes = 0;
    s.lines = 0;
    s.consumed = stream != nullptr ? script_skip_bom(stream) : 0;
    s.identity = st;
    return 1;
}

// Whether recording may start: not while another program records or plays the script. It only
// looks, creating and emptying nothing; the open for the first line takes the lock for good.
int script_free_to_record(void) {
    FileStat st;
    int err = 0;
    const char *kind = nullptr;
    int fd = regular_file_open(SCRIPT_NAME, 0, &st, &err, &kind);
    if (fd < 0) return 1;  // nobody's file to take; the first line's open reports what is wrong
    FileLock lock = regular_file_lock(fd, 1);
    file_close(fd);
    if (lock == FILE_LOCK_TAKEN) return 1;
    script_report_open(1, lock, nullptr, 0);
    plako_show_console(1);
    return 0;
}

// Whether the held file is still the one recording wrote: the name must still lead to it and it
// must hold exactly what was written. Otherwise reports why and ends recording.
int script_still_ours(void) {
    ScriptState &s = script_state;
    FileStat now, named;
    const char *what = nullptr;
    if (file_fstat(s.fd, &now) != 0) {
        plako_console_printf("Recording stopped: script file %s cannot be checked: %s\n", SCRIPT_NAME,
                             strerror(errno));
        script_end_recording();
        return 0;
    }
    if (file_stat(SCRIPT_NAME, &named) != 0) {
        what = "was deleted or moved away";
    } else if (!file_same(named, s.identity)) {
        what = "was replaced by another file";
    } else if ((long long)now.st_size < s.bytes) {
        what = "was emptied or cut short";
    } else if ((long long)now.st_size > s.bytes) {
        what = "was written to by another program";
    }
    if (what == nullptr) return 1;
    // Recording does not go on in a new file: that file would begin in the middle of the
    // session and replay wrongly, and whatever now stands under the name is not ours to empty.
    plako_console_printf("Recording stopped: script file %s %s while recording; %ld %s had been written\n",
                         SCRIPT_NAME, what, s.lines, s.lines == 1 ? "line" : "lines");
    script_end_recording();
    return 0;
}

// Appends one line whole, or nothing: after a failed write the file is cut back to its last
// complete line and recording ends with one line saying so. Returns 0 when recording ended.
int script_put_line(const char *text) {
    ScriptState &s = script_state;
    if (!script_still_ours()) return 0;
    size_t n = strlen(text), done = 0;
    int err = 0;
    SizeSignalIgnored ignored;  // till the cut below is done
    while (done < n) {
        long w = (long)file_write(s.fd, text + done, n - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            err = w < 0 ? errno : ENOSPC;  // a write that takes nothing without an error: no room
            break;
        }
        done += (size_t)w;
    }
    if (err == 0) {
        long long at = file_tell(s.fd);
        s.bytes = at >= 0 ? at : s.bytes + (long long)n;
        s.lines++;
        return 1;
    }
    if (file_truncate(s.fd, s.bytes) == 0 && file_seek(s.fd, s.bytes) >= 0) {
        plako_console_printf("Cannot write script file %s: %s; recording stopped, the file holds %ld %s\n",
                             SCRIPT_NAME, strerror(err), s.lines, s.lines == 1 ? "line" : "lines");
    } else {
        int cut_err = errno;
        plako_console_printf(
            "Cannot write script file %s: %s; recording stopped, cutting it back failed: %s\n", SCRIPT_NAME,
            strerror(err), strerror(cut_err));
    }
    script_end_recording();
    return 0;
}

// Ends playback after the reader met the end, a read error or a line it cannot play, and keeps
// how it ended. The file is closed too, so the next Playback or Play One starts again from the
// first line.
int script_end_playback(ReplayOutcome how) {
    script_stop_playback();
    script_close();
    script_state.ended = how;
    script_state.ended_line = script_state.lines;
    return 0;
}

// Reports a line that cannot be played, by its number, and quotes it.
int script_bad_line(const ScriptLine &parsed) {
    ScriptState &s = script_state;
    snprintf(s.reason, sizeof s.reason, "%s: %s", parsed.why, parsed.shown);
    plako_console_printf("Bad line %ld in script file %s%s: %s\n", s.lines, SCRIPT_NAME, parsed.why,
                         parsed.shown);
    return script_end_playback(REPLAY_BAD_LINE);
}

// A stream as a source of bytes, counted.
struct ScriptStream {
    FILE *file;
    long long *consumed;
};

int script_next_byte(void *ctx) {
    ScriptStream &in = *(ScriptStream *)ctx;
    int c = getc(in.file);
    if (c != EOF) {
        ++*in.consumed;
        return c;
    }
    return ferror(in.file) ? SCRIPT_SOURCE_FAILED : SCRIPT_SOURCE_END;
}

// Whether the stream holds nothing but empty lines from where it stands, where `lines` lines have
// been read; it is left there. A last line without its line end is never played: it counts as
// empty, and is noted.
int script_rest_empty(FILE *f, long lines) {
    long at = ftell(f);
    if (at < 0) return 0;
    long long ahead = 0;
    ScriptStream in = {f, &ahead};
    ScriptSource source = {script_next_byte, &in};
    char line[SCRIPT_LINE_SIZE];
    int empty = 1;
    for (;;) {
        ScriptRead got = script_read_line(source, line);
        script_note_read(line, got, ++lines);
        if (got == SCRIPT_READ_AT_END) break;
        ScriptLine parsed;
        script_parse_line(line, got == SCRIPT_READ_TOO_LONG, &parsed);
        if (got == SCRIPT_READ_FAILED || parsed.status != SCRIPT_LINE_EMPTY) {
            empty = 0;
            break;
        }
    }
    clearerr(f);
    return fseek(f, at, SEEK_SET) == 0 && empty;
}

}  // namespace

// Appends the line of one event: MOUSE from x and y, KBD from key, PERIODIC from pending_ticks;
// other kinds only open the file. Each line goes to the file as it is written, so that a killed
// process keeps it. Returns 0 when the line could not be written (reported).
int script_write(int kind, int x, int y, char key) {
    ScriptState &s = script_state;
    if (s.held && !s.file_writing) script_close();  // a reader left open by Play One
    if (!s.held && !script_open(1)) return 0;
    char text[SCRIPT_EVENT_TEXT];
    if (script_format_event(text, kind, x, y, key, s.pending_ticks) == 0) return 1;
    return script_put_line(text);
}

// Delivers the next script event into the pending event and returns 1, or returns 0 (playback
// ended, with its reason on the console) when there is none.
int script_read(void) {
    ScriptState &s = script_state;
    if (s.held && s.file_writing) {  // never both directions: the recording keeps its file
        script_stop_playback();
        s.ended = REPLAY_SWITCHED_OFF;
        return 0;
    }
    if (!s.held && !script_open(0)) {
        script_stop_playback();
        s.ended = REPLAY_CANNOT_OPEN;  // script_open kept the reason
        return 0;
    }
    PendingEvent *ev = event_pending();
    if (s.pending_ticks > 0) {
        s.pending_ticks--;
        ev->kind = EVENT_PERIODIC;
        return 1;
    }
    ScriptStream in = {s.stream, &s.consumed};
    ScriptSource source = {script_next_byte, &in};
    char line[SCRIPT_LINE_SIZE];
    ScriptLine parsed;
    for (;;) {
        ScriptRead got = script_read_line(source, line);
        script_note_read(line, got, s.lines + 1);
        if (got == SCRIPT_READ_AT_END) {
            // A last line without its line end runs into the end while it is read: not played.
            plako_console_printf("EOF encountered in script file %s\n", SCRIPT_NAME);
            return script_end_playback(REPLAY_AT_END);
        }
        s.lines++;
        if (got == SCRIPT_READ_FAILED) {
            snprintf(s.reason, sizeof s.reason, "%s", strerror(errno));
            plako_console_printf("Cannot read script file %s at line %ld: %s\n", SCRIPT_NAME, s.lines,
                                 s.reason);
            return script_end_playback(REPLAY_READ_ERROR);
        }
        script_parse_line(line, got == SCRIPT_READ_TOO_LONG, &parsed);
        if (parsed.status != SCRIPT_LINE_EMPTY) break;
    }
    switch (parsed.status) {
        case SCRIPT_LINE_EVENT:
            ev->kind = parsed.kind;
            ev->x = parsed.x;
            ev->y = parsed.y;
            ev->key = parsed.key;
            // This call delivers the run's first tick; a count of 0 still delivers one.
            if (parsed.kind == EVENT_PERIODIC) s.pending_ticks = parsed.count > 0 ? parsed.count - 1 : 0;
            s.read_line = s.lines;
            if (!parsed.exact && s.inexact_line == 0) {
                s.inexact_line = s.lines;
                memcpy(s.inexact, parsed.inexact, sizeof s.inexact);
                memcpy(s.inexact_text, parsed.shown, sizeof s.inexact_text);
            }
            return 1;
        case SCRIPT_LINE_UNKNOWN:
            // A comment, a lower-case keyword or stray bytes: playback ends here without a console
            // line; the replay interface names the line.
            return script_end_playback(REPLAY_UNKNOWN_KIND);
        default:
            return script_bad_line(parsed);
    }
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
    if (!s.held) return;
    int failed = s.stream != nullptr ? fclose(s.stream) != 0 : file_close(s.fd) != 0;
    if (failed && s.file_writing)
        plako_console_printf("Cannot close script file %s: %s; it may not hold all of its %ld lines\n",
                             SCRIPT_NAME, strerror(errno), s.lines);
    s.stream = nullptr;
    s.fd = -1;
    s.held = 0;
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
        if (!script_free_to_record()) return;
        s.recording = 1;
        script_check(CMD_RECORD, 1);
        return;
    }
    s.recording = 0;
    script_check(CMD_RECORD, 0);
    if (s.pending_ticks > 0) {
        script_write(EVENT_PERIODIC, 0, 0, 0);
        s.pending_ticks = 0;
    } else if (s.held && s.file_writing) {
        script_still_ours();  // stopping says so too when the file went away with nothing owed
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
        s.ended = REPLAY_NOT_STARTED;
        s.consumed = 0;
        s.read_line = 0;
        s.event_line = 0;
        s.unhanded = 0;
        s.inexact_line = s.unended_line = s.lone_cr_line = 0;
        script_check(CMD_PLAYBACK, 1);
        return;
    }
    s.playback = 0;
    s.ended = REPLAY_SWITCHED_OFF;
    s.ended_line = s.lines;
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

int script_reading(void) { return script_state.playback || script_state.play_one; }

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
            if (!script_write(EVENT_PERIODIC, 0, 0, 0)) return;
            s.pending_ticks = 0;
        }
        s.pending_ticks++;
        return;
    }
    if (s.pending_ticks > 0) {
        if (!script_write(EVENT_PERIODIC, 0, 0, 0)) return;  // recording has ended
        s.pending_ticks = 0;
    }
    script_write(kind, x, y, key);
}

void script_handed(int from_script, int handed) {
    ScriptState &s = script_state;
    if (!from_script) return;
    // Only the quit event replaces a script's event: the program never saw that one.
    if (handed == EVENT_QUIT) {
        s.unhanded = 1;
        return;
    }
    s.event_line = s.read_line;
    s.unhanded = 0;
}

void replay_script(ReplayScript *out) {
    const ScriptState &s = script_state;
    out->outcome = s.playback ? REPLAY_PLAYING : s.ended;
    out->line = s.playback ? 0 : s.ended_line;
    static_assert(sizeof out->reason == sizeof s.reason, "one size of reason");
    memcpy(out->reason, s.reason, sizeof out->reason);
    out->event_line = s.event_line;
    out->read_line = s.read_line;
    out->inexact_line = s.inexact_line;
    snprintf(out->inexact, sizeof out->inexact, "%s", s.inexact);
    snprintf(out->inexact_text, sizeof out->inexact_text, "%s", s.inexact_text);
    out->unended_line = s.unended_line;
    out->lone_cr_line = s.lone_cr_line;
}

int replay_script_rest_empty(void) {
    ScriptState &s = script_state;
    if (s.playback && s.held && !s.file_writing)
        return s.pending_ticks == 0 && !s.unhanded && script_rest_empty(s.stream, s.lines);
    if (s.playback || s.ended == REPLAY_NOT_STARTED) {
        // Not held: not opened yet (all of it is left), or closed by plako_stop while playing (the
        // rest after what was read is left). Held for writing: a recording, which plays nothing.
        if (s.held || s.pending_ticks > 0 || s.unhanded) return 0;
        long long skip = s.playback ? s.consumed : 0;
        FileStat st;
        int err = 0;
        const char *kind = nullptr;
        int fd = regular_file_open(SCRIPT_NAME, 0, &st, &err, &kind);
        if (fd < 0) return 0;
        FILE *f = file_stream(fd);
        if (f == nullptr) {
            file_close(fd);
            return 0;
        }
        int at = skip > 0 ? fseek(f, (long)skip, SEEK_SET) == 0 : (script_skip_bom(f), 1);
        int empty = at && script_rest_empty(f, s.playback ? s.lines : 0);
        fclose(f);
        return empty;
    }
    return s.ended == REPLAY_AT_END;
}
