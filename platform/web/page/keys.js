// Where a key press goes, as on the desktop: to the message box while it is up,
// to the menu bar while it has the keys, to the button that holds the focus
// (Enter and Space press it, as the browser presses a focused button; it keeps
// every other key), and otherwise to the game's window, auto-repeat included.
// Alt alone or F10 enter the menu bar, Alt with a letter chooses on it, and Tab
// gives the enabled button the focus.
//
// The page takes the keys of the game's keyboard so that the browser does
// nothing with them (Space does not scroll, Alt+X and Alt+V open no menu of the
// browser's). The browser keeps its own: keys with Ctrl or ⌘ (reload, zoom, tab
// switching), Alt with a digit or an arrow (tab switching, history) and the
// function keys but F10. Those reach neither the game nor its menus.
mergeInto(LibraryManager.library, {
  $RopiKeys__deps: ['$RopiShared', '$RopiEvents', '$RopiWindow', '$RopiMenu', '$RopiBox'],
  $RopiKeys: {
    altAlone: false, // Alt is down and no other key came since: its release enters the bar

    isBrowsers: function (event) {
      if (event.ctrlKey || event.metaKey) return true;
      if (/^F([1-9]|1[1-9]|2[0-4])$/.test(event.key)) return true;
      return event.altKey && (/^(Digit|Numpad)[0-9]$/.test(event.code) ||
                              /^(Arrow|Home$|End$|Page)/.test(event.key));
    },

    modifiers: function (event) {
      return (event.shiftKey ? RopiShared.kShift : 0) | (event.ctrlKey ? RopiShared.kCtrl : 0) |
             (event.altKey ? RopiShared.kAlt : 0);
    },

    toGame: function (event) {
      RopiEvents.post(RopiShared.kKeyDown, 0, event.keyCode, RopiKeys.modifiers(event),
                      event.code, event.timeStamp);
    },

    down: function (event) {
      if (RopiBox.isOpen()) {
        // The box's own keys (Enter and Space on its button, Esc) work as the browser's
        // dialog has them; no key reaches the game behind it.
        if (!RopiKeys.isBrowsers(event) && !RopiBox.takes(event)) event.preventDefault();
        return;
      }
      if (event.key !== 'Alt') RopiKeys.altAlone = false;
      if (RopiMenu.active) {
        if (event.key === 'Alt') RopiKeys.altAlone = false; // Alt leaves the bar, see below
        RopiMenu.key(event);
        return;
      }
      if (RopiKeys.isBrowsers(event)) return;
      var button = RopiWindow.focusedButton();
      // The browser presses a focused button with Enter and Space.
      if (button && (event.key === 'Enter' || event.key === ' ') && !event.altKey) return;
      event.preventDefault();
      if (event.key === 'Tab' && !button) {
        var next = RopiWindow.focusableButton();
        if (next) {
          next.focus({ preventScroll: true });
          return;
        }
      }
      // Every key that no control takes reaches the window, Alt and the menu keys too.
      if (!button) RopiKeys.toGame(event);
      if (event.key === 'Alt') {
        if (!event.repeat) RopiKeys.altAlone = true;
      } else if (event.key === 'F10') {
        if (!event.repeat) RopiMenu.enter();
      } else if (event.altKey) {
        RopiMenu.accessKey(event);
      }
    },

    up: function (event) {
      if (event.key !== 'Alt' || RopiBox.isOpen()) return;
      event.preventDefault(); // a browser's own menu bar would come up
      var enter = RopiKeys.altAlone;
      RopiKeys.altAlone = false;
      if (enter && !RopiMenu.active) RopiMenu.enter();
    }
  },

  ropi_keys_install__deps: ['$RopiKeys'],
  ropi_keys_install: function () {
    document.addEventListener('keydown', RopiKeys.down, true);
    document.addEventListener('keyup', RopiKeys.up, true);
    // Once the game has ended, the keys are the browser's again.
    window.addEventListener('ropi-exit', function () {
      document.removeEventListener('keydown', RopiKeys.down, true);
      document.removeEventListener('keyup', RopiKeys.up, true);
    });
    window.addEventListener('blur', function () { RopiKeys.altAlone = false; });
  }
});
