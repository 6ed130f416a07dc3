// The text sweep's tool: writes the sweep as command files for the reference GDI, and packs the
// sheets that the reference drew into the expected file the test reads. regenerate.sh runs both.
//   text_sweep_tool commands DIR     DIR/sheet-NNN.txt, each saving DIR/sheet-NNN.ppm
//   text_sweep_tool pack DIR FILE    the cases' changes, from DIR/sheet-NNN.ppm, into FILE
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "../text_sweep.h"

using namespace text_sweep;

namespace {

std::string sheet_path(const std::string &dir, int sheet, const char *ext) {
    char name[32];
    std::snprintf(name, sizeof name, "/sheet-%03d.%s", sheet, ext);
    return dir + name;
}

int write_commands(const std::string &dir) {
    std::vector<Case> all = cases();
    int sheets = all.back().sheet + 1;
    for (int s = 0; s < sheets; s++) {
        std::ofstream f(sheet_path(dir, s, "txt"));
        f << "clear ffffff\n";
        for (const Case &c : all)
            if (c.sheet == s) f << commands(c);
        f << "save " << sheet_path(dir, s, "ppm") << "\n";
        if (!f) {
            std::cerr << "cannot write " << sheet_path(dir, s, "txt") << "\n";
            return 1;
        }
    }
    std::cout << all.size() << " cases on " << sheets << " sheets\n";
    return 0;
}

// A 601x540 binary PPM as 0xRRGGBB pixels; empty when the file is not one.
std::vector<uint32_t> read_ppm(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, max = 0;
    f >> magic >> w >> h >> max;
    f.get();
    if (!f || magic != "P6" || w != SHEET_W || h != SHEET_H || max != 255) return {};
    std::vector<unsigned char> raw(size_t(w) * size_t(h) * 3);
    if (!f.read(reinterpret_cast<char *>(raw.data()), std::streamsize(raw.size()))) return {};
    std::vector<uint32_t> px(size_t(w) * size_t(h));
    for (size_t i = 0; i < px.size(); i++)
        px[i] = uint32_t(raw[3 * i]) << 16 | uint32_t(raw[3 * i + 1]) << 8 | raw[3 * i + 2];
    return px;
}

int pack(const std::string &dir, const std::string &out) {
    std::vector<Case> all = cases();
    std::string blob;
    put_varint(blob, uint32_t(all.size()));
    std::vector<uint32_t> sheet;
    int loaded = -1;
    size_t changed = 0;
    for (const Case &c : all) {
        if (c.sheet != loaded) {
            sheet = read_ppm(sheet_path(dir, c.sheet, "ppm"));
            loaded = c.sheet;
            if (sheet.empty()) {
                std::cerr << "cannot read " << sheet_path(dir, c.sheet, "ppm") << "\n";
                return 1;
            }
        }
        std::vector<uint32_t> after;
        for (int y = c.cell.top; y < c.cell.bottom; y++)
            for (int x = c.cell.left; x < c.cell.right; x++)
                after.push_back(sheet[size_t(y) * SHEET_W + size_t(x)]);
        Changes ch = diff(background(c), after);
        for (const auto &run : ch.paint) changed += run.size();
        put_case(blob, c, ch);
    }
    uLongf size = compressBound(uLong(blob.size()));
    std::string z(size, '\0');
    if (compress2(reinterpret_cast<Bytef *>(&z[0]), &size, reinterpret_cast<const Bytef *>(blob.data()),
                  uLong(blob.size()), 9) != Z_OK) {
        std::cerr << "compression failed\n";
        return 1;
    }
    z.resize(size);
    std::ofstream f(out, std::ios::binary);
    f << "PLAKO-TEXT-SWEEP 2 " << blob.size() << "\n" << z;
    if (!f) {
        std::cerr << "cannot write " << out << "\n";
        return 1;
    }
    std::cout << all.size() << " cases, " << changed << " painted pixels, " << z.size() << " bytes\n";
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "commands" && argc == 3) return write_commands(argv[2]);
    if (mode == "pack" && argc == 4) return pack(argv[2], argv[3]);
    std::cerr << "usage: text_sweep_tool commands DIR | text_sweep_tool pack DIR FILE\n";
    return 2;
}
