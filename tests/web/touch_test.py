"""The page with touch, a pen and a stand-in controller, in Chromium's phone
emulation: when the controls, the hint and the Quit prompt show, what each
button, slide, reader's click and controller input passes, the controls' sizes
and places on seven screens, and no zoom."""

import itertools
import math
import unittest

from browser import AFTER_20, LIMIT, MESSAGE, PAGE, STAND_INS, START_X, STEP, PageCase
from pixels import look

# What each button passes: a GLUT special key or a character.
KEYS = {"Left": [100, True], "Up": [101, True], "Right": [102, True], "Down": [103, True],
        "Fire": [32, False], "Quit": [27, False]}
FULL, HINT, PROMPT = "Full screen", "Turn the device sideways to play.", "Tap Quit again to end"
ENDED = "Quendrel has ended. Reload the page to start it again."
SHOWN = """[...document.querySelectorAll('button, p, canvas')].filter(e => e.checkVisibility())
  .map(e => e.ariaLabel || e.textContent || e.localName)"""
# Each control shown: name, left, top, width, height, round.
CONTROLS = """[...document.querySelectorAll('.controls button')].filter(e => e.checkVisibility())
  .map(e => [e.ariaLabel || e.textContent, ...(r => [r.x, r.y, r.width, r.height])(
    e.getBoundingClientRect()), e.offsetWidth == e.offsetHeight
    && getComputedStyle(e).borderRadius == '50%'])"""
# Records each key the page passes to the program: [code, special, x, y]
# (special a number or a boolean, equal to KEYS' either way).
RECORD = "(k => _quendrelKey = (...a) => (calls.push(a), k(...a)))(_quendrelKey, window.calls = [])"
MENU = "!window.dispatchEvent(new MouseEvent('contextmenu', {cancelable: true}))"
STOP = LIMIT + STEP  # the cube's farthest stop


class Touch(PageCase):
    engine = "chromium"

    def open(self, width, height, ratio=1, touch=True, before=""):
        self.browser.open(PAGE.as_uri(), width, height, ratio, STAND_INS + before, touch=touch)
        self.browser.js(RECORD)
        self.touched, self.down = [], False

    def tearDown(self):
        # Fingers left down by a failure would be down in the next test.
        if self.down:
            self.fingers("touchEnd")
        super().tearDown()

    def centre(self, name):
        x, y, w, h = next(c[1:5] for c in self.browser.js(CONTROLS) if c[0] == name)
        return x + w / 2, y + h / 2

    def fingers(self, kind, *places):
        """Fingers at named controls or (x, y) CSS points, touching, moving or lifted."""
        points = [self.centre(p) if isinstance(p, str) else p for p in places]
        self.touched += [(p, point) for p, point in zip(places, points) if p in KEYS]
        self.down = kind != "touchEnd"
        self.browser.cdp("Input.dispatchTouchEvent", {"type": kind, "touchPoints": [
            {"id": i, "x": x, "y": y} for i, (x, y) in enumerate(points)]})

    def tap(self, *places):
        self.fingers("touchStart", *places)
        self.fingers("touchEnd")

    def shown(self):
        return set(self.browser.js(SHOWN))

    def check_layout(self, width, height, insets={"left": 0, "top": 0, "right": 0, "bottom": 0}):
        """Controls 44 px or more each way, 8 px apart, inside the safe area; in
        landscape the pad at most 55 % high, the cube on screen and under no
        control at each of its stops."""
        left, top, right, bottom = insets.values()
        controls = self.browser.js(CONTROLS)
        where = f"at {width}x{height}"
        for name, x, y, w, h, _ in controls:
            self.assertGreaterEqual(min(w, h), 44, f"{name} {where}")
            self.assertTrue(left <= x and top <= y and x + w <= width - right
                            and y + h <= height - bottom, f"{name} out of the safe area {where}")
        for a, b in itertools.combinations(controls, 2):
            self.assertGreaterEqual(gap(a, b), 8, f"{a[0]} and {b[0]} {where}")
        if width < height:
            return
        pad = [c for c in controls if c[0] in ("Up", "Down")]
        self.assertLessEqual(pad[1][2] + pad[1][4] - pad[0][2], 0.55 * height, f"pad {where}")
        picture = self.picture(f"-{width}x{height}")
        for sx, sy in itertools.product((-STOP, 0, STOP), repeat=2):
            seen = look(picture, sx, sy)
            cube = ("cube", seen["expectedX"], seen["expectedY"], 0, 0, True)
            r = seen["unit"] * math.sqrt(3) / 2
            self.assertTrue(r <= cube[1] <= width - r and r <= cube[2] <= height - r,
                            f"cube at ({sx}, {sy}) off screen {where}")
            for control in controls:
                self.assertGreater(gap(control, cube) - r, 0, f"cube at ({sx}, {sy}) under "
                                   f"{control[0]} {where}")

    def test_controls_follow_the_last_input_and_ask_to_turn_when_upright(self):
        self.open(280, 653, touch=False)
        self.assertEqual(self.shown(), {"canvas"}, "controls or hint on a desktop")
        self.assertFalse(self.browser.js(MENU), "a desktop's menu suppressed")
        # A pen shows them, and out of full screen, Full screen too.
        for kind in ("mousePressed", "mouseReleased"):
            self.browser.cdp("Input.dispatchMouseEvent", {"type": kind, "x": 140, "y": 300,
                                                          "button": "left", "pointerType": "pen"})
        self.browser.wait_for("window.__frameHold.fullScreenAnswers", "full screen or not")
        self.browser.leave_full_screen()
        self.assertEqual(self.shown(), set(KEYS) | {HINT, FULL, "canvas"})
        self.assertTrue(self.browser.js(MENU), "a long press's menu over the controls")
        self.check_layout(280, 653)
        # The touch that brings them back, after a key hid them, presses what
        # it lands on.
        left = self.centre("Left")
        self.browser.press("Right")
        self.assertEqual(self.shown(), {"canvas"}, "controls after a key")
        self.browser.touch_screen(True)
        self.tap(left)
        self.assertIn("Left", self.shown())
        self.browser.point_at(5, 5)
        self.assertEqual(self.shown(), {"canvas"}, "controls after a mouse")
        self.assertEqual(self.browser.js("calls"),
                         [[102, True, 140, 300], [100, True, *map(int, left)]])

    def test_buttons_slides_and_readers_press_their_keys_and_quit_asks_again(self):
        self.open(844, 390, ratio=3)
        self.assertEqual(self.shown(), set(KEYS) | {FULL, "canvas"},
                         "a coarse pointer shows the controls at once")
        self.tap("Right")  # the first tap: full screen, then landscape, and the cube sets off
        self.browser.wait_for("document.fullscreenElement && __pads.locks.length", "the lock")
        self.assertEqual(self.browser.js("__pads.locks"), [True], "locked before full screen")
        self.assertNotIn(FULL, self.shown())
        self.drift_to(AFTER_20, 0, 20, alone=False)
        # Two fingers at once, Fire held: no repeat while it stays down.
        self.fingers("touchStart", "Fire", "Left")
        x, y = START_X + 16 * STEP, 0
        self.drift_to(x, y, 5, alone=False)
        self.assertGreater(self.look(int(x), y)["shot"], 500, "no shot above the cube")
        self.fingers("touchEnd")
        self.drift_to_each_stop(self.tap, x, alone=False)
        # A finger slides Up, onto Right, off every arrow and back, then off
        # the pad: each arrow entered is pressed, once.
        self.fingers("touchStart", "Up")
        corner = (self.centre("Right")[0], self.centre("Up")[1])  # the pad's empty corner
        for place in ("Right", corner, "Right", (400, 200)):
            self.fingers("touchMove", place)
        self.fingers("touchEnd")
        # A reader's click presses once, at the pointer; a finger's own click
        # never presses again.
        self.browser.js("document.querySelector('[aria-label=Down]').click()")
        self.touched.append(("Down", (400, 200)))
        # Out of full screen, Full screen asks for it again.
        self.browser.leave_full_screen()
        self.tap(FULL)
        self.browser.wait_for("document.fullscreenElement", "full screen again")
        # Quit asks again, and forgets after a while.
        for forgets in (True, False):
            self.tap("Quit")
            self.touched.pop()
            self.assertEqual(self.shown(), set(KEYS) | {PROMPT, "canvas"}, "no prompt")
            if forgets:
                self.browser.wait_for(f"!{MESSAGE} && !document.querySelector('.confirm')"
                                      ".checkVisibility()", "the prompt gone")
        self.tap("Quit")
        self.assertEqual(self.shown(), {ENDED}, "Quit did not end the page alone")
        self.assertEqual(self.browser.js("__pads.locks"), [True, True])
        # Each button once per press, with its point in drawing-buffer pixels.
        self.assertEqual(self.browser.js("calls"), [KEYS[name] + [int(x * 3), int(y * 3)]
                                              for name, (x, y) in self.touched])

    def test_controls_fit_every_screen_and_no_gesture_zooms(self):
        # Where a browser ignores the viewport's user-scalable=no (iPhone
        # Safari), the page's touch-action alone keeps a pinch from zooming.
        self.open(390, 844, ratio=3, before="""addEventListener('DOMContentLoaded', () =>
          document.querySelector('meta[name=viewport]').content = 'width=device-width')""")
        for k, kind in enumerate(["touchStart"] + ["touchMove"] * 10):
            self.fingers(kind, (150 - 9 * k, 400), (240 + 9 * k, 400))
        self.fingers("touchEnd")
        self.assertEqual(self.browser.js("visualViewport.scale"), 1, "zoomed")
        self.assertIn(HINT, self.shown())
        self.check_layout(390, 844)
        for width, height in ((667, 375), (932, 430), (653, 280), (960, 600), (1180, 820),
                              (1366, 1024), (280, 653)):
            self.browser.resize(width, height, touch=True)
            self.browser.run_frames(2)
            self.assertEqual(HINT in self.shown(), width < height, f"the hint at {width}x{height}")
            self.check_layout(width, height)
        # A notch and a home bar: the controls keep inside what they leave.
        insets = {"left": 47, "top": 0, "right": 47, "bottom": 21}
        self.browser.resize(932, 430, touch=True)
        self.browser.cdp("Emulation.setSafeAreaInsetsOverride", {"insets": insets})
        try:
            self.browser.run_frames(1)
            self.check_layout(932, 430, insets)
        finally:
            self.browser.cdp("Emulation.setSafeAreaInsetsOverride", {"insets": {}})

    def test_a_controller_steers_fires_quits_and_leaves(self):
        self.open(1024, 768)
        self.browser.run_frames(3)
        self.assertEqual(self.browser.js("__pads.calls"), 0, "polled before a controller came")
        # Another mapping's buttons mean other things: neither Fire nor Back.
        self.browser.js("__pads.set([0, 8], 0, 0, 'xinput')")
        self.browser.run_frames(3)
        self.assertEqual(self.browser.js("calls"), [], "another mapping's buttons pressed keys")
        self.assertIn("Up", self.shown())
        # The d-pad's right, in the standard mapping.
        self.browser.js("__pads.set(null), __pads.set([15])")
        self.drift_to(AFTER_20, 0, 20, alone=False)
        self.assertEqual(self.shown(), {"canvas"}, "the controls over a controller's game")
        # The stick within the dead zone leftwards, past it upwards; a touch
        # beside the controls brings them back.
        self.browser.js("__pads.set([], -0.4, -0.6)")
        self.drift_to(AFTER_20 + STEP, 19 * STEP, 20, alone=False)
        self.tap((500, 300))
        self.assertIn("Up", self.shown())
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
        self.browser.wait_for(MESSAGE, "the end")
        pointed = [KEYS[name] + [3, 2] for name in ("Fire", "Fire", "Down", "Down", "Quit")]
        self.assertEqual(self.browser.js("calls"), [[102, True, 0, 0], [101, True, 0, 0]] + pointed)


def gap(a, b):
    """Between two controls (name, x, y, width, height, round): their circles'
    where both are round, else their boxes'."""
    (ax, ay, aw, ah), (bx, by, bw, bh) = a[1:5], b[1:5]
    if a[5] and b[5]:
        return math.dist((ax + aw / 2, ay + ah / 2), (bx + bw / 2, by + bh / 2)) - (aw + bw) / 2
    return max(bx - ax - aw, ax - bx - bw, by - ay - ah, ay - by - bh)


if __name__ == "__main__":
    unittest.main()
