// GL 1.x and GLU as Marel uses them, on WebGL: the matrix stacks, per-vertex
// lighting with GL's equations, quads and wide lines turned into triangles,
// bitmap text, all batched so that a frame reaches WebGL in a few draws.
#include "platform/web/gl/gl.h"
#include "platform/web/gl/gl_layer.h"

#include "platform/web/font/bitmap_font.h"
#include "platform/web/gl/webgl.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int STACK_DEPTH = 32;          // GL's minimum is 32 for the modelview, 2 for the projection
constexpr int BATCH_VERTICES = 30000;    // a frame's 2,401 quads are 14,406 vertices
constexpr double PI = 3.14159265358979323846;
// Mesa draws the program's smoothed 4 px lines, without blending, with every
// fragment its coverage touches at full colour: half a pixel more on each side
// (measured under Xvfb: the z axis is 5 px wide there, as here).
constexpr float SMOOTH_LINE_FRINGE = 1.0f;  // pixels added to the width

struct Matrix {
    float m[16];  // column-major, as GL keeps it
};

constexpr Matrix IDENTITY{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

struct Stack {
    Matrix entries[STACK_DEPTH];
    int top = 0;
};

struct Colour {
    float r, g, b, a;
};

struct Material {
    Colour ambient{0.2f, 0.2f, 0.2f, 1.0f};
    Colour diffuse{0.8f, 0.8f, 0.8f, 1.0f};
    Colour specular{0.0f, 0.0f, 0.0f, 1.0f};
    Colour emission{0.0f, 0.0f, 0.0f, 1.0f};
    float shininess = 0.0f;
};

// Light 0 with GL's defaults: white diffuse and specular, no ambient, at
// (0, 0, 1, 0) in eye space: a directional light along +z. No attenuation, no spot.
struct Light {
    Colour ambient{0.0f, 0.0f, 0.0f, 1.0f};
    Colour diffuse{1.0f, 1.0f, 1.0f, 1.0f};
    Colour specular{1.0f, 1.0f, 1.0f, 1.0f};
    float eyePosition[4] = {0.0f, 0.0f, 1.0f, 0.0f};
};

constexpr Colour SCENE_AMBIENT{0.2f, 0.2f, 0.2f, 1.0f};  // GL's light-model ambient

struct Vertex {
    float clip[4];
    Colour colour;
};

struct State {
    Stack modelview;
    Stack projection;
    Stack* current = &modelview;
    bool normalMatrixStale = true;
    float normalMatrix[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};  // inverse transpose of the modelview's 3 x 3

    bool lighting = false;
    bool light0 = false;
    bool depthTest = false;
    bool depthWrites = true;
    Material front;  // two-sided lighting is off: the back material is never used
    Light light;

    Colour colour{1.0f, 1.0f, 1.0f, 1.0f};
    float normal[3] = {0.0f, 0.0f, 1.0f};
    float clearColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float lineWidth = 1.0f;
    int viewport[4] = {0, 0, 0, 0};

    GLenum primitive = 0;
    bool inPrimitive = false;
    Vertex pending[4];
    int pendingCount = 0;

    bool rasterValid = true;
    float rasterX = 0.0f;  // window pixels
    float rasterY = 0.0f;
    float rasterDepth = 0.5f;  // window depth, 0 to 1
    Colour rasterColour{1.0f, 1.0f, 1.0f, 1.0f};
};

State state;
float batch[BATCH_VERTICES * WEBGL_VERTEX_FLOATS];
int batchVertices = 0;

Matrix& top()
{
    return state.current->entries[state.current->top];
}

void matrixChanged()
{
    if (state.current == &state.modelview) {
        state.normalMatrixStale = true;
    }
}

// top = top × m
void multiply(const Matrix& m)
{
    Matrix& a = top();
    Matrix result;
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += a.m[k * 4 + row] * m.m[column * 4 + k];
            }
            result.m[column * 4 + row] = sum;
        }
    }
    a = result;
    matrixChanged();
}

void transform(const Matrix& m, const float in[4], float out[4])
{
    for (int row = 0; row < 4; ++row) {
        out[row] = m.m[row] * in[0] + m.m[4 + row] * in[1] + m.m[8 + row] * in[2] + m.m[12 + row] * in[3];
    }
}

void updateNormalMatrix()
{
    if (!state.normalMatrixStale) {
        return;
    }
    state.normalMatrixStale = false;
    const float* m = state.modelview.entries[state.modelview.top].m;
    // The upper 3 x 3, a(row, column) = m[column * 4 + row].
    const float a00 = m[0], a01 = m[4], a02 = m[8];
    const float a10 = m[1], a11 = m[5], a12 = m[9];
    const float a20 = m[2], a21 = m[6], a22 = m[10];
    const float c00 = a11 * a22 - a12 * a21, c01 = a12 * a20 - a10 * a22, c02 = a10 * a21 - a11 * a20;
    const float c10 = a02 * a21 - a01 * a22, c11 = a00 * a22 - a02 * a20, c12 = a01 * a20 - a00 * a21;
    const float c20 = a01 * a12 - a02 * a11, c21 = a02 * a10 - a00 * a12, c22 = a00 * a11 - a01 * a10;
    const float determinant = a00 * c00 + a01 * c01 + a02 * c02;
    const float s = determinant != 0.0f ? 1.0f / determinant : 0.0f;
    // The inverse's transpose is the cofactor matrix over the determinant;
    // stored row-major here: n_eye[i] = sum_j normalMatrix[i * 3 + j] * n[j].
    const float n[9] = {c00 * s, c01 * s, c02 * s, c10 * s, c11 * s, c12 * s, c20 * s, c21 * s, c22 * s};
    std::memcpy(state.normalMatrix, n, sizeof n);
}

float clamp01(float v)
{
    return std::min(1.0f, std::max(0.0f, v));
}

// GL 1.x's lighting equation for one light, an infinite viewer and the front
// material. The normal is used as given: a zero normal leaves only the
// ambient terms, as in Mesa.
Colour lightVertex(const float eye[4])
{
    updateNormalMatrix();
    const float* nm = state.normalMatrix;
    const float n[3] = {
        nm[0] * state.normal[0] + nm[1] * state.normal[1] + nm[2] * state.normal[2],
        nm[3] * state.normal[0] + nm[4] * state.normal[1] + nm[5] * state.normal[2],
        nm[6] * state.normal[0] + nm[7] * state.normal[1] + nm[8] * state.normal[2],
    };
    const Material& mat = state.front;
    float r = mat.emission.r + mat.ambient.r * SCENE_AMBIENT.r;
    float g = mat.emission.g + mat.ambient.g * SCENE_AMBIENT.g;
    float b = mat.emission.b + mat.ambient.b * SCENE_AMBIENT.b;
    if (state.light0) {
        const Light& light = state.light;
        const float* p = light.eyePosition;
        float vp[3];
        if (p[3] != 0.0f) {
            const float w = eye[3] != 0.0f ? eye[3] : 1.0f;
            vp[0] = p[0] / p[3] - eye[0] / w;
            vp[1] = p[1] / p[3] - eye[1] / w;
            vp[2] = p[2] / p[3] - eye[2] / w;
        } else {
            vp[0] = p[0];
            vp[1] = p[1];
            vp[2] = p[2];
        }
        const float vpLength = std::sqrt(vp[0] * vp[0] + vp[1] * vp[1] + vp[2] * vp[2]);
        if (vpLength > 0.0f) {
            vp[0] /= vpLength;
            vp[1] /= vpLength;
            vp[2] /= vpLength;
        }
        const float diffuse = n[0] * vp[0] + n[1] * vp[1] + n[2] * vp[2];
        r += mat.ambient.r * light.ambient.r;
        g += mat.ambient.g * light.ambient.g;
        b += mat.ambient.b * light.ambient.b;
        if (diffuse > 0.0f) {
            r += diffuse * mat.diffuse.r * light.diffuse.r;
            g += diffuse * mat.diffuse.g * light.diffuse.g;
            b += diffuse * mat.diffuse.b * light.diffuse.b;
        }
        if (diffuse != 0.0f) {
            // Infinite viewer: the half vector of the light and (0, 0, 1).
            float h[3] = {vp[0], vp[1], vp[2] + 1.0f};
            const float hLength = std::sqrt(h[0] * h[0] + h[1] * h[1] + h[2] * h[2]);
            const float nh = hLength > 0.0f ? (n[0] * h[0] + n[1] * h[1] + n[2] * h[2]) / hLength : 0.0f;
            if (nh > 0.0f) {
                const float f = mat.shininess != 0.0f ? std::pow(nh, mat.shininess) : 1.0f;
                r += f * mat.specular.r * light.specular.r;
                g += f * mat.specular.g * light.specular.g;
                b += f * mat.specular.b * light.specular.b;
            }
        }
    }
    return Colour{clamp01(r), clamp01(g), clamp01(b), clamp01(mat.diffuse.a)};
}

void putVertex(const Vertex& v)
{
    if (batchVertices == BATCH_VERTICES) {
        glLayerFlush();
    }
    float* out = batch + batchVertices * WEBGL_VERTEX_FLOATS;
    std::memcpy(out, v.clip, sizeof v.clip);
    out[4] = v.colour.r;
    out[5] = v.colour.g;
    out[6] = v.colour.b;
    out[7] = v.colour.a;
    ++batchVertices;
}

void putTriangle(const Vertex& a, const Vertex& b, const Vertex& c)
{
    if (batchVertices + 3 > BATCH_VERTICES) {
        glLayerFlush();
    }
    putVertex(a);
    putVertex(b);
    putVertex(c);
}

// A wide line as a quad of the line's width in window pixels, its corners
// moved in clip space by the pixel offsets scaled by each end's w.
void putLine(const Vertex& a, const Vertex& b)
{
    if (a.clip[3] <= 0.0f || b.clip[3] <= 0.0f || state.viewport[2] <= 0 || state.viewport[3] <= 0) {
        return;  // an end behind the eye: not drawn (the program's axes never are)
    }
    const float halfWidth = 0.5f * (state.lineWidth + SMOOTH_LINE_FRINGE);
    const float scaleX = 0.5f * static_cast<float>(state.viewport[2]);  // pixels per unit of x/w
    const float scaleY = 0.5f * static_cast<float>(state.viewport[3]);
    const float dx = (b.clip[0] / b.clip[3] - a.clip[0] / a.clip[3]) * scaleX;
    const float dy = (b.clip[1] / b.clip[3] - a.clip[1] / a.clip[3]) * scaleY;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (length == 0.0f) {
        return;
    }
    // Across the line, in units of x/w and y/w.
    const float acrossX = -dy / length * halfWidth / scaleX;
    const float acrossY = dx / length * halfWidth / scaleY;
    Vertex corners[4] = {a, a, b, b};
    corners[0].clip[0] += acrossX * a.clip[3];
    corners[0].clip[1] += acrossY * a.clip[3];
    corners[1].clip[0] -= acrossX * a.clip[3];
    corners[1].clip[1] -= acrossY * a.clip[3];
    corners[2].clip[0] -= acrossX * b.clip[3];
    corners[2].clip[1] -= acrossY * b.clip[3];
    corners[3].clip[0] += acrossX * b.clip[3];
    corners[3].clip[1] += acrossY * b.clip[3];
    putTriangle(corners[0], corners[1], corners[2]);
    putTriangle(corners[0], corners[2], corners[3]);
}

// A window-space rectangle at the raster position's depth.
void putWindowRect(float x0, float y0, float x1, float y1, const Colour& colour)
{
    const float vx = static_cast<float>(state.viewport[0]);
    const float vy = static_cast<float>(state.viewport[1]);
    const float vw = static_cast<float>(state.viewport[2]);
    const float vh = static_cast<float>(state.viewport[3]);
    const float z = state.rasterDepth * 2.0f - 1.0f;
    auto corner = [&](float x, float y) {
        return Vertex{{(x - vx) / vw * 2.0f - 1.0f, (y - vy) / vh * 2.0f - 1.0f, z, 1.0f}, colour};
    };
    const Vertex a = corner(x0, y0), b = corner(x1, y0), c = corner(x1, y1), d = corner(x0, y1);
    putTriangle(a, b, c);
    putTriangle(a, c, d);
}

void setColour(Colour& target, const GLfloat* p)
{
    target = Colour{p[0], p[1], p[2], p[3]};
}

}  // namespace

void glLayerStart(int width, int height)
{
    state.viewport[2] = width;
    state.viewport[3] = height;
    webglViewport(0, 0, width, height);
    state.modelview.entries[0] = IDENTITY;
    state.projection.entries[0] = IDENTITY;
}

void glLayerFlush()
{
    webglDepthState(state.depthTest, state.depthWrites);
    webglDrawTriangles(batch, batchVertices);
    batchVertices = 0;
}

void glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    state.clearColour[0] = clamp01(r);
    state.clearColour[1] = clamp01(g);
    state.clearColour[2] = clamp01(b);
    state.clearColour[3] = clamp01(a);
}

void glClear(GLbitfield mask)
{
    glLayerFlush();
    webglClear((mask & GL_COLOR_BUFFER_BIT) != 0, (mask & GL_DEPTH_BUFFER_BIT) != 0, state.clearColour);
}

namespace {
void setCapability(GLenum cap, bool on)
{
    switch (cap) {
    case GL_LIGHTING:
        state.lighting = on;
        break;
    case GL_LIGHT0:
        state.light0 = on;
        break;
    case GL_DEPTH_TEST:
        if (state.depthTest != on) {
            glLayerFlush();
            state.depthTest = on;
        }
        break;
    default:
        // Smoothed lines and points are kept without blending, which draws
        // them as wide as their coverage: see SMOOTH_LINE_FRINGE.
        break;
    }
}
}  // namespace

void glEnable(GLenum cap)
{
    setCapability(cap, true);
}

void glDisable(GLenum cap)
{
    setCapability(cap, false);
}

void glHint(GLenum, GLenum) {}

void glShadeModel(GLenum) {}  // smooth, the only model the program uses

void glDepthMask(GLboolean flag)
{
    const bool writes = flag != GL_FALSE;
    if (writes != state.depthWrites) {
        glLayerFlush();
        state.depthWrites = writes;
    }
}

void glLineWidth(GLfloat width)
{
    state.lineWidth = width > 0.0f ? width : state.lineWidth;
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    glLayerFlush();
    state.viewport[0] = x;
    state.viewport[1] = y;
    state.viewport[2] = width;
    state.viewport[3] = height;
    webglViewport(x, y, width, height);
}

void glFinish()
{
    glLayerFlush();
    webglFinish();
}

void glMatrixMode(GLenum mode)
{
    state.current = mode == GL_PROJECTION ? &state.projection : &state.modelview;
}

void glLoadIdentity()
{
    top() = IDENTITY;
    matrixChanged();
}

void glPushMatrix()
{
    Stack& s = *state.current;
    if (s.top + 1 < STACK_DEPTH) {
        s.entries[s.top + 1] = s.entries[s.top];
        ++s.top;
    }
}

void glPopMatrix()
{
    Stack& s = *state.current;
    if (s.top > 0) {
        --s.top;
        matrixChanged();
    }
}

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar)
{
    Matrix m = IDENTITY;
    m.m[0] = static_cast<float>(2.0 / (right - left));
    m.m[5] = static_cast<float>(2.0 / (top - bottom));
    m.m[10] = static_cast<float>(-2.0 / (zFar - zNear));
    m.m[12] = static_cast<float>(-(right + left) / (right - left));
    m.m[13] = static_cast<float>(-(top + bottom) / (top - bottom));
    m.m[14] = static_cast<float>(-(zFar + zNear) / (zFar - zNear));
    multiply(m);
}

void gluPerspective(GLdouble fovyDegrees, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    const double f = 1.0 / std::tan(fovyDegrees * PI / 360.0);
    Matrix m{};
    m.m[0] = static_cast<float>(f / aspect);
    m.m[5] = static_cast<float>(f);
    m.m[10] = static_cast<float>((zFar + zNear) / (zNear - zFar));
    m.m[11] = -1.0f;
    m.m[14] = static_cast<float>(2.0 * zFar * zNear / (zNear - zFar));
    multiply(m);
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY, GLdouble centreZ,
               GLdouble upX, GLdouble upY, GLdouble upZ)
{
    double f[3] = {centreX - eyeX, centreY - eyeY, centreZ - eyeZ};
    const double fLength = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    for (double& v : f) {
        v /= fLength;
    }
    // side = forward × up, made unit; then the true up = side × forward.
    double s[3] = {f[1] * upZ - f[2] * upY, f[2] * upX - f[0] * upZ, f[0] * upY - f[1] * upX};
    const double sLength = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    for (double& v : s) {
        v /= sLength;
    }
    const double u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
    Matrix m = IDENTITY;
    for (int i = 0; i < 3; ++i) {
        m.m[i * 4 + 0] = static_cast<float>(s[i]);
        m.m[i * 4 + 1] = static_cast<float>(u[i]);
        m.m[i * 4 + 2] = static_cast<float>(-f[i]);
    }
    multiply(m);
    Matrix t = IDENTITY;
    t.m[12] = static_cast<float>(-eyeX);
    t.m[13] = static_cast<float>(-eyeY);
    t.m[14] = static_cast<float>(-eyeZ);
    multiply(t);
}

void glLightModeli(GLenum, GLint) {}  // two-sided lighting stays off, as the program sets it

void glLightfv(GLenum light, GLenum pname, const GLfloat* params)
{
    if (light != GL_LIGHT0) {
        return;
    }
    switch (pname) {
    case GL_AMBIENT:
        setColour(state.light.ambient, params);
        break;
    case GL_DIFFUSE:
        setColour(state.light.diffuse, params);
        break;
    case GL_SPECULAR:
        setColour(state.light.specular, params);
        break;
    case GL_POSITION:
        // Kept in eye space, through the modelview current now.
        transform(state.modelview.entries[state.modelview.top], params, state.light.eyePosition);
        break;
    default:
        break;
    }
}

void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params)
{
    if (face == GL_BACK) {
        return;  // the back material is never used with two-sided lighting off
    }
    Material& m = state.front;
    switch (pname) {
    case GL_AMBIENT:
        setColour(m.ambient, params);
        break;
    case GL_DIFFUSE:
        setColour(m.diffuse, params);
        break;
    case GL_SPECULAR:
        setColour(m.specular, params);
        break;
    case GL_EMISSION:
        setColour(m.emission, params);
        break;
    case GL_SHININESS:
        m.shininess = std::min(128.0f, std::max(0.0f, params[0]));
        break;
    default:
        break;
    }
}

void glBegin(GLenum mode)
{
    state.primitive = mode;
    state.inPrimitive = true;
    state.pendingCount = 0;
}

void glEnd()
{
    state.inPrimitive = false;
    state.pendingCount = 0;
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    state.normal[0] = x;
    state.normal[1] = y;
    state.normal[2] = z;
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b)
{
    state.colour = Colour{r, g, b, 1.0f};
}

void glColor4fv(const GLfloat* rgba)
{
    setColour(state.colour, rgba);
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    if (!state.inPrimitive) {
        return;
    }
    const float object[4] = {x, y, z, 1.0f};
    float eye[4];
    transform(state.modelview.entries[state.modelview.top], object, eye);
    Vertex& v = state.pending[state.pendingCount++];
    transform(state.projection.entries[state.projection.top], eye, v.clip);
    v.colour = state.lighting ? lightVertex(eye) : state.colour;

    if (state.primitive == GL_QUADS && state.pendingCount == 4) {
        // Split along the diagonal from the first corner to the third, as Mesa
        // does (GL leaves it to the implementation); the other diagonal shades
        // the steep cells differently, seen at a grazing angle.
        putTriangle(state.pending[0], state.pending[1], state.pending[2]);
        putTriangle(state.pending[0], state.pending[2], state.pending[3]);
        state.pendingCount = 0;
    } else if (state.primitive == GL_LINES && state.pendingCount == 2) {
        putLine(state.pending[0], state.pending[1]);
        state.pendingCount = 0;
    } else if (state.pendingCount == 4) {
        state.pendingCount = 0;  // a primitive the program does not draw
    }
}

void glVertex3fv(const GLfloat* xyz)
{
    glVertex3f(xyz[0], xyz[1], xyz[2]);
}

void glRasterPos2i(GLint x, GLint y)
{
    const float object[4] = {static_cast<float>(x), static_cast<float>(y), 0.0f, 1.0f};
    float eye[4];
    float clip[4];
    transform(state.modelview.entries[state.modelview.top], object, eye);
    transform(state.projection.entries[state.projection.top], eye, clip);
    const float w = clip[3];
    // Outside the clip volume the raster position is invalid and bitmaps draw nothing.
    state.rasterValid = w > 0.0f && std::fabs(clip[0]) <= w && std::fabs(clip[1]) <= w && std::fabs(clip[2]) <= w;
    if (!state.rasterValid) {
        return;
    }
    state.rasterX = (clip[0] / w * 0.5f + 0.5f) * static_cast<float>(state.viewport[2]) + state.viewport[0];
    state.rasterY = (clip[1] / w * 0.5f + 0.5f) * static_cast<float>(state.viewport[3]) + state.viewport[1];
    state.rasterDepth = clip[2] / w * 0.5f + 0.5f;
    state.rasterColour = state.lighting ? lightVertex(eye) : state.colour;
}

void glutBitmapCharacter(void* font, int character)
{
    // Every handle draws the 9 x 15 glyphs: the program uses no other font.
    if (font == nullptr || character < 0 || character >= BITMAP_FONT_GLYPHS || !state.rasterValid) {
        return;
    }
    const BitmapGlyph& glyph = font9x15.glyphs[character];
    // As glBitmap: the bitmap's lower left at the raster position less its origin.
    const float left = std::floor(state.rasterX + static_cast<float>(glyph.xOffset));
    const float bottom = std::floor(state.rasterY + static_cast<float>(glyph.yOffset));
    for (int row = 0; row < glyph.height; ++row) {
        const uint16_t bits = font9x15.rows[glyph.firstRow + row];  // top row first, leftmost pixel in bit 15
        const float y = bottom + static_cast<float>(glyph.height - 1 - row);
        for (int column = 0; column < glyph.width;) {
            if ((bits & (0x8000u >> column)) == 0) {
                ++column;
                continue;
            }
            // A run of set pixels as one rectangle.
            int end = column;
            while (end < glyph.width && (bits & (0x8000u >> end)) != 0) {
                ++end;
            }
            putWindowRect(left + static_cast<float>(column), y, left + static_cast<float>(end), y + 1.0f,
                          state.rasterColour);
            column = end;
        }
    }
    state.rasterX += static_cast<float>(glyph.advance);
}
