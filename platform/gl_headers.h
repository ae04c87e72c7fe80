// The GL, GLU and GLUT declarations, from wherever the platform keeps them. The
// program uses only the standard GLUT interface, so any GLUT serves (freeglut's
// <GL/glut.h> on Linux and the BSDs, the system framework on Apple).
#pragma once

#if defined(__APPLE__)
#include <GLUT/glut.h>  // brings <OpenGL/gl.h> and <OpenGL/glu.h>
#else
#include <GL/glut.h>  // brings <GL/gl.h> and <GL/glu.h>
#endif
