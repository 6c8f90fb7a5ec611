// Fingers and pens on the canvas: they draw as the left button does, one stroke at a time,
// without the browser scrolling or zooming; two- and three-finger taps undo and redo; the
// freehand tool draws through every coalesced position.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { launch } from './browser.mjs';
import { bmpPixels, canvasPixels, difference, replay } from './reference.mjs';
import { Session } from './session.mjs';

const kTablet = { width: 800, height: 600, isMobile: true, hasTouch: true };

let browser;
before(async () => (browser = await launch()));
after(() => browser.close());

// A session whose page takes touches and pen strokes through the DevTools protocol.
async function tabletSession() {
  const session = await Session.open(browser, kTablet);
  session.cdp = await session.page.createCDPSession();
  // Fingers: [x, y, id] in canvas pixels; touchEnd lifts the fingers it names.
  session.touch = (type, fingers) => session.cdp.send('Input.dispatchTouchEvent', {
    type, touchPoints: fingers.map(([x, y, id]) => ({ x: session.box.x + x, y: session.box.y + y, id })),
  });
  session.pen = (type, [x, y], buttons) => session.cdp.send('Input.dispatchMouseEvent', {
    type, x: session.box.x + x, y: session.box.y + y, pointerType: 'pen', button: 'left', buttons, clickCount: 1,
  });
  return session;
}

// A one-finger or pen drag, and the calls it should make: those of a left-button drag.
async function drag(session, kind, points) {
  const [first, ...rest] = points;
  if (kind === 'touch')
    await session.touch('touchStart', [[...first, 1]]);
  else
    await session.pen('mousePressed', first, 1);
  for (const point of rest)
    await (kind === 'touch' ? session.touch('touchMove', [[...point, 1]]) : session.pen('mouseMoved', point, 1));
  await (kind === 'touch' ? session.touch('touchEnd', [[...points.at(-1), 1]]) : session.pen('mouseReleased', points.at(-1), 0));
  session.lines.push(`down 1 0 ${first.join(' ')}`, ...rest.map((p) => `move 1 0 ${p.join(' ')}`),
    `up 1 0 ${points.at(-1).join(' ')}`);
}

async function expectReplayed(session, what) {
  assert.equal(difference(await canvasPixels(session.page), bmpPixels(replay(session.lines))), '', what);
}

test('fingers and pens draw what left-button drags draw, with every tool in two modes', async () => {
  const session = await tabletSession();
  for (const [t, tool] of ['MenuFreeLine', 'MenuContLine', 'MenuBox', 'MenuEllipse'].entries())
    for (const [m, mode] of [[1, 'Sayu'], [3, 'JogeSayuNaname']])
      for (const kind of ['touch', 'pen']) {
        await session.choose('Byoga', tool, `tool ${t}`);
        await session.choose('Mode', mode, `mode ${m}`);
        const x = 30 + 40 * t + (kind === 'pen' ? 9 : 0);
        await drag(session, kind, [[x, 40 + m], [x + 50, 70], [x + 90, 120 + m]]);
        await expectReplayed(session, `${kind}: ${tool} in ${mode}`);
      }
});

test('other fingers during a stroke change nothing, and the page neither scrolls nor zooms', async () => {
  const session = await tabletSession();
  await session.touch('touchStart', [[100, 100, 1]]);
  await session.touch('touchMove', [[140, 120, 1]]);
  // A second finger lands and the two spread apart, as in a pinch; then a third taps.
  await session.touch('touchStart', [[140, 120, 1], [200, 200, 2]]);
  for (let i = 1; i <= 5; ++i)
    await session.touch('touchMove', [[140 - 5 * i, 120 - 5 * i, 1], [200 + 20 * i, 200 + 20 * i, 2]]);
  await session.touch('touchStart', [[115, 95, 1], [300, 300, 2], [60, 300, 3]]);
  await session.touch('touchEnd', [[60, 300, 3]]);
  await session.touch('touchEnd', [[300, 300, 2]]);
  await session.touch('touchMove', [[90, 200, 1]]);
  await session.touch('touchEnd', [[90, 200, 1]]);
  session.lines.push('down 1 0 100 100', 'move 1 0 140 120',
    ...[1, 2, 3, 4, 5].map((i) => `move 1 0 ${140 - 5 * i} ${120 - 5 * i}`), 'move 1 0 90 200', 'up 1 0 90 200');
  await expectReplayed(session, 'the first finger alone');
  assert.deepEqual(await session.page.evaluate(() => [visualViewport.scale, scrollX, scrollY]), [1, 0, 0]);
});

test('two fingers tapped undo and three redo; the tap\'s first finger draws nothing', async () => {
  const session = await tabletSession();
  await drag(session, 'touch', [[50, 60], [120, 90]]);
  await drag(session, 'touch', [[70, 200], [80, 150], [160, 170]]);
  const tap = async (fingers, line) => {
    await session.touch('touchStart', [fingers[0]]);
    await session.touch('touchMove', [[fingers[0][0] + 6, fingers[0][1] + 4, fingers[0][2]]]);
    await session.touch('touchStart', fingers.map(([x, y, id], i) => (i ? [x, y, id] : [x + 6, y + 4, id])));
    await session.touch('touchEnd', fingers);
    session.lines.push(line);
    await expectReplayed(session, session.lines.slice(-3).join(', '));
  };
  await tap([[200, 100, 1], [260, 120, 2]], 'undo');
  await tap([[200, 100, 1], [260, 120, 2]], 'undo');
  await tap([[200, 100, 1], [260, 120, 2], [300, 160, 3]], 'redo');
  await tap([[200, 100, 1], [260, 120, 2], [300, 160, 3]], 'redo');
  // Nothing is left to redo: the tapping fingers' strokes were never steps.
  await tap([[200, 100, 1], [260, 120, 2], [300, 160, 3]], 'redo');
});

test('the freehand tool draws through every coalesced position, the rubber bands through the last', async () => {
  const session = await tabletSession();
  await session.page.evaluate(() => {
    window.moveEvents = 0;
    document.getElementById('Picture1').addEventListener('pointermove', () => (window.moveEvents += 1));
  });
  const zigzag = Array.from({ length: 40 }, (_, i) => [40 + 7 * i, 100 + (i % 2 ? 60 : 0)]);
  for (const [t, tool] of [[0, 'MenuFreeLine'], [2, 'MenuBox']]) {
    await session.choose('Byoga', tool, `tool ${t}`);
    await session.touch('touchStart', [[30, 90, 1]]);
    await Promise.all(zigzag.map((p) => session.touch('touchMove', [[...p, 1]])));
    await session.touch('touchEnd', [[...zigzag.at(-1), 1]]);
    session.lines.push('down 1 0 30 90', ...zigzag.map((p) => `move 1 0 ${p.join(' ')}`), `up 1 0 ${zigzag.at(-1).join(' ')}`);
    await expectReplayed(session, tool);
  }
  assert.ok(await session.page.evaluate(() => window.moveEvents) < 2 * 40, 'the moves came coalesced');
});
