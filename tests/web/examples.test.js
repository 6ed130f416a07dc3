// Every example runs as a page: its own script played there draws exactly what its Linux runner
// draws, and its console is shown or hidden as the program says.
'use strict';
const { test } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const lib = require('./lib.js');

// The examples and whether each shows its console (the package shows it at start; bounce and
// snake hide it).
const EXAMPLES = [
  { name: 'hello', console: true },
  { name: 'bounce', console: false },
  { name: 'paint', console: true },
  { name: 'typewriter', console: true },
  { name: 'snake', console: false },
];

const web = lib.session();

for (const ex of EXAMPLES) {
  test(`${ex.name}: its script in the page gives its runner's picture`, async () => {
    const script = fs.readFileSync(path.join(lib.SITE, `${ex.name}.scr`));
    const want = lib.runnerFrame(ex.name, script);
    const page = await lib.openPage(web.browser, web.server.url + `${ex.name}.html?script=${ex.name}.scr&clock=still`);
    const first = await page.evaluate(() => window.plako.stats.firstFrame);
    const { diff, pic } = await lib.waitForPicture(page, want);
    lib.figure(`${ex.name}: page load to first frame ${first.toFixed(0)} ms; ` +
               `${diff} of ${pic.w * pic.h} pixels differ from ${ex.name}-replay`);
    if (diff) {
      lib.savePicture(`${ex.name}-page.png`, pic);
      lib.savePicture(`${ex.name}-runner.png`, want);
    }
    assert.equal(diff, 0, 'the page and the runner disagree (pictures under build/web/)');
    assert.equal(await page.locator('canvas[aria-label="PLAKO Text"]').isVisible(), ex.console);
    assert.deepEqual(page.errors, []);
    await page.close();
  });
}
