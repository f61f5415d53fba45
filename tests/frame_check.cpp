// The frame's calls reduced to their outline (clear, save, primitives, restore,
// swap) and the colours and corners sent inside each primitive.
#include "frame_check.h"

#include <GL/gl.h>

namespace {

constexpr int cube = 0;
constexpr int pyramid = 1;

// Views, not copies, of the names: the check runs on every frame of a fuzz run.
struct FrameShape {
    std::vector<std::string_view> outline;
    int colours[2] = {0, 0}; // per primitive: cube, pyramid
    int corners[2] = {0, 0};
    int open = -1; // the primitive being sent, or -1
};

// One call inside glBegin/glEnd; "" or what is wrong with it.
std::string readInside(std::string_view name, FrameShape& shape)
{
    if (name == "glColor3f" || name == "glVertex3f") {
        ++(name == "glColor3f" ? shape.colours : shape.corners)[shape.open];
    } else if (name == "glEnd") {
        shape.outline.push_back(name);
        shape.open = -1;
    } else {
        return std::string(name) + " inside glBegin/glEnd";
    }
    return "";
}

// One call outside glBegin/glEnd; "" or what is wrong with it.
std::string readOutside(const GlCall& call, bool last, FrameShape& shape)
{
    const std::string_view name = call.name;
    if (name == "glColor3f" || name == "glVertex3f") {
        return std::string(name) + " outside glBegin/glEnd";
    }
    if (name == "glBegin") {
        shape.open = call.mode == GL_QUADS ? cube : call.mode == GL_TRIANGLES ? pyramid : -1;
        shape.outline.push_back(shape.open == cube ? "glBegin(GL_QUADS)" : "glBegin(GL_TRIANGLES)");
        return shape.open < 0 ? "glBegin of a primitive other than quads and triangles" : "";
    }
    if (name == "glClear" || name == "glEnd" || name == "glPushMatrix" || name == "glPopMatrix") {
        shape.outline.push_back(name);
    } else if (name == "glutSwapBuffers" || name == "glXSwapBuffers") {
        shape.outline.push_back("swap");
        return last ? "" : "calls after the swap";
    }
    return "";
}

std::string joined(const std::vector<std::string_view>& names)
{
    std::string text;
    for (const std::string_view name : names) {
        text.append(text.empty() ? "" : ", ").append(name);
    }
    return text;
}

} // namespace

std::string frameFault(const std::vector<GlCall>& calls, bool shotFlies)
{
    FrameShape shape;
    shape.outline.reserve(8);
    for (std::size_t i = 0; i < calls.size(); ++i) {
        std::string fault = shape.open >= 0 ? readInside(calls[i].name, shape)
                                            : readOutside(calls[i], i + 1 == calls.size(), shape);
        if (!fault.empty()) {
            return fault;
        }
    }
    static const std::vector<std::string_view> cubeOnly = {"glClear", "glBegin(GL_QUADS)", "glEnd",
                                                           "swap"};
    static const std::vector<std::string_view> withShot = {
        "glClear",           "glPushMatrix", "glBegin(GL_TRIANGLES)", "glEnd",
        "glBegin(GL_QUADS)", "glEnd",        "glPopMatrix",           "swap"};
    const std::vector<std::string_view>& expected = shotFlies ? withShot : cubeOnly;
    if (shape.outline != expected) {
        return "outline " + joined(shape.outline) + " instead of " + joined(expected);
    }
    if (shape.colours[cube] != 6 || shape.corners[cube] != 24) {
        return "the cube is not six faces of one colour and four corners";
    }
    if (shotFlies && (shape.colours[pyramid] != 12 || shape.corners[pyramid] != 12)) {
        return "the pyramid is not four sides of three coloured corners";
    }
    return "";
}
