// The served app's service worker: on install it caches one release of the app's files, each
// checked against the hash it was built with, so that a folder half copied onto the server, or
// files of two releases, never make a cache; from then on it answers every request of the app
// from that cache, and the app opens with no network. A new release, found when the browser
// checks this file, waits until a page asks it to take over (its 更新 button) or no page of the
// old one is open; then the old cache goes.

// { version, files: [[path, integrity], ...] }, written in by web/build-page.mjs.
const kRelease = /* release */ null;
const kCachePrefix = `mirona ${self.registration.scope} `;
const kCache = kCachePrefix + kRelease.version;

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(kCache).then((cache) => cache.addAll(
    kRelease.files.map(([path, integrity]) => new Request(path, { cache: 'reload', integrity })))));
});

self.addEventListener('message', (event) => event.data === 'take over' && self.skipWaiting());

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys().then((names) => Promise.all(names
    .filter((name) => name.startsWith(kCachePrefix) && name !== kCache)
    .map((name) => caches.delete(name)))));
});

// The page itself for any address in the app's folder, so that it opens however it was reached.
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET')
    return;
  const asked = event.request.mode === 'navigate' ? 'index.html' : event.request;
  event.respondWith(caches.open(kCache)
    .then((cache) => cache.match(asked, { ignoreSearch: true }))
    .then((cached) => cached ?? fetch(event.request)));
});
