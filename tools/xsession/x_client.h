// The test's own connection to an X server: finds a top-level window by title,
// reads its place on the screen, grabs screen pixels, resizes windows and
// types keys through XTEST, so the program sees them as a user's key presses.
#pragma once

#include <X11/Xlib.h>

#include <initializer_list>
#include <string>

#include "screen_image.h"

struct WindowRect {
    int x; // root coordinates of the top-left pixel
    int y;
    int width;
    int height;
};

class XClient {
  public:
    explicit XClient(const std::string& display); // throws when it cannot connect
    ~XClient();
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    int screenWidth() const;
    int screenHeight() const;

    // A mapped child of the root with this exact name, or 0.
    Window findWindow(const std::string& title);
    // Nothing (width 0) when the window is gone.
    WindowRect rect(Window window);
    // The process id its client put on the window (_NET_WM_PID), or 0.
    long processId(Window window);
    void resize(Window window, int width, int height);

    // Press and release, with the pointer first put over the window: without a
    // window manager, keys go to the window under the pointer.
    // Keys pressed in order and released in reverse, e.g. {XK_Shift_L, XK_a}.
    void tapKey(Window window, KeySym key) { tapKeys(window, {key}); }
    void tapKeys(Window window, std::initializer_list<KeySym> keys);

    // The whole screen as it is now, after everything sent so far has been
    // handled; with a step of n, every n-th pixel of every n-th row.
    ScreenImage grabScreen(int step = 1);
    // Waits until the server has handled all requests; throws on an X error
    // among them, but for a window that has gone where that may be.
    void sync(bool windowMayBeGone = false);

  private:
    Display* display_;
};
