// The page around the program (the GLUT part of web/glut.cpp): the canvas and
// the message, one frame per requestAnimationFrame, keys and the pointer from
// the browser's window, full screen on the first key or click, and the end of
// the program when it calls exit(). Keys: arrows, Page Up/Down, Home, End and
// Insert as GLUT's special keys; Escape, Enter, Tab, Backspace, Delete and
// characters up to 255 as characters. F1 to F12 and anything with Ctrl, Alt
// or Meta stay the browser's.
mergeInto(LibraryManager.library, {
  $page: {
    canvas: null,
    frameAsked: false, // a requestAnimationFrame callback is pending
    paused: false,
    ended: false,
    fullScreenAsked: false,
    pointerX: 0,
    pointerY: 0,
    specialKeys: {ArrowLeft: 100, ArrowUp: 101, ArrowRight: 102, ArrowDown: 103,
                  PageUp: 104, PageDown: 105, Home: 106, End: 107, Insert: 108},
    namedKeys: {Escape: 27, Enter: 13, Tab: 9, Backspace: 8, Delete: 127},

    show: function(text) {
      var message = document.getElementById('message');
      message.textContent = text;
      message.hidden = false;
    },

    // Every call into the program goes through here: once it has called
    // exit(), what comes back is the unwinding of its stack (proc_exit below),
    // not an error.
    call: function(f) {
      try {
        f();
      } catch (e) {
        if (!page.ended) throw e;
      }
    },

    // Looked up at each call, so that a script loaded before the page's own
    // can wrap requestAnimationFrame to count and hold frames.
    schedule: function() {
      if (!page.ended && !page.paused && !page.frameAsked) {
        page.frameAsked = true;
        window.requestAnimationFrame(page.tick);
      }
    },

    tick: function() {
      page.frameAsked = false;
      if (page.ended || page.paused) return;
      // The drawing buffer is the canvas's CSS size in device pixels.
      var canvas = page.canvas, box = canvas.getBoundingClientRect(), ratio = window.devicePixelRatio;
      var width = Math.round(box.width * ratio), height = Math.round(box.height * ratio);
      if (canvas.width != width || canvas.height != height) {
        canvas.width = width;
        canvas.height = height;
      }
      page.call(function() { _quendrelFrame(width, height); });
      page.schedule();
    },

    onKey: function(event) {
      var key = event.key;
      if (event.ctrlKey || event.altKey || event.metaKey || /^F\d+$/.test(key)) return;
      page.goFullScreen();
      var special = page.specialKeys[key];
      var code = special || page.namedKeys[key] || (key.length == 1 ? key.charCodeAt(0) : 0);
      if (!code || code > 255) return;
      event.preventDefault();
      // GLUT passes window coordinates: here the drawing buffer's pixels.
      var canvas = page.canvas, box = canvas.getBoundingClientRect();
      var x = Math.floor((page.pointerX - box.left) * canvas.width / (box.width || 1));
      var y = Math.floor((page.pointerY - box.top) * canvas.height / (box.height || 1));
      page.call(function() { _quendrelKey(code, !!special, x, y); });
    },

    onPointer: function(event) {
      page.pointerX = event.clientX;
      page.pointerY = event.clientY;
    },

    onClick: function() { page.goFullScreen(); },

    // Asked for once: the program asks once, and a user who left full screen
    // has chosen the window. Keyboard Lock, where offered, lets Escape reach
    // the program instead of only leaving full screen.
    goFullScreen: function() {
      var root = document.documentElement;
      if (page.fullScreenAsked || !root.requestFullscreen) return;
      page.fullScreenAsked = true;
      root.requestFullscreen({navigationUI: 'hide'}).then(function() {
        return navigator.keyboard && navigator.keyboard.lock(['Escape']);
      }).catch(function() {});
    },

    listen: function(on) {
      var method = on ? 'addEventListener' : 'removeEventListener';
      window[method]('keydown', page.onKey);
      window[method]('mousemove', page.onPointer);
      window[method]('mousedown', page.onClick);
    },

    pause: function() {
      page.paused = true;
    },

    resume: function() {
      page.paused = false;
      page.schedule();
    },

    end: function() {
      page.ended = true;
      page.listen(false);
      page.canvas.hidden = true;
      page.show('Quendrel has ended. Reload the page to start it again.');
      if (navigator.keyboard) navigator.keyboard.unlock();
      if (document.fullscreenElement) document.exitFullscreen().catch(function() {});
    }
  },

  // The program's exit(), in place of emscripten's: the page ends, and the
  // throw unwinds the program's stack, since nothing after exit() may run.
  proc_exit__deps: ['$page'],
  proc_exit: function(status) {
    page.end();
    throw 'exit(' + status + ')';
  },

  pageOpen__deps: ['$page'],
  pageOpen: function(title) {
    document.title = UTF8ToString(title);
    page.canvas = document.getElementById('canvas');
  },

  pageRun__deps: ['$page'],
  pageRun: function() {
    page.listen(true);
    page.schedule();
  }
});
