// What the browser keeps of Mirona: the picture, with its history, in the browser's IndexedDB,
// so that a closed, reloaded or discarded page comes back as it was left; and, where the page is
// served with its manifest, the app's own files, through the service worker, so that it opens
// with no network.
//
// Each open page keeps its own record, under an id that a Web Lock holds while the page lives.
// A page opens the record changed last: it takes that record over when no page holds it (a
// reload, a reopened app), and otherwise copies it under an id of its own, so that two pages
// never write the same record. Records no page holds are deleted once a page has opened the
// newest. Storing is left to idle time after a change, and done at once when the page is hidden.

// startKeeping(engine) -> { open, changed }, where the engine is the page's WebAssembly module:
//  - open(): restores the newest stored picture into the engine; resolves to whether it did.
//    Where storage cannot be used or the record cannot be read, it says so once, in Japanese,
//    and the page goes on blank; a record that cannot be read is left as it is.
//  - changed(): the picture, its history, tool or mode changed; stores it once idle.
function startKeeping(engine) {
  const kDatabase = 'mirona';
  const kStore = 'pictures';
  const kNotKept = 'このブラウザーでは絵を保存できません。ページを閉じると、絵は消えます。';
  const kUnreadable = '保存されていた絵を開けなかったので、白紙から始めます。';
  const kLockPrefix = 'mirona ';

  const notice = document.getElementById('Notice');
  const said = new Set();
  const scratch = engine._malloc(4);
  let database = null; // none where storage cannot be used
  let id = null;
  let pending = null; // { time } of a change still to store
  let scheduled = false;
  let orphans = []; // ids of records no page holds, deleted with the next store
  const pointersDown = new Set();
  let persistAsked = false;

  function say(text) {
    if (said.has(text))
      return;
    said.add(text);
    notice.textContent = text;
    notice.hidden = false;
    setTimeout(() => (notice.hidden = true), 10000);
  }
  notice.addEventListener('click', () => (notice.hidden = true));

  function done(request) {
    return new Promise((resolve, reject) => {
      request.onsuccess = () => resolve(request.result);
      request.onerror = () => reject(request.error);
    });
  }

  function openDatabase() {
    const opening = indexedDB.open(kDatabase, 1);
    opening.onupgradeneeded = () =>
      opening.result.createObjectStore(kStore, { keyPath: 'id' }).createIndex('time', 'time');
    return done(opening);
  }

  function newestRecord() {
    const store = database.transaction(kStore).objectStore(kStore);
    return done(store.index('time').openCursor(null, 'prev')).then((cursor) => cursor?.value);
  }

  // Holds the lock of a record for the page's life; resolves to whether it was free. Without
  // locks (older browsers, or none for the page's origin) one page at a time is assumed.
  function claim(recordId) {
    return new Promise((resolve) => {
      const granted = (lock) => {
        resolve(lock !== null);
        return lock && new Promise(() => {});
      };
      if (!navigator.locks)
        return resolve(true);
      navigator.locks.request(kLockPrefix + recordId, { ifAvailable: true }, granted).catch(() => resolve(true));
    });
  }

  async function unheldIds() {
    const keys = await done(database.transaction(kStore).objectStore(kStore).getAllKeys());
    const held = navigator.locks ? (await navigator.locks.query().catch(() => ({ held: [] }))).held : [];
    return keys.filter((key) => key !== id && !held.some((lock) => lock.name === kLockPrefix + key));
  }

  async function newId() {
    for (;;) {
      const candidate = `${Date.now().toString(36)}-${Math.random().toString(36).slice(2)}`;
      if (await claim(candidate))
        return candidate;
    }
  }

  function restore(bytes) {
    if (!(bytes instanceof Uint8Array))
      return false;
    const at = engine._malloc(Math.max(bytes.length, 1));
    engine.HEAPU8.set(bytes, at);
    const restored = engine._restore(at, bytes.length);
    engine._free(at);
    return Boolean(restored);
  }

  function snapshot() {
    const start = engine._snapshot(scratch);
    return engine.HEAPU8.slice(start, start + engine.HEAP32[scratch >> 2]);
  }

  function store() {
    scheduled = false;
    if (!pending || !database)
      return;
    performance.mark('mirona-store-start');
    const record = { id, time: pending.time, bytes: snapshot() };
    pending = null;
    try {
      const transaction = database.transaction(kStore, 'readwrite');
      const records = transaction.objectStore(kStore);
      records.put(record);
      for (const orphan of orphans)
        records.delete(orphan);
      orphans = [];
      transaction.commit?.(); // now, not at the end of the task: the page may be going away
      transaction.oncomplete = () => {
        performance.measure('mirona-store', 'mirona-store-start');
        askToPersist();
      };
      transaction.onabort = () => say(kNotKept);
    } catch {
      say(kNotKept);
    }
  }

  // Once something is kept: the browser is asked not to evict it.
  function askToPersist() {
    if (persistAsked || !navigator.storage?.persist)
      return;
    persistAsked = true;
    navigator.storage.persisted().then((persisted) => persisted || navigator.storage.persist()).catch(() => {});
  }

  // Never on the path of a stroke: while a pointer is down, the store waits.
  function scheduleStore() {
    if (scheduled)
      return;
    scheduled = true;
    const later = window.requestIdleCallback ?? ((callback) => setTimeout(callback, 200));
    later(() => (pointersDown.size ? ((scheduled = false), scheduleStore()) : store()));
  }

  addEventListener('pointerdown', (event) => pointersDown.add(event.pointerId), true);
  for (const type of ['pointerup', 'pointercancel'])
    addEventListener(type, (event) => pointersDown.delete(event.pointerId), true);
  addEventListener('blur', () => pointersDown.clear());
  document.addEventListener('visibilitychange', () => document.visibilityState === 'hidden' && store());
  addEventListener('pagehide', store);

  if ('serviceWorker' in navigator && document.querySelector('link[rel="manifest"]'))
    navigator.serviceWorker.register('service-worker.js').catch(() => {});

  async function open() {
    let newest;
    try {
      database = await openDatabase();
      newest = await newestRecord();
    } catch {
      database = null;
      say(kNotKept);
      return false;
    }
    if (newest && restore(newest.bytes)) {
      id = (await claim(newest.id)) ? newest.id : await newId();
      orphans = await unheldIds().catch(() => []);
      if (id !== newest.id || orphans.length) {
        pending = { time: newest.time };
        scheduleStore();
      }
      return true;
    }
    id = await newId();
    if (newest)
      say(kUnreadable);
    return false;
  }

  function changed() {
    pending = { time: Date.now() };
    scheduleStore();
  }

  return { open, changed };
}
