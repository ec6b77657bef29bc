// The push button: a four-state image strip with an optional caption and a
// hit test on the image's alpha.
#pragma once

#include <string>

#include "gui/Kest2dGUIElement.h"
#include "gui/controls/Kest2dGUIControl.h"

namespace kest2d {

// How a button reacts to release and focus loss. Any other value acts as a
// push button for hovering and focus loss but stays pressed on release.
enum ButtonType : int {
    BUTTONTYPE_PUSH = 0,    // back to normal on release
    BUTTONTYPE_TOGGLE = 1,  // keeps its selection
};

class CKesGUIButton : public CKesBaseGUIElement {
public:
    CKesGUIButton();
    CKesGUIButton(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name, CKesRect<int> rect);
    ~CKesGUIButton() override;

    bool OnProcessEvent(const CKesEvent& event) override;
    void SetEnabled(bool enabled) override;
    void Draw() override;
    void OnProcessLostFocusEvent(const CKesEvent& event) override;

    void SetText(std::string text) { mText = std::move(text); }
    std::string GetText() const { return mText; }
    void SetState(ButtonState state) { mState = state; }
    ButtonState GetState() const { return mState; }
    void SetType(ButtonType type) { mButtonType = type; }
    ButtonType GetType() const { return mButtonType; }
    // Only buttons that are not push buttons take a selection.
    void SetSelected(bool selected);
    bool IsSelected() const { return mSelected; }

private:
    // True when the image's texel under `pos` (relative to the button's
    // upper-left corner) is not fully transparent.
    bool CheckMouseInImage(CKesPosition2d<int> pos);

    ButtonState mState = STATE_NORMAL;
    ButtonType mButtonType = BUTTONTYPE_PUSH;
    bool mSelected = false;
    std::string mText;
};

}  // namespace kest2d
