#!/usr/bin/env python3
"""scripts/check-layers.py against a small tree shaped like platform/ (tests/layers/fixture): the tree
as it is passes; each planted include that goes up a group, or sideways to a sibling backend, fails
with a line naming the file, the line and both groups. Run by ctest as layers_checker."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, '..', '..', 'scripts', 'check-layers.py')
FIXTURE = os.path.join(HERE, 'fixture')


def run(layers):
    return subprocess.run([sys.executable, SCRIPT, layers], capture_output=True, text=True)


class CheckLayers(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp()
        self.fresh()

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def fresh(self):
        """A new copy of the fixture to plant in."""
        self.tree = tempfile.mkdtemp(dir=self.tmp)
        shutil.copytree(FIXTURE, self.tree, dirs_exist_ok=True)
        self.layers = os.path.join(self.tree, 'LAYERS')

    def plant(self, rel, line):
        with open(os.path.join(self.tree, rel), 'a', encoding='utf-8') as f:
            f.write(line + '\n')
        with open(os.path.join(self.tree, rel), encoding='utf-8') as f:
            return sum(1 for _ in f)

    def test_clean_tree_passes(self):
        r = run(self.layers)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertNotIn('upward include', r.stdout)

    def test_planted_includes_fail(self):
        cases = [
            # (what, file, planted line, groups the message names)
            ('gdi reaches the window core', 'gdi/gdi.cpp', '#include "core.h"', 'gdi (rank 2) reaches windows (rank 3)'),
            ('kernel reaches the gdi from a header', 'kernel/kernel.h', '#  include "gdi.h"',
             'kernel (rank 1) reaches gdi (rank 2)'),
            ('a backend reaches its sibling', 'hosts/two/two.cpp', '#include "one.h"',
             'host-two (rank 4) reaches host-one (rank 4)'),
            ('a backend reaches the start-up by a path', 'hosts/one/one.cpp', '#include "../../startup/main.cpp"',
             'host-one (rank 4) reaches startup (rank 5)'),
        ]
        for what, rel, line, groups in cases:
            with self.subTest(what):
                self.fresh()
                n = self.plant(rel, line)
                r = run(self.layers)
                self.assertEqual(r.returncode, 1, what + ': ' + r.stdout + r.stderr)
                lines = [x for x in r.stdout.splitlines() if 'upward include' in x]
                self.assertEqual(len(lines), 1, r.stdout)
                self.assertIn(f'{rel}:{n}:', lines[0])
                self.assertIn(groups, lines[0])

    def test_own_and_lower_groups_and_system_headers_pass(self):
        self.plant('startup/main.cpp', '#include "kernel.h"')  # any lower group
        self.plant('hosts/one/one.cpp', '#include "ft2build.h"')  # found in no group: not ours
        self.plant('hosts/one/one.cpp', '#include <core.h>')  # angle brackets: the system's
        r = run(self.layers)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)

    def test_bad_layers_file_is_reported(self):
        with open(self.layers, 'a', encoding='utf-8') as f:
            f.write('seven windows\n')
        r = run(self.layers)
        self.assertEqual(r.returncode, 2)
        self.assertIn('expected "RANK NAME FOLDER"', r.stderr)


if __name__ == '__main__':
    unittest.main()
