// Grading a class: every submission built against the installed package into its own runner,
// every check's script played through it in a fresh folder, and its frames compared with the
// reference's.
#include "grade.h"

#include <dirent.h>
#include <errno.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <numeric>
#include <set>

#include "frames.h"
#include "scene.h"

namespace grade {
namespace {

const size_t MAX_SOURCE_BYTES = 4 << 20;  // a handed-in source file larger than this is refused
const int MAX_SOURCES = 64;
const long BUILD_MEMORY_MB = 2048;
const int THUMB_FACTOR = 5;

bool has_suffix(const std::string &s, const std::string &suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool is_c(const std::string &f) { return has_suffix(f, ".c"); }
bool is_cxx(const std::string &f) {
    return has_suffix(f, ".cpp") || has_suffix(f, ".cc") || has_suffix(f, ".cxx") || has_suffix(f, ".C");
}

std::string base_name(const std::string &path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name made of letters, digits, '.', '-' and '_' only (a file name a shell and a page take as is).
std::string safe_name(const std::string &name) {
    std::string out;
    for (unsigned char c : name) out += isalnum(c) || c == '.' || c == '-' || c == '_' ? (char)c : '_';
    if (out.empty() || out[0] == '.') out = "_" + out;
    return out.substr(0, 80);
}

std::string quote(const std::string &s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::vector<std::string> list_dir(const std::string &dir) {
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (struct dirent *e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The sources of a submission: the file itself, or the .c/.cpp files of its folder (and of its
// subfolders, one level down); "" or why there are none.
std::string sources_of(const std::string &path, std::vector<std::string> *out) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return std::string("cannot read it: ") + strerror(errno);
    if (S_ISREG(st.st_mode)) {
        if (!is_c(path) && !is_cxx(path)) return "not a C or C++ source file (.c, .cpp, .cc, .cxx)";
        out->push_back(path);
        return "";
    }
    if (!S_ISDIR(st.st_mode)) return "neither a source file nor a folder";
    std::vector<std::string> dirs = {path};
    for (const std::string &sub : list_dir(path)) {
        struct stat s2;
        if (lstat((path + "/" + sub).c_str(), &s2) == 0 && S_ISDIR(s2.st_mode))
            dirs.push_back(path + "/" + sub);
    }
    for (const std::string &d : dirs) {
        for (const std::string &f : list_dir(d)) {
            std::string p = d + "/" + f;
            struct stat s3;
            if (lstat(p.c_str(), &s3) == 0 && S_ISREG(s3.st_mode) && (is_c(f) || is_cxx(f)))
                out->push_back(p);
        }
    }
    if (out->empty()) return "the folder holds no .c or .cpp file";
    if ((int)out->size() > MAX_SOURCES) return "more than " + std::to_string(MAX_SOURCES) + " source files";
    return "";
}

// The compile and link flags of the installed package's runner library, from pkg-config.
std::string package_flags(std::string *flags) {
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string pc_path;
    if (n > 0) {
        exe[n] = 0;
        std::string bin = exe;
        bin = bin.substr(0, bin.find_last_of('/'));
        std::string prefix = bin.substr(0, bin.find_last_of('/'));
        for (const char *lib : {"/lib/pkgconfig", "/lib64/pkgconfig", "/lib/x86_64-linux-gnu/pkgconfig"})
            pc_path += (pc_path.empty() ? "" : ":") + prefix + lib;
    }
    const char *old = getenv("PKG_CONFIG_PATH");
    std::string env = pc_path + (old != nullptr && *old ? std::string(":") + old : "");
    std::string cmd = "PKG_CONFIG_PATH=" + quote(env) + " pkg-config --cflags --libs plako-replay 2>&1";
    FILE *p = popen(cmd.c_str(), "r");
    if (p == nullptr) return "cannot run pkg-config";
    std::string text;
    char buf[1024];
    while (size_t got = fread(buf, 1, sizeof buf, p)) text.append(buf, got);
    int status = pclose(p);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    if (status != 0)
        return "cannot find the installed package (pkg-config plako-replay, searched in " + pc_path +
               "): " + text;
    *flags = text;
    return "";
}

long gcd_of(long a, long b) { return b == 0 ? a : gcd_of(b, a % b); }

// What each check asks of the runner: the --every and --last that produce its frames.
std::vector<std::string> frame_options(const FrameChoice &f) {
    long every = f.every;
    for (long n : f.list) every = n == 0 ? every : gcd_of(every, n);
    if (every == 0 && !f.list.empty()) every = 1 << 30;  // frame 0 alone: any number writes it
    std::vector<std::string> o;
    if (every > 0) o = {"--every", std::to_string(every)};
    if (f.last) o.push_back("--last");
    return o;
}

// The frames of a run's output folder, by number.
std::map<long, std::string> frames_in(const std::string &dir) {
    std::map<long, std::string> out;
    for (const std::string &f : list_dir(dir)) {
        long n = 0;
        char tail[8];
        if (f.size() == 16 && sscanf(f.c_str(), "frame-%6ld.%3s", &n, tail) == 2 &&
            std::string(tail) == "png")
            out[n] = dir + "/" + f;
    }
    return out;
}

// The frames a check compares, from the reference's frames.
std::vector<long> wanted_frames(const FrameChoice &f, const std::map<long, std::string> &ref,
                                std::string *why) {
    std::set<long> w;
    for (long n : f.list) {
        if (!ref.count(n)) {
            *why = "the reference has no frame " + std::to_string(n);
            return {};
        }
        w.insert(n);
    }
    if (f.every > 0)
        for (auto &e : ref)
            if (e.first % f.every == 0) w.insert(e.first);
    if (f.last && !ref.empty()) w.insert(ref.rbegin()->first);
    if (w.empty()) *why = "the reference drew none of the frames the check compares";
    return std::vector<long>(w.begin(), w.end());
}

struct Run {
    Job job;
    std::string work, frames;
    std::string scene;  // the scene log, for a run made to describe a difference
};

struct Submission {
    StudentResult *result = nullptr;  // null for the reference
    std::string root;                 // staging folder of this submission
    Job build;
    std::string runner;
    std::vector<std::unique_ptr<Run>> runs;
    std::vector<std::unique_ptr<Run>> scene_runs;  // by check; null where no frame is described
};

std::string prepare_build(Submission &s, const std::vector<std::string> &sources, const std::string &flags,
                          const Limits &limits, bool untrusted) {
    std::string src = s.root + "/build";
    std::string why = make_dirs(src);
    if (!why.empty()) return why;
    std::string cmd;
    std::vector<std::string> objects;
    bool cxx = false;
    std::set<std::string> used;
    for (const std::string &f : sources) {
        bool ok = false;
        std::string text = read_file(f, MAX_SOURCE_BYTES, &ok);
        if (!ok) return "cannot read " + base_name(f) + " (or it is larger than 4 MB)";
        std::string name = safe_name(base_name(f));
        while (used.count(name)) name = "_" + name;
        used.insert(name);
        if (!write_file(src + "/" + name, text)) return "cannot copy " + name;
        // Headers beside the sources come along, so that #include "x.h" works.
        std::string obj = name + ".o";
        cxx = cxx || is_cxx(name);
        cmd += std::string(is_cxx(name) ? "c++" : "cc") + " -c " + quote(name) + " -o " + quote(obj) + " " +
               flags + " && ";
        objects.push_back(obj);
    }
    // Headers of the submission's folder come along, so that #include "x.h" works.
    std::string dir = sources[0].substr(0, sources[0].find_last_of('/'));
    if (sources.size() > 1 || is_cxx(sources[0]) || is_c(sources[0])) {
        for (const std::string &f : list_dir(dir)) {
            if (!has_suffix(f, ".h") && !has_suffix(f, ".hpp")) continue;
            bool ok = false;
            std::string text = read_file(dir + "/" + f, MAX_SOURCE_BYTES, &ok);
            if (ok && safe_name(f) == f) write_file(src + "/" + f, text);
        }
    }
    cmd += "c++ -o program-replay";
    for (const std::string &o : objects) cmd += " " + quote(o);
    cmd += " " + flags;
    s.runner = src + "/program-replay";
    s.build.argv = {"/bin/sh", "-c", cmd};
    s.build.dir = src;
    s.build.untrusted = untrusted;
    s.build.writable = {src};
    s.build.wall_seconds = limits.build_seconds;
    s.build.cpu_seconds = limits.build_seconds;
    s.build.memory_bytes = BUILD_MEMORY_MB << 20;
    s.build.output_bytes = 1 << 20;
    return "";
}

std::string number(double v) {
    char buf[32];
    snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

std::string prepare_run(Submission &s, size_t index, const Check &c, const Limits &l, bool untrusted) {
    auto run = std::make_unique<Run>();
    std::string base = s.root + "/run-" + std::to_string(index);
    run->work = base + "/work";
    run->frames = base + "/frames";
    std::string why = make_dirs(run->work);
    if (why.empty()) why = make_dirs(run->frames);
    if (!why.empty()) return why;
    if (!copy_file(c.script, run->work + "/PLAKO.SCR")) return "cannot copy the script " + c.script;
    Job &j = run->job;
    j.argv = {s.runner, "--quiet", "--dir", run->work, "--out", run->frames};
    for (const std::string &o : frame_options(c.frames)) j.argv.push_back(o);
    // The runner enforces the limits and names them in its verdicts; the pool's, a little looser,
    // stay behind them should the runner itself go wrong.
    for (const std::string &o : std::vector<std::string>{
             "--cpu-limit", number(l.cpu_seconds), "--time-limit", number(l.wall_seconds), "--memory-limit",
             std::to_string(l.memory_mb), "--output-limit", std::to_string(l.output_mb)})
        j.argv.push_back(o);
    if (l.watchdog_seconds > 0) {
        j.argv.push_back("--watchdog");
        j.argv.push_back(number(l.watchdog_seconds));
    }
    if (l.frame_limit > 0) {
        j.argv.push_back("--frame-limit");
        j.argv.push_back(std::to_string(l.frame_limit));
    }
    j.dir = run->work;
    j.untrusted = untrusted;
    j.writable = {base};
    j.readable = {s.root + "/build"};
    const double grace = 3;
    j.wall_seconds = l.wall_seconds + grace;
    j.cpu_seconds = l.cpu_seconds + grace;
    j.memory_bytes = (l.memory_mb << 20) * 2;
    j.output_bytes = (l.output_mb << 20) * 2;
    s.runs.push_back(std::move(run));
    return "";
}

// A second run of check c, as the first was made but in a fresh folder and writing its scene log
// there, with room for the log in the output allowance (this run gives words, never a verdict).
std::string prepare_scene_run(Submission &s, size_t c, long output_mb) {
    const Run &first = *s.runs[c];
    auto run = std::make_unique<Run>();
    std::string base = first.work.substr(0, first.work.find_last_of('/')) + "/scene";
    run->work = base + "/work";
    run->frames = base + "/frames";
    run->scene = run->work + "/scene.jsonl";
    std::string why = make_dirs(run->work);
    if (why.empty()) why = make_dirs(run->frames);
    if (!why.empty()) return why;
    if (!copy_file(first.work + "/PLAKO.SCR", run->work + "/PLAKO.SCR")) return "cannot copy the script";
    run->job = first.job;
    Job &j = run->job;
    std::vector<std::string> &argv = j.argv;
    for (size_t i = 0; i + 1 < argv.size(); i++) {
        if (argv[i] == "--dir") argv[i + 1] = run->work;
        if (argv[i] == "--out") argv[i + 1] = run->frames;
        if (argv[i] == "--output-limit") argv[i + 1] = std::to_string(output_mb + 64);
    }
    argv.push_back("--scene");
    argv.push_back(run->scene);
    j.dir = run->work;
    s.scene_runs.resize(s.runs.size());
    s.scene_runs[c] = std::move(run);
    return "";
}

double seconds_now() {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + t.tv_nsec / 1e9;
}

// Compares a student's run of check c with the reference's, filling the verdict and the pictures.
// *described: the reference's and the student's numbers of a frame whose drawing calls may say how
// it differs (-1 when none).
void compare_run(const Check &c, size_t index, const Run &ref, const Run &run, const std::string &page_dir,
                 const std::string &report_dir, CheckResult *r, std::pair<long, long> *described) {
    *described = {-1, -1};
    std::map<long, std::string> ref_frames = frames_in(ref.frames), frames = frames_in(run.frames);
    std::string why;
    std::vector<long> wanted = wanted_frames(c.frames, ref_frames, &why);
    std::string prefix = "check-" + std::to_string(index + 1);
    Image expected, actual;
    long shown = -1;
    bool ran_ok = r->verdict == Verdict::passed;  // classify_run said the run itself went well
    if (ran_ok) {
        for (long f : wanted) {
            long af = f;
            // The last picture is compared with the student's own last one, whatever its number.
            if (c.frames.last && f == ref_frames.rbegin()->first && !frames.empty() && !frames.count(f))
                af = frames.rbegin()->first;
            if (!frames.count(af)) {
                r->verdict = Verdict::differs;
                r->detail = "frame " + std::to_string(f) + " is missing: the program drew " +
                            std::to_string(frames.empty() ? 0 : frames.rbegin()->first + 1) + " frames";
                shown = f;
                break;
            }
            std::string e1 = read_png(ref_frames.at(f), &expected), e2 = read_png(frames.at(af), &actual);
            if (!e1.empty() || !e2.empty()) {
                r->verdict = Verdict::failed;
                r->detail = "cannot read a frame: " + (e1.empty() ? e2 : e1);
                return;
            }
            Difference d = compare(expected, actual, c.ignore, c.tolerance);
            shown = f;
            if (d.size_differs || d.pixels > c.allowed_pixels) *described = {f, af};
            if (d.size_differs) {
                r->verdict = Verdict::differs;
                r->detail = "frame " + std::to_string(f) + " is " + std::to_string(actual.w) + " by " +
                            std::to_string(actual.h) + " pixels, not " + std::to_string(expected.w) + " by " +
                            std::to_string(expected.h);
                break;
            }
            if (d.pixels > c.allowed_pixels) {
                r->verdict = Verdict::differs;
                r->detail = std::to_string(d.pixels) + " pixel" + (d.pixels == 1 ? "" : "s") +
                            " differ in frame " + std::to_string(f) + " (the first at client pixel " +
                            std::to_string(d.first_x) + ", " + std::to_string(d.first_y) + ")";
                break;
            }
        }
        if (r->verdict == Verdict::passed)
            r->detail = std::to_string(wanted.size()) + " frame" + (wanted.size() == 1 ? "" : "s") + " alike";
    }
    if (!why.empty() && r->verdict == Verdict::passed) {
        r->verdict = Verdict::failed;
        r->detail = why;
    }
    // The pictures: the frame that differed, else the last compared; for a run that went wrong,
    // its last picture beside the reference's at the same number when there is one.
    if (shown < 0) {
        if (!frames.empty())
            shown = frames.rbegin()->first;
        else if (!wanted.empty())
            shown = wanted.back();
    }
    if (shown < 0) return;
    r->frame = shown;
    bool have_expected = ref_frames.count(shown) && read_png(ref_frames.at(shown), &expected).empty();
    long af = frames.count(shown) ? shown : (frames.empty() ? -1 : frames.rbegin()->first);
    bool have_actual = af >= 0 && read_png(frames.at(af), &actual).empty();
    std::string tag = prefix + "-frame-" + std::to_string(shown);
    if (have_expected) {
        // The reference's pictures are shared by every page: written once, under the report's root.
        std::string shared = report_dir + "/reference/" + tag + ".png";
        if (access(shared.c_str(), F_OK) != 0) write_png(shared, expected);
        r->expected = "../../reference/" + tag + ".png";
    }
    if (have_actual) {
        write_png(page_dir + "/" + tag + "-actual.png", actual);
        r->actual = tag + "-actual.png";
        write_png(page_dir + "/" + tag + "-thumb.png", thumbnail(actual, THUMB_FACTOR));
        r->thumb = tag + "-thumb.png";
    }
    if (have_expected && have_actual) {
        write_png(page_dir + "/" + tag + "-diff.png",
                  difference_picture(expected, actual, c.ignore, c.tolerance));
        r->diff = tag + "-diff.png";
    }
}

}  // namespace

const char *verdict_name(Verdict v) {
    switch (v) {
        case Verdict::passed:
            return "passed";
        case Verdict::differs:
            return "differs";
        case Verdict::build_error:
            return "build error";
        case Verdict::crashed:
            return "crashed";
        case Verdict::limit_reached:
            return "limit reached";
        case Verdict::exited_early:
            return "exited early";
        case Verdict::no_quit:
            return "did not quit";
        case Verdict::failed:
            return "failed";
        case Verdict::unknown:
            return "unknown";
    }
    return "unknown";
}

std::string outcome_line(const std::string &err) {
    size_t end = err.size();
    while (end > 0) {
        size_t start = err.rfind('\n', end - 1);
        start = start == std::string::npos ? 0 : start + 1;
        std::string line = err.substr(start, end - start);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        size_t colon = line.find(": ");
        if (colon != std::string::npos && colon >= 7 && line.compare(colon - 7, 7, "-replay") == 0)
            return line;
        if (start == 0) break;
        end = start - 1;
    }
    return "";
}

void classify_run(const Job &job, const Limits &l, CheckResult *r) {
    std::string line = outcome_line(job.err);
    r->outcome = line;
    r->console = job.out;
    r->console_bytes = job.out_total;
    std::string said = line.empty() ? "" : line.substr(line.find(": ") + 2);
    if (job.not_started) {
        r->verdict = Verdict::failed;
        r->detail = job.start_error;
        return;
    }
    if (job.output_exceeded) {
        r->verdict = Verdict::limit_reached;
        r->detail = "output limit of " + std::to_string(l.output_mb) + " MB reached (" +
                    std::to_string(job.out_total + job.err_total) + " bytes written)";
        return;
    }
    if (job.wall_exceeded) {
        r->verdict = Verdict::limit_reached;
        r->detail = "wall time limit of " + number(l.wall_seconds) + " s reached";
        return;
    }
    if (job.signal != 0) {
        int sig = job.signal;
        if (sig == SIGXCPU || (sig == SIGKILL && job.cpu_used >= l.cpu_seconds)) {
            r->verdict = Verdict::limit_reached;
            r->detail = "processor time limit of " + number(l.cpu_seconds) + " s reached";
        } else if (job.max_rss_kb >= (l.memory_mb << 10) * 3 / 4) {
            // Out of address space: the allocation failed and the program fell over it.
            r->verdict = Verdict::limit_reached;
            r->detail = "memory limit of " + std::to_string(l.memory_mb) + " MB reached (" +
                        describe_signal(sig) + ")";
        } else if (sig == SIGXFSZ) {
            r->verdict = Verdict::limit_reached;
            r->detail = "file size limit reached";
        } else {
            r->verdict = Verdict::crashed;
            r->detail = "the program crashed (" + describe_signal(sig) + ")";
        }
        return;
    }
    int status = job.exit_code;
    r->detail = said;
    if (status >= 3 && line.empty()) {
        // The runner says every verdict of its own in an outcome line; without one, the status is
        // not the runner's (the headless host's, or the program's own exit()).
        r->verdict = Verdict::failed;
        std::string last = job.err;
        while (!last.empty() && last.back() == '\n') last.pop_back();
        last = last.substr(last.find_last_of('\n') == std::string::npos ? 0 : last.find_last_of('\n') + 1);
        r->detail = "the run ended with status " + std::to_string(status) + " and no outcome line" +
                    (last.empty() ? "" : ": " + last);
        return;
    }
    switch (status) {
        case 0:
            if (line.empty()) {
                // The runner always ends with its outcome line: a silent status 0 is the program's own
                // exit().
                r->verdict = Verdict::exited_early;
                r->detail = "the program exited (status 0) before the script's end";
            } else {
                r->verdict = Verdict::passed;
            }
            return;
        case 1:
            if (said.find("quit before the script's end") != std::string::npos) {
                r->verdict = Verdict::exited_early;
            } else if (said.find("does not end after its quit") != std::string::npos ||
                       said.find("did not end after its quit") != std::string::npos) {
                r->verdict = Verdict::no_quit;
            } else if (line.empty()) {
                r->verdict = Verdict::exited_early;
                r->detail = "the program exited (status 1) before the script's end";
            } else {
                r->verdict = Verdict::failed;
            }
            return;
        case 2:
            r->verdict = Verdict::failed;
            r->detail = "the runner refused its command line: " + said;
            return;
        case 3:
            r->verdict = Verdict::limit_reached;
            return;
        case 4:
            r->verdict = Verdict::crashed;
            return;
        case 5:
            r->verdict = Verdict::exited_early;
            return;
        case 6:
            r->verdict = Verdict::no_quit;
            return;
        default:
            r->verdict = Verdict::unknown;
            r->detail = "the runner ended with status " + std::to_string(status) +
                        ", which this grader does not know" + (said.empty() ? "" : ": " + said);
            return;
    }
}

std::string grade_class(const Assignment &a, const std::vector<std::string> &submissions,
                        const std::string &report_dir, const Options &opt, ClassResult *result) {
    time_t started = time(nullptr);
    result->assignment = a;
    std::string flags;
    std::string why = package_flags(&flags);
    if (!why.empty()) return why;
    why = make_dirs(report_dir + "/reference");
    if (!why.empty()) return "cannot write the report: " + why;
    char tmpl[] = "/tmp/plako-grade.XXXXXX";
    const char *tmpdir = getenv("TMPDIR");
    std::string pattern = std::string(tmpdir != nullptr && *tmpdir ? tmpdir : "/tmp") + "/plako-grade.XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back(0);
    (void)tmpl;
    if (mkdtemp(buf.data()) == nullptr)
        return "cannot make a staging folder: " + std::string(strerror(errno));
    std::string staging = buf.data();
    chmod(staging.c_str(), 0711);  // the unprivileged user reaches its own folders, lists none

    int parallel = opt.parallel > 0 ? opt.parallel : (int)sysconf(_SC_NPROCESSORS_ONLN);
    Pool pool(parallel, opt.sandbox, opt.quiet);
    result->isolation = pool.describe();
    pool.hide(a.dir);
    for (const std::string &s : submissions) {
        std::string d = s.substr(0, s.find_last_of('/'));
        if (!d.empty() && d != "/") pool.hide(d);
    }

    // The reference first in the list, trusted; then each student.
    std::vector<std::unique_ptr<Submission>> subs;
    auto ref = std::make_unique<Submission>();
    ref->root = staging + "/reference";
    std::vector<std::string> ref_sources;
    why = sources_of(a.reference, &ref_sources);
    if (why.empty()) why = prepare_build(*ref, ref_sources, flags, a.limits, false);
    if (!why.empty()) {
        remove_tree(staging);
        return "the reference " + a.reference + ": " + why;
    }
    chmod(ref->root.c_str(), 0700);  // out of the students' reach
    subs.push_back(std::move(ref));
    result->students.resize(submissions.size());
    std::set<std::string> slugs;
    for (size_t i = 0; i < submissions.size(); i++) {
        StudentResult &st = result->students[i];
        std::string name = base_name(submissions[i]);
        size_t dot = name.find_last_of('.');
        st.name = dot != std::string::npos && dot > 0 ? name.substr(0, dot) : name;
        st.slug = safe_name(st.name);
        while (slugs.count(st.slug)) st.slug += "_";
        slugs.insert(st.slug);
        auto s = std::make_unique<Submission>();
        s->result = &st;
        s->root = staging + "/s-" + std::to_string(i);
        why = sources_of(submissions[i], &st.sources);
        if (why.empty()) why = prepare_build(*s, st.sources, flags, a.limits, true);
        if (!why.empty()) {
            st.build_log = why;
            s->build.not_started = true;
        } else {
            pool.give(s->root);
        }
        subs.push_back(std::move(s));
    }

    std::vector<Job *> builds;
    for (auto &s : subs)
        if (!s->build.not_started) builds.push_back(&s->build);
    double phase = seconds_now();
    pool.run(builds, "building");
    result->build_seconds = seconds_now() - phase;
    Submission &reference = *subs[0];
    if (reference.build.exit_code != 0) {
        std::string log = reference.build.err + reference.build.out + reference.build.start_error;
        if (!opt.keep) remove_tree(staging);
        return "the reference solution does not build:\n" + log;
    }
    result->runner_features = "The runner enforces the limits itself; the grader's are a backstop";

    std::vector<Job *> runs;
    for (auto &s : subs) {
        if (s->result != nullptr) {
            StudentResult &st = *s->result;
            if (!s->build.not_started) st.build_log = s->build.out + s->build.err + s->build.start_error;
            st.built =
                !s->build.not_started && s->build.exit_code == 0 && access(s->runner.c_str(), X_OK) == 0;
            if (s->build.wall_exceeded)
                st.build_log += "\n(the build took longer than " + number(a.limits.build_seconds) + " s)";
            if (!st.built) continue;
        }
        for (size_t c = 0; c < a.checks.size(); c++) {
            why = prepare_run(*s, c, a.checks[c], a.limits, s->result != nullptr);
            if (!why.empty()) {
                if (!opt.keep) remove_tree(staging);
                return "cannot prepare a run: " + why;
            }
        }
        if (s->result != nullptr) pool.give(s->root);
    }
    for (auto &s : subs)
        for (auto &r : s->runs) runs.push_back(&r->job);
    phase = seconds_now();
    pool.run(runs, "running");
    result->run_seconds = seconds_now() - phase;

    // The reference must pass its own checks, or there is nothing to compare with.
    for (size_t c = 0; c < a.checks.size(); c++) {
        CheckResult r;
        classify_run(reference.runs[c]->job, a.limits, &r);
        if (r.verdict != Verdict::passed) {
            if (!opt.keep) remove_tree(staging);
            return "the reference solution fails check '" + a.checks[c].name +
                   "': " + verdict_name(r.verdict) + ": " + r.detail;
        }
    }

    phase = seconds_now();
    // The frames to describe, by submission and check: the reference's number and the student's.
    std::vector<std::vector<std::pair<long, long>>> described(subs.size());
    for (size_t i = 1; i < subs.size(); i++) {
        Submission &s = *subs[i];
        StudentResult &st = *s.result;
        described[i].assign(a.checks.size(), {-1, -1});
        std::string page = report_dir + "/students/" + st.slug;
        make_dirs(page);
        for (size_t c = 0; c < a.checks.size(); c++) {
            CheckResult r;
            r.max_score = a.checks[c].points;
            if (!st.built) {
                r.verdict = Verdict::build_error;
                r.detail = "the program does not build";
            } else {
                classify_run(s.runs[c]->job, a.limits, &r);
                compare_run(a.checks[c], c, *reference.runs[c], *s.runs[c], page, report_dir, &r,
                            &described[i][c]);
            }
            r.score = r.verdict == Verdict::passed ? r.max_score : 0;
            st.score += r.score;
            st.max_score += r.max_score;
            st.checks.push_back(r);
        }
        st.verdict = Verdict::passed;
        int passed = 0;
        for (const CheckResult &r : st.checks) {
            if (r.verdict == Verdict::passed)
                passed++;
            else if (st.verdict == Verdict::passed)
                st.verdict = r.verdict;
        }
        st.summary =
            st.built ? std::to_string(passed) + " of " + std::to_string(st.checks.size()) + " checks passed"
                     : "build error";
    }
    result->compare_seconds = seconds_now() - phase;

    // The differing frames in words: the reference and each such student run again, writing their
    // scene logs, and the first call that differs is put beside the verdict.
    phase = seconds_now();
    {
        std::vector<Job *> again;
        for (size_t c = 0; c < a.checks.size(); c++) {
            bool wanted = false;
            for (size_t i = 1; i < subs.size(); i++) {
                if (described[i].empty() || described[i][c].first < 0) continue;
                why = prepare_scene_run(*subs[i], c, a.limits.output_mb);
                if (why.empty()) {
                    pool.give(subs[i]->root);
                    again.push_back(&subs[i]->scene_runs[c]->job);
                    wanted = true;
                }
            }
            if (wanted && prepare_scene_run(reference, c, a.limits.output_mb).empty())
                again.push_back(&reference.scene_runs[c]->job);
        }
        if (!again.empty()) pool.run(again, "describing");
        for (size_t c = 0; c < a.checks.size() && !again.empty(); c++) {
            if (reference.scene_runs.size() <= c || !reference.scene_runs[c]) continue;
            std::map<long, std::vector<SceneCall>> expected;  // by frame: several students share one
            for (size_t i = 1; i < subs.size(); i++) {
                Submission &s = *subs[i];
                if (s.scene_runs.size() <= c || !s.scene_runs[c]) continue;
                long rf_no = described[i][c].first, sf_no = described[i][c].second;
                if (!expected.count(rf_no))
                    scene_calls_file(reference.scene_runs[c]->scene, rf_no, a.checks[c].ignore,
                                     &expected[rf_no]);
                std::vector<SceneCall> yours;
                if (expected[rf_no].empty() ||
                    !scene_calls_file(s.scene_runs[c]->scene, sf_no, a.checks[c].ignore, &yours).empty())
                    continue;
                s.result->checks[c].scene = first_difference(expected[rf_no], yours);
            }
        }
    }
    result->describe_seconds = seconds_now() - phase;

    if (!opt.keep)
        remove_tree(staging);
    else if (!opt.quiet)
        fprintf(stderr, "plako-grade: the builds and runs are kept in %s\n", staging.c_str());
    result->seconds = difftime(time(nullptr), started);
    return "";
}

std::string make_dirs(const std::string &dir) {
    for (size_t i = 1; i <= dir.size(); i++) {
        if (i < dir.size() && dir[i] != '/') continue;
        std::string part = dir.substr(0, i);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return part + ": " + strerror(errno);
    }
    struct stat st;
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return dir + ": not a folder";
    return "";
}

std::string read_file(const std::string &path, size_t max_bytes, bool *ok) {
    *ok = false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return "";
    std::string text;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        text.append(buf, (size_t)in.gcount());
        if (text.size() > max_bytes) return "";
    }
    *ok = true;
    return text;
}

bool write_file(const std::string &path, const std::string &text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return !out.fail();
}

bool copy_file(const std::string &from, const std::string &to) {
    bool ok = false;
    std::string text = read_file(from, 64 << 20, &ok);
    return ok && write_file(to, text);
}

void remove_tree(const std::string &path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        if (DIR *d = opendir(path.c_str())) {
            std::vector<std::string> names;
            while (struct dirent *e = readdir(d))
                if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
            closedir(d);
            for (const std::string &n : names) remove_tree(path + "/" + n);
        }
        rmdir(path.c_str());
    } else {
        unlink(path.c_str());
    }
}

}  // namespace grade
