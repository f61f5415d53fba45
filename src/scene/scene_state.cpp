// The process-wide scene record, statically initialised before main runs.
#include "scene/scene_state.h"

static_assert(sizeof(float) == 4, "scene arithmetic is 32-bit single precision");
static_assert(sizeof(bool) == 1, "the shot flags are one-byte booleans");

SceneState scene;
