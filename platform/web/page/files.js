// The game's files, fetched from the page's own folder on its server at every
// read, as the desktop game reads its current directory: a file taken off the
// server is missed at once. Japanese names go URL-encoded.
mergeInto(LibraryManager.library, {
  $RopiFiles: {
    MISSING: -1,
    NOT_A_FILE: -2,
    bytes: null, // the last file read, until the game takes it

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
    }
  },

  ropi_file_fetch__deps: ['$RopiFiles'],
  ropi_file_fetch: function (name, maxBytes) {
    return Asyncify.handleSleep(function (wakeUp) {
      RopiFiles.bytes = null;
      var url = new URL(encodeURIComponent(UTF16ToString(name)), document.baseURI);
      // Asked anew every time; an unchanged file comes from the browser's cache.
      fetch(url, { cache: 'no-cache' }).then(function (response) {
        if (response.status === 404 || response.status === 410) {
          if (response.body) response.body.cancel().catch(function () {});
          return RopiFiles.MISSING;
        }
        if (!response.ok) {
          if (response.body) response.body.cancel().catch(function () {});
          return RopiFiles.NOT_A_FILE;
        }
        return RopiFiles.read(response, maxBytes).then(function (bytes) {
          if (!bytes || !bytes.length) return RopiFiles.NOT_A_FILE;
          RopiFiles.bytes = bytes;
          return bytes.length;
        });
      }, function () {
        return RopiFiles.MISSING; // no server: nothing is there
      }).then(wakeUp, function () { wakeUp(RopiFiles.NOT_A_FILE); });
    });
  },

  ropi_file_take__deps: ['$RopiFiles'],
  ropi_file_take: function (into) {
    if (RopiFiles.bytes) HEAPU8.set(RopiFiles.bytes, into);
    RopiFiles.bytes = null;
  }
});
