// The single-line edit box for double-byte text: typed and input-method text,
// Backspace, Delete, Left and Right, horizontal scrolling, a blinking caret,
// a tip text while empty, and the Return key reported to the parent.
#pragma once

#include <string>

#include "frame/types/Kest2dColor.h"
#include "gui/Kest2dGUIElement.h"

namespace kest2d {

class CKesGUIEditorBox : public CKesBaseGUIElement {
public:
    CKesGUIEditorBox();
    CKesGUIEditorBox(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name, CKesRect<int> rect);
    ~CKesGUIEditorBox() override;

    bool OnProcessEvent(const CKesEvent& event) override;
    void Draw() override;

    // Replaces the text; the view scrolls so that the caret, after the last
    // character, is in sight.
    void SetText(std::string text);
    std::string GetText() const { return mText; }
    // The box's own tip text, shown while it is empty and unfocused.
    void SetTipText(std::string text) { mBoxTipText = std::move(text); }
    std::string GetTipText() const { return mBoxTipText; }
    void SetColor(CKesColor colour) { mColor = colour; }
    CKesColor GetColor() const { return mColor; }
    // The most characters the box takes (a double-byte character counts once).
    void SetMaxCount(int count) { MaxCount = count; }
    int GetMaxCount() const { return MaxCount; }

    // The view: the first visible character (and its byte offset) and the
    // caret, counted in characters from the first visible one.
    int GetViewStart() const { return mViewStart; }
    int GetViewStartByte() const { return mViewStartByte; }
    int GetCaret() const { return mCaret; }
    CKesPosition2d<int> GetCaretPos() const { return CKesPosition2d<int>(mCaretX, mCaretY); }

protected:
    bool processMouse(const CKesEvent& event);
    bool processKey(const CKesEvent& event);
    bool processIme(const CKesEvent& event);
    void inputString(std::string text);
    void calculateScrollPos();
    void calculateCursorPos();
    // Characters that fit in one box width, at least the width / 12.
    int GetChrCountPage();
    void DisplayInputSymbol(int x, int y);

    // The double-byte rules on this box's text.
    static bool IsChinese(char c);
    int GetCharCount() const;
    static int GetCharCountFromString(const std::string& text);
    int GetRealPosWith(int index) const;
    int GetIndexWidth(int bytes) const;
    std::string GetSubString(int start, int count) const;

private:
    // The width of `count` characters from character `start`.
    int Width(int start, int count);
    int BoxWidth() const { return mAbsoluteRect.getWidth(); }

    std::string mText;
    std::string mBoxTipText;
    CKesColor mColor = CKesColor(0xFF000000u);
    int mViewStartByte = 0;
    int mViewStart = 0;
    int mCaret = 0;
    int MaxCount = 0;
    std::string mLastImeText;
    int mLastImeKind = 2;
    unsigned mBlinkStart = 0;
    unsigned mBlinkInterval = 500;
    int mCaretX = 0;
    int mCaretY = 0;
};

}  // namespace kest2d
