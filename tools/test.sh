#!/usr/bin/env bash
# Sets up, builds and runs every test: the format check, then ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh" test
"$root/tools/check-format.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$(nproc)"
cd "$root/build"
# The end-to-end tests mostly wait on their own X servers, so four run at once.
ctest --output-on-failure --timeout 600 --parallel 4
