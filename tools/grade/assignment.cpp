// The assignment file: "key = value" lines, a [check NAME] header for each check; the keys before
// the first header are the defaults of every check and the limits of every run.
#include "assignment.h"

#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace grade {
namespace {

// The canvas origin in client pixels (plako.h: canvas (x, y) is client (297 + x, 247 - y)).
const int ORIGIN_X = 297, ORIGIN_Y = 247;
const long MAX_FRAME = 1000000000L;
const size_t MAX_FILE_BYTES = 1 << 20;  // an assignment file is a page, not a data set

std::string trim(const std::string &s) {
    size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

std::vector<std::string> words(const std::string &s) {
    std::vector<std::string> out;
    std::string w;
    for (char c : s) {
        if (c == ' ' || c == '\t' || c == ',') {
            if (!w.empty()) out.push_back(w);
            w.clear();
        } else {
            w += c;
        }
    }
    if (!w.empty()) out.push_back(w);
    return out;
}

bool to_long(const std::string &s, long min, long max, long *out) {
    char *end = nullptr;
    errno = 0;
    long v = strtol(s.c_str(), &end, 10);
    if (s.empty() || errno != 0 || *end != '\0' || v < min || v > max) return false;
    *out = v;
    return true;
}

bool to_double(const std::string &s, double min, double max, double *out) {
    char *end = nullptr;
    errno = 0;
    double v = strtod(s.c_str(), &end);
    if (s.empty() || errno != 0 || *end != '\0' || !(v >= min && v <= max)) return false;
    *out = v;
    return true;
}

std::string absolute(const std::string &dir, const std::string &path) {
    return !path.empty() && path[0] == '/' ? path : dir + "/" + path;
}

// "last", "every N", frame numbers, or a mix of them.
std::string parse_frames(const std::string &value, FrameChoice *f) {
    *f = FrameChoice();
    std::vector<std::string> w = words(value);
    if (w.empty()) return "frames needs 'last', 'every N' or frame numbers";
    for (size_t i = 0; i < w.size(); i++) {
        long n = 0;
        if (w[i] == "last") {
            f->last = true;
        } else if (w[i] == "every") {
            if (i + 1 >= w.size() || !to_long(w[i + 1], 1, MAX_FRAME, &n))
                return "'every' needs a whole number of at least 1 after it";
            f->every = n;
            i++;
        } else if (to_long(w[i], 0, MAX_FRAME, &n)) {
            f->list.push_back(n);
        } else {
            return "frames: '" + w[i] + "' is neither 'last', 'every N' nor a frame number";
        }
    }
    return "";
}

// "canvas X1 Y1 X2 Y2" (corners as plako_rectangle takes them) or "client LEFT TOP RIGHT BOTTOM".
std::string parse_region(const std::string &value, Region *r) {
    std::vector<std::string> w = words(value);
    long v[4];
    if (w.size() != 5 || (w[0] != "canvas" && w[0] != "client"))
        return "ignore needs 'canvas X1 Y1 X2 Y2' or 'client LEFT TOP RIGHT BOTTOM'";
    for (int i = 0; i < 4; i++)
        if (!to_long(w[i + 1], -100000, 100000, &v[i]))
            return "ignore: '" + w[i + 1] + "' is not a coordinate";
    if (w[0] == "canvas") {
        v[0] += ORIGIN_X;
        v[2] += ORIGIN_X;
        v[1] = ORIGIN_Y - v[1];
        v[3] = ORIGIN_Y - v[3];
    }
    r->left = (int)std::min(v[0], v[2]);
    r->right = (int)std::max(v[0], v[2]);
    r->top = (int)std::min(v[1], v[3]);
    r->bottom = (int)std::max(v[1], v[3]);
    return "";
}

bool is_file(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode));
}

}  // namespace

std::string parse_assignment(const std::string &text, const std::string &file, const std::string &dir,
                             Assignment *out) {
    Assignment a;
    a.dir = dir;
    a.file = file;
    Check defaults;
    defaults.frames.last = true;
    Check *current = nullptr;
    std::vector<int> check_lines;  // the header line of each check, for its messages
    std::istringstream in(text);
    std::string raw;
    int line_no = 0;
    auto at = [&](int n) { return file + ":" + std::to_string(n) + ": "; };
    while (std::getline(in, raw)) {
        line_no++;
        std::string line = trim(raw);
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            if (line.back() != ']' || line.compare(0, 7, "[check ") != 0)
                return at(line_no) + "a section is written [check NAME]";
            std::string name = trim(line.substr(7, line.size() - 8));
            if (name.empty()) return at(line_no) + "the check has no name";
            for (const Check &c : a.checks)
                if (c.name == name) return at(line_no) + "a second check named '" + name + "'";
            Check c = defaults;
            c.name = name;
            a.checks.push_back(c);
            check_lines.push_back(line_no);
            current = &a.checks.back();
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) return at(line_no) + "expected 'key = value', got '" + line + "'";
        std::string key = trim(line.substr(0, eq)), value = trim(line.substr(eq + 1));
        Check &c = current != nullptr ? *current : defaults;
        std::string why;
        long n = 0;
        double d = 0;
        if (key == "frames") {
            why = parse_frames(value, &c.frames);
        } else if (key == "ignore") {
            Region r;
            why = parse_region(value, &r);
            if (why.empty()) c.ignore.push_back(r);
        } else if (key == "tolerance") {
            if (!to_long(value, 0, 255, &n)) why = "tolerance is a whole number from 0 to 255";
            c.tolerance = (int)n;
        } else if (key == "allowed_pixels") {
            if (!to_long(value, 0, LONG_MAX, &n)) why = "allowed_pixels is a whole number of at least 0";
            c.allowed_pixels = n;
        } else if (key == "points") {
            if (!to_double(value, 0, 1e6, &d)) why = "points is a number from 0 to 1000000";
            c.points = d;
        } else if (key == "script" && current != nullptr) {
            if (value.empty()) why = "script needs a file name";
            c.script = absolute(dir, value);
            if (why.empty() && !is_file(c.script)) why = "the script " + c.script + " is not a readable file";
        } else if (current != nullptr) {
            why = "'" + key +
                  "' is not a key of a check (script, frames, ignore, tolerance, allowed_pixels, "
                  "points); limits and the reference go before the first [check]";
        } else if (key == "title") {
            a.title = value;
        } else if (key == "reference") {
            a.reference = absolute(dir, value);
            if (value.empty() || !exists(a.reference))
                why = "the reference " + a.reference + " does not exist";
        } else if (key == "cpu_limit" || key == "time_limit" || key == "watchdog" || key == "build_limit") {
            if (!to_double(value, 0.1, 86400, &d)) why = key + " is a number of seconds from 0.1 to 86400";
            (key == "cpu_limit"    ? a.limits.cpu_seconds
             : key == "time_limit" ? a.limits.wall_seconds
             : key == "watchdog"   ? a.limits.watchdog_seconds
                                   : a.limits.build_seconds) = d;
        } else if (key == "memory_limit" || key == "output_limit") {
            if (!to_long(value, 1, 1 << 20, &n))
                why = key + " is a whole number of megabytes from 1 to 1048576";
            (key == "memory_limit" ? a.limits.memory_mb : a.limits.output_mb) = n;
        } else if (key == "frame_limit") {
            if (!to_long(value, 1, MAX_FRAME, &n)) why = "frame_limit is a whole number of at least 1";
            a.limits.frame_limit = n;
        } else {
            why = "unknown key '" + key + "'";
        }
        if (!why.empty()) return at(line_no) + why;
    }
    if (a.reference.empty()) return file + ": no 'reference = ...' line names the reference solution";
    if (a.checks.empty()) return file + ": no [check NAME] section: there is nothing to grade";
    for (size_t i = 0; i < a.checks.size(); i++)
        if (a.checks[i].script.empty()) return at(check_lines[i]) + "the check has no 'script = ...' line";
    if (a.title.empty()) a.title = dir.substr(dir.find_last_of('/') + 1);
    *out = a;
    return "";
}

std::string load_assignment(const std::string &dir_given, Assignment *out) {
    char resolved[PATH_MAX];
    if (realpath(dir_given.c_str(), resolved) == nullptr)
        return dir_given + ": " + std::string(strerror(errno));
    std::string dir = resolved, file = dir + "/assignment.txt";
    std::ifstream in(file, std::ios::binary);
    if (!in) return file + ": cannot be read: " + std::string(strerror(errno));
    std::string text;
    char buf[4096];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        text.append(buf, (size_t)in.gcount());
        if (text.size() > MAX_FILE_BYTES) return file + ": larger than 1 MB; not an assignment file";
    }
    return parse_assignment(text, file, dir, out);
}

}  // namespace grade
