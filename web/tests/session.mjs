// A page driven with the mouse, and beside it the calls the page should make of the engine, in
// the form mirona_web_replay reads (web/engine/ReplayMain.cpp).
import assert from 'node:assert/strict';
import { openPage } from './browser.mjs';
import { bmpPixels, canvasPixels, difference, replay } from './reference.mjs';

const kButtonBits = { left: 1, right: 2, middle: 4 };

export class Session {
  static async open(browser, options) {
    const session = new Session();
    session.page = await openPage(browser, options);
    session.box = await (await session.page.$('#Picture1')).boundingBox();
    session.lines = [`new ${session.box.width} ${session.box.height}`];
    session.held = 0;
    return session;
  }

  // A menu choice: the menu's title, then the item.
  async choose(title, item, line) {
    await this.page.click(`#${title}`);
    await this.page.click(`#${item}`);
    if (line)
      this.lines.push(line);
  }

  // The mouse to canvas pixel (x, y), which may lie off the canvas.
  async move(x, y) {
    await this.page.mouse.move(this.box.x + x, this.box.y + y);
    if (this.held)
      this.lines.push(`move ${this.held} 0 ${x} ${y}`);
    this.at = [x, y];
  }

  async down(button = 'left') {
    await this.page.mouse.down({ button });
    this.held |= kButtonBits[button];
    this.lines.push(`down ${kButtonBits[button]} 0 ${this.at.join(' ')}`);
  }

  async up(button = 'left') {
    await this.page.mouse.up({ button });
    this.held &= ~kButtonBits[button];
    this.lines.push(`up ${kButtonBits[button]} 0 ${this.at.join(' ')}`);
  }

  // Ctrl+Z, the desktop's undo key.
  async undo() {
    await this.page.keyboard.down('Control');
    await this.page.keyboard.press('z');
    await this.page.keyboard.up('Control');
    this.lines.push('undo');
  }

  // The page shows the native engine's picture after the calls so far, at its size, and
  // these menu items checked (unless `checked` is left out).
  async expectShown(checked) {
    assert.equal(difference(await canvasPixels(this.page), bmpPixels(replay(this.lines))), '',
      this.lines.join(', '));
    if (checked)
      assert.deepEqual(await this.page.$$eval('[aria-checked="true"]', (items) => items.map((item) => item.id)),
        checked);
  }

  // Runs `action`, then waits until the page has stored what it changed: for a store begun after
  // the last release, click or key press (a store of an earlier change may end meanwhile).
  async storing(action) {
    await this.page.evaluate(() => {
      window.lastInput = performance.now();
      if (!window.inputWatched)
        for (const type of ['pointerup', 'click', 'keydown'])
          addEventListener(type, () => (window.lastInput = performance.now()), true);
      window.inputWatched = true;
    });
    await action();
    await this.page.waitForFunction(() => performance.getEntriesByName('mirona-store')
      .some((entry) => entry.startTime >= window.lastInput), { timeout: 15000, polling: 100 }); // no frames in a tab in the background
  }

  // A press at the first point, moves through the others and a release at the last.
  async drag(points, button = 'left') {
    await this.move(...points[0]);
    await this.down(button);
    for (const point of points.slice(1))
      await this.move(...point);
    await this.up(button);
  }
}

// A save picker that hands the page a file which keeps what is written to it, and answers
// as window.pickerAnswer says: 'cancel', 'fail' or anything else to succeed.
export function fakePicker() {
  window.pickerCalls = [];
  window.written = [];
  window.showSaveFilePicker = async (options) => {
    window.pickerCalls.push(JSON.stringify(options));
    if (window.pickerAnswer === 'cancel')
      throw new DOMException('The user aborted a request.', 'AbortError');
    return {
      name: 'picture.bmp',
      createWritable: async () => {
        if (window.pickerAnswer === 'fail')
          throw new DOMException('The disk is full.', 'QuotaExceededError');
        return {
          write: async (bytes) => window.written.push(btoa(bytes.reduce((text, byte) => text + String.fromCharCode(byte), ''))),
          close: async () => {},
        };
      },
    };
  };
}

// Kills the page's renderer as a crash would, with no pagehide; resolves once it is dead. Only
// Chromium's DevTools protocol can.
export async function crash(page) {
  const dead = new Promise((resolve) => page.once('error', resolve));
  (await page.createCDPSession()).send('Page.crash').catch(() => {}); // never answered
  await dead;
}
