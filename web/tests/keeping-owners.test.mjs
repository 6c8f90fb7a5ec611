// Two pages and one picture: a page that crashed leaves its picture to the next page at once; a
// live page keeps its own; without a BroadcastChannel, a page taken over finds out in its own
// store, and one that renews its claim keeps its picture however long it idles.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { launch, onlyIn, reload } from './browser.mjs';
import { crash, Session } from './session.mjs';

let browser;
before(async () => (browser = await launch()));
after(() => browser.close());

const kSize = { width: 500, height: 400 };

// The list of pictures, opened: each entry's state; then closed again.
async function states(page) {
  await page.click('#PicturesButton');
  await page.waitForSelector('#Pictures[open]');
  const found = await page.$$eval('#PictureList .state', (items) => items.map((item) => item.textContent));
  await page.click('#ClosePictures');
  return found;
}

function shown(page, id) {
  return page.$eval(`#${id}`, (element) => (element.hidden ? '' : element.textContent));
}

test('a page that crashed: the app opened again at once shows its picture, and a live page keeps its own', {
  skip: onlyIn('chromium', 'only its DevTools protocol crashes a tab'),
}, async () => {
  const context = await browser.createBrowserContext();
  const open = () => Session.open(browser, { context, ...kSize });
  const crashed = await open();
  await crashed.storing(() => crashed.drag([[30, 40], [200, 90]]));
  const live = await open();
  await live.storing(() => live.drag([[300, 40], [100, 300]])); // the newest picture, open in a live page
  await crash(crashed.page);
  const next = await open();
  next.lines = crashed.lines;
  await next.expectShown();
  assert.deepEqual(await states(next.page), ['ほかのページで開いています', 'この絵']);
  await live.page.bringToFront();
  await live.storing(() => live.drag([[50, 300], [200, 350]]));
  await reload(live.page);
  await live.expectShown();
  await context.close();
});

// As in browsers without BroadcastChannel.
function noChannel() {
  delete window.BroadcastChannel;
}

test('without BroadcastChannel, a page taken over finds out in its own store: what it drew becomes a new picture, and the other page\'s stays as it was', async () => {
  const context = await browser.createBrowserContext();
  // No renewals either: the timers the page sets as it starts never fire, as in a tab whose
  // timers the browser has put off. Only the store itself can find out.
  const first = await Session.open(browser, {
    context, ...kSize, before: () => {
      delete window.BroadcastChannel;
      const every = setInterval;
      window.setInterval = (...rest) => (document.documentElement.dataset.ready ? every(...rest) : 0);
    },
  });
  await first.storing(() => first.drag([[30, 40], [200, 90]]));
  const second = await Session.open(browser, { context, ...kSize, before: noChannel });
  await second.expectShown(); // a new picture: the first is open in a page still there
  await second.page.click('#PicturesButton');
  await second.page.waitForSelector('#Pictures[open]');
  await second.page.click('#PictureList li:nth-child(1) button[data-action="ContinuePicture"]');
  await second.page.waitForSelector('#Choice[open]');
  await second.page.click('#ChoiceButtons button[value="ContinueHere"]');
  await second.page.waitForSelector('#Pictures:not([open])');
  const taken = [...first.lines];
  second.lines = taken;

  await first.page.bringToFront();
  await first.storing(() => first.drag([[50, 300], [200, 350]]));
  assert.match(await shown(first.page, 'Notice'), /ほかのページで続けられています/);
  assert.deepEqual(await states(first.page), ['この絵', 'ほかのページで開いています']);
  await reload(first.page);
  await first.expectShown();
  await second.page.bringToFront();
  await reload(second.page);
  await second.expectShown();
  await context.close();
});

test('without BroadcastChannel, a page that idles past the time an owner counts as gone keeps its picture, renewing its claim', async () => {
  const context = await browser.createBrowserContext();
  const first = await Session.open(browser, { context, ...kSize, before: noChannel });
  await first.storing(() => first.drag([[30, 40], [200, 90]]));
  // The page's claim on its picture, renewed more than 10 s after it was first stored.
  await first.page.waitForFunction((since) => new Promise((done) => (indexedDB.open('mirona-2').onsuccess = (event) => {
    const request = event.target.result.transaction('owners').objectStore('owners').getAll();
    request.onsuccess = () => {
      event.target.result.close();
      done(request.result.some((owner) => owner.page && owner.beat - since > 10000));
    };
  })), { timeout: 20000, polling: 500 }, await first.page.evaluate(() => Date.now()));
  const second = await Session.open(browser, { context, ...kSize, before: noChannel });
  await second.expectShown();
  await second.storing(() => second.drag([[300, 40], [100, 300]]));
  assert.deepEqual(await states(second.page), ['この絵', 'ほかのページで開いています']);
  await context.close();
});
