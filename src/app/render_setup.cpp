// Render state set once at start-up, and the viewport and projection set on
// every reshape from the size the toolkit reports.
#include "app/render_setup.h"

#include <GL/glu.h>
#include <GL/glut.h>

void setupRenderState()
{
    glShadeModel(GL_SMOOTH); // the shot's corner colours blend across its sides
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_COLOR_MATERIAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

void handleReshape(int width, int height)
{
    constexpr GLdouble fieldOfViewY = 45.0;
    constexpr GLdouble nearPlane = 0.1f; // the float 0.1, widened
    constexpr GLdouble farPlane = 100.0;

    // A zero height would make the aspect ratio a division by zero.
    if (height == 0) {
        height = 1;
    }
    glViewport(0, 0, width, height);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fieldOfViewY, static_cast<GLdouble>(width) / static_cast<GLdouble>(height),
                   nearPlane, farPlane);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
