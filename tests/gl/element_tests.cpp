// Each element of a drawn frame (surface, axes, light, frame-rate figure)
// checked at the moment it is drawn, and the picture that state makes: the
// surface hides what lies below it, and the grid lies the right way round.
#include "tests/support/draw_record.h"
#include "tests/support/gl_window.h"

#include "camera/camera.h"
#include "render/frame.h"
#include "render/scene.h"
#include "wave/field.h"
#include "wave/source.h"

#include "platform/gl_headers.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

using ElementTest = ProgramTest;
using Floats = std::array<GLfloat, 4>;

std::vector<double> values(const float* first, int n) { return std::vector<double>(first, first + n); }
std::vector<double> values(const Matrix& m) { return std::vector<double>(m.begin(), m.end()); }

GlState with(GlState base, const GlState& more)
{
    for (const auto& [name, value] : more) {
        base[name] = value;
    }
    return base;
}

// One material on both faces, with the shininess the set-up gives both.
GlState material(const float* ambient, const float* diffuse, const float* specular)
{
    GlState s;
    for (const std::string face : {"front ", "back "}) {
        s[face + "ambient"] = values(ambient, 4);
        s[face + "diffuse"] = values(diffuse, 4);
        s[face + "specular"] = values(specular, 4);
        s[face + "shininess"] = {50.0};
    }
    return s;
}

TEST_F(ElementTest, TheSetUpAndEachElementDrawnWithTheStateSetForIt)
{
    // Spoil what the set-up is responsible for, so that each check shows its
    // doing rather than a GL default.
    const Floats black{};
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 5.0f);
    for (GLenum term : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR}) {
        glLightfv(GL_LIGHT0, term, black.data());
    }
    for (GLenum capability : {GL_LIGHTING, GL_LIGHT0, GL_DEPTH_TEST, GL_LINE_SMOOTH, GL_POINT_SMOOTH}) {
        glDisable(capability);
    }
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    glShadeModel(GL_FLAT);
    glHint(GL_LINE_SMOOTH_HINT, GL_FASTEST);
    glHint(GL_POINT_SMOOTH_HINT, GL_FASTEST);
    camera.redisplay = nullptr;
    initScene();
    EXPECT_EQ(camera.redisplay, &onDisplay);
    EXPECT_EQ(integerState(GL_LINE_SMOOTH_HINT), GL_NICEST);
    EXPECT_EQ(integerState(GL_POINT_SMOOTH_HINT), GL_NICEST);
    Floats value;
    glGetFloatv(GL_COLOR_CLEAR_VALUE, value.data());
    EXPECT_EQ(value, (Floats{0.0f, 0.0f, 0.0f, 1.0f}));
    for (GLenum term : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR}) {
        glGetLightfv(GL_LIGHT0, term, value.data());
        EXPECT_EQ(value, (Floats{1.0f, 1.0f, 1.0f, 1.0f})) << "light term 0x" << std::hex << term;
    }

    drawFrames(1);  // from the second frame on, each is lit by the light placed in the one before
    const Matrix perspective = matrix(GL_PROJECTION_MATRIX);
    DrawRecording recording;
    drawFrames(1);

    // Depth-tested throughout, one-sided smooth-shaded lighting with the
    // viewer at infinity, smoothed lines and points without blending, and
    // materials rather than colours for the lit elements.
    const GlState every{{"depth test", {1}},   {"depth function", {GL_LESS}}, {"depth mask", {1}},
                        {"light 0", {1}},      {"two-sided", {0}},            {"local viewer", {0}},
                        {"shading", {GL_SMOOTH}}, {"line smooth", {1}},       {"point smooth", {1}},
                        {"blend", {0}},        {"colour material", {0}},      {"cull face", {0}}};
    const GlState inScene = with(every, {{"lighting", {1}}, {"modelview", values(startView())},
                                         {"projection", values(perspective)}});
    const std::vector<double> white{1, 1, 1, 1};
    const float colours[3][4] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
    const float size = TEST_WINDOW_SIZE;
    const Matrix pixels{2 / size, 0, 0, 0, 0, 2 / size, 0, 0, 0, 0, -0.5, 0, -1, -1, 0, 1};  // glOrtho(0, 500, 0, 500, -2, 2)
    const GlState overlay =
        with(every, {{"lighting", {0}}, {"modelview", values(Matrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1})},
                     {"projection", values(pixels)}});

    std::map<std::string, int> counts;
    std::map<std::string, std::pair<int, std::string>> wrong;  // per call: how many, and the first
    std::vector<std::string> order;
    for (const DrawCall& drawn : recording.calls) {
        const int n = counts[drawn.call]++;
        if (order.empty() || order.back() != drawn.call) {
            order.push_back(drawn.call);
        }
        GlState expected;
        if (drawn.call == "glBegin GL_QUADS") {
            expected = with(with(inScene, material(surfaceAmbient, surfaceDiffuse, surfaceSpecular)), {{"colour", white}});
        } else if (drawn.call == "glBegin GL_LINES" && n < 3) {
            expected = with(with(inScene, material(colours[n], colours[n], colours[n])),
                            {{"colour", values(colours[n], 4)}, {"line width", {4}}});
        } else if (drawn.call == "glLightfv GL_POSITION") {
            expected = {{"modelview", values(startView())}, {"argument", {200, 200, 200, 1}}};
        } else if (drawn.call == "glRasterPos2i") {
            expected = with(overlay, {{"colour", white}});
        } else if (drawn.call == "glutBitmapCharacter") {
            expected = with(overlay, {{"raster valid", {1}}, {"raster colour", white},
                                      {"raster position", {10.0 + 9 * n, 10}}, {"argument", {'0'}}});
        }
        const std::string mismatch = mismatches(drawn.state, expected);
        if (!mismatch.empty() && wrong[drawn.call].first++ == 0) {
            wrong[drawn.call].second = mismatch;
        }
    }
    for (const auto& [call, how] : wrong) {
        ADD_FAILURE() << how.first << " of " << counts[call] << " " << call << " calls in the wrong state; the first: "
                      << how.second;
    }
    // The surface's quads, the three axes, the light placed for the next
    // frame, then the figure (0 in the first second), in that order.
    EXPECT_EQ(order, (std::vector<std::string>{"glBegin GL_QUADS", "glBegin GL_LINES", "glLightfv GL_POSITION",
                                               "glRasterPos2i", "glutBitmapCharacter"}));
    EXPECT_EQ(counts["glBegin GL_QUADS"], (GRID_SIZE - 1) * (GRID_SIZE - 1));
    EXPECT_EQ(counts["glBegin GL_LINES"], 3);
    EXPECT_EQ(counts["glutBitmapCharacter"], 1);
}

// The pixels round `p` (GL's window coordinates), 5 each way.
Box around(Point p)
{
    return fromGl(p.x - 5, p.y - 5, p.x + 6, p.y + 6);
}

// The darkest level round `p` but for the z axis's blue, which stands in the slit.
int darkestAround(const Picture& picture, Point p, int reach)
{
    int darkest = 255;
    for (int y = p.y - reach; y <= p.y + reach; ++y) {
        for (int x = p.x - reach; x <= p.x + reach; ++x) {
            const Rgb& c = picture.at(fromGl(x, y));
            darkest = isBlue(c) ? darkest : std::min(darkest, c.level());
        }
    }
    return darkest;
}

// Every cell at `level`; the steps that draw the frame hold the source row
// (at sin 0) and the barrier's cells at 0.
Picture raisedFrame(float level)
{
    for (auto& row : height) {
        std::fill(std::begin(row), std::end(row), level);
    }
    drawFrames(1);
    return readWindow();
}

float cellX(int row) { return static_cast<float>(row) * CELL_SPACING + GRID_ORIGIN; }

TEST_F(ElementTest, TheRaisedSurfaceHidesTheAxisBelowItAndShowsTheBarrierAndItsSlitAlongTheLineOfSight)
{
    const Picture picture = raisedFrame(1.0f);
    // The x axis runs 1 unit below the surface: no red where it lies, while
    // the z axis shows blue above the surface.
    for (const double x : {1.0, 2.0, 3.0}) {
        const Point p = projectFromStart(x, 0.0, 0.0);
        EXPECT_EQ(picture.count(fromGl(p.x - 4, p.y - 4, p.x + 5, p.y + 5), isRed), 0)
            << "the x axis shows at x = " << x;
    }
    const Point top = projectFromStart(0.0, 0.0, 3.0);
    EXPECT_GE(picture.count(fromGl(top.x - 3, top.y - 3, top.x + 4, top.y + 4), isBlue), 4);

    // Row 25 (x = 0) is a trench whose far wall, turned from the light, is
    // dark, but for the slit (columns 23 to 26), which stays as level as the
    // open surface round it.
    const int open = darkestAround(picture, projectFromStart(1.5, -0.1, 1.0), 1);
    EXPECT_GT(open, 150);
    for (const double y : {-3.0, -1.5, 2.0, 3.5}) {
        EXPECT_LT(darkestAround(picture, projectFromStart(0.0, y, 0.5), 5), open - 60) << "no barrier at y = " << y;
    }
    EXPECT_GT(darkestAround(picture, projectFromStart(0.0, cellX(24) + 0.1, 1.0), 1), open - 40) << "no slit";
}

TEST_F(ElementTest, ARaisedCellAndTheSourceRowShowWhereTheProjectionPutsThemNotTransposed)
{
    const Picture flat = raisedFrame(0.0f);
    resetProgramState();
    // Cells [35..36][12..13], at x = 2 and y = -2.6: changes round them, none
    // where rows and columns exchanged would put them.
    for (int r = 35; r <= 36; ++r) {
        height[r][12] = height[r][13] = 1.0f;
    }
    drawFrames(1);
    const Picture raised = readWindow();
    EXPECT_GT(flat.differences(raised, around(projectFromStart(cellX(35), cellX(12), 0.5))), 20);
    EXPECT_EQ(flat.differences(raised, around(projectFromStart(cellX(12), cellX(35), 0.0))), 0);

    // The source row (row 0, x = -5) at the crest of its pulse, 157 ms in:
    // changes along the right-hand edge as seen from the start, none along
    // the far edge (column 0, y = -5).
    resetProgramState();
    onDisplay();
    clock.set(157);
    drawFrames(1);
    const Picture pulse = readWindow();
    for (const double along : {-2.5, 0.0, 2.5}) {
        EXPECT_GT(flat.differences(pulse, around(projectFromStart(-4.9, along, 0.5))), 10)
            << "no source at y = " << along;
        EXPECT_EQ(flat.differences(pulse, around(projectFromStart(along, -4.9, 0.0))), 0)
            << "a source at x = " << along;
    }
}

}  // namespace
