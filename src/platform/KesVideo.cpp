#include "platform/KesVideo.h"

#include <SDL.h>

#include <algorithm>

#include "platform/KesFiles.h"
#include "platform/video/OggTheoraClip.h"

namespace kest2d {

TheoraVideoManager* gVideoManager = nullptr;

namespace {
// The device starts once this much sound is queued, so it never runs dry at
// the start; beyond the upper bound new sound is dropped (a stalled device).
constexpr double kPrebufferSeconds = 0.1;
constexpr double kMaxQueuedSeconds = 1.0;
int gOrphanedOutputs = 0;
}  // namespace

// ---- SDL audio output ----

OpenAL_AudioInterface::OpenAL_AudioInterface(OpenAL_AudioInterfaceFactory* factory, TheoraVideoClip* owner,
                                             int channels, int frequency)
    : TheoraAudioInterface(owner, channels, frequency), mFactory(factory) {
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = frequency;
    want.format = AUDIO_S16SYS;
    // More than two channels are folded into stereo.
    want.channels = static_cast<Uint8>(channels == 1 ? 1 : 2);
    want.samples = 1024;
    SDL_AudioSpec have;
    mDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    mOutChannels = want.channels;
}

OpenAL_AudioInterface::~OpenAL_AudioInterface() {
    if (mDevice) SDL_CloseAudioDevice(mDevice);
    if (mFactory) mFactory->forget(this);
}

void OpenAL_AudioInterface::detach() {
    if (mDevice) SDL_CloseAudioDevice(mDevice);
    mDevice = 0;
    mFactory = nullptr;
}

uint32_t OpenAL_AudioInterface::getQueuedBytes() const { return mDevice ? SDL_GetQueuedAudioSize(mDevice) : 0; }

void OpenAL_AudioInterface::insertData(const float* samples, int frames) {
    if (!mDevice || frames <= 0) return;
    const uint32_t bytesPerSecond = static_cast<uint32_t>(mFrequency) * mOutChannels * 2;
    if (SDL_GetQueuedAudioSize(mDevice) > bytesPerSecond * kMaxQueuedSeconds) return;
    mConvert.resize(static_cast<size_t>(frames) * mOutChannels);
    for (int i = 0; i < frames; ++i) {
        const float* in = samples + static_cast<size_t>(i) * mNumChannels;
        float left = in[0];
        float right = in[0];
        if (mNumChannels > 1) {
            // Even channels to the left, odd ones to the right.
            left = right = 0.0f;
            int nl = 0, nr = 0;
            for (int c = 0; c < mNumChannels; ++c) {
                if (c % 2 == 0) {
                    left += in[c];
                    ++nl;
                } else {
                    right += in[c];
                    ++nr;
                }
            }
            left /= static_cast<float>(nl);
            right /= static_cast<float>(nr);
        }
        if (mOutChannels == 1) {
            mConvert[i] = static_cast<int16_t>(left * 32767.0f);
        } else {
            mConvert[2 * i] = static_cast<int16_t>(left * 32767.0f);
            mConvert[2 * i + 1] = static_cast<int16_t>(right * 32767.0f);
        }
    }
    SDL_QueueAudio(mDevice, mConvert.data(), static_cast<Uint32>(mConvert.size() * sizeof(int16_t)));
    startWhenBuffered();
}

void OpenAL_AudioInterface::startWhenBuffered() {
    if (mStarted || mPaused || !mDevice) return;
    const double bytesPerSecond = static_cast<double>(mFrequency) * mOutChannels * 2;
    if (SDL_GetQueuedAudioSize(mDevice) >= bytesPerSecond * kPrebufferSeconds) {
        mStarted = true;
        SDL_PauseAudioDevice(mDevice, 0);
    }
}

void OpenAL_AudioInterface::setPaused(bool paused) {
    mPaused = paused;
    if (!mDevice) return;
    if (paused) {
        SDL_PauseAudioDevice(mDevice, 1);
    } else if (mStarted) {
        SDL_PauseAudioDevice(mDevice, 0);
    } else {
        startWhenBuffered();
    }
}

void OpenAL_AudioInterface::flush() {
    if (!mDevice) return;
    SDL_ClearQueuedAudio(mDevice);
    SDL_PauseAudioDevice(mDevice, 1);
    mStarted = false;
}

OpenAL_AudioInterfaceFactory::OpenAL_AudioInterfaceFactory() = default;

OpenAL_AudioInterfaceFactory::~OpenAL_AudioInterfaceFactory() {
    // Outputs still alive lose their device here rather than reach a dead factory later.
    for (OpenAL_AudioInterface* instance : mInstances) instance->detach();
    gOrphanedOutputs += static_cast<int>(mInstances.size());
    mInstances.clear();
    if (mAudioStarted) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

TheoraAudioInterface* OpenAL_AudioInterfaceFactory::createInstance(TheoraVideoClip* owner, int channels,
                                                                   int frequency) {
    if (!mAudioStarted) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            // The clip still keeps its time by its sound track, silently.
            mLastError = SDL_GetError();
        } else {
            mAudioStarted = true;
            mLastError.clear();
        }
    }
    OpenAL_AudioInterface* instance = new OpenAL_AudioInterface(this, owner, channels, frequency);
    if (!instance->hasDevice() && mAudioStarted) mLastError = SDL_GetError();
    mInstances.push_back(instance);
    return instance;
}

int OpenAL_AudioInterfaceFactory::getOrphanedOutputs() { return gOrphanedOutputs; }

void OpenAL_AudioInterfaceFactory::forget(OpenAL_AudioInterface* instance) {
    mInstances.erase(std::remove(mInstances.begin(), mInstances.end(), instance), mInstances.end());
}

// ---- Manager ----

TheoraVideoManager::TheoraVideoManager(int /*workerThreads*/) {}

TheoraVideoManager::~TheoraVideoManager() {
    for (TheoraVideoClip* c : mClips) delete c;
    mClips.clear();
}

void TheoraVideoManager::setAudioInterfaceFactory(TheoraAudioInterfaceFactory* factory) { mAudioFactory = factory; }

void TheoraVideoManager::update(float dt) {
    for (TheoraVideoClip* c : mClips) c->update(dt);
}

TheoraVideoClip* TheoraVideoManager::createVideoClip(std::string path, int outputMode, int /*precachedFrames*/,
                                                     bool /*usePower2Stride*/) {
    if (outputMode != 1) {
        mLastError = "unsupported output mode " + std::to_string(outputMode);
        return nullptr;
    }
    std::string error;
    TheoraVideoClip* clip = video::OggTheoraClip::Open(platform::DiskPath(path), mAudioFactory, error);
    if (!clip) {
        mLastError = error;
        return nullptr;
    }
    mLastError.clear();
    mClips.push_back(clip);
    return clip;
}

void TheoraVideoManager::destroyVideoClip(TheoraVideoClip* clip) {
    auto it = std::find(mClips.begin(), mClips.end(), clip);
    if (it == mClips.end()) return;
    mClips.erase(it);
    delete clip;
}

}  // namespace kest2d
