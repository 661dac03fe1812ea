#!/usr/bin/env bash
# Builds the browser game with Debian's emscripten into build-web/site/: the page
# (index.html, ropi.css), the program (ropi.js, ropi.wasm), the picture, the cues
# and the icon, a folder any web server can serve. Installs what is missing
# first; builds the tests that run under node too (ctest in build-web runs them).
# Fails when ropi.js and ropi.wasm together are over 400 KB.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-web"
"$root/tools/setup.sh" web
# Debian's emscripten finds its own JavaScript modules (acorn and the like) there only when the
# node on the path is not Debian's.
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"
emcmake cmake -S "$root" -B "$build" -DROPI_PLATFORM=web -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build "$build" -j2

js=$(stat -c %s "$build/site/ropi.js")
wasm=$(stat -c %s "$build/site/ropi.wasm")
total=$((js + wasm))
limit=$((400 * 1000))
echo "ropi.js: $js bytes, ropi.wasm: $wasm bytes, together $((total / 1000)) KB (at most $((limit / 1000)) KB)"
((total <= limit)) || { echo "ropi.js and ropi.wasm are over $((limit / 1000)) KB together" >&2; exit 1; }
echo "The site: $build/site"
