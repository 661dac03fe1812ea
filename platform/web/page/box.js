// The message box: a modal <dialog> with the caption, the icon, the text and its
// buttons (OK; OK and キャンセル; はい, いいえ and キャンセル), closed as the browser
// closes a dialog: by a button (Enter or Space on it, or a click), by Esc, or by
// the close box, which answer キャンセル where there is one. The game hears which. Unlike alert() it lets the page run on,
// so the game's timers tick behind it; the game's loop waits for its closing
// (WebServices.cpp). Afterwards the control that had the keys has them again.
// The page hears of the box coming and going (the event "ropi-box", whose detail
// is its title, its text and whether it is up).
mergeInto(LibraryManager.library, {
  $RopiBox__deps: ['$RopiShared', '$RopiEvents', '$RopiWindow'],
  $RopiBox: {
    dialog: null,
    focusBefore: null,
    ICONS: { 16: 'critical', 32: 'question', 64: 'information' },
    // The buttons of each style, by the answer each gives (MsgBoxResult).
    BUTTONS: { 0: [[1, 'OK']], 1: [[1, 'OK'], [2, 'キャンセル']],
               3: [[6, 'はい'], [7, 'いいえ'], [2, 'キャンセル']] },

    isOpen: function () { return !!(RopiBox.dialog && RopiBox.dialog.open); },

    // The keys the open box takes itself, as the browser's dialog does.
    takes: function (event) {
      return ['Enter', ' ', 'Escape', 'Tab'].indexOf(event.key) >= 0 && !event.altKey;
    },

    build: function () {
      var dialog = document.createElement('dialog');
      dialog.className = 'ropi-box';
      dialog.setAttribute('role', 'alertdialog');
      dialog.setAttribute('aria-labelledby', 'ropi-box-title');
      dialog.setAttribute('aria-describedby', 'ropi-box-text');
      dialog.innerHTML =
        '<form method="dialog">' +
        '<div class="ropi-box-caption"><span id="ropi-box-title"></span>' +
        '<button class="ropi-box-close" tabindex="-1" aria-label="閉じる">×</button></div>' +
        '<div class="ropi-box-body"><span class="ropi-box-icon" aria-hidden="true"></span>' +
        '<p id="ropi-box-text"></p></div>' +
        '<div class="ropi-box-buttons"></div></form>';
      dialog.addEventListener('close', RopiBox.closed);
      document.body.appendChild(dialog);
      RopiBox.dialog = dialog;
    },

    announce: function (open) {
      var text = function (part) { return RopiBox.dialog.querySelector(part).textContent; };
      window.dispatchEvent(new CustomEvent('ropi-box', { detail: {
        title: text('#ropi-box-title'), text: text('#ropi-box-text'), open: open } }));
    },

    closed: function () {
      var answer = Number(RopiBox.dialog.returnValue) ||
                   Number(RopiBox.dialog.querySelector('.ropi-box-button:last-child').value);
      RopiBox.announce(false);
      RopiWindow.focusBack(RopiBox.focusBefore);
      RopiBox.focusBefore = null;
      RopiEvents.post(RopiShared.kBoxClosed, answer);
    }
  },

  ropi_box_show__deps: ['$RopiBox'],
  ropi_box_show: function (text, title, icon, buttons) {
    if (!RopiBox.dialog) RopiBox.build();
    var dialog = RopiBox.dialog, row = dialog.querySelector('.ropi-box-buttons');
    row.textContent = '';
    (RopiBox.BUTTONS[buttons] || RopiBox.BUTTONS[0]).forEach(function (button) {
      var element = document.createElement('button');
      element.className = 'ropi-box-button';
      element.value = button[0];
      element.textContent = button[1];
      row.appendChild(element);
    });
    dialog.returnValue = '';
    dialog.querySelector('#ropi-box-title').textContent = UTF16ToString(title);
    dialog.querySelector('#ropi-box-text').textContent =
      UTF16ToString(text).replace(/\r\n/g, '\n');
    dialog.querySelector('.ropi-box-icon').dataset.icon = RopiBox.ICONS[icon] || '';
    RopiBox.focusBefore = document.activeElement;
    dialog.showModal();
    row.firstChild.focus();
    RopiBox.announce(true);
  }
});
