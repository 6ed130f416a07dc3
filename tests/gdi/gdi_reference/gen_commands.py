#!/usr/bin/env python3
"""Writes commands/*.txt, the command files that regenerate.sh draws with the reference GDI
(gdi_probe.c) and test_gdi_reference.cpp with ours: python3 gen_commands.py.
Each primitive is drawn on its own patch and dumped as ASCII (out/<name>.txt)."""
import os
HERE = os.path.dirname(os.path.abspath(__file__))
R, G = 'ff0000', '00ff00'

class T:
    def __init__(self, name):
        self.name, self.lines, self.x, self.y, self.rowh = name, ['clear'], 10, 10, 0
    def add(self, title, cmds, w, h, pad=4):
        """cmds: list of format strings with {x},{y} = patch origin; w,h patch size"""
        if self.x + w + pad > 590:
            self.x, self.y, self.rowh = 10, self.y + self.rowh + 2 * pad + 2, 0
        x, y = self.x + pad, self.y + pad
        for c in cmds:
            self.lines.append(c.format(x=x, y=y, **{f'x{k}': x + k for k in range(0, 120)},
                                       **{f'y{k}': y + k for k in range(0, 120)}))
        self.lines.append(f'ascii out/{self.name}.txt {x - pad} {y - pad} {x + w + pad - 1} {y + h + pad - 1} {title}  (origin x={x} y={y})')
        self.x += w + 2 * pad + 2
        self.rowh = max(self.rowh, h)
    def write(self):
        self.lines.append(f'save out/{self.name}.ppm')
        with open(os.path.join(HERE, 'commands', self.name + '.txt'), 'w') as f:
            f.write('\n'.join(self.lines) + '\n')

def rect_tests():
    t = T('a_rect')
    for (w, h) in [(10, 5), (1, 1), (2, 2), (3, 3), (1, 5), (5, 1), (0, 5)]:
        t.add(f'Rectangle(l,t,l+{w},t+{h}) pen w=1 red + green brush',
              [f'rect {{x0}} {{y0}} {{x{w}}} {{y{h}}} 1 1 {R} {G}'], max(w, 1), max(h, 1))
        t.add(f'Rectangle(l,t,l+{w},t+{h}) NULL_PEN + green brush',
              [f'rect {{x0}} {{y0}} {{x{w}}} {{y{h}}} -1 1 {R} {G}'], max(w, 1), max(h, 1))
    t.add('Rectangle(l,t,l+10,t+5) pen w=0 (cosmetic) + brush', [f'rect {{x0}} {{y0}} {{x10}} {{y5}} 0 1 {R} {G}'], 10, 5)
    t.add('Rectangle(l+10,t+5,l,t) swapped corners, pen1 + brush', [f'rect {{x10}} {{y5}} {{x0}} {{y0}} 1 1 {R} {G}'], 10, 5)
    for pw in (2, 3, 4, 5):
        t.add(f'Rectangle(l,t,l+14,t+12) pen w={pw} + brush', [f'rect {{x0}} {{y0}} {{x14}} {{y12}} {pw} 1 {R} {G}'], 14, 12, pad=5)
    t.write()
    t = T('b_rectframe')
    for pw in (1, 2, 3, 4, 5, 6):
        t.add(f'Rectangle(l,t,l+20,t+15) NULL_BRUSH pen w={pw}', [f'rect {{x0}} {{y0}} {{x20}} {{y15}} {pw} 0 {R}'], 20, 15, pad=5)
    for pw in (1, 2, 3, 4):
        for (w, h) in [(1, 1), (2, 2), (3, 3)]:
            t.add(f'Rectangle(l,t,l+{w},t+{h}) NULL_BRUSH pen w={pw}', [f'rect {{x0}} {{y0}} {{x{w}}} {{y{h}}} {pw} 0 {R}'], w, h, pad=4)
    t.write()

def ellipse_tests():
    t = T('c_ellipse')
    sizes = [(1, 1), (2, 2), (3, 3), (4, 4), (5, 5), (6, 6), (7, 7), (8, 8), (17, 17), (10, 5), (5, 10), (2, 1), (1, 2)]
    for (w, h) in sizes:
        t.add(f'Ellipse(l,t,l+{w},t+{h}) pen1 red + green brush', [f'ellipse {{x0}} {{y0}} {{x{w}}} {{y{h}}} 1 1 {R} {G}'], w, h, pad=2)
    for (w, h) in sizes:
        t.add(f'Ellipse(l,t,l+{w},t+{h}) pen1 red NULL_BRUSH', [f'ellipse {{x0}} {{y0}} {{x{w}}} {{y{h}}} 1 0 {R}'], w, h, pad=2)
    for (w, h) in sizes:
        t.add(f'Ellipse(l,t,l+{w},t+{h}) NULL_PEN + green brush', [f'ellipse {{x0}} {{y0}} {{x{w}}} {{y{h}}} -1 1 {R} {G}'], w, h, pad=2)
    for pw in (2, 3, 4):
        t.add(f'Ellipse(l,t,l+17,t+17) pen w={pw} NULL_BRUSH', [f'ellipse {{x0}} {{y0}} {{x17}} {{y17}} {pw} 0 {R}'], 17, 17, pad=3)
    t.add('Ellipse(l,t,l+17,t+17) pen w=3 + brush', [f'ellipse {{x0}} {{y0}} {{x17}} {{y17}} 3 1 {R} {G}'], 17, 17, pad=3)
    t.write()
    t = T('c_ellipse75')   # the 75x75 ones are too big for neat ASCII rows: one per dump
    t.add('Ellipse(l,t,l+75,t+75) pen1 red + green brush', [f'ellipse {{x0}} {{y0}} {{x75}} {{y75}} 1 1 {R} {G}'], 75, 75, pad=1)
    t.add('Ellipse(l,t,l+75,t+75) NULL_PEN + green brush', [f'ellipse {{x0}} {{y0}} {{x75}} {{y75}} -1 1 {R} {G}'], 75, 75, pad=1)
    t.add('Ellipse(l,t,l+75,t+75) pen1 NULL_BRUSH', [f'ellipse {{x0}} {{y0}} {{x75}} {{y75}} 1 0 {R}'], 75, 75, pad=1)
    t.write()

def poly_tests():
    t = T('d_poly')
    tris = {'right triangle (0,0)(20,0)(0,20)': [(0, 0), (20, 0), (0, 20)],
            'triangle (0,0)(18,6)(6,18)': [(0, 0), (18, 6), (6, 18)],
            'same triangle, clockwise order reversed (0,0)(6,18)(18,6)': [(0, 0), (6, 18), (18, 6)],
            'collinear (0,0)(10,5)(20,10)': [(0, 0), (10, 5), (20, 10)],
            'all points equal (2,2)x3': [(2, 2), (2, 2), (2, 2)],
            'square (0,0)(10,0)(10,10)(0,10)': [(0, 0), (10, 0), (10, 10), (0, 10)],
            'star (ALTERNATE) (12,0)(20,24)(0,9)(24,9)(4,24)': [(12, 0), (20, 24), (0, 9), (24, 9), (4, 24)],
            'sliver (0,0)(30,1)(0,2)': [(0, 0), (30, 1), (0, 2)]}
    for name, pts in tris.items():
        w = max(p[0] for p in pts) + 1
        h = max(p[1] for p in pts) + 1
        ps = ' '.join(f'{{x{x}}} {{y{y}}}' for x, y in pts)
        t.add(f'Polygon {name}: pen1 red + green brush', [f'poly 1 1 {R} {G} {ps}'], w, h)
        t.add(f'Polygon {name}: NULL_PEN + green brush', [f'poly -1 1 {R} {G} {ps}'], w, h)
        for pw in (1, 2, 3):
            t.add(f'Polygon {name}: pen w={pw} NULL_BRUSH', [f'poly {pw} 0 {R} {G} {ps}'], w, h)
        t.add(f'Polygon {name}: pen w=3 + green brush', [f'poly 3 1 {R} {G} {ps}'], w, h)
    t.write()

def line_tests():
    t = T('e_line')
    segs = [((0, 0), (10, 0), 'horizontal L->R'), ((10, 0), (0, 0), 'horizontal R->L'),
            ((0, 0), (0, 10), 'vertical down'), ((0, 10), (0, 0), 'vertical up'),
            ((0, 0), (10, 10), 'diagonal down-right'), ((10, 10), (0, 0), 'diagonal up-left'),
            ((0, 10), (10, 0), 'diagonal up-right'), ((10, 0), (0, 10), 'diagonal down-left'),
            ((0, 0), (10, 3), 'shallow 10:3'), ((10, 3), (0, 0), 'shallow 10:3 reversed'),
            ((0, 0), (3, 10), 'steep 3:10'), ((3, 10), (0, 0), 'steep 3:10 reversed'),
            ((0, 0), (0, 0), 'zero length'), ((0, 0), (1, 0), 'length 1')]
    # tie cases (exact .5 on the minor axis) in all 8 octants
    for (dx, dy) in [(10, 5), (10, -5), (-10, 5), (-10, -5), (5, 10), (5, -10), (-5, 10), (-5, -10)]:
        x0, y0 = (10 if dx < 0 else 0), (10 if dy < 0 else 0)
        segs.append(((x0, y0), (x0 + dx, y0 + dy), f'tie octant d=({dx},{dy})'))
    for pw in (1, 2, 3, 4, 5):
        for (a, b, name) in segs:
            if pw > 1 and 'tie' in name:
                continue
            w = max(a[0], b[0]) + 1
            h = max(a[1], b[1]) + 1
            t.add(f'MoveToEx({a[0]},{a[1]}) LineTo({b[0]},{b[1]}) pen w={pw}: {name}',
                  [f'line {{x{a[0]}}} {{y{a[1]}}} {{x{b[0]}}} {{y{b[1]}}} {pw} {R}'], w, h, pad=max(3, pw))
    for pw in (7, 9):
        t.add(f'MoveToEx(0,0) LineTo(10,0) pen w={pw}', [f'line {{x0}} {{y0}} {{x10}} {{y0}} {pw} {R}'], 11, 1, pad=pw)
        t.add(f'MoveToEx(0,0) LineTo(0,0) pen w={pw} (zero length)', [f'line {{x0}} {{y0}} {{x0}} {{y0}} {pw} {R}'], 1, 1, pad=pw)
    t.add('MoveToEx(0,0) LineTo(20,0) LineTo(20,15) pen w=3 (two LineTo calls)',
          [f'polyline 3 {R} {{x0}} {{y0}} {{x20}} {{y0}} {{x20}} {{y15}}'], 21, 16)
    t.add('MoveToEx(0,0) LineTo(20,0) LineTo(20,15) LineTo(0,15) pen w=1',
          [f'polyline 1 {R} {{x0}} {{y0}} {{x20}} {{y0}} {{x20}} {{y15}} {{x0}} {{y15}}'], 21, 16)
    t.write()

def misc_tests():
    t = T('f_pixel')
    t.lines += ['pixel 0 0 0000ff', 'pixel 600 539 0000ff', 'pixel 601 10 ff0000', 'pixel -1 10 ff0000',
                'pixel 10 10 ff0000', 'pixel 12 10 123456',
                'ascii out/f_pixel.txt 0 0 14 12 SetPixel (0,0) blue, (10,10) red, (12,10) 123456 -> ?',
                'ascii out/f_pixel.txt 590 530 600 539 SetPixel (600,539) blue; (601,10),(-1,10) ignored']
    t.write()
    t = T('g_text')
    for h in (9, 10, 11, 12, 18):
        t.add(f'TextOutA(x=l,y=t) CreateFontA(-{h},..,"PLAKO-font") "HIxgj|"', [f'text {{x0}} {{y0}} {h} 000000 PLAKO-font HIxgj|'], 8 * h // 2 + 24, h + 8, pad=3)
    t.add('TextOutA(x=l,y=t) ANSI_FIXED_FONT "HIxgj|"', ['text {x0} {y0} 12 000000 ANSI_FIXED_FONT HIxgj|'], 56, 16, pad=3)
    t.add('TextOutA(x=l,y=t) -12 PLAKO-font "Hello, world 0123456789"', ['text {x0} {y0} 12 000000 PLAKO-font Hello, world 0123456789'], 150, 16, pad=3)
    t.write()
    t = T('h_scroll')
    t.lines += ['rect 10 10 20 32 1 1 ff0000 00ff00', 'rect 40 10 50 20 1 1 ff0000 00ff00',
                'ascii out/h_scroll.txt 0 0 60 35 before: Rectangle(10,10,20,32), Rectangle(40,10,50,20)',
                'scroll 0 -3 0 0 30 30',
                'ascii out/h_scroll.txt 0 0 60 35 after ScrollDC(dx=0,dy=-3, scroll=clip=(0,0,30,30))',
                'blit 70 10 10 10 40 10',
                'ascii out/h_scroll.txt 36 6 84 24 after BitBlt(70,10,10,10, same DC,40,10,SRCCOPY)']
    t.write()

if __name__ == '__main__':
    os.makedirs(os.path.join(HERE, 'commands'), exist_ok=True)
    rect_tests(); ellipse_tests(); poly_tests(); line_tests(); misc_tests()
