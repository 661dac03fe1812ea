// The benchmark of the browser build: the real game window on the page's backend, in the page
// that web_bench.py serves, driven from the game's own event loop as the other benchmarks drive
// theirs. It times the cat's rhythm and the countdown on the page's clock, with a bare worker's
// wake-up lateness beside them, and marks the spans of the processor figures and the moment of
// the memory figure, which web_bench.py reads from the browser's processes meanwhile.
//
// Cue onsets need the sound as it leaves for the speakers, which the page cannot see. So the
// program only tells when each tick and key press happened and which cue answered it, with the
// page's clock lined up against the server's; web_bench.py finds the cues in a recording of the
// sound server's sink.
//
// The page is opened as index.html?smoke=1 for a few ticks of each kind, judging nothing.
#include "../Round.h"

#include "platform/shared/Text.h"
#include "platform/web/WebBackend.h"
#include "window/Form1.h"

#include <emscripten/emscripten.h>
#include <emscripten/heap.h>

#include <string>
#include <utility>
#include <vector>

using namespace bench;

extern "C" {
// Asks web_bench.py's server (the page waits for the answer); its answer into `answer`.
void ropi_bench_ask(const char *path, const char *body, char *answer, int answerBytes);
int ropi_bench_smoke();
// A worker that sleeps to deadlines 100 ms apart beside the game, and what it woke to.
void ropi_bench_wakes_start();
int ropi_bench_wakes_take(double *due, double *late, int most);
// The audio context's latencies in ms, and the bytes of the JavaScript heap in use.
double ropi_bench_base_latency();
double ropi_bench_output_latency();
double ropi_bench_js_heap();
int ropi_bench_buffers_made();
}

namespace {

std::string ask(const std::string &path, const std::string &body = "")
{
    char answer[64] = {};
    ropi_bench_ask(path.c_str(), body.c_str(), answer, sizeof answer);
    return answer;
}

// The server's clock between two readings of the page's: web_bench.py lines them up from the
// quickest of these.
struct Sync {
    std::int64_t before, after;
    std::string server;
};
std::vector<Sync> syncs;

void sync()
{
    const std::int64_t before = wallNs();
    const std::string server = ask("ropi-bench/sync");
    syncs.push_back({before, wallNs(), server});
}

// A span of a processor figure: web_bench.py reads the browser's processes at both ends.
struct Span {
    std::string what; // the row's name, after "CPU, "
    void begin() const { ask("ropi-bench/cpu?edge=begin&what=" + what); }
    void end() const { ask("ropi-bench/cpu?edge=end&what=" + what); }
};

// Delivers the page's events and the timers' ticks for the time given or until done().
template <typename Done> void runUntil(Form1 &form, Done done, int timeoutMs)
{
    bool late = false;
    platform::Timer deadline(form, timeoutMs);
    deadline.Tick.connect([&] { late = true; });
    deadline.setEnabled(true);
    platform::web::runEventsUntil([&] { return late || done(); }, false);
}

void runFor(Form1 &form, int milliseconds)
{
    runUntil(
        form, [] { return false; }, milliseconds);
}

void press(Form1 &form, int key)
{
    platform::Backend::keyDown(form, std::int16_t(key), {}, platform::audio::Clock::now());
}

// What web_bench.py needs beside the rows: the cues' moments, the clocks lined up, the audio
// context's latencies, the page's heaps and the buffers it made for the round's cues.
std::string more(const std::vector<CueEvent> &events, int buffersMade)
{
    std::string text = eventsJson(events) + ",\n\"syncs\": [";
    for (std::size_t i = 0; i < syncs.size(); ++i)
        text += std::string(i ? ", " : "") + "[" + std::to_string(syncs[i].before) + ", " +
                std::to_string(syncs[i].after) + ", " + syncs[i].server + "]";
    return text + "],\n\"base_latency_ms\": " + std::to_string(ropi_bench_base_latency()) +
           ", \"output_latency_ms\": " + std::to_string(ropi_bench_output_latency()) +
           ", \"wasm_heap_mb\": " + std::to_string(double(emscripten_get_heap_size()) / 1048576) +
           ", \"js_heap_mb\": " + std::to_string(ropi_bench_js_heap() / 1048576) +
           ", \"buffers_made_in_round\": " + std::to_string(buffersMade);
}

} // namespace

int main()
{
    const bool smoke = ropi_bench_smoke();
    sync();

    Form1 form;
    platform::guarded([&] {
        form.Load();
        form.Show();
    });
    std::vector<CueEvent> events;

    // The browser goes on compiling the program's hot code for a few seconds after the start.
    runFor(form, smoke ? 100 : 5000);
    const Span idle{"window idle"};
    idle.begin();
    runFor(form, smoke ? 300 : 10000);
    idle.end();

    // One round without a shot: 100 intervals at 250 ms, then as many at 2000 ms as the round
    // leaves room for, reported by their maximum beside the worker's; the rest at 250 ms again.
    Rhythm rhythm(smoke ? std::vector<Rhythm::Phase>{{'4', 250, 3}, {'1', 2000, 1}}
                        : std::vector<Rhythm::Phase>{{'4', 250, kP99Samples},
                                                     {'1', 2000, 40},
                                                     {'4', 250, 1000}},
                  form.Timer1.Interval());
    const Span running{"round running at 250 ms"};
    int pendingKey = 0;
    form.Timer1.Tick.connect([&] {
        const std::int64_t now = wallNs();
        form.Timer1_Timer();
        events.push_back({"jump", now, platform::toUtf8(form.cueFile)});
        pendingKey = rhythm.jump(now, form.Timer1.Interval(), running);
    });
    bool roundOver = false;
    std::vector<std::int64_t> seconds;
    form.Timer2.Tick.connect([&] {
        seconds.push_back(wallNs());
        form.Timer2_Timer();
        roundOver = !form.Timer2.Enabled();
        sync();
    });
    if (smoke)
        form.timeLeft = 4;
    const int roundSeconds = form.timeLeft;
    press(form, rhythm.phases[0].key);
    ropi_bench_wakes_start();
    press(form, ' ');
    const std::int64_t roundStart = wallNs();
    // A speed is chosen between two jumps, as a player's key would come.
    runUntil(
        form,
        [&] {
            if (pendingKey)
                press(form, std::exchange(pendingKey, 0));
            return roundOver;
        },
        (roundSeconds + 10) * 1000);
    std::vector<double> due(4096), late(4096);
    std::vector<Wake> wakes;
    for (int i = 0, n = ropi_bench_wakes_take(due.data(), late.data(), int(due.size())); i < n; ++i)
        wakes.push_back({std::int64_t(due[i] * 1e6), late[i]});
    ask("ropi-bench/memory");
    const int buffersMade = ropi_bench_buffers_made();

    // Shots after the round, each a hit with the 0.5 s chime, held until it is heard. One span
    // holds them all, with the 30 ms between them: an edge of a span is a request to the server,
    // which costs the page more than a shot's own moment would bear.
    const Span hold{"hold of a shot (0.5 s chime)"};
    hold.begin();
    for (int i = 0; i < (smoke ? 2 : 30); ++i) {
        form.catPos = rules::kScoringSlot;
        events.push_back({"shot", wallNs(), platform::toUtf8(u"ピンポン.wav")});
        press(form, 'F');
        // Each shot lands at another point of the context's render quanta and the sink's blocks.
        runFor(form, 30 + 1067 * (i % 10) / 1000);
    }
    hold.end();
    sync();

    const std::string under = " (browser build in Chromium)";
    std::vector<Row> rows = roundRows(rhythm, seconds, roundStart, roundSeconds, wakes,
                                      " in a worker, on the browser's timers", under);
    printRows(rows, smoke);
    ask("ropi-bench/result", rowsJson(rows, more(events, buffersMade)));
    return 0;
}
