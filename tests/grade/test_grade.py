#!/usr/bin/env python3
"""plako-grade's tests, on the installed package: the fixture class graded with one command, each
verdict read back from the HTML pages (html.parser), the CSV and results.json; check on one program;
a Gradescope bundle run under a root folder of the test's own; bad assignment files.

Usage: test_grade.py BUILD_DIR WORK_DIR STEP, STEP one of: setup, verdicts, new-runner, check, bundle,
bad-assignments. setup installs the build into WORK_DIR/prefix and grades the class into
WORK_DIR/report; the others read what setup left (bundle and check run the tool again)."""
import csv
import html.parser
import json
import os
import shutil
import subprocess
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ASSIGNMENT = os.path.join(HERE, "assignment")
CLASS = os.path.join(HERE, "class")
CHECKS = ["Snowflakes fall", "The snowman stands"]

# Each submission's verdicts, check by check. The second script has no click, so the programs that
# misbehave on a click pass it.
EXPECTED = {
    "correct": ["passed", "passed"],
    "different": ["passed", "passed"],
    "folder": ["passed", "passed"],
    "off3px": ["differs", "differs"],
    "wrong_colour": ["differs", "differs"],
    "compile_error": ["build error", "build error"],
    "loop": ["limit reached", "passed"],
    "crash": ["crashed", "passed"],
    "alloc": ["limit reached", "passed"],
    "flood": ["limit reached", "passed"],
    "exit_early": ["exited early", "passed"],
}
# Verdicts that need the runner's exit status 6 (the program did not end after its quit event).
EXPECTED_NEW_RUNNER = {"no_quit": ["did not quit", "did not quit"]}
POINTS = [3, 1]


class Table(html.parser.HTMLParser):
    """The rows of the class page's table: student name, then (verdict, text) per check."""

    def __init__(self):
        super().__init__()
        self.rows, self.cell, self.tags = [], None, []

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        self.tags.append(tag)
        if tag == "tr" and "data-student" in a:
            self.rows.append({"student": a["data-student"], "checks": [], "score": None})
        elif tag == "td" and self.rows and "data-verdict" in a:
            self.rows[-1]["checks"].append(a["data-verdict"])
        elif tag == "td" and self.rows and a.get("class") == "score":
            self.cell = "score"

    def handle_data(self, data):
        if self.cell == "score":
            self.rows[-1]["score"] = data.strip()
            self.cell = None


class Page(html.parser.HTMLParser):
    """A student page: its tags, the text of each <pre class=...>, the verdicts of its table and its
    sentences on the first differing drawing call (<p class="scene">)."""

    def __init__(self):
        super().__init__()
        self.tags, self.pre, self.verdicts, self.images, self.current = [], {}, [], [], None
        self.scenes, self.in_scene = [], False

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        self.tags.append(tag)
        if tag == "pre":
            self.current = a.get("class") or a.get("id")
            self.pre.setdefault(self.current, "")
        if tag == "td" and "data-verdict" in a:
            self.verdicts.append(a["data-verdict"])
        if tag == "img":
            self.images.append(a["src"])
        if tag == "p" and a.get("class") == "scene":
            self.in_scene = True
            self.scenes.append("")

    def handle_endtag(self, tag):
        if tag == "pre":
            self.current = None
        if tag == "p":
            self.in_scene = False

    def handle_data(self, data):
        if self.current:
            self.pre[self.current] += data
        if self.in_scene:
            self.scenes[-1] += data


def parse(parser, path):
    with open(path, encoding="utf-8") as f:
        parser.feed(f.read())
    return parser


def env_for(work):
    env = dict(os.environ)
    env["PATH"] = os.path.join(work, "prefix", "bin") + os.pathsep + env["PATH"]
    return env


def grader(work):
    return os.path.join(work, "prefix", "bin", "plako-grade")


def setup(build, work):
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    subprocess.run(["cmake", "--install", build, "--prefix", os.path.join(work, "prefix")], check=True,
                   stdout=subprocess.DEVNULL)
    r = subprocess.run([grader(work), ASSIGNMENT, CLASS, "--out", os.path.join(work, "report"), "-q"],
                       env=env_for(work), capture_output=True, text=True)
    if r.returncode != 0:
        sys.exit("plako-grade failed (%d): %s" % (r.returncode, r.stderr))


def check_verdicts(work, expected):
    report = os.path.join(work, "report")
    faults = []
    rows = {r["student"]: r for r in parse(Table(), os.path.join(report, "index.html")).rows}
    with open(os.path.join(report, "scores.csv"), newline="", encoding="utf-8") as f:
        scores = {row["student"]: row for row in csv.DictReader(f)}
    for student, verdicts in expected.items():
        want_score = sum(p for p, v in zip(POINTS, verdicts) if v == "passed")
        row = rows.get(student)
        if row is None:
            faults.append("%s: no row on the class page" % student)
            continue
        if row["checks"] != verdicts:
            faults.append("%s: class page says %s, expected %s" % (student, row["checks"], verdicts))
        page = parse(Page(), os.path.join(report, "students", student, "index.html"))
        if page.verdicts != verdicts:
            faults.append("%s: student page says %s, expected %s" % (student, page.verdicts, verdicts))
        with open(os.path.join(report, "students", student, "results.json"), encoding="utf-8") as f:
            results = json.load(f)
        tests = results["tests"]
        if [t["name"] for t in tests] != CHECKS or [t["max_score"] for t in tests] != POINTS:
            faults.append("%s: results.json names %s" % (student, [(t["name"], t["max_score"]) for t in tests]))
        if results["score"] != want_score or [t["score"] for t in tests] != [
                p if v == "passed" else 0 for p, v in zip(POINTS, verdicts)]:
            faults.append("%s: results.json scores %s, expected %s" % (student, results["score"], want_score))
        if any(t["visibility"] != "visible" or not t["output"].startswith(v) for t, v in zip(tests, verdicts)):
            faults.append("%s: results.json outputs %s" % (student, [t["output"][:40] for t in tests]))
        if float(scores[student]["score"]) != want_score:
            faults.append("%s: scores.csv says %s, expected %s" % (student, scores[student]["score"], want_score))
        # Every picture a page shows exists.
        for src in page.images:
            if not os.path.exists(os.path.join(report, "students", student, src)):
                faults.append("%s: the page shows %s, which is missing" % (student, src))
    return faults


def verdicts(build, work):
    faults = check_verdicts(work, EXPECTED)
    report = os.path.join(work, "report")
    # What the students control is text, never markup: the flood's console and the compiler's words.
    flood = parse(Page(), os.path.join(report, "students", "flood", "index.html"))
    if "script" in flood.tags or "<script>alert('flood')</script>" not in flood.pre.get("console", ""):
        faults.append("flood: the console text is not shown escaped")
    broken = parse(Page(), os.path.join(report, "students", "compile_error", "index.html"))
    if "plako_erse" not in broken.pre.get("build-log", ""):
        faults.append("compile_error: the compiler's message is not on the page")
    off = parse(Page(), os.path.join(report, "students", "off3px", "index.html"))
    if len([s for s in off.images if s.endswith("-diff.png")]) != 2:
        faults.append("off3px: the page lacks its difference pictures: %s" % off.images)
    faults += scene_sentences(report)
    return faults


# The first differing drawing call of each check, as the student's page and results.json say it.
SCENES = {
    "off3px": "the reference draws a white circle at (0, -100), radius 60; yours at (3, -100)",
    "wrong_colour": "the reference draws a filled red triangle at (0, 75), (25, 70), (0, 68); "
                    "yours draws a filled blue triangle there",
}


def scene_sentences(report):
    faults = []
    for student, words in SCENES.items():
        page = parse(Page(), os.path.join(report, "students", student, "index.html"))
        if len(page.scenes) != len(CHECKS) or not all(
                s.startswith("frame ") and s.endswith(words) for s in page.scenes):
            faults.append("%s: the page's sentences are %s, expected each to end '%s'" % (student, page.scenes,
                                                                                          words))
        with open(os.path.join(report, "students", student, "results.json"), encoding="utf-8") as f:
            outputs = [t["output"] for t in json.load(f)["tests"]]
        if not all(words in o for o in outputs):
            faults.append("%s: results.json lacks '%s': %s" % (student, words, outputs))
    # Passing students and those whose runs went wrong have no sentence.
    for student in ("correct", "crash"):
        page = parse(Page(), os.path.join(report, "students", student, "index.html"))
        if page.scenes:
            faults.append("%s: the page has sentences %s" % (student, page.scenes))
    return faults


def new_runner(build, work):
    return check_verdicts(work, EXPECTED_NEW_RUNNER)


def check(build, work):
    faults = []
    out = os.path.join(work, "check")
    results = os.path.join(work, "check-results.json")
    for program, status, score in (("off3px.c", 1, 0), ("different.cpp", 0, 4)):
        r = subprocess.run([grader(work), "check", ASSIGNMENT, os.path.join(CLASS, program), "--out", out,
                            "--results", results, "-q"], env=env_for(work), capture_output=True, text=True)
        name = program.split(".")[0]
        page = parse(Page(), os.path.join(out, "students", name, "index.html"))
        with open(results, encoding="utf-8") as f:
            got = json.load(f)["score"]
        if r.returncode != status or got != score or (score == 4) != (page.verdicts == ["passed", "passed"]):
            faults.append("check %s: status %d, score %s, page %s" % (program, r.returncode, got, page.verdicts))
    return faults


def bundle(build, work):
    faults = []
    zip_path = os.path.join(work, "bundle.zip")
    subprocess.run([grader(work), "bundle", ASSIGNMENT, "--out", zip_path], env=env_for(work), check=True,
                   capture_output=True)
    for program, score in (("correct.c", 4), ("compile_error.c", 0)):
        root = os.path.join(work, "autograder-" + program.split(".")[0])
        shutil.rmtree(root, ignore_errors=True)
        with zipfile.ZipFile(zip_path) as z:
            names = z.namelist()
            for needed in ("setup.sh", "run_autograder", "plako-source.tar.gz", "assignment/assignment.txt"):
                if needed not in names:
                    faults.append("the bundle lacks %s" % needed)
            z.extractall(os.path.join(root, "source"))
        shutil.copy(os.path.join(root, "source", "run_autograder"), os.path.join(root, "run_autograder"))
        os.chmod(os.path.join(root, "run_autograder"), 0o755)
        os.makedirs(os.path.join(root, "submission"))
        shutil.copy(os.path.join(CLASS, program), os.path.join(root, "submission"))
        env = env_for(work)
        env["PLAKO_AUTOGRADER_ROOT"] = root
        r = subprocess.run([os.path.join(root, "run_autograder")], cwd=root, env=env, capture_output=True, text=True)
        with open(os.path.join(root, "results", "results.json"), encoding="utf-8") as f:
            results = json.load(f)
        if r.returncode != 0 or results["score"] != score or len(results["tests"]) != 2:
            faults.append("run_autograder on %s: status %d, results %s" % (program, r.returncode, results))
    # Without the grader installed, run_autograder still writes a results file.
    root = os.path.join(work, "autograder-correct")
    env = {"PATH": "/usr/bin:/bin", "PLAKO_AUTOGRADER_ROOT": root}
    subprocess.run([os.path.join(root, "run_autograder")], cwd=root, env=env, capture_output=True)
    with open(os.path.join(root, "results", "results.json"), encoding="utf-8") as f:
        if json.load(f)["score"] != 0:
            faults.append("run_autograder without the grader: no zero score")
    return faults


# Broken assignment files and the line each message must name.
BAD = [
    ("reference = reference/snowman.c\n[check a]\nscript = scripts/still.scr\nframes = every 0\n", 4, "every"),
    ("reference = reference/snowman.c\ntolerance = 300\n[check a]\nscript = scripts/still.scr\n", 2, "tolerance"),
    ("reference = reference/nothing.c\n[check a]\nscript = scripts/still.scr\n", 1, "does not exist"),
    ("reference = reference/snowman.c\n[check a]\nscript = scripts/none.scr\n", 3, "not a readable file"),
    ("reference = reference/snowman.c\n[check a]\nframes = last\n", 2, "no 'script"),
    ("reference = reference/snowman.c\n[check a]\nscript = scripts/still.scr\nignore = canvas 1 2 3\n", 4, "ignore"),
    ("reference = reference/snowman.c\n[check a]\nscript = scripts/still.scr\n[check a]\n", 4, "second check"),
    ("reference = reference/snowman.c\ncpu_limit = -1\n[check a]\nscript = scripts/still.scr\n", 2, "cpu_limit"),
    ("reference = reference/snowman.c\nsize = 3\n[check a]\nscript = scripts/still.scr\n", 2, "unknown key"),
    ("reference = reference/snowman.c\n[section]\n", 2, "[check NAME]"),
]


def bad_assignments(build, work):
    faults = []
    for i, (text, line, words) in enumerate(BAD):
        d = os.path.join(work, "bad-%d" % i)
        shutil.rmtree(d, ignore_errors=True)
        shutil.copytree(ASSIGNMENT, d)
        with open(os.path.join(d, "assignment.txt"), "w") as f:
            f.write(text)
        r = subprocess.run([grader(work), d, CLASS, "--out", os.path.join(work, "bad-report")], env=env_for(work),
                           capture_output=True, text=True)
        where = "%s/assignment.txt:%d: " % (os.path.realpath(d), line)
        if r.returncode != 1 or where not in r.stderr or words not in r.stderr:
            faults.append("bad assignment %d: status %d, said %r; expected %r and %r" % (i, r.returncode, r.stderr,
                                                                                          where, words))
    return faults


def main():
    build, work, step = sys.argv[1], sys.argv[2], sys.argv[3]
    if step == "setup":
        setup(build, work)
        return
    faults = {"verdicts": verdicts, "new-runner": new_runner, "check": check, "bundle": bundle,
              "bad-assignments": bad_assignments}[step](build, work)
    for f in faults:
        print("FAULT:", f)
    sys.exit(1 if faults else 0)


if __name__ == "__main__":
    main()
