// Saving a picture: the package's own PNG encoder against libpng on the cone decorator's scene
// (tests/golden/cone-scene.png), both timed in each iteration. Counters: the bytes each writes,
// size_ratio (ours / libpng's) and time_ratio (ours / libpng's), for libpng as the runner calls it
// (PNG_IMAGE_FLAG_FAST) and with its defaults.
#include <benchmark/benchmark.h>
#include <png.h>
#include <time.h>

#include <cstdint>
#include <vector>

#include "png_write.h"

namespace {

double cpu_seconds() {
    timespec ts = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return (double)ts.tv_sec + 1e-9 * (double)ts.tv_nsec;
}

struct Scene {
    int w = 0, h = 0;
    std::vector<unsigned char> rgb;
    std::vector<unsigned int> pixels;
};

const Scene &scene() {
    static Scene s;
    if (!s.pixels.empty()) return s;
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, PLAKO_SOURCE_DIR "/tests/golden/cone-scene.png")) return s;
    image.format = PNG_FORMAT_RGB;
    s.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, s.rgb.data(), 0, nullptr)) return s;
    s.w = (int)image.width;
    s.h = (int)image.height;
    for (size_t i = 0; i < s.rgb.size(); i += 3)
        s.pixels.push_back((unsigned)s.rgb[i] << 16 | (unsigned)s.rgb[i + 1] << 8 | s.rgb[i + 2]);
    return s;
}

size_t libpng_encode(const Scene &s, unsigned int flags, std::vector<unsigned char> &out) {
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = (png_uint_32)s.w;
    image.height = (png_uint_32)s.h;
    image.format = PNG_FORMAT_RGB;
    image.flags = flags;
    png_alloc_size_t size = out.size();
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, s.rgb.data(), 0, nullptr)) return 0;
    return size;
}

void compare(benchmark::State &state, unsigned int libpng_flags) {
    const Scene &s = scene();
    if (s.pixels.empty()) {
        state.SkipWithError("cannot read tests/golden/cone-scene.png");
        return;
    }
    std::vector<unsigned char> ours(encode_png_bound(s.w, s.h));
    std::vector<unsigned char> theirs((size_t)s.w * s.h * 4 + 4096);
    size_t our_bytes = 0, their_bytes = 0;
    double our_s = 0, their_s = 0;
    for (auto _ : state) {
        const double t0 = cpu_seconds();
        our_bytes = encode_png(s.pixels.data(), s.w, s.h, ours.data(), ours.size());
        const double t1 = cpu_seconds();
        their_bytes = libpng_encode(s, libpng_flags, theirs);
        const double t2 = cpu_seconds();
        our_s += t1 - t0;
        their_s += t2 - t1;
        benchmark::DoNotOptimize(ours.data());
        benchmark::DoNotOptimize(theirs.data());
    }
    const double n = (double)state.iterations();
    state.counters["own_bytes"] = (double)our_bytes;
    state.counters["libpng_bytes"] = (double)their_bytes;
    state.counters["size_ratio"] = their_bytes ? (double)our_bytes / (double)their_bytes : 0;
    state.counters["own_ms"] = 1000 * our_s / n;
    state.counters["libpng_ms"] = 1000 * their_s / n;
    state.counters["time_ratio"] = their_s > 0 ? our_s / their_s : 0;
}

void BM_PictureVsLibpngFast(benchmark::State &state) { compare(state, PNG_IMAGE_FLAG_FAST); }
void BM_PictureVsLibpngDefault(benchmark::State &state) { compare(state, 0); }

}  // namespace

BENCHMARK(BM_PictureVsLibpngFast);
BENCHMARK(BM_PictureVsLibpngDefault);
BENCHMARK_MAIN();
