// The menus and the about box as assistive technology sees them, against the table of texts
// that the desktop program shows too (texts/Texts.hpp).
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { launch, onlyIn } from './browser.mjs';
import { bmpPixels, canvasPixels, difference, replay, sharedTexts } from './reference.mjs';
import { Session } from './session.mjs';

// The menus in order: each menu's name and caption, and its items'.
function desktopMenus() {
  const menus = [];
  for (const { name, role, text } of sharedTexts()) {
    if (role === 'menu')
      menus.push({ name, caption: text, items: [] });
    else if (role !== 'other')
      menus.at(-1).items.push({ name, caption: text, role: role === 'radio' ? 'menuitemradio' : 'menuitem' });
  }
  return menus;
}

function find(node, predicate) {
  if (predicate(node))
    return node;
  for (const child of node.children ?? []) {
    const found = find(child, predicate);
    if (found)
      return found;
  }
  return undefined;
}

async function tree(page) {
  return page.accessibility.snapshot({ interestingOnly: true });
}

// The accessibility tree is read through the DevTools protocol.
const kTree = { skip: onlyIn('chromium', 'the accessibility tree is read through the DevTools protocol') };

// Whether a menu is open: any of them shown.
const menuOpen = (page) => page.$$eval('[role="menu"]', (menus) => menus.some((menu) => menu.checkVisibility()));

const checked = (menu) => menu.children.filter((item) => item.checked === true).map((item) => item.name);

let browser;
before(async () => (browser = await launch()));
after(() => browser.close());

test('the menu bar has the desktop\'s menus and items, and one check mark per radio menu', kTree, async () => {
  const { page } = await Session.open(browser);
  const menus = desktopMenus();
  assert.equal(menus.length, 4);
  const bar = find(await tree(page), (node) => node.role === 'menubar');
  assert.deepEqual(bar.children.map((title) => [title.role, title.name]),
    menus.map((menu) => ['menuitem', menu.caption]));
  // Start-up: the freehand tool and the eight-image mode.
  const expectChecked = { Mode: '上下左右斜め対称', Byoga: '自由曲線' };
  for (const menu of menus) {
    await page.click(`#${menu.name}`);
    const shown = find(await tree(page), (node) => node.role === 'menu');
    assert.equal(shown.name, menu.caption);
    assert.deepEqual(shown.children.map((item) => [item.role, item.name]),
      menu.items.map((item) => [item.role, item.caption]));
    assert.deepEqual(checked(shown), expectChecked[menu.name] ? [expectChecked[menu.name]] : []);
    await page.keyboard.press('Escape');
    assert.equal(find(await tree(page), (node) => node.role === 'menu'), undefined, 'Esc closes');
  }
  // Each choice moves its menu's mark alone, and closes the menu.
  for (const menu of menus.filter((m) => m.items[0].role === 'menuitemradio'))
    for (const item of [...menu.items].reverse()) {
      await page.click(`#${menu.name}`);
      await page.click(`#${item.name}`);
      assert.equal(find(await tree(page), (node) => node.role === 'menu'), undefined);
      expectChecked[menu.name] = item.caption;
      for (const name of Object.keys(expectChecked)) {
        await page.click(`#${name}`);
        assert.deepEqual(checked(find(await tree(page), (node) => node.role === 'menu')), [expectChecked[name]]);
        await page.click(`#${name}`);
      }
    }
});

test('a click outside an open menu only closes it', async () => {
  const session = await Session.open(browser);
  await session.page.click('#Byoga');
  await session.page.mouse.move(session.box.x + 200, session.box.y + 300);
  await session.page.mouse.down();
  await session.page.mouse.move(session.box.x + 250, session.box.y + 320);
  await session.page.mouse.up();
  assert.equal(await menuOpen(session.page), false);
  assert.equal(difference(await canvasPixels(session.page), bmpPixels(replay(session.lines))), '');
});

test('the about box says what the desktop\'s says, modally, and closes by OK and by Esc', kTree, async () => {
  const { page } = await Session.open(browser);
  const texts = sharedTexts();
  const labels = texts.filter(({ name }) => name.startsWith('Label')).map(({ name, text }) => [name, text]);
  const textOf = (name) => texts.find((t) => t.name === name).text;
  assert.equal(labels.length, 5);
  for (const close of [() => page.click('#Command1'), () => page.keyboard.press('Escape')]) {
    await page.click('#Help');
    await page.click('#Joho');
    const dialog = find(await tree(page), (node) => node.role === 'dialog');
    assert.equal(dialog.name, textOf('Form2Title'));
    assert.equal(dialog.modal, true);
    assert.deepEqual(await page.evaluate((names) =>
      names.map((name) => [name, document.getElementById(name).innerText]), labels.map(([name]) => name)), labels);
    assert.ok(find(dialog, (node) => node.role === 'button' && node.name === textOf('Command1')));
    await close();
    assert.equal(find(await tree(page), (node) => node.role === 'dialog'), undefined);
  }
});

// The focused element's id, and whether its focus ring stands out against what is behind it
// by a contrast of at least 3:1.
function focus(page) {
  return page.evaluate(() => {
    const element = document.activeElement;
    const rgb = (color) => color.match(/[\d.]+/g).map(Number);
    const luminance = (color) => {
      const [r, g, b] = rgb(color).slice(0, 3).map((v) => v / 255)
        .map((v) => (v <= 0.03928 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4));
      return 0.2126 * r + 0.7152 * g + 0.0722 * b;
    };
    let behind = element;
    while (behind && (getComputedStyle(behind).backgroundColor.match(/[\d.]+/g) ?? [0, 0, 0, 0])[3] === '0')
      behind = behind.parentElement;
    const style = getComputedStyle(element);
    const [ring, back] = [style.outlineColor, behind ? getComputedStyle(behind).backgroundColor : 'rgb(255, 255, 255)'].map(luminance);
    const contrast = (Math.max(ring, back) + 0.05) / (Math.min(ring, back) + 0.05);
    return { id: element.id, visible: style.outlineStyle !== 'none' && parseFloat(style.outlineWidth) >= 2 && contrast >= 3 };
  });
}

test('by keyboard: the bar is one tab stop, arrows go across titles, focus comes back and always shows', async () => {
  const { page } = await Session.open(browser);
  const expectFocus = async (id, what) => assert.deepEqual(await focus(page), { id, visible: true }, what);
  await page.keyboard.press('Tab');
  await expectFocus('File', 'Tab into the bar');
  for (const [key, id] of [['ArrowRight', 'Mode'], ['ArrowRight', 'Byoga'], ['Enter', 'MenuFreeLine'],
    ['ArrowDown', 'MenuContLine'], ['Enter', 'Byoga']]) {
    await page.keyboard.press(key);
    await expectFocus(id, key);
  }
  assert.equal(await page.$eval('#MenuContLine', (item) => item.ariaChecked), 'true');
  assert.equal(await page.$eval('#ByogaMenu', (menu) => menu.hidden), true);
  await page.keyboard.press('Tab');
  assert.ok(!(await page.evaluate(() => document.getElementById('MenuBar').contains(document.activeElement))),
    'one Tab leaves the bar');
  await page.keyboard.down('Shift');
  await page.keyboard.press('Tab');
  await page.keyboard.up('Shift');
  await expectFocus('Byoga', 'Shift+Tab comes back to the title last used');
  for (const [key, id] of [['ArrowLeft', 'Mode'], ['ArrowLeft', 'File'], ['ArrowLeft', 'Help'], ['Enter', 'Joho'],
    ['Enter', 'Command1'], ['Enter', 'Help']]) {
    await page.keyboard.press(key);
    await expectFocus(id, key);
  }
  await page.keyboard.press('Enter');
  await page.keyboard.press('Tab');
  assert.equal(await page.$eval('#HelpMenu', (menu) => menu.hidden), true, 'Tab closes the open menu');
  // A dialog's close event comes a task after it closed: a menu opened in between keeps its focus.
  await page.focus('#Help');
  await page.keyboard.press('Enter');
  await page.keyboard.press('Enter');
  const focused = await page.evaluate(async () => {
    const about = document.getElementById('Form2');
    const closed = new Promise((resolve) => about.addEventListener('close', () => setTimeout(resolve), { once: true }));
    about.close();
    document.getElementById('Help').dispatchEvent(new KeyboardEvent('keydown', { key: 'Enter' }));
    await closed;
    return document.activeElement.id;
  });
  assert.equal(focused, 'Joho', 'the menu opened as the about box closed keeps the focus');
});
