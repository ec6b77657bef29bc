#include "platform/KesVideo.h"

#include <algorithm>

namespace kest2d {

TheoraVideoManager* gVideoManager = nullptr;

OpenAL_AudioInterfaceFactory::OpenAL_AudioInterfaceFactory() = default;
OpenAL_AudioInterfaceFactory::~OpenAL_AudioInterfaceFactory() = default;

TheoraVideoManager::TheoraVideoManager(int /*workerThreads*/) {}

TheoraVideoManager::~TheoraVideoManager() {
    for (TheoraVideoClip* c : mClips) delete c;
    mClips.clear();
}

void TheoraVideoManager::setAudioInterfaceFactory(TheoraAudioInterfaceFactory* factory) { mAudioFactory = factory; }

void TheoraVideoManager::update(float /*dt*/) {}

TheoraVideoClip* TheoraVideoManager::createVideoClip(std::string /*path*/, int, int, bool) { return nullptr; }

void TheoraVideoManager::destroyVideoClip(TheoraVideoClip* clip) {
    auto it = std::find(mClips.begin(), mClips.end(), clip);
    if (it == mClips.end()) return;
    mClips.erase(it);
    delete clip;
}

}  // namespace kest2d
