// The GL calls the program makes, read from the recording double: start-up
// with its render state, the projection, and the frames with and without a shot.
#include <gtest/gtest.h>

#include <GL/glut.h>

#include <array>
#include <cmath>

#include "app/render_setup.h"
#include "input/keys.h"
#include "scene/frame.h"
#include "test_support.h"

int quendrelMain(int argc, char** argv);

namespace {

using gldouble::call;

// A corner or a colour, x y z or r g b.
using Point = std::array<double, 3>;

Point pointOf(const gldouble::Call& c) { return {c.args[0], c.args[1], c.args[2]}; }

Point minus(const Point& a, const Point& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

Point cross(const Point& a, const Point& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double dot(const Point& a, const Point& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// True when the polygon's first three corners turn counter-clockwise seen from
// outside a solid centred on the origin, i.e. its normal points away from it.
bool facesOutward(const Point& a, const Point& b, const Point& c)
{
    const Point normal = cross(minus(b, a), minus(c, a));
    const Point centre{(a[0] + b[0] + c[0]) / 3, (a[1] + b[1] + c[1]) / 3,
                       (a[2] + b[2] + c[2]) / 3};
    return dot(normal, centre) > 0;
}

void expectCall(int index, const char* name, std::initializer_list<double> args)
{
    ASSERT_TRUE(isCall(index, name)) << "call " << index << " is not " << name;
    int arg = 0;
    for (double expected : args) {
        EXPECT_EQ(call(index).args[arg], expected) << name << " argument " << arg;
        ++arg;
    }
}

TEST(Startup, PlacesTheCubeOpensTheWindowSetsTheRenderStateAndRegistersInOrder)
{
    gldouble::reset();
    scene = SceneState{};
    char program[] = "quendrel";
    char toolkitOption[] = "-sync";
    char* argv[] = {program, toolkitOption, nullptr};

    EXPECT_EQ(quendrelMain(2, argv), 0);

    EXPECT_EQ(scene.cubeX, 1.5f);
    EXPECT_EQ(scene.cubeY, 0.0f);
    EXPECT_EQ(scene.cubeZ, -30.0f);
    EXPECT_TRUE(scene.shotArmed);
    EXPECT_FALSE(scene.shotActive);

    ASSERT_EQ(gldouble::callCount(), 18);
    expectCall(0, "glutInit", {});
    expectCall(1, "glutInitDisplayMode", {GLUT_DOUBLE | GLUT_RGB | GLUT_DEPTH});
    expectCall(2, "glutInitWindowSize", {500, 500});
    expectCall(3, "glutCreateWindow", {});
    expectCall(4, "glutFullScreen", {});
    // The render state, set once, in order, with nothing else touched.
    expectCall(5, "glShadeModel", {GL_SMOOTH});
    expectCall(6, "glClearColor", {0.0, 0.0, 0.0, 0.5});
    expectCall(7, "glClearDepth", {1.0});
    expectCall(8, "glEnable", {GL_DEPTH_TEST});
    expectCall(9, "glDepthFunc", {GL_LEQUAL});
    expectCall(10, "glEnable", {GL_COLOR_MATERIAL});
    expectCall(11, "glHint", {GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST});
    // The callbacks, then the loop.
    expectCall(12, "glutDisplayFunc", {});
    expectCall(13, "glutReshapeFunc", {});
    expectCall(14, "glutKeyboardFunc", {});
    expectCall(15, "glutSpecialFunc", {});
    expectCall(16, "glutIdleFunc", {});
    expectCall(17, "glutMainLoop", {});

    EXPECT_STREQ(gldouble::toolkit.windowTitle, "Quendrel");
    // The arguments go to the toolkit whole.
    EXPECT_EQ(gldouble::toolkit.initArgv, argv);
    ASSERT_NE(gldouble::toolkit.initArgc, nullptr);
    EXPECT_EQ(gldouble::toolkit.display, &renderFrame);
    EXPECT_EQ(gldouble::toolkit.idle, &renderFrame);
    EXPECT_EQ(gldouble::toolkit.reshape, &handleReshape);
    EXPECT_EQ(gldouble::toolkit.keyboard, &handleKey);
    EXPECT_EQ(gldouble::toolkit.special, &handleSpecialKey);
}

TEST(Reshape, FitsViewportAndPerspectiveAndLeavesModelViewCurrent)
{
    const struct {
        int width;
        int height;
        int viewportHeight;
        double aspect;
    } sizes[] = {
        {1024, 768, 768, 1024.0 / 768.0},
        {500, 500, 500, 1.0},
        {640, 1, 1, 640.0},
        {640, 0, 1, 640.0}, // a zero height is taken as 1
    };
    for (const auto& size : sizes) {
        startScene();
        const SceneState before = scene;
        handleReshape(size.width, size.height);
        ASSERT_EQ(gldouble::callCount(), 6);
        expectCall(0, "glViewport", {0, 0, double(size.width), double(size.viewportHeight)});
        expectCall(1, "glMatrixMode", {GL_PROJECTION});
        expectCall(2, "glLoadIdentity", {});
        expectCall(3, "gluPerspective", {45.0, size.aspect, double(0.1f), 100.0});
        expectCall(4, "glMatrixMode", {GL_MODELVIEW});
        expectCall(5, "glLoadIdentity", {});
        EXPECT_EQ(sceneFields(scene), sceneFields(before));
    }
}

TEST(Frame, FirstFrameClearsDrawsTheCubeUnturnedAndSwaps)
{
    startScene();
    renderFrame();

    expectCall(0, "glClear", {GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT});
    expectCall(1, "glLoadIdentity", {});
    expectCall(2, "glTranslatef", {1.5, 0.0, -30.0});
    // Angle 0 about the zero axis, handed to GL as it stands.
    expectCall(3, "glRotatef", {0.0, 0.0, 0.0, 0.0});
    expectCall(4, "glBegin", {GL_QUADS});
    const int last = gldouble::callCount() - 1;
    expectCall(last, "glutSwapBuffers", {});
    expectCall(last - 1, "glEnd", {});
    EXPECT_EQ(frameFault(loggedCalls(), false), "");

    // The next frames turn a degree further each about the grown axis.
    gldouble::reset();
    renderFrame();
    expectCall(3, "glRotatef", {1.0, double(1.1f), double(1.1f), double(0.1f)});
    gldouble::reset();
    renderFrame();
    expectCall(3, "glRotatef",
               {2.0, double(1.1f + 1.1f), double(1.1f + 1.1f), double(0.1f + 0.1f)});
}

TEST(Frame, CubeIsSixFlatColouredFacesInOrderWoundOutward)
{
    startScene();
    renderFrame();

    const Point faceColours[] = {
        {0, 1, 0},   // top: green
        {1, 0.5, 0}, // bottom: orange
        {1, 0, 0},   // front: red
        {1, 1, 0},   // back: yellow
        {0, 0, 1},   // left: blue
        {1, 0, 1},   // right: magenta
    };
    const Point faceNormals[] = {{0, 1, 0},  {0, -1, 0}, {0, 0, 1},
                                 {0, 0, -1}, {-1, 0, 0}, {1, 0, 0}};

    // The frame check has placed each face's colour and its four corners.
    ASSERT_EQ(frameFault(loggedCalls(), false), "");
    for (int face = 0, at = gldouble::find("glBegin") + 1; face < 6; ++face, at += 5) {
        EXPECT_EQ(pointOf(call(at)), faceColours[face]) << "face " << face;
        std::array<Point, 4> corners{};
        for (int corner = 0; corner < 4; ++corner) {
            const Point& place = corners[corner] = pointOf(call(at + 1 + corner));
            // Every corner of the unit cube, on its face's plane.
            EXPECT_EQ(dot(place, faceNormals[face]), 0.5) << "face " << face;
            EXPECT_EQ(std::abs(place[0]) + std::abs(place[1]) + std::abs(place[2]), 1.5);
        }
        EXPECT_TRUE(facesOutward(corners[0], corners[1], corners[2])) << "face " << face;
        EXPECT_TRUE(facesOutward(corners[0], corners[2], corners[3])) << "face " << face;
    }
}

TEST(Frame, PyramidIsFourOutwardSidesWithCornerColours)
{
    startScene();
    handleKey(' ', 0, 0);
    renderFrame();

    const Point red{1, 0, 0};
    const Point green{0, 1, 0};
    const Point blue{0, 0, 1};
    // The frame check has placed the pyramid first, a colour before each corner.
    ASSERT_EQ(frameFault(loggedCalls(), true), "");
    for (int side = 0, at = gldouble::find("glBegin") + 1; side < 4; ++side) {
        std::array<Point, 3> corners{};
        for (int corner = 0; corner < 3; ++corner, at += 2) {
            const Point& place = corners[corner] = pointOf(call(at + 1));
            // Apex red; base corners green and blue, alternating round the base.
            const Point& expected = place[1] > 0 ? red : place[0] * place[2] < 0 ? green : blue;
            EXPECT_EQ(pointOf(call(at)), expected) << side << "/" << corner;
        }
        EXPECT_EQ(corners[0][1], 1.0) << "apex first, side " << side;
        // The solid is centred 1/3 below the shot's origin: test against that.
        const Point below{0, -1.0 / 3, 0};
        EXPECT_TRUE(facesOutward(minus(corners[0], below), minus(corners[1], below),
                                 minus(corners[2], below)))
            << side;
    }
}

TEST(Frame, AShotRisesFromTheTruncatedCubeTo16SpinningBeforeTheCubeThenRearms)
{
    startScene();
    handleKey(' ', 250, 250);
    // The frame drawn at 16 ends the flight and still restores the matrix.
    for (int height = 0; height <= 16; ++height) {
        gldouble::reset();
        renderFrame();
        expectCall(0, "glClear", {GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT});
        expectCall(1, "glLoadIdentity", {});
        expectCall(2, "glPushMatrix", {});
        expectCall(3, "glTranslatef", {1.0, double(height), -30.0});
        expectCall(4, "glRotatef", {15.0 * height, 0.0, 1.0, 0.0});
        expectCall(5, "glBegin", {GL_TRIANGLES});
        EXPECT_EQ(frameFault(loggedCalls(), true), "") << "height " << height;
    }
    EXPECT_FALSE(scene.shotActive);
    EXPECT_TRUE(scene.shotArmed);
    EXPECT_EQ(scene.shotAngle, 17 * 15.0f);

    gldouble::reset();
    renderFrame();
    EXPECT_EQ(frameFault(loggedCalls(), false), "");
}

} // namespace
