// The clipboard: what the game puts there goes to the system's, in order; a
// browser that refuses is let be. What goes there (the score after a shot) is
// also said to screen readers.
mergeInto(LibraryManager.library, {
  $RopiClipboard: {
    writes: null // the last write, which the next waits for
  },

  ropi_clipboard_write__deps: ['$RopiClipboard', '$RopiWindow'],
  ropi_clipboard_write: function (text) {
    var words = UTF16ToString(text);
    var clipboard = navigator.clipboard;
    if (clipboard && clipboard.writeText)
      RopiClipboard.writes = (RopiClipboard.writes || Promise.resolve()).then(function () {
        return clipboard.writeText(words);
      }).catch(function () {});
    RopiWindow.announce(words);
  }
});
