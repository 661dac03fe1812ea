#!/usr/bin/env python3
"""Times the Linux build: ropi_bench (the real window on Qt's offscreen platform) with its
sound going through SDL to a private PulseAudio server, whose sink is recorded to find when
each cue began; then the real game under Xvfb on the same server: from exec to its window
mapped, over several runs, its peak resident memory over a whole round, and the latency of its
stream. Adds the rows to the benchmark's JSON.

--smoke runs the short mode of ropi_bench and a few start-ups, judges nothing and fails only
when a kind of figure got no sample."""
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path[:0] = [os.path.join(ROOT, "bench"), os.path.join(ROOT, "tools", "stage")]
import desktop  # noqa: E402
import figures  # noqa: E402
import xserver  # noqa: E402


def main():
    args = desktop.arguments("ropi_bench", "ropi")
    assets = os.path.abspath(args.assets)

    with xserver.stage("linux-bench") as (folder, _, server, display):
        # SDL is told its driver, so that no other sound server of the machine takes the sound.
        env = dict(server.env, SDL_AUDIODRIVER="pulseaudio", DISPLAY=display)
        env.pop("QT_QPA_PLATFORM", None)
        json_path = os.path.join(folder, "linux.json")
        command = [os.path.abspath(args.bench), "--json", json_path]
        command += (["--smoke"] if args.smoke else []) + (["--trace"] if args.trace else [])
        offscreen = os.path.join(ROOT, "tests", "qt", "offscreen-1024x768.json")
        ran = desktop.run_program(
            server, command, assets, dict(env, QT_QPA_PLATFORM=f"offscreen:configfile={offscreen}"),
            json_path, time.monotonic_ns)
        rows = desktop.program_rows("ropi_bench", ran, "", "",
                                    "Peak resident memory, ropi_bench after the round",
                                    figures.mixer_rows(ran[0]["device_onsets"]))

        game = desktop.Desktop([os.path.abspath(args.game)], assets, env, display, focus=lambda window:
                               xserver.xdotool(env, "windowfocus", "--sync", str(window)))
        times, played = game.start_ups(args.runs, args.round_seconds, server)
        rows.append(figures.startup_row("Start-up, exec to window mapped (Xvfb)", times, ""))
        rows += desktop.round_figures("Peak resident memory, ropi after a {} s round (Xvfb)",
                                      played, args.round_seconds, "")

    figures.add_rows(args.json, rows, "", load_before=args.load_before)
    if args.smoke:
        figures.judge_smoke(args.json, rows)


if __name__ == "__main__":
    main()
