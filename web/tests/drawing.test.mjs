// Mouse drags with every tool in every symmetry mode: the page must show, pixel for pixel, the
// picture the native engine draws for the same events, also when a drag leaves the canvas or
// other buttons join in.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { launch, onlyIn } from './browser.mjs';
import { bmpPixels, canvasPixels, difference, replay } from './reference.mjs';
import { Session } from './session.mjs';

const kTools = ['MenuFreeLine', 'MenuContLine', 'MenuBox', 'MenuEllipse'];
const kModes = ['Joge', 'Sayu', 'JogeSayu', 'JogeSayuNaname'];

let browser;
before(async () => (browser = await launch()));
after(() => browser.close());

// Each tool in each mode in turn, with `strokes(session, x, y, size)` drawn in each, starting a
// little further on; the page must show the native engine's picture after each.
async function everyToolInEveryMode(strokes) {
  const session = await Session.open(browser, { width: 640, height: 480 });
  for (const [t, tool] of kTools.entries())
    for (const [m, mode] of kModes.entries()) {
      await session.choose('Byoga', tool, `tool ${t}`);
      await session.choose('Mode', mode, `mode ${m}`);
      await strokes(session, 20 + 23 * t + 5 * m, 30 + 11 * m + 3 * t, session.box.width);
      const message = difference(await canvasPixels(session.page), bmpPixels(replay(session.lines)));
      assert.equal(message, '', `${tool} in ${mode}`);
    }
}

test('every tool in every mode draws the native engine\'s pixels', () => everyToolInEveryMode(async (session, x, y, size) => {
  // Two strokes (the second goes on a chain of lines), the second out past the canvas's edge,
  // where the captured pointer still draws.
  await session.drag([[x, y], [x + 40, y + 7], [x + 90, y + 35], [x + 61, y + 52]]);
  await session.drag([[x + 61, y + 52], [x + 30, y + 150], [size + 60, y + 80]]);
}));

// WebKitGTK's WebDriver releases every button as the left one, and the buttons it has pressed
// stay held for the page.
test('right and middle buttons, alone and joining a left drag, draw the native engine\'s pixels', {
  skip: onlyIn(['chromium', 'firefox'], 'WebKitGTK\'s WebDriver releases every mouse button as the left one'),
}, () => everyToolInEveryMode(async (session, x, y) => {
  await session.drag([[x + 5, y + 5], [x + 70, y + 20]], 'right');
  await session.move(x + 12, y + 90);
  await session.down('left');
  await session.move(x + 50, y + 120);
  await session.down('middle');
  await session.move(x + 80, y + 100);
  await session.up('left');
  await session.move(x + 95, y + 130);
  await session.up('middle');
}));
