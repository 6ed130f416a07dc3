// The runner's animated GIF: one image per frame, 100 ms each, looping forever, streamed to a
// file as the frames come. Each image is the rectangle that changed since the image before, with a
// colour table of exactly the colours it uses.
#ifndef PLAKO_RUNNER_GIF_H
#define PLAKO_RUNNER_GIF_H

#include <string>
#include <vector>

struct GifFileType;

// A GIF written into a file descriptor that the caller opened and keeps: the writer never closes
// it, never seeks, and never writes the trailer, so that whoever ends the run (the runner's parent
// when the program's process was killed) can end the file after its last whole image.
class GifStream {
   public:
    explicit GifStream(int fd);
    ~GifStream();
    GifStream(const GifStream &) = delete;
    GifStream &operator=(const GifStream &) = delete;

    // Adds frame `number`: w by h pixels (0x00RRGGBB, row by row). The first frame sets the size of
    // the whole animation; a later frame of another size is drawn from the upper-left corner and
    // clipped to it. Returns "" or the system's reason for the write that failed.
    std::string add_frame(long number, const unsigned int *px, int w, int h);

    // Bytes of the file that hold its header and its whole images: where the trailer goes.
    long long whole_bytes() const { return whole_; }
    long frames() const { return frames_; }

    // Frames whose changed rectangle had more than 256 colours, and the first of them: its number,
    // its colours, and how many of them are drawn with the nearest colour kept.
    long inexact_frames() const { return inexact_frames_; }
    long first_inexact() const { return first_inexact_; }
    int first_inexact_colours() const { return first_colours_; }
    int first_inexact_replaced() const { return first_replaced_; }

   private:
    static int output(GifFileType *gif, const unsigned char *bytes, int n);
    bool flush();
    std::string start(int w, int h);
    std::string reason();

    int fd_;
    GifFileType *gif_ = nullptr;
    int err_ = 0;                        // errno of the write that failed; 0 while all is well
    bool closing_ = false;               // the library's own trailer is not written
    std::vector<unsigned char> buffer_;  // bytes not yet written
    long long written_ = 0;              // bytes written to fd
    long long whole_ = 0;                // bytes up to the end of the last whole image
    long frames_ = 0;
    int width_ = 0, height_ = 0;
    std::vector<unsigned int> shown_;  // what a viewer shows after the last image
    long inexact_frames_ = 0, first_inexact_ = -1;
    int first_colours_ = 0, first_replaced_ = 0;
};

// Creates a temporary file beside path, into which the GIF is written, after making path's missing
// folders. Returns "" with *fd and *temporary, or "PLACE: reason". A path that names a folder is
// refused here, before any run.
std::string gif_create(const std::string &path, int *fd, std::string *temporary);

// Ends the GIF in fd after its first `bytes` bytes (what follows is an image cut short), closes fd
// and renames the temporary file to path. Returns "" or the reason; on failure the temporary file
// is removed.
std::string gif_finish(int fd, long long bytes, const std::string &temporary, const std::string &path);

// Closes fd and removes the temporary file: a GIF that cannot be whole is not left.
void gif_discard(int fd, const std::string &temporary);

#endif
