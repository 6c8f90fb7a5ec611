// The web page's load time: build/web/mirona.html opened from the disk in headless Chromium,
// network off, ten times in fresh tabs. Prints the median time from the start of navigation to
// the first frame with a drawable canvas (the page's "mirona-ready" mark), and the file's size.
// Run after scripts/web.sh and `npm ci` in web/: node bench/web-load.mjs
import { statSync } from 'node:fs';
import { launch, openPage, pageFile } from '../web/tests/browser.mjs';

const browser = await launch();
const times = [];
for (let run = 0; run < 10; ++run) {
  const page = await openPage(browser);
  times.push(await page.evaluate(() => performance.getEntriesByName('mirona-ready')[0].startTime));
  await page.close();
}
await browser.close();
times.sort((a, b) => a - b);
console.log(`mirona.html: ${statSync(pageFile).size} bytes; load to a drawable canvas: median ` +
  `${times[5].toFixed(1)} ms (${times[0].toFixed(1)} to ${times.at(-1).toFixed(1)} ms over 10 loads)`);
