// What keeping the picture in the browser costs, in headless Chromium, with build/web/mirona.html
// opened from the disk: storing a 2048 px picture with a hundred-step history (from the start of
// a store to its transaction's end, the median of ten), opening the page with it, and opening
// with a stored 451 px picture against opening with nothing stored (ten reloads each, the median
// time from the start of navigation to the first frame with a drawable canvas); and a stroke's
// move steps, with storing and with storage refused (the mean time of the page's pointer-move
// handling over 20 freehand strokes of 100 moves on 2048 px, each stroke's store left to run
// before the next).
// Run after scripts/web.sh and `npm ci` in web/: node bench/web-keep.mjs
import { launch, reload } from '../web/tests/browser.mjs';
import { Session } from '../web/tests/session.mjs';

const kRuns = 10;
const kBar = 25; // the menu bar's height: the canvas is the viewport's width
const median = (values) => values.sort((a, b) => a - b)[values.length >> 1];

async function ready(page) {
  await reload(page);
  return page.evaluate(() => performance.getEntriesByName('mirona-ready')[0].startTime);
}

// A page of `size` px with `strokes` large ellipses drawn, each an undo step, all stored.
async function drawn(browser, size, strokes) {
  const session = await Session.open(browser, { width: size, height: size + kBar });
  await session.choose('Byoga', 'MenuEllipse');
  for (let i = 0; i < strokes; ++i) {
    const at = (share) => Math.round(size * share);
    await session.drag([[at(0.5), at(0.5)], [at(0.1 + (i % 10) * 0.03), at(0.2 + (i % 7) * 0.04)]]);
  }
  await new Promise((done) => setTimeout(done, 2000)); // the last store done
  return session;
}

// The mean time the page spends on a pointer move, from the first listener to the canvas's own.
async function moveCost(browser, options) {
  const session = await Session.open(browser, { width: 2048, height: 2048 + kBar, ...options });
  const { page } = session;
  await page.evaluate(() => {
    window.moveTimes = [];
    let start = 0;
    addEventListener('pointermove', () => (start = performance.now()), true);
    document.getElementById('Picture1').addEventListener('pointermove', () =>
      window.moveTimes.push(performance.now() - start));
  });
  for (let stroke = 0; stroke < 20; ++stroke) {
    const points = Array.from({ length: 101 }, (_, i) =>
      [200 + 16 * i, 1000 + Math.round(800 * Math.sin((i + stroke) / 7))]);
    await session.drag(points);
    await new Promise((done) => setTimeout(done, 300));
  }
  const times = await page.evaluate(() => window.moveTimes);
  return (1000 * times.reduce((sum, time) => sum + time, 0)) / times.length;
}

const browser = await launch();
try {
  const large = await drawn(browser, 2048, 100);
  const { page } = large;
  const durations = [];
  for (let run = 0; run < kRuns; ++run) {
    const count = await page.evaluate(() => performance.getEntriesByName('mirona-store').length);
    await large.choose('Mode', run % 2 ? 'Sayu' : 'Joge');
    await page.waitForFunction((count) => performance.getEntriesByName('mirona-store').length > count, {}, count);
    durations.push(await page.evaluate(() => performance.getEntriesByName('mirona-store').at(-1).duration));
  }
  const bytes = await page.evaluate(() => new Promise((done) => (indexedDB.open('mirona').onsuccess = (event) =>
    event.target.result.transaction('pictures').objectStore('pictures').getAll().onsuccess = (got) =>
      done(got.target.result.reduce((sum, record) => sum + record.bytes.length, 0)))));
  const largeOpen = [];
  for (let run = 0; run < kRuns; ++run)
    largeOpen.push(await ready(page));
  console.log(`2048 px, 100 steps (${bytes} bytes stored): store ${median(durations).toFixed(1)} ms, ` +
    `open ${median(largeOpen).toFixed(1)} ms`);

  const small = await drawn(browser, 451, 20);
  const blank = await Session.open(browser, { width: 451, height: 451 + kBar });
  const withPicture = [];
  const without = [];
  for (let run = 0; run < kRuns; ++run) {
    withPicture.push(await ready(small.page));
    without.push(await ready(blank.page));
  }
  console.log(`451 px: open with a stored picture ${median(withPicture).toFixed(1)} ms, without ` +
    `${median(without).toFixed(1)} ms (${(median(withPicture) / median(without)).toFixed(2)} times)`);

  const refused = () => (indexedDB.open = () => {
    throw new DOMException('refused', 'SecurityError');
  });
  const [on, off] = [await moveCost(browser, {}), await moveCost(browser, { before: refused })];
  console.log(`a stroke's move on 2048 px: ${on.toFixed(0)} µs storing, ${off.toFixed(0)} µs with ` +
    'storage refused');
} finally {
  await browser.close();
}
