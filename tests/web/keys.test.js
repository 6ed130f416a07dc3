// The page's keyboard as the desktop host reports it: which virtual-key code and which
// Windows-1252 character each browser key event becomes.
'use strict';
const { test } = require('node:test');
const assert = require('node:assert/strict');
const lib = require('./lib.js');

let page;

lib.session(async (web) => {
  page = await lib.openPage(web.browser, web.server.url + 'hello.html?clock=still');
});

// [what the browser reports, the expected [vk, character]]
const KEYS = [
  [{ key: 'a', code: 'KeyA' }, [0x41, 0x61]],
  [{ key: 'A', code: 'KeyA', shiftKey: true }, [0x41, 0x41]],
  [{ key: 'q', code: 'KeyA' }, [0x51, 0x71]],                       // AZERTY: the letter, not the place
  [{ key: '7', code: 'Digit7' }, [0x37, 0x37]],
  [{ key: '/', code: 'Digit7', shiftKey: true }, [0x37, 0x2f]],     // a German keyboard's Shift+7
  [{ key: 'é', code: 'Digit2' }, [0x32, 0xe9]],
  [{ key: '€', code: 'KeyE', altKey: true, ctrlKey: true, altGraph: true }, [0x45, 0x80]],
  [{ key: 'ß', code: 'Minus' }, [0xbd, 0xdf]],
  [{ key: 'Enter', code: 'Enter' }, [0x0d, 13]],
  [{ key: 'Backspace', code: 'Backspace' }, [0x08, 8]],
  [{ key: 'Tab', code: 'Tab' }, [0x09, 9]],
  [{ key: 'Escape', code: 'Escape' }, [0x1b, 27]],
  [{ key: ' ', code: 'Space' }, [0x20, 32]],
  [{ key: 'a', code: 'KeyA', ctrlKey: true }, [0x41, 1]],           // Ctrl+A: the control character
  [{ key: 'z', code: 'KeyZ', ctrlKey: true }, [0x5a, 26]],
  [{ key: 'r', code: 'KeyR', altKey: true }, [0x52, 0x72]],         // Alt+R: the mnemonic
  [{ key: 'F10', code: 'F10' }, [0x79, 0]],
  [{ key: 'ArrowDown', code: 'ArrowDown' }, [0x28, 0]],
  [{ key: 'Control', code: 'ControlLeft', ctrlKey: true }, [0x11, 0]],
  [{ key: 'Dead', code: 'BracketLeft' }, [0xdb, 0]],                // the accent waits for its letter
  [{ key: 'ñ', code: '' }, [0, 0xf1]],                              // no key code: sent as VK_PACKET
  [{ key: '中', code: '' }, [0, 0]],                                // not in the code page: nothing
  [{ key: 'ő', code: '' }, [0, 0]],
];

test('browser keys become the desktop\'s virtual keys and Windows-1252 characters', async () => {
  const got = await page.evaluate((cases) => cases.map(([e]) => {
    const ev = { ctrlKey: false, altKey: false, shiftKey: false, ...e,
                 getModifierState: (m) => m === 'AltGraph' && !!e.altGraph };
    const vk = window.plako.vkOf(ev);
    return [vk, window.plako.charOf(ev, vk)];
  }), KEYS);
  KEYS.forEach(([e], i) => assert.deepEqual(got[i], KEYS[i][1], `key ${JSON.stringify(e)}`));
});

test('Windows-1252: the code page\'s own bytes, the 0x80..0x9F punctuation, and 0 for the rest', async () => {
  const got = await page.evaluate(() => ['A', '~', '\u00a0', 'ÿ', '€', '‚', 'Ÿ', '—', '™', 'Ő', '\u0081', '😀']
    .map((c) => window.plako.cp1252(c)));
  assert.deepEqual(got, [0x41, 0x7e, 0xa0, 0xff, 0x80, 0x82, 0x9f, 0x97, 0x99, 0, 0, 0]);
});
