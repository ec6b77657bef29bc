// The kest2d host on a real X server, run as a player runs it: its clicks,
// its close by the window manager and by termination signals, the display
// mode of a full-screen game and its return, and the end of its sanitizer
// build without any leak suppression.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
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
// reports ("click: press", "click: double"). Started with busy$1 it gets
// stuck in its first timer ("script busy"), never to return.
const char* const kScript =
    "local frame = kest2d.CKesBaseFrame:getSingleton()\n"
    "function LoadGameResources()\n"
    "  frame.__CKesBaseGUIContainer__:AddMultiListBox(50, 'list', kest2d.CKesRect_int_(100, 100, 700, 500), nil)\n"
    "  if frame:GetStartCommond('busy') ~= '' then frame:StartGameTimer(7, 50) end\n"
    "end\n"
    "function OnProcessGameTimer(id)\n"
    "  kest2d.CKesLogger:output('script busy', kest2d.INFO)\n"
    "  while true do end\n"
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
    void TearDown() override { KillHost(); }
    // Ends a host that is still there, as a test that failed leaves it; a
    // killed host leaves the block's name (the next host takes it over).
    void KillHost() {
        if (mHost <= 0) return;
        kill(mHost, SIGKILL);
        waitpid(mHost, nullptr, 0);
        mHost = -1;
        std::remove(("/dev/shm/" + mShm).c_str());
    }

    void WriteSystemIni(int width, int height, bool windowed) {
        WriteFile(mDir.file("game/systemini.ini"), "[systemini]\nscreenwidth=" + std::to_string(width) +
                                                       "\nscreenheight=" + std::to_string(height) +
                                                       "\niswindows=" + (windowed ? "1" : "0") +
                                                       "\ncaption=" + kCaption + "\n");
    }
    // The sanitizer host as a developer runs it: no leak suppressions, and a
    // shared-memory block of its own.
    void StartHost(const std::string& pair = "") {
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
        std::vector<std::string> args{"-d$game"};
        if (!pair.empty()) args.push_back(pair);
        mHost = Spawn(std::string(KEST2D_BINARY_DIR) + "/kest2d", args,
                      SpawnOptions{mDir.path(), env, mDir.file("err.txt")});
        ASSERT_GT(mHost, 0);
        ASSERT_TRUE(Until([&] {
            const std::vector<Window> found = WindowsNamed(dpy, kCaption);
            win = found.size() == 1 ? found[0] : 0;
            return win != 0 && Viewable(dpy, win);
        })) << "the game window never showed";
        EXPECT_TRUE(PathExists("/dev/shm/" + mShm));
    }
    // How the host ended: "exit N", "signal N" (ended by it), or "running"
    // after 30 s (it is then killed, so that the next host starts alone). An
    // exit is a close: its shared memory is gone.
    std::string HostEnd() {
        int status = 0;
        if (!Until([&] { return waitpid(mHost, &status, WNOHANG) == mHost; }, 30000)) {
            KillHost();
            return "running";
        }
        mHost = -1;
        const std::string err = ReadFile(mDir.file("err.txt"));
        EXPECT_EQ(std::string::npos, err.find("Sanitizer")) << err;
        if (WIFSIGNALED(status)) {
            // Ended at once, it leaves the block's name.
            std::remove(("/dev/shm/" + mShm).c_str());
            return "signal " + std::to_string(WTERMSIG(status));
        }
        EXPECT_FALSE(PathExists("/dev/shm/" + mShm)) << "the shared memory of a host that did not close";
        return "exit " + std::to_string(WEXITSTATUS(status));
    }
    // True while `sig`, sent to the host, waits to be taken.
    bool Pending(int sig) {
        const std::string status = ReadFile("/proc/" + std::to_string(mHost) + "/status");
        const size_t at = status.find("ShdPnd:");
        return at != std::string::npos && (std::strtoull(status.c_str() + at + 7, nullptr, 16) >> (sig - 1)) & 1;
    }
    static bool Until(const std::function<bool()>& done, int ms = 20000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            usleep(20000);
        }
        return true;
    }
    std::string Log() const { return ReadFile(mDir.file("kest2d.log")); }
    // The clicks the script logged, in order.
    std::vector<std::string> Clicks() {
        std::vector<std::string> clicks;
        const std::string log = Log();
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
    EXPECT_EQ("exit 0", HostEnd());

    // Full screen in the smaller mode: the display changes to it, and every
    // end gives the desktop its mode back. One signal closes the game as the
    // window manager's close does. A second one, of either kind, ends the
    // host at once, by that signal, even while its script is busy.
    WriteSystemIni(kSmallModeWidth, kSmallModeHeight, false);
    const Point desktop{kScreenWidth, kScreenHeight}, game{kSmallModeWidth, kSmallModeHeight};
    const struct {
        const char* name;
        std::vector<int> signals;  // none: the window manager's close
        bool busy;
        const char* end;
    } rows[] = {
        {"close", {}, false, "exit 0"},
        {"SIGTERM", {SIGTERM}, false, "exit 0"},
        {"SIGINT", {SIGINT}, false, "exit 0"},
        {"SIGTERM, then SIGINT while busy", {SIGTERM, SIGINT}, true, "signal 2"},
        {"SIGINT, then SIGTERM while busy", {SIGINT, SIGTERM}, true, "signal 15"},
        {"SIGTERM twice while busy", {SIGTERM, SIGTERM}, true, "signal 15"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(desktop, DisplayModeSize(dpy));
        ASSERT_NO_FATAL_FAILURE(StartHost(row.busy ? "busy$1" : ""));
        EXPECT_TRUE(Until([&] { return FullScreenState(dpy, win) && DisplayModeSize(dpy) == game; }))
            << DisplayModeSize(dpy);
        if (row.busy) {
            EXPECT_TRUE(Until([&] { return Log().find("script busy") != std::string::npos; }));
        }
        if (row.signals.empty()) Xdotool("key alt+F4");
        for (size_t i = 0; i < row.signals.size(); ++i) {
            if (i > 0) {
                // The first one was taken, and the busy game goes on in its mode.
                EXPECT_TRUE(Until([&] { return !Pending(row.signals[0]); }));
                EXPECT_EQ(0, waitpid(mHost, nullptr, WNOHANG));
                EXPECT_EQ(game, DisplayModeSize(dpy));
            }
            kill(mHost, row.signals[i]);
        }
        const auto sent = std::chrono::steady_clock::now();
        EXPECT_EQ(row.end, HostEnd());
        if (row.busy) {
            EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(1));
        }
        EXPECT_EQ(desktop, DisplayModeSize(dpy));
        EXPECT_TRUE(Until([&] { return WindowsNamed(dpy, kCaption).empty(); }));
    }
}
