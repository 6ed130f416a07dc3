// Scene logs (the runner's --scene, JSON Lines): the drawing calls that make a frame's picture, and
// the first call where a student's program parts from the reference, in words.
#pragma once

#include <istream>
#include <map>
#include <string>
#include <vector>

#include "assignment.h"

namespace grade {

// One drawing call of a scene log.
struct SceneCall {
    long frame = 0;      // the frame it drew into
    std::string call;    // "circle", "rectangle", "triangle", "line", "text", "erase", or another name
    std::string colour;  // the palette's name ("red", "navy blue")
    std::string text;    // a text call's text
    std::map<std::string, long> n;  // its numbers: x, y, radius, x1 ... y3, width, ptsize
};

bool operator==(const SceneCall &a, const SceneCall &b);

// The calls that make frame `frame`'s picture: those of the stretches up to it, from its last erase
// on, leaving out the calls that lie wholly inside an ignored region (a text by its corner). Lines
// that are not a stretch (bad JSON, too long, deeper than a stretch) are skipped; the reading is
// bounded in bytes and calls. Returns "" or why the log cannot be used (then *out is empty).
std::string scene_calls(std::istream &in, long frame, const std::vector<Region> &ignore,
                        std::vector<SceneCall> *out);
std::string scene_calls_file(const std::string &path, long frame, const std::vector<Region> &ignore,
                             std::vector<SceneCall> *out);

// A call as a verb phrase: "draws a red circle at (0, 0), radius 50", "erases the window".
std::string describe_call(const SceneCall &c);

// The first call where `yours` parts from `reference`, in a sentence: "frame 12: the reference draws
// a red circle at (0, 0), radius 50; yours at (3, 0)". "" when the calls are alike.
std::string first_difference(const std::vector<SceneCall> &reference, const std::vector<SceneCall> &yours);

}  // namespace grade
