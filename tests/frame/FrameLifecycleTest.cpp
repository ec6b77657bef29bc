#include <gtest/gtest.h>

#include "support/FrameFixture.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

class ClosingFrame : public CKesBaseFrame {
public:
    explicit ClosingFrame(KesWnd* parent = nullptr) : CKesBaseFrame(parent) {}
    void OnProcessGameTimer(unsigned int id) override {
        timers.push_back(id);
        if (id == 77) CloseGameFrame(7);
    }
    std::vector<unsigned> timers;
};

class FrameLifecycle : public FrameFixture {};

}  // namespace

TEST_F(FrameLifecycle, DefaultsWithoutAnIniFile) {
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    EXPECT_EQ(Gbk("Kest2d独立游戏创造平台"), f->GetWindowText());
    RECT r;
    f->GetWindowRect(&r);
    EXPECT_EQ(800, r.right - r.left);
    EXPECT_EQ(600, r.bottom - r.top);
    EXPECT_TRUE(f->IsWindowed());
    EXPECT_EQ(f, CKesBaseFrame::getSingletonPtr());
    EXPECT_EQ(f, f->GetDriver());
    EXPECT_TRUE(f->HasTimer(KES_TIMER_FRAME));
    EXPECT_TRUE(f->HasTimer(KES_TIMER_LOG_EXPORT));
    EXPECT_EQ(UPDATE_COMPLETE, f->GetUpdateState());
}

TEST_F(FrameLifecycle, IniSizeWinsForTheWindowAndTheArgumentForTheGui) {
    WriteFile(GamePath("systemini.ini"),
              Gbk("[systemini]\r\nscreenwidth=1024\r\nscreenheight=700\r\ncaption=我的游戏\r\niswindows=0\r\n"));
    OfferFullScreenMode(CKesDimension2d<int>(640, 480));
    CKesBaseFrame* f = StartFrame<PlainFrame>("", CKesDimension2d<int>(640, 480));
    RECT r;
    f->GetWindowRect(&r);
    EXPECT_EQ(1024, r.right - r.left);
    EXPECT_EQ(700, r.bottom - r.top);
    EXPECT_EQ(CKesRect<int>(0, 0, 640, 480), f->GetAbsoluteRect());
    EXPECT_EQ(Gbk("我的游戏"), f->GetWindowText());
    EXPECT_FALSE(f->IsWindowed());
}

TEST_F(FrameLifecycle, GarbageSizesInTheIniGiveTheDefaults) {
    WriteFile(GamePath("systemini.ini"), "[systemini]\nscreenwidth=abc\nscreenheight=-5\n");
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    RECT r;
    f->GetWindowRect(&r);
    EXPECT_EQ(800, r.right - r.left);
    EXPECT_EQ(600, r.bottom - r.top);
}

TEST_F(FrameLifecycle, CloseGameFrameEndsDoModalWithItsCodeAndEnablesTheParent) {
    KesWnd parent;
    RECT pr;
    pr.right = 50;
    pr.bottom = 50;
    ASSERT_TRUE(parent.CreateEx(0, "parent", WS_POPUP, pr, nullptr, 0));
    platform::SetCommandLine("-d$" + mGame->path());
    auto* f = new ClosingFrame(&parent);
    mFrame.reset(f);
    ASSERT_TRUE(f->Initialize("", CKesDimension2d<int>(800, 600)));
    f->StartGameTimer(77, 100);
    EXPECT_EQ(7, f->DoModal());
    EXPECT_FALSE(f->IsWindow());
    EXPECT_TRUE(parent.IsWindowEnabled());
    EXPECT_EQ(std::vector<unsigned>{77}, f->timers);
}

TEST_F(FrameLifecycle, EngineTimerIdsAreRefused) {
    auto* f = StartFrame<ClosingFrame>();
    f->StopGameTimer(KES_TIMER_FRAME);
    f->StartGameTimer(KES_TIMER_LOG_EXPORT, 5);
    EXPECT_TRUE(f->HasTimer(KES_TIMER_FRAME));
    f->StartGameTimer(5, 100);
    f->StartGameTimer(5, 20);
    platform::RunFor(210);
    int fives = 0, engine = 0;
    for (unsigned id : f->timers) {
        fives += id == 5;
        engine += id >= 10000;
    }
    EXPECT_EQ(10, fives);
    EXPECT_EQ(0, engine);
    EXPECT_NE(std::string::npos, ReadFile(GamePath("kest2d.log")).find(Gbk("属于引擎保留")));
}

TEST_F(FrameLifecycle, DitherEndsWhereItBeganAndSleeps735Ms) {
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    RECT before, after;
    f->GetWindowRect(&before);
    DWORD t0 = GetTickCount();
    f->DitherMainFrame();
    EXPECT_EQ(735u, GetTickCount() - t0);
    f->GetWindowRect(&after);
    EXPECT_EQ(before.left, after.left);
    EXPECT_EQ(before.top, after.top);
}

TEST_F(FrameLifecycle, AFullScreenStartWithoutAModeOfThatSizeOpensAWindow) {
    WriteFile(GamePath("systemini.ini"), "[systemini]\niswindows=0\n");
    OfferFullScreenMode(CKesDimension2d<int>(1024, 768));
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    EXPECT_TRUE(f->IsWindowed());
    EXPECT_TRUE(f->GetRenderDevice()->GetParams().windowed);
    EXPECT_NE(std::string::npos, ReadLog().find(Gbk("不能找到正确的全屏格式。")));
}

TEST_F(FrameLifecycle, DitherDoesNothingInFullScreen) {
    WriteFile(GamePath("systemini.ini"), "[systemini]\niswindows=0\n");
    OfferFullScreenMode();
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    DWORD t0 = GetTickCount();
    f->DitherMainFrame();
    EXPECT_EQ(t0, GetTickCount());
}

TEST_F(FrameLifecycle, SingletonIsClearedOnlyByItsOwnFrame) {
    auto* first = new PlainFrame();
    auto* second = new PlainFrame();
    EXPECT_EQ(second, CKesBaseFrame::getSingletonPtr());
    delete first;
    EXPECT_EQ(second, CKesBaseFrame::getSingletonPtr());
    delete second;
    EXPECT_EQ(nullptr, CKesBaseFrame::getSingletonPtr());
}

TEST_F(FrameLifecycle, MinimiseShowsTheWindowIconic) {
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    f->MinGameFrame();
    EXPECT_TRUE(f->IsIconic());
}

TEST(FrameDeathTest, GetSingletonWithoutAFrameFailsItsAssertion) {
    EXPECT_DEATH(CKesBaseFrame::getSingleton(), "m_Singleton");
}
