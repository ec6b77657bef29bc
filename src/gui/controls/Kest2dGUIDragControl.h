// The horizontal slider: a track of three images (left cap, tiled middle,
// right cap) and a draggable thumb; the value runs from 0 to 100.
#pragma once

#include <string>

#include "gui/Kest2dGUIElement.h"
#include "gui/controls/Kest2dGUIControl.h"

namespace kest2d {

class CKesGUIDragControl : public CKesBaseGUIElement {
public:
    CKesGUIDragControl();
    CKesGUIDragControl(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                       CKesRect<int> rect);
    ~CKesGUIDragControl() override;

    bool OnProcessEvent(const CKesEvent& event) override;
    void Move(const CKesPosition2d<int>& pos) override;
    void Draw() override;
    void OnProcessLostFocusEvent(const CKesEvent& event) override;

    // The left cap, the middle tile and the right cap.
    void SetBgImageOne(std::string path);
    std::string GetBgImageOne() const { return mImageOne; }
    void SetBgImageTwo(std::string path);
    std::string GetBgImageTwo() const { return mImageTwo; }
    void SetBgImageThree(std::string path);
    std::string GetBgImageThree() const { return mImageThree; }
    // The thumb's picture strip; the background texture gives its size.
    void SetDragScrollBar(unsigned long texture);
    // Stores the value within 0 ... 100 and places the thumb; does nothing
    // until the three track images and the background texture are all set.
    void SetCurrentProcess(int value);
    int GetCurrentProcess() const { return mValue; }

    const KESThumb& GetThumb() const { return mThumb; }

private:
    bool HasImages() const { return mTextureOne && mTextureTwo && mTextureThree && mBackground; }
    // The value under the pointer's x.
    int ValueAt(int x);

    std::string mImageOne;
    std::string mImageTwo;
    std::string mImageThree;
    unsigned long mTextureOne = 0;
    unsigned long mTextureTwo = 0;
    unsigned long mTextureThree = 0;
    KESThumb mThumb;
    int mValue = 0;
    bool mDragging = false;
};

}  // namespace kest2d
