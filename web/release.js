// Releases of the served app. A new one, once installed and waiting, is offered: on 更新 the
// picture is stored and the new release takes over, and the page opens again with it. Without
// HTTPS there is no service worker: the page says once what that costs. In Safari on an iPad,
// outside the home screen, it says once that only an app on the home screen keeps its pictures
// for good.
//
// `leave()` stores the picture and lets it go, resolving once that is done.

const kToldAboutHttps = 'mirona told about HTTPS'; // in local storage
const kToldAboutHomeScreen = 'mirona told about the home screen';

export function startReleases({ texts, say, leave }) {
  const sayOnce = (key, text) => {
    try {
      if (!localStorage.getItem(key)) {
        say(text);
        localStorage.setItem(key, 'yes');
      }
    } catch {}
  };
  const served = location.protocol !== 'file:';
  if (!isSecureContext && served)
    sayOnce(kToldAboutHttps, texts.NeedsHttps);
  // An iPad's Safari calls itself a Mac, one with a touch screen.
  const ipad = /iPad|iPhone|iPod/.test(navigator.userAgent) ||
    (/Macintosh/.test(navigator.userAgent) && navigator.maxTouchPoints > 1);
  const onHomeScreen = navigator.standalone === true || matchMedia('(display-mode: standalone)').matches;
  if (ipad && served && isSecureContext && !onHomeScreen)
    sayOnce(kToldAboutHomeScreen, texts.AddToHomeScreen);

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
