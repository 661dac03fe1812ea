// The page's service worker: it keeps the site, so that after one visit the game starts from
// the copy kept, with no network on the way to its window, and plays with no network at all;
// and it hands out one build whole. The build (BUILD, written in by tools/stamp-site.py, as in
// the page's own links: ropi.js?v=BUILD) names its page, program and stylesheet, which this
// worker keeps together when it is installed and which never change under it: a page is never
// served a new script beside an old ropi.wasm.
//
// A visit is answered from the copy kept, and the server is asked meanwhile for its worker. A
// new build there is a new worker, which keeps the whole of it before it takes over; the visit
// under way plays on, and the next one starts the new build. (A visit is short and its start
// from the copy immediate: a player who comes back later, or loads the page again, has the new
// build then, and no round is ever cut off for it.)
//
// The game's files (FILES) are answered at the page's start from the copy kept, which is then
// brought up to date from the server in the background; the page's later asks (page/files.js
// asks again after use) go to the server first, and what it answers is kept. A file removed
// from the server is removed here as well, and with no server the copy serves on.
const BUILD = 'unstamped';
const FILES = [];
const PAGE = new URL('./', self.location).href;
const KEPT = 'ropi ' + PAGE + ' ' + BUILD; // a site's builds apart from another's on its host
const SHELL = ['ropi.css', 'ropi.js', 'ropi.wasm'].map(name => name + '?v=' + BUILD);

// Whether the server's copy of a file is another than the one kept: by its ETag, or by its date
// where the host gives no ETag, as page/files.js decides.
const version = answer => answer.headers.get('ETag') || answer.headers.get('Last-Modified');

// The page is asked of the server, and kept only if it names this build: a server that has a
// newer build already would otherwise have its page kept beside this build's program.
function keepPage(kept) {
  return fetch(PAGE, { cache: 'no-cache' }).then(answer => answer.clone().text().then(text => {
    if (!answer.ok || !text.includes('ropi.js?v=' + BUILD))
      throw new Error('the server has another build than ' + BUILD);
    return kept.put(PAGE, answer);
  }));
}

// What the page has just loaded comes from the browser's cache, not again over the network: its
// program by its build's address, which never changes, as the browser has it.
self.addEventListener('install', event => {
  event.waitUntil(caches.open(KEPT).then(kept => Promise.all([
    keepPage(kept),
    kept.addAll(SHELL.map(name => new Request(name, { cache: 'force-cache' }))),
    kept.addAll(['manifest.webmanifest', ...FILES.map(encodeURIComponent)])]))
    .then(() => self.skipWaiting()));
});

self.addEventListener('activate', event => {
  event.waitUntil(caches.keys().then(names => Promise.all(
    names.filter(name => name.startsWith('ropi ' + PAGE + ' ') && name !== KEPT)
      .map(name => caches.delete(name))))
    .then(() => self.clients.claim()));
});

// The server's answer, asked afresh (never a copy the browser's cache holds), kept when it is
// another file than the copy and forgotten when there is none; the copy kept when there is no
// server. The copy to keep is taken before the answer goes out to be read, and kept within
// the event's lifetime.
function fromServer(event, keptAs) {
  return caches.open(KEPT).then(kept => fetch(keptAs, {
    cache: 'no-cache', credentials: 'same-origin'
  }).then(answer => {
    if (answer.ok) {
      const copy = answer.clone();
      event.waitUntil(kept.match(keptAs).then(before => {
        if (!before || version(before) !== version(copy)) return kept.put(keptAs, copy);
      }));
    } else if (answer.status === 404 || answer.status === 410) {
      event.waitUntil(kept.delete(keptAs));
    }
    return answer;
  }, () => kept.match(keptAs).then(copy => copy || Response.error())));
}

// The copy kept at once, the server asked in the background; the server's answer without one.
function fromKeptThenServer(event) {
  const answer = fromServer(event, event.request.url);
  event.waitUntil(answer);
  return caches.match(event.request).then(copy => copy || answer);
}

self.addEventListener('fetch', event => {
  const request = event.request, url = new URL(request.url);
  if (request.method !== 'GET' || url.origin !== self.location.origin) return;
  const path = url.origin + url.pathname;
  if (request.mode === 'navigate') {
    if (path !== PAGE && path !== PAGE + 'index.html') return;
    // The page of this build at once; the server is asked meanwhile for a new build.
    event.waitUntil(self.registration.update().catch(() => {}));
    event.respondWith(caches.open(KEPT).then(kept => kept.match(PAGE))
      .then(copy => copy || fetch(request)));
  } else if (url.searchParams.has('v') || url.pathname.endsWith('.webmanifest') ||
             url.pathname.endsWith('.png')) {
    event.respondWith(caches.match(request).then(copy => copy || fetch(request)));
  } else if (FILES.includes(decodeURIComponent(url.pathname.split('/').pop()))) {
    // The page's first ask takes the copy kept; its later asks are for the server's news.
    event.respondWith(request.cache === 'no-cache' ? fromServer(event, request.url)
                                                   : fromKeptThenServer(event));
  }
});
