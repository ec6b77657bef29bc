#include "gui/controls/Kest2dGUIGameAnimator.h"

#include <cstdint>

#include "frame/Kest2dBaseFrame.h"
#include "platform/KesClock.h"

namespace kest2d {

CKesGUIGameAnimator::CKesGUIGameAnimator() = default;

CKesGUIGameAnimator::CKesGUIGameAnimator(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id,
                                         std::string name, CKesRect<int> rect)
    : CKesBaseGUIElement(KESGUI_GAMEANIMATOR, frame, parent, id, rect) {
    mCaption = std::move(name);
}

// The textures stay with the frame: it may be tearing itself down around
// this control.
CKesGUIGameAnimator::~CKesGUIGameAnimator() = default;

void CKesGUIGameAnimator::Clear() {
    mReader.Close();
    mReader.ClearEntries();
    // The frames of the previous archive are nobody else's (memory textures
    // carry no name), so they go with it.
    if (mDriver)
        for (const AnimFrame& frame : mFrames) mDriver->FreeTexture(frame.texture);
    mFrames.clear();
    mFrameCount = 0;
    mSpeed = 0;
    mCurrentFrame = 0;
    mSwitchTime = 0;
    mPlaying = true;
}

void CKesGUIGameAnimator::Stop() {
    mPlaying = false;
    mCurrentFrame = 0;
    mSwitchTime = 0;
}

void CKesGUIGameAnimator::Restart() {
    mCurrentFrame = 0;
    mSwitchTime = 0;
    mPlaying = true;
}

bool CKesGUIGameAnimator::LoadAnimator(std::string path) {
    if (path.empty() || !mDriver) return false;
    Clear();
    if (!mReader.Open(path)) {
        mReader.Close();
        mReader.ClearEntries();
        return false;
    }
    mPath = std::move(path);
    mFrameWidth = mReader.GetFrameWidth();
    mFrameHeight = mReader.GetFrameHeight();
    mSpeed = mReader.GetSpeed();
    mFrameCount = mReader.GetEntryCount();
    for (int i = 0; i < mFrameCount; ++i) {
        SprFileEntry* entry = mReader.GetEntry(i);
        unsigned long size = 0;
        unsigned char* data = mReader.GetFrameData(i, &size);
        if (entry && data && size != 0) {
            const unsigned long texture = mDriver->LoadTexture(reinterpret_cast<const char*>(data), size);
            mFrames.push_back(AnimFrame{entry->shown, texture});
        }
        delete[] data;
    }
    mReader.Close();
    return true;
}

void CKesGUIGameAnimator::Draw() {
    if (!mVisible || !mDriver || mFrames.empty()) return;
    const int frames = static_cast<int>(mFrames.size());
    if (mCurrentFrame < 0 || mCurrentFrame >= frames) mCurrentFrame = 0;
    if (mPlaying) {
        const DWORD now = GetTickCount();
        if (mSwitchTime == 0) mSwitchTime = now;
        // Each frame stays for more than speed x 8 ms (measured across the
        // wrap of the tick count).
        const int64_t elapsed = static_cast<DWORD>(now - mSwitchTime);
        if (elapsed > static_cast<int64_t>(mSpeed) * 8) {
            mSwitchTime = 0;
            mCurrentFrame = mCurrentFrame + 1 >= frames ? 0 : mCurrentFrame + 1;
        }
    }
    const AnimFrame& frame = mFrames[mCurrentFrame];
    if (!frame.show || !frame.texture) return;
    const CKesRect<int> source(0, 0, mFrameWidth, mFrameHeight);
    mDriver->Draw2DImage(frame.texture, mAbsoluteRect, source, &mClippingRect, CKesColor(0xFFFFFFFFu));
}

}  // namespace kest2d
