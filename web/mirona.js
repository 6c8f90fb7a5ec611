// The page's side of the web edition: it starts the engine (web/engine/WebSession, compiled to
// WebAssembly), shows the engine's bitmap, and wires the page's parts to it: pointers
// (web/pointer.js), menus, dialogs, saving, keeping pictures, their list, opening pictures and
// releases. What a stroke draws, which tool and mode are chosen and the bytes of a saved file are
// all the engine's.

import { createDialogs } from './dialogs.js';
import { openKeeping, startKeeping } from './keeping.js';
import { startMenus } from './menus.js';
import { startOpening } from './opening.js';
import { startPictureList } from './pictures.js';
import { createPointerInput } from './pointer.js';
import { startReleases } from './release.js';
import { createSaving } from './saving.js';
import { createSharing } from './sharing.js';

const early = openKeeping(); // storage opens and the tab's picture is read while the engine compiles
const engine = await mironaEngine; // started by the engine's script
performance.mark('mirona-engine');
const canvas = document.getElementById('Picture1');
// A low-latency canvas where the browser has one: what is drawn shows without waiting for the
// page's next frame.
const context = canvas.getContext('2d', { alpha: false, desynchronized: true });
const bar = document.getElementById('Bar');
const undoButton = document.getElementById('Undo');
const redoButton = document.getElementById('Redo');
const scratch = engine._malloc(8); // what the engine writes back: a count and a flag

// A NUL-terminated UTF-8 text in the engine's memory.
function engineText(at) {
  return new TextDecoder().decode(engine.HEAPU8.subarray(at, engine.HEAPU8.indexOf(0, at)));
}

// Every text the page shows, from the engine's table: into the element of its name where the
// page has one, or that names it in data-text; as the accessible name (and a button's title) of
// an element without text of its own that names it in data-name.
const texts = Object.fromEntries(engineText(engine._texts()).split('\x1e').filter(Boolean)
  .map((record) => record.split('\x1f')));
for (const [id, text] of Object.entries(texts)) {
  const element = document.getElementById(id);
  if (element && !element.dataset.name)
    element.textContent = text;
}
for (const element of document.querySelectorAll('[data-text]'))
  element.textContent = texts[element.dataset.text];
for (const element of document.querySelectorAll('[data-name]')) {
  element.setAttribute('aria-label', texts[element.dataset.name]);
  if (element instanceof HTMLButtonElement)
    element.title = texts[element.dataset.name];
}

// ---- The bitmap: only the rectangles of changed pixels, painted at once, so that a pointer
// event's drawing shows in the frame in which the event arrived.

// The engine's pixels as the canvas takes them, made again when its memory or the canvas changes.
let view = null;

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
  const [count, fillWhite] = heap.subarray(scratch >> 2, (scratch >> 2) + 2);
  if (fillWhite) {
    context.fillStyle = '#ffffff';
    context.fillRect(0, 0, width, height);
  }
  if (!count)
    return;
  const pixels = engine._rgba();
  if (view?.data.buffer !== engine.HEAPU8.buffer || view.data.byteOffset !== pixels ||
      view.width !== width || view.height !== height)
    view = new ImageData(new Uint8ClampedArray(engine.HEAPU8.buffer, pixels, width * height * 4), width, height);
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

// Where the canvas is, asked for again at each press and whenever the page's layout may have
// moved or sized it (asking costs more than a move's drawing on a small canvas).
let box = null;
const forgetBox = () => (box = null);
const layoutWatch = new ResizeObserver(forgetBox);
layoutWatch.observe(document.body);
layoutWatch.observe(bar);

// The whole canvas stays on screen: one canvas pixel to one CSS pixel where it fits, scaled
// down where the window is smaller (a tablet turned, a split screen). The picture is kept.
function fitView() {
  forgetBox();
  const [width, height] = area();
  const scale = Math.min(1, width / canvas.width, height / canvas.height);
  canvas.style.width = `${canvas.width * scale}px`;
  canvas.style.height = `${canvas.height * scale}px`;
  // Hard edges show every pixel at one device pixel a canvas pixel and above, also where a CSS
  // pixel is several device pixels (a Chromebook at 125 %, an iPad at 200 %) and the canvas is
  // scaled down in CSS pixels only; below that, they would drop whole lines.
  canvas.style.imageRendering = scale * devicePixelRatio < 1 ? 'auto' : '';
  // A new device pixel ratio alone (the window taken to another screen) fires no resize.
  ratioWatch?.removeEventListener('change', fitView);
  ratioWatch = matchMedia(`(resolution: ${devicePixelRatio}dppx)`);
  ratioWatch.addEventListener('change', fitView);
}
let ratioWatch = null;

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

// The engine's picture, tool and mode, after a change of picture.
function shown() {
  showMenuState();
  showTravelState();
  paint();
}

// ---- The parts of the page.

let menus = null;
const dialogs = createDialogs({ texts, beforeModal: () => menus?.closeMenu() });
const keeping = startKeeping(engine, { texts, say: dialogs.say, status: dialogs.status, ask: dialogs.ask }, early);
const saving = createSaving({ engine, texts, engineText, dialogs });
const sharing = createSharing({ engine, texts, engineText, dialogs });
document.getElementById('Share').addEventListener('click', () => sharing.share());

const commands = {
  Hakushi: newPicture,
  Hozon: () => saving.save(),
  Quit: saving.quit,
  Joho: () => dialogs.showModal(document.getElementById('Form2')),
};

menus = startMenus({
  choose(item) {
    if (item.dataset.tool !== undefined)
      engine._selectTool(Number(item.dataset.tool));
    else if (item.dataset.mode !== undefined)
      engine._selectMode(Number(item.dataset.mode));
    else
      commands[item.id]();
    showMenuState();
    keeping.changed();
  },
});

// ---- Pointers on the canvas, in whole canvas pixels.

const kPositions = 256; // the most positions handed over in one call
const positions = engine._malloc(8 * kPositions); // x, y as 32-bit floats

const pointers = createPointerInput({
  deliver(call) {
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
  },
  abandon() {
    engine._abandon();
    paint();
  },
  undo: () => travel(engine._undo),
  redo: () => travel(engine._redo),
  capture(pointerId) {
    try {
      canvas.setPointerCapture(pointerId);
    } catch {} // a pointer the browser no longer counts as active: the stroke goes on uncaptured
  },
  place() {
    box ??= canvas.getBoundingClientRect();
    const { left, top, width, height } = box;
    return (event) => [Math.floor((event.clientX - left) * canvas.width / width),
      Math.floor((event.clientY - top) * canvas.height / height)];
  },
});

// Until the picture is on the canvas, its pointer events wait; then they are handled in
// order, so that a stroke begun while the page starts is drawn on the picture it opens, where
// it was begun, and kept.
let waiting = [];
for (const type of ['pointerdown', 'pointermove', 'pointerup', 'pointercancel'])
  canvas.addEventListener(type, (event) => {
    event.preventDefault();
    if (event.type === 'pointerdown')
      forgetBox();
    if (waiting)
      waiting.push(event);
    else
      pointers.handle(event);
  });
canvas.addEventListener('lostpointercapture', pointers.lost);
// None of the browser's own touch behaviour on the canvas: scrolling, zoom, the long-press menu,
// callout, magnifier or selection (Safari also wants its touch and gesture events cancelled).
canvas.addEventListener('contextmenu', (event) => event.preventDefault());
canvas.addEventListener('touchstart', (event) => event.preventDefault(), { passive: false });
canvas.addEventListener('touchmove', (event) => event.preventDefault(), { passive: false });
document.addEventListener('gesturestart', (event) => event.preventDefault());

// A stroke is cut short when the page is left, hidden or frozen, and what changed is stored
// at once: what is stored is never a stroke half made.
addEventListener('pagehide', () => {
  pointers.cut();
  keeping.leave();
});
addEventListener('pageshow', (event) => event.persisted && keeping.comeBack());
function hidden() {
  pointers.cut();
  keeping.store();
}
document.addEventListener('visibilitychange', () => document.visibilityState === 'hidden' && hidden());
document.addEventListener('freeze', hidden);

// ---- Undo and redo, with the desktop's keys: Ctrl+Z, and Ctrl+Y or Ctrl+Shift+Z (Command on
// a Mac), and with the bar's two buttons; Ctrl+C copies the picture, as on the desktop. The
// canvas may change size; the paint fits it.

document.addEventListener('keydown', (event) => {
  if (waiting || !(event.ctrlKey || event.metaKey) || event.altKey || menus.isOpen() || document.querySelector('dialog[open]'))
    return;
  const key = event.key.toLowerCase();
  if (key === 'c' && !event.shiftKey) {
    event.preventDefault();
    sharing.copy();
    return;
  }
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

// ---- 開く, a file dropped on the page and a pasted image: an undo step, shown and kept as
// travel() does.
startOpening(engine, {
  texts,
  tell: dialogs.tell,
  opened() {
    shown();
    keeping.changed();
  },
});

startPictureList({ engine, texts, keeping, dialogs, saving, sharing, area, shown });
startReleases({
  texts,
  say: dialogs.say,
  leave() {
    pointers.cut();
    return keeping.leave();
  },
});

// The picture the browser kept, as it was left; otherwise a new one.
if (await keeping.open())
  shown();
else
  newPicture();
performance.mark('mirona-picture');
for (const event of waiting)
  pointers.handle(event);
waiting = null;
document.getElementById('PicturesButton').hidden = !keeping.available;
requestAnimationFrame(() => {
  performance.mark('mirona-ready');
  document.documentElement.dataset.ready = 'true';
});
