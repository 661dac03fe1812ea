// The screen kept awake while the game's timers run (a round), for a player who
// only watches and touches: in touch mode, where the browser allows it (Screen
// Wake Lock). The browser lets the lock go when the page is hidden; it is taken
// again when the page shows while the timers still run. A refusal is no fault:
// the screen then dims as it would.
mergeInto(LibraryManager.library, {
  $RopiAwake__deps: ['$RopiTouch'],
  $RopiAwake: {
    watching: false,
    wanted: false, // a timer runs
    lock: null, // the lock held, or the request on its way

    take: function () {
      if (!RopiAwake.wanted || RopiAwake.lock || !RopiTouch.active || document.hidden ||
          !navigator.wakeLock)
        return;
      var asking = RopiAwake.lock = navigator.wakeLock.request('screen');
      asking.then(function (lock) {
        if (RopiAwake.lock !== asking || !RopiAwake.wanted) {
          if (RopiAwake.lock === asking) RopiAwake.lock = null;
          lock.release().catch(function () {});
          return;
        }
        RopiAwake.lock = lock;
        lock.addEventListener('release', function () {
          if (RopiAwake.lock === lock) RopiAwake.lock = null;
        });
      }, function () {
        if (RopiAwake.lock === asking) RopiAwake.lock = null;
      });
    },

    give: function () {
      var lock = RopiAwake.lock;
      if (!lock || typeof lock.release !== 'function') return; // a request still asking ends itself
      RopiAwake.lock = null;
      lock.release().catch(function () {});
    },

    watch: function () {
      if (RopiAwake.watching) return;
      RopiAwake.watching = true;
      document.addEventListener('visibilitychange', function () {
        if (!document.hidden) RopiAwake.take();
      });
      RopiTouch.onEnter.push(RopiAwake.take);
      window.addEventListener('ropi-exit', function () {
        RopiAwake.wanted = false;
        RopiAwake.give();
      });
    }
  },

  ropi_timers_running__deps: ['$RopiAwake'],
  ropi_timers_running: function (running) {
    RopiAwake.watch();
    RopiAwake.wanted = !!running;
    if (running) RopiAwake.take();
    else RopiAwake.give();
  }
});
