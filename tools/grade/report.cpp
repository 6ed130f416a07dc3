// The reports: a class page, a page per student, a CSV of scores and Gradescope's results.json.
// Everything a student controls (names, console text, compiler messages) is escaped.
#include <stdio.h>

#include "grade.h"

namespace grade {
namespace {

const size_t CONSOLE_SHOWN = 16 * 1024;  // console text a page shows

// Keeps valid UTF-8 and turns any other byte into U+FFFD, so that pages and JSON stay well formed.
std::string utf8(const std::string &s) {
    std::string out;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = (unsigned char)s[i];
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        bool ok = n > 0 && i + n <= s.size() && !(n == 2 && c < 0xC2) && !(n == 4 && c > 0xF4);
        for (size_t k = 1; ok && k < n; k++) ok = ((unsigned char)s[i + k] >> 6) == 2;
        if (ok) {
            out.append(s, i, n);
            i += n;
        } else {
            out += "\xEF\xBF\xBD";
            i++;
        }
    }
    return out;
}

std::string fmt(double v) {
    char buf[32];
    snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

const char STYLE[] =
    "<style>body{font-family:sans-serif;margin:1.5em}table{border-collapse:collapse}"
    "td,th{border:1px solid #bbb;padding:4px 8px;vertical-align:top}th{background:#eee}"
    ".passed{background:#d8f5d0}.differs{background:#fde7c8}.fail{background:#f8d0d0}"
    "pre{background:#f4f4f4;padding:6px;max-height:20em;overflow:auto;white-space:pre-wrap}"
    "figure{display:inline-block;margin:4px}img.frame{border:1px solid #888}</style>\n";

std::string css_class(Verdict v) {
    return v == Verdict::passed ? "passed" : v == Verdict::differs ? "differs" : "fail";
}

std::string check_text(const CheckResult &r) {
    return std::string(verdict_name(r.verdict)) + (r.detail.empty() ? "" : ": " + r.detail);
}

std::string check_output(const CheckResult &r) {
    std::string out = check_text(r) + "\n";
    if (!r.scene.empty()) out += r.scene + "\n";
    if (!r.outcome.empty()) out += "Runner: " + r.outcome + "\n";
    if (r.console_bytes > 0) {
        out += "Console (" + std::to_string(r.console_bytes) + " bytes):\n" + r.console.substr(0, 4096);
        if (r.console_bytes > 4096) out += "\n...";
    }
    return out;
}

std::string student_page(const ClassResult &c, const StudentResult &s) {
    std::string h = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + html_escape(s.name) +
                    " - " + html_escape(c.assignment.title) + "</title>" + STYLE + "</head><body>\n";
    h += "<p><a href=\"../../index.html\">Class</a></p>\n";
    h += "<h1 id=\"student\">" + html_escape(s.name) + "</h1>\n";
    h += "<p>Assignment: " + html_escape(c.assignment.title) + ". Score: <span id=\"score\">" + fmt(s.score) +
         "</span> of <span id=\"max-score\">" + fmt(s.max_score) + "</span>. <span id=\"summary\">" +
         html_escape(s.summary) + "</span></p>\n";
    if (!s.built) {
        h +=
            "<h2>Build</h2>\n<p class=\"fail\" id=\"build-verdict\">build error</p>\n<pre id=\"build-log\">" +
            html_escape(utf8(s.build_log)) + "</pre>\n";
    }
    h += "<table id=\"checks\"><tr><th>Check</th><th>Verdict</th><th>Score</th></tr>\n";
    for (size_t i = 0; i < s.checks.size(); i++) {
        const CheckResult &r = s.checks[i];
        h += "<tr class=\"" + css_class(r.verdict) + "\"><td>" + html_escape(c.assignment.checks[i].name) +
             "</td><td data-verdict=\"" + verdict_name(r.verdict) + "\">" + html_escape(utf8(check_text(r))) +
             "</td><td>" + fmt(r.score) + " / " + fmt(r.max_score) + "</td></tr>\n";
    }
    h += "</table>\n";
    for (size_t i = 0; i < s.checks.size(); i++) {
        const CheckResult &r = s.checks[i];
        if (r.verdict == Verdict::build_error) continue;
        h += "<h2>" + html_escape(c.assignment.checks[i].name) + "</h2>\n<p>" +
             html_escape(utf8(check_text(r))) + "</p>\n";
        if (!r.scene.empty()) h += "<p class=\"scene\">" + html_escape(utf8(r.scene)) + "</p>\n";
        if (r.frame >= 0) {
            std::string f = std::to_string(r.frame);
            auto fig = [&](const std::string &src, const std::string &cap) {
                if (src.empty()) return std::string();
                return "<figure><img class=\"frame\" src=\"" + html_escape(src) + "\" alt=\"" + cap +
                       "\"><figcaption>" + cap + "</figcaption></figure>\n";
            };
            h += "<div>" + fig(r.expected, "expected, frame " + f) + fig(r.actual, "actual") +
                 fig(r.diff, "difference (red: differs; blue: ignored)") + "</div>\n";
        }
        h += "<p>Outcome:</p><pre class=\"outcome\">" +
             html_escape(utf8(r.outcome.empty() ? "(none)" : r.outcome)) + "</pre>\n";
        h += "<p>Console lines (" + std::to_string(r.console_bytes) + " bytes):</p><pre class=\"console\">" +
             html_escape(utf8(r.console.substr(0, CONSOLE_SHOWN))) +
             (r.console_bytes > (long)CONSOLE_SHOWN ? "\n..." : "") + "</pre>\n";
    }
    h += "</body></html>\n";
    return h;
}

std::string class_page(const ClassResult &c) {
    const Assignment &a = c.assignment;
    std::string h = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + html_escape(a.title) +
                    "</title>" + STYLE + "</head><body>\n<h1>" + html_escape(a.title) + "</h1>\n";
    h += "<p>" + std::to_string(c.students.size()) + " submissions, graded in " + fmt(c.seconds) +
         " s. Isolation: " + html_escape(c.isolation) + ". " + html_escape(c.runner_features) + ".</p>\n";
    h += "<table id=\"class\"><tr><th>Student</th>";
    for (const Check &k : a.checks) h += "<th>" + html_escape(k.name) + " (" + fmt(k.points) + ")</th>";
    h += "<th>Score</th></tr>\n";
    for (const StudentResult &s : c.students) {
        std::string link = "students/" + s.slug + "/index.html";
        h += "<tr data-student=\"" + html_escape(s.name) + "\"><td><a href=\"" + html_escape(link) + "\">" +
             html_escape(s.name) + "</a></td>";
        for (const CheckResult &r : s.checks) {
            h += "<td class=\"" + css_class(r.verdict) + "\" data-verdict=\"" + verdict_name(r.verdict) +
                 "\">";
            if (!r.thumb.empty())
                h += "<a href=\"" + html_escape(link) + "\"><img src=\"students/" + html_escape(s.slug) +
                     "/" + html_escape(r.thumb) + "\" alt=\"\"></a><br>";
            h += html_escape(utf8(check_text(r))) + "</td>";
        }
        h += "<td class=\"score\">" + fmt(s.score) + " / " + fmt(s.max_score) + "</td></tr>\n";
    }
    h += "</table>\n</body></html>\n";
    return h;
}

}  // namespace

std::string html_escape(const std::string &s) {
    std::string out;
    for (char ch : s) {
        switch (ch) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                // Control characters other than line breaks and tabs would make the page invalid.
                if ((unsigned char)ch < 0x20 && ch != '\n' && ch != '\t')
                    out += "\xEF\xBF\xBD";
                else
                    out += ch;
        }
    }
    return out;
}

std::string json_string(const std::string &raw) {
    std::string s = utf8(raw), out = "\"";
    for (unsigned char ch : s) {
        if (ch == '"')
            out += "\\\"";
        else if (ch == '\\')
            out += "\\\\";
        else if (ch == '\n')
            out += "\\n";
        else if (ch == '\t')
            out += "\\t";
        else if (ch < 0x20 || ch == 0x7f) {
            char buf[8];
            snprintf(buf, sizeof buf, "\\u%04x", ch);
            out += buf;
        } else {
            out += (char)ch;
        }
    }
    return out + "\"";
}

std::string csv_field(const std::string &raw) {
    std::string s = utf8(raw);
    // A leading =, +, - or @ would be a formula to a spreadsheet.
    if (!s.empty() && (s[0] == '=' || s[0] == '+' || s[0] == '-' || s[0] == '@')) s = "'" + s;
    std::string out = "\"";
    for (char ch : s) out += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    return out + "\"";
}

std::string gradescope_json(const ClassResult &c, const StudentResult &s) {
    std::string j =
        "{\n  \"score\": " + fmt(s.score) + ",\n  \"execution_time\": " + fmt(c.seconds) +
        ",\n  \"output\": " +
        json_string(s.summary + (s.built ? "" : "\n\nThe compiler said:\n" + s.build_log.substr(0, 8000))) +
        ",\n  \"tests\": [\n";
    for (size_t i = 0; i < s.checks.size(); i++) {
        const CheckResult &r = s.checks[i];
        j += "    {\"name\": " + json_string(c.assignment.checks[i].name) + ", \"number\": \"" +
             std::to_string(i + 1) + "\", \"score\": " + fmt(r.score) +
             ", \"max_score\": " + fmt(r.max_score) +
             ", \"status\": " + json_string(r.verdict == Verdict::passed ? "passed" : "failed") +
             ", \"visibility\": \"visible\", \"output\": " + json_string(check_output(r)) + ", \"tags\": [" +
             json_string(verdict_name(r.verdict)) + "]}" + (i + 1 < s.checks.size() ? ",\n" : "\n");
    }
    return j + "  ]\n}\n";
}

std::string write_reports(const ClassResult &c, const std::string &report_dir) {
    std::string csv = "student";
    for (const Check &k : c.assignment.checks) csv += "," + csv_field(k.name);
    csv += ",score,max_score,verdict\n";
    for (const StudentResult &s : c.students) {
        std::string dir = report_dir + "/students/" + s.slug;
        std::string why = make_dirs(dir);
        if (!why.empty()) return why;
        if (!write_file(dir + "/index.html", student_page(c, s)) ||
            !write_file(dir + "/results.json", gradescope_json(c, s)))
            return "cannot write " + dir;
        csv += csv_field(s.name);
        for (const CheckResult &r : s.checks) csv += "," + fmt(r.score);
        csv += "," + fmt(s.score) + "," + fmt(s.max_score) + "," + csv_field(verdict_name(s.verdict)) + "\n";
    }
    if (!write_file(report_dir + "/index.html", class_page(c)))
        return "cannot write " + report_dir + "/index.html";
    if (!write_file(report_dir + "/scores.csv", csv)) return "cannot write " + report_dir + "/scores.csv";
    return "";
}

}  // namespace grade
