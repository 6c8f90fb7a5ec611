// WebKitGTK driven through its WebDriver (WebKitWebDriver, classic WebDriver over HTTP: it has no
// BiDi), behind the part of puppeteer's Browser, BrowserContext and Page that the tests use.
//
// The client is selenium-webdriver 4.27.0, the WebDriver project's own and maintained, pinned in
// package-lock.json: the last release whose engines field admits Debian 12's Node.js 18 (4.28.1
// and later want 18.20.5 or 22). Only its protocol layer is used, not its browser managers.
//
// A browser context is a WebDriver session, whose browser starts with storage of its own; its
// pages are windows of that session, and every command first switches to the page's window, one
// command of a session at a time.
import { spawn } from 'node:child_process';
import { createHash } from 'node:crypto';
import { once } from 'node:events';
import { readFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { Capabilities, Key, WebDriver } from 'selenium-webdriver';
import http from 'selenium-webdriver/http/index.js';

const kMiniBrowser = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';
const kButtons = { left: 0, middle: 1, right: 2 };
const kKeys = {
  Control: Key.CONTROL, Shift: Key.SHIFT, Alt: Key.ALT, Meta: Key.META, Escape: Key.ESCAPE, Enter: Key.ENTER,
  Tab: Key.TAB, Backspace: Key.BACK_SPACE, ArrowLeft: Key.ARROW_LEFT, ArrowRight: Key.ARROW_RIGHT,
  ArrowUp: Key.ARROW_UP, ArrowDown: Key.ARROW_DOWN,
};

function wait(ms) {
  return new Promise((done) => setTimeout(done, ms));
}

async function freePort() {
  const probe = createServer().listen(0, '127.0.0.1');
  await once(probe, 'listening');
  const { port } = probe.address();
  probe.close();
  return port;
}

// The single file served on the loopback, as the page is opened where a script must run before
// the page's own (puppeteer's evaluateOnNewDocument, which classic WebDriver lacks): `/?before=N`
// is the file with the Nth script registered by `script()` first in its head, allowed by its
// hash in the page's Content-Security-Policy. Every address of one server is one origin.
class PageServer {
  constructor(file) {
    this.file = file;
    this.scripts = [];
    this.server = createServer((request, response) => {
      const index = new URL(request.url, 'http://localhost').searchParams.get('before');
      response.setHeader('content-type', 'text/html; charset=utf-8');
      response.setHeader('cache-control', 'no-store');
      response.end(this.page(index === null ? null : this.scripts[Number(index)]));
    });
  }

  async start() {
    this.server.listen(0, '127.0.0.1');
    await once(this.server, 'listening');
    this.origin = `http://127.0.0.1:${this.server.address().port}`;
  }

  // The address of the page with `fn(...args)` run first.
  script(fn, args) {
    this.scripts.push(`(${fn}).apply(null, ${JSON.stringify(args)});`);
    return `${this.origin}/?before=${this.scripts.length - 1}`;
  }

  page(script) {
    const html = readFileSync(this.file, 'utf8');
    if (!script)
      return html;
    const hash = `'sha256-${createHash('sha256').update(script).digest('base64')}'`;
    return html.replace(/(<meta http-equiv="Content-Security-Policy" content="[^"]*script-src)([^"]*">)/,
      (_, start, rest) => `${start} ${hash}${rest}<script>${script}</script>`);
  }

  close() {
    this.server.close();
  }
}

// An element found by a selector, as puppeteer's ElementHandle: its box and a click on it.
class Element {
  constructor(page, selector) {
    this.page = page;
    this.selector = selector;
  }

  boundingBox() {
    return this.page.$eval(this.selector, (element) => {
      const { x, y, width, height } = element.getBoundingClientRect();
      return { x, y, width, height };
    });
  }

  click() {
    return this.page.click(this.selector);
  }

  // Hands the files to a file input, as a person choosing them would.
  uploadFile(...paths) {
    return this.page.run(async (driver) => (await driver.findElement({ css: this.selector })).sendKeys(paths.join('\n')));
  }
}

class Page {
  constructor(context, handle) {
    this.context = context;
    this.handle = handle;
    this.mouse = {
      move: (x, y) => this.act((a) => a.move({ x: Math.round(x), y: Math.round(y) })),
      down: ({ button = 'left' } = {}) => this.act((a) => a.press(kButtons[button])),
      up: ({ button = 'left' } = {}) => this.act((a) => a.release(kButtons[button])),
    };
    const key = (name) => kKeys[name] ?? name;
    this.keyboard = {
      down: (name) => this.act((a) => a.keyDown(key(name))),
      up: (name) => this.act((a) => a.keyUp(key(name))),
      press: (name) => this.act((a) => a.keyDown(key(name)).keyUp(key(name))),
    };
  }

  // Runs `command` with the driver once this page's window is the session's current one.
  run(command) {
    return this.context.run(this.handle, command);
  }

  act(build) {
    return this.run((driver) => build(driver.actions({ async: true })).perform());
  }

  browserContext() {
    return this.context;
  }

  evaluate(fn, ...args) {
    return this.run((driver) => driver.executeScript(`return (${fn}).apply(null, arguments)`, ...args));
  }

  $eval(selector, fn, ...args) {
    return this.run((driver) => driver.executeScript(`const element = document.querySelector(arguments[0]);
      if (!element) throw new Error('no element matches ' + arguments[0]);
      return (${fn}).apply(null, [element, ...[...arguments].slice(1)]);`, selector, ...args));
  }

  $$eval(selector, fn, ...args) {
    return this.run((driver) => driver.executeScript(`
      return (${fn}).apply(null, [[...document.querySelectorAll(arguments[0])], ...[...arguments].slice(1)]);`,
    selector, ...args));
  }

  async $(selector) {
    const found = await this.evaluate((s) => document.querySelector(s) !== null, selector);
    return found ? new Element(this, selector) : null;
  }

  // As puppeteer's: the pointer to the element's middle, scrolled into view, and a left click.
  async click(selector) {
    await this.run(async (driver) => {
      const [element] = await driver.findElements({ css: selector });
      if (!element)
        throw new Error(`no element matches ${selector}`);
      await driver.executeScript('arguments[0].scrollIntoView({ block: "nearest", inline: "nearest" })', element);
      await driver.actions({ async: true }).move({ origin: element }).press().release().perform();
    });
  }

  focus(selector) {
    return this.$eval(selector, (element) => element.focus());
  }

  // Polls `fn(...args)` in the page until it gives a truthy value, which it resolves to; fails
  // after `timeout` ms (30 s unless given). A navigation meanwhile starts the polling again in
  // the new document.
  async waitForFunction(fn, { timeout = 30000, polling = 50 } = {}, ...args) {
    const deadline = Date.now() + timeout;
    const interval = typeof polling === 'number' ? polling : 16;
    for (;;) {
      const left = deadline - Date.now();
      if (left <= 0)
        throw new Error(`waitForFunction timed out after ${timeout} ms: ${fn}`);
      let result;
      try {
        result = await this.run((driver) => driver.executeScript(`const [left, interval, ...args] = arguments;
          const condition = ${fn};
          return new Promise((resolve) => {
            const end = performance.now() + left;
            const poll = () => {
              const value = condition(...args);
              if (value || performance.now() >= end)
                resolve(value || null);
              else
                setTimeout(poll, interval);
            };
            poll();
          });`, Math.min(left, 20000), interval, ...args));
      } catch (error) {
        if (!/unload|navigat|no such window|JavaScript error/i.test(error.message) || Date.now() >= deadline)
          throw error;
        continue;
      }
      if (result)
        return result;
    }
  }

  async waitForSelector(selector, { timeout } = {}) {
    await this.waitForFunction((s) => document.querySelector(s) !== null, { timeout }, selector);
    return new Element(this, selector);
  }

  async goto(url) {
    await this.run((driver) => driver.get(url));
  }

  async reload() {
    await this.run((driver) => driver.navigate().refresh());
  }

  async goBack() {
    await this.run((driver) => driver.navigate().back());
  }

  // The window's inner size as asked; WebKitGTK's window is never narrower than 447 pixels, and
  // it can emulate neither another pixel ratio nor touch.
  async setViewport({ width, height, deviceScaleFactor = 1, hasTouch = false }) {
    if (deviceScaleFactor !== 1 || hasTouch)
      throw new Error('WebKitGTK\'s WebDriver emulates neither another pixel ratio nor touch');
    await this.run(async (driver) => {
      const [outerWidth, outerHeight, innerWidth, innerHeight] = await driver.executeScript(
        'return [outerWidth, outerHeight, innerWidth, innerHeight]');
      await driver.manage().window().setRect({ width: width + outerWidth - innerWidth, height: height + outerHeight - innerHeight });
      // The new size reaches the page a frame or two after the window has it.
      const reached = await driver.executeScript(`const [w, h] = arguments; return new Promise((resolve) => {
        const end = performance.now() + 5000;
        const check = () => (innerWidth === w && innerHeight === h) || performance.now() > end
          ? resolve([innerWidth, innerHeight]) : requestAnimationFrame(check);
        check(); });`, width, height);
      if (reached[0] !== width || reached[1] !== height)
        throw new Error(`the window's inside is ${reached.join(' x ')}, not ${width} x ${height}`);
    });
  }

  bringToFront() {
    return this.run(() => {});
  }

  // Console messages and uncaught errors are not reported by classic WebDriver.
  on(event) {
    if (event !== 'console' && event !== 'pageerror')
      throw new Error(`WebKitGTK's WebDriver reports no ${event} events`);
    return this;
  }

  async close() {
    await this.context.closePage(this);
  }
}

class BrowserContext {
  constructor(browser) {
    this.browser = browser;
    this.pages = [];
    this.queue = Promise.resolve();
  }

  // WebKitWebDriver takes one session at a time: each context has a driver of its own.
  async start() {
    this.service = await startDriver();
    const capabilities = new Capabilities({
      'webkitgtk:browserOptions': { binary: kMiniBrowser, args: ['--automation'] },
      timeouts: { script: 30000, pageLoad: 30000, implicit: 0 },
    });
    this.driver = await WebDriver.createSession(new http.Executor(new http.HttpClient(this.service.url)), capabilities);
    this.unused = await this.driver.getWindowHandle();
  }

  // `command` with the driver on window `handle`, after every command queued before it.
  run(handle, command) {
    const result = this.queue.then(async () => {
      if (this.current !== handle) {
        await this.driver.switchTo().window(handle);
        this.current = handle;
      }
      return command(this.driver);
    });
    this.queue = result.catch(() => {});
    return result;
  }

  // A new window: the session's first, then ones it opens.
  async newPage() {
    let handle = this.unused;
    this.unused = undefined;
    if (!handle) {
      await (this.queue = this.queue.then(async () => {
        await this.driver.switchTo().newWindow('window');
        handle = this.current = await this.driver.getWindowHandle();
      }));
    }
    const page = new Page(this, handle);
    this.pages.push(page);
    return page;
  }

  // Closes the page's window; a session ends with its last window, so the last page leaves a
  // blank window behind it for the next.
  async closePage(page) {
    this.pages = this.pages.filter((p) => p !== page);
    await this.run(page.handle, async (driver) => {
      if (this.pages.length === 0 && !this.unused) {
        await driver.switchTo().newWindow('window');
        this.unused = await driver.getWindowHandle();
        await driver.switchTo().window(page.handle);
      }
      await driver.close();
      this.current = undefined;
    });
  }

  async close() {
    if (this.closed)
      return;
    this.closed = true;
    await this.queue;
    await this.driver?.quit().catch(() => {});
    await this.service?.stop();
    this.browser.contexts.delete(this);
  }
}

// WebKitWebDriver on a free port of the loopback, its browsers on the X display that DISPLAY
// names, once it answers; resolves to its address and how to stop it.
async function startDriver() {
  const port = await freePort();
  const driver = spawn(process.env.WEBKIT_WEBDRIVER ?? '/usr/bin/WebKitWebDriver', [`--port=${port}`],
    { stdio: ['ignore', 'ignore', 'inherit'] });
  const url = `http://127.0.0.1:${port}`;
  const deadline = Date.now() + 10000;
  for (;;) {
    try {
      if ((await fetch(`${url}/status`)).ok)
        break;
    } catch (error) {
      if (Date.now() > deadline || driver.exitCode !== null) {
        driver.kill();
        throw new Error(`WebKitWebDriver did not start: ${error.message}`);
      }
    }
    await wait(20);
  }
  return {
    url,
    async stop() {
      if (driver.exitCode === null) {
        driver.kill();
        await once(driver, 'exit');
      }
    },
  };
}

// Resolves to a browser with puppeteer's createBrowserContext, defaultBrowserContext (async
// here) and close, and openPage's help: `pageServer` serves the single file `file` for scripts
// run before the page's own.
export async function launchWebKit(file) {
  const pageServer = new PageServer(file);
  await pageServer.start();
  const browser = {
    pageServer,
    contexts: new Set(),
    async createBrowserContext() {
      const context = new BrowserContext(browser);
      browser.contexts.add(context);
      await context.start();
      return context;
    },
    async defaultBrowserContext() {
      return browser.default ??= await browser.createBrowserContext();
    },
    async close() {
      await Promise.all([...browser.contexts].map((context) => context.close()));
      pageServer.close();
    },
  };
  return browser;
}
