/*
 * Draws ellipses with the system's GDI and prints the runs each one paints, for the ellipse
 * sweep's expected data (gen.py builds it with mingw-w64 and runs it under Wine).
 *
 *   probe.exe CASES OUT [SCRUB_X SCRUB_W]
 *
 * CASES has one case a line: "l t r b penw filled" (penw -1: the null pen; filled 0: the
 * hollow brush). Pen ff0000, brush 00ff00, on a white 601 by 540 32-bit DIB section, like
 * our tests' canvas. OUT gets, per case, "c N" and then one line per painted row:
 * "y x0 x1 k x0 x1 k ..." with k 1 pen, 2 brush, 3 any other colour.
 *
 * Wine's Ellipse reads memory it never wrote for the brush of rows it leaves empty (narrow
 * filled boxes): stray brush runs, anywhere on those rows, that change with what was drawn
 * before. With SCRUB_X, every case is first drawn SCRUB_W wide at column SCRUB_X, over the same
 * number of rows, on a scratch bitmap 4000 wide, so each run leaves different values behind;
 * gen.py keeps the pixels that every run paints alike.
 */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#define W 601
#define H 540

static DWORD *g_bits;

static int kind_of(DWORD p) {
    p &= 0xffffff;
    return p == 0xffffff ? 0 : p == 0xff0000 ? 1 : p == 0x00ff00 ? 2 : 3;
}

int main(int argc, char **argv) {
    BITMAPINFO bi;
    HDC dc;
    HBITMAP bmp;
    FILE *in, *out;
    char line[256];
    int n = 0;
    HPEN pen[8];
    HBRUSH brush;
    HDC scratch = NULL;
    int scrub_x = argc > 4 ? atoi(argv[3]) : 0, scrub_w = argc > 4 ? atoi(argv[4]) : 0;
    if (argc < 3) {
        fprintf(stderr, "usage: probe CASES OUT\n");
        return 2;
    }
    dc = CreateCompatibleDC(NULL);
    memset(&bi, 0, sizeof bi);
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = W;
    bi.bmiHeader.biHeight = -H;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void **)&g_bits, NULL, 0);
    if (!bmp || !g_bits) {
        fprintf(stderr, "CreateDIBSection failed\n");
        return 1;
    }
    SelectObject(dc, bmp);
    for (int i = 0; i < W * H; i++) g_bits[i] = 0xffffff;
    if (scrub_w > 0) {
        void *bits;
        scratch = CreateCompatibleDC(NULL);
        bi.bmiHeader.biWidth = 4000;
        bi.bmiHeader.biHeight = -1000;
        SelectObject(scratch, CreateDIBSection(scratch, &bi, DIB_RGB_COLORS, &bits, NULL, 0));
    }
    for (int w = 0; w < 8; w++) pen[w] = CreatePen(PS_SOLID, w, RGB(255, 0, 0));
    brush = CreateSolidBrush(RGB(0, 255, 0));
    in = fopen(argv[1], "r");
    out = fopen(argv[2], "w");
    if (!in || !out) {
        fprintf(stderr, "cannot open files\n");
        return 1;
    }
    while (fgets(line, sizeof line, in)) {
        int l, t, r, b, pw, filled;
        if (sscanf(line, "%d %d %d %d %d %d", &l, &t, &r, &b, &pw, &filled) != 6) continue;
        SelectObject(dc, pw < 0 ? GetStockObject(NULL_PEN) : (HGDIOBJ)pen[pw & 7]);
        SelectObject(dc, filled ? (HGDIOBJ)brush : GetStockObject(NULL_BRUSH));
        if (scratch) {
            /* The same rows, a little lower: a huge box's rows off the scratch count too. */
            int top = t < b ? t : b, bottom = t < b ? b : t, down = bottom < 0x7fffff00 ? 200 : 0;
            SelectObject(scratch, pw < 0 ? GetStockObject(NULL_PEN) : (HGDIOBJ)pen[pw & 7]);
            SelectObject(scratch, filled ? (HGDIOBJ)brush : GetStockObject(NULL_BRUSH));
            Ellipse(scratch, scrub_x, top + down, scrub_x + scrub_w, bottom + down);
            GdiFlush();
        }
        Ellipse(dc, l, t, r, b);
        GdiFlush();
        /* The whole canvas is read: a glitch of the reference may paint far from the box. */
        int sx0 = 0, sx1 = W - 1, sy0 = 0, sy1 = H - 1;
        fprintf(out, "c %d\n", n++);
        for (int y = sy0; y <= sy1; y++) {
            DWORD *row = g_bits + y * W;
            int any = 0;
            for (int x = sx0; x <= sx1;) {
                int k = kind_of(row[x]), e = x;
                if (!k) {
                    x++;
                    continue;
                }
                while (e + 1 <= sx1 && kind_of(row[e + 1]) == k) e++;
                if (!any) fprintf(out, "%d", y), any = 1;
                fprintf(out, " %d %d %d", x, e, k);
                for (int i = x; i <= e; i++) row[i] = 0xffffff;
                x = e + 1;
            }
            if (any) fputc('\n', out);
        }
    }
    fclose(out);
    return 0;
}
