/* snake: steer a growing snake to the apples; don't hit the wall or yourself.
 *
 * Teaches: a game on the tick (one step per EVENT_PERIODIC), keys that steer,
 *          arrays for the snake's body, numbers that look random but come out
 *          the same in every run, so that a recorded script replays the same game.
 *
 * Controls: w a s d (or i j k l)  up, left, down, right; the first one starts the game
 *           click or space         a new game after a crash
 *           Ctrl+H, Ctrl+A         pause and go on (Run menu)
 *           Ctrl+R                 record your game to PLAKO.SCR; Ctrl+P plays it back
 */
#include <windows.h>
#include "plako.h"

#define CELL 20      /* the field is COLUMNS by ROWS cells of CELL by CELL points */
#define COLUMNS 28
#define ROWS 21
#define LEFT (-280)  /* canvas x of the field's left edge */
#define BOTTOM (-235) /* canvas y of the field's bottom edge */
#define MAX_LENGTH (COLUMNS * ROWS)

int body_x[MAX_LENGTH], body_y[MAX_LENGTH];  /* cells of the snake, head first */
int length;
int step_x, step_y;    /* where the head goes on the next tick */
int moving;            /* 0 until the first key of a game */
int apple_x, apple_y;
int apples;
int crashed;
unsigned int seed = 2024;

/* A number from 0 to n - 1. The same seed gives the same numbers in every run. */
int random_below(int n)
{
    seed = seed * 1103515245u + 12345u;
    return (int)((seed >> 16) % (unsigned int)n);
}

/* 1 when the cell (x, y) is part of the snake. */
int on_snake(int x, int y)
{
    int i;
    for (i = 0; i < length; i++)
        if (body_x[i] == x && body_y[i] == y)
            return 1;
    return 0;
}

/* Puts the apple on a free cell. */
void place_apple(void)
{
    do {
        apple_x = random_below(COLUMNS);
        apple_y = random_below(ROWS);
    } while (on_snake(apple_x, apple_y));
}

void new_game(void)
{
    int i;
    length = 4;
    for (i = 0; i < length; i++) {
        body_x[i] = 8 - i;
        body_y[i] = ROWS / 2;
    }
    step_x = 1;
    step_y = 0;
    moving = 0;
    apples = 0;
    crashed = 0;
    place_apple();
}

/* One step of the game: the head moves on; an apple makes the snake one cell longer. */
void move_snake(void)
{
    int i;
    int head_x = body_x[0] + step_x, head_y = body_y[0] + step_y;
    int eats = head_x == apple_x && head_y == apple_y;

    if (!eats)
        length--;  /* the tail moves on; it is out of the way of the head */
    if (head_x < 0 || head_x >= COLUMNS || head_y < 0 || head_y >= ROWS || on_snake(head_x, head_y)) {
        if (!eats)
            length++;
        crashed = 1;
        return;
    }
    for (i = length; i > 0; i--) {
        body_x[i] = body_x[i - 1];
        body_y[i] = body_y[i - 1];
    }
    body_x[0] = head_x;
    body_y[0] = head_y;
    length++;
    if (eats) {
        apples++;
        if (length < MAX_LENGTH)
            place_apple();
    }
}

/* A key turns the snake, but never straight back into itself. */
void steer(char key)
{
    int x = 0, y = 0;
    if (key == 'w' || key == 'i') y = 1;
    if (key == 's' || key == 'k') y = -1;
    if (key == 'a' || key == 'j') x = -1;
    if (key == 'd' || key == 'l') x = 1;
    if ((x != 0 || y != 0) && !(body_x[0] + x == body_x[1] && body_y[0] + y == body_y[1])) {
        step_x = x;
        step_y = y;
        moving = 1;
    }
}

/* The canvas point in the middle of the cell (x, y). */
int middle_x(int x) { return LEFT + x * CELL + CELL / 2; }
int middle_y(int y) { return BOTTOM + y * CELL + CELL / 2; }

void draw_game(void)
{
    int i, cx, cy;

    plako_rectangle(PLAKO_OLIVE, -297, 247, 297, -247, 0);
    plako_rectangle(PLAKO_FOREST_GREEN, LEFT, BOTTOM + ROWS * CELL - 1, LEFT + COLUMNS * CELL - 1, BOTTOM, 0);

    cx = middle_x(apple_x);
    cy = middle_y(apple_y);
    plako_circle(PLAKO_RED, cx, cy, CELL / 2 - 2);
    plako_line(PLAKO_BROWN, cx, cy + 6, cx + 3, cy + 11, 2);

    /* The body: a wide line from each part to the next, then the head with two eyes
       a little ahead of its middle, looking the way it goes. */
    for (i = length - 1; i > 0; i--)
        plako_line(PLAKO_SEA_GREEN, middle_x(body_x[i]), middle_y(body_y[i]),
                   middle_x(body_x[i - 1]), middle_y(body_y[i - 1]), CELL - 4);
    cx = middle_x(body_x[0]);
    cy = middle_y(body_y[0]);
    plako_circle(crashed ? PLAKO_MAGENTA : PLAKO_YELLOW, cx, cy, CELL / 2);
    cx = cx + 3 * step_x;
    cy = cy + 3 * step_y;
    plako_circle(PLAKO_BLACK, cx - 4 * step_y, cy + 4 * step_x, 2);
    plako_circle(PLAKO_BLACK, cx + 4 * step_y, cy - 4 * step_x, 2);

    plako_text_format(PLAKO_CHALK, LEFT, 212, 18, "apples: %d", apples);
    if (!moving)
        plako_text(PLAKO_WHITE, -200, 30, 28, "w a s d (or i j k l) to go");
    if (crashed)
        plako_text(PLAKO_WHITE, -150, 30, 36, "Crash!\nclick for a new game");
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode)
{
    int x, y, kind;
    char key;

    plako_start(instance, prev_instance, cmd_line, show_mode);
    plako_set_logging(0);
    plako_show_console(0);
    new_game();
    draw_game();
    plako_set_run_mode(RUN_ANIMATE);

    for (;;) {
        kind = plako_next_event(&x, &y, &key);
        if (kind == EVENT_QUIT)
            break;
        if (kind == EVENT_KBD && !crashed)
            steer(key);
        if ((kind == EVENT_MOUSE || (kind == EVENT_KBD && key == ' ')) && crashed)
            new_game();
        if (kind == EVENT_PERIODIC) {
            if (moving && !crashed)
                move_snake();
            draw_game();
        }
    }

    plako_stop();
    return 0;
}
