// SPDX-License-Identifier: MIT
// page.mjs — serves the web build from 127.0.0.1 and opens it in Debian's
// Chromium, headless, through puppeteer-core; reads the game's canvas.
// Used by the browser test and the web benchmark.
import http from 'node:http';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const TYPES = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
               '.bmp': 'image/bmp', '.png': 'image/png', '.webmanifest': 'application/manifest+json',
               '.txt': 'text/plain'};

// Serves the files of `folder` on a free port of 127.0.0.1.
export async function serve(folder) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
    const file = path.join(folder, name === '/' ? 'index.html' : path.normalize(name));
    fs.readFile(file, (error, bytes) => {
      if (error) {
        response.writeHead(404);
        response.end();
        return;
      }
      response.writeHead(200, {'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream'});
      response.end(bytes);
    });
  });
  await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
  return {url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close()};
}

// Starts headless Chromium with a profile of its own and nothing that reaches
// out: no background networking, updates or sync.
export async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'coinflight-chromium-'));
  const browser = await puppeteer.launch({
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

// Polls `check` until it gives something true or `seconds` pass; returns its last answer.
export async function waitFor(seconds, check) {
  const end = Date.now() + seconds * 1000;
  for (;;) {
    const answer = await check();
    if (answer || Date.now() > end)
      return answer;
    await new Promise(resolve => setTimeout(resolve, 50));
  }
}

// The canvas's pixels now: at(x, y) gives [r, g, b]; bytes holds them all, RGBA.
export async function shot(page) {
  const b64 = await page.evaluate(() => {
    // Copied as a player's screenshot tool would, whatever context draws it.
    const canvas = document.getElementById('screen'), copy = document.createElement('canvas');
    copy.width = canvas.width;
    copy.height = canvas.height;
    const context = copy.getContext('2d');
    context.drawImage(canvas, 0, 0);
    const data = context.getImageData(0, 0, canvas.width, canvas.height).data;
    let text = '';
    for (let i = 0; i < data.length; i += 0x8000)
      text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
    return btoa(text);
  });
  const bytes = Buffer.from(b64, 'base64');
  return {bytes, at: (x, y) => { const i = (y * 1024 + x) * 4; return [bytes[i], bytes[i + 1], bytes[i + 2]]; }};
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
