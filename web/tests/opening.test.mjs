// 開く, a dropped file and a pasted image open a picture through the browser's decoder, as an
// undo step; a damaged file is refused, naming it and why, and changes nothing; a BMP saved by
// the desktop's code or by the page opens as exactly its pixels.
import assert from 'node:assert/strict';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { engine, launch } from './browser.mjs';
import { bmpPixels, canvasPixels, difference, replay, sharedTexts } from './reference.mjs';
import { fakePicker, Session } from './session.mjs';

const texts = Object.fromEntries(sharedTexts().map(({ name, text }) => [name, text]));

let browser;
let folder;
before(async () => {
  browser = await launch();
  folder = mkdtempSync(join(tmpdir(), 'mirona-opening-'));
});
after(async () => {
  await browser.close();
  rmSync(folder, { recursive: true, force: true });
});

// A picture the desktop's code saves: a canvas of `side` with a line across it.
function desktopBmp(side) {
  const end = `${side - 1} ${Math.floor(side / 3)}`;
  return replay([`new ${side} ${side}`, 'down 1 0 0 0', `move 1 0 ${end}`, `up 1 0 ${end}`]);
}

async function choose(page, name, bytes) {
  const path = join(folder, name);
  writeFileSync(path, bytes);
  // Firefox's and WebKit's drivers catch no file chooser: the file goes to the input that the
  // button clicks.
  if (engine !== 'chromium')
    return (await page.$('#OpenFile')).uploadFile(path);
  const [chooser] = await Promise.all([page.waitForFileChooser(), page.click('#OpenButton')]);
  await chooser.accept([path]);
}

// A file handed to the page as a drop on the canvas or a paste, through a DataTransfer.
function hand(page, how, name, bytes) {
  return page.evaluate((how, name, base64) => {
    const transfer = new DataTransfer();
    const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    transfer.items.add(new File([bytes], name, { type: name.endsWith('.png') ? 'image/png' : 'image/bmp' }));
    const event = how === 'drop'
      ? new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true })
      : new ClipboardEvent('paste', { clipboardData: transfer, bubbles: true, cancelable: true });
    // Firefox gives a paste event that a page makes an empty clipboard of its own.
    if (event.clipboardData !== transfer)
      Object.defineProperty(event, 'clipboardData', { value: transfer });
    document.getElementById(how === 'drop' ? 'Picture1' : 'OpenButton').dispatchEvent(event);
  }, how, name, Buffer.from(bytes).toString('base64'));
}

// Waits for the canvas to show the picture (or for a message), then what it shows.
async function shown(page, width) {
  await page.waitForFunction((w) => document.getElementById('Picture1').width === w ||
    document.getElementById('Message').open, {}, width);
  return canvasPixels(page);
}

test('開く opens the BMP the desktop saves, as it is, at 1, 451 and 2048 px, each an undo step', async () => {
  const { page } = await Session.open(browser);
  if (engine === 'chromium') { // the accessibility tree is read through the DevTools protocol
    const button = await page.accessibility.snapshot({ root: await page.$('#OpenButton') });
    assert.equal(button.name, texts.OpenButton);
  }
  assert.equal(await page.$eval('#OpenFile', (e) => e.accept), 'image/*');
  const pictures = [await canvasPixels(page)];
  for (const side of [1, 451, 2048]) {
    const file = desktopBmp(side);
    await choose(page, `${side}.bmp`, file);
    pictures.push(await shown(page, side));
    assert.equal(difference(pictures.at(-1), bmpPixels(file)), '', `${side} px`);
  }
  for (let i = pictures.length - 1; i > 0; --i) {
    await page.click('#Undo');
    assert.equal(difference(await canvasPixels(page), pictures[i - 1]), '', `undo to ${i - 1}`);
  }
});

test('a BMP the page saved, and the same picture as a PNG, open as they are, dropped or pasted', async () => {
  const session = await Session.open(browser, { before: fakePicker });
  const { page } = session;
  await session.choose('Byoga', 'MenuEllipse', 'tool 3');
  await session.drag([[100, 120], [140, 131], [171, 150]]);
  await page.evaluate(() => (window.pickerAnswer = 'save'));
  await session.choose('File', 'Hozon');
  const saved = Buffer.from(await page.evaluate(() => window.written[0]), 'base64');
  assert.ok(saved.equals(replay(session.lines)), 'the page saves the desktop\'s bytes');
  // The browser's own PNG of it.
  const png = Buffer.from(await page.evaluate(async (base64) => {
    const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    const bitmap = await createImageBitmap(new Blob([bytes], { type: 'image/bmp' }));
    const canvas = document.createElement('canvas');
    [canvas.width, canvas.height] = [bitmap.width, bitmap.height];
    canvas.getContext('2d').drawImage(bitmap, 0, 0);
    const blob = await new Promise((done) => canvas.toBlob(done, 'image/png'));
    return new Promise((done) => {
      const reader = new FileReader();
      reader.onload = () => done(reader.result.split(',')[1]);
      reader.readAsDataURL(blob);
    });
  }, saved.toString('base64')), 'base64');
  for (const [how, name, bytes] of [['drop', 'saved.bmp', saved], ['paste', 'saved.bmp', saved], ['drop', 'saved.png', png]]) {
    await session.storing(() => session.choose('File', 'Hakushi'));
    // The decoder answers later, and the canvas is the same size as before: the picture opened
    // is stored once it is shown.
    await session.storing(() => hand(page, how, name, bytes));
    assert.equal(difference(await canvasPixels(page), bmpPixels(saved)), '', `${name} ${how}`);
  }
});

test('a damaged file is refused, naming it and why, and nothing changes', async () => {
  const { page } = await Session.open(browser);
  const png = Buffer.from('iVBORw0KGgoAAAANSUhEUgAAAAIAAAACCAAAAABX3VL4AAAAEklEQVR4nGP4z8DAwMDAwMAAAA0bAQBn3a5WAAAAAElFTkSuQmCC', 'base64');
  // A GIF's header as it begins, 20 000 pixels wide.
  const huge = Buffer.from('R0lGODlhIE4KAPAAAAAAAP///yH5BAAAAAAALAAAAAABAAEAAAICRAEAOw==', 'base64');
  // The signature of a PNG and then noise: no header at all, whatever sizes its bytes seem to give.
  const noise = Buffer.concat([png.subarray(0, 8), Buffer.from(Array.from({ length: 200 }, (_, i) => (i * 97 + 13) % 256))]);
  const bmp = desktopBmp(40);
  const before = await canvasPixels(page);
  const undoable = await page.$eval('#Undo', (b) => !b.disabled);
  for (const [name, bytes, reason, how] of [
    ['cut.bmp', bmp.subarray(0, 400), texts.OpenBroken, 'choose'],
    ['cut.png', png.subarray(0, 40), texts.OpenBroken, 'drop'],
    ['huge.gif', huge, texts.OpenTooLarge, 'paste'],
    ['noise.png', noise, texts.OpenBroken, 'choose'],
    ['text.bmp', Buffer.from('not a picture'), texts.OpenNotImage, 'choose'],
    ['empty.png', Buffer.alloc(0), texts.OpenNotImage, 'drop'],
  ]) {
    if (how === 'choose')
      await choose(page, name, bytes);
    else
      await hand(page, how, name, bytes);
    await page.waitForSelector('#Message[open]');
    // Its lines as the page breaks them (white-space: pre-line): WebKit's innerText joins them.
    assert.equal(await page.$eval('#MessageText', (e) => e.textContent), `${texts.OpenFailed}\n${name}\n${reason}`);
    await page.click('#MessageOk');
    assert.equal(difference(await canvasPixels(page), before), '', name);
    assert.equal(await page.$eval('#Undo', (b) => !b.disabled), undoable, name);
  }
});
