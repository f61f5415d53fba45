// Soak: the real binary on Xvfb for a minute under a storm of random key
// presses and window resizes. It must keep drawing, its resident memory must
// not grow after the first seconds, and Escape must still end it with status 0.
#include <algorithm>
#include <iostream>
#include <iterator>
#include <random>
#include <thread>

#include "quendrel_fixture.h"

namespace {

constexpr int soakSeconds = 60;
constexpr int warmUpSeconds = 10;
constexpr long rssSlackKiB = 1024;
constexpr auto eventInterval = std::chrono::milliseconds(10);

// Every key but Escape, which would end the soak.
constexpr KeySym stormKeys[] = {XK_Left, XK_Right, XK_Up,     XK_Down, XK_space, XK_space,
                                XK_a,    XK_Z,     XK_Return, XK_F1,   XK_Prior, XK_Tab};

// Window sizes from a fixed set, a single row and column among them: the
// renderer's buffers for each are then all allocated in the first seconds, and
// a later rise in memory is growth, not a size not seen before.
struct Size {
    int width;
    int height;
};
constexpr Size fullSize{1024, 768};
constexpr Size stormSizes[] = {fullSize, {640, 480}, {320, 240},  {200, 1},
                               {1, 200}, {800, 600}, {1000, 100}, {17, 13}};

class Soak : public QuendrelOnScreen {
  protected:
    // Large blocks (the renderer's buffers for each window size) always get
    // their own mappings, given back when freed: resident memory then tracks
    // what is in use, not how the heap happens to be fragmented.
    SessionOptions sessionOptions() override
    {
        SessionOptions options = quendrelOptions();
        options.environment["MALLOC_MMAP_THRESHOLD_"] = "131072";
        return options;
    }
};

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
    const auto start = std::chrono::steady_clock::now();
    for (int second = 1; second <= soakSeconds; ++second) {
        const auto secondEnd = start + std::chrono::seconds(second);
        while (std::chrono::steady_clock::now() < secondEnd) {
            if (random() % 20 == 0) {
                const Size size = stormSizes[random() % std::size(stormSizes)];
                program.x().resize(program.window(), size.width, size.height);
                ++resizes;
            } else {
                program.tapKey(stormKeys[random() % std::size(stormKeys)]);
                ++keyEvents;
            }
            std::this_thread::sleep_for(eventInterval);
        }
        ASSERT_TRUE(program.process().running()) << "ended after " << second << " s";
        // Sampled in the same state every time: full size, after two frames drawn there.
        program.x().resize(program.window(), fullSize.width, fullSize.height);
        ASSERT_TRUE(program.frames().hold() && program.frames().runFrames(2))
            << "no frame drawn in second " << second;
        rss.push_back(residentKiB(pid));
        program.frames().runFreely();
    }

    const long warmedUp = *std::max_element(rss.begin(), rss.begin() + warmUpSeconds);
    const long later = *std::max_element(rss.begin() + warmUpSeconds, rss.end());
    std::cout << "soak: " << soakSeconds << " s, " << keyEvents << " key taps, " << resizes
              << " resizes, " << program.frames().framesShown() << " frames; RSS " << rss.front()
              << " KiB at 1 s, peak " << warmedUp << " KiB in the first " << warmUpSeconds
              << " s, peak " << later << " KiB after, " << rss.back() << " KiB at the end\n";
    std::cout << "soak: RSS KiB per second: ";
    std::copy(rss.begin(), rss.end(), std::ostream_iterator<long>(std::cout, " "));
    std::cout << '\n';
    EXPECT_LE(later, warmedUp + rssSlackKiB) << "resident memory grew";

    expectCleanExitOnEscape();
}

} // namespace
