// The rasteriser as the picture shows it: turned and stretched textures,
// filtering, colour modes, gradients and the bands the frame is filled in.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "platform/KesRaster.h"
#include "render/RenderFixture.h"

using namespace kest2d;
using namespace kest2d::test;
using platform::KesRenderDevice;

namespace {

class Raster : public RenderFixture {
protected:
    void TearDown() override {
        KesRenderDevice::SetWorkersForTest(0);
        RenderFixture::TearDown();
    }
    static std::vector<uint32_t> Picture(DrawingFrame* f) {
        const uint32_t* p = f->Device().BackBufferPixels();
        return std::vector<uint32_t>(p, p + f->Device().BackBufferWidth() * f->Device().BackBufferHeight());
    }
};

// A colour of its own for every texel (never black).
DWORD Unique(int x, int y) { return 0xFF000000u | static_cast<DWORD>(y * 4096 + x + 1); }

DWORD Channelwise(DWORD a, DWORD b, double t) {
    DWORD out = 0;
    for (int s = 0; s < 32; s += 8) {
        const double ca = (a >> s) & 0xFF, cb = (b >> s) & 0xFF;
        out |= static_cast<DWORD>(std::lround(ca + (cb - ca) * t)) << s;
    }
    return out;
}

}  // namespace

TEST_F(Raster, QuarterTurnsShowEveryTexelOnceInItsPlace) {
    DrawingFrame* f = Start();
    struct Size {
        int w, h;
        bool hole;  // texel (0, 0) fully transparent: the rows go through blending
    };
    // Turned pictures are copied in square tiles: sizes that the tiles
    // divide, that they do not, that are thinner than a tile, and one wider
    // than the rows the rasteriser takes at a time; then some of them not
    // opaque, so that the tiles go into the rows blended.
    const Size sizes[] = {{1, 1, false},   {2, 3, false},  {64, 64, false}, {71, 96, false}, {13, 11, false},
                          {6, 200, false}, {200, 6, false}, {3, 40, false}, {20, 260, false}, {71, 96, true},
                          {13, 11, true},  {6, 200, true},  {3, 40, true},  {20, 260, true}};
    // With and without the processor's widest vector paths, in one band and
    // in seven (band edges at rows 342 and 428 cross the turned pictures).
    const struct {
        bool wide;
        int workers;
    } ways[] = {{true, 1}, {true, 7}, {false, 1}, {false, 7}};
    const int angles[] = {90, 180, 270, -90};
    const int px = 300, py = 300;  // the hot spot, the texture's top-left corner
    for (const Size& s : sizes) {
        auto texel = [&](int i, int j) { return s.hole && i == 0 && j == 0 ? Unique(i, j) & 0xFFFFFFu : Unique(i, j); };
        const unsigned long t = MakeTexture(f, s.w, s.h, texel, "probe");
        for (const auto& way : ways)
            for (int angle : angles) {
                SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h) + (s.hole ? " with a hole" : "") +
                             " at " + std::to_string(angle) +
                             (way.wide ? " wide, " : " narrow, ") + std::to_string(way.workers) + " workers");
                platform::KesRaster::SetWidePathsForTest(way.wide);
                KesRenderDevice::SetWorkersForTest(way.workers);
                Frame(f, [&](DrawingFrame& fr) {
                    CKesPosition2d<int> at(0, 0);
                    fr.Draw2DImage(t, at);
                    fr.Rotate(angle, CKesPosition2d<int>(px, py), CKesDimension2d<int>(s.w, s.h),
                              CKesPosition2d<int>(0, 0), 1.0f, 0.0f);
                });
                // Texel centre (i + 0.5, j + 0.5) turned clockwise in whole quarter steps.
                const int q = ((angle / 90) % 4 + 4) % 4;
                const int cs[4] = {1, 0, -1, 0}, sn[4] = {0, 1, 0, -1};
                std::map<DWORD, int> seen;
                const std::vector<uint32_t> pic = Picture(f);
                int lit = 0;
                for (uint32_t p : pic)
                    if ((p | 0xFF000000u) != 0xFF000000u) {
                        ++lit;
                        ++seen[p | 0xFF000000u];
                    }
                EXPECT_EQ(s.w * s.h - s.hole, lit);
                EXPECT_EQ(static_cast<size_t>(s.w * s.h - s.hole), seen.size());
                int misplaced = 0;
                for (int j = 0; j < s.h; ++j)
                    for (int i = 0; i < s.w; ++i) {
                        const int hx = 2 * i + 1, hy = 2 * j + 1;  // half pixels
                        const int rx = hx * cs[q] - hy * sn[q], ry = hx * sn[q] + hy * cs[q];
                        const int x = px + static_cast<int>(std::floor(rx / 2.0));
                        const int y = py + static_cast<int>(std::floor(ry / 2.0));
                        if (Px(f, x, y) != (s.hole && i == 0 && j == 0 ? 0xFF000000u : Unique(i, j))) ++misplaced;
                    }
                EXPECT_EQ(0, misplaced);
            }
        f->FreeTexture(t);
    }
    platform::KesRaster::SetWidePathsForTest(true);
}

TEST_F(Raster, AnyAngleMatchesAReferenceSamplerForNearestAndLinear) {
    DrawingFrame* f = Start();
    const int w = 48, h = 40, px = 400, py = 200, angle = 30;
    auto texel = [](int x, int y) {
        const int b = 128 + static_cast<int>(60 * std::sin(x * 0.7) * std::cos(y * 0.5));
        return 0xFF000000u | static_cast<DWORD>(x * 4) << 16 | static_cast<DWORD>(y * 5) << 8 | static_cast<DWORD>(b);
    };
    const unsigned long t = MakeTexture(f, w, h, texel);
    const float a = static_cast<float>(angle) * 0.0174532924f;
    const double c = std::cos(a), s = std::sin(a);
    for (bool linear : {false, true}) {
        SCOPED_TRACE(linear ? "linear" : "nearest");
        const DWORD filter = linear ? platform::TEXF_LINEAR : platform::TEXF_POINT;
        f->Device().SetTextureStageState(platform::TSS_MAGFILTER, filter);
        f->Device().SetTextureStageState(platform::TSS_MINFILTER, filter);
        Frame(f, [&](DrawingFrame& fr) {
            CKesPosition2d<int> at(0, 0);
            fr.Draw2DImage(t, at);
            fr.Rotate(angle, CKesPosition2d<int>(px, py), CKesDimension2d<int>(w, h), CKesPosition2d<int>(0, 0), 1.0f,
                      0.0f);
        });
        int compared = 0, wrong = 0;
        for (int y = py - 10; y < py + 70; ++y)
            for (int x = px - 40; x < px + 50; ++x) {
                // The pixel centre in texels, turned back.
                const double dx = x + 0.5 - px, dy = y + 0.5 - py;
                const double u = dx * c + dy * s, v = -dx * s + dy * c;
                if (u < -1 || v < -1 || u > w + 1 || v > h + 1) {
                    if (u < -1.5 || v < -1.5 || u > w + 1.5 || v > h + 1.5) {
                        EXPECT_EQ(0xFF000000u, Px(f, x, y));
                    }
                    continue;
                }
                if (u < 1 || v < 1 || u > w - 1 || v > h - 1) continue;  // edge pixels: coverage, not sampling
                DWORD expected;
                if (!linear) {
                    const double fu = u - std::floor(u), fv = v - std::floor(v);
                    if (fu < 0.02 || fu > 0.98 || fv < 0.02 || fv > 0.98) continue;  // on a texel edge
                    expected = texel(static_cast<int>(u), static_cast<int>(v));
                } else {
                    const double su = u - 0.5, sv = v - 0.5;
                    const int i = static_cast<int>(std::floor(su)), j = static_cast<int>(std::floor(sv));
                    const double fu = su - i, fv = sv - j;
                    auto at = [&](int x, int y) { return texel(std::min(std::max(x, 0), w - 1), std::min(std::max(y, 0), h - 1)); };
                    expected = Channelwise(Channelwise(at(i, j), at(i + 1, j), fu), Channelwise(at(i, j + 1), at(i + 1, j + 1), fu), fv);
                }
                ++compared;
                if (!Near(expected, Px(f, x, y))) ++wrong;
            }
        EXPECT_GT(compared, 1000);
        EXPECT_EQ(0, wrong);

        // Cut by a clip through the turned picture (its upright quad lies
        // wholly outside the clip): inside the clip, the same picture.
        const std::vector<uint32_t> uncut = Picture(f);
        const CKesRect<int> clip(px - 10, py + 10, 800, py + 45);
        Frame(f, [&](DrawingFrame& fr) {
            fr.Draw2DImage(t, CKesPosition2d<int>(0, 0), CKesRect<int>(0, 0, w, h), &clip);
            fr.Rotate(angle, CKesPosition2d<int>(px, py), CKesDimension2d<int>(w, h), CKesPosition2d<int>(0, 0), 1.0f,
                      0.0f);
        });
        const std::vector<uint32_t> cut = Picture(f);
        int shown = 0, differ = 0, outside = 0;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x) {
                const size_t i = static_cast<size_t>(y) * 800 + x;
                if (!clip.isPointInside(CKesPosition2d<int>(x, y)) || x == 800 || y == py + 45) {
                    outside += (cut[i] | 0xFF000000u) != 0xFF000000u ? 1 : 0;
                    continue;
                }
                shown += (uncut[i] | 0xFF000000u) != 0xFF000000u ? 1 : 0;
                differ += Near(uncut[i], cut[i]) ? 0 : 1;
            }
        EXPECT_GT(shown, 1000);
        EXPECT_EQ(0, differ);
        EXPECT_EQ(0, outside);
    }
    f->Device().SetTextureStageState(platform::TSS_MAGFILTER, platform::TEXF_LINEAR);
    f->Device().SetTextureStageState(platform::TSS_MINFILTER, platform::TEXF_LINEAR);
}

TEST_F(Raster, AStretchedPairBlendsBetweenItsTexelCentresStraightAndTurned) {
    DrawingFrame* f = Start();
    const DWORD first = 0xFF10C020u, second = 0xFFD02090u;
    const unsigned long t = MakeTexture(f, 2, 1, [&](int x, int) { return x ? second : first; });
    Frame(f, [&](DrawingFrame& fr) {
        fr.Draw2DImage(t, CKesRect<int>(100, 100, 120, 101), CKesRect<int>(0, 0, 2, 1), nullptr);
        CKesPosition2d<int> at(0, 0);
        fr.Draw2DImage(t, at);
        fr.Rotate(90, CKesPosition2d<int>(300, 100), CKesDimension2d<int>(2, 1), CKesPosition2d<int>(0, 0), 10.0f, 1.0f);
    });
    for (int k = 0; k < 20; ++k) {
        // Pixel centre k + 0.5 of 20 is texel position (k + 0.5) / 10 - 0.5.
        const double at = std::min(std::max((k + 0.5) / 10 - 0.5, 0.0), 1.0);
        const DWORD expected = Channelwise(first, second, at);
        EXPECT_TRUE(Near(expected, Px(f, 100 + k, 100))) << k << std::hex << " " << Px(f, 100 + k, 100);
        EXPECT_TRUE(Near(expected, Px(f, 299, 100 + k))) << k << std::hex << " " << Px(f, 299, 100 + k);
    }
    EXPECT_EQ(0xFF000000u, Px(f, 120, 100));
    EXPECT_EQ(0xFF000000u, Px(f, 299, 120));
    EXPECT_EQ(0xFF000000u, Px(f, 300, 105));
}

TEST_F(Raster, ColourModesAndGradients) {
    DrawingFrame* f = Start();
    const unsigned long dim = MakeTexture(f, 8, 8, [](int, int) { return 0x80102030u; }, "dim");
    const unsigned long bright = MakeTexture(f, 8, 8, [](int, int) { return 0xFFF0F0F0u; }, "bright");
    struct Corner {
        DWORD ul, ur, ll, lr;
    };
    const Corner gradients[] = {{0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu},
                                {0xFF102030u, 0xFFF0E0D0u, 0xFF808080u, 0xFF000000u}};
    // Colour added to the texel: the state blend bit 1 sets.
    f->Device().SetTextureStageState(platform::TSS_COLOROP, platform::TOP_ADD);
    Frame(f, [&](DrawingFrame& fr) {
        fr.Draw2DImage(dim, CKesPosition2d<int>(0, 0), CKesRect<int>(0, 0, 8, 8), nullptr, CKesColor(0xFF204060u));
        fr.Draw2DImage(bright, CKesPosition2d<int>(20, 0), CKesRect<int>(0, 0, 8, 8), nullptr, CKesColor(0xFF204060u));
    });
    f->Device().SetTextureStageState(platform::TSS_COLOROP, platform::TOP_MODULATE);
    EXPECT_TRUE(Near(Channelwise(0xFF000000u, 0xFF306090u, 128 / 255.0), Px(f, 3, 3))) << std::hex << Px(f, 3, 3);
    EXPECT_EQ(0xFFFFFFFFu, Px(f, 23, 3));

    // Gradients: each of the quad's two triangles shades linearly.
    const int l = 100, t = 100, w = 120, h = 50;
    for (const Corner& g : gradients) {
        Frame(f, [&](DrawingFrame& fr) {
            fr.Draw2dRectangle(CKesRect<int>(l, t, l + w, t + h), CKesColor(g.ul), CKesColor(g.ur), CKesColor(g.ll),
                               CKesColor(g.lr));
        });
        int wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const double fx = (x + 0.5) / w, fy = (y + 0.5) / h;
                // Lower-left triangle (top-left, bottom-left, bottom-right) or the upper-right one.
                const DWORD e = fy >= fx ? Channelwise(Channelwise(g.ul, g.ll, fy), Channelwise(g.ul, g.lr, fy), fx / fy)
                                         : Channelwise(Channelwise(g.ul, g.ur, fx), Channelwise(g.ul, g.lr, fx), fy / fx);
                if (!Near(e | 0xFF000000u, Px(f, l + x, t + y))) ++wrong;
            }
        EXPECT_EQ(0, wrong);
    }
}

TEST_F(Raster, BandsKeepSubmissionOrderAndGiveTheSamePictureForAnyWorkerCount) {
    DrawingFrame* f = Start();
    const unsigned long sprite = MakeTexture(f, 26, 37, [](int x, int y) { return 0xFF000000u | (x * 9) << 16 | (y * 6) << 8 | 0x40; });
    const unsigned long card = MakeTexture(f, 71, 96, Unique, "card");
    auto glassTexel = [](int x, int y) { return 0x80000000u | (x * 9) << 16 | (y * 6) << 8 | 0x40; };
    const unsigned long glass = MakeTexture(f, 26, 37, glassTexel, "glass");
    // Seven bands of 600 rows end at 85, 171, 257, 342, 428 and 514.
    auto scene = [&](DrawingFrame& fr) {
        for (int i = 0; i < 40; ++i) {
            CKesPosition2d<int> at(30 + 11 * i, 60 + 9 * i);
            fr.Draw2DImage(sprite, at, CKesRect<int>(0, 0, 26, 37), nullptr, CKesColor(0x80FFFFFFu - (i << 16)));
        }
        fr.Draw2dRectangle(CKesRect<int>(500, 70, 560, 100), CKesColor(0xFFFF0000u));
        fr.Draw2dRectangle(CKesRect<int>(520, 80, 580, 180), CKesColor(0x8000FF00u));
        fr.Draw2dRectangle(CKesRect<int>(200, 300, 400, 500), CKesColor(0x8000FF00u), CKesColor(0x800000FFu),
                           CKesColor(0xC0FFFFFFu), CKesColor(0x40FF00FFu));
        CKesPosition2d<int> at(0, 0);
        fr.Draw2DImage(card, at);
        fr.Rotate(30, CKesPosition2d<int>(650, 150), CKesDimension2d<int>(71, 96), CKesPosition2d<int>(35, 48), 1.5f, 0.0f);
        fr.Draw2dLine(CKesPosition2d<int>(0, 80), CKesPosition2d<int>(799, 95), CKesColor(0x80FFFF00u));
        fr.Draw2DImage(card, CKesRect<int>(600, 300, 790, 590), CKesRect<int>(0, 0, 71, 96));
        fr.Draw2DImage(sprite, CKesRect<int>(420, 320, 590, 560), CKesRect<int>(0, 0, 26, 37), nullptr,
                       CKesColor(0x90FFFFFFu));
        // A half-transparent picture turned by a quarter, across the band edge at row 428.
        fr.Draw2DImage(glass, at);
        fr.Rotate(90, CKesPosition2d<int>(120, 420), CKesDimension2d<int>(26, 37), CKesPosition2d<int>(0, 0), 1.0f,
                  0.0f);
    };
    // The same picture from any number of workers, with and without the
    // processor's widest vector paths.
    std::vector<std::vector<uint32_t>> pictures;
    const uint64_t fills = f->Device().FillsForTest();
    for (bool wide : {true, false})
        for (int workers : {1, 7, 0}) {
            platform::KesRaster::SetWidePathsForTest(wide);
            KesRenderDevice::SetWorkersForTest(workers);
            Frame(f, scene);
            pictures.push_back(Picture(f));
        }
    platform::KesRaster::SetWidePathsForTest(true);
    EXPECT_EQ(fills + pictures.size(), f->Device().FillsForTest());
    for (size_t i = 1; i < pictures.size(); ++i) EXPECT_TRUE(pictures[0] == pictures[i]) << i;
    // Later drawing lies over earlier drawing across the band edge at row 85.
    auto over = [](DWORD s, DWORD d) { return Channelwise(d, s, (s >> 24) / 255.0) | 0xFF000000u; };
    EXPECT_TRUE(Near(over(0x8000FF00u, 0xFFFF0000u), Px(f, 521, 84))) << std::hex << Px(f, 521, 84);
    EXPECT_TRUE(Near(over(0x8000FF00u, 0xFFFF0000u), Px(f, 521, 86))) << std::hex << Px(f, 521, 86);
    // Two half-transparent sprites across it: sprite 0 at (30, 60), sprite 1
    // (red scaled by 254) at (41, 69).
    for (int y : {84, 90}) {
        const DWORD t0 = 0x80000000u | (16 * 9) << 16 | ((y - 60) * 6) << 8 | 0x40;
        const DWORD t1 = 0x80000000u | 45 << 16 | ((y - 69) * 6) << 8 | 0x40;
        EXPECT_TRUE(Near(over(t1, over(t0, 0xFF000000u)), Px(f, 46, y))) << y << std::hex << " " << Px(f, 46, y);
    }
    // Texel (i, j) of the turned picture lies at (119 - j, 420 + i).
    for (int i : {0, 7, 8, 9, 25})
        for (int j : {0, 3, 36}) {
            const DWORD seen = Px(f, 119 - j, 420 + i);
            EXPECT_TRUE(Near(over(glassTexel(i, j), 0xFF000000u), seen)) << i << "," << j << std::hex << " " << seen;
        }
}

TEST_F(Raster, AClearShowsUnderWholePicturesThatDoNotHideIt) {
    DrawingFrame* f = Start();
    const unsigned long solid = MakeTexture(f, 4, 4, [](int, int) { return 0xFF40A020u; }, "solid");
    const unsigned long glass = MakeTexture(f, 4, 4, [](int, int) { return 0x8040A020u; }, "glass");
    const DWORD clear = 0xFF2060E0u;
    auto over = [](DWORD s, DWORD d) { return Channelwise(d, s, (s >> 24) / 255.0) | 0xFF000000u; };
    const struct {
        unsigned long texture;
        DWORD colour;
        DWORD expected;
    } cases[] = {
        {solid, 0xFFFFFFFFu, 0xFF40A020u},                    // opaque over everything: the clear is hidden
        {glass, 0xFFFFFFFFu, over(0x8040A020u, clear)},      // half-transparent picture
        {solid, 0x80FFFFFFu, over(0x8040A020u, clear)},      // half-transparent colour
        {glass, 0xFFFFFFFFu, clear},                          // dropped by the alpha test
    };
    for (const auto& c : cases) {
        f->Clear(CKesColor(clear));
        ASSERT_TRUE(f->BeginScene());
        const bool dropped = c.expected == clear;
        f->Device().SetRenderState(platform::RS_ALPHATESTENABLE, 1);
        f->Device().SetRenderState(platform::RS_ALPHAFUNC, platform::CMP_GREATEREQUAL);
        f->Device().SetRenderState(platform::RS_ALPHAREF, dropped ? 0x81 : 1);
        f->Draw2DImage(c.texture, CKesRect<int>(0, 0, 800, 600), CKesRect<int>(0, 0, 4, 4), nullptr, CKesColor(c.colour));
        f->EndScene();
        for (int y : {0, 299, 599})
            EXPECT_TRUE(Near(c.expected, Px(f, 799 - y, y))) << std::hex << c.expected << " " << Px(f, 799 - y, y);
    }
}

TEST_F(Raster, QuadsNearTheEndsOfTheIntegerRangeAreClippedWithoutOverflow) {
    DrawingFrame* f = Start();
    const unsigned long t = MakeTexture(f, 16, 16, Unique);
    const int lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    const CKesRect<int> whole(0, 0, 16, 16);
    Frame(f, [&](DrawingFrame& fr) {
        for (int x : {lo, lo + 1, hi - 8, hi}) {
            for (int y : {lo, 10, hi}) {
                fr.Draw2DImage(t, CKesPosition2d<int>(x, y), whole, nullptr);
                fr.Draw2DImage(t, CKesPosition2d<int>(x, y), whole, &whole);
                fr.Draw2DImage(t, CKesRect<int>(x, y, x / 2 + hi / 2, y / 2 + 5), whole, nullptr);
                CKesPosition2d<int> at(x, y);
                fr.Draw2DImage(t, at);
            }
        }
    });
    EXPECT_EQ(std::vector<uint32_t>(800 * 600, 0xFF000000u), Picture(f));
    // Turned with sizes and hot spots at the ends of int: the corners are
    // worked out wide. The first reaches from (0, 0) far to the lower right
    // at 30 degrees, stretching texel (0, 0) over the middle of the picture;
    // the second lies far away.
    Frame(f, [&](DrawingFrame& fr) {
        CKesPosition2d<int> at(0, 0);
        fr.Draw2DImage(t, at);
        fr.Rotate(30, CKesPosition2d<int>(0, 0), CKesDimension2d<int>(hi, hi), CKesPosition2d<int>(-1, -1), 1.0f, 0.0f);
        fr.Draw2DImage(t, at);
        fr.Rotate(30, CKesPosition2d<int>(hi, lo), CKesDimension2d<int>(lo, hi), CKesPosition2d<int>(lo, lo), 1.0f,
                  0.0f);
    });
    EXPECT_EQ(Unique(0, 0), Px(f, 400, 300));
    EXPECT_EQ(0xFF000000u, Px(f, 10, 0));
    // A rectangle far larger than the picture still covers all of it.
    Frame(f, [&](DrawingFrame& fr) {
        fr.Draw2dRectangle(CKesRect<int>(-2000000000, -2000000000, 2000000000, 2000000000), CKesColor(0xFFFF0000u));
    });
    EXPECT_EQ(std::vector<uint32_t>(800 * 600, 0xFFFF0000u), Picture(f));
    // Pictures and clips reaching across the whole of int show the part that
    // falls in the picture, each texel where it belongs: the source form cut
    // at the screen's left; the stretch form, one texel a pixel, cut by a
    // clip 10 pixels in (2^31 + 10 pixels cut of a 2^32 - 1 source); a
    // rectangle clipped to rows 40 to 49.
    const CKesRect<int> across(lo, 0, hi, 16), clip(10, 0, 800, 600), band(lo, 40, hi, 50);
    Frame(f, [&](DrawingFrame& fr) {
        fr.Draw2DImage(t, CKesPosition2d<int>(lo, 20), across, nullptr);
        fr.Draw2DImage(t, across, across, &clip);
        fr.Draw2dRectangle(CKesRect<int>(lo, lo, hi, hi), CKesColor(0xFFFF0000u), &band);
    });
    EXPECT_EQ(Unique(3, 3), Px(f, 3, 23));
    EXPECT_EQ(Unique(15, 15), Px(f, 15, 35));
    EXPECT_EQ(0xFF000000u, Px(f, 9, 3));
    EXPECT_EQ(Unique(10, 3), Px(f, 10, 3));
    EXPECT_EQ(Unique(15, 15), Px(f, 15, 15));
    EXPECT_EQ(0xFFFF0000u, Px(f, 400, 40));
    EXPECT_EQ(0xFFFF0000u, Px(f, 799, 49));
    EXPECT_EQ(0xFF000000u, Px(f, 400, 50));
}

TEST_F(Raster, LinesFarOutsideThePictureAndTheAlphaTest) {
    DrawingFrame* f = Start();
    const int lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    // Every pixel of a whole-pixel line (the all-octant error walk, its last
    // pixel left out), kept where it lies in the picture.
    auto walk = [](long long x, long long y, long long x1, long long y1, std::vector<uint32_t>& picture, DWORD c) {
        if (y == y1) {  // a row: no need to walk the far parts
            const long long from = x < x1 ? std::max(x, 0LL) : std::max(x1 + 1, 0LL);
            const long long to = x < x1 ? std::min(x1, 800LL) : std::min(x + 1, 800LL);
            for (long long i = from; i < to && y >= 0 && y < 600; ++i) picture[static_cast<size_t>(y * 800 + i)] = c;
            return;
        }
        const long long dx = std::llabs(x1 - x), dy = -std::llabs(y1 - y), sx = x < x1 ? 1 : -1, sy = y < y1 ? 1 : -1;
        long long err = dx + dy;
        for (long long k = 0; k < std::max(dx, -dy); ++k) {
            if (x >= 0 && x < 800 && y >= 0 && y < 600) picture[static_cast<size_t>(y * 800 + x)] = c;
            const long long e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y += sy;
            }
        }
    };
    const DWORD grey = 0xFF808080u;  // half-transparent white over black
    const struct {
        const char* name;
        CKesPosition2d<int> a, b;
        DWORD colour;
        bool alphaTest, blend;
        int alphaRef;
        DWORD shown;  // 0: nothing drawn
    } cases[] = {
        {"to x 2,000,000", {5, 44}, {2000000, 44}, 0xFFFFFFFFu, true, true, 1, 0xFFFFFFFFu},
        {"from x -1,000,000 to 1,000,000", {1000000, 50}, {-1000000, 50}, 0xFFFFFFFFu, true, true, 1, 0xFFFFFFFFu},
        {"over the whole range of int", {lo, 60}, {hi, 60}, 0xFFFFFFFFu, true, true, 1, 0xFFFFFFFFu},
        {"slanted, ends millions of pixels out", {-2000000, -999700}, {2000000, 1000300}, 0xFF00FF00u, true, true, 1,
         0xFF00FF00u},
        {"steep, ends millions of pixels out", {-1000350, 3000000}, {1000450, -3000000}, 0xFF00FF00u, true, true, 1,
         0xFF00FF00u},
        {"far out and missing the picture", {-3000000, -10}, {3000000, -5}, 0xFFFFFFFFu, true, true, 1, 0},
        {"alpha below the test's reference", {10, 70}, {200, 90}, 0x80FFFFFFu, true, true, 0x81, 0},
        {"alpha at the test's reference", {10, 70}, {200, 90}, 0x80FFFFFFu, true, true, 0x80, grey},
        {"alpha 0, the test and blending off", {10, 80}, {200, 80}, 0x00FF0000u, false, false, 1, 0xFFFF0000u},
    };
    platform::KesRenderDevice& d = f->Device();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Frame(f, [&](DrawingFrame& fr) {
            d.SetRenderState(platform::RS_ALPHATESTENABLE, c.alphaTest ? 1 : 0);
            d.SetRenderState(platform::RS_ALPHAREF, static_cast<DWORD>(c.alphaRef));
            d.SetRenderState(platform::RS_ALPHABLENDENABLE, c.blend ? 1 : 0);
            fr.Draw2dLine(c.a, c.b, CKesColor(c.colour));
        });
        std::vector<uint32_t> expected(800 * 600, 0xFF000000u);
        if (c.shown) walk(c.a.X, c.a.Y, c.b.X, c.b.Y, expected, c.shown);
        std::vector<uint32_t> shown = Picture(f);
        for (uint32_t& p : shown) p |= 0xFF000000u;
        int lit = 0;
        for (uint32_t p : expected) lit += p != 0xFF000000u ? 1 : 0;
        EXPECT_TRUE(expected == shown) << lit << " pixels expected";
        EXPECT_EQ(c.shown ? true : false, lit > 100);
    }
    d.SetRenderState(platform::RS_ALPHATESTENABLE, 1);
    d.SetRenderState(platform::RS_ALPHAREF, 1);
    d.SetRenderState(platform::RS_ALPHABLENDENABLE, 1);
    // The first case lights row 44 from x 5 to 799.
    Frame(f, [](DrawingFrame& fr) {
        fr.Draw2dLine(CKesPosition2d<int>(5, 44), CKesPosition2d<int>(2000000, 44), CKesColor(0xFFFFFFFFu));
    });
    EXPECT_EQ(0xFF000000u, Px(f, 4, 44));
    EXPECT_EQ(0xFFFFFFFFu, Px(f, 5, 44));
    EXPECT_EQ(0xFFFFFFFFu, Px(f, 799, 44));
}

TEST_F(Raster, TheLogoSitsInTheBottomRightCornerWhenOneIsSet) {
    DrawingFrame* f = Start();
    Frame(f, [](DrawingFrame& fr) { fr.DrawLogoTexture(); });
    EXPECT_EQ(std::vector<uint32_t>(800 * 600, 0xFF000000u), Picture(f));
    const unsigned long logo = f->GetLogoTexture();
    ASSERT_NE(0u, logo);
    EXPECT_EQ(155, f->GetTextureWidth(logo, false));
    EXPECT_EQ(52, f->GetTextureHeight(logo, false));
    f->SetLogo(logo);
    Frame(f, [](DrawingFrame& fr) { fr.DrawLogoTexture(); });
    // 155 x 52 at (800 - 170, 600 - 67).
    EXPECT_NE(0xFF000000u, Px(f, 630 + 77, 533 + 26));
    EXPECT_EQ(0xFF000000u, Px(f, 629, 533 + 26));
    EXPECT_EQ(0xFF000000u, Px(f, 630 + 77, 532));
    EXPECT_EQ(0xFF000000u, Px(f, 785, 585));
}

TEST_F(Raster, AFrameTheSameAsTheOneShownIsNotFilledAgainUntilSomethingChanges) {
    DrawingFrame* f = Start();
    KesRenderDevice& d = f->Device();
    const unsigned long card = MakeTexture(f, 16, 16, Unique, "card");
    struct Scene {
        DWORD tint = 0x80FF0000u;  // the half-transparent rectangle over the card
        bool cardFirst = true;
    } scene;
    auto draw = [&](DrawingFrame& fr) {
        auto cardQuad = [&] { fr.Draw2DImage(card, CKesRect<int>(100, 100, 300, 300), CKesRect<int>(0, 0, 16, 16)); };
        if (scene.cardFirst) cardQuad();
        fr.Draw2dRectangle(CKesRect<int>(200, 200, 400, 400), CKesColor(scene.tint));
        if (!scene.cardFirst) cardQuad();
    };
    auto writeCard = [&](DWORD texel) {
        DWORD* p = f->LockTexture(card, false, 0, 0, 16, 16);
        ASSERT_NE(nullptr, p);
        for (int i = 0; i < 16 * 16; ++i) p[i] = texel ? texel : Unique(i % 16, i / 16);
        f->UnLockTexture(card);
    };
    platform::PresentParams params = d.GetParams();
    const platform::PresentParams original = params;
    // What each change does to the scene, and whether the picture then looks
    // different from the first one.
    const struct {
        const char* name;
        std::function<void()> change;
        bool looksDifferent;
    } cases[] = {
        {"nothing", [] {}, false},
        {"a vertex colour", [&] { scene.tint = 0x8000FF00u; }, true},
        {"the card's texels", [&] { writeCard(0xFF123456u); }, true},
        {"the colour mode", [&] { d.SetTextureStageState(platform::TSS_COLOROP, platform::TOP_ADD); }, true},
        {"the order", [&] { scene.cardFirst = false; }, true},
        {"a device reset", [&] { ASSERT_EQ(platform::RENDER_OK, d.Reset(params)); }, false},
        {"a new size", [&] {
             params.backBufferWidth = 640;
             params.backBufferHeight = 480;
             ASSERT_EQ(platform::RENDER_OK, d.Reset(params));
         }, true},
    };
    Frame(f, draw);
    const std::vector<uint32_t> first = Picture(f);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The same frame again is not filled, and the picture stays.
        const uint64_t before = d.FillsForTest();
        Frame(f, draw);
        EXPECT_EQ(before, d.FillsForTest());
        EXPECT_TRUE(first == Picture(f));
        c.change();
        Frame(f, draw);
        const bool changed = std::string(c.name) != "nothing";
        EXPECT_EQ(before + (changed ? 1 : 0), d.FillsForTest());
        const std::vector<uint32_t> shown = Picture(f);
        EXPECT_EQ(c.looksDifferent, first != shown);
        // The same as the changed frame filled after a different one.
        Frame(f, [](DrawingFrame&) {});
        Frame(f, draw);
        EXPECT_EQ(before + (changed ? 3 : 2), d.FillsForTest());
        EXPECT_TRUE(shown == Picture(f));
        // Back to the first scene.
        scene = Scene();
        writeCard(0);
        d.SetTextureStageState(platform::TSS_COLOROP, platform::TOP_MODULATE);
        params = original;
        if (d.BackBufferWidth() != original.backBufferWidth) {
            ASSERT_EQ(platform::RENDER_OK, d.Reset(params));
        }
        Frame(f, draw);
        ASSERT_TRUE(first == Picture(f));
    }
    // Without a clear a frame draws over the last one: the same frame twice
    // is filled twice, and its half-transparent rectangle builds up.
    std::vector<DWORD> shades;
    for (int i = 0; i < 2; ++i) {
        const uint64_t before = d.FillsForTest();
        ASSERT_TRUE(f->BeginScene());
        draw(*f);
        f->EndScene();
        EXPECT_EQ(before + 1, d.FillsForTest());
        shades.push_back(Px(f, 350, 350));
    }
    EXPECT_TRUE(Near(Channelwise(0xFF800000u, 0xFFFF0000u, 128 / 255.0), shades[0])) << std::hex << shades[0];
    EXPECT_TRUE(Near(Channelwise(shades[0], 0xFFFF0000u, 128 / 255.0), shades[1])) << std::hex << shades[1];
}
