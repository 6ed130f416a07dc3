// The assignment folder: the file that names the reference solution, the scripts, the frames to
// compare, the regions to ignore, the tolerance, the points and the limits (docs/grading.md).
#pragma once

#include <string>
#include <vector>

namespace grade {

// A rectangle of client pixels, inclusive on every side (canvas rectangles are turned into these).
struct Region {
    int left, top, right, bottom;
};

// The limits a run is given; 0 leaves one unset (the runner's own default, where it has one).
struct Limits {
    double cpu_seconds = 10;
    double wall_seconds = 20;
    long memory_mb = 512;
    long output_mb = 1;
    long frame_limit = 0;
    double watchdog_seconds = 0;
    double build_seconds = 60;
};

// Which frames of a run are compared.
struct FrameChoice {
    long every = 0;          // every Nth frame (0: none)
    bool last = false;       // the last picture
    std::vector<long> list;  // these frames
};

// One check: a script played through the program, its frames compared with the reference's.
struct Check {
    std::string name;
    std::string script;  // absolute path of the script file
    FrameChoice frames;
    std::vector<Region> ignore;
    int tolerance = 0;        // largest difference of a channel still counted as equal
    long allowed_pixels = 0;  // differing pixels a frame may have and still pass
    double points = 1;
};

struct Assignment {
    std::string dir;   // the assignment folder, absolute
    std::string file;  // the assignment file, absolute
    std::string title;
    std::string reference;  // the reference solution: a .c/.cpp file or a folder of them
    std::vector<Check> checks;
    Limits limits;
};

// Reads DIR/assignment.txt into *out. Returns "" or one message naming the file and the line.
std::string load_assignment(const std::string &dir, Assignment *out);

// Reads an assignment from text (for the tests and load_assignment); `file` names it in messages
// and `dir` is where relative paths start.
std::string parse_assignment(const std::string &text, const std::string &file, const std::string &dir,
                             Assignment *out);

}  // namespace grade
