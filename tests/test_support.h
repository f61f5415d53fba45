// Helpers shared by the unit tests: a fresh scene for each case, and readers
// over the recording double's log.
#pragma once

#include <cstring>

#include "gl_double.h"
#include "scene/scene_state.h"

// The record as start-up leaves it, and an empty call log.
inline void startScene()
{
    scene = SceneState{};
    scene.cubeX = 1.5f;
    scene.cubeY = 0.0f;
    scene.cubeZ = -30.0f;
    gldouble::reset();
}

inline bool isCall(int index, const char* name)
{
    return index >= 0 && index < gldouble::callCount() &&
           std::strcmp(gldouble::call(index).name, name) == 0;
}

// Deepest model-view push since the last reset, or -1 when the pushes and pops
// do not balance (a pop without its push, or a push left unpopped).
inline int balancedPushDepth()
{
    int depth = 0;
    int deepest = 0;
    for (int i = 0; i < gldouble::callCount(); ++i) {
        depth += isCall(i, "glPushMatrix") ? 1 : 0;
        depth -= isCall(i, "glPopMatrix") ? 1 : 0;
        if (depth < 0) {
            return -1;
        }
        deepest = depth > deepest ? depth : deepest;
    }
    return depth == 0 ? deepest : -1;
}
