// Soak: the real binary on Xvfb for a minute under a storm of random key
// presses and window resizes. It must keep drawing, its resident memory must
// not grow after the first seconds, and Escape must still end it with status 0.
#include <algorithm>
#include <iterator>
#include <random>
#include <thread>

#include "quendrel_fixture.h"

namespace {

constexpr int soakSeconds = 60;
constexpr int warmUpSeconds = 10;
constexpr long rssSlackKiB = 2048;
constexpr auto eventInterval = std::chrono::milliseconds(10);

// Every key but Escape, which would end the soak.
constexpr KeySym stormKeys[] = {XK_Left, XK_Right, XK_Up,     XK_Down, XK_space, XK_space,
                                XK_a,    XK_Z,     XK_Return, XK_F1,   XK_Prior, XK_Tab};

class Soak : public QuendrelOnScreen {};

TEST_F(Soak, SurvivesAMinuteOfKeysAndResizesWithoutGrowing)
{
    std::mt19937 random(20261208);
    ProgramSession& program = session();
    const pid_t pid = program.frames().programPid();
    program.frames().setPause(std::chrono::milliseconds(1));
    program.frames().runFreely();

    std::vector<long> rss;
    int keyEvents = 0;
    int resizes = 0;
    std::uint64_t frames = program.frames().framesShown();
    const auto start = std::chrono::steady_clock::now();
    for (int second = 1; second <= soakSeconds; ++second) {
        const auto secondEnd = start + std::chrono::seconds(second);
        while (std::chrono::steady_clock::now() < secondEnd) {
            if (random() % 20 == 0) {
                // Sizes from a single row up to the whole screen.
                const int width = 1 + static_cast<int>(random() % 1024);
                const int height = 1 + static_cast<int>(random() % 768);
                program.x().resize(program.window(), width, height);
                ++resizes;
            } else {
                program.tapKey(stormKeys[random() % std::size(stormKeys)]);
                ++keyEvents;
            }
            std::this_thread::sleep_for(eventInterval);
        }
        ASSERT_TRUE(program.process().running()) << "ended after " << second << " s";
        const std::uint64_t now = program.frames().framesShown();
        ASSERT_GT(now, frames) << "no frame drawn in second " << second;
        frames = now;
        rss.push_back(residentKiB(pid));
    }

    const long warmedUp = *std::max_element(rss.begin(), rss.begin() + warmUpSeconds);
    const long later = *std::max_element(rss.begin() + warmUpSeconds, rss.end());
    std::printf("soak: %d s, %d key taps, %d resizes, %llu frames, RSS %ld KiB at 1 s, "
                "%ld KiB max in the first %d s, %ld KiB max after, %ld KiB at the end\n",
                soakSeconds, keyEvents, resizes, static_cast<unsigned long long>(frames),
                rss.front(), warmedUp, warmUpSeconds, later, rss.back());
    for (std::size_t i = 0; i < rss.size(); ++i) {
        std::printf("%ld%c", rss[i], i + 1 == rss.size() ? '\n' : ' ');
    }
    EXPECT_LE(later, warmedUp + rssSlackKiB) << "resident memory grew";

    program.x().resize(program.window(), 1024, 768);
    program.tapKey(XK_Escape);
    const auto end = program.process().waitForEnd(std::chrono::seconds(10));
    ASSERT_TRUE(end.has_value()) << "still running after Escape";
    EXPECT_TRUE(end->exited && end->code == 0) << "status " << end->code;
}

} // namespace
