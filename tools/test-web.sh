#!/usr/bin/env bash
# Builds the browser game and tests it: the shared pieces and the browser
# backend's own built for the browser's engine and run under node, the page in
# headless Chromium, every end-to-end scenario against the page in Chromium
# under Xvfb with its sound recorded from a private PulseAudio server, and the
# first steps in Firefox.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/build-web.sh"
cd "$root/build-web"
ctest --output-on-failure --timeout 600 --parallel "$(nproc)"
