// The video backer: starting SDL's video and events (headless drivers when
// there is no display), and the termination signals that a program may have
// close its windows.
#include <SDL.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/KesBackerInternal.h"
#include "platform/KesWindow.h"

namespace kest2d {
namespace platform {

namespace {

struct Backer {
    bool started = false;
    bool failed = false;
    bool display = false;
};

Backer& B() {
    static Backer backer;
    return backer;
}

// SDL's start-up connects to the session bus (screen saver, input methods).
// When the environment names no bus, libdbus would have dbus-launch start
// one: a daemon left running after the game, or, where dbus-launch is
// missing, a failure whose message libdbus never frees. For the start-up the
// bus is the one at the user's standard place, or none.
class SessionBusForStartUp {
public:
    SessionBusForStartUp() {
        const char* named = std::getenv(kVariable);
        if (named && *named) return;
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        const std::string folder = runtime && *runtime ? runtime : "/run/user/" + std::to_string(getuid());
        setenv(kVariable, ("unix:path=" + folder + "/bus").c_str(), 1);
        mSet = true;
    }
    ~SessionBusForStartUp() {
        if (mSet) unsetenv(kVariable);
    }
    SessionBusForStartUp(const SessionBusForStartUp&) = delete;
    SessionBusForStartUp& operator=(const SessionBusForStartUp&) = delete;

private:
    static constexpr const char* kVariable = "DBUS_SESSION_BUS_ADDRESS";
    bool mSet = false;
};

volatile sig_atomic_t gTerminationRequested = 0;

void OnTerminationSignal(int) { gTerminationRequested = 1; }

}  // namespace

bool VideoBackerStarted() { return B().started; }

bool TerminationRequested() { return gTerminationRequested != 0; }

void ClearTerminationRequest() { gTerminationRequested = 0; }

bool HasDisplay() {
    InitVideoBacker();
    return B().display;
}

bool InitVideoBacker() {
    Backer& b = B();
    if (b.started) return true;
    if (b.failed) return false;
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    bool displayEnv = (std::getenv("DISPLAY") && *std::getenv("DISPLAY")) ||
                      (std::getenv("WAYLAND_DISPLAY") && *std::getenv("WAYLAND_DISPLAY"));
    if (!driver && !displayEnv) setenv("SDL_VIDEODRIVER", "offscreen", 1);
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // Signals are the program's to handle (CloseWindowsOnTerminationSignals).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The picture reaches a window through the window's own surface, a plain
    // copy on the UI thread: no GPU renderer behind it (without a GPU that is
    // a software OpenGL with threads of its own, and SDL would re-create the
    // window for it after the first frame).
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // A click that activates the window also reaches it, as on Windows.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    const SessionBusForStartUp sessionBus;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        // Last resort: the dummy driver always starts.
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
            b.failed = true;
            return false;
        }
    }
    const char* used = SDL_GetCurrentVideoDriver();
    std::string name = used ? used : "";
    b.display = name != "offscreen" && name != "dummy";
    b.started = true;
    return true;
}

void CloseWindowsOnTerminationSignals() {
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    // A second signal finds the default action again: it ends the process.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace platform
}  // namespace kest2d
