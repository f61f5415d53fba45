// The touch controls, the buttons in web/shell.html. A finger or pen going
// down on an arrow or Fire presses the key its value names (page.press), once
// per press and each finger by itself, Fire at the touch point; a finger that
// went down on an arrow and slides onto another presses that one as it enters,
// as on a game pad. Quit asks once more: the first tap shows a prompt, a second
// within QUIT_WAIT ms presses Escape. Full screen asks for it again, shown
// while the controls show and the page is not in full screen. A click that no
// pointer press made (how a screen reader activates a button) acts as a press.
// The controls show while the last input was a touch or pen, and from the
// start where the main pointer is coarse; a key, a mouse or a controller hides
// them, and the touch that brings them back also presses what it lands on.
// While they show, a long press brings no menu (the page's style takes
// scrolling, zooming and selection from touches everywhere).
mergeInto(LibraryManager.library, {
  $touch: {
    shown: false,
    onArrow: {}, // by pointer id: the arrow under a finger that went down on one, or null
    quitUntil: 0, // Quit ends the game when tapped before this time
    QUIT_WAIT: 3000,

    show: function(on) {
      touch.shown = on;
      document.documentElement.classList.toggle('touch', on);
    },

    // The control at (x, y), once the controls show.
    at: function(x, y) {
      var found = document.elementFromPoint(x, y);
      return found && found.closest('.controls button');
    },

    activate: function(button, x, y) {
      if (button.value == 'Escape' && performance.now() > touch.quitUntil) {
        touch.quitUntil = performance.now() + touch.QUIT_WAIT;
        document.documentElement.classList.add('quitting');
        setTimeout(function() {
          if (performance.now() >= touch.quitUntil) {
            document.documentElement.classList.remove('quitting');
          }
        }, touch.QUIT_WAIT);
      } else if (button.value) {
        page.press(button.value, x, y);
      } else {
        page.goFullScreen(true);
      }
    },

    onDown: function(event) {
      if (event.pointerType == 'mouse') return touch.show(false);
      touch.show(true);
      var button = touch.at(event.clientX, event.clientY);
      if (!button) return;
      // Nor focus, nor the mouse events a browser makes from a touch.
      event.preventDefault();
      if (button.parentNode.className == 'pad') touch.onArrow[event.pointerId] = button;
      // Full screen only as the finger lifts: a touch going down may not ask.
      if (button.value) touch.activate(button, event.clientX, event.clientY);
    },

    onMove: function(event) {
      if (event.pointerType == 'mouse') return touch.show(false);
      if (!(event.pointerId in touch.onArrow)) return;
      var button = touch.at(event.clientX, event.clientY);
      if (button && button.parentNode.className != 'pad') button = null;
      if (button && button != touch.onArrow[event.pointerId]) {
        page.press(button.value, event.clientX, event.clientY);
      }
      touch.onArrow[event.pointerId] = button;
    },

    onUp: function(event) {
      delete touch.onArrow[event.pointerId];
      var button = event.pointerType != 'mouse' && touch.at(event.clientX, event.clientY);
      if (button && !button.value) touch.activate(button);
    },

    onClick: function(event) {
      // A pointer's own click (detail 1 and up) comes after its press.
      var button = event.target.closest('.controls button');
      if (button && !event.detail) touch.activate(button, page.pointerX, page.pointerY);
    },

    onKey: function() {
      touch.show(false);
    },

    onMenu: function(event) {
      if (touch.shown) event.preventDefault();
    },

    // Where the browser offers full screen at all.
    onFullScreen: function() {
      var windowed = document.fullscreenEnabled && !document.fullscreenElement;
      document.documentElement.classList.toggle('windowed', !!windowed);
    },

    listen: function(on) {
      var method = on ? 'addEventListener' : 'removeEventListener';
      window[method]('pointerdown', touch.onDown);
      window[method]('pointermove', touch.onMove);
      window[method]('pointerup', touch.onUp);
      window[method]('pointercancel', touch.onUp);
      window[method]('click', touch.onClick);
      window[method]('keydown', touch.onKey);
      window[method]('contextmenu', touch.onMenu);
      document[method]('fullscreenchange', touch.onFullScreen);
      touch.onFullScreen();
      touch.show(on && matchMedia('(pointer: coarse)').matches);
      if (!on) document.documentElement.classList.remove('quitting');
    }
  }
});
