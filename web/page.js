// The page around the program (the GLUT part of web/glut.cpp): the canvas and
// the message, one frame per requestAnimationFrame, input from the browser's
// window, full screen on the first key, click or tap, and the end of the
// program when it calls exit(). Keys: those glut.cpp names (arrows, Page
// Up/Down, Home, End, Insert; Escape, Enter, Tab, Backspace, Delete) and
// characters up to 255. F1 to F12 and anything with Ctrl, Alt or Meta stay
// the browser's. The touch controls (web/touch.js) and game controllers
// (web/pads.js) press the same keys through page.press; web/app.js makes it
// a web app where it is served, and keeps the screen on while it runs.
mergeInto(LibraryManager.library, {
  $page__deps: ['$touch', '$pads', '$app'],
  $page: {
    canvas: null,
    box: null, // the canvas's place in CSS pixels, read again on each resize
    frameAsked: false, // a requestAnimationFrame callback is pending
    paused: false,
    ended: false,
    fullScreenAsked: false,
    pointerX: 0,
    pointerY: 0,
    keys: {}, // by the browser's name: [GLUT code, special]

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
      if (pads.seen) pads.poll();
      if (page.ended || page.paused) return;
      // The drawing buffer is the canvas's CSS size in device pixels.
      var canvas = page.canvas, ratio = window.devicePixelRatio;
      var width = Math.round(page.box.width * ratio), height = Math.round(page.box.height * ratio);
      if (canvas.width != width || canvas.height != height) {
        canvas.width = width;
        canvas.height = height;
      }
      page.call(function() { _quendrelFrame(width, height); });
      page.schedule();
    },

    onResize: function() {
      page.box = page.canvas.getBoundingClientRect();
    },

    // The one way in for keys, touch and controllers: a key by its browser
    // name, with a point in CSS pixels that the program gets in drawing-buffer
    // pixels, as GLUT passes window coordinates. False for a key it never gets.
    press: function(key, x, y) {
      var named = page.keys[key] || [key.length == 1 ? key.charCodeAt(0) : 0, false];
      var code = named[0], canvas = page.canvas, box = page.box;
      if (page.ended || !code || code > 255) return false;
      x = Math.floor((x - box.left) * canvas.width / (box.width || 1));
      y = Math.floor((y - box.top) * canvas.height / (box.height || 1));
      page.call(function() { _quendrelKey(code, named[1], x, y); });
      return true;
    },

    onKey: function(event) {
      var key = event.key;
      if (event.ctrlKey || event.altKey || event.metaKey || /^F\d+$/.test(key)) return;
      page.goFullScreen();
      if (page.press(key, page.pointerX, page.pointerY)) event.preventDefault();
    },

    onPointer: function(event) {
      page.pointerX = event.clientX;
      page.pointerY = event.clientY;
    },

    // Asked for once, on a key, a mouse button or the end of a touch (a touch
    // going down does not let a page have full screen): the program asks once,
    // and a user who left full screen has chosen the window, unless `again`
    // (the touch controls' Full screen button). Keyboard Lock,
    // where offered, lets Escape reach the program instead of only leaving
    // full screen. A phone or tablet turned upright shows little of the
    // scene's width: landscape is asked for, where the browser allows it.
    goFullScreen: function(again) {
      var root = document.documentElement;
      if (page.fullScreenAsked && again !== true || !root.requestFullscreen) return;
      page.fullScreenAsked = true;
      root.requestFullscreen({navigationUI: 'hide'}).then(function() {
        if (screen.orientation && screen.orientation.lock) {
          screen.orientation.lock('landscape').catch(function() {});
        }
        return navigator.keyboard && navigator.keyboard.lock(['Escape']);
      }).catch(function() {});
    },

    listen: function(on) {
      var method = on ? 'addEventListener' : 'removeEventListener';
      window[method]('keydown', page.onKey);
      window[method]('pointermove', page.onPointer);
      window[method]('pointerdown', page.onPointer);
      window[method]('mousedown', page.goFullScreen);
      window[method]('pointerup', page.goFullScreen);
      window[method]('resize', page.onResize);
      touch.listen(on);
      pads.listen(on);
      app.listen(on);
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
    page.onResize();
  },

  pageNameKey__deps: ['$page'],
  pageNameKey: function(name, code, special) {
    page.keys[UTF8ToString(name)] = [code, special];
  },

  pageRun__deps: ['$page'],
  pageRun: function() {
    app.served();
    page.listen(true);
    page.schedule();
  }
});
