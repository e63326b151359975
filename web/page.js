// SPDX-License-Identifier: MIT
// page.js — Coin Flight's page around the game (coinflight.js and
// coinflight.wasm): it hands the game the files the page's first script
// asked for, starts the game once the player is there, turns touches and
// gamepads into the game's four keys, shows the score in text where the
// picture is small, offers full screen and a quit control, and keeps the
// release for playing offline.
'use strict';
(function() {
  // The game's canvas (found each time: where WebGL fails it is replaced by one for 2-D).
  function canvas() { return document.getElementById('screen'); }
  var stage = document.getElementById('stage');
  var overlay = document.getElementById('overlay');
  var halves = document.getElementById('halves');
  var quitButton = document.getElementById('quit');
  var fullButton = document.getElementById('fullscreen');
  var scoresLine = document.getElementById('scores');

  var STILL_MS = 100;         // a picture unchanged this long is the game waiting (a tick moves the sky)
  var HALVES_SHOWN_MS = 3000; // how long the two touch halves stay marked once the game starts
  var QUIT_CONFIRM_MS = 3000; // how long Quit waits for its second press
  var PAD_DEAD_ZONE = 0.5;    // how far the stick must lean to steer
  var KEEP_FOR_OFFLINE_AFTER_MS = 1000; // when the service worker is registered, after the load
  // Below this width (in CSS pixels) the picture's 8-pixel score line is too
  // small to read, and the page shows the score as text.
  var SCORE_LINE_LEGIBLE_WIDTH = 0.75 * 1024;
  var PICTURES = ['skypic.bmp', 'gameoverpic.bmp'];
  // The "standard" gamepad layout's buttons.
  var PAD_A = 0, PAD_BACK = 8, PAD_START = 9, PAD_UP = 12, PAD_DOWN = 13;

  var started = false, ready = false, failed = false;

  // The WebAssembly features the game is built with, each as the smallest
  // module that uses it: a browser that lacks one cannot run the game.
  function wasmModule(code) {
    return new Uint8Array([
      0x00, 0x61, 0x73, 0x6d, 0x01, 0x00, 0x00, 0x00,      // "\0asm", version 1
      0x01, 0x04, 0x01, 0x60, 0x00, 0x00,                  // one type: () -> ()
      0x03, 0x02, 0x01, 0x00,                              // one function of it
      0x05, 0x03, 0x01, 0x00, 0x01,                        // one memory of one page
      0x0a, code.length + 4, 0x01, code.length + 2, 0x00]  // its code, no locals:
      .concat(code, [0x0b]));
  }
  var WASM_FEATURES = [
    ['bulk memory', wasmModule([0x41, 0, 0x41, 0, 0x41, 0, 0xfc, 0x0b, 0x00])], // memory.fill
    ['SIMD', wasmModule([0xfd, 0x0c].concat(new Array(16).fill(0), [0x1a]))],  // v128.const; drop
  ];
  function missingFeatures() {
    return WASM_FEATURES.filter(function(f) { return !WebAssembly.validate(f[1]); })
        .map(function(f) { return f[0]; });
  }

  // Puts a message over the picture; a failure keeps it there.
  function say(text, isFailure) {
    overlay.textContent = text;
    overlay.className = isFailure ? 'failed' : '';
    overlay.hidden = false;
  }
  function fail(line) {
    failed = true;
    say(line, true);
  }

  // From the first touch on, the page speaks of touches rather than keys.
  var isTouch = window.matchMedia && matchMedia('(pointer: coarse)').matches;
  function touchSeen() {
    isTouch = true;
    document.body.classList.add('touch');
  }
  if (isTouch)
    touchSeen();

  // --- Starting when the player is there ----------------------------------

  // A page in front, with the keyboard, on a screen with a mouse, starts at
  // once; any other (a background tab, a game site's frame, a phone) waits
  // for a click, a tap, a key or a gamepad's button.
  function playerIsHere() {
    return !isTouch && document.visibilityState === 'visible' && document.hasFocus();
  }

  // Runs the game: main() starts, and with it the game's timer.
  function start() {
    if (started || !ready || failed)
      return;
    started = true;
    overlay.hidden = true;
    canvas().focus();
    if (isTouch) {
      halves.hidden = false;
      setTimeout(function() { halves.classList.add('faded'); }, HALVES_SHOWN_MS);
    } else {
      halves.hidden = true;
    }
    if (performance.mark)
      performance.mark('coinflight: main');
    Module.callMain([]);
  }

  function waitForPlayer() {
    say(isTouch ? 'Tap to play' : 'Click to play');
    files['skypic.bmp'].then(showStill);
    halves.hidden = !isTouch;
    (function watchPads() {
      if (started)
        return;
      if (anyPadButton())
        start();
      else
        requestAnimationFrame(watchPads);
    })();
  }
  var startingTouch = null; // the touch that started the game steers nothing
  document.addEventListener('pointerdown', function(event) {
    if (event.pointerType !== 'mouse')
      touchSeen();
    if (!started) {
      startingTouch = event;
      start();
    }
  }, true);
  window.addEventListener('keydown', function(event) {
    if (!started && !event.ctrlKey && !event.altKey && !event.metaKey)
      start();
  }, true);

  // A still picture of the game while it waits: the start of the sky (its
  // top left 1024 x 768 pixels), decoded by the browser itself, drawn on the
  // game's canvas through a context of the kind the game makes (web.js), which
  // the game then takes over. It comes as soon as the sky is in, for a page
  // that will wait.
  var stillShown = false;
  function showStill(bytes) {
    if (!bytes || stillShown || started || !window.createImageBitmap)
      return;
    stillShown = true;
    createImageBitmap(new Blob([bytes], {type: 'image/bmp'}), 0, 0, 1024, 768).then(function(sky) {
      if (!started)
        canvas().getContext('2d', {alpha: false}).drawImage(sky, 0, 0);
    }, function() {});
  }

  // --- Touch: a finger above the picture's middle line holds Up, below it
  // Down, wherever on the page it is but on the buttons -------------------

  var fingers = {}; // for each finger down: the key it holds

  // The key for a finger at this height of the page.
  function halfAt(event) {
    var r = canvas().getBoundingClientRect();
    return event.clientY < r.top + r.height / 2 ? 'up' : 'down';
  }
  // Moves a finger's hold to `key` (or lets it go, for null).
  function steer(id, key) {
    var keys = Module.webKeys, source = 'touch' + id + ':';
    if (!keys || fingers[id] === key)
      return;
    if (fingers[id])
      keys.hold(source, fingers[id], false);
    if (key)
      keys.hold(source, key, true);
    fingers[id] = key;
  }
  // True while the game shows a picture that does not move: its game-over picture.
  function gameWaits() {
    var stats = Module.webStats;
    return !!stats && stats.frames > 0 && performance.now() - stats.changedMs >= STILL_MS;
  }
  function onButton(event) {
    return !!(event.target.closest && event.target.closest('button'));
  }
  document.addEventListener('pointerdown', function(event) {
    if (event.pointerType === 'mouse' || event === startingTouch || !Module.webKeys || onButton(event))
      return;
    event.preventDefault();
    if (gameWaits())
      Module.webKeys.tap('tap:', 'enter');
    fingers[event.pointerId] = null;
    steer(event.pointerId, halfAt(event));
  });
  document.addEventListener('pointermove', function(event) {
    if (event.pointerId in fingers)
      steer(event.pointerId, halfAt(event));
  });
  function lift(event) {
    if (event.pointerId in fingers) {
      steer(event.pointerId, null);
      delete fingers[event.pointerId];
    }
  }
  ['pointerup', 'pointercancel', 'lostpointercapture'].forEach(function(type) {
    document.addEventListener(type, lift);
  });
  document.addEventListener('contextmenu', function(event) { event.preventDefault(); });

  // --- Quit: Esc, asked twice so that a stray touch does not end the game --

  var quitAsked = false, quitTimer = 0;
  // Shows `text` on Quit for a while; `asking`: a second press then quits.
  function quitSays(text, asking) {
    clearTimeout(quitTimer);
    quitButton.textContent = text;
    quitAsked = asking;
    quitTimer = setTimeout(function() {
      quitAsked = false;
      quitButton.textContent = 'Quit';
    }, QUIT_CONFIRM_MS);
  }
  quitButton.addEventListener('click', function() {
    if (!Module.webKeys)
      return;
    if (gameWaits()) // the game-over picture takes no Esc, as on the desktop
      quitSays('Tap to fly again first, then quit', false);
    else if (!quitAsked)
      quitSays('Tap again to quit', true);
    else {
      quitSays('Quit', false);
      Module.webKeys.tap('quit:', 'esc');
    }
  });

  // --- Gamepads, looked at once each frame before the keys are fed --------

  var padsSeen = {};
  function pads() {
    var list = navigator.getGamepads ? navigator.getGamepads() : [];
    return Array.prototype.filter.call(list || [], function(pad) { return pad && pad.connected; });
  }
  function pressed(pad, button) {
    return !!(pad.buttons[button] && pad.buttons[button].pressed);
  }
  function anyPadButton() {
    return pads().some(function(pad) {
      return pad.buttons.some(function(button) { return button.pressed; });
    });
  }
  function pollPads() {
    var keys = Module.webKeys, here = {};
    if (!keys)
      return;
    pads().forEach(function(pad) {
      var source = 'pad' + pad.index + ':', lean = pad.axes[1] || 0;
      here[source] = padsSeen[source] = true;
      keys.hold(source, 'up', pressed(pad, PAD_UP) || lean < -PAD_DEAD_ZONE);
      keys.hold(source, 'down', pressed(pad, PAD_DOWN) || lean > PAD_DEAD_ZONE);
      keys.hold(source, 'enter', pressed(pad, PAD_A) || pressed(pad, PAD_START));
      keys.hold(source, 'esc', pressed(pad, PAD_BACK));
    });
    for (var source in padsSeen)
      if (!here[source]) {
        keys.letGo(source); // unplugged
        delete padsSeen[source];
      }
  }

  // --- Full screen, where the browser (and the frame) allows it -----------

  if (!(document.fullscreenEnabled || document.webkitFullscreenEnabled))
    fullButton.hidden = true;
  fullButton.addEventListener('click', function() {
    var request = stage.requestFullscreen || stage.webkitRequestFullscreen;
    var asked = request ? request.call(stage) : null;
    // A phone turns the picture sideways, where it can.
    if (asked && asked.then)
      asked.then(function() {
        if (screen.orientation && screen.orientation.lock)
          return screen.orientation.lock('landscape');
      }).catch(function() {});
    canvas().focus();
  });

  // --- Offline: a service worker keeps the release's files ---------------

  function keepForOffline() {
    if (!('serviceWorker' in navigator))
      return; // a file, or an origin that is not secure: played as it is
    var updating = !!navigator.serviceWorker.controller;
    // A new version took over: a page still waiting for its player shows it at once.
    navigator.serviceWorker.addEventListener('controllerchange', function() {
      if (updating && !started)
        location.reload();
    });
    navigator.serviceWorker.register('sw.js', {updateViaCache: 'none'}).catch(function() {});
  }

  // --- WebKit: the picture scaled by the page, pixel for pixel -----------

  // WebKit (Safari, every iPhone browser) smooths a canvas it scales,
  // whatever image-rendering asks (WebKitGTK 2.54 its 2-D canvas too). There
  // the page shows the picture on a canvas of the displayed size, each of the
  // game's pixels drawn as a block; the game's canvas stays beneath it, the
  // exact 1024 x 768 frame that drawImage of it gives.
  var sharp = navigator.vendor === 'Apple Computer, Inc.' ? document.createElement('canvas') : null;
  function drawSharp() {
    var context = sharp.getContext('2d');
    context.imageSmoothingEnabled = false;
    context.drawImage(canvas(), 0, 0, sharp.width, sharp.height);
  }
  // Lays it over the picture on whole device pixels: a canvas at a fraction
  // of one would be scaled, and smoothed, once more.
  function fitSharp() {
    var r = canvas().getBoundingClientRect(), box = stage.getBoundingClientRect();
    var scale = window.devicePixelRatio || 1;
    var snap = function(v) { return Math.round(v * scale) / scale; };
    sharp.width = Math.round(r.width * scale);
    sharp.height = Math.round(r.height * scale);
    sharp.style.width = sharp.width / scale + 'px';
    sharp.style.height = sharp.height / scale + 'px';
    sharp.style.left = snap(r.left) - box.left + 'px';
    sharp.style.top = snap(r.top) - box.top + 'px';
    if (started)
      drawSharp();
  }
  if (sharp) {
    sharp.id = 'sharp';
    sharp.setAttribute('aria-hidden', 'true');
    stage.insertBefore(sharp, halves);
    fitSharp();
    window.addEventListener('resize', fitSharp);
  }

  // --- The score, as text where the picture is too small to read it ------

  var shownScores = '';
  function showScores() {
    var small = canvas().getBoundingClientRect().width < SCORE_LINE_LEGIBLE_WIDTH;
    var score = small && Module._web_score ? Module._web_score() + ' ' + Module._web_highscore() : '';
    if (score === shownScores)
      return;
    shownScores = score;
    scoresLine.hidden = !score;
    if (score) {
      scoresLine.children[0].textContent = 'Score: ' + Module._web_score();
      scoresLine.children[1].textContent = 'High Score: ' + Module._web_highscore();
    }
  }

  // --- The game -------------------------------------------------------------

  // The game's files, asked for by the page's first script (in index.html),
  // side by side; the game takes these very responses (each file fetched once).
  var files = window.coinflightFiles;
  if (files && (isTouch || !playerIsHere()))
    files['skypic.bmp'].then(showStill);

  window.Module = {
    canvas: canvas(),
    arguments: [],
    noInitialRun: true,
    // The game prints nothing while all is well; on stderr, the desktop's one
    // line when it cannot start, which begins with its name. The runtime's
    // own warnings are only warnings.
    print: function(text) { console.log(text); },
    printErr: function(text) {
      console.warn(text);
      if (!failed && /^coinflight: /.test(text))
        fail(text);
    },
    // The .wasm, compiled as it arrived, made an instance of.
    instantiateWasm: function(imports, receive) {
      if (failed) // the page has said why the game cannot start
        return {};
      files.wasm.then(function(module) {
        return WebAssembly.instantiate(module, imports).then(function(instance) {
          return {instance: instance, module: module};
        });
      }).then(function(made) {
        receive(made.instance, made.module);
      }, function(why) {
        fail('coinflight: cannot start: ' + (typeof why === 'string' ? why : 'coinflight.wasm is damaged (' + why + ')'));
      });
      return {};
    },
    // The pictures are plain files beside this page, put in the game's
    // working folder before it starts; one that cannot be fetched is left
    // out, and the game says so as it would on the desktop.
    preRun: [function() {
      PICTURES.forEach(function(name) {
        Module.addRunDependency(name);
        files[name].then(function(bytes) {
          if (bytes)
            Module.FS.writeFile('/' + name, new Uint8Array(bytes));
          Module.removeRunDependency(name);
        });
      });
    }],
    onRuntimeInitialized: function() {
      if (performance.mark)
        performance.mark('coinflight: runtime ready');
      ready = true;
      // The service worker's registration waits a moment, off the way to the first picture.
      setTimeout(keepForOffline, KEEP_FOR_OFFLINE_AFTER_MS);
      if (playerIsHere())
        start();
      else
        waitForPlayer();
    },
    onFirstFrame: function() { overlay.hidden = true; },
    onPictureChanged: function() {
      if (sharp)
        drawSharp();
    },
    onAnimationFrame: function() {
      pollPads();
      showScores();
    },
    onExit: function(status) {
      if (status === 0)
        say('The game has ended. Reload the page to play again.');
      else if (!failed)
        fail('Coin Flight stopped (status ' + status + '). Reload the page to try again.');
    },
    onAbort: function(what) {
      if (!failed)
        fail('coinflight: stopped: ' + (what || 'out of memory') + '. Reload the page to try again.');
    },
  };

  if (location.protocol === 'file:') {
    fail('This page must be served over http, not opened as a file. In its folder run: ' +
         'python3 -m http.server --bind 127.0.0.1 8000');
  } else if (typeof WebAssembly !== 'object') {
    fail('coinflight: cannot start: this browser cannot run WebAssembly');
  } else if (missingFeatures().length) {
    fail('coinflight: cannot start: this browser\'s WebAssembly lacks ' +
         missingFeatures().join(' and ') +
         ' (browsers have had both since 2023); please update the browser');
  } else if (!files) {
    fail('coinflight: cannot start: this browser cannot fetch the game\'s files; please update the browser');
  } else {
    // The game's script comes next (index.html); it may not be there, which
    // some engines tell before this runs.
    var scriptMissing = function() { fail('coinflight: cannot start: coinflight.js is missing'); };
    if (window.coinflightScriptMissing)
      scriptMissing();
    else
      document.getElementById('game').addEventListener('error', scriptMissing);
  }
})();
