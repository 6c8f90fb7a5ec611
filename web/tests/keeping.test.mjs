// The pictures kept in the browser, in the single file: reopened again and again, a page comes
// back as it was left, history included; a stroke cut short leaves nothing of its rubber band,
// on screen or stored; a picture this build cannot read is never touched, and one of the first
// releases' records opens; the list of pictures begins, continues, saves and deletes them.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { engine, launch, onlyIn, reload, root } from './browser.mjs';
import { painted, replay } from './reference.mjs';
import { crash, fakePicker, Session } from './session.mjs';

const kGoldenV1 = join(root, 'tests/golden/snapshot-v1.bin');

let browser;
before(async () => (browser = await launch()));
after(() => browser.close());

function shown(page, id) {
  return page.$eval(`#${id}`, (element) => (element.hidden ? '' : element.textContent));
}

// The list of pictures, opened: each entry's state and which of its buttons can be used.
async function listed(page) {
  if (!(await page.$eval('#Pictures', (dialog) => dialog.open)))
    await page.click('#PicturesButton');
  await page.waitForSelector('#Pictures[open]');
  return page.$$eval('#PictureList li', (items) => items.map((item) => ({
    state: item.querySelector('.state').textContent,
    usable: [...item.querySelectorAll('button')].filter((button) => !button.disabled).map((button) => button.dataset.action),
  })));
}

async function listAction(page, index, action) {
  await page.click(`#PictureList li:nth-child(${index + 1}) button[data-action="${action}"]`);
}

test('reopened again and again, the page shows what was left and undo goes on; persistence is asked for; no console error', async () => {
  const session = await Session.open(browser, {
    width: 500, height: 400,
    before: () => {
      window.persistAsked = 0;
      const persist = navigator.storage.persist.bind(navigator.storage);
      navigator.storage.persist = () => (window.persistAsked += 1, persist());
    },
  });
  const { page } = session;
  const errors = [];
  page.on('console', (message) => message.type() === 'error' && errors.push(message.text()));
  page.on('pageerror', (error) => errors.push(error.message));
  await session.choose('Byoga', 'MenuContLine', 'tool 1');
  await session.choose('Mode', 'Sayu', 'mode 1');
  await session.storing(() => session.drag([[30, 40], [200, 90]]));
  assert.equal(await page.evaluate(() => window.persistAsked), await page.evaluate(() => (navigator.storage?.persist ? 1 : 0)));
  for (const end of [[120, 300], [300, 200], [60, 350]]) {
    await reload(page);
    await session.expectShown(['Sayu', 'MenuContLine']);
    await session.storing(() => session.drag([session.at, end]));
  }
  await reload(page);
  await session.undo();
  await session.undo();
  await session.expectShown(['Sayu', 'MenuContLine']);
  assert.deepEqual(errors, []);
});

test('a release of one button while another is held changes the picture, but the store waits until the stroke ends', {
  skip: onlyIn(['chromium', 'firefox'], 'WebKitGTK\'s WebDriver lets go of the other button of two held'),
}, async () => {
  const session = await Session.open(browser, { width: 500, height: 400 });
  const { page } = session;
  const stores = () => page.evaluate(() => performance.getEntriesByName('mirona-store').length);
  await session.choose('Mode', 'Sayu', 'mode 1');
  await session.choose('Byoga', 'MenuFreeLine', 'tool 0');
  await session.move(100, 100);
  await session.down('left');
  await session.move(150, 120);
  const held = await stores();
  await session.down('right');
  await session.up('right');
  // A change is stored in the task after the frame that shows it: two frames and a task on, the
  // store the release asked for has begun where it was not held back.
  await page.evaluate(async () => {
    for (let frame = 0; frame < 2; ++frame)
      await new Promise((done) => requestAnimationFrame(() => setTimeout(done)));
  });
  assert.equal(await stores(), held);
  await session.storing(() => session.up('left'));
  await reload(page);
  await session.expectShown(['Sayu', 'MenuFreeLine']);
});

// Writes fail, while window.diskFull holds, as Chromium's fail on a full disk: the transaction
// aborts, then the browser closes the connection under the page. window.statusSeen gathers every
// state the lasting status takes ('' while it is hidden).
function fullDisk() {
  const transaction = IDBDatabase.prototype.transaction;
  IDBDatabase.prototype.transaction = function (stores, mode, ...rest) {
    const started = transaction.call(this, stores, mode, ...rest);
    if (window.diskFull && mode === 'readwrite') {
      started.addEventListener('abort', () => setTimeout(() => {
        this.close();
        this.dispatchEvent(new Event('close'));
      }), { once: true });
      Promise.resolve().then(() => started.abort());
    }
    return started;
  };
  window.statusSeen = [];
  addEventListener('DOMContentLoaded', () => {
    const status = document.getElementById('Status');
    new MutationObserver(() => window.statusSeen.push(status.hidden ? '' : status.textContent))
      .observe(status, { attributes: true, childList: true, characterData: true, subtree: true });
  });
}

// Failing writes are made to fail as Chromium's do, and the crash is Chromium's DevTools protocol's.
test('writes failing as on a full disk: the page says so until a try succeeds, tries again on its own once they work, and what was drawn meanwhile survives a crash', {
  skip: onlyIn('chromium', 'writes fail as on its full disk, and only its DevTools protocol crashes a tab'),
}, async () => {
  const session = await Session.open(browser, {
    width: 500, height: 400, before: fullDisk,
  });
  const { page } = session;
  await session.storing(() => session.drag([[30, 40], [200, 90]]));
  await page.evaluate(() => (window.diskFull = true));
  await session.drag([[200, 90], [120, 300]]);
  await page.waitForFunction(() => !document.getElementById('Status').hidden);
  assert.match(await shown(page, 'Status'), /保存されていません/);
  await session.choose('Byoga', 'MenuEllipse', 'tool 3');
  await session.drag([[250, 250], [330, 300]]);
  // Tries that fail meanwhile, the first and two retries.
  await page.waitForFunction(() => performance.getEntriesByName('mirona-store-work').length >= 4, { timeout: 15000 });
  await session.storing(() => page.evaluate(() => (window.diskFull = false)));
  assert.equal(await shown(page, 'Status'), '');
  const seen = await page.evaluate(() => window.statusSeen);
  const failing = seen.slice(seen.findIndex(Boolean));
  assert.ok(failing.length > 1 && failing.at(-1) === '', seen.join(' | '));
  assert.deepEqual(failing.slice(0, -1).filter((text) => !/保存されていません/.test(text)), [], seen.join(' | '));
  await crash(page);
  const next = await Session.open(browser, { context: page.browserContext(), width: 500, height: 400 });
  next.lines = session.lines;
  await next.expectShown(['JogeSayuNaname', 'MenuEllipse']);
});

test('storage refused: the page draws and says that the picture will not be kept', async () => {
  const session = await Session.open(browser, {
    before: () => (indexedDB.open = () => {
      throw new DOMException('Access to the Indexed Database API is denied in this context.', 'SecurityError');
    }),
  });
  assert.match(await shown(session.page, 'Notice'), /絵は消えます/);
  await session.drag([[30, 40], [200, 90]]);
  await session.choose('Byoga', 'MenuBox', 'tool 2');
  await session.expectShown(['JogeSayuNaname', 'MenuBox']);
});

// The page let go of the button where the pointer was when the stroke was cut, the stroke's
// calls beginning at `from`; the mouse's own release, afterwards, is no event of the stroke's.
// WebKit keeps nothing a page writes as it goes away: there, the stroke cut short is not kept.
async function letGoAfterCut(session, from) {
  if (engine === 'webkit')
    session.lines.length = from;
  else
    session.lines.push(`up 1 0 ${session.at.join(' ')}`);
  session.held = 0;
  await session.page.mouse.up();
}

test('a stroke cut short, by leaving the page or reloading it with the button down, leaves no rubber band, on screen or stored', async () => {
  const session = await Session.open(browser, { width: 500, height: 400 });
  const { page } = session;
  await session.choose('Byoga', 'MenuBox', 'tool 2');
  await session.move(40, 50);
  let from = session.lines.length;
  await session.down();
  await session.move(200, 150);
  const address = await page.evaluate(() => location.href);
  await page.goto('about:blank');
  // Back from the back/forward cache; elsewhere puppeteer loses track of a page given back so.
  await (engine === 'chromium' ? page.goBack() : page.goto(address));
  await page.waitForSelector('html[data-ready]');
  await letGoAfterCut(session, from);
  await session.drag([[300, 60], [350, 300]]);
  await session.expectShown(['JogeSayuNaname', 'MenuBox']);

  await session.choose('Byoga', 'MenuContLine', 'tool 1');
  await session.drag([[20, 20], [120, 40]]);
  await session.move(160, 200);
  from = session.lines.length;
  await session.down();
  await session.move(250, 210);
  await reload(page);
  await letGoAfterCut(session, from);
  await session.drag([[250, 210], [90, 330]]);
  await session.expectShown(['JogeSayuNaname', 'MenuContLine']);
  await reload(page);
  await session.expectShown(['JogeSayuNaname', 'MenuContLine']);
});

test('a picture this build cannot read stays untouched through every reopening; one the first releases kept opens', async () => {
  const golden = [...readFileSync(kGoldenV1)];
  const session = await Session.open(browser, {
    width: 500, height: 400,
    // The first releases' database, as they left it.
    before: (bytes) => {
      const opening = indexedDB.open('mirona', 1);
      opening.onupgradeneeded = () => opening.result.createObjectStore('pictures', { keyPath: 'id' })
        .put({ id: 'first', time: 1, bytes: new Uint8Array(bytes) });
      opening.onsuccess = () => opening.result.close();
    },
    beforeArgs: [golden],
  });
  const { page } = session;
  session.lines = [`restore ${kGoldenV1}`];
  await session.expectShown();
  // A picture of a later format, as a later release would write it.
  const later = await page.evaluate(() => new Promise((done) => (indexedDB.open('mirona-2').onsuccess = (event) => {
    const transaction = event.target.result.transaction(['pictures', 'heads'], 'readwrite');
    const scope = location.protocol === 'file:' ? '' : new URL('.', location.href).pathname; // the folder's
    const picture = { id: 'later', scope, format: 9, created: 2, time: Date.now() + 1e6, width: 3, height: 3,
      thumbnail: { width: 1, height: 1, grey: new Uint8Array([0]) } };
    transaction.objectStore('pictures').put(picture);
    transaction.objectStore('heads').put({ id: 'later', format: 9, bytes: new Uint8Array([9, 9, 9]), serials: [7] });
    transaction.oncomplete = () => done(JSON.stringify(picture, (_, value) => (ArrayBuffer.isView(value) ? [...value] : value)));
  })));
  const records = () => page.evaluate(() => Promise.all([['mirona-2', 'pictures', 'later'], ['mirona-2', 'heads', 'later'],
    ['mirona', 'pictures', 'first']].map(([name, store, id]) => new Promise((done) => (indexedDB.open(name).onsuccess = (event) => {
    const request = event.target.result.transaction(store).objectStore(store).get(id);
    request.onsuccess = () => {
      event.target.result.close();
      done(JSON.stringify(request.result, (_, value) => (ArrayBuffer.isView(value) ? [...value] : value)));
    };
  })))));
  const kept = await records();
  assert.equal(kept[0], later);
  assert.equal(kept[2], JSON.stringify({ id: 'first', time: 1, bytes: golden })); // as before the page opened
  for (const end of [[40, 30], [20, 40], [60, 10]]) { // on its canvas of 64 x 48
    await reload(page);
    await session.expectShown();
    await session.storing(() => session.drag([[5, 5], end]));
    assert.deepEqual(await records(), kept);
  }
  assert.deepEqual((await listed(page)).map(({ state }) => state), ['この版では開けません', 'この絵']);
  // A new page skips both: one it cannot read, one open here; it says so and starts afresh.
  const other = await Session.open(browser, { context: page.browserContext(), width: 500, height: 400 });
  assert.match(await shown(other.page, 'Notice'), /開けない絵/);
  await other.storing(() => other.drag([[20, 20], [300, 300]]));
  await other.expectShown();
  assert.deepEqual(await records(), kept);
});

test('絵の一覧: a new picture starts with no history, the other stays; continue, save and delete after confirming', async () => {
  const first = await Session.open(browser, { width: 500, height: 400, before: fakePicker });
  const { page } = first;
  await first.storing(() => first.drag([[30, 40], [200, 90], [220, 300]]));
  await listed(page);
  await page.click('#NewPicture');
  await page.waitForSelector('#Undo[disabled]', { timeout: 5000 });
  const second = Object.assign(Object.create(Session.prototype), { ...first, lines: [first.lines[0]] });
  await second.storing(() => second.drag([[300, 40], [100, 300]]));
  await second.expectShown(['JogeSayuNaname', 'MenuFreeLine']);

  assert.deepEqual(await listed(page), [
    { state: 'この絵', usable: ['Hozon', 'Share', 'DeletePicture'] },
    { state: '', usable: ['ContinuePicture', 'Hozon', 'Share', 'DeletePicture'] },
  ]);
  await listAction(page, 1, 'Hozon');
  await page.waitForFunction(() => window.written.length === 1);
  const [written] = await page.evaluate(() => window.written);
  assert.ok(Buffer.from(written, 'base64').equals(replay(first.lines)));

  await listAction(page, 1, 'ContinuePicture');
  await page.waitForSelector('#Pictures:not([open])');
  await first.expectShown(['JogeSayuNaname', 'MenuFreeLine']);
  await first.storing(() => first.undo());
  await first.expectShown(['JogeSayuNaname', 'MenuFreeLine']);

  const confirm = async (answer) => {
    await page.waitForSelector('#Choice[open]');
    await page.click(`#ChoiceButtons button[value="${answer}"]`);
    await page.waitForSelector('#Choice:not([open])');
  };
  // This picture, changed last, then the second.
  assert.deepEqual((await listed(page)).map(({ state }) => state), ['この絵', '']);
  await listAction(page, 1, 'DeletePicture');
  await confirm('Cancel');
  assert.equal((await listed(page)).length, 2);
  await listAction(page, 1, 'DeletePicture');
  await confirm('DeletePicture');
  await page.waitForFunction(() => document.querySelectorAll('#PictureList li').length === 1);
  assert.deepEqual((await listed(page)).map(({ state }) => state), ['この絵']);
  await page.click('#ClosePictures');
  await reload(page);
  await first.expectShown(['JogeSayuNaname', 'MenuFreeLine']);
});

// A pupil's hand is no quicker than the frame that shows the release.
test('a stroke begun before the page has opened its picture is drawn on it, where it was begun, and kept', async () => {
  const session = await Session.open(browser, {
    width: 500, height: 400,
    // The stroke is sent the moment the store opens, before the page has read what it keeps;
    // the page goes on only afterwards. Once a tab: not again on its reloads.
    before: () => {
      if (sessionStorage.getItem('stroke sent'))
        return;
      sessionStorage.setItem('stroke sent', 'yes');
      const open = IDBFactory.prototype.open;
      IDBFactory.prototype.open = function (name, ...rest) {
        const request = open.call(this, name, ...rest);
        if (name !== 'mirona-2' || window.strokeSent)
          return request;
        window.strokeSent = true;
        let handler = null;
        Object.defineProperty(request, 'onsuccess', { get: () => handler, set: (f) => (handler = f) });
        request.addEventListener('success', (event) => {
          const canvas = document.getElementById('Picture1');
          const box = canvas.getBoundingClientRect();
          for (const [type, x, y, buttons] of [['pointerdown', 30, 40, 1], ['pointermove', 120, 90, 1], ['pointerup', 120, 90, 0]])
            canvas.dispatchEvent(new PointerEvent(type, {
              clientX: box.left + x, clientY: box.top + y, button: type === 'pointermove' ? -1 : 0, buttons,
              pointerId: 1, pointerType: 'mouse', isPrimary: true, bubbles: true, cancelable: true,
            }));
          window.strokeBeforeReady = !document.documentElement.dataset.ready &&
            !performance.getEntriesByName('mirona-picture').length;
          handler?.call(request, event);
        });
        return request;
      };
    },
  });
  const { page } = session;
  assert.equal(await page.evaluate(() => window.strokeBeforeReady), true);
  session.lines.push('down 1 0 30 40', 'move 1 0 120 90', 'up 1 0 120 90');
  await session.expectShown();
  await page.waitForFunction(() => performance.getEntriesByName('mirona-store').length > 0, { polling: 100 });
  for (let i = 0; i < 2; ++i) {
    await reload(page);
    await session.expectShown();
  }
});

test('a stroke released just before a reload, or before the tab is closed, is kept', async () => {
  const session = await Session.open(browser, { width: 500, height: 400 });
  await session.drag([[30, 40], [200, 90], [220, 300]]);
  await painted(session.page);
  await reload(session.page);
  await session.expectShown();
  await session.drag([[300, 40], [100, 300]]);
  await painted(session.page);
  const context = session.page.browserContext();
  await session.page.close();
  const next = await Session.open(browser, { context, width: 500, height: 400 });
  next.lines = session.lines;
  await next.expectShown();
});

// While window.busy holds, a store's check of who has the picture asks again each time it hears
// back, as a page does that has not yet handled an answer when it goes: the store cannot end.
function busyStores() {
  const get = IDBObjectStore.prototype.get;
  IDBObjectStore.prototype.get = function (...args) {
    const request = get.apply(this, args);
    if (window.busy && this.name === 'owners' && this.transaction.mode === 'readwrite') {
      const again = () => window.busy && (get.call(this, '').onsuccess = again);
      request.addEventListener('success', again);
    }
    return request;
  };
}

test('a stroke whose store is still under way when the page is reloaded is kept, and the page goes on with it', {
  skip: onlyIn(['chromium', 'firefox'], 'WebKit drops what a page writes as it goes: there a store that cannot end loses its change'),
}, async () => {
  const session = await Session.open(browser, { width: 500, height: 400, before: busyStores });
  const { page } = session;
  await session.storing(() => session.drag([[30, 40], [200, 90]]));
  await page.evaluate(() => (window.busy = true));
  const since = await page.evaluate(() => performance.now());
  await session.drag([[300, 40], [100, 300]]);
  await page.waitForFunction((since) => performance.getEntriesByName('mirona-store-start')
    .some((entry) => entry.startTime >= since), { polling: 'raf' }, since);
  await reload(page);
  await session.expectShown();
  await session.storing(() => session.drag([[60, 350], [250, 200]]));
  await reload(page);
  await session.expectShown();
});

test('絵の一覧: of three pictures, the middle one deleted; the other two remain, each with its own pixels', async () => {
  const session = await Session.open(browser, { width: 500, height: 400 });
  const { page } = session;
  const blank = session.lines[0];
  const drawn = [];
  for (const [index, stroke] of [[[30, 40], [200, 90]], [[300, 40], [100, 300]], [[60, 350], [250, 200]]].entries()) {
    if (index) {
      await listed(page);
      await page.click('#NewPicture');
      await page.waitForSelector('#Undo[disabled]');
      session.lines = [blank];
    }
    await session.storing(() => session.drag(stroke));
    drawn.push(session.lines);
  }
  assert.equal((await listed(page)).length, 3);
  await listAction(page, 1, 'DeletePicture');
  await page.waitForSelector('#Choice[open]');
  await page.click('#ChoiceButtons button[value="DeletePicture"]');
  await page.waitForFunction(() => document.querySelectorAll('#PictureList li').length === 2);
  await session.expectShown(); // the third, still here
  await listAction(page, 1, 'ContinuePicture');
  await page.waitForSelector('#Pictures:not([open])');
  session.lines = drawn[0];
  await session.expectShown();
});

// Rectangles drawn by a mouse's presses and releases dispatched in the page, each a step: [[x, y]
// of the press, of the release] in canvas pixels.
function strokes(list) {
  const canvas = document.getElementById('Picture1');
  const box = canvas.getBoundingClientRect();
  const fire = (type, [x, y], buttons) => canvas.dispatchEvent(new PointerEvent(type, {
    clientX: box.left + x + 0.5, clientY: box.top + y + 0.5, button: 0, buttons, pointerId: 1,
    pointerType: 'mouse', isPrimary: true, bubbles: true, cancelable: true,
  }));
  for (const [from, to] of list) {
    fire('pointerdown', from, 1);
    fire('pointerup', to, 0);
  }
}

test('a history driven past its limit of steps, then reopened: the newest steps undo exactly, and nothing the history let go stays stored', async () => {
  const session = await Session.open(browser, { width: 640, height: 640 });
  const { page } = session;
  await session.choose('Byoga', 'MenuBox', 'tool 2');
  // Small squares apart from one another and from each other's mirror images (below the
  // diagonal, in the upper left quarter): each changes pixels, and so is a step.
  const list = [];
  for (let b = 1; list.length < 1010; ++b)
    for (let a = 0; a < b && list.length < 1010; ++a)
      list.push([[4 * a, 4 * b], [4 * a + 1, 4 * b + 1]]);
  // Stored halfway, so that the history lets go of steps already stored.
  await session.storing(() => page.evaluate(strokes, list.slice(0, 500)));
  await session.storing(() => page.evaluate(strokes, list.slice(500)));
  for (const [from, to] of list)
    session.lines.push(`down 1 0 ${from.join(' ')}`, `up 1 0 ${to.join(' ')}`);
  await session.expectShown();
  const stored = () => page.evaluate(() => new Promise((done) => (indexedDB.open('mirona-2').onsuccess = (event) => {
    const transaction = event.target.result.transaction(['heads', 'steps']);
    const found = {};
    transaction.objectStore('heads').getAll().onsuccess = (got) => (found.serials = got.target.result.map((head) => head.serials));
    transaction.objectStore('steps').getAllKeys().onsuccess = (got) => (found.keys = got.target.result.map(([, serial]) => serial));
    transaction.oncomplete = () => {
      event.target.result.close();
      done(found);
    };
  })));
  const { serials: [serials], keys } = await stored();
  assert.equal(serials.length, 1000);
  assert.deepEqual([...keys].sort((a, b) => a - b), [...serials].sort((a, b) => a - b));
  await reload(page);
  for (let i = 0; i < 3; ++i)
    await session.undo();
  await session.expectShown();
});
