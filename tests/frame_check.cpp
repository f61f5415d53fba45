// The frame's calls reduced to their outline (clear, save, primitives, restore)
// and the colours and corners sent inside each primitive.
#include "frame_check.h"

#include <GL/gl.h>

namespace {

std::string joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

} // namespace

std::string frameFault(const std::vector<GlCall>& calls, bool shotFlies)
{
    std::vector<std::string> outline;
    int colours[2] = {0, 0}; // cube, pyramid
    int corners[2] = {0, 0};
    int open = -1; // the primitive being sent
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const std::string& name = calls[i].name;
        if (name == "glColor3f" || name == "glVertex3f") {
            if (open < 0) {
                return name + " outside glBegin/glEnd";
            }
            ++(name == "glColor3f" ? colours : corners)[open];
        } else if (open >= 0 && name != "glEnd") {
            return name + " inside glBegin/glEnd";
        } else if (name == "glBegin") {
            open = calls[i].mode == GL_QUADS ? 0 : calls[i].mode == GL_TRIANGLES ? 1 : -1;
            if (open < 0) {
                return "glBegin of a primitive other than quads and triangles";
            }
            outline.push_back(open == 0 ? "glBegin(GL_QUADS)" : "glBegin(GL_TRIANGLES)");
        } else if (name == "glClear" || name == "glEnd" || name == "glPushMatrix" ||
                   name == "glPopMatrix") {
            outline.push_back(name);
            open = -1;
        } else if (name == "glutSwapBuffers" || name == "glXSwapBuffers") {
            if (i + 1 != calls.size()) {
                return "calls after the swap";
            }
            outline.push_back("swap");
        }
    }
    const std::vector<std::string> cubeOnly = {"glClear", "glBegin(GL_QUADS)", "glEnd", "swap"};
    const std::vector<std::string> withShot = {
        "glClear",           "glPushMatrix", "glBegin(GL_TRIANGLES)", "glEnd",
        "glBegin(GL_QUADS)", "glEnd",        "glPopMatrix",           "swap"};
    if (outline != (shotFlies ? withShot : cubeOnly)) {
        return "outline " + joined(outline) + " instead of " +
               joined(shotFlies ? withShot : cubeOnly);
    }
    if (colours[0] != 6 || corners[0] != 24) {
        return "the cube is not six faces of one colour and four corners";
    }
    if (shotFlies && (colours[1] != 12 || corners[1] != 12)) {
        return "the pyramid is not four sides of three coloured corners";
    }
    return "";
}
