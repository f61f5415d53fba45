// Helpers shared by the unit and fuzz tests: a fresh scene for each case, the
// double's log as the frame check reads it, and a record's fields to compare.
#pragma once

#include <cstring>
#include <tuple>
#include <vector>

#include "frame_check.h"
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

// The calls logged since the last reset, in one buffer kept from call to call:
// the fuzz target reads every frame.
inline const std::vector<GlCall>& loggedCalls()
{
    static std::vector<GlCall> calls;
    calls.clear();
    for (int i = 0; i < gldouble::callCount(); ++i) {
        const gldouble::Call& call = gldouble::call(i);
        calls.push_back({call.name, static_cast<int>(call.args[0])});
    }
    return calls;
}

// Every field of the record, to compare two whole (gtest prints both): a
// handler that touches anything it should not is caught.
inline auto sceneFields(const SceneState& s)
{
    return std::tie(s.cubeX, s.cubeY, s.cubeZ, s.cubeStepX, s.cubeStepY, s.cubeAngle, s.cubeAxisX,
                    s.cubeAxisY, s.cubeAxisZ, s.shotX, s.shotY, s.shotAngle, s.shotActive,
                    s.shotArmed);
}
