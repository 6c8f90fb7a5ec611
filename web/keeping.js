// What the browser keeps of Mirona: every picture drawn, each its own entry, in the browser's
// IndexedDB, so that a closed, reloaded, discarded or crashed page loses nothing. The app never
// deletes a picture by itself: only the pupil does, from the list of pictures.
//
// A picture is records of four kinds: what the list shows (`pictures`: dates, size, thumbnail),
// its head (`heads`: the engine's picture, tool and mode, in `parts` small enough for browsers to
// store without wrapping them in a file, and which undo steps it has), and one record per undo
// step (`steps`), which never changes once written. A store writes the head and the steps made
// since the last store, and deletes the steps the history let go, all in one transaction: what
// is kept is always a whole picture, and a store costs what changed.
//
// One page writes a picture at a time. The page that has a picture open says so in `owners` and
// renews that every few seconds; every store checks in its own transaction that the page still
// has it. A page whose picture another page has taken over stops writing it: what it draws after
// that is kept as a new picture. This needs no Web Locks, so it holds on any origin.
//
// A failed store (a full disk, storage closed under the page) is tried again after growing
// pauses, the database reopened where it closed; until a store succeeds, a status says that the
// picture is not kept yet. Each folder the app is served from keeps pictures of its own.
//
// `ui` gives the page's side: texts (the engine's table), say(text) for a passing notice,
// status(text or '') for the lasting one, and ask(text, choices) for a question whose answer is a
// choice's value.

import { engineBytes, restoreInto } from './memory.js';

export function startKeeping(engine, ui) {
  const kDatabase = 'mirona-2';
  const kLegacyDatabase = 'mirona'; // the first releases' records: one whole snapshot a page
  const kFormat = 2; // of the records this build writes
  const kReadable = [1, 2]; // snapshot formats the engine reads
  const kBeatMs = 2000;
  const kGoneMs = 10000; // an owner not heard of for this long has gone
  const kOpenMs = 3000; // storage that takes longer to open (some browsers' can hang) is none
  const kRetryMs = [1000, 2000, 3000, 5000]; // pauses before the tries after a failure, the last repeated
  const kQuietMs = 400;
  const kLatestMs = 3000;
  const kThumbnail = 96; // the longer side of a picture in the list, in pixels
  const kThumbnailMs = 5000;
  const kStores = ['pictures', 'heads', 'parts', 'steps', 'owners'];
  const kPartBytes = 48 * 1024; // Chromium wraps a record of more than 64 KiB in a file: slow
  const scope = location.protocol === 'file:' ? '' : new URL('.', location.href).pathname;
  const tabKey = `mirona picture ${scope}`; // in the tab's session storage
  const page = randomId();
  // The page this tab showed before a reload, which may not have let its picture go yet.
  let previousPage = null;
  try {
    previousPage = sessionStorage.getItem(`mirona page ${scope}`);
    sessionStorage.setItem(`mirona page ${scope}`, page);
  } catch {}
  const channel = self.BroadcastChannel ? new BroadcastChannel(`mirona ${scope}`) : null;
  const scratch = engine._malloc(8); // counts the engine writes back
  const { texts } = ui;

  let database = null;
  let available = true; // false where the browser gives no storage at all
  // The picture open here: its id, whether this page still writes it, the serials of its steps
  // that are kept, and when it was begun.
  let current = null;
  let changes = 0; // counts changes; those up to `kept` are stored
  let kept = 0;
  let writing = null; // the store in flight
  let again = false;
  let failures = 0;
  let retry = 0;
  let quiet = 0; // the timer of the store after a change
  let firstUnstored = null; // when the first change not yet stored was made
  let persistAsked = false;

  function randomId() {
    return `${Date.now().toString(36)}-${Math.random().toString(36).slice(2, 10)}`;
  }

  // ---- IndexedDB, in promises.

  function done(request) {
    return new Promise((resolve, reject) => {
      request.onsuccess = () => resolve(request.result);
      request.onerror = () => reject(request.error);
    });
  }

  // Resolves once the transaction has committed, to what `work` returned.
  function transact(stores, mode, work) {
    return new Promise((resolve, reject) => {
      const transaction = database.transaction(stores, mode);
      let result;
      transaction.oncomplete = () => resolve(result);
      transaction.onabort = () => reject(transaction.error ?? new DOMException('aborted', 'AbortError'));
      result = work(transaction, (name) => transaction.objectStore(name));
    });
  }

  // The database, opened again where it was closed under the page.
  async function ready() {
    database ??= await openDatabase();
  }

  function within(promise) {
    let timer;
    const late = new Promise((_, reject) => (timer = setTimeout(() => reject(new Error('no answer')), kOpenMs)));
    return Promise.race([promise, late]).finally(() => clearTimeout(timer));
  }

  async function openDatabase() {
    const opening = indexedDB.open(kDatabase, 1);
    opening.onupgradeneeded = () => {
      const db = opening.result;
      db.createObjectStore('pictures', { keyPath: 'id' }).createIndex('scope', 'scope');
      db.createObjectStore('heads', { keyPath: 'id' });
      db.createObjectStore('parts'); // keys [picture id, part number]
      db.createObjectStore('steps'); // keys [picture id, serial]
      db.createObjectStore('owners', { keyPath: 'id' });
    };
    const db = await within(done(opening));
    db.onclose = () => {
      // Closed under the page (Chromium does so after a failed write): reopened by the next try.
      if (database === db)
        database = null;
      if (changes !== kept)
        failed();
    };
    db.onversionchange = () => {
      db.close();
      if (database === db)
        database = null;
    };
    return db;
  }

  // ---- Who writes which picture.

  function elsewhere(owner) {
    return Boolean(owner) && owner.page !== page && owner.page !== previousPage &&
      Date.now() - owner.beat < kGoneMs;
  }

  // Takes picture `id` for this page, unless another page has it (or `force`, taking it over:
  // that page then stops writing it). Resolves to whether it did.
  async function claim(id, force = false) {
    await ready();
    const taken = await transact('owners', 'readwrite', (_, store) => {
      const owners = store('owners');
      const result = { taken: false };
      owners.get(id).onsuccess = (event) => {
        if (force || !elsewhere(event.target.result)) {
          owners.put({ id, page, beat: Date.now() });
          result.taken = true;
        }
      };
      return result;
    });
    if (taken.taken && force)
      channel?.postMessage({ taken: id, by: page });
    return taken.taken;
  }

  function lose() {
    if (!current?.owned)
      return;
    current.owned = false;
    ui.status(texts.TakenOver);
  }

  channel?.addEventListener('message', ({ data }) => data.taken === current?.id && data.by !== page && lose());

  // Every few seconds the page says it still has its picture, and finds out where another page
  // has taken it over.
  setInterval(() => {
    if (!current?.owned || !current.exists || !database)
      return;
    transact('owners', 'readwrite', (_, store) => {
      const owners = store('owners');
      owners.get(current.id).onsuccess = (event) => {
        const owner = event.target.result;
        if (owner && owner.page !== page)
          lose();
        else
          owners.put({ id: current.id, page, beat: Date.now() });
      };
    }).catch(() => {});
  }, kBeatMs);

  // ---- Storing.

  // The picture at most kThumbnail pixels a side, a grey byte a pixel.
  function thumbnail() {
    const start = engine._thumbnail(kThumbnail, scratch);
    const [width, height] = engine.HEAP32.subarray(scratch >> 2, (scratch >> 2) + 2);
    return { width, height, grey: engine.HEAPU8.slice(start, start + width * height) };
  }

  function sameBytes(a, b) {
    try {
      return Boolean(a) && indexedDB.cmp(a, b) === 0; // binary keys compare byte by byte
    } catch {
      return false;
    }
  }

  // One store's records: everything the list needs, the head, the steps not kept yet and those
  // the history let go, made at once, as the engine's state is now. Of the head's parts, only
  // those that differ from the ones kept are written (`changedParts`); the thumbnail is made
  // again only every few seconds, and when the page is left.
  function records(leaving) {
    const head = engineBytes(engine, engine._snapshotHead(scratch), scratch); // makes the last stroke a step first
    const serials = Array.from({ length: engine._stepCount() }, (_, i) => engine._stepSerial(i) >>> 0);
    const live = new Set(serials);
    const fresh = [];
    serials.forEach((serial, i) => current.stored.has(serial) || fresh.push([serial, engineBytes(engine, engine._stepBytes(i, scratch), scratch)]));
    const parts = [];
    for (let at = 0; at < head.length || !parts.length; at += kPartBytes)
      parts.push(head.subarray(at, at + kPartBytes));
    if (leaving || !current.thumbnail || Date.now() - current.thumbnail.made > kThumbnailMs)
      current.thumbnail = { ...thumbnail(), made: Date.now() };
    const { made, ...small } = current.thumbnail;
    return {
      picture: {
        id: current.id, scope, format: kFormat, created: current.created, time: Date.now(),
        width: engine._width(), height: engine._height(), thumbnail: small,
      },
      head: { id: current.id, format: kFormat, parts: parts.length, serials },
      parts,
      changedParts: parts.map((part, k) => (sameBytes(current.partsKept?.[k], part) ? null : part)),
      fresh,
      gone: [...current.stored].filter((serial) => !live.has(serial)),
      serials,
    };
  }

  // Writes what changed of the picture in one transaction, unless another page has taken it
  // over. Resolves to 'written' or 'lost'. `leaving`, the page is going away: the transaction
  // is committed at once, before the page stops, and so cannot wait to read who has the picture;
  // the page goes by what it heard last (the other page's message, or its last renewal), and
  // lets the picture go.
  function write(made, leaving) {
    const { id } = current;
    const verdict = { lost: false };
    return transact(kStores, 'readwrite', (transaction, store) => {
      const owners = store('owners');
      if (!leaving)
        owners.get(id).onsuccess = (event) => {
          const owner = event.target.result;
          if (owner && owner.page !== page) {
            verdict.lost = true;
            transaction.abort();
          }
        };
      store('pictures').put(made.picture);
      store('heads').put(made.head);
      made.changedParts.forEach((part, k) => part && store('parts').put(part, [id, k]));
      if (current.parts > made.parts.length)
        store('parts').delete(IDBKeyRange.bound([id, made.parts.length], [id, Infinity]));
      for (const [serial, bytes] of made.fresh)
        store('steps').put(bytes, [id, serial]);
      for (const serial of made.gone)
        store('steps').delete([id, serial]);
      if (leaving) {
        owners.delete(id);
        transaction.commit?.();
      } else {
        owners.put({ id, page, beat: Date.now() });
      }
    }).then(() => 'written', (error) => {
      if (verdict.lost)
        return 'lost';
      throw error;
    });
  }

  // A picture this page goes on with under a new id: all of it is still to store.
  function fork() {
    current = { id: randomId(), owned: true, exists: false, stored: new Set(), parts: 0, created: Date.now() };
    rememberInTab();
  }

  function rememberInTab() {
    try {
      sessionStorage.setItem(tabKey, current.id);
    } catch {} // no session storage: a new page each time
  }

  // Once the database is open, everything up to the transaction happens at once: the page may be
  // going away.
  function storeOnce(leaving) {
    if (!database)
      return openDatabase().then((db) => {
        database = db;
        return storeOnce(leaving);
      });
    if (!current.owned) {
      fork();
      ui.status('');
    }
    const upTo = changes;
    performance.mark('mirona-store-start');
    const made = records(leaving);
    const written = write(made, leaving);
    performance.measure('mirona-store-work', 'mirona-store-start');
    return written.then((verdict) => {
      if (verdict === 'lost') {
        lose();
        return storeOnce(leaving); // what this page drew becomes a picture of its own
      }
      performance.measure('mirona-store', 'mirona-store-start');
      current.stored = new Set(made.serials);
      current.parts = made.parts.length;
      current.partsKept = made.parts;
      current.exists = true;
      kept = Math.max(kept, upTo);
      if (kept === changes)
        firstUnstored = null;
      failures = 0;
      ui.status('');
      askToPersist();
    });
  }

  // Stores what changed, unless a stroke is under way (its end will ask again). Resolves once it
  // is kept, or has failed and a retry is set.
  function store(leaving = false) {
    if (!database && !available)
      return Promise.resolve();
    if (writing) {
      again = true;
      return writing;
    }
    if (changes === kept || !current || engine._stroking())
      return Promise.resolve();
    clearTimeout(retry);
    try {
      writing = storeOnce(leaving);
    } catch (error) {
      writing = Promise.reject(error);
    }
    writing = writing.catch(failed).finally(() => {
      writing = null;
      if (again) {
        again = false;
        store();
      }
    });
    return writing;
  }

  // Nothing is taken off what is to store: the next try writes all that changed since the last
  // store that succeeded.
  function failed() {
    // The connection may be closing or closed (Chromium closes it after a write fails for want
    // of space): the next try opens another.
    database?.close();
    database = null;
    failures += 1;
    ui.status(texts.NotStoredYet);
    clearTimeout(retry);
    retry = setTimeout(store, kRetryMs[Math.min(failures, kRetryMs.length) - 1]);
  }

  // Once something is kept: the browser is asked not to evict it.
  function askToPersist() {
    if (persistAsked || !navigator.storage?.persist)
      return;
    persistAsked = true;
    navigator.storage.persist().catch(() => {});
  }

  // Never on the path of a stroke: after a change, once the page has had no change for a moment
  // (a pupil often begins the next stroke right after a release), and at the latest a few
  // seconds after the first change not yet stored; then in idle time.
  function changed() {
    changes += 1;
    firstUnstored ??= Date.now();
    clearTimeout(quiet);
    const wait = Math.max(0, Math.min(kQuietMs, firstUnstored + kLatestMs - Date.now()));
    const idle = (callback) => (self.requestIdleCallback ? requestIdleCallback(callback, { timeout: 1000 }) : callback());
    quiet = setTimeout(() => idle(() => store()), wait);
  }

  // ---- Opening.

  async function readPicture(id) {
    await ready();
    return transact(['pictures', 'heads', 'parts', 'steps'], 'readonly', (_, store) => {
      const found = {};
      store('pictures').get(id).onsuccess = (event) => (found.picture = event.target.result);
      store('heads').get(id).onsuccess = (event) => (found.head = event.target.result);
      store('parts').getAll(IDBKeyRange.bound([id, 0], [id, Infinity])).onsuccess = (event) => (found.parts = event.target.result);
      const range = IDBKeyRange.bound([id, 0], [id, Infinity]);
      store('steps').getAll(range).onsuccess = (event) => (found.steps = event.target.result);
      store('steps').getAllKeys(range).onsuccess = (event) => (found.keys = event.target.result);
      return found;
    });
  }

  // The bytes the engine restores a picture from: the head, then its steps in order; null where
  // the records are not of a format this build reads, or not whole.
  function snapshotOf({ picture, head, parts: headParts, steps, keys }) {
    if (!picture || !head || !kReadable.includes(picture.format) || !kReadable.includes(head.format) ||
        headParts.length !== head.parts)
      return null;
    const bySerial = new Map(keys.map(([, serial], i) => [serial, steps[i]]));
    const parts = [...headParts, ...head.serials.map((serial) => bySerial.get(serial))];
    if (parts.some((part) => !(part instanceof Uint8Array)))
      return null;
    const bytes = new Uint8Array(parts.reduce((sum, part) => sum + part.length, 0));
    let at = 0;
    for (const part of parts) {
      bytes.set(part, at);
      at += part.length;
    }
    return { bytes, serials: head.serials, parts: head.parts };
  }

  // Opens picture `id` into the engine; false, and the engine unchanged, where it cannot be read.
  async function load(id) {
    const found = await readPicture(id);
    const snapshot = snapshotOf(found);
    if (!snapshot || !restoreInto(engine, snapshot.bytes))
      return false;
    current = {
      id, owned: true, exists: true, stored: new Set(snapshot.serials), parts: snapshot.parts,
      created: found.picture.created,
    };
    changes = kept = 0;
    rememberInTab();
    return true;
  }

  // The first releases kept one record a page in another database; each readable one becomes a
  // picture of this folder, once (`owners` keeps that it was done, under the marker's name).
  // They stay where they were.
  async function importLegacy() {
    const marker = `imported ${scope}`;
    const [mark] = await transact('owners', 'readonly', (_, store) => {
      const found = [];
      store('owners').get(marker).onsuccess = (event) => found.push(event.target.result);
      return found;
    });
    if (mark)
      return;
    const legacyDatabase = await within(new Promise((resolve) => {
      const opening = indexedDB.open(kLegacyDatabase);
      opening.onupgradeneeded = () => opening.transaction.abort(); // there is none: make none
      opening.onsuccess = () => resolve(opening.result);
      opening.onerror = () => resolve(null);
    }));
    let legacy = [];
    if (legacyDatabase?.objectStoreNames.contains('pictures'))
      legacy = await done(legacyDatabase.transaction('pictures').objectStore('pictures').getAll()).catch(() => []);
    legacyDatabase?.close();
    for (const record of legacy.sort((a, b) => a.time - b.time)) {
      if (!(record.bytes instanceof Uint8Array) || !restoreInto(engine, record.bytes))
        continue;
      current = { id: randomId(), owned: true, exists: false, stored: new Set(), parts: 0, created: record.time };
      const made = records(true);
      made.picture.time = record.time;
      await write(made, true);
    }
    await transact('owners', 'readwrite', (_, store) => store('owners').put({ id: marker, page: '', beat: 0 }));
    current = null;
  }

  async function pictures() {
    await ready();
    const [all, owners] = await transact(['pictures', 'owners'], 'readonly', (_, store) => {
      const found = [];
      store('pictures').index('scope').getAll(scope).onsuccess = (event) => (found[0] = event.target.result);
      store('owners').getAll().onsuccess = (event) => (found[1] = event.target.result);
      return found;
    });
    const ownerOf = new Map(owners.map((owner) => [owner.id, owner]));
    return all.sort((a, b) => b.time - a.time).map((picture) => ({
      ...picture,
      ...(picture.id === current?.id ? { thumbnail: thumbnail() } : {}),
      readable: kReadable.includes(picture.format),
      here: picture.id === current?.id,
      elsewhere: picture.id !== current?.id && elsewhere(ownerOf.get(picture.id)),
    }));
  }

  // Opens the picture the page should show: after a reload or a discard the tab's own (asking
  // what to do where another page has it open), otherwise the one changed last that no other
  // page has open. Resolves to whether one was opened; otherwise the page starts a new picture.
  async function open() {
    try {
      database = await openDatabase();
      await importLegacy().catch(() => {});
    } catch {
      database = null;
      available = false;
      ui.say(texts.NotKept);
      return false;
    }
    let own = null;
    try {
      own = sessionStorage.getItem(tabKey);
    } catch {}
    const all = await pictures();
    const mine = all.find((picture) => picture.id === own);
    if (mine?.readable) {
      if (mine.elsewhere && (await ui.ask(texts.OpenElsewhere, ['ContinueHere', 'NewPicture'])) !== 'ContinueHere')
        return startNew();
      if ((await claim(mine.id, true)) && (await load(mine.id)))
        return true;
    }
    let unreadable = mine && !mine.readable;
    for (const picture of all) {
      if (picture.elsewhere || picture === mine)
        continue;
      if (picture.readable && (await claim(picture.id)) && (await load(picture.id))) {
        if (unreadable)
          ui.say(texts.Unreadable);
        return true;
      }
      unreadable = true;
      await letGo(picture.id);
    }
    if (unreadable)
      ui.say(texts.Unreadable);
    return startNew();
  }

  async function letGo(id) {
    await transact('owners', 'readwrite', (_, store) => {
      const owners = store('owners');
      owners.get(id).onsuccess = (event) => event.target.result?.page === page && owners.delete(id);
    }).catch(() => {});
  }

  // A new picture from here on, under an id of its own, kept from its first change; the one open
  // until now is stored and stays in the list. The page clears the engine.
  async function startNew() {
    if (current) {
      await store();
      await letGo(current.id);
    }
    fork();
    changes = kept = 0;
    return false;
  }

  // Goes on with picture `id` from the list, the one open until now stored first. Resolves to
  // whether it is open now.
  async function continueWith(id, takeOver) {
    if (!available || id === current?.id)
      return false;
    await store();
    if (!(await claim(id, takeOver)))
      return false;
    const previous = current;
    if (!(await load(id))) {
      await letGo(id);
      return false;
    }
    if (previous)
      await letGo(previous.id);
    return true;
  }

  // The engine's bytes of picture `id`, to be opened elsewhere than in the engine (a BMP).
  async function bytesOf(id) {
    return snapshotOf(await readPicture(id))?.bytes ?? null;
  }

  // Deletes picture `id` for good, unless another page has it open.
  async function remove(id) {
    await ready();
    const list = await pictures();
    if (list.find((picture) => picture.id === id)?.elsewhere)
      return false;
    await transact(kStores, 'readwrite', (_, store) => {
      store('pictures').delete(id);
      store('heads').delete(id);
      store('parts').delete(IDBKeyRange.bound([id, 0], [id, Infinity]));
      store('steps').delete(IDBKeyRange.bound([id, 0], [id, Infinity]));
      store('owners').delete(id);
    });
    if (id === current?.id) {
      Object.assign(current, { exists: false, stored: new Set(), parts: 0 });
      kept = changes; // deleted as it is: nothing of it is to store any more
    }
    return true;
  }

  // The page is going away or into the back/forward cache: what changed is stored at once and
  // the picture let go. Coming back, the page takes it again where no other page has meanwhile.
  function leave() {
    if (!current || !available || !database)
      return Promise.resolve();
    if (changes !== kept)
      return store(true);
    if (!current.owned || !current.exists)
      return Promise.resolve();
    return transact('owners', 'readwrite', (transaction, store) => {
      store('owners').delete(current.id);
      transaction.commit?.();
    }).catch(() => {});
  }

  async function comeBack() {
    if (!current || !database)
      return;
    if (!(await claim(current.id).catch(() => true)))
      lose();
  }

  return {
    open, changed, store, leave, comeBack, startNew, continueWith, bytesOf, remove,
    pictures: () => (available ? pictures() : Promise.resolve([])),
    get available() {
      return available;
    },
  };
}
