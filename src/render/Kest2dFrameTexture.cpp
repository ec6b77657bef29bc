// The texture table: images and empty textures addressed by handle, and the
// three ways of drawing them through the quad batch.
#include <cstring>
#include <new>

#include "frame/Kest2dBaseFrame.h"
#include "render/Kest2dBatch.h"
#include "render/Kest2dLogo.h"
#include "platform/KesImage.h"

namespace kest2d {

KESTexture* CKesBaseFrame::FindTextureByName(std::string name) {
    for (auto& rec : mTextures)
        if (rec->Name == name) return rec.get();
    return nullptr;
}

KESTexture* CKesBaseFrame::FindTextureByHandle(unsigned long tex) {
    if (tex == 0) return nullptr;
    auto it = mTextureIndex.find(tex);
    return it == mTextureIndex.end() ? nullptr : it->second;
}

unsigned long CKesBaseFrame::AddTexture(std::shared_ptr<platform::KesTexture> texture, int width, int height,
                                        const std::string& name) {
    std::unique_ptr<KESTexture> rec(new KESTexture());
    rec->tex = mNextTextureHandle++;
    if (mNextTextureHandle == 0) mNextTextureHandle = 1;
    rec->Width = width;
    rec->Height = height;
    rec->Name = name;
    rec->texture = std::move(texture);
    const unsigned long handle = rec->tex;
    mTextureIndex[handle] = rec.get();
    mTextures.push_back(std::move(rec));
    return handle;
}

unsigned long CKesBaseFrame::LoadTexture(const char* name, unsigned long size) {
    if (!name) return 0;
    const bool fromMemory = size > 0;
    const unsigned char* bytes = nullptr;
    unsigned long length = size;
    std::unique_ptr<unsigned char[]> owned;
    std::string recordName;
    if (fromMemory) {
        // `name` points to `size` bytes of image data: no lookup, and the
        // record carries no name (the bytes are not text).
        bytes = reinterpret_cast<const unsigned char*>(name);
    } else {
        recordName = name;
        {
            std::lock_guard<std::mutex> lock(mTextureMutex);
            if (KESTexture* rec = FindTextureByName(recordName)) return rec->tex;
        }
        length = 0;
        owned.reset(static_cast<unsigned char*>(LoadResource(name, &length)));
        if (!owned || length == 0) return 0;
        bytes = owned.get();
    }

    platform::KesImage image;
    if (!platform::DecodeImage(bytes, length, image)) {
        if (CKesLogger::admits(ERRORR))
            SystemLog(ERRORR, std::string("不能导入纹理:") + (fromMemory ? std::string("(内存图像)") : recordName));
        return 0;
    }
    owned.reset();
    auto texture = std::make_shared<platform::KesTexture>(image.width, image.height);
    std::memcpy(texture->Pixels(), image.pixels.data(), image.pixels.size() * sizeof(uint32_t));

    std::lock_guard<std::mutex> lock(mTextureMutex);
    // Another thread may have loaded the same name meanwhile.
    if (!fromMemory) {
        if (KESTexture* rec = FindTextureByName(recordName)) return rec->tex;
    }
    return AddTexture(std::move(texture), image.width, image.height, recordName);
}

unsigned long CKesBaseFrame::CreateTexture(const char* name, int width, int height) {
    const std::string recordName = name ? name : "";
    if (width <= 0 || height <= 0 || width > platform::kMaxImageSide || height > platform::kMaxImageSide) {
        if (CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "不能建立纹理:" + recordName);
        return 0;
    }
    std::shared_ptr<platform::KesTexture> texture;
    try {
        texture = std::make_shared<platform::KesTexture>(width, height);
    } catch (const std::bad_alloc&) {
        if (CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "不能建立纹理:" + recordName);
        return 0;
    }
    std::lock_guard<std::mutex> lock(mTextureMutex);
    return AddTexture(std::move(texture), width, height, recordName);
}

void CKesBaseFrame::FreeTexture(unsigned long tex) {
    if (tex == 0) return;
    std::lock_guard<std::mutex> lock(mTextureMutex);
    auto it = mTextureIndex.find(tex);
    if (it == mTextureIndex.end()) return;
    KESTexture* rec = it->second;
    mTextureIndex.erase(it);
    mTextures.remove_if([rec](const std::unique_ptr<KESTexture>& r) { return r.get() == rec; });
}

void CKesBaseFrame::ClearAllTextures() {
    std::lock_guard<std::mutex> lock(mTextureMutex);
    mTextureIndex.clear();
    mTextures.clear();
}

int CKesBaseFrame::GetTextureWidth(unsigned long tex, bool fromRecord) {
    std::lock_guard<std::mutex> lock(mTextureMutex);
    KESTexture* rec = FindTextureByHandle(tex);
    if (!rec) return 0;
    return fromRecord ? rec->Width : rec->texture->Width();
}

int CKesBaseFrame::GetTextureHeight(unsigned long tex, bool fromRecord) {
    std::lock_guard<std::mutex> lock(mTextureMutex);
    KESTexture* rec = FindTextureByHandle(tex);
    if (!rec) return 0;
    return fromRecord ? rec->Height : rec->texture->Height();
}

CKesColor CKesBaseFrame::GetTexColor(unsigned long tex, int x, int y) {
    std::lock_guard<std::mutex> lock(mTextureMutex);
    KESTexture* rec = FindTextureByHandle(tex);
    if (!rec) return CKesColor(0xFF000000);
    const platform::KesTexture& t = *rec->texture;
    if (x < 0 || y < 0 || x >= t.Width() || y >= t.Height()) return CKesColor(0xFF000000);
    return CKesColor(t.Pixels()[static_cast<size_t>(y) * t.Width() + x]);
}

DWORD* CKesBaseFrame::LockTexture(unsigned long tex, bool readOnly, int left, int top, int width, int height) {
    if (tex == 0) return nullptr;
    std::lock_guard<std::mutex> lock(mTextureMutex);
    KESTexture* rec = FindTextureByHandle(tex);
    if (!rec) return nullptr;
    platform::KesTexture& t = *rec->texture;
    // Drawing still queued reads the texels as they were.
    if (!readOnly && mD3DDevice) mD3DDevice->PrepareTextureWrite(t);
    size_t offset = 0;
    if (width != 0 && height != 0) {
        // A part of the texture: rows keep the texture's width as their pitch.
        // Wide: a part given at the ends of int is refused, not wrapped.
        const long long right = static_cast<long long>(left) + width;
        const long long bottom = static_cast<long long>(top) + height;
        if (left < 0 || top < 0 || width < 0 || height < 0 || right > t.Width() || bottom > t.Height()) {
            if (CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "不能锁定纹理。");
            return nullptr;
        }
        offset = static_cast<size_t>(top) * t.Width() + left;
    }
    if (t.Width() == 0 || t.Height() == 0) {
        if (CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "不能锁定纹理。");
        return nullptr;
    }
    if (!readOnly) rec->WriteLocked = true;
    return t.Pixels() + offset;
}

void CKesBaseFrame::UnLockTexture(unsigned long tex) {
    if (tex == 0) return;
    std::lock_guard<std::mutex> lock(mTextureMutex);
    KESTexture* rec = FindTextureByHandle(tex);
    if (!rec || !rec->WriteLocked) return;
    rec->WriteLocked = false;
    rec->texture->Touch();
}

// ---- Drawing ----

namespace {

// Cuts one axis of a quad to [lo, hi): position p, length len, and the amount
// cut at the start added to `cut`. False when nothing is left. Wide, so that
// positions and sizes anywhere in the range of int cannot overflow.
bool ClipAxis(long long& p, long long& len, long long& cut, long long lo, long long hi) {
    if (p < lo) {
        len -= lo - p;
        if (len <= 0) return false;
        cut += lo - p;
        p = lo;
    }
    if (p + len > hi) {
        len = hi - p;
        if (len <= 0) return false;
    }
    return true;
}

// An image's quad at x, y, w x h: the clip rectangle's cut, then the
// picture's; cx and cy grow by what is cut at the left and top. False when
// nothing is left.
bool CutImage(const CKesRect<int>* clip, const CKesDimension2d<int>& screen, long long& x, long long& y,
              long long& w, long long& h, long long& cx, long long& cy) {
    if (clip) {
        if (!ClipAxis(x, w, cx, clip->UpperLeftCorner.X, clip->LowerRightCorner.X)) return false;
        if (!ClipAxis(y, h, cy, clip->UpperLeftCorner.Y, clip->LowerRightCorner.Y)) return false;
    }
    return ClipAxis(x, w, cx, 0, screen.Width) && ClipAxis(y, h, cy, 0, screen.Height);
}

// What a cut of `cut` destination pixels (of `whole`) is in source pixels (of
// `length`), truncated toward zero. A cut lies in [0, whole) and a source
// length below 2^32, so the product fits 64 unsigned bits.
long long SourceShare(long long cut, long long length, long long whole) {
    if (cut <= 0 || length <= 0 || whole <= 0) return 0;
    return static_cast<long long>(static_cast<unsigned long long>(cut) * static_cast<unsigned long long>(length) /
                                  static_cast<unsigned long long>(whole));
}

// An upright quad in the batch's corner order, one colour.
void ImageCorners(KESVertex (&v)[4], float x0, float y0, float x1, float y1, float u0, float v0, float u1, float v1,
                  DWORD c) {
    v[0] = KESVertex{x0, y0, 0.0f, c, u0, v0};
    v[1] = KESVertex{x0, y1, 0.0f, c, u0, v1};
    v[2] = KESVertex{x1, y1, 0.0f, c, u1, v1};
    v[3] = KESVertex{x1, y0, 0.0f, c, u1, v0};
}

}  // namespace

// The texture behind a handle for the batch: the one being batched needs no
// look-up in the table. Null when the handle names no texture.
std::shared_ptr<platform::KesTexture> CKesBaseFrame::TextureForDrawing(unsigned long tex) {
    if (tex == mBatchTexture && mBatchTextureRef) return mBatchTextureRef;
    std::lock_guard<std::mutex> lock(mTextureMutex);
    KESTexture* rec = FindTextureByHandle(tex);
    return rec ? rec->texture : nullptr;
}

void CKesBaseFrame::Draw2DImage(unsigned long tex, CKesPosition2d<int>& position, CKesColor colour) {
    mLastQuad.valid = false;
    if (tex == 0 || !mVertexPtr) return;
    const std::shared_ptr<platform::KesTexture> ref = TextureForDrawing(tex);
    if (!ref) return;
    const float x = static_cast<float>(position.X), y = static_cast<float>(position.Y);
    KESVertex v[4];
    ImageCorners(v, x, y, x + ref->Width(), y + ref->Height(), 0.0f, 0.0f, 1.0f, 1.0f, colour.color);
    KeepWholeQuad(tex, kBlendImage, QueueQuad(tex, ref, kBlendImage, v), v, nullptr);
}

void CKesBaseFrame::Draw2DImage(unsigned long tex, const CKesPosition2d<int>& position, const CKesRect<int>& source,
                                const CKesRect<int>* clip, CKesColor colour) {
    mLastQuad.valid = false;
    if (tex == 0 || !mVertexPtr) return;
    if (source.LowerRightCorner.X < source.UpperLeftCorner.X || source.LowerRightCorner.Y < source.UpperLeftCorner.Y)
        return;
    const std::shared_ptr<platform::KesTexture> ref = TextureForDrawing(tex);
    if (!ref) return;
    const long long sx = source.UpperLeftCorner.X, sy = source.UpperLeftCorner.Y;
    const long long sw = static_cast<long long>(source.LowerRightCorner.X) - sx;
    const long long sh = static_cast<long long>(source.LowerRightCorner.Y) - sy;
    const float tw = static_cast<float>(ref->Width()), th = static_cast<float>(ref->Height());
    if (sw <= 0 || sh <= 0 || tw <= 0 || th <= 0) return;
    long long x = position.X, y = position.Y, w = sw, h = sh, cx = 0, cy = 0;
    int queued = -1;
    if (CutImage(clip, getScreenSize(), x, y, w, h, cx, cy)) {
        // The picture is never scaled: a cut moves its texels by as much.
        KESVertex v[4];
        ImageCorners(v, static_cast<float>(x), static_cast<float>(y), static_cast<float>(x + w),
                     static_cast<float>(y + h), (sx + cx) / tw, (sy + cy) / th, (sx + cx + w) / tw,
                     (sy + cy + h) / th, colour.color);
        queued = QueueQuad(tex, ref, kBlendImage, v);
    }
    KESVertex whole[4];
    ImageCorners(whole, static_cast<float>(position.X), static_cast<float>(position.Y),
                 static_cast<float>(position.X + sw), static_cast<float>(position.Y + sh), sx / tw, sy / th,
                 (sx + sw) / tw, (sy + sh) / th, colour.color);
    KeepWholeQuad(tex, kBlendImage, queued, whole, clip);
}

void CKesBaseFrame::Draw2DImage(unsigned long tex, const CKesRect<int>& destination, const CKesRect<int>& source,
                                const CKesRect<int>* clip, CKesColor colour) {
    mLastQuad.valid = false;
    if (tex == 0 || !mVertexPtr) return;
    if (source.LowerRightCorner.X < source.UpperLeftCorner.X || source.LowerRightCorner.Y < source.UpperLeftCorner.Y)
        return;
    const long long destW = static_cast<long long>(destination.LowerRightCorner.X) - destination.UpperLeftCorner.X;
    const long long destH = static_cast<long long>(destination.LowerRightCorner.Y) - destination.UpperLeftCorner.Y;
    if (destW == 0 || destH == 0) return;
    const std::shared_ptr<platform::KesTexture> ref = TextureForDrawing(tex);
    if (!ref) return;
    const float tw = static_cast<float>(ref->Width()), th = static_cast<float>(ref->Height());
    if (tw <= 0 || th <= 0) return;
    const long long sx = source.UpperLeftCorner.X, sy = source.UpperLeftCorner.Y;
    const long long sw = static_cast<long long>(source.LowerRightCorner.X) - sx;
    const long long sh = static_cast<long long>(source.LowerRightCorner.Y) - sy;
    long long x = destination.UpperLeftCorner.X, y = destination.UpperLeftCorner.Y;
    long long dw = destW, dh = destH, cx = 0, cy = 0;
    int queued = -1;
    if (CutImage(clip, getScreenSize(), x, y, dw, dh, cx, cy)) {
        // The source start of what is left, in whole source pixels.
        const long long a = sx + SourceShare(cx, sw, destW);
        const long long b = sy + SourceShare(cy, sh, destH);
        const float right = a + static_cast<float>(dw) * sw / destW;
        const float bottom = b + static_cast<float>(dh) * sh / destH;
        KESVertex v[4];
        ImageCorners(v, static_cast<float>(x), static_cast<float>(y), static_cast<float>(x + dw),
                     static_cast<float>(y + dh), a / tw, b / th, right / tw, bottom / th, colour.color);
        queued = QueueQuad(tex, ref, kBlendImage, v);
    }
    KESVertex whole[4];
    ImageCorners(whole, static_cast<float>(destination.UpperLeftCorner.X),
                 static_cast<float>(destination.UpperLeftCorner.Y), static_cast<float>(destination.LowerRightCorner.X),
                 static_cast<float>(destination.LowerRightCorner.Y), sx / tw, sy / th, (sx + sw) / tw, (sy + sh) / th,
                 colour.color);
    KeepWholeQuad(tex, kBlendImage, queued, whole, clip);
}

// ---- The logo ----

void CKesBaseFrame::DrawLogoTexture() {
    CKesPosition2d<int> at(mScreenWidth - (GetTextureWidth(mLogoTexture, false) + 15),
                           mScreenHeight - GetTextureHeight(mLogoTexture, false) - 15);
    Draw2DImage(mLogoTexture, at, CKesColor(0xFFFFFFFF));
}

unsigned long CKesBaseFrame::GetLogoTexture() {
    return LoadTexture(reinterpret_cast<const char*>(kLogoPng), kLogoPngSize);
}

}  // namespace kest2d
