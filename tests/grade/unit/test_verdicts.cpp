// plako-grade's verdicts from a run's ending, and the escaping of what students control.
#include <gtest/gtest.h>
#include <signal.h>

#include "grade.h"

namespace {

struct Ending {
    const char *what;
    int exit_code, signal;
    const char *err;
    bool wall, output;
    double cpu;
    long rss_kb;
    grade::Verdict verdict;
    const char *detail_has;
};

const Ending ENDINGS[] = {
    {"played", 0, 0, "p-replay: played to the end\n", false, false, 0, 0, grade::Verdict::passed, ""},
    {"exit(0) under the old runner", 0, 0, "", false, false, 0, 0, grade::Verdict::exited_early, "status 0"},
    {"quit early", 1, 0, "p-replay: stopped at line 3: the program quit before the script's end\n", false,
     false, 0, 0, grade::Verdict::exited_early, "line 3"},
    {"no quit, old runner", 1, 0, "p-replay: the program does not end after its quit event\n", false, false,
     0, 0, grade::Verdict::no_quit, "quit event"},
    {"bad line", 1, 0, "p-replay: stopped at line 2: PLAKO_MOUSE(1);\n", false, false, 0, 0,
     grade::Verdict::failed, "line 2"},
    {"limit", 3, 0, "x\np-replay: stopped at frame 40, line 7: wall time limit of 10 s reached\n", false,
     false, 0, 0, grade::Verdict::limit_reached, "wall time"},
    {"crash", 4, 0, "p-replay: stopped at frame 12, line 4: the program crashed (signal 11)\n", false, false,
     0, 0, grade::Verdict::crashed, "signal 11"},
    {"exited", 5, 0, "p-replay: stopped at frame 3, line 2: the program exited with status 0\n", false, false,
     0, 0, grade::Verdict::exited_early, "status 0"},
    {"did not quit", 6, 0, "p-replay: stopped: the program did not end after its quit event\n", false, false,
     0, 0, grade::Verdict::no_quit, "quit"},
    {"unknown status", 9, 0, "p-replay: something new\n", false, false, 0, 0, grade::Verdict::unknown,
     "status 9"},
    {"status without outcome", 3, 0, "headless: the program waits\n", false, false, 0, 0,
     grade::Verdict::failed, "headless: the program waits"},
    {"signal", -1, SIGSEGV, "", false, false, 0.1, 1000, grade::Verdict::crashed, "signal 11"},
    {"memory", -1, SIGSEGV, "", false, false, 0.5, 200 * 1024, grade::Verdict::limit_reached, "memory limit"},
    {"cpu", -1, SIGXCPU, "", false, false, 4, 1000, grade::Verdict::limit_reached, "processor time"},
    {"wall", -1, SIGKILL, "", true, false, 0, 0, grade::Verdict::limit_reached, "wall time"},
    {"output", -1, SIGKILL, "", false, true, 0, 0, grade::Verdict::limit_reached, "output limit"},
};

TEST(GradeVerdicts, EachEndingHasItsVerdict) {
    grade::Limits limits;
    limits.cpu_seconds = 4;
    limits.memory_mb = 256;
    for (const Ending &e : ENDINGS) {
        grade::Job job;
        job.exit_code = e.exit_code;
        job.signal = e.signal;
        job.err = e.err;
        job.wall_exceeded = e.wall;
        job.output_exceeded = e.output;
        job.cpu_used = e.cpu;
        job.max_rss_kb = e.rss_kb;
        grade::CheckResult r;
        grade::classify_run(job, limits, &r);
        EXPECT_EQ(grade::verdict_name(r.verdict), std::string(grade::verdict_name(e.verdict))) << e.what;
        EXPECT_NE(r.detail.find(e.detail_has), std::string::npos) << e.what << ": " << r.detail;
    }
}

TEST(GradeVerdicts, OutcomeLineIsTheLastRunnerLine) {
    EXPECT_EQ(grade::outcome_line("a-replay: 10 frames\nconsole\nb-replay: played to the end\n"),
              "b-replay: played to the end");
    EXPECT_EQ(grade::outcome_line("no runner here\n"), "");
}

TEST(GradeEscaping, StudentTextStaysText) {
    EXPECT_EQ(grade::html_escape("<a href='x'>&\"</a>"), "&lt;a href=&#39;x&#39;&gt;&amp;&quot;&lt;/a&gt;");
    EXPECT_EQ(grade::json_string("a\"b\\c\n\x01\xff"), "\"a\\\"b\\\\c\\n\\u0001\xEF\xBF\xBD\"");
    EXPECT_EQ(grade::csv_field("=cmd\"x"), "\"'=cmd\"\"x\"");
}

}  // namespace
