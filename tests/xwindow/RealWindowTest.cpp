// The game window on a real X server: a virtual one (Xvfb) with a window
// manager (openbox), started by the test and driven with xdotool as a player
// would drive it. What the server shows and reports is read back with Xlib.
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
#include <cstring>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "lua.h"
#include "platform/KesInput.h"
#include "platform/KesRenderDevice.h"
#include "support/FrameFixture.h"

// Last: Xlib's macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace kest2d;
using namespace kest2d::test;

namespace {

const int kScreenWidth = 1024, kScreenHeight = 768;
const char* const kCaption = "Kest2d 真窗口";

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

// Starts a program whose output is dropped and which dies with the test.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args, int keepFd = -1) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
        }
        for (int fd = 3; fd < 1024; ++fd)
            if (fd != keepFd) close(fd);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

void Stop(pid_t* pid) {
    if (*pid <= 0) return;
    kill(*pid, SIGTERM);
    int status = 0;
    waitpid(*pid, &status, 0);
    *pid = -1;
}

int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// A window property of `type` (AnyPropertyType for any): its 8-bit items as
// bytes, its 32-bit items as longs, one per element.
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

// Xvfb on a display number it picks itself (-displayfd), and openbox on it.
class XServer {
public:
    // Empty when the server runs; otherwise why Xvfb could not start.
    std::string Start() {
        const std::string xvfb = FindProgram("Xvfb");
        if (xvfb.empty()) return "Xvfb is not installed";
        int fds[2];
        if (pipe(fds) != 0) return "no pipe for Xvfb";
        mXvfb = Spawn(xvfb,
                      {"-displayfd", std::to_string(fds[1]), "-screen", "0",
                       std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24", "-nolisten", "tcp",
                       "-noreset"},
                      fds[1]);
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
    // True once openbox manages the screen.
    bool StartWindowManager() {
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
    ~XServer() {
        if (dpy) XCloseDisplay(dpy);
        Stop(&mWm);
        Stop(&mXvfb);
    }
    Display* dpy = nullptr;
    std::string name;

private:
    pid_t mXvfb = -1;
    pid_t mWm = -1;
};

XServer* gServer = nullptr;
std::string gSkipReason;

// The game window, with what the tests read of it.
class WindowFrame : public CKesBaseFrame {
public:
    WindowFrame() : CKesBaseFrame(nullptr) {}
    // The ids of the buttons whose clicks reached the script.
    std::string Clicks() const {
        lua_getglobal(mLuaState, "clicks");
        std::string text = lua_isstring(mLuaState, -1) ? lua_tostring(mLuaState, -1) : "";
        lua_pop(mLuaState, 1);
        return text;
    }
    bool DeviceWindowed() const { return GetRenderDevice()->GetParams().windowed; }
    std::vector<CKesEvent> wheels;

protected:
    bool postEventFromUser(const CKesEvent& e) override {
        if (e.mEventType == KESET_MOUSE_INPUT_EVENT && e.mMouseEvent.EventType == KESMIE_MOUSE_WHEEL) wheels.push_back(e);
        return CKesBaseFrame::postEventFromUser(e);
    }
};

struct Point {
    int x, y;
    bool operator==(const Point& o) const { return x == o.x && y == o.y; }
    bool operator!=(const Point& o) const { return !(*this == o); }
    bool operator<(const Point& o) const { return x != o.x ? x < o.x : y < o.y; }
};

std::ostream& operator<<(std::ostream& os, const Point& p) { return os << "(" << p.x << ", " << p.y << ")"; }

class RealWindow : public FrameFixture {
protected:
    static void SetUpTestSuite() {
        setenv("SDL_VIDEODRIVER", "x11", 1);
        gServer = new XServer();
        gSkipReason = gServer->Start();
        if (!gSkipReason.empty()) {
            delete gServer;
            gServer = nullptr;
        } else if (!gServer->StartWindowManager()) {
            gSkipReason = "";  // a missing window manager is a failure, not a skip
            mNoWindowManager = true;
        }
    }
    static void TearDownTestSuite() {
        delete gServer;
        gServer = nullptr;
    }

    void SetUp() override {
        FrameFixture::SetUp();
        platform::UseRealClock();
        if (!gServer) GTEST_SKIP() << "no X server for the real-window test: " << gSkipReason;
        ASSERT_FALSE(mNoWindowManager) << "openbox did not start (scripts/install-deps.sh installs it)";
        ASSERT_FALSE(FindProgram("xdotool").empty()) << "xdotool is missing (scripts/install-deps.sh installs it)";
        dpy = gServer->dpy;
        WriteGame();
        // The pointer waits off the window, so that it enters the window as a player's would.
        Xdotool("mousemove 0 0");
        f = StartFrame<WindowFrame>();
        ASSERT_NE(nullptr, f->GetRenderDevice());
        f->ShowWindow(SW_SHOW);
        ASSERT_TRUE(PumpUntil([&] {
            std::vector<Window> found = Windows();
            win = found.size() == 1 ? found[0] : 0;
            return win != 0 && Viewable();
        })) << "the game window never showed";
        XSelectInput(dpy, win, StructureNotifyMask);
    }

    void WriteGame() {
        const std::string demo = std::string(KEST2D_SOURCE_DIR) + "/examples/demo/img/";
        WriteFile(GamePath("img/table.png"), ReadFile(demo + "table.png"));
        WriteFile(GamePath("img/button.png"), ReadFile(demo + "button.png"));
        WriteFile(GamePath("systemini.ini"),
                  Gbk(std::string("[systemini]\nscreenwidth=800\nscreenheight=600\niswindows=1\ncaption=") + kCaption +
                      "\n"));
        std::string buttons;
        for (const auto& b : std::vector<std::pair<int, int>>{{42, 200}, {10006, 400}, {10007, 560}}) {
            buttons += "<KestControl Type=\"Button\" Name=\"b" + std::to_string(b.first) + "\"><Propertys>"
                       "<Property Name=\"Id\" Value=\"" + std::to_string(b.first) + "\"/>"
                       "<Property Name=\"StartX\" Value=\"" + std::to_string(b.second) + "\"/>"
                       "<Property Name=\"StartY\" Value=\"200\"/><Property Name=\"Width\" Value=\"120\"/>"
                       "<Property Name=\"Height\" Value=\"40\"/><Property Name=\"Visible\" Value=\"1\"/>"
                       "<Property Name=\"Enable\" Value=\"1\"/><Property Name=\"Text\" Value=\"按钮___\"/>"
                       "<Property Name=\"ButtonType\" Value=\"0\"/>"
                       "<Property Name=\"background\" Value=\"img\\button.png\"/></Propertys></KestControl>";
        }
        WriteFile(GamePath("layout/main.xml"),
                  std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<KestControl Type=\"Container\" Name=\"") +
                      kCaption +
                      "___\"><Propertys><Property Name=\"Id\" Value=\"1\"/><Property Name=\"StartX\" Value=\"0\"/>"
                      "<Property Name=\"StartY\" Value=\"0\"/><Property Name=\"Width\" Value=\"800\"/>"
                      "<Property Name=\"Height\" Value=\"600\"/><Property Name=\"Visible\" Value=\"1\"/>"
                      "<Property Name=\"Enable\" Value=\"1\"/><Property Name=\"IsWindow\" Value=\"1\"/>"
                      "<Property Name=\"background\" Value=\"img\\table.png\"/></Propertys><Childrens>" +
                      buttons + "</Childrens></KestControl>\n");
        WriteFile(GamePath("scripts/gamelogic.lua"),
                  "local frame = kest2d.CKesBaseFrame:getSingleton()\n"
                  "clicks = ''\n"
                  "function OnProcessGameUpdate() end\n"
                  "function LoadGameResources() frame:LoadGUIConfig('layout\\\\main.xml') end\n"
                  "function OnProcessGameTimer(id) end\n"
                  "function OnProcessGameNetwork(state, message) end\n"
                  "function OnProcessGameEvent(e)\n"
                  "  local event = toHelper.toKesEvent(e)\n"
                  "  if event.mEventType == kest2d.KESET_GUI_EVENT and\n"
                  "     event.mGuiEvent.EventType == kest2d.KESGET_BUTTON_CLICKED then\n"
                  "    clicks = clicks .. event.mGuiEvent.Caller:GetID() .. ';'\n"
                  "  end\n"
                  "end\n");
    }

    // Runs the game until `done` holds, at most `ms` milliseconds.
    bool PumpUntil(const std::function<bool()>& done, int ms = 20000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            if (done()) return true;
            if (std::chrono::steady_clock::now() > deadline) return false;
            platform::RunFor(10);
        }
    }
    void Xdotool(const std::string& args) {
        const std::string cmd = "xdotool " + args;
        EXPECT_EQ(0, std::system(cmd.c_str())) << cmd;
    }

    // ---- What the X server says ----
    std::string NetName(Window w) {
        const std::vector<unsigned long> bytes =
            Property(dpy, w, "_NET_WM_NAME", XInternAtom(dpy, "UTF8_STRING", False));
        return std::string(bytes.begin(), bytes.end());
    }
    void Collect(Window w, std::vector<Window>* found) {
        if (NetName(w) == kCaption) found->push_back(w);
        Window root, parent, *children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(dpy, w, &root, &parent, &children, &n)) return;
        for (unsigned int i = 0; i < n; ++i) Collect(children[i], found);
        if (children) XFree(children);
    }
    // Every window titled with the game's caption.
    std::vector<Window> Windows() {
        std::vector<Window> found;
        Collect(DefaultRootWindow(dpy), &found);
        return found;
    }
    bool Viewable() {
        XWindowAttributes a;
        return XGetWindowAttributes(dpy, win, &a) && a.map_state == IsViewable;
    }
    Point Origin() {
        int x = 0, y = 0;
        Window child;
        XTranslateCoordinates(dpy, win, DefaultRootWindow(dpy), 0, 0, &x, &y, &child);
        return Point{x, y};
    }
    Point Size() {
        XWindowAttributes a;
        if (!XGetWindowAttributes(dpy, win, &a)) return Point{0, 0};
        return Point{a.width, a.height};
    }
    // Where the window is and how big, by the server and by the engine alike.
    bool Placed(Point origin, Point size) {
        RECT rc;
        f->GetWindowRect(&rc);
        return Origin() == origin && Size() == size && Point{rc.left, rc.top} == origin &&
               Point{rc.right - rc.left, rc.bottom - rc.top} == size;
    }
    static Point Centred(Point size) { return Point{(kScreenWidth - size.x) / 2, (kScreenHeight - size.y) / 2}; }
    long WmState() {
        const std::vector<unsigned long> state = Property(dpy, win, "WM_STATE", AnyPropertyType);
        return state.empty() ? -1 : static_cast<long>(state[0]);
    }
    bool FullScreenState() {
        const std::vector<unsigned long> states = Property(dpy, win, "_NET_WM_STATE", XA_ATOM);
        const Atom full = XInternAtom(dpy, "_NET_WM_STATE_FULLSCREEN", False);
        return std::find(states.begin(), states.end(), full) != states.end();
    }
    // Pixels of the window that differ from the engine's picture (its screenshot), -1 when unreadable.
    long PictureDifference() {
        const platform::KesRenderDevice* device = f->GetRenderDevice();
        const int w = device->BackBufferWidth(), h = device->BackBufferHeight();
        if (!Viewable() || Size() != Point{w, h}) return -1;
        XImage* image = XGetImage(dpy, win, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes, ZPixmap);
        if (!image) return -1;
        const uint32_t* picture = f->GetRenderDevice()->BackBufferPixels();
        long differ = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if ((XGetPixel(image, x, y) & 0xFFFFFF) != (picture[static_cast<size_t>(y) * w + x] & 0xFFFFFF)) ++differ;
        XDestroyImage(image);
        return differ;
    }
    void ExpectPictureShown() {
        long differ = -1;
        EXPECT_TRUE(PumpUntil([&] { return (differ = PictureDifference()) == 0; })) << differ << " pixels differ";
    }
    // A click at a client point of the window.
    void Click(Point client, int button = 1) {
        const Point o = Origin();
        Xdotool("mousemove " + std::to_string(o.x + client.x) + " " + std::to_string(o.y + client.y) + " click " +
                std::to_string(button));
    }

    Display* dpy = nullptr;
    Window win = 0;
    WindowFrame* f = nullptr;
    static bool mNoWindowManager;
};

bool RealWindow::mNoWindowManager = false;

}  // namespace

TEST_F(RealWindow, PictureInputDraggingAndMinimising) {
    const Window first = win;
    // Centred at once, the frame's size and caption, showing the engine's picture.
    EXPECT_TRUE(PumpUntil([&] { return Placed(Centred({800, 600}), {800, 600}); }));
    EXPECT_EQ(kCaption, NetName(win));
    ExpectPictureShown();

    // A layout button: the click reaches the script.
    Click({260, 220});
    EXPECT_TRUE(PumpUntil([&] { return f->Clicks() == "42;"; })) << f->Clicks();

    // Drags by the top rows, with absolute and with relative pointer moves; the
    // wheel then reports the screen point under the pointer.
    struct Drag {
        const char* kind;
        Point step;
    };
    for (const Drag& d : {Drag{"absolute", {10, 6}}, Drag{"relative", {-7, 5}}}) {
        SCOPED_TRACE(d.kind);
        const Point start = Origin();
        Point pointer{start.x + 100, start.y + 10};
        Xdotool("mousemove " + std::to_string(pointer.x) + " " + std::to_string(pointer.y) + " mousedown 1");
        ASSERT_TRUE(PumpUntil([&] { return platform::IsCaptionDragging(); }));
        for (int i = 1; i <= 6; ++i) {
            pointer = Point{pointer.x + d.step.x, pointer.y + d.step.y};
            if (d.kind[0] == 'a')
                Xdotool("mousemove " + std::to_string(pointer.x) + " " + std::to_string(pointer.y));
            else
                Xdotool("mousemove_relative -- " + std::to_string(d.step.x) + " " + std::to_string(d.step.y));
            // The window follows every step.
            const Point expected{start.x + i * d.step.x, start.y + i * d.step.y};
            EXPECT_TRUE(PumpUntil([&] { return Placed(expected, {800, 600}); }, 10000))
                << "step " << i << ": window at " << Origin() << ", expected " << expected;
        }
        Xdotool("mouseup 1");
        EXPECT_TRUE(PumpUntil([&] { return !platform::IsCaptionDragging(); }));

        f->wheels.clear();
        const Point o = Origin();
        Click({300, 400}, 4);
        ASSERT_TRUE(PumpUntil([&] { return !f->wheels.empty(); }));
        EXPECT_EQ((Point{o.x + 300, o.y + 400}), (Point{f->wheels[0].mMouseEvent.X, f->wheels[0].mMouseEvent.Y}));
        EXPECT_EQ(1.0f, f->wheels[0].mMouseEvent.Wheel);
    }
    EXPECT_EQ("42;", f->Clicks());  // the drags never reached a button

    // Minimise by its button, restore through the window manager.
    Click({460, 220});
    EXPECT_TRUE(PumpUntil([&] { return f->IsIconic() && WmState() == IconicState; })) << WmState();
    Xdotool("windowactivate " + std::to_string(win));
    EXPECT_TRUE(PumpUntil([&] { return !f->IsIconic() && WmState() == NormalState && Viewable(); })) << WmState();
    ExpectPictureShown();

    // The same window all along.
    EXPECT_EQ(std::vector<Window>{first}, Windows());
}

TEST_F(RealWindow, FullScreenOnlyWithAModeOfTheFrameSize) {
    const std::string line = Gbk("不能找到正确的全屏格式。");
    // The screen has no 800 x 600 mode: 10007 leaves a window, and the frame knows it.
    Click({620, 220});
    ASSERT_TRUE(PumpUntil([&] { return ReadLog().find(line) != std::string::npos; }));
    EXPECT_TRUE(f->IsWindowed());
    EXPECT_TRUE(f->DeviceWindowed());
    EXPECT_FALSE(FullScreenState());
    EXPECT_TRUE(PumpUntil([&] { return Placed(Centred({800, 600}), {800, 600}); }));

    // Window-mode operations go on: the shake, and a new size.
    XEvent e;
    while (XPending(dpy)) XNextEvent(dpy, &e);
    f->DitherMainFrame();
    XSync(dpy, False);
    std::set<Point> visited;
    while (XPending(dpy)) {
        XNextEvent(dpy, &e);
        if (e.type == ConfigureNotify && e.xconfigure.send_event) visited.insert(Point{e.xconfigure.x, e.xconfigure.y});
    }
    const Point home = Centred({800, 600});
    EXPECT_EQ(1u, visited.count(Point{home.x + 10, home.y - 10})) << visited.size() << " places visited";
    EXPECT_TRUE(PumpUntil([&] { return Placed(home, {800, 600}); })) << Origin();

    f->ChangeGameFrameSize(CKesDimension2d<int>(640, 480));
    EXPECT_EQ(640, f->GetRenderDevice()->BackBufferWidth());
    EXPECT_EQ(480, f->GetRenderDevice()->BackBufferHeight());
    EXPECT_TRUE(PumpUntil([&] { return Placed(Centred({640, 480}), {640, 480}); })) << Origin();
    ExpectPictureShown();

    // The screen's own size has a mode: 10007 goes to full screen.
    f->ChangeGameFrameSize(CKesDimension2d<int>(kScreenWidth, kScreenHeight));
    EXPECT_TRUE(PumpUntil([&] { return Placed({0, 0}, {kScreenWidth, kScreenHeight}); }));
    Click({620, 220});
    EXPECT_TRUE(PumpUntil([&] { return !f->IsWindowed() && FullScreenState(); }));
    EXPECT_FALSE(f->DeviceWindowed());
    EXPECT_TRUE(PumpUntil([&] { return Placed({0, 0}, {kScreenWidth, kScreenHeight}); }));
    ExpectPictureShown();

    // And back to a window.
    f->SwitchScreenAndWindow();
    EXPECT_TRUE(PumpUntil([&] { return f->IsWindowed() && !FullScreenState(); }));
    EXPECT_TRUE(f->DeviceWindowed());
    f->ChangeGameFrameSize(CKesDimension2d<int>(800, 600));
    EXPECT_TRUE(PumpUntil([&] { return Placed(Centred({800, 600}), {800, 600}); })) << Origin();
    ExpectPictureShown();
    EXPECT_EQ("10007;10007;", f->Clicks());
}
