// The drawing operations: each corrects and reports bad arguments, logs the call while logging is
// on, and hands one DrawCommand to the renderer.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "internal.h"
#include "text_encoding.h"

namespace {

const int largest_ptsize = 127;

// The magnitude of a negative size; -INT_MIN does not exist in int32, so it becomes INT_MAX.
int negate(int v) { return v == (-2147483647 - 1) ? 2147483647 : -v; }

// The width check shared by triangle, rectangle and line.
int check_width(int width) {
    if (width >= 0) return width;
    int corrected = negate(width);
    plako_console_printf("Width of %d not possible, using width %d\n", width, corrected);
    return corrected;
}

// Copies text into a new movable block; null (and nothing written) when none can be had.
HGLOBAL copy_text(const char *text) {
    size_t n = strlen(text);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, n + 1);
    if (!block) return NULL;
    char *p = (char *)GlobalLock(block);
    if (!p) {
        GlobalFree(block);
        return NULL;
    }
    memcpy(p, text, n);
    p[text_to_code_page(p, n)] = '\0';  // UTF-8 drawn as its characters (text_encoding.h)
    GlobalUnlock(block);
    return block;
}

// Whether there is a canvas to draw on; before plako_start there is none, and the call says so
// rather than vanishing without a word.
int started(const char *call) {
    if (window_canvas()) return 1;
    plako_console_printf("%s called before plako_start: nothing drawn\n", call);
    return 0;
}

// The public call that makes each kind of DrawCommand, for the report above.
const char *call_of(int kind) {
    switch (kind) {
        case SHAPE_TRIANGLE:
            return "plako_triangle";
        case SHAPE_RECTANGLE:
            return "plako_rectangle";
        case SHAPE_OVAL:
            return "plako_circle";
        case SHAPE_LINE:
            return "plako_line";
        default:
            return "plako_text";
    }
}

// Fills in one DrawCommand and hands it to the renderer, once the package has been started.
void render(int kind, int colour, int width, int x1, int y1, int x2, LONG_PTR y2, int x3 = 0, int y3 = 0) {
    if (!started(call_of(kind))) return;
    DrawCommand cmd = {};
    cmd.kind = kind;
    cmd.colour = colour;
    cmd.width = width;
    cmd.x1 = x1;
    cmd.y1 = y1;
    cmd.x2 = x2;
    cmd.y2 = y2;
    cmd.x3 = x3;
    cmd.y3 = y3;
    replay_draw(&cmd);
    plako_render(&cmd);
    scene_add(&cmd);
}

}  // namespace

// A filled circle of the given radius around (x, y); returns 1.
int plako_circle(int colour, int x, int y, int radius) {
    colour = plako_check_colour(colour);
    if (radius < 0) {
        int corrected = negate(radius);
        plako_console_printf("Radius of %d not possible, using radius %d\n", radius, corrected);
        radius = corrected;
    }
    if (event_logging())
        plako_console_printf("%s circle at (%d,%d), radius %d\n", palette_name(colour), x, y, radius);
    render(SHAPE_OVAL, colour, 0, plako_saturate((long long)x - radius),
           plako_saturate((long long)y + radius), plako_saturate((long long)x + radius),
           plako_saturate((long long)y - radius));
    return 1;
}

// A triangle through three points, filled for width 0, else outlined in that width; returns 1.
int plako_triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3, int width) {
    colour = plako_check_colour(colour);
    width = check_width(width);
    if (event_logging())
        plako_console_printf("%s triangle at (%d,%d), (%d,%d), (%d,%d)\n", palette_name(colour), x1, y1, x2,
                             y2, x3, y3);
    render(SHAPE_TRIANGLE, colour, width, x1, y1, x2, y2, x3, y3);
    return 1;
}

// A rectangle between two opposite corners (both inclusive), filled for width 0; returns 1.
int plako_rectangle(int colour, int x1, int y1, int x2, int y2, int width) {
    // Afterwards (x1, y1) is the upper-left corner in y-up coordinates.
    if (x1 > x2) {
        int t = x1;
        x1 = x2;
        x2 = t;
    }
    if (y1 < y2) {
        int t = y1;
        y1 = y2;
        y2 = t;
    }
    colour = plako_check_colour(colour);
    width = check_width(width);
    if (event_logging()) {
        if (width == 0)
            plako_console_printf("%s rectangle with bounding box (%d,%d) to (%d,%d), filled\n",
                                 palette_name(colour), x1, y1, x2, y2);
        else
            plako_console_printf("%s rectangle with bounding box (%d,%d) to (%d,%d) with line width %d\n",
                                 palette_name(colour), x1, y1, x2, y2, width);
    }
    render(SHAPE_RECTANGLE, colour, width, x1, y1, x2, y2);
    return 1;
}

// A line between two points, at least one pixel wide; returns 1.
int plako_line(int colour, int x1, int y1, int x2, int y2, int width) {
    // Unlike the other shapes, a line checks its width before its colour.
    width = check_width(width);
    colour = plako_check_colour(colour);
    if (event_logging())
        plako_console_printf("%s line from (%d,%d) to (%d,%d), width %d\n", palette_name(colour), x1, y1, x2,
                             y2, width);
    render(SHAPE_LINE, colour, width >= 1 ? width : 1, x1, y1, x2,
           y2);  // width 0 is drawn one pixel wide, silently
    return 1;
}

// Text whose first line has its lower-left corner at (x, y); further lines go below; returns 1.
// A null text is reported and drawn as the empty text.
int plako_text(int colour, int x, int y, int ptsize, const char *text) {
    if (!text) {
        plako_console_printf("plako_text: the text is a null pointer, drawing the empty text\n");
        text = "";
    }
    if (ptsize < 0) {
        int corrected = negate(ptsize);
        plako_console_printf("ptsize of %d not possible, using ptsize %d\n", ptsize, corrected);
        ptsize = corrected;
    }
    if (ptsize > largest_ptsize) {
        plako_console_printf("ptsize of %d not possible, using ptsize %d\n", ptsize, largest_ptsize);
        ptsize = largest_ptsize;
    }
    colour = plako_check_colour(colour);
    text_note_lossy(text);
    // A long text makes a long log line; the console cuts it at its 1023-character limit.
    if (event_logging())
        plako_console_printf("%s text at (%d,%d), \"%s\"\n", palette_name(colour), x, y, text);

    if (!started("plako_text")) return 1;
    // The renderer gets a private copy, so the command never refers to the caller's string.
    HGLOBAL copy = copy_text(text);
    render(SHAPE_TEXT, colour, 0, x, y, ptsize, (LONG_PTR)copy);
    if (copy) GlobalFree(copy);
    return 1;
}

// Formats into 1024 bytes (cut at 1023 characters) and draws the result as plako_text does.
// Returns what the formatting produced: the untruncated length, or negative on an encoding error
// (then the empty text is drawn). A null format is reported, draws nothing and returns -1.
int plako_text_format(int colour, int x, int y, int ptsize, const char *format, ...) {
    if (!format) {
        plako_console_printf("plako_text_format: the format is a null pointer, nothing drawn\n");
        return -1;
    }
    char buf[PLAKO_TEXT_BUFFER];
    va_list args;
    va_start(args, format);
    int produced = plako_vformat(buf, format, args);
    va_end(args);
    plako_text(colour, x, y, ptsize, buf);
    return produced;
}

// Fills the whole canvas with the background colour; returns 1.
int plako_erase(void) {
    if (event_logging()) plako_console_printf("Clearing the graphics window\n");
    if (!started("plako_erase")) return 1;
    replay_draw(nullptr);
    plako_fill_canvas();
    scene_erase();
    return 1;
}
