// What the renderer puts on screen, read back from the framebuffer.
#include <gtest/gtest.h>

#include "render/RenderFixture.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

class Pixels : public RenderFixture {};

// Texel (x, y) of the coordinate texture: red = x, green = y.
DWORD Coord(int x, int y) { return 0xFF000000u | (static_cast<DWORD>(x) << 16) | (static_cast<DWORD>(y) << 8); }

}  // namespace

TEST_F(Pixels, RectangleCoversItsPixelsAndNotItsRightAndBottomEdges) {
    DrawingFrame* f = Start();
    Frame(f, [](DrawingFrame& fr) { fr.Draw2dRectangle(CKesRect<int>(10, 10, 20, 20), CKesColor(0xFFFF0000)); });
    for (int i = 10; i < 20; ++i) {
        EXPECT_EQ(0xFFFF0000u, Px(f, i, 10)) << i;
        EXPECT_EQ(0xFFFF0000u, Px(f, 19, i)) << i;
        EXPECT_EQ(0xFFFF0000u, Px(f, i, 19)) << i;
    }
    // One pixel past each side: left, right, top, bottom.
    const int outside[][2] = {{9, 15}, {20, 15}, {15, 9}, {15, 20}};
    for (const auto& p : outside) EXPECT_EQ(0xFF000000u, Px(f, p[0], p[1])) << p[0] << "," << p[1];
}

TEST_F(Pixels, GradientRectangleIsClippedAndShades) {
    DrawingFrame* f = Start();
    CKesRect<int> clip(0, 0, 50, 30);
    Frame(f, [&](DrawingFrame& fr) {
        fr.Draw2dRectangle(CKesRect<int>(20, 20, 120, 40), CKesColor(0xFFFF0000), CKesColor(0xFF0000FF),
                           CKesColor(0xFFFF0000), CKesColor(0xFF0000FF), &clip);
        // Wholly outside its clip: nothing.
        fr.Draw2dRectangle(CKesRect<int>(60, 60, 70, 70), CKesColor(0xFFFFFFFF), &clip);
    });
    EXPECT_NE(0xFF000000u, Px(f, 49, 29));
    EXPECT_EQ(0xFF000000u, Px(f, 50, 25));
    EXPECT_EQ(0xFF000000u, Px(f, 30, 30));
    EXPECT_EQ(0xFF000000u, Px(f, 65, 65));
    // Red fades towards blue from left to right.
    DWORD left = Px(f, 20, 25), right = Px(f, 49, 25);
    EXPECT_GT((left >> 16) & 0xFF, (right >> 16) & 0xFF);
    EXPECT_LT(left & 0xFF, right & 0xFF);
}

TEST_F(Pixels, TextureAtWholeCoordinatesLandsTexelForTexel) {
    DrawingFrame* f = Start();
    unsigned long t = MakeTexture(f, 16, 12, Coord);
    CKesPosition2d<int> at(30, 40);
    Frame(f, [&](DrawingFrame& fr) { fr.Draw2DImage(t, at); });
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(Coord(x, y), Px(f, 30 + x, 40 + y)) << x << "," << y;
    EXPECT_EQ(0xFF000000u, Px(f, 29, 40));
    EXPECT_EQ(0xFF000000u, Px(f, 46, 40));
    EXPECT_EQ(0xFF000000u, Px(f, 30, 52));
}

TEST_F(Pixels, VertexColourModulatesTexels) {
    DrawingFrame* f = Start();
    unsigned long t = MakeTexture(f, 8, 8, [](int, int) { return 0xFFC08040u; });
    CKesPosition2d<int> at(0, 0);
    Frame(f, [&](DrawingFrame& fr) { fr.Draw2DImage(t, at, CKesColor(0xFF80FF40)); });
    const DWORD expected = 0xFF000000u | ((0xC0 * 0x80 / 255) << 16) | ((0x80 * 0xFF / 255) << 8) | (0x40 * 0x40 / 255);
    EXPECT_TRUE(Near(expected, Px(f, 3, 3))) << std::hex << Px(f, 3, 3);
}

TEST_F(Pixels, AlphaBlendsSourceOverDestination) {
    DrawingFrame* f = Start();
    unsigned long t = MakeTexture(f, 8, 8, [](int x, int) { return x < 4 ? 0x80FF0000u : 0x00FF0000u; });
    CKesPosition2d<int> at(10, 10);
    Frame(f, [&](DrawingFrame& fr) {
        fr.Draw2dRectangle(CKesRect<int>(0, 0, 100, 100), CKesColor(0xFF2040FF));
        fr.Draw2DImage(t, at);
        fr.Draw2dRectangle(CKesRect<int>(50, 50, 60, 60), CKesColor(0x40FFFFFF));
    });
    auto blend = [](DWORD src, DWORD dst) {
        const unsigned a = src >> 24;
        DWORD out = 0xFF000000u;
        for (int s = 0; s < 24; s += 8) {
            unsigned cs = (src >> s) & 0xFF, cd = (dst >> s) & 0xFF;
            out |= ((cs * a + cd * (255 - a)) / 255) << s;
        }
        return out;
    };
    EXPECT_TRUE(Near(blend(0x80FF0000u, 0xFF2040FFu), Px(f, 11, 11))) << std::hex << Px(f, 11, 11);
    // Fully transparent texels leave the picture alone.
    EXPECT_EQ(0xFF2040FFu, Px(f, 16, 11));
    EXPECT_TRUE(Near(blend(0x40FFFFFFu, 0xFF2040FFu), Px(f, 55, 55))) << std::hex << Px(f, 55, 55);
}

TEST_F(Pixels, SourceFormIsClippedByItsRectangleAndTheScreen) {
    DrawingFrame* f = Start();
    unsigned long t = MakeTexture(f, 16, 16, Coord);
    CKesRect<int> clip(105, 0, 800, 600);
    Frame(f, [&](DrawingFrame& fr) {
        fr.Draw2DImage(t, CKesPosition2d<int>(100, 100), CKesRect<int>(2, 3, 12, 13), &clip);
        fr.Draw2DImage(t, CKesPosition2d<int>(-3, -2), CKesRect<int>(0, 0, 16, 16));
        fr.Draw2DImage(t, CKesPosition2d<int>(790, 595), CKesRect<int>(0, 0, 16, 16));
    });
    // The clip cut 5 pixels at the left: the picture starts 5 texels further in.
    EXPECT_EQ(0xFF000000u, Px(f, 104, 100));
    EXPECT_EQ(Coord(7, 3), Px(f, 105, 100));
    EXPECT_EQ(Coord(11, 12), Px(f, 109, 109));
    EXPECT_EQ(0xFF000000u, Px(f, 110, 100));
    EXPECT_EQ(0xFF000000u, Px(f, 105, 110));
    // Against the screen's top-left and bottom-right corners.
    EXPECT_EQ(Coord(3, 2), Px(f, 0, 0));
    EXPECT_EQ(Coord(15, 15), Px(f, 12, 13));
    EXPECT_EQ(Coord(0, 0), Px(f, 790, 595));
    EXPECT_EQ(Coord(9, 4), Px(f, 799, 599));
}

TEST_F(Pixels, StretchFormScalesAndClipsTheMatchingPartOfThePicture) {
    DrawingFrame* f = Start();
    // Column k carries k in its blue channel.
    unsigned long t = MakeTexture(f, 50, 4, [](int x, int) { return 0xFF000000u | static_cast<DWORD>(x * 4); });
    CKesRect<int> clip(20, 0, 800, 600);
    Frame(f, [&](DrawingFrame& fr) {
        fr.Draw2DImage(t, CKesRect<int>(0, 100, 100, 108), CKesRect<int>(0, 0, 50, 4), &clip);
        fr.Draw2DImage(t, CKesRect<int>(0, 200, 25, 202), CKesRect<int>(0, 0, 50, 4));
    });
    EXPECT_EQ(0xFF000000u, Px(f, 19, 104));
    // 20 destination pixels cut = 10 source pixels.
    EXPECT_NEAR(40, static_cast<int>(Px(f, 20, 104) & 0xFF), 4);
    EXPECT_NEAR(120, static_cast<int>(Px(f, 60, 104) & 0xFF), 4);
    EXPECT_NEAR(196, static_cast<int>(Px(f, 99, 104) & 0xFF), 4);
    EXPECT_EQ(0xFF000000u, Px(f, 100, 104));
    // Shrunk to half: 25 pixels wide, 2 high.
    EXPECT_NE(0xFF000000u, Px(f, 24, 201));
    EXPECT_EQ(0xFF000000u, Px(f, 25, 201));
    EXPECT_EQ(0xFF000000u, Px(f, 10, 202));
}

TEST_F(Pixels, RotatedImageTurnsClockwiseAroundItsHotSpot) {
    DrawingFrame* f = Start();
    // 40 x 20: left half red, right half green.
    unsigned long t = MakeTexture(f, 40, 20, [](int x, int) { return x < 20 ? 0xFFFF0000u : 0xFF00FF00u; });
    CKesPosition2d<int> at(0, 0);
    Frame(f, [&](DrawingFrame& fr) {
        fr.Draw2DImage(t, at);
        fr.Rotate(90, CKesPosition2d<int>(200, 200), CKesDimension2d<int>(40, 20), CKesPosition2d<int>(0, 0), 1.0f,
                  0.0f);
    });
    // Turned by 90 degrees: the picture's x runs down the screen, its y to the left.
    EXPECT_EQ(0xFFFF0000u, Px(f, 190, 205));
    EXPECT_EQ(0xFF00FF00u, Px(f, 190, 235));
    EXPECT_EQ(0xFF000000u, Px(f, 205, 220));
    EXPECT_EQ(0xFF000000u, Px(f, 190, 195));
    EXPECT_EQ(0xFF000000u, Px(f, 190, 245));
    EXPECT_EQ(0xFF000000u, Px(f, 5, 5));  // nothing left where it was queued
}

TEST_F(Pixels, LinesLeaveOutTheirLastPixel) {
    DrawingFrame* f = Start();
    Frame(f, [](DrawingFrame& fr) {
        fr.Draw2dLine(CKesPosition2d<int>(10, 50), CKesPosition2d<int>(20, 50), CKesColor(0xFFFFFFFF));
        fr.Draw2dLine(CKesPosition2d<int>(30, 60), CKesPosition2d<int>(30, 40), CKesColor(0xFF00FF00));
        fr.Draw2dLine(CKesPosition2d<int>(40, 40), CKesPosition2d<int>(50, 50), CKesColor(0x80FF0000));
    });
    for (int x = 10; x < 20; ++x) EXPECT_EQ(0xFFFFFFFFu, Px(f, x, 50)) << x;
    EXPECT_EQ(0xFF000000u, Px(f, 9, 50));
    EXPECT_EQ(0xFF000000u, Px(f, 20, 50));
    EXPECT_EQ(0xFF00FF00u, Px(f, 30, 60));
    EXPECT_EQ(0xFF00FF00u, Px(f, 30, 41));
    EXPECT_EQ(0xFF000000u, Px(f, 30, 40));
    EXPECT_TRUE(Near(0xFF800000u, Px(f, 45, 45)));
    EXPECT_EQ(0xFF000000u, Px(f, 50, 50));
}

TEST_F(Pixels, ChangedTexelsAreDrawnOnTheNextFrame) {
    DrawingFrame* f = Start();
    unsigned long t = MakeTexture(f, 4, 4, [](int, int) { return 0xFF0000FFu; });
    CKesPosition2d<int> at(0, 0);
    Frame(f, [&](DrawingFrame& fr) { fr.Draw2DImage(t, at); });
    EXPECT_EQ(0xFF0000FFu, Px(f, 1, 1));
    DWORD* p = f->LockTexture(t, false, 1, 1, 2, 2);
    ASSERT_NE(nullptr, p);
    p[0] = 0xFFFFFF00u;  // texel (1, 1); rows keep the texture's width
    p[4] = 0xFF00FFFFu;  // texel (1, 2)
    f->UnLockTexture(t);
    Frame(f, [&](DrawingFrame& fr) { fr.Draw2DImage(t, at); });
    EXPECT_EQ(0xFFFFFF00u, Px(f, 1, 1));
    EXPECT_EQ(0xFF00FFFFu, Px(f, 1, 2));
    EXPECT_EQ(0xFF0000FFu, Px(f, 2, 2));
}

TEST_F(Pixels, TheGameLoopClearsDrawsAndPresentsEveryFrame) {
    DrawingFrame* f = Start();
    int frames = 0;
    f->draw = [&](DrawingFrame& fr) {
        ++frames;
        if (frames == 1) fr.Draw2dRectangle(CKesRect<int>(0, 0, 5, 5), CKesColor(0xFFFFFFFF));
    };
    platform::RunFor(15);  // the frame timer runs every 10 ms
    EXPECT_EQ(1, frames);
    EXPECT_EQ(0xFFFFFFFFu, Px(f, 2, 2));
    platform::RunFor(10);
    EXPECT_EQ(2, frames);
    EXPECT_EQ(0xFF000000u, Px(f, 2, 2));
    EXPECT_FALSE(f->SceneOpen());
}
