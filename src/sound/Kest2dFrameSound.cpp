// Music and sound effects.
#include <cstdint>
#include <cstdlib>

#include "frame/Kest2dBaseFrame.h"
#include "platform/KesAudio.h"

namespace kest2d {

namespace {
// Playbacks of one effect at a time; a fourth takes over the oldest.
const int kEffectPlaybacks = 3;

// The engine's 0 .. 100 on the back end's 0 .. 10000, in integers so that
// setting what was read back never changes the volume.
DWORD ToBackendVolume(int volume) {
    int64_t v = static_cast<int64_t>(volume) * 100;
    if (v > INT32_MAX) v = INT32_MAX;
    if (v < INT32_MIN) v = INT32_MIN;
    return static_cast<DWORD>(static_cast<int32_t>(v));
}
}  // namespace

void CKesBaseFrame::InitSoundSystem() {
    if (!platform::AudioInit(1, mSampleRate)) platform::AudioInit(0, mSampleRate);
    platform::AudioSetConfig(platform::KES_AUDIO_GVOL_STREAM, ToBackendVolume(mMusicVolume));
    platform::AudioSetConfig(platform::KES_AUDIO_GVOL_SAMPLE, ToBackendVolume(mEffectVolume));
    mSoundStarted = platform::AudioIsStarted();
}

void CKesBaseFrame::ShutdownSoundSystem() {
    DeleteAllSounds();
    if (mSoundStarted) {
        platform::AudioStop();
        platform::AudioFree();
        mSoundStarted = false;
    }
}

KesSouStr* CKesBaseFrame::GetSoundByName(const std::string& name) {
    if (name.empty() || mSounds.empty()) return nullptr;
    auto it = mSounds.find(name);
    return it == mSounds.end() ? nullptr : &it->second;
}

void CKesBaseFrame::DeleteAllSounds() {
    for (auto& kv : mSounds) {
        if (kv.second.type == 0)
            platform::AudioSampleFree(kv.second.handle);
        else
            platform::AudioStreamFree(kv.second.handle);
    }
}

void CKesBaseFrame::MusicPlay(std::string name, bool loop) {
    KesSouStr* sound = GetSoundByName(name);
    if (!sound) {
        KesSouStr record;
        record.type = 1;
        record.handle = platform::AudioStreamCreateFile(name, loop);
        mSounds[name] = record;
        platform::AudioChannelPlay(record.handle, false);
        return;
    }
    // A paused stream continues; the loop flag stays as it was created.
    if (sound->type == 1) platform::AudioChannelPlay(sound->handle, false);
}

void CKesBaseFrame::EffectPlay(std::string name) {
    KesSouStr* sound = GetSoundByName(name);
    DWORD sample = 0;
    if (!sound) {
        KesSouStr record;
        record.type = 0;
        record.handle = platform::AudioSampleLoad(name, kEffectPlaybacks);
        mSounds[name] = record;
        sample = record.handle;
    } else if (sound->type == 0) {
        sample = sound->handle;
    } else {
        return;
    }
    DWORD channel = platform::AudioSampleGetChannel(sample);
    platform::AudioChannelSetAttribute(channel, platform::KES_AUDIO_ATTRIB_VOL, 0.5f);
    float pan = static_cast<float>(std::rand() % 201 - 100) * 0.01f;
    platform::AudioChannelSetAttribute(channel, platform::KES_AUDIO_ATTRIB_PAN, pan);
    platform::AudioChannelPlay(channel, false);
}

void CKesBaseFrame::SoundStop(std::string name) {
    if (KesSouStr* sound = GetSoundByName(name)) platform::AudioChannelStop(sound->handle);
}

void CKesBaseFrame::SoundPause(std::string name) {
    if (KesSouStr* sound = GetSoundByName(name)) platform::AudioChannelPause(sound->handle);
}

bool CKesBaseFrame::SoundIsPlaying(std::string name) {
    KesSouStr* sound = GetSoundByName(name);
    if (!sound) return false;
    return platform::AudioChannelIsActive(sound->handle) == platform::KES_AUDIO_PLAYING;
}

void CKesBaseFrame::SoundStopAll() {
    for (auto& kv : mSounds) platform::AudioChannelStop(kv.second.handle);
}

void CKesBaseFrame::MusicSetVolume(int volume) {
    mMusicVolume = volume;
    platform::AudioSetConfig(platform::KES_AUDIO_GVOL_STREAM, ToBackendVolume(volume));
}

int CKesBaseFrame::MusicGetVolume() { return mMusicVolume; }

void CKesBaseFrame::EffectSetVolume(int volume) {
    mEffectVolume = volume;
    platform::AudioSetConfig(platform::KES_AUDIO_GVOL_SAMPLE, ToBackendVolume(volume));
}

int CKesBaseFrame::EffectGetVolume() { return mEffectVolume; }

void CKesBaseFrame::PauseAllPlayingSounds() {
    mPausedChannels.clear();
    for (auto& kv : mSounds) {
        if (platform::AudioChannelIsActive(kv.second.handle) == platform::KES_AUDIO_PLAYING) {
            mPausedChannels.push_back(kv.second);
            platform::AudioChannelPause(kv.second.handle);
        }
    }
}

void CKesBaseFrame::ResumePausedSounds() {
    for (const KesSouStr& sound : mPausedChannels) {
        if (platform::AudioChannelIsActive(sound.handle) == platform::KES_AUDIO_PAUSED)
            platform::AudioChannelPlay(sound.handle, false);
    }
    mPausedChannels.clear();
}

}  // namespace kest2d
