"""The web measurement's floor (bench/web_floor.html) draws the page's picture:
both held at the same frames, early and after the cube has turned a long way,
differ in no more than a few edge pixels, so the measurement weighs the page
against a page that does the same work."""

import pathlib
import unittest

from browser import PAGE, PageCase
from pixels import MOST_DIFFERING, differing_pixels, look

FLOOR = pathlib.Path(__file__).resolve().parents[2] / "bench" / "web_floor.html"
FRAMES = (5, 300)


class Floor(PageCase):
    engine = "chromium"

    def test_floor_and_page_draw_the_same_picture_at_the_same_frames(self):
        shots = {}
        for name, path in (("page", PAGE), ("floor", FLOOR)):
            self.browser.open(path.as_uri())
            for frame in FRAMES:
                self.browser.run_to(frame)
                shots[name, frame] = self.picture(f"-{name}-{frame}")
        for frame in FRAMES:
            self.assertGreater(look(shots["floor", frame], 1.5, 0)["cube"], 500,
                               f"no cube in the floor's frame {frame}")
            self.assertLessEqual(differing_pixels(shots["page", frame], shots["floor", frame]),
                                 MOST_DIFFERING, f"frame {frame}")


if __name__ == "__main__":
    unittest.main()
