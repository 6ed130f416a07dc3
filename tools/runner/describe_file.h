// The runner's --describe FILE: the description of each written frame, gathered in a temporary
// file beside FILE and renamed onto it when the run ends, so FILE is never seen half written.
#ifndef PLAKO_RUNNER_DESCRIBE_FILE_H
#define PLAKO_RUNNER_DESCRIBE_FILE_H

#include <string>

// Before the run: creates the temporary file beside path (an absolute name). "" or the reason.
std::string describe_file_open(const std::string &path);

// The child, after frame `number` was written: appends "frame N", the canvas's description and an
// empty line. "" or the reason; then the block is taken back and nothing more is written. Does
// nothing when no file is open in this process.
std::string describe_file_frame(long number);

// The parent, once the child has the file: lets go of its own handle, keeping the names.
void describe_file_hand_over(void);

// The parent, after the run: renames the temporary file onto FILE. "" or the reason (then the
// temporary file is removed).
std::string describe_file_finish(void);

#endif
