// The floors' window: display mode and full screen as quendrel asks for them,
// and quendrel's own render state and reshape, so a floor differs from it only
// per frame.
#include "floor_window.h"

#include <GL/glut.h>

#include <cstdlib>

#include "app/render_setup.h"

namespace {

void handleFloorKey(unsigned char key, int /*x*/, int /*y*/)
{
    if (key == 27) {
        std::exit(0);
    }
}

} // namespace

void runFloor(int* argc, char** argv, const char* title, void (*frame)())
{
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB | GLUT_DEPTH);
    glutInitWindowSize(500, 500);
    glutCreateWindow(title);
    glutFullScreen();

    setupRenderState();

    glutReshapeFunc(handleReshape);
    glutKeyboardFunc(handleFloorKey);
    glutDisplayFunc(frame);
    glutIdleFunc(frame);
    glutMainLoop();
}
