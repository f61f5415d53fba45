// Points and named RGB colours shared by the cube and the shot geometry.
#pragma once

struct Vec3 {
    float x;
    float y;
    float z;
};

constexpr Vec3 red{1.0f, 0.0f, 0.0f};
constexpr Vec3 green{0.0f, 1.0f, 0.0f};
constexpr Vec3 blue{0.0f, 0.0f, 1.0f};
constexpr Vec3 orange{1.0f, 0.5f, 0.0f};
constexpr Vec3 yellow{1.0f, 1.0f, 0.0f};
constexpr Vec3 magenta{1.0f, 0.0f, 1.0f};
