// Touch-to-ink and mouse-to-ink in the web page: build/web/mirona.html in headless Chromium, a
// freehand stroke begun twenty times with a finger and with the mouse. Each time is from the
// stroke's first pointermove event to the first moment the canvas holds its ink, looked for after
// each pointer event and at each frame. Prints the medians. Run after scripts/web.sh and `npm ci` in web/: node bench/web-ink.mjs
import { launch, openPage } from '../web/tests/browser.mjs';

const kStrokes = 20;
const browser = await launch();
const page = await openPage(browser, { width: 800, height: 600, hasTouch: true });
const box = await (await page.$('#Picture1')).boundingBox();
const cdp = await page.createCDPSession();
await page.evaluate(() => {
  const context = document.getElementById('Picture1').getContext('2d');
  window.inkTimes = [];
  window.watchInk = (x, y) => {
    window.watched = { x, y, start: null };
  };
  // The first move of a watched stroke starts the clock; the canvas is looked at after each
  // pointer event, once the page has handled it, and at each frame. A loop of tasks that looked
  // would hold back the input it waits for.
  const look = (event) => {
    const watched = window.watched;
    if (!watched)
      return;
    if (event?.type === 'pointermove')
      watched.start ??= event.timeStamp;
    if (watched.start !== null && context.getImageData(watched.x, watched.y, 1, 1).data[0] === 0) {
      window.inkTimes.push(performance.now() - watched.start);
      window.watched = null;
    }
  };
  for (const type of ['pointerdown', 'pointermove'])
    addEventListener(type, look);
  const everyFrame = () => {
    look();
    requestAnimationFrame(everyFrame);
  };
  requestAnimationFrame(everyFrame);
});

async function measure(kind) {
  await page.evaluate(() => (window.inkTimes = []));
  for (let i = 0; i < kStrokes; ++i) {
    const x = 20 + 12 * i;
    const y = kind === 'touch' ? 60 : 160;
    await page.evaluate((px, py) => window.watchInk(px, py), x + 3, y);
    const at = (dx) => ({ x: box.x + x + dx, y: box.y + y });
    if (kind === 'touch') {
      await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ ...at(0), id: 1 }] });
      await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: [{ ...at(3), id: 1 }] });
      await page.waitForFunction(() => window.watched === null);
      await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    } else {
      await page.mouse.move(at(0).x, at(0).y);
      await page.mouse.down();
      await page.mouse.move(at(3).x, at(3).y);
      await page.waitForFunction(() => window.watched === null);
      await page.mouse.up();
    }
  }
  const times = (await page.evaluate(() => window.inkTimes)).sort((a, b) => a - b);
  return `${times[kStrokes / 2].toFixed(1)} ms (${times[0].toFixed(1)} to ${times.at(-1).toFixed(1)} ms)`;
}

console.log(`touch to ink: median ${await measure('touch')}`);
console.log(`mouse to ink: median ${await measure('mouse')}`);
await browser.close();
