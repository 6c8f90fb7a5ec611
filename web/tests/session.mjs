// A page driven with the mouse, and beside it the calls the page should make of the engine, in
// the form mirona_web_replay reads (web/ReplayMain.cpp).
import { openPage } from './browser.mjs';

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

  // A press at the first point, moves through the others and a release at the last.
  async drag(points, button = 'left') {
    await this.move(...points[0]);
    await this.down(button);
    for (const point of points.slice(1))
      await this.move(...point);
    await this.up(button);
  }
}
