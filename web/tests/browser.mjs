// The browser the tests drive, as MIRONA_BROWSER names it: Debian's Chromium (the default) or
// Firefox ESR, headless through puppeteer (the DevTools protocol, WebDriver BiDi), or WebKitGTK on
// the X display that DISPLAY names, through its WebDriver (webdriver.mjs). The page is the single
// file opened from the disk, with the network switched off where the browser can do that.
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import puppeteer from 'puppeteer-core';
import { launchWebKit } from './webdriver.mjs';

export const root = fileURLToPath(new URL('../..', import.meta.url));
export const pageFile = process.env.MIRONA_HTML ?? join(root, 'build/web/mirona.html');
export const replayProgram =
  process.env.MIRONA_WEB_REPLAY ?? join(root, 'build/test/web/engine/mirona_web_replay');

export const engine = process.env.MIRONA_BROWSER ?? 'chromium';
if (!['chromium', 'firefox', 'webkit'].includes(engine))
  throw new Error(`MIRONA_BROWSER is chromium, firefox or webkit, not ${engine}`);

// For node:test's `skip` option: false in the engines listed, elsewhere why the test cannot run
// there (what only those engines let the tests do).
export function onlyIn(engines, why) {
  return [engines].flat().includes(engine) ? false : `only in ${[engines].flat().join(' and ')}: ${why}`;
}

// `args`: more of Chromium's switches. Elsewhere only names mapped to the loopback
// (`--host-resolver-rules=MAP name 127.0.0.1`) are taken: by Firefox as its localDomains, while
// WebKitGTK cannot map names, so that a test needing one stays out of WebKit.
// No test waits more than this for any answer of the browser's (puppeteer's own limit is three
// minutes).
const kAnswerMs = 30000;

export async function launch({ args = [] } = {}) {
  const local = args.map((arg) => arg.match(/^--host-resolver-rules=MAP (\S+) 127\.0\.0\.1$/)?.[1]);
  if (engine !== 'chromium' && local.includes(undefined))
    throw new Error(`${engine} takes none of these of Chromium's switches: ${args.join(' ')}`);
  if (engine === 'webkit')
    return launchWebKit(pageFile);
  if (engine === 'firefox') {
    return puppeteer.launch({
      browser: 'firefox', executablePath: process.env.FIREFOX ?? '/usr/bin/firefox-esr', headless: true,
      protocolTimeout: kAnswerMs,
      extraPrefsFirefox: local.length ? { 'network.dns.localDomains': local.join(',') } : {},
    });
  }
  const profile = mkdtempSync(join(tmpdir(), 'mirona-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium', protocolTimeout: kAnswerMs,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      `--user-data-dir=${profile}`, ...args],
  });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    rmSync(profile, { recursive: true, force: true, maxRetries: 5 });
  };
  return browser;
}

// A new tab showing the page, ready to draw, in a browser context of its own, so that it starts
// with nothing stored, unless `context` gives one. `viewport` is puppeteer's, 800 x 600 CSS
// pixels unless it says otherwise; with touch, a touch screen's coarse pointer. The page is the
// single file, opened with the network off, unless `url` names another. `before` runs in the page
// before its own scripts, given `beforeArgs`; `requests`, where given, receives the address of every request the
// page makes.
// In WebKit, where nothing can run before the page's scripts, the single file is served on the
// loopback instead, with `before` put first in it (a page given `url` cannot have `before`
// there); a page of the file makes no request anyway, as its Content-Security-Policy forbids
// any, so the network is switched off in Chromium alone.
export async function openPage(browser, { before, beforeArgs = [], url, requests, context, ...viewport } = {}) {
  const page = await (context ?? await browser.createBrowserContext()).newPage();
  if (requests)
    page.on('request', (request) => requests.push(request.url()));
  await page.setViewport({ width: 800, height: 600, ...viewport });
  if (viewport.hasTouch)
    await (await page.createCDPSession()).send('Emulation.setEmulatedMedia', {
      features: [{ name: 'pointer', value: 'coarse' }, { name: 'any-pointer', value: 'coarse' }],
    });
  if (!url && engine === 'chromium')
    await page.emulateNetworkConditions({ offline: true, download: 0, upload: 0, latency: 0 });
  if (engine === 'webkit' && !url && (before || page.browserContext().served)) {
    // Every page of the context from then on, so that they share one origin's storage.
    page.browserContext().served = true;
    url = before ? browser.pageServer.script(before, beforeArgs) : `${browser.pageServer.origin}/`;
  } else if (before && engine === 'webkit') {
    throw new Error('WebKit runs no script before the page\'s own on a page given by its address');
  } else if (before) {
    await page.evaluateOnNewDocument(before, ...beforeArgs);
  }
  await page.goto(url ?? pathToFileURL(pageFile).href);
  await page.bringToFront();
  await page.waitForSelector('html[data-ready]');
  return page;
}

// Reloads the page and waits until it is ready to draw again.
export async function reload(page) {
  await page.reload();
  await page.waitForSelector('html[data-ready]');
}

// Serves `directory` (build/web unless it says otherwise) on a free port of the loopback with
// Python's http.server; resolves to the server, its origin and the requests it answered
// ("GET /path 200").
export async function serve(directory = dirname(pageFile)) {
  const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1',
    '--directory', directory], { stdio: ['ignore', 'pipe', 'pipe'] });
  const answered = [];
  server.stderr.setEncoding('utf8').on('data', (text) => {
    for (const [, request, status] of text.matchAll(/"(\S+ \S+) HTTP\/[\d.]+" (\d+)/g))
      answered.push(`${request} ${status}`);
  });
  server.stdout.setEncoding('utf8');
  let output = '';
  for (;;) {
    const [text] = await once(server.stdout, 'data');
    output += text;
    const port = output.match(/port (\d+)/)?.[1];
    if (port)
      return { server, origin: `http://127.0.0.1:${port}`, answered };
  }
}
