"""Makes the ellipse sweep's expected pictures with a reference GDI under Wine.

usage: gen.py [--cases FILE] [--out FILE]

Without --cases it draws the sweep that test_ellipse_sweep.cpp checks (the list below, fixed by
its seed) and writes expected.bin beside this file. With --cases it draws the cases of FILE
("l t r b penw filled" a line), for sweeps of one's own; the test reads such a file too when
PLAKO_ELLIPSE_SWEEP names it:

    python3 tests/gdi/ellipse_sweep/gen.py                      # the committed sweep
    python3 tests/gdi/ellipse_sweep/gen.py --cases my.txt --out /tmp/my.bin
    PLAKO_ELLIPSE_SWEEP=/tmp/my.bin build/default/tests/test_gdi --gtest_filter='EllipseSweep*'

It builds probe.c (beside this file) with mingw-w64 (x86_64-w64-mingw32-gcc) and runs it under
Wine, headless, in the prefix $WINEPREFIX (default /tmp/plako-ellipse-wineprefix, made on first
use): scripts/deps.sh windows wine installs both. The probe draws no text, so fonts do not matter.

Wine paints stray brush runs on the empty rows of some narrow filled ellipses, from memory it
never wrote (see probe.c): the probe runs eight times, each leaving different values behind, and
a pixel is kept when every run paints it in the same colour.

File layout, zlib-compressed: b"ELL1", then per case: l t r b (zigzag varints), penw + 1 and
filled (one byte each), the number of painted rows, and per row: y minus the previous row's y
(the first: minus t), the number of runs, and per run x0 (minus the previous run's end + 1, the
row's first run minus the previous row's first x0, the first row's minus l), x1 - x0 and the
colour (1 pen, 2 brush, 3 other). Numbers are zigzag varints.
"""
import os
import random
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
W, H = 601, 540
KINDS = [(pw, f) for pw in range(0, 7) for f in (0, 1)] + [(-1, 1)]


def sweep_cases():
    """The committed sweep: every small size, random sizes to 200, edges, reversed, huge and far boxes."""
    rnd = random.Random(20261209)
    cases = []
    for pw, f in KINDS:
        for w in range(0, 25):
            for h in range(0, 25):
                cases.append((150, 120, 150 + w, 120 + h, pw, f))
    for pw, f in KINDS:
        for _ in range(150):  # sizes up to 200, anywhere on the canvas
            w, h = rnd.randint(0, 200), rnd.randint(0, 200)
            l, t = rnd.randint(0, W - 1 - w), rnd.randint(0, H - 1 - h)
            cases.append((l, t, l + w, t + h, pw, f))
        for _ in range(30):  # flat and thin ones
            w, h = rnd.randint(0, 200), rnd.randint(0, 7)
            if rnd.random() < 0.5:
                w, h = h, w
            l, t = rnd.randint(10, 300), rnd.randint(10, 300)
            cases.append((l, t, l + w, t + h, pw, f))
        for _ in range(30):  # boxes given in any corner order
            w, h = rnd.randint(0, 120), rnd.randint(0, 120)
            l, t = rnd.randint(0, 400), rnd.randint(0, 400)
            box = [l, t, l + w, t + h]
            if rnd.random() < 0.7:
                box[0], box[2] = box[2], box[0]
            if rnd.random() < 0.7:
                box[1], box[3] = box[3], box[1]
            cases.append(tuple(box) + (pw, f))
        for _ in range(40):  # across the canvas edges
            w, h = rnd.randint(2, 200), rnd.randint(2, 200)
            l = rnd.choice([rnd.randint(-w + 1, 0), rnd.randint(W - w, W - 1), rnd.randint(0, W - w)])
            t = rnd.choice([rnd.randint(-h + 1, 0), rnd.randint(H - h, H - 1), rnd.randint(0, H - h)])
            cases.append((l, t, l + w, t + h, pw, f))
        for _ in range(12):  # huge boxes whose curve crosses the canvas, and boxes far off it
            r = rnd.randint(1000, 100000)
            cx, cy = rnd.choice([(300 - r + rnd.randint(-50, 50), 270), (300, 270 + r + rnd.randint(-50, 50)),
                                 (300 + r - 40, 270 - r + 40)])
            rx, ry = r, rnd.randint(r // 2, r)
            cases.append((cx - rx, cy - ry, cx + rx, cy + ry, pw, f))
        for _ in range(4):
            l, t = rnd.choice([(-100000, rnd.randint(-50, 500)), (100000 - 300, 10), (200, -100000)])
            cases.append((l, t, l + rnd.randint(0, 300), t + rnd.randint(0, 300), pw, f))
    extra = random.Random(20261210)
    for pw, f in KINDS:
        for i in range(6):  # huge and far from round (the reference's a^2 in 32 bits), across the canvas
            a, b = extra.randint(46341, 199000), extra.choice([extra.randint(1, 400), extra.randint(1, 9000)])
            if i % 2:
                a, b = b, a
            l = extra.randint(-50, 500) if i % 4 < 2 else extra.randint(100, 600) - a
            t = 270 - b // 2 + extra.randint(-20, 20) if i % 2 == 0 else extra.randint(-50, 500)
            cases.append((l, t, l + a + 1, t + b + 1, pw, f))
    return cases


def zigzag(v):
    return (v << 1) if v >= 0 else ((-v << 1) - 1)


def varint(out, v):
    v = zigzag(v)
    while True:
        b = v & 0x7f
        v >>= 7
        if v:
            out.append(b | 0x80)
        else:
            out.append(b)
            return


# The probe's runs: plain, and scrubs (column, width) that leave different values behind.
RUNS = [(), (3000, 60), (3500, 200), (2000, 40), (2500, 120), (1500, 80), (3200, 30), (1000, 300)]


def read_runs(path):
    """The probe's output: per case, its rows [(y, [(x0, x1, k)])]."""
    rows = []
    with open(path) as f:
        for line in f:
            t = line.split()
            if t[0] == 'c':
                rows.append([])
                continue
            v = list(map(int, t))
            rows[-1].append((v[0], [tuple(v[i:i + 3]) for i in range(1, len(v), 3)]))
    return rows


def pixels(rows):
    return {(y, x): k for y, runs in rows for x0, x1, k in runs for x in range(x0, x1 + 1)}


def as_rows(pixels):
    """{(y, x): k} as [(y, [(x0, x1, k)])], rows and runs in order."""
    rows = []
    for (y, x), k in sorted(pixels.items()):
        if not rows or rows[-1][0] != y:
            rows.append((y, []))
        runs = rows[-1][1]
        if runs and runs[-1][1] == x - 1 and runs[-1][2] == k:
            runs[-1] = (runs[-1][0], x, k)
        else:
            runs.append((x, x, k))
    return rows


def probe_runs(cases, work):
    """Draws the cases with the reference under Wine, once per RUNS entry, in the directory work."""
    exe, cin = os.path.join(work, 'probe.exe'), os.path.join(work, 'cases.txt')
    subprocess.check_call(['x86_64-w64-mingw32-gcc', '-O2', '-Wall', '-o', exe,
                           os.path.join(HERE, 'probe.c'), '-lgdi32'])
    with open(cin, 'w') as f:
        for c in cases:
            f.write('%d %d %d %d %d %d\n' % c)
    env = dict(os.environ, WINEDEBUG='-all', WINEDLLOVERRIDES='mscoree,mshtml=', WINEARCH='win64')
    env.setdefault('WINEPREFIX', '/tmp/plako-ellipse-wineprefix')
    env.pop('DISPLAY', None)  # a memory DC needs no X server
    if not os.path.isdir(os.path.join(env['WINEPREFIX'], 'drive_c', 'windows')):
        subprocess.call(['wineboot', '-i'], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.check_call(['wineserver', '-w'], env=env)
    outs = [os.path.join(work, 'runs%d.txt' % i) for i in range(len(RUNS))]
    procs = [subprocess.Popen(['wine', exe, cin, o] + [str(a) for a in r], env=env) for o, r in zip(outs, RUNS)]
    if any(p.wait() for p in procs):
        sys.exit('the probe failed')
    runs = [read_runs(o) for o in outs]
    if any(len(r) != len(cases) for r in runs):
        sys.exit('the probe answered %s of %d cases' % ([len(r) for r in runs], len(cases)))
    return runs


def probe(cases):
    """Draws the cases with the reference under Wine, once per RUNS entry; returns each case's rows
    [(y, [(x0, x1, k)])] of the pixels that every run painted in the same colour."""
    with tempfile.TemporaryDirectory(prefix='ellipse-sweep-') as work:
        runs = probe_runs(cases, work)
    rows, unsteady = [], 0
    for k in range(len(cases)):
        seen = [r[k] for r in runs]
        if all(s == seen[0] for s in seen[1:]):
            rows.append(seen[0])
            continue
        unsteady += 1
        seen = [pixels(s) for s in seen]
        rows.append(as_rows({p: c for p, c in seen[0].items() if all(s.get(p) == c for s in seen[1:])}))
    print('%d cases drew differently from run to run; kept the pixels all runs agree on' % unsteady)
    return rows


def pack(cases, rows):
    out = bytearray(b'ELL1')
    varint(out, len(cases))
    for c, rs in zip(cases, rows):
        l, t, r, b, pw, f = c
        for v in (l, t, r, b):
            varint(out, v)
        out += bytes([pw + 1, f])
        varint(out, len(rs))
        py, px = t, l
        for y, runs in rs:
            varint(out, y - py)
            py = y
            varint(out, len(runs))
            end = None
            for i, (x0, x1, k) in enumerate(runs):
                if i == 0:
                    varint(out, x0 - px)
                    px = x0
                else:
                    varint(out, x0 - end)
                varint(out, x1 - x0)
                out.append(k)
                end = x1 + 1
    return zlib.compress(bytes(out), 9)


def main():
    args = sys.argv[1:]
    cases_file = args[args.index('--cases') + 1] if '--cases' in args else None
    out = args[args.index('--out') + 1] if '--out' in args else os.path.join(HERE, 'expected.bin')
    if cases_file:
        cases = [tuple(map(int, l.split()[:6])) for l in open(cases_file) if l.strip() and l[0] != '#']
    else:
        cases = sweep_cases()
    data = pack(cases, probe(cases))
    with open(out, 'wb') as f:
        f.write(data)
    print('%d cases, %d bytes -> %s' % (len(cases), len(data), out))


if __name__ == '__main__':
    main()
