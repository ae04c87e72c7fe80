// The GL, GLU and GLUT declarations, from wherever the platform keeps them. The
// program uses only the standard GLUT interface, so any GLUT serves (freeglut's
// <GL/glut.h> on Linux, the BSDs and Windows, the system framework on Apple).
// On Windows freeglut is linked statically: the build defines FREEGLUT_STATIC,
// which keeps its header from declaring the functions as DLL imports.
#pragma once

#if defined(__EMSCRIPTEN__)
#include "platform/web/gl/gl.h"  // our own subset on WebGL
#elif defined(__APPLE__)
#include <GLUT/glut.h>  // brings <OpenGL/gl.h> and <OpenGL/glu.h>
#else
#include <GL/glut.h>  // brings <GL/gl.h> and <GL/glu.h>
#endif
