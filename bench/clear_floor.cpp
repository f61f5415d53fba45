// The clear floor: quendrel's window and state, and a frame that is only a
// clear and a swap. No program on this toolkit and driver draws frames faster.
#include <GL/glut.h>

#include "floor_window.h"

namespace {

void clearFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
}

} // namespace

int main(int argc, char** argv)
{
    runFloor(&argc, argv, "Clear floor", clearFrame);
    return 0;
}
