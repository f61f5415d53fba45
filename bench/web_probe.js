// Injected before a page's own script by bench/web_bench.py: times every
// requestAnimationFrame and setTimeout callback with performance.now(), and
// counts the program's frames by the WebGL clears, since its frame routine
// clears exactly once whichever callback runs it. The record, read at the end:
// per callback kind a flat list of (start, cost, clears) triples in ms, and
// the display's ticks, from a requestAnimationFrame loop of the probe's own.
(() => {
  const probe = { raf: [], timer: [], ticks: [], clears: 0, clearsInCallbacks: 0 };

  // The callback's cost and the clears it made; the record is kept even when
  // the callback throws (emscripten unwinds with an exception).
  const timed = (record, callback) =>
    function (...args) {
      const clearsBefore = probe.clears;
      const start = performance.now();
      try {
        return callback.apply(this, args);
      } finally {
        const clears = probe.clears - clearsBefore;
        record.push(start, performance.now() - start, clears);
        probe.clearsInCallbacks += clears;
      }
    };

  // Pages look the functions up on window at each call, so replacing them
  // here, before any page script runs, catches every frame.
  const requestFrame = window.requestAnimationFrame;
  window.requestAnimationFrame = (callback) =>
    requestFrame.call(window, timed(probe.raf, callback));
  const tick = (time) => {
    probe.ticks.push(time);
    requestFrame.call(window, tick);
  };
  requestFrame.call(window, tick);
  const setTimer = window.setTimeout;
  window.setTimeout = (handler, ...rest) =>
    setTimer.call(window, typeof handler === 'function' ? timed(probe.timer, handler) : handler,
      ...rest);

  for (const context of [WebGLRenderingContext, WebGL2RenderingContext]) {
    const clear = context.prototype.clear;
    context.prototype.clear = function (mask) {
      probe.clears += 1;
      return clear.call(this, mask);
    };
  }

  window.__webBenchProbe = probe;
})();
