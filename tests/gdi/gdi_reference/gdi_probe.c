/*
 * gdi_probe.c: draws primitives listed in a text file with a reference GDI
 * onto a 601x540 32-bit top-down DIB section selected into a memory DC and
 * writes ASCII pictures of regions and the bitmap as binary PPM (P6).
 * regenerate.sh beside it cross-compiles it with x86_64-w64-mingw32-gcc and
 * runs it under Wine (or it runs on real Windows) to make expected/.
 *
 * Usage:
 *   gdi_probe.exe draw  CMDFILE           (commands below; "save" writes PPMs)
 *   gdi_probe.exe metrics [OUTFILE]        (font metrics report, text)
 *
 * Command file, one command per line, '#' starts a comment line.
 * Colours are hex RRGGBB.  penw: >=0 -> CreatePen(PS_SOLID,penw,pencol),
 * -1 -> GetStockObject(NULL_PEN).  filled: 1 -> CreateSolidBrush(brushcol),
 * 0 -> GetStockObject(NULL_BRUSH).  brushcol defaults to pencol.
 *
 *   clear [RRGGBB]                        fill the whole bitmap (default white)
 *   save PATH                             write current bitmap as P6 PPM
 *   ascii PATH x0 y0 x1 y1 [title...]     append an ASCII picture of the inclusive
 *           region to PATH: '.' white, 'P' ff0000, 'B' 00ff00, '#' 000000,
 *           'b' 0000ff, '?' anything else; rows prefixed with y, ruler = x%10
 *   rect    l t r b penw filled pencol [brushcol]     Rectangle(l,t,r,b)
 *   ellipse l t r b penw filled pencol [brushcol]     Ellipse(l,t,r,b)
 *   poly    penw filled pencol brushcol x1 y1 x2 y2 ...  Polygon (ALTERNATE)
 *   line    x1 y1 x2 y2 penw col                MoveToEx(x1,y1)+LineTo(x2,y2)
 *   polyline penw col x1 y1 x2 y2 ...          MoveToEx + successive LineTo
 *   pixel   x y col                            SetPixel
 *   text    x y h col FACE STRING...            CreateFontA(-h,...,FACE)+TextOutA
 *           (FACE "ANSI_FIXED_FONT" selects GetStockObject(ANSI_FIXED_FONT),
 *            h ignored then; SetBkMode TRANSPARENT; default text alignment)
 *   scroll  dx dy l t r b                       ScrollDC(dx,dy,&rc,&rc,0,0)
 *   blit    dx dy w h sx sy                     BitBlt(mem,dx,dy,w,h,mem,sx,sy,SRCCOPY)
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#define W 601
#define H 540

static HDC g_dc;
static DWORD *g_bits;

static COLORREF parse_col(const char *s) {
    unsigned v = (unsigned)strtoul(s, NULL, 16);
    return RGB((v >> 16) & 255, (v >> 8) & 255, v & 255);
}

static void clear(COLORREF c) {
    RECT rc = {0, 0, W, H};
    HBRUSH b = CreateSolidBrush(c);
    FillRect(g_dc, &rc, b);
    DeleteObject(b);
    GdiFlush();
}

static int save_ascii(const char *path, int x0, int y0, int x1, int y1, const char *title) {
    FILE *f = fopen(path, "a");
    int x, y;
    if (!f) {
        fprintf(stderr, "cannot write %s\n", path);
        return -1;
    }
    GdiFlush();
    fprintf(f, "## %s  [x %d..%d, y %d..%d]\n      ", title, x0, x1, y0, y1);
    for (x = x0; x <= x1; x++) fputc('0' + (x % 10 + 10) % 10, f);
    fputc('\n', f);
    for (y = y0; y <= y1; y++) {
        fprintf(f, "%5d ", y);
        for (x = x0; x <= x1; x++) {
            DWORD p = (x >= 0 && y >= 0 && x < W && y < H) ? (g_bits[y * W + x] & 0xffffff) : 0xffffff;
            fputc(p == 0xffffff   ? '.'
                  : p == 0xff0000 ? 'P'
                  : p == 0x00ff00 ? 'B'
                  : p == 0        ? '#'
                  : p == 0x0000ff ? 'b'
                                  : '?',
                  f);
        }
        fputc('\n', f);
    }
    fputc('\n', f);
    fclose(f);
    return 0;
}

static int save_ppm(const char *path) {
    FILE *f = fopen(path, "wb");
    int x, y;
    if (!f) {
        fprintf(stderr, "cannot write %s\n", path);
        return -1;
    }
    GdiFlush();
    fprintf(f, "P6\n%d %d\n255\n", W, H);
    for (y = 0; y < H; y++)
        for (x = 0; x < W; x++) {
            DWORD p = g_bits[y * W + x]; /* BI_RGB: 0x00RRGGBB */
            unsigned char rgb[3] = {(p >> 16) & 255, (p >> 8) & 255, p & 255};
            fwrite(rgb, 1, 3, f);
        }
    fclose(f);
    return 0;
}

/* select pen + brush; returns previous objects through out params */
static void select_tools(int penw, int filled, COLORREF pc, COLORREF bc, HPEN *pen, HBRUSH *br, HGDIOBJ *oldp,
                         HGDIOBJ *oldb) {
    *pen = penw >= 0 ? CreatePen(PS_SOLID, penw, pc) : NULL;
    *br = filled ? CreateSolidBrush(bc) : NULL;
    *oldp = SelectObject(g_dc, *pen ? (HGDIOBJ)*pen : GetStockObject(NULL_PEN));
    *oldb = SelectObject(g_dc, *br ? (HGDIOBJ)*br : GetStockObject(NULL_BRUSH));
}

static void release_tools(HPEN pen, HBRUSH br, HGDIOBJ oldp, HGDIOBJ oldb) {
    SelectObject(g_dc, oldp);
    SelectObject(g_dc, oldb);
    if (pen) DeleteObject(pen);
    if (br) DeleteObject(br);
}

static int tokenize(char *line, char **tok, int max) {
    int n = 0;
    char *p = strtok(line, " \t\r\n");
    while (p && n < max) {
        tok[n++] = p;
        p = strtok(NULL, " \t\r\n");
    }
    return n;
}

static int run_draw(const char *cmdfile) {
    BITMAPINFO bi;
    HBITMAP bmp;
    FILE *f;
    char line[4096], copy[4096];
    int lineno = 0;

    g_dc = CreateCompatibleDC(NULL);
    if (!g_dc) {
        fprintf(stderr, "CreateCompatibleDC failed\n");
        return 1;
    }
    memset(&bi, 0, sizeof bi);
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = W;
    bi.bmiHeader.biHeight = -H; /* top-down */
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    bmp = CreateDIBSection(g_dc, &bi, DIB_RGB_COLORS, (void **)&g_bits, NULL, 0);
    if (!bmp || !g_bits) {
        fprintf(stderr, "CreateDIBSection failed\n");
        return 1;
    }
    SelectObject(g_dc, bmp);
    clear(RGB(255, 255, 255));

    f = fopen(cmdfile, "r");
    if (!f) {
        fprintf(stderr, "cannot open %s\n", cmdfile);
        return 1;
    }
    while (fgets(line, sizeof line, f)) {
        char *tok[1024];
        int n;
        lineno++;
        strcpy(copy, line);
        n = tokenize(line, tok, 1024);
        if (n == 0 || tok[0][0] == '#') continue;
#define NEED(k)                                             \
    if (n < (k)) {                                          \
        fprintf(stderr, "line %d: too few args\n", lineno); \
        continue;                                           \
    }
        if (!strcmp(tok[0], "clear")) {
            clear(n > 1 ? parse_col(tok[1]) : RGB(255, 255, 255));
        } else if (!strcmp(tok[0], "save")) {
            NEED(2);
            if (save_ppm(tok[1])) return 1;
        } else if (!strcmp(tok[0], "ascii")) {
            char *t;
            int k;
            NEED(6);
            t = copy; /* title = rest of line after 6 tokens */
            for (k = 0; k < 6; k++) {
                while (*t == ' ' || *t == '\t') t++;
                while (*t && *t != ' ' && *t != '\t') t++;
            }
            while (*t == ' ' || *t == '\t') t++;
            t[strcspn(t, "\r\n")] = 0;
            if (save_ascii(tok[1], atoi(tok[2]), atoi(tok[3]), atoi(tok[4]), atoi(tok[5]), t)) return 1;
        } else if (!strcmp(tok[0], "rect") || !strcmp(tok[0], "ellipse")) {
            HPEN pen;
            HBRUSH br;
            HGDIOBJ op, ob;
            COLORREF pc;
            NEED(8);
            pc = parse_col(tok[7]);
            select_tools(atoi(tok[5]), atoi(tok[6]), pc, n > 8 ? parse_col(tok[8]) : pc, &pen, &br, &op, &ob);
            if (tok[0][0] == 'r')
                Rectangle(g_dc, atoi(tok[1]), atoi(tok[2]), atoi(tok[3]), atoi(tok[4]));
            else
                Ellipse(g_dc, atoi(tok[1]), atoi(tok[2]), atoi(tok[3]), atoi(tok[4]));
            release_tools(pen, br, op, ob);
        } else if (!strcmp(tok[0], "poly")) {
            HPEN pen;
            HBRUSH br;
            HGDIOBJ op, ob;
            POINT pts[512];
            int i, np;
            NEED(7);
            np = (n - 5) / 2;
            for (i = 0; i < np && i < 512; i++) {
                pts[i].x = atoi(tok[5 + 2 * i]);
                pts[i].y = atoi(tok[6 + 2 * i]);
            }
            select_tools(atoi(tok[1]), atoi(tok[2]), parse_col(tok[3]), parse_col(tok[4]), &pen, &br, &op,
                         &ob);
            SetPolyFillMode(g_dc, ALTERNATE);
            Polygon(g_dc, pts, np);
            release_tools(pen, br, op, ob);
        } else if (!strcmp(tok[0], "line") || !strcmp(tok[0], "polyline")) {
            HPEN pen;
            HBRUSH br;
            HGDIOBJ op, ob;
            int i, penw, first;
            COLORREF c;
            if (tok[0][0] == 'l') {
                NEED(7);
                penw = atoi(tok[5]);
                c = parse_col(tok[6]);
                first = 1;
            } else {
                NEED(7);
                penw = atoi(tok[1]);
                c = parse_col(tok[2]);
                first = 3;
            }
            select_tools(penw, 0, c, c, &pen, &br, &op, &ob);
            if (tok[0][0] == 'l') {
                MoveToEx(g_dc, atoi(tok[1]), atoi(tok[2]), NULL);
                LineTo(g_dc, atoi(tok[3]), atoi(tok[4]));
            } else {
                MoveToEx(g_dc, atoi(tok[first]), atoi(tok[first + 1]), NULL);
                for (i = first + 2; i + 1 < n; i += 2) LineTo(g_dc, atoi(tok[i]), atoi(tok[i + 1]));
            }
            release_tools(pen, br, op, ob);
        } else if (!strcmp(tok[0], "pixel")) {
            NEED(4);
            SetPixel(g_dc, atoi(tok[1]), atoi(tok[2]), parse_col(tok[3]));
        } else if (!strcmp(tok[0], "text")) {
            HFONT font = NULL;
            HGDIOBJ of;
            char *s;
            int k;
            NEED(7);
            /* the string is the rest of the original line after the 6th token */
            s = copy;
            for (k = 0; k < 6; k++) {
                while (*s == ' ' || *s == '\t') s++;
                while (*s && *s != ' ' && *s != '\t') s++;
            }
            while (*s == ' ' || *s == '\t') s++;
            s[strcspn(s, "\r\n")] = 0;
            if (!strcmp(tok[5], "ANSI_FIXED_FONT"))
                of = SelectObject(g_dc, GetStockObject(ANSI_FIXED_FONT));
            else {
                font = CreateFontA(-atoi(tok[3]), 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, tok[5]);
                of = SelectObject(g_dc, font);
            }
            SetBkMode(g_dc, TRANSPARENT);
            SetTextColor(g_dc, parse_col(tok[4]));
            TextOutA(g_dc, atoi(tok[1]), atoi(tok[2]), s, (int)strlen(s));
            SelectObject(g_dc, of);
            if (font) DeleteObject(font);
        } else if (!strcmp(tok[0], "scroll")) {
            RECT rc;
            NEED(7);
            rc.left = atoi(tok[3]);
            rc.top = atoi(tok[4]);
            rc.right = atoi(tok[5]);
            rc.bottom = atoi(tok[6]);
            if (!ScrollDC(g_dc, atoi(tok[1]), atoi(tok[2]), &rc, &rc, NULL, NULL))
                fprintf(stderr, "line %d: ScrollDC failed (%lu)\n", lineno, GetLastError());
        } else if (!strcmp(tok[0], "blit")) {
            NEED(7);
            BitBlt(g_dc, atoi(tok[1]), atoi(tok[2]), atoi(tok[3]), atoi(tok[4]), g_dc, atoi(tok[5]),
                   atoi(tok[6]), SRCCOPY);
        } else {
            fprintf(stderr, "line %d: unknown command %s\n", lineno, tok[0]);
        }
        GdiFlush();
    }
    fclose(f);
    DeleteDC(g_dc);
    DeleteObject(bmp);
    return 0;
}

static void report_font(FILE *out, HDC dc, HFONT font, const char *label) {
    static const char *strs[] = {
        "A", "W", "i", " ", "0123456789", "Hello", "The quick brown fox", "XXXXXXXXXX", "iiiiiiiiii", "y"};
    HGDIOBJ of = SelectObject(dc, font);
    TEXTMETRICA tm;
    char face[LF_FACESIZE];
    SIZE sz;
    INT widths[95];
    unsigned i;

    GetTextFaceA(dc, sizeof face, face);
    GetTextMetricsA(dc, &tm);
    fprintf(out, "== %s\n", label);
    fprintf(out, "  face=\"%s\" truetype=%d charset=%d pitchfamily=0x%02x\n", face,
            (tm.tmPitchAndFamily & TMPF_TRUETYPE) ? 1 : 0, tm.tmCharSet, tm.tmPitchAndFamily);
    fprintf(out,
            "  tmHeight=%ld tmAscent=%ld tmDescent=%ld tmInternalLeading=%ld "
            "tmExternalLeading=%ld tmAveCharWidth=%ld tmMaxCharWidth=%ld tmWeight=%ld\n",
            tm.tmHeight, tm.tmAscent, tm.tmDescent, tm.tmInternalLeading, tm.tmExternalLeading,
            tm.tmAveCharWidth, tm.tmMaxCharWidth, tm.tmWeight);
    for (i = 0; i < sizeof strs / sizeof strs[0]; i++) {
        GetTextExtentPointA(dc, strs[i], (int)strlen(strs[i]), &sz);
        fprintf(out, "  extent(\"%s\") = %ld x %ld\n", strs[i], sz.cx, sz.cy);
    }
    if (GetCharWidth32A(dc, 32, 126, widths)) {
        fprintf(out, "  charwidths 32..126:");
        for (i = 0; i < 95; i++) fprintf(out, "%s%d", (i % 16) ? " " : "\n   ", widths[i]);
        fprintf(out, "\n");
    }
    SelectObject(dc, of);
}

static int run_metrics(const char *outpath) {
    static const int sizes[] = {9, 10, 11, 12, 18};
    static const char *faces[] = {"PLAKO-font", "Arial", "MS Sans Serif", "Courier New"};
    FILE *out = outpath ? fopen(outpath, "w") : stdout;
    HDC dc = CreateCompatibleDC(NULL);
    unsigned i, j;
    char label[128];
    if (!out || !dc) return 1;
    for (j = 0; j < sizeof faces / sizeof faces[0]; j++)
        for (i = 0; i < sizeof sizes / sizeof sizes[0]; i++) {
            HFONT f = CreateFontA(-sizes[i], 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, faces[j]);
            snprintf(label, sizeof label, "CreateFontA(-%d,...,\"%s\")", sizes[i], faces[j]);
            report_font(out, dc, f, label);
            DeleteObject(f);
        }
    report_font(out, dc, (HFONT)GetStockObject(ANSI_FIXED_FONT), "GetStockObject(ANSI_FIXED_FONT)");
    report_font(out, dc, (HFONT)GetStockObject(SYSTEM_FONT), "GetStockObject(SYSTEM_FONT)");
    report_font(out, dc, (HFONT)GetStockObject(DEFAULT_GUI_FONT), "GetStockObject(DEFAULT_GUI_FONT)");
    DeleteDC(dc);
    if (outpath) fclose(out);
    return 0;
}

int main(int argc, char **argv) {
    if (argc >= 3 && !strcmp(argv[1], "draw")) return run_draw(argv[2]);
    if (argc >= 2 && !strcmp(argv[1], "metrics")) return run_metrics(argc >= 3 ? argv[2] : NULL);
    fprintf(stderr, "usage: gdi_probe draw CMDFILE | gdi_probe metrics [OUTFILE]\n");
    return 2;
}
