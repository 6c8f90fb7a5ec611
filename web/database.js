// IndexedDB in promises, and the database the pictures are kept in, opened again wherever the
// browser closed it under the page.

// Resolves to a request's result, or rejects with its error.
export function done(request) {
  return new Promise((resolve, reject) => {
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });
}

// `promise`, or a rejection once `ms` have gone by without an answer (some browsers' storage
// can hang rather than refuse).
export function within(promise, ms) {
  let timer;
  const late = new Promise((_, reject) => (timer = setTimeout(() => reject(new Error('no answer')), ms)));
  return Promise.race([promise, late]).finally(() => clearTimeout(timer));
}

// Runs `work(transaction, store)` in a transaction over `stores`, where store(name) is that
// object store; resolves once the transaction has committed, to what `work` returned, and rejects
// where it aborted.
export function transact(database, stores, mode, work) {
  return new Promise((resolve, reject) => {
    const transaction = database.transaction(stores, mode);
    let result;
    transaction.oncomplete = () => resolve(result);
    transaction.onabort = () => reject(transaction.error ?? new DOMException('aborted', 'AbortError'));
    result = work(transaction, (name) => transaction.objectStore(name));
  });
}

// Every store of the pictures' database.
export const kStores = ['pictures', 'heads', 'parts', 'steps', 'owners'];
const kName = 'mirona-2';
const kOpenMs = 3000; // storage that takes longer to open is none

// The pictures' database. `closed()` is told when the browser closes it under the page
// (Chromium does so after a write fails for want of space); the next use opens it again.
export function picturesDatabase({ closed }) {
  let database = null;
  let opening = null; // the open under way: every ready() meanwhile waits for the same one

  async function open() {
    const opening = indexedDB.open(kName, 1);
    opening.onupgradeneeded = () => {
      const db = opening.result;
      db.createObjectStore('pictures', { keyPath: 'id' }).createIndex('scope', 'scope');
      db.createObjectStore('heads', { keyPath: 'id' });
      db.createObjectStore('parts'); // keys [picture id, part number]
      db.createObjectStore('steps'); // keys [picture id, serial]
      db.createObjectStore('owners', { keyPath: 'id' });
    };
    const db = await within(done(opening), kOpenMs);
    db.onclose = () => {
      if (database === db)
        database = null;
      closed();
    };
    db.onversionchange = () => {
      db.close();
      if (database === db)
        database = null;
    };
    return db;
  }

  return {
    // Resolves once the database is open; rejects where the browser gives no storage.
    async ready() {
      if (database)
        return;
      opening ??= open().finally(() => (opening = null));
      database = await opening;
    },
    get isOpen() {
      return Boolean(database);
    },
    // As transact(), on the database, which must be open.
    transact: (stores, mode, work) => transact(database, stores, mode, work),
    // Closes the connection: the next ready() opens another (one that failed may be closing).
    close() {
      database?.close();
      database = null;
    },
  };
}
