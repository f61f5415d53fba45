"""A browser with frame_hold.js put before every page's own scripts: pages held
frame by frame, real key events, resizes, screenshots as PNG files and the
console's messages. HeldPage holds what every engine shares, opening a page
among it; a driver per engine says how to size the viewport, load a page with
a script before its own, run script, send keys and the pointer, take a picture
and read the console: Debian's headless Chromium (tools/browser/chromium.py)
here, Firefox and WebKit in engines.py. PageCase is the tests' side: the
engine's browser for a class's tests, the cube looked for in its pictures and
a console that stays empty. The tests hold the page at the frames they look
at, so frames come unpaced."""

import base64
import os
import pathlib
import tempfile
import time
import unittest

from chromium import ChromiumSession
from pixels import look

PAGE = pathlib.Path(os.environ.get("QUENDREL_WEB_PAGE", "quendrel.html")).resolve()
ENGINE = os.environ.get("QUENDREL_ENGINE", "chromium")
START_X, STEP, LIMIT = 1.5, 0.1, 10.0  # the cube's start, drift per frame and stops
MESSAGE = "(message => !message.hidden && message.textContent)(document.getElementById('message'))"

HOLD_SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "frame_hold.js")
# Stand-ins for the controllers, the orientation lock and the wake lock.
STAND_INS = pathlib.Path(__file__).with_name("stand_ins.js").read_text(encoding="utf-8")

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
    opened = None

    def open(self, url, width=1024, height=768, pixel_ratio=1, before="", held=True, touch=False):
        """Opens `url` at a viewport of width x height CSS pixels and the given
        devicePixelRatio (a phone's, with a touch screen, if `touch`), with the
        script `before` run first; on return the page holds after its first
        frame (unless not `held`: no frame need come)."""
        self.set_viewport(width, height, pixel_ratio, touch)
        self.navigate(url, before)
        self.opened = (url, before)
        if held:
            self.wait_until_held(1)

    def resize(self, width, height, pixel_ratio=1, touch=False):
        """Once this returns, the page has had the resize event that brings its
        new size (frames run from timers may come before it)."""
        self.set_viewport(width, height, pixel_ratio, touch)
        self.wait_for_viewport(width, height)

    def screenshot(self, path):
        """The page as shown now, in device pixels, written as PNG."""
        pathlib.Path(path).write_bytes(self.capture())
        return path

    def page_file(self, path):
        """The file the engine loads for the page at `path`."""
        return path

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

    def set_viewport(self, width, height, pixel_ratio=1, touch=False):
        self.cdp("Emulation.setTouchEmulationEnabled", {"enabled": touch, "maxTouchPoints": 5})
        self.cdp("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": pixel_ratio, "mobile": touch})

    def navigate(self, url, before):
        added = before and self.cdp("Page.addScriptToEvaluateOnNewDocument", {"source": before})
        try:
            self.driver.get(url)
        finally:
            if added:
                self.cdp("Page.removeScriptToEvaluateOnNewDocument", added)

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

    def capture(self):
        return base64.b64decode(self.cdp("Page.captureScreenshot")["data"])


def session(engine):
    """A fresh browser of the engine named: chromium, firefox or webkit."""
    if engine == "chromium":
        return BrowserSession()
    import engines
    return {"firefox": engines.FirefoxSession, "webkit": engines.WebKitSession}[engine]()


class PageCase(unittest.TestCase):
    """The engine's browser for the class's tests, a folder for their
    pictures, and a console that stays empty."""
    engine = ENGINE

    @classmethod
    def setUpClass(cls):
        cls.browser = session(cls.engine)
        cls.pictures = tempfile.TemporaryDirectory(prefix="quendrel-web-")

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()
        cls.pictures.cleanup()

    def tearDown(self):
        self.assertEqual(self.browser.console(), [], "the console has messages")

    def picture(self, name=""):
        return self.browser.screenshot(os.path.join(self.pictures.name, f"{self.id()}{name}.png"))

    def look(self, cube_x, cube_y):
        """The page's picture now, with the cube expected at (cube_x, cube_y)."""
        return look(self.picture(), cube_x, cube_y)

    def expect_cube_at(self, x, y, slack=3.0, alone=True):
        """The cube at scene point (x, y), within `slack` pixels (None: a
        step and a half), and nothing else drawn unless not `alone`."""
        seen = self.look(x, y)
        slack = seen["unit"] * STEP * 1.5 if slack is None else slack
        context = f"cube expected at scene ({x:.1f}, {y:.1f}): {seen}"
        self.assertGreater(seen["cube"], seen["unit"] ** 2 / 2, context)
        self.assertAlmostEqual(seen["cubeX"], seen["expectedX"], delta=slack, msg=context)
        self.assertAlmostEqual(seen["cubeY"], seen["expectedY"], delta=slack, msg=context)
        if alone:
            self.assertEqual(seen["stray"], 0, "something besides the cube; " + context)
        return seen
