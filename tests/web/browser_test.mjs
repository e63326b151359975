// SPDX-License-Identifier: MIT
// The web release in headless Chromium, served from 127.0.0.1: what a player
// sees and does. COINFLIGHT_WEB names the unpacked release's folder.
import {test} from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {serve, launch, waitFor, shot, planeAt, panelUp, scoreInk, skyShift, stubGamepad} from './page.mjs';

const RELEASE = process.env.COINFLIGHT_WEB;
const pause = ms => new Promise(resolve => setTimeout(resolve, ms));

// Opens the page served from `folder`; notes every request and console error.
async function open(browser, folder) {
  const server = await serve(folder);
  const page = await browser.newPage();
  await page.setViewport({width: 1280, height: 1000});
  const requests = [], errors = [];
  page.on('request', request => requests.push(request.url()));
  page.on('console', message => message.type() === 'error' && errors.push(message.text()));
    page.on('pageerror', error => errors.push(error.message));
  await page.goto(server.url);
  return {page, server, requests, errors};
}

const overlayText = page => page.evaluate(() => {
  const overlay = document.getElementById('overlay');
  return overlay.hidden ? '' : overlay.textContent;
});

// One round as a player plays it: the first picture, Up to the top, the miss
// that follows, the game-over panel through a backlog, Enter tapped, Esc.
test('the page plays Coin Flight with the keyboard', async () => {
  const {browser, close} = await launch();
  const {page, server, requests, errors} = await open(browser, RELEASE);
  try {
    assert.ok(await waitFor(20, () => page.evaluate(() => (window.Module?.webStats?.frames ?? 0) > 2)),
              'no frame was drawn');
    if (await overlayText(page) === 'Click to play')
      await page.click('#overlay');
    const first = await shot(page);
    assert.ok(planeAt(first, 364), 'the plane starts at height 364');
    assert.ok(scoreInk(first) > 20, 'the score line is drawn at the bottom');
    assert.ok(!planeAt(first, 4) && first.at(512, 50)[2] > 150, 'the sky is drawn');
    assert.equal(await overlayText(page), '', 'nothing covers the picture');

    // The page can scroll; the arrow keys still must not scroll it.
    await page.evaluate(() => { document.body.style.minHeight = '4000px'; });
    await page.keyboard.down('ArrowUp');
    assert.ok(await waitFor(10, async () => planeAt(await shot(page), 4)), 'Up flies the plane to the top');
    assert.ok(await waitFor(10, async () => panelUp(await shot(page))), 'a missed coin ends the round');
    await page.keyboard.up('ArrowUp');
    await page.keyboard.down('ArrowDown');
    await pause(100);
    await page.keyboard.up('ArrowDown');
    assert.equal(await page.evaluate(() => window.scrollY), 0, 'the arrow keys do not scroll the page');
    const over = await shot(page);

    await page.keyboard.press('Escape'); // ignored on the game-over screen
    await pause(2000);                   // about 100 ticks fall due meanwhile
    const still = await shot(page);
    assert.ok(panelUp(still), 'the panel stays up through Esc');
    assert.equal(skyShift(over, still), 0, 'no tick runs while the panel is up');
    assert.equal(await overlayText(page), '', 'Esc did not end the game');

    const enter = Date.now();
    await page.keyboard.press('Enter'); // a tap shorter than a frame
    assert.ok(await waitFor(10, async () => !panelUp(await shot(page))), 'Enter resumes play');
    const resumed = await shot(page), seconds = (Date.now() - enter) / 1000;
    // The sky moves on at 50 pixels a second from Enter, no further: the 100
    // or so ticks that fell due behind the panel are not run.
    const moved = skyShift(still, resumed);
    assert.ok(moved <= 50 * seconds + 8, `the sky jumped ${moved} pixels in ${seconds} s`);

    await page.keyboard.press('Escape');
    assert.ok(await waitFor(10, async () => /game has ended.*Reload/.test(await overlayText(page))),
              'the page says the game has ended');
    assert.deepEqual(errors, [], 'no console error');
    const away = requests.filter(url => !url.startsWith(server.url));
    assert.deepEqual(away, [], 'no request leaves 127.0.0.1');
  } finally {
    server.close();
    await close();
  }
});

// A picture missing beside the page: the page shows the desktop's one line.
test('a missing picture stops the game with the desktop\'s line, in the page', async () => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'coinflight-web-'));
  for (const name of fs.readdirSync(RELEASE))
    if (name !== 'skypic.bmp')
      fs.copyFileSync(path.join(RELEASE, name), path.join(folder, name));
  const {browser, close} = await launch();
  const {page, server} = await open(browser, folder);
  try {
    assert.ok(await waitFor(20, async () => (await overlayText(page)).includes(
                  'coinflight: cannot load "skypic.bmp" from /: file missing')),
              `the page says: ${await overlayText(page)}`);
  } finally {
    server.close();
    await close();
    fs.rmSync(folder, {recursive: true, force: true});
  }
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

// Runs `play(page, server)` on a new page of a browser of its own, with the
// release served from 127.0.0.1, at `viewport`; closes both after.
async function withRelease(viewport, play) {
  const {browser, close} = await launch();
  const server = await serve(RELEASE);
  try {
    const page = await browser.newPage();
    await page.setViewport(viewport);
    await play(page, server);
  } finally {
    server.close();
    await close();
  }
}
const started = target => target.evaluate(() => (window.Module?.webStats?.frames ?? 0) > 0);

// Fingers on the picture through the DevTools protocol: `points` are
// [id, x, y], at fractions of the picture's size: for touchStart and
// touchMove every finger down, for touchEnd those that lift (none: all).
async function touch(page, type, points) {
  const r = await page.evaluate(() => document.getElementById('screen').getBoundingClientRect().toJSON());
  const touchPoints = points.map(([id, fx, fy]) => ({id, x: r.x + fx * r.width, y: r.y + fy * r.height}));
  await page.client.send('Input.dispatchTouchEvent', {type, touchPoints});
}

// A phone held sideways: the game waits for the first tap, the picture fills
// the height, fingers steer half by half, a tap leaves the game-over picture.
test('a phone plays Coin Flight by touch', async () => {
  await withRelease(PHONE_LANDSCAPE, async (page, server) => {
    const errors = [];
    page.on('pageerror', error => errors.push(error.message));
    page.client = await page.createCDPSession();
    await page.goto(server.url);
    assert.ok(await waitFor(20, async () => await overlayText(page) === 'Tap to play'), 'the page asks for a tap');
    const layout = await page.evaluate(() => ({
      picture: document.getElementById('screen').getBoundingClientRect().toJSON(),
      tall: document.documentElement.scrollHeight}));
    assert.equal(layout.picture.height, 390, 'the picture fills the height');
    assert.ok(layout.tall <= 390, `the page is ${layout.tall} px tall in a 390 px window`);
    assert.equal(await started(page), false, 'the game waits for the player');

    await touch(page, 'touchStart', [[1, 0.5, 0.5]]);
    await touch(page, 'touchEnd', []);
    assert.ok(await waitFor(10, () => started(page)), 'a tap starts the game');
    // One finger in each half holds Up and Down together: the plane stays.
    await touch(page, 'touchStart', [[1, 0.5, 0.25], [2, 0.5, 0.75]]);
    await pause(600);
    assert.ok(planeAt(await shot(page), 364), 'two fingers, one per half: the plane does not move');
    await touch(page, 'touchEnd', [[2, 0.5, 0.75]]); // the lower finger lifts
    assert.ok(await waitFor(10, async () => planeAt(await shot(page), 4)), 'the upper finger flies the plane up');
    assert.ok(await waitFor(10, async () => panelUp(await shot(page))), 'a missed coin ends the round');
    // A drag across the picture moves nothing on the page.
    await touch(page, 'touchMove', [[1, 0.3, 0.9]]);
    await touch(page, 'touchMove', [[1, 0.8, 0.1]]);
    await touch(page, 'touchEnd', []);
    assert.deepEqual(await page.evaluate(() => [scrollX, scrollY, visualViewport.scale]), [0, 0, 1],
                     'a touch-drag neither scrolls nor zooms the page');

    const over = await shot(page);
    await pause(1000);
    const tapped = Date.now();
    await touch(page, 'touchStart', [[3, 0.5, 0.75]]);
    await touch(page, 'touchEnd', []);
    assert.ok(await waitFor(10, async () => !panelUp(await shot(page))), 'a tap resumes play');
    const moved = skyShift(over, await shot(page)), seconds = (Date.now() - tapped) / 1000;
    assert.ok(moved <= 50 * seconds + 8, `the sky jumped ${moved} pixels in ${seconds} s: the backlog ran`);
    assert.deepEqual(errors, [], 'no page error');
  });
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
      assert.ok(await waitFor(20, async () => panelUp(await shot(page))), 'a missed coin ends the round');
      await waitFor(5, () => page.evaluate(() => performance.now() - Module.webStats.changedMs > 500));
      assert.equal(await page.evaluate(() => Module.webStats.canvas), canvas);
      pictures[canvas] = (await shot(page)).bytes;
    });
  let differing = 0;
  for (let i = 0; i < pictures['2d'].length; i += 4)
    differing += pictures['2d'].readUInt32LE(i) !== pictures.webgl2.readUInt32LE(i);
  assert.equal(differing, 0, 'pixels that differ between WebGL and 2-D');
});

// A gamepad, stubbed before the page loads: the d-pad steers, A leaves the
// game-over picture.
test('a gamepad plays Coin Flight', async () => {
  await withRelease({width: 1280, height: 1000}, async (page, server) => {
    await stubGamepad(page);
    await page.goto(server.url);
    assert.ok(await waitFor(20, () => started(page)), 'the game starts');
    await page.evaluate(() => pressPad(12, true)); // d-pad up
    assert.ok(await waitFor(10, async () => planeAt(await shot(page), 4)), 'd-pad up flies the plane to the top');
    assert.ok(await waitFor(10, async () => panelUp(await shot(page))), 'a missed coin ends the round');
    await page.evaluate(() => pressPad(12, false));
    await page.evaluate(() => pressPad(0, true)); // A
    assert.ok(await waitFor(10, async () => !panelUp(await shot(page))), 'A resumes play');
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
    assert.ok(await waitFor(10, async () => planeAt(await shot(frame), 4)), 'Up flies the plane to the top');
    await page.keyboard.up('ArrowUp');
    assert.equal(await page.evaluate(() => window.scrollY), 0, 'the keys do not scroll the site');
  } finally {
    game.close();
    parent.close();
    await close();
    fs.rmSync(site, {recursive: true, force: true});
  }
});

// Installable, and after one visit playable offline.
test('the release installs and plays offline', async () => {
  await withRelease({width: 1280, height: 1000}, async (page, server) => {
    await page.goto(server.url);
    assert.ok(await waitFor(20, () => started(page)), 'the game starts');
    assert.ok(await waitFor(20, () => page.evaluate(async () =>
                  !!(await navigator.serviceWorker.ready).active && !!navigator.serviceWorker.controller)),
              'the service worker takes over');
    const client = await page.createCDPSession();
    const {installabilityErrors} = await client.send('Page.getInstallabilityErrors');
    assert.deepEqual(installabilityErrors, [], 'Chromium finds the page installable');
    await page.setOfflineMode(true);
    await page.reload();
    assert.ok(await waitFor(20, () => started(page)), 'offline, a reload plays the game');
    // The first frames may come before the first tick has drawn anything.
    assert.ok(await waitFor(10, async () => planeAt(await shot(page), 364)), 'with its pictures');
  });
});
