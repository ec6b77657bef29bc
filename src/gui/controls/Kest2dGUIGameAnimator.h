// The frame animator: plays the frames of a ".spr" sprite archive in turn,
// stretched over the control, at the archive's pace.
#pragma once

#include <string>
#include <vector>

#include "resource/Kest2dSprPackager.h"
#include "gui/Kest2dGUIElement.h"
#include "platform/KesWinTypes.h"

namespace kest2d {

class CKesGUIGameAnimator : public CKesBaseGUIElement {
public:
    CKesGUIGameAnimator();
    CKesGUIGameAnimator(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                        CKesRect<int> rect);
    ~CKesGUIGameAnimator() override;

    // An animator takes no input.
    bool OnProcessEvent(const CKesEvent& /*event*/) override { return true; }
    // Advances the animation while playing, then draws the current frame.
    void Draw() override;

    // Loads every frame of the archive as a texture; false when the path is
    // empty, there is no frame or the archive does not open.
    bool LoadAnimator(std::string path);
    // Drops the frames (and their textures); the control is left playing.
    void Clear();
    void Play() { mPlaying = true; }
    void Pause() { mPlaying = false; }
    // Halts and rewinds to the first frame.
    void Stop();
    // Rewinds to the first frame and plays.
    void Restart();

    bool isPlaying() const { return mPlaying; }
    int GetCurrentFrame() const { return mCurrentFrame; }
    int GetFrameCount() const { return mFrameCount; }
    int GetSpeed() const { return mSpeed; }
    CKesDimension2d<int> GetAnimSize() const { return CKesDimension2d<int>(mFrameWidth, mFrameHeight); }
    std::string GetAnimatorPath() const { return mPath; }
    // Frames that loaded (entries without a record or data leave none).
    int GetLoadedFrameCount() const { return static_cast<int>(mFrames.size()); }
    // The texture of loaded frame `index`, 0 for none.
    unsigned long GetFrameTexture(int index) const {
        return index >= 0 && index < GetLoadedFrameCount() ? mFrames[index].texture : 0;
    }

private:
    struct AnimFrame {
        unsigned char show;
        unsigned long texture;
    };

    CKesSprPackager mReader;
    std::string mPath;
    int mFrameWidth = 0;
    int mFrameHeight = 0;
    int mFrameCount = 0;
    int mSpeed = 0;
    int mCurrentFrame = 0;
    DWORD mSwitchTime = 0;  // 0: not started
    bool mPlaying = false;
    std::vector<AnimFrame> mFrames;
};

}  // namespace kest2d
