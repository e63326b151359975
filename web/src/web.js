// SPDX-License-Identifier: MIT
// web.js — the page's side of the web platform, linked into the game as an
// emscripten JavaScript library: the canvas, the wait for the next frame,
// and the queue of key events. The drivers in w*.c call these.
//
// Besides the keyboard, the page may hold the same keys from other sources
// (a finger, a gamepad's button) through Module.webKeys, and is called as
// Module.onAnimationFrame at each frame, just before the keys are fed, and as
// Module.onPictureChanged once a changed picture is on the canvas.
mergeInto(LibraryManager.library, {
  $WebPlatform: {
    context: null,    // the canvas's 2-D context, where there is no WebGL
    image: null,      // the RGBA picture in the game's memory, as an ImageData
    gl: null,         // the canvas's WebGL 2 context and what it draws with
    levels: null,     // the colour levels of a pixel's fields, and the fields' shifts
    shifts: null,
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
    stats: {frames: 0, firstFrameMs: 0, changedMs: 0, busyMs: 0, timerCalls: 0, canvas: ''},

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
    // Marks a step of the start on the page's timeline (User Timing), once:
    // what a benchmark reads to tell where the time to the first picture goes.
    marked: {},
    mark: function(step) {
      if (!WebPlatform.marked[step] && performance.mark) {
        WebPlatform.marked[step] = true;
        performance.mark('coinflight: ' + step);
      }
    },

    // Whether WebGL 2 is worth drawing with (null until judged), judged on a
    // canvas of its own a second after the first tick's picture is shown:
    // off the start, as making a WebGL context is a long task (10-40 ms).
    // A WebGL drawn in software (no GPU) is not worth it: it costs the page
    // far more than 2-D does, as the browser then reads every frame back.
    // Nor is WebKit's (Safari's, and every iPhone browser's): it smooths a
    // WebGL canvas it scales, whatever image-rendering asks; it also names
    // every renderer "Apple GPU", so the name tells nothing there.
    WEBGL_ATTRIBUTES: {alpha: false, antialias: false, depth: false, stencil: false,
                       preserveDrawingBuffer: true, failIfMajorPerformanceCaveat: true},
    webglUsable: null,
    judgeWebGL: function() {
      var P = WebPlatform;
      P.webglUsable = false;
      if (navigator.vendor === 'Apple Computer, Inc.')
        return;
      var gl = document.createElement('canvas').getContext('webgl2', P.WEBGL_ATTRIBUTES);
      if (!gl)
        return;
      var named = gl.getExtension('WEBGL_debug_renderer_info');
      var renderer = named ? String(gl.getParameter(named.UNMASKED_RENDERER_WEBGL)) : '';
      var lose = gl.getExtension('WEBGL_lose_context');
      if (lose)
        lose.loseContext();
      P.webglUsable = !/SwiftShader|llvmpipe|softpipe|Software/i.test(renderer);
    },

    // Moves the picture to a WebGL canvas that takes the place of the 2-D
    // one, in one go as a picture is shown, so no frame is lost; keeps the
    // 2-D one where that fails. Tried once.
    toWebGL: function() {
      var P = WebPlatform, old = Module['canvas'], canvas = old.cloneNode(false);
      var gl = canvas.getContext('webgl2', P.WEBGL_ATTRIBUTES);
      P.webglUsable = false;
      if (!gl)
        return;
      P.gl = {context: gl, w: canvas.width, h: canvas.height, stale: true};
      if (!P.openGL()) {
        P.gl = null;
        return;
      }
      canvas.addEventListener('webglcontextlost', function(event) { event.preventDefault(); });
      canvas.addEventListener('webglcontextrestored', function() { P.openGL(); });
      var focused = document.activeElement === old;
      old.parentNode.replaceChild(canvas, old);
      Module['canvas'] = canvas;
      if (focused)
        canvas.focus();
      P.context = null;
      P.stats.canvas = 'webgl2';
    },

    // Counts a picture shown, and notes when it last changed; WebGL is
    // judged a while after the first tick's picture, once the start is over.
    JUDGE_WEBGL_AFTER_MS: 1000,
    shown: function(changed) {
      var stats = WebPlatform.stats;
      if (stats.timerCalls > 0 && WebPlatform.webglUsable === null) {
        WebPlatform.mark('first tick shown');
        WebPlatform.webglUsable = false; // until judged
        setTimeout(WebPlatform.judgeWebGL, WebPlatform.JUDGE_WEBGL_AFTER_MS);
      }
      if (changed) {
        stats.changedMs = performance.now();
        if (Module['onPictureChanged'])
          Module['onPictureChanged']();
      }
      if (stats.frames++ === 0) {
        stats.firstFrameMs = performance.now();
        if (Module['onFirstFrame'])
          Module['onFirstFrame']();
      }
    },

    // Sets up (again, after a lost context) the WebGL objects: the screen's
    // texture, the levels' texture and the shader that reads them through a
    // triangle covering the canvas. Answers whether all of it worked.
    openGL: function() {
      var P = WebPlatform, G = P.gl, gl = G.context;
      var shader = function(type, source) {
        var s = gl.createShader(type);
        gl.shaderSource(s, '#version 300 es\n' + source);
        gl.compileShader(s);
        gl.attachShader(program, s);
      };
      var program = gl.createProgram();
      shader(gl.VERTEX_SHADER,
             'void main() {' +
             '  vec2 p = vec2(gl_VertexID == 1 ? 3.0 : -1.0, gl_VertexID == 2 ? 3.0 : -1.0);' +
             '  gl_Position = vec4(p, 0.0, 1.0);' +
             '}');
      shader(gl.FRAGMENT_SHADER,
             'precision highp float; precision highp int; precision highp usampler2D;' +
             'uniform usampler2D screen; uniform sampler2D levels; uniform uvec3 shifts;' +
             'out vec4 colour;' +
             'void main() {' +
             '  ivec2 size = textureSize(screen, 0);' +
             '  ivec2 at = ivec2(gl_FragCoord.x, float(size.y) - gl_FragCoord.y);' +
             '  uint v = texelFetch(screen, at, 0).r;' +
             '  colour = vec4(texelFetch(levels, ivec2((v >> shifts.r) & 31u, 0), 0).r,' +
             '                texelFetch(levels, ivec2((v >> shifts.g) & 63u, 0), 0).g,' +
             '                texelFetch(levels, ivec2((v >> shifts.b) & 31u, 0), 0).b, 1.0);' +
             '}');
      gl.linkProgram(program);
      if (!gl.getProgramParameter(program, gl.LINK_STATUS))
        return false;
      gl.useProgram(program);
      var texture = function(unit, format, w, h) {
        gl.activeTexture(gl.TEXTURE0 + unit);
        gl.bindTexture(gl.TEXTURE_2D, gl.createTexture());
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.NEAREST);
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.NEAREST);
        gl.texStorage2D(gl.TEXTURE_2D, 1, format, w, h);
      };
      gl.pixelStorei(gl.UNPACK_ALIGNMENT, 1);
      texture(1, gl.RGBA8, 64, 1);
      gl.texSubImage2D(gl.TEXTURE_2D, 0, 0, 0, 64, 1, gl.RGBA, gl.UNSIGNED_BYTE, P.levels);
      texture(0, gl.R16UI, G.w, G.h);
      gl.uniform1i(gl.getUniformLocation(program, 'screen'), 0);
      gl.uniform1i(gl.getUniformLocation(program, 'levels'), 1);
      gl.uniform3ui(gl.getUniformLocation(program, 'shifts'), P.shifts[0], P.shifts[1], P.shifts[2]);
      gl.bindVertexArray(gl.createVertexArray());
      gl.viewport(0, 0, G.w, G.h);
      G.stale = true;
      return gl.getError() === gl.NO_ERROR;
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

  // Gives the canvas the screen's size, in pixels, and a 2-D context (WebGL
  // may take its place later), and keeps the colour levels of a pixel's
  // fields: `levels` holds 64 RGBA texels, the red, green and blue level of
  // each field value as getr16() and its kin read them. With WebGL the 16-bit
  // pixels go to the GPU as they are, in an integer texture, and a shader
  // looks their fields up in these levels, so the colours are exactly those
  // of the 2-D path.
  web_canvas_size__deps: ['$WebPlatform'],
  web_canvas_size: function(w, h, levels, rShift, gShift, bShift) {
    var P = WebPlatform, canvas = Module['canvas'];
    P.mark('screen set');
    canvas.width = w;
    canvas.height = h;
    P.levels = HEAPU8.slice(levels, levels + 64 * 4);
    P.shifts = [rShift, gShift, bShift];
    P.context = canvas.getContext('2d', {alpha: false});
    P.stats.canvas = '2d';
    Module['webStats'] = P.stats;
  },

  // Counts timer calls made.
  web_count_timer_calls__deps: ['$WebPlatform'],
  web_count_timer_calls: function(calls) {
    WebPlatform.stats.timerCalls += calls;
    if (calls > 0)
      WebPlatform.mark('first tick due');
  },

  // Marks that the game installed a timer: its start is behind it.
  web_timer_installed__deps: ['$WebPlatform'],
  web_timer_installed: function() {
    WebPlatform.mark('timer installed');
  },

  // Puts the rectangle (x, y, rw, rh) of the w x h RGBA picture in the
  // game's memory on the canvas, when anything changed (`changed`). The
  // picture's ImageData is made once (again if the memory grows).
  web_present__deps: ['$WebPlatform'],
  web_present: function(rgba, w, h, x, y, rw, rh, changed) {
    var P = WebPlatform;
    if (changed) {
      if (!P.image || P.image.buffer !== HEAPU8.buffer || P.image.at !== rgba) {
        var pixels = new Uint8ClampedArray(HEAPU8.buffer, rgba, w * h * 4);
        P.image = {data: new ImageData(pixels, w, h), buffer: HEAPU8.buffer, at: rgba};
      }
      P.context.putImageData(P.image.data, 0, 0, x, y, rw, rh);
    }
    P.shown(changed);
  },

  // Where the canvas is WebGL's, hands the `rows` changed rows from `top` of
  // the w x h 16-bit picture in the game's memory to the GPU (all of it when
  // the texture is new) and draws it (the drawing buffer keeps the last
  // picture). Answers whether it did; elsewhere the game puts the picture
  // on the canvas in RGBA.
  web_present16__deps: ['$WebPlatform'],
  web_present16: function(pixels, w, h, top, rows, changed) {
    var P = WebPlatform;
    if (P.webglUsable)
      P.toWebGL();
    if (!P.gl)
      return 0;
    var gl = P.gl.context;
    if ((changed || P.gl.stale) && !gl.isContextLost()) {
      if (P.gl.stale) {
        top = 0;
        rows = h;
      }
      gl.texSubImage2D(gl.TEXTURE_2D, 0, 0, top, w, rows, gl.RED_INTEGER, gl.UNSIGNED_SHORT,
                       HEAPU16, (pixels >> 1) + top * w);
      gl.drawArrays(gl.TRIANGLES, 0, 3);
      P.gl.stale = false;
    }
    P.shown(changed);
    return 1;
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
