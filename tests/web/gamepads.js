// Put before the page's own scripts: navigator.getGamepads answers with the
// controller a test sets, in the standard mapping, and counts its calls.
(() => {
  const pads = { list: [], calls: 0 };
  navigator.getGamepads = () => { pads.calls += 1; return pads.list; };
  // A controller at index 0 with these buttons down and the left stick at
  // (x, y); without buttons, no controller. It connects as a browser says so.
  pads.set = (down, x = 0, y = 0) => {
    const connecting = !pads.list[0];
    pads.list = [down && { index: 0, connected: true, mapping: 'standard', axes: [x, y, 0, 0],
      buttons: Array.from({ length: 17 }, (_, i) => ({ pressed: down.includes(i) })) }];
    if (connecting && down) window.dispatchEvent(new Event('gamepadconnected'));
  };
  window.__pads = pads;
})();
