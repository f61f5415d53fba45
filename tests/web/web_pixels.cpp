// The pixel side of the browser tests, so that the page is judged by the same
// probes as the native program: `native` holds the built quendrel at given
// frames (with keys pressed between them) and saves its window as PNG; `look`
// reports the cube, the shot and stray pixels in a screenshot; `diff` counts
// the pixels in which two pictures differ.
// Usage: web_pixels native PROGRAM PACER OUTDIR STEP...  (STEP: a frame number
//          to save as OUTDIR/frame-N.png, or a key: Left Up Right Down space)
//        web_pixels look IMAGE.png CUBEX CUBEY
//        web_pixels diff A.png B.png
#include <X11/Xlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>

#include "program_session.h"
#include "screen_probes.h"

namespace {

// The window's pixels that are on the screen: without a window manager the
// full-screen window sits one pixel in, its last row and column off screen.
ScreenImage windowArea(const ScreenImage& screen, const WindowRect& window)
{
    ScreenImage area;
    area.width = std::min(window.width, screen.width - window.x);
    area.height = std::min(window.height, screen.height - window.y);
    for (int y = 0; y < area.height; ++y) {
        const auto row = screen.rgb.begin() +
                         (static_cast<std::ptrdiff_t>(window.y + y) * screen.width + window.x) * 3;
        area.rgb.insert(area.rgb.end(), row, row + static_cast<std::ptrdiff_t>(area.width) * 3);
    }
    return area;
}

int saveNativeFrames(int argc, char** argv)
{
    SessionOptions options;
    options.program = argv[2];
    options.pacer = argv[3];
    const std::string directory = argv[4];
    ProgramSession session(options);
    std::printf("first full-size frame %llu\n",
                static_cast<unsigned long long>(session.frames().framesShown()));
    for (int i = 5; i < argc; ++i) {
        const std::string step = argv[i];
        if (step.find_first_not_of("0123456789") != std::string::npos) {
            const KeySym key = XStringToKeysym(step.c_str());
            if (key == NoSymbol) {
                throw std::runtime_error("no key named " + step);
            }
            session.tapKey(key);
            continue;
        }
        const std::uint64_t frame = std::stoull(step);
        const std::uint64_t shown = session.frames().framesShown();
        if (frame < shown || !session.frames().runFrames(frame - shown)) {
            throw std::runtime_error("cannot hold in frame " + step);
        }
        std::string path = directory;
        path += "/frame-" + step + ".png";
        if (!writePng(windowArea(session.x().grabScreen(), session.windowRect()), path)) {
            throw std::runtime_error("cannot write " + path);
        }
    }
    const auto end = session.endWithEscape();
    return end && end->exited && end->code == 0 ? 0 : 1;
}

ScreenImage readImage(const std::string& path)
{
    ScreenImage image = readPng(path);
    if (image.width == 0) {
        throw std::runtime_error("cannot read " + path);
    }
    return image;
}

// One line of name=value pairs; the whole picture is the window.
int look(const std::string& path, double cubeX, double cubeY)
{
    const ScreenImage image = readImage(path);
    const WindowRect window{0, 0, image.width, image.height};
    const PixelPoint expected = projectToWindow(cubeX, cubeY, image.width, image.height);
    const PixelSet cube = findPixels(image, window, isCubeColour);
    const PixelSet shot = findPixels(image, aboveCube(window), isPrimaryBlend);
    std::printf("width=%d height=%d unit=%.3f expectedX=%.2f expectedY=%.2f cube=%d cubeX=%.2f "
                "cubeY=%.2f shot=%d shotX=%.2f shotBottom=%d stray=%d\n",
                image.width, image.height, pixelsPerUnit(image.height), expected.x, expected.y,
                cube.count, cube.centreX, cube.centreY, shot.count, shot.centreX, shot.bottom,
                strayPixels(image, window, cubeX, cubeY).first);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    try {
        if (command == "native" && argc >= 5) {
            return saveNativeFrames(argc, argv);
        }
        if (command == "look" && argc == 5) {
            return look(argv[2], std::atof(argv[3]), std::atof(argv[4]));
        }
        if (command == "diff" && argc == 4) {
            std::printf("%d\n", differingPixels(readImage(argv[2]), readImage(argv[3])));
            return 0;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "web_pixels %s: %s\n", command.c_str(), error.what());
        return 1;
    }
    std::fprintf(stderr, "usage: web_pixels native PROGRAM PACER OUTDIR STEP... | "
                         "look IMAGE.png CUBEX CUBEY | diff A.png B.png\n");
    return 2;
}
