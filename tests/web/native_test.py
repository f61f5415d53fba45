"""The strongest check of the page: it and the native program (on Xvfb through
tools/xsession), both 1024x768 and held at the same frames with the same keys
pressed between them, draw the same picture but for a few edge pixels. A frame
is one call of the frame routine on both sides: one swap natively, one
animation-frame callback in the page."""

import os
import pathlib
import tempfile
import unittest

from browser import BrowserSession
from pixels import differing_pixels, look, native_frames

PAGE = pathlib.Path(os.environ["QUENDREL_WEB_PAGE"]).resolve()

# Frames to compare and, between them, keys pressed while both sides hold. The
# native program reaches full size within its first few frames, so the first
# compared frame is the fifth. The keys drift the cube right and up, fire a
# shot from there, turn the cube left while the shot flies, then down to its
# stop, fire again from below the centre and drift into the lower right corner.
STEPS = ["5", "150", "300", "Right", "340", "Up", "400", "space", "404", "Left", "412",
         "Down", "600", "space", "610", "Right", "1000"]
# Pixels on the edges of the cube and the shot, where two rasterisers may
# round differently, out of 786,432; the same picture one frame on, the cube
# turned by a degree more, differs in 27.
MOST_DIFFERING = 12


class NativeAndWeb(unittest.TestCase):
    def test_same_frames_same_keys_same_picture(self):
        with tempfile.TemporaryDirectory(prefix="quendrel-web-native-") as pictures:
            native = os.path.join(pictures, "native")
            os.mkdir(native)
            first = native_frames(native, STEPS)
            self.assertLessEqual(first, int(STEPS[0]), "the native window came up late")

            browser = BrowserSession()
            try:
                browser.open(PAGE.as_uri(), 1024, 768)
                differing = {}
                for step in STEPS:
                    if not step.isdigit():
                        browser.press(step)
                        continue
                    browser.run_to(int(step))
                    web = browser.screenshot(os.path.join(pictures, f"web-{step}.png"))
                    differing[int(step)] = differing_pixels(
                        web, os.path.join(native, f"frame-{step}.png"))
                self.assertEqual(browser.console(), [], "the console has messages")
            finally:
                browser.close()

            print("\ndiffering pixels by frame:", differing)
            # Each picture shows the cube, so equal pictures are not two black ones.
            self.assertGreater(look(web, 0, 0)["cube"], 500, "no cube in the last picture")
            for frame, count in differing.items():
                self.assertLessEqual(count, MOST_DIFFERING, f"frame {frame}")


if __name__ == "__main__":
    unittest.main()
