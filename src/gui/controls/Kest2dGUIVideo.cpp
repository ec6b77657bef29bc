#include "gui/controls/Kest2dGUIVideo.h"

#include <algorithm>
#include <cstdio>

#include "frame/Kest2dBaseFrame.h"
#include "frame/Kest2dLogger.h"
#include "platform/KesVideo.h"

namespace kest2d {

CKesGUIVideo::CKesGUIVideo() = default;

CKesGUIVideo::CKesGUIVideo(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                           CKesRect<int> rect)
    : CKesBaseGUIElement(KESGUI_VIDEOBOX, frame, parent, id, rect) {
    mCaption = std::move(name);
}

CKesGUIVideo::~CKesGUIVideo() {
    // The clip goes back to the manager. The texture stays with the frame: the
    // frame may be tearing itself down around this control.
    if (mClip && gVideoManager) gVideoManager->destroyVideoClip(mClip);
    mClip = nullptr;
}

void CKesGUIVideo::LoadVideo(std::string path, bool play) {
    if (path.empty() || !mDriver) return;
    mVideoPath = std::move(path);
    if (play) Play();
}

void CKesGUIVideo::Play() {
    if (mVideoPath.empty() || !mDriver || !gVideoManager) return;
    if (mClip) {
        if (!mClip->isDone()) {
            // Still running: it keeps playing (and drawing); a paused one goes on.
            if (mClip->isPaused()) mClip->play();
            return;
        }
        Stop();
    }
    StartClip();
}

void CKesGUIVideo::Restart() {
    if (mVideoPath.empty() || !mDriver || !gVideoManager) return;
    Stop();
    StartClip();
}

void CKesGUIVideo::StartClip() {
    mVideoTex = 0;
    mClip = gVideoManager->createVideoClip(mVideoPath, 1, 0, false);
    if (!mClip) {
        if (CKesLogger::admits(ERRORR)) CKesLogger::output("视频;" + mVideoPath + "导入失败!", ERRORR);
        return;
    }
    char name[32];
    std::snprintf(name, sizeof(name), "VideoTex%d", mId);
    mVideoTex = mDriver->CreateTexture(name, mClip->mWidth, mClip->mHeight);
}

void CKesGUIVideo::Pause() {
    if (mClip) mClip->pause();
}

void CKesGUIVideo::Stop() {
    if (!mClip) return;
    mClip->stop();
    // Every start makes a texture of its own: the old one goes.
    if (mVideoTex && mDriver) mDriver->FreeTexture(mVideoTex);
    mVideoTex = 0;
    if (gVideoManager) gVideoManager->destroyVideoClip(mClip);
    mClip = nullptr;
}

void CKesGUIVideo::Draw() {
    if (!mVisible || !mDriver || !mClip || !mVideoTex) return;
    const int width = mDriver->GetTextureWidth(mVideoTex);
    const int height = mDriver->GetTextureHeight(mVideoTex);
    DWORD* pixels = mDriver->LockTexture(mVideoTex, false, 0, 0, width, height);
    TheoraVideoFrame* frame = mClip->getNextFrame();
    if (pixels && frame && frame->getBuffer()) {
        // RGB bytes to opaque 32-bit pixels; a frame of another size than the
        // texture fills only what both hold.
        const size_t count = std::min(static_cast<size_t>(width) * static_cast<size_t>(height),
                                      frame->mBuffer.size() / 3);
        const unsigned char* rgb = frame->getBuffer();
        for (size_t i = 0; i < count; ++i, rgb += 3)
            pixels[i] = 0xFF000000u | (static_cast<DWORD>(rgb[0]) << 16) | (static_cast<DWORD>(rgb[1]) << 8) | rgb[2];
    }
    if (pixels) mDriver->UnLockTexture(mVideoTex);
    const CKesRect<int> source(0, 0, mClip->mWidth, mClip->mHeight);
    mDriver->Draw2DImage(mVideoTex, mAbsoluteRect.UpperLeftCorner, source, &mClippingRect, CKesColor(0xFFFFFFFFu));
}

bool CKesGUIVideo::OnProcessPostUpdate() {
    if (!mClip) return false;
    if (!mClip->isDone()) return true;
    Stop();
    if (!mParent) return false;
    CKesEvent event{};
    event.mEventType = KESET_GAME_VIDEO_EVENT;
    event.mControlId = mId;
    return mParent->OnProcessEvent(event);
}

}  // namespace kest2d
