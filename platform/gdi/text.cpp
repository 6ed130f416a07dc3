// Fonts and text: the font lookup (font_lookup.h) chooses a font file for a font's face name,
// FreeType renders it.
// Faces at a size and their rendered glyphs are cached beneath CreateFontA, so creating and
// deleting a font for every call stays cheap; both caches are bounded.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_GASP_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include FT_WINFONTS_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "codepage.h"
#include "font_lookup.h"
#include "gdi.h"

namespace plat {
namespace {

constexpr int MAX_PIXEL_SIZE = 1000;      // larger heights are clamped: no request allocates without bound
constexpr int DEFAULT_EM = 12;            // height 0: a 12-pixel character height
constexpr size_t MAX_FACES = 16;          // faces at a size kept open
constexpr size_t MAX_NAMES = 64;          // face-name resolutions remembered
constexpr size_t GLYPH_BUDGET = 1 << 20;  // coverage bytes cached per face; larger glyphs are not kept

// The glyph level (0..16) of a smoothed pixel of coverage 0..255: the reference GDI keeps 16
// steps of 15 and drops the faintest two.
uint8_t glyph_level(int cov) { return uint8_t(cov > 30 ? (cov + 14) / 15 - 1 : 0); }

// One rendered character: a glyph level 0..16 per pixel, placed relative to the pen and baseline.
struct Glyph {
    bool kept = false;  // cached in its face
    int left = 0, top = 0, w = 0, h = 0;
    std::vector<uint8_t> cov;
};

// A font file opened at one size, with its metrics and its glyph cache.
struct Face {
    std::string file;
    int index = 0;
    long cell = 0, em_asked = 0, width_asked = 0;  // the request this face serves
    long em26 = 0, emx26 = 0;                      // em height and width in 1/64 pixel
    FT_Face ft = nullptr;
    TEXTMETRICA tm = {};
    bool smooth = false;   // the size's own rendering: smoothed, else bilevel
    int extent_adv[256];   // per byte: the width text extents add up, -1 until measured
    int draw_adv[2][256];  // per byte and mode (bilevel, smoothed): the hinted width drawing advances by
    Glyph glyphs[256];     // rendered in the face's own mode
    size_t cached_bytes = 0;
    uint64_t last_use = 0;
    Face() {
        std::fill(extent_adv, extent_adv + 256, -1);
        std::fill(&draw_adv[0][0], &draw_adv[0][0] + 512, -1);
    }
    ~Face() {
        if (ft) FT_Done_Face(ft);
    }
    Face(const Face &) = delete;
    Face &operator=(const Face &) = delete;
};

// A face name (with weight, slant and pitch) resolved to a font file.
struct NameEntry {
    std::string key;
    std::string file;
    int index = 0;
};

struct TextState {
    bool tried_init;
    FT_Library ft;
    bool lookup_ready;
    std::vector<std::unique_ptr<Face>> *faces;
    std::vector<NameEntry> *names;
    uint64_t clock;
};
TextState state;

// Gives back everything FreeType and the font lookup hold, at exit, so that a program checked for
// leaks ends clean; a later text call starts them again.
void release() {
    if (!state.tried_init) return;
    delete state.faces;  // closes the faces before their library
    delete state.names;
    if (state.ft) FT_Done_FreeType(state.ft);
    if (state.lookup_ready) font_lookup_done();
    state = TextState();
}

bool init() {
    if (!state.tried_init) {
        state.tried_init = true;
        if (FT_Init_FreeType(&state.ft) != 0) state.ft = nullptr;
        state.lookup_ready = font_lookup_init();
        state.faces = new std::vector<std::unique_ptr<Face>>;
        state.names = new std::vector<NameEntry>;
        static bool registered = false;
        if (!registered) registered = std::atexit(release) == 0;
    }
    return state.ft != nullptr;
}

std::string lower(const char *s) {
    std::string r;
    for (; s && *s; s++) r += char(*s >= 'A' && *s <= 'Z' ? *s - 'A' + 'a' : *s);
    return r;
}

bool is_fixed_request(const Font &f) {
    return (f.pitch_family & 3) == FIXED_PITCH || (f.pitch_family & 0xf0) == FF_MODERN;
}

bool match_family(const char *family, const Font &f, bool exact, std::string *file, int *index) {
    if (!state.lookup_ready) return false;
    FontRequest req = {family, f.weight >= 600, f.italic != 0, is_fixed_request(f), exact};
    return font_lookup(req, file, index);
}

// The font file for a font: its face if installed, else the way Windows falls back (Arial, which
// is Liberation Sans here; Courier New, Liberation Mono for fixed pitch), else any match.
bool resolve_file(const Font &f, std::string *file, int *index) {
    bool fixed = is_fixed_request(f);
    std::string key =
        lower(f.face) + (f.weight >= 600 ? "|b" : "|r") + (f.italic ? "i" : "n") + (fixed ? "m" : "p");
    for (const NameEntry &e : *state.names)
        if (e.key == key) {
            *file = e.file;
            *index = e.index;
            return !file->empty();
        }
    const char *chain_sans[] = {"Arial", "Liberation Sans", "DejaVu Sans"};
    const char *chain_mono[] = {"Courier New", "Liberation Mono", "DejaVu Sans Mono"};
    const char *const *chain = fixed ? chain_mono : chain_sans;
    bool found = f.face[0] && match_family(f.face, f, true, file, index);
    for (int i = 0; i < 3 && !found; i++) found = match_family(chain[i], f, true, file, index);
    if (!found) found = match_family(fixed ? "monospace" : "sans-serif", f, false, file, index);
    if (!found) file->clear();
    if (state.names->size() >= MAX_NAMES) state.names->clear();
    state.names->push_back({key, *file, *index});
    return found;
}

long round_div(long long num, long long den) {  // den > 0
    return long(num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den));
}

// Ascent and descent in font units: the OS/2 usWinAscent/usWinDescent, else the face's own.
void vertical_units(FT_Face ft, long long *asc, long long *desc) {
    TT_OS2 *os2 = static_cast<TT_OS2 *>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
    bool win = os2 && os2->usWinAscent + os2->usWinDescent > 0;
    *asc = win ? os2->usWinAscent : ft->ascender;
    *desc = win ? os2->usWinDescent : -ft->descender;
    if (*asc + *desc <= 0) *asc = ft->units_per_EM > 0 ? ft->units_per_EM : 2048, *desc = 0;
}

// Fills the face's text metrics the way Windows derives them from a TrueType font: ascent and
// descent are usWinAscent and usWinDescent scaled to the em height and rounded.
void compute_metrics(Face &fc) {
    FT_Face ft = fc.ft;
    TT_OS2 *os2 = static_cast<TT_OS2 *>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
    TT_HoriHeader *hh = static_cast<TT_HoriHeader *>(FT_Get_Sfnt_Table(ft, FT_SFNT_HHEA));
    long long upem = ft->units_per_EM > 0 ? ft->units_per_EM : 2048;
    long long wa, wd;
    vertical_units(ft, &wa, &wd);
    long long sy = fc.em26, sx = fc.emx26;
    TEXTMETRICA &tm = fc.tm;
    tm.tmAscent = round_div(wa * sy, upem * 64);
    tm.tmDescent = fc.cell > 0 ? std::max(0L, long(fc.cell - tm.tmAscent)) : round_div(wd * sy, upem * 64);
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    long il =
        fc.cell > 0 ? long(tm.tmHeight - round_div(sy, 64)) : round_div((wa + wd - upem) * sy, upem * 64);
    tm.tmInternalLeading = std::max(0L, il);
    long long gap = hh ? hh->Line_Gap - ((wa + wd) - (hh->Ascender - hh->Descender)) : 0;
    tm.tmExternalLeading = std::max(0L, round_div(gap * sy, upem * 64));
    long avg = os2 && os2->xAvgCharWidth > 0 ? round_div(os2->xAvgCharWidth * sx, upem * 64) : 0;
    tm.tmAveCharWidth = fc.width_asked > 0 ? fc.width_asked
                        : avg > 0          ? avg
                                           : std::max(1L, round_div(sx, 128));
    tm.tmMaxCharWidth = hh ? round_div(hh->advance_Width_Max * sx, upem * 64) : 2 * tm.tmAveCharWidth;
    tm.tmWeight = (ft->style_flags & FT_STYLE_FLAG_BOLD) ? FW_BOLD : FW_NORMAL;
    tm.tmOverhang = 0;
    tm.tmDigitizedAspectX = 96;
    tm.tmDigitizedAspectY = 96;
    tm.tmFirstChar = 30;
    tm.tmLastChar = 255;
    tm.tmDefaultChar = 31;
    tm.tmBreakChar = 32;
    tm.tmItalic = (ft->style_flags & FT_STYLE_FLAG_ITALIC) ? 1 : 0;
    tm.tmUnderlined = 0;
    tm.tmStruckOut = 0;
    bool fixed = FT_IS_FIXED_WIDTH(ft);
    // Windows' quirk: TMPF_FIXED_PITCH set means a variable-pitch font.
    tm.tmPitchAndFamily =
        BYTE((fixed ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE | (fixed ? FF_MODERN : FF_SWISS));
    tm.tmCharSet = ANSI_CHARSET;
}

// Adds an opened face to the cache, closing the least recently used one when it is full.
Face *keep_face(std::unique_ptr<Face> fc) {
    fc->last_use = ++state.clock;
    if (state.faces->size() >= MAX_FACES) {
        auto oldest = std::min_element(state.faces->begin(), state.faces->end(),
                                       [](const std::unique_ptr<Face> &a, const std::unique_ptr<Face> &b) {
                                           return a->last_use < b->last_use;
                                       });
        state.faces->erase(oldest);
    }
    state.faces->push_back(std::move(fc));
    return state.faces->back().get();
}

// A bitmap font: the strike whose height is nearest the request, and the metrics its header
// gives. Its glyphs are drawn as they are, bilevel.
bool open_strike(Face &fc) {
    FT_Face ft = fc.ft;
    if (ft->num_fixed_sizes <= 0) return false;
    long want = fc.cell > 0 ? fc.cell : std::max(1L, fc.em_asked / 64);
    int best = 0;
    for (int i = 1; i < ft->num_fixed_sizes; i++)
        if (std::abs(ft->available_sizes[i].height - want) <
            std::abs(ft->available_sizes[best].height - want))
            best = i;
    if (FT_Select_Size(ft, best) != 0) return false;
    if (!ft->charmap && ft->num_charmaps > 0) FT_Set_Charmap(ft, ft->charmaps[0]);  // the code page's own map
    const FT_Bitmap_Size &size = ft->available_sizes[best];
    fc.em26 = size.y_ppem > 0 ? size.y_ppem : 64L * size.height;
    fc.emx26 = size.x_ppem > 0 ? size.x_ppem : fc.em26;
    fc.smooth = false;
    TEXTMETRICA &tm = fc.tm;
    FT_WinFNT_HeaderRec fnt;
    if (FT_Get_WinFNT_Header(ft, &fnt) == 0) {
        tm.tmHeight = fnt.pixel_height;
        tm.tmAscent = fnt.ascent;
        tm.tmInternalLeading = fnt.internal_leading;
        tm.tmExternalLeading = fnt.external_leading;
        tm.tmAveCharWidth = fnt.avg_width;
        tm.tmMaxCharWidth = fnt.max_width;
        tm.tmFirstChar = char(fnt.first_char);
        tm.tmLastChar = char(fnt.last_char);
        tm.tmDefaultChar = char(fnt.first_char + fnt.default_char);
        tm.tmBreakChar = char(fnt.first_char + fnt.break_char);
        tm.tmCharSet = fnt.charset;
    } else {
        tm.tmHeight = size.height;
        tm.tmAscent = long((ft->size->metrics.ascender + 63) >> 6);
        tm.tmAveCharWidth = tm.tmMaxCharWidth = size.width;
        tm.tmLastChar = char(255);
        tm.tmBreakChar = 32;
    }
    tm.tmDescent = tm.tmHeight - tm.tmAscent;
    tm.tmWeight = (ft->style_flags & FT_STYLE_FLAG_BOLD) ? FW_BOLD : FW_NORMAL;
    tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = 96;
    tm.tmItalic = (ft->style_flags & FT_STYLE_FLAG_ITALIC) ? 1 : 0;
    bool fixed = FT_IS_FIXED_WIDTH(ft);
    // Windows' quirk: TMPF_FIXED_PITCH set means a variable-pitch font; a raster font has no
    // TMPF_VECTOR or TMPF_TRUETYPE.
    tm.tmPitchAndFamily = BYTE((fixed ? 0 : TMPF_FIXED_PITCH) | (fixed ? FF_MODERN : FF_SWISS));
    return true;
}

// Opens the file at the asked size: an em height (em_asked, 1/64 px) or a cell height (cell,
// px), and an average character width (width, px; 0 keeps the face's proportions).
Face *open_face(const std::string &file, int index, long cell, long em_asked, long width) {
    std::unique_ptr<Face> fc(new (std::nothrow) Face);
    if (!fc) return nullptr;
    fc->file = file;
    fc->index = index;
    fc->cell = cell;
    fc->em_asked = em_asked;
    fc->width_asked = width;
    if (FT_New_Face(state.ft, file.c_str(), index, &fc->ft) != 0) {
        fc->ft = nullptr;
        return nullptr;
    }
    if (!FT_IS_SCALABLE(fc->ft)) {
        if (!open_strike(*fc)) return nullptr;
        return keep_face(std::move(fc));
    }
    long long upem = fc->ft->units_per_EM > 0 ? fc->ft->units_per_EM : 2048;
    long long wa, wd;
    vertical_units(fc->ft, &wa, &wd);
    // A cell height is usWinAscent + usWinDescent; the em is that part of it.
    fc->em26 = cell > 0 ? std::max(64L, round_div(cell * 64LL * upem, wa + wd)) : em_asked;
    TT_OS2 *os2 = static_cast<TT_OS2 *>(FT_Get_Sfnt_Table(fc->ft, FT_SFNT_OS2));
    long long avg_units = os2 && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : upem / 2;
    fc->emx26 = width > 0
                    ? std::max(64L, std::min(round_div(width * 64LL * upem, avg_units), 64L * MAX_PIXEL_SIZE))
                    : fc->em26;
    if (FT_Set_Char_Size(fc->ft, fc->emx26, fc->em26, 72, 72) != 0) return nullptr;
    compute_metrics(*fc);
    int ppem = int((fc->em26 + 32) / 64);
    int gasp = FT_Get_Gasp(fc->ft, FT_UInt(ppem));
    fc->smooth = gasp == FT_GASP_NO_TABLE ? ppem >= 16 : (gasp & FT_GASP_DO_GRAY) != 0;
    return keep_face(std::move(fc));
}

// The face for font f at its size, from the cache or opened; null when no font can be found.
// Sizes: height < 0 an em (character) height, > 0 a cell height, 0 the default; all clamped.
Face *face_for(const Font &f) {
    if (!init()) return nullptr;
    std::string file;
    int index = 0;
    if (!resolve_file(f, &file, &index)) return nullptr;
    long cell = 0, em26 = 0;
    if (f.height < 0)
        em26 = 64L * std::min<long>(-long(f.height), MAX_PIXEL_SIZE);
    else if (f.height == 0)
        em26 = 64L * DEFAULT_EM;
    else
        cell = std::min<long>(f.height, MAX_PIXEL_SIZE);
    long width = f.width > 0 ? std::min<long>(f.width, MAX_PIXEL_SIZE) : 0;
    for (auto &fc : *state.faces)
        if (fc->index == index && fc->cell == cell && fc->em_asked == em26 && fc->width_asked == width &&
            fc->file == file) {
            fc->last_use = ++state.clock;
            return fc.get();
        }
    return open_face(file, index, cell, em26, width);
}

// The face's glyph for Windows-1252 byte c. A bitmap font is indexed by the byte itself: its map
// is its own code page, Windows-1252 for the fixed Courier.
FT_UInt glyph_index(Face &fc, unsigned char c) {
    return FT_Get_Char_Index(fc.ft, FT_IS_SCALABLE(fc.ft) ? cp1252_to_unicode(c) : c);
}

// Copies a FreeType bitmap (bilevel or 8-bit coverage) into g as glyph levels.
void take_bitmap(const FT_Bitmap &bm, Glyph *g) {
    g->w = int(bm.width);
    g->h = int(bm.rows);
    g->cov.assign(size_t(g->w) * size_t(g->h), 0);
    for (int y = 0; y < g->h; y++) {
        const unsigned char *row = bm.buffer + (bm.pitch >= 0 ? y * bm.pitch : (g->h - 1 - y) * -bm.pitch);
        uint8_t *out = g->cov.data() + size_t(y) * size_t(g->w);
        for (int x = 0; x < g->w; x++)
            out[x] = bm.pixel_mode == FT_PIXEL_MODE_MONO ? (((row[x >> 3] >> (7 - (x & 7))) & 1) ? 16 : 0)
                                                         : glyph_level(row[x]);
    }
}

// Scan-converts the loaded outline bilevel into a bitmap exactly as large as its box in whole
// pixels, the outline moved so that the box's bottom-left corner is the bitmap's. The reference's
// bilevel glyphs are made this way: where a stem lies between pixel centres, which pixel a row
// gets depends on that placement, and rendering through the glyph slot places it differently.
bool render_bilevel(FT_GlyphSlot slot, Glyph *g) {
    FT_Outline &o = slot->outline;
    FT_BBox box;
    FT_Outline_Get_CBox(&o, &box);
    FT_Pos left = box.xMin & -64, bottom = box.yMin & -64, right = (box.xMax + 63) & -64,
           top = (box.yMax + 63) & -64;
    long w = long((right - left) >> 6), h = long((top - bottom) >> 6);
    if (w <= 0 || h <= 0) return true;  // a space: nothing to draw
    if (w > 4 * MAX_PIXEL_SIZE || h > 4 * MAX_PIXEL_SIZE) return false;
    int pitch = int((w + 31) / 32 * 4);
    std::vector<unsigned char> bits(size_t(pitch) * size_t(h), 0);
    FT_Bitmap bm = {};
    bm.width = unsigned(w);
    bm.rows = unsigned(h);
    bm.pitch = pitch;
    bm.pixel_mode = FT_PIXEL_MODE_MONO;
    bm.num_grays = 2;
    bm.buffer = bits.data();
    FT_Outline_Translate(&o, -left, -bottom);
    if (FT_Outline_Get_Bitmap(state.ft, &o, &bm) != 0) return false;
    take_bitmap(bm, g);
    g->left = int(left >> 6);
    g->top = int(top >> 6);
    return true;
}

// Loads byte c's glyph hinted for the mode; with g, renders its levels into it.
// Returns the hinted advance (the width drawing moves by), 0 when the glyph cannot be loaded.
int load_glyph(Face &fc, unsigned char c, bool smooth, Glyph *g) {
    if (g) *g = Glyph();  // a glyph that cannot be loaded draws nothing
    FT_UInt gi = glyph_index(fc, c);
    if (FT_Load_Glyph(fc.ft, gi, smooth ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO) != 0) return 0;
    FT_GlyphSlot slot = fc.ft->glyph;
    int adv = int((slot->advance.x + 32) >> 6);
    fc.draw_adv[smooth][c] = adv;
    if (!g) return adv;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE && !smooth) {
        if (!render_bilevel(slot, g)) *g = Glyph();
        return adv;
    }
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return adv;
    take_bitmap(slot->bitmap, g);
    g->left = slot->bitmap_left;
    g->top = slot->bitmap_top;
    return adv;
}

// The glyph of byte c: from the cache when it was rendered in this mode, else rendered into
// scratch (and kept when the face's budget allows).
const Glyph &glyph_of(Face &fc, unsigned char c, bool smooth, Glyph &scratch) {
    Glyph &g = fc.glyphs[c];
    bool cacheable = smooth == fc.smooth;
    if (cacheable && g.kept) return g;
    load_glyph(fc, c, smooth, &scratch);
    if (cacheable && fc.cached_bytes + scratch.cov.size() <= GLYPH_BUDGET) {
        fc.cached_bytes += scratch.cov.size();
        g = std::move(scratch);
        g.kept = true;
        return g;
    }
    return scratch;
}

// How far drawing byte c moves the pen: the advance of the glyph hinted as it is drawn.
int draw_advance(Face &fc, unsigned char c, bool smooth) {
    int a = fc.draw_adv[smooth][c];
    return a >= 0 ? a : load_glyph(fc, c, smooth, nullptr);
}

// The width text extents count for byte c: the font's width scaled to 1/64 pixel, rounded
// there and then to a whole pixel, per glyph.
int extent_advance(Face &fc, unsigned char c) {
    if (fc.extent_adv[c] >= 0) return fc.extent_adv[c];
    if (!FT_IS_SCALABLE(fc.ft))
        return fc.extent_adv[c] = draw_advance(fc, c, false);  // a bitmap's own widths
    FT_Fixed units = 0;
    FT_UInt gi = glyph_index(fc, c);
    if (FT_Get_Advance(fc.ft, gi, FT_LOAD_NO_SCALE, &units) != 0) units = 0;
    FT_Pos adv26 = FT_MulFix(units, fc.ft->size->metrics.x_scale);
    fc.extent_adv[c] = int((adv26 + 32) >> 6);
    return fc.extent_adv[c];
}

// Metrics for a DC whose font cannot be found: plausible numbers so callers can lay out.
TEXTMETRICA fallback_metrics(const Font &f) {
    TEXTMETRICA tm = {};
    long h = f.height < 0 ? std::min<long>(-long(f.height), MAX_PIXEL_SIZE) : f.height == 0 ? DEFAULT_EM : 0;
    long cell = f.height > 0 ? std::min<long>(f.height, MAX_PIXEL_SIZE) : h + h / 6 + 1;
    tm.tmHeight = cell;
    tm.tmAscent = cell * 4 / 5;
    tm.tmDescent = cell - tm.tmAscent;
    tm.tmAveCharWidth = std::max(1L, cell / 2);
    tm.tmMaxCharWidth = cell;
    tm.tmWeight = f.weight ? f.weight : FW_NORMAL;
    tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = 96;
    tm.tmLastChar = 255;
    tm.tmBreakChar = 32;
    return tm;
}

bool smooth_for(const Face &fc, const Font &f) {
    if (f.quality == NONANTIALIASED_QUALITY) return false;
    if (f.quality == ANTIALIASED_QUALITY) return true;
    return fc.smooth;
}

// Sum of the advances of the first n bytes, saturated to the LONG range.
LONG extent_of(Face *fc, const char *s, int n) {
    int64_t x = 0;
    for (int i = 0; i < n && x < INT32_MAX; i++) x += extent_advance(*fc, static_cast<unsigned char>(s[i]));
    return LONG(std::min<int64_t>(x, INT32_MAX));
}

BOOL text_extent(HDC hdc, LPCSTR s, int c, LPSIZE sz) {
    Dc *dc = dc_lookup(hdc);
    if (!dc || !sz || c < 0 || (c > 0 && !s)) return FALSE;
    Face *fc = face_for(*dc->font);
    if (!fc) {
        TEXTMETRICA tm = fallback_metrics(*dc->font);
        sz->cx = LONG(std::min<int64_t>(int64_t(c) * tm.tmAveCharWidth, INT32_MAX));
        sz->cy = tm.tmHeight;
        return TRUE;
    }
    sz->cx = extent_of(fc, s, c);
    sz->cy = fc->tm.tmHeight;
    return TRUE;
}

}  // namespace
}  // namespace plat

using namespace plat;

// A font description; the face is chosen when the font is first used.
HFONT WINAPI CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight,
                         DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet,
                         DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily,
                         LPCSTR pszFaceName) {
    (void)cEscapement, (void)cOrientation, (void)bUnderline, (void)bStrikeOut;
    (void)iCharSet, (void)iOutPrecision, (void)iClipPrecision;
    Font *f = new (std::nothrow) Font;
    if (!f) return nullptr;
    f->kind = OBJ_FONT;
    f->height = cHeight;
    f->width = cWidth > 0 ? cWidth : 0;
    f->weight = cWeight;
    f->italic = bItalic ? 1 : 0;
    f->quality = int(iQuality);
    f->pitch_family = int(iPitchAndFamily & 0xff);
    if (pszFaceName) std::strncpy(f->face, pszFaceName, sizeof f->face - 1);
    obj_register(static_cast<GdiObj *>(f), OBJ_FONT);
    return static_cast<HFONT>(static_cast<HGDIOBJ>(static_cast<GdiObj *>(f)));
}

BOOL WINAPI GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm) {
    Dc *dc = dc_lookup(hdc);
    if (!dc || !lptm) return FALSE;
    Face *fc = face_for(*dc->font);
    *lptm = fc ? fc->tm : fallback_metrics(*dc->font);
    return TRUE;
}

BOOL WINAPI GetTextExtentPointA(HDC hdc, LPCSTR lpString, int c, LPSIZE lpsz) {
    return text_extent(hdc, lpString, c, lpsz);
}

BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE lpsz) {
    return text_extent(hdc, lpString, c, lpsz);
}

// Draws c Windows-1252 bytes with the top-left of the character cell at (x, y); in OPAQUE mode
// the cells are first painted with the background colour. Only glyphs that can reach the
// surface are rendered: the walk stops once the pen passes the right edge.
BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c) {
    Dc *dc = dc_lookup(hdc);
    if (!dc || c < 0 || (c > 0 && !lpString)) return FALSE;
    Face *fc = face_for(*dc->font);
    Surface s = dc_surface(dc);
    if (!fc || !s.px || c == 0) return TRUE;
    const TEXTMETRICA &tm = fc->tm;
    int64_t top = y, base = int64_t(y) + tm.tmAscent;
    if (top >= s.h || top + tm.tmHeight <= 0) return TRUE;
    bool smooth = smooth_for(*fc, *dc->font);
    // Glyphs may reach a little beyond their cells; allow an em and a bit on either side.
    int64_t margin = std::max(fc->em26, fc->emx26) / 64 + 2;
    // The bytes whose cells start before the right edge (plus margin), and where they end.
    int64_t end = x;
    int n = 0;
    while (n < c && end < s.w + margin)
        end += draw_advance(*fc, static_cast<unsigned char>(lpString[n++]), smooth);
    if (dc->bk_mode == OPAQUE) {
        uint32_t bk = rgb_from_colorref(dc->bk_colour);
        for (int64_t row = std::max<int64_t>(top, 0); row < std::min<int64_t>(top + tm.tmHeight, s.h); row++)
            raster_fill(s, x, end - 1, row, bk);
    }
    uint32_t ink = rgb_from_colorref(dc->text_colour);
    int64_t pen = x;
    Glyph scratch;
    for (int i = 0; i < n; i++) {
        unsigned char ch = static_cast<unsigned char>(lpString[i]);
        int adv = draw_advance(*fc, ch, smooth);
        if (pen + adv + margin >= 0) {
            const Glyph &g = glyph_of(*fc, ch, smooth, scratch);
            int64_t gx = pen + g.left, gy = base - g.top;
            // Glyphs are cut at the character cell's top and bottom rows, as the reference
            // cuts the accents of small sizes.
            int64_t r0 = std::max<int64_t>(0, top - gy), r1 = std::min<int64_t>(g.h, top + tm.tmHeight - gy);
            if (r0 < r1)
                raster_mask(s, gx, gy + r0, g.cov.data() + size_t(r0) * size_t(g.w), g.w, int(r1 - r0), ink);
        }
        pen += adv;
    }
    dc_changed(dc);
    return TRUE;
}
