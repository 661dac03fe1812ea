#!/usr/bin/env bash
# Builds the libFuzzer harnesses (cmake --preset fuzz, clang) and runs each for the given
# number of seconds (default 60), seeded from assets/. Inputs that crash, leak, hang or
# exhaust memory land in build-fuzz/findings/; the script then fails.
#   fuzz.sh [seconds] [harness...]      harnesses: fuzz_cue fuzz_picture
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
harnesses=("$@")
((${#harnesses[@]})) || harnesses=(fuzz_cue fuzz_picture)

"$root/tools/setup.sh" ci
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

build="$root/build-fuzz"
mkdir -p "$build/findings"
for harness in "${harnesses[@]}"; do
    corpus="$build/corpus/$harness"
    mkdir -p "$corpus"
    case "$harness" in
    fuzz_cue) cp "$root"/assets/*.wav "$corpus/" ;;
    fuzz_picture) cp "$root"/assets/Cat.gif "$root"/assets/ropi.png "$corpus/" ;;
    esac
    echo "== $harness for $seconds s"
    # A cue is at most 16 MiB and a picture may take 64 MiB: 2 GB of RSS means a runaway.
    # One input may take 10 s; the longest real cue takes well under one.
    "$build/fuzz/$harness" "$corpus" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -max_len=131072 -print_final_stats=1 \
        -artifact_prefix="$build/findings/$harness-"
done
