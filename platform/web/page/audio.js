// The game's sound: one AudioContext for the run, each cue an AudioBuffer at the
// context's own rate, one voice at a time, started the moment the game plays it.
// The context tells when a voice has played out; it is heard only after the
// context's latency (base and output), and that is when the page tells the game
// that the cue has ended (WebAudio.cpp), so a hold lasts until the cue is heard.
mergeInto(LibraryManager.library, {
  $RopiAudio__deps: ['$RopiEvents'],
  $RopiAudio: {
    context: null,
    buffers: [null],
    source: null, // the voice sounding
    voices: 0,

    // A browser holds a context back until the player does something: the first key or click
    // lets it play.
    resume: function () {
      var context = RopiAudio.context;
      if (context && context.state === 'suspended') context.resume().catch(function () {});
    },

    latency: function () {
      var context = RopiAudio.context;
      return ((context.baseLatency || 0) + (context.outputLatency || 0)) * 1000;
    }
  },

  ropi_audio_open__deps: ['$RopiAudio', 'ropi_audio_close'],
  ropi_audio_open: function () {
    var Context = window.AudioContext || window.webkitAudioContext;
    try {
      RopiAudio.context = new Context({ latencyHint: 'interactive' });
    } catch (error) {
      return 0;
    }
    ['keydown', 'mousedown', 'pointerdown', 'touchend'].forEach(function (kind) {
      document.addEventListener(kind, RopiAudio.resume, true);
    });
    // At the game's end its sound stops with it.
    window.addEventListener('ropi-exit', _ropi_audio_close);
    return RopiAudio.context.sampleRate;
  },

  ropi_audio_close__deps: ['$RopiAudio', 'ropi_audio_stop'],
  ropi_audio_close: function () {
    _ropi_audio_stop();
    if (RopiAudio.context) RopiAudio.context.close().catch(function () {});
    RopiAudio.context = null;
  },

  // Interleaved 16-bit stereo as the game converted it, to the context's floats.
  ropi_audio_load__deps: ['$RopiAudio'],
  ropi_audio_load: function (stereo, frames) {
    var context = RopiAudio.context;
    if (!context) return 0;
    var buffer;
    try {
      buffer = context.createBuffer(2, frames, context.sampleRate);
    } catch (error) {
      return 0;
    }
    var left = buffer.getChannelData(0), right = buffer.getChannelData(1), at = stereo >> 1;
    for (var i = 0; i < frames; i++) {
      left[i] = HEAP16[at + 2 * i] / 32768;
      right[i] = HEAP16[at + 2 * i + 1] / 32768;
    }
    RopiAudio.buffers.push(buffer);
    return RopiAudio.buffers.length - 1;
  },

  ropi_audio_unload__deps: ['$RopiAudio'],
  ropi_audio_unload: function (buffer) { RopiAudio.buffers[buffer] = null; },

  ropi_audio_play__deps: ['$RopiAudio', 'ropi_audio_stop'],
  ropi_audio_play: function (buffer) {
    var context = RopiAudio.context;
    if (!context || !RopiAudio.buffers[buffer]) return 0;
    _ropi_audio_stop();
    var source = context.createBufferSource();
    var voice = ++RopiAudio.voices;
    source.buffer = RopiAudio.buffers[buffer];
    source.connect(context.destination);
    source.onended = function () {
      setTimeout(function () {
        _ropi_audio_ended(voice);
        // Only the hold of a shot waits for a cue's end (it sleeps deaf to events); the game's
        // loop, asleep until its next tick, is left asleep.
        var sleeper = RopiEvents.sleeper;
        if (sleeper && !sleeper.onEvents) RopiEvents.wake();
      }, RopiAudio.latency());
    };
    source.start();
    RopiAudio.source = source;
    return voice;
  },

  ropi_audio_stop__deps: ['$RopiAudio'],
  ropi_audio_stop: function () {
    var source = RopiAudio.source;
    if (!source) return;
    RopiAudio.source = null;
    source.onended = null; // cut off: the game counted its end already
    try {
      source.stop();
    } catch (error) {}
    source.disconnect();
  }
});
