// Opening a file that must be a regular one, without ever blocking on a FIFO or a device, and
// locking it against other programs: the script's file, for the package and for the runner's
// check before a run.
#ifndef PLAKO_REGULAR_FILE_H
#define PLAKO_REGULAR_FILE_H

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

#endif
