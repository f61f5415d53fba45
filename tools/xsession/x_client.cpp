// Xlib and XTEST calls behind XClient. A window may go at any time, so where
// one is looked at, an error about it means it has gone; any other X error is
// thrown at the next sync.
#include "x_client.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <cstring>
#include <iterator>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

// Xlib keeps one error handler per process and calls it from inside the call
// that got the error, where nothing may be thrown: errors wait here for a sync.
std::vector<XErrorEvent> pendingErrors;

int keepXError(Display* /*display*/, XErrorEvent* error)
{
    pendingErrors.push_back(*error);
    return 0;
}

} // namespace

XClient::XClient(const std::string& display) : display_(XOpenDisplay(display.c_str()))
{
    if (display_ == nullptr) {
        throw std::runtime_error("cannot open display " + display);
    }
    XSetErrorHandler(keepXError);
}

XClient::~XClient() { XCloseDisplay(display_); }

int XClient::screenWidth() const { return DisplayWidth(display_, DefaultScreen(display_)); }

int XClient::screenHeight() const { return DisplayHeight(display_, DefaultScreen(display_)); }

void XClient::sync(bool windowMayBeGone)
{
    XSync(display_, False);
    for (const XErrorEvent& error : std::exchange(pendingErrors, {})) {
        if (windowMayBeGone && (error.error_code == BadWindow || error.error_code == BadDrawable)) {
            continue;
        }
        char text[256];
        XGetErrorText(display_, error.error_code, text, sizeof text);
        throw std::runtime_error(std::string("X error: ") + text + " (request " +
                                 std::to_string(error.request_code) + ")");
    }
}

long XClient::processId(Window window)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    long pid = 0;
    if (XGetWindowProperty(display_, window, XInternAtom(display_, "_NET_WM_PID", False), 0, 1,
                           False, XA_CARDINAL, &type, &format, &count, &remaining,
                           &data) == Success &&
        type == XA_CARDINAL && format == 32 && count == 1) {
        // Xlib hands 32-bit items over as longs.
        std::memcpy(&pid, data, sizeof pid);
    }
    if (data != nullptr) {
        XFree(data);
    }
    sync(true);
    return pid;
}

Window XClient::findWindow(const std::string& title)
{
    Window root = DefaultRootWindow(display_);
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (XQueryTree(display_, root, &root, &parent, &children, &count) == 0) {
        return 0;
    }
    for (unsigned i = 0; i < count && found == 0; ++i) {
        char* name = nullptr;
        XWindowAttributes attributes;
        if (XFetchName(display_, children[i], &name) != 0 && name != nullptr) {
            if (title == name && XGetWindowAttributes(display_, children[i], &attributes) != 0 &&
                attributes.map_state == IsViewable) {
                found = children[i];
            }
            XFree(name);
        }
    }
    XFree(children);
    sync(true);
    return found;
}

WindowRect XClient::rect(Window window)
{
    XWindowAttributes attributes;
    Window child = 0;
    int x = 0;
    int y = 0;
    if (XGetWindowAttributes(display_, window, &attributes) == 0 ||
        XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y,
                              &child) == 0) {
        sync(true);
        return {0, 0, 0, 0};
    }
    return {x, y, attributes.width, attributes.height};
}

void XClient::resize(Window window, int width, int height)
{
    XResizeWindow(display_, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    sync();
}

void XClient::tapKeys(Window window, std::initializer_list<KeySym> keys)
{
    const WindowRect place = rect(window);
    XTestFakeMotionEvent(display_, DefaultScreen(display_), place.x + place.width / 2,
                         place.y + place.height / 2, CurrentTime);
    for (const KeySym key : keys) {
        XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, key), True, CurrentTime);
    }
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
        XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, *key), False, CurrentTime);
    }
    sync();
}

ScreenImage XClient::grabScreen(int step)
{
    sync();
    const int width = screenWidth();
    const int height = screenHeight();
    XImage* pixels =
        XGetImage(display_, DefaultRootWindow(display_), 0, 0, static_cast<unsigned>(width),
                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (pixels == nullptr) {
        sync();
        throw std::runtime_error("cannot grab the screen");
    }
    // A channel's shift is its mask's trailing zeros, e.g. 16 for 0xff0000.
    const int redShift = __builtin_ctzl(pixels->red_mask);
    const int greenShift = __builtin_ctzl(pixels->green_mask);
    const int blueShift = __builtin_ctzl(pixels->blue_mask);
    ScreenImage image;
    image.width = width / step;
    image.height = height / step;
    image.rgb.reserve(static_cast<std::size_t>(image.width) * image.height * 3);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const unsigned long pixel = XGetPixel(pixels, x * step, y * step);
            image.rgb.push_back(static_cast<std::uint8_t>(pixel >> redShift));
            image.rgb.push_back(static_cast<std::uint8_t>(pixel >> greenShift));
            image.rgb.push_back(static_cast<std::uint8_t>(pixel >> blueShift));
        }
    }
    XDestroyImage(pixels);
    return image;
}
