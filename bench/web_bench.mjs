// SPDX-License-Identifier: MIT
// web_bench — the web release measured in Chromium, Firefox ESR and
// WebKitGTK, beside the native game, on this machine; bench/web_run.sh builds
// what it needs and runs it.
//
//   node bench/web_bench.mjs --release DIR --bench DIR --native TICK_BENCH --sky SKY_BMP
//        [--runs N] [--engines chromium,firefox,webkit] [--pad] [--2d] [--anyway]
//
// Each run measures, for each engine:
// - the tick benchmark (tick_bench) as WebAssembly in the engine, beside the
//   native one and the one under node, run in the same run;
// - 5 cold loads of the release (a fresh browser and profile each), timed from
//   navigation to the first animation frame after which the canvas shows the
//   sky, watched by a probe put first in the page; where the time went, from
//   the page's timeline (the files' fetches, the steps the page and the game
//   mark); and the engine's floor: a page that only fetches a file of the
//   .wasm's size and paints a canvas, timed the same way;
// - 10 s of play with Enter held (a missed coin starts the next round at
//   once): frames shown and ticks due per second, and the share of the main
//   thread the game takes (the page's count; in Chromium also its own
//   TaskDuration, everything the main thread did); beside it the 2-D floor,
//   a page that puts one whole 1024x768 picture on a 2-D canvas each frame,
//   counted the same ways;
// - in Chromium, play on the 2-D canvas under CPU throttling (4x, as
//   Lighthouse's mobile preset, then 6x and 10x): frames and ticks a second.
// It prints the machine (CPU, cores, load) and each figure's median over the
// runs, with every run's figure beside it. It refuses to start on a busy
// machine (--anyway runs it still, and says so).
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import {serve, launch, ENGINES, waitFor, stubGamepad} from '../tests/web/page.mjs';

const option = (name, fallback) =>
  process.argv.includes(name) ? process.argv[process.argv.indexOf(name) + 1] : fallback;
const flag = name => process.argv.includes(name);
const release = option('--release'), benchDir = option('--bench'), nativeBench = option('--native');
const sky = option('--sky');
const RUNS = Number(option('--runs', 3));
const engines = option('--engines', ENGINES.join(',')).split(',');
const withPad = flag('--pad'), only2d = flag('--2d');
if (!release || !benchDir || !nativeBench || !sky) {
  console.error('usage: node bench/web_bench.mjs --release DIR --bench DIR --native TICK_BENCH --sky SKY_BMP ' +
                '[--runs N] [--engines LIST] [--pad] [--2d] [--anyway]');
  process.exit(2);
}

const COLD_LOADS = 5;
const PLAY_SECONDS = 10;
const TICK_OPS = 2000;          // tick_bench's operations a round
const LOAD_SECONDS = 30;        // the longest a load may take to show the sky
// A machine busier than this (the share of all its cores, measured before
// the run) is not quiet: its figures would not come back.
const BUSY_LIMIT = 0.10;
const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

// --- The machine ------------------------------------------------------------

// The share of all cores busy over `ms`, from the kernel's counters.
async function busyShare(ms) {
  const read = () => {
    const [, ...fields] = fs.readFileSync('/proc/stat', 'utf8').split('\n')[0].trim().split(/\s+/);
    const n = fields.map(Number);
    return {idle: n[3] + n[4], total: n.reduce((a, b) => a + b, 0)};
  };
  const a = read();
  await sleep(ms);
  const b = read();
  return 1 - (b.idle - a.idle) / (b.total - a.total);
}
const cpuModel = (fs.readFileSync('/proc/cpuinfo', 'utf8').match(/^model name\s*:\s*(.*)$/m) || [])[1] ||
                 os.cpus()[0]?.model || 'unknown CPU';
const machine = () => `load average ${os.loadavg().map(l => l.toFixed(2)).join(' ')}`;

// --- What is served ---------------------------------------------------------

// The probe, the first script of each page measured: just after each
// animation frame is drawn (a message posted from the frame's callbacks
// arrives once the frame is done), it looks whether the middle of the
// canvas is lit, and notes the first time it is.
const PROBE = `<script>(function() {
  var probe = document.createElement('canvas'), after = new MessageChannel();
  probe.width = probe.height = 1;
  after.port1.onmessage = function() {
    var canvas = document.getElementById('screen');
    if (canvas && canvas.width > 1) {
      var context = probe.getContext('2d');
      context.drawImage(canvas, canvas.width / 2, canvas.height / 2, 1, 1, 0, 0, 1, 1);
      var p = context.getImageData(0, 0, 1, 1).data;
      if (p[0] + p[1] + p[2] > 0) {
        window.benchSeenMs = performance.now();
        return;
      }
    }
    requestAnimationFrame(function() { after.port2.postMessage(0); });
  };
  requestAnimationFrame(function() { after.port2.postMessage(0); });
})();</script>`;

// The engine's floor: a page that fetches one file of the .wasm's size and
// then paints its canvas.
const FLOOR = `<!DOCTYPE html><html lang="en"><head><meta charset="utf-8"><title>floor</title>${PROBE}</head>
<body><canvas id="screen" width="1024" height="768"></canvas><script>
fetch('floor.bin').then(function(r) { return r.arrayBuffer(); }).then(function() {
  var c = document.getElementById('screen').getContext('2d');
  c.fillStyle = '#6cf';
  c.fillRect(0, 0, 1024, 768);
});</script></body></html>`;

// The 2-D floor: a page that puts one whole 1024x768 picture on a 2-D canvas
// at each animation frame, and counts its frames and the time it spends in
// them as the game's page does.
const PUT_FLOOR = `<!DOCTYPE html><html lang="en"><head><meta charset="utf-8"><title>put floor</title></head>
<body><canvas id="screen" width="1024" height="768"></canvas><script>
var context = document.getElementById('screen').getContext('2d', {alpha: false});
var picture = new ImageData(1024, 768), n = 0;
window.floorStats = {frames: 0, busyMs: 0};
requestAnimationFrame(function frame() {
  var woke = performance.now();
  picture.data[(n++ % 1024) * 4] = n & 255;
  context.putImageData(picture, 0, 0);
  floorStats.frames++;
  floorStats.busyMs += performance.now() - woke;
  requestAnimationFrame(frame);
});</script></body></html>`;

// CPU throttling rates Chromium plays under: Lighthouse's mobile preset, and
// slower phones.
const THROTTLES = [4, 6, 10];

// A page of the tick benchmark's origin to run it from.
const TICK_PAGE = '<!DOCTYPE html><html lang="en"><head><meta charset="utf-8"><title>tick</title></head><body></body></html>';

// The folder served: the release with the probe first in its page, the
// floor page and its file, and the tick benchmark.
const site = fs.mkdtempSync(path.join(os.tmpdir(), 'coinflight-bench-'));
process.on('exit', () => fs.rmSync(site, {recursive: true, force: true}));
let rawBytes = 0, gzipBytes = 0;
for (const name of fs.readdirSync(release)) {
  const bytes = fs.readFileSync(path.join(release, name));
  rawBytes += bytes.length;
  gzipBytes += zlib.gzipSync(bytes, {level: 9}).length;
  fs.writeFileSync(path.join(site, name),
                   name === 'index.html' ? String(bytes).replace('<head>', '<head>' + PROBE) : bytes);
}
fs.writeFileSync(path.join(site, 'floor.html'), FLOOR);
fs.writeFileSync(path.join(site, 'put-floor.html'), PUT_FLOOR);
fs.writeFileSync(path.join(site, 'floor.bin'), Buffer.alloc(fs.statSync(path.join(release, 'coinflight.wasm')).size, 7));
for (const name of ['tick_bench_web.js', 'tick_bench_web.wasm', 'tick_bench_web.data'])
  fs.copyFileSync(path.join(benchDir, name), path.join(site, name));
fs.writeFileSync(path.join(site, 'tick.html'), TICK_PAGE);

// --- The tick benchmark -------------------------------------------------------

// Its figures, by the operation's name, from the lines it prints.
function tickFigures(lines) {
  const figures = {};
  for (const line of lines) {
    const value = parseFloat(line.slice(46));
    if (!Number.isNaN(value))
      figures[line.slice(0, 46).trim()] = value;
  }
  return {tick: figures['tick, four coins at speed 8'], copy: figures['frame copy (blit 1024x768, 16-bit)']};
}
const runTool = (command, args) =>
  tickFigures(execFileSync(command, args, {encoding: 'utf8', stdio: ['ignore', 'pipe', 'inherit']}).split('\n'));

// tick_bench as a page of `engine`.
async function tickIn(engine, url) {
  const {browser, close} = await launch(engine);
  try {
    const page = await browser.newPage();
    await page.goto(url + 'tick.html');
    const lines = await page.evaluate(ops => new Promise(resolve => {
      const lines = [];
      window.Module = {arguments: ['/skypic.bmp', String(ops)], print: line => lines.push(line),
                       printErr: line => lines.push(line), onExit: () => resolve(lines)};
      const script = document.createElement('script');
      script.src = 'tick_bench_web.js';
      document.body.appendChild(script);
    }), TICK_OPS);
    return tickFigures(lines);
  } finally {
    await close();
  }
}

// --- Loads and play -----------------------------------------------------------

// A page of a fresh `engine`, set up as the options say (`twoD`: no WebGL).
async function freshPage(engine, twoD = only2d) {
  const {browser, close} = await launch(engine);
  const page = await browser.newPage();
  await page.setViewport({width: 1280, height: 1000});
  if (engine === 'chromium' && withPad)
    await stubGamepad(page);
  if (engine === 'chromium' && twoD)
    await page.evaluateOnNewDocument(() => {
      const getContext = HTMLCanvasElement.prototype.getContext;
      HTMLCanvasElement.prototype.getContext = function(kind, ...rest) {
        return kind === 'webgl2' ? null : getContext.call(this, kind, ...rest);
      };
    });
  return {browser, page, close};
}

// One cold load of `url`: each step of the start, in ms after navigation.
async function coldLoad(engine, url) {
  const {page, close} = await freshPage(engine);
  try {
    await page.goto(url);
    if (!await waitFor(LOAD_SECONDS, () => page.evaluate(() => window.benchSeenMs)))
      throw new Error(`${engine}: ${url} showed nothing in ${LOAD_SECONDS} s`);
    return await page.evaluate(() => {
      const at = {'picture seen': window.benchSeenMs};
      const navigation = performance.getEntriesByType('navigation')[0];
      at['page fetched'] = navigation ? navigation.responseEnd : performance.timing.responseEnd - performance.timing.navigationStart;
      for (const entry of performance.getEntriesByType('resource')) {
        const name = entry.name.replace(/^.*\//, '');
        if (/\.(js|wasm|bmp|bin)$/.test(name))
          at[`${name} fetched`] = entry.responseEnd;
      }
      for (const mark of performance.getEntriesByType('mark'))
        if (mark.name.startsWith('coinflight: '))
          at[mark.name.slice(12)] = mark.startTime;
      return at;
    });
  } finally {
    await close();
  }
}

// 10 s of play: frames and ticks per second, the main thread's share. With
// `throttle`, Chromium's CPU runs that many times slower, on the 2-D canvas.
// The floor page (`floor`) is played the same way, with no game and no keys.
async function play(engine, url, {throttle = 1, floor = false} = {}) {
  const {page, close} = await freshPage(engine, only2d || throttle > 1);
  try {
    const client = engine === 'chromium' ? await page.createCDPSession() : null;
    if (client) {
      await client.send('Performance.enable');
      if (throttle > 1)
        await client.send('Emulation.setCPUThrottlingRate', {rate: throttle});
    }
    const taskSeconds = async () =>
      client ? (await client.send('Performance.getMetrics')).metrics.find(m => m.name === 'TaskDuration').value : 0;
    const stats = () => page.evaluate(() => new Promise(resolve => requestAnimationFrame(() => {
      const s = window.floorStats || Module.webStats;
      resolve({at: performance.now(), frames: s.frames, ticks: s.timerCalls || 0, busyMs: s.busyMs,
               canvas: s.canvas || '2d'});
    })));
    await page.goto(url);
    if (!await waitFor(LOAD_SECONDS, () => page.evaluate(() => window.floorStats?.frames > 0 ||
                                                          window.Module?.webStats?.frames > 0)))
      throw new Error(`${engine}: ${floor ? 'the floor page' : 'the game'} did not start`);
    if (!floor)
      await page.evaluate(() => Module.webKeys.hold('bench', 'enter', true));
    await sleep(1000);
    const a = await stats(), tasksA = await taskSeconds();
    await sleep(PLAY_SECONDS * 1000);
    const b = await stats(), tasksB = await taskSeconds();
    const ms = b.at - a.at;
    return {canvas: b.canvas, fps: 1000 * (b.frames - a.frames) / ms, tps: 1000 * (b.ticks - a.ticks) / ms,
            game: 100 * (b.busyMs - a.busyMs) / ms, all: client ? 100 * 1000 * (tasksB - tasksA) / ms : null};
  } finally {
    await close();
  }
}

// --- The runs -----------------------------------------------------------------

const busy = await busyShare(3000);
console.log(`Coin Flight's web release, ${new Date().toISOString().slice(0, 16).replace('T', ' ')} UTC`);
console.log(`machine: ${cpuModel}, ${os.cpus().length} cores; before the run: ${machine()}, ` +
            `${(100 * busy).toFixed(1)} % of the cores busy`);
if (busy > BUSY_LIMIT) {
  console.log(`This machine is busy (over ${100 * BUSY_LIMIT} %): its figures would not come back on a quiet one.`);
  if (!flag('--anyway'))
    process.exit(3);
  console.log('Measuring anyway (--anyway): do not publish these figures.');
}
console.log(`release: ${path.basename(release)}, ${(rawBytes / 1000).toFixed(0)} KB, ` +
            `${(gzipBytes / 1000).toFixed(0)} KB gzipped`);

const server = await serve(site);
// Each engine loaded once before the runs, so that its program is in memory.
for (const engine of engines)
  await coldLoad(engine, server.url + 'floor.html');

const runs = [];
for (let r = 0; r < RUNS; r++) {
  const run = {native: runTool(nativeBench, [sky, String(TICK_OPS)]),
               node: runTool('node', ['--no-experimental-fetch', path.join(benchDir, 'tick_bench.js'), sky, String(TICK_OPS)])};
  for (const engine of engines) {
    const loads = [], floors = [];
    for (let i = 0; i < COLD_LOADS; i++) {
      loads.push(await coldLoad(engine, server.url));
      floors.push(await coldLoad(engine, server.url + 'floor.html'));
    }
    const steps = {};
    for (const step of Object.keys(loads[0]))
      steps[step] = median(loads.map(load => load[step] ?? NaN));
    run[engine] = {...await tickIn(engine, server.url), loads, steps,
                   seen: steps['picture seen'], floor: median(floors.map(load => load['picture seen'])),
                   floorSteps: floors, ...await play(engine, server.url),
                   putFloor: await play(engine, server.url + 'put-floor.html', {floor: true})};
    if (engine === 'chromium')
      for (const rate of THROTTLES)
        run[engine][`throttled${rate}`] = await play(engine, server.url, {throttle: rate});
  }
  runs.push(run);
  console.log(`run ${r + 1} of ${RUNS} done; ${machine()}`);
}
server.close();

// --- What it found --------------------------------------------------------------

const fixed = (value, digits) => (value === null || value === undefined || Number.isNaN(value)) ? '–' : value.toFixed(digits);
// A row: the label, the median of the runs and each run's figure.
function row(label, values, digits, extra = '') {
  console.log(`  ${label.padEnd(44)} ${fixed(median(values), digits).padStart(7)}   ` +
              `(${values.map(v => fixed(v, digits)).join(', ')})${extra}`);
}
console.log(`\nmedians of ${RUNS} runs (each run's figure in brackets)`);
console.log('\ntick, four coins at speed 8, µs; and × native');
row('native', runs.map(r => r.native.tick), 1);
for (const where of ['node', ...engines]) {
  const ratios = runs.map(r => r[where].tick / r.native.tick);
  row(where, runs.map(r => r[where].tick), 1, `   × native ${fixed(median(ratios), 2)} (${ratios.map(v => fixed(v, 2)).join(', ')})`);
}
console.log('\nframe copy (blit 1024x768, 16-bit), µs; and × native');
row('native', runs.map(r => r.native.copy), 1);
for (const where of ['node', ...engines]) {
  const ratios = runs.map(r => r[where].copy / r.native.copy);
  row(where, runs.map(r => r[where].copy), 1, `   × native ${fixed(median(ratios), 2)} (${ratios.map(v => fixed(v, 2)).join(', ')})`);
}
console.log(`\nfirst picture of the sky after navigation, ms (each run: the median of ${COLD_LOADS} cold loads)`);
for (const engine of engines) {
  row(`${engine}: the game`, runs.map(r => r[engine].seen), 0);
  row(`${engine}: floor (a file of the .wasm's size, a canvas)`, runs.map(r => r[engine].floor), 0);
  const target = runs.map(r => Math.max(300, r[engine].floor + 100));
  row(`${engine}: target, max(300, floor + 100)`, target, 0);
}
for (const engine of engines) {
  console.log(`\nwhere ${engine}'s start went, ms after navigation (medians)`);
  const steps = runs[0][engine].steps;
  for (const step of Object.keys(steps).sort((a, b) => steps[a] - steps[b]))
    row(step, runs.map(r => r[engine].steps[step]), 0);
}
console.log(`\n${PLAY_SECONDS} s of play${withPad ? ', a gamepad polled' : ''}`);
for (const engine of engines) {
  console.log(`  ${engine}, canvas drawn with ${runs[0][engine].canvas}`);
  row('  frames shown per second', runs.map(r => r[engine].fps), 1);
  row('  ticks due per second', runs.map(r => r[engine].tps), 2);
  row('  main thread busy with the game, %', runs.map(r => r[engine].game), 1);
  row('  the 2-D floor\'s page, busy in its frames, %', runs.map(r => r[engine].putFloor.game), 1);
  const ratios = runs.map(r => r[engine].game / r[engine].putFloor.game);
  row('  the game × the 2-D floor', ratios, 2);
  if (engine === 'chromium') {
    row('  main thread busy in all, % (TaskDuration)', runs.map(r => r[engine].all), 1);
    row('  the 2-D floor, busy in all, % (TaskDuration)', runs.map(r => r[engine].putFloor.all), 1);
    row('  the game × the 2-D floor (TaskDuration)', runs.map(r => r[engine].all / r[engine].putFloor.all), 2);
  }
}
if (engines.includes('chromium')) {
  console.log(`\n${PLAY_SECONDS} s of play in Chromium on the 2-D canvas, the CPU throttled`);
  for (const rate of THROTTLES) {
    row(`  ${rate}x: frames shown per second`, runs.map(r => r.chromium[`throttled${rate}`].fps), 1);
    row(`  ${rate}x: ticks due per second`, runs.map(r => r.chromium[`throttled${rate}`].tps), 2);
    row(`  ${rate}x: main thread busy in all, % (TaskDuration)`, runs.map(r => r.chromium[`throttled${rate}`].all), 1);
  }
}
console.log(`\nafter the run: ${machine()}`);
process.exit(0);
