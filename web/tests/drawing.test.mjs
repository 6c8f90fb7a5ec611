// Mouse drags with every tool in every symmetry mode: the page must show, pixel for pixel, the
// picture the native engine draws for the same events, also when a drag leaves the canvas or
// other buttons join in.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { launch } from './browser.mjs';
import { bmpPixels, canvasPixels, difference, replay } from './reference.mjs';
import { Session } from './session.mjs';

const kTools = ['MenuFreeLine', 'MenuContLine', 'MenuBox', 'MenuEllipse'];
const kModes = ['Joge', 'Sayu', 'JogeSayu', 'JogeSayuNaname'];

let browser;
before(async () => (browser = await launch()));
after(() => browser.close());

test('every tool in every mode draws the native engine\'s pixels', async () => {
  const session = await Session.open(browser, { width: 640, height: 480 });
  const size = session.box.width;
  for (const [t, tool] of kTools.entries())
    for (const [m, mode] of kModes.entries()) {
      await session.choose('Byoga', tool, `tool ${t}`);
      await session.choose('Mode', mode, `mode ${m}`);
      const x = 20 + 23 * t + 5 * m;
      const y = 30 + 11 * m + 3 * t;
      // Two strokes (the second goes on a chain of lines), the second out past the canvas's
      // edge, where the captured pointer still draws.
      await session.drag([[x, y], [x + 40, y + 7], [x + 90, y + 35], [x + 61, y + 52]]);
      await session.drag([[x + 61, y + 52], [x + 30, y + 150], [size + 60, y + 80]]);
      // Right and middle buttons, alone and joining a left drag.
      await session.drag([[x + 5, y + 5], [x + 70, y + 20]], 'right');
      await session.move(x + 12, y + 90);
      await session.down('left');
      await session.move(x + 50, y + 120);
      await session.down('middle');
      await session.move(x + 80, y + 100);
      await session.up('left');
      await session.move(x + 95, y + 130);
      await session.up('middle');
      const message = difference(await canvasPixels(session.page), bmpPixels(replay(session.lines)));
      assert.equal(message, '', `${tool} in ${mode}`);
    }
});
