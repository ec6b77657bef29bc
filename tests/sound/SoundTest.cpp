// Music and effects through the real SDL2_mixer back end on the dummy driver,
// with WAVE files made by the tests.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <thread>

#include "platform/KesAudio.h"
#include "support/FrameFixture.h"

using namespace kest2d;
using namespace kest2d::test;
using namespace kest2d::platform;

namespace {

// A 16-bit stereo 44.1 kHz sine tone of `ms` milliseconds.
std::string MakeWave(int ms) {
    const uint32_t rate = 44100, frames = rate * static_cast<uint32_t>(ms) / 1000;
    const uint32_t dataBytes = frames * 4;
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
    u16(2);
    u32(rate);
    u32(rate * 4);
    u16(4);
    u16(16);
    w += "data";
    u32(dataBytes);
    for (uint32_t i = 0; i < frames; ++i) {
        int16_t s = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440.0 * i / rate));
        u16(static_cast<uint16_t>(s));
        u16(static_cast<uint16_t>(s));
    }
    return w;
}

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
