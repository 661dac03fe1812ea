#!/usr/bin/env bash
# Runs every end-to-end scenario of the Windows build N times in a row, as CI runs them
# (the same ctest parallelism; each run makes its Wine template afresh, and each scenario
# its own prefix from it), with --busy beside one low-priority busy loop per core. A crash
# leaves its core beside the artifacts. Keeps each run's ctest log and report in
# build-windows/soak/, and the artifacts of every run that failed; prints at the end which
# scenarios failed in how many runs, and why, grouped by the kind of failure. A tool, not a
# test: it changes nothing that a scenario checks.
#   soak-windows.sh N [--busy]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:?usage: soak-windows.sh N [--busy]}
busy=${2:-}
build="$root/build-windows"
soak="$build/soak"
"$root/tools/build-windows.sh" >/dev/null

loops=()
cleanup() {
    if ((${#loops[@]})); then kill "${loops[@]}" 2>/dev/null || true; fi
}
trap cleanup EXIT
if [[ $busy == --busy ]]; then
    for _ in $(seq "$(nproc)"); do
        nice -n 10 sh -c 'while :; do :; done' &
        loops+=($!)
    done
fi

# The processes a run started: every one carries this build's artifacts folder in its environment.
leftovers() {
    grep -lsz "^ROPI_E2E_ARTIFACTS=$build/e2e-artifacts\$" /proc/[0-9]*/environ |
        cut -d/ -f3 | grep -vx "$$" | tr '\n' ' ' || true
}

ulimit -c unlimited # a game that dies of a signal leaves its core in its folder
rm -rf "$soak"
mkdir -p "$soak"
cd "$build"
for run in $(seq -f '%02g' "$runs"); do
    rm -rf wine-template wine-template.lock e2e-artifacts
    started=$SECONDS
    if ctest -L e2e --timeout 600 --parallel "$(nproc)" --output-junit "$soak/run-$run.xml" \
        >"$soak/run-$run.log" 2>&1; then
        verdict=passed
    else
        verdict=failed
        [[ -d e2e-artifacts ]] && mv e2e-artifacts "$soak/run-$run-artifacts"
    fi
    # A scenario that CTest killed at its timeout leaves its servers and its Wine running (they
    # would load every later run): whatever still carries this build's environment is ended.
    left=$(leftovers)
    [[ -n $left ]] && kill -9 $left 2>/dev/null || true
    echo "run $run of $runs: $verdict in $((SECONDS - started)) s (load $(cut -d' ' -f1-3 /proc/loadavg))" \
        "$([[ -n $left ]] && echo "; $(wc -w <<<"$left") processes left running, ended")"
done

python3 - "$soak" "$runs" <<'PY'
import glob, os, re, sys
import xml.etree.ElementTree as ElementTree

soak, runs = sys.argv[1], int(sys.argv[2])
# The kind of a failure, told by its first line; the first that matches.
KINDS = [('the game\'s exit status', r': status -?\d+|ropi\.exe.* timed out|reported no end'),
         ('a cue cut', r'cut off|no such cue|recording stalled|jumps in|the sink'),
         ('a window or box that did not come or go',
          r'no window|no box|box stayed|took no focus|no panel|never made the window active|'
          r'transient for|did not come again'),
         ('Wine\'s own start', r'Wine did not start|wineboot|wine-template'),
         ('an X client that did not answer in time', r"Command '\['(import|xdotool|xclip|xprop)'"),
         ('other', r'')]


def first_line(output):
    """The error a scenario ended with: the first line of its message."""
    lines = output.splitlines()
    for at in range(len(lines) - 1, -1, -1):
        if re.match(r'(\w+\.)*\w*(Error|Exception|Expired)\b', lines[at]):
            return lines[at]
    return next((line for line in reversed(lines) if line.strip()), '(no output)')


failed = {}  # (kind, scenario) -> {first line: [runs]}
passed = 0
for report in sorted(glob.glob(os.path.join(soak, 'run-*.xml'))):
    run = int(re.search(r'run-(\d+)', report).group(1))
    cases = ElementTree.parse(report).getroot().iter('testcase')
    bad = [c for c in cases if c.get('status') not in ('run', 'disabled', 'notrun')]
    passed += not bad
    for case in bad:
        out = case.findtext('system-out') or ''
        line = 'ctest timed out' if 'Timeout' in (case.get('status') or '') else first_line(out)
        kind = next(k for k, pattern in KINDS if re.search(pattern, line))
        failed.setdefault((kind, case.get('name')), {}).setdefault(line[:150], []).append(run)

print(f'\n{passed} of {runs} runs passed (reports and failed runs\' artifacts in {soak})')
for kind in [k for k, _ in KINDS]:
    rows = sorted((s, lines) for (k, s), lines in failed.items() if k == kind)
    if rows:
        print(f'\n{kind}:')
    for scenario, lines in rows:
        count = len({r for found in lines.values() for r in found})
        print(f'  {scenario:28} failed {count} of {runs}')
        for line, found in lines.items():
            print(f'      runs {",".join(map(str, found)):8} {line}')
PY
