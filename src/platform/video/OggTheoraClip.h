// A clip played from an Ogg Theora file, decoded on the caller's thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/KesVideo.h"
#include "platform/video/OggTheoraSource.h"

namespace kest2d {
namespace video {

class OggTheoraClip : public TheoraVideoClip {
public:
    // A clip showing its first frame, or null with `error` set.
    static OggTheoraClip* Open(const std::string& diskPath, TheoraAudioInterfaceFactory* factory,
                               std::string& error);
    ~OggTheoraClip() override;

    TheoraVideoFrame* getNextFrame() override;
    bool isDone() override;
    void pause() override;
    void stop() override;
    void play() override;
    bool isPaused() override { return mPaused; }
    void update(float timeDelta) override;
    double getTimePosition() override { return mTime; }
    float getFPS() override { return mFps; }
    bool hasAudio() override { return mHasAudio; }
    TheoraAudioInterface* getAudioInterface() override { return mAudio.get(); }
    int getNumDisplayedFrames() override { return mDisplayed; }

private:
    OggTheoraClip() = default;
    // Opens the file from its beginning and decodes the first frame.
    bool start(std::string& error);
    void advanceClock(double dt);
    bool refillAudio();
    void decodeDue();

    std::string mPath;
    TheoraAudioInterfaceFactory* mFactory = nullptr;
    std::unique_ptr<OggTheoraSource> mSource;
    std::unique_ptr<TheoraAudioInterface> mAudio;

    th_pixel_fmt mFormat = TH_PF_420;
    int mPicX = 0;
    int mPicY = 0;
    float mFps = 0.0f;
    double mFrameDuration = 0.0;

    // The clock: audio samples played plus the time run without sound.
    double mTime = 0.0;
    int64_t mSamplesPlayed = 0;
    double mSampleCarry = 0.0;
    double mTimeWithoutAudio = 0.0;

    long mFramesDecoded = 0;
    long mPictureNumber = -1;
    bool mPictureDue = false;
    bool mVideoEnded = false;

    bool mHasAudio = false;
    bool mAudioFinished = false;
    int mChannels = 0;
    int mRate = 0;
    std::vector<float> mPending;
    size_t mPendingPos = 0;

    bool mPaused = false;
    bool mStopped = false;
    bool mBroken = false;
    TheoraVideoFrame mFrame;
    bool mFrameFresh = false;
    int mDisplayed = 0;
};

}  // namespace video
}  // namespace kest2d
