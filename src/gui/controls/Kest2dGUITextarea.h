// The text area: a growing list of coloured lines, 13 pixels apart. Added
// text is wrapped by width (a double-byte character is never split), the
// view follows the newest line and scrolls with the wheel or an optional
// child scroll bar.
#pragma once

#include <string>
#include <vector>

#include "frame/types/Kest2dColor.h"
#include "gui/Kest2dGUIElement.h"

namespace kest2d {

class CKesGUIScrollBar;

class CKesGUITextarea : public CKesBaseGUIElement {
public:
    // One display line.
    struct RowStruct {
        RowStruct() = default;
        RowStruct(CKesColor c, std::string t) : color(c), text(std::move(t)) {}
        CKesColor color = CKesColor(0xFF000000u);
        std::string text;
    };

    // The distance between two lines.
    static const int kLineHeight = 13;

    CKesGUITextarea();
    CKesGUITextarea(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name, CKesRect<int> rect);
    ~CKesGUITextarea() override;

    bool OnProcessEvent(const CKesEvent& event) override;
    void Draw() override;

    // Wraps the text into as many rows as it needs and shows the newest one
    // at the bottom. An empty text adds nothing.
    void AddString(std::string text, CKesColor color = CKesColor(0xFF000000u));
    void Clear();
    // Lines that fit, a partly visible last one included.
    int GetDisplayLineCount() const;

    // True makes a new child scroll bar along the right edge, as wide as
    // GetScrollBarWidth: set the width first and call this once.
    void SetUseScrollBar(bool use);
    bool IsUseScrollBar() const { return mUseScrollBar; }
    void SetScrollBarWidth(int width) { mScrollBarWidth = width; }
    int GetScrollBarWidth() const { return mScrollBarWidth; }
    // The child scroll bar, null when there is none or a script deleted it.
    CKesGUIScrollBar* GetScrollBar() const { return mScrollBarRef ? mScrollBar : nullptr; }

    const std::vector<RowStruct>& GetRows() const { return mRows; }
    int GetTopLine() const { return mTopLine; }

private:
    // The double-byte rules on a given text.
    int GetCharCount(const std::string& text) const;
    int GetRealPosWith(const std::string& text, int index) const;
    std::string GetSubString(const std::string& text, int start, int count) const;
    static bool IsChinese(char c);

    bool HasScrollBar() const { return mUseScrollBar && GetScrollBar(); }
    int LastTopLine() const;

    std::vector<RowStruct> mRows;
    int mTopLine = 0;
    int mScrollBarWidth = 0;
    bool mUseScrollBar = false;
    CKesGUIScrollBar* mScrollBar = nullptr;
    CKesGUIElementRef mScrollBarRef;
};

}  // namespace kest2d
