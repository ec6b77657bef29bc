// Text drawing speed: glyphs per second for a 2000-glyph paragraph of mixed
// Latin and Chinese text, drawn by a font with a warm glyph cache, against raw
// FreeType rendering of the same glyphs and against queueing ready-made quads
// of the same glyph textures (the floor that the font's warm path is held to:
// within 1.5x).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "frame/Kest2dBaseFrame.h"
#include "render/Kest2dFont.h"
#include "platform/KesClock.h"
#include "platform/KesFiles.h"

namespace {

using namespace kest2d;

const char* const kFont = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

class BenchFrame : public CKesBaseFrame {
public:
    BenchFrame() : CKesBaseFrame(nullptr) {}
};

struct Scene {
    std::string folder;
    std::unique_ptr<BenchFrame> frame;
    CKesGUITTFont* font = nullptr;
    std::string paragraph;
    bool textures = false;

    Scene() {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        char pattern[] = "/tmp/kest2d-bench-font-XXXXXX";
        if (mkdtemp(pattern)) folder = pattern;
        if (!folder.empty() && chdir(folder.c_str()) != 0) folder.clear();
        platform::UseVirtualClock();
        platform::SetCommandLine("-d$" + folder);
        frame = std::make_unique<BenchFrame>();
        if (!frame->Initialize("", CKesDimension2d<int>(800, 600))) return;
        font = static_cast<CKesGUITTFont*>(frame->LoadFont("BenchFont", 16, kFont));
        const std::string piece = "Kest2d 游戏引擎 draws text 中文字体, 扑克牌 and more! ";
        // Count UTF-16 units: a byte >= 0x80 starts a two-byte character.
        int units = 0;
        while (units < 2000) {
            for (size_t i = 0; i < piece.size() && units < 2000; ++i) {
                paragraph += piece[i];
                if (static_cast<unsigned char>(piece[i]) >= 0x80) paragraph += piece[++i];
                ++units;
            }
        }
        const unsigned long probe = frame->CreateTexture("probe", 4, 4);
        textures = probe != 0;
        if (probe) frame->FreeTexture(probe);
    }
    ~Scene() {
        frame.reset();
        if (folder.empty()) return;
        if (chdir("/tmp") == 0) {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    }
};

Scene& GetScene() {
    static Scene scene;
    return scene;
}

// A run in which some iteration did not fill the picture (a frame the same
// as the last one shown is not filled again) measured nothing. These frames
// are drawn without a clear, over the last picture, so each one is filled.
void CheckEveryFrameFilled(benchmark::State& state, Scene& s, uint64_t before) {
    if (s.frame->GetRenderDevice()->FillsForTest() - before != static_cast<uint64_t>(state.iterations()))
        state.SkipWithError("an iteration did not fill the picture");
}

void BM_WarmCache(benchmark::State& state) {
    Scene& s = GetScene();
    if (!s.font || !s.textures) {
        state.SkipWithError("needs the renderer's textures");
        return;
    }
    const CKesRect<int> rect(0, 0, 800, 600);
    s.font->draw(s.paragraph.c_str(), rect, CKesColor(0xFF000000));
    const uint64_t before = s.frame->GetRenderDevice()->FillsForTest();
    for (auto _ : state) {
        s.frame->BeginScene();
        s.font->draw(s.paragraph.c_str(), rect, CKesColor(0xFF000000));
        s.frame->EndScene();
    }
    CheckEveryFrameFilled(state, s, before);
    state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(BM_WarmCache);

void BM_RawFreeType(benchmark::State& state) {
    Scene& s = GetScene();
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (!s.font || FT_Init_FreeType(&library) != 0 || FT_New_Face(library, kFont, 0, &face) != 0) {
        state.SkipWithError("test font missing");
        if (library) FT_Done_FreeType(library);
        return;
    }
    const wchar_t* wide = s.font->ToWideString(s.paragraph.c_str());
    std::vector<FT_UInt> indices;
    for (const wchar_t* p = wide; *p; ++p) indices.push_back(FT_Get_Char_Index(face, static_cast<FT_ULong>(*p)));
    FT_Set_Pixel_Sizes(face, 0, 16);
    for (auto _ : state) {
        for (FT_UInt index : indices) {
            if (FT_Load_Glyph(face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0 &&
                face->glyph->format == FT_GLYPH_FORMAT_OUTLINE)
                FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
            benchmark::DoNotOptimize(face->glyph->bitmap.buffer);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(indices.size()));
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}
BENCHMARK(BM_RawFreeType);

void BM_PremadeQuads(benchmark::State& state) {
    Scene& s = GetScene();
    if (!s.font || !s.textures) {
        state.SkipWithError("needs the renderer's textures");
        return;
    }
    struct Quad {
        unsigned long texture;
        CKesPosition2d<int> at;
        CKesRect<int> source;
    };
    std::vector<Quad> quads;
    const wchar_t* wide = s.font->ToWideString(s.paragraph.c_str());
    std::wstring text(wide);
    int x = 0;
    for (wchar_t c : text) {
        if (const CKesGUITTGlyph* g = s.font->GetGlyph(c)) {
            if (g->texture)
                quads.push_back({g->texture, CKesPosition2d<int>(x + g->left, s.font->size - g->top),
                                 CKesRect<int>(0, 0, g->textureWidth - 1, g->textureHeight - 1)});
        }
        x += s.font->getWidthFromCharacter(c);
    }
    const uint64_t before = s.frame->GetRenderDevice()->FillsForTest();
    for (auto _ : state) {
        s.frame->BeginScene();
        for (const Quad& q : quads) s.frame->Draw2DImage(q.texture, q.at, q.source, nullptr, CKesColor(0xFF000000));
        s.frame->EndScene();
    }
    CheckEveryFrameFilled(state, s, before);
    state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(BM_PremadeQuads);

}  // namespace

namespace {

// Converting and measuring the paragraph: the part of drawing that is not
// the quads themselves.
void BM_MeasureParagraph(benchmark::State& state) {
    Scene& s = GetScene();
    if (!s.font) {
        state.SkipWithError("test font missing");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(s.font->getTextDimension(s.paragraph.c_str()));
    state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(BM_MeasureParagraph);

}  // namespace
