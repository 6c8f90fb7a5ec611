// Fingers and pens on the canvas: they draw as the left button does, one stroke at a time,
// without the browser scrolling or zooming; two- and three-finger taps undo and redo; the
// freehand tool draws through every coalesced position.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { launch, onlyIn } from './browser.mjs';
import { bmpPixels, canvasPixels, difference, painted, replay } from './reference.mjs';
import { Session } from './session.mjs';

const kTablet = { width: 800, height: 600, isMobile: true, hasTouch: true };
// Touches, pens and a touch screen's coarse pointer come through the DevTools protocol alone.
const kTouch = { skip: onlyIn('chromium', 'touches, pens and a coarse pointer are emulated through the DevTools protocol') };

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

test('fingers and pens draw what left-button drags draw, with every tool in two modes', kTouch, async () => {
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

test('other fingers during a stroke change nothing, and the page neither scrolls nor zooms', kTouch, async () => {
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

test('two fingers tapped undo and three redo; the tap\'s first finger draws nothing', kTouch, async () => {
  const session = await tabletSession();
  await drag(session, 'touch', [[50, 60], [120, 90]]);
  // A tap's timing is when the page takes each touch, which a store under way would hold up: each
  // tap that changes the picture waits for its store.
  await session.storing(() => drag(session, 'touch', [[70, 200], [80, 150], [160, 170]]));
  const tap = async (fingers, line, stores = true) => {
    // Sent at once, in order: a tap's fingers land within a tap's time however loaded the machine,
    // with no round trip between them.
    const touches = () => Promise.all([
      session.touch('touchStart', [fingers[0]]),
      session.touch('touchMove', [[fingers[0][0] + 6, fingers[0][1] + 4, fingers[0][2]]]),
      session.touch('touchStart', fingers.map(([x, y, id], i) => (i ? [x, y, id] : [x + 6, y + 4, id]))),
      session.touch('touchEnd', fingers),
    ]);
    await (stores ? session.storing(touches) : touches());
    session.lines.push(line);
    await expectReplayed(session, session.lines.slice(-3).join(', '));
  };
  await tap([[200, 100, 1], [260, 120, 2]], 'undo');
  await tap([[200, 100, 1], [260, 120, 2]], 'undo');
  await tap([[200, 100, 1], [260, 120, 2], [300, 160, 3]], 'redo');
  await tap([[200, 100, 1], [260, 120, 2], [300, 160, 3]], 'redo');
  // Nothing is left to redo: the tapping fingers' strokes were never steps.
  await tap([[200, 100, 1], [260, 120, 2], [300, 160, 3]], 'redo', false);
});

test('the freehand tool draws through every coalesced position, the rubber bands through the last', kTouch, async () => {
  const session = await tabletSession();
  await session.page.evaluate(() =>
    document.getElementById('Picture1').addEventListener('pointermove', () => (window.moveEvents += 1)));
  const zigzag = Array.from({ length: 40 }, (_, i) => [40 + 7 * i, 100 + (i % 2 ? 60 : 0)]);
  for (const [t, tool] of [[0, 'MenuFreeLine'], [2, 'MenuBox']]) {
    await session.choose('Byoga', tool, `tool ${t}`);
    await session.page.evaluate(() => (window.moveEvents = 0));
    await session.touch('touchStart', [[30, 90, 1]]);
    await Promise.all(zigzag.map((p) => session.touch('touchMove', [[...p, 1]])));
    await session.touch('touchEnd', [[...zigzag.at(-1), 1]]);
    session.lines.push('down 1 0 30 90', ...zigzag.map((p) => `move 1 0 ${p.join(' ')}`), `up 1 0 ${zigzag.at(-1).join(' ')}`);
    // Fewer events than positions: the pictures are equal only if the page drew through the
    // positions that the events carried coalesced.
    assert.ok(await session.page.evaluate(() => window.moveEvents) < zigzag.length / 2, 'the moves came coalesced');
    await expectReplayed(session, tool);
  }
});

// Whether the canvas holds ink in the `size`-pixel square at (x, y), read at once.
function inkNear(session, [x, y], size = 9) {
  return session.page.evaluate((left, top, side) => document.getElementById('Picture1').getContext('2d')
    .getImageData(left, top, side, side).data.some((value, i) => i % 4 === 0 && value === 0), x - 4, y - 4, size);
}

test('a finger inks at its first move; a second finger soon after takes its stroke back and taps', kTouch, async () => {
  const session = await tabletSession();
  for (const [t, tool] of [[0, 'MenuFreeLine'], [2, 'MenuBox']]) {
    await session.choose('Byoga', tool, `tool ${t}`);
    await drag(session, 'touch', [[40, 50 + 30 * t], [90, 60 + 30 * t]]);
    await session.touch('touchStart', [[200, 200, 1]]);
    await session.touch('touchMove', [[204, 203, 1]]);
    assert.ok(await inkNear(session, [204, 203]), `${tool}: ink as soon as the first move is handled`);
    await session.touch('touchStart', [[204, 203, 1], [300, 250, 2]]);
    await session.touch('touchEnd', [[204, 203, 1], [300, 250, 2]]);
    session.lines.push('undo');
    await expectReplayed(session, `${tool}: the first finger's ink taken back, and the tap undid`);
  }
});

test('a pen stroke with the barrel button that the browser cancels lets go of that button', kTouch, async () => {
  const session = await tabletSession();
  await drag(session, 'pen', [[60, 70], [150, 90]]);
  await session.page.evaluate(() => document.getElementById('Picture1')
    .addEventListener('pointerdown', (event) => (window.penId = event.pointerId)));
  await session.cdp.send('Input.dispatchMouseEvent', {
    type: 'mousePressed', x: session.box.x + 80, y: session.box.y + 120, pointerType: 'pen', button: 'right', buttons: 2, clickCount: 1,
  });
  // As the browser does when it takes the pointer over.
  await session.page.evaluate(() => document.getElementById('Picture1')
    .dispatchEvent(new PointerEvent('pointercancel', { pointerId: window.penId, pointerType: 'pen' })));
  await session.page.keyboard.down('Control');
  await session.page.keyboard.press('z');
  await session.page.keyboard.up('Control');
  session.lines.push('down 2 0 80 120', 'up 2 0 80 120', 'undo');
  await expectReplayed(session, 'undo works after the cancel');
});

test('on a touch screen the bar\'s buttons are 44-pixel targets and the about box shows whole', kTouch, async () => {
  const { page } = await tabletSession();
  for (const id of ['PicturesButton', 'OpenButton', 'Undo', 'Redo']) {
    const box = await (await page.$(`#${id}`)).boundingBox();
    assert.ok(box.width >= 44 && box.height >= 44, `${id}: ${box.width} x ${box.height}`);
  }
  await page.click('#Help');
  await page.click('#Joho');
  assert.ok(await page.$eval('#Form2', (dialog) => dialog.scrollHeight <= dialog.clientHeight &&
    dialog.scrollWidth <= dialog.clientWidth), 'the about box needs no scrolling');
});

test('turned from portrait to landscape and back, the whole canvas stays on screen and every edge draws', kTouch, async () => {
  const session = await tabletSession();
  const { page } = session;
  await page.setViewport({ ...kTablet, width: 600, height: 800 });
  await session.choose('File', 'Hakushi');
  const size = await page.$eval('#Picture1', (canvas) => canvas.width);
  session.lines.push(`new ${size} ${size}`);
  await page.setViewport(kTablet);
  await painted(page);
  const box = await (await page.$('#Picture1')).boundingBox();
  assert.ok(box.y + box.height <= kTablet.height && box.x + box.width <= kTablet.width, 'all on screen');
  // A stroke through three corners, each touch in the middle of its canvas pixel.
  const scale = box.width / size;
  const corners = [[0, size - 1], [size - 1, size - 1], [size - 1, 0]];
  const touchAt = ([x, y]) => ({ x: box.x + (x + 0.5) * scale, y: box.y + (y + 0.5) * scale, id: 1 });
  await session.cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [touchAt(corners[0])] });
  for (const corner of corners.slice(1))
    await session.cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: [touchAt(corner)] });
  await session.cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
  session.lines.push(`down 1 0 ${corners[0].join(' ')}`, ...corners.slice(1).map((p) => `move 1 0 ${p.join(' ')}`),
    `up 1 0 ${corners[2].join(' ')}`);
  await expectReplayed(session, 'landscape');
  await page.setViewport({ ...kTablet, width: 600, height: 800 });
  await painted(page);
  const back = await (await page.$('#Picture1')).boundingBox();
  assert.deepEqual([back.width, back.height], [size, size], 'one to one again');
  await expectReplayed(session, 'portrait again');
});
