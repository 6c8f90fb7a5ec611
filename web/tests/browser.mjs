// Debian's Chromium, headless, with the page opened from the disk and the network switched off.
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import puppeteer from 'puppeteer-core';

export const root = fileURLToPath(new URL('../..', import.meta.url));
export const pageFile = process.env.MIRONA_HTML ?? join(root, 'build/web/mirona.html');
export const replayProgram =
  process.env.MIRONA_WEB_REPLAY ?? join(root, 'build/test/web/mirona_web_replay');

export async function launch() {
  const profile = mkdtempSync(join(tmpdir(), 'mirona-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      `--user-data-dir=${profile}`],
  });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    rmSync(profile, { recursive: true, force: true, maxRetries: 5 });
  };
  return browser;
}

// A new tab showing the page, ready to draw: `viewport` as puppeteer's, 800 x 600 CSS pixels
// unless it says otherwise; with touch, a touch screen's coarse pointer. `before` runs in the
// page before its own scripts.
export async function openPage(browser, { before, ...viewport } = {}) {
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600, ...viewport });
  if (viewport.hasTouch)
    await (await page.createCDPSession()).send('Emulation.setEmulatedMedia', {
      features: [{ name: 'pointer', value: 'coarse' }, { name: 'any-pointer', value: 'coarse' }],
    });
  await page.emulateNetworkConditions({ offline: true, download: 0, upload: 0, latency: 0 });
  if (before)
    await page.evaluateOnNewDocument(before);
  await page.goto(pathToFileURL(pageFile).href);
  await page.bringToFront();
  await page.waitForSelector('html[data-ready]');
  return page;
}
