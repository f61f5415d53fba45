// The page as a web app, where it is served (http or https): the manifest and
// the home-screen icon linked, and the service worker that keeps the site for
// play with no network (web/worker.js, beside the page). Opened from a file,
// there is neither to fetch, and nothing is asked. And the screen kept on
// while the game runs, since no touch comes while the cube drifts: a Screen
// Wake Lock while the page is in front, let go when it is hidden or ends.
mergeInto(LibraryManager.library, {
  $app: {
    lock: null, // the pending or granted wake lock

    served: function() {
      if (!/^https?:$/.test(location.protocol)) return;
      [['manifest', 'manifest.webmanifest'], ['apple-touch-icon', 'apple-touch-icon.png']]
        .forEach(function(each) {
          var link = document.createElement('link');
          link.rel = each[0];
          link.href = each[1];
          document.head.appendChild(link);
        });
      if (navigator.serviceWorker) {
        navigator.serviceWorker.register('worker.js', {updateViaCache: 'none'}).catch(function() {});
      }
    },

    awake: function(on) {
      var wakeLock = navigator.wakeLock;
      if (!wakeLock) return;
      if (on && !app.lock && !document.hidden && !page.ended) {
        var asked = app.lock = wakeLock.request('screen').then(function(sentinel) {
          // Let go by the browser (the page hidden): asked again in front.
          sentinel.onrelease = function() {
            if (app.lock == asked) app.lock = null;
          };
          return sentinel;
        }, function() {
          if (app.lock == asked) app.lock = null;
        });
      } else if (!on && app.lock) {
        app.lock.then(function(sentinel) {
          if (sentinel) sentinel.release();
        });
        app.lock = null;
      }
    },

    onVisibility: function() {
      app.awake(!document.hidden);
    },

    listen: function(on) {
      document[on ? 'addEventListener' : 'removeEventListener']('visibilitychange', app.onVisibility);
      app.awake(on);
    }
  }
});
