// Stands in for Mesa's GL and for GLU in the browser: the entry points the
// program calls, over the layer's GL state (gl_state.h) and WebGL (js_calls.h).
// The render state goes to WebGL whenever it changes, and again when a lost
// context comes back.
#include <GL/gl.h>
#include <GL/glu.h>

#include "gl_state.h"
#include "js_calls.h"

namespace {

weblayer::GlState gl;

static_assert(sizeof(weblayer::ClipVertex) == 7 * sizeof(float),
              "clip vertices go to WebGL as 7 packed floats");

void drawBatch()
{
    webglDrawTriangles(&gl.batch()[0].position[0], gl.batchSize());
    gl.clearBatch();
}

} // namespace

// Also called by webgl.js once a lost context is back and its shader and
// buffer are made again.
void quendrelApplyRenderState()
{
    const weblayer::RenderState& s = gl.renderState();
    webglClearColor(s.clearColour[0], s.clearColour[1], s.clearColour[2], s.clearColour[3]);
    webglClearDepth(s.clearDepth);
    webglSetCapability(GL_DEPTH_TEST, s.depthTest);
    webglDepthFunc(s.depthFunc);
    webglViewport(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3]);
}

void GLAPIENTRY glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha)
{
    gl.clearColour(red, green, blue, alpha);
    quendrelApplyRenderState();
}

void GLAPIENTRY glClearDepth(GLclampd depth)
{
    gl.clearDepth(depth);
    quendrelApplyRenderState();
}

void GLAPIENTRY glEnable(GLenum capability)
{
    gl.enable(capability);
    quendrelApplyRenderState();
}

void GLAPIENTRY glDepthFunc(GLenum func)
{
    gl.depthFunc(func);
    quendrelApplyRenderState();
}

void GLAPIENTRY glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    gl.viewport(x, y, width, height);
    quendrelApplyRenderState();
}

void GLAPIENTRY glClear(GLbitfield mask) { webglClear(mask); }

// WebGL interpolates colours smoothly and perspective-correctly, which is
// what the program asks for here; it never asks for flat shading.
void GLAPIENTRY glShadeModel(GLenum /*mode*/) {}
void GLAPIENTRY glHint(GLenum /*target*/, GLenum /*mode*/) {}

void GLAPIENTRY glMatrixMode(GLenum mode) { gl.matrixMode(mode); }
void GLAPIENTRY glLoadIdentity() { gl.loadIdentity(); }
void GLAPIENTRY glPushMatrix() { gl.pushMatrix(); }
void GLAPIENTRY glPopMatrix() { gl.popMatrix(); }
void GLAPIENTRY glTranslatef(GLfloat x, GLfloat y, GLfloat z) { gl.translate(x, y, z); }

void GLAPIENTRY glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    gl.rotate(angle, x, y, z);
}

void GLAPIENTRY gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    gl.perspective(fovy, aspect, zNear, zFar);
}

void GLAPIENTRY glBegin(GLenum mode) { gl.begin(mode); }
void GLAPIENTRY glColor3f(GLfloat red, GLfloat green, GLfloat blue) { gl.colour(red, green, blue); }

void GLAPIENTRY glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    if (gl.batchFull()) {
        drawBatch();
    }
    gl.vertex(x, y, z);
}

void GLAPIENTRY glEnd()
{
    gl.end();
    drawBatch();
}
