// The font lookup: which font file serves a face name. The build picks its one implementation:
// font_fontconfig.cpp on desktops, font_web.cpp in the browser, where the page brings its fonts.
#pragma once
#include <string>

namespace plat {

// A face asked for: its family name, weight, slant and pitch.
struct FontRequest {
    const char *family;
    bool bold;
    bool italic;
    bool mono;   // fixed pitch wanted
    bool exact;  // only a font of this very family counts (a bitmap font may); else the closest
                 // scalable font of any family
};

// Prepares the lookup once; false when no font can ever be found.
bool font_lookup_init();

// Gives back what the lookup holds; a later font_lookup_init starts it again.
void font_lookup_done();

// The best font file (and face index in it) for req; false when none fits.
bool font_lookup(const FontRequest &req, std::string *file, int *index);

}  // namespace plat
