// Helpers for the browser tests: a static server for the built pages, Debian's chromium through
// playwright-core, the graphics window's pixels, and the Linux runner's frames to compare with.
'use strict';
const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');
const zlib = require('node:zlib');
const crypto = require('node:crypto');
const { execFileSync } = require('node:child_process');
const { chromium } = require('playwright-core');
const { before, after } = require('node:test');

const ROOT = path.resolve(__dirname, '..', '..');
const SITE = process.env.PLAKO_WEB_SITE || path.join(ROOT, 'build', 'web', 'site');
const NATIVE = process.env.PLAKO_NATIVE_BUILD || path.join(ROOT, 'build', 'default');
const MENU_BAR = 20;  // the graphics window's content is the menu bar, then the client area
const FIGURES = path.join(ROOT, 'build', 'web', 'figures.txt');

const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                '.data': 'application/octet-stream', '.scr': 'text/plain', '.png': 'image/png' };

// Serves SITE on a free loopback port; resolves to {url, close}.
function serve() {
  const server = http.createServer((req, res) => {
    const rel = decodeURIComponent(new URL(req.url, 'http://x').pathname).replace(/^\/+/, '') || 'index.html';
    const file = path.join(SITE, rel);
    if (!file.startsWith(SITE) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404);
      res.end('not found');
      return;
    }
    res.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve({
    url: `http://127.0.0.1:${server.address().port}/`,
    close: () => new Promise((r) => server.close(r)),
  })));
}

// Debian's chromium, headless, without any of its network services.
function launch() {
  return chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
  });
}

// A page that remembers its errors; the viewport keeps the console's width modest.
// The page server and the browser for one test file: started before its first test (then
// setup(s), if given, in the same hook), closed after its last. The returned object's server and
// browser are set once the file's tests run.
function session(setup) {
  const s = { server: null, browser: null };
  before(async () => {
    s.server = await serve();
    s.browser = await launch();
    if (setup) await setup(s);
  });
  after(async () => {
    if (s.browser) await s.browser.close();
    if (s.server) await s.server.close();
  });
  return s;
}

// files: {NAME: text} served as the site's NAME to this page alone (a script made by the test).
async function openPage(browser, url, files = {}) {
  const page = await browser.newPage({ viewport: { width: 900, height: 900 } });
  page.errors = [];
  page.on('pageerror', (e) => page.errors.push(e.message));
  for (const [name, body] of Object.entries(files))
    await page.route(new URL(name, url).href, (route) => route.fulfill({ body, contentType: 'text/plain' }));
  await page.goto(url);
  await page.waitForFunction(() => window.plako && window.plako.stats.firstFrame >= 0, null, { timeout: 60000 });
  return page;
}

// The graphics window's client pixels (below the menu bar) as 0xRRGGBB numbers, row by row.
async function clientPixels(page) {
  const out = await page.evaluate((bar) => {
    const win = Object.values(window.plako.windows).find((w) => w.title === 'PLAKO Graphics');
    const c = win.canvas, w = c.width, h = c.height - bar;
    const d = win.ctx.getImageData(0, bar, w, h).data;
    const px = new Array(w * h);
    for (let i = 0; i < w * h; i++) px[i] = (d[4 * i] << 16) | (d[4 * i + 1] << 8) | d[4 * i + 2];
    return { w, h, px };
  }, MENU_BAR);
  return out;
}

// The whole content (menu bar included) of the graphics window.
async function contentPixels(page) {
  return page.evaluate(() => {
    const win = Object.values(window.plako.windows).find((w) => w.title === 'PLAKO Graphics');
    const c = win.canvas;
    const d = win.ctx.getImageData(0, 0, c.width, c.height).data;
    const px = new Array(c.width * c.height);
    for (let i = 0; i < px.length; i++) px[i] = (d[4 * i] << 16) | (d[4 * i + 1] << 8) | d[4 * i + 2];
    return { w: c.width, h: c.height, px };
  });
}

// Screen position of a client pixel of the graphics window.
async function clientPoint(page, x, y) {
  const box = await page.locator('canvas[aria-label="PLAKO Graphics"]').boundingBox();
  return { x: box.x + x + 0.5, y: box.y + MENU_BAR + y + 0.5 };
}

// Decodes an 8-bit RGB or RGBA PNG (as the runner writes them) to {w, h, px}.
function readPng(file) {
  const buf = fs.readFileSync(file);
  let pos = 8, w = 0, h = 0, type = 0;
  const idat = [];
  while (pos < buf.length) {
    const len = buf.readUInt32BE(pos), kind = buf.toString('ascii', pos + 4, pos + 8);
    const data = buf.subarray(pos + 8, pos + 8 + len);
    if (kind === 'IHDR') {
      w = data.readUInt32BE(0); h = data.readUInt32BE(4); type = data[9];
      if (data[8] !== 8 || (type !== 2 && type !== 6) || data[12] !== 0) throw new Error(`${file}: unsupported PNG`);
    } else if (kind === 'IDAT') idat.push(data);
    pos += 12 + len;
  }
  const bpp = type === 6 ? 4 : 3, stride = w * bpp;
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const cur = Buffer.alloc(stride), prev = Buffer.alloc(stride), px = new Array(w * h);
  for (let y = 0; y < h; y++) {
    const f = raw[y * (stride + 1)], line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; i++) {
      const a = i >= bpp ? cur[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
      let p = line[i];
      if (f === 1) p += a;
      else if (f === 2) p += b;
      else if (f === 3) p += (a + b) >> 1;
      else if (f === 4) {
        const q = a + b - c, pa = Math.abs(q - a), pb = Math.abs(q - b), pc = Math.abs(q - c);
        p += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      cur[i] = p & 0xff;
    }
    for (let x = 0; x < w; x++) px[y * w + x] = (cur[x * bpp] << 16) | (cur[x * bpp + 1] << 8) | cur[x * bpp + 2];
    cur.copy(prev);
  }
  return { w, h, px };
}

// The Linux runner NAME-replay, built by the default preset.
function runnerTool(name) {
  const tool = [path.join(NATIVE, `${name}-replay`), path.join(NATIVE, 'examples', `${name}-replay`)]
    .find((f) => fs.existsSync(f));
  if (!tool) throw new Error(`no runner ${name}-replay under ${NATIVE}: build the default preset first`);
  return tool;
}

// Runs NAME-replay (the Linux runner, headless host) on a script with the given options in a
// scratch folder, with the tests' own font set; calls visit(file) for each PNG frame, in order.
function runRunner(name, script, options, visit) {
  const tool = runnerTool(name);
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'plako-web-'));
  try {
    fs.writeFileSync(path.join(dir, 'PLAKO.SCR'), script);
    const env = { ...process.env, FONTCONFIG_FILE: path.join(ROOT, 'tests', 'fonts', 'fonts.conf') };
    execFileSync(tool, ['--dir', dir, '--out', path.join(dir, 'out'), '--quiet', ...options], { stdio: 'pipe', env });
    for (const f of fs.readdirSync(path.join(dir, 'out')).filter((f) => f.endsWith('.png')).sort())
      visit(path.join(dir, 'out', f));
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

// The Linux runner's last frame for a script.
function runnerFrame(name, script) {
  let frame = null;
  runRunner(name, script, ['--last'], (f) => { frame = readPng(f); });
  if (!frame) throw new Error(`${name}-replay wrote no frame`);
  return frame;
}

// The runner's description of the last picture of a script: {text, how}, from `--describe FILE`
// (a block per written frame: "frame N", the description's lines, an empty line).
function runnerDescription(name, script) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'plako-describe-'));
  try {
    const file = path.join(dir, 'out.txt');
    runRunner(name, script, ['--last', '--describe', file], () => {});
    const lines = fs.readFileSync(file, 'utf8').split('\n');
    const at = lines.map((l) => /^frame [0-9]+$/.test(l)).lastIndexOf(true);
    if (at < 0) throw new Error(`${name}-replay --describe described no frame`);
    const end = lines.indexOf('', at + 1);
    return { text: lines.slice(at + 1, end < 0 ? lines.length : end).join('\n'), how: `${name}-replay --describe` };
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

// A picture's fingerprint: equal pictures, equal fingerprints.
function fingerprint(pic) {
  return `${pic.w}x${pic.h}:` + crypto.createHash('sha256').update(Int32Array.from(pic.px)).digest('hex');
}

// The fingerprints of every frame the Linux runner draws for a script: a Map from fingerprint to
// the first frame number that looks so.
function runnerFrames(name, script) {
  const frames = new Map();
  runRunner(name, script, [], (f) => {
    const n = Number(/frame-(\d+)\.png$/.exec(f)[1]), key = fingerprint(readPng(f));
    if (!frames.has(key)) frames.set(key, n);
  });
  return frames;
}

// Polls the page's graphics window until its client pixels equal `want` (a picture), or until the
// time runs out; returns the number of pixels that still differ (0 when it came).
async function waitForPicture(page, want, timeout = 60000) {
  const end = Date.now() + timeout;
  for (;;) {
    const pic = await clientPixels(page);
    const diff = pic.w === want.w && pic.h === want.h ? differing(pic, want).length : pic.w * pic.h;
    if (diff === 0 || Date.now() > end) return { diff, pic };
    await page.waitForTimeout(200);
  }
}

// Polls the page until its picture is one of `frames` (runnerFrames) that `accept(n)` allows;
// resolves to the frame number, or -1 when none came in time.
async function waitForFrame(page, frames, accept = () => true, timeout = 60000) {
  const end = Date.now() + timeout;
  for (;;) {
    const n = frames.get(fingerprint(await clientPixels(page)));
    if (n !== undefined && accept(n)) return n;
    if (Date.now() > end) return -1;
    await page.waitForTimeout(150);
  }
}

// Positions where two pictures of the same size differ.
function differing(a, b) {
  if (a.w !== b.w || a.h !== b.h) throw new Error(`sizes differ: ${a.w}x${a.h} and ${b.w}x${b.h}`);
  const out = [];
  for (let i = 0; i < a.px.length; i++) if (a.px[i] !== b.px[i]) out.push(i);
  return out;
}

// Busy time of the page's main thread over ms of wall time, as a share (CDP Performance metrics).
async function processorShare(page, ms) {
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Performance.enable');
  const metric = async () => {
    const m = (await cdp.send('Performance.getMetrics')).metrics;
    const get = (n) => (m.find((x) => x.name === n) || { value: 0 }).value;
    return { task: get('TaskDuration'), at: get('Timestamp') };
  };
  const a = await metric();
  await page.waitForTimeout(ms);
  const b = await metric();
  await cdp.detach();
  return (b.task - a.task) / (b.at - a.at);
}

// Appends a measured figure to build/web/figures.txt and shows it.
function figure(line) {
  fs.mkdirSync(path.dirname(FIGURES), { recursive: true });
  fs.appendFileSync(FIGURES, line + '\n');
  console.log('# figure: ' + line);
}

// Saves a failing picture beside the figures, for a person to look at.
function savePicture(name, pic) {
  const raw = Buffer.alloc((pic.w * 3 + 1) * pic.h);
  for (let y = 0; y < pic.h; y++)
    for (let x = 0; x < pic.w; x++) {
      const v = pic.px[y * pic.w + x], o = y * (pic.w * 3 + 1) + 1 + x * 3;
      raw[o] = v >> 16; raw[o + 1] = (v >> 8) & 0xff; raw[o + 2] = v & 0xff;
    }
  const crcTable = Array.from({ length: 256 }, (_, n) => {
    let c = n;
    for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    return c >>> 0;
  });
  const crc = (b) => { let c = 0xffffffff; for (const x of b) c = crcTable[(c ^ x) & 0xff] ^ (c >>> 8); return (c ^ 0xffffffff) >>> 0; };
  const chunk = (kind, data) => {
    const len = Buffer.alloc(4); len.writeUInt32BE(data.length);
    const body = Buffer.concat([Buffer.from(kind, 'ascii'), data]);
    const sum = Buffer.alloc(4); sum.writeUInt32BE(crc(body));
    return Buffer.concat([len, body, sum]);
  };
  const ihdr = Buffer.alloc(13);
  ihdr.writeUInt32BE(pic.w, 0); ihdr.writeUInt32BE(pic.h, 4); ihdr[8] = 8; ihdr[9] = 2;
  const file = path.join(path.dirname(FIGURES), name);
  fs.writeFileSync(file, Buffer.concat([Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]), chunk('IHDR', ihdr),
                                        chunk('IDAT', zlib.deflateSync(raw)), chunk('IEND', Buffer.alloc(0))]));
  return file;
}

module.exports = { ROOT, SITE, FIGURES, MENU_BAR, serve, launch, session, openPage, clientPixels, contentPixels, clientPoint, readPng,
                   runnerFrame, runnerFrames, runnerDescription, fingerprint, waitForPicture, waitForFrame, differing,
                   processorShare, figure, savePicture };
