// The ticker: one line of text moving a pixel at a time across the control,
// re-entering from the other side once it has left.
#pragma once

#include <string>

#include "frame/types/Kest2dColor.h"
#include "gui/Kest2dGUIElement.h"
#include "render/Kest2dFontTypes.h"

namespace kest2d {

enum InfoScrType : int {
    SCRTYPE_LEFT_TO_RIGHT = 0,
    SCRTYPE_RIGHT_TO_LEFT = 1,
};

class CKesGUIInfoScroller : public CKesBaseGUIElement {
public:
    CKesGUIInfoScroller();
    // Records the rectangle's left edge, top edge and width as the travel range.
    CKesGUIInfoScroller(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                        CKesRect<int> rect);
    ~CKesGUIInfoScroller() override;

    // A ticker takes no input.
    bool OnProcessEvent(const CKesEvent& /*event*/) override { return true; }
    // Moves the text one pixel about every 40 ms, then draws it.
    void Draw() override;

    void SetText(std::string text) { mText = std::move(text); }
    std::string GetText() const { return mText; }
    // The font belongs to the frame's font registry (or to the script that
    // made it); the control holds it, so clearing the fonts keeps it.
    void SetFont(CKesGUIBaseFont* font);
    CKesGUIBaseFont* GetFont() const { return mFont.get(); }
    void SetSize(int size) { mSize = size; }
    int GetSize() const { return mSize; }
    void SetColor(CKesColor colour) { mColor = colour; }
    CKesColor GetColor() const { return mColor; }
    void SetInfoScrType(InfoScrType type) { mScrType = type; }
    InfoScrType GetInfoScrType() const { return mScrType; }

    // The text's current left edge.
    int GetTextX() const { return mX; }

private:
    CKesFontRef mFont;
    int mSize = 0;
    std::string mText;
    CKesColor mColor;
    InfoScrType mScrType = SCRTYPE_LEFT_TO_RIGHT;
    int mX = 0;
    int mTravelWidth = 0;
    int mTravelStart = 0;
    int mTop = 0;
    unsigned mStepStart = 0;  // 0: no step begun
};

}  // namespace kest2d
