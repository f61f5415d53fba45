"""A browser with frame_hold.js before every page's own scripts. HeldPage is what
every engine shares (pages held frame by frame, keys, resizes, pictures); each
engine's driver (Chromium here, Firefox and WebKit in engines.py) adds how. The
tests' PageCase: a browser per class, the cube in its pictures, an empty console."""

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
AFTER_20 = START_X + 19 * STEP  # 20 frames after a Right: a frame shows the step before
# Each arrow from where the cube is: its direction and the frames to its stop.
ARROWS = (("Right", 1, 0, 70), ("Left", -1, 0, 205), ("Up", 0, 1, 105), ("Down", 0, -1, 205))
MESSAGE = "(message => !message.hidden && message.textContent)(document.getElementById('message'))"
HOLD_SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "frame_hold.js")
# Stand-ins for the controllers, the orientation lock and the wake lock.
STAND_INS = pathlib.Path(__file__).with_name("stand_ins.js").read_text(encoding="utf-8")
# Each key the tests press: CDP's key, code and key code, and WebDriver's value.
KEYS = {"Left": ("ArrowLeft", "ArrowLeft", 37, "\ue012"), "space": (" ", "Space", 32, " "),
        "Up": ("ArrowUp", "ArrowUp", 38, "\ue013"), "Escape": ("Escape", "Escape", 27, "\ue00c"),
        "Right": ("ArrowRight", "ArrowRight", 39, "\ue014"), "F2": ("F2", "F2", 113, "\ue032"),
        "Down": ("ArrowDown", "ArrowDown", 40, "\ue015")}
ALT, CTRL, META = 1, 2, 4  # CDP's modifier bits
# Seconds for any one awaited condition: it only ends a hang. Quiet, the
# longest wait (a new deploy's worker installed) takes about 3 s; at load 15
# on the 2 cores, up to ten times that.
DEADLINE = 60.0


def wait_until(condition, what):
    """The first true answer of `condition`, asked again and again."""
    until = time.monotonic() + DEADLINE
    while not (answer := condition()):
        if time.monotonic() > until:
            raise AssertionError(f"{what}: not within {DEADLINE} s")
        time.sleep(0.002)
    return answer


class HeldPage:
    # Escapes that end the page after a key has put it in full screen: one
    # where the page may lock Escape, two where the browser takes the first.
    ESCAPES_TO_END = 1
    opened = None

    def open(self, url, width=1024, height=768, pixel_ratio=1, before="", held=True, touch=False):
        """`url` at that viewport and devicePixelRatio (a phone's if `touch`), `before` run
        first, held after its first frame (unless not `held`: no frame need come)."""
        self.set_viewport(width, height, pixel_ratio, touch)
        self.navigate(url, before)
        self.opened = (url, before)
        if held:
            self.wait_until_held(1)

    def resize(self, width, height, pixel_ratio=1, touch=False):
        """Returns once the page has had the resize event (frames run from
        timers may come before it)."""
        self.set_viewport(width, height, pixel_ratio, touch)
        self.wait_for_viewport(width, height)

    def screenshot(self, path):
        pathlib.Path(path).write_bytes(self.capture())
        return path

    def page_file(self, path):
        return path  # the file the engine loads for the page at `path`

    def wait_for(self, expression, what):
        return wait_until(lambda: self.js(expression), what)

    def frames_shown(self):
        return self.js("window.__frameHold.shown")

    def wait_until_held(self, frame):
        self.wait_for(f"window.__frameHold.isHeldAfter({frame})", f"page held after frame {frame}")

    def run_frames(self, count):
        target = self.frames_shown() + count
        self.js(f"window.__frameHold.release({count})")
        self.wait_until_held(target)

    def wait_ticks(self, count):
        """`count` frames the display shows, whatever the page does."""
        target = self.js("window.__frameHold.ticks") + count
        self.wait_for(f"window.__frameHold.ticks >= {target}", f"{count} display frames")

    def wait_for_viewport(self, width, height):
        self.wait_for(f"window.__frameHold.size == '{width}x{height}'", "the page's new size")

    def leave_full_screen(self):
        self.js("document.fullscreenElement && document.exitFullscreen() && 0")
        self.wait_for("!document.fullscreenElement", "full screen left")

    def press(self, name, modifiers=0):
        self.key("down", name, modifiers)
        self.key("up", name, modifiers)

    def press_in_window(self, name, width=1024, height=768):
        """A key, the page kept in its viewport: the first key asks for full
        screen, which an engine may grant a moment later, or refuse."""
        self.press(name)
        self.wait_for("window.__frameHold.fullScreenAnswers", "full screen or not")
        self.leave_full_screen()
        self.wait_for_viewport(width, height)

    def held_pictures(self, url, steps, folder, prefix):
        """`url`'s pictures at each frame N of `steps`, as folder/prefix-N.png;
        the other steps are keys pressed between them, the page in its window."""
        self.open(url)
        pictures = {}
        for step in steps:
            if not step.isdigit():
                self.press_in_window(step)
                continue
            self.run_frames(int(step) - self.frames_shown())
            pictures[step] = self.screenshot(os.path.join(folder, f"{prefix}-{step}.png"))
        return pictures

    def keys_taken(self, count):
        """For each of the last `count` keys, whether the page took it from the browser."""
        self.wait_for(f"!window.__frameHold.keysTaken.slice(-{count}).includes(null)", "keys seen")
        return self.js(f"window.__frameHold.keysTaken.slice(-{count})")


class BrowserSession(HeldPage, ChromiumSession):
    """Chromium, driven over CDP."""

    def __init__(self):
        ChromiumSession.__init__(self, HOLD_SCRIPT, unpaced=True)

    def touch_screen(self, on):
        self.cdp("Emulation.setTouchEmulationEnabled", {"enabled": on, "maxTouchPoints": 5})

    def set_viewport(self, width, height, pixel_ratio=1, touch=False):
        self.touch_screen(touch)
        ChromiumSession.resize(self, width, height, pixel_ratio, mobile=touch)

    def navigate(self, url, before):
        added = before and self.cdp("Page.addScriptToEvaluateOnNewDocument", {"source": before})
        try:
            self.driver.get(url)
        finally:
            if added:
                self.cdp("Page.removeScriptToEvaluateOnNewDocument", added)

    def key(self, kind, name, modifiers=0, repeat=False):
        key, code, number, _ = KEYS[name]
        # A key with text goes down as keyDown with it, the others as rawKeyDown.
        kind = {"type": "keyDown", "text": key} if kind == "down" and len(key) == 1 else {
            "type": "rawKeyDown" if kind == "down" else "keyUp"}
        self.cdp("Input.dispatchKeyEvent", dict(kind, key=key, code=code, modifiers=modifiers,
                                                windowsVirtualKeyCode=number, autoRepeat=repeat))

    def point_at(self, x, y):
        self.cdp("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": x, "y": y})

    def capture(self):
        return base64.b64decode(self.cdp("Page.captureScreenshot")["data"])


class PageCase(unittest.TestCase):
    engine = ENGINE

    @classmethod
    def setUpClass(cls):
        import engines  # Firefox's and WebKit's drivers, which build on this module
        cls.browser = {"chromium": BrowserSession, "firefox": engines.FirefoxSession,
                       "webkit": engines.WebKitSession}[cls.engine]()
        cls.addClassCleanup(cls.browser.close)
        cls.pictures = tempfile.TemporaryDirectory(prefix="quendrel-web-")
        cls.addClassCleanup(cls.pictures.cleanup)

    def tearDown(self):
        self.assertEqual(self.browser.console(), [], "the console has messages")

    def picture(self, name=""):
        return self.browser.screenshot(os.path.join(self.pictures.name, f"{self.id()}{name}.png"))

    def look(self, cube_x, cube_y):
        return look(self.picture(), cube_x, cube_y)

    def expect_cube_at(self, x, y, slack=3.0, alone=True):
        """The cube at scene point (x, y), within `slack` pixels (None: a step
        and a half), and nothing else drawn unless not `alone`."""
        seen = self.look(x, y)
        slack = seen["unit"] * STEP * 1.5 if slack is None else slack
        context = f"cube expected at scene ({x:.1f}, {y:.1f}): {seen}"
        self.assertGreater(seen["cube"], seen["unit"] ** 2 / 2, context)
        self.assertAlmostEqual(seen["cubeX"], seen["expectedX"], delta=slack, msg=context)
        self.assertAlmostEqual(seen["cubeY"], seen["expectedY"], delta=slack, msg=context)
        if alone:
            self.assertEqual(seen["stray"], 0, "something besides the cube; " + context)
        return seen

    def drift_to(self, x, y, frames, alone=True):
        self.browser.run_frames(frames)
        self.expect_cube_at(x, y, None, alone)

    def drift_to_each_stop(self, press, x, alone=True):
        """From (x, 0), each arrow `press`ed drifts the cube to its stop, and it stays there."""
        y = 0
        for name, dx, dy, frames in ARROWS:
            press(name)
            x, y = (dx * LIMIT if dx else x), (dy * LIMIT if dy else y)
            self.drift_to(x, y, frames, alone)
            self.drift_to(x, y, 20, alone)
