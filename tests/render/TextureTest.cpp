// The texture table, image decoding (damaged files included) and screenshots.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <thread>

#include "platform/KesImage.h"
#include "render/RenderFixture.h"
#include "render/ScansJpeg.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

class Textures : public RenderFixture {
protected:
    // A width x height picture file written by our own writer.
    std::string WritePicture(const std::string& relative, int w, int h, DWORD (*texel)(int, int)) {
        std::vector<uint32_t> px(static_cast<size_t>(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) px[static_cast<size_t>(y) * w + x] = texel(x, y);
        std::string path = GamePath(relative);
        for (char& c : path)
            if (c == '\\') c = '/';
        WriteFile(path, "");
        EXPECT_TRUE(platform::SaveImage(path, px.data(), w, h, w));
        return path;
    }
    static DWORD Stripes(int x, int) { return x % 2 ? 0xFFFF0000u : 0xFF0000FFu; }
};

// A string of the literal's bytes, embedded NULs included.
template <size_t N>
std::string Bytes(const char (&s)[N]) {
    return std::string(s, N - 1);
}

std::string DdsHeader(int w, int h, uint32_t flags, const char* fourcc, uint32_t bits, uint32_t r, uint32_t g,
                      uint32_t b, uint32_t a) {
    std::string hdr(128, '\0');
    auto put = [&](size_t at, uint32_t v) { std::memcpy(&hdr[at], &v, 4); };
    std::memcpy(&hdr[0], "DDS ", 4);
    put(4, 124);
    put(12, static_cast<uint32_t>(h));
    put(16, static_cast<uint32_t>(w));
    put(76, 32);
    put(80, flags);
    if (fourcc) std::memcpy(&hdr[84], fourcc, 4);
    put(88, bits);
    put(92, r);
    put(96, g);
    put(100, b);
    put(104, a);
    return hdr;
}

// A BMP with a 40-byte header, its palette and pixel bytes as given; the
// pixels start right after the palette.
std::string Bmp(int32_t w, int32_t h, uint16_t bits, uint32_t compression, const std::string& palette,
                const std::string& pixels) {
    std::string hdr(54, '\0');
    auto put = [&](size_t at, uint32_t v, size_t n) { std::memcpy(&hdr[at], &v, n); };
    hdr[0] = 'B';
    hdr[1] = 'M';
    put(2, static_cast<uint32_t>(54 + palette.size() + pixels.size()), 4);
    put(10, static_cast<uint32_t>(54 + palette.size()), 4);
    put(14, 40, 4);
    put(18, static_cast<uint32_t>(w), 4);
    put(22, static_cast<uint32_t>(h), 4);
    put(26, 1, 2);
    put(28, bits, 2);
    put(30, compression, 4);
    put(46, static_cast<uint32_t>(palette.size() / 4), 4);
    return hdr + palette + pixels;
}

// Black, the colour 0xFF20C040 and blue, as a BMP palette (B, G, R, 0).
const std::string kBmpPalette = Bytes("\0\0\0\0\x40\xC0\x20\0\xFF\0\0\0");

// A 4 x 4 block-compressed surface: its header and one block.
std::string OneBlock(const char* fourcc, std::initializer_list<unsigned char> block) {
    return DdsHeader(4, 4, 0x4, fourcc, 0, 0, 0, 0, 0) + std::string(block.begin(), block.end());
}

}  // namespace

TEST_F(Textures, LoadingANameTwiceGivesOneRecordAndCreatingTwiceGivesTwo) {
    DrawingFrame* f = Start();
    WritePicture("img\\a.png", 100, 30, Stripes);
    unsigned long a = f->LoadTexture("img\\a.png");
    ASSERT_NE(0u, a);
    EXPECT_EQ(a, f->LoadTexture("img\\a.png"));
    EXPECT_EQ(100, f->GetTextureWidth(a, true));
    EXPECT_EQ(100, f->GetTextureWidth(a, false));  // exactly the image size
    EXPECT_EQ(30, f->GetTextureHeight(a, false));
    EXPECT_EQ(0xFF0000FFu, f->GetTexColor(a, 0, 0).color);
    EXPECT_EQ(0xFFFF0000u, f->GetTexColor(a, 99, 29).color);
    unsigned long c1 = f->CreateTexture("same", 8, 8), c2 = f->CreateTexture("same", 8, 8);
    EXPECT_NE(0u, c1);
    EXPECT_NE(c1, c2);
    EXPECT_EQ(0u, f->GetTexColor(c1, 3, 3).color);  // new textures are transparent black
}

TEST_F(Textures, OutOfRangeAndUnknownHandlesAreHarmless) {
    DrawingFrame* f = Start();
    unsigned long t = MakeTexture(f, 4, 4, [](int, int) { return 0x11223344u; });
    EXPECT_EQ(0xFF000000u, f->GetTexColor(t, 4, 0).color);
    EXPECT_EQ(0xFF000000u, f->GetTexColor(t, 0, -1).color);
    EXPECT_EQ(0xFF000000u, f->GetTexColor(0, 0, 0).color);
    EXPECT_EQ(0x11223344u, f->GetTexColor(t, 3, 3).color);
    f->FreeTexture(0);
    f->FreeTexture(t + 1000);
    EXPECT_EQ(4, f->GetTextureWidth(t, true));
    EXPECT_EQ(nullptr, f->LockTexture(t, false, 2, 2, 4, 4));
    EXPECT_NE(std::string::npos, ReadLog().find(Gbk("不能锁定纹理。")));
    // Parts and sizes at the ends of int: a part that is not inside the
    // texture is refused, one that is gives its first pixel.
    const int lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    const struct {
        int left, top, width, height;
        int offset;  // -1: refused
    } locks[] = {
        {hi, 0, 10, 1, -1}, {0, hi, 1, hi, -1}, {2, 2, hi, hi, -1}, {lo, 0, hi, 1, -1},
        {0, lo, 1, lo, -1}, {3, 3, lo, lo, -1}, {3, 3, 1, 1, 15},   {0, 0, 4, 4, 0},
    };
    DWORD* whole = f->LockTexture(t, true, 0, 0, 0, 0);
    ASSERT_NE(nullptr, whole);
    for (const auto& l : locks) {
        DWORD* part = f->LockTexture(t, true, l.left, l.top, l.width, l.height);
        EXPECT_EQ(l.offset < 0 ? nullptr : whole + l.offset, part) << l.left << " " << l.top << " " << l.width;
    }
    for (int w : {lo, hi})
        for (int h : {lo, hi}) EXPECT_EQ(0u, f->CreateTexture("far", w, h)) << w << " x " << h;
    EXPECT_EQ(0xFF000000u, f->GetTexColor(t, hi, lo).color);
    EXPECT_EQ(0xFF000000u, f->GetTexColor(t, lo, hi).color);
    f->FreeTexture(t);
    EXPECT_EQ(0, f->GetTextureWidth(t, true));
    EXPECT_EQ(nullptr, f->LockTexture(t, true, 0, 0, 0, 0));
    // Drawing a freed handle queues nothing.
    ASSERT_TRUE(f->BeginScene());
    CKesPosition2d<int> at(0, 0);
    f->Draw2DImage(t, at);
    EXPECT_EQ(0, f->BatchCount());
    f->EndScene();
    EXPECT_EQ(0u, f->CreateTexture("bad", 0, 5));
    EXPECT_NE(std::string::npos, ReadLog().find(Gbk("不能建立纹理:bad")));
}

TEST_F(Textures, MissingResourceGivesZeroQuietlyAndUndecodableOneIsLogged) {
    DrawingFrame* f = Start();
    EXPECT_EQ(0u, f->LoadTexture("nothing\\here.png"));
    EXPECT_EQ(0u, f->LoadTexture(nullptr));
    EXPECT_EQ(std::string::npos, ReadLog().find(Gbk("不能导入纹理")));
    WriteFile(GamePath("text.png"), "this is not a picture at all");
    EXPECT_EQ(0u, f->LoadTexture("text.png"));
    EXPECT_NE(std::string::npos, ReadLog().find(Gbk("不能导入纹理:text.png")));
}

TEST_F(Textures, DamagedFilesGiveZeroAndALogLine) {
    DrawingFrame* f = Start();
    for (const std::string file : {"images/corrupt.png", "images/corrupt.jpg", "images/corrupt.bmp",
                                   "images/corrupt.tga", "images/corrupt.dds",
                                   "fuzz/image_decode/pbm_number_ends_at_any_byte.pbm",
                                   "fuzz/image_decode/bmp_8000x-8000_in_118_bytes.bmp",
                                   "fuzz/image_decode/bmp_run_length_of_only_the_end_mark.bmp",
                                   "fuzz/image_decode/jpeg_4096x4096_in_600_scans.jpg"}) {
        const std::string name = file.substr(file.rfind('/') + 1);
        std::string bytes = ReadFile(std::string(KEST2D_TEST_DATA_DIR) + "/" + file);
        ASSERT_FALSE(bytes.empty()) << name;
        WriteFile(GamePath(name), bytes);
        EXPECT_EQ(0u, f->LoadTexture(name.c_str())) << name;
        EXPECT_NE(std::string::npos, ReadLog().find(Gbk("不能导入纹理:") + name)) << name;
    }
    // Small files announcing pictures over the size limit are refused before
    // decoding, each size read the way its decoder reads it.
    const struct {
        const char* what;
        std::string bytes;
        const char* why = "image size out of range";
    } huge[] = {
        {"PNG", Bytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\1\0\0\0\0\0\1\x08\x06\0\0\0\0\0\0\0")},
        {"PNG header after an ancillary chunk",
         Bytes("\x89PNG\r\n\x1a\n\0\0\0\rteSt\0\0\0\4\0\0\0\4\x08\x06\0\0\0\0\0\0\0"
               "\0\0\0\rIHDR\0\0\x20\x01\0\0\0\1\x08\x06\0\0\0\0\0\0\0")},
        {"BMP", Bytes("BM\0\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\0\0\1\0\x10\0\0\0")},
        {"JPEG",
         Bytes("\xFF\xD8\xFF\xE0\0\x04\0\0\xFF\xC0\0\x11\x08\x7F\xFF\x7F\xFF\x03\1\x11\0\2\x11\1\3\x11\1\xFF\xD9")},
        // SDL_image takes 0xFF 0x00 for a marker with a length, libjpeg skips it
        // and reads the frame inside that "segment".
        {"JPEG frame after a stuffed zero",
         Bytes("\xFF\xD8\xFF\0\0\x15\xFF\xC0\0\x11\x08\x20\x01\0\1\x03\1\x11\0\2\x11\1\3\x11\1\xFF\xD9")},
        {"PPM", "P6\n# big\n90000 2\n255\n"},
        {"PBM whose numbers end at any byte", "P4444#44444444P444445\n1"},
        // Files that cannot hold the pixels their headers announce are
        // refused before anything is allocated.
        {"BMP of 8000 x -8000 in 118 bytes", Bmp(8000, -8000, 4, 0, std::string(64, '\0'), ""), "BMP file cut short"},
        {"32-bit BMP of 8000 x -8000 without pixels", Bmp(8000, -8000, 32, 0, "", ""), "BMP file cut short"},
        {"BMP one byte short of its last row", Bmp(3, 2, 4, 0, kBmpPalette, Bytes("\x11\x10\0\0\x22")),
         "BMP file cut short"},
        {"run-length BMP without its end mark", Bmp(4, 2, 8, 1, kBmpPalette, Bytes("\4\1\0\0\4\2")),
         "BMP file cut short"},
        {"run-length BMP of 8192 x 8192 whose stream is only the end mark",
         Bmp(8192, 8192, 8, 1, kBmpPalette, Bytes("\0\1")), "BMP file cut short"},
        {"run-length BMP whose end mark comes before its last row",
         Bmp(4, 3, 4, 2, kBmpPalette, Bytes("\4\x11\0\0\0\2\1\0\0\1")), "BMP file cut short"},
        // libjpeg passes over the whole picture for every scan before the
        // first row, however few bytes the scans bring.
        {"JPEG of one scan more than the limit", ScansJpeg(16, 16, 3, platform::kMaxJpegScans + 1),
         "JPEG of more than 32 scans"},
        {"PNG of 8000 x 8000 with 10 bytes of image data",
         Bytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\x1f\x40\0\0\x1f\x40\x08\x06\0\0\0\0\0\0\0"
               "\0\0\0\x0aIDAT\x78\x9c\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0IEND\0\0\0\0"),
         "PNG file cut short"},
    };
    for (const auto& row : huge) {
        platform::KesImage img;
        std::string why;
        EXPECT_FALSE(platform::DecodeImage(row.bytes.data(), row.bytes.size(), img, &why)) << row.what;
        EXPECT_EQ(row.why, why) << row.what;
    }
}

TEST_F(Textures, EveryReadableFormatDecodes) {
    DrawingFrame* f = Start();
    for (const char* name : {"p.png", "p.bmp", "p.jpg"}) {
        WritePicture(name, 9, 7, [](int, int) { return 0xFF20C040u; });
        unsigned long t = f->LoadTexture(name);
        ASSERT_NE(0u, t) << name;
        EXPECT_EQ(9, f->GetTextureWidth(t, true));
        EXPECT_TRUE(Near(0xFF20C040u, f->GetTexColor(t, 4, 3).color, 6)) << name;
    }
    // TGA (no signature) and PPM.
    std::string tga = Bytes("\0\0\2\0\0\0\0\0\0\0\0\0\2\0\1\0\x20\x28");
    tga += Bytes("\x01\x02\x03\xFF\x04\x05\x06\x80");
    WriteFile(GamePath("p.tga"), tga);
    unsigned long t = f->LoadTexture("p.tga");
    ASSERT_NE(0u, t);
    EXPECT_EQ(0xFF030201u, f->GetTexColor(t, 0, 0).color);
    EXPECT_EQ(0x80060504u, f->GetTexColor(t, 1, 0).color);
    WriteFile(GamePath("p.ppm"), Bytes("P6\n2 1\n255\n\x10\x20\x30\x40\x50\x60"));
    t = f->LoadTexture("p.ppm");
    ASSERT_NE(0u, t);
    EXPECT_EQ(0xFF405060u, f->GetTexColor(t, 1, 0).color);
    // BMPs that hold just what the decoder reads: run-length rows up to the
    // end mark, and a last row without its padding. Rows are bottom up.
    // Run-length codes may skip pixels, with the end of a row or a move right
    // and up, which leave them the palette's first colour (black).
    WriteFile(GamePath("rle.bmp"), Bmp(4, 2, 8, 1, kBmpPalette, Bytes("\4\1\0\0\4\2\0\1")));
    WriteFile(GamePath("short.bmp"), Bmp(3, 2, 4, 0, kBmpPalette, Bytes("\x11\x10\0\0\x22\x20")));
    WriteFile(GamePath("skips.bmp"), Bmp(4, 3, 8, 1, kBmpPalette, Bytes("\1\1\0\0\0\2\2\1\1\2\0\1")));
    for (const char* name : {"rle.bmp", "short.bmp", "skips.bmp"}) {
        t = f->LoadTexture(name);
        ASSERT_NE(0u, t) << name;
        const int bottom = f->GetTextureHeight(t, true) - 1;
        EXPECT_EQ(0xFF0000FFu, f->GetTexColor(t, 2, 0).color) << name;
        EXPECT_EQ(0xFF20C040u, f->GetTexColor(t, 0, bottom).color) << name;
    }
    EXPECT_EQ(0xFF000000u, f->GetTexColor(t, 3, 2).color);
    EXPECT_EQ(0xFF000000u, f->GetTexColor(t, 0, 1).color);
    EXPECT_EQ(0xFF000000u, f->GetTexColor(t, 3, 0).color);
    // A progressive JPEG of as many scans as a JPEG may hold: empty scans
    // leave it mid-grey.
    WriteFile(GamePath("scans.jpg"), ScansJpeg(24, 8, 3, platform::kMaxJpegScans));
    t = f->LoadTexture("scans.jpg");
    ASSERT_NE(0u, t);
    EXPECT_EQ(0xFF808080u, f->GetTexColor(t, 23, 7).color);
}

TEST_F(Textures, MemoryFormReadsOnlyItsBufferAndCarriesNoNameFromTheBytes) {
    DrawingFrame* f = Start();
    std::string png = ReadFile(WritePicture("m.png", 5, 5, Stripes));
    // Exactly sized heap buffers: a read past the end would be caught.
    std::unique_ptr<char[]> whole(new char[png.size()]);
    std::memcpy(whole.get(), png.data(), png.size());
    unsigned long t = f->LoadTexture(whole.get(), static_cast<unsigned long>(png.size()));
    ASSERT_NE(0u, t);
    EXPECT_EQ(5, f->GetTextureWidth(t, true));
    // Loaded twice from memory: two textures, no lookup by the bytes.
    EXPECT_NE(t, f->LoadTexture(whole.get(), static_cast<unsigned long>(png.size())));
    std::unique_ptr<char[]> half(new char[png.size() / 2]);
    std::memcpy(half.get(), png.data(), png.size() / 2);
    EXPECT_EQ(0u, f->LoadTexture(half.get(), static_cast<unsigned long>(png.size() / 2)));
    const std::string log = ReadLog();
    EXPECT_NE(std::string::npos, log.find(Gbk("不能导入纹理:")));
    EXPECT_EQ(std::string::npos, log.find("PNG"));
}

TEST_F(Textures, DdsSurfacesDecode) {
    platform::KesImage img;
    // DXT1: colour 0 red, colour 1 blue; the first row picks 0,1,2,3.
    const std::string dxt1 = OneBlock("DXT1", {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0x00, 0x00, 0x00});
    ASSERT_TRUE(platform::DecodeImage(dxt1.data(), dxt1.size(), img));
    EXPECT_EQ(0xFFFF0000u, img.pixels[0]);
    EXPECT_EQ(0xFF0000FFu, img.pixels[1]);
    EXPECT_TRUE(Near(0xFFAA0055u, img.pixels[2], 2));
    EXPECT_EQ(0xFFFF0000u, img.pixels[4]);
    // DXT1 with colour 0 <= colour 1: index 3 is transparent.
    const std::string punch = OneBlock("DXT1", {0x1F, 0x00, 0x00, 0xF8, 0xFF, 0x00, 0x00, 0x00});
    ASSERT_TRUE(platform::DecodeImage(punch.data(), punch.size(), img));
    EXPECT_EQ(0u, img.pixels[0] >> 24);
    // DXT5: alpha 255 / 0 by 3-bit index; colour block all colour 0 (green).
    const std::string dxt5 = OneBlock("DXT5", {0xFF, 0x00, 0x08, 0, 0, 0, 0, 0, 0xE0, 0x07, 0xE0, 0x07, 0, 0, 0, 0});
    ASSERT_TRUE(platform::DecodeImage(dxt5.data(), dxt5.size(), img));
    EXPECT_EQ(0xFF00FF00u, img.pixels[0]);
    EXPECT_EQ(0x0000FF00u, img.pixels[1]);
    // DXT3: explicit 4-bit alpha.
    const std::string dxt3 = OneBlock("DXT3", {0xF8, 0, 0, 0, 0, 0, 0, 0, 0x1F, 0x00, 0x1F, 0x00, 0, 0, 0, 0});
    ASSERT_TRUE(platform::DecodeImage(dxt3.data(), dxt3.size(), img));
    EXPECT_EQ(0x880000FFu, img.pixels[0]);
    EXPECT_EQ(0xFF0000FFu, img.pixels[1]);
    // Uncompressed 32-bit with alpha, and 16-bit 565 without.
    std::string argb = DdsHeader(2, 1, 0x41, nullptr, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    argb += std::string("\x33\x22\x11\x80\x01\x02\x03\x04", 8);
    ASSERT_TRUE(platform::DecodeImage(argb.data(), argb.size(), img));
    EXPECT_EQ(0x80112233u, img.pixels[0]);
    EXPECT_EQ(0x04030201u, img.pixels[1]);
    std::string rgb565 = DdsHeader(1, 1, 0x40, nullptr, 16, 0xF800, 0x07E0, 0x1F, 0);
    rgb565 += std::string("\x1F\x00", 2);
    ASSERT_TRUE(platform::DecodeImage(rgb565.data(), rgb565.size(), img));
    EXPECT_EQ(0xFF0000FFu, img.pixels[0]);
    // Damaged: truncated blocks, a wrong header size, a huge size, unknown compression.
    EXPECT_FALSE(platform::DecodeImage(dxt5.data(), dxt5.size() - 1, img));
    std::string bad = dxt1;
    bad[4] = 100;
    EXPECT_FALSE(platform::DecodeImage(bad.data(), bad.size(), img));
    std::string huge = DdsHeader(1 << 20, 1 << 20, 0x4, "DXT1", 0, 0, 0, 0, 0) + std::string(64, '\0');
    EXPECT_FALSE(platform::DecodeImage(huge.data(), huge.size(), img));
    std::string other = DdsHeader(4, 4, 0x4, "ATI2", 0, 0, 0, 0, 0) + std::string(16, '\0');
    EXPECT_FALSE(platform::DecodeImage(other.data(), other.size(), img));
    EXPECT_FALSE(platform::DecodeImage(dxt1.data(), 100, img));
}

TEST_F(Textures, AWorkerThreadCanAddTexturesWhileTheGameDraws) {
    DrawingFrame* f = Start();
    WritePicture("w.png", 16, 16, Stripes);
    std::vector<unsigned long> made;
    std::thread worker([&] {
        for (int i = 0; i < 40; ++i) {
            std::string name = "KesImgTex" + std::to_string(i);
            unsigned long t = f->CreateTexture(name.c_str(), 16, 16);
            DWORD* p = f->LockTexture(t, false, 0, 0, 16, 16);
            for (int k = 0; k < 256; ++k) p[k] = 0xFF00FF00u;
            f->UnLockTexture(t);
            made.push_back(t);
        }
        made.push_back(f->LoadTexture("w.png"));
    });
    for (int frame = 0; frame < 20; ++frame) {
        Frame(f, [&](DrawingFrame& fr) {
            for (unsigned long t = 1; t < 45; ++t) {
                CKesPosition2d<int> at(static_cast<int>(t) * 16, 0);
                fr.Draw2DImage(t, at);
            }
        });
    }
    worker.join();
    ASSERT_EQ(41u, made.size());
    for (unsigned long t : made) EXPECT_NE(0u, t);
    Frame(f, [&](DrawingFrame& fr) {
        CKesPosition2d<int> at(0, 100);
        fr.Draw2DImage(made[0], at);
    });
    EXPECT_EQ(0xFF00FF00u, Px(f, 3, 103));
}

TEST_F(Textures, SnapshotsTakeTheFirstFreeNumber) {
    DrawingFrame* f = Start();
    Frame(f, [](DrawingFrame& fr) { fr.Draw2dRectangle(CKesRect<int>(0, 0, 400, 300), CKesColor(0xFFFF0000)); });
    f->Snapshot("");
    f->Snapshot("");
    EXPECT_TRUE(PathExists(GamePath("screenshot/shot000.jpg")));
    EXPECT_TRUE(PathExists(GamePath("screenshot/shot001.jpg")));
    std::remove(GamePath("screenshot/shot001.jpg").c_str());
    WriteFile(GamePath("screenshot/shot002.jpg"), "keep me");
    f->Snapshot("");
    EXPECT_TRUE(PathExists(GamePath("screenshot/shot001.jpg")));
    EXPECT_EQ("keep me", ReadFile(GamePath("screenshot/shot002.jpg")));
    // What was saved is the picture.
    std::string jpg = ReadFile(GamePath("screenshot/shot000.jpg"));
    platform::KesImage img;
    ASSERT_TRUE(platform::DecodeImage(jpg.data(), jpg.size(), img));
    EXPECT_EQ(800, img.width);
    EXPECT_TRUE(Near(0xFFFF0000u, img.pixels[100 * 800 + 100], 8));
    EXPECT_TRUE(Near(0xFF000000u, img.pixels[500 * 800 + 700], 8));
}

namespace {

// Reads a GIF back with giflib: the first frame's colours.
bool ReadGif(const std::string& path, platform::KesImage& img) {
    int code = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &code);
    if (!gif) return false;
    bool ok = DGifSlurp(gif) == GIF_OK && gif->ImageCount >= 1;
    if (ok) {
        const SavedImage& frame = gif->SavedImages[0];
        const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
        img.width = frame.ImageDesc.Width;
        img.height = frame.ImageDesc.Height;
        img.pixels.resize(static_cast<size_t>(img.width) * img.height);
        ok = map != nullptr;
        for (size_t i = 0; ok && i < img.pixels.size(); ++i) {
            const GifColorType c = map->Colors[frame.RasterBits[i]];
            img.pixels[i] = 0xFF000000u | (static_cast<uint32_t>(c.Red) << 16) | (c.Green << 8) | c.Blue;
        }
    }
    DGifCloseFile(gif, &code);
    return ok;
}

// Reads a TIFF back with libtiff.
bool ReadTiff(const std::string& path, platform::KesImage& img) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif) return false;
    uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    std::vector<uint32_t> raster(static_cast<size_t>(w) * h);
    const bool ok = TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 0) == 1;
    TIFFClose(tif);
    img.width = static_cast<int>(w);
    img.height = static_cast<int>(h);
    img.pixels.clear();
    for (uint32_t p : raster)
        img.pixels.push_back(0xFF000000u | (TIFFGetR(p) << 16) | (TIFFGetG(p) << 8) | TIFFGetB(p));
    return ok;
}

bool DecodeFile(const std::string& path, platform::KesImage& img) {
    const std::string bytes = ReadFile(path);
    return platform::DecodeImage(bytes.data(), bytes.size(), img);
}

}  // namespace

TEST_F(Textures, SnapshotTypeFollowsTheExtension) {
    DrawingFrame* f = Start();
    Frame(f, [](DrawingFrame& fr) {
        fr.Draw2dRectangle(CKesRect<int>(1, 2, 3, 4), CKesColor(0xFF123456));
        fr.Draw2dRectangle(CKesRect<int>(10, 10, 20, 20), CKesColor(0xFFFFFFFF));
        fr.Draw2dRectangle(CKesRect<int>(30, 10, 40, 20), CKesColor(0xFF00C000));
    });
    const struct {
        const char* target;
        const char* file;
        bool (*read)(const std::string&, platform::KesImage&);
        int tolerance;  // GIF keeps 256 colours of 5 bits a channel
    } cases[] = {
        {"shots\\pic.png", "shots/pic.png", DecodeFile, 0},
        {"pic.bmp", "pic.bmp", DecodeFile, 0},
        {"pic.gif", "pic.gif", ReadGif, 8},
        {"shots\\pic.tif", "shots/pic.tif", ReadTiff, 0},
        {"PIC2.TIFF", "PIC2.TIFF", ReadTiff, 0},
    };
    for (const auto& c : cases) {
        f->Snapshot(c.target);
        platform::KesImage img;
        ASSERT_TRUE(c.read(GamePath(c.file), img)) << c.file;
        ASSERT_EQ(800, img.width) << c.file;
        ASSERT_EQ(600, img.height) << c.file;
        EXPECT_TRUE(Near(0xFF123456u, img.pixels[2 * 800 + 1], c.tolerance)) << c.file;
        EXPECT_TRUE(Near(0xFFFFFFFFu, img.pixels[15 * 800 + 15], c.tolerance)) << c.file;
        EXPECT_TRUE(Near(0xFF00C000u, img.pixels[15 * 800 + 35], c.tolerance)) << c.file;
        EXPECT_TRUE(Near(0xFF000000u, img.pixels[0], c.tolerance)) << c.file;
    }
    EXPECT_FALSE(PathExists(GamePath("shots/pic.bmp")));
    // A type no encoder writes is refused with a log line.
    f->Snapshot("pic.xyz");
    EXPECT_FALSE(PathExists(GamePath("pic.xyz")));
    EXPECT_NE(std::string::npos, ReadLog().find("pic.xyz"));
}
