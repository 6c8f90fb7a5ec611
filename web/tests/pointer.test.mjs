// The page's pointer state machine in node, with synthetic events and no browser: strokes with
// several buttons, cancels with each button held, strokes cut short, and taps of two and three
// fingers, the second finger landing within and after the time that makes a tap.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { createPointerInput, kSecondFingerMs, kTapMs } from '../pointer.js';

const kButtons = { left: [0, 1], middle: [1, 4], right: [2, 2] }; // PointerEvent.button, bit

// A pointer input whose sink writes its calls as the replay's lines (web/engine/ReplayMain.cpp), and
// events for it. Canvas pixels are client pixels.
function rig() {
  const lines = [];
  const input = createPointerInput({
    deliver: (call) => lines.push(...(call.moves
      ? call.moves.map(([x, y]) => `move ${call.held} ${call.shift} ${x} ${y}`)
      : [`${call.held & call.bit ? 'down' : 'up'} ${call.bit} ${call.shift} ${call.at.join(' ')}`])),
    abandon: () => lines.push('abandon'),
    undo: () => lines.push('undo'),
    redo: () => lines.push('redo'),
    capture: () => {},
    place: () => (event) => [event.clientX, event.clientY],
  });
  const send = (type, fields) => input.handle({ type, button: -1, buttons: 0, pointerType: 'mouse', pointerId: 1,
    timeStamp: 0, clientX: 0, clientY: 0, ...fields });
  return { input, lines, send };
}

// A mouse holding `held` buttons (names) at (x, y); `change` is the button pressed or let go.
function mouse(send, type, [x, y], held, change) {
  const buttons = held.reduce((sum, name) => sum | kButtons[name][1], 0);
  send(type, { clientX: x, clientY: y, buttons, button: change ? kButtons[change][0] : -1 });
}

test('a stroke with several buttons: each press and release, and moves with every button held', () => {
  const { lines, send } = rig();
  mouse(send, 'pointerdown', [10, 10], ['left'], 'left');
  mouse(send, 'pointermove', [20, 15], ['left']);
  mouse(send, 'pointermove', [20, 15], ['left', 'right'], 'right');
  mouse(send, 'pointermove', [30, 18], ['left', 'right']);
  mouse(send, 'pointermove', [30, 18], ['left'], 'right');
  mouse(send, 'pointerup', [40, 20], [], 'left');
  mouse(send, 'pointermove', [50, 50], []); // no button: nothing
  assert.deepEqual(lines, ['down 1 0 10 10', 'move 1 0 20 15', 'down 2 0 20 15', 'move 3 0 30 18',
    'up 2 0 30 18', 'up 1 0 40 20']);
});

test('a stroke the browser cancels, or that is cut short or loses its pointer, lets go of every button it held where it was', () => {
  for (const held of [['left'], ['middle'], ['right'], ['left', 'right'], ['left', 'middle', 'right']])
    for (const end of ['cancel', 'cut', 'lost']) {
      const { input, lines, send } = rig();
      held.forEach((name, i) => mouse(send, i ? 'pointermove' : 'pointerdown', [5, 5], held.slice(0, i + 1), name));
      mouse(send, 'pointermove', [9, 7], held);
      if (end === 'cancel')
        send('pointercancel', {});
      else if (end === 'cut')
        input.cut();
      else
        input.lost({ pointerId: 1 });
      mouse(send, 'pointerup', [30, 30], [], held[0]); // afterwards: no event of the stroke's
      const bits = held.reduce((sum, name) => sum | kButtons[name][1], 0);
      const releases = [1, 2, 4].filter((bit) => bits & bit).map((bit) => `up ${bit} 0 9 7`);
      assert.deepEqual(lines.slice(held.length + 1), releases, `${held} ${end}`);
    }
});

test('fingers: a second finger within the time takes the first one\'s stroke back and taps; two undo, three redo; later, moved or long, no tap', () => {
  const touch = (send, type, id, [x, y], t) => send(type, { pointerType: 'touch', pointerId: id, clientX: x, clientY: y,
    timeStamp: t, button: type === 'pointermove' ? -1 : 0, buttons: type === 'pointerup' ? 0 : 1 });
  const cases = [
    { fingers: 2, second: kSecondFingerMs - 1, end: 300, expected: 'undo' },
    { fingers: 3, second: kSecondFingerMs - 2, end: 300, expected: 'redo' },
    { fingers: 2, second: 20, end: kTapMs + 10, expected: null }, // too long
    { fingers: 2, second: 20, end: 300, moved: true, expected: null },
  ];
  for (const { fingers, second, end, moved, expected } of cases) {
    const { lines, send } = rig();
    touch(send, 'pointerdown', 1, [100, 100], 0);
    touch(send, 'pointermove', 1, [102, 101], 5);
    for (let id = 2; id <= fingers; ++id)
      touch(send, 'pointerdown', id, [100 + 40 * id, 100], second + id - 2);
    if (moved)
      touch(send, 'pointermove', 2, [200, 160], 100);
    for (let id = 1; id <= fingers; ++id)
      touch(send, 'pointerup', id, [100 + 40 * id, 100], end);
    assert.deepEqual(lines, ['down 1 0 100 100', 'move 1 0 102 101', 'abandon', ...(expected ? [expected] : [])],
      JSON.stringify({ fingers, second, end, moved }));
  }

  // After the time, the first finger goes on with its stroke and the second is ignored.
  const { lines, send, input } = rig();
  touch(send, 'pointerdown', 1, [100, 100], 0);
  touch(send, 'pointermove', 1, [102, 101], kSecondFingerMs);
  touch(send, 'pointerdown', 2, [200, 100], kSecondFingerMs + 1);
  touch(send, 'pointermove', 2, [220, 130], kSecondFingerMs + 5);
  touch(send, 'pointerup', 2, [220, 130], kSecondFingerMs + 9);
  touch(send, 'pointerup', 1, [110, 104], 200);
  assert.deepEqual(lines, ['down 1 0 100 100', 'move 1 0 102 101', 'up 1 0 110 104']);

  // A tap cut short is forgotten: its fingers' releases undo nothing.
  touch(send, 'pointerdown', 3, [100, 100], 1000);
  touch(send, 'pointerdown', 4, [140, 100], 1010);
  input.cut();
  touch(send, 'pointerup', 3, [100, 100], 1100);
  touch(send, 'pointerup', 4, [140, 100], 1100);
  assert.deepEqual(lines.slice(3), ['down 1 0 100 100', 'abandon']);
});
