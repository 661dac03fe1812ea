// The benchmark of the browser build: the real game window on the page's backend, in the page
// that web_bench.py serves, driven by the benchmark's script (bench/Script.h) from the game's own
// event loop. Every mark and sync is a question to web_bench.py's server, which reads the
// browser's processes at a span's edges and at the end, and answers with its clock; its bare
// sleeper is a worker (bench.js). The page cannot hear its own sound: web_bench.py finds the
// cues in a recording of the sound server's sink.
//
// The page is opened as index.html?smoke=1 for a few ticks of each kind.
#include "../Script.h"

#include "platform/web/WebBackend.h"
#include "window/Form1.h"

#include <emscripten/emscripten.h>
#include <emscripten/heap.h>

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
std::vector<std::string> syncs;

void sync()
{
    const std::int64_t before = wallNs();
    const std::string server = ask("ropi-bench/sync");
    syncs.push_back(json::list(std::vector{json::number(before), json::number(wallNs()), server}));
}

std::vector<Wake> takeWakes()
{
    std::vector<double> due(4096), late(4096);
    std::vector<Wake> wakes;
    for (int i = 0, n = ropi_bench_wakes_take(due.data(), late.data(), int(due.size())); i < n; ++i)
        wakes.push_back({std::int64_t(due[i] * 1e6), late[i]});
    return wakes;
}

} // namespace

int main()
{
    Options options;
    options.smoke = ropi_bench_smoke();

    Form1 form;
    platform::guarded([&] {
        form.Load();
        form.Show();
    });

    Driver driver;
    // One round: 100 intervals at 250 ms, then as many at 2000 ms as the round leaves room
    // for, reported by their maximum beside the worker's; the rest at 250 ms again.
    driver.phases = {{'4', 250, 100}, {'1', 2000, 40}, {'4', 250, 1000}};
    // The browser goes on compiling the program's hot code for a few seconds after the start.
    driver.settleMs = 5000;
    driver.spanEachShot = false; // an edge of a span is a request to the server
    driver.busyPoll = false;     // the cue's end comes as an event of the page
    driver.press = [&form](int key) {
        platform::Backend::keyDown(form, std::int16_t(key), {}, platform::audio::Clock::now());
    };
    driver.runUntil = [&form](const std::function<bool()> &done, int timeoutMs) {
        bool late = false;
        platform::Timer deadline(form, timeoutMs);
        deadline.Tick.connect([&] { late = true; });
        deadline.setEnabled(true);
        platform::web::runEventsUntil([&] { return late || done(); }, false);
    };
    driver.pause = [&driver](int microseconds) {
        if (microseconds >= 1000)
            driver.runUntil([] { return false; }, microseconds / 1000);
    };
    driver.startWakes = ropi_bench_wakes_start;
    driver.stopWakes = takeWakes;
    driver.markSpan = [](const char *edge, const std::string &what) {
        ask(std::string("ropi-bench/cpu?edge=") + edge + "&what=" + what);
    };
    driver.sync = sync;
    int buffersMade = 0; // for the round's cues
    driver.roundEnded = [&buffersMade] {
        ask("ropi-bench/memory");
        buffersMade = ropi_bench_buffers_made();
    };
    driver.more = [&buffersMade] {
        return Members{{"syncs", json::list(syncs)},
                       {"base_latency_ms", json::number(ropi_bench_base_latency())},
                       {"output_latency_ms", json::number(ropi_bench_output_latency())},
                       {"wasm_heap_mb", json::number(double(emscripten_get_heap_size()) / 1048576)},
                       {"js_heap_mb", json::number(ropi_bench_js_heap() / 1048576)},
                       {"buffers_made_in_round", json::number(buffersMade)}};
    };
    driver.deliver = [](const std::string &json) { ask("ropi-bench/result", json); };
    run(form, driver, options);
    return 0;
}
