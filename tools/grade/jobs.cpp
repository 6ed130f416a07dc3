// The job pool. Each child gets its own process group (so a program's own children die with it),
// its limits as rlimits, standard input from /dev/null and two pipes the pool reads while it
// waits; a child past its wall time or its output allowance is killed as a group.
#include "jobs.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cmath>
#include <map>

namespace grade {
namespace {

const size_t KEEP_OUT = 64 * 1024;  // standard output kept for the report
const size_t KEEP_ERR = 16 * 1024;  // the end of standard error (the outcome line is last)

double now_seconds() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

std::string find_program(const char *name) {
    const char *path = getenv("PATH");
    std::string p = path != nullptr ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= p.size()) {
        size_t end = p.find(':', start);
        if (end == std::string::npos) end = p.size();
        std::string candidate = p.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return "";
}

struct Running {
    Job *job;
    int out_fd, err_fd;
    double started;
};

// Appends what the pipe holds to the job's text: 1 when it read something, 0 at the end of the
// pipe, -1 when nothing is there now.
int drain(int fd, Job &job, bool is_out) {
    char buf[8192];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0) return errno == EAGAIN || errno == EINTR ? -1 : 0;
    if (n == 0) return 0;
    if (is_out) {
        job.out_total += n;
        if (job.out.size() < KEEP_OUT) job.out.append(buf, std::min((size_t)n, KEEP_OUT - job.out.size()));
    } else {
        job.err_total += n;
        job.err.append(buf, (size_t)n);
        if (job.err.size() > 2 * KEEP_ERR) job.err.erase(0, job.err.size() - KEEP_ERR);
    }
    return 1;
}

void chown_tree(const std::string &path, int uid, int gid) {
    if (lchown(path.c_str(), (uid_t)uid, (gid_t)gid) != 0) return;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
    // Only what the grader itself put there: a shallow tree of a few files.
    if (DIR *d = opendir(path.c_str())) {
        while (struct dirent *e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") chown_tree(path + "/" + n, uid, gid);
        }
        closedir(d);
    }
}

}  // namespace

std::string describe_signal(int sig) {
    const char *name = strsignal(sig);
    return "signal " + std::to_string(sig) + ", " + (name != nullptr ? name : "unknown");
}

Pool::Pool(int parallel, bool allow_sandbox, bool quiet)
    : parallel_(parallel < 1 ? 1 : parallel), quiet_(quiet) {
    if (geteuid() == 0) {
        struct passwd *pw = getpwnam("nobody");
        if (pw != nullptr && pw->pw_uid != 0) {
            drop_uid_ = (int)pw->pw_uid;
            drop_gid_ = (int)pw->pw_gid;
        }
    }
    bwrap_ = allow_sandbox ? find_program("bwrap") : "";
    if (bwrap_.empty()) return;
    // bubblewrap may be installed and still refused (no user namespaces in a container): try it
    // once, as the user the runs will be.
    Job probe;
    probe.argv = {"true"};
    probe.dir = "/";
    probe.untrusted = true;
    probe.wall_seconds = 10;
    isolation_ = Isolation::bubblewrap;
    std::vector<Job *> one = {&probe};
    bool was_quiet = quiet_;
    quiet_ = true;
    run(one, "");
    quiet_ = was_quiet;
    if (probe.not_started || probe.exit_code != 0) isolation_ = Isolation::rlimits;
}

std::string Pool::describe() const {
    std::string who =
        drop_uid_ >= 0 ? "as the unprivileged user nobody" : "as the user who started the grading";
    if (isolation_ == Isolation::bubblewrap)
        return "bubblewrap (no network, a read-only system, the grader's folders hidden), " + who +
               ", each run in its own process group under rlimits";
    return "rlimits only (bubblewrap is not available here: the network and the file system are not "
           "closed off), " +
           who + ", each run in its own process group";
}

void Pool::give(const std::string &dir) const {
    if (drop_uid_ >= 0) chown_tree(dir, drop_uid_, drop_gid_);
}

pid_t Pool::start(Job &job, int *out_fd, int *err_fd) {
    std::vector<std::string> args;
    if (job.untrusted && isolation_ == Isolation::bubblewrap) {
        args = {bwrap_,
                "--die-with-parent",
                "--unshare-net",
                "--unshare-ipc",
                "--new-session",
                "--ro-bind",
                "/",
                "/",
                "--dev",
                "/dev",
                "--proc",
                "/proc"};
        for (const std::string &h : hidden_) {
            args.push_back("--tmpfs");
            args.push_back(h);
        }
        for (const std::string &r : job.readable) {
            args.push_back("--ro-bind");
            args.push_back(r);
            args.push_back(r);
        }
        for (const std::string &w : job.writable) {
            args.push_back("--bind");
            args.push_back(w);
            args.push_back(w);
        }
        args.push_back("--chdir");
        args.push_back(job.dir);
        args.push_back("--");
    }
    args.insert(args.end(), job.argv.begin(), job.argv.end());
    std::vector<char *> cargs;
    for (std::string &a : args) cargs.push_back(&a[0]);
    cargs.push_back(nullptr);
    std::vector<std::string> env = job.env;  // copied before the fork: the child only points at it

    int out[2] = {-1, -1}, err[2] = {-1, -1}, report[2] = {-1, -1};
    auto close_all = [&]() {
        for (int fd : {out[0], out[1], err[0], err[1], report[0], report[1]})
            if (fd >= 0) close(fd);
    };
    // The exec's failure, if any, comes back through the close-on-exec pipe `report`.
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0 || pipe2(report, O_CLOEXEC) != 0) {
        close_all();
        job.not_started = true;
        job.start_error = std::string("cannot make a pipe: ") + strerror(errno);
        return -1;
    }
    bool drop = job.untrusted && drop_uid_ >= 0;
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        struct rlimit rl;
        rl.rlim_cur = rl.rlim_max = 0;
        setrlimit(RLIMIT_CORE, &rl);
        if (job.cpu_seconds > 0) {
            rl.rlim_cur = (rlim_t)std::ceil(job.cpu_seconds);
            rl.rlim_max = rl.rlim_cur + 1;  // SIGXCPU first, then SIGKILL a second later
            setrlimit(RLIMIT_CPU, &rl);
        }
        if (job.memory_bytes > 0) {
            rl.rlim_cur = rl.rlim_max = (rlim_t)job.memory_bytes;
            setrlimit(RLIMIT_AS, &rl);
        }
        if (job.output_bytes > 0) {
            // Files too: frames and whatever the program writes in its folder.
            rl.rlim_cur = rl.rlim_max = (rlim_t)job.output_bytes * 64;
            setrlimit(RLIMIT_FSIZE, &rl);
        }
        for (std::string &e : env) putenv(&e[0]);
        const char *why = nullptr;
        if (drop &&
            (setgroups(0, nullptr) != 0 || setgid((gid_t)drop_gid_) != 0 || setuid((uid_t)drop_uid_) != 0))
            why = "cannot become the unprivileged user";
        if (why == nullptr && chdir(job.dir.c_str()) != 0) why = "cannot enter the working folder";
        if (why == nullptr) {
            execvp(cargs[0], cargs.data());
            why = "cannot start the program";
        }
        char msg[512];
        int n = snprintf(msg, sizeof msg, "%s: %s (%s)", why, cargs[0], strerror(errno));
        if (write(report[1], msg, (size_t)n) < 0) _exit(127);
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    close(report[1]);
    out[1] = err[1] = report[1] = -1;
    if (pid < 0) {
        job.not_started = true;
        job.start_error = std::string("cannot fork: ") + strerror(errno);
        close_all();
        return -1;
    }
    setpgid(pid, pid);  // here too, so that a kill before the child ran still reaches the group
    char msg[512];
    ssize_t n = read(report[0], msg, sizeof msg);
    close(report[0]);
    if (n > 0) {
        job.not_started = true;
        job.start_error.assign(msg, (size_t)n);
    }
    fcntl(out[0], F_SETFL, O_NONBLOCK);
    fcntl(err[0], F_SETFL, O_NONBLOCK);
    *out_fd = out[0];
    *err_fd = err[0];
    return pid;
}

void Pool::run(std::vector<Job *> &jobs, const std::string &what) {
    std::map<pid_t, Running> running;
    size_t next = 0, done = 0;
    double last_progress = 0;
    bool tty = isatty(STDERR_FILENO);
    auto progress = [&](bool final) {
        if (quiet_ || what.empty()) return;
        double t = now_seconds();
        if (!final && t - last_progress < (tty ? 0.2 : 10)) return;
        last_progress = t;
        fprintf(stderr, "%s%s: %zu of %zu done, %zu running%s", tty ? "\r" : "", what.c_str(), done,
                jobs.size(), running.size(), tty && !final ? "   " : "\n");
        fflush(stderr);
    };
    while (done < jobs.size()) {
        while (next < jobs.size() && (int)running.size() < parallel_) {
            Job &job = *jobs[next++];
            Running r = {&job, -1, -1, now_seconds()};
            pid_t pid = start(job, &r.out_fd, &r.err_fd);
            if (pid < 0) {
                done++;
                continue;
            }
            running[pid] = r;
        }
        // Read whatever the children wrote, waking at least every 50 ms for the clocks.
        std::vector<struct pollfd> fds;
        for (auto &e : running) {
            if (e.second.out_fd >= 0) fds.push_back({e.second.out_fd, POLLIN, 0});
            if (e.second.err_fd >= 0) fds.push_back({e.second.err_fd, POLLIN, 0});
        }
        if (!fds.empty())
            poll(fds.data(), fds.size(), 50);
        else if (!running.empty())
            usleep(20000);
        double t = now_seconds();
        for (auto &e : running) {
            Running &r = e.second;
            Job &job = *r.job;
            if (r.out_fd >= 0 && drain(r.out_fd, job, true) == 0) {
                close(r.out_fd);
                r.out_fd = -1;
            }
            if (r.err_fd >= 0 && drain(r.err_fd, job, false) == 0) {
                close(r.err_fd);
                r.err_fd = -1;
            }
            bool kill_it = false;
            if (job.wall_seconds > 0 && t - r.started > job.wall_seconds && !job.wall_exceeded &&
                !job.output_exceeded) {
                job.wall_exceeded = true;
                kill_it = true;
            }
            if (job.output_bytes > 0 && job.out_total + job.err_total > job.output_bytes &&
                !job.output_exceeded && !job.wall_exceeded) {
                job.output_exceeded = true;
                kill_it = true;
            }
            if (kill_it) kill(-e.first, SIGKILL);
        }
        // Reap the children that ended; their pipes are read to the end first.
        for (auto it = running.begin(); it != running.end();) {
            int status = 0;
            struct rusage ru;
            pid_t pid = wait4(it->first, &status, WNOHANG, &ru);
            if (pid != it->first) {
                ++it;
                continue;
            }
            Running &r = it->second;
            Job &job = *r.job;
            // What is left in the pipes; a grandchild that kept them open is killed with its group.
            kill(-pid, SIGKILL);
            for (int *fd : {&r.out_fd, &r.err_fd}) {
                if (*fd < 0) continue;
                // Non-blocking still: a program that left the group may hold the pipe open.
                while (drain(*fd, job, fd == &r.out_fd) == 1 &&
                       (job.output_bytes == 0 || job.out_total + job.err_total <= 2 * job.output_bytes)) {
                }
                close(*fd);
            }
            job.status = status;
            job.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            job.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
            // bubblewrap passes its child's death by a signal on as the status 128 + the signal.
            if (job.untrusted && isolation_ == Isolation::bubblewrap && job.exit_code > 128 &&
                job.exit_code < 128 + 65) {
                job.signal = job.exit_code - 128;
                job.exit_code = -1;
            }
            job.max_rss_kb = ru.ru_maxrss;
            job.cpu_used =
                ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
            job.wall_used = now_seconds() - r.started;
            if (job.err.size() > KEEP_ERR) job.err.erase(0, job.err.size() - KEEP_ERR);
            it = running.erase(it);
            done++;
        }
        progress(false);
    }
    progress(true);
}

}  // namespace grade
