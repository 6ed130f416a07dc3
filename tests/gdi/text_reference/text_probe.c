/*
 * text_probe.c: draws the text sweep's command files with a reference GDI (built for Windows
 * with mingw-w64, run under Wine by regenerate.sh) and writes each sheet as a binary PPM.
 * Fonts are made the way the package makes them: CreateFontA(-h, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0,
 * 0, 0, FACE); FACE "ANSI_FIXED_FONT" selects that stock font instead.
 *
 * Commands, one a line (colours RRGGBB; TEXT runs to the end of the line, with \n, \\ and \xHH):
 *   clear COL                      fill the whole 601x540 bitmap
 *   fill L T R B COL               FillRect(L, T, R, B) with a solid brush
 *   text X Y H COL FACE TEXT       transparent; lines split at \n, line i at Y + i * cell height,
 *                                  the cell height being GetTextExtentPointA of the whole text
 *   otext X Y H COL BK FACE TEXT   one TextOutA in OPAQUE mode with background colour BK
 *   save PATH                      write the bitmap as P6
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#define W 601
#define H 540

static HDC dc;
static DWORD *bits;

static COLORREF colour(const char *s) {
    unsigned v = (unsigned)strtoul(s, NULL, 16);
    return RGB((v >> 16) & 255, (v >> 8) & 255, v & 255);
}

/* Unescapes the text in place; returns its length. */
static int unescape(char *s) {
    char *o = s, *i = s;
    while (*i) {
        if (i[0] == '\\' && i[1] == 'n') {
            *o++ = '\n';
            i += 2;
        } else if (i[0] == '\\' && i[1] == '\\') {
            *o++ = '\\';
            i += 2;
        } else if (i[0] == '\\' && i[1] == 'x' && i[2] && i[3]) {
            char hex[3] = {i[2], i[3], 0};
            *o++ = (char)strtoul(hex, NULL, 16);
            i += 4;
        } else
            *o++ = *i++;
    }
    *o = 0;
    return (int)(o - s);
}

/* The text after the first n blank-separated tokens of line. */
static char *rest(char *line, int n) {
    char *s = line;
    int k;
    for (k = 0; k < n; k++) {
        while (*s == ' ') s++;
        while (*s && *s != ' ') s++;
    }
    if (*s == ' ') s++;
    s[strcspn(s, "\r\n")] = 0;
    return s;
}

static HGDIOBJ select_face(const char *face, int h, HFONT *made) {
    *made = NULL;
    if (!strcmp(face, "ANSI_FIXED_FONT")) return SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
    *made = CreateFontA(-h, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, face);
    return SelectObject(dc, *made);
}

static int save(const char *path) {
    FILE *f = fopen(path, "wb");
    int i;
    if (!f) {
        fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    GdiFlush();
    fprintf(f, "P6\n%d %d\n255\n", W, H);
    for (i = 0; i < W * H; i++) {
        unsigned char rgb[3] = {(bits[i] >> 16) & 255, (bits[i] >> 8) & 255, bits[i] & 255};
        fwrite(rgb, 1, 3, f);
    }
    fclose(f);
    return 0;
}

int main(int argc, char **argv) {
    BITMAPINFO bi;
    FILE *f;
    static char line[8192], copy[8192];
    if (argc < 2) {
        fprintf(stderr, "usage: text_probe CMDFILE...\n");
        return 2;
    }
    dc = CreateCompatibleDC(NULL);
    memset(&bi, 0, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = W;
    bi.bmiHeader.biHeight = -H;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    SelectObject(dc, CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void **)&bits, NULL, 0));
    for (int a = 1; a < argc; a++) {
        if (!(f = fopen(argv[a], "r"))) {
            fprintf(stderr, "cannot open %s\n", argv[a]);
            return 1;
        }
        while (fgets(line, sizeof line, f)) {
            char cmd[16], c1[16], c2[16], face[64], path[512];
            int x, y, r, b, h;
            strcpy(copy, line);
            if (sscanf(line, "%15s", cmd) != 1) continue;
            if (!strcmp(cmd, "clear") && sscanf(line, "%*s %15s", c1) == 1) {
                RECT rc = {0, 0, W, H};
                HBRUSH br = CreateSolidBrush(colour(c1));
                FillRect(dc, &rc, br);
                DeleteObject(br);
            } else if (!strcmp(cmd, "fill") &&
                       sscanf(line, "%*s %d %d %d %d %15s", &x, &y, &r, &b, c1) == 5) {
                RECT rc = {x, y, r, b};
                HBRUSH br = CreateSolidBrush(colour(c1));
                FillRect(dc, &rc, br);
                DeleteObject(br);
            } else if (!strcmp(cmd, "text") &&
                       sscanf(line, "%*s %d %d %d %15s %63s", &x, &y, &h, c1, face) == 5) {
                char *s = rest(copy, 6);
                int n = unescape(s), start = 0, i = 0;
                HFONT made;
                HGDIOBJ old = select_face(face, h, &made);
                SIZE ext;
                SetBkMode(dc, TRANSPARENT);
                SetTextColor(dc, colour(c1));
                GetTextExtentPointA(dc, s, n, &ext);
                for (;;) {
                    char *nl = memchr(s + start, '\n', n - start);
                    int end = nl ? (int)(nl - s) : n;
                    if (end > start) TextOutA(dc, x, y + i * ext.cy, s + start, end - start);
                    if (!nl) break;
                    start = end + 1;
                    i++;
                }
                SelectObject(dc, old);
                if (made) DeleteObject(made);
            } else if (!strcmp(cmd, "otext") &&
                       sscanf(line, "%*s %d %d %d %15s %15s %63s", &x, &y, &h, c1, c2, face) == 6) {
                char *s = rest(copy, 7);
                int n = unescape(s);
                HFONT made;
                HGDIOBJ old = select_face(face, h, &made);
                SetBkMode(dc, OPAQUE);
                SetBkColor(dc, colour(c2));
                SetTextColor(dc, colour(c1));
                TextOutA(dc, x, y, s, n);
                SelectObject(dc, old);
                if (made) DeleteObject(made);
            } else if (!strcmp(cmd, "save") && sscanf(line, "%*s %511s", path) == 1) {
                if (save(path)) return 1;
            } else if (cmd[0] != '#') {
                fprintf(stderr, "%s: cannot read: %s", argv[a], line);
                return 1;
            }
            GdiFlush();
        }
        fclose(f);
    }
    return 0;
}
