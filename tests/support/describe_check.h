// Test support: checks a description the runner wrote (--describe) against the drawing calls its
// scene log (--scene) gives for the same frame: every listed call is one drawn since the last
// erase, in drawing order, under its number and with its own values, and the counts add up.
#pragma once

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "scene_log.h"

namespace plako_test {

// The calls since the last erase (or cover) that frame `frame`'s picture shows: the log's records up to the
// periodic event of that frame (or all of them when there is none: the last picture).
inline std::vector<Json> calls_of_frame(const std::string &log, long frame) {
    std::vector<Json> calls;
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        Json record;
        size_t at = 0;
        if (!parse_json(line, &at, &record)) {
            ADD_FAILURE() << "a scene record that does not parse: " << line;
            break;
        }
        for (const Json &c : record["calls"].items) {
            // A filled rectangle over the whole client area hides all before it, as an erase does.
            bool covers = c["call"].text == "rectangle" && c["width"].number == 0 && c["x1"].number <= -297 &&
                          c["x2"].number >= 297 && c["y1"].number >= 247 && c["y2"].number <= -247;
            if (c["call"].text == "erase" || covers) calls.clear();
            if (c["call"].text != "erase") calls.push_back(c);
        }
        if (record["event"].text == "periodic" && record["frame"].number == frame) break;
    }
    return calls;
}

// The block of frame `frame` in a description file: its lines, without "frame N" and the empty line.
inline std::vector<std::string> description_of_frame(const std::string &file, long frame) {
    std::istringstream in(file);
    std::string line;
    std::vector<std::string> lines;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!inside) {
            inside = line == "frame " + std::to_string(frame);
            continue;
        }
        if (line.empty()) return lines;
        lines.push_back(line);
    }
    ADD_FAILURE() << "no block for frame " << frame;
    return lines;
}

// A call of the scene log in the description's words (what describe_call says), built from the
// log's own values.
inline std::string words_of(const Json &c) {
    auto n = [&](const char *f) { return std::to_string(c[f].number); };
    auto at = [&](const char *x, const char *y) { return "(" + n(x) + ", " + n(y) + ")"; };
    const std::string &kind = c["call"].text, colour = c["colour"].text;
    bool filled = c["width"].number == 0;
    if (kind == "circle") return colour + " circle at " + at("x", "y") + ", radius " + n("radius");
    if (kind == "rectangle")
        return colour + " rectangle from " + at("x1", "y1") + " to " + at("x2", "y2") +
               (filled ? ", filled" : ", outlined, width " + n("width"));
    if (kind == "triangle")
        return colour + " triangle at " + at("x1", "y1") + ", " + at("x2", "y2") + " and " + at("x3", "y3") +
               (filled ? ", filled" : ", outlined, width " + n("width"));
    if (kind == "line")
        return colour + " line from " + at("x1", "y1") + " to " + at("x2", "y2") + ", width " + n("width");
    if (kind == "text") {
        std::string words = c["text"].text;
        for (size_t p; (p = words.find('\n')) != std::string::npos;) words.replace(p, 1, " / ");
        return colour + " text \"" + words + "\" at " + at("x", "y") + ", size " + n("ptsize");
    }
    return "(a call the check does not know: " + kind + ")";
}

// Checks the description of a frame against the calls drawn for it; returns how many it lists.
inline size_t check_description(const std::vector<std::string> &lines, const std::vector<Json> &calls) {
    if (lines.empty()) {
        ADD_FAILURE() << "an empty description";
        return 0;
    }
    const std::regex item(R"(^(\d+)\. (.*); ([a-z ]+)\.$)");
    const std::regex summary(R"(^The canvas shows (\d+) shapes? and (\d+) texts?\.$)");
    const std::regex left_out(
        R"(^Left out: (\d+) (drawings? wholly covered by later drawing|drawings? off the visible canvas|)"
        R"(earlier drawings? that (was|were) not kept \(too many since the erase\))\.$)");
    long shapes = -1, texts = -1, listed_shapes = 0, listed_texts = 0, covered = 0, off = 0, dropped = 0,
         last = 0;
    std::smatch m;
    if (std::regex_match(lines[0], m, summary)) {
        shapes = std::stol(m[1]);
        texts = std::stol(m[2]);
    } else {
        EXPECT_TRUE(calls.empty() ? lines[0] == "The canvas is empty."
                                  : lines[0] == "Nothing drawn can be seen: the canvas looks empty.")
            << lines[0];
        shapes = texts = 0;
    }
    for (size_t i = 1; i < lines.size(); i++) {
        const std::string &line = lines[i];
        if (std::regex_match(line, m, item)) {
            long number = std::stol(m[1]);
            EXPECT_GT(number, last) << "not in drawing order: " << line;
            last = number;
            if (number < 1 || number > (long)calls.size()) {
                ADD_FAILURE() << "no call " << number << " was drawn: " << line;
                continue;
            }
            const Json &c = calls[(size_t)number - 1];
            EXPECT_EQ(m[2].str(), words_of(c)) << "call " << number;
            (c["call"].text == "text" ? listed_texts : listed_shapes)++;
        } else if (std::regex_match(line, m, left_out)) {
            std::string what = m[2].str();
            (what.find("covered") != std::string::npos ? covered
             : what.find("off") != std::string::npos   ? off
                                                       : dropped) += std::stol(m[1]);
        } else {
            ADD_FAILURE() << "a line of no known form: " << line;
        }
    }
    EXPECT_EQ(listed_shapes, shapes);
    EXPECT_EQ(listed_texts, texts);
    EXPECT_EQ(listed_shapes + listed_texts + covered + off + dropped, (long)calls.size())
        << "the counts do not add up";
    return (size_t)(listed_shapes + listed_texts);
}

}  // namespace plako_test
