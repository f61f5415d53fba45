// One program on its own 1024x768 virtual screen, with the frame pacer
// preloaded and Mesa's software renderer: the session starts Xvfb and the
// program, waits until its window titled Quendrel covers the screen, and ends
// both by process id when it goes, also after a failure.
#pragma once

#include <X11/Xlib.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"
#include "frame_control.h"
#include "virtual_screen.h"
#include "x_client.h"

struct SessionOptions {
    std::string program;
    std::string pacer;                // the frame pacer library to preload
    std::vector<std::string> wrapper; // e.g. {"apitrace", "trace", "-o", file}
    std::map<std::string, std::string> environment;
};

class ProgramSession {
  public:
    // Throws when Xvfb, the program or its full-screen window does not come
    // up in time. On return the program holds in a frame drawn at full size.
    explicit ProgramSession(const SessionOptions& options);
    ~ProgramSession();
    ProgramSession(const ProgramSession&) = delete;
    ProgramSession& operator=(const ProgramSession&) = delete;

    XClient& x() { return *client_; }
    FrameControl& frames() { return frames_; }
    ChildProcess& process() { return *program_; }
    const VirtualScreen& screen() const { return screen_; }
    Window window() const { return window_; }
    WindowRect windowRect() { return client_->rect(window_); }
    void tapKey(KeySym key) { client_->tapKey(window_, key); }
    void tapKeys(std::initializer_list<KeySym> keys) { client_->tapKeys(window_, keys); }
    // Presses Escape and lets the program run on; how it ended, or nothing if
    // it still runs 10 s later.
    std::optional<ProcessEnd> endWithEscape();

  private:
    void stopProgram();
    void waitForFullScreenWindow();

    VirtualScreen screen_;
    FrameControl frames_;
    std::unique_ptr<ChildProcess> program_;
    std::unique_ptr<XClient> client_;
    Window window_ = 0;
};
