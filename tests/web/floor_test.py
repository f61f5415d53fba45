"""The web measurement's floor (bench/web_floor.html) draws the page's picture:
both held at the same frames, early and after the cube has turned a long way,
differ in no more than a few edge pixels, so the measurement weighs the page
against a page that does the same work."""

import os
import pathlib
import tempfile
import unittest

from browser import BrowserSession
from pixels import MOST_DIFFERING, differing_pixels, look

PAGE = pathlib.Path(os.environ["QUENDREL_WEB_PAGE"]).resolve()
FLOOR = pathlib.Path(__file__).resolve().parents[2] / "bench" / "web_floor.html"
FRAMES = (5, 300)


class Floor(unittest.TestCase):
    def test_floor_and_page_draw_the_same_picture_at_the_same_frames(self):
        browser = BrowserSession()
        try:
            with tempfile.TemporaryDirectory(prefix="quendrel-web-floor-") as pictures:
                shots = {}
                for name, path in (("page", PAGE), ("floor", FLOOR)):
                    browser.open(path.as_uri())
                    for frame in FRAMES:
                        browser.run_to(frame)
                        shots[name, frame] = browser.screenshot(
                            os.path.join(pictures, f"{name}-{frame}.png"))
                self.assertEqual(browser.console(), [], "the console has messages")
                for frame in FRAMES:
                    self.assertGreater(look(shots["floor", frame], 1.5, 0)["cube"], 500,
                                       f"no cube in the floor's frame {frame}")
                    self.assertLessEqual(
                        differing_pixels(shots["page", frame], shots["floor", frame]),
                        MOST_DIFFERING, f"frame {frame}")
        finally:
            browser.close()


if __name__ == "__main__":
    unittest.main()
