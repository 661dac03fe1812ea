// The game's window as elements of the page: the window with its menu bar and
// client area, a frame, labels, the button and the picture. The game places
// them in pixels of the screen; the page shows them in CSS pixels at the
// devicePixelRatio it had at load, when the game measured the screen. In touch
// mode (page/touch.js) the screen is what the touch bar leaves of the viewport,
// and the game is told when that changes. A caption too long or too tall for its
// box is drawn smaller until it fits.
mergeInto(LibraryManager.library, {
  $RopiWindow__deps: ['$RopiShared', '$RopiEvents', '$RopiTouch'],
  $RopiWindow: {
    elements: [null], // by the number the game knows them by
    bitmaps: [null],
    screen: null, // the game's room at load, in device pixels: {width, height, ratio}
    window: null,
    buttons: [], // in the order made: what Tab gives the focus to

    measure: function () {
      if (!RopiWindow.screen) {
        var ratio = window.devicePixelRatio || 1, room = RopiTouch.room();
        RopiWindow.screen = {
          width: Math.round(room.width * ratio),
          height: Math.round(room.height * ratio),
          ratio: ratio
        };
      }
      return RopiWindow.screen;
    },

    // In touch mode the game's room follows the viewport: measured again, and when it has
    // another size (the device turned, touch mode began), the game lays itself out again.
    resized: function () {
      if (!RopiTouch.active) return;
      RopiTouch.place();
      var before = RopiWindow.screen;
      RopiWindow.screen = null;
      var after = RopiWindow.measure();
      RopiWindow.fit();
      if (!before || before.width !== after.width || before.height !== after.height ||
          before.ratio !== after.ratio)
        RopiEvents.post(RopiShared.kResize);
    },

    add: function (element) {
      RopiWindow.elements.push(element);
      return RopiWindow.elements.length - 1;
    },

    // Pixels of the screen as CSS pixels.
    css: function (pixels) {
      return pixels / RopiWindow.measure().ratio + 'px';
    },

    place: function (element, x, y, width, height) {
      var style = element.style;
      style.left = RopiWindow.css(x);
      style.top = RopiWindow.css(y);
      style.width = RopiWindow.css(width);
      style.height = RopiWindow.css(height);
    },

    colour: function (bgr) {
      return 'rgb(' + (bgr & 255) + ',' + ((bgr >> 8) & 255) + ',' + ((bgr >> 16) & 255) + ')';
    },

    make: function (parent, tag, className) {
      var element = document.createElement(tag);
      element.className = className;
      RopiWindow.elements[parent].appendChild(element);
      return element;
    },

    // The window keeps the size it was given at load. When the browser window changes, the
    // whole game is scaled to fit it, centred on black, so that it fills the view as it did
    // and the page never scrolls: the game's layout is made once, as on the desktop.
    fit: function () {
      var element = RopiWindow.window;
      if (!element) return;
      if (RopiTouch.active) { // laid out for its room: no scaling
        element.style.transform = '';
        return;
      }
      var width = element.offsetWidth, height = element.offsetHeight;
      if (!width || !height) return;
      var scale = Math.min(window.innerWidth / width, window.innerHeight / height);
      if (Math.abs(scale - 1) < 0.001) {
        element.style.transform = '';
        return;
      }
      var x = (window.innerWidth - width * scale) / 2, y = (window.innerHeight - height * scale) / 2;
      element.style.transform = 'translate(' + x + 'px,' + y + 'px) scale(' + scale + ')';
    },

    // A caption that does not fit its box at the game's size is drawn smaller until it
    // does; one that fits keeps the game's size. Only what is shown can be measured: the
    // rest is fitted when it shows.
    fitCaption: function (element) {
      if (!element.ropiFontSize) return;
      element.style.fontSize = element.ropiFontSize;
      var width = element.clientWidth, height = element.clientHeight;
      if (!width || !height) return;
      // A button's caption keeps clear of its raised edge, which an italic's slant would
      // otherwise cross.
      var text = element.localName === 'button' ? element.firstChild : null;
      var edge = text ? 8 : 0;
      var over = function () {
        return element.scrollWidth > width || element.scrollHeight > height ||
               !!text && (text.offsetWidth > width - edge || text.offsetHeight > height);
      };
      if (!over()) return;
      var size = parseFloat(getComputedStyle(element).fontSize);
      var wide = Math.max(element.scrollWidth, text ? text.offsetWidth : 0);
      var tall = Math.max(element.scrollHeight, text ? text.offsetHeight : 0);
      size = Math.floor(2 * size * Math.min((width - edge) / wide, height / tall)) / 2;
      for (;;) {
        element.style.fontSize = size + 'px';
        if (!over() || size <= 1) return;
        size -= 0.5;
      }
    },

    fitCaptions: function () {
      document.querySelectorAll('.ropi-label, .ropi-button').forEach(RopiWindow.fitCaption);
    },

    // The button that holds the keyboard focus, if one does.
    focusedButton: function () {
      var focused = document.activeElement;
      return RopiWindow.buttons.indexOf(focused) >= 0 ? focused : null;
    },

    // The first button that can take the focus: enabled and shown.
    focusableButton: function () {
      return RopiWindow.buttons.find(function (button) {
        return !button.disabled && button.offsetParent !== null;
      }) || null;
    },

    // The window takes the keys again.
    focusWindow: function () {
      if (RopiWindow.window) RopiWindow.window.focus({ preventScroll: true });
    },

    // The keys back to the control that had them before a menu or a box took them, if it
    // still can take them; to the window otherwise.
    focusBack: function (control) {
      if (control && control !== document.body && !control.disabled &&
          control.offsetParent !== null)
        control.focus({ preventScroll: true });
      else RopiWindow.focusWindow();
    },

    // The canvas holds the picture scaled to the control, drawn once per picture or size: a
    // jump only moves it.
    paint: function (canvas) {
      var context = canvas.getContext('2d');
      context.clearRect(0, 0, canvas.width, canvas.height);
      if (!canvas.ropiBitmap || !canvas.width || !canvas.height) return;
      context.imageSmoothingEnabled = true;
      context.imageSmoothingQuality = 'high';
      context.drawImage(canvas.ropiBitmap, 0, 0, canvas.width, canvas.height);
    },

    // A quiet word for screen readers, which the eye does not see.
    announce: function (text) {
      var region = document.getElementById('ropi-announce');
      if (!region || !text) return;
      // The same words twice are still news: the region is emptied first.
      region.textContent = '';
      setTimeout(function () { region.textContent = text; }, 50);
    }
  },

  ropi_screen_width__deps: ['$RopiWindow'],
  ropi_screen_width: function () { return RopiWindow.measure().width; },
  ropi_screen_height__deps: ['$RopiWindow'],
  ropi_screen_height: function () { return RopiWindow.measure().height; },
  ropi_screen_dpi__deps: ['$RopiWindow'],
  ropi_screen_dpi: function () { return 96 * RopiWindow.measure().ratio; },

  ropi_form_create__deps: ['$RopiWindow'],
  ropi_form_create: function (caption, backColor, faces) {
    var title = UTF16ToString(caption);
    document.title = title;
    document.documentElement.style.setProperty('--ropi-face', UTF16ToString(faces));
    var stage = document.getElementById('ropi-stage') || document.body;
    var element = document.createElement('div');
    element.className = 'ropi-window';
    element.hidden = true;
    element.tabIndex = -1; // holds the keys when no control does
    // Keys are the game's own; a screen reader passes them through.
    element.setAttribute('role', 'application');
    element.setAttribute('aria-label', title);
    stage.appendChild(element);
    RopiWindow.window = element;
    var form = RopiWindow.add(element);
    // The menu bar's place (page/menu.js fills it).
    var bar = document.createElement('div');
    bar.className = 'ropi-menubar';
    element.appendChild(bar);
    var client = document.createElement('div');
    client.className = 'ropi-client';
    client.style.backgroundColor = RopiWindow.colour(backColor);
    element.appendChild(client);
    element.ropiClient = RopiWindow.add(client);
    window.addEventListener('resize', RopiWindow.fit);
    RopiTouch.watch();
    RopiTouch.onEnter.push(RopiWindow.resized);
    ['resize', 'orientationchange'].forEach(function (kind) {
      window.addEventListener(kind, RopiWindow.resized);
    });
    return form;
  },

  ropi_form_client__deps: ['$RopiWindow'],
  ropi_form_client: function (form) { return RopiWindow.elements[form].ropiClient; },

  ropi_form_place__deps: ['$RopiWindow'],
  ropi_form_place: function (form, x, y, width, height) {
    RopiWindow.place(RopiWindow.elements[form], x, y, width, height);
    RopiWindow.fit();
  },

  ropi_form_show__deps: ['$RopiWindow'],
  ropi_form_show: function (form) {
    var element = RopiWindow.elements[form];
    if (!element.hidden) return;
    element.hidden = false;
    document.body.dataset.state = 'running';
    RopiWindow.fit();
    RopiWindow.fitCaptions();
    RopiTouch.build();
    RopiWindow.focusWindow();
  },

  ropi_frame_create__deps: ['$RopiWindow'],
  ropi_frame_create: function (parent, backColor) {
    var element = RopiWindow.make(parent, 'div', 'ropi-frame');
    element.style.backgroundColor = RopiWindow.colour(backColor);
    return RopiWindow.add(element);
  },

  ropi_label_create__deps: ['$RopiWindow'],
  ropi_label_create: function (parent, foreColor, points) {
    var element = RopiWindow.make(parent, 'div', 'ropi-label');
    element.setAttribute('role', 'note');
    element.style.color = RopiWindow.colour(foreColor);
    element.style.fontSize = element.ropiFontSize = points + 'pt';
    return RopiWindow.add(element);
  },

  ropi_button_create__deps: ['$RopiWindow', '$RopiEvents'],
  ropi_button_create: function (parent, backColor, points, italic) {
    var element = RopiWindow.make(parent, 'button', 'ropi-button');
    element.type = 'button';
    element.tabIndex = -1; // Tab reaches it through the game's window, never the browser's bar
    element.style.backgroundColor = RopiWindow.colour(backColor);
    element.style.fontSize = element.ropiFontSize = points + 'pt';
    element.style.fontStyle = italic ? 'italic' : 'normal';
    var caption = document.createElement('span');
    element.appendChild(caption);
    var number = RopiWindow.add(element);
    // A click, by mouse or by the keys that press a focused button (page/keys.js).
    element.addEventListener('click', function () {
      if (!element.disabled) RopiEvents.post(RopiShared.kClick, number);
    });
    RopiWindow.buttons.push(element);
    return number;
  },

  ropi_image_create__deps: ['$RopiWindow'],
  ropi_image_create: function (parent) {
    var element = RopiWindow.make(parent, 'canvas', 'ropi-image');
    element.setAttribute('aria-hidden', 'true'); // the cat is heard too: every jump has its cue
    element.width = element.height = 0;
    return RopiWindow.add(element);
  },

  ropi_control_place__deps: ['$RopiWindow'],
  ropi_control_place: function (number, x, y, width, height) {
    var element = RopiWindow.elements[number];
    if (element.localName !== 'canvas') {
      RopiWindow.place(element, x, y, width, height);
      RopiWindow.fitCaption(element);
      return;
    }
    // The cat jumps at every tick: moved by a transform, which the compositor does alone, with
    // no layout; its size is set only when it changes.
    element.style.transform = 'translate(' + RopiWindow.css(x) + ',' + RopiWindow.css(y) + ')';
    var size = [RopiWindow.css(width), RopiWindow.css(height)];
    if (element.style.width !== size[0] || element.style.height !== size[1]) {
      element.style.width = size[0];
      element.style.height = size[1];
    }
    if (element.width !== width || element.height !== height) {
      element.width = width;
      element.height = height;
      RopiWindow.paint(element);
    }
  },

  ropi_control_visible__deps: ['$RopiWindow'],
  ropi_control_visible: function (number, visible) {
    var element = RopiWindow.elements[number];
    if (element.hidden === !visible) return;
    element.hidden = !visible;
    if (visible) RopiWindow.fitCaption(element);
    if (!visible && document.activeElement === element) RopiWindow.focusWindow();
  },

  ropi_control_order__deps: ['$RopiWindow'],
  ropi_control_order: function (number, toBack) {
    var element = RopiWindow.elements[number], parent = element.parentNode;
    if (toBack) parent.insertBefore(element, parent.firstChild);
    else parent.appendChild(element);
  },

  ropi_control_remove__deps: ['$RopiWindow'],
  ropi_control_remove: function (number) {
    var element = RopiWindow.elements[number];
    if (!element) return;
    element.remove();
    RopiWindow.elements[number] = null;
    RopiWindow.buttons = RopiWindow.buttons.filter(function (b) { return b !== element; });
  },

  ropi_label_caption__deps: ['$RopiWindow'],
  ropi_label_caption: function (number, caption) {
    var element = RopiWindow.elements[number], text = UTF16ToString(caption);
    if (element.textContent === text) return; // written again only when it changes
    element.textContent = text;
    element.setAttribute('aria-label', text);
    RopiWindow.fitCaption(element);
    if (RopiTouch.active) RopiTouch.build();
  },

  ropi_button_caption__deps: ['$RopiWindow'],
  ropi_button_caption: function (number, caption) {
    var element = RopiWindow.elements[number];
    var text = UTF16ToString(caption).replace(/\r\n/g, '\n');
    if (element.firstChild.textContent === text) return;
    element.firstChild.textContent = text;
    RopiWindow.fitCaption(element);
  },

  ropi_button_enabled__deps: ['$RopiWindow'],
  ropi_button_enabled: function (number, enabled) {
    var element = RopiWindow.elements[number], was = !element.disabled;
    var hadFocus = document.activeElement === element;
    element.disabled = !enabled;
    // A disabled button takes no keys: the window has them again.
    if (!enabled && hadFocus) RopiWindow.focusWindow();
    // A button that becomes usable says what it offers (the end of a round).
    if (enabled && !was) RopiWindow.announce(element.textContent.replace(/\n/g, ' '));
  },

  ropi_image_picture__deps: ['$RopiWindow'],
  ropi_image_picture: function (number, bitmap) {
    var element = RopiWindow.elements[number];
    element.ropiBitmap = RopiWindow.bitmaps[bitmap] || null;
    RopiWindow.paint(element);
  },

  ropi_picture_decode__deps: ['$RopiWindow'],
  ropi_picture_decode: function (bytes, length) {
    return Asyncify.handleSleep(function (wakeUp) {
      var blob = new Blob([HEAPU8.slice(bytes, bytes + length)], { type: 'image/gif' });
      createImageBitmap(blob).then(function (bitmap) {
        RopiWindow.bitmaps.push(bitmap);
        wakeUp(RopiWindow.bitmaps.length - 1);
      }, function () { wakeUp(0); });
    });
  },

  ropi_picture_release__deps: ['$RopiWindow'],
  ropi_picture_release: function (bitmap) {
    var picture = RopiWindow.bitmaps[bitmap];
    RopiWindow.bitmaps[bitmap] = null;
    // A canvas keeps what it drew; the bitmap itself can go.
    if (picture && picture.close) picture.close();
  }
});
