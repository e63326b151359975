// SPDX-License-Identifier: MIT
// The web release in headless Chromium, served from 127.0.0.1: what a player
// sees and does. COINFLIGHT_WEB names the unpacked release's folder.
import {test} from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {serve, launch, waitFor, shot, planeAt, panelUp, scoreInk, skyShift} from './page.mjs';

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
