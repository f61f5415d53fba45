// Shows Quendrel where no display is: runs it on a private Xvfb, lets the cube
// turn, fires a shot, saves a screenshot as PNG and about two seconds as an
// animated GIF at half size, ends it with Escape.
// Usage: quendrel_headless PROGRAM PACER OUTPUT.png [OUTPUT.gif]
#include <X11/keysym.h>

#include <cstdio>
#include <exception>

#include "animated_gif.h"
#include "program_session.h"

namespace {

constexpr int turningFrames = 150;
constexpr int shotFrames = 6; // the shot then flies clear above the cube
constexpr int gifGrabs = 48;
constexpr int framesPerGrab = 2;
constexpr int gifShotAt = 10; // grab at which the animation fires its shot
constexpr int gifDelayCentiseconds = 4;

bool recordGif(ProgramSession& session, const char* gifPath)
{
    std::vector<ScreenImage> frames;
    for (int grab = 0; grab < gifGrabs; ++grab) {
        if (grab == gifShotAt) {
            session.tapKey(XK_space);
        }
        session.frames().runFrames(framesPerGrab);
        frames.push_back(session.x().grabScreen(2)); // at half size
    }
    return writeGif(frames, gifDelayCentiseconds, gifPath);
}

int runHeadless(const SessionOptions& options, const char* pngPath, const char* gifPath)
{
    ProgramSession session(options);
    session.frames().runFrames(turningFrames);
    session.tapKey(XK_space);
    session.frames().runFrames(shotFrames);
    if (!writePng(session.x().grabScreen(), pngPath)) {
        std::fprintf(stderr, "cannot write %s\n", pngPath);
        return 1;
    }
    if (gifPath != nullptr && !recordGif(session, gifPath)) {
        std::fprintf(stderr, "cannot write %s\n", gifPath);
        return 1;
    }
    const auto end = session.endWithEscape();
    if (!end || !end->exited || end->code != 0) {
        std::fprintf(stderr, "quendrel did not end cleanly on Escape\n");
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: %s PROGRAM PACER OUTPUT.png [OUTPUT.gif]\n", argv[0]);
        return 2;
    }
    SessionOptions options;
    options.program = argv[1];
    options.pacer = argv[2];
    try {
        return runHeadless(options, argv[3], argc == 5 ? argv[4] : nullptr);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "headless run failed: %s\n", error.what());
        return 1;
    }
}
