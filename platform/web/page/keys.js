// Where a key press goes, as on the desktop: to the message box while it is up,
// to the menu bar while it has the keys, to the button that holds the focus
// (Enter and Space press it; it keeps every other key), and otherwise to the
// game's window, auto-repeat included. Alt alone or F10 enter the menu bar,
// Alt with a letter chooses on it, and Tab gives the enabled button the focus.
//
// The page takes the keys of the game's keyboard so that the browser does
// nothing with them (Space does not scroll, Alt+X and Alt+V open no menu of the
// browser's). The browser keeps its own: keys with Ctrl or ⌘ (reload, zoom, tab
// switching), Alt with a digit or an arrow (tab switching, history) and the
// function keys but F10. Those reach neither the game nor its menus.
mergeInto(LibraryManager.library, {
  $RopiKeys__deps: ['$RopiEvents', '$RopiWindow', '$RopiMenu', '$RopiBox'],
  $RopiKeys: {
    installed: false,
    altAlone: false, // Alt is down and no other key came since: its release enters the bar
    pressed: null, // the button Space pressed in, clicked when Space comes up

    install: function () {
      if (RopiKeys.installed) return;
      RopiKeys.installed = true;
      document.addEventListener('keydown', RopiKeys.down, true);
      document.addEventListener('keyup', RopiKeys.up, true);
      // Once the game has ended, the keys are the browser's again.
      window.addEventListener('ropi-exit', function () {
        document.removeEventListener('keydown', RopiKeys.down, true);
        document.removeEventListener('keyup', RopiKeys.up, true);
      });
      window.addEventListener('blur', function () {
        RopiKeys.altAlone = false;
        RopiKeys.release(false);
      });
    },

    isBrowsers: function (event) {
      if (event.ctrlKey || event.metaKey) return true;
      if (/^F([1-9]|1[1-9]|2[0-4])$/.test(event.key)) return true;
      return event.altKey && (/^(Digit|Numpad)[0-9]$/.test(event.code) ||
                              /^(Arrow|Home$|End$|Page)/.test(event.key));
    },

    modifiers: function (event) {
      return (event.shiftKey ? 1 : 0) | (event.ctrlKey ? 2 : 0) | (event.altKey ? 4 : 0);
    },

    toGame: function (event) {
      RopiEvents.post(RopiEvents.KEY_DOWN, 0, event.keyCode, RopiKeys.modifiers(event),
                      event.code);
    },

    // Lets go of a button pressed in by Space; clicks it if asked.
    release: function (click) {
      var button = RopiKeys.pressed;
      if (!button) return;
      RopiKeys.pressed = null;
      button.classList.remove('ropi-pressed');
      if (click && document.activeElement === button) button.click();
    },

    down: function (event) {
      if (RopiBox.isOpen()) {
        RopiBox.key(event);
        return;
      }
      if (event.key !== 'Alt') RopiKeys.altAlone = false;
      if (RopiMenu.active) {
        if (event.key === 'Alt') RopiKeys.altAlone = false; // Alt leaves the bar, see below
        RopiMenu.key(event);
        return;
      }
      if (RopiKeys.isBrowsers(event)) return;
      event.preventDefault();
      var button = RopiWindow.focusedButton();
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
      } else if (event.altKey && RopiMenu.accessKey(event)) {
        // chosen on the bar
      } else if (button) {
        if (event.key === 'Enter' && !event.repeat) button.click();
        if (event.key === ' ' && !event.repeat && !button.disabled) {
          RopiKeys.pressed = button;
          button.classList.add('ropi-pressed');
        }
      }
    },

    up: function (event) {
      if (RopiBox.isOpen()) {
        RopiBox.keyUp(event);
        return;
      }
      if (event.key === 'Alt') {
        event.preventDefault(); // a browser's own menu bar would come up
        var enter = RopiKeys.altAlone;
        RopiKeys.altAlone = false;
        if (enter && !RopiMenu.active) RopiMenu.enter();
      } else if (event.key === ' ' && RopiKeys.pressed) {
        event.preventDefault();
        RopiKeys.release(true);
      }
    }
  }
});
