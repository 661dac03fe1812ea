#!/usr/bin/env python3
"""Times the browser build in Chromium, beside the other builds' figures of the
same run. Serves two copies of the site on 127.0.0.1: the game's own, for its
start-up (from navigation to the window drawn, each in a fresh browser) and the
bytes it loads; and one with the benchmark program (ropi_bench.js) in the
game's place, which times the cat's rhythm and the countdown on the page's
clock and asks this script to read the browser's processes at the edges of each
processor figure and after the round. Chromium shows the page under Xvfb, with
its sound going to a private PulseAudio server whose sink is recorded to time
every cue from its event to its first sample mixed. Adds the rows, marked
"(browser build in Chromium)", to the benchmark's JSON.

--smoke runs a few ticks of each kind and two start-ups, judges nothing and
fails only when a kind of figure got no sample."""
import argparse
import functools
import http.server
import importlib.util
import json
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path[:0] = [os.path.join(ROOT, "bench"), os.path.join(ROOT, "tools", "stage")]
import figures  # noqa: E402
import xserver  # noqa: E402
from browser import CHROMIUM, chromium_command  # noqa: E402
from processes import children, cpu_seconds, used  # noqa: E402
from sink import Recorder, onsets  # noqa: E402
from waiting import wait_until  # noqa: E402

UNDER = " (browser build in Chromium)"
UNDER_AWAY = " (browser build in Chromium, its site {} ms away)"
# The server the tests and play-web.sh use, as a plain static host serves.
_spec = importlib.util.spec_from_file_location("serve_web", os.path.join(ROOT, "tools", "serve-web.py"))
serve_web = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(serve_web)
CLOCK = time.monotonic_ns  # Chromium's clock, which performance.now() counts on

# Tells the server when the window was first drawn: the frame after the page shows the
# window, once the page has painted it. The server may answer that the page is to load again.
DRAWN = b"""<script>
new MutationObserver(function (changes, observer) {
  if (document.body.dataset.state !== 'running') return;
  observer.disconnect();
  requestAnimationFrame(function () {
    setTimeout(function () {
      var request = new XMLHttpRequest();
      request.open('GET', 'ropi-bench/drawn?ms=' + performance.now(), false);
      request.send();
      if (request.responseText === 'again') location.reload();
    });
  });
}).observe(document.documentElement, { attributes: true, subtree: true,
                                       attributeFilter: ['data-state'] });
</script>
"""


# The least a page that plays sound costs: an audio context, running, and nothing else.
REFERENCE = b"""<!DOCTYPE html><title>reference</title><script>
var context = new AudioContext({ latencyHint: 'interactive' });
</script>
"""

# The least a round at 250 ms costs: a square that jumps between five places every 250 ms,
# each jump with a tone of 140 ms, and nothing else.
REFERENCE_BEAT = b"""<!DOCTYPE html><title>reference</title>
<body style="margin: 0; background: #000080">
<div id="square" style="position: absolute; top: 40vh; width: 20vw; height: 20vw;
                        background: #fff"></div>
<script>
var context = new AudioContext({ latencyHint: 'interactive' });
var tone = context.createBuffer(2, Math.round(0.14 * context.sampleRate), context.sampleRate);
[0, 1].forEach(function (channel) {
  var samples = tone.getChannelData(channel);
  for (var i = 0; i < samples.length; i++)
    samples[i] = 0.2 * Math.sin(2 * Math.PI * 880 * i / context.sampleRate);
});
var square = document.getElementById('square');
setInterval(function () {
  square.style.left = Math.floor(Math.random() * 5) * 20 + 'vw';
  var voice = context.createBufferSource();
  voice.buffer = tone;
  voice.connect(context.destination);
  voice.start();
}, 250);
</script>
"""


def chromium_processes(pid):
    """Each live process of the browser started as pid: pid -> (kind, seconds), the kind
    from its command line (browser, renderer, gpu-process, audio, network, ...)."""
    found, todo = {}, [pid]
    while todo:
        pid = todo.pop()
        todo += children(pid)
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                # Chromium writes its command line anew, spaces between the arguments.
                arguments = f.read().decode(errors="replace").replace("\0", " ").split()
        except OSError:
            continue
        kind = next((a.split("=", 1)[1] for a in arguments if a.startswith("--type=")), "browser")
        service = next((a.split("=", 1)[1] for a in arguments
                        if a.startswith("--utility-sub-type=")), "")
        if service:
            kind = service.split(".")[0]  # audio.mojom.AudioService: audio
        if seconds := cpu_seconds(f"/proc/{pid}/stat"):
            found[pid] = (kind, seconds[1])
    return found


def memory_kb(pid, key):
    with open(f"/proc/{pid}/status") as status:
        return next(int(line.split()[1]) for line in status if line.startswith(key + ":"))


class Server(http.server.ThreadingHTTPServer):
    """The two sites and the benchmark's questions; what it learns, it keeps."""

    def __init__(self, folder):
        super().__init__(("127.0.0.1", 0), functools.partial(Handler, directory=folder))
        self.sent = 0  # bytes of every file served
        self.browser = None  # the pid of the browser at work
        self.drawn = []  # each page load: ms from navigation to the window drawn, bytes sent
        self.loads = 0  # how many more times the page is to load once drawn
        self.spans, self.open = {}, {}
        self.memory = None
        self.result = None
        self.done = threading.Event()
        threading.Thread(target=self.serve_forever, daemon=True).start()
        self.url = f"http://127.0.0.1:{self.server_address[1]}/"

    def mark(self, edge, what):
        reading = (CLOCK(), chromium_processes(self.browser), self.sent)
        if edge == "begin":
            self.open[what] = reading
            return
        began, before, sent_before = self.open.pop(what)
        now, after, sent = reading
        span = self.spans.setdefault(what, {"wall": 0, "kinds": {}, "sent": 0})
        span["wall"] += (now - began) / 1e9
        span["sent"] += sent - sent_before
        for kind, seconds in used(before, after).items():
            span["kinds"][kind] = span["kinds"].get(kind, 0) + seconds

    def read_memory(self):
        """What the page's renderer (the busiest) holds of its own now, what it has resident
        now with the browser's code that every page shares, and its peak, in KB."""
        renderers = [(seconds, pid) for pid, (kind, seconds) in
                     chromium_processes(self.browser).items() if kind == "renderer"]
        pid = max(renderers)[1]
        self.memory = tuple(memory_kb(pid, key) for key in ("RssAnon", "VmRSS", "VmHWM"))


class Handler(serve_web.Handler):
    """The site as a static host serves it, a round trip away (the class's delay); the
    benchmark's own questions at once."""
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map,
                          **{".wasm": "application/wasm", ".js": "text/javascript",
                             ".webmanifest": "application/manifest+json"})

    def send_header(self, keyword, value):
        if keyword == "Content-Length":
            self.server.sent += int(value)
        super().send_header(keyword, value)

    def log_message(self, *args):
        pass

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        if url.path.endswith("/index.html") or url.path.endswith("/"):  # the page's worker keeps "/"
            return self.page(url.path + ("index.html" if url.path.endswith("/") else ""))
        if url.path == "/reference.html":
            return self.send(REFERENCE)
        if url.path == "/reference-beat.html":
            return self.send(REFERENCE_BEAT)
        if "/ropi-bench/" not in url.path:
            return super().do_GET()
        question = url.path.rsplit("/", 1)[1]
        asked = dict(urllib.parse.parse_qsl(url.query))
        answer = ""
        if question == "sync":
            answer = str(CLOCK())
        elif question == "cpu":
            self.server.mark(asked["edge"], asked["what"])
        elif question == "memory":
            self.server.read_memory()
        elif question == "drawn":
            self.server.drawn.append((float(asked["ms"]), self.server.sent))
            if self.server.loads > 0:
                self.server.loads -= 1
                answer = "again"
        self.reply(answer)

    def do_POST(self):
        url = urllib.parse.urlsplit(self.path)
        body = self.rfile.read(int(self.headers.get("Content-Length") or 0))
        if url.path.endswith("/result"):
            self.server.result = json.loads(body)
            self.server.done.set()
        self.reply("")

    def page(self, path):
        """The page as it stands, with the note of its first drawing, a round trip away."""
        time.sleep(self.delay)
        with open(self.translate_path(path), "rb") as f:
            self.send(f.read().replace(b"</head>", DRAWN + b"</head>"))

    def send(self, page):
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(page)))
        self.end_headers()
        self.wfile.write(page)

    def reply(self, text):
        """An answer to the benchmark, not counted among the bytes of the files."""
        data = text.encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(data)
        self.close_connection = True


class Chromium:
    """Chromium showing one page, in a profile of its own, until ended."""

    def __init__(self, server, env, folder, url):
        profile = tempfile.mkdtemp(prefix="profile-", dir=folder)
        self.process = subprocess.Popen(chromium_command(profile, url), env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                        start_new_session=True)
        server.browser = self.process.pid

    def end(self):
        try:
            os.killpg(self.process.pid, signal.SIGTERM)
            self.process.wait(10)
        except (ProcessLookupError, subprocess.TimeoutExpired):
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()


def startup_rows(server, env, folder, runs, site, under):
    """From navigation to the window drawn, loading the page again and again in one browser, as
    a player opens it in the browser they have running; the first load, in a browser just
    started, is not counted. The bytes that the first load took."""
    server.loads = runs
    drawn, sent = len(server.drawn), server.sent
    browser = Chromium(server, env, folder, server.url + "game/index.html")
    try:
        wait_until(lambda: len(server.drawn) > drawn, 60, "the game's window was never drawn",
                   every=0.05)
        wait_until(lambda: len(server.drawn) > drawn + runs, 30 * runs,
                   "the page did not load again", every=0.05)
    finally:
        browser.end()
    first, loaded = server.drawn[drawn][0], server.drawn[drawn][1] - sent
    times = [ms for ms, _ in server.drawn[drawn + 1:]]
    program = sum(os.path.getsize(os.path.join(site, name)) for name in ("ropi.js", "ropi.wasm"))
    return [figures.startup_row(
        "Start-up, navigation to window drawn (Xvfb, the page loaded again in a running browser)",
        times, under), {
        "name": "Start-up, navigation to window drawn, the first visit in a browser just "
                "started (Xvfb)" + under,
        "result": f"{first:.0f} ms", "goal": "<= 1000 ms", "met": first <= 1000,
        "first_ms": first}, {
        "name": "Bytes the page loads up to its window drawn" + under,
        "result": f"{loaded / 1000:.0f} KB, of which ropi.js and ropi.wasm {program / 1000:.0f} KB",
        "goal": "ropi.js and ropi.wasm <= 400 KB", "met": program <= 400_000,
        "kb": loaded / 1000, "program_kb": program / 1000}]


def reference_row(server, env, folder, page, what):
    """The same Chromium showing one of the reference pages, which do only what they say."""
    browser = Chromium(server, env, folder, server.url + page)
    try:
        time.sleep(5)  # the browser's own start settles
        server.mark("begin", what)
        time.sleep(10)
        server.mark("end", what)
    finally:
        browser.end()
    return cpu_row(server.spans[what], what, UNDER)


def line_up(syncs):
    """The server's clock less the page's, from the quickest questions (each a reading of the
    server's between two of the page's), and how far it moved over the run, in ns."""
    quickest = min(after - before for before, after, _ in syncs)
    close = [(before, server - (before + after) // 2) for before, after, server in syncs
             if after - before <= quickest + 500_000]
    offsets = [offset for _, offset in close]
    half = len(offsets) // 2
    drift = (statistics.median(offsets[half:]) - statistics.median(offsets[:half])) if half else 0
    return statistics.median(offsets), drift, quickest


def cpu_row(span, what, under):
    """The processor time of every process of the browser over the span, by kind; over the
    round, what the page took from its server beside it."""
    wall = span["wall"]
    shares = {kind: 100 * seconds / wall for kind, seconds in span["kinds"].items()}
    busy = sorted(((share, kind) for kind, share in shares.items() if share > 0), reverse=True)
    named = ", ".join(f"{kind} {share:.2f}" for share, kind in busy)
    row = figures.cpu_row(what, sum(shares.values()), wall, under, who="the browser's processes ",
                          detail=f" ({named})" if named else "")
    if what.startswith("round"):
        row["result"] += f"; the page's files from its server: {span['sent'] / wall / 1000:.1f} KB/s"
    row["processes"] = shares
    return row


def bench_rows(server, env, folder, assets, sound, smoke, under):
    recorder = Recorder(sound, CLOCK)
    browser = Chromium(server, env, folder,
                       server.url + "bench/index.html" + ("?smoke=1" if smoke else ""))
    try:
        if not server.done.wait(60 if smoke else 400):
            raise SystemExit("web_bench: the benchmark page gave no result")
        time.sleep(0.5)  # the last chime through the sink
    finally:
        browser.end()
        recorder.stop()
    result = server.result
    offset, drift, quickest = line_up(result["syncs"])
    latencies = (f"; Chromium's own output latency {result['output_latency_ms']:.1f} ms and base "
                 f"latency {result['base_latency_ms']:.1f} ms")
    cues = figures.onset_rows(onsets(recorder, result["events"], offset, assets), under, drift / 1e6)
    for row in cues:
        row["result"] += latencies
        row.update(sync_round_trip_ms=quickest / 1e6, output_latency_ms=result["output_latency_ms"],
                   base_latency_ms=result["base_latency_ms"])
    cpu = [cpu_row(server.spans[span["what"]], span["what"], under) for span in result["spans"]]
    jumps = sum(event["kind"] == "jump" for event in result["events"])
    made = result["buffers_made_in_round"]
    kinds = len([name for name in os.listdir(assets) if name.endswith(".wav")])
    buffers = {
        "name": "Cue buffers made in the round (each cue's file converted once)" + under,
        "result": f"{made} for {jumps} cues played", "goal": f"<= {kinds} (the game's cues)",
        "met": made <= kinds, "made": made, "played": jumps}
    own, rss, peak = (kb / 1024 for kb in server.memory)
    return figures.round_rows(result, under, " in a worker, on the browser's timers") + cues + cpu + [
        buffers, figures.memory_row(
            "Memory the page holds after the round: its renderer's own (anonymous) resident memory",
            own, under, f" (WebAssembly heap {result['wasm_heap_mb']:.1f} MB, JavaScript heap "
                        f"{result['js_heap_mb']:.1f} MB); with the browser's code that every page "
                        f"shares, resident {rss:.1f} MB, peak {peak:.1f} MB",
            rssanon_mb=own, vmrss_mb=rss, vmhwm_mb=peak, wasm_heap_mb=result["wasm_heap_mb"],
            js_heap_mb=result["js_heap_mb"])]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--site", required=True, help="the browser game's site (build-web/site)")
    parser.add_argument("--bench", required=True, help="ropi_bench.js, beside its .wasm")
    parser.add_argument("--json", required=True, help="the benchmark's JSON, to add the rows to")
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--round-trips", type=int, nargs="+", default=[0, 300],
                        help="ms of delay before each answer of the server, a pass for each")
    parser.add_argument("--load-before", default="")
    parser.add_argument("--smoke", action="store_true")
    args = parser.parse_args()
    if args.smoke:
        args.runs = 1

    with xserver.stage("web-bench") as (folder, _, sound, display):
        shutil.copytree(args.site, os.path.join(folder, "game"))
        shutil.copytree(args.site, os.path.join(folder, "bench"))
        shutil.copy(args.bench, os.path.join(folder, "bench", "ropi.js"))
        shutil.copy(args.bench[:-len(".js")] + ".wasm", os.path.join(folder, "bench"))
        subprocess.run([sys.executable, os.path.join(ROOT, "tools", "stamp-site.py"),
                        os.path.join(folder, "bench")], check=True, capture_output=True)
        env = dict(sound.env, DISPLAY=display)
        rows = {}
        for round_trip in args.round_trips:
            # A fresh server each time: a page's service worker and the browser's cache are
            # each profile's, and each browser here starts in a profile of its own.
            Handler.delay = round_trip / 1000
            server = Server(folder)
            under = UNDER if not round_trip else UNDER_AWAY.format(round_trip)
            rows[under] = startup_rows(server, env, folder, args.runs, args.site, under)
            rows[under] = bench_rows(server, env, folder, args.site, sound, args.smoke,
                                     under) + rows[under]
            if not args.smoke and not round_trip:
                # The browser's floor, beside the game's processor rows.
                at = next(i for i, row in enumerate(rows[under])
                          if row["name"].startswith("CPU, hold"))
                running = next(row["percent"] for row in rows[under]
                               if row["name"].startswith("CPU, round running"))
                floor = reference_row(server, env, folder, "reference-beat.html",
                                      "a page that moves a square and sounds a 140 ms tone "
                                      "every 250 ms, and nothing else")
                above = running - floor["percent"]
                rows[under][at + 1:at + 1] = [
                    reference_row(server, env, folder, "reference.html",
                                  "a page with a running audio context and nothing else, idle"),
                    floor, {
                        "name": "CPU, round running at 250 ms, above the page that moves a "
                                "square and sounds a tone (the browser's floor, same run)" + under,
                        "result": f"{above:+.2f} points ({running:.2f} % beside "
                                  f"{floor['percent']:.2f} %)",
                        "goal": "<= 1 point", "met": above <= 1, "points": above}]
            server.shutdown()
        version = subprocess.run([CHROMIUM, "--version"], capture_output=True,
                                 text=True).stdout.strip()

    for under, part in rows.items():
        figures.add_rows(args.json, part, under, browser=version,
                         load_before_browser=args.load_before)
    if args.smoke:
        figures.judge_smoke(args.json, [row for part in rows.values() for row in part])

if __name__ == "__main__":
    main()
