#!/usr/bin/env bash
# Builds the web pages and tests them in Debian's chromium, headless, against the Linux runners'
# frames: installs what it needs (scripts/deps.sh web webtest), builds the default preset's
# runners, the pages (scripts/build-web.sh), and the test tools from tests/web/package-lock.json,
# then runs tests/web/*.test.js with Node's test runner. Measured figures go to
# build/web/figures.txt, the screenshot of the cone decorator's page to build/web/web.png.
# Usage: scripts/test-web.sh [--screenshot]   (--screenshot also copies it to docs/web.png)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
shot=0
for arg in "$@"; do
    case $arg in
        --screenshot) shot=1 ;;
        *) echo "test-web.sh: unknown argument '$arg'" >&2; exit 2 ;;
    esac
done
scripts/deps.sh build web webtest
command -v node >/dev/null && command -v npm >/dev/null || scripts/deps.sh webnode

# The Linux runners the pages are compared with.
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target cone-replay hello-replay bounce-replay paint-replay \
    typewriter-replay snake-replay

scripts/build-web.sh

# The test tools, exactly as locked; no browser is downloaded: the tests drive /usr/bin/chromium.
(cd tests/web && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)

rm -f build/web/figures.txt build/web/web.png
opts=()
node --help | grep -q -- --test-concurrency && opts+=(--test-concurrency=1)  # one browser at a time
status=0
node --test "${opts[@]}" tests/web/keys.test.js tests/web/cone.test.js tests/web/scripts.test.js \
    tests/web/examples.test.js tests/web/file.test.js tests/web/canvas.test.js || status=$?
echo "test-web.sh: figures (build/web/figures.txt):"
sed 's/^/  /' build/web/figures.txt 2>/dev/null || true
if [ $shot = 1 ] && [ -f build/web/web.png ]; then
    cp build/web/web.png docs/web.png
    echo "test-web.sh: docs/web.png updated"
fi
exit $status
