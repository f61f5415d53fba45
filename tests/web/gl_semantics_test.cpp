// The web layer's GL and GLU semantics held against Mesa's. The program's own
// calls in handleReshape and renderFrame, recorded by the GL double, are
// replayed into Mesa's off-screen renderer (OSMesa, with GLU) and into the
// layer's GlState: the matrices must agree, and so must the triangles Mesa's
// feedback mode reports and those the layer assembles for WebGL.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glut.h>
#include <GL/osmesa.h>
#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/render_setup.h"
#include "gl_state.h"
#include "input/keys.h"
#include "scene/frame.h"
#include "test_support.h"

// Mesa's off-screen renderer keeps some allocations of its own to the end of
// the process: a sanitizer build's leak check is for this program's code.
// NOLINTNEXTLINE(bugprone-reserved-identifier,readability-identifier-naming)
extern "C" const char* __lsan_default_suppressions() { return "leak:libOSMesa.so\n"; }

namespace {

using weblayer::GlState;
using weblayer::Matrix;

// Mesa and its GLU, loaded under their own names: the double defines the
// program's entry points in this executable. OSMesa is loaded globally, so
// that GLU's own GL calls reach it.
struct Mesa {
    void* osmesa = dlopen(QUENDREL_OSMESA_LIBRARY, RTLD_NOW | RTLD_GLOBAL);
    void* glu = dlopen(QUENDREL_GLU_LIBRARY, RTLD_NOW | RTLD_LOCAL);

    template <typename F>
    F load(const char* name) const
    {
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): dlsym returns void*
        return reinterpret_cast<F>(dlsym(std::strncmp(name, "glu", 3) == 0 ? glu : osmesa, name));
    }
// NOLINTNEXTLINE(cppcoreguidelines-macro-usage,bugprone-macro-parentheses): names a member
#define MESA_ENTRY(name) decltype(&::name) name = load<decltype(&::name)>(#name)
    MESA_ENTRY(OSMesaCreateContextExt);
    MESA_ENTRY(OSMesaMakeCurrent);
    MESA_ENTRY(glIsEnabled);
    MESA_ENTRY(glGetFloatv);
    MESA_ENTRY(glGetIntegerv);
    MESA_ENTRY(glFeedbackBuffer);
    MESA_ENTRY(glRenderMode);
#undef MESA_ENTRY

    Matrix matrix(GLenum which) const
    {
        Matrix m{};
        glGetFloatv(which, m.data());
        return m;
    }
};

// A triangle corner in window coordinates, with its colour.
struct Corner {
    float x, y, z, r, g, b;
};

// A call the double recorded, replayed into Mesa and into the layer with the same arguments,
// GL's enums among them: the layer maps them itself.
using Args = double[4];
using Replay = std::function<void(GlState&, const Args&)>;
template <typename Tuple, std::size_t... I>
Tuple arguments([[maybe_unused]] const Args& a, std::index_sequence<I...> /*indices*/)
{
    return {static_cast<std::tuple_element_t<I, Tuple>>(a[I])...};
}

template <typename... P>
std::pair<std::string, Replay> both(const Mesa& m, const char* name,
                                    void (GlState::*layerCall)(P...))
{
    const auto mesaCall = m.load<void (*)(P...)>(name);
    return {name, [=](GlState& layer, const Args& a) {
                const auto args = arguments<std::tuple<P...>>(a, std::index_sequence_for<P...>{});
                std::apply(mesaCall, args);
                std::apply(layerCall, std::tuple_cat(std::tie(layer), args));
            }};
}

// Replays the double's log into both. At each glEnd the model-view matrices
// are compared and the layer's triangles taken, in window coordinates.
class WebGlSemantics : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        ASSERT_NE(mesa().osmesa, nullptr) << dlerror();
        ASSERT_NE(mesa().glu, nullptr) << dlerror();
        static std::vector<unsigned char> pixels(std::size_t{4} * 64 * 64);
        OSMesaContext context = mesa().OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
        ASSERT_TRUE(mesa().OSMesaMakeCurrent(context, pixels.data(), GL_UNSIGNED_BYTE, 64, 64));
    }

    static Mesa& mesa()
    {
        static Mesa loaded;
        return loaded;
    }

    void SetUp() override { startScene(); }

    void replayLog()
    {
        const Mesa& m = mesa();
        const std::map<std::string, Replay> replays{
            both(m, "glMatrixMode", &GlState::matrixMode),
            both(m, "glLoadIdentity", &GlState::loadIdentity),
            both(m, "glPushMatrix", &GlState::pushMatrix),
            both(m, "glPopMatrix", &GlState::popMatrix),
            both(m, "glTranslatef", &GlState::translate),
            both(m, "glRotatef", &GlState::rotate),
            both(m, "gluPerspective", &GlState::perspective),
            both(m, "glViewport", &GlState::viewport),
            both(m, "glClearColor", &GlState::clearColour),
            both(m, "glClearDepth", &GlState::clearDepth),
            both(m, "glEnable", &GlState::enable),
            both(m, "glDepthFunc", &GlState::depthFunc),
            both(m, "glBegin", &GlState::begin),
            both(m, "glColor3f", &GlState::colour),
            both(m, "glVertex3f", &GlState::vertex),
            both(m, "glEnd", &GlState::end),
        };
        for (int i = 0; i < gldouble::callCount(); ++i) {
            const gldouble::Call& call = gldouble::call(i);
            if (const auto replay = replays.find(call.name); replay != replays.end()) {
                replay->second(layer, call.args);
            }
            if (std::strcmp(call.name, "glEnd") == 0) {
                expectMatrix(layer.modelView().top(), m.matrix(GL_MODELVIEW_MATRIX), "model-view");
                takeLayerTriangles();
            }
        }
    }

    // Window coordinates as the layer's viewport and depth range [0, 1] make
    // them, as WebGL will.
    void takeLayerTriangles()
    {
        std::array<float, 4> view{};
        std::copy(layer.renderState().viewport.begin(), layer.renderState().viewport.end(),
                  view.begin());
        for (std::size_t i = 0; i < layer.batchSize(); ++i) {
            const weblayer::ClipVertex& v = layer.batch().at(i);
            const float w = v.position[3];
            layerCorners.push_back({view[0] + (v.position[0] / w + 1) * view[2] / 2,
                                    view[1] + (v.position[1] / w + 1) * view[3] / 2,
                                    (v.position[2] / w + 1) / 2, v.colour[0], v.colour[1],
                                    v.colour[2]});
        }
        layer.clearBatch();
    }

    static void expectMatrix(const Matrix& layerMatrix, const Matrix& mesaMatrix, const char* what)
    {
        for (std::size_t i = 0; i < 16; ++i) {
            EXPECT_NEAR(layerMatrix[i], mesaMatrix[i], 2e-6 * (1 + std::abs(mesaMatrix[i])))
                << what << " element " << i;
        }
    }

    // The program's frame, replayed under Mesa's feedback mode, which reports
    // each triangle it would rasterise: the layer must assemble the same ones.
    void expectFrameAsMesa()
    {
        const bool shotFlies = scene.shotActive;
        gldouble::reset();
        renderFrame();
        std::vector<GLfloat> feedback(4096);
        mesa().glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_3D_COLOR,
                                feedback.data());
        mesa().glRenderMode(GL_FEEDBACK);
        layerCorners.clear();
        replayLog();
        const GLint used = mesa().glRenderMode(GL_RENDER);

        // Each polygon: its token, its corner count, then x y z r g b a a corner.
        std::vector<Corner> mesaCorners;
        for (auto i = feedback.begin(); i < feedback.begin() + used;) {
            ASSERT_EQ(*i++, GL_POLYGON_TOKEN);
            ASSERT_EQ(*i++, 3) << "a polygon Mesa did not split into triangles";
            for (int corner = 0; corner < 3; ++corner, i += 7) {
                mesaCorners.push_back({i[0], i[1], i[2], i[3], i[4], i[5]});
            }
        }
        // Twelve triangles for the cube, four for the shot while it flies.
        ASSERT_EQ(mesaCorners.size(), (shotFlies ? 16u : 12u) * 3);
        ASSERT_EQ(layerCorners.size(), mesaCorners.size());
        for (std::size_t i = 0; i < mesaCorners.size(); ++i) {
            const Corner& l = layerCorners[i];
            const Corner& m = mesaCorners[i];
            EXPECT_NEAR(l.x, m.x, 1e-3) << "corner " << i;
            EXPECT_NEAR(l.y, m.y, 1e-3) << "corner " << i;
            EXPECT_NEAR(l.z, m.z, 1e-5) << "corner " << i;
            EXPECT_EQ(std::tie(l.r, l.g, l.b), std::tie(m.r, m.g, m.b)) << "corner " << i;
        }

        GLint depth = 0;
        mesa().glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        EXPECT_EQ(layer.modelView().depth(), static_cast<std::size_t>(depth));
        expectMatrix(layer.modelView().top(), mesa().matrix(GL_MODELVIEW_MATRIX), "model-view");
    }

    void reshape(int width, int height)
    {
        gldouble::reset();
        handleReshape(width, height);
        replayLog();
    }

    const GlState& layerGl() const { return layer; }

  private:
    GlState layer;
    std::vector<Corner> layerCorners;
};

// Start-up's render state, then sizes with a zero height (taken as 1) and a
// zero width (a degenerate perspective, which GLU leaves out): the matrices, and
// the state WebGL is given, and given again after a lost context.
TEST_F(WebGlSemantics, RenderStateAndReshapesLeaveWhatMesaAndGluLeave)
{
    gldouble::reset();
    setupRenderState();
    replayLog();
    const int sizes[][2] = {{1024, 768}, {500, 500}, {1, 1080}, {640, 0}, {0, 0}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(::testing::Message() << size[0] << "x" << size[1]);
        reshape(size[0], size[1]);
        expectMatrix(layerGl().projection().top(), mesa().matrix(GL_PROJECTION_MATRIX),
                     "projection");
        expectMatrix(layerGl().modelView().top(), mesa().matrix(GL_MODELVIEW_MATRIX), "model-view");
        GLint mode = 0;
        mesa().glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(layerGl().modelViewIsCurrent(), mode == GL_MODELVIEW);

        const weblayer::RenderState& state = layerGl().renderState();
        std::array<GLfloat, 4> clearColour{};
        GLfloat clearDepth = 0;
        GLint depthFunc = 0;
        std::array<GLint, 4> viewport{};
        mesa().glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour.data());
        mesa().glGetFloatv(GL_DEPTH_CLEAR_VALUE, &clearDepth);
        mesa().glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
        mesa().glGetIntegerv(GL_VIEWPORT, viewport.data());
        EXPECT_EQ(state.clearColour, clearColour);
        EXPECT_EQ(state.clearDepth, clearDepth);
        EXPECT_EQ(state.depthTest, mesa().glIsEnabled(GL_DEPTH_TEST) == GL_TRUE);
        EXPECT_EQ(state.depthFunc, static_cast<unsigned>(depthFunc));
        EXPECT_EQ(state.viewport, viewport);
    }
}

// Mesa turns nothing about a zero axis, whatever the angle; the first frame
// turns by 0 about (0, 0, 0), then the axis grows. Space launches the shot,
// which saves the matrix and restores it after the cube.
TEST_F(WebGlSemantics, FramesAssembleTheTrianglesMesaDoes)
{
    reshape(1024, 768);
    scene.cubeAngle = 30.0f;
    expectFrameAsMesa();
    startScene();
    for (int frame = 1; frame <= 400; ++frame) {
        SCOPED_TRACE(::testing::Message() << "frame " << frame);
        if (frame == 3) {
            handleKey(' ', 100, 200);
        }
        if (frame == 30) {
            handleSpecialKey(GLUT_KEY_UP, 0, 0);
        }
        // Frames 1 to 12 (the shot launched in frame 3 stays in view),
        // then every 97th with the cube drifting up.
        if (frame <= 12 || frame % 97 == 0) {
            expectFrameAsMesa();
        } else {
            renderFrame();
        }
    }
}

} // namespace
