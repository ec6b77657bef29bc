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

}  // namespace test
}  // namespace kest2d
