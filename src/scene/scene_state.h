// The one record of everything that changes while Quendrel runs: where the
// cube is, how it drifts and turns, and where the shot is and whether it flies.
#pragma once

struct SceneState {
    // Cube: start-up places it; the arrow keys set its steps.
    float cubeX = 0.0f;
    float cubeY = 0.0f;
    float cubeZ = 0.0f;
    float cubeStepX = 0.0f;
    float cubeStepY = 0.0f;

    // Cube turn: angle in degrees about an axis that grows every frame.
    float cubeAngle = 0.0f;
    float cubeAxisX = 0.0f;
    float cubeAxisY = 0.0f;
    float cubeAxisZ = 0.0f;

    // Shot: idle (not active, armed), fired (active, armed), in flight
    // (active, not armed).
    float shotX = 0.0f;
    float shotY = 0.0f;
    float shotAngle = 0.0f;
    bool shotActive = false;
    bool shotArmed = true;
};

extern SceneState scene;
