// Pixel probes on screen grabs: where a point of the scene lands in the window,
// which pixels show the cube or the shot, and what a set of them looks like.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "screen_image.h"
#include "x_client.h"

struct PixelPoint {
    double x; // window pixels, from the top-left corner, y downward
    double y;
};

// Where a point at the scene's drawing depth (-30) lands in a window of that size.
PixelPoint projectToWindow(double sceneX, double sceneY, int width, int height);
// Window pixels per scene unit at the drawing depth.
double pixelsPerUnit(int height);

bool isBlack(Rgb colour);
// One of the six flat face colours of the cube.
bool isCubeColour(Rgb colour);
// A smooth blend of pure red, green and blue, as the shot's sides are drawn.
bool isPrimaryBlend(Rgb colour);

// The pixels of a window area that pass a test, summed up.
struct PixelSet {
    int count = 0;
    double centreX = 0; // window pixels
    double centreY = 0;
    int top = 0;
    int bottom = 0;
};

PixelSet findPixels(const ScreenImage& screen, const WindowRect& area,
                    const std::function<bool(Rgb)>& test);

// Pixels that are not background in a window's area of the screen, away from
// a cube drawn at (x, y): their count, and where the first is and what it shows.
std::pair<int, std::string> strayPixels(const ScreenImage& screen, const WindowRect& window,
                                        double cubeX, double cubeY);

// Pixels whose colours differ by more than the rounding of two renderers, over
// the area both images cover from their top-left corners.
int differingPixels(const ScreenImage& a, const ScreenImage& b);

// The rows above the top of a cube at height 0, where a shot flies.
WindowRect aboveCube(const WindowRect& window);

std::string describe(Rgb colour);
