#!/usr/bin/env python3
"""Compares a frame of the Linux runner (PNG) with the Windows build's client area (PPM).

  compare.py LINUX.png WINDOWS.ppm [--text-from NOTEXT.png] [--diff OUT.ppm] [--windows-png OUT.png]

The two client areas may differ in height by the menu bar (Wine's is one row lower): the pictures
are aligned on the canvas origin, which sits at (width / 2, height / 2) of each client area.
Text pixels, with --text-from: where LINUX.png differs from NOTEXT.png (the same run without any
font, so that no text is drawn), grown by two pixels on every side to take in glyphs placed a pixel
apart. Without it, a guess: where either picture's pixel is not one of the 24 palette colours (only
text is blended), grown by one pixel; that misses small unblended text, and counts a shape pixel of
a wrong colour as text.
--windows-png writes WINDOWS.ppm again as a PNG (the tests keep one as their golden frame).
Prints one line: compared, differing inside text, differing outside text, and the box holding the
differences. Exit status 0 when no pixel differs outside text, 1 otherwise, 2 on a bad input.
"""
import struct
import sys
import zlib

PALETTE = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
    0x9900CC, 0x003399, 0x996699, 0x99FFFF, 0x99FFCC, 0xFF6600, 0x996633, 0xFF99CC,
    0xFFFF99, 0xCC9933, 0xFF9966, 0x006633, 0x33CC99, 0x999933, 0x808080, 0xCCCCCC,
}


def read_png(path):
    """8-bit RGB or RGBA PNG, not interlaced: (width, height, list of rows of 0xRRGGBB)."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(path + ": not a PNG")
    pos, idat, w = 8, [], None
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            w, h, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or ctype not in (2, 6) or interlace:
                raise ValueError(path + ": only 8-bit RGB or RGBA PNG without interlace")
            bpp = 3 if ctype == 2 else 4
        elif kind == b"IDAT":
            idat.append(body)
        pos += 12 + n
    raw = zlib.decompress(b"".join(idat))
    stride = w * bpp
    rows, prev = [], bytearray(stride)
    for y in range(h):
        f = raw[y * (stride + 1)]
        cur = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = cur[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if f == 1:
                cur[i] = (cur[i] + a) & 255
            elif f == 2:
                cur[i] = (cur[i] + b) & 255
            elif f == 3:
                cur[i] = (cur[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                cur[i] = (cur[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([(cur[x * bpp] << 16) | (cur[x * bpp + 1] << 8) | cur[x * bpp + 2] for x in range(w)])
        prev = cur
    return w, h, rows


def read_ppm(path):
    """Binary PPM (P6, maxval 255): (width, height, list of rows of 0xRRGGBB)."""
    data = open(path, "rb").read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError(path + ": only binary PPM with maxval 255")
    w, h = int(fields[1]), int(fields[2])
    pos += 1
    px = data[pos:pos + w * h * 3]
    if len(px) != w * h * 3:
        raise ValueError(path + ": truncated")
    rows = [[(px[i] << 16) | (px[i + 1] << 8) | px[i + 2] for i in range((y * w) * 3, (y + 1) * w * 3, 3)]
            for y in range(h)]
    return w, h, rows


def write_png(path, w, h, rows):
    """rows of 0xRRGGBB as an 8-bit RGB PNG, compressed as far as zlib goes."""
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    raw = b"".join(b"\0" + bytes(c for p in row for c in (p >> 16, (p >> 8) & 255, p & 255)) for row in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main(argv):
    args = list(argv[1:])
    opts = {}
    for name in ("--diff", "--text-from", "--windows-png"):
        if name in args:
            i = args.index(name)
            if i + 1 >= len(args):
                print("compare: %s needs a file" % name, file=sys.stderr)
                return 2
            opts[name] = args[i + 1]
            del args[i:i + 2]
    diff_out = opts.get("--diff")
    if len(args) != 2:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    try:
        lw, lh, lin = read_png(args[0])
        ww, wh, win = read_ppm(args[1])
        notext = read_png(opts["--text-from"]) if "--text-from" in opts else None
    except (OSError, ValueError, zlib.error, struct.error) as e:
        print("compare: %s" % e, file=sys.stderr)
        return 2
    if "--windows-png" in opts:
        write_png(opts["--windows-png"], ww, wh, win)
    dx, dy = ww // 2 - lw // 2, wh // 2 - lh // 2
    x0, y0 = max(0, -dx), max(0, -dy)
    x1, y1 = min(lw, ww - dx), min(lh, wh - dy)
    if x1 <= x0 or y1 <= y0:
        print("compare: the pictures do not overlap", file=sys.stderr)
        return 2
    if notext is not None and (notext[0], notext[1]) != (lw, lh):
        print("compare: %s is not %dx%d" % (opts["--text-from"], lw, lh), file=sys.stderr)
        return 2
    text = [[False] * lw for _ in range(lh)]

    def grow(x, y, r):
        for yy in range(max(0, y - r), min(lh, y + r + 1)):
            row = text[yy]
            for xx in range(max(0, x - r), min(lw, x + r + 1)):
                row[xx] = True

    for y in range(y0, y1):
        for x in range(x0, x1):
            if notext is None:
                if lin[y][x] not in PALETTE or win[y + dy][x + dx] not in PALETTE:
                    grow(x, y, 1)
            elif notext[2][y][x] != lin[y][x]:
                grow(x, y, 2)
    inside = outside = 0
    box = None
    diff_rows = []
    for y in range(y0, y1):
        row = []
        for x in range(x0, x1):
            a, b = lin[y][x], win[y + dy][x + dx]
            if a == b:
                row.append(0xFFFFFF if a == 0xFFFFFF else 0xE0E0E0)
                continue
            if text[y][x]:
                inside += 1
                row.append(0x0000FF)
            else:
                outside += 1
                row.append(0xFF0000)
            box = (x, y, x, y) if box is None else (min(box[0], x), min(box[1], y), max(box[2], x), max(box[3], y))
        diff_rows.append(row)
    where = "none" if box is None else "x %d..%d, y %d..%d (Linux client pixels)" % (box[0], box[2], box[1], box[3])
    print("compared %dx%d: %d differ inside text, %d outside text; differences: %s"
          % (x1 - x0, y1 - y0, inside, outside, where))
    if diff_out:
        with open(diff_out, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (x1 - x0, y1 - y0))
            f.write(bytes(c for row in diff_rows for p in row for c in (p >> 16, (p >> 8) & 255, p & 255)))
    return 1 if outside else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
