// The projection the program sets (45-degree vertical field of view, the
// window's aspect ratio) applied to scene points at depth -30, and colour tests
// with a tolerance for the renderer's rounding.
#include "screen_probes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

namespace {

constexpr double drawingDepth = 30.0;
constexpr double halfFieldOfViewRadians = 22.5 * M_PI / 180.0;
constexpr int tolerance = 8; // per 8-bit channel

bool near(Rgb a, Rgb b)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

double halfViewHeight() { return drawingDepth * std::tan(halfFieldOfViewRadians); }

} // namespace

PixelPoint projectToWindow(double sceneX, double sceneY, int width, int height)
{
    const double aspect = static_cast<double>(width) / height;
    return {width / 2.0 * (1.0 + sceneX / (halfViewHeight() * aspect)),
            height / 2.0 * (1.0 - sceneY / halfViewHeight())};
}

double pixelsPerUnit(int height) { return height / 2.0 / halfViewHeight(); }

bool isBlack(Rgb colour) { return near(colour, {0, 0, 0}); }

bool isCubeColour(Rgb colour)
{
    static constexpr Rgb faces[] = {{0, 255, 0},   {255, 128, 0}, {255, 0, 0},
                                    {255, 255, 0}, {0, 0, 255},   {255, 0, 255}};
    return std::any_of(std::begin(faces), std::end(faces),
                       [colour](Rgb face) { return near(colour, face); });
}

bool isPrimaryBlend(Rgb colour)
{
    return !isBlack(colour) && std::abs(colour.r + colour.g + colour.b - 255) <= 2 * tolerance;
}

PixelSet findPixels(const ScreenImage& screen, const WindowRect& area,
                    const std::function<bool(Rgb)>& test)
{
    PixelSet found;
    double sumX = 0;
    double sumY = 0;
    const int right = std::min(area.x + area.width, screen.width);
    const int bottom = std::min(area.y + area.height, screen.height);
    for (int y = std::max(area.y, 0); y < bottom; ++y) {
        for (int x = std::max(area.x, 0); x < right; ++x) {
            if (!test(screen.at(x, y))) {
                continue;
            }
            found.top = found.count == 0 ? y - area.y : found.top;
            found.bottom = y - area.y;
            ++found.count;
            sumX += x - area.x;
            sumY += y - area.y;
        }
    }
    if (found.count > 0) {
        found.centreX = sumX / found.count;
        found.centreY = sumY / found.count;
    }
    return found;
}

std::pair<int, std::string> strayPixels(const ScreenImage& screen, const WindowRect& window,
                                        double cubeX, double cubeY)
{
    const PixelPoint centre = projectToWindow(cubeX, cubeY, window.width, window.height);
    const double box = pixelsPerUnit(window.height) * 1.5;
    int stray = 0;
    std::string first;
    for (int y = 0; y < window.height && window.y + y < screen.height; ++y) {
        for (int x = 0; x < window.width && window.x + x < screen.width; ++x) {
            const bool nearCube = std::abs(x - centre.x) < box && std::abs(y - centre.y) < box;
            const Rgb seen = screen.at(window.x + x, window.y + y);
            if (!nearCube && !isBlack(seen) && stray++ == 0) {
                first = "at (" + std::to_string(x) + ", " + std::to_string(y) +
                        ") expected black, saw " + describe(seen);
            }
        }
    }
    return {stray, first};
}

int differingPixels(const ScreenImage& a, const ScreenImage& b)
{
    int differing = 0;
    for (int y = 0; y < std::min(a.height, b.height); ++y) {
        for (int x = 0; x < std::min(a.width, b.width); ++x) {
            differing += near(a.at(x, y), b.at(x, y)) ? 0 : 1;
        }
    }
    return differing;
}

WindowRect aboveCube(const WindowRect& window)
{
    WindowRect above = window;
    above.height = static_cast<int>(projectToWindow(0, 1.2, window.width, window.height).y);
    return above;
}

std::string describe(Rgb colour)
{
    return "(" + std::to_string(colour.r) + ", " + std::to_string(colour.g) + ", " +
           std::to_string(colour.b) + ")";
}
