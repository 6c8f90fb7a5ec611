// 保存: the engine's BMP bytes, through the browser's save picker where there is one, otherwise
// as a download under the name asked for in the page's own dialog; and 終了, as far as a page
// may close itself.

import { bytesFrom, withText } from './memory.js';

// `engineText(at)` reads a text the engine wrote; `dialogs` are the page's (web/dialogs.js).
export function createSaving({ engine, texts, engineText, dialogs }) {
  const kBmpFilter = { description: texts.BmpFilter, accept: { 'image/bmp': ['.bmp'] } };

  // The BMP file of the picture in `from`, an engine: the page's unless it says otherwise.
  function pictureFile(from = engine) {
    return bytesFrom(from, from._bmp);
  }

  async function askFileName() {
    const name = document.getElementById('FileName');
    name.value = '';
    const answer = await dialogs.showModal(document.getElementById('SaveDialog'));
    return answer === 'save' ? name.value : '';
  }

  // Why a save failed, in Japanese, for the exception the browser threw.
  function failureReason(error) {
    return engineText(withText(engine, error?.name, engine._saveFailureText));
  }

  // `file` gives the bytes to save: the picture on the canvas unless it says otherwise.
  async function save(file = pictureFile) {
    let name = '';
    try {
      if (!window.showSaveFilePicker) {
        name = await askFileName();
        if (name)
          download(name, new Blob([file()], { type: 'image/bmp' }));
        return;
      }
      const handle = await window.showSaveFilePicker({ types: [kBmpFilter] });
      name = handle.name;
      const writable = await handle.createWritable();
      await writable.write(file());
      await writable.close();
    } catch (error) {
      if (error?.name !== 'AbortError')
        await dialogs.tell(texts.SaveTitle, [texts.SaveFailed, name, failureReason(error)].filter(Boolean).join('\n'));
    }
  }

  // The browser closes only the windows a script opened.
  function quit() {
    window.close();
    setTimeout(() => {
      if (!window.closed)
        dialogs.tell(texts.QuitTitle, texts.QuitInTab);
    }, 200);
  }

  return { pictureFile, save, quit };
}

// Downloads the blob under the name, into the browser's downloads.
export function download(name, blob) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}
