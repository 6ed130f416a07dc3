// PLAKO.SCR in the browser, through the page's controls, which work the program's own Record,
// Playback and Play One: recording into the browser's storage, downloading, restoring after a
// reload, uploading, and playing one event at a time.
'use strict';
const { test } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const lib = require('./lib.js');


const web = lib.session();

// PLAKO.SCR as the program's file system holds it.
async function scriptInPage(page) {
  return page.evaluate(() => {
    const data = window.plako.readScript();
    return data ? window.plako.bytesToText(data) : null;
  });
}

// Presses and releases the key at `code` that types `key` on the keyboard's layout, as the
// browser reports a layout that is not the test's own.
async function pressKey(page, key, code) {
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Input.dispatchKeyEvent', { type: 'keyDown', key, code, text: key, unmodifiedText: key });
  await cdp.send('Input.dispatchKeyEvent', { type: 'keyUp', key, code });
  await cdp.detach();
}

test('typing while recording: the script goes to the browser\'s storage, downloads, survives a reload and plays', async () => {
  const page = await lib.openPage(web.browser, web.server.url + 'typewriter.html?clock=still');
  const canvas = page.locator('canvas[aria-label="PLAKO Graphics"]');
  await page.click('#plako-record');
  await canvas.focus();  // the button took the keyboard
  await page.keyboard.type('Hi caf');
  await pressKey(page, 'é', 'Digit2');  // a key of its own, as on a French keyboard
  await page.keyboard.press('Enter');
  await page.keyboard.type('x');
  await page.keyboard.press('Backspace');
  await page.click('#plako-record');
  // Keys as Windows-1252 codes, written as signed bytes: é (233) is -23.
  const want = [72, 105, 32, 99, 97, 102, -23, 13, 120, 8].map((k) => `PLAKO_KBD(${k});\n`).join('');
  const key = 'plako:typewriter:PLAKO.SCR';
  await page.waitForFunction(([k, w]) => localStorage.getItem(k) === w, [key, want], { timeout: 10000 })
    .catch(async () => assert.equal(await page.evaluate((k) => localStorage.getItem(k), key), want));
  const drawn = await lib.waitForPicture(page, lib.runnerFrame('typewriter', want), 10000);
  assert.equal(drawn.diff, 0, 'the typed page differs from the runner playing the recorded script');

  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#plako-download')]);
  assert.equal(download.suggestedFilename(), 'PLAKO.SCR');
  assert.equal(fs.readFileSync(await download.path(), 'latin1'), want);

  // A new run of the program finds the recording again, and Playback plays it.
  await page.reload();
  await page.waitForFunction(() => window.plako && window.plako.stats.firstFrame >= 0, null, { timeout: 60000 });
  assert.equal(await scriptInPage(page), want);
  await page.click('#plako-play');
  const played = await lib.waitForPicture(page, drawn.pic, 20000);
  assert.equal(played.diff, 0, 'the restored script did not play back to the same page');
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('an uploaded script plays one event per Play One, then to its end with Playback', async () => {
  const golden = fs.readFileSync(path.join(lib.ROOT, 'tests', 'golden', 'cone-scene.scr'));
  const frames = lib.runnerFrames('cone', golden);
  const last = lib.runnerFrame('cone', golden);
  const page = await lib.openPage(web.browser, web.server.url + 'cone.html?clock=still');
  await page.setInputFiles('#plako-upload', { name: 'scene.scr', mimeType: 'text/plain', buffer: golden });
  await page.waitForFunction(() => /PLAKO\.SCR loaded/.test(document.getElementById('plako-status').textContent));
  assert.equal(await scriptInPage(page), golden.toString('latin1'));
  // The script opens with a run of ticks: each request plays exactly one of them.
  for (let n = 0; n < 3; n++) {
    await page.click('#plako-play-one');
    const shown = await lib.waitForFrame(page, frames, (k) => k === n, 10000);
    assert.equal(shown, n, `Play One number ${n + 1} did not show frame ${n}`);
  }
  await page.waitForTimeout(500);  // and no more than one: the clock stands still
  assert.equal(await lib.waitForFrame(page, frames, () => true, 0), 2);
  // A file far larger than any script is refused with a message, and PLAKO.SCR stays.
  await page.setInputFiles('#plako-upload', { name: 'huge.scr', mimeType: 'text/plain',
                                              buffer: Buffer.alloc(17 << 20, 'PLAKO_PERIODIC(1);\n') });
  await page.waitForFunction(() => /huge\.scr is .* PLAKO\.SCR is unchanged/.test(
    document.getElementById('plako-status').textContent));
  assert.equal(await scriptInPage(page), golden.toString('latin1'));
  await page.click('#plako-play');
  const { diff, pic } = await lib.waitForPicture(page, last);
  if (diff) lib.savePicture('upload-page.png', pic);
  assert.equal(diff, 0, 'the uploaded script did not end at the runner\'s picture');
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('a page opened with a script that is not there says so and runs the program as usual', async () => {
  const page = await lib.openPage(web.browser, web.server.url + 'cone.html?script=missing.scr');
  assert.match(await page.locator('#plako-status').textContent(), /Cannot fetch the script missing\.scr: 404/);
  const before = await page.evaluate(() => window.plako.stats.presents);
  await page.waitForFunction((n) => window.plako.stats.presents > n + 5, before, { timeout: 20000 });
  assert.deepEqual(page.errors, []);
  await page.close();
});
