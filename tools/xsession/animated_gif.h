// A looping animated GIF from screen images of one size, written through giflib
// with a fixed palette of 6 levels per channel: enough for flat-shaded scenes.
#pragma once

#include <string>
#include <vector>

#include "screen_image.h"

// Each frame is shown for `delayCentiseconds`; false when the file cannot be written.
bool writeGif(const std::vector<ScreenImage>& frames, int delayCentiseconds,
              const std::string& path);
