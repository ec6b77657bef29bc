// TrueType fonts: glyph textures, measuring, the registry and drawing.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "render/Kest2dFont.h"
#include "platform/KesFiles.h"
#include "platform/KesFontPath.h"
#include "support/FrameFixture.h"

namespace kest2d {
namespace test {
namespace {

const char* const kTestFont = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

TEST(GlyphTexture, SideIsThePowerOfTwoAboveBothSides) {
    EXPECT_EQ(16, CKesGUITTGlyph::TextureSide(7, 12));
    EXPECT_EQ(16, CKesGUITTGlyph::TextureSide(8, 8));
    EXPECT_EQ(1, CKesGUITTGlyph::TextureSide(0, 0));
    EXPECT_EQ(2, CKesGUITTGlyph::TextureSide(1, 1));
    EXPECT_EQ(32, CKesGUITTGlyph::TextureSide(16, 3));
    EXPECT_EQ(8, CKesGUITTGlyph::TextureSide(0, 5));
}

TEST(GlyphTexture, CoverageBecomesWhiteWithAlpha) {
    // Two rows of three coverage bytes, stored four bytes apart.
    const unsigned char coverage[] = {0x00, 0x80, 0xFF, 0x77, 0x01, 0x00, 0x40, 0x55};
    std::vector<std::uint32_t> pixels(4 * 4, 0xDEADBEEF);
    CKesGUITTGlyph::CoverageToPixels(coverage, 4, 3, 2, 4, pixels.data());
    const std::vector<std::uint32_t> expected = {
        0x00000000, 0x80FFFFFF, 0xFFFFFFFF, 0,  //
        0x01FFFFFF, 0x00000000, 0x40FFFFFF, 0,  //
        0,          0,          0,          0,  //
        0,          0,          0,          0};
    EXPECT_EQ(expected, pixels);
}

class FontTest : public FrameFixture {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        if (!platform::FileExists(kTestFont)) GTEST_SKIP() << "test font missing: " << kTestFont;
        frame = StartFrame<PlainFrame>();
        font = static_cast<CKesGUITTFont*>(frame->LoadFont("TestFont", 13, kTestFont));
        ASSERT_NE(nullptr, font);
    }
    int Width(const std::wstring& text) { return font->getDimension(text.c_str()).Width; }

    CKesBaseFrame* frame = nullptr;
    CKesGUITTFont* font = nullptr;
};

TEST_F(FontTest, AdvancesFallBackForEmptyAndMissingGlyphs) {
    EXPECT_EQ(13, font->size);
    // The space has a glyph with an empty bitmap: half the size.
    EXPECT_EQ(6, font->getWidthFromCharacter(L' '));
    // No glyph: half the size below U+2000, the whole size from there on.
    EXPECT_EQ(6, font->getWidthFromCharacter(L'\x0250'));
    EXPECT_EQ(13, font->getWidthFromCharacter(L'\x3400'));
    // Inked glyphs advance by their left bearing plus bitmap width.
    const CKesGUITTGlyph* g = font->GetGlyph(L'\x4E2D');
    ASSERT_NE(nullptr, g);
    EXPECT_TRUE(g->rendered);
    EXPECT_GT(g->width, 0);
    EXPECT_EQ(g->left + g->width, font->getWidthFromCharacter(L'\x4E2D'));
    EXPECT_EQ(CKesGUITTGlyph::TextureSide(g->width, g->rows), g->textureWidth);
    EXPECT_EQ(g->textureWidth, g->textureHeight);
}

TEST_F(FontTest, HugeSizesMeasureWithoutTextures) {
    auto* big = static_cast<CKesGUITTFont*>(frame->LoadFont("TestFont", 3000, kTestFont));
    ASSERT_NE(nullptr, big);
    const CKesGUITTGlyph* g = big->GetGlyph(L'\x4E2D');
    ASSERT_NE(nullptr, g);
    EXPECT_GT(g->textureWidth, 2048);
    EXPECT_GT(big->getTextDimension("a").Width, 0);
    // Beyond the largest glyph texture a glyph is measured from where its
    // bitmap would lie, without rendering it; sizes and kernings at the ends
    // of int measure and draw inside int.
    auto* larger = static_cast<CKesGUITTFont*>(frame->LoadFont("TestFont", 20000, kTestFont));
    ASSERT_NE(nullptr, larger);
    const CKesGUITTGlyph* h = larger->GetGlyph(L'\x4E2D');
    ASSERT_NE(nullptr, h);
    EXPECT_TRUE(h->rendered);
    EXPECT_EQ(0u, h->texture);
    EXPECT_GT(h->width, 4096);
    EXPECT_EQ(h->left + h->width, larger->getWidthFromCharacter(L'\x4E2D'));
    const int lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    const struct {
        int size, kerning;
        int width, height;  // of "a", "b", a line break, "c"; width -1: the font's own
    } ends[] = {{hi, 0, -1, hi}, {hi, hi, hi, hi}, {lo, lo, 0, lo}, {13, lo, 0, 26}, {13, hi, hi, 26}};
    for (const auto& e : ends) {
        auto* font = static_cast<CKesGUITTFont*>(frame->LoadFont("TestFont", e.size, kTestFont));
        ASSERT_NE(nullptr, font);
        font->setKerningWidth(e.kerning);
        const CKesDimension2d<int> d = font->getTextDimension("ab\nc");
        if (e.width >= 0) {
            EXPECT_EQ(e.width, d.Width) << e.size << " " << e.kerning;
        }
        EXPECT_EQ(e.height, d.Height) << e.size << " " << e.kerning;
        EXPECT_EQ(0, font->getCharacterFromPos(L"ab", lo)) << e.size;
        frame->BeginScene();
        font->draw("ab\r\nc", CKesRect<int>(lo, lo, hi, hi), CKesColor(0xFF000000), true, true);
        font->draw("ab", CKesRect<int>(hi, hi, lo, lo), CKesColor(0xFF000000), true, true, nullptr);
        frame->EndScene();
        font->setKerningWidth(0);
    }
    // The space's empty bitmap gets the 1 x 1 side.
    const CKesGUITTGlyph* space = font->GetGlyph(L' ');
    ASSERT_NE(nullptr, space);
    EXPECT_EQ(0, space->width);
    EXPECT_EQ(1, space->textureWidth);
}

TEST_F(FontTest, DimensionsCountEveryKindOfLineBreak) {
    const int ab = Width(L"ab");
    const int cde = Width(L"cde");
    ASSERT_GT(ab, 0);
    ASSERT_GT(cde, ab);
    for (const wchar_t* text : {L"ab\r\ncde", L"ab\rcde", L"ab\ncde", L"cde\r\nab"}) {
        const CKesDimension2d<int> d = font->getDimension(text);
        EXPECT_EQ(cde, d.Width) << "text with a break";
        EXPECT_EQ(26, d.Height);
    }
    // A lone CR followed by a lone LF is two breaks; CR LF CR LF too.
    EXPECT_EQ(39, font->getDimension(L"ab\n\rcde").Height);
    EXPECT_EQ(39, font->getDimension(L"ab\r\n\r\ncde").Height);
    EXPECT_EQ(CKesDimension2d<int>(0, 13), font->getDimension(L""));
    EXPECT_EQ(CKesDimension2d<int>(0, 13), font->getDimension(nullptr));
    // The kerning width is added after every character.
    font->setKerningWidth(2);
    EXPECT_EQ(ab + 4, Width(L"ab"));
    EXPECT_EQ(2, font->getKeringWidth(L"a", L"b"));
    font->setKerningHeight(5);
    EXPECT_EQ(5, font->getKerningHeight());
    EXPECT_EQ(13, font->getDimension(L"ab").Height);
}

TEST_F(FontTest, GbkTextIsConvertedAndMeasured) {
    const wchar_t* wide = font->ToWideString(Gbk("中文ab").c_str());
    ASSERT_NE(nullptr, wide);
    EXPECT_EQ(std::wstring(L"\x4E2D\x6587" L"ab"), std::wstring(wide));
    EXPECT_EQ(Width(L"\x4E2D\x6587" L"ab"), font->getTextDimension(Gbk("中文ab").c_str()).Width);
    // A truncated lead byte is substituted; conversion goes on.
    wide = font->ToWideString("a\xD6");
    ASSERT_NE(nullptr, wide);
    EXPECT_EQ(2u, std::wstring(wide).size());
    EXPECT_EQ(nullptr, font->ToWideString(nullptr));
    // 102399 units plus the terminator reach the limit.
    EXPECT_NE(nullptr, font->ToWideString(std::string(102398, 'a').c_str()));
    EXPECT_EQ(nullptr, font->ToWideString(std::string(102399, 'a').c_str()));
    std::string wideChinese;
    for (int i = 0; i < 102398; ++i) wideChinese += "\xD6\xD0";
    EXPECT_NE(nullptr, font->ToWideString(wideChinese.c_str()));
    EXPECT_EQ(nullptr, font->ToWideString((wideChinese + "\xD6\xD0").c_str()));
    EXPECT_EQ(CKesDimension2d<int>(0, 13), font->getTextDimension(std::string(200000, 'a').c_str()));
}

TEST_F(FontTest, CharacterFromPosition) {
    const std::wstring text = L"abc";
    const int a = font->getWidthFromCharacter(L'a');
    const int b = font->getWidthFromCharacter(L'b');
    EXPECT_EQ(0, font->getCharacterFromPos(text.c_str(), 0));
    EXPECT_EQ(0, font->getCharacterFromPos(text.c_str(), a));
    EXPECT_EQ(1, font->getCharacterFromPos(text.c_str(), a + 1));
    EXPECT_EQ(1, font->getCharacterFromPos(text.c_str(), a + b));
    EXPECT_EQ(2, font->getCharacterFromPos(text.c_str(), a + b + 1));
    EXPECT_EQ(-1, font->getCharacterFromPos(text.c_str(), Width(text) + 1));
    EXPECT_EQ(-1, font->getCharacterFromPos(L"", 0));
    // The kerning width is not counted here.
    font->setKerningWidth(50);
    EXPECT_EQ(1, font->getCharacterFromPos(text.c_str(), a + 1));
}

TEST_F(FontTest, RegistrySharesFacesByNameAndFontsByNameAndSize) {
    CKesGUIBaseFont* a12 = frame->LoadFont("A", 12, kTestFont);
    // Another size of the same name shares the face, whatever file it names.
    CKesGUIBaseFont* a14 = frame->LoadFont("A", 14, "no-such-font.ttf");
    ASSERT_NE(nullptr, a12);
    ASSERT_NE(nullptr, a14);
    EXPECT_NE(a12, a14);
    EXPECT_EQ(static_cast<CKesGUITTFont*>(a12)->GetFace(), static_cast<CKesGUITTFont*>(a14)->GetFace());
    EXPECT_NE(font->GetFace(), static_cast<CKesGUITTFont*>(a12)->GetFace());
    EXPECT_EQ(a12, frame->LoadFont("A", 12, "whatever"));
    EXPECT_EQ(14, static_cast<CKesGUITTFont*>(a14)->size);
    // Unknown files and null names give no font; an empty name is never shared.
    EXPECT_EQ(nullptr, frame->LoadFont("B", 12, "no-such-font.ttf"));
    EXPECT_EQ(nullptr, frame->LoadFont("B", 12, nullptr));
    EXPECT_EQ(nullptr, frame->LoadFont(nullptr, 12, kTestFont));
    CKesGUIBaseFont* e1 = frame->LoadFont("", 12, kTestFont);
    CKesGUIBaseFont* e2 = frame->LoadFont("", 12, kTestFont);
    ASSERT_NE(nullptr, e1);
    EXPECT_NE(e1, e2);
    EXPECT_NE(static_cast<CKesGUITTFont*>(e1)->GetFace(), static_cast<CKesGUITTFont*>(e2)->GetFace());
    // Names beyond the record size are cut alike when stored and looked up.
    const std::string longName(300, 'n');
    CKesGUIBaseFont* l1 = frame->LoadFont(longName.c_str(), 12, kTestFont);
    EXPECT_EQ(l1, frame->LoadFont(longName.c_str(), 12, kTestFont));
    // After clearing, the same name makes a new face from the file given now.
    frame->ClearAllFonts();
    EXPECT_EQ(nullptr, frame->LoadFont("A", 14, "no-such-font.ttf"));
    font = nullptr;
}

TEST_F(FontTest, AFontThatWasNeverAttachedDoesNothing) {
    CKesGUITTFont loose(frame);
    loose.draw("abc", CKesRect<int>(0, 0, 100, 20), CKesColor(0xFFFFFFFF), true, true);
    EXPECT_EQ(CKesDimension2d<int>(0, 0), loose.getTextDimension("abc"));
    EXPECT_EQ(CKesDimension2d<int>(0, 0), loose.getDimension(L"abc"));
    EXPECT_EQ(-1, loose.getCharacterFromPos(L"abc", 0));
    CKesGUITTFont noFrame(nullptr);
    EXPECT_FALSE(noFrame.attach(font->GetFace(), 13));
}

TEST_F(FontTest, TheWindowsFontsFolderMapsToAChineseSystemFont) {
    const std::string system = platform::SystemChineseFontFile();
    ASSERT_FALSE(system.empty());
    EXPECT_EQ(system, platform::FontFilePath(platform::GetWindowsDirectory() + "\\fonts\\SIMHEI.TTF"));
    EXPECT_EQ(system, platform::FontFilePath("c:\\windows\\Fonts\\SIMHEI.TTF"));
    EXPECT_EQ(platform::DiskPath("fonts\\my.ttf"), platform::FontFilePath("fonts\\my.ttf"));
    const std::string path = platform::GetWindowsDirectory() + "\\fonts\\SIMHEI.TTF";
    CKesGUIBaseFont* builtIn = frame->LoadFont("Hei", 13, path.c_str());
    ASSERT_NE(nullptr, builtIn);
    EXPECT_GT(builtIn->getTextDimension(Gbk("中文").c_str()).Width, 13);
}

TEST_F(FontTest, TheFrameMeasuresWithTheBuiltInFont) {
    if (frame->GetTextDimension("a") == CKesDimension2d<int>(0, 0))
        GTEST_SKIP() << "the built-in font is loaded by the renderer's start-up";
    EXPECT_EQ(13, frame->GetTextDimension("ab").Height);
    EXPECT_EQ(26, frame->GetTextDimension("ab\r\ncd").Height);
    EXPECT_GT(frame->GetTextDimension(Gbk("中文").c_str()).Width, 13);
}

TEST_F(FontTest, WithoutAFontTheFrameNeitherMeasuresNorDraws) {
    frame->ClearAllFonts();
    font = nullptr;
    EXPECT_EQ(CKesDimension2d<int>(0, 0), frame->GetTextDimension("ab"));
    frame->DrawString("ab", CKesRect<int>(0, 0, 10, 10), CKesColor(0xFF000000));
    frame->ClearAllFonts();
}

// Drawing with real glyph textures: needs the texture table.
TEST_F(FontTest, DrawnTextHasInkInItsGlyphs) {
    const unsigned long probe = frame->CreateTexture("probe", 4, 4);
    if (!probe) GTEST_SKIP() << "no textures without the renderer";
    frame->FreeTexture(probe);

    const std::string text = Gbk("Kest2d 中文");
    frame->BeginScene();
    font->draw(text.c_str(), CKesRect<int>(10, 10, 300, 40), CKesColor(0xFF000000));
    frame->EndScene();

    for (wchar_t c : std::wstring(L"Kest2d\x4E2D\x6587")) {
        const CKesGUITTGlyph* g = font->GetGlyph(c);
        ASSERT_NE(nullptr, g);
        ASSERT_NE(0u, g->texture) << "glyph U+" << std::hex << static_cast<unsigned>(c);
        EXPECT_EQ(g->textureWidth, frame->GetTextureWidth(g->texture));
        // Ink inside the bitmap, nothing outside it.
        int ink = 0;
        for (int y = 0; y < g->textureHeight; ++y) {
            for (int x = 0; x < g->textureWidth; ++x) {
                const CKesColor p = frame->GetTexColor(g->texture, x, y);
                if (x >= g->width || y >= g->rows) {
                    EXPECT_EQ(0u, p.getAlpha());
                } else if (p.getAlpha() > 0) {
                    ++ink;
                    EXPECT_EQ(0xFFFFFFu, p.color & 0xFFFFFF);
                }
            }
        }
        EXPECT_GT(ink, 0) << "glyph U+" << std::hex << static_cast<unsigned>(c);
    }
}

}  // namespace
}  // namespace test
}  // namespace kest2d
