// The served app's pictures, from a real web server: two pages at once, on a secure origin and on
// plain HTTP, keep both pictures; two copies of the app on one server are two apps with pictures
// of their own; a new release is taken through 更新 with the picture kept, and on plain HTTP the
// files of two releases never mix; on an iPad outside the home screen the app says once what
// keeps its pictures.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { cpSync, existsSync, mkdirSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { engine, launch, onlyIn, pageFile, reload, root, serve } from './browser.mjs';
import { Session } from './session.mjs';

const kPlainHost = 'mirona.test'; // the loopback under a name: an origin that is not secure
const kSite = join(pageFile, '..', 'site');

let browser;
let folder;
before(async () => {
  browser = await launch({ args: [`--host-resolver-rules=MAP ${kPlainHost} 127.0.0.1`] });
  folder = mkdtempSync(join(tmpdir(), 'mirona-served-'));
});
after(async () => {
  await browser.close();
  rmSync(folder, { recursive: true, force: true });
});

// The list of pictures, opened: each entry's state.
async function listed(page) {
  if (!(await page.$eval('#Pictures', (dialog) => dialog.open)))
    await page.click('#PicturesButton');
  await page.waitForSelector('#Pictures[open]');
  return page.$$eval('#PictureList .state', (states) => states.map((state) => state.textContent));
}

async function closeList(page) {
  await page.click('#ClosePictures');
}

test('two pages at once, on a secure origin and on plain HTTP: each keeps its own picture; one takes the other\'s over, which then keeps what it draws as a new picture', async () => {
  const { server, origin } = await serve();
  try {
    // WebKitGTK maps no name to the loopback: there, the secure origin alone.
    const origins = [[origin, true], ...(engine === 'webkit' ? [] : [[origin.replace('127.0.0.1', kPlainHost), false]])];
    for (const [host, secure] of origins) {
      const context = await browser.createBrowserContext();
      const open = () => Session.open(browser, { url: `${host}/site/`, context, width: 500, height: 400 });
      const first = await open();
      assert.equal(await first.page.evaluate(() => isSecureContext), secure);
      const notice = (session) => session.page.$eval('#Notice', (element) => (element.hidden ? '' : element.textContent));
      assert.equal(/HTTPS/.test(await notice(first)), !secure); // said once, not on every page
      await first.storing(() => first.drag([[30, 40], [200, 90]]));
      const second = await open();
      assert.doesNotMatch(await notice(second), /HTTPS/);
      await second.expectShown(); // not the first page's picture: a new one
      await second.storing(() => second.drag([[300, 40], [100, 300]]));
      assert.deepEqual(await listed(second.page), ['この絵', 'ほかのページで開いています']);

      await second.page.click('#PictureList li:nth-child(2) button[data-action="ContinuePicture"]');
      await second.page.waitForSelector('#Choice[open]');
      await second.page.click('#ChoiceButtons button[value="ContinueHere"]');
      await second.page.waitForSelector('#Pictures:not([open])');
      second.lines = [...first.lines];
      await second.expectShown();
      await first.page.waitForFunction(() => !document.getElementById('Status').hidden);
      await first.storing(() => first.drag([[50, 300], [200, 350]]));
      assert.equal(await first.page.$eval('#Status', (status) => status.hidden), true);
      await first.page.close();
      await second.page.close();

      // A page opened later opens the picture changed last: the first page's own, now.
      const third = await open();
      third.lines = first.lines;
      await third.expectShown();
      assert.deepEqual(await listed(third.page), ['この絵', '', '']);
      await context.close();
    }
  } finally {
    server.kill();
  }
});

// The app's identity as browsers take it from the manifest: its id, resolved against the start
// address's origin, or else the start address.
async function appId(page) {
  const { url, manifest } = await page.evaluate(async () => {
    const url = document.querySelector('link[rel="manifest"]').href;
    return { url, manifest: await (await fetch(url)).json() };
  });
  const start = new URL(manifest.start_url, url);
  return manifest.id === undefined ? start.href : new URL(manifest.id, start.origin).href;
}

test('two copies of the app on one server are two apps, each with pictures of its own', async () => {
  for (const copy of ['art/mirona', 'art/mirona-5'])
    cpSync(kSite, join(folder, copy), { recursive: true });
  const { server, origin } = await serve(folder);
  try {
    const context = await browser.createBrowserContext();
    const ids = [];
    for (const copy of ['art/mirona', 'art/mirona-5']) {
      const session = await Session.open(browser, { url: `${origin}/${copy}/`, context, width: 500, height: 400 });
      assert.deepEqual(await listed(session.page), []);
      await closeList(session.page);
      await session.storing(() => session.drag([[30, 40], [200, 90]]));
      ids.push(await appId(session.page));
    }
    assert.deepEqual(ids, [`${origin}/art/mirona/`, `${origin}/art/mirona-5/`]);
    await context.close();
  } finally {
    server.kill();
  }
});

// Builds another release of the served app, with a style sheet that differs, into `out`.
let nextRelease = null;
function buildRelease(out) {
  const sources = join(folder, 'sources');
  mkdirSync(out, { recursive: true });
  cpSync(join(root, 'web'), sources, { recursive: true, filter: (path) => !/node_modules|tests/.test(path) });
  writeFileSync(join(sources, 'mirona.css'), `${readFileSync(join(sources, 'mirona.css'), 'utf8')}\n/* the next release */\n`);
  execFileSync(process.execPath, [join(sources, 'build-page.mjs'), join(sources, 'index.html'),
    join(root, 'build/wasm/web/engine/mirona-engine.js'), join(root, 'packaging/jp.mirona.Mirona.svg'), out]);
  return join(out, 'site');
}

test('a new release: the page offers it, 更新 keeps the picture', async () => {
  const next = nextRelease ??= buildRelease(join(folder, 'next'));
  cpSync(kSite, join(folder, 'app'), { recursive: true });
  const { server, origin } = await serve(folder);
  try {
    const context = await browser.createBrowserContext();
    const session = await Session.open(browser, { url: `${origin}/app/`, context, width: 500, height: 400 });
    const { page } = session;
    await page.evaluate(() => navigator.serviceWorker.ready);
    await reload(page); // now under the first release's worker
    await session.storing(() => session.drag([[30, 40], [200, 90]]));
    cpSync(next, join(folder, 'app'), { recursive: true }); // over the old files, as a teacher would
    await page.evaluate(() => navigator.serviceWorker.getRegistration().then((registration) => registration.update()));
    await page.waitForSelector('#Update:not([hidden])', { timeout: 15000 });
    await page.evaluate(() => (window.oldRelease = true));
    await page.click('#UpdateButton');
    await page.waitForFunction(() => !window.oldRelease && document.documentElement.dataset.ready);
    await session.expectShown();
    const sheet = await page.$eval('link[rel="stylesheet"]', (link) => link.getAttribute('href'));
    assert.ok(existsSync(join(next, sheet)), sheet);
    await context.close();
  } finally {
    server.kill();
  }
});

test('on plain HTTP the files of two releases never mix', {
  skip: onlyIn(['chromium', 'firefox'], 'WebKitGTK maps no name to the loopback'),
}, async () => {
  const next = nextRelease ??= buildRelease(join(folder, 'next'));
  cpSync(kSite, join(folder, 'plain'), { recursive: true });
  const { server, origin } = await serve(folder);
  const fileOf = (release, name) => (existsSync(join(release, name)) ? readFileSync(join(release, name)) : null);
  try {
    const context = await browser.createBrowserContext();
    // No worker, only the browser's cache, which the server's Last-Modified leaves to guess.
    // Whatever it serves, the page and every file it loads are of one release.
    const plain = await Session.open(browser, {
      url: `${origin.replace('127.0.0.1', kPlainHost)}/plain/`, context, width: 500, height: 400,
    });
    cpSync(next, join(folder, 'plain'), { recursive: true });
    const loaded = [];
    plain.page.on('response', (response) => response.url().startsWith('http') && loaded.push(response.buffer()
      .then((body) => [new URL(response.url()).pathname.split('/').at(-1) || 'index.html', body], () => null)));
    await reload(plain.page);
    const files = (await Promise.all(loaded)).filter(Boolean);
    const releases = [kSite, next].filter((release) =>
      files.every(([name, body]) => fileOf(release, name)?.equals(body)));
    assert.ok(files.length > 3 && releases.length > 0, files.map(([name]) => name).join(', '));
    assert.ok(readdirSync(next).length > 5);
    await context.close();
  } finally {
    server.kill();
  }
});

// Safari on an iPad, which calls itself a Mac with a touch screen; `standalone` as on the home
// screen.
function ipadSafari(standalone) {
  const ua = 'Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/17.0 Safari/605.1.15';
  Object.defineProperty(Navigator.prototype, 'userAgent', { get: () => ua });
  Object.defineProperty(Navigator.prototype, 'maxTouchPoints', { get: () => 5 });
  Object.defineProperty(Navigator.prototype, 'standalone', { get: () => standalone });
}

test('on an iPad outside the home screen, the app says once that only an app on the home screen keeps its pictures; on the home screen and on a computer, never', {
  skip: onlyIn(['chromium', 'firefox'], 'the iPad is made by a script run before the served page\'s own, which the tests cannot run in WebKit'),
}, async () => {
  const { server, origin } = await serve();
  try {
    const said = async (options) => {
      const context = await browser.createBrowserContext();
      const session = await Session.open(browser, { url: `${origin}/site/`, context, ...options });
      const notice = () => session.page.$eval('#Notice', (element) => (element.hidden ? '' : element.textContent));
      const first = await notice();
      await reload(session.page);
      const again = await notice();
      await context.close();
      return [/ホーム画面に追加/.test(first), /ホーム画面に追加/.test(again)];
    };
    assert.deepEqual(await said({ before: ipadSafari, beforeArgs: [false] }), [true, false]);
    assert.deepEqual(await said({ before: ipadSafari, beforeArgs: [true] }), [false, false]);
    assert.deepEqual(await said({}), [false, false]);
  } finally {
    server.kill();
  }
});
