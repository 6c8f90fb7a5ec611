// Bytes across the engine's memory, for any engine instance (the page runs a second one for
// pictures other than the one on the canvas).

// A copy of the `engine.HEAP32[sizeAt >> 2]` bytes the engine wrote at `start`.
export function engineBytes(engine, start, sizeAt) {
  return engine.HEAPU8.slice(start, start + engine.HEAP32[sizeAt >> 2]);
}

// A copy of the bytes `call(sizeAt)` hands over in `engine`'s memory, where it writes their count
// at sizeAt, four bytes of that engine's own (an address of another engine's would be written in
// this one's memory as if it were its own).
export function bytesFrom(engine, call) {
  const sizeAt = engine._malloc(4);
  try {
    return engineBytes(engine, call(sizeAt), sizeAt);
  } finally {
    engine._free(sizeAt);
  }
}

// Puts a snapshot into the engine; false, and nothing changed, where the engine refuses it.
export function restoreInto(engine, bytes) {
  const at = engine._malloc(Math.max(bytes.length, 1));
  if (!at)
    return false;
  engine.HEAPU8.set(bytes, at);
  const restored = engine._restore(at, bytes.length);
  engine._free(at);
  return Boolean(restored);
}

// `call(at)` with `text` put into the engine's memory at `at`, NUL-terminated UTF-8, for the
// length of the call; returns what the call returns.
export function withText(engine, text, call) {
  const bytes = new TextEncoder().encode(`${text}\0`);
  const at = engine._malloc(bytes.length);
  engine.HEAPU8.set(bytes, at);
  try {
    return call(at);
  } finally {
    engine._free(at);
  }
}
