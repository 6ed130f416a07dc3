// Opening a file that must be a regular one, without ever blocking on a FIFO or a device, and
// locking it against other programs: the script's file, for the package and for the runner's
// check before a run. And writing a new file whole or not at all: the saved pictures.
#ifndef PLAKO_REGULAR_FILE_H
#define PLAKO_REGULAR_FILE_H

#include <signal.h>
#include <stddef.h>
#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
typedef struct _stati64 FileStat;
#else
typedef struct stat FileStat;
#endif

// Who stands in the way of a lock.
enum FileLock {
    FILE_LOCK_TAKEN,    // the lock is ours (or the file system has no locks: nobody to keep out)
    FILE_LOCK_WRITER,   // another program holds the file for writing
    FILE_LOCK_READERS,  // other programs hold it for reading
};

// What a file that is not a regular one is ("a directory", "a FIFO or pipe", ...), for a report;
// null for a regular file.
const char *regular_file_kind(const FileStat &st);

// Opens name without blocking, for reading or for writing (created when missing, never emptied
// here), and keeps it only when it is a regular file. Returns the descriptor with its status in
// *st; or -1, with *kind naming what the file is when it is no regular file, else null and the
// system's reason in *err.
int regular_file_open(const char *name, int for_writing, FileStat *st, int *err, const char **kind);

// Locks the whole of fd's file without waiting: shared for reading, exclusive for writing. The lock
// goes when fd is closed or the process ends, so a program that died holds nobody up. On POSIX it
// keeps out only those who ask for a lock too; on Windows it also keeps out plain reads and writes
// of other programs. A file system without locks takes none and keeps nobody out.
FileLock regular_file_lock(int fd, int for_writing);

// Ignores the signal of a file size limit for its life, so that a write beyond the limit fails with
// EFBIG, which is handled like a full disk, instead of killing the program in the middle of a write.
class SizeSignalIgnored {
   public:
#ifdef SIGXFSZ
    SizeSignalIgnored() {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        restore_ = sigaction(SIGXFSZ, &ignore, &old_) == 0;
    }
    ~SizeSignalIgnored() {
        if (restore_) sigaction(SIGXFSZ, &old_, nullptr);
    }

   private:
    struct sigaction old_;
    bool restore_;
#else
    // No such signal (Windows): nothing to do, but still a guard the compiler takes as used.
    SizeSignalIgnored() {}
    ~SizeSignalIgnored() {}
#endif
};

// Writes n bytes into a new file called name, never into one that is there, even one made between a
// look and the write. Returns 0, or the system's reason (an errno value): EEXIST when the name is
// taken (what has it is left alone); after any other failure nothing called name is left.
int regular_file_write_new(const char *name, const void *bytes, size_t n);

#endif
