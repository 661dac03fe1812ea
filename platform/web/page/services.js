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

// The player's settings, in the page's own localStorage: kept between visits on this browser
// for this site. A private window or a browser that denies storage keeps nothing, and the game
// plays on with what it has.
mergeInto(LibraryManager.library, {
  ropi_setting_read: function (name, into, capacity) {
    var value = null;
    try { value = localStorage.getItem('ropi-setting:' + UTF16ToString(name)); } catch (e) {}
    if (value === null) return -1;
    value = value.slice(0, capacity);
    stringToUTF16(value, into, 2 * value.length + 2);
    return value.length;
  },

  ropi_setting_write: function (name, value) {
    try {
      localStorage.setItem('ropi-setting:' + UTF16ToString(name), UTF16ToString(value));
    } catch (e) {}
  }
});
