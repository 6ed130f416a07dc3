#!/usr/bin/env bash
# Builds every PLAKO program as a web page: FreeType for the web from Debian's source package, then
# the package, the cone decorator and the examples with Debian's emscripten. The pages (one .html
# file each), their scripts and an index land in the output folder (default build/web/site); open a
# page with a double click, or serve them all (a page's ?script= link needs a server):
#   cd build/web/site && python3 -m http.server      # then http://localhost:8000/
# Usage: scripts/build-web.sh [OUTPUT_FOLDER]
set -euo pipefail
out=${1:+$(realpath -m "$1")}  # a relative folder is taken from where the script was started
cd "$(dirname "$0")/.."
root=$PWD
out=${out:-$root/build/web/site}
web=$root/build/web
# The output folder is emptied before the pages go in: only one that is new, empty, or an earlier
# output of this script.
if [ -e "$out" ] && [ -n "$(ls -A "$out" 2>/dev/null)" ] && [ ! -f "$out/docs/index.html" ]; then
    echo "build-web.sh: $out is not empty and not an earlier output of build-web.sh: choose another folder" >&2
    exit 2
fi
scripts/deps.sh web
# Debian's emscripten runs its JavaScript optimiser with Node; acorn comes from Debian's node-acorn.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
start=$(date +%s)

# FreeType, built once from the same Debian source the desktop's library comes from. apt-get works
# on lists of its own under build/web/apt: the machine's own sources, as deb-src, and nothing else
# of the machine's apt set-up changes.
ft=$web/freetype
if [ ! -f "$ft/lib/libfreetype.a" ]; then
    apt=$web/apt
    rm -rf "$apt" "$web/freetype-src"
    mkdir -p "$apt/lists/partial" "$apt/parts" "$apt/cache/archives/partial" "$web/freetype-src"
    found=0
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] && grep -q '^URIs:.*/debian' "$f" || continue
        sed -n '/^Types:/!{p;d};/\bdeb\b/s/.*/Types: deb-src/p' "$f" > "$apt/parts/$(basename "$f")"
        found=1
    done
    if [ -f /etc/apt/sources.list ]; then
        sed -n 's|^deb \(.*/debian.*\)|deb-src \1|p' /etc/apt/sources.list > "$apt/parts/sources.list"
        [ -s "$apt/parts/sources.list" ] && found=1
    fi
    [ $found = 1 ] || { echo "build-web.sh: no apt sources on this machine to fetch FreeType from" >&2; exit 1; }
    opts=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt/parts"
          -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "Debug::NoLocking=1" -o "APT::Sandbox::User=root")
    apt-get "${opts[@]}" update -qq
    (cd "$web/freetype-src" && apt-get "${opts[@]}" source -qq freetype)
    src=$(find "$web/freetype-src" -mindepth 1 -maxdepth 1 -type d -name 'freetype-*' | head -n1)
    [ -n "$src" ] || { echo "build-web.sh: apt-get source freetype gave no source tree" >&2; exit 1; }
    emcmake cmake -S "$src" -B "$web/freetype-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$ft" -DFT_DISABLE_ZLIB=TRUE -DFT_DISABLE_BZIP2=TRUE -DFT_DISABLE_PNG=TRUE \
        -DFT_DISABLE_HARFBUZZ=TRUE -DFT_DISABLE_BROTLI=TRUE >/dev/null
    cmake --build "$web/freetype-build" -j2
    cmake --install "$web/freetype-build" >/dev/null
fi
echo "build-web.sh: FreeType ready after $(( $(date +%s) - start )) s"

# The programs: one .html each, which holds the program and its fonts (cmake/PlakoProgram.cmake).
emcmake cmake -S "$root" -B "$web/cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_FIND_ROOT_PATH="$ft" \
    -DBUILD_TESTING=OFF -DPLAKO_BENCH=OFF >/dev/null
cmake --build "$web/cmake" -j2

rm -rf "$out"
mkdir -p "$out/docs"
pages=()
while IFS= read -r html; do
    name=$(basename "$html" .html)
    dir=$(dirname "$html")
    cp "$dir/$name.html" "$out/"
    pages+=("$name")
done < <(find "$web/cmake" -name '*.html' -not -name '*.page.html' -not -path '*/CMakeFiles/*' | sort)
[ ${#pages[@]} -gt 0 ] || { echo "build-web.sh: no page was built" >&2; exit 1; }
cp docs/demo.scr "$out/demo.scr"
for scr in examples/*.scr examples/*/*.scr; do
    [ -f "$scr" ] && cp "$scr" "$out/"
done

# The index of the pages, and the picture it shows.
cp docs/web.html "$out/docs/index.html"
[ -f docs/web.png ] && cp docs/web.png "$out/web.png"
echo '<!DOCTYPE html><meta http-equiv="refresh" content="0; url=docs/index.html"><a href="docs/index.html">PLAKO pages</a>' \
    > "$out/index.html"
echo "build-web.sh: ${#pages[@]} pages in $out after $(( $(date +%s) - start )) s: ${pages[*]}"
echo "build-web.sh: open them with: cd $out && python3 -m http.server   (then http://localhost:8000/)"
