"""The benchmark's figures, each made here alone: from what a build's program measured
(bench/Script.h hands it over as JSON) and what its script read beside it (processes, the
sink's recording, start-ups), the rows of the table, named with the build's mark at their
end; then the JSON that every part adds its rows to, and the table of them."""
import json
import math
import os
import statistics
import subprocess

P99_SAMPLES = 100  # a percentile needs this many samples to be more than the largest of them
RHYTHM_GOAL_MS = 2
ONSET_GOAL_MS = 12.7
CPU_GOALS = {"window idle": 1, "window idle after the round and shots": 1,
             "round running at 250 ms": 3, "hold of a shot (0.5 s chime)": 5}
STARTUP_GOAL_MS = 300
MEMORY_GOAL_MB = 80
STREAM_GOAL_MS = 15
# The events whose cues are timed, and how their rows name them.
ONSET_KINDS = (("jump", "jumps (Timer1 tick"), ("shot", "shots (key press"))


def summarize(values):
    """Nearest-rank percentiles: with few samples p99 is the largest, never an interpolation;
    with fewer than a p99 needs, none at all."""
    values = sorted(values)
    n = len(values)
    if not n:
        return {"n": 0, "median_ms": 0, "max_ms": 0}
    def rank(p):
        return values[max(1, math.ceil(p * n)) - 1]
    summary = {"n": n, "median_ms": rank(0.5), "max_ms": values[-1]}
    if n >= P99_SAMPLES:
        summary["p99_ms"] = rank(0.99)
    return summary


def summary_row(name, values, bound, decimals=3, notes=""):
    """A row whose goal bounds the p99 of its samples; with too few for a p99, their maximum,
    which bounds it, is judged instead, and the result gives their median and maximum only.
    `notes` go inside the parentheses after the count."""
    s = summarize(values)
    judged = "p99" if "p99_ms" in s else "max"
    p99 = f" / p99 {s['p99_ms']:.{decimals}f}" if judged == "p99" else ""
    few = "" if judged == "p99" else ", too few for a p99"
    return {"name": name,
            "result": f"median {s['median_ms']:.{decimals}f}{p99} / max {s['max_ms']:.{decimals}f} "
                      f"ms (n={s['n']}{few}{notes})",
            "goal": f"{judged} <= {bound:g} ms", "met": s["n"] > 0 and s[f"{judged}_ms"] <= bound,
            **s}


def reference(row):
    """The row made a reference beside the goals: judged against none."""
    row.update(goal="(reference)", met=True)
    return row


def round_rows(result, under, sleeper=""):
    """The cat's rhythm at each speed, the countdown's drift over the first round, and the bare
    sleeper's lateness beside them (`sleeper` says what it slept on). A rhythm row with too few
    intervals for a p99 shows beside its maximum the sleeper's latest wake-up over the same
    intervals: a late interval that the machine shared is the machine's."""
    rows = []
    for speed in result["rhythm"]:
        row = summary_row(f"Cat rhythm at {speed['period']} ms, interval off the period{under}",
                          speed["deviations_ms"], RHYTHM_GOAL_MS)
        if "p99_ms" not in row:
            first, last = speed["window_ns"]
            meanwhile = max((late for due, late in result["wakes"] if first <= due <= last),
                            default=0)
            row["result"] += f"; the machine's max meanwhile {meanwhile:.3f} ms"
            row["machine_max_ms"] = meanwhile
        rows.append(row)
    round_ = result["round"]
    ticks = round_["countdown_ns"]
    drifts = [(tick - round_["start_ns"]) / 1e6 - 1000 * (k + 1) for k, tick in enumerate(ticks)]
    end = drifts[-1] if drifts else 0
    worst = max(map(abs, drifts), default=0)
    rows.append({"name": f"Countdown drift against the wall clock{under}",
                 "result": f"{end:+.2f} ms after {len(ticks)} ticks (worst tick {worst:.2f} ms)",
                 "goal": "<= 50 ms", "met": abs(end) <= 50 and len(ticks) == round_["seconds"],
                 "ticks": len(ticks), "end_drift_ms": end, "worst_tick_ms": worst})
    rows.append(reference(summary_row(
        f"Machine: a bare thread's wake-up lateness{sleeper} while the cat jumped{under}",
        [late for _, late in result["wakes"]], 0)))
    return rows


def onset_rows(found, under, drift_ms=0):
    """From each event to the first sample of its cue that the sound server's sink mixed
    (bench/sink.py found them); the rows fail when the clocks that the events and the
    recording were stamped by drifted apart by more than half a millisecond."""
    rows = []
    for kind, what in ONSET_KINDS:
        times = found[kind]
        cut = [c for c in times["cut_ms"] if c > 0]
        notes = f", {times['not_heard']} not heard" if times["not_heard"] else ""
        if cut:
            notes += f"; {len(cut)} with up to {max(cut):.1f} ms of their start cut"
        if times["dropouts"]:
            notes += f"; {times['dropouts']} dropouts within them"
        row = summary_row(f"Cue onset, {what} to first sample mixed by the PulseAudio sink){under}",
                          times["ms"], ONSET_GOAL_MS, 2, notes)
        row.update(met=row["met"] and not times["not_heard"], not_heard=times["not_heard"],
                   start_lost=len(cut), start_lost_max_ms=max(cut, default=0),
                   dropouts=times["dropouts"], clock_drift_ms=drift_ms)
        if abs(drift_ms) > 0.5:
            row["result"] += f"; the clocks drifted {drift_ms:+.2f} ms apart"
            row["met"] = False
        rows.append(row)
    return rows


def mixer_rows(onsets, under=""):
    """From each event to the buffer of SDL's mixer that begins with its cue, as the game's
    own clock times them: when the device takes the cue, before the sound server's share."""
    return [summary_row(f"Cue start in SDL's mixer, {what} to the mixed buffer that begins "
                        f"with it, on the game's clock){under}", onsets[kind], ONSET_GOAL_MS, 2)
            for kind, what in ONSET_KINDS]


def underrun_row(what, streams, under):
    """How often the sound server found a stream dry (bench/xserver.py reads its log): each a
    gap a listener hears, where a stream should never run dry."""
    names = ", ".join(f"{streams.count(name)} of {name}" for name in sorted(set(streams)))
    return {"name": f"Underruns of {what}, as the sound server logs them{under}",
            "result": f"{len(streams)}" + (f" ({names})" if names else ""), "goal": "0",
            "met": not streams, "underruns": len(streams)}


def cpu_row(what, percent, seconds, under, who="", detail=""):
    """A processor figure over the spans named `what` (bench/Script.h names the program's),
    judged on `percent`: the program's own process, or all that `who` says. A span with no
    goal stands beside the others for comparison."""
    goal = CPU_GOALS.get(what)
    return {"name": f"CPU, {what}{under}",
            "result": f"{who}{percent:.2f} % over {seconds:.1f} s{detail}",
            "goal": f"<= {goal:g} %" if goal else "(comparison)",
            "met": goal is None or percent <= goal, "percent": percent, "seconds": seconds}


def own_cpu_rows(result, under):
    """The program's own processor share over each span, and the busy poll beside the hold."""
    share = {span["what"]: (100 * span["cpu_ns"] / span["wall_ns"] if span["wall_ns"] else 0,
                            span["wall_ns"] / 1e9) for span in result["spans"] + [result["spin"]]}
    rows = [cpu_row(what, *share[what], under) for what in share]
    spin, hold = rows[-1], share["hold of a shot (0.5 s chime)"][0]
    spin["ratio_to_hold"] = spin["percent"] / max(hold, 0.01)
    spin["result"] = f"{spin['percent']:.2f} %, {spin['ratio_to_hold']:.0f}x the hold"
    return rows


def memory_row(name, mb, under, note="", seen=True, **values):
    """Memory held, `mb`, judged against the goal; not `seen`, the run behind it did not play."""
    return {"name": name + under, "result": f"{mb:.1f} MB{note}" + ("" if seen else " (shots not seen)"),
            "goal": f"<= {MEMORY_GOAL_MB} MB", "met": 0 < mb <= MEMORY_GOAL_MB and seen, **values}


def startup_row(name, times, under, note="", **values):
    """Start-ups timed in ms, judged on their median."""
    median = statistics.median(times)
    return {"name": name + under,
            "result": f"median {median:.0f} ms, min {min(times):.0f}, max {max(times):.0f} "
                      f"(n={len(times)}{'; ' + note if note else ''})",
            "goal": f"<= {STARTUP_GOAL_MS} ms", "met": median <= STARTUP_GOAL_MS,
            "median_ms": median, "min_ms": min(times), "max_ms": max(times), "n": len(times),
            **values}


def stream_row(readings, under):
    """The game's stream as the sound server reports it: readings of (buffer, sink) latency
    in ms, judged on the median of their sums."""
    name = "Sound server latency of the game's stream (PulseAudio, null sink)" + under
    if not readings:
        return {"name": name, "result": "no stream seen", "goal": f"<= {STREAM_GOAL_MS} ms",
                "met": False, "n": 0}
    totals = [buffer + sink for buffer, sink in readings]
    median = statistics.median(totals)
    return {"name": name,
            "result": f"median {median:.1f} ms (buffer "
                      f"{statistics.median(b for b, _ in readings):.1f} + sink "
                      f"{statistics.median(s for _, s in readings):.1f}), max {max(totals):.1f} "
                      f"(n={len(totals)})",
            "goal": f"<= {STREAM_GOAL_MS} ms", "met": median <= STREAM_GOAL_MS,
            "median_ms": median, "max_ms": max(totals), "n": len(totals)}


def cpu_model():
    lines = subprocess.run(["lscpu"], capture_output=True, text=True).stdout.splitlines()
    return next((line.split(":", 1)[1].strip() for line in lines if line.startswith("Model name")),
                "unknown")


def add_rows(path, rows, under, **machine):
    """Puts the rows of one build, each named with `under` at its end, into the benchmark's
    JSON in place of those of an earlier run, and what is known of the machine."""
    bench = json.load(open(path)) if os.path.exists(path) else {"machine": {}, "rows": []}
    bench["machine"].update(machine)
    for key, value in (("load_before", ""), ("cores", os.cpu_count()),
                       ("kernel", os.uname().release)):
        bench["machine"].setdefault(key, value)
    bench["machine"].setdefault("cpu", cpu_model())
    bench["rows"] = [r for r in bench["rows"] if not r["name"].endswith(under)] + rows
    json.dump(bench, open(path, "w"), ensure_ascii=False, indent=1)


def judge_smoke(path, rows):
    """A short run judges no figure, but every kind of figure must have had a sample."""
    print()
    print_table(path)
    missing = [r["name"] for r in rows if r.get("n", 1) == 0]
    if missing:
        raise SystemExit("no sample for: " + ", ".join(missing))


def print_table(path):
    """Every figure of the benchmark's JSON as one Markdown table, and the machine below it."""
    bench = json.load(open(path))
    machine = bench["machine"]
    print("| Figure | Result | Goal | Met |\n| --- | --- | --- | --- |")
    for row in bench["rows"]:
        met = "–" if row["goal"].startswith("(") else "yes" if row["met"] else "no"
        print(f"| {row['name']} | {row['result']} | {row['goal']} | {met} |")
    print(f"\n{machine['cpu']}, {machine['cores']} cores, Linux {machine['kernel']}; "
          f"load average before the run: {machine['load_before'] or 'not given'}")
    if "wine" in machine:
        print(f"Windows rows: {machine['wine']}; load average before them: "
              f"{machine.get('load_before_windows') or 'not given'}")
    if "browser" in machine:
        print(f"Browser rows: {machine['browser']}; load average before them: "
              f"{machine.get('load_before_browser') or 'not given'}")
