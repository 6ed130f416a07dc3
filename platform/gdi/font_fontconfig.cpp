// The font lookup on desktops: fontconfig's choice among the installed fonts.
#include <fontconfig/fontconfig.h>

#include "font_lookup.h"

namespace plat {
namespace {

std::string lower(const char *s) {
    std::string r;
    for (; s && *s; s++) r += char(*s >= 'A' && *s <= 'Z' ? *s - 'A' + 'a' : *s);
    return r;
}

// Where Debian's fonts-wine puts the classic bitmap Courier (Windows-1252, a 13-pixel cell), the
// face of ANSI_FIXED_FONT; fontconfig does not look there by itself.
const char *const FIXED_FONT_FILE = "/usr/share/wine/fonts/coure.fon";

}  // namespace

bool font_lookup_init() {
    if (FcInit() != FcTrue) return false;
    FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8 *>(FIXED_FONT_FILE));
    return true;
}

void font_lookup_done() { FcFini(); }

// fontconfig's best file for the family; with exact set, only a font of that family counts.
bool font_lookup(const FontRequest &req, std::string *file, int *index) {
    FcPattern *p = FcPatternCreate();
    if (!p) return false;
    FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8 *>(req.family));
    FcPatternAddInteger(p, FC_WEIGHT, req.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(p, FC_SLANT, req.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    // A named family may be a bitmap font (the fixed Courier); any other match must scale.
    if (!req.exact) FcPatternAddBool(p, FC_SCALABLE, FcTrue);
    if (req.mono) FcPatternAddInteger(p, FC_SPACING, FC_MONO);
    FcConfigSubstitute(nullptr, p, FcMatchPattern);
    FcDefaultSubstitute(p);
    FcResult res;
    FcPattern *m = FcFontMatch(nullptr, p, &res);
    FcPatternDestroy(p);
    if (!m) return false;
    bool ok = !req.exact;
    FcChar8 *fam = nullptr;
    for (int i = 0; req.exact && FcPatternGetString(m, FC_FAMILY, i, &fam) == FcResultMatch; i++)
        if (lower(reinterpret_cast<const char *>(fam)) == lower(req.family)) ok = true;
    FcChar8 *path = nullptr;
    int idx = 0;
    if (ok && FcPatternGetString(m, FC_FILE, 0, &path) == FcResultMatch) {
        *file = reinterpret_cast<const char *>(path);
        if (FcPatternGetInteger(m, FC_INDEX, 0, &idx) != FcResultMatch) idx = 0;
        *index = idx;
    } else {
        ok = false;
    }
    FcPatternDestroy(m);
    return ok;
}

}  // namespace plat
