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
    asking: null, // the request on its way
    lock: null, // the lock held

    take: function () {
      if (!RopiAwake.wanted || RopiAwake.asking || RopiAwake.lock || !RopiTouch.active ||
          document.hidden || !navigator.wakeLock)
        return;
      var asking = RopiAwake.asking = navigator.wakeLock.request('screen');
      asking.then(function (lock) {
        RopiAwake.asking = null;
        if (!RopiAwake.wanted) return lock.release().catch(function () {});
        RopiAwake.lock = lock;
        lock.addEventListener('release', function () {
          if (RopiAwake.lock === lock) RopiAwake.lock = null;
        });
      }, function () {
        if (RopiAwake.asking === asking) RopiAwake.asking = null;
      });
    },

    // A request still on its way sees that the lock is no longer wanted, and lets it go.
    give: function () {
      var lock = RopiAwake.lock;
      RopiAwake.lock = null;
      if (lock) lock.release().catch(function () {});
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
