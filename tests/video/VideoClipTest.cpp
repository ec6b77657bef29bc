// Playback of clips made here with libtheora's encoder: sizes, colours,
// timing, pause, stop and restart, picture formats and the picture region.
#include "video/VideoTestUtil.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

class VideoClip : public VideoTest {};

TEST_F(VideoClip, PlaysEachSolidFrameInTurnAndEndsAfterTheLast) {
    TheoraVideoClip* clip = mManager.createVideoClip(Write("solid.ogg", SolidClip(kTenColours)), 1, 0, false);
    ASSERT_NE(nullptr, clip) << mManager.getLastError();
    EXPECT_EQ(32, clip->mWidth);
    EXPECT_EQ(24, clip->mHeight);
    EXPECT_FLOAT_EQ(10.0f, clip->getFPS());
    EXPECT_FALSE(clip->hasAudio());
    EXPECT_EQ(1, mManager.getClipCount());

    // The first frame is ready at once and handed out only once.
    TheoraVideoFrame* f = clip->getNextFrame();
    EXPECT_TRUE(IsSolid(f, kTenColours[0]));
    EXPECT_EQ(0, f->getFrameNumber());
    EXPECT_EQ(nullptr, clip->getNextFrame());
    for (int i = 1; i < 10; ++i) {
        mManager.update(0.05f);
        EXPECT_EQ(nullptr, clip->getNextFrame()) << "half way to frame " << i;
        mManager.update(0.05f);
        f = clip->getNextFrame();
        EXPECT_TRUE(IsSolid(f, kTenColours[static_cast<size_t>(i)])) << "frame " << i;
        EXPECT_FALSE(clip->isDone()) << "frame " << i << " is still on screen";
    }
    mManager.update(0.05f);
    EXPECT_FALSE(clip->isDone());
    mManager.update(0.05f);
    EXPECT_TRUE(clip->isDone());
    EXPECT_EQ(nullptr, clip->getNextFrame());
    EXPECT_EQ(10, clip->getNumDisplayedFrames());
    EXPECT_NEAR(1.0, clip->getTimePosition(), 1e-5);
    // A done clip stays where it is.
    mManager.update(0.2f);
    EXPECT_NEAR(1.0, clip->getTimePosition(), 1e-5);

    mManager.destroyVideoClip(clip);
    EXPECT_EQ(0, mManager.getClipCount());
}

TEST_F(VideoClip, CatchingUpShowsOnlyTheFrameDueNow) {
    TheoraVideoClip* clip = mManager.createVideoClip(Write("solid.ogg", SolidClip(kTenColours)));
    ASSERT_NE(nullptr, clip);
    ASSERT_NE(nullptr, clip->getNextFrame());
    mManager.update(0.25f);
    mManager.update(0.1f);
    TheoraVideoFrame* f = clip->getNextFrame();
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(3, f->getFrameNumber());
    EXPECT_TRUE(IsSolid(f, kTenColours[3]));
    EXPECT_EQ(2, clip->getNumDisplayedFrames());
    // Zero, negative and not-a-number times change nothing.
    mManager.update(0.0f);
    mManager.update(-1.0f);
    mManager.update(std::nanf(""));
    EXPECT_NEAR(0.35, clip->getTimePosition(), 1e-6);
    EXPECT_EQ(nullptr, clip->getNextFrame());
}

TEST_F(VideoClip, PauseFreezesTimeUntilPlay) {
    TheoraVideoClip* clip = mManager.createVideoClip(Write("solid.ogg", SolidClip(kTenColours)));
    ASSERT_NE(nullptr, clip);
    clip->getNextFrame();
    mManager.update(0.2f);
    ASSERT_EQ(2, clip->getNextFrame()->getFrameNumber());
    clip->pause();
    EXPECT_TRUE(clip->isPaused());
    for (int i = 0; i < 100; ++i) mManager.update(0.25f);
    EXPECT_NEAR(0.2, clip->getTimePosition(), 1e-6);
    EXPECT_EQ(nullptr, clip->getNextFrame());
    EXPECT_FALSE(clip->isDone());
    clip->play();
    EXPECT_FALSE(clip->isPaused());
    mManager.update(0.1f);
    TheoraVideoFrame* f = clip->getNextFrame();
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(3, f->getFrameNumber());
    EXPECT_TRUE(IsSolid(f, kTenColours[3]));
}

TEST_F(VideoClip, CreatedAgainOrStoppedAndPlayedItStartsFromTheFirstFrame) {
    std::string path = Write("solid.ogg", SolidClip(kTenColours));
    TheoraVideoClip* clip = mManager.createVideoClip(path);
    ASSERT_NE(nullptr, clip);
    mManager.update(0.25f);
    mManager.update(0.25f);
    ASSERT_EQ(5, clip->getNextFrame()->getFrameNumber());
    clip->stop();
    mManager.destroyVideoClip(clip);

    clip = mManager.createVideoClip(path);
    ASSERT_NE(nullptr, clip);
    TheoraVideoFrame* f = clip->getNextFrame();
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(0, f->getFrameNumber());
    EXPECT_TRUE(IsSolid(f, kTenColours[0]));

    mManager.update(0.25f);
    clip->stop();
    EXPECT_FALSE(clip->isDone());
    EXPECT_EQ(nullptr, clip->getNextFrame());
    mManager.update(0.25f);  // a stopped clip does not move
    clip->play();
    f = clip->getNextFrame();
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(0, f->getFrameNumber());
    EXPECT_TRUE(IsSolid(f, kTenColours[0]));
    EXPECT_EQ(10, PlayOut(mManager, clip));
}

TEST_F(VideoClip, ClipsPlayIndependently) {
    TheoraVideoClip* a = mManager.createVideoClip(Write("a.ogg", SolidClip(kTenColours)));
    ASSERT_NE(nullptr, a);
    mManager.update(0.5f);
    TheoraVideoClip* b = mManager.createVideoClip(Write("b.ogg", SolidClip({{10, 200, 10}, {200, 10, 10}})));
    ASSERT_NE(nullptr, b);
    mManager.update(0.1f);
    EXPECT_EQ(6, a->getNextFrame()->getFrameNumber());
    EXPECT_TRUE(IsSolid(b->getNextFrame(), {200, 10, 10}));
    mManager.update(0.1f);
    EXPECT_TRUE(b->isDone());
    EXPECT_FALSE(a->isDone());
}

TEST_F(VideoClip, EnginePathsWithBackslashesAreFound) {
    Write("movies/Intro.ogg", SolidClip({{30, 30, 200}}));
    TheoraVideoClip* clip = mManager.createVideoClip(mDir.path() + "\\movies\\intro.ogg");
    ASSERT_NE(nullptr, clip) << mManager.getLastError();
    EXPECT_TRUE(IsSolid(clip->getNextFrame(), {30, 30, 200}));
}

TEST_F(VideoClip, OutputModesOtherThanRgbAreRefused) {
    std::string path = Write("solid.ogg", SolidClip(kTenColours));
    EXPECT_EQ(nullptr, mManager.createVideoClip(path, 2, 0, false));
    EXPECT_NE(std::string::npos, mManager.getLastError().find("output mode"));
    EXPECT_EQ(0, mManager.getClipCount());
}

TEST_F(VideoClip, FrameRateComesFromTheStream) {
    ClipSettings settings = SolidClip(kTenColours);
    settings.fpsNumerator = 30000;
    settings.fpsDenominator = 1001;
    TheoraVideoClip* clip = mManager.createVideoClip(Write("ntsc.ogg", settings));
    ASSERT_NE(nullptr, clip);
    EXPECT_NEAR(29.97, clip->getFPS(), 0.01);
    int ticks = PlayOut(mManager, clip, 0.01f);
    EXPECT_EQ(34, ticks);  // 10 frames of 1001/30000 s end after 0.3337 s
}

// Four quadrants inside a picture region that does not start at the frame's
// corner, with the area outside the picture painted a fifth colour.
struct FormatCase {
    th_pixel_fmt format;
    const char* name;
};
void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

class VideoFormats : public VideoTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(VideoFormats, PictureRegionIsCroppedAndUpright) {
    const Rgb quad[4] = {{220, 40, 40}, {40, 200, 60}, {50, 60, 220}, {230, 230, 60}};
    const Rgb outside = {200, 0, 200};
    ClipSettings settings;
    settings.format = GetParam().format;
    settings.width = 20;
    settings.height = 12;
    settings.picX = 5;
    settings.picY = 3;
    settings.frameWidth = 32;
    settings.frameHeight = 32;
    settings.frames = 2;
    settings.paint = [&](int, int x, int y) {
        int px = x - settings.picX, py = y - settings.picY;
        if (px < 0 || py < 0 || px >= settings.width || py >= settings.height) return outside;
        return quad[(py >= settings.height / 2 ? 2 : 0) + (px >= settings.width / 2 ? 1 : 0)];
    };
    TheoraVideoClip* clip = mManager.createVideoClip(Write("quad.ogg", settings));
    ASSERT_NE(nullptr, clip) << mManager.getLastError();
    EXPECT_EQ(20, clip->mWidth);
    EXPECT_EQ(12, clip->mHeight);
    TheoraVideoFrame* f = clip->getNextFrame();
    ASSERT_NE(nullptr, f);
    ASSERT_EQ(20u * 12u * 3u, f->mBuffer.size());
    // Pixels away from the seams, where subsampled colour may blend.
    int checked = 0;
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 20; ++x) {
            bool nearSeam = std::abs(2 * x + 1 - 20) <= 4 || std::abs(2 * y + 1 - 12) <= 4 || x < 2 || y < 2 ||
                            x >= 18 || y >= 10;
            if (nearSeam) continue;
            const Rgb& want = quad[(y >= 6 ? 2 : 0) + (x >= 10 ? 1 : 0)];
            EXPECT_LE(PixelDiff(*f, x, y, want), 24) << "pixel " << x << "," << y;
            ++checked;
        }
    }
    EXPECT_GT(checked, 40);
    EXPECT_EQ(2, PlayOut(mManager, clip));
}

INSTANTIATE_TEST_SUITE_P(, VideoFormats,
                         ::testing::Values(FormatCase{TH_PF_420, "Yuv420"}, FormatCase{TH_PF_422, "Yuv422"},
                                           FormatCase{TH_PF_444, "Yuv444"}),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return info.param.name; });

}  // namespace
