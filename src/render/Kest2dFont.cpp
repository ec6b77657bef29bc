#include "render/Kest2dFont.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "frame/Kest2dBaseFrame.h"
#include "frame/Kest2dLifetime.h"
#include "frame/types/Kest2dHeld.h"
#include "platform/KesCharset.h"
#include "platform/KesFontPath.h"

namespace kest2d {

// ---- Any font ----

CKesGUIBaseFont::CKesGUIBaseFont() : mSelf(std::make_shared<CKesGUIBaseFont*>(this)) {
    lifetime::Begin(this, lifetime::Kind::Font);
}

CKesGUIBaseFont::~CKesGUIBaseFont() {
    *mSelf = nullptr;
    lifetime::End(this);
}

// ---- Face ----

CKesGUITTFace::~CKesGUITTFace() {
    if (!loaded) return;
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

bool CKesGUITTFace::load(const char* file) {
    if (loaded || !file) return false;
    if (FT_Init_FreeType(&library) != 0) {
        library = nullptr;
        return false;
    }
    const std::string path = platform::FontFilePath(file);
    if (path.empty() || FT_New_Face(library, path.c_str(), 0, &face) != 0) {
        face = nullptr;
        FT_Done_FreeType(library);
        library = nullptr;
        return false;
    }
    loaded = true;
    return true;
}

// ---- Glyph ----

namespace {
const int kMaxGlyphTextureSide = 4096;
}

CKesGUITTGlyph::CKesGUITTGlyph(CKesGUITTGlyph&& other) noexcept { *this = std::move(other); }

CKesGUITTGlyph& CKesGUITTGlyph::operator=(CKesGUITTGlyph&& other) noexcept {
    if (this == &other) return *this;
    Release();
    rendered = other.rendered;
    frame = other.frame;
    face = other.face;
    size = other.size;
    top = other.top;
    left = other.left;
    width = other.width;
    rows = other.rows;
    textureWidth = other.textureWidth;
    textureHeight = other.textureHeight;
    texture = other.texture;
    other.texture = 0;
    return *this;
}

CKesGUITTGlyph::~CKesGUITTGlyph() { Release(); }

void CKesGUITTGlyph::Release() {
    if (texture && frame) frame->FreeTexture(texture);
    texture = 0;
}

int CKesGUITTGlyph::TextureSide(int width, int rows) {
    int w = 1;
    while (w <= width) w <<= 1;
    int h = 1;
    while (h <= rows) h <<= 1;
    return w > h ? w : h;
}

void CKesGUITTGlyph::CoverageToPixels(const unsigned char* coverage, int pitch, int width, int rows, int side,
                                      std::uint32_t* pixels) {
    std::memset(pixels, 0, static_cast<size_t>(side) * static_cast<size_t>(side) * sizeof(std::uint32_t));
    if (!coverage) return;
    for (int y = 0; y < rows && y < side; ++y) {
        const unsigned char* row = coverage + static_cast<ptrdiff_t>(y) * pitch;
        std::uint32_t* out = pixels + static_cast<size_t>(y) * static_cast<size_t>(side);
        for (int x = 0; x < width && x < side; ++x) {
            const std::uint32_t g = row[x];
            out[x] = g ? ((g << 24) | 0x00FFFFFFu) : 0u;
        }
    }
}

void CKesGUITTGlyph::render(unsigned glyphIndex) {
    if (!face || !*face) return;
    FT_Face ftFace = *face;
    if (FT_Set_Pixel_Sizes(ftFace, 0, static_cast<FT_UInt>(size > 0 ? size : 0)) != 0) return;
    if (FT_Load_Glyph(ftFace, glyphIndex, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return;
    FT_GlyphSlot slot = ftFace->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return;
    // Loading gives the place and size of the bitmap that rendering would
    // fill. Glyphs beyond the largest texture the renderer makes are measured
    // by them, neither rendered nor drawn: a script's font size could have
    // FreeType fill a bitmap of a gigabyte.
    const bool drawn = TextureSide(static_cast<int>(slot->bitmap.width), static_cast<int>(slot->bitmap.rows)) <=
                       kMaxGlyphTextureSide;
    if (drawn && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return;

    const FT_Bitmap& bitmap = slot->bitmap;
    top = slot->bitmap_top;
    left = slot->bitmap_left;
    width = static_cast<int>(bitmap.width);
    rows = static_cast<int>(bitmap.rows);
    const int side = TextureSide(width, rows);
    textureWidth = side;
    textureHeight = side;

    if (frame && drawn && side <= kMaxGlyphTextureSide) {
        std::vector<std::uint32_t> image(static_cast<size_t>(side) * static_cast<size_t>(side));
        // The pitch is negative for bottom-up bitmaps; start from the top row then.
        const unsigned char* first = bitmap.buffer;
        if (first && bitmap.pitch < 0) first -= static_cast<ptrdiff_t>(bitmap.pitch) * (rows - 1);
        CoverageToPixels(first, bitmap.pitch, width, rows, side, image.data());
        char name[32];
        std::snprintf(name, sizeof(name), "TTFontGlyph%u", glyphIndex);
        texture = frame->CreateTexture(name, side, side);
        if (texture) {
            DWORD* bits = frame->LockTexture(texture, false, 0, 0, side, side);
            if (bits) {
                std::memcpy(bits, image.data(), image.size() * sizeof(std::uint32_t));
                frame->UnLockTexture(texture);
            }
        }
    }
    rendered = true;
}

// ---- Font ----

CKesGUITTFont::CKesGUITTFont(CKesBaseFrame* frame) : mFrame(frame) {}

CKesGUITTFont::~CKesGUITTFont() { mGlyphs.clear(); }

bool CKesGUITTFont::attach(CKesGUITTFace* face, int pixelSize) {
    if (!mFrame || !face || !face->loaded || !face->face) return false;
    mFace = face;
    size = pixelSize;
    mGlyphs.clear();
    const long count = face->face->num_glyphs;
    mGlyphs.reserve(count > 0 ? static_cast<size_t>(count) : 0);
    for (long i = 0; i < count; ++i) mGlyphs.emplace_back(mFrame, &face->face, pixelSize);
    mWideText.assign(KES_FONT_TEXT_LIMIT, 0);
    mIndexCache.assign(0x10000, -1);
    mAttached = true;
    return true;
}

unsigned CKesGUITTFont::GlyphIndex(wchar_t c) {
    if (!mFace || !mFace->face) return 0;
    const auto code = static_cast<unsigned long>(static_cast<std::uint32_t>(c));
    if (code < mIndexCache.size()) {
        std::int32_t& cached = mIndexCache[code];
        if (cached < 0) cached = static_cast<std::int32_t>(FT_Get_Char_Index(mFace->face, code));
        return static_cast<unsigned>(cached);
    }
    return FT_Get_Char_Index(mFace->face, code);
}

CKesGUITTGlyph* CKesGUITTFont::RenderedGlyph(unsigned index) {
    if (index == 0 || index > mGlyphs.size()) return nullptr;
    CKesGUITTGlyph& glyph = mGlyphs[index - 1];
    if (!glyph.rendered) glyph.render(index);
    return &glyph;
}

const CKesGUITTGlyph* CKesGUITTFont::GetGlyph(wchar_t c) { return RenderedGlyph(GlyphIndex(c)); }

int CKesGUITTFont::getWidthFromCharacter(wchar_t c) {
    if (CKesGUITTGlyph* glyph = RenderedGlyph(GlyphIndex(c))) {
        const int advance = glyph->left + glyph->width;
        if (advance > 0) return advance;
    }
    return static_cast<std::uint32_t>(c) < 0x2000 ? size / 2 : size;
}

const wchar_t* CKesGUITTFont::ToWideString(const char* text) {
    if (!text || mWideText.empty()) return nullptr;
    const size_t length = std::strlen(text);
    // Plain ASCII needs no conversion (and no allocation).
    size_t i = 0;
    while (i < length && static_cast<unsigned char>(text[i]) < 0x80) ++i;
    if (i == length) {
        if (length + 1 >= KES_FONT_TEXT_LIMIT) return nullptr;
        for (size_t k = 0; k < length; ++k) mWideText[k] = static_cast<wchar_t>(text[k]);
        mWideText[length] = 0;
        return mWideText.data();
    }
    const std::u16string wide = platform::GbkToUtf16(std::string(text, length), u'?');
    if (wide.size() + 1 >= KES_FONT_TEXT_LIMIT) return nullptr;
    for (size_t k = 0; k < wide.size(); ++k) mWideText[k] = static_cast<wchar_t>(wide[k]);
    mWideText[wide.size()] = 0;
    return mWideText.data();
}

void CKesGUITTFont::draw(const char* text, const CKesRect<int>& rect, CKesColor colour, bool hCenter, bool vCenter,
                         const CKesRect<int>* clip) {
    if (!mFrame || !mAttached) return;
    const wchar_t* wide = ToWideString(text);
    if (!wide) return;
    // Positions are computed wide and held inside int (Kest2dHeld.h): sizes
    // and kerning come from scripts.
    long long x = rect.UpperLeftCorner.X;
    long long y = rect.UpperLeftCorner.Y;
    if (hCenter || vCenter) {
        const CKesDimension2d<int> d = getDimension(wide);
        if (hCenter) x += (static_cast<long long>(rect.getWidth()) - d.Width) >> 1;
        if (vCenter) y = rect.UpperLeftCorner.Y + ((static_cast<long long>(rect.getHeight()) - d.Height) >> 1) - 2;
    }
    for (const wchar_t* p = wide; *p; ++p) {
        const wchar_t c = *p;
        CKesGUITTGlyph* glyph = RenderedGlyph(GlyphIndex(c));
        int advance = 0;
        if (glyph) {
            if (glyph->texture) {
                const CKesPosition2d<int> at(Held(x + glyph->left), Held(y + size - glyph->top));
                const CKesRect<int> source(0, 0, glyph->textureWidth - 1, glyph->textureHeight - 1);
                mFrame->Draw2DImage(glyph->texture, at, source, clip, colour);
            }
            advance = glyph->left + glyph->width;
        }
        if (advance <= 0) advance = static_cast<std::uint32_t>(c) < 0x2000 ? size / 2 : size;
        x = Held(x + mKerningWidth + advance);
    }
}

CKesDimension2d<int> CKesGUITTFont::getDimension(const wchar_t* text) {
    if (!mAttached) return CKesDimension2d<int>(0, 0);
    long long widest = 0;
    long long running = 0;
    long long breaks = 0;
    if (text) {
        for (const wchar_t* p = text; *p; ++p) {
            if (*p == L'\r' || *p == L'\n') {
                if (*p == L'\r' && p[1] == L'\n') ++p;
                ++breaks;
                if (running > widest) widest = running;
                running = 0;
                continue;
            }
            running = Held(running + getWidthFromCharacter(*p) + mKerningWidth);
        }
    }
    if (running > widest) widest = running;
    return CKesDimension2d<int>(Held(widest), Held((breaks + 1) * size));
}

CKesDimension2d<int> CKesGUITTFont::getTextDimension(const char* text) {
    if (!mAttached) return CKesDimension2d<int>(0, 0);
    return getDimension(ToWideString(text));
}

int CKesGUITTFont::getCharacterFromPos(const wchar_t* text, int pixelX) {
    if (!mAttached || !text) return -1;
    long long sum = 0;
    for (int i = 0; text[i]; ++i) {
        sum += getWidthFromCharacter(text[i]);
        if (sum >= pixelX) return i;
    }
    return -1;
}

int CKesGUITTFont::getKeringWidth(const wchar_t*, const wchar_t*) { return mKerningWidth; }

}  // namespace kest2d
