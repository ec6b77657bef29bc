// Clips with a Vorbis sound track: the sound is the clock, it reaches the
// audio factory's outputs, SDL plays it, and the game window tears the
// manager down before the factory.
#include <cmath>
#include <numeric>

#include "platform/KesWindow.h"
#include "support/FrameFixture.h"
#include "video/VideoTestUtil.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

// Keeps every sample a clip hands over.
struct Recording {
    std::vector<float> samples;
    int channels = 0;
    int frequency = 0;
    int created = 0;
    int alive = 0;
    bool paused = false;
    int flushes = 0;
};

class RecordingAudio : public TheoraAudioInterface {
public:
    RecordingAudio(Recording& r, TheoraVideoClip* owner, int channels, int frequency)
        : TheoraAudioInterface(owner, channels, frequency), mRec(r) {
        ++mRec.alive;
    }
    ~RecordingAudio() override { --mRec.alive; }
    void insertData(const float* samples, int frames) override {
        EXPECT_FALSE(mRec.paused);
        mRec.samples.insert(mRec.samples.end(), samples, samples + static_cast<size_t>(frames) * mNumChannels);
    }
    void setPaused(bool paused) override { mRec.paused = paused; }
    void flush() override { ++mRec.flushes; }

private:
    Recording& mRec;
};

class RecordingFactory : public TheoraAudioInterfaceFactory {
public:
    explicit RecordingFactory(Recording& r) : mRec(r) {}
    TheoraAudioInterface* createInstance(TheoraVideoClip* owner, int channels, int frequency) override {
        mRec.channels = channels;
        mRec.frequency = frequency;
        ++mRec.created;
        return new RecordingAudio(mRec, owner, channels, frequency);
    }

private:
    Recording& mRec;
};

ClipSettings WithSound(double seconds, int rate = 22050, int channels = 1) {
    ClipSettings settings = SolidClip(kTenColours);
    settings.audioRate = rate;
    settings.audioChannels = channels;
    settings.audioSeconds = seconds;
    return settings;
}

class VideoAudio : public VideoTest {
protected:
    void SetUp() override { mManager.setAudioInterfaceFactory(&mFactory); }
    Recording mRec;
    RecordingFactory mFactory{mRec};
};

TEST_F(VideoAudio, TheSoundTrackIsTheClockAndReachesTheOutput) {
    TheoraVideoClip* clip = mManager.createVideoClip(Write("av.ogg", WithSound(1.0)));
    ASSERT_NE(nullptr, clip) << mManager.getLastError();
    EXPECT_TRUE(clip->hasAudio());
    EXPECT_EQ(1, mRec.created);
    EXPECT_EQ(1, mRec.channels);
    EXPECT_EQ(22050, mRec.frequency);
    EXPECT_EQ(clip->getAudioInterface()->getClip(), clip);
    EXPECT_TRUE(mRec.samples.empty());

    for (int i = 0; i < 10; ++i) mManager.update(0.05f);
    // Exactly the samples of the time passed were handed over, and the clock is their count.
    EXPECT_EQ(11025u, mRec.samples.size());
    EXPECT_DOUBLE_EQ(11025.0 / 22050.0, clip->getTimePosition());
    TheoraVideoFrame* f = clip->getNextFrame();
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(5, f->getFrameNumber());

    // The tone was encoded at amplitude 0.5: its RMS is about 0.35.
    double sq = std::inner_product(mRec.samples.begin() + 2000, mRec.samples.end(), mRec.samples.begin() + 2000, 0.0);
    EXPECT_NEAR(0.3536, std::sqrt(sq / static_cast<double>(mRec.samples.size() - 2000)), 0.05);

    int ticks = PlayOut(mManager, clip, 0.05f);
    EXPECT_EQ(10, ticks);
    EXPECT_NEAR(22050.0, static_cast<double>(mRec.samples.size()), 1.0);
    mManager.destroyVideoClip(clip);
    EXPECT_EQ(0, mRec.alive);
}

TEST_F(VideoAudio, ALongerSoundTrackKeepsTheClipRunning) {
    TheoraVideoClip* clip = mManager.createVideoClip(Write("long.ogg", WithSound(2.0, 16000, 2)));
    ASSERT_NE(nullptr, clip);
    EXPECT_EQ(2, mRec.channels);
    for (int i = 0; i < 15; ++i) mManager.update(0.1f);
    EXPECT_FALSE(clip->isDone());
    EXPECT_EQ(9, clip->getNextFrame()->getFrameNumber());
    int ticks = PlayOut(mManager, clip, 0.1f);
    EXPECT_GE(ticks, 5);
    EXPECT_LE(ticks, 6);
    EXPECT_NEAR(2.0 * 16000 * 2, static_cast<double>(mRec.samples.size()), 2.0);
}

TEST_F(VideoAudio, AfterAShortSoundTrackTheClockRunsOnByItself) {
    TheoraVideoClip* clip = mManager.createVideoClip(Write("short.ogg", WithSound(0.3)));
    ASSERT_NE(nullptr, clip);
    EXPECT_EQ(10, PlayOut(mManager, clip, 0.1f));
    EXPECT_NEAR(1.0, clip->getTimePosition(), 1e-3);
    EXPECT_NEAR(0.3 * 22050, static_cast<double>(mRec.samples.size()), 1.0);
}

TEST_F(VideoAudio, PauseHaltsTheSoundAndStopFlushesIt) {
    TheoraVideoClip* clip = mManager.createVideoClip(Write("av.ogg", WithSound(1.0)));
    ASSERT_NE(nullptr, clip);
    mManager.update(0.2f);
    size_t heard = mRec.samples.size();
    clip->pause();
    EXPECT_TRUE(mRec.paused);
    for (int i = 0; i < 20; ++i) mManager.update(0.1f);
    EXPECT_EQ(heard, mRec.samples.size());
    clip->play();
    EXPECT_FALSE(mRec.paused);
    mManager.update(0.1f);
    EXPECT_EQ(heard + 2205, mRec.samples.size());
    clip->stop();
    EXPECT_EQ(1, mRec.flushes);
    EXPECT_TRUE(mRec.paused);
    clip->play();  // from the start, through the same output
    EXPECT_EQ(1, mRec.created);
    EXPECT_EQ(0, clip->getNextFrame()->getFrameNumber());
    EXPECT_EQ(10, PlayOut(mManager, clip, 0.1f));
}

TEST_F(VideoAudio, WithoutAFactoryTheSoundTrackStillKeepsTime) {
    TheoraVideoManager silent(1);
    TheoraVideoClip* clip = silent.createVideoClip(Write("av.ogg", WithSound(1.5)));
    ASSERT_NE(nullptr, clip);
    EXPECT_TRUE(clip->hasAudio());
    EXPECT_EQ(nullptr, clip->getAudioInterface());
    EXPECT_EQ(15, PlayOut(silent, clip, 0.1f));
}

// The SDL output, on the dummy driver the tests run with.
TEST_F(VideoAudio, SdlOutputPlaysTheTrackAndClosesWithTheClip) {
    OpenAL_AudioInterfaceFactory sdl;
    mManager.setAudioInterfaceFactory(&sdl);
    TheoraVideoClip* clip = mManager.createVideoClip(Write("av.ogg", WithSound(1.0, 44100, 2)));
    ASSERT_NE(nullptr, clip);
    EXPECT_EQ(1, sdl.getInstanceCount());
    auto* out = static_cast<OpenAL_AudioInterface*>(clip->getAudioInterface());
    ASSERT_NE(nullptr, out);
    ASSERT_TRUE(out->hasDevice()) << sdl.getLastError();
    mManager.update(0.05f);
    // Under the start threshold nothing plays yet; the queue holds what was handed over.
    EXPECT_EQ(2205u * 2 * 2, out->getQueuedBytes());
    clip->pause();
    clip->play();
    EXPECT_EQ(10, PlayOut(mManager, clip, 0.1f));
    // However slowly the device drains, its queue stays bounded.
    EXPECT_LE(out->getQueuedBytes(), 44100u * 2 * 2 + 4410u * 2 * 2);
    mManager.destroyVideoClip(clip);
    EXPECT_EQ(0, sdl.getInstanceCount());
}

TEST_F(VideoAudio, AFactoryGoingFirstLeavesItsOutputsHarmless) {
    auto sdl = std::make_unique<OpenAL_AudioInterfaceFactory>();
    mManager.setAudioInterfaceFactory(sdl.get());
    TheoraVideoClip* clip = mManager.createVideoClip(Write("av.ogg", WithSound(1.0)));
    ASSERT_NE(nullptr, clip);
    auto* out = static_cast<OpenAL_AudioInterface*>(clip->getAudioInterface());
    const int orphans = OpenAL_AudioInterfaceFactory::getOrphanedOutputs();
    sdl.reset();
    mManager.setAudioInterfaceFactory(nullptr);
    EXPECT_EQ(orphans + 1, OpenAL_AudioInterfaceFactory::getOrphanedOutputs());
    EXPECT_FALSE(out->hasDevice());
    EXPECT_EQ(10, PlayOut(mManager, clip, 0.1f));
    mManager.destroyVideoClip(clip);  // must not reach the factory
}

// The game window owns the manager and the factory; its tick drives playback.
class VideoInFrame : public FrameFixture {};

TEST_F(VideoInFrame, TheTickPlaysClipsAndTheDestructorRemovesClipsBeforeTheFactory) {
    StartFrame<PlainFrame>();
    ASSERT_NE(nullptr, gVideoManager);
    auto* factory = dynamic_cast<OpenAL_AudioInterfaceFactory*>(gVideoManager->getAudioInterfaceFactory());
    ASSERT_NE(nullptr, factory);
    WriteFile(GamePath("video/av.ogg"), MakeOggTheora(WithSound(1.0)));
    TheoraVideoClip* clip = gVideoManager->createVideoClip("video\\av.ogg", 1, 0, false);
    ASSERT_NE(nullptr, clip) << gVideoManager->getLastError();
    TheoraVideoClip* idle = gVideoManager->createVideoClip("video\\av.ogg", 1, 0, false);
    ASSERT_NE(nullptr, idle);
    idle->pause();
    EXPECT_EQ(2, factory->getInstanceCount());
    platform::RunFor(600);
    EXPECT_FALSE(clip->isDone());
    EXPECT_NEAR(0.6, clip->getTimePosition(), 0.05);
    platform::RunFor(600);
    EXPECT_TRUE(clip->isDone());
    EXPECT_FALSE(idle->isDone());
    // Both clips and their sound outputs go with the window, before the
    // factory they play through: no output outlives it.
    const int orphans = OpenAL_AudioInterfaceFactory::getOrphanedOutputs();
    mFrame.reset();
    EXPECT_EQ(nullptr, gVideoManager);
    EXPECT_EQ(orphans, OpenAL_AudioInterfaceFactory::getOrphanedOutputs());
}

}  // namespace
