// The canvas as a picture: its pixels as the window shows them, and saved as a PNG file.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "internal.h"
#include "png_write.h"
#include "regular_file.h"

// Saved pictures are called plako-001.png, plako-002.png, ...: the first number whose name is free,
// up to this one (three digits; the console line for all of them taken names it too).
#define PICTURE_LAST 999

// Copies the canvas into a bitmap of the client area's size and reads that back: Windows reads
// only a bitmap that no DC holds, and the canvas's is held for the whole run.
int picture_pixels(unsigned int *out, int w, int h) {
    HDC canvas = window_canvas();
    if (!canvas || !out || w <= 0 || h <= 0) return 0;
    HDC dc = CreateCompatibleDC(canvas);
    HBITMAP bitmap = CreateCompatibleBitmap(canvas, w, h);
    HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, w, h, canvas, 0, 0, SRCCOPY);
    SelectObject(dc, old);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top-down, as the window's rows run
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    int rows = GetDIBits(dc, bitmap, 0, (UINT)h, out, &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(dc);
    if (rows != h) return 0;
    for (long i = 0, n = (long)w * h; i < n; i++) out[i] &= 0xffffff;
    return 1;
}

// Names are tried in order and each file is created only where nothing has the name, so no file
// is ever overwritten, not even one made by another program a moment ago. The program gets no
// event: only a console line tells what happened.
void picture_save(void) {
    HWND graphics = window_graphics();
    if (!graphics) return;
    RECT client = {};
    GetClientRect(graphics, &client);
    const int w = client.right, h = client.bottom;
    const size_t cap = encode_png_bound(w, h);
    unsigned int *pixels = cap ? (unsigned int *)malloc((size_t)w * (size_t)h * sizeof *pixels) : nullptr;
    unsigned char *png = pixels ? (unsigned char *)malloc(cap) : nullptr;
    size_t size = 0;
    if (png && picture_pixels(pixels, w, h)) size = encode_png(pixels, w, h, png, cap);
    free(pixels);
    if (size == 0) {
        free(png);
        if (cap == 0)
            plako_console_printf("Cannot save the canvas: the window shows none of it\n");
        else
            plako_console_printf("Cannot save the canvas: %s\n", strerror(ENOMEM));  // no room to read it
        return;
    }
    char name[32];
    int err = EEXIST;
    for (int i = 1; i <= PICTURE_LAST && err == EEXIST; i++) {
        snprintf(name, sizeof name, "plako-%03d.png", i);
        err = regular_file_write_new(name, png, size);
    }
    free(png);
    if (err == 0)
        plako_console_printf("Saved the canvas as %s\n", name);
    else if (err == EEXIST)
        plako_console_printf("Cannot save the canvas: plako-001.png to plako-999.png are all taken\n");
    else
        plako_console_printf("Cannot save the canvas as %s: %s\n", name, strerror(err));
}
