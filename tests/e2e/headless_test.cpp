// The headless run as the run command starts it where no display answers: the
// display check says so, and the run leaves a PNG with the cube and the shot
// above it and a GIF of its frames, exits 0, and leaves nothing running or in
// the temporary directories.
#include <gif_lib.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "quendrel_fixture.h"

namespace {

namespace fs = std::filesystem;

// Processes whose environment holds the text: a run's children inherit a mark
// set for it, and no other process has it.
int processesMarked(const std::string& mark)
{
    int marked = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
        std::ifstream environment(entry.path() / "environ", std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(environment), {}};
        marked += text.find(mark + '\0') != std::string::npos ? 1 : 0;
    }
    return marked;
}

// X servers' lock files, /tmp/.X<n>-lock; each holds its server's process id.
std::set<fs::path> serverLocks()
{
    std::set<fs::path> locks;
    for (const fs::directory_entry& entry : fs::directory_iterator("/tmp")) {
        const std::string name = entry.path().filename();
        if (name.rfind(".X", 0) == 0 && name.size() > 7 &&
            name.substr(name.size() - 5) == "-lock") {
            locks.insert(entry.path());
        }
    }
    return locks;
}

std::optional<ProcessEnd> run(const ProcessOptions& options)
{
    return ChildProcess(options).waitForEnd(std::chrono::seconds(60));
}

TEST(Headless, TheDisplayCheckTellsWhetherADisplayAnswers)
{
    ProcessOptions check;
    check.argv = {HAS_DISPLAY};
    check.unsetEnv = {"DISPLAY"};
    const auto none = run(check);
    EXPECT_TRUE(none && none->exited && none->code == 1) << "no DISPLAY";

    const VirtualScreen screen(320, 240);
    check.argv.push_back(screen.display());
    const auto named = run(check);
    EXPECT_TRUE(named && named->exited && named->code == 0) << "a display named that answers";
}

// The run's files and its TMPDIR go to a private directory, removed however the
// test ends.
fs::path runDirectory()
{
    return fs::temp_directory_path() / ("quendrel-headless-test-" + std::to_string(getpid()));
}

class HeadlessRun : public testing::Test {
  protected:
    void SetUp() override
    {
        fs::remove_all(runDirectory());
        fs::create_directories(runDirectory() / "tmp");
    }
    void TearDown() override { fs::remove_all(runDirectory()); }
};

TEST_F(HeadlessRun, WritesThePictureAndTheAnimationAndLeavesNothing)
{
    const fs::path work = runDirectory();
    const std::string markName = "QUENDREL_HEADLESS_TEST";
    const std::string mark = markName + "=" + std::to_string(getpid());
    const std::set<fs::path> locksBefore = serverLocks();

    ProcessOptions headless;
    headless.argv = {QUENDREL_HEADLESS, QUENDREL_PROGRAM, FRAME_PACER, work / "shot.png",
                     work / "turn.gif"};
    headless.unsetEnv = {"DISPLAY"};
    headless.setEnv = {{"TMPDIR", work / "tmp"}, {markName, std::to_string(getpid())}};
    headless.outputPath = work / "log";
    const auto end = run(headless);
    std::ifstream log(work / "log");
    ASSERT_TRUE(end && end->exited && end->code == 0)
        << "the headless run failed: " << std::string{std::istreambuf_iterator<char>(log), {}};

    const ScreenImage picture = readPng(work / "shot.png");
    ASSERT_EQ(picture.width, 1024);
    ASSERT_EQ(picture.height, 768);
    const WindowRect screen{0, 0, picture.width, picture.height};
    const WindowRect above = aboveCube(screen);
    const WindowRect below{0, above.height, screen.width, screen.height - above.height};
    const PixelPoint cubeCentre = projectToWindow(1.5, 0, screen.width, screen.height);
    const PixelSet cube = findPixels(picture, below, isCubeColour);
    ASSERT_GT(cube.count, 0) << "no cube in the picture";
    EXPECT_NEAR(cube.centreX, cubeCentre.x, 3);
    EXPECT_NEAR(cube.centreY + below.y, cubeCentre.y, 3);
    const PixelSet shot = findPixels(picture, above, isPrimaryBlend);
    EXPECT_GT(shot.count, 500) << "no shot above the cube";
    EXPECT_NEAR(shot.centreX, projectToWindow(1.0, 0, screen.width, screen.height).x,
                0.2 * pixelsPerUnit(screen.height));

    int error = 0;
    GifFileType* gif = DGifOpenFileName((work / "turn.gif").c_str(), &error);
    ASSERT_NE(gif, nullptr) << GifErrorString(error);
    EXPECT_EQ(DGifSlurp(gif), GIF_OK) << GifErrorString(gif->Error);
    EXPECT_EQ(gif->ImageCount, 48);
    EXPECT_EQ(gif->SWidth, 512);
    EXPECT_EQ(gif->SHeight, 384);
    DGifCloseFile(gif, &error);

    EXPECT_EQ(processesMarked(mark), 0) << "a process of the run is still there";
    EXPECT_TRUE(fs::is_empty(work / "tmp")) << "the run left files in its TMPDIR";
    for (const fs::path& lock : serverLocks()) {
        pid_t server = 0;
        std::ifstream(lock) >> server;
        const bool serverGone = kill(server, 0) != 0 && errno == ESRCH;
        EXPECT_FALSE(locksBefore.count(lock) == 0 && serverGone) << lock << " left behind";
    }
}

} // namespace
