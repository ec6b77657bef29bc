// A test fixture that runs the engine's game window headless on the virtual
// clock, inside a scratch game folder.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "frame/Kest2dBaseFrame.h"
#include "platform/KesClock.h"
#include "platform/KesFiles.h"
#include "support/TestSupport.h"

namespace kest2d {
namespace test {

class FrameFixture : public ::testing::Test {
protected:
    void SetUp() override {
        char buf[4096];
        mSavedCwd = getcwd(buf, sizeof(buf)) ? buf : "/tmp";
        platform::UseVirtualClock();
        mGame = std::make_unique<TempDir>();
        ASSERT_EQ(0, chdir(mGame->path().c_str()));
    }
    void TearDown() override {
        mFrame.reset();
        platform::KesRenderSystem::ClearDisplayModesForTest();
        platform::SetCommandLine("");
        ASSERT_EQ(0, chdir(mSavedCwd.c_str()));
        mGame.reset();
        platform::UseRealClock();
    }
    // Creates the frame with the game folder as working folder (plus `extra`
    // start-command pairs) and initialises it.
    template <class Frame = CKesBaseFrame>
    Frame* StartFrame(const std::string& extra = "", CKesDimension2d<int> size = CKesDimension2d<int>(800, 600)) {
        std::string cmd = "-d$" + mGame->path();
        if (!extra.empty()) cmd += "&" + extra;
        platform::SetCommandLine(cmd);
        Frame* f = new Frame();
        mFrame.reset(f);
        EXPECT_TRUE(f->Initialize("", size));
        return f;
    }
    std::string GamePath(const std::string& relative) const { return mGame->file(relative); }
    // The display offers a full-screen mode of `size` (the headless one has
    // none of most sizes), so that a frame can start in full screen.
    static void OfferFullScreenMode(CKesDimension2d<int> size = CKesDimension2d<int>(800, 600)) {
        platform::DisplayMode mode;
        mode.width = size.Width;
        mode.height = size.Height;
        mode.format = platform::FORMAT_X8R8G8B8;
        platform::KesRenderSystem::SetDisplayModesForTest(mode, {mode});
    }

    std::string mSavedCwd;
    std::unique_ptr<TempDir> mGame;
    std::unique_ptr<CKesBaseFrame> mFrame;
};

// The plain frame with a default constructor, for StartFrame.
class PlainFrame : public CKesBaseFrame {
public:
    PlainFrame() : CKesBaseFrame(nullptr) {}
};

// A frame given the player's input as the window gives it: through the whole
// GUI tree, hit test and focus included. A key can also be pressed inside the
// game loop, where CloseGameFrame acts.
template <class Base = PlainFrame>
class PlayerInput : public Base {
public:
    void Mouse(int kind, int x, int y) {
        CKesEvent e{};
        e.mEventType = KESET_MOUSE_INPUT_EVENT;
        e.mMouseEvent.EventType = kind;
        e.mMouseEvent.X = x;
        e.mMouseEvent.Y = y;
        this->postEventFromUser(e);
    }
    void Click(int x, int y) {
        Mouse(KESMIE_MOUSE_MOVED, x, y);
        Mouse(KESMIE_LMOUSE_PRESSED_DOWN, x, y);
        Mouse(KESMIE_LMOUSE_LEFT_UP, x, y);
    }
    void Key(int key) {
        CKesEvent e{};
        e.mEventType = KESET_KEY_INPUT_EVENT;
        e.mKeyEvent.Key = key;
        e.mKeyEvent.isPressedDown = true;
        this->postEventFromUser(e);
    }
    // Typed text (GBK), as the window hands over typed characters.
    void Type(const std::string& text) {
        CKesEvent e{};
        e.mEventType = KESET_IME_EVENT;
        e.mImeEvent.EventType = KESIME_IME_ENGLISH;
        text.copy(e.mImeEvent.inputStr, sizeof(e.mImeEvent.inputStr) - 1);
        this->postEventFromUser(e);
    }
    // Runs the game loop, presses `key` in it unless it is 0 (the pointer
    // stays where it was) and gives what DoModal returns: 0 when the game
    // did not end within a second.
    int RunTheLoop(int key = 0) {
        mKey = key;
        if (!mTimers.IsWindow()) mTimers.CreateEx(0, "", WS_CHILD, RECT(), nullptr, 0);
        mTimers.SetTimer(kKeyTimer, 10);
        mTimers.SetTimer(kGiveUpTimer, 1000);
        const int code = this->DoModal();
        mTimers.KillTimer(kKeyTimer);
        mTimers.KillTimer(kGiveUpTimer);
        return code;
    }

private:
    // The loop's timers are the test's own, on a window of their own as the
    // host's run limit is: they take none of the game's timer ids and never
    // reach its OnProcessGameTimer.
    class LoopTimers : public KesWnd {
    public:
        explicit LoopTimers(PlayerInput* player) : mPlayer(player) {}
        LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
            if (msg != WM_TIMER) return KesWnd::WindowProc(msg, wp, lp);
            KillTimer(wp);
            if (wp == kGiveUpTimer) {
                mPlayer->CloseGameFrame(0);
            } else if (mPlayer->mKey) {
                mPlayer->Key(mPlayer->mKey);
            }
            return 0;
        }

    private:
        PlayerInput* mPlayer;
    };
    static const UINT_PTR kKeyTimer = 1, kGiveUpTimer = 2;
    int mKey = 0;
    LoopTimers mTimers{this};
};

}  // namespace test
}  // namespace kest2d
