// The recording double. It includes the real headers, so the compiler checks
// each signature and its C linkage against the ones the program is built with.
#include "gl_double.h"

#include <GL/glu.h>
#include <GL/glut.h>

#include <cstring>

namespace gldouble {

namespace {

Call callLog[logCapacity];
int logged = 0;
bool recording = true;

void record(const char* name, double a = 0, double b = 0, double c = 0, double d = 0)
{
    if (!recording) {
        return;
    }
    if (logged < logCapacity) {
        callLog[logged] = Call{name, {a, b, c, d}};
    }
    ++logged;
}

} // namespace

Toolkit toolkit{};

void reset()
{
    logged = 0;
    toolkit = Toolkit{};
}

void setRecording(bool on) { recording = on; }

int callCount() { return logged < logCapacity ? logged : logCapacity; }

bool overflowed() { return logged > logCapacity; }

const Call& call(int index) { return callLog[index]; }

int find(const char* name, int from)
{
    for (int i = from; i < callCount(); ++i) {
        if (std::strcmp(callLog[i].name, name) == 0) {
            return i;
        }
    }
    return -1;
}

} // namespace gldouble

using gldouble::record;
using gldouble::toolkit;

// Each entry point logs itself under its own name (__func__).
// OpenGL
void GLAPIENTRY glClear(GLbitfield mask) { record(__func__, mask); }
void GLAPIENTRY glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a)
{
    record(__func__, r, g, b, a);
}
void GLAPIENTRY glClearDepth(GLclampd depth) { record(__func__, depth); }
void GLAPIENTRY glShadeModel(GLenum mode) { record(__func__, mode); }
void GLAPIENTRY glEnable(GLenum capability) { record(__func__, capability); }
void GLAPIENTRY glDepthFunc(GLenum func) { record(__func__, func); }
void GLAPIENTRY glHint(GLenum target, GLenum mode) { record(__func__, target, mode); }
void GLAPIENTRY glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    record(__func__, x, y, width, height);
}
void GLAPIENTRY glMatrixMode(GLenum mode) { record(__func__, mode); }
void GLAPIENTRY glLoadIdentity() { record(__func__); }
void GLAPIENTRY glPushMatrix() { record(__func__); }
void GLAPIENTRY glPopMatrix() { record(__func__); }
void GLAPIENTRY glTranslatef(GLfloat x, GLfloat y, GLfloat z) { record(__func__, x, y, z); }
void GLAPIENTRY glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    record(__func__, angle, x, y, z);
}
void GLAPIENTRY glBegin(GLenum mode) { record(__func__, mode); }
void GLAPIENTRY glEnd() { record(__func__); }
void GLAPIENTRY glColor3f(GLfloat r, GLfloat g, GLfloat b) { record(__func__, r, g, b); }
void GLAPIENTRY glVertex3f(GLfloat x, GLfloat y, GLfloat z) { record(__func__, x, y, z); }

// GLU
void GLAPIENTRY gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    record(__func__, fovy, aspect, zNear, zFar);
}

// GLUT
void FGAPIENTRY glutInit(int* argc, char** argv)
{
    toolkit.initArgc = argc;
    toolkit.initArgv = argv;
    record(__func__);
}
void FGAPIENTRY glutInitDisplayMode(unsigned int mode) { record(__func__, mode); }
void FGAPIENTRY glutInitWindowSize(int width, int height) { record(__func__, width, height); }
int FGAPIENTRY glutCreateWindow(const char* title)
{
    toolkit.windowTitle = title;
    record(__func__);
    return 1;
}
void FGAPIENTRY glutFullScreen() { record(__func__); }
void FGAPIENTRY glutDisplayFunc(void (*callback)())
{
    toolkit.display = callback;
    record(__func__);
}
void FGAPIENTRY glutReshapeFunc(void (*callback)(int, int))
{
    toolkit.reshape = callback;
    record(__func__);
}
void FGAPIENTRY glutKeyboardFunc(void (*callback)(unsigned char, int, int))
{
    toolkit.keyboard = callback;
    record(__func__);
}
void FGAPIENTRY glutSpecialFunc(void (*callback)(int, int, int))
{
    toolkit.special = callback;
    record(__func__);
}
void FGAPIENTRY glutIdleFunc(void (*callback)())
{
    toolkit.idle = callback;
    record(__func__);
}
// Returns at once, so main can be run to its end.
void FGAPIENTRY glutMainLoop() { record(__func__); }
void FGAPIENTRY glutSwapBuffers() { record(__func__); }
