// Pointers on the canvas, turned into strokes and taps: mouse, pen and touch. Buttons are 1 left,
// 2 right, 4 middle; a finger or a pen's tip is the left button, a pen's barrel button the right.
//
// One stroke at a time: the pointer that pressed on the canvas first, as the desktop's mouse
// grab, until it lets go. A finger draws at once; when a second finger lands soon after, before
// the first has gone far, the fingers make a tap instead: the first finger's stroke is taken
// back as if it had never begun, and a tap with two fingers undoes, one with three redoes.
//
// `sink` does what the pointers ask:
//  - deliver(call): a press or release of `call.bit` (pressed when `call.held` has it) at
//    `call.at`, or moves through `call.moves`, every position the browser saw since the last
//    event; `call.shift` holds the keyboard modifiers (1 Shift, 2 Ctrl, 4 Alt);
//  - abandon(): takes back the stroke under way;
//  - undo(), redo();
//  - capture(pointerId): keeps the pointer's events coming to the canvas;
//  - place(): a function from an event to its canvas pixel [x, y], for the events of one call.
// Events are PointerEvents, or anything with their fields.

export const kSecondFingerMs = 150;
export const kTapMs = 500;
export const kTapSlop = 12; // CSS pixels a tapping finger may move

const kButtonBits = [1, 4, 2]; // by PointerEvent.button: left or contact, middle, right or barrel

function modifiers(event) {
  return (event.shiftKey ? 1 : 0) | (event.ctrlKey ? 2 : 0) | (event.altKey ? 4 : 0);
}

function far(a, b) {
  return Math.hypot(a[0] - b[0], a[1] - b[1]) > kTapSlop;
}

export function createPointerInput(sink) {
  let stroke = null; // { pointerId, held, last, tapStart: { at, since } while it may become a tap }
  let tap = null; // { starts: Map of pointerId to position, most, moved, since }

  // What a pointer event asks: a press or release of a button, or moves.
  function callFor(event) {
    const held = event.buttons & 7;
    const shift = modifiers(event);
    const place = sink.place();
    if (event.button === -1) {
      if (!held)
        return null;
      const coalesced = event.getCoalescedEvents ? event.getCoalescedEvents() : [];
      return { held, shift, moves: (coalesced.length ? coalesced : [event]).map(place) };
    }
    const bit = kButtonBits[event.button];
    return bit === undefined ? null : { bit, held, shift, at: place(event) };
  }

  function tapFinger(event) {
    const at = [event.clientX, event.clientY];
    if (event.type === 'pointerdown') {
      sink.capture(event.pointerId);
      tap.starts.set(event.pointerId, at);
      tap.most = Math.max(tap.most, tap.starts.size);
    } else if (event.type === 'pointermove') {
      tap.moved ||= far(at, tap.starts.get(event.pointerId));
    } else {
      tap.starts.delete(event.pointerId);
      if (tap.starts.size === 0) {
        if (!tap.moved && event.timeStamp - tap.since < kTapMs && event.type === 'pointerup') {
          if (tap.most === 2)
            sink.undo();
          else if (tap.most === 3)
            sink.redo();
        }
        tap = null;
      }
    }
  }

  // Every button the stroke holds is let go where it was, so that no rubber band stays on the
  // canvas: when the browser takes the pointer over.
  function letGo() {
    if (!stroke)
      return;
    for (const bit of [1, 2, 4])
      if (stroke.held & bit)
        sink.deliver({ bit, held: (stroke.held &= ~bit), shift: 0, at: stroke.last });
    stroke = null;
  }

  // A stroke cut short (the pointer lost, the page hidden, frozen or left) is let go as one the
  // browser took over; a tap under way is forgotten.
  function cut() {
    tap = null;
    letGo();
  }

  function handle(event) {
    const touch = event.pointerType === 'touch';
    if (tap && (tap.starts.has(event.pointerId) || (touch && event.type === 'pointerdown')))
      return tapFinger(event);
    const tapStart = stroke?.tapStart;
    if (tapStart && event.type === 'pointermove' && event.pointerId === stroke.pointerId &&
        (event.timeStamp - tapStart.since >= kSecondFingerMs || far([event.clientX, event.clientY], tapStart.at)))
      stroke.tapStart = null;
    if (event.type === 'pointerdown' && touch && tapStart &&
        event.timeStamp - tapStart.since < kSecondFingerMs) {
      sink.abandon();
      tap = { starts: new Map([[stroke.pointerId, tapStart.at]]), most: 1, moved: false, since: tapStart.since };
      stroke = null;
      return tapFinger(event);
    }
    if (event.type === 'pointerdown' && !stroke) {
      sink.capture(event.pointerId);
      stroke = { pointerId: event.pointerId, held: 0, last: null, tapStart: null };
      if (touch)
        stroke.tapStart = { at: [event.clientX, event.clientY], since: event.timeStamp };
    }
    if (event.pointerId !== stroke?.pointerId)
      return;
    if (event.type === 'pointercancel')
      return letGo();
    const call = callFor(event);
    if (call) {
      stroke.held = call.held;
      stroke.last = call.at ?? call.moves.at(-1);
      sink.deliver(call);
    }
    if (event.type === 'pointerup' && !(event.buttons & 7))
      stroke = null;
  }

  // The canvas lost a pointer's capture: a stroke of that pointer is let go.
  function lost(event) {
    if (event.pointerId === stroke?.pointerId)
      letGo();
  }

  return { handle, cut, lost };
}
