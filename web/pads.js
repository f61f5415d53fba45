// Game controllers with the standard mapping, read once per animation frame
// from the first `gamepadconnected` until none is left: the d-pad, and the
// left stick past half-way, press the arrows; the bottom face button presses
// Space at the last pointer position, Back/Select Escape. A press counts as
// the button goes down or the stick enters the direction, and hides the touch
// controls; a controller that leaves takes what it held with it. Controllers
// with another mapping are not read: their buttons mean something else.
mergeInto(LibraryManager.library, {
  $pads: {
    seen: false, // a controller may be there: poll
    held: {}, // at the last poll, by controller index and key

    // [key, button, stick axis, its side]; Space and Escape have no axis.
    inputs: [['ArrowUp', 12, 1, -1], ['ArrowDown', 13, 1, 1], ['ArrowLeft', 14, 0, -1],
             ['ArrowRight', 15, 0, 1], [' ', 0], ['Escape', 8]],
    deadZone: 0.5,

    onConnect: function() {
      pads.seen = true;
    },

    poll: function() {
      var held = {};
      pads.seen = false;
      Array.prototype.forEach.call(navigator.getGamepads(), function(pad) {
        if (!pad || !pad.connected || pad.mapping != 'standard') return;
        pads.seen = true;
        pads.inputs.forEach(function(input) {
          var id = pad.index + input[0], button = pad.buttons[input[1]];
          held[id] = button && button.pressed || pad.axes[input[2]] * input[3] > pads.deadZone;
          if (held[id] && !pads.held[id]) {
            touch.show(false);
            page.press(input[0], page.pointerX, page.pointerY);
          }
        });
      });
      pads.held = held;
    },

    // Without the Gamepad API no controller ever connects.
    listen: function(on) {
      if (navigator.getGamepads) {
        window[on ? 'addEventListener' : 'removeEventListener']('gamepadconnected', pads.onConnect);
      }
    }
  }
});
