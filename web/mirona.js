// The page's side of the web edition: it turns browser events into calls of the engine
// (web/WebSession, compiled to WebAssembly) and shows the engine's bitmap. What a stroke
// draws, which tool and mode are chosen and the bytes of a saved file are all the engine's.

const engine = await createMironaEngine();
const keeping = startKeeping(engine); // web/keeping.js
const canvas = document.getElementById('Picture1');
const context = canvas.getContext('2d', { alpha: false });
const menuBar = document.getElementById('MenuBar');
const scratch = engine._malloc(4); // a count the engine writes back

// ---- The bitmap: only the changed rectangles, at most once per animation frame.

let paintPending = false;
let settlePending = false; // a release's undo step, made once its drawing is shown

function schedulePaint() {
  if (!paintPending) {
    paintPending = true;
    requestAnimationFrame(paint);
  }
}

function paint() {
  paintPending = false;
  const width = engine._width();
  const height = engine._height();
  if (canvas.width !== width || canvas.height !== height) {
    canvas.width = width;
    canvas.height = height;
    canvas.style.width = `${width}px`;
    canvas.style.height = `${height}px`;
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
  if (settlePending) {
    settlePending = false;
    setTimeout(engine._settle);
  }
}

// ---- Menu state comes from the engine after every command.

function showMenuState() {
  for (const item of document.querySelectorAll('[data-tool]'))
    item.setAttribute('aria-checked', String(Boolean(engine._isToolChosen(Number(item.dataset.tool)))));
  for (const item of document.querySelectorAll('[data-mode]'))
    item.setAttribute('aria-checked', String(Boolean(engine._isModeChosen(Number(item.dataset.mode)))));
}

// Start-up and 白紙: the engine fits the canvas to the area under the menu bar.
function newPicture() {
  const page = document.documentElement;
  engine._newPicture(page.clientWidth, page.clientHeight - menuBar.offsetHeight);
  showMenuState();
  schedulePaint();
}

// ---- Pointers on the canvas: mouse, pen and touch, in whole canvas pixels. Buttons are 1 left,
// 2 right, 4 middle; a finger or a pen's tip is the left button, a pen's barrel button the right.

const kButtonBits = [1, 4, 2]; // by PointerEvent.button: left or contact, middle, right or barrel
const kPositions = 256; // the most positions handed over in one call
const positions = engine._malloc(8 * kPositions); // x, y as 32-bit floats

function modifiers(event) {
  return (event.shiftKey ? 1 : 0) | (event.ctrlKey ? 2 : 0) | (event.altKey ? 4 : 0);
}

function canvasPixel(event) {
  const box = canvas.getBoundingClientRect();
  return [Math.floor(event.clientX - box.left), Math.floor(event.clientY - box.top)];
}

// What a pointer event asks of the engine: a press or release of `bit` (pressed when `held`
// has it), or moves through every position the browser saw since the last event.
function callFor(event) {
  const held = event.buttons & 7;
  const shift = modifiers(event);
  if (event.button === -1) {
    if (!held)
      return null;
    const coalesced = event.getCoalescedEvents ? event.getCoalescedEvents() : [];
    return { held, shift, moves: (coalesced.length ? coalesced : [event]).map(canvasPixel) };
  }
  const bit = kButtonBits[event.button];
  return bit === undefined ? null : { bit, held, shift, at: canvasPixel(event) };
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
    settlePending = true;
    keeping.changed();
  }
  schedulePaint();
}

// One stroke at a time: the pointer that pressed on the canvas first, as the desktop's mouse
// grab, until it lets go. A finger's first calls are held back for a moment, in case more
// fingers follow: a tap with two fingers undoes, one with three redoes, and the finger that
// began it leaves nothing behind.
const kHoldBackMs = 150;
const kTapMs = 500;
const kTapSlop = 12; // CSS pixels a tapping finger may move
let stroke = null; // { pointerId, last, heldBack: { start, calls, timer } or null }
let tap = null; // { starts: Map of pointerId to position, most, moved, since }

function far(a, b) {
  return Math.hypot(a[0] - b[0], a[1] - b[1]) > kTapSlop;
}

function releaseHeldBack() {
  const { calls, timer } = stroke.heldBack;
  clearTimeout(timer);
  stroke.heldBack = null;
  calls.forEach(deliver);
}

function onTapFinger(event) {
  const at = canvasPixel(event);
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
  if (event.type === 'pointerdown' && touch && stroke?.heldBack) {
    // A second finger while the first is held back: a tap, and the first finger's stroke is
    // dropped before it reaches the engine.
    clearTimeout(stroke.heldBack.timer);
    tap = { starts: new Map([[stroke.pointerId, stroke.heldBack.start]]), most: 1, moved: false, since: event.timeStamp };
    stroke = null;
    return onTapFinger(event);
  }
  if (event.type === 'pointerdown' && !stroke) {
    canvas.setPointerCapture(event.pointerId);
    stroke = { pointerId: event.pointerId, heldBack: null };
    if (touch)
      stroke.heldBack = { start: canvasPixel(event), calls: [], timer: setTimeout(releaseHeldBack, kHoldBackMs) };
  }
  if (event.pointerId !== stroke?.pointerId)
    return;
  const ended = event.type === 'pointercancel' || (event.type === 'pointerup' && !(event.buttons & 7));
  const call = event.type === 'pointercancel' ? { bit: 1, held: 0, shift: 0, at: stroke.last } : callFor(event);
  if (call) {
    stroke.last = call.at ?? call.moves.at(-1);
    if (stroke.heldBack)
      stroke.heldBack.calls.push(call);
    else
      deliver(call);
  }
  if (stroke.heldBack && (ended || (call?.moves && far(stroke.last, stroke.heldBack.start))))
    releaseHeldBack();
  if (ended)
    stroke = null;
}

for (const type of ['pointerdown', 'pointermove', 'pointerup', 'pointercancel'])
  canvas.addEventListener(type, onPointer);
// None of the browser's own touch behaviour on the canvas: scrolling, zoom, the long-press menu,
// callout, magnifier or selection (Safari also wants its touch and gesture events cancelled).
canvas.addEventListener('contextmenu', (event) => event.preventDefault());
canvas.addEventListener('touchstart', (event) => event.preventDefault(), { passive: false });
canvas.addEventListener('touchmove', (event) => event.preventDefault(), { passive: false });
document.addEventListener('gesturestart', (event) => event.preventDefault());

// ---- Menus: a click opens one, a choice, Esc or a click elsewhere closes it.

const titles = [...menuBar.querySelectorAll('.menu > button')];
let openTitle = null;

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

function openMenu(title, focusItem = false) {
  closeMenu();
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
    if (event.key === 'ArrowDown' || event.key === 'Enter' || event.key === ' ') {
      event.preventDefault();
      openMenu(title, true);
    }
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
  else
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
// a Mac). The canvas may change size; the next paint fits it.

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
    schedulePaint();
    keeping.changed();
  }
}

// ---- Dialogs: modal; Esc cancels.

function showModal(dialog) {
  closeMenu();
  dialog.showModal();
  return new Promise((resolve) =>
    dialog.addEventListener('close', () => resolve(dialog.returnValue), { once: true }));
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

// ---- 保存: the engine's BMP bytes, through the browser's save picker where there is one,
// otherwise as a download under the name asked for in the page's own dialog.

const kBmpFilter = { description: 'BMPﾌｧｲﾙ (*.bmp)', accept: { 'image/bmp': ['.bmp'] } };

function pictureFile() {
  const start = engine._bmp(scratch);
  return engine.HEAPU8.slice(start, start + engine.HEAP32[scratch >> 2]);
}

async function askFileName() {
  const dialog = document.getElementById('SaveDialog');
  const name = document.getElementById('FileName');
  name.value = '';
  const answer = await showModal(dialog);
  return answer === 'save' ? name.value : '';
}

function download(name, bytes) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type: 'image/bmp' }));
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

async function save() {
  if (!window.showSaveFilePicker) {
    const name = await askFileName();
    if (name)
      download(name, pictureFile());
    return;
  }
  let handle;
  try {
    handle = await window.showSaveFilePicker({ types: [kBmpFilter] });
  } catch (error) {
    if (error.name !== 'AbortError')
      await tell('保存する', `保存できませんでした。\n${error.message}`);
    return;
  }
  try {
    const writable = await handle.createWritable();
    await writable.write(pictureFile());
    await writable.close();
  } catch (error) {
    await tell('保存する', `保存できませんでした。\n${handle.name}\n${error.message}`);
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

// The picture the browser kept, as it was left; otherwise a new one.
if (await keeping.open()) {
  showMenuState();
  schedulePaint();
} else {
  newPicture();
}
requestAnimationFrame(() => {
  performance.mark('mirona-ready');
  document.documentElement.dataset.ready = 'true';
});
