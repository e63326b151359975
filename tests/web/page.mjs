// SPDX-License-Identifier: MIT
// page.mjs — serves the web build from 127.0.0.1 and opens it in Debian's
// Chromium, headless, through puppeteer-core; reads the game's canvas.
// Used by the browser test and the web benchmark.
import http from 'node:http';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';
import {launchWebKit} from './webkit.mjs';

const TYPES = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
               '.bmp': 'image/bmp', '.png': 'image/png', '.webmanifest': 'application/manifest+json',
               '.txt': 'text/plain'};

// Serves the files of `folder` on a free port of 127.0.0.1 as a plain static
// host does (python3 -m http.server): each file with its type and its time
// (Last-Modified), answering 304 to a question whether it changed since.
// `types` replaces types by file ending; `failing` names files answered with
// 503. Counts the files sent whole, by name, in `downloads.page` and, for
// those the service worker asked for, `downloads.worker`.
export async function serve(folder, {types = {}, failing = new Set()} = {}) {
  const downloads = {page: {}, worker: {}};
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname).slice(1) || 'index.html';
    const file = path.join(folder, path.normalize(name));
    if (path.relative(folder, file).startsWith('..')) {
      response.writeHead(404);
      response.end();
      return;
    }
    if (failing.has(name)) {
      response.writeHead(503);
      response.end();
      return;
    }
    fs.stat(file, (error, stat) => {
      if (error || !stat.isFile()) {
        response.writeHead(404);
        response.end();
        return;
      }
      const modified = new Date(Math.floor(stat.mtimeMs / 1000) * 1000);
      const since = Date.parse(request.headers['if-modified-since'] || '');
      if (since >= modified.getTime()) {
        response.writeHead(304);
        response.end();
        return;
      }
      const by = downloads[/\/sw\.js$/.test(request.headers.referer || '') ? 'worker' : 'page'];
      by[name] = (by[name] || 0) + 1;
      const extension = path.extname(file);
      response.writeHead(200, {'Content-Type': types[extension] || TYPES[extension] || 'application/octet-stream',
                               'Last-Modified': modified.toUTCString()});
      fs.createReadStream(file).pipe(response);
    });
  });
  await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
  return {url: `http://127.0.0.1:${server.address().port}/`, downloads,
          close: () => {
            server.close();
            server.closeAllConnections();
          }};
}

// The engines the release is played in: Chromium's, Firefox's (Gecko) and
// Safari's (WebKit), each as Debian packages it.
export const ENGINES = ['chromium', 'firefox', 'webkit'];

// Starts `engine` headless (WebKit on an Xvfb display of its own) with a
// profile of its own and nothing that reaches out: no background
// networking, updates or sync. Gives {browser, close}.
export async function launch(engine = 'chromium') {
  if (engine === 'webkit')
    return launchWebKit();
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), `coinflight-${engine}-`));
  const browser = await puppeteer.launch(engine === 'firefox' ? {
    browser: 'firefox',
    executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
    headless: true,
    userDataDir: profile,
  } : {
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           '--disable-features=Translate,MediaRouter', '--mute-audio'],
  });
  const close = async () => {
    await browser.close();
    fs.rmSync(profile, {recursive: true, force: true});
  };
  return {browser, close};
}

// Plugs a stub gamepad ("standard" layout) into the page before it loads;
// the page's window.pressPad(button, down) presses and lets go its buttons.
export async function stubGamepad(page) {
  await page.evaluateOnNewDocument(() => {
    const buttons = Array.from({length: 17}, () => ({pressed: false, touched: false, value: 0}));
    const pad = {id: 'stub', index: 0, connected: true, mapping: 'standard', axes: [0, 0, 0, 0],
                 buttons, timestamp: 0};
    window.pressPad = (button, down) => { buttons[button].pressed = down; buttons[button].value = +down; };
    navigator.getGamepads = () => [pad, null, null, null];
  });
}

// Polls `check` until it gives something true or `seconds` pass; gives its last answer.
export async function waitFor(seconds, check) {
  const end = Date.now() + seconds * 1000;
  for (;;) {
    const answer = await check();
    if (answer || Date.now() > end)
      return answer;
    await new Promise(resolve => setTimeout(resolve, 50));
  }
}

// The whole picture, and the part of it most checks need: the plane at the
// top or at its start, and the game-over panel.
export const WHOLE = {x: 0, y: 0, w: 1024, h: 768};
export const PLANE_AND_PANEL = {x: 100, y: 16, w: 221, h: 369};
// A slow machine's canvas reads, for showing that the tests do not depend on
// the machine's speed: each read comes this much later than its picture.
const READ_DELAY_MS = Number(process.env.COINFLIGHT_READ_DELAY_MS || 0);

// The canvas's pixels in `area` now: at(x, y) gives [r, g, b] of a pixel in
// it; bytes holds them all, RGBA, row by row.
export async function shot(page, area = WHOLE) {
  const b64 = await page.evaluate(({x, y, w, h}) => {
    // Copied as a player's screenshot tool would, whatever context draws it.
    const canvas = document.getElementById('screen'), copy = document.createElement('canvas');
    copy.width = w;
    copy.height = h;
    const context = copy.getContext('2d');
    context.drawImage(canvas, x, y, w, h, 0, 0, w, h);
    const data = context.getImageData(0, 0, w, h).data;
    let text = '';
    for (let i = 0; i < data.length; i += 0x8000)
      text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
    return btoa(text);
  }, area);
  if (READ_DELAY_MS)
    await new Promise(resolve => setTimeout(resolve, READ_DELAY_MS));
  const bytes = Buffer.from(b64, 'base64');
  return {bytes, at: (x, y) => {
    const i = ((y - area.y) * area.w + x - area.x) * 4;
    if (x < area.x || y < area.y || x >= area.x + area.w || y >= area.y + area.h)
      throw new RangeError(`(${x}, ${y}) is outside the picture read`);
    return [bytes[i], bytes[i + 1], bytes[i + 2]];
  }};
}

export function near(c, r, g, b, tolerance = 12) {
  return Math.abs(c[0] - r) <= tolerance && Math.abs(c[1] - g) <= tolerance &&
         Math.abs(c[2] - b) <= tolerance;
}

// What the desktop's end-to-end tests look for, on the canvas: the plane with
// its fuselage top at `planey`; the game-over panel at (300, 300); the score
// line's ink; how far the sky moved between two pictures.
export const planeAt = (s, planey) =>
  near(s.at(149, planey + 12), 0, 0, 0) && near(s.at(100, planey + 18), 0, 50, 0);
// The height of the plane, from its start up to the top, or null.
export function planeHeight(s) {
  for (let y = 364; y >= 4; y -= 20)
    if (planeAt(s, y))
      return y;
  return null;
}
export const panelUp = s => near(s.at(320, 384), 22, 32, 74);
export function scoreInk(s) {
  let ink = 0;
  for (let y = 750; y < 758; y++)
    for (let x = 10; x < 90; x++)
      ink += near(s.at(x, y), 0, 0, 0, 40);
  return ink;
}
export function skyShift(a, b) {
  let best = -1, bestMismatch = Infinity;
  for (let shift = 0; shift <= 300; shift++) {
    let mismatch = 0;
    for (let y = 726; y < 746; y++)
      for (let x = 200; x < 700; x++) {
        const q = b.at(x, y);
        mismatch += !near(a.at(x + shift, y), q[0], q[1], q[2], 16);
      }
    if (mismatch < bestMismatch) {
      bestMismatch = mismatch;
      best = shift;
    }
  }
  return best;
}

// Plays on until `goal` holds for a picture of `area`, for at most `seconds`,
// and gives whether it did. Whenever the game-over panel is up and the goal
// is not met, `resume()` leaves it: on a slow machine a round may end before
// the test's keys have done their work, as it may for a slow player.
export function playUntil(seconds, page, goal, resume, area = PLANE_AND_PANEL) {
  return waitFor(seconds, async () => {
    const s = await shot(page, area);
    if (goal(s))
      return true;
    if (panelUp(s))
      await resume();
    return false;
  });
}
