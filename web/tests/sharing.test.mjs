// 共有 hands the picture in as one small PNG file of exactly the native engine's pixels: to the
// share sheet where the browser shares files (a stubbed navigator.share), otherwise onto the
// clipboard, as Ctrl+C does, and where that is refused into the downloads. A cancelled share says
// nothing; a failed one says why. None of it touches the picture or its history, and a stroke
// in progress is never handed over.
import assert from 'node:assert/strict';
import { mkdtempSync, readdirSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { launch, onlyIn } from './browser.mjs';
import { bmpPixels, canvasPixels, difference, replay, sharedTexts } from './reference.mjs';
import { Session } from './session.mjs';

const texts = Object.fromEntries(sharedTexts().map(({ name, text }) => [name, text]));

let browser;
before(async () => (browser = await launch()));
after(() => browser.close());

// Runs in the page before its scripts: navigator.share as window.shareAnswer says ('share',
// 'cancel' or 'fail'), keeping what it was handed, or no file sharing at all; and pixelsOf(blob),
// an image file decoded by the browser, as RGB bytes with the file's size and PNG bit depth and
// colour type.
function stubs(shares) {
  window.shared = [];
  window.shareAnswer = 'share';
  const share = async (data) => {
    window.shared.push(data);
    if (window.shareAnswer === 'cancel')
      throw new DOMException('Share canceled', 'AbortError');
    if (window.shareAnswer === 'fail')
      throw new DOMException('Permission denied', 'NotAllowedError');
  };
  const canShare = (data) => Array.isArray(data?.files) && data.files.length > 0;
  for (const [name, value] of [['share', share], ['canShare', canShare]])
    Object.defineProperty(Navigator.prototype, name, { configurable: true, value: shares ? value : undefined });
  window.pixelsOf = async (blob) => {
    const bytes = new Uint8Array(await blob.arrayBuffer());
    const bitmap = await createImageBitmap(blob);
    const canvas = Object.assign(document.createElement('canvas'), { width: bitmap.width, height: bitmap.height });
    const context = canvas.getContext('2d');
    context.drawImage(bitmap, 0, 0);
    const rgba = context.getImageData(0, 0, bitmap.width, bitmap.height).data;
    let text = '';
    for (let i = 0; i < rgba.length; i += 4)
      text += String.fromCharCode(rgba[i], rgba[i + 1], rgba[i + 2]);
    return { width: bitmap.width, height: bitmap.height, base64: btoa(text), size: bytes.length, kind: [bytes[24], bytes[25]] };
  };
}

// What `pixelsOf` gives in the page for the blob that `fn(...args)` resolves to there.
async function decoded(page, fn, ...args) {
  const { base64, ...rest } = await page.evaluate(fn, ...args);
  return { ...rest, rgb: Buffer.from(base64, 'base64') };
}

// The picture handed over equals the native engine's after `lines`, and the canvas where given.
async function expectPicture(picture, lines, page) {
  const reference = replay(lines);
  assert.equal(difference(picture, bmpPixels(reference)), '', lines.join(', '));
  if (page)
    assert.equal(difference(picture, await canvasPixels(page)), '');
  return reference;
}

async function draw(session) {
  await session.choose('Byoga', 'MenuEllipse', 'tool 3');
  await session.drag([[100, 120], [140, 131], [171, 150]]);
  await session.choose('Byoga', 'MenuFreeLine', 'tool 0');
  await session.drag([[10, 300], [200, 40], [390, 250], [420, 60]]);
}

// Nothing is said or asked, once the page has run what the share's answer set off.
async function expectSilence(page) {
  await page.evaluate(() => new Promise((done) => setTimeout(done)));
  assert.deepEqual(await page.evaluate(() => ({
    dialog: document.querySelector('dialog[open]')?.id ?? '',
    notice: document.getElementById('Notice').hidden,
  })), { dialog: '', notice: true });
}

test('共有 hands the share sheet one PNG file of the picture; a cancel says nothing, a failure why', async () => {
  const session = await Session.open(browser, { before: stubs, beforeArgs: [true] });
  const { page } = session;
  assert.equal(await page.$eval('#Share', (button) => button.textContent), texts.Share);
  await draw(session);
  const shares = async (count) => {
    await page.waitForFunction((count) => window.shared.length === count, {}, count);
    return page.evaluate(() => {
      const data = window.shared.at(-1);
      return { keys: Object.keys(data), files: data.files.map(({ name, type }) => ({ name, type })) };
    });
  };

  await page.click('#Share');
  const { keys, files } = await shares(1);
  assert.deepEqual(keys, ['files']);
  assert.equal(files.length, 1);
  assert.equal(files[0].type, 'image/png');
  assert.match(files[0].name, /^ミロナ \d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d\.png$/);
  const picture = await decoded(page, () => pixelsOf(window.shared.at(-1).files[0]));
  const bmp = await expectPicture(picture, session.lines, page);
  assert.deepEqual(picture.kind, [1, 0], 'one bit a pixel, greyscale');
  assert.ok(picture.size * 50 < bmp.length, `${picture.size} bytes, the BMP ${bmp.length}`);
  await expectSilence(page);

  await page.evaluate(() => (window.shareAnswer = 'cancel'));
  await page.click('#Share');
  await shares(2);
  await expectSilence(page);

  await page.evaluate(() => (window.shareAnswer = 'fail'));
  await page.click('#Share');
  await page.waitForSelector('#Message[open]');
  assert.equal(await page.$eval('#MessageText', (text) => text.textContent), `${texts.ShareFailed}\n${texts.ShareNotAllowed}`);
  await page.click('#MessageOk');

  // From the list: the picture on the canvas, then, once a new one is begun, the one before.
  await page.evaluate(() => (window.shareAnswer = 'share'));
  const listShare = async (state) => {
    await page.click('#PicturesButton');
    await page.waitForSelector('#Pictures[open]');
    const row = await page.evaluate((state) => 1 + [...document.querySelectorAll('#PictureList .state')]
      .findIndex((span) => span.textContent === state), state);
    assert.ok(row > 0, `a picture marked "${state}"`);
    await page.click(`#PictureList li:nth-child(${row}) button[data-action="Share"]`);
  };
  await listShare(texts.ThisPicture);
  await shares(4);
  await expectPicture(await decoded(page, () => pixelsOf(window.shared.at(-1).files[0])), session.lines);
  await page.click('#NewPicture');
  await page.waitForSelector('#Undo[disabled]');
  await listShare('');
  await shares(5);
  await expectPicture(await decoded(page, () => pixelsOf(window.shared.at(-1).files[0])), session.lines);
  await page.click('#ClosePictures');
});

test('without file sharing, 共有 and Ctrl+C put the PNG on the clipboard, never a stroke in progress, and else download it', {
  skip: onlyIn('chromium', 'the clipboard\'s permission and downloads are the DevTools protocol\'s'),
}, async () => {
  const folder = mkdtempSync(join(tmpdir(), 'mirona-sharing-'));
  try {
    const session = await Session.open(browser, { before: stubs, beforeArgs: [false] });
    const { page } = session;
    const cdp = await page.createCDPSession();
    const browserContextId = page.browserContext().id;
    await cdp.send('Browser.grantPermissions', { permissions: ['clipboardReadWrite', 'clipboardSanitizedWrite'], browserContextId });
    const said = async (text) => {
      await page.waitForFunction((text) => !document.getElementById('Notice').hidden &&
        document.getElementById('Notice').textContent === text, {}, text);
      await page.evaluate(() => (document.getElementById('Notice').hidden = true));
    };
    const clipboard = () => decoded(page, async () => pixelsOf(await (await navigator.clipboard.read())[0].getType('image/png')));
    await draw(session);

    await page.click('#Share');
    await said(texts.Copied);
    await expectPicture(await clipboard(), session.lines, page);

    // Ctrl+C in the middle of a box's drag: the picture from before the press.
    await session.choose('Byoga', 'MenuBox', 'tool 2');
    const before = [...session.lines];
    await session.move(60, 70);
    await session.down();
    await session.move(330, 280);
    await page.keyboard.down('Control');
    await page.keyboard.press('c');
    await page.keyboard.up('Control');
    await said(texts.Copied);
    await expectPicture(await clipboard(), before);
    await session.up();
    await session.expectShown();

    // The clipboard refused: a download under the share's name.
    await cdp.send('Browser.setPermission', {
      permission: { name: 'clipboard-write' }, setting: 'denied', browserContextId,
    });
    await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: folder, eventsEnabled: true, browserContextId });
    const finished = new Promise((done) => cdp.on('Browser.downloadProgress', (e) => e.state === 'completed' && done()));
    await page.click('#Share');
    await said(texts.Downloaded);
    await finished;
    const [name] = readdirSync(folder);
    assert.match(name, /^ミロナ .*\.png$/);
    const bytes = readFileSync(join(folder, name)).toString('base64');
    await expectPicture(await decoded(page, (bytes) =>
      pixelsOf(new Blob([Uint8Array.from(atob(bytes), (c) => c.charCodeAt(0))])), bytes), session.lines);
    await session.undo();
    await session.expectShown();
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
});
