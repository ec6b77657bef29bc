// The kest2d host on a real X server, run as a player runs it: its clicks,
// its close by the window manager and by termination signals, and the end of
// its sanitizer build without any leak suppression.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "xwindow/XServer.h"  // last

extern char** environ;

using namespace kest2d::test;

namespace {

SuiteXServer gX;
const char* const kCaption = "Kest2d host";

// A game whose script logs the presses and double clicks that a list box
// reports ("click: press", "click: double").
const char* const kScript =
    "local frame = kest2d.CKesBaseFrame:getSingleton()\n"
    "function LoadGameResources()\n"
    "  frame.__CKesBaseGUIContainer__:AddMultiListBox(50, 'list', kest2d.CKesRect_int_(100, 100, 700, 500), nil)\n"
    "end\n"
    "function OnProcessGameEvent(e)\n"
    "  local event = toHelper.toKesEvent(e)\n"
    "  if event.mEventType ~= kest2d.KESET_GUI_EVENT then return end\n"
    "  local kind = event.mGuiEvent.EventType\n"
    "  if kind == kest2d.KESGET_ELEMENT_SELECTED then kest2d.CKesLogger:output('click: press', kest2d.INFO) end\n"
    "  if kind == 8 then kest2d.CKesLogger:output('click: double', kest2d.INFO) end  -- a double click (unbound)\n"
    "end\n";

class HostWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { gX.Start(); }
    static void TearDownTestSuite() { gX.Stop(); }

    void SetUp() override {
        if (!gX.server) GTEST_SKIP() << gX.skip;
        ASSERT_TRUE(gX.failure.empty()) << gX.failure;
        dpy = gX.server->dpy;
        WriteFile(mDir.file("game/scripts/gamelogic.lua"), kScript);
    }
    void TearDown() override {
        if (mHost <= 0) return;  // a test that failed before the host ended
        kill(mHost, SIGKILL);
        waitpid(mHost, nullptr, 0);
    }

    void WriteSystemIni(int width, int height, bool windowed) {
        WriteFile(mDir.file("game/systemini.ini"), "[systemini]\nscreenwidth=" + std::to_string(width) +
                                                       "\nscreenheight=" + std::to_string(height) +
                                                       "\niswindows=" + (windowed ? "1" : "0") +
                                                       "\ncaption=" + kCaption + "\n");
    }
    // The sanitizer host as a developer runs it: no leak suppressions, and a
    // shared-memory block of its own.
    void StartHost() {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            const std::string name = entry.substr(0, entry.find('='));
            if (name != "LSAN_OPTIONS" && name != "SDL_VIDEODRIVER" && name != "SDL_AUDIODRIVER" &&
                name != "KEST2D_SHM_NAME")
                env.push_back(entry);
        }
        env.push_back("SDL_VIDEODRIVER=x11");
        env.push_back("SDL_AUDIODRIVER=dummy");
        env.push_back("KEST2D_SHM_NAME=" + mShm);
        mHost = Spawn(std::string(KEST2D_BINARY_DIR) + "/kest2d", {"-d$game"},
                      SpawnOptions{mDir.path(), env, mDir.file("err.txt")});
        ASSERT_GT(mHost, 0);
        ASSERT_TRUE(Until([&] {
            const std::vector<Window> found = WindowsNamed(dpy, kCaption);
            win = found.size() == 1 ? found[0] : 0;
            return win != 0 && Viewable(dpy, win);
        })) << "the game window never showed";
        EXPECT_TRUE(PathExists("/dev/shm/" + mShm));
    }
    // The host's exit status once it has ended (-1: ended by a signal, or
    // still running after 30 s); it ended as a close ends it.
    int HostStatus() {
        int status = 0;
        if (!Until([&] { return waitpid(mHost, &status, WNOHANG) == mHost; }, 30000)) return -1;
        mHost = -1;
        const std::string err = ReadFile(mDir.file("err.txt"));
        EXPECT_EQ(std::string::npos, err.find("Sanitizer")) << err;
        EXPECT_FALSE(PathExists("/dev/shm/" + mShm)) << "the shared memory of a host that did not close";
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    static bool Until(const std::function<bool()>& done, int ms = 20000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            usleep(20000);
        }
        return true;
    }
    // The clicks the script logged, in order.
    std::vector<std::string> Clicks() {
        std::vector<std::string> clicks;
        const std::string log = ReadFile(mDir.file("kest2d.log"));
        for (size_t at = log.find("click: "); at != std::string::npos; at = log.find("click: ", at + 1))
            clicks.push_back(log.substr(at + 7, log.find('\n', at) - at - 7));
        return clicks;
    }

    TempDir mDir;
    const std::string mShm = "kest2d-host-window-" + std::to_string(getpid());
    Display* dpy = nullptr;
    Window win = 0;
    pid_t mHost = -1;
};

}  // namespace

TEST_F(HostWindow, ClicksPairAsOnWindowsAndEveryCloseEndsTheGame) {
    // Two quick clicks 20 px apart are two presses; two on one spot are a
    // double click. The window manager's close ends the game normally.
    WriteSystemIni(800, 600, true);
    Xdotool("mousemove 0 0");
    ASSERT_NO_FATAL_FAILURE(StartHost());
    const Point o = Origin(dpy, win);
    Xdotool("mousemove " + std::to_string(o.x + 300) + " " + std::to_string(o.y + 300) + " click 1 mousemove " +
            std::to_string(o.x + 320) + " " + std::to_string(o.y + 300) + " click 1");
    EXPECT_TRUE(Until([&] { return Clicks().size() == 2; })) << Clicks().size();
    Xdotool("mousemove " + std::to_string(o.x + 500) + " " + std::to_string(o.y + 400) + " click --repeat 2 --delay 60 1");
    EXPECT_TRUE(Until([&] { return Clicks().size() == 4; })) << Clicks().size();
    EXPECT_EQ((std::vector<std::string>{"press", "press", "press", "double"}), Clicks());
    Xdotool("key alt+F4");
    EXPECT_EQ(0, HostStatus());

    // A termination signal in full screen closes the window as the window
    // manager's close does, which gives the display its mode back.
    WriteSystemIni(kScreenWidth, kScreenHeight, false);
    for (int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(sig));
        ASSERT_NO_FATAL_FAILURE(StartHost());
        EXPECT_TRUE(Until([&] { return FullScreenState(dpy, win); }));
        kill(mHost, sig);
        EXPECT_EQ(0, HostStatus());
        EXPECT_TRUE(WindowsNamed(dpy, kCaption).empty());
    }
}
