// SPDX-License-Identifier: MIT
// web_bench — the web release in headless Chromium, served from 127.0.0.1:
// time from navigation to the first frame, then over 10 s of play the frames
// shown and the ticks that fell due (the timer's calls) per second, and how
// busy the game keeps the main thread.
//   node bench/web_bench.mjs RELEASE_FOLDER
// Enter is held throughout, so a missed coin starts the next round at once
// and the game keeps playing.
import {serve, launch} from '../tests/web/page.mjs';

const SECONDS = 10;
const folder = process.argv[2];
const stats = page => page.evaluate(() => new Promise(resolve => requestAnimationFrame(() =>
  resolve({at: performance.now(), ...Module.webStats}))));

const server = await serve(folder);
const {browser, close} = await launch();
const page = await browser.newPage();
await page.setViewport({width: 1280, height: 1000});
await page.goto(server.url);
await page.waitForFunction(() => window.Module?.webStats?.frames > 0, {timeout: 20000});
const first = await page.evaluate(() => Module.webStats.firstFrameMs);
await page.keyboard.down('Enter');
await new Promise(resolve => setTimeout(resolve, 1000));
const a = await stats(page);
await new Promise(resolve => setTimeout(resolve, SECONDS * 1000));
const b = await stats(page);
await page.keyboard.up('Enter');
const seconds = (b.at - a.at) / 1000;
console.log(`first frame after navigation   ${first.toFixed(0)} ms`);
console.log(`frames shown per second        ${((b.frames - a.frames) / seconds).toFixed(1)}`);
console.log(`ticks due per second           ${((b.timerCalls - a.timerCalls) / seconds).toFixed(2)}`);
console.log(`main thread busy with the game ${(100 * (b.busyMs - a.busyMs) / (b.at - a.at)).toFixed(1)} %` +
            `   (over ${seconds.toFixed(1)} s)`);
server.close();
await close();
