// The frame routine: clear, shot, cube, restore, advance, swap.
#pragma once

// Display and idle callback: draws one frame and advances the scene one step.
void renderFrame();

// One coordinate's move under the drift limit of 10 scene units: a coordinate
// inside the range (limits included) always moves, so it may end one step past
// a limit; beyond a limit it moves only back inward.
float moveBounded(float position, float step);
