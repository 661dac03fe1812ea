// The page's events for the game. Keys, clicks, menu choices and the closing of
// the message box are queued here as they happen; the game's own loop
// (WebEvents.cpp) takes them one by one and sleeps in between. Nothing here calls
// the game's handlers: while the game waits (for a cue to be heard, a file, a
// picture) the page stays responsive and its events wait in order.
mergeInto(LibraryManager.library, {
  $RopiEvents__deps: ['$RopiShared'],
  $RopiEvents: {
    queue: [],
    sleeper: null, // the game's sleep: {wakeUp, onEvents, timer}
    ending: false, // the end is listened for

    // `happened`: the browser's stamp of the event that brought it (a key's, a finger's),
    // on the page's clock; it stands for when the player pressed, however late the game
    // takes it. Without one, now.
    post: function (kind, target, keyCode, modifiers, code, happened) {
      var now = performance.now();
      RopiEvents.queue.push({
        kind: kind, target: target || 0, keyCode: keyCode || 0, modifiers: modifiers || 0,
        code: code || '', time: happened > now - 10000 && happened <= now ? happened : now
      });
      if (RopiEvents.sleeper && RopiEvents.sleeper.onEvents) RopiEvents.wake();
    },

    // Wakes the game wherever it sleeps; it looks again at what it waits for.
    wake: function () {
      var sleeper = RopiEvents.sleeper;
      if (!sleeper) return;
      RopiEvents.sleeper = null;
      clearTimeout(sleeper.timer);
      sleeper.wakeUp(0);
    },

    // Behind the message box only its own closing is taken; the rest waits for it.
    first: function (modal) {
      var queue = RopiEvents.queue;
      for (var i = 0; i < queue.length; i++)
        if (!modal || queue[i].kind === RopiShared.kBoxClosed) return i;
      return -1;
    }
  },

  ropi_sleep__deps: ['$RopiEvents'],
  ropi_sleep: function (ms, wakeOnEvents) {
    return Asyncify.handleSleep(function (wakeUp) {
      var sleeper = { wakeUp: wakeUp, onEvents: !!wakeOnEvents, timer: 0 };
      if (ms >= 0) {
        // The browser cuts a timeout's fraction of a millisecond and may then wake us a little
        // before the time asked; sleeping again for that little would be stretched to 4 ms (a
        // timeout set from a timeout, nested this deep, waits at least that). So the timeout
        // is rounded up, and the last fraction, which the page's coarse clock may still show,
        // is waited out here.
        var until = performance.now() + ms;
        sleeper.timer = setTimeout(function () {
          for (var now = performance.now(); now < until && now > until - 1; now = performance.now());
          RopiEvents.wake();
        }, Math.ceil(ms));
      }
      RopiEvents.sleeper = sleeper;
      if (!RopiEvents.ending) {
        // The game's end stops its loop where it stands: no sleep of it ends afterwards.
        RopiEvents.ending = true;
        window.addEventListener('ropi-exit', function () {
          if (RopiEvents.sleeper) clearTimeout(RopiEvents.sleeper.timer);
          RopiEvents.sleeper = null;
          RopiEvents.queue = [];
        });
      }
    });
  },

  ropi_event_next_time__deps: ['$RopiEvents'],
  ropi_event_next_time: function (modal) {
    var i = RopiEvents.first(modal);
    return i < 0 ? -1 : RopiEvents.queue[i].time;
  },

  ropi_event_take__deps: ['$RopiEvents'],
  ropi_event_take: function (modal, event, code, codeBytes) {
    var i = RopiEvents.first(modal);
    if (i < 0) return 0;
    var taken = RopiEvents.queue.splice(i, 1)[0];
    HEAP32[(event >> 2) + 0] = taken.kind;
    HEAP32[(event >> 2) + 1] = taken.target;
    HEAP32[(event >> 2) + 2] = taken.keyCode;
    HEAP32[(event >> 2) + 3] = taken.modifiers;
    stringToUTF8(taken.code, code, codeBytes);
    return 1;
  }
});
