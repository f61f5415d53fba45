// The frame's calls spelt one letter each and compared with the one spelling a
// frame may have, with or without a shot in flight.
#include "frame_check.h"

#include <GL/gl.h>

#include <utility>

namespace {

// The letter for a call that is part of the frame's outline, or 0 for the rest
// (transforms and the like).
char letterOf(const GlCall& call)
{
    static const std::pair<std::string_view, char> letters[] = {
        {"glClear", 'C'},         {"glPushMatrix", '('},  {"glPopMatrix", ')'},
        {"glColor3f", 'c'},       {"glVertex3f", 'v'},    {"glEnd", 'E'},
        {"glutSwapBuffers", 'S'}, {"glXSwapBuffers", 'S'}};
    if (call.name == "glBegin") {
        return call.mode == GL_QUADS ? 'Q' : call.mode == GL_TRIANGLES ? 'T' : '?';
    }
    for (const auto& [name, letter] : letters) {
        if (name == call.name) {
            return letter;
        }
    }
    return 0;
}

std::string repeated(const std::string& text, int times)
{
    std::string all;
    for (int i = 0; i < times; ++i) {
        all += text;
    }
    return all;
}

} // namespace

std::string frameFault(const std::vector<GlCall>& calls, bool shotFlies)
{
    static const std::string cube = "Q" + repeated("cvvvv", 6) + "E";
    static const std::string cubeOnly = "C" + cube + "S";
    static const std::string withShot = "C(T" + repeated("cv", 12) + "E" + cube + ")S";
    std::string outline;
    bool inside = false;
    for (const GlCall& call : calls) {
        const char letter = letterOf(call);
        if (letter != 0) {
            outline += letter;
        } else if (inside || (!outline.empty() && outline.back() == 'S')) {
            outline += 'x';
        }
        inside = letter == 'Q' || letter == 'T' || (inside && letter != 'E');
    }
    const std::string& expected = shotFlies ? withShot : cubeOnly;
    return outline == expected ? "" : "frame " + outline + " instead of " + expected;
}
