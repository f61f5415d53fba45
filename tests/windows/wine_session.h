// quendrel.exe under Wine on its own Xvfb, in its own Wine prefix (a
// hard-linked copy of a template made once) and with its own wineserver; the
// program, the wineserver and Xvfb are ended by process id when it goes.
// Wine's HOME and TMPDIR are folders of the session's own, removed with it.
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

    XClient& x() { return *xClient; }
    Window window() const { return programWindow; }
    WindowRect windowRect() { return xClient->rect(programWindow); }
    ChildProcess& program() { return *programProcess; }
    // The program's process, as Wine names it on the window (_NET_WM_PID).
    pid_t windowPid() const { return programPid; }
    void tapKey(KeySym key) { xClient->tapKey(programWindow, key); }

    // Stopping and continuing the program steps it: nothing preloaded reaches
    // a program under Wine.
    void pause() const;
    void resume() const;
    // Lets the program run in short steps, grabbing the screen between them
    // while it is stopped, until `seen` holds for a grab or the deadline
    // passes; returns the last grab's verdict. The program is stopped after.
    bool stepUntil(const std::function<bool(const ScreenImage&)>& seen,
                   std::chrono::milliseconds deadline);

    // What the program wrote to its standard output so far.
    std::string standardOutput() const;

  private:
    void stopAll();

    std::filesystem::path workFiles;
    VirtualScreen virtualScreen;
    std::unique_ptr<ChildProcess> wineServer;
    std::unique_ptr<ChildProcess> programProcess;
    std::unique_ptr<XClient> xClient;
    Window programWindow = 0;
    pid_t programPid = 0;
};

// Makes the Wine prefix that every session copies, unless it is there.
// Throws when Wine cannot make it.
void ensurePrefixTemplate(const std::filesystem::path& prefixTemplate);
