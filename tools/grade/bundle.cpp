// The bundle for Gradescope's autograder: a zip holding setup.sh, run_autograder, the assignment
// folder and PLAKO's source tarball, at its root.
#include <dirent.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>

#include "grade.h"

namespace grade {
namespace {

const char SETUP_SH[] =
    "#!/usr/bin/env bash\n"
    "# Gradescope runs this once when it builds the image: builds and installs PLAKO from the\n"
    "# source tarball of the bundle (Ubuntu 22.04; the build dependencies are scripts/deps.sh's).\n"
    "set -euo pipefail\n"
    "cd /autograder/source\n"
    "export DEBIAN_FRONTEND=noninteractive\n"
    "apt-get update -qq\n"
    "apt-get install -y -qq --no-install-recommends cmake ninja-build g++ pkg-config libfreetype-dev \\\n"
    "    libfontconfig-dev libsdl2-dev libpng-dev libgif-dev zlib1g-dev fonts-liberation2 fonts-dejavu-core "
    "fonts-wine "
    "bubblewrap\n"
    "rm -rf plako && mkdir plako && tar -xzf plako-source.tar.gz -C plako\n"
    "cmake -S plako -B plako/build -G Ninja -DCMAKE_BUILD_TYPE=Release -DPLAKO_PACKAGE_ONLY=ON\n"
    "cmake --build plako/build\n"
    "cmake --install plako/build --prefix /usr/local\n";

const char RUN_AUTOGRADER[] =
    "#!/usr/bin/env bash\n"
    "# Gradescope runs this for each submission: grades /autograder/submission with the bundle's\n"
    "# assignment into /autograder/results/results.json, and always leaves a results file.\n"
    "# PLAKO_AUTOGRADER_ROOT moves /autograder elsewhere (for a test of the bundle).\n"
    "ROOT=\"${PLAKO_AUTOGRADER_ROOT:-/autograder}\"\n"
    "RESULTS=\"$ROOT/results/results.json\"\n"
    "mkdir -p \"$ROOT/results\"\n"
    "fail() {\n"
    "    printf '{\"score\": 0, \"output\": \"%s\", \"tests\": []}\\n' \"$1\" >\"$RESULTS\"\n"
    "    exit 0\n"
    "}\n"
    "command -v plako-grade >/dev/null || fail \"The grader is not installed (setup.sh did not run).\"\n"
    "plako-grade check \"$ROOT/source/assignment\" \"$ROOT/submission\" --out \"$ROOT/report\" \\\n"
    "    --results \"$RESULTS\" --quiet\n"
    "[ -s \"$RESULTS\" ] || fail \"The grader wrote no results.\"\n"
    "exit 0\n";

struct Entry {
    std::string name, data;
    bool executable;
};

void put16(std::string &s, unsigned v) {
    s += (char)(v & 0xff);
    s += (char)((v >> 8) & 0xff);
}
void put32(std::string &s, unsigned long v) {
    put16(s, (unsigned)(v & 0xffff));
    put16(s, (unsigned)((v >> 16) & 0xffff));
}

// A zip of stored (uncompressed) entries: the tarball is compressed already.
std::string zip(const std::vector<Entry> &entries) {
    std::string out, central;
    for (const Entry &e : entries) {
        unsigned long crc = crc32(0L, reinterpret_cast<const Bytef *>(e.data.data()), (uInt)e.data.size());
        unsigned long offset = out.size();
        std::string head;
        put16(head, 20);    // version needed
        put16(head, 0);     // flags
        put16(head, 0);     // stored
        put16(head, 0);     // time
        put16(head, 0x21);  // date: 1980-01-01
        put32(head, crc);
        put32(head, e.data.size());
        put32(head, e.data.size());
        put16(head, (unsigned)e.name.size());
        put16(head, 0);
        out += "PK\x03\x04" + head + e.name + e.data;
        central += "PK\x01\x02";
        put16(central, 0x0314);  // made by: Unix, 2.0 (so the mode below counts)
        central += head;
        put16(central, 0);  // comment length
        put16(central, 0);  // disk
        put16(central, 0);  // internal attributes
        put32(central, (unsigned long)((e.executable ? 0100755 : 0100644)) << 16);
        put32(central, offset);
        central += e.name;
    }
    unsigned long central_at = out.size();
    out += central + "PK\x05\x06";
    put16(out, 0);
    put16(out, 0);
    put16(out, (unsigned)entries.size());
    put16(out, (unsigned)entries.size());
    put32(out, central.size());
    put32(out, central_at);
    put16(out, 0);
    return out;
}

// Adds the files of dir (recursively) under the name prefix.
std::string add_tree(const std::string &dir, const std::string &prefix, std::vector<Entry> *entries) {
    DIR *d = opendir(dir.c_str());
    if (d == nullptr) return "cannot read " + dir;
    std::vector<std::string> names;
    while (struct dirent *e = readdir(d))
        if (e->d_name[0] != '.') names.push_back(e->d_name);
    closedir(d);
    std::sort(names.begin(), names.end());
    for (const std::string &n : names) {
        std::string p = dir + "/" + n;
        struct stat st;
        if (stat(p.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            std::string why = add_tree(p, prefix + n + "/", entries);
            if (!why.empty()) return why;
        } else if (S_ISREG(st.st_mode)) {
            bool ok = false;
            std::string data = read_file(p, 64 << 20, &ok);
            if (!ok) return "cannot read " + p + " (or it is larger than 64 MB)";
            entries->push_back({prefix + n, data, (st.st_mode & 0111) != 0});
        }
    }
    return "";
}

}  // namespace

std::string write_bundle(const std::string &assignment_dir, const std::string &source_tarball,
                         const std::string &zip_path) {
    bool ok = false;
    std::string tarball = read_file(source_tarball, 256 << 20, &ok);
    if (!ok) return "cannot read PLAKO's source tarball " + source_tarball + " (give one with --source)";
    std::vector<Entry> entries = {{"setup.sh", SETUP_SH, true},
                                  {"run_autograder", RUN_AUTOGRADER, true},
                                  {"plako-source.tar.gz", tarball, false}};
    std::string why = add_tree(assignment_dir, "assignment/", &entries);
    if (!why.empty()) return why;
    if (entries.size() > 65535) return "too many files for a bundle";
    if (!write_file(zip_path, zip(entries))) return "cannot write " + zip_path;
    return "";
}

}  // namespace grade
