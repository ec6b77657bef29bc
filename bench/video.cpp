// Decode speed of a 640 x 480, 30 frames per second clip made at start-up:
// whole clips played through the manager in 1/30 s ticks, every frame
// converted to RGB and handed out. "x_real_time" is the speed over 30 fps.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/KesVideo.h"
#include "video/OggTheoraWriter.h"

using namespace kest2d;

namespace {

constexpr int kFrames = 90;

// Gradients, a moving square and some grain, so the encoder has real work.
std::string MakeClip(bool withSound) {
    test::ClipSettings settings;
    settings.width = 640;
    settings.height = 480;
    settings.fpsNumerator = 30;
    settings.fpsDenominator = 1;
    settings.frames = kFrames;
    settings.quality = 48;
    settings.paint = [](int f, int x, int y) {
        unsigned grain = (static_cast<unsigned>(x) * 2654435761u) ^ (static_cast<unsigned>(y + f) * 40503u);
        int n = static_cast<int>(grain >> 28);
        bool square = x >= 100 + f * 4 && x < 260 + f * 4 && y >= 100 + f * 2 && y < 260 + f * 2;
        if (square) return test::Rgb{230 - n, 200, 40 + n};
        return test::Rgb{(x + f * 3) % 256, (y * 2 + n) % 256, (x + y) / 5 % 256};
    };
    if (withSound) {
        settings.audioRate = 44100;
        settings.audioChannels = 2;
        settings.audioSeconds = kFrames / 30.0;
    }
    std::string path = "/tmp/kest2d_bench_video_" + std::to_string(getpid()) + (withSound ? "_av.ogg" : ".ogg");
    FILE* f = fopen(path.c_str(), "wb");
    std::string bytes = test::MakeOggTheora(settings);
    if (!f || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
    fclose(f);
    return path;
}

struct Clips {
    std::string video = MakeClip(false);
    std::string withSound = MakeClip(true);
    ~Clips() {
        std::remove(video.c_str());
        std::remove(withSound.c_str());
    }
};

const Clips& GetClips() {
    static Clips clips;
    return clips;
}

void BM_Decode640x480(benchmark::State& state) {
    const bool withSound = state.range(0) != 0;
    const std::string& path = withSound ? GetClips().withSound : GetClips().video;
    TheoraVideoManager manager(1);
    int64_t frames = 0;
    for (auto _ : state) {
        TheoraVideoClip* clip = manager.createVideoClip(path);
        if (!clip) {
            state.SkipWithError(manager.getLastError().c_str());
            return;
        }
        for (int guard = 0; guard < 10 * kFrames && !clip->isDone(); ++guard) {
            if (TheoraVideoFrame* f = clip->getNextFrame()) {
                benchmark::DoNotOptimize(f->getBuffer()[f->mBuffer.size() / 2]);
                ++frames;
            }
            manager.update(1.0f / 30.0f);
        }
        manager.destroyVideoClip(clip);
    }
    state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["x_real_time"] = benchmark::Counter(static_cast<double>(frames) / 30.0, benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_Decode640x480)->ArgName("sound")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
