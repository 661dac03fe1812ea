#!/usr/bin/env bash
# Sets up, builds and starts the game. The game reads its picture and cues from
# its current directory, so it runs inside assets/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh" play
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" --target ropi -j"$(nproc)"
cd "$root/assets"
exec "$root/build/ropi"
