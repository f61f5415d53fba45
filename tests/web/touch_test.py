"""The page with touch, in headless Chromium's phone emulation, and with a
stand-in game controller: when the controls and the portrait hint show, what
each button and controller input passes to the program, and no zoom or scroll."""

import os
import pathlib
import tempfile
import unittest

from browser import BrowserSession
from pixels import look

PAGE = pathlib.Path(os.environ["QUENDREL_WEB_PAGE"]).resolve().as_uri()
PADS = pathlib.Path(__file__).with_name("gamepads.js").read_text(encoding="utf-8")
START_X, STEP, LIMIT = 1.5, 0.1, 10
# What each button passes: a GLUT special key or a character.
KEYS = {"Left": [100, True], "Up": [101, True], "Right": [102, True], "Down": [103, True],
        "Fire": [32, False], "Quit": [27, False]}
HINT = "Turn the device sideways to play."
ENDED = "Quendrel has ended. Reload the page to start it again."
CENTRE = """return (b => [b.x + b.width / 2, b.y + b.height / 2])([...document.querySelectorAll(
  'button')].find(e => (e.ariaLabel || e.textContent) == arguments[0]).getBoundingClientRect())"""
# Records each key the page passes to the program: [code, special, x, y].
RECORD = "(k => _quendrelKey = (...a) => (calls.push(a), k(...a)))(_quendrelKey, window.calls = [])"


class Touch(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.browser = BrowserSession()
        cls.pictures = tempfile.TemporaryDirectory(prefix="quendrel-touch-")

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()
        cls.pictures.cleanup()

    def tearDown(self):
        self.assertEqual(self.browser.console(), [], "the console has messages")

    def open(self, width, height, ratio=1, touch=True):
        self.touch_screen(touch)
        self.browser.cdp("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": ratio, "mobile": touch})
        self.browser.driver.get(PAGE)
        self.browser.wait_until_held(1)
        self.browser.js(RECORD)
        self.touched = []

    def touch_screen(self, on):
        self.browser.cdp("Emulation.setTouchEmulationEnabled", {"enabled": on, "maxTouchPoints": 5})

    def touch(self, *places, lift=True):
        """Fingers down at once on named buttons or at (x, y) CSS points."""
        points = [{"id": i, "x": x, "y": y} for i, (x, y) in enumerate(
            self.browser.driver.execute_script(CENTRE, p) if p in KEYS else p for p in places)]
        self.touched += [(p, point) for p, point in zip(places, points) if p in KEYS]
        self.browser.cdp("Input.dispatchTouchEvent", {"type": "touchStart", "touchPoints": points})
        if lift:
            self.browser.cdp("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})

    def shown(self):
        return {e.accessible_name or e.text for e in self.browser.driver.find_elements(
            "css selector", "button, p") if e.is_displayed()}

    def look(self, x, y):
        return look(self.browser.screenshot(os.path.join(self.pictures.name, "p.png")), x, y)

    def expect_cube_at(self, x, y, frames):
        """After `frames` more frames, the cube at scene point (x, y)."""
        self.browser.run_frames(frames)
        seen = self.look(x, y)
        for axis in "XY":
            self.assertAlmostEqual(seen["cube" + axis], seen["expected" + axis],
                                   delta=seen["unit"] * STEP * 1.5, msg=f"cube at {x, y}? {seen}")

    def keys_passed(self):
        return [[code, bool(special), x, y] for code, special, x, y in self.browser.js("calls")]

    def test_controls_follow_the_last_input_and_ask_to_turn_when_upright(self):
        self.open(600, 900, touch=False)
        self.assertEqual(self.shown(), set(), "controls or hint on a desktop")
        self.touch_screen(True)
        self.touch((300, 100))
        self.assertEqual(self.shown(), set(KEYS) | {HINT})
        sizes = self.browser.js("[...document.querySelectorAll('button')].map(b => b.offsetWidth)")
        self.assertGreaterEqual(min(sizes), 48)
        self.browser.press("Right")
        self.assertEqual(self.shown(), set(), "controls after a key")
        self.touch((300, 100))
        self.browser.point_at(5, 5)
        self.assertEqual(self.shown(), set(), "controls after a mouse")
        self.assertEqual(len(self.keys_passed()), 1, "a touch beside the buttons passed a key")

    def test_buttons_press_their_keys(self):
        self.open(844, 390, ratio=3)
        self.assertEqual(self.shown(), set(KEYS), "a coarse pointer shows the controls at once")
        self.touch("Right")  # the first tap: full screen, and the cube sets off
        self.assertTrue(self.browser.js("!!document.fullscreenElement"), "not in full screen")
        self.expect_cube_at(START_X + 19 * STEP, 0, 20)
        # Two fingers at once, Fire held: no repeat while it stays down.
        self.touch("Fire", "Left", lift=False)
        x, y = START_X + 16 * STEP, 0
        self.expect_cube_at(x, y, 5)
        self.assertGreater(self.look(int(x), y)["shot"], 500, "no shot above the cube")
        self.browser.cdp("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})
        for name, dx, dy, frames in (("Right", 1, 0, 70), ("Left", -1, 0, 205),
                                     ("Up", 0, 1, 105), ("Down", 0, -1, 205)):
            self.touch(name)
            x, y = (dx * LIMIT if dx else x), (dy * LIMIT if dy else y)
            self.expect_cube_at(x, y, frames)
        self.touch("Quit")
        self.assertIn(ENDED, self.shown(), "Quit did not end the page")
        # Each button once per touch, with its point in drawing-buffer pixels.
        self.assertEqual(self.keys_passed(),
                         [KEYS[name] + [int(p["x"] * 3), int(p["y"] * 3)]
                          for name, p in self.touched])

    def test_no_gesture_scrolls_or_zooms_the_page(self):
        self.open(390, 844, ratio=3)
        # Two fingers pinch outwards, then one drags up and across.
        for fingers in (lambda k: [(150 - 9 * k, 400), (240 + 9 * k, 400)],
                        lambda k: [(195 - 9 * k, 600 - 40 * k)]):
            for k, kind in enumerate(["touchStart"] + ["touchMove"] * 10):
                self.browser.cdp("Input.dispatchTouchEvent", {"type": kind, "touchPoints": [
                    {"id": i, "x": x, "y": y} for i, (x, y) in enumerate(fingers(k))]})
            self.browser.cdp("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})
        self.assertEqual(self.browser.js("[scrollX, scrollY, visualViewport.scale]"), [0, 0, 1])
        self.assertIn(HINT, self.shown())
        self.browser.cdp("Emulation.setDeviceMetricsOverride", {
            "width": 844, "height": 390, "deviceScaleFactor": 3, "mobile": True})
        self.browser.run_frames(1)
        self.assertNotIn(HINT, self.shown(), "the hint stays in landscape")

    def test_a_controller_steers_fires_quits_and_leaves(self):
        added = self.browser.cdp("Page.addScriptToEvaluateOnNewDocument", {"source": PADS})
        try:
            self.open(1024, 768, touch=False)
        finally:
            self.browser.cdp("Page.removeScriptToEvaluateOnNewDocument", added)
        self.browser.run_frames(3)
        self.assertEqual(self.browser.js("__pads.calls"), 0, "polled before a controller came")
        self.browser.js("__pads.set([15])")  # the d-pad's right, as a controller connects
        self.expect_cube_at(START_X + 19 * STEP, 0, 20)
        # The stick within the dead zone leftwards, past it upwards.
        self.browser.js("__pads.set([], -0.4, -0.6)")
        self.expect_cube_at(START_X + 20 * STEP, 19 * STEP, 20)
        # Button 0 fires, and again at the pointer; Down held as the controller
        # leaves and comes back is pressed again.
        self.browser.point_at(3, 2)
        for down in ("[0]", "[]", "[0]", "[13]", "null", "[13]"):
            self.browser.js(f"__pads.set({down})")
            self.browser.run_frames(1)
        calls = self.browser.js("__pads.calls")
        self.browser.js("__pads.set(null)")
        self.browser.run_frames(5)
        self.assertEqual(self.browser.js("__pads.calls"), calls + 1, "polled with no controller")
        self.browser.js("[__pads.set([8]), window.__frameHold.release(1)]")
        self.browser.wait_for("!document.getElementById('message').hidden", "the end")
        pointed = [KEYS[name] + [3, 2] for name in ("Fire", "Fire", "Down", "Down", "Quit")]
        self.assertEqual(self.keys_passed(), [[102, True, 0, 0], [101, True, 0, 0]] + pointed)


if __name__ == "__main__":
    unittest.main()
