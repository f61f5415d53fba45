// The GL and GLU state the program's calls build, in plain C++ with no browser
// in it: the model-view and projection stacks with GLU's perspective, the
// current colour, and immediate-mode vertices assembled into coloured
// triangles in clip space. The web layer's GL entry points stand on it, and it
// builds natively, so its tests hold it against Mesa's answers.
#pragma once

#include <array>
#include <cstddef>

namespace weblayer {

// Column-major, as GL stores and returns its matrices.
using Matrix = std::array<float, 16>;

constexpr Matrix identityMatrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// m = m * other, GL's order: other applies to vertices first.
void multiply(Matrix& m, const Matrix& other);
void translate(Matrix& m, float x, float y, float z);
// An axis of any length; one of (almost) zero length leaves m as it is.
void rotate(Matrix& m, float angleDegrees, float x, float y, float z);
// GLU's perspective in double, rounded to float and multiplied in as GL does
// with a double matrix; a degenerate frustum leaves m as it is.
void perspective(Matrix& m, double fovyDegrees, double aspect, double zNear, double zFar);

// One pushed-and-popped matrix stack; the top is the current matrix. A push
// on a full stack or a pop of the last matrix is ignored, as GL ignores it
// after raising an error.
class MatrixStack {
  public:
    Matrix& top() { return matrices_[depth_ - 1]; }
    const Matrix& top() const { return matrices_[depth_ - 1]; }
    std::size_t depth() const { return depth_; }
    void push();
    void pop();

  private:
    static constexpr std::size_t capacity = 32; // Mesa's depth for both stacks
    std::array<Matrix, capacity> matrices_{identityMatrix};
    std::size_t depth_ = 1;
};

// A vertex ready for the GPU: clip-space position and RGB colour.
struct ClipVertex {
    float position[4];
    float colour[3];
};

enum class Primitive { none, triangles, quads };

// The state the program's GL calls change, and what a frame's glBegin/glEnd
// pairs assemble. Triangles collect in a fixed batch the caller draws and
// empties at glEnd, or when it is full.
class GlState {
  public:
    MatrixStack modelView;
    MatrixStack projection;
    MatrixStack* current = &modelView;
    std::array<float, 3> colour{1, 1, 1}; // GL's initial colour, white

    void begin(Primitive primitive);
    void vertex(float x, float y, float z);
    void end();

    static constexpr std::size_t batchCapacity = 96; // vertices, three a triangle
    const std::array<ClipVertex, batchCapacity>& batch() const { return batch_; }
    std::size_t batchSize() const { return batchSize_; }
    // Full when the next vertex might not fit: it can finish a quad's two triangles.
    bool batchFull() const { return batchSize_ + 6 > batchCapacity; }
    void clearBatch() { batchSize_ = 0; }

  private:
    void emitTriangle(int a, int b, int c);

    Primitive primitive_ = Primitive::none;
    std::array<ClipVertex, 4> pending_{}; // the corners of the unfinished polygon
    int pendingCount_ = 0;
    std::array<ClipVertex, batchCapacity> batch_{};
    std::size_t batchSize_ = 0;
};

} // namespace weblayer
