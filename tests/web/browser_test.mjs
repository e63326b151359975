// SPDX-License-Identifier: MIT
// The web release in the three browser engines players use (Chromium's,
// Firefox's and Safari's WebKit), served from 127.0.0.1: what a player sees
// and does. COINFLIGHT_WEB names the unpacked release's folder. No check
// depends on the machine's speed: COINFLIGHT_READ_DELAY_MS=1000 shows it.
import {test} from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {serve, launch, waitFor, shot, planeAt, planeHeight, panelUp, scoreInk, skyShift, stubGamepad, playUntil, ENGINES,
        PLANE_AND_PANEL} from './page.mjs';

const RELEASE = process.env.COINFLIGHT_WEB;
const pause = ms => new Promise(resolve => setTimeout(resolve, ms));
const look = page => shot(page, PLANE_AND_PANEL);

const overlayText = page => page.evaluate(() => {
  const overlay = document.getElementById('overlay');
  return overlay.hidden ? '' : overlay.textContent;
});
const started = target => target.evaluate(() => (window.Module?.webStats?.frames ?? 0) > 0);

// Starts the game in a page that waits for its player: a click on it.
async function startByClick(page) {
  assert.ok(await waitFor(20, async () => await started(page) || await overlayText(page) === 'Click to play'),
            `the game neither starts nor asks for a click: ${await overlayText(page)}`);
  if (!await started(page))
    await page.click('#overlay');
  assert.ok(await waitFor(10, () => started(page)), 'the game starts');
}

// Pixels that differ between two pictures of the same size, RGBA.
function differing(a, b) {
  let count = 0;
  for (let i = 0; i < a.length; i += 4)
    count += a.readUInt32LE(i) !== b.readUInt32LE(i);
  return count;
}
// How many colours a picture (RGBA) has.
function colours(bytes) {
  const seen = new Set();
  for (let i = 0; i < bytes.length; i += 4)
    seen.add(bytes.readUInt32LE(i) & 0xffffff);
  return seen.size;
}
// How many colours the page shows where it draws the scaled picture (a
// screenshot, decoded by the page itself), inside its edges.
async function shownColours(page, engine) {
  const png = engine === 'webkit' ? await page.screenshot() : await page.screenshot({encoding: 'base64'});
  return page.evaluate(async png => {
    const image = new Image();
    image.src = 'data:image/png;base64,' + png;
    await image.decode();
    const r = document.getElementById('screen').getBoundingClientRect(), scale = image.width / innerWidth;
    const x = Math.ceil((r.left + 2) * scale), y = Math.ceil((r.top + 2) * scale);
    const w = Math.floor((r.width - 4) * scale), h = Math.floor((r.height - 4) * scale);
    const copy = document.createElement('canvas');
    copy.width = w;
    copy.height = h;
    const context = copy.getContext('2d');
    context.drawImage(image, x, y, w, h, 0, 0, w, h);
    const data = new Uint32Array(context.getImageData(0, 0, w, h).data.buffer), seen = new Set();
    for (const pixel of data)
      seen.add(pixel & 0xffffff);
    return seen.size;
  }, png);
}

// Opens the page `server` serves; notes every request and console error
// (where the engine's driver tells them: not WebKit's).
async function open(browser, server) {
  const page = await browser.newPage();
  await page.setViewport({width: 1280, height: 1000});
  const requests = [], errors = [];
  page.on('request', request => requests.push(request.url()));
  page.on('console', message => message.type() === 'error' && errors.push(message.text()));
  page.on('pageerror', error => errors.push(error.message));
  await page.goto(server.url);
  return {page, requests, errors};
}

// The main keyboard's Enter, which the game takes: puppeteer's "Enter" for
// Firefox is WebDriver's, the keypad's, which the game leaves alone.
const enterKey = engine => engine === 'firefox' ? '\uE006' : 'Enter';

let chromiumPicture = null; // the first round's game-over picture, as Chromium shows it

// In each engine, as a player plays: the first picture; the first round,
// with no key pressed, ends with the very picture Chromium shows, sharp on
// the page; Esc is ignored there and no tick runs; Enter taps on; Up flies
// to the top, where the next coin is missed; Esc quits. Each file came once,
// and with the host gone a reload plays the release the worker kept.
for (const engine of ENGINES)
  test(`${engine}: the page plays Coin Flight with the keyboard, and offline`, async t => {
    const {browser, close} = await launch(engine);
    const server = await serve(RELEASE);
    try {
      t.diagnostic(await browser.version());
      const {page, requests, errors} = await open(browser, server);
      await startByClick(page);
      assert.ok(await waitFor(10, async () => planeAt(await look(page), 364)), 'the plane starts at height 364');
      const first = await shot(page);
      assert.ok(scoreInk(first) > 20, 'the score line is drawn at the bottom');
      assert.ok(first.at(512, 50)[2] > 150, 'the sky is drawn');
      assert.equal(await overlayText(page), '', 'nothing covers the picture');

      assert.ok(await waitFor(20, async () => panelUp(await look(page))), 'with no key pressed, a coin is missed');
      await waitFor(5, () => page.evaluate(() => performance.now() - Module.webStats.changedMs > 500));
      const over = await shot(page);
      if (engine === 'chromium')
        chromiumPicture = over.bytes;
      else if (chromiumPicture)
        assert.equal(differing(over.bytes, chromiumPicture), 0, 'pixels that differ from Chromium\'s picture');
      const shown = await shownColours(page, engine), drawn = colours(over.bytes);
      t.diagnostic(`${engine} draws on a ${await page.evaluate(() => Module.webStats.canvas)} canvas; ` +
                   `the scaled picture shows ${shown} colours of the picture's ${drawn}`);
      assert.ok(shown <= drawn, `the scaled picture is smoothed: ${shown} colours where the game drew ${drawn}`);

      await page.keyboard.press('Escape'); // ignored on the game-over screen
      await pause(2000);                   // about 100 ticks fall due meanwhile
      const still = await shot(page);
      assert.ok(panelUp(still), 'the panel stays up through Esc');
      assert.equal(skyShift(over, still), 0, 'no tick runs while the panel is up');
      assert.equal(await overlayText(page), '', 'Esc did not end the game');

      const enter = Date.now();
      await page.keyboard.press(enterKey(engine)); // a tap shorter than a frame
      assert.ok(await waitFor(10, async () => !panelUp(await look(page))), 'Enter resumes play');
      const resumed = await shot(page), seconds = (Date.now() - enter) / 1000;
      // The sky moves on at 50 pixels a second from Enter, no further: the 100
      // or so ticks that fell due behind the panel are not run.
      const moved = skyShift(still, resumed);
      assert.ok(moved <= 50 * seconds + 8, `the sky jumped ${moved} pixels in ${seconds} s`);

      // The page can scroll; the arrow keys still must not scroll it.
      await page.evaluate(() => { document.body.style.minHeight = '4000px'; });
      await page.keyboard.down('ArrowUp');
      assert.ok(await playUntil(20, page, s => planeAt(s, 4), () => page.keyboard.press(enterKey(engine))),
                'Up flies the plane to the top');
      assert.ok(await waitFor(10, async () => panelUp(await look(page))), 'a coin is missed at the top');
      await page.keyboard.up('ArrowUp');
      await page.keyboard.down('ArrowDown');
      await pause(100);
      await page.keyboard.up('ArrowDown');
      assert.equal(await page.evaluate(() => window.scrollY), 0, 'the arrow keys do not scroll the page');

      // Esc quits once play goes on: the game-over picture wants Enter first.
      assert.ok(await waitFor(20, async () => {
        if (/game has ended.*Reload/.test(await overlayText(page)))
          return true;
        if (panelUp(await look(page)))
          await page.keyboard.press(enterKey(engine));
        await page.keyboard.press('Escape');
        return false;
      }), 'Esc ends the game and the page says so');
      assert.deepEqual(errors, [], 'no console error');
      assert.deepEqual(requests.filter(url => !/^(data|blob):/.test(url) && !url.startsWith(server.url)), [],
                       'no request leaves 127.0.0.1');

      // Each file came from the host once: the game takes what the page
      // fetched, and the worker only asks whether those files changed. (The
      // page itself is a navigation, which engines cache apart; WebKit's
      // WebDriver session keeps no HTTP cache at all, so its worker fetches
      // everything again: shown, not checked.)
      assert.ok(await waitFor(20, () => page.evaluate(async () =>
                  !!navigator.serviceWorker.controller && !!(await navigator.serviceWorker.ready).active)),
                'the service worker keeps the release');
      const {page: byPage, worker: byWorker} = server.downloads;
      t.diagnostic(`${engine}: files sent to the page ${JSON.stringify(byPage)}, ` +
                   `to its service worker ${JSON.stringify(byWorker)}`);
      assert.deepEqual(Object.keys(byPage).filter(name => byPage[name] > 1), [], 'files the page got twice');
      if (engine !== 'webkit')
        assert.deepEqual(Object.keys(byWorker).filter(name => name in byPage && name !== 'index.html'), [],
                         'files the page had that the worker got again');

      server.close(); // the host is gone
      await page.reload();
      await startByClick(page);
      assert.ok(await waitFor(10, async () => planeAt(await look(page), 364)), 'offline, a reload plays the game');
      assert.ok((await shot(page)).at(512, 50)[2] > 150, 'with its pictures');
    } finally {
      server.close();
      await close();
    }
  });

// A file missing beside the page: the page says so in the game's own words,
// for a picture the desktop game's very line. A missing script is told in
// every engine (some tell it before page.js runs).
test('a missing file stops the game with a line in the game\'s words', async () => {
  const SCRIPT_LINE = 'coinflight: cannot start: coinflight.js is missing';
  for (const [missing, line, engine] of [
    ['skypic.bmp', 'coinflight: cannot load "skypic.bmp" from /: file missing', 'chromium'],
    ['coinflight.wasm', 'coinflight: cannot start: coinflight.wasm is missing', 'chromium'],
    ...ENGINES.map(engine => ['coinflight.js', SCRIPT_LINE, engine])]) {
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'coinflight-web-'));
    for (const name of fs.readdirSync(RELEASE))
      if (name !== missing)
        fs.copyFileSync(path.join(RELEASE, name), path.join(folder, name));
    await withRelease({width: 1280, height: 1000}, async (page, server) => {
      await page.goto(server.url);
      assert.ok(await waitFor(20, async () => (await overlayText(page)).includes(line)),
                `${engine}: without ${missing} the page says: ${await overlayText(page)}`);
    }, folder, {}, engine);
    fs.rmSync(folder, {recursive: true, force: true});
  }
});

// An ordinary static host: .wasm sent as application/octet-stream still
// plays; a sky the player swaps shows at the next reload, although the host
// lets the browser keep the old one (Last-Modified, no cache headers); a host
// that fails (503) leaves the picture the worker kept.
test('any static host plays the release, and shows a swapped sky at the next reload', async () => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'coinflight-host-'));
  for (const name of fs.readdirSync(RELEASE))
    fs.copyFileSync(path.join(RELEASE, name), path.join(folder, name));
  const day = new Date(Date.now() - 86400 * 1000);
  for (const name of fs.readdirSync(folder))
    fs.utimesSync(path.join(folder, name), day, day); // as shipped: a day old, fresh for hours
  const failing = new Set();
  await withRelease({width: 1280, height: 1000}, async (page, server) => {
    const errors = [];
    page.on('pageerror', error => errors.push(error.message));
    await page.goto(server.url);
    await startByClick(page);
    assert.ok(await waitFor(10, async () => (await shot(page)).at(512, 50)[2] > 150), 'the game plays its sky');
    assert.ok(await waitFor(20, () => page.evaluate(() => !!navigator.serviceWorker.controller)),
              'the service worker takes over');

    // The player's own sky: the same picture with red and blue swapped.
    const sky = fs.readFileSync(path.join(folder, 'skypic.bmp'));
    const PALETTE = 54, COLOURS = 256;
    for (let i = 0; i < COLOURS; i++)
      [sky[PALETTE + 4 * i], sky[PALETTE + 4 * i + 2]] = [sky[PALETTE + 4 * i + 2], sky[PALETTE + 4 * i]];
    fs.writeFileSync(path.join(folder, 'skypic.bmp'), sky);
    const swapped = s => s.at(512, 50)[0] > 150 && s.at(512, 50)[2] < 150;
    await page.reload();
    await startByClick(page);
    assert.ok(await waitFor(10, async () => swapped(await shot(page))), 'a reload shows the swapped sky');

    failing.add('skypic.bmp');
    await page.reload();
    await startByClick(page);
    assert.ok(await waitFor(10, async () => swapped(await shot(page))),
              `with the host failing, the kept sky: ${await overlayText(page)}`);
    assert.deepEqual(errors, [], 'no page error');
  }, folder, {types: {'.wasm': 'application/octet-stream'}, failing});
  fs.rmSync(folder, {recursive: true, force: true});
});

// A browser whose WebAssembly has no SIMD (as before 2023): the page says so
// and the game does not start.
test('a browser without WebAssembly SIMD is told so', async () => {
  await withRelease({width: 1280, height: 1000}, async (page, server) => {
    await page.evaluateOnNewDocument(() => {
      const validate = WebAssembly.validate;
      const simd = bytes => new Uint8Array(bytes).some((b, i, all) => b === 0xfd && all[i + 1] === 0x0c);
      WebAssembly.validate = bytes => !simd(bytes) && validate(bytes);
    });
    await page.goto(server.url);
    assert.ok(await waitFor(10, async () => (await overlayText(page)).startsWith(
                  'coinflight: cannot start: this browser\'s WebAssembly lacks SIMD (')),
              `the page says: ${await overlayText(page)}`);
    assert.ok(!await page.evaluate(() => window.Module?.webStats), 'the game did not start');
  });
});

const PHONE_LANDSCAPE = {width: 844, height: 390, isMobile: true, hasTouch: true, isLandscape: true};

// Runs `play(page, server)` on a new page of `engine`'s own, with `folder`
// served from 127.0.0.1 (`options` as serve() takes them), at `viewport`;
// closes both after.
async function withRelease(viewport, play, folder = RELEASE, options = {}, engine = 'chromium') {
  const {browser, close} = await launch(engine);
  const server = await serve(folder, options);
  try {
    const page = await browser.newPage();
    await page.setViewport(viewport);
    await play(page, server);
  } finally {
    server.close();
    await close();
  }
}

// Fingers on the page at fractions of the picture's size (below 0 or above
// 1: beside it): Chromium's through the DevTools protocol, Firefox's through
// WebDriver BiDi.
async function fingers(page, engine) {
  const at = async (fx, fy) => {
    const r = await page.evaluate(() => document.getElementById('screen').getBoundingClientRect().toJSON());
    return {x: r.x + fx * r.width, y: r.y + fy * r.height};
  };
  const down = new Map();
  if (engine === 'chromium') {
    const client = await page.createCDPSession();
    const send = (type, touchPoints) => client.send('Input.dispatchTouchEvent', {type, touchPoints});
    return {
      press: async (id, fx, fy) => send('touchStart', [...down.set(id, {id, ...await at(fx, fy)}).values()]),
      move: async (id, fx, fy) => send('touchMove', [...down.set(id, {id, ...await at(fx, fy)}).values()]),
      lift: async id => {
        const point = down.get(id);
        down.delete(id);
        await send('touchEnd', [point]);
      },
    };
  }
  if (engine === 'firefox')
    return {
      press: async (id, fx, fy) => {
        const {x, y} = await at(fx, fy);
        down.set(id, await page.touchscreen.touchStart(x, y));
      },
      move: async (id, fx, fy) => {
        const {x, y} = await at(fx, fy);
        await down.get(id).move(x, y);
      },
      lift: async id => {
        await down.get(id).end();
        down.delete(id);
      },
    };
  // WebKit's driver makes no touches, and its pens lose their events once
  // held a while: touch pointer events, made in the page, stand in there.
  const dispatch = async (type, id, fx, fy) => {
    const {x, y} = fx === undefined ? {} : await at(fx, fy);
    await page.evaluate((type, id, x, y) => {
      const point = window.penPoints ??= {};
      point[id] = x === null ? point[id] : {x, y};
      const target = document.elementFromPoint(point[id].x, point[id].y) || document.body;
      target.dispatchEvent(new PointerEvent(type, {pointerId: 10 + id, pointerType: 'touch', isPrimary: id === 1,
                                                   clientX: point[id].x, clientY: point[id].y,
                                                   bubbles: true, cancelable: true}));
    }, type, id, x ?? null, y ?? null);
  };
  return {
    press: (id, fx, fy) => dispatch('pointerdown', id, fx, fy),
    move: (id, fx, fy) => dispatch('pointermove', id, fx, fy),
    lift: id => dispatch('pointerup', id),
  };
}

// A phone held sideways: the game waits for the first tap, the picture fills
// the height, fingers steer by the picture's middle line, beside it too; on
// the game-over picture Quit says what to do and a tap anywhere flies on;
// the score, too small in the picture, is legible beside it.
for (const engine of ENGINES)
  test(`${engine}: a phone plays Coin Flight by touch${engine === 'webkit' ? ' (touch events made in the page)' : ''}`,
       async () => {
    await withRelease(PHONE_LANDSCAPE, async (page, server) => {
      const errors = [];
      page.on('pageerror', error => errors.push(error.message));
      await page.goto(server.url);
      // Firefox's driver passes for a touch screen beside a mouse, where the
      // game starts at once; WebKit's for none, where the first touch tells.
      const asks = {chromium: ['Tap to play'], firefox: ['', 'Click to play'], webkit: ['Click to play']}[engine];
      assert.ok(await waitFor(20, async () => asks.includes(await overlayText(page))),
                `the page says: ${await overlayText(page)}`);
      const layout = await page.evaluate(() => ({
        picture: document.getElementById('screen').getBoundingClientRect().toJSON(),
        window: innerHeight, tall: document.documentElement.scrollHeight}));
      assert.equal(Math.round(layout.picture.height), layout.window, 'the picture fills the height');
      assert.ok(layout.tall <= layout.window, `the page is ${layout.tall} px tall in a ${layout.window} px window`);
      const finger = await fingers(page, engine);
      if (!await started(page)) {
        await finger.press(1, 0.5, 0.5);
        await finger.lift(1);
        assert.ok(await waitFor(10, () => started(page)), 'a tap starts the game');
      }
      // Beside the picture, one finger above its middle line and one below
      // hold Up and Down together: the plane stays (once both are down).
      await finger.press(1, -0.05, 0.25);
      await finger.press(2, -0.05, 0.75);
      await pause(200);
      // The first ticks' pictures may come late on a slow machine: the plane
      // is looked for until it shows.
      let before = null;
      await waitFor(10, async () => (before = planeHeight(await look(page))) !== null);
      await pause(600);
      const after = planeHeight(await look(page));
      assert.ok(before !== null && after === before,
                `two fingers, one each side of the line: the plane moved from ${before} to ${after}`);
      await finger.lift(2);
      const tapOn = async () => { // a tap on the game-over picture flies on; the finger holds Up again
        await finger.lift(1);
        await finger.press(1, -0.05, 0.25);
      };
      assert.ok(await playUntil(20, page, s => planeAt(s, 4), tapOn), 'the upper finger flies the plane up');
      assert.ok(await waitFor(10, async () => panelUp(await look(page))), 'a coin is missed at the top');
      // A drag across the page moves nothing on it.
      await finger.move(1, 0.3, 0.9);
      await finger.move(1, 0.8, 0.1);
      await finger.lift(1);
      assert.deepEqual(await page.evaluate(() => [scrollX, scrollY, visualViewport.scale]), [0, 0, 1],
                       'a touch-drag neither scrolls nor zooms the page');

      await waitFor(5, () => page.evaluate(() => performance.now() - Module.webStats.changedMs > 500));
      await page.click('#quit');
      assert.equal(await page.evaluate(() => document.getElementById('quit').textContent),
                   'Tap to fly again first, then quit', 'Quit says what to do on the game-over picture');
      const scores = await page.evaluate(() => {
        const line = document.getElementById('scores');
        return {text: line.hidden ? '' : line.textContent, size: parseFloat(getComputedStyle(line).fontSize)};
      });
      assert.match(scores.text, /^Score: 0 High Score: \d+$/, 'the score is shown beside the small picture');
      assert.ok(scores.size >= 16, `the score's text is ${scores.size} px`);

      const over = await shot(page);
      await pause(1000);
      const tapped = Date.now();
      await finger.press(3, -0.05, 0.75); // beside the picture
      await finger.lift(3);
      assert.ok(await waitFor(10, async () => !panelUp(await look(page))), 'a tap beside the picture resumes play');
      const moved = skyShift(over, await shot(page)), seconds = (Date.now() - tapped) / 1000;
      assert.ok(moved <= 50 * seconds + 8, `the sky jumped ${moved} pixels in ${seconds} s: the backlog ran`);
      assert.deepEqual(errors, [], 'no page error');
    }, RELEASE, {}, engine);
  });

// Where the browser draws WebGL on a GPU the 16-bit pixels go to it as they
// are; elsewhere they are turned into RGBA for a 2-D canvas. Both show the
// very same picture: the first round's game-over picture, with no key
// pressed, pixel for pixel. (Headless Chromium draws WebGL in software, which
// the page declines; here it is passed off as a GPU's.)
test('WebGL and the 2-D canvas show the same pixels', async () => {
  const pictures = {};
  for (const canvas of ['webgl2', '2d'])
    await withRelease({width: 1280, height: 1000}, async (page, server) => {
      await page.evaluateOnNewDocument(kind => {
        const RENDERER = 0x9246; // WEBGL_debug_renderer_info's UNMASKED_RENDERER_WEBGL
        const getParameter = WebGL2RenderingContext.prototype.getParameter;
        WebGL2RenderingContext.prototype.getParameter = function(name) {
          return name === RENDERER ? 'a GPU' : getParameter.call(this, name);
        };
        const getContext = HTMLCanvasElement.prototype.getContext;
        HTMLCanvasElement.prototype.getContext = function(type, ...rest) {
          return type === 'webgl2' && kind === '2d' ? null : getContext.call(this, type, ...rest);
        };
      }, canvas);
      await page.goto(server.url);
      assert.ok(await waitFor(20, () => started(page)), 'the game starts');
      assert.ok(await waitFor(20, async () => panelUp(await look(page))), 'a missed coin ends the round');
      await waitFor(5, () => page.evaluate(() => performance.now() - Module.webStats.changedMs > 500));
      assert.equal(await page.evaluate(() => Module.webStats.canvas), canvas);
      pictures[canvas] = (await shot(page)).bytes;
    });
  assert.equal(differing(pictures['2d'], pictures.webgl2), 0, 'pixels that differ between WebGL and 2-D');
});

// A gamepad, stubbed before the page loads: the d-pad steers, A leaves the
// game-over picture.
test('a gamepad plays Coin Flight', async () => {
  await withRelease({width: 1280, height: 1000}, async (page, server) => {
    await stubGamepad(page);
    await page.goto(server.url);
    assert.ok(await waitFor(20, () => started(page)), 'the game starts');
    const pressA = async () => {
      await page.evaluate(() => pressPad(0, true));
      await pause(100);
      await page.evaluate(() => pressPad(0, false));
    };
    await page.evaluate(() => pressPad(12, true)); // d-pad up
    assert.ok(await playUntil(20, page, s => planeAt(s, 4), pressA), 'd-pad up flies the plane to the top');
    assert.ok(await waitFor(10, async () => panelUp(await look(page))), 'a missed coin ends the round');
    await page.evaluate(() => pressPad(12, false));
    await page.evaluate(() => pressPad(0, true)); // A
    assert.ok(await waitFor(10, async () => !panelUp(await look(page))), 'A resumes play');
    await page.evaluate(() => pressPad(0, false));
  });
});

// The release in a frame on another origin, as game sites embed it: it
// waits for its player; a click gives it the keyboard; the keys stay in it.
test('a game site\'s frame waits for its player, then plays', async () => {
  const {browser, close} = await launch();
  const game = await serve(RELEASE);
  const site = fs.mkdtempSync(path.join(os.tmpdir(), 'coinflight-site-'));
  fs.writeFileSync(path.join(site, 'index.html'), '<!DOCTYPE html><body style="height: 4000px">' +
                   `<iframe src="${game.url}" width="800" height="660"></iframe></body>`);
  const parent = await serve(site);
  const page = await browser.newPage();
  try {
    await page.setViewport({width: 1280, height: 1000});
    await page.goto(parent.url.replace('127.0.0.1', 'localhost'));
    let frame;
    assert.ok(await waitFor(20, () => (frame = page.frames().find(f => f.url().startsWith(game.url)))),
              'the frame loads');
    assert.ok(await waitFor(20, async () => await overlayText(frame) === 'Click to play'), 'it asks for a click');
    await pause(9000);
    assert.equal(await started(frame), false, 'no round has started, so none is lost, before the player comes');
    assert.equal(await frame.evaluate(() => document.getElementById('fullscreen').hidden), true,
                 'no full-screen button in a frame that does not allow it');
    await frame.click('#overlay');
    assert.ok(await waitFor(10, () => started(frame)), 'a click starts the game');
    await page.keyboard.down('ArrowUp');
    assert.ok(await playUntil(20, frame, s => planeAt(s, 4), () => page.keyboard.press('Enter')),
              'Up flies the plane to the top');
    await page.keyboard.up('ArrowUp');
    assert.equal(await page.evaluate(() => window.scrollY), 0, 'the keys do not scroll the site');
  } finally {
    game.close();
    parent.close();
    await close();
    fs.rmSync(site, {recursive: true, force: true});
  }
});

// Installable where Chromium asks (playing offline is proven in every engine above).
test('the release installs', async () => {
  await withRelease({width: 1280, height: 1000}, async (page, server) => {
    await page.goto(server.url);
    assert.ok(await waitFor(20, () => started(page)), 'the game starts');
    assert.ok(await waitFor(20, () => page.evaluate(async () =>
                  !!(await navigator.serviceWorker.ready).active && !!navigator.serviceWorker.controller)),
              'the service worker takes over');
    const client = await page.createCDPSession();
    const {installabilityErrors} = await client.send('Page.getInstallabilityErrors');
    assert.deepEqual(installabilityErrors, [], 'Chromium finds the page installable');
  });
});
