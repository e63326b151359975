// SPDX-License-Identifier: MIT
// host.mjs — a small static web host of the kind docs/web.md recommends, for
// bench/lighthouse.mjs: each file with its type and Last-Modified (304 to a
// question whether it changed), gzip for whoever accepts it, and cache
// lifetimes: `no-cache` for the page, the service worker, the manifest and
// the pictures (a player's to swap), a day for the rest.
//   node bench/host.mjs FOLDER [PORT]     (prints its address)
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';

const TYPES = {'.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
               '.bmp': 'image/bmp', '.png': 'image/png', '.webmanifest': 'application/manifest+json',
               '.txt': 'text/plain; charset=utf-8'};
const COMPRESSED = new Set(['.html', '.js', '.wasm', '.bmp', '.webmanifest', '.txt']);
const ASKED_EACH_TIME = /^(index\.html|sw\.js|manifest\.webmanifest|.*\.bmp)$/;
const DAY_SECONDS = 86400;

const folder = path.resolve(process.argv[2] || '.');
const gzipped = new Map(); // each file's gzip, made once

const server = http.createServer((request, response) => {
  const name = decodeURIComponent(new URL(request.url, 'http://host').pathname).slice(1) || 'index.html';
  const file = path.join(folder, path.normalize(name));
  let stat;
  try {
    stat = path.relative(folder, file).startsWith('..') ? null : fs.statSync(file);
  } catch {
    stat = null;
  }
  if (!stat || !stat.isFile()) {
    response.writeHead(404, {'Content-Type': 'text/plain'});
    response.end('not found\n');
    return;
  }
  const modified = new Date(Math.floor(stat.mtimeMs / 1000) * 1000);
  const extension = path.extname(file);
  const headers = {'Content-Type': TYPES[extension] || 'application/octet-stream',
                   'Last-Modified': modified.toUTCString(),
                   'Cache-Control': ASKED_EACH_TIME.test(name) ? 'no-cache' : `max-age=${DAY_SECONDS}`,
                   'Vary': 'Accept-Encoding'};
  if (Date.parse(request.headers['if-modified-since'] || '') >= modified.getTime()) {
    response.writeHead(304, headers);
    response.end();
    return;
  }
  let body = fs.readFileSync(file);
  if (COMPRESSED.has(extension) && /\bgzip\b/.test(request.headers['accept-encoding'] || '')) {
    const key = `${file}@${stat.mtimeMs}`;
    if (!gzipped.has(key))
      gzipped.set(key, zlib.gzipSync(body, {level: 9}));
    body = gzipped.get(key);
    headers['Content-Encoding'] = 'gzip';
  }
  headers['Content-Length'] = body.length;
  response.writeHead(200, headers);
  response.end(request.method === 'HEAD' ? undefined : body);
});
server.listen(Number(process.argv[3] || 0), '127.0.0.1', () =>
  console.log(`http://127.0.0.1:${server.address().port}/`));
