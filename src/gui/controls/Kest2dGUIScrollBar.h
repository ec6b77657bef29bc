// The vertical scroll bar: an up and a down button, a draggable thumb between
// them and a filled background. Its value runs from 0 to a maximum and every
// change is reported to the parent.
#pragma once

#include <string>

#include "frame/types/Kest2dColor.h"
#include "gui/Kest2dGUIElement.h"
#include "gui/controls/Kest2dGUIControl.h"

namespace kest2d {

class CKesGUIButton;

class CKesGUIScrollBar : public CKesBaseGUIElement {
public:
    CKesGUIScrollBar();
    CKesGUIScrollBar(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                     CKesRect<int> rect);
    ~CKesGUIScrollBar() override;

    bool OnProcessEvent(const CKesEvent& event) override;
    void Move(const CKesPosition2d<int>& pos) override;
    void Draw() override;
    void OnProcessLostFocusEvent(const CKesEvent& event) override;

    // A maximum above 0 enables the scroll bar, any other disables it. The
    // value is kept within the new range.
    void SetMaxValue(int maxValue);
    int GetMaxValue() const { return mMaxValue; }
    // Stores the value held within 0 ... maximum.
    void SetCurValue(int value);
    int GetCurValue() const { return mCurValue; }
    void SetPageCount(int count) { mPageCount = count; }
    int GetPageCount() const { return mPageCount; }
    void SetBackgroundColor(CKesColor colour) { mBackgroundColor = colour; }
    CKesColor GetBackgroundColor() const { return mBackgroundColor; }
    void SetMoveScrollBar(bool dragging) { mDragging = dragging; }
    bool IsMoveScrollBar() const { return mDragging; }
    CKesGUIButton* GetUpButton() const { return mUpButton; }
    CKesGUIButton* GetDownButton() const { return mDownButton; }

    // Each loadable image makes a new button (the layout and scripts call
    // these once); the up button's height is kept free at both ends.
    void SetUpBtnImg(std::string path);
    std::string GetUpBtnImg() const { return mUpImage; }
    void SetDownButtonImg(std::string path);
    std::string GetDownButtonImg() const { return mDownImage; }
    void SetScrollBarImg(std::string path);
    std::string GetScrollBarImg() const { return mThumbImage; }

    const KESThumb& GetThumb() const { return mThumb; }

private:
    // The track length: the height left for the thumb to travel.
    int TrackLength() const;
    // The thumb's place at the top of the track; lowest and highest top of the thumb.
    CKesPosition2d<int> ThumbOrigin() const;
    int ThumbTopMin() const;
    int ThumbTopMax() const;
    void PlaceThumbTop(int top);
    // Auto-repeat while an arrow button is held; false when a handler
    // destroyed the scroll bar.
    bool MoveScrollBar();
    bool RaiseChanged(CKesBaseGUIElement* element);

    std::string mUpImage;
    std::string mDownImage;
    std::string mThumbImage;
    int mButtonHeight = 0;
    int mMaxValue = 0;
    int mCurValue = 0;
    int mPageCount = 0;
    CKesColor mBackgroundColor = CKesColor(255, 0, 0, 255);
    unsigned mRepeatStart = 0;
    bool mDragging = false;
    bool mRepeating = false;
    int mRepeatDirection = 0;  // 0 none, 1 up, 2 down
    CKesGUIButton* mUpButton = nullptr;
    CKesGUIButton* mDownButton = nullptr;
    KESThumb mThumb;
};

}  // namespace kest2d
