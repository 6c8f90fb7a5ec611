// Makes both forms of the web edition from the same sources: web/index.html, the files it names
// (its module with the modules it imports, bundled by esbuild) and the engine (Emscripten's
// output, the WebAssembly already embedded).
//  - <out>/mirona.html, one self-contained page: every style sheet and script written into it,
//    its Content-Security-Policy allowing exactly those by their hashes, and without the
//    manifest and icons, which only an installed app uses.
//  - <out>/site/, the folder a teacher copies onto a web server: the page, the files it names,
//    the manifest and the icons, drawn from the project's icon with rsvg-convert, each under a
//    name with its hash, and the service worker, given the release: every file with its hash,
//    and a version made of them.
// Usage: node build-page.mjs <index.html> <engine.js> <icon.svg> <out folder>
import { execFileSync } from 'node:child_process';
import { createHash } from 'node:crypto';
import { mkdirSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { basename, dirname, join } from 'node:path';

const [page, engine, icon, out] = process.argv.slice(2);
const folder = dirname(page);
const site = join(out, 'site');
const kServiceWorker = 'service-worker.js';
const kIconBackground = '#ffffff'; // the icon's own sheet: where a platform wants no transparency
const kMaskableShare = 0.7; // of a maskable icon's side: the icon inside the platforms' safe circle

const html = readFileSync(page, 'utf8');
const source = (name) => (name === basename(engine) ? engine : join(folder, name));
const modules = new Set([...html.matchAll(/<script type="module" src="([^"]+)">/g)].map(([, name]) => name));

// A file the page names, as it goes into the page or the folder: a module with every module it
// imports, bundled into one by esbuild.
function content(name) {
  return modules.has(name)
    ? execFileSync('esbuild', [source(name), '--bundle', '--format=esm', '--log-level=warning'])
    : readFileSync(source(name));
}
const attribute = (tag, name) => tag.match(new RegExp(`\\s${name}="([^"]*)"`))?.[1];
const hash = (algorithm, content) => createHash(algorithm).update(content).digest('base64');

// ---- The single page.

function text(name) {
  const written = content(name).toString('utf8');
  if (/<\/(script|style)/i.test(written))
    throw new Error(`${name} would end its own element`);
  return written;
}

const inlined = { 'script-src': [], 'style-src': [] };
function inline(kind, opening, content) {
  inlined[kind === 'script' ? 'script-src' : 'style-src'].push(`'sha256-${hash('sha256', content)}'`);
  return `${opening}${content}</${kind}>`;
}

let single = html
  .replace(/<link rel="stylesheet" href="([^"]+)">/g,
    (_, href) => inline('style', '<style>', `\n${text(href)}`))
  .replace(/<script( type="module")? src="([^"]+)"><\/script>/g,
    (_, module, src) => inline('script', `<script${module ?? ''}>`, `\n${text(src)}`))
  .replace(/<link [^>]*>\n/g, '');
single = single.replace(/(<meta http-equiv="Content-Security-Policy" content=")([^"]+)"/, (_, start, policy) =>
  `${start}${policy.split('; ').map((directive) => {
    const [name] = directive.split(' ');
    return inlined[name] ? [directive, ...inlined[name]].join(' ') : directive;
  }).join('; ')}"`);
if (/<(script|link)[^>]*(src|href)=/i.test(single))
  throw new Error('a reference to another file is left in the page');
writeFileSync(join(out, 'mirona.html'), single);

// ---- The served folder. Every file but the page and the service worker has its content's hash
// in its name, and the page names them: no cache, the browser's or a proxy's, can then give a
// page the files of another release.

rmSync(site, { recursive: true, force: true });
mkdirSync(site, { recursive: true });
const hashed = new Map(); // a file's name in the sources to its name in the folder

function put(name, content) {
  const dot = name.lastIndexOf('.');
  const named = `${name.slice(0, dot)}.${createHash('sha256').update(content).digest('hex').slice(0, 12)}${name.slice(dot)}`;
  writeFileSync(join(site, named), content);
  hashed.set(name, named);
}

// Icon `file`, `size` pixels square: for a maskable one, smaller on a full background.
function drawIcon(file, size, { maskable = false, opaque = false } = {}) {
  const inner = maskable ? Math.round(size * kMaskableShare) : size;
  const margin = (size - inner) / 2;
  put(file, execFileSync('rsvg-convert', ['-w', inner, '-h', inner, '--page-width', size, '--page-height', size,
    '--left', margin, '--top', margin, ...(maskable || opaque ? ['-b', kIconBackground] : []), icon].map(String)));
}

const manifestName = 'manifest.json';
const manifest = JSON.parse(readFileSync(join(folder, manifestName), 'utf8'));
for (const { src, sizes, purpose } of manifest.icons)
  drawIcon(src, Number(sizes.split('x')[0]), { maskable: purpose === 'maskable' });
manifest.icons = manifest.icons.map((entry) => ({ ...entry, src: hashed.get(entry.src) }));
for (const [tag] of html.matchAll(/<(link|script) [^>]*>/g)) {
  const name = attribute(tag, 'href') ?? attribute(tag, 'src');
  if (!name || hashed.has(name))
    continue;
  const size = Number(attribute(tag, 'sizes')?.split('x')[0]);
  if (name.endsWith('.png'))
    drawIcon(name, size, { opaque: attribute(tag, 'rel') === 'apple-touch-icon' });
  else if (name === manifestName)
    put(name, `${JSON.stringify(manifest, null, 2)}\n`);
  else
    put(name, content(name));
}
writeFileSync(join(site, 'index.html'), html.replace(/(<(?:link|script) [^>]*(?:href|src)=")([^"]+)"/g,
  (_, start, name) => `${start}${hashed.get(name)}"`));

const files = readdirSync(site).sort().map((name) =>
  [name, `sha384-${hash('sha384', readFileSync(join(site, name)))}`]);
const version = createHash('sha256').update(JSON.stringify(files)).digest('hex').slice(0, 16);
const worker = readFileSync(join(folder, kServiceWorker), 'utf8');
const release = '/* release */ null';
if (!worker.includes(release))
  throw new Error(`${kServiceWorker} has no place for the release`);
writeFileSync(join(site, kServiceWorker), worker.replace(release, () => JSON.stringify({ version, files })));
