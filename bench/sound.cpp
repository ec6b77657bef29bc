// The first MusicPlay of a three-minute Ogg Vorbis file (44.1 kHz stereo, made
// with libvorbisenc at start-up) on the UI thread: its time, and the heap it
// adds, at once and after a second of playing; the same for an MP3 file made
// with LAME through libsndfile. For comparison, the Ogg file decoded whole by
// SDL2_mixer's loader (what the first play of a name cost when music was
// decoded before it started).
#include <SDL_mixer.h>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "frame/Kest2dBaseFrame.h"
#include "video/OggTheoraWriter.h"

namespace {

constexpr double kSeconds = 180.0;

size_t HeapInUse() {
    struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

class BenchFrame : public kest2d::CKesBaseFrame {
public:
    BenchFrame() : CKesBaseFrame(nullptr) {}
};

// One headless game in a scratch folder holding the music, for the whole run.
class Game {
public:
    Game() {
        kest2d::bench::UseHeadlessPlatform();
        mDir = kest2d::bench::EnterScratchGameFolder();
        kest2d::test::ClipSettings settings;
        settings.withVideo = false;
        settings.frames = 1;
        settings.audioRate = 44100;
        settings.audioChannels = 2;
        settings.audioSeconds = kSeconds;
        settings.toneAmplitude = 0.25f;
        const std::string bytes = kest2d::test::MakeOggTheora(settings);
        mMusic = mDir + "/theme.ogg";
        FILE* f = std::fopen(mMusic.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
        std::fclose(f);
        mMp3 = mDir + "/theme.mp3";
        WriteMp3(mMp3);
        mFrame = new BenchFrame();
        mFrame->Initialize("", kest2d::CKesDimension2d<int>(800, 600));
    }
    ~Game() {
        delete mFrame;
        for (const std::string& name : mNames) std::remove((mDir + "/" + name).c_str());
        std::remove(mMusic.c_str());
        std::remove(mMp3.c_str());
        std::remove((mDir + "/kest2d.log").c_str());
        rmdir(mDir.c_str());
    }
    BenchFrame* frame() const { return mFrame; }
    const std::string& music() const { return mMusic; }
    // A name the frame has not played yet, for the Ogg (or MP3) file.
    std::string NewName(bool mp3 = false) {
        std::string name = "theme" + std::to_string(mNames.size()) + (mp3 ? ".mp3" : ".ogg");
        if (link((mp3 ? mMp3 : mMusic).c_str(), (mDir + "/" + name).c_str()) != 0) std::abort();
        mNames.push_back(name);
        return name;
    }

private:
    static void WriteMp3(const std::string& path) {
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = 2;
        info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        if (!file) std::abort();
        std::vector<float> pcm(2 * 44100);
        for (int second = 0; second < static_cast<int>(kSeconds); ++second) {
            for (int i = 0; i < 44100; ++i)
                pcm[2 * i] = pcm[2 * i + 1] = static_cast<float>(0.25 * std::sin(2 * M_PI * 440.0 * i / 44100));
            sf_writef_float(file, pcm.data(), 44100);
        }
        sf_close(file);
    }

    std::string mDir;
    std::string mMusic;
    std::string mMp3;
    std::vector<std::string> mNames;
    BenchFrame* mFrame = nullptr;
};

Game& TheGame() {
    static Game game;
    return game;
}

void FirstMusicPlay(benchmark::State& state, bool mp3) {
    Game& game = TheGame();
    double added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string name = game.NewName(mp3);
        const size_t before = HeapInUse();
        state.ResumeTiming();
        game.frame()->MusicPlay(name, true);
        state.PauseTiming();
        added += static_cast<double>(HeapInUse()) - static_cast<double>(before);
        if (!game.frame()->SoundIsPlaying(name)) state.SkipWithError("the music does not play");
        game.frame()->SoundStop(name);
        state.ResumeTiming();
    }
    state.counters["added_MB"] = added / state.iterations() / (1024.0 * 1024.0);
}

void BM_FirstMusicPlayOfThreeMinuteOgg(benchmark::State& state) { FirstMusicPlay(state, false); }
BENCHMARK(BM_FirstMusicPlayOfThreeMinuteOgg)->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_FirstMusicPlayOfThreeMinuteMp3(benchmark::State& state) { FirstMusicPlay(state, true); }
BENCHMARK(BM_FirstMusicPlayOfThreeMinuteMp3)->Iterations(20)->Unit(benchmark::kMillisecond);

// The heap a playing stream holds once the mixer has decoded a second of it.
void BM_MusicPlayingForASecond(benchmark::State& state) {
    Game& game = TheGame();
    double added = 0;
    for (auto _ : state) {
        const std::string name = game.NewName();
        const size_t before = HeapInUse();
        game.frame()->MusicPlay(name, true);
        std::this_thread::sleep_for(std::chrono::seconds(1));
        added += static_cast<double>(HeapInUse()) - static_cast<double>(before);
        game.frame()->SoundStop(name);
    }
    state.counters["added_MB"] = added / state.iterations() / (1024.0 * 1024.0);
}
BENCHMARK(BM_MusicPlayingForASecond)->Iterations(3)->Unit(benchmark::kMillisecond);

// Reference: the whole file decoded into one chunk by SDL2_mixer's loader.
void BM_WholeDecodeOfThreeMinuteOgg(benchmark::State& state) {
    Game& game = TheGame();
    double added = 0;
    for (auto _ : state) {
        const size_t before = HeapInUse();
        Mix_Chunk* chunk = Mix_LoadWAV(game.music().c_str());
        state.PauseTiming();
        if (!chunk) state.SkipWithError("the loader refused the file");
        added += static_cast<double>(HeapInUse()) - static_cast<double>(before);
        Mix_FreeChunk(chunk);
        state.ResumeTiming();
    }
    state.counters["added_MB"] = added / state.iterations() / (1024.0 * 1024.0);
}
BENCHMARK(BM_WholeDecodeOfThreeMinuteOgg)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
