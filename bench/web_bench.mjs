// SPDX-License-Identifier: MIT
// web_bench — the web release in headless Chromium, served from 127.0.0.1:
// time from navigation to the first frame, then over 10 s of play the frames
// shown and the ticks that fell due (the timer's calls) per second, and how
// busy the main thread is: with the game, by the page's own count, and in
// all, as Chromium counts its tasks.
//   node bench/web_bench.mjs RELEASE_FOLDER [--pad]
// Enter is held throughout, so a missed coin starts the next round at once
// and the game keeps playing. --pad plugs in a stub gamepad first, which the
// page then polls every frame.
import {serve, launch, stubGamepad} from '../tests/web/page.mjs';

const SECONDS = 10;
const folder = process.argv[2], withPad = process.argv.includes('--pad');
const stats = page => page.evaluate(() => new Promise(resolve => requestAnimationFrame(() =>
  resolve({at: performance.now(), ...Module.webStats}))));

const server = await serve(folder);
const {browser, close} = await launch();
const page = await browser.newPage();
await page.setViewport({width: 1280, height: 1000});
if (withPad)
  await stubGamepad(page);
const client = await page.createCDPSession();
await client.send('Performance.enable');
const taskSeconds = async () =>
  (await client.send('Performance.getMetrics')).metrics.find(m => m.name === 'TaskDuration').value;
await page.goto(server.url);
await page.waitForFunction(() => window.Module?.webStats?.frames > 0, {timeout: 20000});
const first = await page.evaluate(() => Module.webStats.firstFrameMs);
await page.keyboard.down('Enter');
await new Promise(resolve => setTimeout(resolve, 1000));
const a = await stats(page), tasksA = await taskSeconds();
await new Promise(resolve => setTimeout(resolve, SECONDS * 1000));
const b = await stats(page), tasksB = await taskSeconds();
await page.keyboard.up('Enter');
const seconds = (b.at - a.at) / 1000;
console.log(`first frame after navigation   ${first.toFixed(0)} ms`);
console.log(`frames shown per second        ${((b.frames - a.frames) / seconds).toFixed(1)}`);
console.log(`ticks due per second           ${((b.timerCalls - a.timerCalls) / seconds).toFixed(2)}`);
console.log(`main thread busy with the game ${(100 * (b.busyMs - a.busyMs) / (b.at - a.at)).toFixed(1)} %` +
            `   (over ${seconds.toFixed(1)} s)`);
console.log(`main thread busy in all        ${(100 * (tasksB - tasksA) / seconds).toFixed(1)} %` +
            `   (Chromium's TaskDuration${withPad ? ', a gamepad polled' : ''})`);
server.close();
await close();
