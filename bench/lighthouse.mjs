// SPDX-License-Identifier: MIT
// lighthouse.mjs — Lighthouse's scores of the web release, on two kinds of
// host: bench/host.mjs (gzip and cache lifetimes, as docs/web.md
// recommends) and `python3 -m http.server` (neither: the README's own
// command, and what many storage buckets do). For each host, Lighthouse's
// mobile preset (a mid-range phone on a slow 4G network, simulated) and its
// desktop one, 3 runs each in Debian's Chromium; it prints the median of
// each score and timing, each run's beside it. bench/lighthouse.sh installs
// Lighthouse and runs this; run it on a quiet machine.
//   node bench/lighthouse.mjs RELEASE_FOLDER [--runs N]
import {spawn, execFile} from 'node:child_process';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const release = process.argv[2];
const RUNS = process.argv.includes('--runs') ? Number(process.argv[process.argv.indexOf('--runs') + 1]) : 3;
const CATEGORIES = ['performance', 'accessibility', 'best-practices', 'seo'];
const TIMINGS = {'first-contentful-paint': 'FCP', 'largest-contentful-paint': 'LCP',
                 'total-blocking-time': 'TBT', 'speed-index': 'SI'};
const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// Starts a host; gives {url, stop} once it listens.
function startHost(command, args, cwd, url) {
  const child = spawn(command, args, {cwd, stdio: ['ignore', 'pipe', 'ignore']});
  return new Promise((resolve, reject) => {
    let text = '';
    child.stdout.on('data', data => {
      text += data;
      const found = url(text);
      if (found)
        resolve({url: found, stop: () => child.kill()});
    });
    child.once('exit', () => reject(new Error(`${command} did not start`)));
  });
}
async function compressingHost() {
  return startHost('node', [path.join(here, 'host.mjs'), release], undefined,
                   text => (text.match(/http:\/\/\S+/) || [])[0]);
}
async function plainHost() {
  const port = 20000 + Math.floor(Math.random() * 20000);
  const host = spawn('python3', ['-u', '-m', 'http.server', '--bind', '127.0.0.1', String(port)],
                     {cwd: release, stdio: ['ignore', 'pipe', 'pipe']});
  await new Promise((resolve, reject) => {
    host.stdout.on('data', data => { if (/Serving HTTP/.test(String(data))) resolve(); });
    host.once('exit', () => reject(new Error('python3 -m http.server did not start')));
  });
  return {url: `http://127.0.0.1:${port}/`, stop: () => host.kill()};
}

// One Lighthouse run: the scores (0-100) and timings (ms), and the machine's
// speed as Lighthouse rates it (its benchmarkIndex).
function lighthouse(url, preset) {
  const args = [url, '--output=json', '--output-path=stdout', '--quiet',
                `--only-categories=${CATEGORIES.join(',')}`,
                '--chrome-flags=--headless=new --no-sandbox --disable-gpu --no-first-run'];
  if (preset === 'desktop')
    args.push('--preset=desktop');
  return new Promise((resolve, reject) => {
    execFile(path.join(here, 'node_modules', '.bin', 'lighthouse'), args,
             {env: {...process.env, CHROME_PATH: process.env.CHROMIUM || '/usr/bin/chromium'},
              maxBuffer: 64 << 20}, (error, stdout) => {
      if (error)
        return reject(error);
      const report = JSON.parse(stdout);
      const figures = {benchmarkIndex: report.environment.benchmarkIndex};
      for (const category of CATEGORIES)
        figures[category] = Math.round(100 * report.categories[category].score);
      for (const [audit, short] of Object.entries(TIMINGS))
        figures[short] = report.audits[audit].numericValue;
      resolve(figures);
    });
  });
}

const hosts = [['gzip and cache lifetimes (bench/host.mjs)', compressingHost],
               ['plain (python3 -m http.server)', plainHost]];
for (const [name, start] of hosts) {
  const host = await start();
  try {
    for (const preset of ['mobile', 'desktop']) {
      const runs = [];
      for (let i = 0; i < RUNS; i++)
        runs.push(await lighthouse(host.url, preset));
      console.log(`\n${name}, ${preset} (median of ${RUNS} runs; each run in brackets)`);
      for (const key of [...CATEGORIES, ...Object.values(TIMINGS), 'benchmarkIndex']) {
        const values = runs.map(run => run[key]);
        const unit = Object.values(TIMINGS).includes(key) ? ' ms' : '';
        console.log(`  ${key.padEnd(16)} ${median(values).toFixed(0).padStart(6)}${unit}   ` +
                    `(${values.map(v => v.toFixed(0)).join(', ')})`);
      }
    }
  } finally {
    host.stop();
  }
}
process.exit(0);
