// The shot: a spinning pyramid that rises from the cube until it leaves the view.
#pragma once

// Launches the shot from (startX, startY) if it is armed, then draws it and
// raises it one unit, or ends the flight once it is above the view. Saves the
// model-view matrix with one push; the frame routine pops it after the cube.
void runShot(int startX, int startY);
