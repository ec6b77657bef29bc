#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "xwindow/XServer.h"  // last

#include <X11/extensions/Xrandr.h>

namespace kest2d {
namespace test {

std::ostream& operator<<(std::ostream& os, const Point& p) { return os << "(" << p.x << ", " << p.y << ")"; }

std::string FindProgram(const char* name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return "";
}

pid_t Spawn(const std::string& program, const std::vector<std::string>& args, const SpawnOptions& options) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : options.env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    // Everything the child needs is made before the fork: it only calls
    // what is safe in a copy of a process with threads.
    const int err = options.errFile.empty() ? -1 : open(options.errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const pid_t parent = getpid();
    pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        if (!options.dir.empty() && chdir(options.dir.c_str()) != 0) _exit(127);
        int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, 0);
            dup2(null, 1);
            dup2(err >= 0 ? err : null, 2);
        }
        for (int fd = 3; fd < 1024; ++fd)
            if (fd != options.keepFd) close(fd);
        if (options.env.empty())
            execv(program.c_str(), argv.data());
        else
            execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    if (err >= 0) close(err);
    return pid;
}

void Stop(pid_t* pid) {
    if (*pid <= 0) return;
    kill(*pid, SIGTERM);
    int status = 0;
    waitpid(*pid, &status, 0);
    *pid = -1;
}

namespace {
int IgnoreXError(Display*, XErrorEvent*) { return 0; }
}  // namespace

std::vector<unsigned long> Property(Display* dpy, Window w, const char* name, Atom type) {
    Atom actual;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> items;
    if (XGetWindowProperty(dpy, w, XInternAtom(dpy, name, False), 0, 4096, False, type, &actual, &format, &count,
                           &after, &data) == Success &&
        data) {
        for (unsigned long i = 0; i < count; ++i)
            items.push_back(format == 8 ? data[i] : format == 32 ? reinterpret_cast<unsigned long*>(data)[i] : 0);
    }
    if (data) XFree(data);
    return items;
}

std::string XServer::Start() {
    const std::string xvfb = FindProgram("Xvfb");
    if (xvfb.empty()) return "Xvfb is not installed";
    int fds[2];
    if (pipe(fds) != 0) return "no pipe for Xvfb";
    mXvfb = Spawn(xvfb,
                  {"-displayfd", std::to_string(fds[1]), "-screen", "0",
                   std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24", "-nolisten", "tcp",
                   "-noreset"},
                  SpawnOptions{"", {}, "", fds[1]});
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c;
    while (poll(&p, 1, 30000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) {
        Stop(&mXvfb);
        return "Xvfb did not start";
    }
    name = ":" + number;
    setenv("DISPLAY", name.c_str(), 1);
    dpy = XOpenDisplay(name.c_str());
    if (!dpy) {
        Stop(&mXvfb);
        return "cannot open the display of Xvfb";
    }
    XSetErrorHandler(IgnoreXError);
    return "";
}

bool XServer::StartWindowManager() {
    const std::string openbox = FindProgram("openbox");
    if (openbox.empty()) return false;
    mWm = Spawn(openbox, {});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!Property(dpy, DefaultRootWindow(dpy), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).empty()) return true;
        usleep(20000);
    }
    return false;
}
XServer::~XServer() {
    if (dpy) XCloseDisplay(dpy);
    Stop(&mWm);
    Stop(&mXvfb);
}

std::string NetName(Display* dpy, Window w) {
    const std::vector<unsigned long> bytes = Property(dpy, w, "_NET_WM_NAME", XInternAtom(dpy, "UTF8_STRING", False));
    return std::string(bytes.begin(), bytes.end());
}

namespace {

void Collect(Display* dpy, Window w, const std::string& caption, std::vector<Window>* found) {
    if (NetName(dpy, w) == caption) found->push_back(w);
    Window root, parent, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(dpy, w, &root, &parent, &children, &n)) return;
    for (unsigned int i = 0; i < n; ++i) Collect(dpy, children[i], caption, found);
    if (children) XFree(children);
}

}  // namespace

std::vector<Window> WindowsNamed(Display* dpy, const std::string& caption) {
    std::vector<Window> found;
    Collect(dpy, DefaultRootWindow(dpy), caption, &found);
    return found;
}

bool Viewable(Display* dpy, Window w) {
    XWindowAttributes a;
    return XGetWindowAttributes(dpy, w, &a) && a.map_state == IsViewable;
}

Point Origin(Display* dpy, Window w) {
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), 0, 0, &x, &y, &child);
    return Point{x, y};
}

bool FullScreenState(Display* dpy, Window w) {
    const std::vector<unsigned long> states = Property(dpy, w, "_NET_WM_STATE", XA_ATOM);
    const Atom full = XInternAtom(dpy, "_NET_WM_STATE_FULLSCREEN", False);
    return std::find(states.begin(), states.end(), full) != states.end();
}

Point DisplayModeSize(Display* dpy) {
    Point size{0, 0};
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(dpy, DefaultRootWindow(dpy));
    if (!res) return size;
    if (res->ncrtc > 0) {
        if (XRRCrtcInfo* crtc = XRRGetCrtcInfo(dpy, res, res->crtcs[0])) {
            size = Point{static_cast<int>(crtc->width), static_cast<int>(crtc->height)};
            XRRFreeCrtcInfo(crtc);
        }
    }
    XRRFreeScreenResources(res);
    return size;
}

namespace {

bool Run(const std::string& cmd) {
    const int status = std::system(cmd.c_str());
    EXPECT_EQ(0, status) << cmd;
    return status == 0;
}

// Adds the small mode to the screen's output with xrandr; the server keeps it
// while it runs (it never resets: -noreset).
bool AddSmallMode(Display* dpy) {
    if (FindProgram("xrandr").empty()) return false;
    const std::string w = std::to_string(kSmallModeWidth), h = std::to_string(kSmallModeHeight);
    const std::string name = w + "x" + h;
    std::string output;
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(dpy, DefaultRootWindow(dpy));
    if (!res) return false;
    if (res->noutput > 0) {
        if (XRROutputInfo* info = XRRGetOutputInfo(dpy, res, res->outputs[0])) {
            output = info->name;
            XRRFreeOutputInfo(info);
        }
    }
    XRRFreeScreenResources(res);
    // Timings of the size (the picture never reaches a monitor).
    return !output.empty() &&
           Run("xrandr --newmode " + name + " 40 " + w + " " + std::to_string(kSmallModeWidth + 40) + " " +
               std::to_string(kSmallModeWidth + 168) + " " + std::to_string(kSmallModeWidth + 256) + " " + h + " " +
               std::to_string(kSmallModeHeight + 1) + " " + std::to_string(kSmallModeHeight + 5) + " " +
               std::to_string(kSmallModeHeight + 28)) &&
           Run("xrandr --addmode " + output + " " + name);
}

// Asks openbox to show the desktop (or stop) and waits until it says it
// does: a round trip through its queue of events. The request is sent again
// every second: openbox drops what comes while it takes its key bindings
// again after a change of keyboard, which a loaded machine can make last.
bool ShowDesktop(Display* dpy, bool show) {
    const Window root = DefaultRootWindow(dpy);
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = root;
    e.xclient.message_type = XInternAtom(dpy, "_NET_SHOWING_DESKTOP", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = show ? 1 : 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (int tick = 0; std::chrono::steady_clock::now() < deadline; ++tick) {
        if (tick % 50 == 0) {
            XSendEvent(dpy, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
            XFlush(dpy);
        }
        const std::vector<unsigned long> state = Property(dpy, root, "_NET_SHOWING_DESKTOP", XA_CARDINAL);
        if (!state.empty() && (state[0] != 0) == show) return true;
        usleep(20000);
    }
    return false;
}

// The server's keyboard is first driven by its own device; the first key that
// xdotool sends moves it to the XTEST one, a change of keyboard that makes
// openbox drop and take again all its key bindings, and a shortcut pressed
// meanwhile reaches the focused window instead (a lost alt+F4). One key at
// the start makes that change, and a round trip through openbox's queue
// makes sure it has taken its bindings again.
bool MoveKeyboardToXtest(Display* dpy) {
    return Run("xdotool key shift") && ShowDesktop(dpy, true) && ShowDesktop(dpy, false);
}

}  // namespace

bool Xdotool(const std::string& args) { return Run("xdotool " + args); }

void SuiteXServer::Start() {
    setenv("SDL_VIDEODRIVER", "x11", 1);
    server = new XServer();
    skip = server->Start();
    if (!skip.empty()) {
        delete server;
        server = nullptr;
        skip = "no X server for the real-window test: " + skip;
        return;
    }
    if (!server->StartWindowManager())
        failure = "openbox did not start (scripts/install-deps.sh installs it)";
    else if (FindProgram("xdotool").empty())
        failure = "xdotool is missing (scripts/install-deps.sh installs it)";
    else if (!AddSmallMode(server->dpy))
        failure = "the X server took no second display mode (xrandr, in x11-xserver-utils)";
    else if (!MoveKeyboardToXtest(server->dpy))
        failure = "openbox did not answer after the first key";
}

void SuiteXServer::Stop() {
    delete server;
    server = nullptr;
}

}  // namespace test
}  // namespace kest2d
