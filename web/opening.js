// Opening a picture in the page: a file chosen with 開く (on an iPad, from Files or Photos), a
// file dropped on the page, or an image pasted. The browser's own decoder gives the pixels
// (createImageBitmap), and the engine makes the picture of them (openPicture), as an undo step:
// black where a pixel's luminance over white is below 128, a picture that is not square centred
// on a square of its longer side, up to 8192 pixels a side.
//
// startOpening(engine, hooks) wires the page up; hooks are { texts, tell(title, text), opened() },
// opened being called after the engine took a picture, for the page to repaint and keep it. A
// file that cannot be opened changes nothing; the page says why, naming it.

export function startOpening(engine, hooks) {
  const kMaxSide = 8192;
  const kBandRows = 256; // rows of pixels copied into the engine at a time
  const { texts } = hooks;
  const button = document.getElementById('OpenButton');
  const chooser = document.getElementById('OpenFile');

  class Refusal extends Error {
    constructor(reason) {
      super(reason);
      this.reason = reason;
    }
  }

  // The CRC of a PNG chunk's type and data, the engine's.
  function pngCrc(bytes) {
    const at = engine._malloc(bytes.length);
    try {
      engine.HEAPU8.set(bytes, at);
      return engine._pngCrc(at, bytes.length) >>> 0;
    } finally {
      engine._free(at);
    }
  }

  // What the first bytes say: the kind of picture, where it is one that browsers decode; for a
  // PNG, GIF or BMP whether its header is one (`broken` where it is not: its sizes then mean
  // nothing) and the size it gives, read before anything is decoded.
  function headerFacts(bytes, fileSize) {
    const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
    const starts = (...values) => values.every((v, i) => bytes[i] === v);
    if (starts(0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a)) {
      // The first chunk is the 13 bytes of IHDR, whose CRC must match.
      const header = bytes.length >= 33 && view.getUint32(8) === 13 &&
        String.fromCharCode(...bytes.subarray(12, 16)) === 'IHDR' && pngCrc(bytes.subarray(12, 29)) === view.getUint32(29);
      return { image: true, broken: !header, width: view.getUint32(16), height: view.getUint32(20) };
    }
    if (starts(0x47, 0x49, 0x46, 0x38)) {
      const header = bytes.length >= 10 && (starts(0x47, 0x49, 0x46, 0x38, 0x37, 0x61) || starts(0x47, 0x49, 0x46, 0x38, 0x39, 0x61));
      return { image: true, broken: !header, width: view.getUint16(6, true), height: view.getUint16(8, true) };
    }
    if (bytes.length >= 2 && starts(0x42, 0x4d)) {
      if (bytes.length < 34 || view.getUint32(14, true) < 40)
        return { image: true, width: 0, height: 0 };
      const width = Math.abs(view.getInt32(18, true));
      const height = Math.abs(view.getInt32(22, true));
      const bits = view.getUint16(28, true);
      const compression = view.getUint32(30, true);
      if (view.getUint16(26, true) !== 1 || ![1, 2, 4, 8, 16, 24, 32].includes(bits) || compression > 6)
        return { image: true, broken: true, width, height };
      // The decoder shows the rows a truncated file lacks; the desktop refuses it, and so does
      // the page.
      const missing = (compression === 0 || compression === 3) &&
        view.getUint32(10, true) + Math.floor((width * bits + 31) / 32) * 4 * height > fileSize;
      return { image: true, width, height, missing };
    }
    const jpeg = bytes.length >= 3 && starts(0xff, 0xd8, 0xff);
    const webp = bytes.length >= 12 && starts(0x52, 0x49, 0x46, 0x46) &&
      String.fromCharCode(...bytes.subarray(8, 12)) === 'WEBP';
    return { image: jpeg || webp, width: 0, height: 0 };
  }

  async function decode(file) {
    let head;
    try {
      head = new Uint8Array(await file.slice(0, 64).arrayBuffer());
    } catch {
      throw new Refusal(texts.OpenUnreadable);
    }
    const facts = headerFacts(head, file.size);
    if (facts.broken || facts.missing)
      throw new Refusal(texts.OpenBroken);
    if (facts.width > kMaxSide || facts.height > kMaxSide)
      throw new Refusal(texts.OpenTooLarge);
    let bitmap;
    try {
      bitmap = await createImageBitmap(file, { premultiplyAlpha: 'none', colorSpaceConversion: 'none' });
    } catch (error) {
      if (error?.name === 'NotReadableError')
        throw new Refusal(texts.OpenUnreadable);
      throw new Refusal(facts.image ? texts.OpenBroken : texts.OpenNotImage);
    }
    if (bitmap.width > kMaxSide || bitmap.height > kMaxSide || !bitmap.width || !bitmap.height) {
      bitmap.close();
      throw new Refusal(bitmap.width && bitmap.height ? texts.OpenTooLarge : texts.OpenBroken);
    }
    return bitmap;
  }

  // The bitmap's RGBA pixels into the engine's memory, a band of rows at a time, so that only
  // the canvas and the engine's copy hold the whole picture; then the engine opens it.
  function openBitmap(bitmap) {
    const { width, height } = bitmap;
    const canvas = document.createElement('canvas');
    canvas.width = width;
    canvas.height = height;
    const context = canvas.getContext('2d', { willReadFrequently: true });
    context.drawImage(bitmap, 0, 0);
    bitmap.close();
    const pixels = engine._malloc(width * height * 4);
    if (!pixels)
      throw new Refusal(texts.OpenTooLarge);
    try {
      for (let top = 0; top < height; top += kBandRows) {
        const rows = Math.min(kBandRows, height - top);
        const band = context.getImageData(0, top, width, rows).data;
        engine.HEAPU8.set(band, pixels + top * width * 4);
      }
      return engine._openPicture(width, height, pixels);
    } finally {
      engine._free(pixels);
      canvas.width = canvas.height = 0;
    }
  }

  // Opens the file, or says why not; whether it opened.
  async function open(file) {
    try {
      if (!openBitmap(await decode(file)))
        throw new Refusal(texts.OpenBroken);
    } catch (error) {
      const reason = error instanceof Refusal ? error.reason : texts.OpenUnreadable;
      await hooks.tell(texts.OpenTitle, [texts.OpenFailed, file.name, reason].filter(Boolean).join('\n'));
      return false;
    }
    hooks.opened();
    return true;
  }

  button.addEventListener('click', () => {
    chooser.value = '';
    chooser.click();
  });
  chooser.addEventListener('change', () => {
    if (chooser.files[0])
      open(chooser.files[0]);
  });

  // A file dragged over the page can be dropped anywhere on it; the browser would otherwise
  // leave the page to show the file.
  const carriesFiles = (event) => event.dataTransfer?.types.includes('Files');
  document.addEventListener('dragover', (event) => {
    if (!carriesFiles(event))
      return;
    event.preventDefault();
    event.dataTransfer.dropEffect = 'copy';
  });
  document.addEventListener('drop', (event) => {
    if (!carriesFiles(event))
      return;
    event.preventDefault();
    const file = event.dataTransfer.files[0];
    if (file)
      open(file);
  });
  document.addEventListener('paste', (event) => {
    const item = [...(event.clipboardData?.items ?? [])]
      .find((i) => i.kind === 'file' && i.type.startsWith('image/'));
    if (!item)
      return;
    event.preventDefault();
    open(item.getAsFile());
  });

  return { open };
}
