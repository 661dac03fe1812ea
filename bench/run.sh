#!/usr/bin/env bash
# Builds and runs the benchmark: about six minutes, most of it two real
# rounds. Prints the figures as a Markdown table; build-bench/bench.json keeps them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
"$root/tools/setup.sh" test
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target ropi ropi_bench
# Timer figures suffer from whatever else runs: the load is kept with them.
load=$(cut -d' ' -f1-3 /proc/loadavg)
echo "Load average before the run: $load"
QT_QPA_PLATFORM="offscreen:configfile=$root/tests/offscreen-1024x768.json" SDL_AUDIODRIVER=dummy \
    "$build/bench/ropi_bench" --json "$build/bench.json"
echo
python3 "$root/bench/startup.py" --game "$build/ropi" --assets "$root/assets" --json "$build/bench.json" \
    --load-before "$load" "$@"
