// The desktop engine's side of the comparisons: mirona_web_replay, the page's session code
// built natively, run on the same calls the page should have made.
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { replayProgram } from './browser.mjs';

// The texts the page shares with the desktop program, from the native build's table: for each,
// its name (the page's element id), its role (menu, item, radio or other) and the text.
export function sharedTexts() {
  return execFileSync(replayProgram, ['--texts'], { encoding: 'utf8' }).trimEnd().split('\n')
    .map((line) => line.split('\t')).map(([name, role, text]) => ({ name, role, text: text.replaceAll('\\n', '\n') }));
}

// The BMP file the native build writes after `lines` (see web/engine/ReplayMain.cpp).
export function replay(lines) {
  const folder = mkdtempSync(join(tmpdir(), 'mirona-replay-'));
  try {
    writeFileSync(join(folder, 'script'), lines.join('\n') + '\n');
    execFileSync(replayProgram, [join(folder, 'script'), join(folder, 'picture.bmp')], { stdio: 'inherit' });
    return readFileSync(join(folder, 'picture.bmp'));
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}

// The pixels of a 24-bit bottom-up BMP as RGB bytes, top row first.
export function bmpPixels(file) {
  const offset = file.readUInt32LE(10);
  const width = file.readInt32LE(18);
  const height = file.readInt32LE(22);
  const stride = (width * 3 + 3) & ~3;
  const rgb = Buffer.alloc(width * height * 3);
  for (let y = 0; y < height; ++y)
    for (let x = 0; x < width; ++x) {
      const at = offset + (height - 1 - y) * stride + x * 3;
      rgb.set([file[at + 2], file[at + 1], file[at]], (y * width + x) * 3);
    }
  return { width, height, rgb };
}

// Waits until the page has painted what it was given before.
export function painted(page) {
  return page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));
}

// What the page's canvas shows once painted, as RGB bytes.
export async function canvasPixels(page) {
  await painted(page);
  const { width, height, base64 } = await page.evaluate(() => {
    const canvas = document.getElementById('Picture1');
    const rgba = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let text = '';
    for (let i = 0; i < rgba.length; i += 4)
      text += String.fromCharCode(rgba[i], rgba[i + 1], rgba[i + 2]);
    return { width: canvas.width, height: canvas.height, base64: btoa(text) };
  });
  return { width, height, rgb: Buffer.from(base64, 'base64') };
}

// A short account of where two pictures differ, or '' where they are equal.
export function difference(actual, expected) {
  if (actual.width !== expected.width || actual.height !== expected.height)
    return `size ${actual.width} x ${actual.height}, expected ${expected.width} x ${expected.height}`;
  let count = 0;
  let first = -1;
  for (let i = 0; i < actual.rgb.length; i += 3)
    if (actual.rgb.compare(expected.rgb, i, i + 3, i, i + 3) !== 0) {
      count += 1;
      if (first < 0)
        first = i / 3;
    }
  return count ? `${count} pixels differ, the first at (${first % actual.width}, ${Math.floor(first / actual.width)})` : '';
}
