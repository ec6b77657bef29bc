// The video box: clips made by the test play in the running headless frame on
// the virtual clock; their colours are read back from the screen and the end
// of a clip reaches the parent.
#include <cstdlib>

#include "controls/ControlsFixture.h"
#include "gui/controls/Kest2dGUIVideo.h"
#include "platform/KesVideo.h"
#include "video/OggTheoraWriter.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

const Rgb kColours[] = {{220, 30, 30}, {30, 200, 40}, {40, 50, 210}, {240, 240, 240}};

// A 32 x 24 clip of `frames` frames at 10 per second; frame k is a solid colour.
std::string Clip(int frames) {
    ClipSettings s;
    s.frames = frames;
    s.paint = [](int frame, int, int) { return kColours[frame % 4]; };
    return MakeOggTheora(s);
}

bool Near(DWORD px, const Rgb& c, int tolerance = 12) {
    const int r = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
    return std::abs(r - c.r) <= tolerance && std::abs(g - c.g) <= tolerance && std::abs(b - c.b) <= tolerance;
}

class VideoBoxTest : public ControlsFixture {
protected:
    // A video box (id 7) at (100, 100), 64 x 48, with "video\intro.ogv" (4 frames).
    CKesGUIVideo* StartWithVideo(bool play) {
        WriteFile(GamePath("video/intro.ogv"), Clip(4));
        Start(Control("VideoBox", "intro",
                      At(7, 100, 100, 64, 48, {{"path", "video\\intro.ogv"}, {"IsPlay", play ? "1" : "0"}})));
        return Find<CKesGUIVideo>(7);
    }
    int VideoEvents() const {
        int n = 0;
        for (const CKesEvent& ev : f->raw)
            if (ev.mEventType == KESET_GAME_VIDEO_EVENT) {
                EXPECT_EQ(7, ev.mControlId);
                ++n;
            }
        return n;
    }
};

TEST_F(VideoBoxTest, PlaysTheClipOnScreenAndReportsItsEndOnce) {
    CKesGUIVideo* v = StartWithVideo(true);
    ASSERT_NE(nullptr, v);
    EXPECT_EQ(KESGUI_VIDEOBOX, v->GetType());
    EXPECT_EQ("video\\intro.ogv", v->GetVideoPath());
    ASSERT_NE(nullptr, v->GetVideoClip());
    ASSERT_NE(0u, v->GetVideoTexture());
    EXPECT_EQ(32, f->GetTextureWidth(v->GetVideoTexture()));
    EXPECT_EQ(24, f->GetTextureHeight(v->GetVideoTexture()));
    EXPECT_TRUE(v->OnProcessEvent(Press(110, 110)));  // takes no input

    platform::RunFor(20);
    DrawGui();
    EXPECT_TRUE(Near(Px(110, 110), kColours[0])) << std::hex << Px(110, 110);
    EXPECT_TRUE(Near(Px(131, 123), kColours[0]));
    EXPECT_EQ(0xFF000000u, Px(133, 110));  // drawn at its picture size, not stretched
    platform::RunFor(200);
    DrawGui();
    EXPECT_TRUE(Near(Px(110, 110), kColours[2])) << std::hex << Px(110, 110);
    EXPECT_EQ(0, VideoEvents());

    platform::RunFor(1000);
    EXPECT_EQ(1, VideoEvents());
    EXPECT_EQ(nullptr, v->GetVideoClip());
    EXPECT_EQ(0u, v->GetVideoTexture());
    EXPECT_EQ(0, gVideoManager->getClipCount());
    DrawGui();
    EXPECT_EQ(0xFF000000u, Px(110, 110));
    platform::RunFor(200);
    EXPECT_EQ(1, VideoEvents());

    // Played again from the start.
    v->Play();
    ASSERT_NE(nullptr, v->GetVideoClip());
    platform::RunFor(20);
    DrawGui();
    EXPECT_TRUE(Near(Px(110, 110), kColours[0])) << std::hex << Px(110, 110);
    platform::RunFor(1000);
    EXPECT_EQ(2, VideoEvents());
}

TEST_F(VideoBoxTest, LoadWithoutPlayAndEmptyPaths) {
    CKesGUIVideo* v = StartWithVideo(false);
    EXPECT_EQ("video\\intro.ogv", v->GetVideoPath());
    EXPECT_EQ(nullptr, v->GetVideoClip());
    EXPECT_FALSE(v->OnProcessPostUpdate());
    v->LoadVideo("", true);
    EXPECT_EQ("video\\intro.ogv", v->GetVideoPath());
    EXPECT_EQ(nullptr, v->GetVideoClip());
    v->Play();
    EXPECT_NE(nullptr, v->GetVideoClip());
    EXPECT_TRUE(v->OnProcessPostUpdate());

    // Without a frame nothing is stored or played.
    CKesGUIVideo bare;
    EXPECT_EQ(KESGUI_COUNT, bare.GetType());
    bare.LoadVideo("video\\intro.ogv", true);
    EXPECT_EQ("", bare.GetVideoPath());
    bare.Play();
    bare.Restart();
    bare.Pause();
    bare.Stop();
    bare.Draw();
    EXPECT_FALSE(bare.OnProcessPostUpdate());
}

TEST_F(VideoBoxTest, RestartBeginsAgainWithAFreshTextureOfTheSameName) {
    CKesGUIVideo* v = StartWithVideo(true);
    platform::RunFor(250);
    DrawGui();
    EXPECT_TRUE(Near(Px(110, 110), kColours[2]));
    const unsigned long before = v->GetVideoTexture();
    TheoraVideoClip* clipBefore = v->GetVideoClip();
    v->Restart();
    ASSERT_NE(nullptr, v->GetVideoClip());
    EXPECT_EQ(1, gVideoManager->getClipCount());
    const unsigned long after = v->GetVideoTexture();
    ASSERT_NE(0u, after);
    EXPECT_NE(before, after);
    EXPECT_EQ(0, f->GetTextureWidth(before));  // the old texture is gone
    EXPECT_EQ(after, f->LoadTexture("VideoTex7", 0));
    (void)clipBefore;
    platform::RunFor(20);
    DrawGui();
    EXPECT_TRUE(Near(Px(110, 110), kColours[0])) << std::hex << Px(110, 110);
}

TEST_F(VideoBoxTest, PlayLeavesARunningClipAloneAndResumesAPausedOne) {
    CKesGUIVideo* v = StartWithVideo(true);
    platform::RunFor(120);
    TheoraVideoClip* clip = v->GetVideoClip();
    const unsigned long tex = v->GetVideoTexture();
    v->Play();
    EXPECT_EQ(clip, v->GetVideoClip());
    EXPECT_EQ(tex, v->GetVideoTexture());
    DrawGui();
    EXPECT_TRUE(Near(Px(110, 110), kColours[1])) << std::hex << Px(110, 110);

    v->Pause();
    EXPECT_TRUE(clip->isPaused());
    const double at = clip->getTimePosition();
    platform::RunFor(500);
    EXPECT_DOUBLE_EQ(at, clip->getTimePosition());
    EXPECT_EQ(0, VideoEvents());
    v->Play();
    EXPECT_EQ(clip, v->GetVideoClip());
    EXPECT_FALSE(clip->isPaused());
    platform::RunFor(1000);
    EXPECT_EQ(1, VideoEvents());

    // Stop drops clip and texture at once, without an event.
    v->Play();
    ASSERT_NE(nullptr, v->GetVideoClip());
    const unsigned long third = v->GetVideoTexture();
    v->Stop();
    EXPECT_EQ(nullptr, v->GetVideoClip());
    EXPECT_EQ(0u, v->GetVideoTexture());
    EXPECT_EQ(0, f->GetTextureWidth(third));
    platform::RunFor(100);
    EXPECT_EQ(1, VideoEvents());
}

TEST_F(VideoBoxTest, AnEndedClipWithoutAParentAnswersFalse) {
    WriteFile(GamePath("video/intro.ogv"), Clip(2));
    f = StartFrame<ControlFrame>();
    CKesGUIVideo* v = new CKesGUIVideo(f, nullptr, 3, "alone", CKesRect<int>(0, 0, 32, 24));
    std::unique_ptr<CKesGUIVideo> owner(v);
    v->LoadVideo("video\\intro.ogv", true);
    ASSERT_NE(nullptr, v->GetVideoClip());
    for (int i = 0; i < 50 && !v->GetVideoClip()->isDone(); ++i) gVideoManager->update(0.1f);
    EXPECT_FALSE(v->OnProcessPostUpdate());
    EXPECT_EQ(nullptr, v->GetVideoClip());
    EXPECT_TRUE(f->raw.empty());
}

TEST_F(VideoBoxTest, AFileThatIsNoVideoIsLoggedAndLeavesNoClip) {
    WriteFile(GamePath("video/bad.ogv"), "this is not an ogg file");
    Start(Control("VideoBox", "bad", At(7, 100, 100, 64, 48, {{"path", "video\\bad.ogv"}, {"IsPlay", "1"}})) +
          Control("VideoBox", "missing", At(8, 200, 100, 64, 48, {{"path", "video\\none.ogv"}, {"IsPlay", "1"}})));
    CKesGUIVideo* v = Find<CKesGUIVideo>(7);
    ASSERT_NE(nullptr, v);
    EXPECT_EQ(nullptr, v->GetVideoClip());
    EXPECT_EQ(0u, v->GetVideoTexture());
    EXPECT_EQ(nullptr, Find<CKesGUIVideo>(8)->GetVideoClip());
    const std::string log = ReadLog();
    EXPECT_NE(std::string::npos, log.find(Gbk("视频;video\\bad.ogv导入失败!"))) << log;
    EXPECT_NE(std::string::npos, log.find(Gbk("视频;video\\none.ogv导入失败!")));
    platform::RunFor(50);
    DrawGui();
    EXPECT_EQ(0xFF000000u, Px(110, 110));
    EXPECT_EQ(0, VideoEvents());
}

TEST_F(VideoBoxTest, DestroyingABoxReturnsItsClipToTheManager) {
    CKesGUIVideo* v = StartWithVideo(true);
    platform::RunFor(50);
    EXPECT_EQ(1, gVideoManager->getClipCount());
    f->DeleteChildren(v);
    EXPECT_EQ(0, gVideoManager->getClipCount());
    platform::RunFor(50);
    EXPECT_EQ(nullptr, Find<CKesGUIVideo>(7));
}

}  // namespace
