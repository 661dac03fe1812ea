#!/usr/bin/env bash
# Sets up, builds and runs every test: the format check, then ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh" test
"$root/tools/check-format.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$(nproc)"
cd "$root/build"
# As many tests at once as the machine has cores: more, and the real-time ones
# (a round of the game, its sound recorded) compete with each other for the processor.
ctest --output-on-failure --timeout 600 --parallel "$(nproc)"
