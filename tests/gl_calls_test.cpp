// The GL calls the program makes, read from the recording double: render state,
// projection, and the frames with and without a shot.
#include <gtest/gtest.h>

#include <GL/glut.h>

#include <cmath>

#include "app/render_setup.h"
#include "input/keys.h"
#include "scene/frame.h"
#include "test_support.h"

namespace {

using gldouble::call;

struct Point {
    double x;
    double y;
    double z;
};

Point pointOf(const gldouble::Call& c) { return {c.args[0], c.args[1], c.args[2]}; }

Point minus(Point a, Point b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

Point cross(Point a, Point b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double dot(Point a, Point b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// True when the polygon's first three corners turn counter-clockwise seen from
// outside a solid centred on the origin, i.e. its normal points away from it.
bool facesOutward(Point a, Point b, Point c)
{
    const Point normal = cross(minus(b, a), minus(c, a));
    const Point centre{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
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

// Index of the glBegin of the given primitive type, or -1.
int primitive(GLenum mode)
{
    for (int at = gldouble::find("glBegin"); at >= 0; at = gldouble::find("glBegin", at + 1)) {
        if (call(at).args[0] == mode) {
            return at;
        }
    }
    return -1;
}

TEST(RenderState, SetOnceInOrderWithNothingElseTouched)
{
    gldouble::reset();
    setupRenderState();
    ASSERT_EQ(gldouble::callCount(), 7);
    expectCall(0, "glShadeModel", {GL_SMOOTH});
    expectCall(1, "glClearColor", {0.0, 0.0, 0.0, 0.5});
    expectCall(2, "glClearDepth", {1.0});
    expectCall(3, "glEnable", {GL_DEPTH_TEST});
    expectCall(4, "glDepthFunc", {GL_LEQUAL});
    expectCall(5, "glEnable", {GL_COLOR_MATERIAL});
    expectCall(6, "glHint", {GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST});
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
        EXPECT_EQ(scene.cubeX, before.cubeX);
        EXPECT_EQ(scene.cubeAngle, before.cubeAngle);
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

    // The second frame turns about the grown axis.
    gldouble::reset();
    renderFrame();
    expectCall(3, "glRotatef", {1.0, double(1.1f), double(1.1f), double(0.1f)});
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

    int at = primitive(GL_QUADS) + 1;
    for (int face = 0; face < 6; ++face) {
        ASSERT_TRUE(isCall(at, "glColor3f")) << "face " << face;
        const Point colour = pointOf(call(at));
        EXPECT_EQ(colour.x, faceColours[face].x) << "face " << face;
        EXPECT_EQ(colour.y, faceColours[face].y) << "face " << face;
        EXPECT_EQ(colour.z, faceColours[face].z) << "face " << face;

        Point corners[4];
        for (Point& corner : corners) {
            ++at;
            ASSERT_TRUE(isCall(at, "glVertex3f")) << "face " << face;
            corner = pointOf(call(at));
            // Every corner of the unit cube, on its face's plane.
            EXPECT_EQ(dot(corner, faceNormals[face]), 0.5) << "face " << face;
            EXPECT_EQ(std::abs(corner.x) + std::abs(corner.y) + std::abs(corner.z), 1.5);
        }
        EXPECT_TRUE(facesOutward(corners[0], corners[1], corners[2])) << "face " << face;
        EXPECT_TRUE(facesOutward(corners[0], corners[2], corners[3])) << "face " << face;
        ++at;
    }
    EXPECT_TRUE(isCall(at, "glEnd"));
}

TEST(Frame, LaunchFrameDrawsTheShotBeforeTheCubeAndRestoresAfter)
{
    startScene();
    handleKey(' ', 300, 200);
    renderFrame();

    expectCall(0, "glClear", {GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT});
    expectCall(1, "glLoadIdentity", {});
    expectCall(2, "glPushMatrix", {});
    expectCall(3, "glTranslatef", {1.0, 0.0, -30.0});
    expectCall(4, "glRotatef", {0.0, 0.0, 1.0, 0.0});
    expectCall(5, "glBegin", {GL_TRIANGLES});
    EXPECT_EQ(frameFault(loggedCalls(), true), "");
}

TEST(Frame, PyramidIsFourOutwardSidesWithCornerColours)
{
    startScene();
    handleKey(' ', 0, 0);
    renderFrame();

    const Point red{1, 0, 0};
    const Point green{0, 1, 0};
    const Point blue{0, 0, 1};
    int at = primitive(GL_TRIANGLES) + 1;
    for (int side = 0; side < 4; ++side) {
        Point corners[3];
        for (int corner = 0; corner < 3; ++corner) {
            ASSERT_TRUE(isCall(at, "glColor3f") && isCall(at + 1, "glVertex3f")) << side;
            const Point colour = pointOf(call(at));
            corners[corner] = pointOf(call(at + 1));
            // Apex red; base corners green and blue, alternating round the base.
            const Point& expected = corners[corner].y > 0                       ? red
                                    : corners[corner].x * corners[corner].z < 0 ? green
                                                                                : blue;
            EXPECT_EQ(colour.x, expected.x) << side << "/" << corner;
            EXPECT_EQ(colour.y, expected.y) << side << "/" << corner;
            EXPECT_EQ(colour.z, expected.z) << side << "/" << corner;
            at += 2;
        }
        EXPECT_EQ(corners[0].y, 1.0) << "apex first, side " << side;
        // The solid is centred 1/3 below the shot's origin: test against that.
        const Point below{0, -1.0 / 3, 0};
        EXPECT_TRUE(facesOutward(minus(corners[0], below), minus(corners[1], below),
                                 minus(corners[2], below)))
            << side;
    }
    EXPECT_TRUE(isCall(at, "glEnd"));
}

TEST(Frame, AShotRisesFromTheTruncatedCubeTo16SpinningThenRearms)
{
    startScene();
    handleKey(' ', 250, 250);
    // The frame drawn at 16 ends the flight and still restores the matrix.
    for (int height = 0; height <= 16; ++height) {
        gldouble::reset();
        renderFrame();
        expectCall(3, "glTranslatef", {1.0, double(height), -30.0});
        expectCall(4, "glRotatef", {15.0 * height, 0.0, 1.0, 0.0});
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
