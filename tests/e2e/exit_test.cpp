// How the process ends: Escape exits with status 0, also with a shot in the
// air; with no reachable display the toolkit reports it and the status is
// non-zero, never a crash signal.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "quendrel_fixture.h"

namespace {

class Escape : public QuendrelOnScreen {
  protected:
    void expectCleanExit()
    {
        session().frames().runFreely();
        const auto end = session().process().waitForEnd(std::chrono::seconds(10));
        ASSERT_TRUE(end.has_value()) << "still running 10 s after Escape";
        EXPECT_TRUE(end->exited) << "ended by signal " << end->code;
        EXPECT_EQ(end->code, 0);
    }
};

TEST_F(Escape, EndsTheProcessWithStatusZero)
{
    press(XK_Escape);
    expectCleanExit();
}

TEST_F(Escape, EndsItAlsoWhileAShotFlies)
{
    press(XK_space);
    runFrames(4);
    ASSERT_GT(strayPixels(1.5, 0).first, 0) << "no shot in flight";
    press(XK_Escape);
    expectCleanExit();
}

// Runs the program with no DISPLAY and these arguments; returns its output.
std::string runUnreachable(const std::vector<std::string>& arguments, ProcessEnd& end)
{
    const std::string log =
        testing::TempDir() + "quendrel-no-display-" + std::to_string(getpid()) + ".log";
    std::remove(log.c_str());
    EXPECT_FALSE(std::ifstream(log).is_open()) << "cannot remove an earlier " << log;
    ProcessOptions options;
    options.argv = {QUENDREL_PROGRAM};
    options.argv.insert(options.argv.end(), arguments.begin(), arguments.end());
    options.unsetEnv = {"DISPLAY"};
    options.outputPath = log;
    ChildProcess program(options);
    const auto ended = program.waitForEnd(std::chrono::seconds(10));
    EXPECT_TRUE(ended.has_value()) << "still running without a display";
    end = ended.value_or(ProcessEnd{});
    std::ostringstream output;
    output << std::ifstream(log).rdbuf();
    std::remove(log.c_str());
    return output.str();
}

TEST(BadEnvironment, NoDisplayEndsWithTheToolkitsErrorAndStatus)
{
    ProcessEnd end;
    const std::string output = runUnreachable({}, end);
    EXPECT_TRUE(end.exited) << "ended by signal " << end.code;
    EXPECT_NE(end.code, 0);
    EXPECT_NE(output.find("failed to open display"), std::string::npos) << output;
}

TEST(BadEnvironment, AServerThatHasGoneEndsTheSameWay)
{
    std::string display;
    {
        VirtualScreen gone(320, 240);
        display = gone.display();
    }
    ProcessEnd end;
    const std::string output = runUnreachable({"-display", display}, end);
    EXPECT_TRUE(end.exited) << "ended by signal " << end.code;
    EXPECT_NE(end.code, 0);
    EXPECT_NE(output.find("failed to open display '" + display + "'"), std::string::npos) << output;
}

} // namespace
