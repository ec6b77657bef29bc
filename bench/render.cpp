// Frame times of the renderer, each drawn through the engine (batch, render
// device, our own rasteriser on all cores) and the same triangles sent straight
// to SDL's software renderer in the same run:
// - the standard 800 x 600 scene: a full-screen background, 1000 alpha-blended
//   64 x 64 sprites from one texture, 200 gradient rectangles and 500 lines,
//   through the engine with all workers and with one;
// - 10,000 half-transparent 26 x 37 sprites;
// - a background and 300 cards of 71 x 96, straight and turned by 90 degrees,
//   and the same rows as the straight cards copied with memcpy;
// - a small background stretched over the whole picture;
// - 50 lines across the picture, inside it and with ends a million pixels out;
// - the clear alone: the least any filled frame costs.
// A frame the same as the last one shown is not filled again, so every case
// moves its pictures a little each iteration, as a game does, and checks with
// the device's fill counter that every iteration filled the picture.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "frame/Kest2dBaseFrame.h"
#include "platform/KesRenderDevice.h"
#include "platform/KesFiles.h"

using namespace kest2d;

namespace {

const int kW = 800, kH = 600, kSprites = 1000, kRects = 200, kLines = 500, kSprite = 64;

struct Scene {
    std::vector<int> sx, sy;            // sprite positions
    std::vector<CKesRect<int>> rects;   // gradient rectangles
    std::vector<int> l;                 // line ends, 4 per line
    std::vector<uint32_t> background, sprite;

    Scene() {
        uint32_t seed = 12345;
        auto next = [&](int range) {
            seed = seed * 1103515245u + 12345u;
            return static_cast<int>((seed >> 8) % static_cast<uint32_t>(range));
        };
        for (int i = 0; i < kSprites; ++i) {
            sx.push_back(next(kW + kSprite) - kSprite / 2);
            sy.push_back(next(kH + kSprite) - kSprite / 2);
        }
        for (int i = 0; i < kRects; ++i) {
            int x = next(kW - 40), y = next(kH - 30);
            rects.emplace_back(x, y, x + 40, y + 30);
        }
        for (int i = 0; i < kLines * 4; ++i) l.push_back(next(i % 2 ? kH : kW));
        background.resize(static_cast<size_t>(kW) * kH);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                background[static_cast<size_t>(y) * kW + x] =
                    0xFF000000u | (static_cast<uint32_t>(x * 255 / kW) << 16) | (static_cast<uint32_t>(y * 255 / kH) << 8);
        sprite.resize(kSprite * kSprite);
        for (int y = 0; y < kSprite; ++y)
            for (int x = 0; x < kSprite; ++x) {
                int dx = x - 32, dy = y - 32;
                int a = 255 - (dx * dx + dy * dy) * 255 / 1024;
                if (a < 0) a = 0;
                sprite[static_cast<size_t>(y) * kSprite + x] = (static_cast<uint32_t>(a) << 24) | 0x00FFC040u;
            }
    }
};

const Scene& TheScene() {
    static Scene* s = new Scene();
    return *s;
}

class BenchFrame : public CKesBaseFrame {
public:
    BenchFrame() : CKesBaseFrame(nullptr) {}
};

BenchFrame* StartEngine() {
    static BenchFrame* frame = nullptr;
    if (frame) return frame;
    bench::UseHeadlessPlatform();
    if (bench::EnterScratchGameFolder() == "/tmp") return nullptr;
    frame = new BenchFrame();
    if (!frame->Initialize("", CKesDimension2d<int>(kW, kH))) return nullptr;
    return frame;
}

// Where everything of frame k is moved: never where frame k - 1 had it.
struct Drift {
    int x, y;
    explicit Drift(int64_t k) : x(static_cast<int>(k % 7) - 3), y(static_cast<int>(k % 5) - 2) {}
};

// Frames drawn so far, over all runs: a run does not start with the frame
// the run before it ended with.
int64_t gFrames = 0;

// Runs `draw` (given the frame's drift) between a clear and the end of the
// scene once per iteration; a run in which some iteration did not fill the
// picture measured nothing and is reported as an error. `flicker` changes
// the clear's colour every frame instead.
template <class Draw>
void RunFrames(benchmark::State& state, BenchFrame* f, const Draw& draw, bool flicker = false) {
    platform::KesRenderDevice* device = f->GetRenderDevice();
    const uint64_t before = device->FillsForTest();
    for (auto _ : state) {
        const int64_t k = gFrames++;
        f->Clear(CKesColor(flicker && k % 2 ? 0xFF204060u : 0u));
        f->BeginScene();
        draw(Drift(k));
        f->EndScene();
        benchmark::DoNotOptimize(device->ReadPixel(400, 300));
    }
    if (device->FillsForTest() - before != static_cast<uint64_t>(state.iterations()))
        state.SkipWithError("an iteration did not fill the picture");
}

unsigned long Upload(CKesBaseFrame* f, const char* name, int w, int h, const std::vector<uint32_t>& px) {
    unsigned long t = f->CreateTexture(name, w, h);
    DWORD* p = f->LockTexture(t, false, 0, 0, w, h);
    for (size_t i = 0; i < px.size(); ++i) p[i] = px[i];
    f->UnLockTexture(t);
    return t;
}

void BM_EngineScene(benchmark::State& state) {
    platform::KesRenderDevice::SetWorkersForTest(static_cast<int>(state.range(0)));
    BenchFrame* f = StartEngine();
    if (!f) {
        state.SkipWithError("the engine did not start");
        return;
    }
    const Scene& s = TheScene();
    unsigned long bg = Upload(f, "bg", kW, kH, s.background);
    unsigned long sp = Upload(f, "sprite", kSprite, kSprite, s.sprite);
    RunFrames(state, f, [&](Drift d) {
        CKesPosition2d<int> origin(0, 0);
        f->Draw2DImage(bg, origin);
        for (int i = 0; i < kSprites; ++i) {
            CKesPosition2d<int> p(s.sx[i] + d.x, s.sy[i] + d.y);
            f->Draw2DImage(sp, p);
        }
        for (const CKesRect<int>& r : s.rects)
            f->Draw2dRectangle(r + CKesPosition2d<int>(d.x, d.y), CKesColor(0x80FF0000), CKesColor(0x8000FF00),
                               CKesColor(0x800000FF), CKesColor(0x80FFFFFF));
        for (int i = 0; i < kLines; ++i)
            f->Draw2dLine(CKesPosition2d<int>(s.l[4 * i] + d.x, s.l[4 * i + 1] + d.y),
                          CKesPosition2d<int>(s.l[4 * i + 2] + d.x, s.l[4 * i + 3] + d.y), CKesColor(0xFFFFFFFF));
    });
    f->FreeTexture(bg);
    f->FreeTexture(sp);
    platform::KesRenderDevice::SetWorkersForTest(0);
}
// Argument: workers (0: one per core).
BENCHMARK(BM_EngineScene)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void Quad(std::vector<SDL_Vertex>& v, std::vector<int>& idx, float x0, float y0, float x1, float y1,
          const SDL_Color c[4]) {
    const int b = static_cast<int>(v.size());
    v.push_back(SDL_Vertex{{x0, y0}, c[0], {0, 0}});
    v.push_back(SDL_Vertex{{x0, y1}, c[1], {0, 1}});
    v.push_back(SDL_Vertex{{x1, y1}, c[2], {1, 1}});
    v.push_back(SDL_Vertex{{x1, y0}, c[3], {1, 0}});
    for (int k : {0, 1, 2, 2, 3, 0}) idx.push_back(b + k);
}

void BM_SdlScene(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    const Scene& s = TheScene();
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_Renderer* r = SDL_CreateSoftwareRenderer(surface);
    SDL_Texture* bg = SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, kW, kH);
    SDL_UpdateTexture(bg, nullptr, s.background.data(), kW * 4);
    SDL_SetTextureBlendMode(bg, SDL_BLENDMODE_BLEND);
    SDL_Texture* sp = SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, kSprite, kSprite);
    SDL_UpdateTexture(sp, nullptr, s.sprite.data(), kSprite * 4);
    SDL_SetTextureBlendMode(sp, SDL_BLENDMODE_BLEND);
    const SDL_Color white[4] = {{255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}};
    const SDL_Color grad[4] = {{255, 0, 0, 128}, {0, 0, 255, 128}, {255, 255, 255, 128}, {0, 255, 0, 128}};
    std::vector<SDL_Vertex> bgV, spV, rcV;
    std::vector<int> bgI, spI, rcI;
    Quad(bgV, bgI, 0, 0, kW, kH, white);
    for (int i = 0; i < kSprites; ++i)
        Quad(spV, spI, static_cast<float>(s.sx[i]), static_cast<float>(s.sy[i]), static_cast<float>(s.sx[i] + kSprite),
             static_cast<float>(s.sy[i] + kSprite), white);
    for (const CKesRect<int>& q : s.rects)
        Quad(rcV, rcI, static_cast<float>(q.UpperLeftCorner.X), static_cast<float>(q.UpperLeftCorner.Y),
             static_cast<float>(q.LowerRightCorner.X), static_cast<float>(q.LowerRightCorner.Y), grad);
    SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_BLEND);
    for (auto _ : state) {
        SDL_FillRect(surface, nullptr, 0);
        SDL_RenderGeometry(r, bg, bgV.data(), static_cast<int>(bgV.size()), bgI.data(), static_cast<int>(bgI.size()));
        SDL_RenderGeometry(r, sp, spV.data(), static_cast<int>(spV.size()), spI.data(), static_cast<int>(spI.size()));
        SDL_RenderGeometry(r, nullptr, rcV.data(), static_cast<int>(rcV.size()), rcI.data(),
                           static_cast<int>(rcI.size()));
        SDL_SetRenderDrawColor(r, 255, 255, 255, 255);
        for (int i = 0; i < kLines; ++i)
            SDL_RenderDrawLine(r, s.l[4 * i], s.l[4 * i + 1], s.l[4 * i + 2], s.l[4 * i + 3]);
        SDL_RenderFlush(r);
        benchmark::DoNotOptimize(static_cast<uint32_t*>(surface->pixels)[300 * kW + 400]);
    }
    SDL_DestroyRenderer(r);
    SDL_FreeSurface(surface);
}
BENCHMARK(BM_SdlScene)->Unit(benchmark::kMillisecond);

// ---- 10,000 half-transparent sprites ----

const int kManySprites = 10000, kSmallW = 26, kSmallH = 37;

struct Sprites {
    std::vector<int> x, y;
    std::vector<uint32_t> texels;
    Sprites() {
        uint32_t seed = 777;
        auto next = [&](int range) {
            seed = seed * 1103515245u + 12345u;
            return static_cast<int>((seed >> 8) % static_cast<uint32_t>(range));
        };
        for (int i = 0; i < kManySprites; ++i) {
            x.push_back(next(kW - kSmallW));
            y.push_back(next(kH - kSmallH));
        }
        for (int j = 0; j < kSmallH; ++j)
            for (int i = 0; i < kSmallW; ++i)
                texels.push_back(0x80000000u | static_cast<uint32_t>(i * 9) << 16 | static_cast<uint32_t>(j * 6) << 8 | 0x40u);
    }
};

const Sprites& TheSprites() {
    static Sprites* s = new Sprites();
    return *s;
}

// Argument: workers (0: one per core).
void BM_EngineSprites(benchmark::State& state) {
    platform::KesRenderDevice::SetWorkersForTest(static_cast<int>(state.range(0)));
    BenchFrame* f = StartEngine();
    if (!f) {
        state.SkipWithError("the engine did not start");
        return;
    }
    const Sprites& s = TheSprites();
    unsigned long sp = Upload(f, "small", kSmallW, kSmallH, s.texels);
    RunFrames(state, f, [&](Drift d) {
        for (int i = 0; i < kManySprites; ++i) {
            CKesPosition2d<int> p(s.x[i] + d.x, s.y[i] + d.y);
            f->Draw2DImage(sp, p);
        }
    });
    f->FreeTexture(sp);
    platform::KesRenderDevice::SetWorkersForTest(0);
}
BENCHMARK(BM_EngineSprites)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SdlSprites(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    const Sprites& s = TheSprites();
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_Renderer* r = SDL_CreateSoftwareRenderer(surface);
    SDL_Texture* sp = SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, kSmallW, kSmallH);
    SDL_UpdateTexture(sp, nullptr, s.texels.data(), kSmallW * 4);
    SDL_SetTextureBlendMode(sp, SDL_BLENDMODE_BLEND);
    const SDL_Color white[4] = {{255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}};
    std::vector<SDL_Vertex> v;
    std::vector<int> idx;
    for (int i = 0; i < kManySprites; ++i)
        Quad(v, idx, static_cast<float>(s.x[i]), static_cast<float>(s.y[i]), static_cast<float>(s.x[i] + kSmallW),
             static_cast<float>(s.y[i] + kSmallH), white);
    for (auto _ : state) {
        SDL_FillRect(surface, nullptr, 0);
        SDL_RenderGeometry(r, sp, v.data(), static_cast<int>(v.size()), idx.data(), static_cast<int>(idx.size()));
        SDL_RenderFlush(r);
        benchmark::DoNotOptimize(static_cast<uint32_t*>(surface->pixels)[300 * kW + 400]);
    }
    SDL_DestroyRenderer(r);
    SDL_FreeSurface(surface);
}
BENCHMARK(BM_SdlSprites)->Unit(benchmark::kMillisecond);

// ---- 300 cards, straight and turned ----

const int kCards = 300, kCardW = 71, kCardH = 96;

struct Cards {
    std::vector<int> x, y;  // card centres
    std::vector<uint32_t> texels;
    Cards() {
        uint32_t seed = 4242;
        auto next = [&](int range) {
            seed = seed * 1103515245u + 12345u;
            return static_cast<int>((seed >> 8) % static_cast<uint32_t>(range));
        };
        for (int i = 0; i < kCards; ++i) {
            x.push_back(kCardH / 2 + next(kW - kCardH));
            y.push_back(kCardH / 2 + next(kH - kCardH));
        }
        for (int j = 0; j < kCardH; ++j)
            for (int i = 0; i < kCardW; ++i)
                texels.push_back(0xFF000000u | static_cast<uint32_t>(i * 3) << 16 | static_cast<uint32_t>(j * 2) << 8 |
                                 static_cast<uint32_t>((i ^ j) & 0xFF));
    }
};

const Cards& TheCards() {
    static Cards* c = new Cards();
    return *c;
}

// Arguments: the turn in degrees (0 or 90), workers (0: one per core).
void BM_EngineCards(benchmark::State& state) {
    platform::KesRenderDevice::SetWorkersForTest(static_cast<int>(state.range(1)));
    BenchFrame* f = StartEngine();
    if (!f) {
        state.SkipWithError("the engine did not start");
        return;
    }
    const int angle = static_cast<int>(state.range(0));
    const Scene& scene = TheScene();
    const Cards& c = TheCards();
    unsigned long bg = Upload(f, "bg", kW, kH, scene.background);
    unsigned long card = Upload(f, "card", kCardW, kCardH, c.texels);
    RunFrames(state, f, [&](Drift d) {
        CKesPosition2d<int> origin(0, 0);
        f->Draw2DImage(bg, origin);
        for (int i = 0; i < kCards; ++i) {
            const int x = c.x[i] + d.x, y = c.y[i] + d.y;
            CKesPosition2d<int> p(x - kCardW / 2, y - kCardH / 2);
            f->Draw2DImage(card, p);
            f->Rotate(angle, CKesPosition2d<int>(x, y), CKesDimension2d<int>(kCardW, kCardH),
                      CKesPosition2d<int>(kCardW / 2, kCardH / 2), 1.0f, 0.0f);
        }
    });
    f->FreeTexture(bg);
    f->FreeTexture(card);
    platform::KesRenderDevice::SetWorkersForTest(0);
}
BENCHMARK(BM_EngineCards)->Args({0, 0})->Args({90, 0})->Args({0, 1})->Args({90, 1})->Unit(benchmark::kMillisecond);

void BM_SdlCardsTurned(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    const Scene& scene = TheScene();
    const Cards& c = TheCards();
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_Renderer* r = SDL_CreateSoftwareRenderer(surface);
    SDL_Texture* bg = SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, kW, kH);
    SDL_UpdateTexture(bg, nullptr, scene.background.data(), kW * 4);
    SDL_SetTextureBlendMode(bg, SDL_BLENDMODE_BLEND);
    SDL_Texture* card = SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, kCardW, kCardH);
    SDL_UpdateTexture(card, nullptr, c.texels.data(), kCardW * 4);
    SDL_SetTextureBlendMode(card, SDL_BLENDMODE_BLEND);
    const SDL_Color white[4] = {{255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}};
    std::vector<SDL_Vertex> bgV, cardV;
    std::vector<int> bgI, cardI;
    Quad(bgV, bgI, 0, 0, kW, kH, white);
    for (int i = 0; i < kCards; ++i) {
        // The card turned by 90 degrees about its centre: top-left goes to top-right.
        const float cx = static_cast<float>(c.x[i]), cy = static_cast<float>(c.y[i]);
        const float hx = kCardW / 2, hy = kCardH / 2;
        const int b = static_cast<int>(cardV.size());
        cardV.push_back(SDL_Vertex{{cx + hy, cy - hx}, white[0], {0, 0}});
        cardV.push_back(SDL_Vertex{{cx - (kCardH - hy), cy - hx}, white[0], {0, 1}});
        cardV.push_back(SDL_Vertex{{cx - (kCardH - hy), cy + (kCardW - hx)}, white[0], {1, 1}});
        cardV.push_back(SDL_Vertex{{cx + hy, cy + (kCardW - hx)}, white[0], {1, 0}});
        for (int k : {0, 1, 2, 2, 3, 0}) cardI.push_back(b + k);
    }
    SDL_SetTextureScaleMode(card, SDL_ScaleModeLinear);
    for (auto _ : state) {
        SDL_FillRect(surface, nullptr, 0);
        SDL_RenderGeometry(r, bg, bgV.data(), static_cast<int>(bgV.size()), bgI.data(), static_cast<int>(bgI.size()));
        SDL_RenderGeometry(r, card, cardV.data(), static_cast<int>(cardV.size()), cardI.data(),
                           static_cast<int>(cardI.size()));
        SDL_RenderFlush(r);
        benchmark::DoNotOptimize(static_cast<uint32_t*>(surface->pixels)[300 * kW + 400]);
    }
    SDL_DestroyRenderer(r);
    SDL_FreeSurface(surface);
}
BENCHMARK(BM_SdlCardsTurned)->Unit(benchmark::kMillisecond);

// The least the straight cards can take on one core: the same rows (the
// background's, then each card's, drifting as the engine's do) copied with
// memcpy into a picture of the same size, nothing else.
void BM_CardRowsCopied(benchmark::State& state) {
    const Scene& scene = TheScene();
    const Cards& c = TheCards();
    std::vector<uint32_t> picture(static_cast<size_t>(kW) * kH);
    for (auto _ : state) {
        const Drift d(gFrames++);
        for (int y = 0; y < kH; ++y)
            std::memcpy(&picture[static_cast<size_t>(y) * kW], &scene.background[static_cast<size_t>(y) * kW], kW * 4);
        for (int i = 0; i < kCards; ++i) {
            const int x = c.x[i] + d.x - kCardW / 2, y = c.y[i] + d.y - kCardH / 2;
            for (int j = 0; j < kCardH; ++j)
                std::memcpy(&picture[static_cast<size_t>(y + j) * kW + x], &c.texels[static_cast<size_t>(j) * kCardW],
                            kCardW * 4);
        }
        benchmark::DoNotOptimize(picture.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CardRowsCopied)->Unit(benchmark::kMillisecond);

// ---- A small background stretched over the picture (filtered) ----

// Argument: workers (0: one per core).
void BM_EngineStretchedBackground(benchmark::State& state) {
    platform::KesRenderDevice::SetWorkersForTest(static_cast<int>(state.range(0)));
    BenchFrame* f = StartEngine();
    if (!f) {
        state.SkipWithError("the engine did not start");
        return;
    }
    const Scene& scene = TheScene();
    std::vector<uint32_t> small(256 * 192);
    for (int y = 0; y < 192; ++y)
        for (int x = 0; x < 256; ++x) small[static_cast<size_t>(y) * 256 + x] = scene.background[static_cast<size_t>(y) * 3 * kW + x * 3];
    unsigned long bg = Upload(f, "small bg", 256, 192, small);
    // Scrolling sideways, 24 pixels wider than the picture: 4 pixels a step,
    // so that what the picture's left edge cuts off starts at another texel
    // column every frame (the cut is taken in whole texels).
    RunFrames(state, f, [&](Drift d) {
        const int scroll = 4 * (d.x + 3);
        f->Draw2DImage(bg, CKesRect<int>(-scroll, 0, kW + 24 - scroll, kH), CKesRect<int>(0, 0, 256, 192));
    });
    f->FreeTexture(bg);
    platform::KesRenderDevice::SetWorkersForTest(0);
}
BENCHMARK(BM_EngineStretchedBackground)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SdlStretchedBackground(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    const Scene& scene = TheScene();
    std::vector<uint32_t> small(256 * 192);
    for (int y = 0; y < 192; ++y)
        for (int x = 0; x < 256; ++x) small[static_cast<size_t>(y) * 256 + x] = scene.background[static_cast<size_t>(y) * 3 * kW + x * 3];
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_Renderer* r = SDL_CreateSoftwareRenderer(surface);
    SDL_Texture* bg = SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, 256, 192);
    SDL_UpdateTexture(bg, nullptr, small.data(), 256 * 4);
    SDL_SetTextureBlendMode(bg, SDL_BLENDMODE_BLEND);
    SDL_SetTextureScaleMode(bg, SDL_ScaleModeLinear);
    const SDL_Color white[4] = {{255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}};
    std::vector<SDL_Vertex> v;
    std::vector<int> idx;
    Quad(v, idx, -12, 0, kW + 12, kH, white);
    for (auto _ : state) {
        SDL_FillRect(surface, nullptr, 0);
        SDL_RenderGeometry(r, bg, v.data(), static_cast<int>(v.size()), idx.data(), static_cast<int>(idx.size()));
        SDL_RenderFlush(r);
        benchmark::DoNotOptimize(static_cast<uint32_t*>(surface->pixels)[300 * kW + 400]);
    }
    SDL_DestroyRenderer(r);
    SDL_FreeSurface(surface);
}
BENCHMARK(BM_SdlStretchedBackground)->Unit(benchmark::kMillisecond);

// ---- Lines across the picture ----

// Argument: 0 for 50 lines from x 0 to 800, 1 for the same rows from x
// -1,000,000 to 1,000,000 (the same pixels lit).
void BM_EngineLines(benchmark::State& state) {
    BenchFrame* f = StartEngine();
    if (!f) {
        state.SkipWithError("the engine did not start");
        return;
    }
    const int reach = state.range(0) ? 1000000 : 0;
    RunFrames(state, f, [&](Drift d) {
        for (int i = 0; i < 50; ++i) {
            const int y = 10 + 11 * i + d.y;
            f->Draw2dLine(CKesPosition2d<int>(-reach, y), CKesPosition2d<int>(kW + reach, y), CKesColor(0xFFFFFFFF));
        }
    });
}
BENCHMARK(BM_EngineLines)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// ---- The floor ----

// Nothing but the clear, its colour changing every frame: filling the
// picture once; no case that fills it can take less.
void BM_EngineClear(benchmark::State& state) {
    BenchFrame* f = StartEngine();
    if (!f) {
        state.SkipWithError("the engine did not start");
        return;
    }
    RunFrames(state, f, [](Drift) {}, true);
}
BENCHMARK(BM_EngineClear)->Unit(benchmark::kMillisecond);

}  // namespace
