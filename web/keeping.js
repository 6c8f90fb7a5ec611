// What the browser keeps of Mirona: every picture drawn, each its own entry, in the browser's
// IndexedDB (web/database.js), as the records of web/records.js, so that a closed, reloaded,
// discarded or crashed page loses nothing. The app never deletes a picture by itself: only the
// pupil does, from the list of pictures.
//
// A change is stored as soon as it is on screen, in one transaction that writes what changed:
// a page can go away at any moment, and WebKit drops what a page writes as it goes. One page
// writes a picture at a time (web/owners.js); a page whose picture another page has taken over
// keeps what it draws after that as a new picture.
//
// A failed store (a full disk, storage closed under the page) is tried again after growing
// pauses, the database reopened where it closed; until a store succeeds, a status says that the
// picture is not kept yet. Each folder the app is served from keeps pictures of its own.
//
// `ui` gives the page's side: texts (the engine's table), say(text) for a passing notice,
// status(text or '') for the lasting one, and ask(text, choices) for a question whose answer is a
// choice's value.

import { kStores, picturesDatabase } from './database.js';
import { importLegacy, legacyMarker } from './legacy.js';
import { restoreInto } from './memory.js';
import { pictureOwners } from './owners.js';
import { deleteRecords, kReadable, makeRecords, putRecords, readRecords, snapshotOf, thumbnail } from './records.js';

// Begun before the engine is made, so that storage opens and the tab's own picture is read while
// the engine compiles: the folder's scope, the pictures' database, and the tab's picture after a
// reload (`own`, its records being read in `ownRead`), or null.
export function openKeeping() {
  const scope = location.protocol === 'file:' ? '' : new URL('.', location.href).pathname;
  const early = { scope, closed: () => {}, own: null, ownRead: null };
  early.database = picturesDatabase({ closed: () => early.closed() });
  try {
    early.own = sessionStorage.getItem(tabKey(scope));
  } catch {}
  early.ownRead = early.own ? readPicture(early.database, early.own).catch(() => null) : null;
  return early;
}

// In the tab's session storage: the id of its picture.
const tabKey = (scope) => `mirona picture ${scope}`;

async function readPicture(database, id) {
  await database.ready();
  return database.transact(['pictures', 'heads', 'parts', 'steps'], 'readonly', (_, store) => readRecords(store, id));
}

// `early` is openKeeping()'s.
export function startKeeping(engine, ui, early) {
  const kRetryMs = [1000, 2000, 3000, 5000]; // pauses before the tries after a failure, the last repeated
  const kNoFrameMs = 100; // a hidden page draws no frames: its change is stored after this
  const { scope, database, own, ownRead } = early;
  const page = randomId();
  // The page this tab showed before a reload, which may not have let its picture go yet.
  let previousPage = null;
  try {
    previousPage = sessionStorage.getItem(`mirona page ${scope}`);
    sessionStorage.setItem(`mirona page ${scope}`, page);
  } catch {}
  const scratch = engine._malloc(8); // counts the engine writes back
  const { texts } = ui;

  let available = true; // false where the browser gives no storage at all
  // The picture open here: its id, whether this page still writes it, whether it is stored yet,
  // what of it is stored (web/records.js's makeRecords) and when it was begun.
  let current = null;
  let changes = 0; // counts changes; those up to `kept` are stored
  let kept = 0;
  let writing = null; // the store in flight
  let inFlight = null; // the transaction of the last write begun, until it ends
  let again = false;
  let failures = 0;
  let retry = 0;
  let soon = false; // a store is due once the change is on screen
  let persistAsked = false;

  early.closed = () => changes !== kept && failed();
  const owners = pictureOwners({
    database, page, previousPage, scope,
    holding: () => (current?.owned && current.exists ? current.id : null),
    lost: lose,
  });

  function randomId() {
    return `${Date.now().toString(36)}-${Math.random().toString(36).slice(2, 10)}`;
  }

  function lose() {
    if (!current?.owned)
      return;
    current.owned = false;
    ui.status(texts.TakenOver);
  }

  // ---- Storing.

  // Writes what changed of the picture in one transaction, unless another page has taken it
  // over. Resolves to 'written' or 'lost'. `leaving`, the page is going away: the transaction
  // is committed at once, before the page stops, and so cannot wait to read who has the picture;
  // the page goes by what it heard last, and lets the picture go.
  function write(made, leaving) {
    const { id } = current;
    const verdict = { lost: false };
    let mine = null;
    const written = database.transact(kStores, 'readwrite', (transaction, store) => {
      mine = transaction;
      inFlight = transaction;
      if (!leaving)
        owners.checkInStore(store('owners'), id, () => {
          verdict.lost = true;
          transaction.abort();
        });
      putRecords(store, made);
      if (leaving) {
        store('owners').delete(id);
        transaction.commit?.();
      }
    });
    return written.finally(() => {
      if (inFlight === mine)
        inFlight = null;
    }).then(() => 'written', (error) => {
      if (verdict.lost)
        return 'lost';
      throw error;
    });
  }

  // A picture this page goes on with under a new id: all of it is still to store.
  function fork(created = Date.now()) {
    current = { id: randomId(), owned: true, exists: false, stored: new Set(), parts: 0, created };
  }

  function rememberInTab() {
    try {
      sessionStorage.setItem(tabKey(scope), current.id);
    } catch {} // no session storage: a new page each time
  }

  // Once the database is open, everything up to the transaction happens at once: the page may be
  // going away.
  function storeOnce(leaving) {
    if (!database.isOpen)
      return database.ready().then(() => storeOnce(leaving));
    if (!current.owned) {
      fork();
      rememberInTab();
      ui.status('');
    }
    const upTo = changes;
    performance.mark('mirona-store-start');
    const made = makeRecords(engine, scratch, current, { scope, leaving });
    const written = write(made, leaving);
    performance.measure('mirona-store-work', 'mirona-store-start');
    return written.then((verdict) => {
      if (verdict === 'lost') {
        // What this page drew becomes a picture of its own, and the pupil is told why.
        lose();
        ui.say(texts.TakenOver);
        return storeOnce(leaving);
      }
      performance.measure('mirona-store', 'mirona-store-start');
      Object.assign(current, { stored: new Set(made.serials), parts: made.parts.length, partsKept: made.parts, exists: true });
      kept = Math.max(kept, upTo);
      failures = 0;
      ui.status('');
      askToPersist();
    });
  }

  // Stores what changed, unless a stroke is under way (its end will ask again). Resolves once it
  // is kept, or has failed and a retry is set.
  function store(leaving = false) {
    if (!available)
      return Promise.resolve();
    if (writing && !leaving) {
      again = true;
      return writing;
    }
    if (changes === kept || !current || engine._stroking())
      return Promise.resolve();
    if (writing)
      return storeOnce(true).catch(() => {}); // the page cannot wait for the store in flight: this one commits after it
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
    database.close();
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

  // A change is stored in the task after the frame that shows it: its few milliseconds come
  // before a pupil can begin the next stroke, and the change is kept however soon the page goes.
  function changed() {
    changes += 1;
    if (soon)
      return;
    soon = true;
    const run = () => {
      if (!soon)
        return;
      soon = false;
      store();
    };
    requestAnimationFrame(() => setTimeout(run));
    setTimeout(run, kNoFrameMs);
  }

  // ---- Opening.

  // Opens picture `id` into the engine, from its records where they were `read` already; false,
  // and the engine unchanged, where it cannot be read.
  async function load(id, read = readPicture(database, id)) {
    const found = await read;
    const snapshot = snapshotOf(found);
    if (!snapshot || !restoreInto(engine, snapshot.bytes))
      return false;
    current = {
      id, owned: true, exists: true, stored: new Set(snapshot.serials), parts: snapshot.parts,
      partsKept: snapshot.headParts, created: found.picture.created,
    };
    changes = kept = 0;
    rememberInTab();
    return true;
  }

  // A picture of the first releases, restored into the engine, kept as a new one.
  async function keepAsNew(time) {
    fork(time);
    const made = makeRecords(engine, scratch, current, { scope, leaving: true });
    made.picture.time = time;
    await write(made, true);
  }

  // The records of this folder's pictures, read in a transaction over `pictures`; filled in once
  // it completes.
  function readList(store) {
    const found = [];
    store('pictures').index('scope').getAll(scope).onsuccess = (event) => found.push(...event.target.result);
    return found;
  }

  // The pictures of `records` newest first, with whether this build reads each and whether it is
  // open here or in another page (`open`, owners.elsewhere()'s).
  function listed(records, open) {
    return records.sort((a, b) => b.time - a.time).map((picture) => {
      const here = picture.id === current?.id;
      return {
        ...picture,
        ...(here ? { thumbnail: thumbnail(engine, scratch) } : {}),
        readable: kReadable.includes(picture.format),
        here,
        elsewhere: !here && open.has(picture.id),
      };
    });
  }

  // Every kept picture of this folder, as listed(), by a census taken now or the one `seen`.
  async function pictures(seen) {
    await database.ready();
    const records = await database.transact('pictures', 'readonly', (_, store) => readList(store));
    return listed(records, await owners.elsewhere(seen));
  }

  // Opens the picture the page should show: after a reload or a discard the tab's own (asking
  // what to do where another page has it open), otherwise the one changed last that no other
  // page has open. Resolves to whether one was opened; otherwise the page starts a new picture.
  async function open() {
    // The folder's pictures, who has which, and whether the first releases' were brought in, in
    // one transaction: a slow tablet waits for each.
    let found;
    try {
      await database.ready();
      found = await database.transact(['pictures', 'owners'], 'readonly', (_, store) => {
        const read = { list: readList(store), owners: owners.readOwners(store) };
        store('owners').get(legacyMarker(scope)).onsuccess = (event) => (read.imported = Boolean(event.target.result));
        return read;
      });
      if (!found.imported) {
        await importLegacy({ database, engine, scope, keepAsNew }).catch(() => {});
        found = null; // read again, with what was brought in
      }
      current = null;
    } catch {
      available = false;
      ui.say(texts.NotKept);
      return false;
    }
    // One census for the list and every claim: asking pages that have gone takes a moment.
    const seen = await owners.census(found?.owners);
    const all = found ? listed(found.list, await owners.elsewhere(seen)) : await pictures(seen);
    const mine = all.find((picture) => picture.id === own);
    if (mine?.readable) {
      // Open in another page, it may have changed while the question waited.
      if (mine.elsewhere && (await ui.ask(texts.OpenElsewhere, ['ContinueHere', 'NewPicture'])) !== 'ContinueHere')
        return startNew();
      if ((await owners.claim(mine.id, true)) && (await load(mine.id, mine.elsewhere ? readPicture(database, mine.id) : ownRead)))
        return true;
    }
    let unreadable = mine && !mine.readable;
    for (const picture of all) {
      if (picture.elsewhere || picture === mine)
        continue;
      if (picture.readable && (await owners.claim(picture.id, false, seen)) && (await load(picture.id))) {
        if (unreadable)
          ui.say(texts.Unreadable);
        return true;
      }
      unreadable = true;
      await owners.letGo(picture.id);
    }
    if (unreadable)
      ui.say(texts.Unreadable);
    return startNew();
  }

  // A new picture from here on, under an id of its own, kept from its first change; the one open
  // until now is stored and stays in the list. The page clears the engine.
  async function startNew() {
    if (current) {
      await store();
      await owners.letGo(current.id);
    }
    fork();
    rememberInTab();
    changes = kept = 0;
    return false;
  }

  // Goes on with picture `id` from the list, the one open until now stored first. Resolves to
  // whether it is open now.
  async function continueWith(id, takeOver) {
    if (!available || id === current?.id)
      return false;
    await store();
    if (!(await owners.claim(id, takeOver)))
      return false;
    const previous = current;
    if (!(await load(id))) {
      await owners.letGo(id);
      return false;
    }
    if (previous)
      await owners.letGo(previous.id);
    return true;
  }

  // The engine's bytes of picture `id`, to be opened elsewhere than in the engine (a BMP).
  async function bytesOf(id) {
    return snapshotOf(await readPicture(database, id))?.bytes ?? null;
  }

  // Deletes picture `id` for good, unless another page has it open.
  async function remove(id) {
    const list = await pictures();
    if (list.find((picture) => picture.id === id)?.elsewhere)
      return false;
    await database.transact(kStores, 'readwrite', (_, store) => deleteRecords(store, id));
    if (id === current?.id) {
      Object.assign(current, { exists: false, stored: new Set(), parts: 0, partsKept: null });
      kept = changes; // deleted as it is: nothing of it is to store any more
    }
    return true;
  }

  // The page is going away or into the back/forward cache: what changed is stored at once and
  // the picture let go. Coming back, the page takes it again where no other page has meanwhile.
  function leave() {
    if (!current || !available || !database.isOpen)
      return Promise.resolve();
    if (changes !== kept) {
      // A store in flight cannot end once the page has gone: its check of who has the picture
      // waits for the page to handle an answer. Left to run, it holds back the store made now,
      // which waits behind it, and the browser drops both. It is given up: this store holds all
      // that it held.
      try {
        inFlight?.abort();
      } catch {} // it has ended already
      return store(true);
    }
    if (!current.owned || !current.exists)
      return Promise.resolve();
    return database.transact('owners', 'readwrite', (transaction, store) => {
      store('owners').delete(current.id);
      transaction.commit?.();
    }).catch(() => {});
  }

  async function comeBack() {
    if (!current || !database.isOpen)
      return;
    if (!(await owners.claim(current.id).catch(() => true)))
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
