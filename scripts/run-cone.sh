#!/usr/bin/env bash
# Builds the cone decorator and runs it on this desktop (X11 or Wayland), installing what is missing.
# Without a desktop it runs it under a virtual X server only if asked: scripts/run-cone.sh --xvfb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake --preset default >/dev/null
cmake --build --preset default --target cone
if [ "${1:-}" = "--xvfb" ]; then
    scripts/deps.sh run
    exec xvfb-run -a -s "-screen 0 1280x1024x24" build/default/cone
fi
exec build/default/cone
