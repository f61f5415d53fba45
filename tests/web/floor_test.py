"""The web measurement's floor (bench/web_floor.html) draws the page's picture:
both held at the same frames, early and after the cube has turned a long way,
differ in no more than a few edge pixels, so the measurement weighs the page
against a page that does the same work."""

import pathlib
import unittest

from browser import PAGE, START_X, PageCase
from pixels import MOST_DIFFERING, differing_pixels, look

FLOOR = pathlib.Path(__file__).resolve().parents[2] / "bench" / "web_floor.html"
FRAMES = ("5", "300")


class Floor(PageCase):
    engine = "chromium"

    def test_floor_and_page_draw_the_same_picture_at_the_same_frames(self):
        page, floor = (self.browser.held_pictures(path.as_uri(), FRAMES, self.pictures.name, name)
                       for name, path in (("page", PAGE), ("floor", FLOOR)))
        for frame in FRAMES:
            self.assertGreater(look(floor[frame], START_X, 0)["cube"], 500,
                               f"no cube in the floor's frame {frame}")
            self.assertLessEqual(differing_pixels(page[frame], floor[frame]), MOST_DIFFERING,
                                 f"frame {frame}")


if __name__ == "__main__":
    unittest.main()
