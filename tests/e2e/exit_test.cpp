// How the process ends: Escape exits with status 0, also with a shot in the
// air; with no reachable display the toolkit reports it and the status is
// non-zero, never a crash signal.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "quendrel_fixture.h"

namespace {

class Escape : public QuendrelOnScreen {};

TEST_F(Escape, EndsTheProcessWithStatusZero) { expectCleanExitOnEscape(); }

TEST_F(Escape, EndsItAlsoWhileAShotFlies)
{
    press(XK_space);
    runFrames(4);
    ASSERT_GT(strayPixels(1.5, 0).first, 0) << "no shot in flight";
    expectCleanExitOnEscape();
}

// Runs the program with no DISPLAY and these arguments: the toolkit must end
// it, not a signal, with a non-zero status and this message in its output.
void expectNoDisplay(const std::vector<std::string>& arguments, const std::string& message)
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
    const auto end = ChildProcess(options).waitForEnd(std::chrono::seconds(10));
    std::ostringstream output;
    output << std::ifstream(log).rdbuf();
    std::remove(log.c_str());
    ASSERT_TRUE(end.has_value()) << "still running without a display";
    EXPECT_TRUE(end->exited) << "ended by signal " << end->code;
    EXPECT_NE(end->code, 0);
    EXPECT_NE(output.str().find(message), std::string::npos) << output.str();
}

TEST(BadEnvironment, NoDisplayOrAServerThatHasGoneEndsWithTheToolkitsErrorAndStatus)
{
    expectNoDisplay({}, "failed to open display");
    std::string display;
    {
        VirtualScreen gone(320, 240);
        display = gone.display();
    }
    expectNoDisplay({"-display", display}, "failed to open display '" + display + "'");
}

} // namespace
