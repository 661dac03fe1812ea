// The page's side of the browser benchmark (ropi_bench.cpp): its questions to the server
// that serves it (web_bench.py), and a worker beside the game that tells how late the
// browser wakes a bare sleeper.
mergeInto(LibraryManager.library, {
  $RopiBench: { worker: null, wakes: [] },

  // A synchronous request: the page waits for the server's answer, as the other benchmarks
  // wait for their script at each mark.
  ropi_bench_ask: function (path, body, answer, answerBytes) {
    var request = new XMLHttpRequest();
    var text = UTF8ToString(body);
    request.open(text ? 'POST' : 'GET', UTF8ToString(path), false);
    request.send(text || null);
    stringToUTF8(request.responseText, answer, answerBytes);
  },

  ropi_bench_smoke: function () {
    return new URLSearchParams(location.search).get('smoke') === '1' ? 1 : 0;
  },

  // The worker keeps its own deadlines on its own clock; each wake-up comes back as the
  // deadline on the page's clock and how late it was.
  ropi_bench_wakes_start__deps: ['$RopiBench'],
  ropi_bench_wakes_start: function () {
    var source =
      'var period = 100, due = performance.now() + period;' +
      'function sleep() {' +
      '  setTimeout(function () {' +
      '    postMessage([performance.timeOrigin + due, performance.now() - due]);' +
      '    due += period;' +
      '    sleep();' +
      '  }, Math.max(0, Math.ceil(due - performance.now())));' +
      '}' +
      'sleep();';
    RopiBench.worker = new Worker(URL.createObjectURL(new Blob([source])));
    RopiBench.worker.onmessage = function (event) {
      RopiBench.wakes.push([event.data[0] - performance.timeOrigin, event.data[1]]);
    };
  },

  ropi_bench_wakes_take__deps: ['$RopiBench'],
  ropi_bench_wakes_take: function (due, late, most) {
    if (RopiBench.worker) RopiBench.worker.terminate();
    RopiBench.worker = null;
    var wakes = RopiBench.wakes.slice(0, most);
    wakes.forEach(function (wake, i) {
      HEAPF64[(due >> 3) + i] = wake[0];
      HEAPF64[(late >> 3) + i] = wake[1];
    });
    return wakes.length;
  },

  ropi_bench_base_latency__deps: ['$RopiAudio'],
  ropi_bench_base_latency: function () {
    return RopiAudio.context ? (RopiAudio.context.baseLatency || 0) * 1000 : -1;
  },

  ropi_bench_output_latency__deps: ['$RopiAudio'],
  ropi_bench_output_latency: function () {
    return RopiAudio.context ? (RopiAudio.context.outputLatency || 0) * 1000 : -1;
  },

  // How many cues the page has converted into audio buffers since it began.
  ropi_bench_buffers_made__deps: ['$RopiAudio'],
  ropi_bench_buffers_made: function () { return RopiAudio.buffers.length - 1; },

  ropi_bench_js_heap: function () {
    return performance.memory ? performance.memory.usedJSHeapSize : 0;
  }
});
