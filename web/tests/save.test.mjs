// 保存 writes the native engine's BMP bytes for the picture, through the browser's save picker
// or, where there is none, as a download under the name typed into the page's dialog; a
// cancel writes nothing and a failure is told in Japanese.
import assert from 'node:assert/strict';
import { mkdtempSync, readdirSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { launch, onlyIn } from './browser.mjs';
import { replay, sharedTexts } from './reference.mjs';
import { fakePicker, Session } from './session.mjs';

const texts = Object.fromEntries(sharedTexts().map(({ name, text }) => [name, text]));

let browser;
before(async () => (browser = await launch()));
after(() => browser.close());

async function drawSomething(session) {
  await session.choose('Byoga', 'MenuEllipse', 'tool 3');
  await session.drag([[100, 120], [140, 131], [171, 150]]);
}

test('the save picker gets the BMP filter and the native engine\'s bytes', async () => {
  const session = await Session.open(browser, { before: fakePicker });
  const { page } = session;
  await drawSomething(session);
  for (const answer of ['cancel', 'fail', 'save']) {
    await page.evaluate((a) => (window.pickerAnswer = a), answer);
    await session.choose('File', 'Hozon');
    const message = await page.evaluate(() =>
      document.getElementById('Message').open ? document.getElementById('MessageText').textContent : '');
    assert.equal(message, answer === 'fail' ? `${texts.SaveFailed}\npicture.bmp\nディスクの空きが足りません。` : '');
    if (message)
      await page.click('#MessageOk');
  }
  const { pickerCalls, written } = await page.evaluate(() => ({ pickerCalls: window.pickerCalls, written: window.written }));
  assert.equal(pickerCalls.length, 3);
  assert.deepEqual(JSON.parse(pickerCalls[0]).types, [{ description: texts.BmpFilter, accept: { 'image/bmp': ['.bmp'] } }]);
  assert.equal(written.length, 1, 'only the third save writes');
  assert.ok(Buffer.from(written[0], 'base64').equals(replay(session.lines)));
});

test('without a picker, the page asks for the name and downloads the bytes under it', {
  skip: onlyIn('chromium', 'downloads are let through and watched by the DevTools protocol'),
}, async () => {
  const folder = mkdtempSync(join(tmpdir(), 'mirona-downloads-'));
  try {
    const session = await Session.open(browser, {
      before: () => Object.defineProperty(window, 'showSaveFilePicker', { value: undefined }),
    });
    const { page } = session;
    const cdp = await page.createCDPSession();
    await cdp.send('Browser.setDownloadBehavior', {
      behavior: 'allow', downloadPath: folder, eventsEnabled: true, browserContextId: page.browserContext().id,
    });
    const finished = new Promise((done) => cdp.on('Browser.downloadProgress', (e) => e.state === 'completed' && done()));
    await drawSomething(session);
    for (const [name, button] of [['cancelled.bmp', 'キャンセル'], ['絵.bmp', '保存']]) {
      await session.choose('File', 'Hozon');
      const dialog = await page.accessibility.snapshot({ root: await page.$('#SaveDialog') });
      assert.equal(dialog.name, texts.SaveTitle);
      assert.equal(await page.$eval('#FileType', (select) => select.selectedOptions[0].text), texts.BmpFilter);
      await page.type('#FileName', name);
      const [choice] = await page.$$(`xpath/.//dialog[@id="SaveDialog"]//button[text()="${button}"]`);
      await choice.click();
    }
    await finished;
    assert.deepEqual(readdirSync(folder), ['絵.bmp']);
    assert.ok(readFileSync(join(folder, '絵.bmp')).equals(replay(session.lines)));
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
});
