// The page's side of the web edition: it turns browser events into calls of the engine
// (web/WebSession, compiled to WebAssembly) and shows the engine's bitmap. What a stroke
// draws, which tool and mode are chosen and the bytes of a saved file are all the engine's.

const engine = await createMironaEngine();
const canvas = document.getElementById('Picture1');
// A low-latency canvas where the browser has one: what is drawn shows without waiting for the
// page's next frame.
const context = canvas.getContext('2d', { alpha: false, desynchronized: true });
const bar = document.getElementById('Bar');
const menuBar = document.getElementById('MenuBar');
const undoButton = document.getElementById('Undo');
const redoButton = document.getElementById('Redo');
const scratch = engine._malloc(4); // a count the engine writes back

// A NUL-terminated UTF-8 text in the engine's memory.
function engineText(at) {
  return new TextDecoder().decode(engine.HEAPU8.subarray(at, engine.HEAPU8.indexOf(0, at)));
}

// The texts the desktop program shows too, from the engine's table, each into the element of its
// name where the page has one.
const texts = Object.fromEntries(engineText(engine._texts()).split('\x1e').filter(Boolean)
  .map((record) => record.split('\x1f')));
for (const [id, text] of Object.entries(texts)) {
  const element = document.getElementById(id);
  if (element)
    element.textContent = text;
}

// ---- Notices: one that goes by itself or when tapped, and a status that stays while it holds
// (the picture not kept yet, or taken over by another page).

const notice = document.getElementById('Notice');
const statusLine = document.getElementById('Status');
let noticeTimer = 0;

function say(text) {
  notice.textContent = text;
  notice.hidden = false;
  clearTimeout(noticeTimer);
  noticeTimer = setTimeout(() => (notice.hidden = true), 10000);
}
notice.addEventListener('click', () => (notice.hidden = true));

function status(text) {
  statusLine.textContent = text;
  statusLine.hidden = !text;
}

const keeping = startKeeping(engine, { texts, say, status, ask }); // web/keeping.js

// ---- The bitmap: only the changed rectangles, painted at once, so that a pointer event's
// drawing shows in the frame in which the event arrived.

function paint() {
  const width = engine._width();
  const height = engine._height();
  if (canvas.width !== width || canvas.height !== height) {
    canvas.width = width;
    canvas.height = height;
    fitView();
  }
  const rects = engine._takeChanged(scratch) >> 2;
  // Taken after the call: growing the engine's memory replaces its buffer.
  const heap = engine.HEAP32;
  const count = heap[scratch >> 2];
  const view = new ImageData(
    new Uint8ClampedArray(engine.HEAPU8.buffer, engine._rgba(), width * height * 4), width, height);
  for (let i = rects; i < rects + 4 * count; i += 4) {
    const [left, top, right, bottom] = heap.subarray(i, i + 4);
    context.putImageData(view, 0, 0, left, top, right - left, bottom - top);
  }
}

// The area under the bar.
function area() {
  const page = document.documentElement;
  return [page.clientWidth, page.clientHeight - bar.offsetHeight];
}

// The whole canvas stays on screen: one canvas pixel to one CSS pixel where it fits, scaled
// down where the window is smaller (a tablet turned, a split screen). The picture is kept.
function fitView() {
  const [width, height] = area();
  const scale = Math.min(1, width / canvas.width, height / canvas.height);
  canvas.style.width = `${canvas.width * scale}px`;
  canvas.style.height = `${canvas.height * scale}px`;
  // Hard edges show every pixel at 1:1 and above; scaled down, they would drop whole lines.
  canvas.style.imageRendering = scale < 1 ? 'auto' : '';
}

window.addEventListener('resize', fitView);

// ---- Menu state comes from the engine after every command.

function showMenuState() {
  for (const item of document.querySelectorAll('[data-tool]'))
    item.setAttribute('aria-checked', String(Boolean(engine._isToolChosen(Number(item.dataset.tool)))));
  for (const item of document.querySelectorAll('[data-mode]'))
    item.setAttribute('aria-checked', String(Boolean(engine._isModeChosen(Number(item.dataset.mode)))));
}

function showTravelState() {
  undoButton.disabled = !engine._canUndo();
  redoButton.disabled = !engine._canRedo();
}

// Start-up and 白紙: the engine fits the canvas to the area under the bar.
function newPicture() {
  engine._newPicture(...area());
  showMenuState();
  showTravelState();
  paint();
}

// A release's undo step is made once its drawing is shown, so that the release costs only its
// drawing.
function settleAfterFrame() {
  requestAnimationFrame(() => setTimeout(() => {
    engine._settle();
    showTravelState();
  }));
}

// ---- Pointers on the canvas: mouse, pen and touch, in whole canvas pixels. Buttons are 1 left,
// 2 right, 4 middle; a finger or a pen's tip is the left button, a pen's barrel button the right.

const kButtonBits = [1, 4, 2]; // by PointerEvent.button: left or contact, middle, right or barrel
const kPositions = 256; // the most positions handed over in one call
const positions = engine._malloc(8 * kPositions); // x, y as 32-bit floats

function modifiers(event) {
  return (event.shiftKey ? 1 : 0) | (event.ctrlKey ? 2 : 0) | (event.altKey ? 4 : 0);
}

// `box` is the canvas's bounding rectangle, asked for once an event.
function canvasPixel(event, box) {
  return [Math.floor((event.clientX - box.left) * canvas.width / box.width),
    Math.floor((event.clientY - box.top) * canvas.height / box.height)];
}

// What a pointer event asks of the engine: a press or release of `bit` (pressed when `held`
// has it), or moves through every position the browser saw since the last event.
function callFor(event) {
  const held = event.buttons & 7;
  const shift = modifiers(event);
  const box = canvas.getBoundingClientRect();
  if (event.button === -1) {
    if (!held)
      return null;
    const coalesced = event.getCoalescedEvents ? event.getCoalescedEvents() : [];
    return { held, shift, moves: (coalesced.length ? coalesced : [event]).map((e) => canvasPixel(e, box)) };
  }
  const bit = kButtonBits[event.button];
  return bit === undefined ? null : { bit, held, shift, at: canvasPixel(event, box) };
}

function deliver(call) {
  if (call.moves) {
    // The engine decides which positions its tool uses.
    for (let first = 0; first < call.moves.length; first += kPositions) {
      const batch = call.moves.slice(first, first + kPositions);
      engine.HEAPF32.set(batch.flat(), positions >> 2);
      engine._pointerMoves(call.held, call.shift, positions, batch.length);
    }
  } else if (call.held & call.bit) {
    engine._pointerDown(call.bit, call.shift, ...call.at);
  } else {
    engine._pointerUp(call.bit, call.shift, ...call.at);
    settleAfterFrame();
    keeping.changed();
  }
  paint();
}

// One stroke at a time: the pointer that pressed on the canvas first, as the desktop's mouse
// grab, until it lets go. A finger draws at once; when a second finger lands soon after, before
// the first has gone far, the fingers make a tap instead: the first finger's stroke is taken
// back as if it had never begun, and a tap with two fingers undoes, one with three redoes.
const kSecondFingerMs = 150;
const kTapMs = 500;
const kTapSlop = 12; // CSS pixels a tapping finger may move
let stroke = null; // { pointerId, held, last, tapStart: { at, since } while it may become a tap }
let tap = null; // { starts: Map of pointerId to position, most, moved, since }

function far(a, b) {
  return Math.hypot(a[0] - b[0], a[1] - b[1]) > kTapSlop;
}

function onTapFinger(event) {
  const at = [event.clientX, event.clientY];
  if (event.type === 'pointerdown') {
    canvas.setPointerCapture(event.pointerId);
    tap.starts.set(event.pointerId, at);
    tap.most = Math.max(tap.most, tap.starts.size);
  } else if (event.type === 'pointermove') {
    tap.moved ||= far(at, tap.starts.get(event.pointerId));
  } else {
    tap.starts.delete(event.pointerId);
    if (tap.starts.size === 0) {
      if (!tap.moved && event.timeStamp - tap.since < kTapMs && event.type === 'pointerup')
        travel(tap.most === 2 ? engine._undo : tap.most === 3 ? engine._redo : () => false);
      tap = null;
    }
  }
}

function onPointer(event) {
  event.preventDefault();
  const touch = event.pointerType === 'touch';
  if (tap && (tap.starts.has(event.pointerId) || (touch && event.type === 'pointerdown')))
    return onTapFinger(event);
  const tapStart = stroke?.tapStart;
  if (tapStart && event.type === 'pointermove' && event.pointerId === stroke.pointerId &&
      (event.timeStamp - tapStart.since >= kSecondFingerMs || far([event.clientX, event.clientY], tapStart.at)))
    stroke.tapStart = null;
  if (event.type === 'pointerdown' && touch && tapStart &&
      event.timeStamp - tapStart.since < kSecondFingerMs) {
    engine._abandon();
    paint();
    tap = { starts: new Map([[stroke.pointerId, tapStart.at]]), most: 1, moved: false, since: tapStart.since };
    stroke = null;
    return onTapFinger(event);
  }
  if (event.type === 'pointerdown' && !stroke) {
    canvas.setPointerCapture(event.pointerId);
    stroke = { pointerId: event.pointerId, held: 0, last: null, tapStart: null };
    if (touch)
      stroke.tapStart = { at: [event.clientX, event.clientY], since: event.timeStamp };
  }
  if (event.pointerId !== stroke?.pointerId)
    return;
  if (event.type === 'pointercancel')
    return cutStroke();
  const call = callFor(event);
  if (call) {
    stroke.held = call.held;
    stroke.last = call.at ?? call.moves.at(-1);
    deliver(call);
  }
  if (event.type === 'pointerup' && !(event.buttons & 7))
    stroke = null;
}

// A stroke cut short (the browser took the pointer over, the pointer was lost, the page hidden,
// frozen or left for another): every button the stroke held is let go where it was, so that no
// rubber band stays on the canvas and what is stored is never a stroke half made.
function cutStroke() {
  tap = null;
  if (!stroke)
    return;
  for (const bit of [1, 2, 4])
    if (stroke.held & bit)
      deliver({ bit, held: (stroke.held &= ~bit), shift: 0, at: stroke.last });
  stroke = null;
}

for (const type of ['pointerdown', 'pointermove', 'pointerup', 'pointercancel'])
  canvas.addEventListener(type, onPointer);
canvas.addEventListener('lostpointercapture', (event) => event.pointerId === stroke?.pointerId && cutStroke());
addEventListener('pagehide', () => {
  cutStroke();
  keeping.leave();
});
addEventListener('pageshow', (event) => event.persisted && keeping.comeBack());
function hidden() {
  cutStroke();
  keeping.store();
}
document.addEventListener('visibilitychange', () => document.visibilityState === 'hidden' && hidden());
document.addEventListener('freeze', hidden);
// None of the browser's own touch behaviour on the canvas: scrolling, zoom, the long-press menu,
// callout, magnifier or selection (Safari also wants its touch and gesture events cancelled).
canvas.addEventListener('contextmenu', (event) => event.preventDefault());
canvas.addEventListener('touchstart', (event) => event.preventDefault(), { passive: false });
canvas.addEventListener('touchmove', (event) => event.preventDefault(), { passive: false });
document.addEventListener('gesturestart', (event) => event.preventDefault());

// ---- Menus: a click opens one, a choice, Esc, Tab or a click elsewhere closes it. The bar is
// one tab stop, whose titles Left and Right go through; after a choice, focus goes back to
// where it was before the menu opened.

const titles = [...menuBar.querySelectorAll('.menu > button')];
let openTitle = null;
let focusBeforeMenu = null;

function menuOf(title) {
  return document.getElementById(title.getAttribute('aria-controls'));
}

function itemsOf(title) {
  return [...menuOf(title).children];
}

function closeMenu() {
  if (!openTitle)
    return;
  openTitle.setAttribute('aria-expanded', 'false');
  menuOf(openTitle).hidden = true;
  openTitle = null;
}

// The title that takes the bar's tab stop.
function takeTabStop(title) {
  for (const other of titles)
    other.tabIndex = other === title ? 0 : -1;
}

function openMenu(title, focusItem = false) {
  if (!openTitle)
    focusBeforeMenu = document.activeElement;
  closeMenu();
  takeTabStop(title);
  title.setAttribute('aria-expanded', 'true');
  menuOf(title).hidden = false;
  openTitle = title;
  if (focusItem)
    itemsOf(title)[0].focus();
}

const commands = {
  Hakushi: newPicture,
  Hozon: save,
  Quit: quit,
  Joho: () => showModal(document.getElementById('Form2')),
};

function choose(item) {
  closeMenu();
  focusBeforeMenu?.focus();
  if (item.dataset.tool !== undefined)
    engine._selectTool(Number(item.dataset.tool));
  else if (item.dataset.mode !== undefined)
    engine._selectMode(Number(item.dataset.mode));
  else
    commands[item.id]();
  showMenuState();
  keeping.changed();
}

for (const title of titles) {
  title.addEventListener('click', () => (openTitle === title ? closeMenu() : openMenu(title)));
  title.addEventListener('pointerenter', () => openTitle && openTitle !== title && openMenu(title));
  title.addEventListener('keydown', (event) => {
    const across = { ArrowRight: 1, ArrowLeft: -1 }[event.key];
    if (across) {
      const next = titles[(titles.indexOf(title) + across + titles.length) % titles.length];
      if (openTitle)
        openMenu(next);
      takeTabStop(next);
      next.focus();
    } else if (event.key === 'ArrowDown' || event.key === 'Enter' || event.key === ' ') {
      openMenu(title, true);
    } else {
      return;
    }
    event.preventDefault();
  });
  for (const item of itemsOf(title)) {
    item.addEventListener('click', () => choose(item));
    item.addEventListener('keydown', (event) => onMenuKey(event, title, item));
  }
}

function onMenuKey(event, title, item) {
  const items = itemsOf(title);
  const step = { ArrowDown: 1, ArrowUp: -1 }[event.key];
  const across = { ArrowRight: 1, ArrowLeft: -1 }[event.key];
  if (step)
    items[(items.indexOf(item) + step + items.length) % items.length].focus();
  else if (across)
    openMenu(titles[(titles.indexOf(title) + across + titles.length) % titles.length], true);
  else if (event.key === 'Enter' || event.key === ' ')
    choose(item);
  else if (event.key === 'Tab') {
    // Out of the menu, from its title: the browser's own move goes on from there.
    closeMenu();
    title.focus();
    return;
  } else
    return;
  event.preventDefault();
}

// A click outside an open menu only closes it, as a desktop menu does.
document.addEventListener('pointerdown', (event) => {
  if (openTitle && !menuBar.contains(event.target)) {
    closeMenu();
    event.stopPropagation();
    event.preventDefault();
  }
}, true);

document.addEventListener('keydown', (event) => {
  if (event.key === 'Escape' && openTitle) {
    const title = openTitle;
    closeMenu();
    title.focus();
  }
});

// ---- Undo and redo, with the desktop's keys: Ctrl+Z, and Ctrl+Y or Ctrl+Shift+Z (Command on
// a Mac), and with the bar's two buttons. The canvas may change size; the paint fits it.

document.addEventListener('keydown', (event) => {
  if (!(event.ctrlKey || event.metaKey) || event.altKey || openTitle || document.querySelector('dialog[open]'))
    return;
  const key = event.key.toLowerCase();
  const move = key === 'z' && !event.shiftKey ? engine._undo : key === 'y' || key === 'z' ? engine._redo : null;
  if (!move)
    return;
  event.preventDefault();
  travel(move);
});

function travel(move) {
  if (move()) {
    showMenuState();
    paint();
    keeping.changed();
  }
  showTravelState();
}

undoButton.addEventListener('click', () => travel(engine._undo));
redoButton.addEventListener('click', () => travel(engine._redo));

// ---- 開く, a file dropped on the page and a pasted image (web/opening.js): an undo step, shown
// and kept as travel() does.
startOpening(engine, {
  texts,
  tell,
  opened() {
    showMenuState();
    paint();
    keeping.changed();
    showTravelState();
  },
});

// ---- Dialogs: modal; Esc cancels; focus goes back to where it was.

function showModal(dialog) {
  closeMenu();
  const focused = document.activeElement;
  dialog.showModal();
  return new Promise((resolve) =>
    dialog.addEventListener('close', () => {
      // The event comes a task after the dialog closed: a key pressed in between may already
      // have moved focus on (into a menu just opened), which stays where it went.
      const active = document.activeElement;
      if (!active || active === document.body || dialog.contains(active))
        focused?.focus();
      resolve(dialog.returnValue);
    }, { once: true }));
}

document.getElementById('Command1').addEventListener('click', () =>
  document.getElementById('Form2').close());
document.getElementById('MessageOk').addEventListener('click', () =>
  document.getElementById('Message').close());

function tell(title, text) {
  document.getElementById('MessageTitle').textContent = title;
  document.getElementById('MessageText').textContent = text;
  return showModal(document.getElementById('Message'));
}

// A question with a button for each choice, named in the table of texts; resolves to the name
// of the one chosen, or '' where Esc closed it.
function ask(text, choices) {
  document.getElementById('ChoiceText').textContent = text;
  document.getElementById('ChoiceButtons').replaceChildren(...choices.map((name) =>
    Object.assign(document.createElement('button'), { value: name, textContent: texts[name] })));
  return showModal(document.getElementById('Choice'));
}

// ---- 保存: the engine's BMP bytes, through the browser's save picker where there is one,
// otherwise as a download under the name asked for in the page's own dialog.

const kBmpFilter = { description: texts.BmpFilter, accept: { 'image/bmp': ['.bmp'] } };

function pictureFile(from = engine) {
  const start = from._bmp(scratch);
  return from.HEAPU8.slice(start, start + from.HEAP32[scratch >> 2]);
}

async function askFileName() {
  const dialog = document.getElementById('SaveDialog');
  const name = document.getElementById('FileName');
  name.value = '';
  const answer = await showModal(dialog);
  return answer === 'save' ? name.value : '';
}

// Why a save failed, in Japanese, for the exception the browser threw.
function failureReason(error) {
  const name = new TextEncoder().encode(`${error?.name}\0`);
  const at = engine._malloc(name.length);
  engine.HEAPU8.set(name, at);
  const text = engine._saveFailureText(at);
  engine._free(at);
  return engineText(text);
}

function download(name, bytes) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type: 'image/bmp' }));
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

// `file` gives the bytes to save: the picture on the canvas unless it says otherwise.
async function save(file = pictureFile) {
  let name = '';
  try {
    if (!window.showSaveFilePicker) {
      name = await askFileName();
      if (name)
        download(name, pictureFile());
      return;
    }
    const handle = await window.showSaveFilePicker({ types: [kBmpFilter] });
    name = handle.name;
    const writable = await handle.createWritable();
    await writable.write(file());
    await writable.close();
  } catch (error) {
    if (error?.name !== 'AbortError')
      await tell(texts.SaveTitle, [texts.SaveFailed, name, failureReason(error)].filter(Boolean).join('\n'));
  }
}

// ---- 終了: the browser closes only the windows a script opened.

function quit() {
  window.close();
  setTimeout(() => {
    if (!window.closed)
      tell('ミロナ', 'このページを閉じるには、ブラウザーのタブを閉じてください。');
  }, 200);
}

// ---- 絵の一覧: every picture kept, newest first, each with its thumbnail and when it was last
// changed; from it a picture is continued, saved as BMP or deleted, and a new one begun.

const pictureList = document.getElementById('PictureList');
let spare = null; // a second engine, for pictures other than the one on the canvas

// The picture just opened into the engine, shown with its tool and mode.
function showOpened() {
  showMenuState();
  showTravelState();
  paint();
}

// A new picture with no history, the one on the canvas kept in the list.
async function startNewPicture() {
  await keeping.startNew();
  spare ??= await createMironaEngine();
  spare._newPicture(...area());
  const start = spare._snapshot(scratch);
  const bytes = spare.HEAPU8.slice(start, start + spare.HEAP32[scratch >> 2]);
  const at = engine._malloc(bytes.length);
  engine.HEAPU8.set(bytes, at);
  engine._restore(at, bytes.length);
  engine._free(at);
  showOpened();
}

function thumbnailOf({ width, height, grey }) {
  const canvas = Object.assign(document.createElement('canvas'), { width, height });
  const rgba = new Uint8ClampedArray(width * height * 4);
  grey.forEach((value, i) => rgba.set([value, value, value, 255], 4 * i));
  canvas.getContext('2d').putImageData(new ImageData(rgba, width, height), 0, 0);
  canvas.setAttribute('aria-hidden', 'true');
  return canvas;
}

function listButton(name, action, enabled = true) {
  const button = Object.assign(document.createElement('button'), { type: 'button', textContent: texts[name] });
  button.dataset.action = name;
  button.disabled = !enabled;
  button.addEventListener('click', action);
  return button;
}

async function showPictureList() {
  const items = await keeping.pictures();
  pictureList.replaceChildren(...items.map((picture) => {
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
      listButton('DeletePicture', () => deletePicture(picture), !picture.elsewhere));
    return item;
  }));
  const dialog = document.getElementById('Pictures');
  if (!dialog.open)
    await showModal(dialog);
}

async function continuePicture(picture) {
  const takeOver = picture.elsewhere &&
    (await ask(texts.OpenElsewhere, ['ContinueHere', 'Cancel'])) === 'ContinueHere';
  if (picture.elsewhere && !takeOver)
    return;
  if (await keeping.continueWith(picture.id, takeOver)) {
    document.getElementById('Pictures').close();
    showOpened();
  } else {
    await showPictureList();
  }
}

async function savePicture(picture) {
  const bytes = picture.here ? null : await keeping.bytesOf(picture.id);
  if (!bytes)
    return save();
  spare ??= await createMironaEngine();
  const at = spare._malloc(bytes.length);
  spare.HEAPU8.set(bytes, at);
  const restored = spare._restore(at, bytes.length);
  spare._free(at);
  if (restored)
    await save(() => pictureFile(spare));
}

async function deletePicture(picture) {
  if ((await ask(texts.ConfirmDelete, ['DeletePicture', 'Cancel'])) !== 'DeletePicture')
    return;
  if (await keeping.remove(picture.id) && picture.here)
    await startNewPicture();
  await showPictureList();
}

document.getElementById('PicturesButton').addEventListener('click', showPictureList);
document.getElementById('NewPicture').addEventListener('click', async () => {
  document.getElementById('Pictures').close();
  await startNewPicture();
});
document.getElementById('ClosePictures').addEventListener('click', () => document.getElementById('Pictures').close());

// ---- Releases of the served app. A new one, once installed and waiting, is offered: on 更新
// the picture is stored and the new release takes over, and the page opens again with it.
// Without HTTPS there is no service worker: the page says once what that costs.

const kToldAboutHttps = 'mirona told about HTTPS';
if (!isSecureContext && location.protocol !== 'file:') {
  try {
    if (!localStorage.getItem(kToldAboutHttps)) {
      say(texts.NeedsHttps);
      localStorage.setItem(kToldAboutHttps, 'yes');
    }
  } catch {}
}

function offerUpdate(worker) {
  const offer = document.getElementById('Update');
  offer.hidden = false;
  document.getElementById('UpdateButton').onclick = async () => {
    cutStroke();
    await keeping.leave();
    navigator.serviceWorker.addEventListener('controllerchange', () => location.reload(), { once: true });
    worker.postMessage('take over');
  };
}

if ('serviceWorker' in navigator && document.querySelector('link[rel="manifest"]')) {
  navigator.serviceWorker.register('service-worker.js').then((registration) => {
    const waiting = () => registration.waiting && navigator.serviceWorker.controller && offerUpdate(registration.waiting);
    waiting();
    registration.addEventListener('updatefound', () => {
      const worker = registration.installing;
      worker?.addEventListener('statechange', () => worker.state === 'installed' && waiting());
    });
    // A tablet may keep the app open for weeks: it looks for a new release whenever it is shown.
    document.addEventListener('visibilitychange', () =>
      document.visibilityState === 'visible' && registration.update().catch(() => {}));
  }).catch(() => {});
}

// The picture the browser kept, as it was left; otherwise a new one.
if (await keeping.open())
  showOpened();
else
  newPicture();
document.getElementById('PicturesButton').hidden = !keeping.available;
requestAnimationFrame(() => {
  performance.mark('mirona-ready');
  document.documentElement.dataset.ready = 'true';
});
