/* plako.h: the PLAKO graphics package, a small procedural graphics library for teaching.
 *
 * A program includes this header, defines WinMain and calls, in this order:
 *
 *     plako_start(instance, prev_instance, cmd_line, show_mode);
 *     plako_show_console(0);            (optional: hide the console until something is logged)
 *     plako_set_logging(0);             (optional: no log line for every drawing call)
 *     plako_erase();                    (the canvas is black until the first erase)
 *     plako_set_run_mode(RUN_ANIMATE);  (optional: periodic events every 100 ms)
 *     for (;;) {
 *         int kind = plako_next_event(&x, &y, &key);
 *         if (kind == EVENT_QUIT) break;
 *         ... handle EVENT_MOUSE, EVENT_KBD, EVENT_PERIODIC, drawing as it likes ...
 *     }
 *     plako_stop();
 *     return 0;
 *
 * docs/API.md says the same with pictures. It is installed with the package, with the examples
 * and the template, in <prefix>/share/doc/plako (docs/API.md, examples/, template/): ask
 * `pkg-config --variable=docdir plako`, or read PLAKO_DOC_DIR after find_package(plako).
 *
 * ---- The canvas and its coordinates ----
 *
 * Everything is drawn on a canvas of 601 by 540 pixels that the package keeps off screen. Canvas
 * coordinates are ints: x grows to the right, y grows UPWARD, and (0, 0) is the centre of the
 * graphics window's client area (not of the canvas). The graphics window "PLAKO Graphics" is 601 by
 * 540 pixels on the outside; without its frame (3 pixels a side), caption (19) and menu bar (20)
 * its client area is 595 by 495 pixels, so the origin is client pixel (297, 247) and
 *
 *     canvas point (x, y)  is  client pixel (297 + x, 247 - y).
 *
 * The window shows x from -297 to 297 and y from -247 to 247. The canvas itself reaches x from
 * -297 to 303 and y from -292 to 247: its strips right of x = 297 and below y = -247 are never
 * seen. Anything drawn beyond the canvas is clipped; no coordinate is ever an error. (These numbers
 * hold for classic window metrics, as on Linux and in the classic Windows look; the origin is
 * always the centre of the client area, recomputed whenever the window gets its size.)
 *
 * Where shapes go:
 * - Rectangle corners are inclusive: plako_rectangle(c, -10, 5, 10, -5, 0) covers 21 by 11
 *   pixels, x from -10 to 10 and y from -5 to 5. A circle of radius r covers 2r + 1 pixels across.
 * - Width 0 means filled (edge and inside in the colour); width w > 0 draws only the edge, with a
 *   pen w pixels wide centred on the edge pixels (for an even w the extra pixel lies left of or
 *   above the edge), and leaves the inside as it was. Outer corners of wide outlines are rounded.
 * - Text is anchored at the lower-left corner of its first line: the first line's character cell
 *   fills the rows just above the anchor (canvas y + 1 up to y + h, h being the cell height of the
 *   font), so text drawn at y sits on the line y without touching it. Each '\n' starts a new line
 *   h pixels lower. Only the glyphs are painted; the background between them stays as it was.
 *
 * Nothing reaches the window while the program draws: the drawing calls change the canvas, and
 * the package copies the whole canvas to the window in one piece the next time the program calls
 * plako_next_event. So a frame never shows half drawn.
 *
 * ---- Colours ----
 *
 * Every call that draws takes a colour index 0..23 (the PLAKO_ macros below, each with its name
 * and RGB value). Index 1, white, is the background. A bad index is drawn in red (2) after the
 * console line "Illegal color N; using RED.".
 *
 * ---- Events ----
 *
 * plako_next_event waits for the next event and returns its kind; it stores x, y and key every
 * time:
 *
 *   EVENT_MOUSE     a left click in the graphics window: x, y the canvas point clicked (from -297
 *                   to 297 and -247 to 247), key 0. Other buttons give no event.
 *   EVENT_KBD       a typed character: key the character, x and y 0.
 *   EVENT_PERIODIC  an animation tick: x, y and key 0.
 *   EVENT_QUIT      the close box (or Alt+F4), Quit in the Run menu (Ctrl+Q), or any event after
 *                   plako_set_run_mode(RUN_QUIT): x, y and key 0, or those of the event it replaces.
 *
 * Only the values of the returned kind mean something; do not rely on the others.
 *
 * The keys. A typed character comes as its Windows-1252 code: letters, digits, punctuation and
 * space as themselves (a is 97), accented letters too (e acute is 233), Enter 13, Backspace 8, Tab 9,
 * Esc 27. key is a char, which is signed on the usual compilers (x86 and x86-64, Windows): codes
 * 128 to 255 then arrive as -128 to -1 (e acute as -23); (unsigned char)key gives the code back.
 * No event comes for keys that type nothing (arrows, function keys, Delete, Shift, Alt), for
 * Ctrl with any key (Ctrl+A, H, F, L, R, P, O, Q are the Run menu's accelerators; the rest are
 * dropped), nor for Alt with a letter (the menu's mnemonics). Alt or F10 opens the Run menu. Keys
 * typed while the console window has the focus count as typed in the graphics window.
 *
 * The tick. A timer ticks every 100 ms. While animating (RUN_ANIMATE), each wait that finds no
 * click or character first returns EVENT_PERIODIC at the next tick after the wait began: periodic
 * events are at least 100 ms apart and never pile up while the program is busy. A click or a
 * character ends the wait at once, in every run mode.
 *
 * ---- The state at start ----
 *
 * After plako_start the package is halted (no periodic events until a run mode asks for them),
 * logging is on (every drawing call writes a log line to the console, and the Run menu's Logging
 * item is checked), the console window is shown (with the show mode handed to plako_start), and
 * the canvas is black until the first plako_erase. Most programs therefore hide the console, switch
 * logging off, erase, and choose RUN_ANIMATE right after plako_start.
 *
 * ---- The Run menu ----
 *
 * The graphics window carries a menu "Run" whose items work with the mouse, with Alt+R and the
 * arrow keys, and through Ctrl accelerators pressed in either window:
 *
 *   Animate            Ctrl+A   periodic events at every tick
 *   Halt animation     Ctrl+H   no more periodic events (one already waiting for its tick comes)
 *   Advance one frame  Ctrl+F   halts, then one periodic event
 *   Logging            Ctrl+L   logging on or off, with its check mark; does not show the console
 *   Record Script      Ctrl+R   starts or stops recording the events into PLAKO.SCR (checked while on)
 *   Playback Script    Ctrl+P   halts and plays PLAKO.SCR back, or stops playing (checked while on)
 *   Play One Script    Ctrl+O   halts and plays the next event of PLAKO.SCR
 *   Quit               Ctrl+Q   the wait returns EVENT_QUIT
 *
 * ---- The console and scripts ----
 *
 * The console window "PLAKO Text" spans the bottom third of the screen and shows the latest lines
 * the package and the program wrote, in a fixed-pitch font; it repaints the last 25 of them. Every
 * message of the package is one console line: the corrections of bad arguments (whether logging is
 * on or not) and, while logging is on, one log line per drawing call. The console's close box
 * closes the console for the rest of the run; the program goes on.
 *
 * A script, PLAKO.SCR in the current directory, holds one event per line: PLAKO_MOUSE(x, y);
 * PLAKO_KBD(c); (c from -128 to 127) and PLAKO_PERIODIC(n); (a run of n ticks). While a script
 * plays, each wait returns its next event at once, without waiting for ticks.
 *
 * All calls must come from the thread that called plako_start.
 */
#ifndef PLAKO_H
#define PLAKO_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Event kinds: the result of plako_next_event ---- */
#define EVENT_NONE (-1)  /* internal to the wait; never returned */
#define EVENT_MOUSE 1    /* a left click: x, y the canvas point */
#define EVENT_KBD 2      /* a typed character: key */
#define EVENT_PERIODIC 3 /* an animation tick */
#define EVENT_QUIT 4     /* the program is asked to end */

/* ---- Run modes: the argument of plako_set_run_mode ---- */
#define RUN_HALT 0      /* no periodic events */
#define RUN_ONE_FRAME 1 /* one periodic event (at the next tick), then as before */
#define RUN_ANIMATE 2   /* a periodic event at every tick, 100 ms apart */
#define RUN_QUIT 5      /* every later wait returns EVENT_QUIT once it has an event */

/* ---- Colour indices into the palette: index, name in console lines, RGB value ---- */
#define PLAKO_BLACK 0         /* "black"         RGB(  0,   0,   0) */
#define PLAKO_WHITE 1         /* "white"         RGB(255, 255, 255)  the background */
#define PLAKO_RED 2           /* "red"           RGB(255,   0,   0)  used for a bad index */
#define PLAKO_GREEN 3         /* "green"         RGB(  0, 255,   0) */
#define PLAKO_BLUE 4          /* "blue"          RGB(  0,   0, 255) */
#define PLAKO_YELLOW 5        /* "yellow"        RGB(255, 255,   0) */
#define PLAKO_MAGENTA 6       /* "magenta"       RGB(255,   0, 255) */
#define PLAKO_CYAN 7          /* "cyan"          RGB(  0, 255, 255) */
#define PLAKO_PURPLE 8        /* "purple"        RGB(153,   0, 204) */
#define PLAKO_NAVY_BLUE 9     /* "navy blue"     RGB(  0,  51, 153) */
#define PLAKO_DUSTY_PLUM 10   /* "dusty plum"    RGB(153, 102, 153) */
#define PLAKO_ICE_BLUE 11     /* "ice blue"      RGB(153, 255, 255) */
#define PLAKO_TURQUOISE 12    /* "turquoise"     RGB(153, 255, 204) */
#define PLAKO_ORANGE 13       /* "orange"        RGB(255, 102,   0) */
#define PLAKO_BROWN 14        /* "brown"         RGB(153, 102,  51) */
#define PLAKO_PINK 15         /* "pink"          RGB(255, 153, 204) */
#define PLAKO_CHALK 16        /* "chalk"         RGB(255, 255, 153) */
#define PLAKO_GOLD 17         /* "gold"          RGB(204, 153,  51) */
#define PLAKO_PEACH 18        /* "peach"         RGB(255, 153, 102) */
#define PLAKO_FOREST_GREEN 19 /* "forest green"  RGB(  0, 102,  51) */
#define PLAKO_SEA_GREEN 20    /* "sea green"     RGB( 51, 204, 153) */
#define PLAKO_OLIVE 21        /* "olive"         RGB(153, 153,  51) */
#define PLAKO_GRAY_50 22      /* "50% gray"      RGB(128, 128, 128) */
#define PLAKO_GRAY_20 23      /* "20% gray"      RGB(204, 204, 204) */
#define PLAKO_COLOUR_COUNT 24 /* valid indices are 0 .. PLAKO_COLOUR_COUNT - 1 */

/* ---- Start and stop ---- */

/* Starts the package: registers the window classes (unless prev_instance is non-null, which
 * means they exist), creates the graphics window "PLAKO Graphics" at the screen's top-left corner
 * with its Run menu, the console window "PLAKO Text" along the bottom third of the screen, the
 * canvas (black) and the 100 ms tick timer, and shows both windows with show_mode. The package is
 * then halted, with logging on. Hand it WinMain's four arguments unchanged; cmd_line is not read.
 * Call it once, before any other call: a second call does nothing.
 * Returns 1. */
int plako_start(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode);

/* Ends the package's use of the window: releases its device context, so the canvas no longer
 * reaches the screen, and closes PLAKO.SCR if it is open. A recording still on keeps the ticks
 * since its last line only if a later event was recorded (the quit event returned by the wait
 * is): a program that ends without one loses them. The windows stay until the program ends.
 * Call it once, after the last event, just before WinMain returns.
 * Returns 1. */
int plako_stop(void);

/* ---- The event wait and its controls ---- */

/* Waits for the next event. Stores the event's canvas x and y and its key through the three
 * pointers every time (a null pointer is skipped); what each kind puts there is in the Events
 * section above. While waiting it runs the windows: it copies the canvas to the graphics window
 * when something was drawn, repaints, and carries out the Run menu's commands. Without an event
 * to come (halted, no input) it sleeps in the system and takes no processor time.
 * While a script plays, it returns the script's next event at once; while recording, it writes
 * every event it returns to PLAKO.SCR. After plako_set_run_mode(RUN_QUIT) it still waits for an
 * event as usual and then returns EVENT_QUIT in its place.
 * Returns the event's kind: EVENT_MOUSE, EVENT_KBD, EVENT_PERIODIC or EVENT_QUIT (never
 * EVENT_NONE). */
int plako_next_event(int *x, int *y, char *key);

/* Sets the run mode, for the waits that follow:
 *   RUN_HALT       no periodic events; also cancels a RUN_ONE_FRAME not yet delivered;
 *   RUN_ONE_FRAME  one periodic event, at the next tick; while animating this changes nothing.
 *                  A click or character that comes before that tick is returned instead, and
 *                  the frame is then usually lost: set the mode again if it matters;
 *   RUN_ANIMATE    a periodic event at every tick;
 *   RUN_QUIT       from now on every wait returns EVENT_QUIT once it has an event. It does not
 *                  end a wait by itself: a halted program with no input waits on. There is no
 *                  way back.
 * Any other value changes nothing. The Run menu changes the same flags.
 * Returns 1, or 0 without doing anything before plako_start. */
int plako_set_run_mode(int mode);

/* Switches logging on (flag non-zero) or off (0), with the check mark of the Run menu's Logging
 * item. While logging is on, every drawing call writes one line describing it to the console.
 * Switching logging on also shows the console window; switching it off leaves the console shown
 * or hidden as it was. (The menu's Logging item, Ctrl+L, toggles without showing the console.)
 * Returns 1, or 0 without doing anything before plako_start. */
int plako_set_logging(int flag);

/* ---- The console ---- */

/* Writes one console line, formatted by printf's rules: the console scrolls up by a line and
 * shows the text in its bottom row. End the text with "\n" (the one final newline is not drawn;
 * every call takes a row of its own, with or without it). The text is cut at 1023 characters.
 * Works whether the console is shown or hidden; the last 25 lines are kept and come back when the
 * console is shown or repainted.
 * Returns the number of characters the formatting produced (before any cut), or a negative value
 * for a formatting error (an empty line is written then) or a null format (then the line is
 * "plako_console_printf: the format is a null pointer"). On a desktop each line also goes to
 * standard error, so a program started from a terminal shows its lines there. */
int plako_console_printf(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

/* Shows (show non-zero) or hides (0) the console window. Hiding it loses nothing: lines written
 * meanwhile are kept and appear when it is shown again. plako_set_logging(1) shows it too.
 * Returns non-zero when the console was visible before the call, else 0 (also before
 * plako_start). */
int plako_show_console(int show);

/* ---- Drawing, in canvas coordinates ----
 *
 * Each call draws on the canvas at once; the window shows the canvas at the program's next
 * plako_next_event. A call corrects a bad argument rather than refusing it: it writes one console
 * line per correction (whether logging is on or not) and goes on with the corrected value. With
 * logging on it then writes its log line, which names the colour as the palette does ("navy
 * blue"). Every drawing call returns 1, except plako_text_format. Called before plako_start, a
 * call makes its corrections and log line but draws nothing, and says so with
 * "%s called before plako_start: nothing drawn\n" (the call's name for %s). */

/* A filled circle of the given radius around (x, y): the ellipse inscribed in the square from
 * (x - radius, y + radius) to (x + radius, y - radius), both corners inclusive, so 2 * radius + 1
 * pixels across. Radius 1 is a plus of 5 pixels; radius 0 draws nothing. There is no outlined
 * circle.
 * Corrects: a colour outside 0..23 to red, with "Illegal color %d; using RED.\n"; a negative
 *   radius to its magnitude, with "Radius of %d not possible, using radius %d\n".
 * Logs: "%s circle at (%d,%d), radius %d\n" (colour name, x, y, radius as corrected).
 * Returns 1. */
int plako_circle(int colour, int x, int y, int radius);

/* A triangle through (x1, y1), (x2, y2) and (x3, y3): filled for width 0, else its edge drawn
 * width pixels wide, centred on the edge, and the inside left as it was.
 * Corrects (in this order): the colour to red, with "Illegal color %d; using RED.\n"; a
 *   negative width to its magnitude, with "Width of %d not possible, using width %d\n".
 * Logs: "%s triangle at (%d,%d), (%d,%d), (%d,%d)\n" (colour name, the six coordinates as given;
 *   the width is not logged).
 * Returns 1. */
int plako_triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3, int width);

/* A rectangle with opposite corners (x1, y1) and (x2, y2), in either order; both corners are
 * inclusive, so it covers |x2 - x1| + 1 by |y2 - y1| + 1 pixels; but a rectangle whose corners
 * are one point draws nothing at widths 0 and 1. Filled for width 0, else its edge drawn width
 * pixels wide, centred on the edge pixels, and the inside left as it was.
 * Corrects (in this order): the colour to red, with "Illegal color %d; using RED.\n"; a negative
 *   width to its magnitude, with "Width of %d not possible, using width %d\n". The corners are
 *   put in order silently: (x1, y1) becomes the upper-left one (smaller x, larger y).
 * Logs, with the ordered corners: "%s rectangle with bounding box (%d,%d) to (%d,%d), filled\n"
 *   for width 0, else "%s rectangle with bounding box (%d,%d) to (%d,%d) with line width %d\n".
 * Returns 1. */
int plako_rectangle(int colour, int x1, int y1, int x2, int y2, int width);

/* A line from (x1, y1) to (x2, y2), width pixels wide (0 draws it 1 pixel wide). A 1-pixel line
 * leaves out its end pixel (x2, y2), so one from a point to itself draws nothing and one from
 * (x, y) to (x + 1, y) is the single pixel (x, y); a wider line includes both ends and has round
 * ends.
 * Corrects (in this order, the reverse of the other shapes): a negative width to its magnitude,
 *   with "Width of %d not possible, using width %d\n"; the colour to red, with
 *   "Illegal color %d; using RED.\n".
 * Logs: "%s line from (%d,%d) to (%d,%d), width %d\n" (width as corrected; 0 is logged as 0).
 * Returns 1. */
int plako_line(int colour, int x1, int y1, int x2, int y2, int width);

/* Draws text with its first line's lower-left corner at (x, y): the first line's character cell
 * ends just above row y, and each '\n' starts a new line one cell height lower (an empty line
 * still takes its place). ptsize is the character height in pixels, from 0 to 127; 0 is the
 * system's default size (12 pixels on Linux). The face is named "PLAKO-font", which no system
 * has, so the system puts its substitute in (on Linux Arial's, Liberation Sans: a 12-pixel size
 * has a 14-pixel cell). Only the glyphs are painted. A null text is drawn as the empty text,
 * after "plako_text: the text is a null pointer, drawing the empty text\n". The text is copied;
 * the caller's string is not kept.
 * Encoding: text is drawn in Windows-1252. A text that is valid UTF-8 with at least one multi-byte
 *   sequence ("caf\xC3\xA9", as an editor saves "cafe" with an accent) is drawn as its characters
 *   (here "caf\xE9"); those Windows-1252 lacks are drawn as '?', and the first such text of the
 *   run is named once with
 *   "The text \"%.*s\" has characters Windows-1252 lacks, drawn as '?' (said once)\n". Any other
 *   text is drawn byte for byte as Windows-1252 ("caf\xE9"). Console lines follow the same rule.
 * Corrects (in this order): a negative ptsize to its magnitude, then a ptsize above 127 to 127,
 *   each with "ptsize of %d not possible, using ptsize %d\n" (so -200 writes two lines: -200 to
 *   200, then 200 to 127); the colour to red, with "Illegal color %d; using RED.\n".
 * Logs: "%s text at (%d,%d), \"%s\"\n" (colour name, x, y, the text; the size is not logged; a
 *   log line longer than 1023 characters is cut).
 * Returns 1. */
int plako_text(int colour, int x, int y, int ptsize, const char *text);

/* Formats the text by printf's rules and draws it as plako_text does, with the same corrections
 * and log line (showing the formatted text). The formatted text is cut at 1023 characters.
 * Returns the number of characters the formatting produced (before any cut), not 1; or a
 * negative value for a formatting error, after drawing the empty text. A null format draws
 * nothing and returns -1, after "plako_text_format: the format is a null pointer, nothing drawn\n". */
int plako_text_format(int colour, int x, int y, int ptsize, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 5, 6)))
#endif
    ;

/* Erases the whole canvas to white. The canvas's outermost pixel ring is drawn black: of it, the
 * window shows the left column (x = -297) and the top row (y = 247).
 * Logs: "Clearing the graphics window\n".
 * Returns 1. */
int plako_erase(void);

#ifdef __cplusplus
}
#endif

#endif
