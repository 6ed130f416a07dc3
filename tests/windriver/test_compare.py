#!/usr/bin/env python3
"""Tests of tools/windriver/compare.py, the comparison behind scripts/compare-windows.sh: the PNG
and PPM readers, the alignment on the canvas origin, the text regions and the exit status."""
import os
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
TOOL = os.path.join(HERE, "..", "..", "tools", "windriver", "compare.py")
sys.path.insert(0, os.path.dirname(TOOL))
import compare  # noqa: E402

SKY, ROAD, BLACK, RED, BLEND = 0x99FFFF, 0xCC9933, 0x000000, 0xFF0000, 0x7F7F40


def png_bytes(rows, filters):
    """An RGB PNG whose row y is stored with filter filters[y % len(filters)], encoded here."""
    w = len(rows[0])

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    raw, prev = b"", bytes(w * 3)
    for y, row in enumerate(rows):
        cur = bytes(c for p in row for c in (p >> 16, (p >> 8) & 255, p & 255))
        f = filters[y % len(filters)]
        out = bytearray()
        for i, v in enumerate(cur):
            a = cur[i - 3] if i >= 3 else 0
            b = prev[i]
            c = prev[i - 3] if i >= 3 else 0
            pred = [0, a, b, (a + b) // 2,
                    min((a, b, c), key=lambda q: (abs(a + b - c - q), (a, b, c).index(q)))][f]
            out.append((v - pred) & 255)
        raw += bytes([f]) + bytes(out)
        prev = cur
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, len(rows), 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def ppm_bytes(rows):
    head = b"P6\n# a comment\n%d %d\n255\n" % (len(rows[0]), len(rows))
    return head + bytes(c for row in rows for p in row for c in (p >> 16, (p >> 8) & 255, p & 255))


def picture(w, h):
    """A small scene of palette colours: sky above, road below, a black box."""
    rows = [[SKY if y < h // 2 else ROAD for x in range(w)] for y in range(h)]
    for y in range(2, 5):
        for x in range(10, 14):
            rows[y][x] = BLACK
    return rows


class Compare(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name

    def tearDown(self):
        self.tmp.cleanup()

    def path(self, name, data):
        p = os.path.join(self.dir, name)
        with open(p, "wb") as f:
            f.write(data)
        return p

    def run_tool(self, *args):
        r = subprocess.run([sys.executable, TOOL] + list(args), capture_output=True, text=True)
        return r.returncode, r.stdout + r.stderr

    def windows(self, linux_rows):
        """Wine's client area: one row taller (an odd height becomes even), so its origin (h / 2) and
        the whole picture lie one row lower; a row of sky on top."""
        return [[SKY] * len(linux_rows[0])] + [list(r) for r in linux_rows]

    def test_readers_undo_every_png_filter_and_read_ppm(self):
        rows = [[(x * 37 + y * 91) * 2654435761 & 0xFFFFFF for x in range(9)] for y in range(10)]
        for filters in ([0], [1], [2], [3], [4], [0, 1, 2, 3, 4]):
            w, h, got = compare.read_png(self.path("f.png", png_bytes(rows, filters)))
            self.assertEqual((w, h, got), (9, 10, rows), "filters %s" % filters)
        self.assertEqual(compare.read_ppm(self.path("f.ppm", ppm_bytes(rows))), (9, 10, rows))

    def test_png_writer_round_trips(self):
        rows = picture(30, 20)
        compare.write_png(os.path.join(self.dir, "w.png"), 30, 20, rows)
        self.assertEqual(compare.read_png(os.path.join(self.dir, "w.png")), (30, 20, rows))

    def test_equal_pictures_one_row_apart_are_equal(self):
        # 19 and 20 rows, like the Linux and Wine client areas of 495 and 496: origins one row apart.
        rows = picture(31, 19)
        code, out = self.run_tool(self.path("l.png", png_bytes(rows, [4])),
                                  self.path("w.ppm", ppm_bytes(self.windows(rows))))
        self.assertEqual(code, 0, out)
        self.assertIn("compared 31x19: 0 differ inside text, 0 outside text; differences: none", out)

    def test_misaligned_pictures_differ(self):
        rows = picture(31, 19)
        shifted = [list(r) for r in rows[1:]] + [list(rows[-1])] + [list(rows[-1])]  # one row too high
        code, out = self.run_tool(self.path("l.png", png_bytes(rows, [0])), self.path("w.ppm", ppm_bytes(shifted)))
        self.assertEqual(code, 1, out)

    def test_a_shape_pixel_counts_outside_text_where_it_lies(self):
        rows = picture(31, 19)
        win = self.windows(rows)
        win[1 + 15][7] = RED
        diff = os.path.join(self.dir, "d.ppm")
        code, out = self.run_tool(self.path("l.png", png_bytes(rows, [0])), self.path("w.ppm", ppm_bytes(win)),
                                  "--diff", diff)
        self.assertEqual(code, 1, out)
        self.assertIn("0 differ inside text, 1 outside text; differences: x 7..7, y 15..15", out)
        w, h, d = compare.read_ppm(diff)
        self.assertEqual((w, h, d[15][7]), (31, 19, RED))

    def test_text_from_a_run_without_fonts(self):
        notext = picture(31, 19)
        rows = [list(r) for r in notext]
        rows[12][20] = BLACK  # a glyph pixel: drawn only with fonts
        win = self.windows(rows)
        win[1 + 12][20] = BLEND  # differs on the glyph
        win[1 + 14][22] = RED  # two pixels off the glyph: still text
        win[1 + 15][23] = RED  # three pixels off: a shape
        code, out = self.run_tool(self.path("l.png", png_bytes(rows, [2])), self.path("w.ppm", ppm_bytes(win)),
                                  "--text-from", self.path("n.png", png_bytes(notext, [0])))
        self.assertEqual(code, 1, out)
        self.assertIn("2 differ inside text, 1 outside text", out)
        # With that shape pixel right, only text differs: success.
        win[1 + 15][23] = rows[15][23]
        code, out = self.run_tool(self.path("l.png", png_bytes(rows, [2])), self.path("w.ppm", ppm_bytes(win)),
                                  "--text-from", self.path("n.png", png_bytes(notext, [0])))
        self.assertEqual(code, 0, out)
        self.assertIn("2 differ inside text, 0 outside text", out)

    def test_without_text_from_blended_pixels_are_text(self):
        rows = picture(31, 19)
        win = self.windows(rows)
        win[1 + 8][5] = BLEND
        win[1 + 9][6] = RED  # next to the blended pixel
        code, out = self.run_tool(self.path("l.png", png_bytes(rows, [0])), self.path("w.ppm", ppm_bytes(win)))
        self.assertEqual(code, 0, out)
        self.assertIn("2 differ inside text, 0 outside text", out)

    def test_windows_png_is_the_windows_picture(self):
        rows = picture(31, 19)
        win = self.windows(rows)
        out_png = os.path.join(self.dir, "win.png")
        self.run_tool(self.path("l.png", png_bytes(rows, [0])), self.path("w.ppm", ppm_bytes(win)),
                      "--windows-png", out_png)
        self.assertEqual(compare.read_png(out_png), (31, 20, win))

    def test_bad_inputs_exit_2(self):
        good = self.path("l.png", png_bytes(picture(31, 19), [0]))
        win = self.path("w.ppm", ppm_bytes(self.windows(picture(31, 19))))
        truncated = self.path("t.ppm", ppm_bytes(picture(31, 19))[:-5])
        for args in ([self.path("x.png", b"not a png"), win], [good, truncated], [good],
                     [good, win, "--text-from", self.path("small.png", png_bytes(picture(15, 9), [0]))],
                     [good, win, "--diff"]):
            code, out = self.run_tool(*args)
            self.assertEqual(code, 2, "%s: %s" % (args, out))


if __name__ == "__main__":
    unittest.main()
