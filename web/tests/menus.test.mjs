// The menus and the about box as assistive technology sees them, against the desktop
// program's own captions (app/Form1.cpp) and texts (app/Form2.cpp).
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { launch, root } from './browser.mjs';
import { bmpPixels, canvasPixels, difference, replay } from './reference.mjs';
import { Session } from './session.mjs';

// The desktop's menus in order: each menu's object name and caption, and its items'.
function desktopMenus() {
  const source = readFileSync(join(root, 'app/Form1.cpp'), 'utf8');
  const menus = [];
  for (const [, kind, name, caption, checkable] of source.matchAll(
    /add(Menu|Item)\(\w+(?:\(\))?, "(\w+)", QStringLiteral\("([^"]+)"\)(?:, (true|false))?\)/g)) {
    if (kind === 'Menu')
      menus.push({ name, caption, items: [] });
    else
      menus.at(-1).items.push({ name, caption, role: checkable === 'true' ? 'menuitemradio' : 'menuitem' });
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

const checked = (menu) => menu.children.filter((item) => item.checked === true).map((item) => item.name);

let browser;
before(async () => (browser = await launch()));
after(() => browser.close());

test('the menu bar has the desktop\'s menus and items, and one check mark per radio menu', async () => {
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
  assert.equal(find(await tree(session.page), (node) => node.role === 'menu'), undefined);
  assert.equal(difference(await canvasPixels(session.page), bmpPixels(replay(session.lines))), '');
});

test('the about box says what the desktop\'s says, modally, and closes by OK and by Esc', async () => {
  const { page } = await Session.open(browser);
  const source = readFileSync(join(root, 'app/Form2.cpp'), 'utf8');
  const labels = [...source.matchAll(/addLabel\(this, "(Label\d)",[^;]*?QStringLiteral\("([^"]+)"\)\)/gs)]
    .map(([, name, text]) => [name, text.replaceAll('\\n', '\n')]);
  assert.equal(labels.length, 5);
  for (const close of [() => page.click('#Command1'), () => page.keyboard.press('Escape')]) {
    await page.click('#Help');
    await page.click('#Joho');
    const dialog = find(await tree(page), (node) => node.role === 'dialog');
    assert.equal(dialog.name, 'Form2');
    assert.equal(dialog.modal, true);
    assert.deepEqual(await page.evaluate((names) =>
      names.map((name) => [name, document.getElementById(name).innerText]), labels.map(([name]) => name)), labels);
    assert.ok(find(dialog, (node) => node.role === 'button' && node.name === 'OK'));
    await close();
    assert.equal(find(await tree(page), (node) => node.role === 'dialog'), undefined);
  }
});
