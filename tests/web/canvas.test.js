// Looking at the canvas in the page: the graphics canvas's accessible text is the program's
// description of the picture, the runner's for the same frame; Describe and F3 announce it through
// the live region, which nothing else touches; Inspector and Save picture send their keys, and a
// picture the program saves is offered as a download once.
'use strict';
const { test } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const lib = require('./lib.js');

const web = lib.session();
const SCENE = 151;  // the cone decorator's first frame of the scene, after the intro

// The graphics canvas's accessible text once it describes the picture now shown (the page makes
// it anew at most once a second, so it may lag the last present by that much).
async function settledDescription(page) {
  await page.waitForFunction(() => {
    const p = window.plako;
    return p.described.presents === p.stats.presents && !p.described.timer;
  }, null, { timeout: 10000 });
  return page.evaluate(() => {
    const canvas = document.querySelector('canvas[aria-label="PLAKO Graphics"]');
    const about = document.getElementById(canvas.getAttribute('aria-describedby'));
    return { role: canvas.getAttribute('role'), live: about.getAttribute('aria-live'), text: about.textContent,
             now: window.plako.describe() };
  });
}

test('the canvas\'s accessible text is the runner\'s description of the same frame', async () => {
  // The scene's first frame; a clock that stands still: the page stops there, as the runner does.
  const script = `PLAKO_PERIODIC(${SCENE + 1});\n`;
  const want = lib.runnerFrame('cone', script);
  const page = await lib.openPage(web.browser, web.server.url + 'cone.html?script=scene.scr&clock=still',
                                  { 'scene.scr': script });
  const { diff } = await lib.waitForPicture(page, want);
  assert.equal(diff, 0, `the page did not reach frame ${SCENE}`);
  const got = await settledDescription(page);
  assert.equal(got.role, 'img');
  assert.equal(got.live, null, 'the accessible text must not be a live region');
  assert.ok(got.text.length > 0, 'the canvas has no description');
  assert.equal(got.text, got.now, 'the accessible text is not the program\'s description now');
  const runner = lib.runnerDescription('cone', script);
  lib.figure(`cone: frame ${SCENE} described in ${got.text.split('\n').length} lines (runner: ${runner.how})`);
  assert.equal(got.text, runner.text, `the page's description differs from the runner's (${runner.how})`);
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('Describe and F3 announce the description; an animation alone never touches the live region', async () => {
  const page = await lib.openPage(web.browser, web.server.url + 'cone.html');
  await page.evaluate(() => {
    const region = document.getElementById('plako-announce');
    window.regionChanges = 0;
    new MutationObserver(() => window.regionChanges++).observe(region, { childList: true, characterData: true, subtree: true });
    // Whether the browser was told to leave each F-key alone, seen after the page's own handlers.
    window.fkeys = [];
    window.addEventListener('keydown', (e) => { if (/^F[0-9]$/.test(e.code)) window.fkeys.push([e.code, e.defaultPrevented]); });
  });
  const before = await page.evaluate(() => window.plako.stats.descriptions);
  await page.waitForTimeout(3500);
  const quiet = await page.evaluate(() => ({ changes: window.regionChanges, text: document.getElementById('plako-announce').textContent,
                                             descriptions: window.plako.stats.descriptions }));
  assert.equal(quiet.changes, 0, 'the live region changed with nobody asking');
  assert.equal(quiet.text, '');
  // The accessible text follows the animation, about once a second.
  const asked = quiet.descriptions - before;
  lib.figure(`cone: the program described its picture ${asked} times in 3.5 s of animation`);
  assert.ok(asked >= 2 && asked <= 5, `the program described its picture ${asked} times in 3.5 s`);

  const announced = () => page.waitForFunction(() => {
    const region = document.getElementById('plako-announce').textContent;
    const canvas = document.querySelector('canvas[aria-label="PLAKO Graphics"]');
    return region !== '' && region === document.getElementById(canvas.getAttribute('aria-describedby')).textContent;
  }, null, { timeout: 5000 });
  await page.click('#plako-describe');
  await announced();
  assert.equal(await page.locator('#plako-announce').getAttribute('aria-live'), 'polite');
  // F3 on the page elsewhere (the button has the focus now), then in the canvas: each announces once.
  for (const where of ['page', 'canvas']) {
    if (where === 'canvas') await page.locator('canvas[aria-label="PLAKO Graphics"]').focus();
    const count = await page.evaluate(() => window.plako.stats.announced);
    await page.keyboard.press('F3');
    await announced();
    assert.equal(await page.evaluate(() => window.plako.stats.announced), count + 1, `F3 in the ${where}`);
  }
  await page.keyboard.press('F2');
  await page.keyboard.press('F2');
  assert.deepEqual(await page.evaluate(() => window.fkeys), [['F3', true], ['F3', true], ['F2', true], ['F2', true]],
                   'the browser was not kept from acting on F2 or F3');
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('Inspector and Save picture send F2 and F4; a saved picture is offered as a download once', async () => {
  const page = await lib.openPage(web.browser, web.server.url + 'hello.html');
  // Pictures as the program saves them, into its folder; a file of another name is not offered.
  // (Before the buttons: Save picture may make a picture of its own, whose name comes after these.)
  const png = (n) => Array.from({ length: 16 + n }, (_, i) => (i * 37 + n) & 0xff);
  const downloads = [];
  const box = await page.locator('canvas[aria-label="PLAKO Graphics"]').boundingBox();
  page.on('download', (d) => downloads.push(d));
  for (const [name, n] of [['plako-001.png', 1], ['notes.png', 2], ['plako-002.png', 3]]) {
    await page.evaluate(([f, bytes]) => FS.writeFile('/' + f, new Uint8Array(bytes)), [name, png(n)]);
    await page.mouse.move(box.x + 100 + n, box.y + 100);  // any input: the program waits again, where the page looks
    if (name !== 'notes.png') {
      await page.waitForFunction((f) => document.getElementById('plako-status').textContent === f + ' saved (a download)',
                                 name, { timeout: 5000 });
    }
  }
  await page.mouse.move(box.x + 200, box.y + 100);
  await page.waitForTimeout(500);
  assert.deepEqual(downloads.map((d) => d.suggestedFilename()), ['plako-001.png', 'plako-002.png']);
  assert.deepEqual([...fs.readFileSync(await downloads[1].path())], png(3));
  assert.equal(await page.locator('#plako-status a[download="plako-002.png"]').count(), 1, 'the status line has no link');

  // The keys the page hands the program, as they leave its queue.
  await page.evaluate(() => {
    window.sent = [];
    const graphics = Object.values(window.plako.windows).find((w) => w.title === 'PLAKO Graphics').id;
    const wake = window.plako.wake, seen = new WeakSet();
    window.plako.wake = () => {
      for (const ev of window.plako.queue) {
        if (seen.has(ev)) continue;
        seen.add(ev);
        if (ev[0] === 4 || ev[0] === 5) window.sent.push([ev[0], ev[1] === graphics, ev[5]]);
      }
      wake();
    };
  });
  await page.click('#plako-inspector');
  await page.click('#plako-save-picture');
  const DOWN = 4, UP = 5;
  assert.deepEqual(await page.evaluate(() => window.sent),
                   [[DOWN, true, 0x71], [UP, true, 0x71], [DOWN, true, 0x73], [UP, true, 0x73]]);
  assert.deepEqual(page.errors, []);
  await page.close();
});
