// The frame animator (sprite archives made by the test) and the turn clock
// (a digit strip made by the test), read back from the screen.
#include "controls/ControlsFixture.h"
#include "gui/controls/Kest2dGUIGameAnimator.h"
#include "gui/controls/Kest2dGUIGameClock.h"
#include "platform/KesClock.h"
#include "KesPackWriter.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

const DWORD kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kWhite = 0xFFFFFFFFu;

std::string Solid(DWORD colour) {
    return Tga(20, 20, [colour](int, int) { return colour; });
}

pack::SprFrame Frame(const std::string& name, const std::string& data, bool shown = true) {
    return {name, data, shown};
}

class AnimatorTest : public ControlsFixture {
protected:
    void WriteSpr(const std::string& relative, const std::vector<pack::SprFrame>& frames, int speed) {
        std::string error;
        const std::string bytes = pack::BuildSpr(frames, 20, 20, speed, &error);
        ASSERT_FALSE(bytes.empty()) << error;
        WriteFile(GamePath(relative), bytes);
    }
    // An animator (id 5) at (100, 100), 40 x 40, playing "anim\a.spr": red,
    // green, a hidden blue frame and white, at speed 5 (40 ms a frame).
    CKesGUIGameAnimator* StartWithAnimator(const std::string& defPlay = "1") {
        WriteSpr("anim/a.spr",
                 {Frame("r", Solid(kRed)), Frame("g", Solid(kGreen)), Frame("b", Solid(kBlue), false),
                  Frame("w", Solid(kWhite))},
                 5);
        Start(Control("GameAnimator", "anim",
                      At(5, 100, 100, 40, 40, {{"GamePath", "anim\\a.spr"}, {"IsDefPlay", defPlay}})));
        return Find<CKesGUIGameAnimator>(5);
    }
    // The colour at the animator's centre after one more draw.
    DWORD Shown() {
        DrawGui();
        return Px(120, 120);
    }
};

TEST_F(AnimatorTest, FramesFollowEachOtherAtTheArchivesPace) {
    CKesGUIGameAnimator* a = StartWithAnimator();
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(KESGUI_GAMEANIMATOR, a->GetType());
    EXPECT_EQ(4, a->GetFrameCount());
    EXPECT_EQ(5, a->GetSpeed());
    EXPECT_EQ(CKesDimension2d<int>(20, 20), a->GetAnimSize());
    EXPECT_EQ("anim\\a.spr", a->GetAnimatorPath());
    EXPECT_TRUE(a->isPlaying());
    EXPECT_TRUE(a->OnProcessEvent(Press(120, 120)));

    EXPECT_EQ(kRed, Shown());  // starts the clock of the first frame
    // Stretched over the whole control.
    EXPECT_EQ(kRed, Px(100, 100));
    EXPECT_EQ(kRed, Px(139, 139));
    EXPECT_EQ(0xFF000000u, Px(140, 120));
    platform::AdvanceClock(40);
    EXPECT_EQ(kRed, Shown());  // 40 ms is not more than 5 x 8
    platform::AdvanceClock(1);
    EXPECT_EQ(kGreen, Shown());
    EXPECT_EQ(1, a->GetCurrentFrame());
    EXPECT_EQ(kGreen, Shown());  // the next frame's clock starts here
    platform::AdvanceClock(41);
    EXPECT_EQ(0xFF000000u, Shown());  // the hidden frame draws nothing
    EXPECT_EQ(2, a->GetCurrentFrame());
    EXPECT_EQ(0xFF000000u, Shown());
    platform::AdvanceClock(41);
    EXPECT_EQ(kWhite, Shown());
    EXPECT_EQ(kWhite, Shown());
    platform::AdvanceClock(41);
    EXPECT_EQ(kRed, Shown());  // wraps to the first frame
    EXPECT_EQ(0, a->GetCurrentFrame());
}

TEST_F(AnimatorTest, PauseStopPlayAndRestart) {
    CKesGUIGameAnimator* a = StartWithAnimator();
    Shown();
    platform::AdvanceClock(41);
    EXPECT_EQ(kGreen, Shown());
    a->Pause();
    EXPECT_FALSE(a->isPlaying());
    platform::AdvanceClock(500);
    EXPECT_EQ(kGreen, Shown());
    a->Play();  // continues from the current frame
    EXPECT_EQ(kGreen, Shown());
    platform::AdvanceClock(41);
    Shown();
    EXPECT_EQ(2, a->GetCurrentFrame());

    a->Stop();
    EXPECT_FALSE(a->isPlaying());
    EXPECT_EQ(0, a->GetCurrentFrame());
    EXPECT_EQ(kRed, Shown());
    platform::AdvanceClock(500);
    EXPECT_EQ(kRed, Shown());
    a->Play();  // from the first frame
    EXPECT_EQ(kRed, Shown());
    platform::AdvanceClock(41);
    EXPECT_EQ(kGreen, Shown());

    a->Restart();
    EXPECT_TRUE(a->isPlaying());
    EXPECT_EQ(kRed, Shown());
}

TEST_F(AnimatorTest, TheLayoutDecidesWhetherItPlays) {
    CKesGUIGameAnimator* a = StartWithAnimator("0");
    EXPECT_FALSE(a->isPlaying());
    EXPECT_EQ(kRed, Shown());
    platform::AdvanceClock(500);
    EXPECT_EQ(kRed, Shown());
}

TEST_F(AnimatorTest, SpeedZeroAdvancesWheneverTheClockHasMoved) {
    WriteSpr("anim/fast.spr", {Frame("r", Solid(kRed)), Frame("g", Solid(kGreen))}, 0);
    f = StartFrame<ControlFrame>();
    CKesGUIGameAnimator* a = f->AddGameAnimator(9, "fast", CKesRect<int>(100, 100, 140, 140), nullptr);
    ASSERT_TRUE(a->LoadAnimator("anim\\fast.spr"));
    EXPECT_EQ(0, a->GetSpeed());
    EXPECT_EQ(kRed, Shown());
    EXPECT_EQ(kRed, Shown());  // the clock has not moved
    platform::AdvanceClock(1);
    EXPECT_EQ(kGreen, Shown());
    platform::AdvanceClock(1);
    EXPECT_EQ(kGreen, Shown());  // a new switch time starts
    platform::AdvanceClock(1);
    EXPECT_EQ(kRed, Shown());
}

TEST_F(AnimatorTest, BadArchivesAndFramesLeaveAClearedOrShorterAnimation) {
    CKesGUIGameAnimator* a = StartWithAnimator();
    EXPECT_FALSE(a->LoadAnimator("anim\\none.spr"));
    EXPECT_EQ(0, a->GetFrameCount());
    EXPECT_EQ(0, a->GetLoadedFrameCount());
    EXPECT_EQ(0, a->GetSpeed());
    EXPECT_TRUE(a->isPlaying());
    EXPECT_EQ(0xFF000000u, Shown());
    EXPECT_FALSE(a->LoadAnimator(""));
    WriteFile(GamePath("anim/junk.spr"), "not an archive at all, not at all");
    EXPECT_FALSE(a->LoadAnimator("anim\\junk.spr"));
    EXPECT_EQ(0, a->GetLoadedFrameCount());

    // An empty frame leaves no frame: four records, three frames, and the
    // animation wraps after the third. A frame that is no picture stays in
    // the turn but draws nothing.
    WriteSpr("anim/gap.spr",
             {Frame("r", Solid(kRed)), Frame("empty", ""), Frame("junk", "no picture"), Frame("g", Solid(kGreen))}, 5);
    ASSERT_TRUE(a->LoadAnimator("anim\\gap.spr"));
    EXPECT_EQ(4, a->GetFrameCount());
    EXPECT_EQ(3, a->GetLoadedFrameCount());
    const DWORD expected[] = {kRed, 0xFF000000u, kGreen, kRed, 0xFF000000u};
    for (DWORD colour : expected) {
        EXPECT_EQ(colour, Shown()) << a->GetCurrentFrame();
        Shown();  // starts the frame's clock
        platform::AdvanceClock(41);
    }
}

TEST_F(AnimatorTest, ReloadingReleasesTheOldFramesTextures) {
    CKesGUIGameAnimator* a = StartWithAnimator();
    ASSERT_EQ(4, a->GetLoadedFrameCount());
    std::vector<unsigned long> old;
    for (int i = 0; i < 4; ++i) old.push_back(a->GetFrameTexture(i));
    EXPECT_EQ(20, f->GetTextureWidth(old[0]));
    ASSERT_TRUE(a->LoadAnimator("anim\\a.spr"));
    for (unsigned long tex : old) EXPECT_EQ(0, f->GetTextureWidth(tex));
    EXPECT_EQ(20, f->GetTextureWidth(a->GetFrameTexture(0)));
    EXPECT_EQ(0u, a->GetFrameTexture(4));

    CKesGUIGameAnimator bare;
    EXPECT_EQ(KESGUI_COUNT, bare.GetType());
    EXPECT_FALSE(bare.LoadAnimator("anim\\a.spr"));
    bare.Draw();
}

// ---- Turn clock ----

// The colour of digit d in the strip.
DWORD DigitColour(int d) { return 0xFF000000u | (static_cast<DWORD>(20 + d * 20) << 16) | 0x8000u | (200 - d * 15); }

class ClockTest : public ControlsFixture {
protected:
    // A clock (id 4) at (100, 100), 100 x 40, with a 200 x 20 strip (digits
    // 20 wide).
    CKesGUIGameClock* StartWithClock(Props more = {}) {
        WriteFile(GamePath("img/digits.tga"), Tga(200, 20, [](int x, int) { return DigitColour(x / 20); }));
        Props p = At(4, 100, 100, 100, 40, {{"clocknumimg", "img\\digits.tga"}});
        for (const auto& m : more) p[m.first] = m.second;
        Start(Control("GameClock", "clock", p));
        return Find<CKesGUIGameClock>(4);
    }
};

TEST_F(ClockTest, CentredDigitsStepByTheirSpace) {
    CKesGUIGameClock* c = StartWithClock({{"DefaultNum", "15"}, {"NumSpace", "20"}, {"SnapType", "1"}});
    ASSERT_NE(nullptr, c);
    EXPECT_EQ(KESGUI_GAMECLOCK, c->GetType());
    EXPECT_EQ(15, c->GetClockNum());
    EXPECT_EQ(20, c->GetNumSpace());
    EXPECT_EQ(CLOCK_SNAP_CENTER, c->GetSnapType());
    EXPECT_TRUE(c->OnProcessEvent(Press(110, 110)));
    DrawGui();
    // x = 100 + 50 - 20 = 130, y = 100 + 20 - 10 = 110.
    EXPECT_EQ(DigitColour(1), Px(130, 110));
    EXPECT_EQ(DigitColour(1), Px(149, 129));
    EXPECT_EQ(DigitColour(5), Px(150, 110));
    EXPECT_EQ(DigitColour(5), Px(169, 129));
    EXPECT_EQ(0xFF000000u, Px(129, 115));
    EXPECT_EQ(0xFF000000u, Px(170, 115));
    EXPECT_EQ(0xFF000000u, Px(140, 109));
    EXPECT_EQ(0xFF000000u, Px(140, 130));

    // No space: every digit on the same place, the last one on top.
    c->SetNumSpace(0);
    DrawGui();
    EXPECT_EQ(DigitColour(5), Px(140, 115));
    EXPECT_EQ(0xFF000000u, Px(155, 115));
}

TEST_F(ClockTest, NegativeNumbersRightAndLeftSnap) {
    CKesGUIGameClock* c = StartWithClock({{"NumSpace", "20"}});
    EXPECT_EQ(CLOCK_SNAP_LEFT, c->GetSnapType());  // the layout always sets it
    EXPECT_EQ(0, c->GetClockNum());
    c->SetClockNum(-3);
    ASSERT_EQ(2, c->GetDigitCount());
    EXPECT_EQ(0, c->GetDigit(0));
    EXPECT_EQ(3, c->GetDigit(1));
    DrawGui();
    EXPECT_EQ(DigitColour(0), Px(105, 115));
    EXPECT_EQ(DigitColour(3), Px(125, 115));
    c->SetSnapType(CLOCK_SNAP_RIGHT);
    c->SetClockNum(907);
    DrawGui();
    // x = 200 - 3 x 20 = 140.
    EXPECT_EQ(0xFF000000u, Px(139, 115));
    EXPECT_EQ(DigitColour(9), Px(140, 115));
    EXPECT_EQ(DigitColour(0), Px(160, 115));
    EXPECT_EQ(DigitColour(7), Px(180, 115));
    c->SetClockNum(-2147483647 - 1);
    EXPECT_EQ(11, c->GetDigitCount());
}

TEST_F(ClockTest, BackgroundAndAClockWithoutStrip) {
    WriteFile(GamePath("img/face.tga"), Tga(30, 30, [](int, int) { return kBlue; }));
    CKesGUIGameClock* c = StartWithClock({{"background", "img\\face.tga"}, {"clocknumimg", ""}, {"DefaultNum", "8"}});
    EXPECT_EQ(0u, c->GetClockNumImg());
    DrawGui();
    EXPECT_EQ(kBlue, Px(100, 100));
    EXPECT_EQ(kBlue, Px(129, 129));
    EXPECT_EQ(0xFF000000u, Px(130, 115));  // drawn at its own size
    c->SetVisible(false);
    DrawGui();
    EXPECT_EQ(0xFF000000u, Px(100, 100));

    CKesGUIGameClock bare;
    EXPECT_EQ(KESGUI_COUNT, bare.GetType());
    EXPECT_EQ(CLOCK_SNAP_CENTER, bare.GetSnapType());
    bare.SetClockNum(12);
    bare.Draw();
}

}  // namespace
