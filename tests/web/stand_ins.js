// Put before the page's own scripts: navigator.getGamepads answers with the
// controller a test sets, and counts its calls; screen.orientation.lock notes
// whether the page was in full screen when it asked; navigator.wakeLock grants
// every request and counts the requests and the locks held.
(() => {
  const pads = window.__pads = { list: [], calls: 0, locks: [] };
  navigator.getGamepads = () => { pads.calls += 1; return pads.list; };
  // A controller at index 0 in that mapping, with these buttons down and the
  // left stick at (x, y); without buttons, no controller. It connects as a
  // browser says so.
  pads.set = (down, x = 0, y = 0, mapping = 'standard') => {
    const connecting = !pads.list[0];
    pads.list = [down && { index: 0, connected: true, mapping, axes: [x, y, 0, 0],
      buttons: Array.from({ length: 17 }, (_, i) => ({ pressed: down.includes(i) })) }];
    if (connecting && down) window.dispatchEvent(new Event('gamepadconnected'));
  };
  screen.orientation.lock = async () => { pads.locks.push(!!document.fullscreenElement); };

  const wake = window.__wake = { requests: 0, held: 0 };
  const request = async () => {
    const sentinel = { released: false, onrelease: null };
    sentinel.release = async () => {
      if (sentinel.released) return;
      [sentinel.released, wake.held] = [true, wake.held - 1];
      if (sentinel.onrelease) sentinel.onrelease(new Event('release'));
    };
    [wake.requests, wake.held] = [wake.requests + 1, wake.held + 1];
    return sentinel;
  };
  Object.defineProperty(navigator, 'wakeLock', { value: { request } });
})();
