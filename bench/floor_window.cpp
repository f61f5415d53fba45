// The floors' window: display mode, full screen, render state and projection
// exactly as quendrel sets them, so a floor differs from it only per frame.
#include "floor_window.h"

#include <GL/glu.h>
#include <GL/glut.h>

#include <cstdlib>

namespace {

void reshapeFloor(int width, int height)
{
    if (height == 0) {
        height = 1;
    }
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<GLdouble>(width) / static_cast<GLdouble>(height),
                   static_cast<GLdouble>(0.1f), 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void handleFloorKey(unsigned char key, int /*x*/, int /*y*/)
{
    if (key == 27) {
        std::exit(0);
    }
}

} // namespace

void openFloorWindow(int* argc, char** argv, const char* title)
{
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB | GLUT_DEPTH);
    glutInitWindowSize(500, 500);
    glutCreateWindow(title);
    glutFullScreen();

    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_COLOR_MATERIAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

    glutReshapeFunc(reshapeFloor);
    glutKeyboardFunc(handleFloorKey);
}
