#!/usr/bin/env bash
# Builds and runs the benchmark: the Linux build (about nine and a half minutes,
# most of it six and a half minutes of the cat's rhythm and a real round), then
# the Windows build under Wine (about five more, in a Wine prefix of its own,
# build-bench/wine, made on the first run); fifteen minutes at most in all.
# Prints the figures of both as one Markdown table; build-bench/bench.json keeps
# them. bench/windows/wine_bench.py --smoke (see its --help) is a short run of
# the Windows part alone that judges nothing.
#   run.sh [--no-windows] [--runs N] [--round-seconds S]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
windows=1
args=()
for arg in "$@"; do
    if [[ "$arg" == --no-windows ]]; then windows=0; else args+=("$arg"); fi
done

"$root/tools/setup.sh" test
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target ropi ropi_bench
# Both builds come first: no figure is taken while anything builds.
if ((windows)); then
    "$root/tools/build-windows.sh"
fi

# Timer figures suffer from whatever else runs: the load is kept with them.
load=$(cut -d' ' -f1-3 /proc/loadavg)
echo "Load average before the run: $load"
SECONDS=0
QT_QPA_PLATFORM="offscreen:configfile=$root/tests/qt/offscreen-1024x768.json" SDL_AUDIODRIVER=dummy \
    "$build/bench/ropi_bench" --json "$build/bench.json"
echo
table=()
((windows)) && table=(--no-table)
python3 "$root/bench/startup.py" --game "$build/ropi" --assets "$root/assets" --json "$build/bench.json" \
    --load-before "$load" "${table[@]}" "${args[@]}"
((windows)) || exit 0
linux=$SECONDS

load=$(cut -d' ' -f1-3 /proc/loadavg)
echo
echo "Linux part: $linux s. Load average before the Windows part: $load"
SECONDS=0
if ! python3 "$root/bench/windows/wine_bench.py" \
    --bench "$root/build-windows/bench/windows/ropi_bench.exe" --game "$root/build-windows/ropi.exe" \
    --assets "$root/assets" --json "$build/bench.json" --prefix "$build/wine" --load-before "$load" \
    "${args[@]}"; then
    echo "The Windows part failed; the figures taken:" >&2
    python3 -c 'import sys; sys.path.insert(0, sys.argv[1]); import startup; startup.print_table(sys.argv[2])' \
        "$root/bench" "$build/bench.json"
    exit 1
fi
echo "Windows part: $SECONDS s; the whole run: $((linux + SECONDS)) s."
