// The emoticon picker: a paged grid of the ".spr" animations of a folder for
// a chat input. Two buttons turn the pages, the emoticon under the pointer
// is framed in white and a press on one reports it to the parent, which
// reads its file with GetSelectedPath; the picker then hides itself.
#pragma once

#include <string>
#include <vector>

#include "gui/Kest2dGUIElement.h"

namespace kest2d {

class CKesGUIButton;
class CKesGUIGameAnimator;

class CKesGUIBiqoQing : public CKesBaseGUIElement {
public:
    CKesGUIBiqoQing();
    CKesGUIBiqoQing(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name, CKesRect<int> rect);
    ~CKesGUIBiqoQing() override;

    bool OnProcessEvent(const CKesEvent& event) override;
    void Draw() override;
    void OnProcessLostFocusEvent(const CKesEvent& event) override;

    // Columns x rows of a page; both must be 1 or more.
    void SetPageSize(CKesDimension2d<int> size);
    CKesDimension2d<int> GetPageSize() const { return mPageSize; }
    int GetCellWidth() const { return mCellWidth; }
    int GetCellHeight() const { return mCellHeight; }
    void SetLeftButton(std::string path);
    std::string GetLeftButton() const { return mLeftImage; }
    void SetRightButton(std::string path);
    std::string GetRightButton() const { return mRightImage; }
    // Appends an animator for every ".spr" file of the folder (relative to
    // the current directory).
    void LoadAnimators(std::string folder);
    void Reset();
    void ClearAllAnimator();
    // The chosen file relative to the current directory; empty for none.
    std::string GetSelectedPath();

    int GetCurrentPage() const { return mCurrentPage; }
    int GetPageCount() const { return mPageCount; }
    int GetHovered() const { return mHovered; }
    std::string GetFolder() const { return mFolder; }
    const std::vector<CKesGUIGameAnimator*>& GetAnimators();
    // The page buttons, null until their images load (or once gone).
    CKesGUIButton* GetLeftButtonControl() const;
    CKesGUIButton* GetRightButtonControl() const;

private:
    // Updates the hovered emoticon from the pointer.
    void GetSelectBiaoQingByMouse(const CKesPosition2d<int>& pt);
    // The current page's animators: [first, end).
    void VisibleRange(int* first, int* end) const;
    // Emoticons on one page: columns x rows, computed wide.
    long long PerPage() const;
    void UpdatePageCount();
    void HideAll();
    // Drops animators that were destroyed behind the picker's back.
    void Prune();
    // A disabled page button at (W - (widths x bw + gap), H - bw - 2), bw a
    // quarter of the image width; null when the image does not load.
    CKesGUIButton* MakeButton(const std::string& path, const char* name, int widths, int gap);

    CKesDimension2d<int> mPageSize = CKesDimension2d<int>(0, 0);
    int mCellWidth = 0;
    int mCellHeight = 0;
    std::string mFolder;
    int mCurrentPage = 0;
    int mHovered = -1;
    int mPageCount = 0;
    std::vector<CKesGUIGameAnimator*> mAnimators;
    std::vector<CKesGUIElementRef> mAnimatorRefs;
    CKesGUIButton* mLeftButton = nullptr;
    CKesGUIElementRef mLeftRef;
    std::string mLeftImage;
    CKesGUIButton* mRightButton = nullptr;
    CKesGUIElementRef mRightRef;
    std::string mRightImage;
};

}  // namespace kest2d
