// Music and effects through the real SDL2_mixer back end on the dummy driver,
// with WAVE and Ogg Vorbis files made by the tests. What the mixer puts out is
// read back through its post-mix hook.
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/KesAudio.h"
#include "support/FrameFixture.h"
#include "video/OggTheoraWriter.h"

using namespace kest2d;
using namespace kest2d::test;
using namespace kest2d::platform;

namespace {

// A 16-bit sine tone of `ms` milliseconds.
std::string MakeWave(int ms, uint32_t rate = 44100, uint16_t channels = 2, double hz = 440.0) {
    const uint32_t frames = rate * static_cast<uint32_t>(ms) / 1000;
    const uint32_t dataBytes = frames * 2 * channels;
    std::string w;
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) w.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    auto u16 = [&](uint16_t v) {
        w.push_back(static_cast<char>(v & 0xFF));
        w.push_back(static_cast<char>(v >> 8));
    };
    w += "RIFF";
    u32(36 + dataBytes);
    w += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(channels);
    u32(rate);
    u32(rate * 2 * channels);
    u16(static_cast<uint16_t>(2 * channels));
    u16(16);
    w += "data";
    u32(dataBytes);
    for (uint32_t i = 0; i < frames; ++i) {
        int16_t s = static_cast<int16_t>(8000 * std::sin(2 * M_PI * hz * i / rate));
        for (uint16_t c = 0; c < channels; ++c) u16(static_cast<uint16_t>(s));
    }
    return w;
}

// A sound-only Ogg Vorbis file: a sine tone.
std::string MakeOgg(double seconds, int rate, int channels, double hz) {
    ClipSettings settings;
    settings.withVideo = false;
    settings.frames = 1;
    settings.audioRate = rate;
    settings.audioChannels = channels;
    settings.audioSeconds = seconds;
    settings.toneHz = hz;
    settings.toneAmplitude = 0.25f;
    return MakeOggTheora(settings);
}

// An MPEG layer III file (LAME through libsndfile): a stereo sine tone.
bool WriteMp3(const std::string& path, double seconds, double hz) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    const sf_count_t frames = static_cast<sf_count_t>(seconds * info.samplerate);
    std::vector<float> pcm(static_cast<size_t>(frames) * 2);
    for (sf_count_t i = 0; i < frames; ++i)
        pcm[2 * i] = pcm[2 * i + 1] = static_cast<float>(0.25 * std::sin(2 * M_PI * hz * i / info.samplerate));
    const bool ok = sf_writef_float(file, pcm.data(), frames) == frames;
    return sf_close(file) == 0 && ok;
}

// A tracker module of one looped note (only the mixer's own loader reads it).
std::string MakeModule() {
    std::string m(20, '\0');                     // title
    std::string tone(22, '\0');
    tone += std::string("\x00\x10\x00\x40\x00\x00\x00\x10", 8);  // 16 words, volume 64, loop all
    m += tone;
    for (int i = 0; i < 30; ++i) m += std::string(22, '\0') + std::string("\0\0\0\0\0\0\0\x01", 8);
    m += std::string("\x01\x7f", 2) + std::string(128, '\0') + "M.K.";
    std::string pattern(1024, '\0');
    pattern[0] = 0x01;  // sample 1 (high nibble 0), period 428
    pattern[1] = static_cast<char>(0xAC);
    pattern[2] = 0x10;
    m += pattern;
    for (int i = 0; i < 32; ++i) m.push_back(static_cast<char>(static_cast<int8_t>(100 * std::sin(2 * M_PI * i / 32))));
    return m;
}

// Reads what the mixer puts out (16-bit), a few output blocks at a time.
class OutputMeter {
public:
    struct Heard {
        int peak = 0;      // largest sample of the first channel
        double hz = 0.0;   // its tone, from the zero crossings
    };
    OutputMeter() {
        Uint16 format = 0;
        Mix_QuerySpec(&mRate, &format, &mChannels);
        Mix_SetPostMix(&OutputMeter::Take, this);
    }
    ~OutputMeter() { Mix_SetPostMix(nullptr, nullptr); }
    // What the next `blocks` output blocks, all mixed after this call, hold.
    Heard Listen(int blocks = 6) {
        {
            std::lock_guard<std::mutex> lock(mLock);
            mBlocks = mFrames = mCrossings = 0;
            mPeak = 0;
            mLastSign = 0;
        }
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        Heard heard;
        while (std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            std::lock_guard<std::mutex> lock(mLock);
            if (mBlocks < blocks) continue;
            heard.peak = mPeak;
            heard.hz = mFrames ? mCrossings / 2.0 * mRate / mFrames : 0.0;
            break;
        }
        return heard;
    }

private:
    static void Take(void* self, Uint8* stream, int len) {
        OutputMeter* m = static_cast<OutputMeter*>(self);
        std::lock_guard<std::mutex> lock(m->mLock);
        const int16_t* s = reinterpret_cast<const int16_t*>(stream);
        const long frames = len / 2 / std::max(1, m->mChannels);
        for (long i = 0; i < frames; ++i) {
            int v = s[i * m->mChannels];
            m->mPeak = std::max(m->mPeak, std::abs(v));
            int sign = v > 200 ? 1 : (v < -200 ? -1 : 0);
            if (sign != 0 && m->mLastSign != 0 && sign != m->mLastSign) ++m->mCrossings;
            if (sign != 0) m->mLastSign = sign;
        }
        m->mFrames += frames;
        ++m->mBlocks;
    }

    std::mutex mLock;
    int mRate = 44100;
    int mChannels = 2;
    long mBlocks = 0, mFrames = 0, mCrossings = 0;
    int mPeak = 0;
    int mLastSign = 0;
};

// The mixer runs on real time: wait (bounded) for a condition.
bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

class Sound : public FrameFixture {
protected:
    CKesBaseFrame* Start() {
        WriteFile(GamePath("music.wav"), MakeWave(5000));
        WriteFile(GamePath("theme.wav"), MakeWave(5000));
        WriteFile(GamePath("click.wav"), MakeWave(5000));
        WriteFile(GamePath("blip.wav"), MakeWave(60));
        return StartFrame<PlainFrame>();
    }
};

class AudioBackend : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(AudioInit(0, 44100));
        WriteFile(dir.file("long.wav"), MakeWave(5000));
    }
    void TearDown() override { AudioFree(); }
    TempDir dir;
};

}  // namespace

TEST_F(AudioBackend, AFourthPlaybackTakesOverTheOldestAndItsOldHandleGoesStale) {
    EXPECT_TRUE(AudioIsSilent());
    DWORD sample = AudioSampleLoad(dir.file("long.wav"), 3);
    ASSERT_NE(0u, sample);
    DWORD ch[4];
    for (DWORD& c : ch) {
        c = AudioSampleGetChannel(sample);
        ASSERT_NE(0u, c);
        ASSERT_TRUE(AudioChannelPlay(c, false));
    }
    EXPECT_EQ(KES_AUDIO_STOPPED, AudioChannelIsActive(ch[0]));
    EXPECT_FALSE(AudioChannelPause(ch[0]));
    for (int i = 1; i < 4; ++i) EXPECT_EQ(KES_AUDIO_PLAYING, AudioChannelIsActive(ch[i])) << i;
    EXPECT_EQ(3, AudioActiveChannelCount());
    // The next one takes over the second playback, now the oldest.
    DWORD fifth = AudioSampleGetChannel(sample);
    EXPECT_EQ(KES_AUDIO_STOPPED, AudioChannelIsActive(ch[1]));
    EXPECT_EQ(KES_AUDIO_PLAYING, AudioChannelIsActive(ch[2]));
    EXPECT_EQ(KES_AUDIO_STOPPED, AudioChannelIsActive(fifth));

    float v = 0;
    EXPECT_TRUE(AudioChannelSetAttribute(ch[3], KES_AUDIO_ATTRIB_PAN, -0.25f));
    EXPECT_TRUE(AudioChannelGetAttribute(ch[3], KES_AUDIO_ATTRIB_PAN, &v));
    EXPECT_FLOAT_EQ(-0.25f, v);
    EXPECT_TRUE(AudioSampleFree(sample));
    EXPECT_EQ(KES_AUDIO_STOPPED, AudioChannelIsActive(ch[3]));
    EXPECT_FALSE(AudioChannelPlay(ch[3], false));
    EXPECT_EQ(0, AudioActiveChannelCount());
}

TEST_F(AudioBackend, StreamsPauseResumeAndRefuseBadFiles) {
    DWORD s = AudioStreamCreateFile(dir.file("long.wav"), false);
    ASSERT_NE(0u, s);
    EXPECT_EQ(KES_AUDIO_STOPPED, AudioChannelIsActive(s));
    EXPECT_TRUE(AudioChannelPlay(s, false));
    EXPECT_EQ(KES_AUDIO_PLAYING, AudioChannelIsActive(s));
    EXPECT_TRUE(AudioChannelPause(s));
    EXPECT_EQ(KES_AUDIO_PAUSED, AudioChannelIsActive(s));
    EXPECT_TRUE(AudioChannelPlay(s, false));
    EXPECT_EQ(KES_AUDIO_PLAYING, AudioChannelIsActive(s));
    EXPECT_TRUE(AudioChannelStop(s));
    EXPECT_EQ(KES_AUDIO_STOPPED, AudioChannelIsActive(s));

    WriteFile(dir.file("junk.wav"), "RIFF nonsense");
    EXPECT_EQ(0u, AudioStreamCreateFile(dir.file("junk.wav"), true));
    EXPECT_EQ(0u, AudioSampleLoad(dir.file("none.wav"), 3));
    EXPECT_EQ(0u, AudioSampleGetChannel(s));  // a stream is no sample
    EXPECT_EQ(KES_AUDIO_STOPPED, AudioChannelIsActive(0));
    EXPECT_FALSE(AudioChannelPlay(12345678, false));
    EXPECT_TRUE(AudioStreamFree(s));
    EXPECT_FALSE(AudioStreamFree(s));
}

TEST_F(Sound, MusicPlayedTwiceKeepsOneLoopingStream) {
    CKesBaseFrame* f = Start();
    f->MusicPlay("blip.wav", true);
    f->MusicPlay("blip.wav", false);
    EXPECT_TRUE(f->SoundIsPlaying("blip.wav"));
    EXPECT_EQ(1, AudioActiveChannelCount());
    // A short effect ends on its own while the looping music goes on.
    f->EffectPlay("blip2.wav");  // no such file: a record without sound
    WriteFile(GamePath("short.wav"), MakeWave(60));
    f->EffectPlay("short.wav");
    ASSERT_TRUE(WaitFor([&] { return !f->SoundIsPlaying("short.wav"); }));
    EXPECT_TRUE(f->SoundIsPlaying("blip.wav"));

    // A paused stream continues where it was.
    f->SoundPause("blip.wav");
    EXPECT_FALSE(f->SoundIsPlaying("blip.wav"));
    f->MusicPlay("blip.wav", false);
    EXPECT_TRUE(f->SoundIsPlaying("blip.wav"));

    // A name keeps the kind of its first use.
    f->EffectPlay("blip.wav");
    EXPECT_EQ(1, AudioActiveChannelCount());
    f->EffectPlay("click.wav");
    f->MusicPlay("click.wav", false);
    EXPECT_EQ(2, AudioActiveChannelCount());
    f->SoundStopAll();
    EXPECT_EQ(0, AudioActiveChannelCount());
}

TEST_F(Sound, TheFourthQuickEffectTakesOverTheOldest) {
    CKesBaseFrame* f = Start();
    for (int i = 0; i < 4; ++i) f->EffectPlay("click.wav");
    EXPECT_EQ(3, AudioActiveChannelCount());
    EXPECT_TRUE(f->SoundIsPlaying("click.wav"));
    f->SoundStop("click.wav");
    EXPECT_FALSE(f->SoundIsPlaying("click.wav"));
    EXPECT_EQ(0, AudioActiveChannelCount());
}

TEST_F(Sound, IsPlayingIsFalseForUnknownNamesMissingFilesAndPausedStreams) {
    CKesBaseFrame* f = Start();
    EXPECT_FALSE(f->SoundIsPlaying("never.wav"));
    EXPECT_FALSE(f->SoundIsPlaying(""));
    f->MusicPlay("missing.ogg", true);
    EXPECT_FALSE(f->SoundIsPlaying("missing.ogg"));
    f->SoundPause("missing.ogg");
    f->SoundStop("never.wav");
    f->MusicPlay("music.wav", false);
    f->SoundPause("music.wav");
    EXPECT_FALSE(f->SoundIsPlaying("music.wav"));
}

TEST_F(Sound, MinimiseAndRestoreResumeOnlyWhatWasPlaying) {
    CKesBaseFrame* f = Start();
    f->MusicPlay("music.wav", true);
    f->MusicPlay("theme.wav", true);
    f->SoundPause("theme.wav");  // paused by the game itself
    f->EffectPlay("click.wav");
    f->MusicPlay("blip.wav", true);

    f->PauseAllPlayingSounds();
    EXPECT_FALSE(f->SoundIsPlaying("music.wav"));
    EXPECT_FALSE(f->SoundIsPlaying("click.wav"));
    EXPECT_FALSE(f->SoundIsPlaying("blip.wav"));
    f->SoundStop("blip.wav");  // stopped while minimised

    f->ResumePausedSounds();
    EXPECT_TRUE(f->SoundIsPlaying("music.wav"));
    EXPECT_TRUE(f->SoundIsPlaying("click.wav"));
    EXPECT_FALSE(f->SoundIsPlaying("theme.wav"));
    EXPECT_FALSE(f->SoundIsPlaying("blip.wav"));

    // A second restore without a minimise resumes nothing.
    f->SoundPause("music.wav");
    f->ResumePausedSounds();
    EXPECT_FALSE(f->SoundIsPlaying("music.wav"));
}

TEST_F(Sound, VolumesRoundTripExactly) {
    CKesBaseFrame* f = Start();
    EXPECT_EQ(100, f->MusicGetVolume());
    EXPECT_EQ(100, f->EffectGetVolume());
    for (int v : {0, 1, 7, 29, 57, 58, 99, 100, 150, -3}) {
        f->MusicSetVolume(v);
        f->EffectSetVolume(v);
        EXPECT_EQ(v, f->MusicGetVolume());
        EXPECT_EQ(v, f->EffectGetVolume());
        EXPECT_EQ(static_cast<DWORD>(v * 100), AudioGetConfig(KES_AUDIO_GVOL_STREAM));
        EXPECT_EQ(static_cast<DWORD>(v * 100), AudioGetConfig(KES_AUDIO_GVOL_SAMPLE));
    }
    f->MusicSetVolume(57);
    for (int i = 0; i < 50; ++i) f->MusicSetVolume(f->MusicGetVolume());
    EXPECT_EQ(57, f->MusicGetVolume());
}

TEST_F(Sound, WithoutAWorkingDeviceTheGamePlaysSilently) {
    const char* saved = std::getenv("SDL_AUDIODRIVER");
    std::string keep = saved ? saved : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(AudioInit(1, 44100));
    CKesBaseFrame* f = Start();
    if (saved)
        setenv("SDL_AUDIODRIVER", keep.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");
    EXPECT_TRUE(AudioIsSilent());
    f->MusicPlay("music.wav", true);
    EXPECT_TRUE(f->SoundIsPlaying("music.wav"));
    mFrame.reset();
    EXPECT_FALSE(AudioIsStarted());
}

TEST_F(Sound, MusicIsStreamedFromEachFormatAndHeardOnlyWhilePlaying) {
    // Stereo Ogg Vorbis, a mono WAVE file at another rate and MP3, each
    // several seconds long, a module (decoded whole by the mixer's loader, as
    // nothing streams it), and a short WAVE that ends on its own.
    WriteFile(GamePath("tone.ogg"), MakeOgg(6.0, 44100, 2, 440.0));
    WriteFile(GamePath("low.wav"), MakeWave(6000, 22050, 1, 330.0));
    ASSERT_TRUE(WriteMp3(GamePath("tone.mp3"), 6.0, 550.0));
    WriteFile(GamePath("tune.mod"), MakeModule());
    CKesBaseFrame* f = Start();
    OutputMeter meter;
    EXPECT_EQ(0, meter.Listen().peak);

    const struct {
        const char* name;
        double hz;
    } rows[] = {{"tone.ogg", 440.0}, {"low.wav", 330.0}, {"tone.mp3", 550.0}, {"tune.mod", 0.0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        f->MusicPlay(row.name, false);
        EXPECT_TRUE(f->SoundIsPlaying(row.name));
        OutputMeter::Heard heard = meter.Listen();
        EXPECT_GT(heard.peak, 1000);
        if (row.hz > 0) {
            EXPECT_NEAR(row.hz, heard.hz, row.hz * 0.05);
        }
        f->SoundPause(row.name);
        EXPECT_EQ(0, meter.Listen().peak);
        f->MusicPlay(row.name, false);  // continues
        EXPECT_GT(meter.Listen().peak, 1000);
        f->SoundStop(row.name);
        EXPECT_EQ(0, meter.Listen().peak);
    }

    // Both at once, under the global music volume and a minimise.
    f->MusicPlay("tone.ogg", true);
    f->MusicPlay("low.wav", true);
    EXPECT_EQ(2, AudioActiveChannelCount());
    EXPECT_GT(meter.Listen().peak, 1000);
    f->MusicSetVolume(0);
    EXPECT_EQ(0, meter.Listen().peak);
    f->MusicSetVolume(100);
    const int full = meter.Listen().peak;
    EXPECT_GT(full, 1000);
    // Half the volume, half the level; a volume outside 0-100 is kept as given
    // and plays as the nearer end.
    f->MusicSetVolume(50);
    EXPECT_NEAR(full / 2, meter.Listen().peak, full / 10);
    f->MusicSetVolume(150);
    EXPECT_EQ(150, f->MusicGetVolume());
    EXPECT_NEAR(full, meter.Listen().peak, full / 10);
    f->MusicSetVolume(-5);
    EXPECT_EQ(0, meter.Listen().peak);
    f->MusicSetVolume(100);
    f->PauseAllPlayingSounds();
    EXPECT_EQ(0, meter.Listen().peak);
    f->ResumePausedSounds();
    EXPECT_TRUE(f->SoundIsPlaying("tone.ogg"));
    EXPECT_TRUE(f->SoundIsPlaying("low.wav"));
    EXPECT_GT(meter.Listen().peak, 1000);
    f->SoundStopAll();
    EXPECT_EQ(0, meter.Listen().peak);

    // Music that is not looped ends on its own, and plays again from the start.
    f->MusicPlay("blip.wav", false);
    ASSERT_TRUE(WaitFor([&] { return !f->SoundIsPlaying("blip.wav"); }));
    EXPECT_EQ(0, AudioActiveChannelCount());
    EXPECT_EQ(0, meter.Listen().peak);
    f->MusicPlay("blip.wav", false);
    EXPECT_TRUE(f->SoundIsPlaying("blip.wav"));
}
