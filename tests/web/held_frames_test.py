"""The strongest check: held at the same frames, with the same keys between them,
the page draws a reference's pictures but for a few edge pixels. In Chromium the
reference is the native program (on Xvfb, both 1024x768); Chromium's pictures,
kept in QUENDREL_HELD_FRAMES, are the other engines'. A frame is one swap
natively, one animation-frame callback in the page. In Chromium the web
measurement's floor (bench/web_floor.html), a page that does the same work,
draws the page's pictures too."""

import os
import pathlib
import shutil
import unittest

from browser import ENGINE, PAGE, START_X, PageCase
from pixels import MOST_DIFFERING, differing_pixels, look, native_frames

CHROMIUM_FRAMES = os.environ["QUENDREL_HELD_FRAMES"]
FLOOR = pathlib.Path(__file__).resolve().parents[2] / "bench" / "web_floor.html"

# Frames to compare and, between them, keys pressed while both sides hold. The
# native program reaches full size within its first few frames, so the first
# compared frame is the fifth. The keys drift the cube right and up, fire a
# shot from there, turn the cube left while the shot flies, then down to its
# stop, fire again from below the centre and drift into the lower right corner.
STEPS = ["5", "150", "300", "Right", "340", "Up", "400", "space", "404", "Left", "412",
         "Down", "600", "space", "610", "Right", "1000"]


class HeldFrames(PageCase):
    def test_same_frames_same_keys_same_picture(self):
        folder, floor = self.pictures.name, {}
        if ENGINE == "chromium":
            floor = self.browser.held_pictures(FLOOR.as_uri(), ("5", "300"), folder, "floor")
            first = native_frames(folder, STEPS)
            self.assertLessEqual(first, int(STEPS[0]), "the native window came up late")
            reference = os.path.join(folder, "frame-{}.png")
            shutil.rmtree(CHROMIUM_FRAMES, ignore_errors=True)
            folder = CHROMIUM_FRAMES
            os.makedirs(folder)
        else:
            reference = os.path.join(CHROMIUM_FRAMES, "chromium-{}.png")
            missing = [step for step in STEPS
                       if step.isdigit() and not os.path.exists(reference.format(step))]
            self.assertFalse(missing, "Chromium's pictures are made by its own test")
        page = self.browser.held_pictures(PAGE.as_uri(), STEPS, folder, ENGINE)
        differing = {int(step): differing_pixels(page[step], reference.format(step))
                     for step in page}
        for step, picture in floor.items():  # the floor's against the page's
            self.assertGreater(look(picture, START_X, 0)["cube"], 500, f"no cube, floor {step}")
            differing[f"floor {step}"] = differing_pixels(page[step], picture)
        print(f"\ndiffering pixels by frame, {ENGINE} against "
              f"{'the native program' if ENGINE == 'chromium' else 'Chromium'}:", differing)
        # Each picture shows the cube, so equal pictures are not two black ones.
        self.assertGreater(look(page[STEPS[-1]], 0, 0)["cube"], 500, "no cube in the last picture")
        for frame, count in differing.items():
            self.assertLessEqual(count, MOST_DIFFERING, f"frame {frame}")


if __name__ == "__main__":
    unittest.main()
