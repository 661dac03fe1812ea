// The game's files. Its folder is the page's own on its server: the files that
// the page names (<meta name="ropi-files">) are fetched together as the page
// starts (asked for already by the page's preload links, beside the program) and
// kept in memory, so that a tick, a key or a menu choice never waits for the
// network. The game's window does not wait for them: the first read waits until
// every one has come (the picture's, when a round starts: its beat never waits),
// which only the first moments of a first visit may see. A read is answered at
// once from the copy kept; then, if the file was last asked for a while ago, the
// server is asked for it again in the background (past the service worker's
// copy), and a change or a removal there is taken up for the next read (the page
// hears of it: the event "ropi-file", whose detail is the file's name and
// "changed" or "gone"). A server out of reach is no removal: the copy kept serves
// on.
mergeInto(LibraryManager.library, {
  $RopiFiles__deps: ['$RopiShared'],
  $RopiFiles__postset: 'RopiFiles.fetchAll();',
  $RopiFiles: {
    LIMIT: 64 * 1024 * 1024, // the largest file the game reads
    // A file used is asked for again once this long has passed: soon enough for a file changed
    // on the server to be taken up within a round, rarely enough that a round at the fastest
    // beat, which reads a cue four times a second, costs the network next to nothing.
    AGAIN_MS: 10000,
    kept: {}, // by name: {bytes, tag} of a file, or a number: kMissing, kNotAFile
    asked: {}, // by name: when it was last asked for, and whether the answer is still due
    taking: null, // the last file read, until the game takes it
    first: null, // the first answers to all the page's files, until they have come

    // The body, in pieces, never more than maxBytes of it: a file too large is refused
    // before it eats memory.
    read: function (response, maxBytes) {
      if (Number(response.headers.get('Content-Length') || 0) > maxBytes) {
        if (response.body) response.body.cancel().catch(function () {});
        return Promise.resolve(null);
      }
      if (!response.body) {
        return response.arrayBuffer().then(function (whole) {
          return whole.byteLength <= maxBytes ? new Uint8Array(whole) : null;
        });
      }
      var reader = response.body.getReader(), pieces = [], length = 0;
      var next = function () {
        return reader.read().then(function (piece) {
          if (piece.done) {
            var bytes = new Uint8Array(length), at = 0;
            pieces.forEach(function (p) { bytes.set(p, at); at += p.length; });
            return bytes;
          }
          length += piece.value.length;
          if (length > maxBytes) {
            reader.cancel().catch(function () {});
            return null;
          }
          pieces.push(piece.value);
          return next();
        });
      };
      return next();
    },

    // Asks for the file, and keeps what it says; a promise of that. The first ask may be answered
    // by the service worker's copy (page/sw.js), so that the game starts with no network; a
    // later one goes to the server.
    ask: function (name) {
      var asked = RopiFiles.asked[name];
      if (asked && asked.pending) return asked.pending;
      var url = new URL(encodeURIComponent(name), document.baseURI);
      var kept = RopiFiles.kept[name];
      var mode = kept === undefined ? 'default' : 'no-cache';
      var pending = fetch(url, { cache: mode }).then(function (response) {
        var tag = response.headers.get('ETag') || response.headers.get('Last-Modified');
        if (response.ok && kept && kept.tag && kept.tag === tag) {
          if (response.body) response.body.cancel().catch(function () {});
          return kept; // unchanged
        }
        if (!response.ok) {
          if (response.body) response.body.cancel().catch(function () {});
          return response.status === 404 || response.status === 410 ? RopiShared.kMissing
                                                                    : RopiShared.kNotAFile;
        }
        return RopiFiles.read(response, RopiFiles.LIMIT).then(function (bytes) {
          return bytes && bytes.length ? { bytes: bytes, tag: tag } : RopiShared.kNotAFile;
        });
      }).then(function (answer) {
        RopiFiles.kept[name] = answer;
        if (kept !== undefined && answer !== kept) {
          var change = typeof answer === 'number' ? 'gone' : 'changed';
          window.dispatchEvent(new CustomEvent('ropi-file', { detail: { name: name, change: change } }));
        }
      }, function () {
        // No server: nothing there the first time; afterwards the copy kept serves on.
        if (kept === undefined) RopiFiles.kept[name] = RopiShared.kMissing;
      }).then(function () {
        RopiFiles.asked[name].pending = null;
      });
      RopiFiles.asked[name] = { at: performance.now(), pending: pending };
      return pending;
    },

    // The page's files, as the game starts.
    fetchAll: function () {
      var named = document.querySelector('meta[name=ropi-files]');
      RopiFiles.first = Promise.all((named ? JSON.parse(named.content) : []).map(RopiFiles.ask));
      RopiFiles.first.then(function () { RopiFiles.first = null; });
    },

    // The read of a file from the copy kept: its length, or kMissing or kNotAFile.
    take: function (file, maxBytes) {
      var kept = RopiFiles.kept[file], asked = RopiFiles.asked[file];
      if (!asked || performance.now() - asked.at >= RopiFiles.AGAIN_MS) RopiFiles.ask(file);
      if (kept === undefined) return RopiShared.kMissing;
      if (typeof kept === 'number') return kept;
      if (kept.bytes.length > maxBytes) return RopiShared.kNotAFile;
      RopiFiles.taking = kept.bytes;
      return kept.bytes.length;
    }
  },

  ropi_file_read__deps: ['$RopiFiles', '$RopiShared'],
  ropi_file_read: function (name, maxBytes) {
    var file = UTF16ToString(name), coming = RopiFiles.first;
    if (!coming && Asyncify.state !== Asyncify.State.Rewinding)
      return RopiFiles.take(file, maxBytes);
    // The files' first answers are on their way: the game waits for them all (events wait in
    // order meanwhile).
    return Asyncify.handleSleep(function (wakeUp) {
      coming.then(function () { wakeUp(RopiFiles.take(file, maxBytes)); });
    });
  },

  ropi_file_take__deps: ['$RopiFiles'],
  ropi_file_take: function (into) {
    if (RopiFiles.taking) HEAPU8.set(RopiFiles.taking, into);
    RopiFiles.taking = null;
  }
});
