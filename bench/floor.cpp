// The benchmark's floors, one source built twice. The clear floor's frame is
// only a clear and a swap: no program on this toolkit and driver draws frames
// faster. The cube floor (QUENDREL_CUBE_FLOOR=1) adds quendrel's cube, placed
// and turned the same way, drawn from a table in immediate mode: quendrel
// without a shot does exactly this work each frame. Both take
// quendrel's display mode, full screen, render state and reshape, so a floor
// differs from it only per frame; Escape leaves with status 0.
#include <GL/glut.h>

#include <cstdlib>

#include "app/render_setup.h"

namespace {

#if QUENDREL_CUBE_FLOOR
float angle = 0.0f;
float axisXY = 0.0f;
float axisZ = 0.0f;

// Per face its colour, then its corners: quendrel's faces in quendrel's order.
// clang-format off
constexpr GLfloat cubeFaces[6][5][3] = {
    {{0, 1, 0}, {0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f}},
    {{1, 0.5f, 0}, {0.5f, -0.5f, 0.5f}, {-0.5f, -0.5f, 0.5f}, {-0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}},
    {{1, 0, 0}, {0.5f, 0.5f, 0.5f}, {-0.5f, 0.5f, 0.5f}, {-0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, 0.5f}},
    {{1, 1, 0}, {0.5f, -0.5f, -0.5f}, {-0.5f, -0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f}, {0.5f, 0.5f, -0.5f}},
    {{0, 0, 1}, {-0.5f, 0.5f, 0.5f}, {-0.5f, 0.5f, -0.5f}, {-0.5f, -0.5f, -0.5f}, {-0.5f, -0.5f, 0.5f}},
    {{1, 0, 1}, {0.5f, 0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}, {0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, -0.5f}},
};
// clang-format on

void drawCube()
{
    glLoadIdentity();
    glTranslatef(1.5f, 0.0f, -30.0f);
    glRotatef(angle, axisXY, axisXY, axisZ);
    glBegin(GL_QUADS);
    for (const auto& face : cubeFaces) {
        glColor3fv(face[0]);
        for (int corner = 1; corner <= 4; ++corner) {
            glVertex3fv(face[corner]);
        }
    }
    glEnd();

    angle += 1.0f;
    axisXY += 1.1f;
    axisZ += 0.1f;
}
#endif

void floorFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
#if QUENDREL_CUBE_FLOOR
    drawCube();
#endif
    glutSwapBuffers();
}

void handleFloorKey(unsigned char key, int /*x*/, int /*y*/)
{
    if (key == 27) {
        std::exit(0);
    }
}

} // namespace

int main(int argc, char** argv)
{
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB | GLUT_DEPTH);
    glutInitWindowSize(500, 500);
    glutCreateWindow(QUENDREL_CUBE_FLOOR ? "Cube floor" : "Clear floor");
    glutFullScreen();

    setupRenderState();

    glutReshapeFunc(handleReshape);
    glutKeyboardFunc(handleFloorKey);
    glutDisplayFunc(floorFrame);
    glutIdleFunc(floorFrame);
    glutMainLoop();
    return 0;
}
