// The page's half of the browser host (platform/hosts/web/host_web.cpp), linked into every program's
// .js: windows as canvases, the page's input as host events, the page's clock, the wait that gives
// the browser its thread back (Asyncify), PLAKO.SCR kept in the browser's storage, uploaded,
// downloaded and played through the program's own Run menu commands, the canvas described in words
// (the graphics canvas's accessible text, and the Describe button's announcement), and the
// pictures the program saves offered as downloads.
mergeInto(LibraryManager.library, {
  $PLAKO__deps: ['$FS'],
  $PLAKO__postset: 'PLAKO.init();',
  $PLAKO: {
    // HostEvent::Kind's numbers (platform/windows/host.h); the page makes no COMMAND events.
    // tests/hosts/tables/web_tables.js holds this, the code page and the keyboard rule to the C ones.
    KIND: {MOUSE_DOWN: 1, MOUSE_UP: 2, MOUSE_MOVE: 3, KEY_DOWN: 4, KEY_UP: 5, CLOSE: 6, EXPOSE: 7, RESIZE: 8, FOCUS: 9,
           COMMAND: 10},
    SCRIPT: '/PLAKO.SCR',
    GRAPHICS: 'PLAKO Graphics',  // the title of the window whose canvas the description is of
    DESCRIBE_EVERY: 1000,        // ms: the accessible text follows an animation at most this often
    PICTURE: '^plako-[0-9]+[.]png$',  // the names the package saves pictures under (F4), in '/'
    // (The library's object is written out as data: a pattern is kept as its text, no value is infinite.)
    MAX_SCRIPT: 16 << 20,  // bytes: a larger file is refused, not loaded into the page's memory
    MAX_DESCRIPTION: 4 << 20,  // bytes of the description the page takes; the rest is cut
    windows: {},       // id -> {id, box, canvas, ctx, image, pixels}
    nextId: 1,
    queue: [],         // [kind, id, x, y, button, vk, ch, alt]
    wakeUp: null,      // set while the program waits
    timer: 0,
    captured: null,    // the window a held left button went down in
    still: false,      // a clock that never moves: timers never fall due (for comparing frames)
    scriptSeen: '',    // PLAKO.SCR as last put into storage
    scriptStamp: '',   // its time and size then
    stats: {firstFrame: -1, presents: 0, waits: 0, ended: false, exitCode: 0, descriptions: 0, announced: 0},
    described: {text: '', at: -1e9, presents: -1, timer: 0},  // the accessible text as last set
    offered: {},       // names of saved pictures already offered as downloads

    // Windows-1252 bytes 0x80..0x9F as Unicode (0 where the code page leaves a byte undefined).
    CP1252_HIGH: [0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039,
                  0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178],

    // Virtual-key codes by the position of the key (KeyboardEvent.code).
    VK: {Enter: 0x0D, NumpadEnter: 0x0D, Escape: 0x1B, Backspace: 0x08, Tab: 0x09, Space: 0x20,
         CapsLock: 0x14, ControlLeft: 0x11, ControlRight: 0x11, ShiftLeft: 0x10, ShiftRight: 0x10,
         AltLeft: 0x12, AltRight: 0x12, MetaLeft: 0x5B, MetaRight: 0x5C, ContextMenu: 0x5D,
         ArrowLeft: 0x25, ArrowUp: 0x26, ArrowRight: 0x27, ArrowDown: 0x28, Home: 0x24, End: 0x23,
         PageUp: 0x21, PageDown: 0x22, Insert: 0x2D, Delete: 0x2E, PrintScreen: 0x2C, ScrollLock: 0x91,
         Pause: 0x13, NumLock: 0x90, NumpadDivide: 0x6F, NumpadMultiply: 0x6A, NumpadSubtract: 0x6D,
         NumpadAdd: 0x6B, NumpadDecimal: 0x6E, NumpadComma: 0x6C, Semicolon: 0xBA, Equal: 0xBB,
         Comma: 0xBC, Minus: 0xBD, Period: 0xBE, Slash: 0xBF, Backquote: 0xC0, BracketLeft: 0xDB,
         Backslash: 0xDC, BracketRight: 0xDD, Quote: 0xDE, IntlBackslash: 0xE2, Clear: 0x0C, Help: 0x2F},
    VK_PACKET: 0xE7,
    VK_F2: 0x71,
    VK_F3: 0x72,
    VK_F4: 0x73,

    // The keyboard rule of a US layout, as platform/windows/keyboard.cpp has it: punctuation keys
    // with what they type without and with Shift, the digits' shifted characters, and the keys
    // whose character no modifier changes (Space, Enter, Backspace, Tab, Esc, the keypad's signs).
    PUNCT: {0xBA: ';:', 0xBB: '=+', 0xBC: ',<', 0xBD: '-_', 0xBE: '.>', 0xBF: '/?', 0xC0: '`~', 0xDB: '[{',
            0xDC: '\\|', 0xDD: ']}', 0xDE: '\'"'},
    SHIFTED_DIGITS: ')!@#$%^&*(',
    PLAIN: {0x20: 32, 0x0D: 13, 0x08: 8, 0x09: 9, 0x1B: 27, 0x6A: 42, 0x6B: 43, 0x6D: 45, 0x6E: 46, 0x6F: 47},

    // The Windows-1252 character key vk types with the modifiers held (0 for none).
    keyChar: function(vk, shift, ctrl, alt) {
      if (ctrl && alt) return 0;
      if (vk >= 0x41 && vk <= 0x5A) return ctrl ? vk - 0x40 : (shift ? vk : vk + 0x20);
      if (ctrl) return vk === 0x0D ? 10 : (vk === 0x08 ? 127 : 0);
      if (vk >= 0x30 && vk <= 0x39) return shift ? PLAKO.SHIFTED_DIGITS.charCodeAt(vk - 0x30) : vk;
      if (vk >= 0x60 && vk <= 0x69) return vk - 0x30;
      if (PLAKO.PLAIN.hasOwnProperty(vk)) return PLAKO.PLAIN[vk];
      var p = PLAKO.PUNCT[vk];
      return p ? p.charCodeAt(shift ? 1 : 0) : 0;
    },

    // The Windows-1252 byte for a one-character string, or 0 when the code page has none.
    cp1252: function(s) {
      var cp = s.codePointAt(0);
      if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return cp;
      var i = PLAKO.CP1252_HIGH.indexOf(cp);
      return cp && i >= 0 ? 0x80 + i : 0;
    },

    // The virtual-key code of a key: letters and digits by what the layout puts on the key,
    // everything else by its position.
    vkOf: function(e) {
      var k = e.key || '';
      if (k.length === 1 && /[a-zA-Z0-9]/.test(k)) return k.toUpperCase().charCodeAt(0);
      var c = e.code || '';
      var m = /^Key([A-Z])$/.exec(c) || /^Digit([0-9])$/.exec(c);
      if (m) return m[1].charCodeAt(0);
      if ((m = /^F([0-9]+)$/.exec(c)) && +m[1] >= 1 && +m[1] <= 24) return 0x6F + +m[1];
      if ((m = /^Numpad([0-9])$/.exec(c))) return 0x60 + +m[1];
      return PLAKO.VK[c] || 0;
    },

    // The character a key down types, as the desktop host gives it: the keyboard rule's under
    // Ctrl or Alt (control characters, the menu's mnemonics) and for the control keys, else the
    // key's own text, which knows the layout.
    charOf: function(e, vk) {
      var altGr = e.getModifierState && e.getModifierState('AltGraph');
      var ctrl = e.ctrlKey && !altGr, alt = e.altKey && !altGr;
      var ch = PLAKO.keyChar(vk, e.shiftKey, ctrl, alt);
      if (ctrl || alt || (ch && (ch < 0x20 || ch === 127))) return ch;
      var k = e.key || '';
      if (Array.from(k).length === 1) return PLAKO.cp1252(k);
      return 0;
    },

    push: function(ev) {
      var q = PLAKO.queue, last = q[q.length - 1];
      // Only the latest position matters: a move replaces a move still waiting in the queue.
      if (ev[0] === PLAKO.KIND.MOUSE_MOVE && last && last[0] === ev[0] && last[1] === ev[1]) q[q.length - 1] = ev;
      else q.push(ev);
      PLAKO.wake();
    },

    wake: function() {
      var w = PLAKO.wakeUp;
      if (!w) return;
      PLAKO.wakeUp = null;
      clearTimeout(PLAKO.timer);
      w();
    },

    // Content pixel of a mouse event on a window's canvas.
    point: function(win, e) {
      var r = win.canvas.getBoundingClientRect();
      var sx = r.width ? win.canvas.width / r.width : 1, sy = r.height ? win.canvas.height / r.height : 1;
      return [Math.floor((e.clientX - r.left) * sx), Math.floor((e.clientY - r.top) * sy)];
    },

    // A window's box on the page, placed among the others by its position on the screen, so the
    // console (along the bottom of the screen) comes below the graphics window.
    makeWindow: function(id, title, y, w, h) {
      var doc = document, root = doc.getElementById('plako-windows') || doc.body;
      var box = doc.createElement('div');
      box.className = 'plako-window';
      box.hidden = true;
      box.plakoY = y;
      var cap = doc.createElement('div');
      cap.className = 'plako-caption';
      var name = doc.createElement('span');
      name.textContent = title;
      var close = doc.createElement('button');
      close.className = 'plako-close';
      close.title = 'Close';
      close.textContent = '\u00d7';
      cap.appendChild(name);
      cap.appendChild(close);
      var canvas = doc.createElement('canvas');
      canvas.width = w;
      canvas.height = h;
      canvas.tabIndex = 0;
      canvas.setAttribute('aria-label', title);
      box.appendChild(cap);
      box.appendChild(canvas);
      var about = null;
      if (title === PLAKO.GRAPHICS) {
        // The picture's accessible text: its description, kept up to date quietly (no live region:
        // only a request announces it).
        about = doc.createElement('div');
        about.id = 'plako-description-' + id;
        about.className = 'plako-hidden';
        canvas.setAttribute('role', 'img');
        canvas.setAttribute('aria-describedby', about.id);
        box.appendChild(about);
      }
      var after = Array.prototype.find.call(root.children, function(b) { return b.plakoY > y; });
      root.insertBefore(box, after || null);
      var win = {id: id, title: title, box: box, canvas: canvas, ctx: canvas.getContext('2d'), image: null, pixels: null,
                 about: about};
      box.plakoWindow = win;
      var K = PLAKO.KIND;
      close.addEventListener('click', function() { PLAKO.push([K.CLOSE, id, 0, 0, 0, 0, 0, 0]); });
      canvas.addEventListener('contextmenu', function(e) { e.preventDefault(); });
      canvas.addEventListener('mousedown', function(e) {
        canvas.focus({preventScroll: true});
        e.preventDefault();
        if (e.button !== 0) return;
        PLAKO.captured = win;
        var p = PLAKO.point(win, e);
        PLAKO.push([K.MOUSE_DOWN, id, p[0], p[1], 1, 0, 0, 0]);
      });
      canvas.addEventListener('mousemove', function(e) {
        if (PLAKO.captured && PLAKO.captured !== win) return;
        var p = PLAKO.point(win, e);
        PLAKO.push([K.MOUSE_MOVE, id, p[0], p[1], (e.buttons & 1) ? 1 : 0, 0, 0, 0]);
      });
      canvas.addEventListener('focus', function() { PLAKO.push([K.FOCUS, id, 0, 0, 0, 0, 0, 0]); });
      canvas.addEventListener('keydown', function(e) {
        var vk = PLAKO.vkOf(e), ch = PLAKO.charOf(e, vk);
        if (!vk && ch) vk = PLAKO.VK_PACKET;  // a character with no key of its own
        if (!vk) return;
        // The page's own shortcuts (Ctrl+R, Ctrl+P, Tab, F3's find...) belong to the program.
        e.preventDefault();
        PLAKO.push([K.KEY_DOWN, id, 0, 0, 0, vk, ch, e.altKey ? 1 : 0]);
        // F3 also says the description aloud (the program prints it to its console).
        if (vk === PLAKO.VK_F3 && !e.repeat && !e.ctrlKey && !e.altKey && !e.shiftKey) PLAKO.announce();
      });
      canvas.addEventListener('keyup', function(e) {
        var vk = PLAKO.vkOf(e);
        if (!vk) return;
        e.preventDefault();
        PLAKO.push([K.KEY_UP, id, 0, 0, 0, vk, 0, e.altKey ? 1 : 0]);
      });
      return win;
    },

    // A left button released anywhere ends the press in the window it began in.
    mouseUp: function(e) {
      var win = PLAKO.captured;
      if (!win || e.button !== 0) return;
      PLAKO.captured = null;
      if (!PLAKO.windows[win.id]) return;
      var p = PLAKO.point(win, e);
      PLAKO.push([PLAKO.KIND.MOUSE_UP, win.id, p[0], p[1], 1, 0, 0, 0]);
    },

    // The window a page control works on: the first one shown on the page.
    target: function() {
      var root = document.getElementById('plako-windows') || document.body, first = null;
      for (var i = 0; i < root.children.length; i++) {
        var win = root.children[i].plakoWindow;
        if (!win) continue;
        if (!win.box.hidden) return win;
        first = first || win;
      }
      return first;
    },

    // Types Ctrl+letter into the window shown first, as a person working the Run menu's accelerators.
    accelerator: function(letter) {
      var win = PLAKO.target();
      if (!win || PLAKO.stats.ended) return;
      var id = win.id, vk = letter.charCodeAt(0), K = PLAKO.KIND;
      PLAKO.queue.push([K.KEY_DOWN, id, 0, 0, 0, 0x11, 0, 0], [K.KEY_DOWN, id, 0, 0, 0, vk, vk - 0x40, 0],
                       [K.KEY_UP, id, 0, 0, 0, vk, 0, 0], [K.KEY_UP, id, 0, 0, 0, 0x11, 0, 0]);
      PLAKO.wake();
    },

    // The graphics window, or the window a page control works on when there is none.
    graphics: function() {
      for (var id in PLAKO.windows)
        if (PLAKO.windows[id].title === PLAKO.GRAPHICS) return PLAKO.windows[id];
      return PLAKO.target();
    },

    // Presses and releases a key without a character (a function key) in the graphics window.
    functionKey: function(vk) {
      var win = PLAKO.graphics();
      if (!win || PLAKO.stats.ended) return;
      var K = PLAKO.KIND;
      PLAKO.queue.push([K.KEY_DOWN, win.id, 0, 0, 0, vk, 0, 0], [K.KEY_UP, win.id, 0, 0, 0, vk, 0, 0]);
      PLAKO.wake();
    },

    // The canvas described in words (lines separated by '\n') as the program has it now, or null
    // when the program cannot be asked: not running, or in the middle of sleeping or waking
    // (Asyncify must not see a call into the program then). Between waits, and while the program
    // sleeps, the state is Normal and the call is an ordinary one that never sleeps.
    describe: function() {
      if (!runtimeInitialized || PLAKO.stats.ended || !PLAKO.graphics()) return null;
      if (Asyncify.state !== Asyncify.State.Normal) return null;
      var size = _replay_describe(0, 0) >>> 0;
      if (size > PLAKO.MAX_DESCRIPTION) size = PLAKO.MAX_DESCRIPTION;  // a runaway length is cut, not allocated
      var buf = _malloc(size + 1);
      if (!buf) return null;
      try {
        _replay_describe(buf, size + 1);
        return UTF8ToString(buf, size);
      } finally {
        _free(buf);
      }
    },

    // Asks the program for its description now and makes it the graphics canvas's accessible text.
    // Returns the text, or null when the program could not be asked.
    refreshDescription: function() {
      clearTimeout(PLAKO.described.timer);
      PLAKO.described.timer = 0;
      var text = PLAKO.describe();
      if (text === null) return null;
      var d = PLAKO.described, win = PLAKO.graphics();
      PLAKO.stats.descriptions++;
      d.at = performance.now();
      d.presents = PLAKO.stats.presents;
      // Only a change touches the page: a screen reader is not disturbed by the same words again.
      if (win && win.about && win.about.textContent !== text) win.about.textContent = text;
      d.text = text;
      return text;
    },

    // Called at a wait: when the picture changed since the description was made, makes it anew,
    // at most once every DESCRIBE_EVERY ms; a change sooner is picked up when that time is up, so
    // the picture a program stops at is always the one described.
    followPicture: function() {
      var d = PLAKO.described;
      if (d.presents === PLAKO.stats.presents || d.timer) return;
      var wait = d.at + PLAKO.DESCRIBE_EVERY - performance.now();
      if (wait <= 0) PLAKO.refreshDescription();
      else d.timer = setTimeout(function() { d.timer = 0; PLAKO.refreshDescription(); }, wait);
    },

    // Says the description through the page's polite live region, on request (Describe, F3).
    announce: function() {
      var text = PLAKO.refreshDescription();
      if (text === null) text = PLAKO.described.text;
      var box = document.getElementById('plako-announce');
      if (!box) return;
      if (!text) text = PLAKO.stats.ended ? 'The program has ended: there is no picture.' : 'There is no picture yet.';
      PLAKO.stats.announced++;
      // Emptied first, so a description the same as the last one is announced again.
      box.textContent = '';
      setTimeout(function() { box.textContent = text; }, 50);
    },

    // Offers each picture the program saved into '/' (plako-001.png...) as a download, once.
    // Called at every wait: a look at one folder's names.
    offerPictures: function() {
      var names, pattern = new RegExp(PLAKO.PICTURE);
      try { names = FS.readdir('/'); } catch (e) { return; }
      for (var i = 0; i < names.length; i++) {
        var name = names[i];
        if (!pattern.test(name) || PLAKO.offered[name]) continue;
        var data;
        try { data = FS.readFile('/' + name); } catch (e) { continue; }
        PLAKO.offered[name] = true;
        var url = URL.createObjectURL(new Blob([data], {type: 'image/png'}));
        var a = document.createElement('a');
        a.href = url;
        a.download = name;
        a.textContent = name;
        // The status line keeps the link, for a browser that holds back a download nobody clicked.
        var line = document.getElementById('plako-status');
        if (line) {
          line.textContent = '';
          line.appendChild(a);
          line.appendChild(document.createTextNode(' saved (a download)'));
        }
        var click = document.createElement('a');
        click.href = url;
        click.download = name;
        document.body.appendChild(click);
        click.click();
        click.remove();
      }
    },

    // Bytes as a string of the same char codes, the way PLAKO.SCR is kept in storage.
    bytesToText: function(bytes) {
      var text = '';
      for (var i = 0; i < bytes.length; i += 8192)
        text += String.fromCharCode.apply(null, Array.from(bytes.subarray(i, i + 8192)));
      return text;
    },

    readScript: function() {
      try { return FS.readFile(PLAKO.SCRIPT, {encoding: 'binary'}); } catch (e) { return null; }
    },

    storageKey: function() { return 'plako:' + (Module['plakoName'] || 'program') + ':PLAKO.SCR'; },

    // Puts PLAKO.SCR into the browser's storage when it changed since the last time. Called at
    // every wait, so a file that was not written since costs one look at its time and size.
    saveScript: function() {
      var st = null;
      try { st = FS.stat(PLAKO.SCRIPT); } catch (e) { return; }
      var stamp = st.mtime.getTime() + ':' + st.size;
      if (stamp === PLAKO.scriptStamp) return;
      PLAKO.scriptStamp = stamp;
      var data = PLAKO.readScript();
      if (!data) return;
      var text = PLAKO.bytesToText(data);
      if (text === PLAKO.scriptSeen) return;
      PLAKO.scriptSeen = text;
      try { localStorage.setItem(PLAKO.storageKey(), text); } catch (e) { /* storage full or refused */ }
    },

    writeScript: function(text) {
      var bytes = new Uint8Array(text.length);
      for (var i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i) & 0xff;
      FS.writeFile(PLAKO.SCRIPT, bytes);
      PLAKO.scriptSeen = text;
    },

    status: function(text) {
      var el = document.getElementById('plako-status');
      if (el) el.textContent = text;
    },

    // Wires the page's controls, restores PLAKO.SCR from storage, and fetches the script the
    // page was opened with (?script=NAME), which then plays as if Playback had been chosen.
    init: function() {
      var params = new URLSearchParams(location.search);
      PLAKO.still = params.get('clock') === 'still' || !!Module['plakoStillClock'];
      window.plako = PLAKO;
      window.addEventListener('mouseup', PLAKO.mouseUp);
      var byId = function(name) { return document.getElementById(name); };
      var on = function(name, letter) {
        var b = byId(name);
        if (b) b.addEventListener('click', function() { PLAKO.accelerator(letter); });
      };
      on('plako-record', 'R');
      on('plako-play', 'P');
      on('plako-play-one', 'O');
      var key = function(name, vk) {
        var b = byId(name);
        if (b) b.addEventListener('click', function() {
          PLAKO.functionKey(vk);
          if (vk === PLAKO.VK_F3) PLAKO.announce();
        });
      };
      key('plako-describe', PLAKO.VK_F3);
      key('plako-inspector', PLAKO.VK_F2);
      key('plako-save-picture', PLAKO.VK_F4);
      // F2, F3 and F4 work anywhere on the page as their buttons do (a window's canvas sends its own
      // keys): the browser's own use of them (F3 finds) never comes.
      var buttons = {F2: 'plako-inspector', F3: 'plako-describe', F4: 'plako-save-picture'};
      window.addEventListener('keydown', function(e) {
        var name = buttons[e.code];
        if (!name || e.ctrlKey || e.altKey || e.shiftKey || e.metaKey) return;
        e.preventDefault();
        if (e.repeat || (e.target && e.target.tagName === 'CANVAS' && e.target.closest('.plako-window'))) return;
        var b = byId(name);
        if (b) b.click();
      });
      var down = byId('plako-download');
      if (down) down.addEventListener('click', function() {
        PLAKO.saveScript();
        var data = PLAKO.readScript();
        if (!data) { PLAKO.status('There is no PLAKO.SCR yet: record one first.'); return; }
        var a = document.createElement('a');
        a.href = URL.createObjectURL(new Blob([data], {type: 'text/plain'}));
        a.download = 'PLAKO.SCR';
        document.body.appendChild(a);
        a.click();
        a.remove();
      });
      var up = byId('plako-upload');
      if (up) up.addEventListener('change', function() {
        var file = up.files && up.files[0];
        if (!file) return;
        if (file.size > PLAKO.MAX_SCRIPT) {
          PLAKO.status(file.name + ' is ' + file.size + ' bytes, more than a script can be (' + PLAKO.MAX_SCRIPT +
                       '): PLAKO.SCR is unchanged.');
          up.value = '';
          return;
        }
        file.arrayBuffer().then(function(buf) {
          var bytes = new Uint8Array(buf), text = PLAKO.bytesToText(bytes);
          PLAKO.writeScript(text);
          PLAKO.saveScript();
          PLAKO.status('PLAKO.SCR loaded from ' + file.name + ' (' + bytes.length + ' bytes): choose Playback to play it.');
          up.value = '';
        });
      });
      var script = params.get('script');
      addOnPreRun(function() {
        var kept = null;
        try { kept = localStorage.getItem(PLAKO.storageKey()); } catch (e) { kept = null; }
        if (kept !== null && !script) PLAKO.writeScript(kept);
        if (!script) return;
        addRunDependency('plako-script');
        fetch(script).then(function(r) {
          if (!r.ok) throw new Error(r.status + ' ' + r.statusText);
          return r.arrayBuffer();
        }).then(function(buf) {
          if (buf.byteLength > PLAKO.MAX_SCRIPT) throw new Error('more than ' + PLAKO.MAX_SCRIPT + ' bytes');
          PLAKO.writeScript(PLAKO.bytesToText(new Uint8Array(buf)));
          PLAKO.autoplay = true;
          PLAKO.status(script + ' is PLAKO.SCR, played through Playback from the start.');
        }).catch(function(err) {
          PLAKO.status('Cannot fetch the script ' + script + ': ' + err.message);
        }).finally(function() { removeRunDependency('plako-script'); });
      });
    },
  },

  plako_web_create__deps: ['$PLAKO'],
  plako_web_create: function(title, y, w, h, resizable) {
    var bytes = [];
    for (var p = title; HEAPU8[p] && bytes.length < 4096; p++) bytes.push(HEAPU8[p]);
    var text = new TextDecoder('windows-1252').decode(new Uint8Array(bytes));
    var id = PLAKO.nextId++;
    PLAKO.windows[id] = PLAKO.makeWindow(id, text, y, w, h);
    return id;
  },

  plako_web_destroy__deps: ['$PLAKO'],
  plako_web_destroy: function(id) {
    var win = PLAKO.windows[id];
    if (!win) return;
    delete PLAKO.windows[id];
    if (PLAKO.captured === win) PLAKO.captured = null;
    PLAKO.queue = PLAKO.queue.filter(function(ev) { return ev[1] !== id; });
    win.box.remove();
  },

  plako_web_show__deps: ['$PLAKO'],
  plako_web_show: function(id, show) {
    var win = PLAKO.windows[id];
    if (!win || win.box.hidden === !show) return;
    win.box.hidden = !show;
    // As on a desktop, a window that appears takes the keyboard focus.
    if (show) win.canvas.focus({preventScroll: true});
    // The script the page came with plays from the moment the program's window shows, before its
    // first wait, as if Playback had been chosen at start.
    if (show && PLAKO.autoplay) {
      PLAKO.autoplay = false;
      PLAKO.accelerator('P');
    }
  },

  plako_web_present__deps: ['$PLAKO'],
  plako_web_present: function(id, px, w, h, stride) {
    var win = PLAKO.windows[id];
    if (!win) return;
    if (win.canvas.width !== w || win.canvas.height !== h) {
      win.canvas.width = w;
      win.canvas.height = h;
    }
    if (!win.image || win.image.width !== w || win.image.height !== h) {
      win.image = win.ctx.createImageData(w, h);
      win.pixels = new Uint32Array(win.image.data.buffer);
    }
    // 0x00RRGGBB words to the canvas's R, G, B, A bytes (a little-endian word 0xAABBGGRR).
    var src = HEAPU32, dst = win.pixels, i = 0;
    for (var y = 0; y < h; y++) {
      var row = (px >> 2) + y * stride;
      for (var x = 0; x < w; x++) {
        var v = src[row + x];
        dst[i++] = 0xff000000 | ((v & 0xff) << 16) | (v & 0xff00) | ((v >> 16) & 0xff);
      }
    }
    win.ctx.putImageData(win.image, 0, 0);
    PLAKO.stats.presents++;
    if (PLAKO.stats.firstFrame < 0 && !win.box.hidden) PLAKO.stats.firstFrame = performance.now();
  },

  plako_web_next__deps: ['$PLAKO'],
  plako_web_next: function(out) {
    var ev = PLAKO.queue.shift();
    if (!ev) return 0;
    for (var i = 0; i < 8; i++) HEAP32[(out >> 2) + i] = ev[i];
    return 1;
  },

  plako_web_pending__deps: ['$PLAKO'],
  plako_web_pending: function() { return PLAKO.queue.length > 0 ? 1 : 0; },

  plako_web_now__deps: ['$PLAKO'],
  plako_web_now: function() { return PLAKO.still ? 0 : (performance.now() >>> 0); },

  plako_web_screen: function(w, h) {
    HEAP32[w >> 2] = window.innerWidth | 0;
    HEAP32[h >> 2] = window.innerHeight | 0;
  },

  // A developer's text (OutputDebugStringA), Windows-1252, to the browser's console.
  plako_web_debug: function(text) {
    var end = text;
    while (HEAPU8[end] && end - text < 65536) end++;
    console.log(new TextDecoder('windows-1252').decode(HEAPU8.slice(text, end)));
  },

  plako_web_wait__deps: ['$PLAKO'],
  plako_web_wait: function(ms) {
    // Waking up calls this again to finish the sleep (Asyncify rewinding): that call must reach
    // handleSleep whatever has arrived since, or the program cannot resume.
    if (Asyncify.state === Asyncify.State.Normal) {
      PLAKO.saveScript();
      PLAKO.offerPictures();
      PLAKO.followPicture();
      if (PLAKO.queue.length) return;
      PLAKO.stats.waits++;
    }
    return Asyncify.handleSleep(function(wakeUp) {
      PLAKO.wakeUp = wakeUp;
      if (ms >= 0) PLAKO.timer = setTimeout(PLAKO.wake, ms);
    });
  },

  plako_web_ended__deps: ['$PLAKO'],
  plako_web_ended: function(code) {
    PLAKO.saveScript();
    PLAKO.offerPictures();
    clearTimeout(PLAKO.described.timer);
    // As when a process ends, its windows go with it.
    Object.keys(PLAKO.windows).forEach(function(id) { PLAKO.windows[id].box.remove(); });
    PLAKO.windows = {};
    PLAKO.queue = [];
    PLAKO.captured = null;
    PLAKO.stats.ended = true;
    PLAKO.stats.exitCode = code;
    PLAKO.status('The program has ended. Reload the page to run it again.');
  },
});
