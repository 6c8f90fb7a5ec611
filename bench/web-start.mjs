// The web page's start, in headless Chromium with a mirona.html opened from the disk: from the
// start of navigation (a reload of the tab, which shows a blank page between starts) to the first
// frame with a drawable canvas (the page's "mirona-ready" mark), with the picture the tab keeps
// (1 or 1000 undo steps), at 451 and 2048 px, at full speed and with the CPU slowed six times (as
// a low-end Chromebook). The milestones on the way: the document read (domInteractive), the
// engine made ("mirona-engine"), the kept picture in the engine and shown ("mirona-picture").
// Medians of `loads` reloads. With --before, another build's page is loaded in turn with this
// one, each time in the other order, and its figures are given in brackets.
// Run after scripts/web.sh and `npm ci` in web/:
//   node bench/web-start.mjs [--before build/before-web/mirona.html] [--loads 7] [--sizes 451,2048]
//     [--steps 1,1000]
import { pathToFileURL } from 'node:url';
import { parseArgs } from 'node:util';
import { launch, pageFile } from '../web/tests/browser.mjs';

const { values: options } = parseArgs({
  options: {
    before: { type: 'string' }, loads: { type: 'string', default: '7' },
    sizes: { type: 'string', default: '451,2048' }, steps: { type: 'string', default: '1,1000' },
  },
});
const browser = await launch();
const kStrokesACall = 50;
const kBar = 25; // the menu bar's height: the canvas is the viewport's width
const median = (values) => [...values].sort((a, b) => a - b)[values.length >> 1];
const pages = [['after', pathToFileURL(pageFile).href]];
if (options.before)
  pages.push(['before', pathToFileURL(options.before).href]);

// Reloads the page in its tab, its CPU slowed `rate` times; resolves to its milestones once it is
// ready, and to whether it opened the kept picture. Between its starts the tab shows a blank
// page, so that it does not run beside the other page's start: it opens the page first, then
// reloads it.
async function start(page, url, rate) {
  await page.goto(url);
  await page.waitForSelector('html[data-ready]');
  await page.cdp.send('Emulation.setCPUThrottlingRate', { rate });
  await page.reload();
  await page.waitForSelector('html[data-ready]');
  const times = await page.evaluate(() => {
    const mark = (name) => performance.getEntriesByName(name)[0]?.startTime ?? NaN;
    return {
      read: performance.getEntriesByType('navigation')[0].domInteractive,
      engine: mark('mirona-engine'), picture: mark('mirona-picture'), ready: mark('mirona-ready'),
      kept: !document.getElementById('Undo').disabled,
    };
  });
  await page.cdp.send('Emulation.setCPUThrottlingRate', { rate: 1 });
  await page.goto('about:blank');
  return times;
}

// A tab of a context of its own at the page, with `steps` strokes on the canvas, each an undo
// step, sent as pointer events in the page; resolves once they are stored.
async function keep(url, size, steps) {
  const page = await (await browser.createBrowserContext()).newPage();
  page.cdp = await page.createCDPSession();
  await page.setViewport({ width: size, height: size + kBar });
  await page.goto(url);
  await page.waitForSelector('html[data-ready]');
  // In calls of a few strokes each: no call waits long for the browser's answer.
  for (let first = 0; first < steps; first += kStrokesACall)
    await page.evaluate(async (first, last, size) => {
      const canvas = document.getElementById('Picture1');
      const box = canvas.getBoundingClientRect();
      const send = (type, x, y, buttons) => canvas.dispatchEvent(new PointerEvent(type, {
        clientX: box.left + x, clientY: box.top + y, button: type === 'pointermove' ? -1 : 0, buttons,
        pointerId: 1, pointerType: 'mouse', isPrimary: true, bubbles: true, cancelable: true,
      }));
      for (let i = first; i < last; ++i) {
        const x = Math.round(size * (0.2 + 0.6 * ((i * 37) % 100) / 100));
        const y = Math.round(size * (0.2 + 0.6 * ((i * 61) % 100) / 100));
        send('pointerdown', x, y, 1);
        send('pointermove', x + 9, y + 5, 1);
        send('pointerup', x + 9, y + 5, 0);
        window.lastStroke = performance.now();
        // The page makes a release's undo step after the frame that shows it.
        await new Promise((done) => requestAnimationFrame(() => setTimeout(done)));
      }
    }, first, Math.min(first + kStrokesACall, steps), size);
  // A store begun after the last release holds every step.
  await page.waitForFunction(() => performance.getEntriesByName('mirona-store')
    .some((entry) => entry.startTime >= window.lastStroke), { polling: 100, timeout: 0 });
  await page.goto('about:blank');
  return page;
}

try {
  const head = pages.length > 1 ? ' (before)' : '';
  console.log(`| size | steps | CPU | read${head} | engine${head} | picture${head} | ready${head} |`);
  console.log('|---|---|---|---|---|---|---|');
  for (const size of options.sizes.split(',').map(Number))
    for (const steps of options.steps.split(',').map(Number)) {
      const tabs = new Map();
      for (const [name, url] of pages)
        tabs.set(name, await keep(url, size, steps));
      for (const rate of [1, 6]) {
        const runs = new Map(pages.map(([name]) => [name, []]));
        for (let load = 0; load < Number(options.loads); ++load)
          for (const [name, url] of load % 2 ? [...pages].reverse() : pages) {
            const times = await start(tabs.get(name), url, rate);
            if (!times.kept)
              throw new Error(`${name}: the kept picture of ${steps} steps did not open`);
            runs.get(name).push(times);
          }
        // A build without a milestone's mark has a dash for it.
        const cell = (key) => pages.map(([name]) => median(runs.get(name).map((t) => t[key] ?? NaN)))
          .map((v) => (Number.isNaN(v) ? '–' : v.toFixed(0)))
          .map((v, i) => (i ? ` (${v})` : v)).join('');
        console.log(`| ${size} | ${steps} | ${rate}× | ${cell('read')} | ${cell('engine')} | ${cell('picture')} | ${cell('ready')} ms |`);
      }
      for (const tab of tabs.values())
        await tab.browserContext().close();
    }
} finally {
  await browser.close();
}
