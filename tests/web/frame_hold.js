// Put before the page's own scripts (a preload script, or first in a copy of the page): counts
// the page's frames, one per requestAnimationFrame callback, and holds the page after a given
// frame, as the frame preload holds the native program in its swap. A held callback is kept,
// not run, until the test lets more frames go; keys sent meanwhile reach the page first.
(() => {
  const realRequest = window.requestAnimationFrame.bind(window);
  // Frames as fast as they come, for a browser that cannot unpace its own.
  const nextFrame = window.__unpacedFrames
    ? (callback) => setTimeout(() => callback(performance.now())) : realRequest;
  // Callbacks run, and kept while held; the page holds once holdAfter have run. waiting:
  // callbacks asked for and not yet run, held ones too. ticks: displayed frames. keysTaken:
  // for each key, whether the page took it (preventDefault). fullScreenAnswers: full screen
  // entered, left or refused. drawnLost: frames begun (cleared) while the context was lost.
  const hold = { shown: 0, held: [], holdAfter: 1, waiting: 0, ticks: 0, keysTaken: [],
    fullScreenAnswers: 0, lost: 0, restored: 0, drawnLost: 0, context: null,
    size: `${innerWidth}x${innerHeight}` };  // the viewport, as the last resize event told it
  // Frames run from timers may come before the browser's next rendering
  // update, which brings a resize event: a test waits for that event first.
  window.addEventListener('resize', () => { hold.size = `${innerWidth}x${innerHeight}`; });

  const schedule = (callback) => nextFrame((time) => {
    if (hold.shown >= hold.holdAfter) return hold.held.push(callback);
    hold.shown += 1;
    hold.waiting -= 1;
    callback(time);
  });
  window.requestAnimationFrame = (callback) => (hold.waiting += 1, schedule(callback));
  // From a hold: lets `count` more frames run, then holds again.
  hold.release = (count) => {
    hold.holdAfter = hold.shown + count;
    hold.held.splice(0).forEach(schedule);
  };
  hold.isHeldAfter = (frame) => hold.shown >= frame && hold.held.length > 0;

  const tick = () => { hold.ticks += 1; realRequest(tick); };
  realRequest(tick);
  // Counted at once, read once every listener has had the key.
  window.addEventListener('keydown', (event) => {
    const index = hold.keysTaken.push(null) - 1;
    setTimeout(() => { hold.keysTaken[index] = event.defaultPrevented; });
  });
  for (const type of ['fullscreenchange', 'fullscreenerror']) {
    document.addEventListener(type, () => { hold.fullScreenAnswers += 1; });
  }

  const realGetContext = HTMLCanvasElement.prototype.getContext;
  HTMLCanvasElement.prototype.getContext = function (...args) {
    const context = realGetContext.apply(this, args);
    if (context && String(args[0]).startsWith('webgl') && !hold.context) {
      hold.context = context;
      this.addEventListener('webglcontextlost', () => { hold.lost += 1; });
      this.addEventListener('webglcontextrestored', () => { hold.restored += 1; });
      const realClear = context.clear.bind(context);
      context.clear = (mask) => { hold.drawnLost += hold.lost > hold.restored; realClear(mask); };
    }
    return context;
  };
  // WEBGL_lose_context, taken while the context is there: a lost one gives none.
  hold.loseContext = () =>
    (hold.contextLoser = hold.context.getExtension('WEBGL_lose_context')).loseContext();
  hold.restoreContext = () => hold.contextLoser.restoreContext();
  window.__frameHold = hold;
})();
