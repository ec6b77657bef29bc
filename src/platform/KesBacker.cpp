// The video backer: starting SDL's video and events (headless drivers when
// there is no display), and the termination signals that a program may have
// close its windows (and a second one end it at once).
#include <SDL.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/KesBackerInternal.h"
#include "platform/KesDesktopMode.h"
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

// Termination signals. The first SIGINT or SIGTERM asks the message loop to
// close the windows, as the desktop's quit does; the loop sees the request
// between messages, so a script that is busy holds it up. Any second one, of
// either kind, ends the process at once, and a full-screen game's display
// must get its mode back then too. That takes X requests, which a signal
// handler may not make (nothing but async-signal-safe calls belong there): the
// handler only writes the signal's number to a pipe. A thread of its own,
// started with the handlers and blocked on the pipe with both signals masked,
// puts the desktop's mode back over a display connection of its own
// (KesDesktopMode.cpp) and ends the process with the signal's default action,
// while the UI thread may still be deep in a script.
volatile sig_atomic_t gTerminationRequested = 0;  // cleared once the windows are closed
volatile sig_atomic_t gTerminationSignals = 0;    // never cleared
// The pipe to the thread that ends the process; -1 without that thread.
int gForcedEndRead = -1;
volatile sig_atomic_t gForcedEndWrite = -1;
// Time allowed to put the mode back: a display that does not answer must not
// keep the process alive (SIGALRM's default action ends it).
const unsigned kRestoreSeconds = 2;

void OnTerminationSignal(int sig) {
    gTerminationSignals = gTerminationSignals + 1;
    if (gTerminationSignals == 1) {
        gTerminationRequested = 1;
        return;
    }
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(sig);
    if (gForcedEndWrite < 0 || write(gForcedEndWrite, &number, 1) != 1) {
        // No thread to do it: end now, without the display's mode.
        signal(sig, SIG_DFL);
        raise(sig);
    }
    errno = savedErrno;
}

void* EndProcessOnSecondSignal(void*) {
    unsigned char number = 0;
    ssize_t got;
    do {
        got = read(gForcedEndRead, &number, 1);
    } while (got < 0 && errno == EINTR);
    if (got != 1) {
        // The pipe failed: the handler ends the process by itself.
        gForcedEndWrite = -1;
        return nullptr;
    }
    const int sig = number;
    alarm(kRestoreSeconds);
    RestoreDesktopMode();
    signal(sig, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, sig);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(sig);
    _exit(128 + sig);
}

// The pipe and the thread that ends the process on a second signal; false
// when either cannot be had.
bool StartForcedEndThread() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return false;
    gForcedEndRead = ends[0];
    // The thread starts with both signals masked, so that the handlers run on
    // other threads and never interrupt its wait.
    sigset_t both, previous;
    sigemptyset(&both);
    sigaddset(&both, SIGINT);
    sigaddset(&both, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &both, &previous);
    pthread_t thread;
    const bool started = pthread_create(&thread, nullptr, EndProcessOnSecondSignal, nullptr) == 0;
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (!started) {
        close(ends[0]);
        close(ends[1]);
        gForcedEndRead = -1;
        return false;
    }
    pthread_detach(thread);
    gForcedEndWrite = ends[1];
    return true;
}

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
    static bool installed = false;
    if (installed) return;
    installed = true;
    StartForcedEndThread();
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    // One handler at a time: the two signals are counted in order.
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace platform
}  // namespace kest2d
