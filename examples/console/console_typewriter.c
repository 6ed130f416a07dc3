/* typewriter: what you type appears on a sheet of paper.
 *
 * Teaches: EVENT_KBD and the key it brings (Enter is 13, Backspace 8, Esc 27;
 *          letters with accents arrive as codes above 127), plako_console_printf,
 *          plako_show_console, plako_set_logging, plako_text with '\n' in the text.
 *
 * Controls: type      the letters go on the paper; a line wraps by itself
 *           Enter     new line
 *           Backspace take back the last letter
 *           Esc       logging on or off: with logging on the console lists every
 *                     drawing call the program makes (Ctrl+L in the Run menu
 *                     switches it too, but the note on the paper does not know)
 *
 * The console window ("PLAKO Text") is shown at start; this program writes a line
 * there for every key, so watch it while you type.
 */
#include <windows.h>
#include "plako.h"

#define LINE_LENGTH 34  /* letters on a line before it wraps */
#define LINES 12        /* lines on the page */
#define PAGE_SIZE (LINES * (LINE_LENGTH + 1))  /* letters and line ends on a full page */

char page[PAGE_SIZE + 1];  /* the text so far, '\n' between lines, ending in a 0 byte */
int length = 0;            /* letters in page */
int lines = 1;             /* lines in page */
int column = 0;            /* letters on the last line */

/* Draws the sheet of paper and the text on it, with a _ where the next letter goes. */
void draw_page(int logging)
{
    plako_rectangle(PLAKO_GRAY_50, -297, 247, 297, -247, 0);
    plako_rectangle(PLAKO_WHITE, -230, 230, 230, -230, 0);
    plako_line(PLAKO_PINK, -180, 230, -180, -230, 2);  /* the margin */
    plako_text_format(PLAKO_NAVY_BLUE, -170, 176, 20, "%s_", page);
    plako_text(logging ? PLAKO_RED : PLAKO_GRAY_50, -220, -220, 12,
               logging ? "logging on (Esc)" : "logging off (Esc)");
}

/* Adds one letter to the page; a full line wraps, and a full page starts a new sheet. */
void add_letter(char letter)
{
    if (letter == '\n' || column == LINE_LENGTH) {
        if (lines == LINES) {
            length = 0;
            lines = 1;
        } else {
            page[length++] = '\n';
            lines++;
        }
        column = 0;
    }
    if (letter != '\n') {
        page[length++] = letter;
        column++;
    }
    page[length] = 0;
}

/* Takes back the last letter (not across a line end). */
void remove_letter(void)
{
    if (column > 0) {
        length--;
        page[length] = 0;
        column--;
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode)
{
    int x, y, kind, code;
    int logging = 0;
    char key;

    plako_start(instance, prev_instance, cmd_line, show_mode);
    plako_set_logging(logging);  /* on at start; off until Esc */
    plako_show_console(1);       /* already shown at start; this is how to show it again */
    plako_console_printf("Type on the paper. Esc switches logging on and off.\n");
    draw_page(logging);

    for (;;) {
        kind = plako_next_event(&x, &y, &key);
        if (kind == EVENT_QUIT)
            break;
        if (kind != EVENT_KBD)
            continue;

        code = (unsigned char)key;  /* char may be signed: codes above 127 would be negative */
        if (code == 27) {
            logging = !logging;
            plako_set_logging(logging);
            plako_console_printf("logging %s\n", logging ? "on" : "off");
        } else if (code == 13) {
            add_letter('\n');
            plako_console_printf("Enter: a new line\n");
        } else if (code == 8) {
            remove_letter();
            plako_console_printf("Backspace\n");
        } else if (code >= 32) {
            add_letter(key);
            plako_console_printf("key %3d '%c'\n", code, key);
        } else {
            plako_console_printf("key %3d: not a letter\n", code);
        }
        draw_page(logging);
    }

    plako_stop();
    return 0;
}
