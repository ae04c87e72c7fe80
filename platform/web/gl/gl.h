// The part of GL 1.x, GLU and GLUT that Marel calls, as the browser build
// provides it (gl/gl_layer.cpp, toolkit/toolkit.cpp) on WebGL.
// The functions have C++ linkage on purpose: Emscripten's own GLUT and
// WebGL bindings use the same names with C linkage, so any entry point this
// layer lacks is an undefined symbol at link time, never a silent fallback.
#pragma once

using GLenum = unsigned int;
using GLboolean = unsigned char;
using GLbitfield = unsigned int;
using GLint = int;
using GLsizei = int;
using GLfloat = float;
using GLdouble = double;

constexpr GLboolean GL_FALSE = 0;
constexpr GLboolean GL_TRUE = 1;

constexpr GLenum GL_LINES = 0x0001;
constexpr GLenum GL_QUADS = 0x0007;

constexpr GLbitfield GL_DEPTH_BUFFER_BIT = 0x00000100;
constexpr GLbitfield GL_COLOR_BUFFER_BIT = 0x00004000;

constexpr GLenum GL_POINT_SMOOTH = 0x0B10;
constexpr GLenum GL_LINE_SMOOTH = 0x0B20;
constexpr GLenum GL_LIGHTING = 0x0B50;
constexpr GLenum GL_LIGHT_MODEL_TWO_SIDE = 0x0B52;
constexpr GLenum GL_DEPTH_TEST = 0x0B71;
constexpr GLenum GL_POINT_SMOOTH_HINT = 0x0C51;
constexpr GLenum GL_LINE_SMOOTH_HINT = 0x0C52;
constexpr GLenum GL_NICEST = 0x1102;
constexpr GLenum GL_AMBIENT = 0x1200;
constexpr GLenum GL_DIFFUSE = 0x1201;
constexpr GLenum GL_SPECULAR = 0x1202;
constexpr GLenum GL_POSITION = 0x1203;
constexpr GLenum GL_SHININESS = 0x1601;
constexpr GLenum GL_EMISSION = 0x1600;
constexpr GLenum GL_FRONT = 0x0404;
constexpr GLenum GL_BACK = 0x0405;
constexpr GLenum GL_FRONT_AND_BACK = 0x0408;
constexpr GLenum GL_MODELVIEW = 0x1700;
constexpr GLenum GL_PROJECTION = 0x1701;
constexpr GLenum GL_FLAT = 0x1D00;
constexpr GLenum GL_SMOOTH = 0x1D01;
constexpr GLenum GL_LIGHT0 = 0x4000;

void glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a);
void glClear(GLbitfield mask);
void glEnable(GLenum cap);
void glDisable(GLenum cap);
void glHint(GLenum target, GLenum mode);
void glShadeModel(GLenum mode);
void glDepthMask(GLboolean flag);
void glLineWidth(GLfloat width);
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void glFinish();

void glMatrixMode(GLenum mode);
void glLoadIdentity();
void glPushMatrix();
void glPopMatrix();
void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar);

void glLightModeli(GLenum pname, GLint param);
void glLightfv(GLenum light, GLenum pname, const GLfloat* params);
void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params);

void glBegin(GLenum mode);
void glEnd();
void glNormal3f(GLfloat x, GLfloat y, GLfloat z);
void glColor3f(GLfloat r, GLfloat g, GLfloat b);
void glColor4fv(const GLfloat* rgba);
void glVertex3f(GLfloat x, GLfloat y, GLfloat z);
void glVertex3fv(const GLfloat* xyz);
void glRasterPos2i(GLint x, GLint y);

void gluPerspective(GLdouble fovyDegrees, GLdouble aspect, GLdouble zNear, GLdouble zFar);
void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY, GLdouble centreZ,
               GLdouble upX, GLdouble upY, GLdouble upZ);

// GLUT: the font handles are opaque numbers, as in freeglut's header.
#define GLUT_BITMAP_9_BY_15 (reinterpret_cast<void*>(2))
#define GLUT_BITMAP_8_BY_13 (reinterpret_cast<void*>(3))
#define GLUT_BITMAP_TIMES_ROMAN_10 (reinterpret_cast<void*>(4))
#define GLUT_BITMAP_TIMES_ROMAN_24 (reinterpret_cast<void*>(5))
#define GLUT_BITMAP_HELVETICA_10 (reinterpret_cast<void*>(6))
#define GLUT_BITMAP_HELVETICA_12 (reinterpret_cast<void*>(7))
#define GLUT_BITMAP_HELVETICA_18 (reinterpret_cast<void*>(8))

constexpr unsigned int GLUT_RGB = 0;
constexpr unsigned int GLUT_DOUBLE = 2;
constexpr unsigned int GLUT_DEPTH = 16;
constexpr int GLUT_LEFT_BUTTON = 0;
constexpr int GLUT_MIDDLE_BUTTON = 1;
constexpr int GLUT_RIGHT_BUTTON = 2;
constexpr int GLUT_DOWN = 0;
constexpr int GLUT_UP = 1;
constexpr int GLUT_LEFT = 0;
constexpr int GLUT_ENTERED = 1;
constexpr int GLUT_CURSOR_INHERIT = 100;
constexpr int GLUT_CURSOR_NONE = 101;

constexpr GLenum GLUT_WINDOW_X = 100;
constexpr GLenum GLUT_WINDOW_Y = 101;
constexpr GLenum GLUT_WINDOW_WIDTH = 102;
constexpr GLenum GLUT_WINDOW_HEIGHT = 103;
constexpr GLenum GLUT_SCREEN_WIDTH = 200;
constexpr GLenum GLUT_SCREEN_HEIGHT = 201;
constexpr GLenum GLUT_INIT_WINDOW_WIDTH = 502;
constexpr GLenum GLUT_INIT_WINDOW_HEIGHT = 503;

void glutInit(int* argc, char** argv);
void glutInitDisplayMode(unsigned int mode);
void glutInitWindowSize(int width, int height);
void glutInitWindowPosition(int x, int y);
int glutCreateWindow(const char* title);
int glutGet(GLenum what);
void glutSetCursor(int cursor);
void glutWarpPointer(int x, int y);
void glutSwapBuffers();
void glutBitmapCharacter(void* font, int character);
void glutMainLoop();

void glutDisplayFunc(void (*callback)());
void glutIdleFunc(void (*callback)());
void glutReshapeFunc(void (*callback)(int width, int height));
void glutKeyboardFunc(void (*callback)(unsigned char key, int x, int y));
void glutMouseFunc(void (*callback)(int button, int state, int x, int y));
void glutMotionFunc(void (*callback)(int x, int y));
void glutPassiveMotionFunc(void (*callback)(int x, int y));
void glutEntryFunc(void (*callback)(int state));
