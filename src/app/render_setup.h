// The fixed render state and the projection fitted to the window.
#pragma once

// Sets the OpenGL state that never changes afterwards; called once at start-up.
void setupRenderState();

// Reshape callback: viewport and 45-degree perspective for the new size, then
// leaves the model-view matrix current for the frame routine.
void handleReshape(int width, int height);
