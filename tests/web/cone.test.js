// The cone decorator's page in a real browser: it starts with the intro and goes on to the scene
// on the page's own clock, takes clicks on its buttons, works its Run menu by mouse and keyboard,
// and a script played back in it draws exactly the Linux runner's picture.
'use strict';
const { test } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const lib = require('./lib.js');

const INTRO_FRAMES = 151;  // the intro draws frames 0..150, the scene every frame after
const TICKS = 700;         // frames the runner draws for the live page to be found among
let page;

const web = lib.session();

// Content pixel of canvas point (x, y): the origin is the client area's centre (297, 247), below
// the 20-pixel menu bar.
function canvasPoint(box, x, y) {
  return { x: box.x + 297 + x + 0.5, y: box.y + lib.MENU_BAR + 247 - y + 0.5 };
}

async function graphicsBox() {
  return page.locator('canvas[aria-label="PLAKO Graphics"]').boundingBox();
}

test('the page loads, shows the intro and then the scene, with the console hidden', async () => {
  const oneScoop = lib.runnerFrames('cone', `PLAKO_PERIODIC(${TICKS});\n`);
  page = await lib.openPage(web.browser, web.server.url + 'cone.html');
  const first = await page.evaluate(() => window.plako.stats.firstFrame);
  lib.figure(`cone: page load to first frame ${first.toFixed(0)} ms`);
  assert.equal(await page.locator('canvas[aria-label="PLAKO Text"]').isVisible(), false,
               'the cone decorator hides its console');
  const intro = await lib.waitForFrame(page, oneScoop, (n) => n < INTRO_FRAMES, 20000);
  assert.ok(intro >= 0, 'the page never showed an intro frame as the runner draws it');
  const scene = await lib.waitForFrame(page, oneScoop, (n) => n >= INTRO_FRAMES, 90000);
  assert.ok(scene >= 0, 'the page never showed a scene frame as the runner draws it');
  const busy = await lib.processorShare(page, 3000);
  lib.figure(`cone: processor share of the page while animating ${(100 * busy).toFixed(1)} %`);
  assert.deepEqual(page.errors, []);
});

test('a click on Add Scoop puts a second scoop on the cone', async () => {
  assert.ok(page, 'the page did not load');
  // A click anywhere in time changes only the scoop count, so every later frame is the runner's
  // frame of the same number for a script that clicks first.
  const twoScoops = lib.runnerFrames('cone', `PLAKO_MOUSE(-250, 237);\nPLAKO_PERIODIC(${TICKS});\n`);
  const p = canvasPoint(await graphicsBox(), -250, 237);
  await page.mouse.click(p.x, p.y);
  const n = await lib.waitForFrame(page, twoScoops, (n) => n >= INTRO_FRAMES, 20000);
  assert.ok(n >= 0, 'no frame with two scoops came');
  page.twoScoops = twoScoops;
});

test('the Run menu opens on its title, Halt holds the frame, the keyboard works the menu', async () => {
  assert.ok(page && page.twoScoops, 'the scoop was not added');
  const box = await graphicsBox();
  await page.mouse.click(box.x + 15, box.y + 10);  // the title "Run"
  // The popup is drawn by platform/ into the window's content, over the client area: classic grey.
  await page.waitForFunction(() => {
    const win = Object.values(window.plako.windows).find((w) => w.title === 'PLAKO Graphics');
    const d = win.ctx.getImageData(4, 24, 150, 150).data;
    let grey = 0;
    for (let i = 0; i < d.length; i += 4) if (d[i] === 0xc0 && d[i + 1] === 0xc0 && d[i + 2] === 0xc0) grey++;
    return grey > 150 * 150 / 2;
  }, null, { timeout: 10000 });
  await page.mouse.click(box.x + 50, box.y + 47);  // "Halt animation"
  const held = await lib.waitForFrame(page, page.twoScoops, (n) => n >= INTRO_FRAMES, 10000);
  assert.ok(held >= 0, 'after Halt the window does not show a scene frame (the menu left behind?)');
  const a = await lib.clientPixels(page);
  const busy = await lib.processorShare(page, 3000);
  lib.figure(`cone: processor share of the page while halted ${(100 * busy).toFixed(2)} %`);
  const b = await lib.clientPixels(page);
  assert.equal(lib.differing(a, b).length, 0, 'the halted frame changed');

  // Ctrl+A animates again; Alt+R, Down, Enter chooses the second item, Halt, again.
  await page.keyboard.press('Control+a');
  const moved = await lib.waitForFrame(page, page.twoScoops, (n) => n > held, 10000);
  assert.ok(moved > held, 'Ctrl+A did not start the animation again');
  await page.keyboard.press('Alt+r');
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('Enter');
  const again = await lib.waitForFrame(page, page.twoScoops, (n) => n > held, 10000);
  assert.ok(again > 0);
  await page.waitForTimeout(500);
  const c = await lib.clientPixels(page);
  await page.waitForTimeout(1500);
  const d = await lib.clientPixels(page);
  assert.equal(lib.differing(c, d).length, 0, 'Halt chosen with the keyboard did not hold the frame');
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('the demo script played in the page gives the Linux runner\'s picture, text included', async () => {
  const script = fs.readFileSync(path.join(lib.SITE, 'demo.scr'));
  const want = lib.runnerFrame('cone', script);
  // A clock that stands still: only the script's ticks draw, as in the runner.
  const demo = await lib.openPage(web.browser, web.server.url + 'cone.html?script=demo.scr&clock=still');
  const { diff, pic } = await lib.waitForPicture(demo, want);
  lib.figure(`cone: demo.scr in the page against cone-replay: ${diff} of ${pic.w * pic.h} pixels differ`);
  if (diff) {
    lib.savePicture('cone-page.png', pic);
    lib.savePicture('cone-runner.png', want);
  }
  assert.equal(diff, 0, 'the page and the runner disagree (pictures under build/web/)');
  // The page as a person sees it, for the README.
  const shot = path.join(path.dirname(lib.FIGURES), 'web.png');
  await demo.locator('#plako-page').screenshot({ path: shot });

  // The Quit button ends the program: its windows leave the page, which says so.
  const p = canvasPoint(await demo.locator('canvas[aria-label="PLAKO Graphics"]').boundingBox(), -250, 132);
  await demo.mouse.click(p.x, p.y);
  await demo.waitForFunction(() => window.plako.stats.ended, null, { timeout: 10000 });
  assert.equal(await demo.evaluate(() => window.plako.stats.exitCode), 0);
  assert.equal(await demo.locator('canvas').count(), 0);
  assert.match(await demo.locator('#plako-status').textContent(), /ended/);
  assert.deepEqual(demo.errors, []);
  await demo.close();
});
