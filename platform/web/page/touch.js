// Play by touch. The page is in touch mode when its pointer is coarse at load (a
// phone, a tablet) or from the first touch on the screen; until then nothing of
// this shows. In touch mode the game's window makes room for a bar of buttons
// beside it, below in portrait and to the right in landscape, so that the bar
// covers nothing of the window. The bar mirrors the window's key captions
// (platform/Controls.h, Label): the game's side reads them and tells the page
// each label's key, its words and whether it gets the large button
// (ropi_label_key); a button with those words presses that key. It acts the
// moment the finger lands, through the same queue as the key itself. When the
// device turns, the game has a new screen and lays itself out again on it.
mergeInto(LibraryManager.library, {
  $RopiTouch__deps: ['$RopiShared', '$RopiEvents'],
  $RopiTouch: {
    watching: false,
    active: false,
    bar: null,
    captions: '', // the key captions the bar was made from
    onEnter: [], // told when touch mode begins

    // Decides once whether the page starts in touch mode, and listens for the first touch.
    watch: function () {
      if (RopiTouch.watching) return;
      RopiTouch.watching = true;
      RopiTouch.active = !!(window.matchMedia && matchMedia('(pointer: coarse)').matches);
      if (RopiTouch.active) document.body.classList.add('ropi-touch');
      document.addEventListener('pointerdown', function (event) {
        if (event.pointerType === 'touch' && !RopiTouch.active) RopiTouch.enter();
      }, true);
      document.addEventListener('contextmenu', function (event) {
        if (RopiTouch.active) event.preventDefault();
      }, true);
    },

    enter: function () {
      RopiTouch.active = true;
      document.body.classList.add('ropi-touch');
      RopiTouch.build();
      RopiTouch.onEnter.forEach(function (then) { then(); });
    },

    // The bar's thickness in CSS pixels: its height in portrait, its width in landscape.
    thickness: function () {
      var wide = innerWidth > innerHeight;
      var share = wide ? innerWidth * 0.28 : innerHeight * 0.26;
      return Math.round(Math.min(Math.max(share, wide ? 200 : 190), wide ? 300 : 280));
    },

    // What the game's window has of the viewport, in CSS pixels.
    room: function () {
      RopiTouch.watch();
      var width = innerWidth, height = innerHeight;
      if (!RopiTouch.active) return { width: width, height: height };
      if (width > height) return { width: width - RopiTouch.thickness(), height: height };
      return { width: width, height: height - RopiTouch.thickness() };
    },

    // The bar where the room leaves it.
    place: function () {
      var bar = RopiTouch.bar;
      if (!bar) return;
      var wide = innerWidth > innerHeight, thickness = RopiTouch.thickness() + 'px';
      bar.dataset.shape = wide ? 'wide' : 'tall';
      bar.style.cssText = wide ? 'top:0;right:0;bottom:0;width:' + thickness
                               : 'left:0;right:0;bottom:0;height:' + thickness;
    },

    // The labels with a key, in reading order: column by column, each from the top.
    keyLabels: function () {
      var labels = [].slice.call(document.querySelectorAll('.ropi-window .ropi-label'));
      return labels.filter(function (label) { return label.ropiKey; }).map(function (label) {
        return { label: label, key: label.ropiKey, left: label.offsetLeft, top: label.offsetTop };
      }).sort(function (a, b) { return a.left - b.left || a.top - b.top; });
    },

    // The bar's buttons, made again whenever the key captions change.
    build: function () {
      if (!RopiTouch.active) return;
      var stage = document.getElementById('ropi-stage');
      if (!stage || !document.querySelector('.ropi-window')) return;
      var found = RopiTouch.keyLabels();
      var captions = found.map(function (f) {
        return [f.key.keyCode, f.key.words, f.key.main].join(' ');
      }).join('\n');
      if (RopiTouch.bar && captions === RopiTouch.captions) return;
      RopiTouch.captions = captions;
      if (!RopiTouch.bar) {
        RopiTouch.bar = document.createElement('nav');
        RopiTouch.bar.className = 'ropi-touchbar';
        stage.appendChild(RopiTouch.bar);
      }
      var bar = RopiTouch.bar, keys = document.createElement('div'), main = null;
      bar.textContent = '';
      keys.className = 'ropi-touch-keys';
      bar.appendChild(keys);
      found.forEach(function (f) {
        var button = RopiTouch.button(f);
        if (f.key.main && !main) {
          main = button;
          button.classList.add('ropi-touch-main');
          button.style.backgroundColor = f.label.style.color;
        } else {
          keys.appendChild(button);
        }
      });
      if (main) bar.appendChild(main);
      RopiTouch.place();
    },

    button: function (found) {
      var button = document.createElement('button');
      button.type = 'button';
      button.tabIndex = -1; // the keys stay with the game's window
      button.className = 'ropi-touch-key';
      button.textContent = found.key.words;
      var key = found.key;
      button.addEventListener('pointerdown', function (event) {
        event.preventDefault(); // no focus, no click, no mouse events after it
        if (document.querySelector('dialog[open]')) return;
        button.classList.add('ropi-pressed');
        RopiEvents.post(RopiShared.kKeyDown, 0, key.keyCode, 0, '', event.timeStamp);
      });
      ['pointerup', 'pointercancel', 'pointerleave'].forEach(function (kind) {
        button.addEventListener(kind, function () { button.classList.remove('ropi-pressed'); });
      });
      return button;
    }
  },

  ropi_label_key__deps: ['$RopiTouch', '$RopiWindow'],
  ropi_label_key: function (element, keyCode, words, main) {
    var label = RopiWindow.elements[element];
    label.ropiKey = keyCode ? { keyCode: keyCode, words: UTF16ToString(words), main: !!main }
                            : null;
    if (RopiTouch.active) RopiTouch.build();
  }
});
