// Put before the page's own scripts: navigator.wakeLock grants every request
// and counts the requests and the locks held.
(() => {
  const wake = { requests: 0, held: 0 };
  const request = () => {
    const sentinel = { released: false, onrelease: null };
    sentinel.release = async () => {
      if (sentinel.released) return;
      sentinel.released = true;
      wake.held -= 1;
      if (sentinel.onrelease) sentinel.onrelease(new Event('release'));
    };
    [wake.requests, wake.held] = [wake.requests + 1, wake.held + 1];
    return Promise.resolve(sentinel);
  };
  Object.defineProperty(navigator, 'wakeLock', { value: { request } });
  window.__wake = wake;
})();
