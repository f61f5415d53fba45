// Test of bench/web_probe.js under node, over a stand-in window whose
// requestAnimationFrame and setTimeout queue their callbacks and whose WebGL
// contexts only count clears: what the probe records for each callback.
'use strict';
const assert = require('node:assert');

const frameQueue = [];
const timerQueue = [];
class WebGLRenderingContext { clear() { this.cleared = (this.cleared || 0) + 1; } }
class WebGL2RenderingContext { clear() {} }
Object.assign(globalThis, {
  window: globalThis,
  requestAnimationFrame: (callback) => frameQueue.push(callback),
  setTimeout: (handler) => timerQueue.push(handler),
  WebGLRenderingContext,
  WebGL2RenderingContext,
});
require('./web_probe.js');
const probe = window.__webBenchProbe;
const context = new WebGLRenderingContext();
const triples = (flat) => Array.from({ length: flat.length / 3 }, (_, i) => flat.slice(3 * i, 3 * i + 3));

// The page's frame: one clear, through the probe to the real clear.
window.requestAnimationFrame(() => context.clear(0x4100));
// An idle step that unwinds with an exception, as emscripten's runtime does, after its clear.
window.setTimeout(() => {
  context.clear(0x4100);
  throw new Error('unwind');
}, 4);
// A timer that draws nothing, and a string handler, which is passed on as it is.
window.setTimeout(() => {}, 0);
window.setTimeout('void 0', 0);

// The probe's own loop asked for a frame first; run it and the page's.
assert.strictEqual(frameQueue.length, 2);
frameQueue.splice(0).forEach((callback) => callback(16.7));
assert.throws(() => timerQueue[0](), /unwind/);
timerQueue[1]();
assert.strictEqual(timerQueue[2], 'void 0');

assert.deepStrictEqual(probe.ticks, [16.7]);
assert.strictEqual(frameQueue.length, 1, 'the probe asks for its next frame, the page did not');
assert.deepStrictEqual(triples(probe.raf).map(([, , clears]) => clears), [1]);
assert.deepStrictEqual(triples(probe.timer).map(([, , clears]) => clears), [1, 0]);
assert.ok([...probe.raf, ...probe.timer].every((value) => value >= 0));
assert.strictEqual(probe.clearsInCallbacks, 2);
assert.strictEqual(context.cleared, 2);

// A clear outside any callback counts as a clear, not as a frame in a callback.
context.clear(0x4100);
assert.strictEqual(probe.clears, 3);
assert.strictEqual(probe.clearsInCallbacks, 2);
console.log('web_probe_test: passed');
