// The message box: a modal <dialog> with the caption, the icon and the text,
// closed by its button, Enter, Esc, or Space released. Unlike alert() it lets
// the page run on, so the game's timers tick behind it; the game's loop waits
// for its closing (WebServices.cpp). Afterwards the control that had the keys
// has them again.
mergeInto(LibraryManager.library, {
  $RopiBox__deps: ['$RopiEvents', '$RopiWindow'],
  $RopiBox: {
    dialog: null,
    focusBefore: null,
    spaceDown: false,
    ICONS: { 16: 'critical', 32: 'question', 48: 'exclamation', 64: 'information' },

    isOpen: function () { return !!(RopiBox.dialog && RopiBox.dialog.open); },

    build: function () {
      var dialog = document.createElement('dialog');
      dialog.className = 'ropi-box';
      dialog.setAttribute('role', 'alertdialog');
      dialog.setAttribute('aria-labelledby', 'ropi-box-title');
      dialog.setAttribute('aria-describedby', 'ropi-box-text');
      dialog.innerHTML =
        '<div class="ropi-box-caption"><span id="ropi-box-title"></span>' +
        '<button type="button" class="ropi-box-close" tabindex="-1" aria-label="閉じる">×</button></div>' +
        '<div class="ropi-box-body"><span class="ropi-box-icon" aria-hidden="true"></span>' +
        '<p id="ropi-box-text"></p></div>' +
        '<div class="ropi-box-buttons"><button type="button" class="ropi-box-ok">OK</button></div>';
      dialog.querySelector('.ropi-box-ok').addEventListener('click', RopiBox.close);
      dialog.querySelector('.ropi-box-close').addEventListener('click', RopiBox.close);
      // Esc closes it the same way as the button.
      dialog.addEventListener('cancel', function (event) {
        event.preventDefault();
        RopiBox.close();
      });
      document.body.appendChild(dialog);
      RopiBox.dialog = dialog;
    },

    close: function () {
      if (!RopiBox.isOpen()) return;
      RopiBox.spaceDown = false;
      RopiBox.dialog.querySelector('.ropi-box-ok').classList.remove('ropi-pressed');
      RopiBox.dialog.close();
      ropiReport('box-closed', RopiBox.dialog.querySelector('#ropi-box-title').textContent);
      var back = RopiBox.focusBefore;
      RopiBox.focusBefore = null;
      if (back && back !== document.body && !back.disabled && back.offsetParent !== null)
        back.focus({ preventScroll: true });
      else RopiWindow.focusWindow();
      RopiEvents.post(RopiEvents.BOX_CLOSED);
    },

    // Keys while the box is up are the box's, but the browser's own.
    key: function (event) {
      if (event.ctrlKey || event.metaKey) return;
      event.preventDefault();
      if ((event.key === 'Enter' || event.key === 'Escape') && !event.repeat) RopiBox.close();
      if (event.key === ' ' && !event.repeat) {
        RopiBox.spaceDown = true;
        RopiBox.dialog.querySelector('.ropi-box-ok').classList.add('ropi-pressed');
      }
    },

    keyUp: function (event) {
      if (event.key === ' ' && RopiBox.spaceDown) {
        event.preventDefault();
        RopiBox.close();
      }
    }
  },

  ropi_box_show__deps: ['$RopiBox'],
  ropi_box_show: function (text, title, icon) {
    if (!RopiBox.dialog) RopiBox.build();
    var dialog = RopiBox.dialog;
    dialog.querySelector('#ropi-box-title').textContent = UTF16ToString(title);
    dialog.querySelector('#ropi-box-text').textContent =
      UTF16ToString(text).replace(/\r\n/g, '\n');
    dialog.querySelector('.ropi-box-icon').dataset.icon = RopiBox.ICONS[icon] || '';
    RopiBox.focusBefore = document.activeElement;
    dialog.showModal();
    dialog.querySelector('.ropi-box-ok').focus();
    ropiReport('box', UTF16ToString(title)); // see page/pre.js
  }
});
