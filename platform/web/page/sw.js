// The page's service worker: it keeps the site, so that after one visit the game
// starts and plays with no network, and it hands out one build whole. The build
// (BUILD, written in by tools/stamp-site.py, as in the page's own links:
// ropi.js?v=BUILD) names its program, stylesheet and page; those are kept by
// their full address and never change under it, so a page is never served a new
// script beside an old ropi.wasm. The page itself is asked of the server first
// (a new build shows at the next visit with a network), and kept for a visit
// without one. The game's files (FILES) are answered at the page's start from
// the copy kept, which is then brought up to date from the server in the
// background for the next visit; the page's later asks (page/files.js asks again
// after use) go to the server first. A file removed from the server is removed
// here as well, and with no server the copy serves on.
const BUILD = 'unstamped';
const FILES = [];
const PAGE = new URL('./', self.location).href;
const KEPT = 'ropi ' + PAGE + ' ' + BUILD; // a site's builds apart from another's on its host
const SHELL = ['ropi.css', 'ropi.js', 'ropi.wasm'].map(name => name + '?v=' + BUILD);

// What the page has just loaded comes from the browser's cache, not again over the network; the
// page itself is asked of the server, whose copy may be newer.
self.addEventListener('install', event => {
  event.waitUntil(caches.open(KEPT).then(kept => kept.addAll(
    [new Request(PAGE, { cache: 'no-cache' }), 'manifest.webmanifest', ...SHELL,
     ...FILES.map(encodeURIComponent)]))
    .then(() => self.skipWaiting()));
});

self.addEventListener('activate', event => {
  event.waitUntil(caches.keys().then(names => Promise.all(
    names.filter(name => name.startsWith('ropi ' + PAGE + ' ') && name !== KEPT)
      .map(name => caches.delete(name))))
    .then(() => self.clients.claim()));
});

// The server's answer, asked afresh (never a copy the browser's cache holds), kept when it is a
// file and forgotten when there is none; the copy kept when there is no server.
function fromServer(request, keptAs) {
  const asked = fetch(request.url, { cache: 'no-cache', credentials: 'same-origin' });
  return caches.open(KEPT).then(kept => asked.then(answer => {
    if (answer.ok) {
      kept.match(keptAs).then(before => {
        if (!before || before.headers.get('ETag') !== answer.headers.get('ETag'))
          return kept.put(keptAs, answer.clone());
      });
    } else if (answer.status === 404 || answer.status === 410) {
      kept.delete(keptAs);
    }
    return answer;
  }, () => kept.match(keptAs).then(copy => copy || Response.error())));
}

// The copy kept at once, the server asked in the background; the server's answer without one.
function fromKeptThenServer(event) {
  const answer = fromServer(event.request, event.request.url);
  event.waitUntil(answer);
  return caches.match(event.request).then(copy => copy || answer);
}

self.addEventListener('fetch', event => {
  const request = event.request, url = new URL(request.url);
  if (request.method !== 'GET' || url.origin !== self.location.origin) return;
  if (request.mode === 'navigate') {
    event.respondWith(fromServer(request, PAGE));
  } else if (url.searchParams.has('v') || url.pathname.endsWith('.webmanifest') ||
             url.pathname.endsWith('.png')) {
    event.respondWith(caches.match(request).then(copy => copy || fetch(request)));
  } else if (FILES.includes(decodeURIComponent(url.pathname.split('/').pop()))) {
    // The page's first ask takes the copy kept; its later asks are for the server's news.
    event.respondWith(request.cache === 'no-cache' ? fromServer(request, request.url)
                                                   : fromKeptThenServer(event));
  }
});
