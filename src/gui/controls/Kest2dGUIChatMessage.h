// The chat phrase list: one-line phrases 13 pixels apart over a background
// image or colour. The line under the pointer is highlighted; a left press
// reports the choice to the parent, then the list hides itself and returns
// to its first line.
#pragma once

#include <string>
#include <vector>

#include "frame/types/Kest2dColor.h"
#include "gui/Kest2dGUIElement.h"

namespace kest2d {

class CKesGUIScrollBar;

class CKesGUIChatMessage : public CKesBaseGUIElement {
public:
    struct MessageRow {
        CKesColor color;
        std::string text;
    };

    static const int kLineHeight = 13;

    CKesGUIChatMessage();
    CKesGUIChatMessage(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                       CKesRect<int> rect);
    ~CKesGUIChatMessage() override;

    bool OnProcessEvent(const CKesEvent& event) override;
    void Draw() override;
    void OnProcessLostFocusEvent(const CKesEvent& event) override;

    // Appends one phrase (an empty one is not added); the view stays.
    void AddString(std::string text);
    // Back to the first line, nothing hovered.
    void Reset();
    // Makes the child scroll bar along the right edge, GetScrollBarWidth
    // wide: set the width first and call this once.
    void CreateScrollBar();
    std::string GetStringByIndex(int index) const;
    // The hovered phrase (empty when there is none).
    std::string GetSelectString() const;
    int GetDisplayLineCount() const;

    void SetTextColor(CKesColor colour) { mTextColor = colour; }
    CKesColor GetTextColor() const { return mTextColor; }
    void SetSelectTextColor(CKesColor colour) { mSelectColor = colour; }
    CKesColor GetSelectTextColor() const { return mSelectColor; }
    void SetScrollBarWidth(int width) { mScrollBarWidth = width; }
    int GetScrollBarWidth() const { return mScrollBarWidth; }
    // The child scroll bar, null when there is none or a script deleted it.
    CKesGUIScrollBar* GetScrollBar() const { return mScrollBarRef ? mScrollBar : nullptr; }

    int GetRowCount() const { return static_cast<int>(mRows.size()); }
    int GetTopLine() const { return mTopLine; }
    int GetHoveredLine() const { return mHovered; }

private:
    int LastTopLine() const;

    CKesColor mTextColor = CKesColor(255, 0, 0, 0);
    CKesColor mSelectColor = CKesColor(255, 255, 255, 255);
    std::vector<MessageRow> mRows;
    int mTopLine = 0;
    int mScrollBarWidth = 0;
    int mHovered = -1;
    CKesGUIScrollBar* mScrollBar = nullptr;
    CKesGUIElementRef mScrollBarRef;
};

}  // namespace kest2d
