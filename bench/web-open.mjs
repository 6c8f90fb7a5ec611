// What opening a 451 and a 2048 px picture costs in headless Chromium, with build/web/mirona.html opened
// from the disk: from a file dropped on the page until the opened picture is on the canvas
// (the browser's decoder, the pixels into the engine, the engine's picture and the paint), for
// the BMP the desktop's code saves and the same picture as a PNG; the median of nine, at full
// speed and with the CPU slowed six times (as a low-end Chromebook).
// Run after scripts/web.sh and `npm ci` in web/, with mirona_web_replay built:
//   node bench/web-open.mjs
import { launch } from '../web/tests/browser.mjs';
import { replay } from '../web/tests/reference.mjs';
import { Session } from '../web/tests/session.mjs';

const kSides = [451, 2048];
const median = (values) => [...values].sort((a, b) => a - b)[values.length >> 1];

// A drawing of the size, as the desktop's code saves it: lines across, as a pupil's picture has.
function drawing(side) {
  const lines = [`new ${side} ${side}`, 'mode 3'];
  for (let i = 0; i < 16; ++i) {
    const to = `${side - 1 - Math.round(i * side / 51)} ${side - 20}`;
    lines.push(`down 1 0 ${Math.round(i * side / 32)} 10`, `move 1 0 ${to}`, `up 1 0 ${to}`);
  }
  return replay(lines).toString('base64');
}

// Makes the file in the page, once: the BMP's bytes, or the same picture as a PNG.
function makeFile(page, format, bmp) {
  return page.evaluate(async (base64, format) => {
    const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    window.benchFile = new File([bytes], 'picture.bmp', { type: 'image/bmp' });
    if (format === 'PNG') {
      const bitmap = await createImageBitmap(window.benchFile);
      const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
      canvas.getContext('2d').drawImage(bitmap, 0, 0);
      window.benchFile = new File([await canvas.convertToBlob({ type: 'image/png' })], 'picture.png',
        { type: 'image/png' });
    }
  }, bmp, format);
}

// Drops the file on the page and resolves to the milliseconds until the picture is painted.
function openOnce(page, side) {
  return page.evaluate(async (side) => {
    const picture = document.getElementById('Picture1');
    const undo = document.getElementById('Undo');
    const transfer = new DataTransfer();
    transfer.items.add(window.benchFile);
    const start = performance.now();
    picture.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
    await new Promise((done) => {
      const poll = () => (picture.width === side && !undo.disabled ? done() : setTimeout(poll, 0));
      poll();
    });
    await new Promise((done) => requestAnimationFrame(() => done()));
    const elapsed = performance.now() - start;
    undo.click(); // back to the page's own canvas, for the next round
    await new Promise((done) => requestAnimationFrame(() => done()));
    return elapsed;
  }, side);
}

const browser = await launch();
try {
  for (const slowdown of [1, 6]) {
    for (const [side, format] of kSides.flatMap((side) => ['BMP', 'PNG'].map((format) => [side, format]))) {
      const session = await Session.open(browser);
      await makeFile(session.page, format, drawing(side));
      const cdp = await session.page.createCDPSession();
      await cdp.send('Emulation.setCPUThrottlingRate', { rate: slowdown });
      const times = [];
      for (let i = 0; i < 9; ++i)
        times.push(await openOnce(session.page, side));
      console.log(`Open/${format}/${side}/Chromium${slowdown > 1 ? `, CPU / ${slowdown}` : ''}: ` +
        `${median(times).toFixed(1)} ms`);
      await session.page.close();
    }
  }
} finally {
  await browser.close();
}
