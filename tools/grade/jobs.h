// The job pool: child processes run in parallel, each in its own process group under limits,
// killed as a group when its time runs out or it writes too much; untrusted ones isolated.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace grade {

// How untrusted jobs are kept apart from the machine (docs/grading.md says what each protects).
enum class Isolation { none, rlimits, bubblewrap };

struct Job {
    // What to run.
    std::vector<std::string> argv;
    std::string dir;                    // working folder of the child
    std::vector<std::string> env;       // NAME=VALUE added to the environment
    bool untrusted = false;             // a student's build or run: isolated as the pool says
    std::vector<std::string> writable;  // folders the child writes (owned by the unprivileged user)
    std::vector<std::string> readable;  // folders it reads besides the system's
    // Limits; 0 leaves one unset.
    double wall_seconds = 0;
    double cpu_seconds = 0;
    long memory_bytes = 0;
    long output_bytes = 0;  // standard output and error together
    // What happened.
    int status = 0;                // the wait status
    int exit_code = -1;            // the exit status, or -1 when a signal ended it
    int signal = 0;                // the signal that ended it (through bubblewrap too), or 0
    bool wall_exceeded = false;    // killed: wall time
    bool output_exceeded = false;  // killed: too much output
    bool not_started = false;      // fork or exec failed (start_error says why)
    std::string start_error;
    std::string out, err;  // the first bytes of standard output, the last of standard error
    long out_total = 0, err_total = 0;
    long max_rss_kb = 0;
    double cpu_used = 0;
    double wall_used = 0;
};

class Pool {
   public:
    // Chooses the isolation: bubblewrap when it works here, else rlimits (plus the unprivileged user
    // when started as root); `allow_sandbox` false forces rlimits.
    explicit Pool(int parallel, bool allow_sandbox, bool quiet);
    // Runs every job to its end, `parallel` at a time, with a progress line titled `what`.
    void run(std::vector<Job *> &jobs, const std::string &what);
    Isolation isolation() const { return isolation_; }
    bool drops_privileges() const { return drop_uid_ >= 0; }
    // One line naming the isolation in force, for the reports.
    std::string describe() const;
    // Folders an untrusted job must never see (bubblewrap hides them; rlimits relies on modes).
    void hide(const std::string &dir) { hidden_.push_back(dir); }
    // Makes `dir` (and what it holds) the unprivileged user's, when there is one.
    void give(const std::string &dir) const;

   private:
    pid_t start(Job &job, int *out_fd, int *err_fd);
    int parallel_;
    bool quiet_;
    Isolation isolation_ = Isolation::rlimits;
    int drop_uid_ = -1, drop_gid_ = -1;
    std::string bwrap_;
    std::vector<std::string> hidden_;
};

// "signal 11, Segmentation fault" for a wait status ended by a signal.
std::string describe_signal(int signal_number);

}  // namespace grade
