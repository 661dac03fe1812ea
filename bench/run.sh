#!/usr/bin/env bash
# Builds and runs the benchmark: the Linux build (about nine and a half minutes,
# most of it six and a half minutes of the cat's rhythm and a real round), the
# Windows build under Wine (about five more, in a Wine prefix of its own,
# build-bench/wine, made on the first run), then the browser build in Chromium
# (about six more: its site on the same machine, then 300 ms away). Prints the
# figures of all three as one Markdown table; build-bench/bench.json keeps them.
# bench/qt/linux_bench.py --smoke, bench/windows/wine_bench.py --smoke and
# bench/web/web_bench.py --smoke (see their --help) are short runs of one part
# alone that judge nothing.
#   run.sh [--no-windows] [--no-browser] [--runs N] [--round-seconds S]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
windows=1
browser=1
args=()
for arg in "$@"; do
    case "$arg" in
    --no-windows) windows=0 ;;
    --no-browser) browser=0 ;;
    *) args+=("$arg") ;;
    esac
done

"$root/tools/setup.sh" test
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target ropi ropi_bench
# Every build comes first: no figure is taken while anything builds.
((windows)) && "$root/tools/build-windows.sh"
((browser)) && "$root/tools/build-web.sh"

table() {
    python3 -c 'import sys; sys.path.insert(0, sys.argv[1]); import figures; figures.print_table(sys.argv[2])' \
        "$root/bench" "$build/bench.json"
}
failed() {
    echo "The $1 part failed; the figures taken:" >&2
    [[ -f "$build/bench.json" ]] && table
    exit 1
}

# Each part after the load average before it, which timer figures suffer from: part NAME COMMAND...
parts=""
part() {
    local name=$1
    shift
    load=$(cut -d' ' -f1-3 /proc/loadavg)
    echo
    echo "Load average before the $name part: $load"
    SECONDS=0
    "$@" --load-before "$load" || failed "$name"
    parts="${parts:+$parts, }$name $SECONDS s"
}
rm -f "$build/bench.json"
part Linux python3 "$root/bench/qt/linux_bench.py" --bench "$build/bench/qt/ropi_bench" \
    --game "$build/ropi" --assets "$root/assets" --json "$build/bench.json" "${args[@]}"
((windows)) && part Windows python3 "$root/bench/windows/wine_bench.py" \
    --bench "$root/build-windows/bench/windows/ropi_bench.exe" --game "$root/build-windows/ropi.exe" \
    --assets "$root/assets" --json "$build/bench.json" --prefix "$build/wine" "${args[@]}"
((browser)) && part browser python3 "$root/bench/web/web_bench.py" --site "$root/build-web/site" \
    --bench "$root/build-web/bench/web/ropi_bench.js" --json "$build/bench.json"
echo
table
echo "The parts: $parts."
