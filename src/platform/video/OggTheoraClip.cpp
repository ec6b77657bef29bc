#include "platform/video/OggTheoraClip.h"

#include <algorithm>
#include <cmath>

namespace kest2d {
namespace video {

namespace {
// A frame is due when the clock has reached its start, up to this slack.
constexpr double kSlack = 1e-6;
constexpr double kShortestFrame = 1.0 / 1000.0;
constexpr double kLongestFrame = 60.0;
}  // namespace

OggTheoraClip* OggTheoraClip::Open(const std::string& diskPath, TheoraAudioInterfaceFactory* factory,
                                   std::string& error) {
    std::unique_ptr<OggTheoraClip> clip(new OggTheoraClip());
    clip->mPath = diskPath;
    clip->mFactory = factory;
    if (!clip->start(error)) return nullptr;
    return clip.release();
}

OggTheoraClip::~OggTheoraClip() = default;

bool OggTheoraClip::start(std::string& error) {
    auto source = std::make_unique<OggTheoraSource>();
    if (!source->open(mPath, error)) return false;
    const th_info& ti = source->videoInfo();
    mWidth = static_cast<int>(ti.pic_width);
    mHeight = static_cast<int>(ti.pic_height);
    mPicX = static_cast<int>(ti.pic_x);
    mPicY = static_cast<int>(ti.pic_y);
    mFormat = ti.pixel_fmt;
    double duration = 1.0 / 25.0;
    if (ti.fps_numerator != 0 && ti.fps_denominator != 0)
        duration = static_cast<double>(ti.fps_denominator) / static_cast<double>(ti.fps_numerator);
    mFrameDuration = std::min(std::max(duration, kShortestFrame), kLongestFrame);
    mFps = static_cast<float>(1.0 / mFrameDuration);

    mHasAudio = source->hasAudio();
    const int channels = mHasAudio ? source->audioChannels() : 0;
    const int rate = mHasAudio ? source->audioRate() : 0;
    if (!mHasAudio || !mFactory) {
        mAudio.reset();
    } else if (!mAudio || mAudio->getNumChannels() != channels || mAudio->getFrequency() != rate) {
        mAudio.reset();
        mAudio.reset(mFactory->createInstance(this, channels, rate));
    }
    mChannels = channels;
    mRate = rate;

    mTime = 0.0;
    mSamplesPlayed = 0;
    mSampleCarry = 0.0;
    mTimeWithoutAudio = 0.0;
    mFramesDecoded = 0;
    mPictureNumber = -1;
    mPictureDue = false;
    mVideoEnded = false;
    mAudioFinished = !mHasAudio;
    mPending.clear();
    mPendingPos = 0;
    mBroken = false;
    mFrame.mWidth = mWidth;
    mFrame.mHeight = mHeight;
    mFrame.mFrameNumber = -1;
    mFrame.mBuffer.assign(static_cast<size_t>(mWidth) * mHeight * 3, 0);
    mFrameFresh = false;
    mSource = std::move(source);
    decodeDue();
    return true;
}

bool OggTheoraClip::refillAudio() {
    if (mPendingPos > 0) {
        mPending.erase(mPending.begin(), mPending.begin() + static_cast<ptrdiff_t>(mPendingPos));
        mPendingPos = 0;
    }
    return mSource->decodeAudio(mPending);
}

void OggTheoraClip::advanceClock(double dt) {
    if (!mHasAudio || mAudioFinished) {
        mTimeWithoutAudio += dt;
        mTime = static_cast<double>(mSamplesPlayed) / (mRate > 0 ? mRate : 1) + mTimeWithoutAudio;
        return;
    }
    // The sound track sets the pace: the clock moves by the samples handed
    // to the output, and runs on by itself once the track has ended.
    double want = dt * mRate + mSampleCarry;
    int64_t samples = static_cast<int64_t>(want);
    mSampleCarry = want - static_cast<double>(samples);
    int64_t given = 0;
    for (;;) {
        size_t available = (mPending.size() - mPendingPos) / static_cast<size_t>(mChannels);
        if (available == 0) {
            if (!refillAudio()) {
                mAudioFinished = true;
                break;
            }
            continue;
        }
        if (given == samples) break;
        int take = static_cast<int>(std::min<int64_t>(samples - given, static_cast<int64_t>(available)));
        if (mAudio) mAudio->insertData(mPending.data() + mPendingPos, take);
        mPendingPos += static_cast<size_t>(take) * mChannels;
        given += take;
    }
    mSamplesPlayed += given;
    if (mAudioFinished) mTimeWithoutAudio += static_cast<double>(samples - given) / mRate;
    mTime = static_cast<double>(mSamplesPlayed) / mRate + mTimeWithoutAudio;
}

void OggTheoraClip::decodeDue() {
    while (!mVideoEnded && static_cast<double>(mFramesDecoded) * mFrameDuration <= mTime + kSlack) {
        OggTheoraSource::VideoPacket p = mSource->decodeVideoPacket();
        if (p == OggTheoraSource::VideoPacket::End) {
            mVideoEnded = true;
            break;
        }
        if (p == OggTheoraSource::VideoPacket::Picture) {
            mPictureDue = true;
            mPictureNumber = mFramesDecoded;
        }
        ++mFramesDecoded;
    }
    // Only the newest picture is converted: frames passed over while catching
    // up are decoded (later frames depend on them) but never shown.
    if (mPictureDue) {
        mPictureDue = false;
        th_ycbcr_buffer planes;
        if (mSource->picture(planes)) {
            YCbCrToRgb(planes, mFormat, mPicX, mPicY, mWidth, mHeight, mFrame.mBuffer.data());
            mFrame.mFrameNumber = mPictureNumber;
            mFrameFresh = true;
        }
    }
}

TheoraVideoFrame* OggTheoraClip::getNextFrame() {
    if (mStopped || !mFrameFresh) return nullptr;
    mFrameFresh = false;
    ++mDisplayed;
    return &mFrame;
}

bool OggTheoraClip::isDone() {
    if (mStopped) return false;
    return mBroken || (mVideoEnded && mAudioFinished);
}

void OggTheoraClip::pause() {
    mPaused = true;
    if (mAudio) mAudio->setPaused(true);
}

void OggTheoraClip::stop() {
    mStopped = true;
    mPaused = false;
    mFrameFresh = false;
    if (mAudio) {
        mAudio->setPaused(true);
        mAudio->flush();
    }
    mSource.reset();
}

void OggTheoraClip::play() {
    if (mStopped) {
        mStopped = false;
        mDisplayed = 0;
        std::string error;
        if (!start(error)) {
            mBroken = true;
            mSource.reset();
        }
    }
    mPaused = false;
    if (mAudio) mAudio->setPaused(false);
}

void OggTheoraClip::update(float timeDelta) {
    if (mPaused || mStopped || !mSource || isDone()) return;
    double dt = std::isfinite(timeDelta) && timeDelta > 0.0f ? static_cast<double>(timeDelta) : 0.0;
    advanceClock(dt);
    decodeDue();
}

}  // namespace video
}  // namespace kest2d
