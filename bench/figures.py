"""The benchmark's figures: the JSON that every part adds its rows to, and the table of them."""
import json
import os


def add_rows(path, rows, under, **machine):
    """Puts the rows of one build, each named with `under` at its end, into the benchmark's
    JSON in place of those of an earlier run, and what is known of the machine."""
    bench = json.load(open(path)) if os.path.exists(path) else {"machine": {}, "rows": []}
    bench["machine"].update(machine)
    for key, value in (("load_before", ""), ("cpu", "unknown"), ("cores", os.cpu_count()),
                       ("kernel", os.uname().release)):
        bench["machine"].setdefault(key, value)
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
