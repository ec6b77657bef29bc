// The sound API on SDL2_mixer: streams, samples, their channels and the
// global settings. Streamed music is decoded in KesAudioStream.cpp.
#include "platform/KesAudio.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/KesAudioStream.h"
#include "platform/KesFiles.h"

namespace kest2d {
namespace platform {

namespace {

// One playback: a mixer channel with what was last asked of it.
struct Playback {
    DWORD handle = 0;   // the channel handle of the current playback, 0 when idle
    int mixChannel = -1;
    uint64_t started = 0;  // order of the last start, to find the one playing longest
    float volume = 1.0f;
    float pan = 0.0f;
    StreamSource* source = nullptr;  // a streamed stream's decoder (owned by its Sound)
};

struct Sound {
    bool stream = false;
    bool loop = false;
    int maxPlaybacks = 1;
    // A stream decoded while it plays; or the sound decoded whole: every
    // sample, and a stream whose format only the mixer's own loaders read
    // (tracker modules, MIDI).
    std::unique_ptr<StreamSource> source;
    Mix_Chunk* whole = nullptr;
    std::vector<Playback> slots;  // a stream has exactly one
};

struct Audio {
    int users = 0;           // AudioInit calls not yet matched by AudioFree
    bool sdlAudio = false;   // our reference on SDL's audio subsystem
    bool silent = false;
    DWORD nextHandle = 1;
    uint64_t startCounter = 0;
    DWORD gvolStream = 10000;
    DWORD gvolSample = 10000;
    std::map<DWORD, Sound> sounds;                       // stream and sample handles
    std::map<DWORD, std::pair<DWORD, size_t>> channels;  // channel handle -> sample, slot
    int mixAllocated = 0;
    std::vector<int> freeMixChannels;
    OutputSpec output;
    // What a streamed stream's channel plays under the music: silence, looped.
    std::vector<Uint8> silenceData;
    Mix_Chunk* silence = nullptr;
};

Audio& A() {
    static Audio audio;
    return audio;
}

DWORD NewHandle() {
    Audio& a = A();
    DWORD h = a.nextHandle++;
    if (a.nextHandle == 0) a.nextHandle = 1;
    return h;
}

int TakeMixChannel() {
    Audio& a = A();
    if (!a.freeMixChannels.empty()) {
        int ch = a.freeMixChannels.back();
        a.freeMixChannels.pop_back();
        return ch;
    }
    int ch = a.mixAllocated;
    if (Mix_AllocateChannels(a.mixAllocated + 1) != a.mixAllocated + 1) return -1;
    ++a.mixAllocated;
    return ch;
}

void GiveBackMixChannel(int ch) {
    if (ch < 0) return;
    // Once halted and without effects, the mixer no longer reaches the
    // channel's stream decoder or panning.
    Mix_HaltChannel(ch);
    Mix_UnregisterAllEffects(ch);
    A().freeMixChannels.push_back(ch);
}

// A global volume on 0 .. 10000 as a factor; the stored value is signed.
float GlobalFactor(DWORD value) {
    int32_t v = static_cast<int32_t>(value);
    if (v <= 0) return 0.0f;
    if (v >= 10000) return 1.0f;
    return static_cast<float>(v) / 10000.0f;
}

void ApplyVolume(const Sound& s, const Playback& p) {
    if (p.mixChannel < 0) return;
    float g = GlobalFactor(s.stream ? A().gvolStream : A().gvolSample);
    float v = std::clamp(p.volume, 0.0f, 1.0f) * g * MIX_MAX_VOLUME;
    Mix_Volume(p.mixChannel, static_cast<int>(std::lround(v)));
}

void ApplyPan(const Playback& p) {
    if (p.mixChannel < 0) return;
    float pan = std::clamp(p.pan, -1.0f, 1.0f);
    int left = static_cast<int>(std::lround(255.0f * (pan > 0 ? 1.0f - pan : 1.0f)));
    int right = static_cast<int>(std::lround(255.0f * (pan < 0 ? 1.0f + pan : 1.0f)));
    Mix_SetPanning(p.mixChannel, static_cast<Uint8>(left), static_cast<Uint8>(right));
}

// A streamed stream whose music has ended still plays silence: its channel
// is halted here, the first time anyone asks.
DWORD PlaybackState(const Playback& p) {
    if (p.handle == 0 || p.mixChannel < 0 || !Mix_Playing(p.mixChannel)) return KES_AUDIO_STOPPED;
    if (p.source && p.source->Ended()) {
        Mix_HaltChannel(p.mixChannel);
        return KES_AUDIO_STOPPED;
    }
    return Mix_Paused(p.mixChannel) ? KES_AUDIO_PAUSED : KES_AUDIO_PLAYING;
}

bool PlaybackPlay(Sound& s, Playback& p, bool restart) {
    if (p.mixChannel < 0 || (!s.whole && !p.source)) return false;
    DWORD state = PlaybackState(p);
    if (state == KES_AUDIO_PLAYING && !restart) return true;
    if (state == KES_AUDIO_PAUSED && !restart) {
        Mix_Resume(p.mixChannel);
        return true;
    }
    Mix_Chunk* chunk = s.whole;
    int loops = s.loop ? -1 : 0;
    if (p.source) {
        // From the first frame: the channel plays looped silence and the
        // stream's effect (first, before any panning) puts the music over it.
        Mix_HaltChannel(p.mixChannel);
        Mix_UnregisterAllEffects(p.mixChannel);
        p.source->Rewind();
        if (!Mix_RegisterEffect(p.mixChannel, StreamSource::Fill, nullptr, p.source)) return false;
        chunk = A().silence;
        loops = -1;
    }
    ApplyVolume(s, p);
    ApplyPan(p);
    if (!chunk || Mix_PlayChannel(p.mixChannel, chunk, loops) < 0) return false;
    p.started = ++A().startCounter;
    return true;
}

// What a handle names: a whole sound (stream or sample) or one playback.
struct Target {
    Sound* sound = nullptr;
    Playback* playback = nullptr;  // null for a sample as a whole
};

Target Resolve(DWORD handle) {
    Target t;
    Audio& a = A();
    if (handle == 0) return t;
    auto s = a.sounds.find(handle);
    if (s != a.sounds.end()) {
        t.sound = &s->second;
        if (s->second.stream) t.playback = &s->second.slots[0];
        return t;
    }
    auto c = a.channels.find(handle);
    if (c == a.channels.end()) return t;
    auto owner = a.sounds.find(c->second.first);
    if (owner == a.sounds.end() || c->second.second >= owner->second.slots.size()) return t;
    Playback& p = owner->second.slots[c->second.second];
    if (p.handle != handle) return t;  // taken over by a newer playback
    t.sound = &owner->second;
    t.playback = &p;
    return t;
}

// The whole file decoded into memory by the mixer's own loaders.
Mix_Chunk* DecodeWhole(const std::string& file) {
    if (!AudioIsStarted() || file.empty()) return nullptr;
    return Mix_LoadWAV(DiskPath(file).c_str());
}

void FreeSound(DWORD handle, Sound& s) {
    Audio& a = A();
    for (Playback& p : s.slots) {
        if (p.handle != 0 && p.handle != handle) a.channels.erase(p.handle);
        GiveBackMixChannel(p.mixChannel);
        p.source = nullptr;
    }
    s.source.reset();  // its channel is halted and no longer calls it
    if (s.whole) Mix_FreeChunk(s.whole);
    s.whole = nullptr;
}

// A block of silence in the output's format, looped under every stream.
bool MakeSilence(Audio& a) {
    int rate = 0, channels = 0;
    Uint16 format = 0;
    if (!Mix_QuerySpec(&rate, &format, &channels)) return false;
    a.output.rate = rate;
    a.output.format = format;
    a.output.channels = channels;
    const size_t frames = 1024;
    const size_t bytes = frames * static_cast<size_t>(channels) * (SDL_AUDIO_BITSIZE(format) / 8);
    a.silenceData.assign(bytes, SilenceByte(format));
    a.silence = Mix_QuickLoad_RAW(a.silenceData.data(), static_cast<Uint32>(bytes));
    return a.silence != nullptr;
}

bool OpenOutput(int rate) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    if (Mix_OpenAudio(rate > 0 ? rate : 44100, MIX_DEFAULT_FORMAT, 2, 1024) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

// True when the machine shows no way to play sound: no sound devices, no
// sound server and no driver asked for by name. Opening the default device
// there only makes ALSA print errors before it fails.
bool NoOutputVisible() {
    const char* asked = std::getenv("SDL_AUDIODRIVER");
    if (asked && *asked) return false;
    if (::access("/dev/snd", F_OK) == 0) return false;
    if (std::getenv("PULSE_SERVER")) return false;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && (::access((std::string(runtime) + "/pulse/native").c_str(), F_OK) == 0 ||
                    ::access((std::string(runtime) + "/pipewire-0").c_str(), F_OK) == 0))
        return false;
    return true;
}

}  // namespace

bool AudioInit(int device, int rate) {
    Audio& a = A();
    if (a.users > 0) {
        ++a.users;
        return true;
    }
    bool ok = false;
    if (device == 0) {
        // The silent device: SDL's dummy driver, whatever the environment asks for.
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
        ok = OpenOutput(rate);
        SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    } else {
        ok = !NoOutputVisible() && OpenOutput(rate);
    }
    if (!ok) return false;
    Mix_Init(MIX_INIT_OGG | MIX_INIT_MP3 | MIX_INIT_FLAC);
    // The mixer marks a channel paused with the tick count of the pause, so a
    // pause in SDL's very first millisecond would not take: let it pass.
    for (int i = 0; i < 50 && SDL_GetTicks() == 0; ++i) SDL_Delay(1);
    const char* driver = SDL_GetCurrentAudioDriver();
    a.silent = !driver || std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "disk") == 0;
    a.sdlAudio = true;
    a.users = 1;
    if (!MakeSilence(a)) {
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        a.sdlAudio = false;
        a.users = 0;
        return false;
    }
    a.mixAllocated = Mix_AllocateChannels(-1);
    a.freeMixChannels.clear();
    for (int ch = a.mixAllocated - 1; ch >= 0; --ch) a.freeMixChannels.push_back(ch);
    a.gvolStream = 10000;
    a.gvolSample = 10000;
    return true;
}

bool AudioIsStarted() { return A().users > 0; }

bool AudioIsSilent() { return AudioIsStarted() && A().silent; }

void AudioStop() {
    if (AudioIsStarted()) Mix_HaltChannel(-1);
}

void AudioFree() {
    Audio& a = A();
    if (a.users == 0) return;
    if (--a.users > 0) return;
    Mix_HaltChannel(-1);
    for (auto& kv : a.sounds) FreeSound(kv.first, kv.second);
    a.sounds.clear();
    a.channels.clear();
    a.freeMixChannels.clear();
    a.mixAllocated = 0;
    Mix_FreeChunk(a.silence);
    a.silence = nullptr;
    a.silenceData.clear();
    Mix_CloseAudio();
    if (a.sdlAudio) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    a.sdlAudio = false;
    a.silent = false;
}

DWORD AudioStreamCreateFile(const std::string& file, bool loop) {
    if (!AudioIsStarted() || file.empty()) return 0;
    Sound s;
    s.stream = true;
    s.loop = loop;
    s.source = StreamSource::Open(DiskPath(file), loop, A().output);
    if (!s.source) {
        s.whole = DecodeWhole(file);
        if (!s.whole) return 0;
    }
    int ch = TakeMixChannel();
    if (ch < 0) {
        if (s.whole) Mix_FreeChunk(s.whole);
        return 0;
    }
    DWORD h = NewHandle();
    Playback p;
    p.handle = h;
    p.mixChannel = ch;
    p.source = s.source.get();
    s.slots.push_back(p);
    A().sounds[h] = std::move(s);
    return h;
}

DWORD AudioSampleLoad(const std::string& file, int maxPlaybacks) {
    if (maxPlaybacks < 1) return 0;
    Mix_Chunk* chunk = DecodeWhole(file);
    if (!chunk) return 0;
    DWORD h = NewHandle();
    Sound s;
    s.maxPlaybacks = maxPlaybacks;
    s.whole = chunk;
    A().sounds[h] = std::move(s);
    return h;
}

DWORD AudioSampleGetChannel(DWORD sample) {
    Audio& a = A();
    auto it = a.sounds.find(sample);
    if (it == a.sounds.end() || it->second.stream) return 0;
    Sound& s = it->second;
    // An idle playback first, then a new one, then the one playing longest.
    size_t slot = s.slots.size();
    for (size_t i = 0; i < s.slots.size(); ++i) {
        if (PlaybackState(s.slots[i]) == KES_AUDIO_STOPPED) {
            slot = i;
            break;
        }
    }
    if (slot == s.slots.size()) {
        if (static_cast<int>(s.slots.size()) < s.maxPlaybacks) {
            int ch = TakeMixChannel();
            if (ch < 0) return 0;
            Playback p;
            p.mixChannel = ch;
            s.slots.push_back(p);
        } else {
            slot = 0;
            for (size_t i = 1; i < s.slots.size(); ++i)
                if (s.slots[i].started < s.slots[slot].started) slot = i;
        }
    }
    Playback& p = s.slots[slot];
    if (p.handle != 0) a.channels.erase(p.handle);
    Mix_HaltChannel(p.mixChannel);
    p.handle = NewHandle();
    p.volume = 1.0f;
    p.pan = 0.0f;
    p.started = 0;
    ApplyPan(p);
    a.channels[p.handle] = std::make_pair(sample, slot);
    return p.handle;
}

bool AudioStreamFree(DWORD stream) {
    Audio& a = A();
    auto it = a.sounds.find(stream);
    if (it == a.sounds.end() || !it->second.stream) return false;
    FreeSound(stream, it->second);
    a.sounds.erase(it);
    return true;
}

bool AudioSampleFree(DWORD sample) {
    Audio& a = A();
    auto it = a.sounds.find(sample);
    if (it == a.sounds.end() || it->second.stream) return false;
    FreeSound(sample, it->second);
    a.sounds.erase(it);
    return true;
}

bool AudioChannelPlay(DWORD handle, bool restart) {
    Target t = Resolve(handle);
    if (!t.sound) return false;
    if (t.playback) return PlaybackPlay(*t.sound, *t.playback, restart);
    // A sample as a whole: its paused playbacks continue.
    bool any = false;
    for (Playback& p : t.sound->slots) {
        DWORD state = PlaybackState(p);
        if (state == KES_AUDIO_PAUSED) {
            Mix_Resume(p.mixChannel);
            any = true;
        } else if (state == KES_AUDIO_PLAYING) {
            any = true;
        }
    }
    return any;
}

bool AudioChannelPause(DWORD handle) {
    Target t = Resolve(handle);
    if (!t.sound) return false;
    bool any = false;
    for (Playback& p : t.sound->slots) {
        if (t.playback && &p != t.playback) continue;
        if (PlaybackState(p) == KES_AUDIO_PLAYING) {
            Mix_Pause(p.mixChannel);
            any = true;
        }
    }
    return any;
}

bool AudioChannelStop(DWORD handle) {
    Target t = Resolve(handle);
    if (!t.sound) return false;
    for (Playback& p : t.sound->slots) {
        if (t.playback && &p != t.playback) continue;
        if (p.mixChannel >= 0) Mix_HaltChannel(p.mixChannel);
    }
    return true;
}

DWORD AudioChannelIsActive(DWORD handle) {
    Target t = Resolve(handle);
    if (!t.sound) return KES_AUDIO_STOPPED;
    if (t.playback) return PlaybackState(*t.playback);
    DWORD result = KES_AUDIO_STOPPED;
    for (const Playback& p : t.sound->slots) {
        DWORD state = PlaybackState(p);
        if (state == KES_AUDIO_PLAYING) return state;
        if (state == KES_AUDIO_PAUSED) result = state;
    }
    return result;
}

bool AudioChannelSetAttribute(DWORD handle, DWORD attrib, float value) {
    Target t = Resolve(handle);
    if (!t.playback || std::isnan(value)) return false;
    if (attrib == KES_AUDIO_ATTRIB_VOL) {
        t.playback->volume = std::clamp(value, 0.0f, 1.0f);
        ApplyVolume(*t.sound, *t.playback);
        return true;
    }
    if (attrib == KES_AUDIO_ATTRIB_PAN) {
        t.playback->pan = std::clamp(value, -1.0f, 1.0f);
        ApplyPan(*t.playback);
        return true;
    }
    return false;
}

bool AudioChannelGetAttribute(DWORD handle, DWORD attrib, float* value) {
    Target t = Resolve(handle);
    if (!t.playback || !value) return false;
    if (attrib == KES_AUDIO_ATTRIB_VOL) {
        *value = t.playback->volume;
        return true;
    }
    if (attrib == KES_AUDIO_ATTRIB_PAN) {
        *value = t.playback->pan;
        return true;
    }
    return false;
}

bool AudioSetConfig(DWORD option, DWORD value) {
    Audio& a = A();
    if (option == KES_AUDIO_GVOL_STREAM)
        a.gvolStream = value;
    else if (option == KES_AUDIO_GVOL_SAMPLE)
        a.gvolSample = value;
    else
        return false;
    if (AudioIsStarted()) {
        for (auto& kv : a.sounds)
            for (const Playback& p : kv.second.slots) ApplyVolume(kv.second, p);
    }
    return true;
}

DWORD AudioGetConfig(DWORD option) {
    if (option == KES_AUDIO_GVOL_STREAM) return A().gvolStream;
    if (option == KES_AUDIO_GVOL_SAMPLE) return A().gvolSample;
    return static_cast<DWORD>(-1);
}

int AudioActiveChannelCount() {
    if (!AudioIsStarted()) return 0;
    int n = 0;
    for (auto& kv : A().sounds)
        for (const Playback& p : kv.second.slots)
            if (PlaybackState(p) != KES_AUDIO_STOPPED) ++n;
    return n;
}

}  // namespace platform
}  // namespace kest2d
