// Makes the one self-contained page: web/index.html with its style sheet, its script and the
// engine (Emscripten's output, the WebAssembly already embedded) written into it.
// Usage: node build-page.mjs <index.html> <engine.js> <out.html>
import { readFileSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';

const [page, engine, out] = process.argv.slice(2);
const folder = dirname(page);

function text(file) {
  const content = readFileSync(file, 'utf8');
  if (/<\/(script|style)/i.test(content))
    throw new Error(`${file} would end its own element`);
  return content;
}

const html = readFileSync(page, 'utf8')
  .replace(/<link rel="stylesheet" href="([^"]+)">/g,
    (_, href) => `<style>\n${text(join(folder, href))}</style>`)
  .replace('<script src="mirona-engine.js"></script>', () => `<script>${text(engine)}</script>`)
  .replace(/<script type="module" src="([^"]+)"><\/script>/g,
    (_, src) => `<script type="module">\n${text(join(folder, src))}</script>`);
if (/<(script|link)[^>]*(src|href)=/i.test(html))
  throw new Error('a reference to another file is left in the page');
writeFileSync(out, html);
