// plako-grade: grades a class of handed-in PLAKO programs against a reference solution.
#include <ctype.h>
#include <dirent.h>
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "grade.h"

namespace {

const char USAGE[] =
    "Usage: plako-grade ASSIGNMENT_DIR SUBMISSIONS_DIR --out REPORT_DIR [-j N] [options]\n"
    "       plako-grade check ASSIGNMENT_DIR MY_PROGRAM.c [--out REPORT_DIR] [--results FILE] [options]\n"
    "       plako-grade bundle ASSIGNMENT_DIR --out bundle.zip [--source PLAKO_SOURCE.tar.gz]\n"
    "\n"
    "Grades each submission of SUBMISSIONS_DIR (a .c/.cpp file or a folder of them) against the\n"
    "assignment's reference solution: builds it against the installed package into a runner, plays\n"
    "each check's script through it in a fresh folder under the assignment's limits, in parallel,\n"
    "and compares its frames with the reference's. Writes REPORT_DIR/index.html (the class),\n"
    "REPORT_DIR/students/NAME/index.html and results.json (each student), REPORT_DIR/scores.csv.\n"
    "'check' grades one program of your own the same way and says where its page is; with\n"
    "--results it also writes Gradescope's results.json there. 'bundle' writes a zip for\n"
    "Gradescope's autograder. docs/grading.md describes the assignment folder.\n"
    "\n"
    "Options:\n"
    "  -o, --out PATH      the report folder (check: default plako-grade-report) or the bundle\n"
    "  -j, --jobs N        runs at once (default: the number of cores)\n"
    "      --results FILE  check: write Gradescope's results.json to FILE, whatever happens\n"
    "      --source FILE   bundle: the PLAKO source tarball (default: the one installed beside the tool)\n"
    "      --no-sandbox    do not use bubblewrap even where it works (rlimits only)\n"
    "      --keep          keep the staging folder of builds, runs and frames\n"
    "  -q, --quiet         no progress line\n"
    "  -h, --help          show this text\n"
    "\n"
    "Exit status: 0 when the grading was done (whatever the verdicts; for 'check', when every check\n"
    "passed), 1 when it could not be done (or, for 'check', a check did not pass), 2 for a bad\n"
    "command line.\n";

std::string absolute(const std::string &p) {
    if (!p.empty() && p[0] == '/') return p;
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) == nullptr) return p;
    return std::string(cwd) + "/" + p;
}

// The installed source tarball: PREFIX/share/plako/plako-source.tar.gz beside PREFIX/bin/plako-grade.
std::string installed_source() {
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return "";
    exe[n] = 0;
    std::string bin = exe;
    bin = bin.substr(0, bin.find_last_of('/'));
    return bin.substr(0, bin.find_last_of('/')) + "/share/plako/plako-source.tar.gz";
}

// A results.json for a grading that could not be done: the platform must always get one.
void write_failed_results(const std::string &path, const std::string &why) {
    if (path.empty()) return;
    grade::write_file(path, "{\n  \"score\": 0,\n  \"output\": " +
                                grade::json_string("The grading could not be done: " + why) +
                                ",\n  \"tests\": []\n}\n");
}

}  // namespace

int main(int argc, char **argv) {
    std::vector<std::string> pos;
    std::string out, results, source;
    grade::Options opt;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        auto value = [&](std::string *into) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                fprintf(stderr, "plako-grade: %s needs a value (see --help)\n", a.c_str());
                return false;
            }
            *into = argv[++i];
            return true;
        };
        std::string v;
        if (a.size() > 2 && a.compare(0, 2, "-j") == 0 && isdigit((unsigned char)a[2])) {
            argv[i] = argv[i] + 2;  // -j4 is -j 4
            a = "-j";
            i--;
        }
        if (a == "-h" || a == "--help") {
            fputs(USAGE, stdout);
            return 0;
        } else if (a == "-o" || a == "--out") {
            if (!value(&out)) return 2;
        } else if (a == "--results") {
            if (!value(&results)) return 2;
        } else if (a == "--source") {
            if (!value(&source)) return 2;
        } else if (a == "-j" || a == "--jobs") {
            if (!value(&v)) return 2;
            char *end = nullptr;
            long n = strtol(v.c_str(), &end, 10);
            if (*end != '\0' || n < 1 || n > 1024) {
                fprintf(stderr, "plako-grade: -j needs a number from 1 to 1024, not '%s'\n", v.c_str());
                return 2;
            }
            opt.parallel = (int)n;
        } else if (a == "--no-sandbox") {
            opt.sandbox = false;
        } else if (a == "--keep") {
            opt.keep = true;
        } else if (a == "-q" || a == "--quiet") {
            opt.quiet = true;
        } else if (a.size() > 1 && a[0] == '-') {
            fprintf(stderr, "plako-grade: unknown option '%s' (see --help)\n", a.c_str());
            return 2;
        } else {
            pos.push_back(a);
        }
    }
    std::string mode = !pos.empty() && (pos[0] == "check" || pos[0] == "bundle") ? pos[0] : "grade";
    if (mode != "grade") pos.erase(pos.begin());

    if (mode == "bundle") {
        if (pos.size() != 1 || out.empty()) {
            fprintf(stderr, "plako-grade: bundle needs ASSIGNMENT_DIR and --out bundle.zip (see --help)\n");
            return 2;
        }
        grade::Assignment a;
        std::string why = grade::load_assignment(pos[0], &a);
        if (why.empty())
            why = grade::write_bundle(a.dir, source.empty() ? installed_source() : source, absolute(out));
        if (!why.empty()) {
            fprintf(stderr, "plako-grade: %s\n", why.c_str());
            return 1;
        }
        fprintf(stderr, "plako-grade: wrote %s\n", out.c_str());
        return 0;
    }
    if (pos.size() != 2 || (mode == "grade" && out.empty())) {
        fprintf(stderr, "plako-grade: %s (see --help)\n",
                mode == "grade" ? "grading needs ASSIGNMENT_DIR, SUBMISSIONS_DIR and --out REPORT_DIR"
                                : "check needs ASSIGNMENT_DIR and your program");
        return 2;
    }
    if (out.empty()) out = "plako-grade-report";
    out = absolute(out);
    grade::Assignment a;
    std::string why = grade::load_assignment(pos[0], &a);
    if (!why.empty()) {
        fprintf(stderr, "plako-grade: %s\n", why.c_str());
        write_failed_results(results, why);
        return 1;
    }
    std::vector<std::string> subs;
    std::string given = absolute(pos[1]);
    if (mode == "check") {
        subs.push_back(given);
    } else {
        struct stat st;
        if (stat(given.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            fprintf(stderr, "plako-grade: %s is not a folder of submissions\n", pos[1].c_str());
            return 1;
        }
        std::vector<std::string> names;
        if (DIR *d = opendir(given.c_str())) {
            while (struct dirent *e = readdir(d))
                if (e->d_name[0] != '.') names.push_back(e->d_name);
            closedir(d);
        }
        std::sort(names.begin(), names.end());
        for (const std::string &n : names) subs.push_back(given + "/" + n);
        if (subs.empty()) {
            fprintf(stderr, "plako-grade: %s holds no submission\n", pos[1].c_str());
            return 1;
        }
    }
    grade::ClassResult result;
    why = grade::grade_class(a, subs, out, opt, &result);
    if (why.empty()) why = grade::write_reports(result, out);
    if (!why.empty()) {
        fprintf(stderr, "plako-grade: %s\n", why.c_str());
        write_failed_results(results, why);
        return 1;
    }
    if (!opt.quiet) {
        size_t n = std::max<size_t>(result.students.size(), 1);
        fprintf(stderr,
                "plako-grade: building %.2f s, running %.2f s, comparing %.2f s, describing %.2f s "
                "(per submission: %.3f, %.3f, %.3f, %.3f s)\n",
                result.build_seconds, result.run_seconds, result.compare_seconds, result.describe_seconds,
                result.build_seconds / n, result.run_seconds / n, result.compare_seconds / n,
                result.describe_seconds / n);
    }
    if (mode == "grade") {
        if (!opt.quiet)
            fprintf(stderr, "plako-grade: %zu submissions graded; the class page is %s/index.html\n",
                    result.students.size(), out.c_str());
        return 0;
    }
    const grade::StudentResult &s = result.students[0];
    if (!results.empty() && !grade::write_file(results, grade::gradescope_json(result, s))) {
        fprintf(stderr, "plako-grade: cannot write %s\n", results.c_str());
        return 1;
    }
    for (size_t i = 0; i < s.checks.size(); i++) {
        printf("%s: %s%s%s\n", a.checks[i].name.c_str(), grade::verdict_name(s.checks[i].verdict),
               s.checks[i].detail.empty() ? "" : ": ", s.checks[i].detail.c_str());
        if (!s.checks[i].scene.empty()) printf("  %s\n", s.checks[i].scene.c_str());
    }
    printf("score %g of %g; the page is %s/students/%s/index.html\n", s.score, s.max_score, out.c_str(),
           s.slug.c_str());
    return s.verdict == grade::Verdict::passed ? 0 : 1;
}
