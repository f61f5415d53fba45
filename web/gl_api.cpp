// The GL and GLU entry points the program calls, over the layer's GL state
// (gl_state.h) and WebGL (webgl.h). The render state set here is kept, so that
// a restored WebGL context gets it again.
#include <GL/gl.h>
#include <GL/glu.h>
#include <emscripten/emscripten.h>

#include "gl_state.h"
#include "webgl.h"

namespace {

weblayer::GlState gl;

struct RenderState {
    float clearColour[4] = {0, 0, 0, 0};
    float clearDepth = 1;
    bool depthTest = false;
    unsigned depthFunc = GL_LESS;
    int viewport[4] = {0, 0, 0, 0};
};
RenderState renderState;

static_assert(sizeof(weblayer::ClipVertex) == 7 * sizeof(float),
              "clip vertices go to WebGL as 7 packed floats");

void drawBatch()
{
    webglDrawTriangles(&gl.batch()[0].position[0], gl.batchSize());
    gl.clearBatch();
}

} // namespace

// Called by webgl.js once a lost context is back and its shader and buffer
// are made again.
extern "C" EMSCRIPTEN_KEEPALIVE void quendrelRestoreRenderState()
{
    const RenderState& s = renderState;
    webglClearColor(s.clearColour[0], s.clearColour[1], s.clearColour[2], s.clearColour[3]);
    webglClearDepth(s.clearDepth);
    webglSetCapability(GL_DEPTH_TEST, s.depthTest);
    webglDepthFunc(s.depthFunc);
    webglViewport(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3]);
}

void GLAPIENTRY glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha)
{
    renderState.clearColour[0] = red;
    renderState.clearColour[1] = green;
    renderState.clearColour[2] = blue;
    renderState.clearColour[3] = alpha;
    webglClearColor(red, green, blue, alpha);
}

void GLAPIENTRY glClearDepth(GLclampd depth)
{
    renderState.clearDepth = static_cast<float>(depth);
    webglClearDepth(renderState.clearDepth);
}

void GLAPIENTRY glClear(GLbitfield mask) { webglClear(mask); }

void GLAPIENTRY glEnable(GLenum capability)
{
    // Without lighting, colour material changes nothing: only the depth test
    // has a WebGL counterpart.
    if (capability == GL_DEPTH_TEST) {
        renderState.depthTest = true;
        webglSetCapability(capability, true);
    }
}

void GLAPIENTRY glDepthFunc(GLenum func)
{
    renderState.depthFunc = func;
    webglDepthFunc(func);
}

// WebGL interpolates colours smoothly and perspective-correctly, which is
// what the program asks for here; it never asks for flat shading.
void GLAPIENTRY glShadeModel(GLenum /*mode*/) {}
void GLAPIENTRY glHint(GLenum /*target*/, GLenum /*mode*/) {}

void GLAPIENTRY glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    renderState.viewport[0] = x;
    renderState.viewport[1] = y;
    renderState.viewport[2] = width;
    renderState.viewport[3] = height;
    webglViewport(x, y, width, height);
}

void GLAPIENTRY glMatrixMode(GLenum mode)
{
    gl.current = mode == GL_PROJECTION ? &gl.projection : &gl.modelView;
}

void GLAPIENTRY glLoadIdentity() { gl.current->top() = weblayer::identityMatrix; }
void GLAPIENTRY glPushMatrix() { gl.current->push(); }
void GLAPIENTRY glPopMatrix() { gl.current->pop(); }

void GLAPIENTRY glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    weblayer::translate(gl.current->top(), x, y, z);
}

void GLAPIENTRY glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    weblayer::rotate(gl.current->top(), angle, x, y, z);
}

void GLAPIENTRY gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    weblayer::perspective(gl.current->top(), fovy, aspect, zNear, zFar);
}

void GLAPIENTRY glBegin(GLenum mode)
{
    gl.begin(mode == GL_QUADS       ? weblayer::Primitive::quads
             : mode == GL_TRIANGLES ? weblayer::Primitive::triangles
                                    : weblayer::Primitive::none);
}

void GLAPIENTRY glColor3f(GLfloat red, GLfloat green, GLfloat blue)
{
    gl.colour = {red, green, blue};
}

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
