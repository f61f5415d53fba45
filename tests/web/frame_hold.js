// Put before the page's own scripts (CDP Page.addScriptToEvaluateOnNewDocument):
// counts the page's animation frames, one per requestAnimationFrame callback,
// and holds the page after a given frame, as the frame preload holds the
// native program in its swap. A held callback is kept, not run, until the test
// lets more frames go; keys sent meanwhile reach the page before it runs.
(() => {
  const realRequest = window.requestAnimationFrame.bind(window);
  const realCancel = window.cancelAnimationFrame.bind(window);
  const hold = {
    shown: 0,      // callbacks run
    holdAfter: 1,  // the page holds once this many have run
    held: [],      // callbacks kept while held: [id, callback]
    requested: 0,  // requestAnimationFrame calls
    lost: 0,       // webglcontextlost events seen
    restored: 0,   // webglcontextrestored events seen
    context: null, // the page's WebGL context
  };
  const realIds = new Map(); // our id -> the browser's, while it waits
  let nextId = 1;

  function schedule(id, callback) {
    realIds.set(id, realRequest((time) => {
      realIds.delete(id);
      if (hold.shown >= hold.holdAfter) {
        hold.held.push([id, callback]);
        return;
      }
      hold.shown += 1;
      callback(time);
    }));
  }

  window.requestAnimationFrame = (callback) => {
    hold.requested += 1;
    const id = nextId++;
    schedule(id, callback);
    return id;
  };
  window.cancelAnimationFrame = (id) => {
    if (realIds.has(id)) {
      realCancel(realIds.get(id));
      realIds.delete(id);
    }
    hold.held = hold.held.filter(([heldId]) => heldId !== id);
  };

  // From a hold: lets `count` more frames run, then holds again.
  hold.release = (count) => {
    hold.holdAfter = hold.shown + count;
    const kept = hold.held;
    hold.held = [];
    kept.forEach(([id, callback]) => schedule(id, callback));
  };
  // True when the page waits in a hold after its `frame`-th frame.
  hold.isHeldAfter = (frame) => hold.shown >= frame && hold.held.length > 0;
  // Requests of the page still waiting, held or not.
  hold.pending = () => hold.held.length + realIds.size;
  // The test's own clock of displayed frames, which the page never sees.
  hold.ticks = 0;
  const tick = () => { hold.ticks += 1; realRequest(tick); };
  realRequest(tick);

  // Whether the page took each key for itself (preventDefault), read once
  // every listener has had it.
  hold.keysTaken = [];
  window.addEventListener('keydown', (event) => {
    setTimeout(() => hold.keysTaken.push(event.defaultPrevented));
  });

  // The page's WebGL context, for WEBGL_lose_context.
  const realGetContext = HTMLCanvasElement.prototype.getContext;
  HTMLCanvasElement.prototype.getContext = function (...args) {
    const context = realGetContext.apply(this, args);
    if (context && args[0].startsWith('webgl') && !hold.context) {
      hold.context = context;
      this.addEventListener('webglcontextlost', () => { hold.lost += 1; });
      this.addEventListener('webglcontextrestored', () => { hold.restored += 1; });
    }
    return context;
  };
  // WEBGL_lose_context, taken while the context is there: a lost one gives none.
  hold.loseContext = () => {
    hold.contextLoser = hold.context.getExtension('WEBGL_lose_context');
    hold.contextLoser.loseContext();
  };
  hold.restoreContext = () => hold.contextLoser.restoreContext();
  window.__frameHold = hold;
})();
