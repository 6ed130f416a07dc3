// Opening a regular file without blocking, and locking it.
#include "regular_file.h"

#include <errno.h>
#include <fcntl.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
// The C runtime's names for the same calls. There are no FIFOs to block on in a Windows folder,
// and the text mode turns each "\n" into the system's line end, as the classic "wt" stream does.
#define file_open(name, flags) _open((name), (flags) | _O_TEXT, _S_IREAD | _S_IWRITE)
#define file_stat(name, st) _stati64((name), (st))
#define file_fstat(fd, st) _fstati64((fd), (st))
#define file_close(fd) _close(fd)
#define FILE_READ _O_RDONLY
#define FILE_WRITE (_O_WRONLY | _O_CREAT)
// A new file, in binary mode: its bytes go out as they are.
#define file_create(name) _open((name), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE)
#define file_write(fd, p, n) _write((fd), (p), (unsigned)(n))
#define file_remove(name) _unlink(name)
#else
#include <sys/file.h>
#include <unistd.h>
#define file_open(name, flags) open((name), (flags) | O_NONBLOCK | O_CLOEXEC, 0666)
#define file_stat(name, st) stat((name), (st))
#define file_fstat(fd, st) fstat((fd), (st))
#define file_close(fd) close(fd)
#define FILE_READ O_RDONLY
#define FILE_WRITE (O_WRONLY | O_CREAT)
// O_EXCL also refuses a symbolic link, even one that leads nowhere: nothing is written through it.
#define file_create(name) open((name), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666)
#define file_write(fd, p, n) write((fd), (p), (n))
#define file_remove(name) unlink(name)
#endif

const char *regular_file_kind(const FileStat &st) {
    switch (st.st_mode & S_IFMT) {
        case S_IFREG:
            return nullptr;
        case S_IFDIR:
            return "a directory";
        case S_IFCHR:
            return "a character device";
#ifdef S_IFIFO
        case S_IFIFO:
            return "a FIFO or pipe";
#endif
#ifdef S_IFBLK
        case S_IFBLK:
            return "a block device";
#endif
#ifdef S_IFSOCK
        case S_IFSOCK:
            return "a socket";
#endif
        default:
            return "something other than a regular file";
    }
}

// The descriptor keeps O_NONBLOCK, which means nothing for a regular file.
int regular_file_open(const char *name, int for_writing, FileStat *st, int *err, const char **kind) {
    *err = 0;
    *kind = nullptr;
    int fd = file_open(name, for_writing ? FILE_WRITE : FILE_READ);
    if (fd < 0) {
        *err = errno;
        // What the name is when it is no regular file: an open for writing fails on a FIFO
        // without a reader, or on a socket, before the file can be looked at.
        FileStat named;
        if (file_stat(name, &named) == 0) *kind = regular_file_kind(named);
        return -1;
    }
    if (file_fstat(fd, st) != 0) {
        *err = errno;
        file_close(fd);
        return -1;
    }
    *kind = regular_file_kind(*st);
    if (*kind != nullptr) {
        file_close(fd);
        return -1;
    }
    return fd;
}

int regular_file_write_new(const char *name, const void *bytes, size_t n) {
    int fd = file_create(name);
    if (fd < 0) {
        const int err = errno;
        // Windows reports a folder of that name as access denied: the name is taken all the same.
        FileStat st;
        return err != EEXIST && file_stat(name, &st) == 0 ? EEXIST : err;
    }
    const char *p = (const char *)bytes;
    int err = 0;
    SizeSignalIgnored ignored;
    while (n > 0) {
        // Pieces that the C runtime's count (an int on Windows) can hold.
        const size_t piece = n < ((size_t)1 << 30) ? n : ((size_t)1 << 30);
        long w = (long)file_write(fd, p, piece);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            err = w < 0 ? errno : ENOSPC;  // a write that takes nothing without an error: no room
            break;
        }
        p += w;
        n -= (size_t)w;
    }
    if (file_close(fd) != 0 && err == 0) err = errno;
    if (err != 0) file_remove(name);  // a picture is whole or absent
    return err;
}

#ifdef _WIN32
namespace {
// Tries a lock on every byte the file may ever have, through the C runtime's handle.
int lock_range(HANDLE h, DWORD flags) {
    OVERLAPPED at = {};
    return LockFileEx(h, flags | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &at);
}
void unlock_range(HANDLE h) {
    OVERLAPPED at = {};
    UnlockFileEx(h, 0, MAXDWORD, MAXDWORD, &at);
}
}  // namespace

FileLock regular_file_lock(int fd, int for_writing) {
    HANDLE h = (HANDLE)_get_osfhandle(fd);
    if (h == INVALID_HANDLE_VALUE) return FILE_LOCK_TAKEN;
    if (lock_range(h, for_writing ? LOCKFILE_EXCLUSIVE_LOCK : 0)) return FILE_LOCK_TAKEN;
    if (GetLastError() != ERROR_LOCK_VIOLATION) return FILE_LOCK_TAKEN;  // no locks here
    if (!for_writing) return FILE_LOCK_WRITER;  // only a writer's lock keeps a reader out
    // A shared lock is still to be had when only readers hold the file.
    if (!lock_range(h, 0)) return FILE_LOCK_WRITER;
    unlock_range(h);
    return FILE_LOCK_READERS;
}
#else
// flock rather than fcntl's record locks: those belong to the process and go at the first close of
// any descriptor of the file, so the package's own look at the file would drop them.
FileLock regular_file_lock(int fd, int for_writing) {
    int r;
    while ((r = flock(fd, (for_writing ? LOCK_EX : LOCK_SH) | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (r == 0 || errno != EWOULDBLOCK) return FILE_LOCK_TAKEN;  // taken, or no locks here
    if (!for_writing) return FILE_LOCK_WRITER;
    while ((r = flock(fd, LOCK_SH | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (r != 0) return FILE_LOCK_WRITER;
    flock(fd, LOCK_UN);
    return FILE_LOCK_READERS;
}
#endif
