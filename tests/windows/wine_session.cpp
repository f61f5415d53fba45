// Start-up and shut-down of quendrel.exe under Wine on a private Xvfb, and the
// template Wine prefix the sessions copy.
#include "wine_session.h"

#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr int screenWidth = 1024;
constexpr int screenHeight = 768;
constexpr auto windowDeadline = 60s;

// Wine quiet and without the .NET and browser installers it would offer;
// Mesa's software renderer, as for the Linux end-to-end tests. Wine writes
// outside its prefix too: its server's lock under TMPDIR, and, while making a
// prefix, desktop-menu folders under HOME's .config and .local/share. Both
// point into `own`, which goes with the session, and the XDG variables that
// would lead past HOME are unset. Mesa finds its shader cache's folder in the
// password file's home, not HOME: it is named inside `own` too.
ProcessOptions wineProcess(std::vector<std::string> argv, const fs::path& prefix,
                           const fs::path& own)
{
    fs::create_directories(own / "home");
    fs::create_directories(own / "tmp");
    ProcessOptions options;
    options.argv = std::move(argv);
    options.setEnv = {{"WINEPREFIX", prefix.string()},
                      {"WINEDEBUG", "-all"},
                      {"WINEDLLOVERRIDES", "mscoree,mshtml="},
                      {"LIBGL_ALWAYS_SOFTWARE", "true"},
                      {"GALLIUM_DRIVER", "llvmpipe"}};
    options.setEnv["HOME"] = (own / "home").string();
    options.setEnv["TMPDIR"] = (own / "tmp").string();
    options.setEnv["MESA_SHADER_CACHE_DIR"] = (own / "home/.cache").string();
    options.unsetEnv = {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"};
    return options;
}

// A wineserver of our own for the prefix, in the foreground, so that it is
// our child and can be ended by its id; Wine programs started later use it.
ProcessOptions serverOptions(const fs::path& prefix, const fs::path& own)
{
    return wineProcess({"wineserver", "--foreground", "--persistent"}, prefix, own);
}

void runToEnd(const ProcessOptions& options, std::chrono::seconds deadline, const char* what)
{
    ChildProcess process(options);
    const auto end = process.waitForEnd(deadline);
    if (!end || !end->exited || end->code != 0) {
        throw std::runtime_error(std::string(what) + " failed");
    }
}

// A hard-linked copy of the template; the files Wine rewrites at the top
// (the registry) are real copies, so nothing a session does reaches the template.
void copyPrefix(const fs::path& prefixTemplate, const fs::path& prefix)
{
    ProcessOptions copy;
    copy.argv = {"cp", "-al", prefixTemplate.string(), prefix.string()};
    runToEnd(copy, 60s, "copying the Wine prefix");
    for (const auto& entry : fs::directory_iterator(prefixTemplate)) {
        if (entry.is_regular_file()) {
            const fs::path own = prefix / entry.path().filename();
            fs::remove(own);
            fs::copy_file(entry.path(), own);
        }
    }
}

std::string readFile(const fs::path& path)
{
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Waits until the process has stopped, as a grab taken before could still
// catch it drawing.
void waitUntilStopped(pid_t pid)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (std::chrono::steady_clock::now() < until) {
        std::istringstream stat(readFile("/proc/" + std::to_string(pid) + "/stat"));
        std::string field;
        std::string state;
        // pid (comm) state: the name may hold spaces, the state follows its ')'.
        std::getline(stat, field, ')');
        stat >> state;
        if (state == "T" || state.empty()) {
            return;
        }
        std::this_thread::sleep_for(1ms);
    }
}

// Ends, by process id, every process left running in the prefix but `server`:
// Wine's helpers (winedevice.exe and the like) outlive their wineserver.
// They are known by the WINEPREFIX in their environment, a path of their own.
void endProcessesIn(const fs::path& prefix, pid_t server)
{
    const std::string mark = "WINEPREFIX=" + prefix.string();
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::istringstream environment(readFile(entry.path() / "environ"));
        for (std::string variable; std::getline(environment, variable, '\0');) {
            if (variable == mark) {
                const pid_t pid = std::stoi(name);
                if (pid != server) {
                    stopForeignProcess(pid);
                }
                break;
            }
        }
    }
}

fs::path sessionDir(const fs::path& workDir)
{
    static int sessions = 0;
    return workDir / ("session-" + std::to_string(getpid()) + "-" + std::to_string(++sessions));
}

} // namespace

WineSession::WineSession(const std::string& exe, const fs::path& prefixTemplate,
                         const fs::path& workDir)
    : workFiles(sessionDir(workDir)), virtualScreen(screenWidth, screenHeight)
{
    try {
        fs::remove_all(workFiles);
        fs::create_directories(workFiles);
        const fs::path prefix = workFiles / "prefix";
        copyPrefix(prefixTemplate, prefix);
        wineServer = std::make_unique<ChildProcess>(serverOptions(prefix, workFiles));

        // Standard output to a file of its own, standard error (freeglut's
        // notes) to another; exec keeps the shell's process id, so it is the
        // program's.
        ProcessOptions launch = wineProcess(
            {"/bin/sh", "-c", R"(exec wine "$0" 2>"$1")", exe, (workFiles / "stderr").string()},
            prefix, workFiles);
        launch.setEnv["DISPLAY"] = virtualScreen.display();
        launch.outputPath = (workFiles / "stdout").string();
        programProcess = std::make_unique<ChildProcess>(launch);

        xClient = std::make_unique<XClient>(virtualScreen.display());
        const auto until = std::chrono::steady_clock::now() + windowDeadline;
        for (;;) {
            programWindow = xClient->findWindow("Quendrel");
            const bool fullScreen = programWindow != 0 && windowRect().width == screenWidth &&
                                    windowRect().height == screenHeight;
            if (fullScreen || std::chrono::steady_clock::now() > until ||
                !programProcess->running()) {
                break;
            }
            std::this_thread::sleep_for(20ms);
        }
        if (programWindow == 0) {
            throw std::runtime_error("no window titled Quendrel under Wine; its stderr: " +
                                     readFile(workFiles / "stderr"));
        }
        programPid = static_cast<pid_t>(xClient->processId(programWindow));
    } catch (...) {
        stopAll();
        throw;
    }
}

WineSession::~WineSession() { stopAll(); }

void WineSession::stopAll()
{
    if (programProcess) {
        if (programPid > 0) {
            // A stopped process would hold SIGTERM until continued.
            kill(programPid, SIGCONT);
            if (programPid != programProcess->pid() && programProcess->running()) {
                stopForeignProcess(programPid);
            }
        }
        programProcess->stop();
    }
    if (wineServer) {
        endProcessesIn(workFiles / "prefix", wineServer->pid());
        wineServer->stop();
    }
    xClient.reset();
    virtualScreen.stop();
    std::error_code ignored;
    fs::remove_all(workFiles, ignored);
}

void WineSession::pause() const
{
    kill(programPid, SIGSTOP);
    waitUntilStopped(programPid);
}

void WineSession::resume() const { kill(programPid, SIGCONT); }

bool WineSession::stepUntil(const std::function<bool(const ScreenImage&)>& seen,
                            std::chrono::milliseconds deadline)
{
    const auto until = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        resume();
        std::this_thread::sleep_for(3ms);
        pause();
        if (seen(xClient->grabScreen())) {
            return true;
        }
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
    }
}

std::string WineSession::standardOutput() const { return readFile(workFiles / "stdout"); }

void ensurePrefixTemplate(const fs::path& prefixTemplate)
{
    if (fs::exists(prefixTemplate)) {
        return;
    }
    // Made aside and renamed into place, so a half-made prefix is never used;
    // Wine's HOME and TMPDIR meanwhile are a folder of their own, removed after.
    const std::string aside = "-" + std::to_string(getpid());
    const fs::path building = prefixTemplate.string() + ".new" + aside;
    const fs::path own = prefixTemplate.string() + ".home" + aside;
    fs::remove_all(building);
    fs::remove_all(own);
    fs::create_directories(building);
    {
        ChildProcess server(serverOptions(building, own));
        ProcessOptions boot = wineProcess({"wine", "wineboot", "--init"}, building, own);
        boot.unsetEnv.push_back("DISPLAY");
        try {
            runToEnd(boot, 180s, "making the Wine prefix (wine wineboot --init)");
        } catch (...) {
            endProcessesIn(building, server.pid());
            fs::remove_all(building);
            fs::remove_all(own);
            throw;
        }
        // On SIGTERM the server saves the registry and exits.
        endProcessesIn(building, server.pid());
        server.stop();
    }
    fs::remove_all(own);
    std::error_code raced;
    fs::rename(building, prefixTemplate, raced);
    if (raced) {
        fs::remove_all(building);
    }
}
