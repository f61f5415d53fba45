"""Debian's headless Chromium (tools/browser/chromium.py) with frame_hold.js
put before every page's own scripts: pages held frame by frame, real key
events, resizes, screenshots as PNG files and the console's messages. The
tests hold the page at the frames they look at, so frames come unpaced."""

import base64
import os
import time

from chromium import ChromiumSession

HOLD_SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "frame_hold.js")

# What a keyboard sends for each key the tests press (CDP Input.dispatchKeyEvent).
KEYS = {
    "Left": ("ArrowLeft", "ArrowLeft", 37), "Up": ("ArrowUp", "ArrowUp", 38),
    "Right": ("ArrowRight", "ArrowRight", 39), "Down": ("ArrowDown", "ArrowDown", 40),
    "space": (" ", "Space", 32), "Escape": ("Escape", "Escape", 27), "F2": ("F2", "F2", 113),
}
ALT, CTRL, META = 1, 2, 4  # CDP's modifier bits

DEADLINE = 20.0  # seconds for any one awaited condition


class BrowserSession(ChromiumSession):
    def __init__(self):
        super().__init__(HOLD_SCRIPT, unpaced=True)

    def open(self, url, width=1024, height=768, pixel_ratio=1):
        """Opens `url` at a viewport of width x height CSS pixels and the given
        devicePixelRatio; on return the page holds after its first frame."""
        self.resize(width, height, pixel_ratio)
        self.driver.get(url)
        self.wait_until_held(1)

    def wait_for(self, expression, what):
        until = time.monotonic() + DEADLINE
        while not self.js(expression):
            if time.monotonic() > until:
                raise AssertionError(f"{what}: not within {DEADLINE} s")
            time.sleep(0.002)

    def frames_shown(self):
        return self.js("window.__frameHold.shown")

    def wait_until_held(self, frame):
        self.wait_for(f"window.__frameHold.isHeldAfter({frame})", f"page held after frame {frame}")

    def run_frames(self, count):
        """From a hold: lets exactly `count` more frames run and holds again."""
        target = self.frames_shown() + count
        self.js(f"window.__frameHold.release({count})")
        self.wait_until_held(target)

    def run_to(self, frame):
        self.run_frames(frame - self.frames_shown())

    def wait_ticks(self, count):
        """Waits for `count` frames the display shows, whatever the page does."""
        target = self.js("window.__frameHold.ticks") + count
        self.wait_for(f"window.__frameHold.ticks >= {target}", f"{count} display frames")

    def press(self, name, modifiers=0):
        """A key pressed and released, as a keyboard sends it."""
        self.key_down(name, modifiers)
        self.key_up(name, modifiers)

    def key_down(self, name, modifiers=0, repeat=False):
        """The key goes down, or repeats as a held key does."""
        key, code, number = KEYS[name]
        # A key with text comes as keyDown with it, the others as rawKeyDown.
        down = {"type": "keyDown", "text": key} if len(key) == 1 else {"type": "rawKeyDown"}
        self.cdp("Input.dispatchKeyEvent", dict(down, key=key, code=code, modifiers=modifiers,
                                                windowsVirtualKeyCode=number, autoRepeat=repeat))

    def key_up(self, name, modifiers=0):
        key, code, number = KEYS[name]
        self.cdp("Input.dispatchKeyEvent", {"type": "keyUp", "key": key, "code": code,
                                            "windowsVirtualKeyCode": number,
                                            "modifiers": modifiers})

    def point_at(self, x, y):
        """The pointer moves to (x, y) in CSS pixels."""
        self.cdp("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": x, "y": y})

    def keys_taken(self, count):
        """Whether the page took each of the last `count` keys pressed for
        itself, so that the browser does nothing more with it."""
        self.wait_for(f"window.__frameHold.keysTaken.length >= {count}", "keys seen")
        return self.js(f"window.__frameHold.keysTaken.slice(-{count})")

    def screenshot(self, path):
        """The page as shown now, in device pixels, written as PNG."""
        with open(path, "wb") as png:
            png.write(base64.b64decode(self.cdp("Page.captureScreenshot")["data"]))
        return path
