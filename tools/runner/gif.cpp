// The runner's animated GIF, streamed: each frame is compared with what a viewer shows after the
// image before, and only the rectangle that changed is encoded, with a local colour table of the
// colours in it, so that every frame is drawn exactly while it has at most 256 of them.
#include "gif.h"

#include <errno.h>
#include <gif_lib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "frames.h"

namespace {

const int DELAY = 10;                // hundredths of a second: the program's tick
const size_t BUFFER = 64 * 1024;     // bytes gathered before a write
const unsigned int NO_COLOUR = ~0u;  // above any 0x00RRGGBB

// The squared distance of two colours in RGB.
long distance(unsigned int a, unsigned int b) {
    long dr = (long)(a >> 16 & 0xff) - (long)(b >> 16 & 0xff);
    long dg = (long)(a >> 8 & 0xff) - (long)(b >> 8 & 0xff);
    long db = (long)(a & 0xff) - (long)(b & 0xff);
    return dr * dr + dg * dg + db * db;
}

}  // namespace

GifStream::GifStream(int fd) : fd_(fd) { buffer_.reserve(BUFFER); }

GifStream::~GifStream() {
    if (gif_ == nullptr) return;
    // The library writes its trailer on closing; the file is ended by gif_finish instead, after the
    // last whole image, so nothing more reaches it from here.
    closing_ = true;
    EGifCloseFile(gif_, nullptr);
}

int GifStream::output(GifFileType *gif, const unsigned char *bytes, int n) {
    GifStream *self = (GifStream *)gif->UserData;
    if (self->closing_) return n;
    if (self->err_ != 0) return 0;
    self->buffer_.insert(self->buffer_.end(), bytes, bytes + n);
    if (self->buffer_.size() >= BUFFER && !self->flush()) return 0;
    return n;
}

bool GifStream::flush() {
    if (err_ != 0) return false;
    err_ = frames_write_all(fd_, buffer_.data(), buffer_.size());
    if (err_ != 0) return false;
    written_ += (long long)buffer_.size();
    buffer_.clear();
    return true;
}

std::string GifStream::reason() {
    if (err_ != 0) return strerror(err_);
    const char *why = gif_ != nullptr ? GifErrorString(gif_->Error) : nullptr;
    return why != nullptr ? why : "cannot encode the picture";
}

// The header: the size of the animation, no global colour table, and the loop forever.
std::string GifStream::start(int w, int h) {
    int error = 0;
    gif_ = EGifOpen(this, output, &error);
    if (gif_ == nullptr) {
        const char *why = GifErrorString(error);
        return why != nullptr ? why : "cannot start the GIF";
    }
    EGifSetGifVersion(gif_, true);  // its extensions need GIF89a, which streaming cannot infer
    static const unsigned char LOOP[] = {1, 0, 0};  // sub-block 1: loop count 0, forever
    if (EGifPutScreenDesc(gif_, w, h, 8, 0, nullptr) == GIF_ERROR ||
        EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(gif_, 11, "NETSCAPE2.0") == GIF_ERROR ||
        EGifPutExtensionBlock(gif_, 3, LOOP) == GIF_ERROR || EGifPutExtensionTrailer(gif_) == GIF_ERROR)
        return reason();
    width_ = w;
    height_ = h;
    shown_.assign((size_t)w * h, 0);
    return "";
}

std::string GifStream::add_frame(long number, const unsigned int *px, int w, int h) {
    if (err_ != 0) return reason();
    if (gif_ == nullptr) {
        std::string why = start(w, h);
        if (!why.empty()) return why;
    }
    // The rectangle that differs from what is shown, within the part the frame covers.
    int cw = std::min(w, width_), ch = std::min(h, height_);
    int left = cw, top = ch, right = -1, bottom = -1;
    for (int y = 0; y < ch; y++) {
        const unsigned int *row = px + (size_t)y * w;
        const unsigned int *seen = shown_.data() + (size_t)y * width_;
        if (frames_ > 0 && memcmp(row, seen, (size_t)cw * sizeof *row) == 0) continue;
        int x0 = 0, x1 = cw - 1;
        if (frames_ > 0) {
            while (row[x0] == seen[x0]) x0++;
            while (row[x1] == seen[x1]) x1--;
        }
        left = std::min(left, x0);
        right = std::max(right, x1);
        top = std::min(top, y);
        bottom = y;
    }
    // An unchanged frame still gets its image, one pixel as it stands, so that each frame keeps
    // its 100 ms.
    std::vector<unsigned int> same;
    const unsigned int *source = px;
    int stride = w;
    if (right < 0) {
        left = top = right = bottom = 0;
        same.assign(1, shown_[0]);
        source = same.data();
        stride = 1;
    }
    int rw = right - left + 1, rh = bottom - top + 1;
    auto at = [&](int x, int y) { return source[(size_t)y * stride + x]; };

    // The colours of the rectangle, most used first.
    std::unordered_map<unsigned int, unsigned int> count;
    unsigned int last = NO_COLOUR;
    std::unordered_map<unsigned int, unsigned int>::iterator hit;
    for (int y = top; y <= bottom; y++)
        for (int x = left; x <= right; x++) {
            unsigned int c = at(x, y);
            if (c != last) {
                hit = count.emplace(c, 0).first;
                last = c;
            }
            hit->second++;
        }
    std::vector<std::pair<unsigned int, unsigned int>> colours(count.begin(), count.end());
    std::sort(colours.begin(), colours.end(), [](const auto &a, const auto &b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    size_t kept = std::min<size_t>(colours.size(), 256);
    // Each colour's index in the table; one that does not fit takes its nearest kept colour's.
    std::unordered_map<unsigned int, unsigned char> index;
    for (size_t i = 0; i < colours.size(); i++) {
        size_t slot = i;
        if (i >= kept) {
            slot = 0;
            for (size_t k = 1; k < kept; k++)
                if (distance(colours[i].first, colours[k].first) <
                    distance(colours[i].first, colours[slot].first))
                    slot = k;
        }
        index[colours[i].first] = (unsigned char)slot;
    }
    if (colours.size() > kept) {
        if (inexact_frames_++ == 0) {
            first_inexact_ = number;
            first_colours_ = (int)colours.size();
            first_replaced_ = (int)(colours.size() - kept);
        }
    }
    int size = 2;  // a table holds a power of two entries, two at least
    while ((size_t)size < kept) size *= 2;
    std::vector<GifColorType> table((size_t)size, GifColorType{0, 0, 0});
    for (size_t i = 0; i < kept; i++)
        table[i] = GifColorType{(GifByteType)(colours[i].first >> 16), (GifByteType)(colours[i].first >> 8),
                                (GifByteType)colours[i].first};
    ColorMapObject *map = GifMakeMapObject(size, table.data());
    if (map == nullptr) return strerror(ENOMEM);

    GraphicsControlBlock gcb = {DISPOSE_DO_NOT, false, DELAY, NO_TRANSPARENT_COLOR};
    GifByteType extension[4];
    size_t length = EGifGCBToExtension(&gcb, extension);
    int ok = EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, (int)length, extension) != GIF_ERROR &&
             EGifPutImageDesc(gif_, left, top, rw, rh, false, map) != GIF_ERROR;
    GifFreeMapObject(map);  // the library keeps a copy of its own
    std::vector<GifPixelType> line((size_t)rw);
    last = NO_COLOUR;
    unsigned char last_index = 0;
    for (int y = top; ok && y <= bottom; y++) {
        unsigned int *seen = shown_.data() + (size_t)y * width_;
        for (int x = left; x <= right; x++) {
            unsigned int c = at(x, y);
            if (c != last) {
                last = c;
                last_index = index[c];
            }
            line[(size_t)(x - left)] = last_index;
            seen[x] = colours[last_index].first;  // what the viewer shows from now on
        }
        ok = EGifPutLine(gif_, line.data(), rw) != GIF_ERROR;
    }
    // The image is whole once it has reached the file.
    if (!ok || !flush()) return reason();
    whole_ = written_;
    frames_++;
    return "";
}

std::string gif_create(const std::string &path, int *fd, std::string *temporary) {
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    struct stat st;
    if (name.empty() || (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) return strerror(EISDIR);
    std::string why = frames_prepare_dir(dir);
    if (!why.empty()) return why;
    *fd = frames_create_temporary(dir, name, temporary);
    if (*fd < 0) return std::string("cannot create a temporary file beside it: ") + strerror(errno);
    return "";
}

std::string gif_finish(int fd, long long bytes, const std::string &temporary, const std::string &path) {
    static const unsigned char TRAILER = 0x3b;
    int err = 0;
    if (ftruncate(fd, (off_t)bytes) != 0) err = errno;
    while (err == 0) {
        ssize_t w = pwrite(fd, &TRAILER, 1, (off_t)bytes);
        if (w == 1) break;
        if (w < 0 && errno == EINTR) continue;
        err = w < 0 ? errno : ENOSPC;
    }
    if (close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && rename(temporary.c_str(), path.c_str()) != 0) {
        std::string why = std::string("cannot rename the temporary file into place: ") + strerror(errno);
        unlink(temporary.c_str());
        return why;
    }
    if (err == 0) return "";
    unlink(temporary.c_str());
    return strerror(err);
}

void gif_discard(int fd, const std::string &temporary) {
    close(fd);
    unlink(temporary.c_str());
}
