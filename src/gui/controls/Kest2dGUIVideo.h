// The video box: plays a video file inside its rectangle and tells its parent
// when the video has ended.
#pragma once

#include <string>

#include "gui/Kest2dGUIElement.h"

namespace kest2d {

class TheoraVideoClip;

class CKesGUIVideo : public CKesBaseGUIElement {
public:
    CKesGUIVideo();
    CKesGUIVideo(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name, CKesRect<int> rect);
    // Stops a clip that still plays.
    ~CKesGUIVideo() override;

    // A video box takes no input.
    bool OnProcessEvent(const CKesEvent& /*event*/) override { return true; }
    void Draw() override;
    // Reports the end of the clip to the parent as a video event.
    bool OnProcessPostUpdate() override;

    // Stores a non-empty path (with a frame) and, when `play` is set, plays it.
    void LoadVideo(std::string path, bool play);
    std::string GetVideoPath() const { return mVideoPath; }
    // Starts the stored video unless a clip is running (a paused one resumes).
    void Play();
    // Drops any clip and starts the stored video from its beginning.
    void Restart();
    void Pause();
    // Drops the clip and its texture.
    void Stop();

    // The texture the clip is drawn into (0 = none) and the clip itself.
    unsigned long GetVideoTexture() const { return mVideoTex; }
    TheoraVideoClip* GetVideoClip() const { return mClip; }

private:
    // Creates the clip of the stored path and its texture.
    void StartClip();

    unsigned long mVideoTex = 0;
    std::string mVideoPath;
    TheoraVideoClip* mClip = nullptr;
};

}  // namespace kest2d
