// Pako Tumbo's service worker: keeps one build of the page, the game and its
// sounds, so that once opened the game starts with no network.
//
// A build is kept whole or not at all: every file is checked against the
// build's list (its SHA-256) before it is kept, in a cache of that build's
// own, so that pako.js and pako.wasm of two builds never meet. A new build
// is fetched in the background and waits; it takes over only when a page
// asks, as it starts and before its game does (page.js), and only when no
// other page of the game is open. Its cache then replaces the old one.
//
// tools/web/offline.py writes the build's list into the line below.
const BUILD = /* build */ {"id": "unbuilt", "files": {}} /* build */;
const CACHE = 'pako-' + BUILD.id;

function hex(buffer) {
  return Array.from(new Uint8Array(buffer), (b) => b.toString(16).padStart(2, '0')).join('');
}

// The file of this build, or null: the server's copy may belong to a newer
// build already.
async function fetchOfBuild(name, mode) {
  const response = await fetch(new Request(name, {cache: mode}));
  if (!response.ok) return null;
  const body = await response.clone().arrayBuffer();
  const sum = hex(await crypto.subtle.digest('SHA-256', body));
  return sum === BUILD.files[name] ? response : null;
}

async function keepBuild() {
  const cache = await caches.open(CACHE);
  try {
    for (const name of Object.keys(BUILD.files)) {
      // What the browser holds is checked with the server first; a copy of
      // another build comes again from the server itself.
      const response = (await fetchOfBuild(name, 'no-cache')) ||
                       (await fetchOfBuild(name, 'reload'));
      if (!response) throw new Error(name + ' on the server is not that of build ' + BUILD.id);
      await cache.put(name, response);
    }
  } catch (e) {
    await caches.delete(CACHE);
    throw e;
  }
}

self.addEventListener('install', (event) => event.waitUntil(keepBuild()));

// The pages take this build first (a page still loading the old one starts
// again, page.js); the old build's cache goes after.
self.addEventListener('activate', (event) => event.waitUntil((async () => {
  await self.clients.claim();
  for (const name of await caches.keys())
    if (name.startsWith('pako-') && name !== CACHE) await caches.delete(name);
})()));

// A page that starts asks the waiting build to take over. Another open page
// may be in the middle of a game of the old build: then the new one waits on.
self.addEventListener('message', (event) => {
  if (event.data !== 'take-over') return;
  event.waitUntil((async () => {
    const pages = await self.clients.matchAll({type: 'window', includeUncontrolled: true});
    const others = pages.filter((c) => !event.source || c.id !== event.source.id);
    if (others.length === 0) await self.skipWaiting();
    else if (event.source) event.source.postMessage('busy');
  })());
});

// The build's files from its cache, whatever the address's query (the
// page's ?replay=...); anything else from the network.
self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET') return;
  const url = new URL(request.url);
  const scope = new URL(self.registration.scope);
  if (url.origin !== scope.origin || !url.pathname.startsWith(scope.pathname)) return;
  const name = url.pathname.slice(scope.pathname.length) || 'index.html';
  if (!Object.prototype.hasOwnProperty.call(BUILD.files, name)) return;
  event.respondWith((async () => {
    const cache = await caches.open(CACHE);
    return (await cache.match(name)) || fetch(request);
  })());
});
