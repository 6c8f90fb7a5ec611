// The first releases kept one whole snapshot a page in a database of their own. Each readable
// one becomes a picture of this folder, once (`owners` keeps that it was done, under a marker's
// name); the old records stay where they were, untouched.

import { done, within } from './database.js';
import { restoreInto } from './memory.js';

const kLegacyName = 'mirona';
const kOpenMs = 3000;

// The first releases' records, oldest first; none where there is no such database (none is
// made) or it cannot be read.
async function legacyRecords() {
  const database = await within(new Promise((resolve) => {
    const opening = indexedDB.open(kLegacyName);
    opening.onupgradeneeded = () => opening.transaction.abort();
    opening.onsuccess = () => resolve(opening.result);
    opening.onerror = () => resolve(null);
  }), kOpenMs);
  let records = [];
  if (database?.objectStoreNames.contains('pictures'))
    records = await done(database.transaction('pictures').objectStore('pictures').getAll()).catch(() => []);
  database?.close();
  return records.sort((a, b) => a.time - b.time);
}

// The record in `owners` that says the first releases' pictures were brought into `scope`.
export const legacyMarker = (scope) => `imported ${scope}`;

// Brings the first releases' pictures into `database` (web/database.js's), once per `scope`
// (where `owners` has no legacyMarker record yet): each is restored into `engine` and written by
// `keepAsNew(time)`, which stores the engine's picture as a new one last changed at `time`.
export async function importLegacy({ database, engine, scope, keepAsNew }) {
  for (const record of await legacyRecords())
    if (record.bytes instanceof Uint8Array && restoreInto(engine, record.bytes))
      await keepAsNew(record.time);
  await database.transact('owners', 'readwrite', (_, store) => store('owners').put({ id: legacyMarker(scope), page: '', beat: 0 }));
}
