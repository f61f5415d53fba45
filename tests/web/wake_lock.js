// Put before the page's own scripts: navigator.wakeLock grants every request
// and counts the requests and the locks held, as a phone's would.
(() => {
  const wake = { requests: 0, held: 0 };
  const wakeLock = {
    request: (type) => {
      wake.requests += 1;
      wake.held += 1;
      const sentinel = { type, released: false, onrelease: null };
      sentinel.release = () => {
        if (!sentinel.released) {
          sentinel.released = true;
          wake.held -= 1;
          if (sentinel.onrelease) sentinel.onrelease(new Event('release'));
        }
        return Promise.resolve();
      };
      return Promise.resolve(sentinel);
    },
  };
  Object.defineProperty(navigator, 'wakeLock', { value: wakeLock, configurable: true });
  window.__wake = wake;
})();
