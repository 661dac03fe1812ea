// The window's menu bar: entries on the bar, drop-downs and submenus with
// separators and check marks. It opens by mouse or by keys (Alt alone or F10
// enter the bar; arrows move between and within the menus, past separators;
// Enter chooses; Esc closes a menu, then leaves the bar; Alt with the letter of
// an entry's "&" chooses it), and sends the game what was chosen. Only the game
// sets a mark: choosing an entry never changes one.
mergeInto(LibraryManager.library, {
  $RopiMenu__deps: ['$RopiShared', '$RopiEvents', '$RopiWindow'],
  $RopiMenu: {
    entries: [null], // by number: {parent, access, separator, element, list, children}
    top: [], // the entries on the bar, in order
    bar: null,
    active: false, // the bar has the keys
    open: [], // the entries whose menus are open, the bar's first
    hot: null, // the highlighted entry
    focusBefore: null,

    // The window's bar, which takes the menus from the first entry on.
    barOf: function (form) {
      if (!RopiMenu.bar) {
        var bar = RopiWindow.elements[form].querySelector('.ropi-menubar');
        bar.setAttribute('role', 'menubar');
        document.addEventListener('mousedown', function (event) {
          if (RopiMenu.active && !bar.contains(event.target)) RopiMenu.leave();
        }, true);
        RopiMenu.bar = bar;
      }
      return RopiMenu.bar;
    },

    // "終了(&X)": the text with X underlined, and X as the entry's letter.
    label: function (element, caption) {
      var at = caption.search(/&[^&]/);
      var text = caption.replace(/&(.)/g, '$1');
      var label = document.createElement('span');
      label.className = 'ropi-menu-text';
      if (at < 0) {
        label.textContent = text;
      } else {
        var access = document.createElement('u');
        access.textContent = text.charAt(at);
        label.append(text.slice(0, at), access, text.slice(at + 1));
      }
      element.appendChild(label);
      element.setAttribute('aria-label', text);
      return at < 0 ? '' : text.charAt(at).toUpperCase();
    },

    levelOf: function (entry) {
      return entry.parent ? RopiMenu.entries[entry.parent].children : RopiMenu.top;
    },

    render: function () {
      RopiMenu.entries.forEach(function (entry) {
        if (!entry) return;
        var isOpen = RopiMenu.open.indexOf(entry) >= 0;
        entry.element.classList.toggle('ropi-hot', entry === RopiMenu.hot || isOpen);
        if (entry.list) {
          entry.list.hidden = !isOpen;
          entry.element.setAttribute('aria-expanded', isOpen ? 'true' : 'false');
        }
      });
      if (RopiMenu.active && RopiMenu.hot) RopiMenu.hot.element.focus({ preventScroll: true });
    },

    enter: function () {
      if (!RopiMenu.active) {
        RopiMenu.focusBefore = document.activeElement;
        RopiMenu.active = true;
      }
      RopiMenu.open = [];
      RopiMenu.hot = RopiMenu.top[0] || null;
      RopiMenu.render();
    },

    leave: function () {
      if (!RopiMenu.active) return;
      RopiMenu.active = false;
      RopiMenu.open = [];
      RopiMenu.hot = null;
      RopiMenu.render();
      RopiWindow.focusBack(RopiMenu.focusBefore);
      RopiMenu.focusBefore = null;
    },

    // Opens the entry's menu, its first or last entry highlighted.
    openMenu: function (entry, last) {
      if (!entry.children.length) return;
      if (!RopiMenu.active) RopiMenu.enter();
      var depth = entry.parent ? RopiMenu.open.indexOf(RopiMenu.entries[entry.parent]) + 1 : 0;
      RopiMenu.open = RopiMenu.open.slice(0, depth).concat([entry]);
      RopiMenu.hot = RopiMenu.step(entry.children, last ? 0 : -1, last ? -1 : 1);
      RopiMenu.render();
    },

    // The next entry from `from` (an index, -1 before the first) in a direction, past
    // separators, round the end.
    step: function (level, from, direction) {
      var n = level.length;
      for (var i = 1; i <= n; i++) {
        var entry = level[(((from + direction * i) % n) + n) % n];
        if (!entry.separator) return entry;
      }
      return null;
    },

    choose: function (entry) {
      if (!entry || entry.separator || entry.disabled) return;
      if (entry.children.length) {
        RopiMenu.openMenu(entry, false);
        return;
      }
      RopiMenu.leave();
      RopiEvents.post(RopiShared.kMenu, entry.number);
    },

    // Alt with a letter: the entry on the bar with that letter, if any.
    accessKey: function (event) {
      var letter = event.keyCode >= 65 && event.keyCode <= 90 ? String.fromCharCode(event.keyCode)
                 : /^Key[A-Z]$/.test(event.code) ? event.code.charAt(3) : '';
      var entry = letter && RopiMenu.top.find(function (e) { return e.access === letter; });
      if (!entry) return false;
      if (!RopiMenu.active) RopiMenu.enter();
      RopiMenu.hot = entry;
      RopiMenu.choose(entry);
      return true;
    },

    // A key while the bar has them. The browser's own keys stay the browser's.
    key: function (event) {
      if (event.ctrlKey || event.metaKey) return;
      event.preventDefault();
      var hot = RopiMenu.hot, open = RopiMenu.open;
      var onBar = !hot || !hot.parent;
      var barIndex = RopiMenu.top.indexOf(open.length ? open[0] : hot);
      var moveOnBar = function (direction) {
        var next = RopiMenu.step(RopiMenu.top, barIndex, direction);
        if (open.length && next.children.length) RopiMenu.openMenu(next, false);
        else {
          RopiMenu.open = [];
          RopiMenu.hot = next;
          RopiMenu.render();
        }
      };
      switch (event.key) {
        case 'Alt':
        case 'F10':
          RopiMenu.leave();
          break;
        case 'Escape':
          if (open.length) {
            RopiMenu.hot = open.pop();
            RopiMenu.render();
          } else {
            RopiMenu.leave();
          }
          break;
        case 'ArrowLeft':
          if (open.length > 1) {
            RopiMenu.hot = open.pop();
            RopiMenu.render();
          } else {
            moveOnBar(-1);
          }
          break;
        case 'ArrowRight':
          if (!onBar && hot.children.length) RopiMenu.openMenu(hot, false);
          else moveOnBar(1);
          break;
        case 'ArrowDown':
        case 'ArrowUp':
          var down = event.key === 'ArrowDown';
          if (onBar) {
            RopiMenu.openMenu(hot, !down);
          } else {
            var level = RopiMenu.levelOf(hot);
            RopiMenu.hot = RopiMenu.step(level, level.indexOf(hot), down ? 1 : -1);
            RopiMenu.render();
          }
          break;
        case 'Enter':
          if (!event.repeat) RopiMenu.choose(hot);
          break;
        default:
          var letter = /^Key[A-Z]$/.test(event.code) ? event.code.charAt(3) : '';
          var level = open.length ? open[open.length - 1].children : RopiMenu.top;
          var entry = letter && level.find(function (e) { return e.access === letter; });
          if (entry) RopiMenu.choose(entry);
      }
    },

    // The mouse: a press on the bar opens or closes a drop-down; moving over the bar while
    // one is open opens another; moving over an entry highlights it and opens its submenu;
    // a click chooses.
    listen: function (entry) {
      var element = entry.element;
      element.addEventListener('mousedown', function (event) {
        if (event.button !== 0 || event.target.closest('.ropi-menu-entry') !== element) return;
        event.preventDefault();
        if (entry.parent) return;
        if (RopiMenu.open[0] === entry) {
          RopiMenu.leave();
        } else if (entry.children.length) {
          RopiMenu.openMenu(entry, false);
          RopiMenu.hot = entry;
          RopiMenu.render();
        }
      });
      element.addEventListener('click', function (event) {
        if (event.target.closest('.ropi-menu-entry') !== element) return;
        if (!entry.children.length) RopiMenu.choose(entry);
      });
      element.addEventListener('mouseover', function (event) {
        if (event.target.closest('.ropi-menu-entry') !== element || entry.separator) return;
        if (!entry.parent) {
          if (RopiMenu.open.length && RopiMenu.open[0] !== entry) {
            if (entry.children.length) RopiMenu.openMenu(entry, false);
            else RopiMenu.open = [];
            RopiMenu.hot = entry;
            RopiMenu.render();
          }
          return;
        }
        var parent = RopiMenu.entries[entry.parent];
        RopiMenu.open = RopiMenu.open.slice(0, RopiMenu.open.indexOf(parent) + 1);
        if (entry.children.length) RopiMenu.open.push(entry);
        RopiMenu.hot = entry;
        RopiMenu.render();
      });
    }
  },

  ropi_menu_add__deps: ['$RopiMenu'],
  ropi_menu_add: function (form, parent, caption, checked) {
    var text = UTF16ToString(caption);
    var number = RopiMenu.entries.length;
    var entry = { number: number, parent: parent, access: '', separator: text === '-',
                  element: document.createElement('div'), list: null, children: [] };
    var element = entry.element;
    element.className = 'ropi-menu-entry';
    element.tabIndex = -1;
    if (entry.separator) {
      element.className = 'ropi-menu-separator';
      element.setAttribute('role', 'separator');
    } else if (!parent) {
      element.setAttribute('role', 'menuitem');
      entry.access = RopiMenu.label(element, text);
      if (entry.access) element.setAttribute('aria-keyshortcuts', 'Alt+' + entry.access);
    } else {
      // Every item can carry a mark, shown before its text.
      var mark = document.createElement('span');
      mark.className = 'ropi-menu-mark';
      mark.setAttribute('aria-hidden', 'true');
      element.appendChild(mark);
      entry.access = RopiMenu.label(element, text);
      element.setAttribute('role', 'menuitemcheckbox');
      element.setAttribute('aria-checked', checked ? 'true' : 'false');
    }
    if (!parent) {
      RopiMenu.barOf(form).appendChild(element);
      RopiMenu.top.push(entry);
    } else {
      var owner = RopiMenu.entries[parent];
      if (!owner.list) {
        // The first item inside an entry makes it a drop-down or a submenu.
        owner.list = document.createElement('div');
        owner.list.className = 'ropi-menu';
        owner.list.setAttribute('role', 'menu');
        owner.list.setAttribute('aria-label', owner.element.getAttribute('aria-label'));
        owner.list.hidden = true;
        owner.element.setAttribute('aria-haspopup', 'menu');
        owner.element.setAttribute('aria-expanded', 'false');
        if (owner.parent) {
          owner.element.setAttribute('role', 'menuitem');
          owner.element.removeAttribute('aria-checked');
          owner.element.classList.add('ropi-submenu');
        }
        owner.element.appendChild(owner.list);
      }
      owner.list.appendChild(element);
      owner.children.push(entry);
    }
    RopiMenu.entries.push(entry);
    RopiMenu.listen(entry);
    return number;
  },

  ropi_menu_checked__deps: ['$RopiMenu'],
  ropi_menu_checked: function (number, checked) {
    var entry = RopiMenu.entries[number];
    if (entry && entry.parent && !entry.children.length)
      entry.element.setAttribute('aria-checked', checked ? 'true' : 'false');
  },

  // A disabled entry is greyed and cannot be chosen; the keys still move over it.
  ropi_menu_enabled__deps: ['$RopiMenu'],
  ropi_menu_enabled: function (number, enabled) {
    var entry = RopiMenu.entries[number];
    if (!entry) return;
    entry.disabled = !enabled;
    if (enabled) entry.element.removeAttribute('aria-disabled');
    else entry.element.setAttribute('aria-disabled', 'true');
  },

  ropi_menu_remove__deps: ['$RopiMenu'],
  ropi_menu_remove: function (number) {
    var entry = RopiMenu.entries[number];
    if (!entry) return;
    entry.element.remove();
    RopiMenu.entries[number] = null;
  }
});
