"""The end-to-end tests' pixel probes over PNG files, through the web_pixels
tool (tests/e2e/screen_probes.cpp), so the page is judged as the native program
is: where the cube is, what flies above it, what else is drawn."""

import os
import subprocess

TOOL = os.environ.get("WEB_PIXELS", "web_pixels")
# Pixels on the edges of the cube and the shot, where two rasterisers may
# round differently, out of 786,432 at 1024x768; the same picture one frame
# on, the cube turned by a degree more, differs in 27.
MOST_DIFFERING = 12


def _run(*arguments):
    return subprocess.run([TOOL, *map(str, arguments)], check=True, capture_output=True,
                          text=True, timeout=60).stdout


def look(png, cube_x, cube_y):
    """The picture with the cube expected at scene point (cube_x, cube_y):
    width, height, unit (pixels per scene unit), expectedX/Y (where the point
    lands), cube/cubeX/cubeY (cube-coloured pixels and their centre),
    shot/shotX/shotBottom (the shot's colours above the cube) and stray
    (anything not black away from the cube)."""
    pairs = (item.split("=") for item in _run("look", png, cube_x, cube_y).split())
    return {name: float(value) for name, value in pairs}


def differing_pixels(first_png, second_png):
    return int(_run("diff", first_png, second_png))


def native_frames(directory, steps):
    """Runs the native program on Xvfb through the steps (frame numbers to
    save as directory/frame-N.png, key names to press) and returns the first
    frame it drew at full size."""
    out = _run("native", os.environ["QUENDREL_PROGRAM"], os.environ["FRAME_PACER"], directory,
               *steps)
    return int(out.split()[-1])
