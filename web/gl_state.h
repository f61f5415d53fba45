// The GL and GLU state the program's calls build, in plain C++ with no browser
// in it: the model-view and projection stacks with GLU's perspective, the
// current colour, immediate-mode vertices assembled into coloured triangles in
// clip space, and the render state (clear values, depth test, viewport). The
// web layer's GL entry points stand on it, one method each, with GL's enums;
// it builds natively, so its tests hold it against Mesa's answers.
#pragma once

#include <array>
#include <cstddef>

namespace weblayer {

// Column-major, as GL stores and returns its matrices.
using Matrix = std::array<float, 16>;

constexpr Matrix identityMatrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// m = m * other, GL's order: other applies to vertices first.
void multiply(Matrix& m, const Matrix& other);

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

// What WebGL must be told again when it loses its context; GL's initial values.
struct RenderState {
    std::array<float, 4> clearColour{0, 0, 0, 0};
    float clearDepth = 1;
    bool depthTest = false;
    unsigned depthFunc = 0x0201; // GL_LESS
    std::array<int, 4> viewport{0, 0, 0, 0};
};

class GlState {
  public:
    // Matrices
    void matrixMode(unsigned mode);
    void loadIdentity() { current_->top() = identityMatrix; }
    void pushMatrix() { current_->push(); }
    void popMatrix() { current_->pop(); }
    void translate(float x, float y, float z);
    // An axis of any length; one of (almost) zero length turns nothing.
    void rotate(float angleDegrees, float x, float y, float z);
    // GLU's perspective in double, rounded to float and multiplied in as GL
    // does with a double matrix; a degenerate frustum changes nothing.
    void perspective(double fovyDegrees, double aspect, double zNear, double zFar);
    const MatrixStack& modelView() const { return modelView_; }
    const MatrixStack& projection() const { return projection_; }
    bool modelViewIsCurrent() const { return current_ == &modelView_; }

    // Immediate mode: triangles and quads; other primitives draw nothing.
    void begin(unsigned mode);
    void colour(float red, float green, float blue) { colour_ = {red, green, blue}; }
    void vertex(float x, float y, float z);
    void end();

    // Render state; of the capabilities, only the depth test means anything
    // without lighting and textures.
    void clearColour(float red, float green, float blue, float alpha);
    void clearDepth(double depth);
    void enable(unsigned capability);
    void depthFunc(unsigned func) { render_.depthFunc = func; }
    void viewport(int x, int y, int width, int height) { render_.viewport = {x, y, width, height}; }
    const RenderState& renderState() const { return render_; }

    // The assembled triangles, drawn and emptied by the caller at glEnd, or
    // when full before the next vertex.
    static constexpr std::size_t batchCapacity = 96; // vertices, three a triangle
    const std::array<ClipVertex, batchCapacity>& batch() const { return batch_; }
    std::size_t batchSize() const { return batchSize_; }
    // Full when the next vertex might not fit: it can finish a quad's two triangles.
    bool batchFull() const { return batchSize_ + 6 > batchCapacity; }
    void clearBatch() { batchSize_ = 0; }

  private:
    enum class Primitive { none, triangles, quads };

    void emitTriangle(std::size_t a, std::size_t b, std::size_t c);

    MatrixStack modelView_;
    MatrixStack projection_;
    MatrixStack* current_ = &modelView_;
    std::array<float, 3> colour_{1, 1, 1}; // GL's initial colour, white
    RenderState render_;

    Primitive primitive_ = Primitive::none;
    std::array<ClipVertex, 4> pending_{}; // the corners of the unfinished polygon
    std::size_t pendingCount_ = 0;
    std::array<ClipVertex, batchCapacity> batch_{};
    std::size_t batchSize_ = 0;
};

} // namespace weblayer
