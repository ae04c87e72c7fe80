// WebGL through Emscripten's HTML5 API: context, shaders, one streaming buffer,
// and the rebuilding of all of it after a lost context is restored.
#include "platform/web/gl/webgl.h"

#include <GLES2/gl2.h>
#include <emscripten/html5.h>

namespace {

// The vertices arrive in clip space with their final colour: the vertex stage
// only hands them on, and the fragment stage writes the interpolated colour
// (smooth shading).
const char* const vertexSource =
    "attribute vec4 clipPosition;\n"
    "attribute vec4 colour;\n"
    "varying vec4 shade;\n"
    "void main() { gl_Position = clipPosition; shade = colour; }\n";
const char* const fragmentSource =
    "precision mediump float;\n"
    "varying vec4 shade;\n"
    "void main() { gl_FragColor = shade; }\n";

constexpr GLuint POSITION_ATTRIBUTE = 0;
constexpr GLuint COLOUR_ATTRIBUTE = 1;

EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
bool lost = false;
GLuint program = 0;
GLuint vertexBuffer = 0;

// What the context must be given again after it is restored.
struct KeptState {
    int viewport[4] = {0, 0, 0, 0};
    bool viewportSet = false;
    bool depthTest = false;
    bool depthWrites = true;
};
KeptState kept;

GLuint compile(GLenum kind, const char* source)
{
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

void applyKeptState()
{
    if (kept.viewportSet) {
        glViewport(kept.viewport[0], kept.viewport[1], kept.viewport[2], kept.viewport[3]);
    }
    if (kept.depthTest) {
        glEnable(GL_DEPTH_TEST);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    glDepthMask(kept.depthWrites ? GL_TRUE : GL_FALSE);
}

void buildResources()
{
    const GLuint vertexShader = compile(GL_VERTEX_SHADER, vertexSource);
    const GLuint fragmentShader = compile(GL_FRAGMENT_SHADER, fragmentSource);
    program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    glBindAttribLocation(program, POSITION_ATTRIBUTE, "clipPosition");
    glBindAttribLocation(program, COLOUR_ATTRIBUTE, "colour");
    glLinkProgram(program);
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    glUseProgram(program);

    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    constexpr GLsizei stride = WEBGL_VERTEX_FLOATS * sizeof(float);
    glEnableVertexAttribArray(POSITION_ATTRIBUTE);
    glEnableVertexAttribArray(COLOUR_ATTRIBUTE);
    glVertexAttribPointer(POSITION_ATTRIBUTE, 4, GL_FLOAT, GL_FALSE, stride, nullptr);
    glVertexAttribPointer(COLOUR_ATTRIBUTE, 4, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(4 * sizeof(float)));
    applyKeptState();

    // SwiftShader and others prepare a pipeline at its first draw, not at
    // link time: one triangle outside the clip volume, then the buffer is
    // cleared, so the first frame of the demo draws at full speed.
    static const float warmUp[3 * WEBGL_VERTEX_FLOATS] = {
        2, 2, 0, 1, 0, 0, 0, 1, 3, 2, 0, 1, 0, 0, 0, 1, 2, 3, 0, 1, 0, 0, 0, 1,
    };
    webglDrawTriangles(warmUp, 3);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFinish();
}

EM_BOOL onContextLost(int, const void*, void*)
{
    lost = true;
    return EM_TRUE;  // asks the browser to restore the context
}

EM_BOOL onContextRestored(int, const void*, void*)
{
    emscripten_webgl_make_context_current(context);
    lost = false;
    buildResources();
    return EM_TRUE;
}

}  // namespace

bool webglCreate(const char* canvasSelector)
{
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;  // 24 bits where the browser can
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    // Kept after presentation, so that the picture can be read back.
    attributes.preserveDrawingBuffer = EM_TRUE;
    attributes.majorVersion = 1;
    attributes.minorVersion = 0;
    attributes.enableExtensionsByDefault = EM_FALSE;
    context = emscripten_webgl_create_context(canvasSelector, &attributes);
    if (context <= 0) {
        context = 0;
        return false;
    }
    emscripten_webgl_make_context_current(context);
    emscripten_set_webglcontextlost_callback(canvasSelector, nullptr, EM_FALSE, onContextLost);
    emscripten_set_webglcontextrestored_callback(canvasSelector, nullptr, EM_FALSE, onContextRestored);
    buildResources();
    return true;
}

bool webglReady()
{
    return context != 0 && !lost;
}

void webglViewport(int x, int y, int width, int height)
{
    kept.viewport[0] = x;
    kept.viewport[1] = y;
    kept.viewport[2] = width;
    kept.viewport[3] = height;
    kept.viewportSet = true;
    if (webglReady()) {
        glViewport(x, y, width, height);
    }
}

void webglDepthState(bool test, bool writes)
{
    if (test == kept.depthTest && writes == kept.depthWrites) {
        return;
    }
    kept.depthTest = test;
    kept.depthWrites = writes;
    if (webglReady()) {
        applyKeptState();
    }
}

void webglClear(bool colour, bool depth, const float clearColour[4])
{
    if (!webglReady()) {
        return;
    }
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
    glClear((colour ? GL_COLOR_BUFFER_BIT : 0u) | (depth ? GL_DEPTH_BUFFER_BIT : 0u));
}

void webglDrawTriangles(const float* vertices, int vertexCount)
{
    if (!webglReady() || vertexCount <= 0) {
        return;
    }
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertexCount) * WEBGL_VERTEX_FLOATS * sizeof(float),
                 vertices, GL_STREAM_DRAW);
    glDrawArrays(GL_TRIANGLES, 0, vertexCount);
}

void webglFinish()
{
    if (webglReady()) {
        glFinish();
    }
}
