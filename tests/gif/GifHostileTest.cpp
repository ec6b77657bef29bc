// Files made to hurt: cut short, bit-flipped, with bad codes, impossible sizes
// and unknown blocks. The decoder refuses them with a log line (or keeps the
// whole frames before a cut), never reads outside the file and never holds
// more than the bounds allow.
#include <chrono>

#include "GifTestUtil.h"

using namespace giftest;
using kest2d::CKesGIFDecoder;
using kest2d::KesGifFrame;

namespace {

using GifHostile = GifTest;

struct Sample {
    std::string bytes;
    std::vector<Image> images;
    std::vector<size_t> ends;  // offset just after each image block
};

Sample ThreeFrames() {
    Sample s;
    Palette pal = Ramp(8);
    s.bytes = Screen(8, 6, &pal) + Gce(1, 5, true, 2);
    const unsigned dims[3][4] = {{8, 6, 0, 0}, {3, 4, 2, 1}, {5, 2, 3, 4}};
    for (int i = 0; i < 3; ++i) {
        Image im;
        im.w = dims[i][0];
        im.h = dims[i][1];
        im.left = dims[i][2];
        im.top = dims[i][3];
        im.px = Pattern(im.w, im.h, 1 + i, 2, i, 8);
        if (i == 1) im.local = Ramp(4), im.px = Pattern(im.w, im.h, 1, 1, 0, 4);
        if (i == 2) im.interlaced = true;
        s.bytes += ImageBlock(im, 8);
        s.ends.push_back(s.bytes.size());
        s.images.push_back(im);
        if (i == 0) s.bytes += Comment("comment");
    }
    s.bytes += ";";
    return s;
}

// Opens in both modes and walks a few frames; whatever comes back is sound.
void Exercise(const std::string& bytes, bool& opened) {
    CKesGIFDecoder all, stream;
    opened = all.Open(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), true);
    for (int i = 0; opened && i < 5; ++i) {
        const KesGifFrame* f = all.NextFrame();
        ASSERT_NE(nullptr, f);
        ASSERT_EQ(size_t{f->width} * f->height, f->indices.size());
    }
    if (stream.Open(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), false)) {
        for (int i = 0; i < 7; ++i) {
            const KesGifFrame* f = stream.NextFrame();
            if (f) {
                ASSERT_EQ(size_t{f->width} * f->height, f->indices.size());
            }
        }
    }
}

Image Pic2x2() {
    Image im;
    im.w = im.h = 2;
    im.px = {0, 1, 2, 3};
    return im;
}

std::string Frame(unsigned w, unsigned h, int codeSize, const std::string& codes) {
    return "\x2C" + U16(0) + U16(0) + U16(w) + U16(h) + std::string("\0", 1) + char(codeSize) + SubBlocks(codes);
}

}  // namespace

TEST_F(GifHostile, CutShortAtEveryByte) {
    const Sample s = ThreeFrames();
    const size_t header = Screen(8, 6, nullptr).size() + 24;
    for (size_t cut = 0; cut < s.bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        const std::string part = s.bytes.substr(0, cut);
        bool opened = false;
        Exercise(part, opened);
        CKesGIFDecoder d;
        bool ok = Open(d, part);
        size_t whole = 0;
        while (whole < 3 && s.ends[whole] <= cut) ++whole;
        if (cut < header || whole == 0) {
            EXPECT_FALSE(ok);
            continue;
        }
        ASSERT_TRUE(ok);
        ASSERT_EQ(static_cast<int>(whole), d.GetFrameCount());
        for (size_t i = 0; i < whole; ++i) EXPECT_EQ(s.images[i].px, Indices(*d.GetFrame(static_cast<int>(i))));
    }
    // One whole frame and part of the next: the whole one stays, with a word in the log.
    CKesGIFDecoder d;
    ASSERT_TRUE(Open(d, s.bytes.substr(0, s.ends[0] + 12)));
    EXPECT_EQ(1, d.GetFrameCount());
    EXPECT_TRUE(Logged("GIF文件不完整, 只读取了前1帧"));
    d.Close();
    EXPECT_FALSE(Open(d, s.bytes.substr(0, s.ends[0] - 2)));
    EXPECT_TRUE(Logged("GIF解码失败:文件不完整"));
    d.Close();
    // Stream mode gives the whole frames and then nothing for the cut one.
    ASSERT_TRUE(Open(d, s.bytes.substr(0, s.ends[1] - 1), false));
    EXPECT_EQ(s.images[0].px, Indices(*d.NextFrame()));
    EXPECT_EQ(nullptr, d.NextFrame());
    EXPECT_EQ(s.images[0].px, Indices(*d.NextFrame())) << "starts again from the first image";
}

TEST_F(GifHostile, FlippedBitsAndOverwrittenBytes) {
    const Sample s = ThreeFrames();
    int opened = 0;
    for (size_t at = 0; at < s.bytes.size(); ++at) {
        for (int bit = 0; bit < 8; ++bit) {
            std::string b = s.bytes;
            b[at] = static_cast<char>(b[at] ^ (1 << bit));
            bool ok = false;
            Exercise(b, ok);
            opened += ok;
        }
        for (char v : {'\0', '\xFF', '\x2C', '\x21', '\x0C'}) {
            std::string b = s.bytes;
            b[at] = v;
            bool ok = false;
            Exercise(b, ok);
        }
    }
    EXPECT_GT(opened, 0);
}

TEST_F(GifHostile, BadCodes) {
    Palette pal = Ramp(4);
    const std::string head = Screen(4, 4, &pal);
    struct Case {
        const char* name;
        std::vector<int> codes;
        const char* log;
    };
    // Code size 2: clear 4, end 5, first free 6.
    const Case cases[] = {
        {"a code beyond the next free one", {4, 1, 2, 1, 9, 5}, "LZW数据错误"},
        {"the next free code with no string before it", {4, 6, 5}, "LZW数据错误"},
        {"a free code right after a clear code", {4, 1, 2, 4, 7, 5}, "LZW数据错误"},
        {"more indices than the frame holds", {4, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 5},
         "LZW数据超出图像大小"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CodeWriter w(2);
        for (int code : c.codes) w.put(code);
        CKesGIFDecoder d;
        EXPECT_FALSE(Open(d, head + Frame(4, 4, 2, w.finish()) + ";"));
        EXPECT_TRUE(Logged(std::string("GIF解码失败:") + c.log));
        EXPECT_FALSE(d.IsOpen());
        EXPECT_EQ(0, d.GetFrameCount());
    }
    // The minimum code size must give byte indices.
    for (int size : {0, 9, 11, 12, 255}) {
        CKesGIFDecoder d;
        EXPECT_FALSE(Open(d, head + Frame(4, 4, size, std::string("\x00\x01", 2)) + ";"));
        EXPECT_TRUE(Logged("GIF解码失败:LZW编码长度错误:" + std::to_string(size)));
    }
}

TEST_F(GifHostile, UnknownAndMissingBlocks) {
    Palette pal = Ramp(4);
    const std::string head = Screen(2, 2, &pal);
    const std::string image = ImageBlock(Pic2x2(), 4);
    struct Case {
        const char* name;
        std::string bytes;
        const char* log;
    };
    const Case cases[] = {
        {"no image", head + ";", "没有可读的图像"},
        {"no image and no trailer", head, "没有可读的图像"},
        {"only a control block", head + Gce(1, 1) + ";", "没有可读的图像"},
        {"extension 0xF8", head + std::string("\x21\xF8\x01x\0", 5) + image + ";", "未知的扩展块"},
        {"extension 0", head + image + std::string("\x21\x00\x00", 3) + ";", "未知的扩展块"},
        {"introducer 0x2B", head + image + "\x2B;", "未知的数据块"},
        {"introducer above the trailer", head + image + "\x40;", "未知的数据块"},
        {"header cut short", head.substr(0, 10), "文件头不完整"},
        {"global table cut short", head.substr(0, 16), "全局颜色表不完整"},
        {"sub-blocks that run off the end", head + std::string("\x21\xFE\x40", 3) + std::string(30, 'x'),
         "没有可读的图像"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool all : {true, false}) {
            CKesGIFDecoder d;
            EXPECT_FALSE(Open(d, c.bytes, all));
            EXPECT_TRUE(Logged(std::string("GIF解码失败:") + c.log));
        }
    }
    CKesGIFDecoder d;
    EXPECT_FALSE(d.Open(nullptr, 0, true));
    EXPECT_FALSE(d.Open(mDir.file("missing.gif"), true));
    EXPECT_TRUE(Logged("GIF解码失败:不能打开文件 " + mDir.file("missing.gif")));
    std::string huge(CKesGIFDecoder::MAX_FILE_BYTES + 1, '\0');
    EXPECT_FALSE(Open(d, huge));
    EXPECT_TRUE(Logged("GIF解码失败:文件过大"));
}

TEST_F(GifHostile, DeclaredSizesAreBoundedByTheDataAndByMaxima) {
    Palette pal = Ramp(4);
    const std::string head = Screen(100, 100, &pal);
    CodeWriter w(2);
    w.put(4);
    w.put(1);
    w.put(5);
    const std::string onePixel = w.finish();
    // 5,000 bytes of clear codes: enough codes to fill 4096 x 4096 pixels,
    // but none of them makes one.
    CodeWriter clears(2);
    for (int i = 0; i < 13334; ++i) clears.put(clears.clear());
    struct Case {
        unsigned width, height;
        std::string codes;
        bool opens;
    };
    const Case cases[] = {
        {65535, 65535, onePixel, false},  // four gigabytes from a few bytes
        {4097, 4096, onePixel, false},    // above the largest frame, whatever the data
        {300, 300, onePixel, false},      // more than the data could ever fill
        {200, 200, onePixel, true},       // small enough to be filled in
        // A frame above 65,536 pixels must make every one of them.
        {4096, 4096, clears.finish(), false},
        {4096, 4096, UniformRun(4096u * 4096u - 1), false},
        {4096, 4096, UniformRun(4096u * 4096u), true},
        {300, 300, UniformRun(300u * 300u), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + ", " +
                     std::to_string(c.codes.size()) + " bytes");
        for (bool all : {true, false}) {
            CKesGIFDecoder d;
            auto start = std::chrono::steady_clock::now();
            bool ok = Open(d, head + Frame(c.width, c.height, 2, c.codes) + ";", all);
            const KesGifFrame* f = ok ? d.NextFrame() : nullptr;
            EXPECT_EQ(c.opens, f != nullptr);
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        }
        if (!c.opens) {
            EXPECT_TRUE(Logged("GIF解码失败:图像尺寸过大:" + std::to_string(c.width) + "x" + std::to_string(c.height)));
        }
    }
    // Frames that may each be held, but not all together.
    const std::string full = Frame(4096, 4096, 2, UniformRun(4096u * 4096u));
    std::string gif = head;
    for (int i = 0; i < 5; ++i) gif += full;
    gif += ";";
    CKesGIFDecoder d;
    EXPECT_FALSE(Open(d, gif));
    EXPECT_TRUE(Logged("GIF解码失败:图像尺寸过大:4096x4096"));
    // Stream mode holds one frame at a time.
    ASSERT_TRUE(Open(d, gif, false));
    for (int i = 0; i < 6; ++i) {
        const KesGifFrame* f = d.NextFrame();
        ASSERT_NE(nullptr, f);
        EXPECT_EQ(4096u * 4096u, f->indices.size());
    }
}

TEST_F(GifHostile, LongWalksEnd) {
    Palette pal = Ramp(4);
    const std::string head = Screen(2, 2, &pal);
    const std::string image = ImageBlock(Pic2x2(), 4);
    // A megabyte of empty blocks before the image.
    std::string padded = head;
    for (int i = 0; i < 100000; ++i) padded += std::string("\x21\xFE\x00", 3);
    padded += std::string(700000, '\0') + image + ";";
    CKesGIFDecoder d;
    ASSERT_TRUE(Open(d, padded));
    EXPECT_EQ(Pic2x2().px, Indices(*d.NextFrame()));
    d.Close();
    // Stream mode over a file whose one image is bad never finds a frame,
    // and says so at once each time.
    CodeWriter w(2);
    w.put(4);
    w.put(7);
    ASSERT_TRUE(Open(d, head + Frame(2, 2, 2, w.finish()) + ";", false));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(nullptr, d.NextFrame());
    d.Close();
    // ... and over one whose second image is bad gives the first, then none.
    ASSERT_TRUE(Open(d, head + image + Frame(2, 2, 2, w.finish()) + ";", false));
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(nullptr, d.NextFrame());
        EXPECT_EQ(nullptr, d.NextFrame());
    }
}

TEST_F(GifHostile, ManyFramesAreCapped) {
    Palette pal = Ramp(4);
    std::string gif = Screen(1, 1, &pal);
    Image dot;
    dot.w = dot.h = 1;
    dot.px = {1};
    const std::string block = ImageBlock(dot, 4);
    for (int i = 0; i < CKesGIFDecoder::MAX_FRAMES + 5; ++i) gif += block;
    gif += ";";
    CKesGIFDecoder d;
    ASSERT_TRUE(Open(d, gif));
    EXPECT_EQ(CKesGIFDecoder::MAX_FRAMES, d.GetFrameCount());
    EXPECT_TRUE(Logged("GIF帧数过多, 只读取了前8192帧"));
    d.Close();
    ASSERT_TRUE(Open(d, gif, false));
    EXPECT_EQ(CKesGIFDecoder::MAX_FRAMES + 5, d.GetFrameCount());
}
