// quendrel.exe under Wine on its own Xvfb, in its own Wine prefix (a
// hard-linked copy of a template made once) and with its own wineserver; the
// program, the wineserver and Xvfb are ended by process id when it goes.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "child_process.h"
#include "virtual_screen.h"
#include "x_client.h"

class WineSession {
  public:
    // Throws when the prefix, Xvfb or the program's full-screen window does
    // not come up in time.
    WineSession(const std::string& exe, const std::filesystem::path& prefixTemplate,
                const std::filesystem::path& workDir);
    ~WineSession();
    WineSession(const WineSession&) = delete;
    WineSession& operator=(const WineSession&) = delete;
    WineSession(WineSession&&) = delete;
    WineSession& operator=(WineSession&&) = delete;

    XClient& x() { return *client_; }
    Window window() const { return window_; }
    WindowRect windowRect() { return client_->rect(window_); }
    ChildProcess& program() { return *program_; }
    // The program's process, as Wine names it on the window (_NET_WM_PID).
    pid_t windowPid() const { return windowPid_; }
    void tapKey(KeySym key) { client_->tapKey(window_, key); }

    // Stopping and continuing the program steps it: nothing preloaded reaches
    // a program under Wine.
    void pause();
    void resume();
    // Lets the program run in short steps, grabbing the screen between them
    // while it is stopped, until `seen` holds for a grab or the deadline
    // passes; returns the last grab's verdict. The program is stopped after.
    bool stepUntil(const std::function<bool(const ScreenImage&)>& seen,
                   std::chrono::milliseconds deadline);

    // What the program wrote to its standard output so far.
    std::string standardOutput() const;

  private:
    void stopAll();

    std::filesystem::path dir_;
    VirtualScreen screen_;
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<ChildProcess> program_;
    std::unique_ptr<XClient> client_;
    Window window_ = 0;
    pid_t windowPid_ = 0;
};

// Makes the Wine prefix that every session copies, unless it is there.
// Throws when Wine cannot make it.
void ensurePrefixTemplate(const std::filesystem::path& prefixTemplate);
