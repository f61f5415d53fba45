// The calls into WebGL, which web/webgl.js implements: the layer's only way
// to the GPU. Enum values are GL's own, which WebGL shares.
#pragma once

#include <cstddef>

extern "C" {
// Makes the context on the page's canvas, with a depth buffer and an alpha
// channel only if asked, and the shader and buffer that draw; false without
// WebGL. The context's loss and restoration are handled beside it.
bool webglCreate(bool depth, bool alpha);
void webglClearColor(float red, float green, float blue, float alpha);
void webglClearDepth(float depth);
void webglClear(unsigned mask);
void webglSetCapability(unsigned capability, bool on);
void webglDepthFunc(unsigned func);
void webglViewport(int x, int y, int width, int height);
// Draws triangles from interleaved clip-space positions (4 floats) and
// colours (3 floats), 7 floats a vertex.
void webglDrawTriangles(const float* vertices, std::size_t vertexCount);
}
