// The page's dialogs and notices. Dialogs are modal; Esc cancels; focus goes back to where it
// was. A notice goes by itself or when tapped; the status stays while what it says holds (the
// picture not kept yet, or taken over by another page).
//
// `beforeModal` runs before a dialog opens (the menus close); `texts` names the buttons of ask().

export function createDialogs({ texts, beforeModal }) {
  const notice = document.getElementById('Notice');
  const statusLine = document.getElementById('Status');
  let noticeTimer = 0;

  function say(text) {
    notice.textContent = text;
    notice.hidden = false;
    clearTimeout(noticeTimer);
    noticeTimer = setTimeout(() => (notice.hidden = true), 10000);
  }
  notice.addEventListener('click', () => (notice.hidden = true));

  function status(text) {
    statusLine.textContent = text;
    statusLine.hidden = !text;
  }

  // Resolves to the dialog's return value once it closes.
  function showModal(dialog) {
    beforeModal();
    const focused = document.activeElement;
    dialog.showModal();
    return new Promise((resolve) =>
      dialog.addEventListener('close', () => {
        // The event comes a task after the dialog closed: a key pressed in between may already
        // have moved focus on (into a menu just opened), which stays where it went.
        const active = document.activeElement;
        if (!active || active === document.body || dialog.contains(active))
          focused?.focus();
        resolve(dialog.returnValue);
      }, { once: true }));
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

  // A question with a button for each choice, named in the table of texts; resolves to the name
  // of the one chosen, or '' where Esc closed it.
  function ask(text, choices) {
    document.getElementById('ChoiceText').textContent = text;
    document.getElementById('ChoiceButtons').replaceChildren(...choices.map((name) =>
      Object.assign(document.createElement('button'), { value: name, textContent: texts[name] })));
    return showModal(document.getElementById('Choice'));
  }

  return { say, status, showModal, tell, ask };
}
