// The browser page's half of the host (web/plako.js) holds the same tables as the C side: the
// Windows-1252 bytes 0x80..0x9F, the host event numbering, and the keyboard rule under every
// Shift/Ctrl/Alt combination (also as the page hands it on for a key down that types no text).
// Usage: node web_tables.js PRINT_TABLES_TOOL PLAKO_JS
'use strict';
const assert = require('assert');
const fs = require('fs');
const vm = require('vm');
const {execFileSync} = require('child_process');

const [tool, page] = process.argv.slice(2);
const c = JSON.parse(execFileSync(tool, {encoding: 'utf8'}));

// plako.js is an emscripten library: mergeInto hands over its object, whose $PLAKO is the page's.
const context = {LibraryManager: {library: {}}, mergeInto: (lib, obj) => { context.lib = obj; }};
vm.createContext(context);
vm.runInContext(fs.readFileSync(page, 'utf8'), context, {filename: page});
const PLAKO = context.lib.$PLAKO;
context.PLAKO = PLAKO;  // the page's functions find it as a global

let passed = 0, failed = 0;
function check(what, fn) {
  try {
    fn();
    passed++;
  } catch (e) {
    failed++;
    console.log(`FAIL ${what}: ${e.message}`);
  }
}

check('Windows-1252 bytes 0x80..0x9F', () => assert.deepStrictEqual(Array.from(PLAKO.CP1252_HIGH), c.cp1252High));
check('cp1252 of every code point the table names, and of an unmappable one', () => {
  c.cp1252High.forEach((cp, i) => { if (cp) assert.strictEqual(PLAKO.cp1252(String.fromCodePoint(cp)), 0x80 + i); });
  assert.strictEqual(PLAKO.cp1252('\u4e2d'), 0);
  assert.strictEqual(PLAKO.cp1252('\u00e9'), 0xe9);
});
check('host event numbering', () => {
  for (const name of Object.keys(c.kinds)) assert.strictEqual(PLAKO.KIND[name], c.kinds[name], name);
  assert.deepStrictEqual(Object.keys(PLAKO.KIND).sort(), Object.keys(c.kinds).sort());
});
const bits = c.modifierBits;
for (let m = 0; m < 8; m++) {
  const shift = !!(m & bits.shift), ctrl = !!(m & bits.ctrl), alt = !!(m & bits.alt);
  const held = `${shift ? 'Shift+' : ''}${ctrl ? 'Ctrl+' : ''}${alt ? 'Alt+' : ''}`;
  check(`keyboard rule, ${held || 'no modifier'}`, () => {
    for (let vk = 0; vk < 256; vk++)
      assert.strictEqual(PLAKO.keyChar(vk, shift, ctrl, alt), c.keys[m][vk], `${held}vk 0x${vk.toString(16)}`);
  });
  // A key down with no text of its own (e.key of more than one character): the page gives the
  // rule's character under Ctrl or Alt and for the control characters, as the desktop host does.
  check(`key down without text, ${held || 'no modifier'}`, () => {
    const e = {key: 'Unidentified', shiftKey: shift, ctrlKey: ctrl, altKey: alt, getModifierState: () => false};
    for (let vk = 0; vk < 256; vk++) {
      const ch = c.keys[m][vk];
      const want = (ctrl || alt || ch < 0x20 || ch === 127) ? ch : 0;
      assert.strictEqual(PLAKO.charOf(e, vk), want, `${held}vk 0x${vk.toString(16)}`);
    }
  });
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
