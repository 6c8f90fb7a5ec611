// The picture kept in the browser, in the single file: a reloaded page comes back as it was
// left, history included. Where storage cannot be used, or holds what cannot be read, the page
// opens blank, draws and says so, and what it could not read stays as it was.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { launch, reload } from './browser.mjs';
import { Session } from './session.mjs';

let browser;
before(async () => (browser = await launch()));
after(() => browser.close());

function notice(page) {
  return page.$eval('#Notice', (element) => (element.hidden ? '' : element.textContent));
}

// The record 'unreadable' in the page's database: written with `bytes`, or read back.
function unreadable(page, bytes) {
  return page.evaluate((bytes) => new Promise((done) => (indexedDB.open('mirona').onsuccess = (event) => {
    const records = event.target.result.transaction('pictures', 'readwrite').objectStore('pictures');
    const request = bytes
      ? records.put({ id: 'unreadable', time: Date.now(), bytes: new Uint8Array(bytes) })
      : records.get('unreadable');
    request.onsuccess = () => done(bytes ?? [...request.result.bytes]);
  })), bytes);
}

test('reloaded at once after drawing, the page shows what was left and undo takes back the last stroke', async () => {
  const session = await Session.open(browser, { width: 500, height: 400 });
  await session.choose('Byoga', 'MenuContLine', 'tool 1');
  await session.choose('Mode', 'Sayu', 'mode 1');
  await session.drag([[30, 40], [200, 90]]);
  await session.drag([[200, 90], [120, 300]]);
  await reload(session.page);
  await session.expectShown(['Sayu', 'MenuContLine']);
  await session.undo();
  await session.expectShown(['Sayu', 'MenuContLine']);
});

test('storage refused: the page draws and says that the picture will not be kept', async () => {
  const session = await Session.open(browser, {
    before: () => (indexedDB.open = () => {
      throw new DOMException('Access to the Indexed Database API is denied in this context.', 'SecurityError');
    }),
  });
  assert.match(await notice(session.page), /絵は消えます/);
  await session.drag([[30, 40], [200, 90]]);
  await session.choose('Byoga', 'MenuBox', 'tool 2');
  await session.expectShown(['JogeSayuNaname', 'MenuBox']);
});

test('a stored picture that cannot be read: the page opens blank, says so, draws, and leaves it as it was', async () => {
  const session = await Session.open(browser);
  const { page } = session;
  const olderFormat = [0x4d, 0x72, 0x6e, 0, 1, 2];
  await unreadable(page, olderFormat);
  await reload(page);
  assert.match(await notice(page), /開けなかった/);
  await session.drag([[30, 40], [200, 90]]);
  await session.expectShown(['JogeSayuNaname', 'MenuFreeLine']);
  await page.waitForFunction(() => performance.getEntriesByName('mirona-store').length > 0);
  assert.deepEqual(await unreadable(page), olderFormat);
});
