// Well-formed GIF files, written by the test's own encoder, come back as the
// indices, tables and frame records that were written.
#include "GifTestUtil.h"

using namespace giftest;
using kest2d::CKesGIFDecoder;
using kest2d::KesGifFrame;

namespace {

using GifDecoder = GifTest;

std::string OneFrame(const Image& im, const Palette* global, int background = 0, const char* version = "89a") {
    return Screen(im.w, im.h, global, background, version) + ImageBlock(im, global ? global->size() : 0) + ";";
}

Image Pic(unsigned w, unsigned h, unsigned modulo, unsigned left = 0, unsigned top = 0) {
    Image im;
    im.w = w;
    im.h = h;
    im.left = left;
    im.top = top;
    im.px = Pattern(w, h, 3, 5, 1, modulo);
    return im;
}

}  // namespace

TEST_F(GifDecoder, OneFrameFromDiskAndFromMemory) {
    Palette pal = Ramp(4);
    Image im = Pic(7, 5, 4);
    const std::string gif = OneFrame(im, &pal, 3);
    for (bool fromDisk : {true, false}) {
        SCOPED_TRACE(fromDisk);
        CKesGIFDecoder d;
        ASSERT_TRUE(fromDisk ? d.Open(WriteGif("one.gif", gif), true) : Open(d, gif));
        EXPECT_TRUE(d.IsOpen());
        EXPECT_FALSE(Open(d, gif)) << "a second open while open";
        const auto& h = d.GetHeader();
        EXPECT_STREQ("89a", h.version);
        EXPECT_EQ(7, h.screenWidth);
        EXPECT_EQ(5, h.screenHeight);
        EXPECT_TRUE(h.globalColorTable);
        EXPECT_EQ(8, h.colorResolution);
        EXPECT_EQ(4, h.globalColorCount);
        EXPECT_EQ(3, h.backgroundIndex);
        EXPECT_EQ(13u + 12u, h.firstBlock);
        ASSERT_EQ(1, d.GetFrameCount());
        const unsigned char* p = d.GetGlobalPalette();
        ASSERT_NE(nullptr, p);
        EXPECT_EQ(2, p[3 * 2]);
        EXPECT_EQ(253, p[3 * 2 + 1]);
        EXPECT_EQ(14, p[3 * 2 + 2]);
        EXPECT_EQ(0, p[3 * 255 + 1]) << "entries past the declared ones are black";

        const KesGifFrame* f = d.NextFrame();
        ASSERT_NE(nullptr, f);
        EXPECT_EQ(7, f->width);
        EXPECT_EQ(5, f->height);
        EXPECT_FALSE(f->localColorTable);
        EXPECT_FALSE(f->interlaced);
        EXPECT_EQ(0, f->graphicControl);
        EXPECT_EQ(im.px, Indices(*f));
        EXPECT_EQ(p, d.GetPalette(*f));
        EXPECT_EQ(f, d.NextFrame()) << "wraps to the first frame";
        d.Close();
        EXPECT_FALSE(d.IsOpen());
        EXPECT_EQ(nullptr, d.NextFrame());
        EXPECT_EQ(0, d.GetFrameCount());
        EXPECT_TRUE(Open(d, gif)) << "open again after Close";
    }
    // Paths as the games write them.
    WriteGif("Pics/One.gif", gif);
    CKesGIFDecoder d;
    ASSERT_TRUE(d.Open(mDir.path() + "\\pics\\ONE.GIF", true));
    EXPECT_EQ(im.px, Indices(*d.NextFrame()));
}

TEST_F(GifDecoder, VersionsUpTo89aPass) {
    Palette pal = Ramp(2);
    Image im = Pic(3, 3, 2);
    for (const char* v : {"87a", "89a"}) {
        CKesGIFDecoder d;
        EXPECT_TRUE(Open(d, OneFrame(im, &pal, 0, v))) << v;
        EXPECT_STREQ(v, d.GetHeader().version);
    }
    CKesGIFDecoder d;
    EXPECT_FALSE(Open(d, OneFrame(im, &pal, 0, "90a")));
    EXPECT_TRUE(Logged("GIF解码失败:不支持的版本"));
    std::string notGif = OneFrame(im, &pal);
    notGif[0] = 'J';
    EXPECT_FALSE(Open(d, notGif));
    EXPECT_TRUE(Logged("GIF解码失败:不是GIF文件"));
}

// Every way of writing the codes gives back the same indices.
TEST_F(GifDecoder, LzwCodeStreams) {
    struct Case {
        const char* name;
        unsigned w, h, modulo;
        int tableEntries;
        LzwOptions lzw;
    };
    auto opts = [](auto set) {
        LzwOptions o;
        set(o);
        return o;
    };
    const Case cases[] = {
        {"two colours, code size 1", 9, 7, 2, 2, opts([](LzwOptions& o) { o.codeSize = 1; })},
        {"two colours, code size 2", 9, 7, 2, 2, LzwOptions()},
        {"16 colours", 40, 30, 16, 16, LzwOptions()},
        {"256 colours, table refills", 300, 200, 251, 256, LzwOptions()},
        {"literal codes only", 120, 90, 256, 256, opts([](LzwOptions& o) { o.literalsOnly = true; })},
        {"clear code every 5 codes", 50, 40, 7, 8, opts([](LzwOptions& o) { o.clearEvery = 5; })},
        {"full table kept without a clear code", 300, 200, 251, 256,
         opts([](LzwOptions& o) { o.keepFullTable = true; })},
        {"literals with a full table", 200, 100, 256, 256, opts([](LzwOptions& o) {
             o.literalsOnly = true;
             o.keepFullTable = true;
         })},
        {"one-byte sub-blocks", 30, 20, 5, 8, opts([](LzwOptions& o) { o.blockSize = 1; })},
        {"no end code", 30, 20, 5, 8, opts([](LzwOptions& o) { o.endCode = false; })},
        {"code size 8 for 4 colours", 30, 20, 4, 4, opts([](LzwOptions& o) { o.codeSize = 8; })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Palette pal = Ramp(c.tableEntries);
        Image im = Pic(c.w, c.h, c.modulo);
        if (c.modulo == 251) {
            // Noise, so that the table fills many times.
            uint32_t x = 12345;
            for (auto& p : im.px) p = static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 24);
        }
        im.lzw = c.lzw;
        CKesGIFDecoder d;
        ASSERT_TRUE(Open(d, OneFrame(im, &pal)));
        const KesGifFrame* f = d.NextFrame();
        ASSERT_NE(nullptr, f);
        EXPECT_EQ(im.px, Indices(*f));
    }
    // Long runs of one colour: codes that are not yet in the table.
    Palette pal = Ramp(4);
    Image im = Pic(100, 100, 4);
    std::fill(im.px.begin(), im.px.end(), 2);
    CKesGIFDecoder d;
    ASSERT_TRUE(Open(d, OneFrame(im, &pal)));
    EXPECT_EQ(im.px, Indices(*d.NextFrame()));
    d.Close();
    // Four million pixels in a few kilobytes.
    const std::string big = Screen(2048, 2048, &pal) + "\x2C" + U16(0) + U16(0) + U16(2048) + U16(2048) +
                            std::string("\0\2", 2) + SubBlocks(UniformRun(2048u * 2048u)) + ";";
    EXPECT_LT(big.size(), 8000u);
    ASSERT_TRUE(Open(d, big));
    const KesGifFrame* f = d.NextFrame();
    ASSERT_EQ(2048u * 2048u, f->indices.size());
    EXPECT_EQ(f->indices.end(), std::find_if(f->indices.begin(), f->indices.end(), [](unsigned char c) { return c; }));
}

TEST_F(GifDecoder, FramesWithControlBlocksLocalTablesAndTransparency) {
    Palette global = Ramp(8), local = Ramp(16);
    std::reverse(local.begin(), local.end());
    Image a = Pic(10, 8, 8), b = Pic(4, 3, 16, 2, 5), c = Pic(6, 6, 8, 4, 2), e = Pic(1, 1, 8, 9, 7);
    b.local = local;
    std::string gif = Screen(10, 8, &global, 1) + Netscape(0) + Gce(0, 10) + ImageBlock(a, 8) +
                      Comment("between") + Gce(1, 25, true, 3, true) + ImageBlock(b, 8) +
                      Gce(2, 0, true, 7) + ImageBlock(c, 8) + ImageBlock(e, 8) + Gce(3, 65535) + ";";
    CKesGIFDecoder d;
    ASSERT_TRUE(Open(d, gif));
    ASSERT_EQ(4, d.GetFrameCount());

    const KesGifFrame* f = d.GetFrame(0);
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(1, f->graphicControl);
    EXPECT_EQ(0, f->disposal);
    EXPECT_EQ(10, f->delay);
    EXPECT_EQ(0, f->transparency);
    EXPECT_EQ(a.px, Indices(*f));

    f = d.GetFrame(1);
    EXPECT_EQ(2, f->left);
    EXPECT_EQ(5, f->top);
    EXPECT_EQ(1, f->disposal);
    EXPECT_EQ(25, f->delay);
    EXPECT_EQ(1, f->userInput);
    EXPECT_EQ(1, f->transparency);
    EXPECT_EQ(3, f->transparentIndex);
    EXPECT_TRUE(f->localColorTable);
    EXPECT_EQ(16, f->localColorCount);
    ASSERT_EQ(768u, f->localColors.size());
    EXPECT_EQ(15, f->localColors[0]);
    EXPECT_EQ(f->localColors.data(), d.GetPalette(*f));
    EXPECT_EQ(b.px, Indices(*f));

    f = d.GetFrame(2);
    EXPECT_EQ(2, f->disposal);
    EXPECT_EQ(0, f->delay);
    EXPECT_EQ(7, f->transparentIndex);
    EXPECT_EQ(d.GetGlobalPalette(), d.GetPalette(*f));

    // A control block applies to the one image after it only; one after the
    // last image applies to none.
    f = d.GetFrame(3);
    EXPECT_EQ(0, f->graphicControl);
    EXPECT_EQ(0, f->delay);
    EXPECT_EQ(0, f->transparency);
    EXPECT_EQ(nullptr, d.GetFrame(4));

    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 4; ++i) EXPECT_EQ(d.GetFrame(i), d.NextFrame());
}

TEST_F(GifDecoder, EveryDisposalMethodIsRecorded) {
    Palette pal = Ramp(4);
    std::string gif = Screen(4, 4, &pal);
    for (int disposal = 0; disposal < 8; ++disposal) gif += Gce(disposal, disposal * 3) + ImageBlock(Pic(2, 2, 4), 4);
    gif += ";";
    CKesGIFDecoder d;
    ASSERT_TRUE(Open(d, gif));
    ASSERT_EQ(8, d.GetFrameCount());
    for (int disposal = 0; disposal < 8; ++disposal) {
        EXPECT_EQ(disposal, d.GetFrame(disposal)->disposal);
        EXPECT_EQ(disposal * 3, d.GetFrame(disposal)->delay);
    }
}

TEST_F(GifDecoder, InterlacedRowsComeBackInDisplayOrder) {
    Palette pal = Ramp(32);
    for (unsigned h = 1; h <= 19; ++h) {
        SCOPED_TRACE(h);
        Image im;
        im.w = 3;
        im.h = h;
        for (unsigned y = 0; y < h; ++y)
            for (unsigned x = 0; x < 3; ++x) im.px.push_back(static_cast<uint8_t>(y));
        im.interlaced = true;
        CKesGIFDecoder d;
        ASSERT_TRUE(Open(d, OneFrame(im, &pal)));
        const KesGifFrame* f = d.NextFrame();
        EXPECT_TRUE(f->interlaced);
        EXPECT_EQ(im.px, Indices(*f));
    }
}

TEST_F(GifDecoder, StreamModeRepeatsTheFramesEndlessly) {
    Palette pal = Ramp(8);
    Image a = Pic(5, 4, 8), b = Pic(3, 2, 8, 1, 1), c = Pic(2, 2, 8, 3, 2);
    std::string gif = Screen(5, 4, &pal) + Gce(2, 7, true, 1) + ImageBlock(a, 8) + ImageBlock(b, 8) +
                      Comment("x") + Gce(1, 9) + ImageBlock(c, 8) + ";";
    CKesGIFDecoder d;
    ASSERT_TRUE(Open(d, gif, false));
    EXPECT_FALSE(d.IsAllFrames());
    EXPECT_EQ(3, d.GetFrameCount());
    EXPECT_EQ(nullptr, d.GetFrame(0));
    for (int round = 0; round < 3; ++round) {
        const KesGifFrame* f = d.NextFrame();
        ASSERT_NE(nullptr, f);
        EXPECT_EQ(a.px, Indices(*f));
        EXPECT_EQ(7, f->delay);
        EXPECT_EQ(2, f->disposal);
        f = d.NextFrame();
        ASSERT_NE(nullptr, f);
        EXPECT_EQ(b.px, Indices(*f));
        EXPECT_EQ(0, f->graphicControl);
        f = d.NextFrame();
        ASSERT_NE(nullptr, f);
        EXPECT_EQ(c.px, Indices(*f));
        EXPECT_EQ(9, f->delay);
    }
}

TEST_F(GifDecoder, TolerableOddities) {
    Palette pal = Ramp(4);
    Image im = Pic(4, 3, 4);
    // Stray zero bytes between blocks, plain-text and application
    // extensions, a missing trailer.
    std::string gif = Screen(4, 3, &pal) + std::string(3, '\0') + std::string("\x21\x01\x02xy\0", 6) +
                      Netscape(3) + ImageBlock(im, 4) + std::string(2, '\0');
    for (bool all : {true, false}) {
        CKesGIFDecoder d;
        ASSERT_TRUE(Open(d, gif, all));
        EXPECT_EQ(1, d.GetFrameCount());
        EXPECT_EQ(im.px, Indices(*d.NextFrame()));
        EXPECT_EQ(im.px, Indices(*d.NextFrame()));
    }
    // A frame outside the logical screen keeps its place; the screen may be empty.
    Image far = Pic(3, 3, 4, 65000, 64000);
    CKesGIFDecoder d;
    ASSERT_TRUE(Open(d, Screen(0, 0, &pal) + ImageBlock(far, 4) + ";"));
    EXPECT_EQ(65000, d.NextFrame()->left);
    EXPECT_EQ(64000, d.NextFrame()->top);
    d.Close();
    // No colour table at all: the indices are there, the palette is not.
    ASSERT_TRUE(Open(d, OneFrame(im, nullptr)));
    EXPECT_EQ(nullptr, d.GetGlobalPalette());
    EXPECT_EQ(nullptr, d.GetPalette(*d.NextFrame()));
    EXPECT_EQ(im.px, Indices(*d.NextFrame()));
    d.Close();
    // An empty frame.
    ASSERT_TRUE(Open(d, OneFrame(Pic(0, 0, 4), &pal)));
    EXPECT_TRUE(d.NextFrame()->indices.empty());
    d.Close();
    // Indices beyond a short table still find a (black) colour.
    Image wide = Pic(16, 16, 256);
    wide.lzw.codeSize = 8;
    ASSERT_TRUE(Open(d, OneFrame(wide, &pal)));
    const KesGifFrame* f = d.NextFrame();
    EXPECT_EQ(wide.px, Indices(*f));
    const unsigned char* p = d.GetPalette(*f);
    for (unsigned char i : f->indices)
        if (i >= 4) {
            EXPECT_EQ(0, p[3 * i] | p[3 * i + 1] | p[3 * i + 2]);
        }
}

TEST_F(GifDecoder, PixelsTheDataLeavesOutAreTransparentOrBackground) {
    Palette pal = Ramp(8);
    Image im = Pic(6, 5, 8);
    std::vector<uint8_t> half(im.px.begin(), im.px.begin() + 13);
    const std::string data = std::string("\x03", 1) + SubBlocks(Lzw(half, 3));
    const std::string desc = "\x2C" + U16(0) + U16(0) + U16(6) + U16(5) + std::string("\0", 1);
    CKesGIFDecoder d;
    ASSERT_TRUE(Open(d, Screen(6, 5, &pal, 5) + desc + data + ";"));
    std::vector<uint8_t> want = half;
    want.resize(30, 5);
    EXPECT_EQ(want, Indices(*d.NextFrame()));
    d.Close();
    ASSERT_TRUE(Open(d, Screen(6, 5, &pal, 5) + Gce(0, 0, true, 6) + desc + data + ";"));
    want = half;
    want.resize(30, 6);
    EXPECT_EQ(want, Indices(*d.NextFrame()));
}
