// The --wrap layer behind DrawRecording: each wrapped call records the state,
// then calls the real entry point.
#include "tests/support/draw_record.h"

#include "tests/support/polling.h"

#include "platform/gl_headers.h"

#include <cmath>
#include <sstream>
#include <utility>

namespace {

DrawRecording* active = nullptr;

void add(GlState& s, const char* name, const GLfloat* values, int n)
{
    s[name].assign(values, values + n);
}

GlState currentState()
{
    GlState s;
    static constexpr std::pair<const char*, GLenum> capabilities[] = {
        {"depth test", GL_DEPTH_TEST}, {"lighting", GL_LIGHTING},   {"light 0", GL_LIGHT0},
        {"line smooth", GL_LINE_SMOOTH}, {"point smooth", GL_POINT_SMOOTH}, {"blend", GL_BLEND},
        {"colour material", GL_COLOR_MATERIAL}, {"cull face", GL_CULL_FACE},
    };
    for (const auto& [name, capability] : capabilities) {
        s[name].assign(1, glIsEnabled(capability) ? 1.0 : 0.0);
    }
    static constexpr std::pair<const char*, GLenum> integers[] = {
        {"two-sided", GL_LIGHT_MODEL_TWO_SIDE}, {"local viewer", GL_LIGHT_MODEL_LOCAL_VIEWER},
        {"shading", GL_SHADE_MODEL}, {"depth function", GL_DEPTH_FUNC}, {"depth mask", GL_DEPTH_WRITEMASK},
        {"raster valid", GL_CURRENT_RASTER_POSITION_VALID},
    };
    for (const auto& [name, which] : integers) {
        GLint value = 0;
        glGetIntegerv(which, &value);
        s[name].assign(1, static_cast<double>(value));
    }
    static constexpr struct { const char* name; GLenum which; int n; } floats[] = {
        {"line width", GL_LINE_WIDTH, 1}, {"colour", GL_CURRENT_COLOR, 4}, {"modelview", GL_MODELVIEW_MATRIX, 16},
        {"projection", GL_PROJECTION_MATRIX, 16}, {"raster position", GL_CURRENT_RASTER_POSITION, 2},
        {"raster colour", GL_CURRENT_RASTER_COLOR, 4},
    };
    GLfloat values[16];
    for (const auto& f : floats) {
        glGetFloatv(f.which, values);
        add(s, f.name, values, f.n);
    }
    static constexpr std::pair<const char*, GLenum> faces[] = {{"front ", GL_FRONT}, {"back ", GL_BACK}};
    static constexpr std::pair<const char*, GLenum> terms[] = {
        {"ambient", GL_AMBIENT}, {"diffuse", GL_DIFFUSE}, {"specular", GL_SPECULAR}, {"shininess", GL_SHININESS}};
    for (const auto& [face, faceName] : faces) {
        for (const auto& [term, termName] : terms) {
            glGetMaterialfv(faceName, termName, values);
            add(s, (std::string(face) + term).c_str(), values, termName == GL_SHININESS ? 1 : 4);
        }
    }
    return s;
}

void record(const char* call, std::vector<double> argument = {})
{
    if (active != nullptr) {
        active->calls.push_back(DrawCall{call, currentState()});
        active->calls.back().state["argument"] = std::move(argument);
    }
}

}  // namespace

DrawRecording::DrawRecording()
{
    active = this;
}

DrawRecording::~DrawRecording()
{
    active = nullptr;
}

std::string mismatches(const GlState& seen, const GlState& expected)
{
    std::ostringstream out;
    for (const auto& [name, values] : expected) {
        const auto found = seen.find(name);
        const std::vector<double> none;
        const std::vector<double>& actual = found == seen.end() ? none : found->second;
        bool same = actual.size() == values.size();
        for (std::size_t i = 0; same && i < values.size(); ++i) {
            same = std::abs(actual[i] - values[i]) <= 1e-5 * (1.0 + std::abs(values[i]));
        }
        if (!same) {
            out << name << " = " << described(actual) << ", expected " << described(values) << "; ";
        }
    }
    return out.str();
}

// The wrapped entry points; the linker sends the program's calls here.
extern "C" {
void __real_glBegin(GLenum mode);
void __real_glLightfv(GLenum light, GLenum name, const GLfloat* values);
void __real_glRasterPos2i(GLint x, GLint y);
void __real_glutBitmapCharacter(void* font, int character);

void __wrap_glBegin(GLenum mode)
{
    record(mode == GL_QUADS ? "glBegin GL_QUADS" : mode == GL_LINES ? "glBegin GL_LINES" : "glBegin other");
    __real_glBegin(mode);
}

void __wrap_glLightfv(GLenum light, GLenum name, const GLfloat* values)
{
    if (light == GL_LIGHT0 && name == GL_POSITION) {
        record("glLightfv GL_POSITION", std::vector<double>(values, values + 4));
    }
    __real_glLightfv(light, name, values);
}

void __wrap_glRasterPos2i(GLint x, GLint y)
{
    record("glRasterPos2i", {static_cast<double>(x), static_cast<double>(y)});
    __real_glRasterPos2i(x, y);
}

void __wrap_glutBitmapCharacter(void* font, int character)
{
    record("glutBitmapCharacter", {static_cast<double>(character)});
    __real_glutBitmapCharacter(font, character);
}
}
