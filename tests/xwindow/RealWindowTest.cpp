// The game window on a real X server: a virtual one (Xvfb) with a window
// manager (openbox), started by the test and driven with xdotool as a player
// would drive it. What the server shows and reports is read back with Xlib.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "lua.h"
#include "platform/KesInput.h"
#include "platform/KesRenderDevice.h"
#include "support/FrameFixture.h"
#include "xwindow/XServer.h"  // last

using namespace kest2d;
using namespace kest2d::test;

namespace {

const char* const kCaption = "Kest2d 真窗口";

SuiteXServer gX;

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

class RealWindow : public FrameFixture {
protected:
    static void SetUpTestSuite() { gX.Start(); }
    static void TearDownTestSuite() { gX.Stop(); }

    void SetUp() override {
        FrameFixture::SetUp();
        platform::UseRealClock();
        if (!gX.server) GTEST_SKIP() << gX.skip;
        ASSERT_TRUE(gX.failure.empty()) << gX.failure;
        dpy = gX.server->dpy;
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

    // ---- What the X server says ----
    // Every window titled with the game's caption.
    std::vector<Window> Windows() { return WindowsNamed(dpy, kCaption); }
    bool Viewable() { return test::Viewable(dpy, win); }
    Point Origin() { return test::Origin(dpy, win); }
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
    bool FullScreenState() { return test::FullScreenState(dpy, win); }
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
};

}  // namespace

TEST_F(RealWindow, PictureInputDraggingAndMinimising) {
    const Window first = win;
    // Centred at once, the frame's size and caption, showing the engine's picture.
    EXPECT_TRUE(PumpUntil([&] { return Placed(Centred({800, 600}), {800, 600}); }));
    EXPECT_EQ(kCaption, NetName(dpy, win));
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
