// What the browser keeps of Mirona: the picture, with its history, in the browser's IndexedDB,
// so that a closed, reloaded or discarded page comes back as it was left; and, where the page is
// served with its manifest, the app's own files, through the service worker, so that it opens
// with no network.
//
// Each open page keeps its own record, under an id that a Web Lock holds while the page lives and
// that the tab's session storage keeps across reloads. A reloaded or discarded tab opens its own
// record; a new page opens the one changed last. A page takes the record it opens over where no
// page holds it, and otherwise copies it under an id of its own, so that two pages never write
// the same record. Records that no page holds and that are older than the one opened, which no
// page would open any more, are deleted with the next store. Storing is left to idle time after a
// change, and done at once when the page is hidden.

function startKeeping(engine) {
  const kDatabase = 'mirona';
  const kStore = 'pictures';
  const kNotKept = 'このブラウザーでは絵を保存できません。ページを閉じると、絵は消えます。';
  const kUnreadable = '保存されていた絵を開けなかったので、白紙から始めます。';
  const kLockPrefix = 'mirona ';
  const kTabRecord = 'mirona record'; // in the tab's session storage
  const kOpenMs = 3000; // storage that takes longer (some browsers' IndexedDB can hang) is none

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

  // The result of one request on the records, in a transaction of its own.
  function read(request) {
    return done(request(database.transaction(kStore).objectStore(kStore)));
  }

  // This tab's own record, after a reload or a discard, otherwise the newest.
  async function recordToOpen() {
    let own = null;
    try {
      own = sessionStorage.getItem(kTabRecord);
    } catch {} // no session storage: a new page each time
    return (own && (await read((records) => records.get(own)))) ??
      (await read((records) => records.index('time').openCursor(null, 'prev')))?.value;
  }

  function becomeOwner(recordId) {
    id = recordId;
    try {
      sessionStorage.setItem(kTabRecord, id);
    } catch {}
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

  async function unheldIdsUpTo(time) {
    const keys = await read((records) => records.index('time').getAllKeys(IDBKeyRange.upperBound(time)));
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
    if (!at)
      return false;
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
    let record;
    try {
      const late = new Promise((_, reject) => setTimeout(() => reject(new Error('no answer')), kOpenMs));
      late.catch(() => {}); // its rejection matters only where it wins a race
      database = await Promise.race([openDatabase(), late]);
      record = await Promise.race([recordToOpen(), late]);
    } catch {
      database = null;
      say(kNotKept);
      return false;
    }
    if (record && restore(record.bytes)) {
      becomeOwner((await claim(record.id)) ? record.id : await newId());
      orphans = await unheldIdsUpTo(record.time).catch(() => []);
      if (id !== record.id || orphans.length) {
        pending = { time: record.time };
        scheduleStore();
      }
      return true;
    }
    becomeOwner(await newId());
    if (record)
      say(kUnreadable);
    return false;
  }

  function changed() {
    pending = { time: Date.now() };
    scheduleStore();
  }

  return { open, changed };
}
