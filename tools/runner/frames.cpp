// Writing the runner's frames: folders made and checked before the run, each frame through a
// temporary file of its own in the output folder, renamed over the frame's name.
#include "frames.h"

#include <errno.h>
#include <fcntl.h>
#include <png.h>
#include <signal.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

// Puts bytes in place as dir/name; "" or the reason, with nothing left behind.
std::string place(const std::string &dir, const std::string &name, const unsigned char *bytes, size_t n) {
    std::string temporary;
    int fd = frames_create_temporary(dir, name, &temporary);
    if (fd < 0) return std::string("cannot create a temporary file beside it: ") + strerror(errno);
    int err = frames_write_all(fd, bytes, n);
    if (close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && rename(temporary.c_str(), (dir + "/" + name).c_str()) != 0) {
        std::string why = std::string("cannot rename the temporary file into place: ") + strerror(errno);
        unlink(temporary.c_str());
        return why;
    }
    if (err == 0) return "";
    unlink(temporary.c_str());  // a frame is whole or absent
    return strerror(err);
}

}  // namespace

// Writes all n bytes; 0 or the errno of the write that failed.
int frames_write_all(int fd, const void *bytes, size_t n) {
    const unsigned char *p = (const unsigned char *)bytes;
    while (n > 0) {
        ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) return errno;
        if (w == 0) return ENOSPC;  // took nothing without an error: no room
        p += w;
        n -= (size_t)w;
    }
    return 0;
}

int frames_create_temporary(const std::string &dir, const std::string &name, std::string *path) {
    // The name is new to the folder: nothing standing there, a link least of all, is opened.
    for (int attempt = 0; attempt < 100; attempt++) {
        *path =
            dir + "/." + name + "." + std::to_string((long)getpid()) + "-" + std::to_string(attempt) + ".tmp";
        int fd = open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

void frames_ignore_write_signals(void) {
    signal(SIGXFSZ, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);
}

std::string frames_prepare_dir(const std::string &dir) {
    struct stat st;
    for (size_t i = 1; i <= dir.size(); i++) {
        if (i < dir.size() && dir[i] != '/') continue;
        std::string part = dir.substr(0, i);
        if (mkdir(part.c_str(), 0777) == 0) continue;
        // mkdir's own reason, kept before stat can overwrite it: a read-only file system or a
        // missing permission may be reported for a folder that already stands there.
        int err = errno;
        if (stat(part.c_str(), &st) != 0) return part + ": " + strerror(err == EEXIST ? errno : err);
        // It exists: it must be a directory to go on, the last part as well as every parent.
        if (!S_ISDIR(st.st_mode)) return part + ": " + strerror(ENOTDIR);
    }
    // A frame's way into the folder, tried once with nothing in it: a folder that cannot take
    // one is found before the script plays, not at the first frame or after the last.
    std::string probe;
    int fd = frames_create_temporary(dir, "frame-probe", &probe);
    if (fd < 0) return dir + ": " + strerror(errno);
    close(fd);
    if (unlink(probe.c_str()) != 0) return dir + ": " + strerror(errno);
    return "";
}

std::string frames_write_png(const std::string &dir, const std::string &name, const unsigned int *px, int w,
                             int h) {
    std::vector<unsigned char> rgb((size_t)w * h * 3);
    for (size_t i = 0; i < (size_t)w * h; i++) {
        rgb[i * 3] = (unsigned char)(px[i] >> 16);
        rgb[i * 3 + 1] = (unsigned char)(px[i] >> 8);
        rgb[i * 3 + 2] = (unsigned char)px[i];
    }
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = (png_uint_32)w;
    image.height = (png_uint_32)h;
    image.format = PNG_FORMAT_RGB;
    image.flags = PNG_IMAGE_FLAG_FAST;  // many frames, written while the program waits: speed before size
    // Encoded in memory first, so that a failed write is the system's own, with its errno.
    png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(image);
    std::vector<unsigned char> encoded(size);
    if (!png_image_write_to_memory(&image, encoded.data(), &size, 0, rgb.data(), 0, nullptr)) {
        std::string why = image.message[0] ? image.message : "cannot encode the picture";
        png_image_free(&image);
        return why;
    }
    return place(dir, name, encoded.data(), size);
}
