/* A student's program for the runner's tests: a red dot for each tick, left to right, and at the
 * fourth tick a recursion without a base case overflows its stack. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "plako.h"

/* Sums 1..n, forgetting the base case. */
static long sum_to(long n) {
    volatile char frame[512];
    frame[(unsigned long)n % 512] = (char)n;
    return n + sum_to(n - 1) + frame[(unsigned long)(n + 1) % 512];
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev_instance, LPSTR cmd_line, int show_mode) {
    int x = 0, y = 0, ticks = 0;
    char key = 0;
    int kind;

    plako_start(instance, prev_instance, cmd_line, show_mode);
    plako_set_logging(0);
    plako_erase();
    while ((kind = plako_next_event(&x, &y, &key)) != EVENT_QUIT) {
        if (kind != EVENT_PERIODIC) continue;
        if (ticks == 3) {
            printf("%ld\n", sum_to(10));
        }
        plako_circle(PLAKO_RED, -200 + 40 * ticks, 0, 10);
        ticks++;
    }
    plako_stop();
    return 0;
}
