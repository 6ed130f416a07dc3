#!/usr/bin/env bash
# Installs, with apt-get, whichever of the given Debian packages are missing (through sudo when not root).
# Usage: scripts/deps.sh [build|run|test|windows|wine|fuzz|clang|format|web|webtest|webnode]...
set -euo pipefail

build=(cmake ninja-build g++ pkg-config libfreetype-dev libfontconfig-dev libsdl2-dev libpng-dev
       libgif-dev libgtest-dev libbenchmark-dev fonts-liberation2 fonts-dejavu-core fonts-wine)
run=(xvfb)
test=(xvfb xdotool x11-utils x11-apps imagemagick python3 bubblewrap)
windows=(cmake ninja-build g++-mingw-w64-x86-64)
wine=(wine wine64 fonts-wine xvfb python3)
fuzz=(clang libclang-rt-14-dev)
clang=(clang lld)
format=(clang-format git)
web=(cmake ninja-build emscripten node-acorn dpkg-dev xz-utils fonts-liberation2 fonts-wine)
webtest=(chromium)
webnode=(nodejs npm)  # only where the machine has no Node.js and npm of its own (scripts/test-web.sh)

want=()
for set in "${@:-build}"; do
    case "$set" in
        build) want+=("${build[@]}") ;;
        run) want+=("${run[@]}") ;;
        test) want+=("${test[@]}") ;;
        windows) want+=("${windows[@]}") ;;
        wine) want+=("${wine[@]}") ;;
        fuzz) want+=("${fuzz[@]}") ;;
        clang) want+=("${clang[@]}") ;;
        format) want+=("${format[@]}") ;;
        web) want+=("${web[@]}") ;;
        webtest) want+=("${webtest[@]}") ;;
        webnode) want+=("${webnode[@]}") ;;
        *) echo "deps.sh: unknown set '$set'" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${want[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
