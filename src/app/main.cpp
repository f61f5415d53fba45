// Quendrel: a six-coloured cube spinning right of centre in a full-screen
// window. main only wires: cube start, toolkit, window, render state,
// callbacks, event loop.
#include <GL/glut.h>

#include "app/render_setup.h"
#include "input/keys.h"
#include "scene/frame.h"
#include "scene/scene_state.h"

int main(int argc, char** argv)
{
    scene.cubeX = 1.5f;
    scene.cubeY = 0.0f;
    scene.cubeZ = -30.0f;

    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB | GLUT_DEPTH);
    glutInitWindowSize(500, 500);
    glutCreateWindow("Quendrel");
    // The creation size is only a start: the window covers the screen at once.
    glutFullScreen();

    setupRenderState();

    // One routine both repaints and animates: each idle call is one frame.
    glutDisplayFunc(renderFrame);
    glutReshapeFunc(handleReshape);
    glutKeyboardFunc(handleKey);
    glutSpecialFunc(handleSpecialKey);
    glutIdleFunc(renderFrame);

    // Never returns under the toolkit's defaults: Escape or the toolkit ends
    // the process.
    glutMainLoop();
    return 0;
}
