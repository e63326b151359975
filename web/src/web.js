// SPDX-License-Identifier: MIT
// web.js — the page's side of the web platform, linked into the game as an
// emscripten JavaScript library: the canvas, the wait for the next frame,
// and the queue of key events. The drivers in w*.c call these.
//
// Besides the keyboard, the page may hold the same keys from other sources
// (a finger, a gamepad's button) through Module.webKeys, and is called as
// Module.onAnimationFrame at each frame, just before the keys are fed.
mergeInto(LibraryManager.library, {
  $WebPlatform: {
    context: null,    // the canvas's 2-D context
    queue: [],        // key events not yet fed to the library
    draining: null,   // the events of the feed in progress
    heldBack: [],     // releases held for the next feed
    heldKeys: {},     // keys whose events wait behind a held release
    pressedNow: {},   // keys pressed in the feed in progress
    holders: {},      // for each key the library was told is down: who holds it
    // What the page and its benchmark read: frames shown, when the first
    // was, when the picture last changed, how long the game kept the main
    // thread between frames, and how many timer calls (the game's ticks
    // falling due) were made.
    stats: {frames: 0, firstFrameMs: 0, changedMs: 0, busyMs: 0, timerCalls: 0},

    // Notes that `source` holds the key `scancode` down or has let it go.
    // The library sees a key down while anyone holds it: its press when the
    // first holder comes, its release when the last one goes.
    hold: function(source, scancode, isDown) {
      var P = WebPlatform, holders = P.holders[scancode] || (P.holders[scancode] = {});
      var wasDown = Object.keys(holders).length > 0;
      if (isDown)
        holders[source] = true;
      else
        delete holders[source];
      var nowDown = Object.keys(holders).length > 0;
      if (nowDown !== wasDown)
        P.queue.push(scancode | (nowDown ? 0x100 : 0));
    },
    // Lets go every key held by a source whose name starts with `prefix`.
    letGo: function(prefix) {
      var P = WebPlatform;
      for (var scancode in P.holders)
        for (var source in P.holders[scancode])
          if (source.indexOf(prefix) === 0)
            P.hold(source, Number(scancode), false);
    },
  },

  // Gives the canvas the screen's size, in pixels.
  web_canvas_size__deps: ['$WebPlatform'],
  web_canvas_size: function(w, h) {
    var canvas = Module['canvas'];
    canvas.width = w;
    canvas.height = h;
    WebPlatform.context = canvas.getContext('2d', {alpha: false});
    Module['webStats'] = WebPlatform.stats;
  },

  // Counts timer calls made.
  web_count_timer_calls__deps: ['$WebPlatform'],
  web_count_timer_calls: function(calls) {
    WebPlatform.stats.timerCalls += calls;
  },

  // Puts w x h RGBA pixels from the game's memory on the canvas; `changed`
  // says whether they differ from the last ones.
  web_present__deps: ['$WebPlatform'],
  web_present: function(rgba, w, h, changed) {
    var pixels = new Uint8ClampedArray(HEAPU8.buffer, rgba, w * h * 4);
    WebPlatform.context.putImageData(new ImageData(pixels, w, h), 0, 0);
    var stats = WebPlatform.stats;
    if (changed)
      stats.changedMs = performance.now();
    if (stats.frames++ === 0) {
      stats.firstFrameMs = performance.now();
      if (Module['onFirstFrame'])
        Module['onFirstFrame']();
    }
  },

  // Unwinds the game (Asyncify) until the browser's next animation frame,
  // lets the page look at its other inputs, then runs the game on until it
  // waits again, counting that time as busy. Once
  // main() has been unwound, its return is seen only here: the program then
  // exits with main's status, as it would on the desktop.
  web_wait_frame__deps: ['$WebPlatform', '$callUserCallback', 'exit'],
  web_wait_frame: function() {
    return Asyncify.handleSleep(function(wakeUp) {
      requestAnimationFrame(function() {
        var woke = performance.now();
        if (Module['onAnimationFrame'])
          Module['onAnimationFrame']();
        Asyncify.asyncPromiseHandlers = {
          resolve: function(status) { callUserCallback(function() { _exit(status); }); },
          reject: function(error) { callUserCallback(function() { throw error; }); },
        };
        wakeUp();
        WebPlatform.stats.busyMs += performance.now() - woke;
      });
    });
  },

  // Starts queueing the four keys the game plays with, by their place on the
  // keyboard (the main Enter, not the keypad's). While the page has the
  // keyboard they do nothing else: no scrolling, no button press. Other keys,
  // and these with Ctrl, Alt or Meta, keep their meaning in the browser.
  // Then offers the page the same keys by name, for its other inputs:
  // Module.webKeys.hold(source, 'up', true), .tap(source, 'enter') (down
  // and up again, seen down at one feed) and .letGo(sourcePrefix).
  web_listen_keys__deps: ['$WebPlatform'],
  web_listen_keys: function(up, down, enter, esc) {
    var scancodes = {'ArrowUp': up, 'ArrowDown': down, 'Enter': enter, 'Escape': esc};
    var named = {'up': up, 'down': down, 'enter': enter, 'esc': esc};
    var P = WebPlatform;
    var listen = function(isDown) {
      return function(event) {
        var scancode = scancodes[event.code];
        if (!scancode || event.ctrlKey || event.altKey || event.metaKey)
          return;
        event.preventDefault();
        if (!event.repeat)
          P.hold('keyboard', scancode, isDown);
      };
    };
    window.addEventListener('keydown', listen(true), true);
    window.addEventListener('keyup', listen(false), true);
    // A key let go while another window had the keyboard: let it go here too.
    window.addEventListener('blur', function() { P.letGo('keyboard'); });
    Module['webKeys'] = {
      hold: function(source, name, isDown) { P.hold(source, named[name], isDown); },
      tap: function(source, name) {
        P.hold(source, named[name], true);
        P.hold(source, named[name], false);
      },
      letGo: function(prefix) { P.letGo(prefix); },
    };
  },

  // The next key event to feed the library, or 0 when this feed is done. A
  // key pressed and let go between two feeds is seen down at one of them:
  // its release (and whatever follows for that key) waits for the next feed.
  web_next_key_event__deps: ['$WebPlatform'],
  web_next_key_event: function() {
    var P = WebPlatform;
    if (P.draining === null) {
      P.draining = P.queue;
      P.queue = [];
    }
    while (P.draining.length) {
      var event = P.draining.shift(), scancode = event & 0xFF, isDown = (event & 0x100) !== 0;
      if (P.heldKeys[scancode] || (!isDown && P.pressedNow[scancode])) {
        P.heldKeys[scancode] = true;
        P.heldBack.push(event);
        continue;
      }
      if (isDown)
        P.pressedNow[scancode] = true;
      return event;
    }
    P.queue = P.heldBack.concat(P.queue);
    P.draining = null;
    P.heldBack = [];
    P.heldKeys = {};
    P.pressedNow = {};
    return 0;
  },
});
