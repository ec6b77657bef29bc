// Streamed music: libsndfile decodes, SDL's audio stream converts to the
// mixer's output, a block at a time.
#include "platform/KesAudioStream.h"

#include <algorithm>
#include <cstring>

namespace kest2d {
namespace platform {

namespace {

// Frames decoded from a stream's file at a time.
const int kStreamBlockFrames = 2048;

}  // namespace

std::unique_ptr<StreamSource> StreamSource::Open(const std::string& diskPath, bool loop, const OutputSpec& out) {
    SF_INFO info{};
    SNDFILE* file = sf_open(diskPath.c_str(), SFM_READ, &info);
    if (!file) return nullptr;
    SDL_AudioStream* convert = nullptr;
    if (info.channels > 0 && info.samplerate > 0)
        convert = SDL_NewAudioStream(AUDIO_F32SYS, static_cast<Uint8>(std::min(info.channels, 255)),
                                     info.samplerate, out.format, static_cast<Uint8>(out.channels), out.rate);
    if (!convert) {
        sf_close(file);
        return nullptr;
    }
    std::unique_ptr<StreamSource> source(new StreamSource());
    source->mFile = file;
    source->mChannels = info.channels;
    source->mConvert = convert;
    source->mLoop = loop;
    source->mSilence = SilenceByte(out.format);
    source->mBlock.resize(static_cast<size_t>(kStreamBlockFrames) * static_cast<size_t>(info.channels));
    return source;
}

StreamSource::~StreamSource() {
    SDL_FreeAudioStream(mConvert);
    sf_close(mFile);
}

void StreamSource::Rewind() {
    std::lock_guard<std::mutex> hold(mLock);
    sf_seek(mFile, 0, SEEK_SET);
    SDL_AudioStreamClear(mConvert);
    mDrained = false;
    mEnded = false;
}

void StreamSource::Fill(int /*channel*/, void* out, int len, void* self) {
    static_cast<StreamSource*>(self)->FillBlock(static_cast<Uint8*>(out), len);
}

void StreamSource::FillBlock(Uint8* out, int len) {
    std::lock_guard<std::mutex> hold(mLock);
    int filled = 0;
    while (filled < len) {
        int got = SDL_AudioStreamGet(mConvert, out + filled, len - filled);
        if (got < 0) break;
        if (got > 0) {
            filled += got;
            continue;
        }
        if (mDrained) break;
        if (!DecodeBlock()) {
            // The end of the music: what the converter still holds comes next.
            mDrained = true;
            SDL_AudioStreamFlush(mConvert);
        }
    }
    if (filled < len) {
        std::memset(out + filled, mSilence, static_cast<size_t>(len - filled));
        mEnded = true;
    }
}

bool StreamSource::DecodeBlock() {
    sf_count_t frames = sf_readf_float(mFile, mBlock.data(), kStreamBlockFrames);
    if (frames <= 0 && mLoop && sf_seek(mFile, 0, SEEK_SET) == 0)
        frames = sf_readf_float(mFile, mBlock.data(), kStreamBlockFrames);
    if (frames <= 0) return false;
    const int bytes = static_cast<int>(frames) * mChannels * static_cast<int>(sizeof(float));
    return SDL_AudioStreamPut(mConvert, mBlock.data(), bytes) == 0;
}

}  // namespace platform
}  // namespace kest2d
