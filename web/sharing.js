// 共有 and Ctrl+C: the picture handed to other apps as a PNG file, the engine's (its exact
// pixels, black and white, at the canvas's size; never a stroke in progress). Where the browser
// shares files, 共有 opens the system's share sheet with it (the class's app, Photos, AirDrop,
// Drive); elsewhere it copies the picture to the clipboard, and where that is refused too it
// downloads it, and says which. Ctrl+C copies. Nothing here changes the picture, its history or
// what is kept of it; a share sheet closed without sharing says nothing.
//
// `engineText(at)` reads a text the engine wrote; `dialogs` are the page's (web/dialogs.js).

import { bytesFrom, withText } from './memory.js';
import { download } from './saving.js';

export function createSharing({ engine, texts, engineText, dialogs }) {
  // The PNG file of the picture in `from`, an engine: the page's unless it says otherwise.
  function pictureFile(from = engine) {
    return bytesFrom(from, from._png);
  }

  // The app's name and the local date and time, as a screenshot's name has them.
  function fileName() {
    const now = new Date();
    const two = (n) => String(n).padStart(2, '0');
    return `${document.title} ${now.getFullYear()}-${two(now.getMonth() + 1)}-${two(now.getDate())} ` +
      `${two(now.getHours())}.${two(now.getMinutes())}.${two(now.getSeconds())}.png`;
  }

  // Onto the clipboard as an image, or else into the downloads. Called within the press or the
  // key, as browsers let only those write to the clipboard.
  async function toClipboard(bytes) {
    const blob = new Blob([bytes], { type: 'image/png' });
    try {
      await navigator.clipboard.write([new ClipboardItem({ 'image/png': blob })]);
      dialogs.say(texts.Copied);
    } catch {
      download(fileName(), blob);
      dialogs.say(texts.Downloaded);
    }
  }

  async function share(from = engine) {
    const bytes = pictureFile(from);
    const file = new File([bytes], fileName(), { type: 'image/png' });
    if (!navigator.canShare?.({ files: [file] }))
      return toClipboard(bytes);
    try {
      await navigator.share({ files: [file] });
    } catch (error) {
      if (error?.name !== 'AbortError')
        await dialogs.tell(texts.Share,
          `${texts.ShareFailed}\n${engineText(withText(engine, error?.name, engine._shareFailureText))}`);
    }
  }

  return { share, copy: (from = engine) => toClipboard(pictureFile(from)) };
}
