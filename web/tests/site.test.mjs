// The served app, build/web/site, from a real static web server (Python's http.server) under a
// sub-path: installable; after the first visit it opens with the server gone and the network
// off, with the picture it kept, and draws, undoes and saves; it asks for nothing but its own
// files. And printing gives the picture alone.
import assert from 'node:assert/strict';
import { once } from 'node:events';
import { inflateSync } from 'node:zlib';
import { after, before, test } from 'node:test';
import { launch, onlyIn, reload, serve } from './browser.mjs';
import { canvasPixels, replay } from './reference.mjs';
import { fakePicker, Session } from './session.mjs';

const kSite = 'site'; // build/web/site, served as /site/

let browser;
before(async () => (browser = await launch()));
after(() => browser.close());

// Installability, the network switched off and the requests the page makes are known through
// the DevTools protocol.
test('served: installable, then with no server and no network it opens as left, draws, undoes and saves, asking only for its own files', {
  skip: onlyIn('chromium', 'installability, the network switched off and the page\'s requests are the DevTools protocol\'s'),
}, async () => {
  const { server, origin, answered } = await serve();
  const app = `${origin}/${kSite}/`;
  // A profile of its own: Chromium installs nothing from an incognito context.
  const installer = await launch();
  try {
    const asked = [];
    const session = await Session.open(installer, {
      url: app, width: 600, height: 500, before: fakePicker, requests: asked,
      context: installer.defaultBrowserContext(),
    });
    const { page } = session;
    const cdp = await page.createCDPSession();
    assert.deepEqual((await cdp.send('Page.getInstallabilityErrors')).installabilityErrors, []);
    await page.evaluate(() => navigator.serviceWorker.ready);
    await session.choose('Byoga', 'MenuEllipse', 'tool 3');
    await session.drag([[60, 80], [150, 130]]);
    await page.waitForFunction(() => performance.getEntriesByName('mirona-store').length > 0);

    server.kill();
    await once(server, 'exit');
    await page.emulateNetworkConditions({ offline: true, download: 0, upload: 0, latency: 0 });
    await reload(page);
    await session.expectShown(['JogeSayuNaname', 'MenuEllipse']);
    await session.drag([[200, 90], [120, 300]]);
    await session.expectShown(['JogeSayuNaname', 'MenuEllipse']);
    await session.undo();
    await session.undo();
    await session.expectShown(['JogeSayuNaname', 'MenuEllipse']);
    await session.choose('File', 'Hozon');
    const [written] = await page.evaluate(() => window.written);
    assert.ok(Buffer.from(written, 'base64').equals(replay(session.lines)));

    assert.deepEqual(asked.filter((url) => !url.startsWith(app) && !url.startsWith('data:')), []);
    assert.deepEqual(answered.filter((line) => !new RegExp(`^GET /${kSite}/\\S* 200$`).test(line)), []);
  } finally {
    server.kill();
    await installer.close();
  }
});

// The image objects of a PDF, with their size and RGB pixels, and whether it uses any font.
function pdfContent(pdf) {
  const text = pdf.toString('latin1');
  const images = [];
  for (const match of text.matchAll(/<<([^]*?)>>\s*stream\r?\n/g)) {
    const dictionary = match[1];
    if (!/\/Subtype\s*\/Image/.test(dictionary))
      continue;
    const length = Number(dictionary.match(/\/Length (\d+)/)[1]);
    const start = match.index + match[0].length;
    images.push({
      width: Number(dictionary.match(/\/Width (\d+)/)[1]),
      height: Number(dictionary.match(/\/Height (\d+)/)[1]),
      rgb: inflateSync(pdf.subarray(start, start + length)),
    });
  }
  return { images, fonts: /\/Font\b/.test(text), pages: text.match(/\/Type\s*\/Page\b/g).length };
}

test('printed, the page is the picture alone, filling the page', {
  skip: onlyIn('chromium', 'printing to PDF and emulating print media are the DevTools protocol\'s'),
}, async () => {
  const session = await Session.open(browser, { width: 700, height: 500 });
  const { page } = session;
  await session.drag([[60, 80], [150, 130], [300, 20]]);
  const shown = await canvasPixels(page);
  const { images, fonts, pages } = pdfContent(Buffer.from(await page.pdf({ width: '210mm', height: '297mm' })));
  assert.deepEqual({ images: images.length, fonts, pages }, { images: 1, fonts: false, pages: 1 });
  assert.deepEqual(images[0], shown);
  await page.emulateMediaType('print');
  const box = await page.$eval('#Picture1', (canvas) => {
    const { width, height } = canvas.getBoundingClientRect();
    return { width, height, fit: getComputedStyle(canvas).objectFit };
  });
  assert.deepEqual(box, { width: 700, height: 500, fit: 'contain' });
});
