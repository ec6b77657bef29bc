#include "gui/controls/Kest2dGUIImage.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <system_error>

#include "frame/Kest2dBaseFrame.h"
#include "update/Kest2dDownloadSupport.h"
#include "frame/Kest2dLogger.h"
#include "platform/KesClock.h"
#include "platform/KesImage.h"
#include "platform/KesNetState.h"

namespace kest2d {

namespace {

const char kDownloadFolder[] = "download\\";

std::string LowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

CKesGUIImage::CKesGUIImage() = default;

CKesGUIImage::CKesGUIImage(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                           CKesRect<int> rect)
    : CKesBaseGUIElement(KESGUT_IMAGE, frame, parent, id, rect) {
    mSrcRight = rect.getWidth();
    mSrcBottom = rect.getHeight();
    mCaption = std::move(name);
}

CKesGUIImage::~CKesGUIImage() {
    mCancel = true;
    if (mThread.joinable()) mThread.join();
    if (mPendingReady.exchange(false)) FreeFrames(mDriver, mPending.frames);
    ClearAllTextures();
}

bool CKesGUIImage::OnProcessEvent(const CKesEvent& event) {
    return mParent ? mParent->OnProcessEvent(event) : true;
}

void CKesGUIImage::OnProcessLostFocusEvent(const CKesEvent& event) {
    if (mParent) mParent->OnProcessLostFocusEvent(event);
}

void CKesGUIImage::SetSrcStartPos(int left, int top) {
    mSrcLeft = left;
    mSrcTop = top;
}

void CKesGUIImage::GetSrcStartPos(int* left, int* top) const {
    if (left) *left = mSrcLeft;
    if (top) *top = mSrcTop;
}

void CKesGUIImage::SetSrcHeightAndWidth(int right, int bottom) {
    mSrcRight = right;
    mSrcBottom = bottom;
}

void CKesGUIImage::GetSrcHeightAndWidth(int* right, int* bottom) const {
    if (right) *right = mSrcRight;
    if (bottom) *bottom = mSrcBottom;
}

// ---- Paths and the download worker ----

void CKesGUIImage::SetImagePath(std::string path) {
    if (path.empty() || !mDriver) return;
    TakeDownloadedImage();
    mLoaded = false;
    path = LowerCase(std::move(path));
    if (path.find("http://") == std::string::npos) {
        mImagePath = path;
        LoadImageFromFile(path);
        mLoaded = true;
        return;
    }
    const std::string name = download::AfterLastSlash(path);
    // The local copy must stay inside the download folder.
    if (!IsPlainDownloadName(name)) {
        CKesLogger::output("下载文件名不合法, 拒绝:" + path, ERRORR);
        return;
    }
    const std::string local = kDownloadFolder + name;
    if (mDriver->FileIsExist(local)) {
        mImagePath = path;
        LoadImageFromFile(local);
        mLoaded = true;
        return;
    }
    if (!platform::InternetGetConnectedState(nullptr, 0) || mDriver->RefusesDownload(path)) return;
    if (mDownloading) {
        CKesLogger::output("正在下载图片:" + path + ",请稍后。", WARN);
        return;
    }
    CloseImageDownloadThread();
    mImagePath = path;
    mCancel = false;
    mDownloading = true;
    try {
        mThread = std::thread(&CKesGUIImage::ThreadImageDownload, this, mDriver, mId, path, local);
    } catch (const std::system_error&) {
        mDownloading = false;
        CKesLogger::output("游戏更新线程建立失败!", ERRORR);
    }
    mLoaded = true;
}

void CKesGUIImage::ThreadImageDownload(CKesBaseFrame* frame, int id, std::string address, std::string local) {
    SetThreadDownloadCancel(&mCancel);
    const bool fetched = frame && frame->DownloadSingleFile(address, kDownloadFolder);
    SetThreadDownloadCancel(nullptr);
    if (fetched && !mCancel) {
        CKesGIFDecoder decoder;
        Loaded loaded;
        mMutex.Lock();
        BuildImage(frame, id, local, decoder, loaded);
        mPending = std::move(loaded);
        mPendingReady = true;
        mMutex.Unlock();
    }
    mDownloading = false;
}

void CKesGUIImage::CloseImageDownloadThread() {
    if (!mThread.joinable()) return;
    // The worker reads no messages: the flag ends its transfer instead.
    mCancel = true;
    mThread.join();
    mCancel = false;
    mDownloading = false;
    TakeDownloadedImage();
}

void CKesGUIImage::TakeDownloadedImage() {
    if (!mPendingReady.load()) return;
    Loaded loaded = std::move(mPending);
    mPending = Loaded();
    mPendingReady = false;
    ApplyImage(loaded);
}

// ---- Loading ----

bool CKesGUIImage::LoadImageFromFile(std::string path) {
    if (path.empty()) return false;
    Loaded loaded;
    BuildImage(mDriver, mId, path, mDecoder, loaded);
    return ApplyImage(loaded);
}

void CKesGUIImage::BuildImage(CKesBaseFrame* frame, int id, const std::string& path, CKesGIFDecoder& decoder,
                              Loaded& out) {
    if (path.empty() || !frame) return;
    if (path.find(".gif", 1) == std::string::npos) {
        out.kind = IMAGE_STILL;
        out.still = path;
        return;
    }
    out.kind = IMAGE_GIF;
    if (decoder.IsOpen()) decoder.Close();
    if (!decoder.Open(path, true)) {
        CKesLogger::output("GIF文件:" + path + "读取失败!", ERRORR);
        return;
    }
    out.screen = true;
    out.screenWidth = decoder.GetHeader().screenWidth;
    out.screenHeight = decoder.GetHeader().screenHeight;
    const KesGifFrame* first = decoder.GetFrame(0);
    const unsigned char* fallback = decoder.GetGlobalPalette();
    if (!fallback && first && first->localColorTable && !first->localColors.empty())
        fallback = first->localColors.data();
    if (!fallback) {
        decoder.Close();
        return;
    }
    out.replaceFrames = true;
    const int count = decoder.GetFrameCount();
    for (int i = 0; i < count; ++i) {
        const KesGifFrame* gif = decoder.NextFrame();
        if (!gif) break;
        // A frame with a table of its own is coloured by it.
        const unsigned char* palette =
            gif->localColorTable && !gif->localColors.empty() ? gif->localColors.data() : fallback;
        char name[32];
        std::snprintf(name, sizeof(name), "KesImgTex%d", id + i);
        // Sizes the texture table would refuse are skipped here, without its log line.
        if (gif->width == 0 || gif->height == 0 || gif->width > platform::kMaxImageSide ||
            gif->height > platform::kMaxImageSide)
            continue;
        const unsigned long tex = frame->CreateTexture(name, gif->width, gif->height);
        if (!tex) continue;
        const int pitch = frame->GetTextureWidth(tex, false);
        if (DWORD* pixels = frame->LockTexture(tex, false, 0, 0, 0, 0)) {
            const bool transparent = gif->transparency != 0;
            for (int y = 0; y < gif->height; ++y) {
                for (int x = 0; x < gif->width; ++x) {
                    const unsigned char index = gif->indices[static_cast<size_t>(y) * gif->width + x];
                    if (transparent && index == gif->transparentIndex) continue;
                    const unsigned char* rgb = palette + index * 3;
                    pixels[static_cast<size_t>(y) * pitch + x] =
                        0xFF000000u | static_cast<DWORD>(rgb[0]) << 16 | static_cast<DWORD>(rgb[1]) << 8 | rgb[2];
                }
            }
            frame->UnLockTexture(tex);
        }
        KesImageFrame record;
        record.delay = gif->delay;
        record.texture = tex;
        record.left = gif->left;
        record.top = gif->top;
        record.width = gif->width;
        record.height = gif->height;
        record.disposal = gif->disposal;
        out.frames.push_back(record);
    }
    if (!out.frames.empty()) {
        out.source = true;
        out.sourceRight = frame->GetTextureWidth(out.frames.front().texture);
        out.sourceBottom = frame->GetTextureHeight(out.frames.front().texture);
    }
    out.ok = true;
    decoder.Close();
}

bool CKesGUIImage::ApplyImage(Loaded& loaded) {
    mImageKind = loaded.kind;
    if (loaded.kind == IMAGE_GIF) {
        mCurrentFrame = 0;
        mSwitchTime = 0;
    }
    if (loaded.screen) {
        mScreenWidth = loaded.screenWidth;
        mScreenHeight = loaded.screenHeight;
    }
    if (loaded.replaceFrames) {
        ClearAllTextures();
        mFrames.swap(loaded.frames);
    }
    if (loaded.source) {
        mSrcRight = loaded.sourceRight;
        mSrcBottom = loaded.sourceBottom;
    }
    if (loaded.kind == IMAGE_STILL && !loaded.still.empty() && mDriver) {
        mBackground = mDriver->LoadTexture(loaded.still.c_str(), 0);
        mSrcRight = mDriver->GetTextureWidth(mBackground);
        mSrcBottom = mDriver->GetTextureHeight(mBackground);
        return mBackground != 0;
    }
    return loaded.ok;
}

void CKesGUIImage::FreeFrames(CKesBaseFrame* frame, std::vector<KesImageFrame>& frames) {
    if (frame)
        for (const KesImageFrame& f : frames) frame->FreeTexture(f.texture);
    frames.clear();
}

void CKesGUIImage::ClearAllTextures() { FreeFrames(mDriver, mFrames); }

// ---- Drawing ----

void CKesGUIImage::DrawStill() {
    if (!mBackground) return;
    const CKesRect<int> source(mSrcLeft, mSrcTop, mSrcRight, mSrcBottom);
    mDriver->Draw2DImage(mBackground, mAbsoluteRect, source, &mClippingRect, mColor);
}

void CKesGUIImage::DrawFrame(const KesImageFrame& frame, int x0, int y0) {
    const CKesRect<int> destination(x0 + frame.left, y0 + frame.top, x0 + frame.left + frame.width,
                                    y0 + frame.top + frame.height);
    const CKesRect<int> source(0, 0, frame.width, frame.height);
    mDriver->Draw2DImage(frame.texture, destination, source, &mClippingRect, mColor);
}

void CKesGUIImage::Draw() {
    TakeDownloadedImage();
    if (!mVisible || !mDriver) return;
    if (mImageKind == IMAGE_STILL) {
        DrawStill();
        return;
    }
    if (mImageKind != IMAGE_GIF || !mLoaded) return;
    if (mFrames.empty()) {
        DrawStill();
        return;
    }
    if (mCurrentFrame < 0 || mCurrentFrame >= static_cast<int>(mFrames.size())) mCurrentFrame = 0;
    const DWORD now = GetTickCount();
    if (mSwitchTime == 0) mSwitchTime = now;
    const int delay = mFrames[mCurrentFrame].delay > 0 ? mFrames[mCurrentFrame].delay * 10 : 100;
    if (static_cast<int32_t>(now - (mSwitchTime + static_cast<DWORD>(delay))) > 0) {
        mSwitchTime = 0;
        if (++mCurrentFrame >= static_cast<int>(mFrames.size())) mCurrentFrame = 0;
    }
    const CKesRect<int>& r = mAbsoluteRect;
    const int x0 = r.UpperLeftCorner.X + (r.LowerRightCorner.X - r.UpperLeftCorner.X) / 2 - mScreenWidth / 2;
    const int y0 = r.UpperLeftCorner.Y + (r.LowerRightCorner.Y - r.UpperLeftCorner.Y) / 2 - mScreenHeight / 2;
    switch (mFrames[mCurrentFrame].disposal) {
    case 2:
        DrawFrame(mFrames[mCurrentFrame], x0, y0);
        break;
    case 0:
    case 1:
        for (int i = 0; i <= mCurrentFrame; ++i) DrawFrame(mFrames[i], x0, y0);
        break;
    default:
        break;
    }
}

}  // namespace kest2d
