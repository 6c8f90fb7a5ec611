// 絵の一覧: every picture kept, newest first, each with its thumbnail and when it was last
// changed; from it a picture is continued, saved as BMP, shared or deleted after confirming, and
// a new one begun with no history, the one on the canvas staying in the list.
//
// `page` gives what the list acts through: the engine, the texts, keeping (web/keeping.js), the
// dialogs (web/dialogs.js), saving (web/saving.js), sharing (web/sharing.js), area() (the canvas's room) and shown() (the
// page shows the engine's picture, tool and mode after a change of picture).

import { bytesFrom, restoreInto } from './memory.js';

export function startPictureList({ engine, texts, keeping, dialogs, saving, sharing, area, shown }) {
  const list = document.getElementById('PictureList');
  const dialog = document.getElementById('Pictures');
  let spare = null; // a second engine, for pictures other than the one on the canvas

  async function spareEngine() {
    spare ??= await createMironaEngine();
    return spare;
  }

  // A new picture with no history, the one on the canvas kept in the list.
  async function startNewPicture() {
    await keeping.startNew();
    const blank = await spareEngine();
    blank._newPicture(...area());
    restoreInto(engine, bytesFrom(blank, blank._snapshot));
    shown();
  }

  function thumbnailOf({ width, height, grey }) {
    const canvas = Object.assign(document.createElement('canvas'), { width, height });
    const rgba = new Uint8ClampedArray(width * height * 4);
    grey.forEach((value, i) => rgba.set([value, value, value, 255], 4 * i));
    canvas.getContext('2d').putImageData(new ImageData(rgba, width, height), 0, 0);
    canvas.setAttribute('aria-hidden', 'true');
    return canvas;
  }

  function listButton(name, action, enabled) {
    const button = Object.assign(document.createElement('button'), { type: 'button', textContent: texts[name] });
    button.dataset.action = name;
    button.disabled = !enabled;
    button.addEventListener('click', action);
    return button;
  }

  async function showList() {
    const items = await keeping.pictures();
    list.replaceChildren(...items.map((picture) => {
      const item = document.createElement('li');
      const when = document.createElement('span');
      when.className = 'when';
      when.textContent = new Date(picture.time).toLocaleString('ja-JP', { dateStyle: 'medium', timeStyle: 'short' });
      const state = document.createElement('span');
      state.className = 'state';
      state.textContent = picture.here ? texts.ThisPicture : !picture.readable ? texts.CannotOpen :
        picture.elsewhere ? texts.OpenElsewhereShort : '';
      item.append(thumbnailOf(picture.thumbnail), when, state,
        listButton('ContinuePicture', () => continuePicture(picture), picture.readable && !picture.here),
        listButton('Hozon', () => savePicture(picture), picture.readable),
        listButton('Share', () => inEngine(picture, sharing.share), picture.readable),
        listButton('DeletePicture', () => deletePicture(picture), !picture.elsewhere));
      return item;
    }));
    if (!dialog.open)
      await dialogs.showModal(dialog);
  }

  async function continuePicture(picture) {
    const takeOver = picture.elsewhere &&
      (await dialogs.ask(texts.OpenElsewhere, ['ContinueHere', 'Cancel'])) === 'ContinueHere';
    if (picture.elsewhere && !takeOver)
      return;
    if (await keeping.continueWith(picture.id, takeOver)) {
      dialog.close();
      shown();
    } else {
      await showList();
    }
  }

  // `act(from)` with the engine that has the picture: the page's for the one on the canvas, else
  // the spare one, the picture put into it.
  async function inEngine(picture, act) {
    const bytes = picture.here ? null : await keeping.bytesOf(picture.id);
    if (!bytes)
      return act(engine);
    const other = await spareEngine();
    if (restoreInto(other, bytes))
      await act(other);
  }

  function savePicture(picture) {
    return inEngine(picture, (from) => saving.save(() => saving.pictureFile(from)));
  }

  async function deletePicture(picture) {
    if ((await dialogs.ask(texts.ConfirmDelete, ['DeletePicture', 'Cancel'])) !== 'DeletePicture')
      return;
    if (await keeping.remove(picture.id) && picture.here)
      await startNewPicture();
    await showList();
  }

  document.getElementById('PicturesButton').addEventListener('click', showList);
  document.getElementById('NewPicture').addEventListener('click', async () => {
    dialog.close();
    await startNewPicture();
  });
  document.getElementById('ClosePictures').addEventListener('click', () => dialog.close());
}
