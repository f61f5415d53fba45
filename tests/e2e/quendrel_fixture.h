// The end-to-end fixture: the built quendrel on its own Xvfb (1024x768x24,
// Mesa's software renderer), held frame by frame through the pacer, ended with
// its server by process id when the test ends, passed or failed.
#pragma once

#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <memory>
#include <string>
#include <utility>

#include "program_session.h"
#include "screen_probes.h"

SessionOptions quendrelOptions();

class QuendrelOnScreen : public testing::Test {
  protected:
    void SetUp() override { programSession = std::make_unique<ProgramSession>(sessionOptions()); }
    virtual SessionOptions sessionOptions() { return quendrelOptions(); }
    void TearDown() override { programSession.reset(); }

    ProgramSession& session() { return *programSession; }
    WindowRect window() { return programSession->windowRect(); }
    // Lets the program draw `count` frames and hold in the last one.
    void runFrames(int count)
    {
        ASSERT_TRUE(programSession->frames().runFrames(count)) << "no frame";
    }
    void press(KeySym key) { programSession->tapKey(key); }
    // Presses Escape: the program must then end by itself within 10 s, with status 0.
    void expectCleanExitOnEscape();

    // The cube's pixels in the frame on screen.
    PixelSet cube();
    // Pixels that are not background, away from a cube drawn at (x, y): their
    // count, and where the first is and what it shows.
    std::pair<int, std::string> strayPixels(double cubeX, double cubeY);
    void expectNothingBesidesCube(double cubeX, double cubeY, const std::string& context)
    {
        const auto [count, first] = strayPixels(cubeX, cubeY);
        EXPECT_EQ(count, 0) << context << "; first " << first;
    }
    // Fails unless the cube's centre is within `slack` pixels of where the
    // scene point (x, y) lands.
    void expectCubeAt(double sceneX, double sceneY, double slack);

  private:
    std::unique_ptr<ProgramSession> programSession;
};
