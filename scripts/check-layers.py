#!/usr/bin/env python3
"""Fails when a group of platform/ includes a header of a group above it (or of a sibling group).

Usage: scripts/check-layers.py [LAYERS_FILE]   (default: platform/LAYERS beside this script's tree)

LAYERS_FILE lists the groups, one a line: RANK NAME FOLDER, the folder relative to the file. Every
`#include "..."` of every source and header in a group's folder (not its subfolders: a subfolder
that is a group of its own is judged as that group) is resolved as the compiler would: beside the
including file first, then in the groups' folders. It is upward when the header it reaches belongs
to a group of a higher rank, or to another group of the same rank. Prints one line per upward
include and exits 1; exits 0 when there is none, 2 on a bad LAYERS file.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
SOURCES = ('.h', '.hpp', '.c', '.cc', '.cpp')


def read_layers(path):
    """The groups as (rank, name, absolute folder); exits 2 on a malformed line."""
    base = os.path.dirname(os.path.abspath(path))
    groups = []
    with open(path, encoding='utf-8') as f:
        for n, line in enumerate(f, 1):
            line = line.split('#', 1)[0].strip()
            if not line:
                continue
            parts = line.split()
            if len(parts) != 3 or not parts[0].isdigit():
                print(f'{path}:{n}: expected "RANK NAME FOLDER", got "{line}"', file=sys.stderr)
                sys.exit(2)
            groups.append((int(parts[0]), parts[1], os.path.realpath(os.path.join(base, parts[2]))))
    if not groups:
        print(f'{path}: no groups', file=sys.stderr)
        sys.exit(2)
    return groups


def group_of(path, groups):
    """The group whose folder holds the file directly, or None."""
    folder = os.path.dirname(os.path.realpath(path))
    for g in groups:
        if g[2] == folder:
            return g
    return None


def allowed(own, other):
    """Whether a file of group own may include a header of group other."""
    return other is None or other == own or other[0] < own[0]


def check(groups):
    """Lines naming each upward include."""
    problems = []
    for own in groups:
        if not os.path.isdir(own[2]):
            continue
        for name in sorted(os.listdir(own[2])):
            src = os.path.join(own[2], name)
            if not name.endswith(SOURCES) or not os.path.isfile(src):
                continue
            with open(src, encoding='utf-8', errors='replace') as f:
                for n, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    header = m.group(1)
                    beside = os.path.join(own[2], header)
                    if os.path.isfile(beside):
                        found = [group_of(beside, groups)]  # the compiler looks here first
                    else:
                        found = [group_of(os.path.join(g[2], header), groups) for g in groups
                                 if os.path.isfile(os.path.join(g[2], header))]
                    if not found or any(allowed(own, g) for g in found):
                        continue  # a system or third-party header, or one this group may see
                    worst = max(found, key=lambda g: g[0])
                    problems.append(f'{os.path.relpath(src)}:{n}: upward include "{header}": {own[1]} '
                                    f'(rank {own[0]}) reaches {worst[1]} (rank {worst[0]})')
    return problems


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    layers = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, '..', 'platform', 'LAYERS')
    if not os.path.isfile(layers):
        print(f'check-layers: no layers file {layers}', file=sys.stderr)
        return 2
    problems = check(read_layers(layers))
    for p in problems:
        print(p)
    if problems:
        print(f'check-layers: {len(problems)} upward include(s)', file=sys.stderr)
        return 1
    print(f'check-layers: {len(read_layers(layers))} groups, every include stays in its group or goes down')
    return 0


if __name__ == '__main__':
    sys.exit(main())
