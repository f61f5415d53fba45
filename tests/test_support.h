// Helpers shared by the unit and fuzz tests: a fresh scene for each case, the
// double's log as the frame check reads it, and the comparison of two records.
#pragma once

#include <cstring>
#include <string>
#include <utility>
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

// The first field in which two records differ, or "": every field, so a
// handler that touches anything it should not is caught.
inline std::string sceneDifference(const SceneState& a, const SceneState& b)
{
    const std::pair<const char*, float SceneState::*> values[] = {
        {"cubeX", &SceneState::cubeX},         {"cubeY", &SceneState::cubeY},
        {"cubeZ", &SceneState::cubeZ},         {"cubeStepX", &SceneState::cubeStepX},
        {"cubeStepY", &SceneState::cubeStepY}, {"cubeAngle", &SceneState::cubeAngle},
        {"cubeAxisX", &SceneState::cubeAxisX}, {"cubeAxisY", &SceneState::cubeAxisY},
        {"cubeAxisZ", &SceneState::cubeAxisZ}, {"shotX", &SceneState::shotX},
        {"shotY", &SceneState::shotY},         {"shotAngle", &SceneState::shotAngle}};
    for (const auto& [name, value] : values) {
        if (a.*value != b.*value) {
            return name;
        }
    }
    return a.shotActive != b.shotActive ? "shotActive"
           : a.shotArmed != b.shotArmed ? "shotArmed"
                                        : "";
}
