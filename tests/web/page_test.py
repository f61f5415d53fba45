"""The page in the engine QUENDREL_ENGINE names, held at exact frames and driven
by real keys: the cube where the projection puts it, each arrow's drift to its
stop, the shot and its re-arm, the keys left to the browser, resizes and a
devicePixelRatio of 2, a lost and restored WebGL context and none at all,
Escape as the engine has it, and the site served (in Chromium also as a web app)."""

import pathlib
import shutil
import unittest

from browser import (AFTER_20, ALT, CTRL, ENGINE, MESSAGE, META, PAGE, STAND_INS, START_X,
                     PageCase, wait_until)
from make_site import make_site
from page_server import serve
from pixels import differing_pixels

LAUNCH_X = 1.0  # the cube's x, truncated
NO_WEBGL = """const realGetContext = HTMLCanvasElement.prototype.getContext;
  HTMLCanvasElement.prototype.getContext = function (type, ...rest) {
    return String(type).startsWith('webgl') ? null : realGetContext.call(this, type, ...rest); };"""
DRAWING_BUFFER = "(canvas => [canvas.width, canvas.height])(document.getElementById('canvas'))"
HIDDEN = """Object.defineProperty(document, 'hidden', {value: %s, configurable: true}) &&
  document.dispatchEvent(new Event('visibilitychange'))"""


class Page(PageCase):
    def setUp(self):
        self.browser.open(PAGE.as_uri())

    def test_first_frame_and_each_arrows_drift_to_its_stop(self):
        self.assertEqual(self.browser.js("document.title"), "Quendrel")
        self.expect_cube_at(START_X, 0)
        self.browser.press("Right")
        self.drift_to(AFTER_20, 0, 20)
        self.drift_to_each_stop(self.browser.press, AFTER_20)

    def test_shot_rises_above_the_cube_leaves_and_fires_again(self):
        # Keys with Ctrl, Alt or Meta and the function keys are the browser's.
        for modifier in (ALT, CTRL, META):
            self.browser.press("space", modifier)
        self.browser.press("F2")
        self.assertEqual(self.browser.keys_taken(4), [False] * 4, "keys taken from the browser")
        self.browser.run_frames(5)
        self.expect_cube_at(START_X, 0)
        for shot in ("first", "second"):
            self.browser.press("space")
            self.browser.run_frames(5)
            seen = self.look(LAUNCH_X, 0)
            self.assertGreater(seen["shot"], 500, f"the {shot} shot is not above the cube")
            self.assertAlmostEqual(seen["shotX"], seen["expectedX"], delta=0.2 * seen["unit"],
                                   msg=f"the {shot} shot starts from the cube's truncated x")
            self.browser.run_frames(3)
            rows = seen["shotBottom"] - self.look(LAUNCH_X, 0)["shotBottom"]
            self.assertAlmostEqual(rows, 3 * seen["unit"], delta=0.3 * seen["unit"],
                                   msg=f"the {shot} shot does not rise a unit a frame")
            self.browser.run_frames(22)
            self.expect_cube_at(START_X, 0)

    def test_resizes_and_a_pixel_ratio_of_two_reach_projection_and_pointer(self):
        for width, height, ratio in ((800, 600, 1), (800, 450, 1), (600, 900, 1), (1024, 768, 2)):
            self.browser.resize(width, height, ratio)
            self.browser.run_frames(2)
            self.assertEqual(self.browser.js(DRAWING_BUFFER), [width * ratio, height * ratio])
            seen = self.expect_cube_at(START_X, 0)
            self.assertEqual((seen["width"], seen["height"]), (width * ratio, height * ratio))
        # Keys carry the pointer in the drawing buffer's pixels, and Space in
        # flight takes them as the shot's place in scene units: (3, 2) CSS
        # pixels at a ratio of 2 put the shot at (6, 4). Space held down
        # repeats, and its repeat moves the shot again.
        self.browser.press("space")
        self.browser.run_frames(3)
        self.browser.point_at(1, 3)
        self.browser.key("down", "space")
        self.browser.point_at(3, 2)
        self.browser.key("down", "space", repeat=True)
        self.browser.key("up", "space")
        self.browser.run_frames(1)
        seen = self.look(6, 4)
        self.assertAlmostEqual(seen["shotX"], seen["expectedX"], delta=0.3 * seen["unit"],
                               msg="the shot is not where the pointer put it at the repeat")

    def test_a_lost_context_pauses_a_restored_one_goes_on_and_none_is_said(self):
        self.browser.press_in_window("Right")
        self.browser.run_frames(5)
        hold = "window.__frameHold"
        for losses in (1, 2):
            self.browser.js(f"{hold}.loseContext()")
            self.browser.wait_for(f"{hold}.lost === {losses}", "the context lost")
            # The one message allowed: some engines note the loss.
            for message in self.browser.console():
                self.assertRegex(message, "context (was )?lost", "the console has messages")
            if losses == 2:
                # Let go, the frame asked for before the loss draws nothing,
                # and the page asks for no more.
                self.browser.js(f"{hold}.release(1000)")
                self.browser.wait_ticks(10)
                self.browser.js(f"{hold}.release(0)")
                self.assertEqual(self.browser.js(f"[{hold}.drawnLost, {hold}.waiting]"), [0, 0])
            self.browser.js(f"{hold}.restoreContext()")
            self.browser.wait_for(f"{hold}.restored === {losses}", "the context restored")
            self.browser.run_frames(5 * losses)
            # One animation loop, as before: one frame asked for at a time.
            self.assertEqual(self.browser.js(f"{hold}.waiting"), 1)
        # The scene goes on from where it was, drawn as a page that never lost its context draws it.
        self.expect_cube_at(AFTER_20, 0, None)
        restored = self.picture("-restored")
        self.browser.open(PAGE.as_uri())
        self.browser.press_in_window("Right")
        self.browser.run_frames(20)
        self.assertEqual(differing_pixels(restored, self.picture("-never-lost")), 0)
        # A browser without WebGL gives no context at all: getContext answers null.
        self.browser.open(PAGE.as_uri(), before=NO_WEBGL, held=False)
        self.browser.wait_for(MESSAGE, "a message")
        self.assertIn("needs WebGL", self.browser.js(MESSAGE))

    def test_escape_leaves_full_screen_or_stops_drawing_and_says_so_quietly(self):
        self.browser.press("space")
        self.browser.run_frames(3)
        # Where the browser takes Escape to leave full screen, the first key
        # put the page in it, and the first Escape only leaves it.
        for _ in range(self.browser.ESCAPES_TO_END - 1):
            self.assertTrue(self.browser.js("!!document.fullscreenElement"), "not in full screen")
            self.browser.press("Escape")
            self.browser.wait_for("!document.fullscreenElement", "full screen left")
            self.browser.run_frames(1)
            self.assertFalse(self.browser.js(MESSAGE), "ended on leaving full screen")
        frame = self.browser.frames_shown()
        self.browser.press("Escape")
        self.assertIn("Quendrel has ended", self.browser.js(MESSAGE) or "no message after Escape")
        self.assertFalse(self.browser.js("document.fullscreenElement"), "still in full screen")
        # The kept frame goes, then the page asks for no more.
        self.browser.js("window.__frameHold.release(1000)")
        self.browser.wait_ticks(10)
        self.assertEqual(self.browser.js("window.__frameHold.waiting"), 0)
        self.assertLessEqual(self.browser.frames_shown(), frame + 1)
        # Its key handlers are gone: keys are the browser's again.
        for key in ("Right", "space"):
            self.browser.press(key)
        self.assertEqual(self.browser.keys_taken(3), [True, False, False],
                         "Escape taken by the page, then Right and Space left to the browser")
        self.assertTrue(self.browser.js("window.__frameHold.keysTaken[0]"), "Space scrolls")

    def test_served_by_a_web_server(self):
        site = pathlib.Path(self.pictures.name, "site")
        shutil.copytree(PAGE.parent / "site", site)
        server = serve({"index.html": self.browser.page_file(site / "index.html")}, site)
        self.addCleanup(lambda: server.shutdown() or server.server_close())
        url = f"http://127.0.0.1:{server.server_port}/"
        self.browser.open(url, before=STAND_INS)
        self.expect_cube_at(START_X, 0)
        if ENGINE != "chromium":
            return
        self.assertEqual(self.browser.cdp("Page.getInstallabilityErrors"),
                         {"installabilityErrors": []})
        # The screen kept on in front, let go when hidden or at the end.
        wake = "[__wake.requests, __wake.held] + ''"
        self.browser.wait_for(f"{wake} == '1,1'", "the wake lock")
        for hidden, expected in (("true", "1,0"), ("false", "2,1")):
            self.browser.js(HIDDEN % hidden)
            self.browser.wait_for(f"{wake} == '{expected}'", f"the wake lock, hidden {hidden}")
        self.browser.open(url, before=STAND_INS)
        self.assertTrue(self.browser.js("!!navigator.serviceWorker.controller"), "no worker")
        self.browser.wait_for(f"{wake} == '1,1'", "the wake lock after a reload")
        for key in ("Right", "Escape"):
            self.browser.press(key)
        self.browser.wait_for(f"{MESSAGE} && {wake} == '1,0'", "the end and the lock let go")
        # A new deploy, its files as cacheable as the others, is kept by the
        # first launch (in place of the older copy) and played by the second.
        caches = lambda: self.browser.js("caches.keys()")  # awaited, as WebDriver awaits
        kept = caches()
        make_site(PAGE.read_bytes().replace(b"<head>", b'<head><meta name="deploy">', 1),
                  PAGE.parents[1] / "data/icons/256x256/org.quendrel.Quendrel.png", site)
        for launch in (1, 2):
            self.browser.new_tab()
            self.browser.open(url)
            wait_until(lambda: len(caches()) == 1 and caches() != kept, "the new deploy kept alone")
        deployed = "!!document.querySelector('meta[name=deploy]')"
        self.assertTrue(self.browser.js(deployed), "the new deploy not played at the second launch")
        # With the server stopped and no network, a launch plays it still.
        server.shutdown()
        self.browser.new_tab()
        self.browser.cdp("Network.enable")
        self.browser.cdp("Network.emulateNetworkConditions", {
            "offline": True, "latency": 0, "downloadThroughput": -1, "uploadThroughput": -1})
        self.browser.open(url)
        self.assertTrue(self.browser.js(deployed), "not the deploy kept")
        self.expect_cube_at(START_X, 0)

if __name__ == "__main__":
    unittest.main()
