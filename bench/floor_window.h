// Window, render state and projection shared by the two floor programs: the
// same display mode, full screen, state and reshape as quendrel, and Escape
// to leave with status 0. Each floor adds only its own frame routine.
#pragma once

// Opens the full-screen window, sets the render state, registers reshape,
// keyboard and `frame` as display and idle callback, and enters the loop.
void runFloor(int* argc, char** argv, const char* title, void (*frame)());
