"""The strongest check of the page: held at the same frames, with the same keys
pressed between them, it draws the same pictures as a reference but for a few
edge pixels. In Chromium the reference is the native program (on Xvfb through
tools/xsession, both 1024x768), and Chromium's pictures are kept in
QUENDREL_HELD_FRAMES; they are the reference of the other engines
(QUENDREL_ENGINE). A frame is one call of the frame routine: one swap natively,
one animation-frame callback in the page."""

import os
import pathlib
import shutil
import tempfile
import unittest
from contextlib import closing

from browser import session
from pixels import MOST_DIFFERING, differing_pixels, look, native_frames

PAGE = pathlib.Path(os.environ["QUENDREL_WEB_PAGE"]).resolve()
ENGINE = os.environ.get("QUENDREL_ENGINE", "chromium")
CHROMIUM_FRAMES = os.environ["QUENDREL_HELD_FRAMES"]

# Frames to compare and, between them, keys pressed while both sides hold. The
# native program reaches full size within its first few frames, so the first
# compared frame is the fifth. The keys drift the cube right and up, fire a
# shot from there, turn the cube left while the shot flies, then down to its
# stop, fire again from below the centre and drift into the lower right corner.
STEPS = ["5", "150", "300", "Right", "340", "Up", "400", "space", "404", "Left", "412",
         "Down", "600", "space", "610", "Right", "1000"]


def held_pictures(engine, folder):
    """The page's pictures at the frames of STEPS in `engine`, 1024x768 all
    through: out of the full screen the first key may put it in."""
    pictures = {}
    with closing(session(engine)) as browser:
        browser.open(PAGE.as_uri(), 1024, 768)
        for step in STEPS:
            if not step.isdigit():
                browser.press_in_window(step)
                continue
            browser.run_to(int(step))
            pictures[step] = browser.screenshot(os.path.join(folder, f"{engine}-{step}.png"))
        assert browser.console() == [], f"{engine}'s console has messages: {browser.console()}"
    return pictures


class HeldFrames(unittest.TestCase):
    def test_same_frames_same_keys_same_picture(self):
        with tempfile.TemporaryDirectory(prefix="quendrel-web-frames-") as pictures:
            if ENGINE == "chromium":
                first = native_frames(pictures, STEPS)
                self.assertLessEqual(first, int(STEPS[0]), "the native window came up late")
                reference = {step: os.path.join(pictures, f"frame-{step}.png")
                             for step in STEPS if step.isdigit()}
                shutil.rmtree(CHROMIUM_FRAMES, ignore_errors=True)
                os.makedirs(CHROMIUM_FRAMES)
            else:
                reference = {step: os.path.join(CHROMIUM_FRAMES, f"chromium-{step}.png")
                             for step in STEPS if step.isdigit()}
                missing = [path for path in reference.values() if not os.path.exists(path)]
                self.assertFalse(missing, "Chromium's pictures are made by its own test")
            page = held_pictures(ENGINE, CHROMIUM_FRAMES if ENGINE == "chromium" else pictures)
            differing = {int(step): differing_pixels(page[step], reference[step])
                         for step in page}
            print(f"\ndiffering pixels by frame, {ENGINE} against "
                  f"{'the native program' if ENGINE == 'chromium' else 'Chromium'}:", differing)
            # Each picture shows the cube, so equal pictures are not two black ones.
            self.assertGreater(look(page[STEPS[-1]], 0, 0)["cube"], 500, "no cube in the last picture")
            for frame, count in differing.items():
                self.assertLessEqual(count, MOST_DIFFERING, f"frame {frame}")


if __name__ == "__main__":
    unittest.main()
