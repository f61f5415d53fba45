// GL's matrix arithmetic, GLU's perspective, the assembly of immediate-mode
// vertices into triangles and the render state, for the web layer.
#include "gl_state.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace weblayer {

namespace {

constexpr double pi = 3.14159265358979323846;

float& at(Matrix& m, std::size_t row, std::size_t column) { return m[column * 4 + row]; }

} // namespace

void multiply(Matrix& m, const Matrix& other)
{
    const Matrix left = m;
    for (std::size_t row = 0; row < 4; ++row) {
        for (std::size_t column = 0; column < 4; ++column) {
            float sum = 0;
            for (std::size_t k = 0; k < 4; ++k) {
                sum += left[k * 4 + row] * other[column * 4 + k];
            }
            at(m, row, column) = sum;
        }
    }
}

void MatrixStack::push()
{
    if (depth_ < capacity) {
        matrices_[depth_] = matrices_[depth_ - 1];
        ++depth_;
    }
}

void MatrixStack::pop()
{
    if (depth_ > 1) {
        --depth_;
    }
}

void GlState::matrixMode(unsigned mode)
{
    if (mode == GL_MODELVIEW) {
        current_ = &modelView_;
    } else if (mode == GL_PROJECTION) {
        current_ = &projection_;
    }
}

void GlState::translate(float x, float y, float z)
{
    Matrix& m = current_->top();
    for (std::size_t row = 0; row < 4; ++row) {
        at(m, row, 3) += at(m, row, 0) * x + at(m, row, 1) * y + at(m, row, 2) * z;
    }
}

void GlState::rotate(float angleDegrees, float x, float y, float z)
{
    const float length = std::sqrt(x * x + y * y + z * z);
    // Mesa, too, turns nothing about an axis this short rather than divide by it.
    if (length <= 1.0e-4f) {
        return;
    }
    x /= length;
    y /= length;
    z /= length;
    const auto radians = static_cast<float>(angleDegrees * pi / 180.0);
    const float c = std::cos(radians);
    const float s = std::sin(radians);
    const float t = 1 - c;
    // The rotation about a unit axis, column by column.
    // clang-format off
    const Matrix turn{x * x * t + c,     y * x * t + z * s, x * z * t - y * s, 0,
                      x * y * t - z * s, y * y * t + c,     y * z * t + x * s, 0,
                      x * z * t + y * s, y * z * t - x * s, z * z * t + c,     0,
                      0,                 0,                 0,                 1};
    // clang-format on
    multiply(current_->top(), turn);
}

void GlState::perspective(double fovyDegrees, double aspect, double zNear, double zFar)
{
    const double halfAngle = fovyDegrees * pi / 360.0;
    const double depth = zFar - zNear;
    const double sine = std::sin(halfAngle);
    if (depth == 0 || sine == 0 || aspect == 0) {
        return;
    }
    const double f = std::cos(halfAngle) / sine;
    Matrix frustum{};
    at(frustum, 0, 0) = static_cast<float>(f / aspect);
    at(frustum, 1, 1) = static_cast<float>(f);
    at(frustum, 2, 2) = static_cast<float>(-(zFar + zNear) / depth);
    at(frustum, 3, 2) = -1;
    at(frustum, 2, 3) = static_cast<float>(-2 * zNear * zFar / depth);
    multiply(current_->top(), frustum);
}

void GlState::begin(unsigned mode)
{
    primitive_ = mode == GL_QUADS       ? Primitive::quads
                 : mode == GL_TRIANGLES ? Primitive::triangles
                                        : Primitive::none;
    pendingCount_ = 0;
}

void GlState::vertex(float x, float y, float z)
{
    if (primitive_ == Primitive::none) {
        return;
    }
    Matrix toClip = projection_.top();
    multiply(toClip, modelView_.top());
    ClipVertex& v = pending_[pendingCount_++];
    for (std::size_t row = 0; row < 4; ++row) {
        v.position[row] = at(toClip, row, 0) * x + at(toClip, row, 1) * y + at(toClip, row, 2) * z +
                          at(toClip, row, 3);
    }
    // The current colour goes with every vertex until glColor changes it.
    v.colour[0] = colour_[0];
    v.colour[1] = colour_[1];
    v.colour[2] = colour_[2];

    if (primitive_ == Primitive::triangles && pendingCount_ == 3) {
        emitTriangle(0, 1, 2);
        pendingCount_ = 0;
    } else if (primitive_ == Primitive::quads && pendingCount_ == 4) {
        // A quad is two triangles on the diagonal from its second corner to its
        // fourth, in the order Mesa assembles them.
        emitTriangle(0, 1, 3);
        emitTriangle(1, 2, 3);
        pendingCount_ = 0;
    }
}

void GlState::end()
{
    // Corners of an unfinished polygon are dropped, as GL drops them.
    primitive_ = Primitive::none;
    pendingCount_ = 0;
}

void GlState::emitTriangle(std::size_t a, std::size_t b, std::size_t c)
{
    if (batchSize_ + 3 > batchCapacity) {
        return;
    }
    for (std::size_t corner : {a, b, c}) {
        batch_[batchSize_++] = pending_[corner];
    }
}

void GlState::clearColour(float red, float green, float blue, float alpha)
{
    render_.clearColour = {red, green, blue, alpha};
}

void GlState::clearDepth(double depth)
{
    render_.clearDepth = static_cast<float>(std::clamp(depth, 0.0, 1.0));
}

void GlState::enable(unsigned capability)
{
    if (capability == GL_DEPTH_TEST) {
        render_.depthTest = true;
    }
}

} // namespace weblayer
