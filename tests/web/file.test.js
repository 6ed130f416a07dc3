// A page opened from disk, as a student's double click opens it (a file:// address, no server):
// it shows the program's first frame, the README's headless screenshot command pictures it, and a
// page that cannot start says why on the page itself.
'use strict';
const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const lib = require('./lib.js');

const PAGE = path.join(lib.SITE, 'hello.html');
let browser = null, scratch = null, want = null;

before(async () => {
  browser = await lib.launch();
  scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'plako-file-'));
  want = lib.runnerFrame('hello', '');  // hello draws once at start: its first frame
});
after(async () => {
  if (browser) await browser.close();
  if (scratch) fs.rmSync(scratch, { recursive: true, force: true });
});

// The offset at which `small` lies pixel for pixel inside `big`, or null.
function find(big, small) {
  for (let y = 0; y + small.h <= big.h; y++)
    for (let x = 0; x + small.w <= big.w; x++) {
      let same = true;
      for (let r = 0; r < small.h && same; r++)
        for (let c = 0; c < small.w; c++)
          if (big.px[(y + r) * big.w + x + c] !== small.px[r * small.w + c]) { same = false; break; }
      if (same) return { x, y };
    }
  return null;
}

// The README's screenshot command (section "In a web page"), its lines joined, as arguments.
function readmeScreenshotCommand() {
  const readme = fs.readFileSync(path.join(lib.ROOT, 'README.md'), 'utf8').split('\n');
  const at = readme.findIndex((l) => /^\s+chromium --headless/.test(l));
  assert.ok(at >= 0, 'README.md has no indented "chromium --headless" command');
  let cmd = '';
  for (let i = at; i < readme.length; i++) {
    const line = readme[i].trim();
    cmd += ' ' + line.replace(/\\$/, '');
    if (!line.endsWith('\\')) break;
  }
  return cmd.trim().split(/\s+/);
}

test('a page opened from a file:// address shows the program\'s first frame', async () => {
  assert.ok(fs.existsSync(PAGE), `${PAGE} is missing: scripts/build-web.sh builds it`);
  // One file: nothing beside it is needed.
  const alone = path.join(scratch, 'alone');
  fs.mkdirSync(alone);
  fs.copyFileSync(PAGE, path.join(alone, 'hello.html'));
  const page = await lib.openPage(browser, 'file://' + path.join(alone, 'hello.html') + '?clock=still');
  const { diff, pic } = await lib.waitForPicture(page, want);
  if (diff) lib.savePicture('hello-file-page.png', pic);
  assert.equal(diff, 0, 'the page opened from disk differs from hello-replay (picture under build/web/)');
  assert.equal(await page.locator('#plako-error').isVisible(), false);
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('the README\'s headless screenshot command pictures the page', () => {
  const args = readmeScreenshotCommand();
  assert.equal(args[0], 'chromium');
  const shot = path.join(scratch, 'page.png');
  const run = args.slice(1).map((a) => {
    if (a.startsWith('--screenshot')) return `--screenshot=${shot}`;
    if (a.startsWith('file://')) return 'file://' + PAGE;
    return a;
  });
  assert.ok(run.some((a) => a.startsWith('--virtual-time-budget=')), 'the command names no virtual-time budget');
  const extra = ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
                 '--disable-component-update', '--disable-sync'];
  execFileSync(process.env.CHROMIUM || '/usr/bin/chromium', [...extra, ...run], { stdio: 'pipe', timeout: 120000 });
  const pic = lib.readPng(shot);
  const at = find(pic, want);
  if (!at) lib.savePicture('hello-file-screenshot.png', pic);
  assert.ok(at, 'the screenshot does not hold hello-replay\'s picture (build/web/hello-file-screenshot.png)');
});

test('a page that cannot start says why on the page', async () => {
  // The program's WebAssembly damaged: its magic number ("\0asm", base64 AGFzbQ) overwritten.
  const html = fs.readFileSync(PAGE, 'latin1');
  const marker = 'base64,AGFzbQ';
  assert.ok(html.includes(marker), 'the page holds no inlined WebAssembly');
  const broken = path.join(scratch, 'broken.html');
  fs.writeFileSync(broken, html.replace(marker, 'base64,AAAAAA'), 'latin1');
  const page = await browser.newPage();
  await page.goto('file://' + broken);
  const box = page.locator('#plako-error');
  await box.waitFor({ state: 'visible', timeout: 60000 });
  assert.match(await box.textContent(), /^hello cannot run: .+/);
  await page.close();
});
