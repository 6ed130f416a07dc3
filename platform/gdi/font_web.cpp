// The font lookup in the browser: no fontconfig there, so the page brings the font files that
// the desktop resolves to (Liberation Sans for Arial and sans-serif, Liberation Mono for fixed
// pitch, the bitmap Courier of ANSI_FIXED_FONT) under /fonts, and this file chooses among them
// the way fontconfig would.
#include <sys/stat.h>

#include <strings.h>
#include <cstring>

#include "font_lookup.h"

namespace plat {
namespace {

struct WebFont {
    const char *family;
    bool bold, italic, mono;
    const char *file;
    bool bitmap;  // found by its family name only, as fontconfig finds the desktop's
};

// Every face the page may bring; those whose file is absent are skipped.
const WebFont FONTS[] = {
    {"Liberation Sans", false, false, false, "/fonts/LiberationSans-Regular.ttf", false},
    {"Liberation Sans", true, false, false, "/fonts/LiberationSans-Bold.ttf", false},
    {"Liberation Sans", false, true, false, "/fonts/LiberationSans-Italic.ttf", false},
    {"Liberation Sans", true, true, false, "/fonts/LiberationSans-BoldItalic.ttf", false},
    {"Liberation Mono", false, false, true, "/fonts/LiberationMono-Regular.ttf", false},
    {"Liberation Mono", true, false, true, "/fonts/LiberationMono-Bold.ttf", false},
    {"Liberation Mono", false, true, true, "/fonts/LiberationMono-Italic.ttf", false},
    {"Liberation Mono", true, true, true, "/fonts/LiberationMono-BoldItalic.ttf", false},
    {"Courier", false, false, true, "/fonts/coure.fon", true},
};

bool present(const char *file) {
    struct stat st;
    return stat(file, &st) == 0 && S_ISREG(st.st_mode);
}

// How far a face is from the request: family first, then pitch, weight and slant.
int distance(const WebFont &f, const FontRequest &req) {
    int d = 0;
    if (strcasecmp(f.family, req.family) != 0) d += 1000;
    if (f.mono != req.mono) d += 100;
    if (f.bold != req.bold) d += 10;
    if (f.italic != req.italic) d += 1;
    return d;
}

}  // namespace

bool font_lookup_init() {
    for (const WebFont &f : FONTS)
        if (present(f.file)) return true;
    return false;
}

void font_lookup_done() {}

// The nearest face the page brought; with exact set, only one of the very family named.
bool font_lookup(const FontRequest &req, std::string *file, int *index) {
    const WebFont *best = nullptr;
    int best_d = 0;
    for (const WebFont &f : FONTS) {
        if (req.exact && strcasecmp(f.family, req.family) != 0) continue;
        if (!req.exact && f.bitmap) continue;
        if (!present(f.file)) continue;
        int d = distance(f, req);
        if (!best || d < best_d) best = &f, best_d = d;
    }
    if (!best) return false;
    *file = best->file;
    *index = 0;
    return true;
}

}  // namespace plat
