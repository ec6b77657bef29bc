// The audio layer's streamed music: a file decoded a block at a time on the
// mixer's thread, converted to the mixer's output format. Used by KesAudio.cpp
// only.
#pragma once

#include <SDL.h>
#include <sndfile.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kest2d {
namespace platform {

// The mixer's output, as opened.
struct OutputSpec {
    int rate = 44100;
    Uint16 format = AUDIO_S16SYS;
    int channels = 2;
};

// Unsigned formats are silent at their middle value.
inline Uint8 SilenceByte(Uint16 format) { return SDL_AUDIO_ISSIGNED(format) ? 0 : 0x80; }

// A music file decoded a block at a time while it plays. The decoder runs on
// the mixer's thread, inside the effect that fills the stream's channel; the
// UI thread only rewinds it (under mLock) while the channel is halted, and
// closes it once the channel no longer calls it.
class StreamSource {
public:
    static std::unique_ptr<StreamSource> Open(const std::string& diskPath, bool loop, const OutputSpec& out);
    ~StreamSource();
    StreamSource(const StreamSource&) = delete;
    StreamSource& operator=(const StreamSource&) = delete;

    // Back to the first frame (UI thread, channel halted).
    void Rewind();
    // True once the last frame has been played (and the file does not loop).
    bool Ended() const { return mEnded.load(); }

    // The mixer's effect on the stream's channel: the channel plays silence,
    // which this overwrites with the next `len` bytes of the music.
    static void Fill(int channel, void* out, int len, void* self);

private:
    StreamSource() = default;

    void FillBlock(Uint8* out, int len);
    // Decodes one block into the converter; false at the end of the music.
    bool DecodeBlock();

    std::mutex mLock;
    SNDFILE* mFile = nullptr;
    int mChannels = 0;
    SDL_AudioStream* mConvert = nullptr;
    bool mLoop = false;
    Uint8 mSilence = 0;
    bool mDrained = false;  // the converter has been flushed at the end
    std::vector<float> mBlock;
    std::atomic<bool> mEnded{false};
};

}  // namespace platform
}  // namespace kest2d
