// The page's start and end, around the game (ropi.js begins with this).
//
// Before the game loads, the page makes sure it can run at all: opened as a file
// rather than from a web server, in a browser without WebAssembly or Web Audio,
// or without ropi.wasm beside it, it says so (index.html holds the words, in
// Japanese and English) instead of staying blank. Then it has its service worker
// (sw.js) keep the site for a visit without a network, and loads ropi.wasm of the
// same build as ropi.js (the build its own address names: ropi.js?v=BUILD).
//
// Test hook. When the game ends (Esc, 終了, or after the error report) the page
// takes the game off and says that it has ended, and the exit status that a
// desktop game would return (1 after the error report, 0 otherwise) can be read:
//   - document.body.dataset.exitStatus ("0" or "1": the attribute
//     data-exit-status on <body>) and window.ropiExitStatus (a number);
//   - document.body.dataset.state tells where the page is: "loading",
//     "running", "ended", or why it cannot run: "file", "no-wasm", "no-audio",
//     "missing" (ropi.js or ropi.wasm), "failed";
//   - opened with ?report=1, the page also tells the server that serves it
//     (tools/serve-web.py writes it down) by navigator.sendBeacon to
//     "ropi-report?KEY=VALUE" beside it: "box=TITLE" and "box-text=TEXT" when a
//     message box comes up, "box-closed=TITLE" when it goes, "file=NAME gone" or
//     "file=NAME changed" when the page takes up a file changed on the server
//     (page/files.js), "offline=ready" when the service worker keeps the site
//     (document.body.dataset.offline says so too: from then on the page plays
//     with no network), "offline=new" when a new build on the server is kept
//     whole for the next visit, and "exit=N" at the end.
var Module = typeof Module != 'undefined' ? Module : {};

(function () {
  // Sends the server one fact for a test (only with ?report=1).
  var report = function (key, value) {
    if (new URLSearchParams(location.search).get('report') === '1' && navigator.sendBeacon)
      navigator.sendBeacon('ropi-report?' + key + '=' + encodeURIComponent(value));
  };
  window.addEventListener('ropi-box', function (event) {
    report(event.detail.open ? 'box' : 'box-closed', event.detail.title);
    if (event.detail.open) report('box-text', event.detail.text);
  });
  window.addEventListener('ropi-file', function (event) {
    report('file', event.detail.name + ' ' + event.detail.change);
  });

  var state = function (name) { document.body.dataset.state = name; };
  var why = location.protocol === 'file:' ? 'file'
          : typeof WebAssembly !== 'object' ? 'no-wasm'
          : !(window.AudioContext || window.webkitAudioContext) ? 'no-audio' : '';
  if (why) {
    state(why);
    // Nothing of the game runs: ropi.js stops here.
    throw new Error('ropi: this browser or page cannot run the game (' + why + ')');
  }

  var build = document.currentScript ? new URL(document.currentScript.src).search : '';
  Module.locateFile = function (path) { return path + build; };
  if ('serviceWorker' in navigator) {
    // At once, while the page loads: the worker's first keeping of the site asks the server for
    // all of it again, which would otherwise come in the middle of a first round.
    navigator.serviceWorker.register('sw.js', { updateViaCache: 'none' }).catch(function () {});
    navigator.serviceWorker.ready.then(function () {
      document.body.dataset.offline = 'ready';
      report('offline', 'ready');
    });
    // A new build has come and its worker keeps it whole: the next visit starts it.
    var kept = navigator.serviceWorker.controller;
    navigator.serviceWorker.addEventListener('controllerchange', function () {
      if (kept) report('offline', 'new');
      kept = navigator.serviceWorker.controller;
    });
  }

  // The end of the program, as on the desktop: nothing of the game runs after it.
  var ended = false;
  Module.onExit = function (status) {
    if (ended) return;
    ended = true;
    window.dispatchEvent(new CustomEvent('ropi-exit', { detail: status }));
    var stage = document.getElementById('ropi-stage');
    if (stage) stage.textContent = '';
    document.querySelectorAll('dialog').forEach(function (dialog) { dialog.remove(); });
    document.title = document.title + ' — 終了';
    window.ropiExitStatus = status;
    document.body.dataset.exitStatus = String(status);
    state('ended');
    var again = document.getElementById('ropi-again');
    if (again) again.focus();
    report('exit', status);
  };

  // ropi.wasm missing or unreadable before the game began; or a fault of the game's own.
  Module.onAbort = function () {
    if (!ended) state(typeof runtimeInitialized !== 'undefined' && runtimeInitialized ?
                      'failed' : 'missing');
  };

  // The end stops the program by throwing through it; that is no error of the page's.
  window.addEventListener('error', function (event) {
    if (event.error && event.error.name === 'ExitStatus') event.preventDefault();
  });
  window.addEventListener('unhandledrejection', function (event) {
    if (event.reason && event.reason.name === 'ExitStatus') event.preventDefault();
  });
})();
