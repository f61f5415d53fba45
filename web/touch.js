// The touch controls, the buttons in web/shell.html: an arrow, Fire or Quit
// presses the key its value names (page.press) as a finger or pen goes down
// on it, once per press and each finger by itself, Fire at the touch point.
// They show while the last input was a touch, and from the start where the
// main pointer is coarse; a key or a mouse hides them. While they show, a
// long press brings no menu (the page's style takes scrolling, zooming and
// selection from touches everywhere).
mergeInto(LibraryManager.library, {
  $touch: {
    shown: false,

    show: function(on) {
      touch.shown = on;
      document.documentElement.classList.toggle('touch', on);
    },

    onPointer: function(event) {
      touch.show(event.pointerType != 'mouse');
    },

    onKey: function() {
      touch.show(false);
    },

    onButton: function(event) {
      // Nor focus, nor the mouse events a browser makes from a touch.
      event.preventDefault();
      page.press(this.value, event.clientX, event.clientY);
    },

    onMenu: function(event) {
      if (touch.shown) event.preventDefault();
    },

    listen: function(on) {
      var method = on ? 'addEventListener' : 'removeEventListener';
      window[method]('pointerdown', touch.onPointer);
      window[method]('pointermove', touch.onPointer);
      window[method]('keydown', touch.onKey);
      window[method]('contextmenu', touch.onMenu);
      document.querySelectorAll('.controls button').forEach(function(button) {
        button[method]('pointerdown', touch.onButton);
      });
      touch.show(on && matchMedia('(pointer: coarse)').matches);
    }
  }
});
