"""A browser with frame_hold.js put before every page's own scripts: pages held
frame by frame, real key events, resizes, screenshots as PNG files and the
console's messages. HeldPage holds what every engine shares; a driver per
engine says how to open a page, run script, send keys and the pointer, resize,
take a picture and read the console: Debian's headless Chromium
(tools/browser/chromium.py) here, Firefox and WebKit in engines.py. The tests
hold the page at the frames they look at, so frames come unpaced."""

import base64
import os
import time

from chromium import ChromiumSession
from page_server import serve

HOLD_SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "frame_hold.js")

# What a keyboard sends for each key the tests press (CDP Input.dispatchKeyEvent).
KEYS = {
    "Left": ("ArrowLeft", "ArrowLeft", 37), "Up": ("ArrowUp", "ArrowUp", 38),
    "Right": ("ArrowRight", "ArrowRight", 39), "Down": ("ArrowDown", "ArrowDown", 40),
    "space": (" ", "Space", 32), "Escape": ("Escape", "Escape", 27), "F2": ("F2", "F2", 113),
}
ALT, CTRL, META = 1, 2, 4  # CDP's modifier bits

DEADLINE = 20.0  # seconds for any one awaited condition


def wait_until(condition, what):
    """The first true answer of `condition`, asked again and again."""
    until = time.monotonic() + DEADLINE
    while not (answer := condition()):
        if time.monotonic() > until:
            raise AssertionError(f"{what}: not within {DEADLINE} s")
        time.sleep(0.002)
    return answer


class HeldPage:
    """What the tests do with a held page, whatever the engine."""
    # Escapes that end the page after a key has put it in full screen: one
    # where the page may lock Escape, two where the browser takes the first.
    ESCAPES_TO_END = 1
    _server = None

    def page_file(self, path):
        """The file the engine loads for the page at `path`."""
        return path

    def serve(self, path):
        """The page at `path` from a local web server (HTTP), until the next
        call or the session's end; returns its URL."""
        self.stop_serving()
        self._server = serve({"quendrel": self.page_file(path)})
        return f"http://127.0.0.1:{self._server.server_port}/quendrel.html"

    def stop_serving(self):
        if self._server is not None:
            self._server.shutdown()
            self._server.server_close()
            self._server = None

    def wait_for(self, expression, what):
        return wait_until(lambda: self.js(expression), what)

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

    def wait_for_viewport(self, width, height):
        """Until the page has had the resize event for a width x height viewport."""
        self.wait_for(f"window.__frameHold.size == '{width}x{height}'", "the page's new size")

    def leave_full_screen(self):
        self.js("document.fullscreenElement && document.exitFullscreen() && 0")
        self.wait_for("!document.fullscreenElement", "full screen left")

    def press(self, name, modifiers=0):
        """A key pressed and released, as a keyboard sends it."""
        self.key_down(name, modifiers)
        self.key_up(name, modifiers)

    def press_in_window(self, name, width=1024, height=768):
        """A key pressed, the page kept in its width x height viewport: the
        first key asks for full screen, which an engine may grant a moment
        later, in the middle of the frames that follow, or refuse."""
        self.press(name)
        self.wait_for("window.__frameHold.fullScreenAnswers", "full screen or not")
        self.leave_full_screen()
        self.wait_for_viewport(width, height)

    def keys_taken(self, count):
        """Whether the page took each of the last `count` keys pressed for
        itself, so that the browser does nothing more with it."""
        self.wait_for(f"!window.__frameHold.keysTaken.slice(-{count}).includes(null)", "keys seen")
        return self.js(f"window.__frameHold.keysTaken.slice(-{count})")


class BrowserSession(HeldPage, ChromiumSession):
    """Chromium, driven over CDP."""

    def __init__(self):
        ChromiumSession.__init__(self, HOLD_SCRIPT, unpaced=True)

    def open(self, url, width=1024, height=768, pixel_ratio=1, before="", held=True):
        """Opens `url` at a viewport of width x height CSS pixels and the given
        devicePixelRatio, with the script `before` run first; on return the
        page holds after its first frame (unless not `held`: no frame need
        come)."""
        self.resize(width, height, pixel_ratio)
        added = before and self.cdp("Page.addScriptToEvaluateOnNewDocument", {"source": before})
        try:
            self.driver.get(url)
        finally:
            if added:
                self.cdp("Page.removeScriptToEvaluateOnNewDocument", added)
        if held:
            self.wait_until_held(1)

    def close(self):
        self.stop_serving()
        ChromiumSession.close(self)

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

    def screenshot(self, path):
        """The page as shown now, in device pixels, written as PNG."""
        with open(path, "wb") as png:
            png.write(base64.b64decode(self.cdp("Page.captureScreenshot")["data"]))
        return path


def session(engine):
    """A fresh browser of the engine named: chromium, firefox or webkit."""
    if engine == "chromium":
        return BrowserSession()
    import engines
    return {"firefox": engines.FirefoxSession, "webkit": engines.WebKitSession}[engine]()
