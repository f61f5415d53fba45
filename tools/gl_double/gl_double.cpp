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

int count(const char* name)
{
    int found = 0;
    for (int i = 0; i < callCount(); ++i) {
        found += std::strcmp(callLog[i].name, name) == 0 ? 1 : 0;
    }
    return found;
}

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

// OpenGL
void GLAPIENTRY glClear(GLbitfield mask) { record("glClear", mask); }
void GLAPIENTRY glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a)
{
    record("glClearColor", r, g, b, a);
}
void GLAPIENTRY glClearDepth(GLclampd depth) { record("glClearDepth", depth); }
void GLAPIENTRY glShadeModel(GLenum mode) { record("glShadeModel", mode); }
void GLAPIENTRY glEnable(GLenum capability) { record("glEnable", capability); }
void GLAPIENTRY glDepthFunc(GLenum func) { record("glDepthFunc", func); }
void GLAPIENTRY glHint(GLenum target, GLenum mode) { record("glHint", target, mode); }
void GLAPIENTRY glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    record("glViewport", x, y, width, height);
}
void GLAPIENTRY glMatrixMode(GLenum mode) { record("glMatrixMode", mode); }
void GLAPIENTRY glLoadIdentity() { record("glLoadIdentity"); }
void GLAPIENTRY glPushMatrix() { record("glPushMatrix"); }
void GLAPIENTRY glPopMatrix() { record("glPopMatrix"); }
void GLAPIENTRY glTranslatef(GLfloat x, GLfloat y, GLfloat z) { record("glTranslatef", x, y, z); }
void GLAPIENTRY glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    record("glRotatef", angle, x, y, z);
}
void GLAPIENTRY glBegin(GLenum mode) { record("glBegin", mode); }
void GLAPIENTRY glEnd() { record("glEnd"); }
void GLAPIENTRY glColor3f(GLfloat r, GLfloat g, GLfloat b) { record("glColor3f", r, g, b); }
void GLAPIENTRY glVertex3f(GLfloat x, GLfloat y, GLfloat z) { record("glVertex3f", x, y, z); }

// GLU
void GLAPIENTRY gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    record("gluPerspective", fovy, aspect, zNear, zFar);
}

// GLUT
using gldouble::toolkit;

void FGAPIENTRY glutInit(int* argc, char** argv)
{
    toolkit.initArgc = argc;
    toolkit.initArgv = argv;
    record("glutInit");
}
void FGAPIENTRY glutInitDisplayMode(unsigned int mode) { record("glutInitDisplayMode", mode); }
void FGAPIENTRY glutInitWindowSize(int width, int height)
{
    record("glutInitWindowSize", width, height);
}
int FGAPIENTRY glutCreateWindow(const char* title)
{
    toolkit.windowTitle = title;
    record("glutCreateWindow");
    return 1;
}
void FGAPIENTRY glutFullScreen() { record("glutFullScreen"); }
void FGAPIENTRY glutDisplayFunc(void (*callback)())
{
    toolkit.display = callback;
    record("glutDisplayFunc");
}
void FGAPIENTRY glutReshapeFunc(void (*callback)(int, int))
{
    toolkit.reshape = callback;
    record("glutReshapeFunc");
}
void FGAPIENTRY glutKeyboardFunc(void (*callback)(unsigned char, int, int))
{
    toolkit.keyboard = callback;
    record("glutKeyboardFunc");
}
void FGAPIENTRY glutSpecialFunc(void (*callback)(int, int, int))
{
    toolkit.special = callback;
    record("glutSpecialFunc");
}
void FGAPIENTRY glutIdleFunc(void (*callback)())
{
    toolkit.idle = callback;
    record("glutIdleFunc");
}
// Returns at once, so main can be run to its end.
void FGAPIENTRY glutMainLoop() { record("glutMainLoop"); }
void FGAPIENTRY glutSwapBuffers() { record("glutSwapBuffers"); }
