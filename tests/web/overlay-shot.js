// The picture of the cone decorator's page with the inspector on: the demo script played on a
// clock that stands still, F2 in the graphics window, the mouse over the cone; headless chromium.
// Usage (after scripts/build-web.sh and `npm ci` in tests/web, as scripts/test-web.sh does them):
//   node tests/web/overlay-shot.js [OUT.png]      (default: build/web/overlay-web.png)
'use strict';
const path = require('node:path');
const lib = require('./lib.js');

// Canvas point of the mouse: on the scoops the demo script puts on the cone.
const MOUSE = { x: 0, y: 40 };

async function main() {
  const out = path.resolve(process.argv[2] || path.join(lib.ROOT, 'build', 'web', 'overlay-web.png'));
  const server = await lib.serve();
  const browser = await lib.launch();
  try {
    const page = await lib.openPage(browser, server.url + 'cone.html?script=demo.scr&clock=still');
    // The script has played when the picture stops changing (no tick comes on a still clock).
    let last = '', same = 0;
    for (let i = 0; i < 600 && same < 5; i++) {
      await page.waitForTimeout(200);
      const now = lib.fingerprint(await lib.clientPixels(page));
      same = now === last ? same + 1 : 0;
      last = now;
    }
    const canvas = page.locator('canvas[aria-label="PLAKO Graphics"]');
    await canvas.focus();
    await page.keyboard.press('F2');
    const at = await lib.clientPoint(page, 297 + MOUSE.x, 247 - MOUSE.y);
    await page.mouse.move(at.x - 40, at.y - 40);
    await page.mouse.move(at.x, at.y, { steps: 8 });
    await page.waitForTimeout(1000);
    await page.locator('#plako-page').screenshot({ path: out });
    if (page.errors.length) throw new Error('the page failed: ' + page.errors.join('; '));
    console.log(`overlay-shot: ${out}`);
  } finally {
    await browser.close();
    await server.close();
  }
}

main().catch((e) => {
  console.error('overlay-shot: ' + (e && e.stack || e));
  process.exit(1);
});
