// The canvas as a picture: its pixels as the window shows them, and saved as a PNG file.
#include "internal.h"

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

// Not yet: the key does nothing.
void picture_save(void) {}
