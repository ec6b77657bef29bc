// A virtual X server for the tests that need a real display: Xvfb on a
// display number it picks itself, with openbox managing it, driven with
// xdotool as a player would drive it; what the server shows and reports is
// read back with Xlib. Include this header last: Xlib's macros (None, Bool,
// Status) clash with other headers.
#pragma once

#include <sys/types.h>

#include <ostream>
#include <string>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace kest2d {
namespace test {

const int kScreenWidth = 1024, kScreenHeight = 768;
// A second display mode that the server offers (SuiteXServer adds it), as a
// monitor offers several: a full-screen game of this size changes the mode.
const int kSmallModeWidth = 640, kSmallModeHeight = 480;

struct Point {
    int x, y;
    bool operator==(const Point& o) const { return x == o.x && y == o.y; }
    bool operator!=(const Point& o) const { return !(*this == o); }
    bool operator<(const Point& o) const { return x != o.x ? x < o.x : y < o.y; }
};

std::ostream& operator<<(std::ostream& os, const Point& p);

// The program's path on PATH, or empty.
std::string FindProgram(const char* name);
// How Spawn starts a program.
struct SpawnOptions {
    std::string dir;               // its current folder (the test's when empty)
    std::vector<std::string> env;  // its environment, NAME=VALUE (the test's when empty)
    std::string errFile;           // where its standard error goes (dropped when empty)
    int keepFd = -1;               // a descriptor it keeps
};
// Starts a program whose output is dropped and which dies with the test.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args,
            const SpawnOptions& options = SpawnOptions());
// Ends a program that Spawn started and waits for it.
void Stop(pid_t* pid);
// A window property of `type` (AnyPropertyType for any): its 8-bit items as
// bytes, its 32-bit items as longs, one per element.
std::vector<unsigned long> Property(Display* dpy, Window w, const char* name, Atom type);
// The window's _NET_WM_NAME (UTF-8).
std::string NetName(Display* dpy, Window w);
// Every window whose _NET_WM_NAME is `caption`.
std::vector<Window> WindowsNamed(Display* dpy, const std::string& caption);
bool Viewable(Display* dpy, Window w);
// The window's top-left corner on the screen.
Point Origin(Display* dpy, Window w);
// True while the window manager keeps the window full screen.
bool FullScreenState(Display* dpy, Window w);
// The size of the display mode the screen shows now (that of its first CRTC).
Point DisplayModeSize(Display* dpy);
// Runs xdotool with `args`; false (with a test failure) when it fails.
bool Xdotool(const std::string& args);

class XServer {
public:
    // Empty when the server runs; otherwise why Xvfb could not start.
    std::string Start();
    // True once openbox manages the screen.
    bool StartWindowManager();
    ~XServer();
    Display* dpy = nullptr;
    std::string name;

private:
    pid_t mXvfb = -1;
    pid_t mWm = -1;
};

// The server of a test suite, started by SetUpTestSuite and stopped by
// TearDownTestSuite, with the mode kSmallModeWidth x kSmallModeHeight added
// and its keyboard already driven by xdotool's device; SDL is told to use it. A test is skipped without Xvfb and fails without
// openbox, xdotool, xrandr or the added mode.
struct SuiteXServer {
    void Start();
    void Stop();
    XServer* server = nullptr;
    std::string skip;     // why there is no server
    std::string failure;  // what is missing beside it
};

}  // namespace test
}  // namespace kest2d
