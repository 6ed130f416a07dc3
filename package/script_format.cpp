// The script's text: one line read from a source of bytes, parsed into its event, or written
// from one.
#include "script_format.h"

#include <ctype.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "plako.h"

namespace {

// A decimal digit, for any char (isdigit is undefined for negative values).
int is_digit(char c) { return isdigit((unsigned char)c) != 0; }

// Finds the number field at or after *pos and converts it into *value; *pos moves past the field.
// A field starts at a digit (or a '-' when minus is set) and runs over digits (and '-'s).
// Returns 0 when no field is found, when it is longer than SCRIPT_NUMBER_SIZE - 1 characters or
// when its value lies outside int32. Like the classic text-to-integer conversion, the value is the
// number that begins the field ("12-3" is 12, a lone "-" is 0).
int parse_number(const char *line, int *pos, int minus, int *value, int *found = nullptr) {
    int start = *pos;
    while (line[start] != '\0' && !is_digit(line[start]) && !(minus && line[start] == '-')) start++;
    if (line[start] == '\0') return 0;
    int end = start;
    while (is_digit(line[end]) || (minus && line[end] == '-')) {
        end++;
        if (end - start > SCRIPT_NUMBER_SIZE - 1) return 0;  // never copied: the buffer holds 11
    }
    char field[SCRIPT_NUMBER_SIZE];
    memcpy(field, line + start, (size_t)(end - start));
    field[end - start] = '\0';
    // 11 characters stay far inside long long, so the conversion itself cannot overflow.
    long long v = strtoll(field, nullptr, 10);
    if (v < INT_MIN || v > INT_MAX) return 0;
    *value = (int)v;
    *pos = end;
    if (found != nullptr) *found = start;
    return 1;
}

// Quotes at most SCRIPT_SHOWN_MAX characters of a line without its line end into shown; control
// characters become '?' so the console keeps one row, and a longer line ends in "...".
void quote(const char *line, char (&shown)[SCRIPT_SHOWN_MAX + 4]) {
    int n = 0;
    for (; line[n] != '\0' && line[n] != '\n' && line[n] != '\r' && n < SCRIPT_SHOWN_MAX; n++) {
        unsigned char c = (unsigned char)line[n];
        shown[n] = (c < 32 || c == 127) ? '?' : (char)c;
    }
    if (line[n] != '\0' && line[n] != '\n' && line[n] != '\r') {
        memcpy(shown + n, "...", 3);
        n += 3;
    }
    shown[n] = '\0';
}

// Length of the line's text before its line end.
int text_length(const char *line) {
    int n = (int)strlen(line);
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r')) n--;
    return n;
}

// A blank inside a line: space or tab.
int is_blank(char c) { return c == ' ' || c == '\t'; }

// Quotes line[from..to) into q for a reason: at most 20 characters, control characters as '?'.
void quote_part(const char *line, int from, int to, char (&q)[28]) {
    int n = 0;
    for (int i = from; i < to && n < 20; i++, n++) {
        unsigned char c = (unsigned char)line[i];
        q[n] = (c < 32 || c == 127) ? '?' : (char)c;
    }
    if (to - from > 20) {
        memcpy(q + n, "...", 3);
        n += 3;
    }
    q[n] = '\0';
}

// Whether line[from..to) is a number as the writer writes it: digits, after a '-' if minus.
int plain_number(const char *line, int from, int to, int minus) {
    if (minus && from < to && line[from] == '-') from++;
    if (from == to) return 0;
    for (int i = from; i < to; i++)
        if (!is_digit(line[i])) return 0;
    return 1;
}

// Writes into why the reason the event line out holds was not read exactly as written; returns 0
// (why empty) when it was. The scan that parsed the line runs again to tell which values a stray
// field was read as.
int inexact_reason(const char *line, const ScriptLine &out, char (&why)[SCRIPT_INEXACT_SIZE]) {
    const char *name = out.kind == EVENT_MOUSE ? "PLAKO_MOUSE"
                       : out.kind == EVENT_KBD ? "PLAKO_KBD"
                                               : "PLAKO_PERIODIC";
    int needed = out.kind == EVENT_MOUSE ? 2 : 1;
    int minus = out.kind != EVENT_PERIODIC;
    int end = text_length(line);
    char q[28];
    why[0] = '\0';
    int open = 0;
    while (open < end && line[open] != '(') open++;
    if (open == end) return snprintf(why, sizeof why, "no ( after %s", name) > 0;
    if ((size_t)open != strlen(name) || strncmp(line, name, (size_t)open) != 0) {
        quote_part(line, 0, open, q);
        return snprintf(why, sizeof why, "%s read as %s", q, name) > 0;
    }
    int close = open + 1;
    while (close < end && line[close] != ')') close++;
    if (close == end) return snprintf(why, sizeof why, "no ) after the numbers") > 0;
    // Where the scan found the values it played, to name them for a stray field.
    int starts[2] = {-1, -1}, values[2] = {0, 0};
    for (int i = 0, pos = 6; i < needed; i++) parse_number(line, &pos, minus, &values[i], &starts[i]);
    int count = 0, comma_first = 0, comma_last = 0;
    for (int pos = open + 1; pos < close;) {
        if (is_blank(line[pos]) || line[pos] == ',') {
            if (line[pos] == ',') {
                if (count == 0) comma_first = 1;
                comma_last = 1;
            }
            pos++;
            continue;
        }
        int from = pos;
        while (pos < close && !is_blank(line[pos]) && line[pos] != ',') pos++;
        comma_last = 0;
        quote_part(line, from, pos, q);
        if (!plain_number(line, from, pos, minus)) {
            int in[2], n = 0;
            for (int i = 0; i < needed; i++)
                if (starts[i] >= from && starts[i] < pos) in[n++] = values[i];
            if (n == 0) return snprintf(why, sizeof why, "%s is not a number", q) > 0;
            if (n == 1) return snprintf(why, sizeof why, "%s read as %d", q, in[0]) > 0;
            return snprintf(why, sizeof why, "%s read as %d and %d", q, in[0], in[1]) > 0;
        }
        if (++count > needed) return snprintf(why, sizeof why, "%s is not read", q) > 0;
    }
    if (comma_first || comma_last) return snprintf(why, sizeof why, "a comma without a number beside it") > 0;
    if (count < needed)
        return snprintf(why, sizeof why, "%s takes %s, the parentheses hold %d", name,
                        needed == 2 ? "two numbers" : "one number", count) > 0;
    if (close + 1 == end || line[close + 1] != ';') return snprintf(why, sizeof why, "no ; after )") > 0;
    for (int pos = close + 2; pos < end; pos++)
        if (!is_blank(line[pos])) return snprintf(why, sizeof why, "text after );") > 0;
    return 0;
}

void set_bad(const char *line, const char *why, ScriptLine *out) {
    out->status = SCRIPT_LINE_BAD;
    out->why = why;
    quote(line, out->shown);
}

// Sets out->exact and, when the line was not read exactly, out->inexact.
void set_exact(const char *line, ScriptLine *out) {
    out->exact = !inexact_reason(line, *out, out->inexact);
    if (!out->exact) quote(line, out->shown);
}

}  // namespace

ScriptRead script_read_line(const ScriptSource &source, char (&line)[SCRIPT_LINE_SIZE]) {
    int n = 0;
    for (;;) {
        int c = source.next(source.ctx);
        if (c < 0) {
            line[n] = '\0';
            return c == SCRIPT_SOURCE_FAILED ? SCRIPT_READ_FAILED : SCRIPT_READ_AT_END;
        }
        if (n == SCRIPT_LINE_SIZE - 1) {
            // The byte just taken belongs to the rest of the line, which is never played.
            line[n] = '\0';
            return SCRIPT_READ_TOO_LONG;
        }
        // A NUL byte would hide the rest of the line from every test below: it is no text.
        line[n++] = c == '\0' ? '?' : (char)c;
        if (c == '\n') {
            line[n] = '\0';
            return SCRIPT_READ_LINE;
        }
    }
}

void script_parse_line(const char *line, int too_long, ScriptLine *out) {
    memset(out, 0, sizeof *out);
    out->why = "";
    if (too_long) {
        set_bad(line, " (more than 511 characters with its line end)", out);
        return;
    }
    // "\r\n" too, for scripts written on Windows.
    if (strcmp(line, "\n") == 0 || strcmp(line, "\r\n") == 0) {
        out->status = SCRIPT_LINE_EMPTY;
        return;
    }
    if (text_length(line) < 7) {
        set_bad(line, "", out);
        return;
    }
    // The prefix "PLAKO_" is not examined: the seventh character alone names the line.
    int pos = 6;
    out->status = SCRIPT_LINE_EVENT;
    switch (line[6]) {
        case 'K':
            if (!parse_number(line, &pos, 1, &out->count)) break;
            out->kind = EVENT_KBD;
            out->key = (char)(out->count & 0xff);
            out->count = 0;
            set_exact(line, out);
            return;
        case 'M':
            if (!parse_number(line, &pos, 1, &out->x) || !parse_number(line, &pos, 1, &out->y)) break;
            out->kind = EVENT_MOUSE;
            set_exact(line, out);
            return;
        case 'P':
            if (!parse_number(line, &pos, 0, &out->count)) break;
            out->kind = EVENT_PERIODIC;
            set_exact(line, out);
            return;
        default:
            // A comment, a lower-case keyword or stray bytes: no kind at all.
            out->status = SCRIPT_LINE_UNKNOWN;
            return;
    }
    // A known kind without the numbers it needs.
    memset(out, 0, sizeof *out);
    set_bad(line, "", out);
}

int script_lone_cr(const char *line) {
    for (const char *cr = strchr(line, '\r'); cr != nullptr; cr = strchr(cr + 1, '\r'))
        if (cr[1] != '\n') return 1;
    return 0;
}

int script_format_event(char (&text)[SCRIPT_EVENT_TEXT], int kind, int x, int y, char key, int count) {
    int n = 0;
    if (kind == EVENT_MOUSE)
        n = snprintf(text, sizeof text, "PLAKO_MOUSE(%d, %d);\n", x, y);
    else if (kind == EVENT_KBD)
        n = snprintf(text, sizeof text, "PLAKO_KBD(%d);\n", (int)(signed char)key);
    else if (kind == EVENT_PERIODIC)
        n = snprintf(text, sizeof text, "PLAKO_PERIODIC(%d);\n", count);
    else
        text[0] = '\0';
    return n > 0 ? n : 0;
}
