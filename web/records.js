// The records a picture is kept as. What the list shows (`pictures`: dates, size, thumbnail), its
// head (`heads`: the engine's picture, tool and mode, in `parts` small enough for browsers to
// store without wrapping them in a file, and which undo steps it has), and one record per undo
// step (`steps`), which never changes once written. A store writes the head's parts that
// changed and the steps made since the last store, and deletes the steps the history let go,
// all in one transaction: what is kept is always a whole picture, and a store costs what
// changed.

import { engineBytes } from './memory.js';

export const kFormat = 2; // of the records this build writes
export const kReadable = [1, 2]; // snapshot formats the engine reads
const kThumbnail = 96; // the longer side of a picture in the list, in pixels
const kThumbnailMs = 5000;
const kPartBytes = 48 * 1024; // Chromium wraps a record of more than 64 KiB in a file: slow

// The keys of picture `id`'s parts or steps.
export const keysOf = (id) => IDBKeyRange.bound([id, 0], [id, Infinity]);

// The engine's picture at most kThumbnail pixels a side, a grey byte a pixel; `scratch` is 8
// bytes of the engine's memory.
export function thumbnail(engine, scratch) {
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

// One store's records of `kept` (what is stored of the picture: id, created, the serials of its
// steps stored, its parts and their count, its thumbnail), as the engine's state is now: what
// the list needs, the head, its parts that differ from those kept (`changedParts`), the steps not
// kept yet (`fresh`) and those the history let go (`gone`). The thumbnail is made again only
// every few seconds, and when the page is left.
export function makeRecords(engine, scratch, kept, { scope, leaving }) {
  const head = engineBytes(engine, engine._snapshotHead(scratch), scratch); // makes the last stroke a step first
  const serials = Array.from({ length: engine._stepCount() }, (_, i) => engine._stepSerial(i) >>> 0);
  const live = new Set(serials);
  const fresh = [];
  serials.forEach((serial, i) => kept.stored.has(serial) ||
    fresh.push([serial, engineBytes(engine, engine._stepBytes(i, scratch), scratch)]));
  const parts = [];
  for (let at = 0; at < head.length || !parts.length; at += kPartBytes)
    parts.push(head.subarray(at, at + kPartBytes));
  if (leaving || !kept.thumbnail || Date.now() - kept.thumbnail.made > kThumbnailMs)
    kept.thumbnail = { ...thumbnail(engine, scratch), made: Date.now() };
  const { made, ...small } = kept.thumbnail;
  return {
    picture: {
      id: kept.id, scope, format: kFormat, created: kept.created, time: Date.now(),
      width: engine._width(), height: engine._height(), thumbnail: small,
    },
    head: { id: kept.id, format: kFormat, parts: parts.length, serials },
    parts,
    changedParts: parts.map((part, k) => (sameBytes(kept.partsKept?.[k], part) ? null : part)),
    partsBefore: kept.parts,
    fresh,
    gone: [...kept.stored].filter((serial) => !live.has(serial)),
    serials,
  };
}

// Puts `made` into a transaction over every store.
export function putRecords(store, made) {
  const { id } = made.picture;
  store('pictures').put(made.picture);
  store('heads').put(made.head);
  made.changedParts.forEach((part, k) => part && store('parts').put(part, [id, k]));
  if (made.partsBefore > made.parts.length)
    store('parts').delete(IDBKeyRange.bound([id, made.parts.length], [id, Infinity]));
  for (const [serial, bytes] of made.fresh)
    store('steps').put(bytes, [id, serial]);
  for (const serial of made.gone)
    store('steps').delete([id, serial]);
}

// Deletes every record of picture `id` in a transaction over every store.
export function deleteRecords(store, id) {
  store('pictures').delete(id);
  store('heads').delete(id);
  store('parts').delete(keysOf(id));
  store('steps').delete(keysOf(id));
  store('owners').delete(id);
}

// Reads picture `id`'s records in a transaction over pictures, heads, parts and steps; what it
// finds is filled in once the transaction completes.
export function readRecords(store, id) {
  const found = {};
  store('pictures').get(id).onsuccess = (event) => (found.picture = event.target.result);
  store('heads').get(id).onsuccess = (event) => (found.head = event.target.result);
  store('parts').getAll(keysOf(id)).onsuccess = (event) => (found.parts = event.target.result);
  store('steps').getAll(keysOf(id)).onsuccess = (event) => (found.steps = event.target.result);
  store('steps').getAllKeys(keysOf(id)).onsuccess = (event) => (found.keys = event.target.result);
  return found;
}

// The bytes the engine restores a picture from: the head, then its steps in order, with the
// serials and the count of parts; null where the records are not of a format this build reads,
// or not whole.
export function snapshotOf({ picture, head, parts: headParts, steps, keys }) {
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
  return { bytes, serials: head.serials, parts: head.parts, headParts };
}
