// Releases of the served app. A new one, once installed and waiting, is offered: on 更新 the
// picture is stored and the new release takes over, and the page opens again with it. Without
// HTTPS there is no service worker: the page says once what that costs.
//
// `leave()` stores the picture and lets it go, resolving once that is done.

const kToldAboutHttps = 'mirona told about HTTPS'; // in local storage

export function startReleases({ texts, say, leave }) {
  if (!isSecureContext && location.protocol !== 'file:') {
    try {
      if (!localStorage.getItem(kToldAboutHttps)) {
        say(texts.NeedsHttps);
        localStorage.setItem(kToldAboutHttps, 'yes');
      }
    } catch {}
  }

  function offerUpdate(worker) {
    document.getElementById('Update').hidden = false;
    document.getElementById('UpdateButton').onclick = async () => {
      await leave();
      navigator.serviceWorker.addEventListener('controllerchange', () => location.reload(), { once: true });
      worker.postMessage('take over');
    };
  }

  if (!('serviceWorker' in navigator) || !document.querySelector('link[rel="manifest"]'))
    return;
  navigator.serviceWorker.register('service-worker.js').then((registration) => {
    const waiting = () => registration.waiting && navigator.serviceWorker.controller && offerUpdate(registration.waiting);
    waiting();
    registration.addEventListener('updatefound', () => {
      const worker = registration.installing;
      worker?.addEventListener('statechange', () => worker.state === 'installed' && waiting());
    });
    // A tablet may keep the app open for weeks: it looks for a new release whenever it is shown.
    document.addEventListener('visibilitychange', () =>
      document.visibilityState === 'visible' && registration.update().catch(() => {}));
  }).catch(() => {});
}
