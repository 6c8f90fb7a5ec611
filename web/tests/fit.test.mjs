// The canvas under the menu bar: fitted at start and on 白紙 to the smaller side of the area
// below the bar, one canvas pixel to one CSS pixel, and 白紙 starting a white picture with the
// freehand tool and the eight-image mode.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { engine, launch } from './browser.mjs';
import { bmpPixels, canvasPixels, difference, painted, replay } from './reference.mjs';
import { Session } from './session.mjs';

let browser;
before(async () => (browser = await launch()));
after(() => browser.close());

async function layout(page) {
  await painted(page);
  return page.evaluate(() => {
    const canvas = document.getElementById('Picture1');
    const box = canvas.getBoundingClientRect();
    const bar = document.getElementById('Bar').getBoundingClientRect();
    return {
      pixels: [canvas.width, canvas.height], box: [box.left, box.top, box.width, box.height],
      barBottom: bar.bottom, rendering: getComputedStyle(canvas).imageRendering,
      checked: [...document.querySelectorAll('[aria-checked="true"]')].map((item) => item.id),
    };
  });
}

function expectFitted(shown, width, height) {
  const size = Math.min(width, height - shown.barBottom);
  assert.deepEqual(shown.pixels, [size, size], `${width} x ${height}`);
  assert.deepEqual(shown.box, [0, shown.barBottom, size, size]);
}

test('fitted at start and on 白紙 for several window shapes, crisp on a dense screen', async () => {
  const session = await Session.open(browser, { width: 800, height: 600 });
  const { page } = session;
  expectFitted(await layout(page), 800, 600);
  await session.choose('Byoga', 'MenuBox', 'tool 2');
  await session.choose('Mode', 'Sayu', 'mode 1');
  await session.drag([[40, 50], [300, 200]]);
  // WebKitGTK's window is never narrower than 447 pixels, and its WebDriver gives no other pixel
  // ratio than the screen's.
  for (const [width, height, ratio] of [[460, 760, 1], [700, 500, 2], [600, 630, 1.5]]) {
    await page.setViewport({ width, height, deviceScaleFactor: engine === 'webkit' ? 1 : ratio });
    await session.choose('File', 'Hakushi');
    const shown = await layout(page);
    expectFitted(shown, width, height);
    assert.equal(shown.rendering, 'pixelated');
    assert.deepEqual(shown.checked, ['JogeSayuNaname', 'MenuFreeLine']);
    session.lines.push(`new ${shown.pixels.join(' ')}`);
    assert.equal(difference(await canvasPixels(page), bmpPixels(replay(session.lines))), '');
    await session.drag([[10, 20], [60, 90], [80, 95]]);
  }
});

test('the desktop\'s undo and redo keys take back and redo strokes and 白紙, refitting the canvas', async () => {
  const session = await Session.open(browser, { width: 500, height: 400 });
  const { page } = session;
  await session.choose('Byoga', 'MenuContLine', 'tool 1');
  await session.drag([[30, 40], [200, 90]]);
  await session.drag([[200, 90], [120, 300]]);
  // Lower than the canvas (WebKitGTK's window is never narrower than 447 pixels).
  const [width, height] = [460, 340];
  await page.setViewport({ width, height });
  await session.choose('File', 'Hakushi');
  session.lines.push(`new ${(await layout(page)).pixels.join(' ')}`);
  for (const [keys, line] of [[['Control', 'z'], 'undo'], [['Control', 'z'], 'undo'],
    [['Control', 'y'], 'redo'], [['Control', 'Shift', 'Z'], 'redo'], [['Control', 'Shift', 'Z'], 'redo'],
    [['Control', 'z'], 'undo']]) {
    for (const key of keys)
      await page.keyboard.down(key);
    for (const key of keys.reverse())
      await page.keyboard.up(key);
    session.lines.push(line);
    const expected = bmpPixels(replay(session.lines));
    assert.equal(difference(await canvasPixels(page), expected), '', session.lines.join(', '));
    // Scaled down to the window where the canvas is larger.
    const shown = await layout(page);
    const scale = Math.min(1, width / expected.width, (height - shown.barBottom) / expected.height);
    assert.deepEqual(shown.box.slice(2), [expected.width * scale, expected.height * scale]);
  }
});

test('undo past the start changes nothing; the bar\'s buttons undo and redo while there is a step', async () => {
  const session = await Session.open(browser, { width: 500, height: 400 });
  const { page } = session;
  const buttons = () => page.evaluate(() => ['Undo', 'Redo'].map((id) => document.getElementById(id).disabled));
  const expectPicture = async (what) => {
    assert.equal(difference(await canvasPixels(page), bmpPixels(replay(session.lines))), '', what);
    assert.deepEqual((await layout(page)).box.slice(2), [375, 375], what);
  };
  const names = await page.evaluate(() => ['Undo', 'Redo'].map((id) => document.getElementById(id).ariaLabel));
  assert.deepEqual(names, ['元に戻す', 'やり直す']);
  assert.deepEqual(await buttons(), [true, true]);
  await page.keyboard.down('Control');
  await page.keyboard.press('z');
  await page.keyboard.up('Control');
  session.lines.push('undo');
  await expectPicture('Ctrl+Z at the start');
  await session.drag([[30, 40], [200, 90]]);
  await page.waitForFunction(() => !document.getElementById('Undo').disabled);
  for (const [button, line, after] of [['Undo', 'undo', [true, false]], ['Redo', 'redo', [false, true]]]) {
    await page.click(`#${button}`);
    session.lines.push(line);
    await expectPicture(button);
    assert.deepEqual(await buttons(), after, `after ${button}`);
  }
});

test('a stroke goes on where the pointer is when the window shrinks under it and the canvas is scaled down', async () => {
  const session = await Session.open(browser, { width: 800, height: 600 });
  const { page } = session;
  await session.move(40, 50);
  await session.down();
  await session.move(300, 260);
  await page.setViewport({ width: 460, height: 340 });
  const shown = await layout(page);
  const [left, top, width] = shown.box;
  const scale = width / shown.pixels[0];
  assert.ok(scale < 1, 'scaled down');
  // Whole CSS pixels (WebDriver moves to no others), each on the canvas pixel under it.
  for (const [cssX, cssY] of [[100, 60], [280, 230], [6, 270]]) {
    await page.mouse.move(left + cssX, top + cssY);
    const [x, y] = [Math.floor(cssX / scale), Math.floor(cssY / scale)];
    session.lines.push(`move 1 0 ${x} ${y}`);
    session.at = [x, y];
  }
  await session.up();
  await session.expectShown();
});
