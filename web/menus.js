// The menu bar: a click opens a menu, a choice, Esc, Tab or a click elsewhere closes it. The bar
// is one tab stop, whose titles Left and Right go through; after a choice, focus goes back to
// where it was before the menu opened.
//
// `choose(item)` carries out a chosen item (an element of a menu).

export function startMenus({ choose }) {
  const menuBar = document.getElementById('MenuBar');
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

  function chosen(item) {
    closeMenu();
    focusBeforeMenu?.focus();
    choose(item);
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
      chosen(item);
    else if (event.key === 'Tab') {
      // Out of the menu, from its title: the browser's own move goes on from there.
      closeMenu();
      title.focus();
      return;
    } else
      return;
    event.preventDefault();
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
      item.addEventListener('click', () => chosen(item));
      item.addEventListener('keydown', (event) => onMenuKey(event, title, item));
    }
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

  return { closeMenu, isOpen: () => openTitle !== null };
}
