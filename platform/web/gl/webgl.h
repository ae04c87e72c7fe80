// The one place that talks to WebGL: a context on the page's canvas, one
// shader pair that draws already-lit, already-transformed triangles, and the
// few pieces of state that reach the GPU. Everything that GL 1.x computes per
// vertex is done by the layer above (gl_layer.cpp) on the CPU.
#pragma once

constexpr int WEBGL_VERTEX_FLOATS = 8;  // clip-space x, y, z, w, then r, g, b, a

// Makes the context on the canvas with the given CSS selector, compiles the
// shaders, makes the vertex buffer and draws one discarded triangle, so that
// the first real frame does not pay for the pipeline's preparation. False when
// the browser gives no WebGL.
bool webglCreate(const char* canvasSelector);

// False while the context is lost (and before it is made): drawing is dropped.
bool webglReady();

void webglViewport(int x, int y, int width, int height);
void webglDepthState(bool test, bool writes);
void webglClear(bool colour, bool depth, const float clearColour[4]);
// Draws `vertexCount` vertices as separate triangles.
void webglDrawTriangles(const float* vertices, int vertexCount);
void webglFinish();
