// Every call between the page's JavaScript and the layer's C++, both ways:
// into WebGL (web/webgl.js), into the page (web/page.js), and the program's
// entry points the page calls back. Enum values are GL's own, which WebGL
// shares.
#pragma once

#include <emscripten/emscripten.h>

#include <cstddef>

extern "C" {
// web/webgl.js. Makes the context on the page's canvas, with a depth buffer
// and an alpha channel only if asked, and the shader and the vertex buffer,
// which holds maxVertices; false without WebGL. The context's loss and
// restoration are handled beside it.
bool webglCreate(bool depth, bool alpha, std::size_t maxVertices);
void webglClearColor(float red, float green, float blue, float alpha);
void webglClearDepth(float depth);
void webglClear(unsigned mask);
void webglSetCapability(unsigned capability, bool on);
void webglDepthFunc(unsigned func);
void webglViewport(int x, int y, int width, int height);
// Draws triangles from interleaved clip-space positions (4 floats) and
// colours (3 floats), 7 floats a vertex, at most maxVertices of them.
void webglDrawTriangles(const float* vertices, std::size_t vertexCount);

// web/page.js. The window's title and canvas; then a key the page passes on
// by the name the browser gives it (KeyboardEvent.key), as a GLUT special key
// or a character; then frames and input until the program ends.
void pageOpen(const char* title);
void pageNameKey(const char* name, int code, bool special);
void pageRun();

// The program, called by the page: one frame at the drawing buffer's size;
// a key with the pointer in drawing-buffer pixels; the render state again
// once a lost context is back.
EMSCRIPTEN_KEEPALIVE void quendrelFrame(int width, int height);
EMSCRIPTEN_KEEPALIVE void quendrelKey(int code, bool special, int x, int y);
EMSCRIPTEN_KEEPALIVE void quendrelApplyRenderState();
}
