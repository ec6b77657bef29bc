// The text label: one line of text in a font and colour, which can act as a
// hyperlink that the desktop opens when it is pressed.
#pragma once

#include <string>

#include "frame/types/Kest2dColor.h"
#include "gui/Kest2dGUIElement.h"
#include "render/Kest2dFontTypes.h"

namespace kest2d {

class CKesGUIStatic : public CKesBaseGUIElement {
public:
    CKesGUIStatic();
    CKesGUIStatic(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name, CKesRect<int> rect);
    ~CKesGUIStatic() override;

    bool OnProcessEvent(const CKesEvent& event) override;
    void Draw() override;
    void OnProcessLostFocusEvent(const CKesEvent& event) override;

    void SetText(std::string text) { mText = std::move(text); }
    std::string GetText() const { return mText; }
    // The font belongs to the frame's font registry (or to the script that
    // made it); the control holds it, so clearing the fonts keeps it.
    void SetFont(CKesGUIBaseFont* font);
    CKesGUIBaseFont* GetFont() const { return mFont.get(); }
    void SetSize(int size) { mFontSize = size; }
    int GetSize() const { return mFontSize; }
    // A SnapStyle: left and right both start at the left edge, centre
    // centres, anything else draws nothing.
    void SetSnapStyle(int style) { mSnapStyle = style; }
    int GetSnapStyle() const { return mSnapStyle; }
    void SetColor(CKesColor colour) { mColor = colour; }
    CKesColor GetColor() const { return mColor; }
    // The colour while a hyperlink is hovered or pressed.
    void SetHLSelColor(CKesColor colour) { mHoverColor = colour; }
    CKesColor GetHLSelColor() const { return mHoverColor; }
    void SetIsHyperlink(bool hyperlink) { mIsHyperlink = hyperlink; }
    bool IsHyperlink() const { return mIsHyperlink; }
    void SetHLAddress(std::string address) { mAddress = std::move(address); }
    std::string GetHLAddress() const { return mAddress; }
    bool IsHovered() const { return mHovered; }

private:
    CKesFontRef mFont;
    int mFontSize = 0;
    std::string mText;
    int mSnapStyle;
    CKesColor mColor = CKesColor(0xFF000000u);
    CKesColor mHoverColor = CKesColor(0xFF000000u);
    bool mIsHyperlink = false;
    bool mHovered = false;
    std::string mAddress;
};

}  // namespace kest2d
