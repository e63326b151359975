// SPDX-License-Identifier: MIT
// webkit.mjs — Safari's engine for the browser tests: WebKitGTK's MiniBrowser,
// driven by Debian's WebKitWebDriver over plain WebDriver (HTTP and JSON),
// on an Xvfb display of its own. It offers the few calls of puppeteer's page
// the tests use: goto, reload, evaluate, keyboard, click, setViewport and
// screenshot. (Its driver makes no touches.)
import {spawn} from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';

// The longest any one WebDriver call may take.
const CALL_SECONDS = 120;

// WebDriver's codes for the keys the tests press (its Return is the main
// keyboard's Enter; its Enter is the keypad's).
const KEYS = {ArrowUp: '\uE013', ArrowDown: '\uE015', Enter: '\uE006', Escape: '\uE00C'};

// A free TCP port of 127.0.0.1.
function freePort() {
  return new Promise(resolve => {
    const probe = net.createServer().listen(0, '127.0.0.1', () => {
      const {port} = probe.address();
      probe.close(() => resolve(port));
    });
  });
}

// MiniBrowser, wherever this release of WebKitGTK puts it.
function miniBrowser() {
  for (const dir of fs.readdirSync('/usr/lib', {withFileTypes: true})) {
    if (!dir.isDirectory())
      continue;
    const found = fs.readdirSync(`/usr/lib/${dir.name}`).filter(name => /^webkit2?gtk-/.test(name))
                      .map(name => `/usr/lib/${dir.name}/${name}/MiniBrowser`).find(fs.existsSync);
    if (found)
      return found;
  }
  throw new Error('no MiniBrowser: install webkit2gtk-driver');
}

// Starts a process; gives the function that ends it (and waits for its end).
function start(command, args, env) {
  const child = spawn(command, args, {env: {...process.env, ...env}, stdio: 'ignore'});
  return stopper(child);
}
function stopper(child) {
  const ended = new Promise(resolve => child.once('exit', resolve));
  return async () => {
    if (child.exitCode === null && child.signalCode === null)
      child.kill();
    await ended;
  };
}

// Starts Xvfb on a display it finds free itself; gives {display, stop}.
async function startX() {
  const child = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'],
                      {stdio: ['ignore', 'ignore', 'ignore', 'pipe']});
  const number = await new Promise((resolve, reject) => {
    let text = '';
    child.stdio[3].on('data', data => {
      text += data;
      if (text.includes('\n'))
        resolve(text.trim());
    });
    child.once('exit', () => reject(new Error('Xvfb did not start')));
  });
  return {display: `:${number}`, stop: stopper(child)};
}

// Calls WebDriver; gives the answer's value, or throws its error.
async function call(base, method, path, body) {
  const response = await fetch(base + path, {
    method, headers: {'Content-Type': 'application/json'},
    body: body === undefined ? undefined : JSON.stringify(body), signal: AbortSignal.timeout(CALL_SECONDS * 1000)});
  const {value} = await response.json();
  if (!response.ok)
    throw new Error(`WebDriver ${method} ${path}: ${value?.error}: ${value?.message}`);
  return value;
}

// Polls `check` until it answers, for at most `seconds`.
async function until(seconds, check) {
  const end = Date.now() + seconds * 1000;
  for (;;) {
    try {
      return await check();
    } catch (error) {
      if (Date.now() > end)
        throw error;
    }
    await new Promise(resolve => setTimeout(resolve, 100));
  }
}

// Starts Xvfb, WebKitWebDriver and a MiniBrowser session: {browser, close},
// where browser.newPage() gives the session's one page.
export async function launchWebKit() {
  const {display, stop: stopX} = await startX();
  const port = await freePort();
  const stopDriver = start('WebKitWebDriver', [`--port=${port}`, '--host=127.0.0.1'], {DISPLAY: display});
  const base = `http://127.0.0.1:${port}`;
  let session, capabilities;
  try {
    await until(20, () => call(base, 'GET', '/status'));
    ({sessionId: session, capabilities} = await until(20, () => call(base, 'POST', '/session', {capabilities: {alwaysMatch: {
      'webkitgtk:browserOptions': {binary: miniBrowser(), args: ['--automation']}}}})));
  } catch (error) {
    await stopDriver();
    await stopX();
    throw error;
  }
  const send = (method, path, body) => call(base, method, `/session/${session}${path}`, body);
  const keyAction = (type, key) => send('POST', '/actions', {actions: [
    {type: 'key', id: 'keyboard', actions: [{type, value: KEYS[key] ?? key}]}]});
  const page = {
    goto: url => send('POST', '/url', {url}),
    reload: () => send('POST', '/refresh', {}),
    // Runs `fn(...args)` in the page and gives what it (or its promise) gives.
    evaluate: async (fn, ...args) => {
      const answer = await send('POST', '/execute/async', {
        script: 'const done = arguments[arguments.length - 1];' +
                `Promise.resolve().then(() => (${fn}).apply(null, arguments[0]))` +
                '.then(value => done({value}), error => done({error: String(error)}));',
        args: [args]});
      if ('error' in answer)
        throw new Error(`in the page: ${answer.error}`);
      return answer.value;
    },
    keyboard: {
      down: key => keyAction('keyDown', key),
      up: key => keyAction('keyUp', key),
      press: async key => {
        await keyAction('keyDown', key);
        await keyAction('keyUp', key);
      },
    },
    click: async selector => {
      const element = await send('POST', '/element', {using: 'css selector', value: selector});
      await send('POST', `/element/${Object.values(element)[0]}/click`, {});
    },
    // The window's size, so that the page gets about `width` x `height`.
    setViewport: ({width, height}) => send('POST', '/window/rect', {width, height}),
    // The page as shown, a PNG in base64.
    screenshot: () => send('GET', '/screenshot'),
    on: () => {},
  };
  const browser = {newPage: async () => page, version: async () => `WebKitGTK ${capabilities.browserVersion}`};
  const close = async () => {
    await send('DELETE', '', undefined).catch(() => {});
    await stopDriver();
    await stopX();
  };
  return {browser, close};
}
