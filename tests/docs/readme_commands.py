#!/usr/bin/env python3
"""The README's own commands, run as written, so that the README cannot drift from the tools.

Usage: readme_commands.py SOURCE_DIR BUILD_DIR TEMPLATE_REPLAY DRAW_ONCE_REPLAY

- "Your first program" shows template/main.c whole.
- The install commands name a preset that exists, builds only what is installed, and installs
  from the preset's own build folder.
- The runner commands of "Your first program", "Examples" and "Tools" (indented code lines that
  run a NAME-replay, with the mkdir and cp lines before them) run in a scratch folder laid out like
  the source tree, and succeed; a frame the prose names (`frames/frame-NNNNNN.png`) is written;
  every option those lines name, their comments included, is in the runner's --help.
- The --last rule the README states ("frame-N.png after a script of K ticks") holds for a program
  that draws only at start.
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

SRC, BUILD, TEMPLATE_REPLAY, DRAW_ONCE_REPLAY = sys.argv[1:5]
README = open(os.path.join(SRC, "README.md"), encoding="utf-8").read()
ENV = dict(os.environ, FONTCONFIG_FILE=os.path.join(SRC, "tests", "fonts", "fonts.conf"))
failures = []


def fail(what):
    failures.append(what)
    print("FAILED: " + what)


def section(title):
    """The text of the README's section '## title', up to the next '## '."""
    m = re.search(r"^## " + re.escape(title) + r"\n(.*?)(?=^## |\Z)", README, re.S | re.M)
    if not m:
        fail(f"README.md has no section '## {title}'")
        return ""
    return m.group(1)


def blocks(text):
    """The indented code blocks of a section (outside fenced ones), lines joined at a trailing '\\'."""
    text = re.sub(r"^```.*?^```", "", text, flags=re.S | re.M)
    out, cur = [], []
    for line in text.split("\n"):
        if line.startswith("    ") and line.strip():
            if cur and cur[-1].endswith("\\"):
                cur[-1] = cur[-1][:-1] + " " + line.strip()
            else:
                cur.append(line.strip())
        elif cur:
            out.append(cur)
            cur = []
    if cur:
        out.append(cur)
    return out


def runnable(line):
    """The command part of a line this test runs (a runner, or a mkdir and cp before one), or None."""
    cmd = line.split(" #")[0].strip()
    if "~" in cmd or "$" in cmd:
        return None
    if re.match(r"(build/\S*-replay|mkdir |cp )", cmd):
        return cmd
    return None


def sandbox():
    """A scratch folder laid out like the source tree, with the builds where the README says."""
    d = tempfile.mkdtemp(prefix="plako-readme-")
    for name in ("examples", "docs", "template"):
        os.symlink(os.path.join(SRC, name), os.path.join(d, name))
    os.makedirs(os.path.join(d, "build"))
    os.symlink(BUILD, os.path.join(d, "build", "default"))
    # A student's own build of the template: build/myprogram-replay, with demo.scr as PLAKO.SCR.
    os.symlink(TEMPLATE_REPLAY, os.path.join(d, "build", "myprogram-replay"))
    shutil.copy(os.path.join(SRC, "template", "demo.scr"), os.path.join(d, "PLAKO.SCR"))
    return d


def help_text(runner, cwd):
    r = subprocess.run([runner, "--help"], cwd=cwd, env=ENV, capture_output=True, text=True)
    return r.stdout + r.stderr


def check_first_program():
    text = section("Your first program")
    m = re.search(r"^```c\n(.*?)^```", text, re.S | re.M)
    main = open(os.path.join(SRC, "template", "main.c"), encoding="utf-8").read()
    if not m:
        fail("'Your first program' shows no C program")
    elif m.group(1) != main:
        fail("the program 'Your first program' shows is not template/main.c")
    for line in ("plako_set_logging(0)", "plako_show_console(0)"):
        if line not in text.split("```c")[-1].split("```")[-1]:
            fail(f"'Your first program' does not say why the template calls {line}")


def check_install():
    text = section("Your first program")
    presets = json.load(open(os.path.join(SRC, "CMakePresets.json")))
    configure = {p["name"]: p for p in presets["configurePresets"]}
    build = {p["name"]: p for p in presets["buildPresets"]}
    cmds = [c for b in blocks(text) for c in b]
    conf = [re.search(r"cmake --preset (\S+)", c) for c in cmds]
    names = [m.group(1) for m in conf if m]
    if not names:
        fail("the install commands configure no preset")
        return
    name = names[0]
    p = configure.get(name)
    if not p:
        fail(f"the README's preset '{name}' is not in CMakePresets.json")
        return
    if p.get("cacheVariables", {}).get("PLAKO_PACKAGE_ONLY") != "ON":
        fail(f"the preset '{name}' builds more than what is installed")
    if not any(f"cmake --build --preset {name}" in c for c in cmds) or name not in build:
        fail(f"the README does not build the preset '{name}', or it has no build preset")
    folder = p["binaryDir"].replace("${sourceDir}/", "")
    if not any(re.search(r"cmake --install " + re.escape(folder) + r"( |$)", c) for c in cmds):
        fail(f"the README does not install from {folder}, the preset's build folder")


def check_runner_commands():
    for title in ("Your first program", "Examples", "Tools"):
        text = section(title)
        named = set(re.findall(r"`(frames/frame-\d{6}\.png)`", text))
        produced = set()
        for block in blocks(text):
            cmds = [runnable(line) for line in block]
            if not any(c and "-replay" in c for c in cmds):
                continue
            d = sandbox()
            try:
                for line, cmd in zip(block, cmds):
                    if cmd is None:
                        continue
                    r = subprocess.run(["bash", "-c", cmd], cwd=d, env=ENV, capture_output=True, text=True)
                    if r.returncode != 0:
                        fail(f"'{title}': `{cmd}` exits {r.returncode}: {r.stderr.strip()[-300:]}")
                        break
                    if "-replay" in cmd:
                        runner = cmd.split()[0]
                        helptext = help_text(os.path.join(d, runner), d)
                        for opt in re.findall(r"(?<![\w-])(--[a-z][a-z-]*)", line):
                            if opt not in helptext:
                                fail(f"'{title}': {runner} --help does not know {opt}")
                        if "--last" in cmd.split():
                            out = cmd.split("--out")[1].split()[0]
                            pngs = [f for f in os.listdir(os.path.join(d, out)) if f.endswith(".png")]
                            if len(pngs) != 1:
                                fail(f"'{title}': `{cmd}` wrote {len(pngs)} frames, not one")
                            produced |= {f"{out}/{f}" for f in pngs}
            finally:
                shutil.rmtree(d, ignore_errors=True)
        for frame in sorted(named - produced):
            fail(f"'{title}' names {frame}, which its commands did not write (they wrote {sorted(produced)})")


def check_last_rule():
    """'frame-N.png after a script of K ticks' and '`frame-000000.png` only when there was no frame'."""
    text = section("Tools")
    m = re.search(r"`frame-(\d{6})\.png` after a script of (\d+) ticks", text)
    if not m:
        fail("'Tools' states no --last example of the form `frame-N.png` after a script of K ticks")
        return
    for ticks, want in ((int(m.group(2)), f"frame-{m.group(1)}.png"), (0, "frame-000000.png")):
        d = tempfile.mkdtemp(prefix="plako-readme-last-")
        try:
            script = f"PLAKO_PERIODIC({ticks});\n" if ticks else ""
            open(os.path.join(d, "PLAKO.SCR"), "w").write(script)
            subprocess.run([DRAW_ONCE_REPLAY, "--quiet", "--dir", d, "--out", os.path.join(d, "out"), "--last"],
                           env=ENV, capture_output=True, check=True)
            got = sorted(os.listdir(os.path.join(d, "out")))
            if got != [want]:
                fail(f"--last after {ticks} ticks of a program that draws only at start wrote {got}, "
                     f"the README says {want}")
        finally:
            shutil.rmtree(d, ignore_errors=True)


check_first_program()
check_install()
check_runner_commands()
check_last_rule()
print(f"readme_commands: {len(failures)} failed")
sys.exit(1 if failures else 0)
