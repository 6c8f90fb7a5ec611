// The web page's event path at the device pixel ratios of Chromebooks and iPads: build/web/
// mirona.html in headless Chromium at 1, 1.25, 1.5, 2 and 3 device pixels a CSS pixel, on canvases
// of 451 and 2048 pixels, the large figures of mirona_bench's EventPath cases (the freehand tool,
// the continuous line, the rectangle and the ellipse in eight images, the pointer swinging between
// two points). The moves are pointermove events sent to the canvas in the page, one after the
// other, after a real press; the page's listener hands each to the engine and paints what
// changed. Also whether the canvas is shown with hard edges, at one CSS pixel a pixel and scaled
// down to a window half its size. Prints, for each case, the time of a
// move (below), the lowest of `rounds` rounds (the ratios in turn forwards and backwards), and the
// most any ratio's figure is of the ratio-1 figure. Run after scripts/web.sh and `npm ci` in web/:
//   node bench/web-dpr.mjs [rounds] [another build's mirona.html]
// With another build's page, it is measured in each round too, in turn before or after this one,
// and its figures are given in brackets.
import { pathToFileURL } from 'node:url';
import { launch } from '../web/tests/browser.mjs';
import { Session } from '../web/tests/session.mjs';

const kRatios = [1, 1.25, 1.5, 2, 3];
const kSizes = [451, 2048];
const kTools = [['FreeLine', 'MenuFreeLine'], ['ContLine', 'MenuContLine'], ['Box', 'MenuBox'],
  ['Ellipse', 'MenuEllipse']];
const kMoves = 300;
const kBatch = 25; // moves timed together: the page's timer counts in steps of 100 µs
const rounds = Number(process.argv[2] ?? 3);
const pages = [['after', undefined]];
if (process.argv[3])
  pages.push(['before', pathToFileURL(process.argv[3]).href]);

// The press and the two points the moves swing between, as bench/Scenario.cpp's large figures.
function stroke(tool, n) {
  const e = n - Math.floor(n / 16);
  if (tool === 'Ellipse') {
    const centre = [Math.floor(n / 2) - 3, Math.floor(n / 2) + 2];
    const far = [centre[0] + Math.round(0.8 * e / 2), centre[1] + Math.round(0.6 * e / 2)];
    return { press: centre, moves: [far, [far[0] + 1, far[1] + 1]] };
  }
  const start = [Math.floor(n / 32), Math.floor(n / 32)];
  const far = [start[0] + e, start[1] + Math.round(0.75 * e)];
  return { press: start, moves: [far, tool === 'FreeLine' ? start : [far[0] + 1, far[1] + 1]] };
}

// A page whose canvas is n pixels square at the ratio: the viewport fits it under the bar.
async function canvasPage(browser, n, ratio, url) {
  const session = await Session.open(browser, { width: n, height: n + 200, deviceScaleFactor: ratio, url });
  const bar = await session.page.evaluate(() => document.getElementById('Bar').offsetHeight);
  await session.page.setViewport({ width: n, height: n + bar, deviceScaleFactor: ratio });
  await session.choose('File', 'Hakushi');
  session.box = await (await session.page.$('#Picture1')).boundingBox();
  const shown = await session.page.evaluate(() => {
    const canvas = document.getElementById('Picture1');
    return { width: canvas.width, rendering: getComputedStyle(canvas).imageRendering };
  });
  if (shown.width !== n)
    throw new Error(`a canvas of ${shown.width} pixels, not ${n}, at ratio ${ratio}`);
  return { session, rendering: shown.rendering };
}

// The time of a move: kMoves moves sent to the canvas in the page one after the other after a
// real press, the median of the mean times of batches of kBatch moves.
async function measure(session, tool, n) {
  const { page } = session;
  const { press, moves } = stroke(tool, n);
  await session.move(...press);
  await page.mouse.down();
  const us = await page.evaluate((moves, count, box, kBatch) => {
    const canvas = document.getElementById('Picture1');
    const send = (i) => {
      const [x, y] = moves[i & 1];
      canvas.dispatchEvent(new PointerEvent('pointermove', {
        clientX: box.x + x, clientY: box.y + y, button: -1, buttons: 1, pointerId: 1,
        pointerType: 'mouse', isPrimary: true, bubbles: true, cancelable: true,
      }));
    };
    for (let i = 0; i < 20; ++i) // warming up
      send(i);
    const batches = [];
    for (let b = 0; b < count / kBatch; ++b) {
      const start = performance.now();
      for (let i = 0; i < kBatch; ++i)
        send(i);
      batches.push((performance.now() - start) * 1000 / kBatch);
    }
    const us = batches.sort((a, b) => a - b)[batches.length >> 1];
    // The moves drew: the figure is on the canvas.
    const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    return pixels.some((v, i) => i % 4 === 0 && v === 0) ? us : NaN;
  }, moves, kMoves, session.box, kBatch);
  if (Number.isNaN(us))
    throw new Error(`${tool} drew nothing on ${n} pixels`);
  await page.mouse.up();
  return us;
}

const browser = await launch();
const best = new Map(); // `${page}` -> `${tool}/${n}` -> ratio -> lowest median, µs
const renderings = new Set();
const halved = []; // the rendering of a 2048-pixel canvas in a 1024-pixel window, by ratio
for (let round = 0; round < rounds; ++round)
  for (const ratio of round % 2 ? [...kRatios].reverse() : kRatios)
    for (const n of kSizes)
      for (const [name, url] of round % 2 ? [...pages].reverse() : pages) {
        const { session, rendering } = await canvasPage(browser, n, ratio, url);
        if (name === 'after')
          renderings.add(`${ratio}: ${rendering}`);
        const cases = best.get(name) ?? new Map();
        best.set(name, cases);
        for (const [tool, item] of kTools) {
          await session.choose('Byoga', item);
          const us = await measure(session, tool, n);
          const row = cases.get(`${tool}/${n}`) ?? new Map();
          row.set(ratio, Math.min(row.get(ratio) ?? Infinity, us));
          cases.set(`${tool}/${n}`, row);
        }
        if (round === 0 && n === 2048 && name === 'after') {
          // The window made half as wide and high: the canvas shown at half a CSS pixel a pixel,
          // hard-edged where that is still one device pixel or more.
          const bar = await session.page.evaluate(() => document.getElementById('Bar').offsetHeight);
          await session.page.setViewport({ width: n / 2, height: n / 2 + bar, deviceScaleFactor: ratio });
          await session.page.waitForFunction((w) =>
            document.getElementById('Picture1').getBoundingClientRect().width <= w, {}, n / 2);
          halved.push(`${ratio}: ${await session.page.evaluate(() =>
            getComputedStyle(document.getElementById('Picture1')).imageRendering)}`);
        }
        await session.page.close();
      }
await browser.close();

console.log(`canvas rendering by ratio: ${[...renderings].join(', ')}`);
console.log(`a 2048-pixel canvas in a window of 1024 CSS pixels: ${halved.join(', ')}\n`);
console.log(`| Case (large) | ${kRatios.map((r) => `${r} µs`).join(' | ')} | most / ratio 1 |`);
console.log(`|---|${kRatios.map(() => '---|').join('')}---|`);
for (const [name, row] of best.get('after')) {
  const ones = row.get(1);
  const most = Math.max(...kRatios.map((r) => row.get(r) / ones));
  const other = best.get('before')?.get(name);
  const cell = (r) => `${row.get(r).toFixed(0)}${other ? ` (${other.get(r).toFixed(0)})` : ''}`;
  console.log(`| ${name} | ${kRatios.map(cell).join(' | ')} | ${most.toFixed(2)} |`);
}
