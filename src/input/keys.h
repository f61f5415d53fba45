// Keyboard callbacks. Escape quits with status 0; Space fires the shot;
// the arrow keys set the cube drifting left, up, right or down.
#pragma once

// Character keys; x and y are the pointer's window coordinates.
void handleKey(unsigned char key, int x, int y);

// Special keys: only the four arrows do anything; the pointer is ignored.
void handleSpecialKey(int key, int x, int y);
