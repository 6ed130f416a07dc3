// The runner's description file: a block per written frame, appended by the child and put in
// place by the parent when the run ends.
#include "describe_file.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <vector>

#include "frames.h"
#include "replay.h"

namespace {

struct DescribeFile {
    std::string path;       // FILE; empty: no --describe
    std::string temporary;  // beside it
    int fd;                 // -1 when not open in this process
    off_t whole;            // bytes of whole blocks written
    int failed;
};
DescribeFile file = {"", "", -1, 0, 0};

}  // namespace

std::string describe_file_open(const std::string &path) {
    size_t slash = path.rfind('/');
    std::string dir = path.substr(0, slash), name = path.substr(slash + 1);
    for (int attempt = 0; attempt < 100; attempt++) {
        file.temporary =
            dir + "/." + name + "." + std::to_string((long)getpid()) + "-" + std::to_string(attempt) + ".tmp";
        file.fd = open(file.temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (file.fd >= 0 || errno != EEXIST) break;
    }
    if (file.fd < 0) return "cannot write the description " + path + ": " + strerror(errno);
    file.path = path;
    return "";
}

std::string describe_file_frame(long number) {
    if (file.fd < 0 || file.failed) return "";
    size_t n = replay_describe(nullptr, 0);
    std::vector<char> text(n + 1);
    replay_describe(text.data(), text.size());
    std::string block = "frame " + std::to_string(number) + "\n" + text.data() + "\n\n";
    int err = frames_write_all(file.fd, block.data(), block.size());
    if (err == 0) {
        file.whole += (off_t)block.size();
        return "";
    }
    // A block is whole or absent, as a frame is.
    file.failed = 1;
    if (ftruncate(file.fd, file.whole) != 0) {
        // Nothing more can be done: the failure is already reported.
    }
    return "cannot write the description " + file.path + ": " + strerror(err);
}

void describe_file_hand_over(void) {
    if (file.fd >= 0) close(file.fd);
    file.fd = -1;
}

std::string describe_file_finish(void) {
    if (file.path.empty()) return "";
    if (rename(file.temporary.c_str(), file.path.c_str()) == 0) return "";
    std::string why = "cannot write the description " + file.path +
                      ": cannot rename the temporary file into place: " + strerror(errno);
    unlink(file.temporary.c_str());
    return why;
}
