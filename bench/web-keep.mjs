// What keeping pictures in the browser costs, in headless Chromium, with build/web/mirona.html
// opened from the disk, at 451 and 2048 px with 100 and 1000 undo steps, at full speed and with
// the CPU slowed six times (as a low-end Chromebook):
//  - a store's main-thread work (the engine's records and the transaction's requests), the
//    median of ten stores, each after one more stroke;
//  - opening the page with that picture (start of navigation to the first frame with a drawable
//    canvas), the median of five reloads;
//  - the ink delay of a stroke begun 50 ms after a release, from its first move to the first
//    moment the canvas holds its ink, with storing on and with storage refused; the median of ten.
// Run after scripts/web.sh and `npm ci` in web/: node bench/web-keep.mjs [sizes...]
import { launch, reload } from '../web/tests/browser.mjs';
import { Session } from '../web/tests/session.mjs';

const kBar = 25; // the menu bar's height: the canvas is the viewport's width
const median = (values) => [...values].sort((a, b) => a - b)[values.length >> 1];
const pause = (ms) => new Promise((done) => setTimeout(done, ms));
const refused = () => (indexedDB.open = () => {
  throw new DOMException('refused', 'SecurityError');
});

// Short strokes in the middle of the canvas, each an undo step.
async function strokes(session, count, size) {
  for (let i = 0; i < count; ++i) {
    const x = Math.round(size * (0.2 + 0.6 * ((i * 37) % 100) / 100));
    const y = Math.round(size * (0.2 + 0.6 * ((i * 61) % 100) / 100));
    await session.drag([[x, y], [x + 9, y + 5]]);
  }
}

// Watches for the ink of the next stroke at canvas pixel (x, y); resolves, once watching, to a
// function that resolves to the milliseconds from the stroke's first move until the canvas
// showed it. The page paints in the pointer event's own task, so the canvas is looked at after
// each pointer event has reached the page's handlers, and the page is left to itself in between
// (a loop looking at it would hold back its input).
async function watchInk(page, x, y) {
  await page.evaluate((x, y) => {
    window.ink = new Promise((done) => {
      const context = document.getElementById('Picture1').getContext('2d');
      let start = null;
      const look = (event) => {
        start ??= event.timeStamp;
        if (context.getImageData(x, y, 1, 1).data[0] !== 0)
          return;
        for (const type of ['pointermove', 'pointerdown'])
          removeEventListener(type, look);
        done(performance.now() - start);
      };
      for (const type of ['pointermove', 'pointerdown'])
        addEventListener(type, look);
    });
  }, x, y);
  return () => page.evaluate(() => window.ink);
}

async function inkDelays(session, size) {
  const delays = [];
  for (let i = 0; i < 10; ++i) {
    const y = Math.round(size * 0.1) + 4 * i;
    await session.drag([[20, y], [60, y]]);
    await pause(50);
    const ink = await watchInk(session.page, 43, y + 2);
    await session.move(40, y + 2);
    await session.down();
    await session.move(46, y + 2);
    delays.push(await ink());
    await session.up();
    await pause(300);
  }
  return median(delays);
}

const browser = await launch();
try {
  console.log('| size | steps | CPU | store (main thread) | open | ink, storing | ink, storage refused |');
  console.log('|---|---|---|---|---|---|---|');
  for (const size of process.argv.length > 2 ? process.argv.slice(2).map(Number) : [451, 2048])
    for (const steps of [100, 1000]) {
      const viewport = { width: size, height: size + kBar };
      const session = await Session.open(browser, viewport);
      const off = await Session.open(browser, { ...viewport, before: refused });
      const { page } = session;
      await strokes(session, steps, size);
      await pause(2000);
      for (const rate of [1, 6]) {
        for (const each of [session, off])
          await (await each.page.createCDPSession()).send('Emulation.setCPUThrottlingRate', { rate });
        const stores = [];
        for (let i = 0; i < 10; ++i) {
          await session.storing(() => strokes(session, 1, size));
          stores.push(await page.evaluate(() => performance.getEntriesByName('mirona-store-work').at(-1).duration));
        }
        const opens = [];
        for (let i = 0; i < 5; ++i) {
          await reload(page);
          opens.push(await page.evaluate(() => performance.getEntriesByName('mirona-ready')[0].startTime));
        }
        const [on, offDelay] = [await inkDelays(session, size), await inkDelays(off, size)];
        console.log(`| ${size} | ${steps} | ${rate}× | ${median(stores).toFixed(2)} ms | ${median(opens).toFixed(0)} ms | ` +
          `${on.toFixed(1)} ms | ${offDelay.toFixed(1)} ms |`);
      }
      await session.page.browserContext().close();
      await off.page.browserContext().close();
    }
} finally {
  await browser.close();
}
