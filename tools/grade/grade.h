// plako-grade's model: what a grading found for each student and check, and the steps that
// produce it (build, run, compare) and show it (reports).
#pragma once

#include <string>
#include <vector>

#include "assignment.h"
#include "jobs.h"

namespace grade {

// The kinds of verdict; each check and each student has one.
enum class Verdict {
    passed,
    differs,
    build_error,
    crashed,
    limit_reached,
    exited_early,
    no_quit,
    failed,
    unknown
};

// "passed", "differs", "build error", ...
const char *verdict_name(Verdict v);

struct CheckResult {
    Verdict verdict = Verdict::unknown;
    std::string detail;  // the verdict in words: "312 pixels differ in frame 12", "signal 11, ..."
    double score = 0, max_score = 0;
    std::string outcome;  // the runner's outcome line (or the grader's words when there was none)
    std::string console;  // the program's console lines, as far as they were kept
    long console_bytes = 0;
    long frame = -1;    // the frame the pictures show
    std::string scene;  // the first drawing call that differs in that frame, in words ("" if unknown)
    std::string expected, actual, diff, thumb;  // pictures, relative to the student's page
};

struct StudentResult {
    std::string name;  // as handed in (student-controlled: escaped wherever it is shown)
    std::string slug;  // a safe folder name for the student's page
    std::vector<std::string> sources;
    bool built = false;
    std::string build_log;
    std::vector<CheckResult> checks;
    double score = 0, max_score = 0;
    Verdict verdict = Verdict::unknown;  // the first check that did not pass, or passed
    std::string summary;
};

struct ClassResult {
    Assignment assignment;
    std::vector<StudentResult> students;
    std::string isolation;  // the isolation in force, in words
    std::string runner_features;
    double seconds = 0;
    // The time of each phase, for all submissions together (wall clock).
    double build_seconds = 0, run_seconds = 0, compare_seconds = 0, describe_seconds = 0;
};

// What the runner said about one run, as a verdict: from its exit status, its outcome line, and how
// the pool ended it. `limits` names the limits in the words.
void classify_run(const Job &job, const Limits &limits, CheckResult *r);

// The runner's outcome line: the last "NAME-replay: ..." line of its standard error ("" if none).
std::string outcome_line(const std::string &err);

// Options of the grading.
struct Options {
    int parallel = 0;  // 0: the number of cores
    bool sandbox = true;
    bool quiet = false;
    bool keep = false;  // keep the staging folder (builds, runs, frames)
};

// Grades the submissions (each a .c/.cpp file or a folder of them) into `result`, writing the
// pictures a report shows under report_dir. Returns "" or why the grading could not be done.
std::string grade_class(const Assignment &a, const std::vector<std::string> &submissions,
                        const std::string &report_dir, const Options &opt, ClassResult *result);

// Reports.
std::string write_reports(const ClassResult &c, const std::string &report_dir);
std::string gradescope_json(const ClassResult &c, const StudentResult &s);
std::string html_escape(const std::string &s);
std::string json_string(const std::string &s);
std::string csv_field(const std::string &s);

// The bundle for Gradescope's autograder. Returns "" or the reason.
std::string write_bundle(const std::string &assignment_dir, const std::string &source_tarball,
                         const std::string &zip_path);

// Utilities shared by the steps.
std::string make_dirs(const std::string &dir);
std::string read_file(const std::string &path, size_t max_bytes, bool *ok);
bool write_file(const std::string &path, const std::string &text);
bool copy_file(const std::string &from, const std::string &to);
void remove_tree(const std::string &path);

}  // namespace grade
