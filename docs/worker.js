// The site's service worker: keeps the game page, the manifest and the icons
// for play with no network. Made by web/make_site.py, which puts in the files and
// their content's hash: a new deploy changes this script, the browser installs
// it at the next visit (it fetches a worker past its HTTP cache), and the one
// after plays the new page. The files are fetched past the HTTP cache too, as
// a host may let browsers keep them for minutes, and are kept only when they
// are exactly the deploy this script belongs to: otherwise (a file missing, a
// deploy half done) installing fails, and the worker before goes on serving
// its own complete copy until a later visit installs this one.
const content = '59c71a1b7474fbcd';
const files = ["./", "manifest.webmanifest", "icon-192.png", "icon-512.png", "icon-maskable-512.png", "apple-touch-icon.png"];
const cacheName = 'quendrel-' + content;

self.addEventListener('install', (event) => {
  event.waitUntil((async () => {
    const responses = await Promise.all(files.map((file) => fetch(file, { cache: 'no-cache' })));
    if (!responses.every((response) => response.ok)) throw new Error('a file of the site is missing');
    const bodies = await Promise.all(responses.map((response) => response.clone().arrayBuffer()));
    const all = new Uint8Array(bodies.reduce((sum, body) => sum + body.byteLength, 0));
    bodies.reduce((at, body) => (all.set(new Uint8Array(body), at), at + body.byteLength), 0);
    const hash = Array.from(new Uint8Array(await crypto.subtle.digest('SHA-256', all)),
      (byte) => byte.toString(16).padStart(2, '0')).join('');
    if (!hash.startsWith(content)) throw new Error('the files are not this deploy');
    const cache = await caches.open(cacheName);
    await Promise.all(files.map((file, i) => cache.put(file, responses[i])));
    // The page is one file: a page open now plays on unharmed, and the next
    // launch gets the new one.
    await self.skipWaiting();
  })());
});

self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    for (const name of await caches.keys()) {
      if (name.startsWith('quendrel-') && name !== cacheName) await caches.delete(name);
    }
    await self.clients.claim();
  })());
});

// The kept files from the cache, the page also as index.html or with a query;
// whatever else (the downloads) from the network, as without a worker.
self.addEventListener('fetch', (event) => {
  const scope = self.registration.scope;
  const url = event.request.url.split(/[?#]/)[0];
  if (event.request.method !== 'GET' || !url.startsWith(scope)) return;
  const name = url.slice(scope.length).replace(/^(index\.html)?$/, './');
  if (!files.includes(name)) return;
  event.respondWith(caches.open(cacheName)
    .then((cache) => cache.match(name))
    .then((kept) => kept || fetch(event.request)));
});
