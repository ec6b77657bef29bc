// TrueType text: faces opened by FreeType, glyphs rasterised once into small
// white-with-alpha textures, and fonts that draw and measure GBK text at one
// pixel size. The frame owns every face and font (LoadFont, ClearAllFonts).
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <vector>

#include "render/Kest2dFontTypes.h"
#include "frame/types/Kest2dColor.h"
#include "frame/types/Kest2dDimension2d.h"
#include "frame/types/Kest2dRect.h"

namespace kest2d {

class CKesBaseFrame;

// Longest text a font converts, in UTF-16 units with the terminator.
enum : unsigned { KES_FONT_TEXT_LIMIT = 102400 };

// An opened font file (face 0); every face runs a FreeType library of its own.
class CKesGUITTFace {
public:
    CKesGUITTFace() = default;
    virtual ~CKesGUITTFace();
    CKesGUITTFace(const CKesGUITTFace&) = delete;
    CKesGUITTFace& operator=(const CKesGUITTFace&) = delete;

    // Opens an engine font path (see platform::FontFilePath).
    bool load(const char* file);

    bool loaded = false;
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

// One glyph of a font's cache, rendered on first use.
class CKesGUITTGlyph {
public:
    CKesGUITTGlyph() = default;
    CKesGUITTGlyph(CKesBaseFrame* frame, FT_Face* face, int size) : frame(frame), face(face), size(size) {}
    // A glyph owns its texture: it can be moved, not copied.
    CKesGUITTGlyph(CKesGUITTGlyph&& other) noexcept;
    CKesGUITTGlyph& operator=(CKesGUITTGlyph&& other) noexcept;
    CKesGUITTGlyph(const CKesGUITTGlyph&) = delete;
    CKesGUITTGlyph& operator=(const CKesGUITTGlyph&) = delete;
    virtual ~CKesGUITTGlyph();

    // Rasterises glyph `glyphIndex` of the face and makes its texture. A glyph
    // that fails to load or has no outline stays unrendered.
    void render(unsigned glyphIndex);

    // The side of the square texture for a bitmap: the smallest power of two
    // strictly greater than both width and rows (1 for an empty bitmap).
    static int TextureSide(int width, int rows);
    // Coverage bytes to side x side 32-bit pixels: 0 stays 0, g becomes
    // (g << 24) | 0xFFFFFF (white with the coverage as alpha); the rest is 0.
    static void CoverageToPixels(const unsigned char* coverage, int pitch, int width, int rows, int side,
                                 std::uint32_t* pixels);

    bool rendered = false;
    CKesBaseFrame* frame = nullptr;
    FT_Face* face = nullptr;
    int size = 0;
    int top = 0;
    int left = 0;
    int width = 0;
    int rows = 0;
    int textureWidth = 0;
    int textureHeight = 0;
    unsigned long texture = 0;

private:
    void Release();
};

// What controls hold: a font that draws and measures text. Scripts reach a
// font by address while it lives (see frame/Kest2dLifetime.h).
class CKesGUIBaseFont {
public:
    CKesGUIBaseFont();
    CKesGUIBaseFont(const CKesGUIBaseFont&) = delete;
    CKesGUIBaseFont& operator=(const CKesGUIBaseFont&) = delete;
    virtual void draw(const char* text, const CKesRect<int>& rect, CKesColor colour, bool hCenter = false,
                      bool vCenter = false, const CKesRect<int>* clip = nullptr) = 0;
    virtual CKesDimension2d<int> getDimension(const wchar_t* text) = 0;
    virtual CKesDimension2d<int> getTextDimension(const char* text) = 0;
    virtual int getCharacterFromPos(const wchar_t* text, int pixelX) = 0;
    virtual void setKerningWidth(int kerning) = 0;
    virtual void setKerningHeight(int kerning) = 0;
    virtual int getKeringWidth(const wchar_t* letter = nullptr, const wchar_t* previous = nullptr) = 0;
    virtual int getKerningHeight() = 0;
    virtual ~CKesGUIBaseFont();

    // The handle a control keeps; the font counts as held while one exists.
    CKesFontRef GetRef() const { return CKesFontRef(mSelf); }
    bool IsHeld() const { return mSelf.use_count() > 1; }

private:
    std::shared_ptr<CKesGUIBaseFont*> mSelf;
};

// A TrueType font at one pixel size. Text is GBK; the wide forms take UTF-16
// code units, one per wchar_t. Not re-entrant: the converted text of the
// current call lives in the font.
class CKesGUITTFont : public CKesGUIBaseFont {
public:
    explicit CKesGUITTFont(CKesBaseFrame* frame);
    ~CKesGUITTFont() override;
    CKesGUITTFont(const CKesGUITTFont&) = delete;
    CKesGUITTFont& operator=(const CKesGUITTFont&) = delete;

    void draw(const char* text, const CKesRect<int>& rect, CKesColor colour, bool hCenter = false,
              bool vCenter = false, const CKesRect<int>* clip = nullptr) override;
    CKesDimension2d<int> getDimension(const wchar_t* text) override;
    CKesDimension2d<int> getTextDimension(const char* text) override;
    int getCharacterFromPos(const wchar_t* text, int pixelX) override;
    void setKerningWidth(int kerning) override { mKerningWidth = kerning; }
    void setKerningHeight(int kerning) override { mKerningHeight = kerning; }
    int getKeringWidth(const wchar_t* letter = nullptr, const wchar_t* previous = nullptr) override;
    int getKerningHeight() override { return mKerningHeight; }

    // Uses `face` (not owned) at `pixelSize`; false without a frame or face.
    bool attach(CKesGUITTFace* face, int pixelSize);
    // The advance of one UTF-16 unit: the glyph's left bearing plus its bitmap
    // width, or half the size (narrow) / the size (from U+2000 on) when the face
    // has no glyph for it or the glyph is empty.
    int getWidthFromCharacter(wchar_t c);
    // The GBK text as UTF-16 units in the font's buffer; null for a null text
    // or one of KES_FONT_TEXT_LIMIT units or more. Each call overwrites it.
    const wchar_t* ToWideString(const char* text);

    bool IsAttached() const { return mAttached; }
    CKesGUITTFace* GetFace() const { return mFace; }
    // The cached glyph of a character, rendered; null when the face has none.
    const CKesGUITTGlyph* GetGlyph(wchar_t c);

    int size = 0;

private:
    unsigned GlyphIndex(wchar_t c);
    CKesGUITTGlyph* RenderedGlyph(unsigned index);

    bool mAttached = false;
    CKesBaseFrame* mFrame = nullptr;
    std::vector<CKesGUITTGlyph> mGlyphs;
    CKesGUITTFace* mFace = nullptr;
    int mKerningWidth = 0;
    int mKerningHeight = 0;
    std::vector<wchar_t> mWideText;
    // Character to glyph index for the Basic Multilingual Plane, filled on
    // first use (-1: not looked up yet).
    std::vector<std::int32_t> mIndexCache;
};

}  // namespace kest2d
