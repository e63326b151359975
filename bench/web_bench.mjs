// SPDX-License-Identifier: MIT
// web_bench — the web release in headless Chromium, served from 127.0.0.1.
// First 5 cold loads, each in a browser with a fresh profile (nothing
// cached): the time from navigation to the first tick's picture on the
// canvas (watched from outside: the first animation frame showing the sky),
// the median, and where it went (the page's timeline: the files' fetches,
// and the steps the page and the game mark). Then over 10 s of play
// the frames shown and the ticks that fell due (the timer's calls) per
// second, and how busy the main thread is: with the game, by the page's own
// count, and in all, as Chromium counts its tasks.
// With --tick FOLDER (the web build's bench/ folder, build/web/game/bench)
// it first runs the tick benchmark (tick_bench) in the same browser.
//   node bench/web_bench.mjs RELEASE_FOLDER [--pad] [--2d] [--tick FOLDER]
// Enter is held throughout, so a missed coin starts the next round at once
// and the game keeps playing. --pad plugs in a stub gamepad first, which the
// page then polls every frame; --2d hides WebGL from the page, which then
// draws on a 2-D canvas.
import {serve, launch, stubGamepad} from '../tests/web/page.mjs';

const SECONDS = 10;
const folder = process.argv[2], withPad = process.argv.includes('--pad');
const only2d = process.argv.includes('--2d');
const tickFolder = process.argv.includes('--tick') ? process.argv[process.argv.indexOf('--tick') + 1] : null;
const TICK_OPS = 2000;
const stats = page => page.evaluate(() => new Promise(resolve => requestAnimationFrame(() =>
  resolve({at: performance.now(), ...Module.webStats}))));

const COLD_LOADS = 5;
const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// A page of a fresh browser, set up as the options say.
async function freshPage(browser) {
  const page = await browser.newPage();
  await page.setViewport({width: 1280, height: 1000});
  if (withPad)
    await stubGamepad(page);
  if (only2d)
    await page.evaluateOnNewDocument(() => {
      const getContext = HTMLCanvasElement.prototype.getContext;
      HTMLCanvasElement.prototype.getContext = function(kind, ...rest) {
        return kind === 'webgl2' ? null : getContext.call(this, kind, ...rest);
      };
    });
  return page;
}

// One cold load: each step of the start, in ms after navigation.
async function coldLoad(url) {
  const {browser, close} = await launch();
  const page = await freshPage(browser);
  // Watches the canvas from outside, as a player would: just after each
  // animation frame is drawn (a message posted from the frame's callbacks
  // arrives once the frame is done), whether the middle of the picture shows
  // the sky.
  await page.evaluateOnNewDocument(() => {
    const probe = document.createElement('canvas'), after = new MessageChannel();
    probe.width = probe.height = 1;
    after.port1.onmessage = () => {
      const canvas = document.getElementById('screen'), context = probe.getContext('2d');
      if (canvas && window.Module?.webStats?.frames > 0) {
        context.drawImage(canvas, canvas.width / 2, canvas.height / 2, 1, 1, 0, 0, 1, 1);
        const [r, g, b] = context.getImageData(0, 0, 1, 1).data;
        if (r + g + b > 0) {
          window.skySeenMs = performance.now();
          return;
        }
      }
      requestAnimationFrame(() => after.port2.postMessage(0));
    };
    requestAnimationFrame(() => after.port2.postMessage(0));
  });
  await page.goto(url);
  await page.waitForFunction(() => window.skySeenMs, {timeout: 20000});
  const steps = await page.evaluate(() => {
    const at = {'sky seen on the canvas': window.skySeenMs}, fetched = name => performance.getEntriesByType('resource')
      .filter(e => e.name.endsWith(name)).map(e => e.responseEnd)[0];
    at['page.js fetched'] = fetched('/page.js');
    at['coinflight.js fetched'] = fetched('/coinflight.js');
    at['coinflight.wasm fetched'] = fetched('/coinflight.wasm');
    at['pictures fetched'] = Math.max(fetched('/skypic.bmp'), fetched('/gameoverpic.bmp'));
    for (const mark of performance.getEntriesByType('mark'))
      if (mark.name.startsWith('coinflight: '))
        at[mark.name.slice(12)] = mark.startTime;
    return at;
  });
  await close();
  return steps;
}

// tick_bench as a page: its lines as it prints them, once it has exited.
if (tickFolder) {
  const benchServer = await serve(tickFolder);
  const {browser, close} = await launch();
  const page = await browser.newPage();
  await page.goto(benchServer.url + 'tick_bench_web.js'); // any page of that origin
  const lines = await page.evaluate(ops => new Promise(resolve => {
    const lines = [];
    window.Module = {arguments: ['/skypic.bmp', String(ops)], print: line => lines.push(line),
                     printErr: line => lines.push(line), onExit: () => resolve(lines)};
    const script = document.createElement('script');
    script.src = 'tick_bench_web.js';
    document.body.appendChild(script);
  }), TICK_OPS);
  console.log(`== tick_bench in Chromium (${TICK_OPS} operations a round) ==\n${lines.join('\n')}\n`);
  benchServer.close();
  await close();
}

const server = await serve(folder);
const loads = [];
for (let i = 0; i < COLD_LOADS; i++)
  loads.push(await coldLoad(server.url));
const shown = loads.map(steps => steps['sky seen on the canvas']);
console.log(`first picture of the sky after navigation, ${COLD_LOADS} cold loads: ` +
            `${shown.map(ms => ms.toFixed(0)).join(', ')} ms; median ${median(shown).toFixed(0)} ms`);
const order = Object.keys(loads[0]).sort((a, b) => loads[0][a] - loads[0][b]);
for (const step of order)
  console.log(`  ${step.padEnd(28)} ${median(loads.map(steps => steps[step])).toFixed(0).padStart(5)} ms`);

const {browser, close} = await launch();
const page = await freshPage(browser);
const client = await page.createCDPSession();
await client.send('Performance.enable');
const taskSeconds = async () =>
  (await client.send('Performance.getMetrics')).metrics.find(m => m.name === 'TaskDuration').value;
await page.goto(server.url);
await page.waitForFunction(() => window.Module?.webStats?.frames > 0, {timeout: 20000});
await page.keyboard.down('Enter');
await new Promise(resolve => setTimeout(resolve, 1000));
const a = await stats(page), tasksA = await taskSeconds();
await new Promise(resolve => setTimeout(resolve, SECONDS * 1000));
const b = await stats(page), tasksB = await taskSeconds();
await page.keyboard.up('Enter');
const seconds = (b.at - a.at) / 1000;
console.log(`canvas drawn with              ${await page.evaluate(() => Module.webStats.canvas)}`);
console.log(`frames shown per second        ${((b.frames - a.frames) / seconds).toFixed(1)}`);
console.log(`ticks due per second           ${((b.timerCalls - a.timerCalls) / seconds).toFixed(2)}`);
console.log(`main thread busy with the game ${(100 * (b.busyMs - a.busyMs) / (b.at - a.at)).toFixed(1)} %` +
            `   (over ${seconds.toFixed(1)} s)`);
console.log(`main thread busy in all        ${(100 * (tasksB - tasksA) / seconds).toFixed(1)} %` +
            `   (Chromium's TaskDuration${withPad ? ', a gamepad polled' : ''})`);
server.close();
await close();
