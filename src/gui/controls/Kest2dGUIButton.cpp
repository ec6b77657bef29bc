#include "gui/controls/Kest2dGUIButton.h"

#include "frame/Kest2dBaseFrame.h"

namespace kest2d {

CKesGUIButton::CKesGUIButton() = default;

CKesGUIButton::CKesGUIButton(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                             CKesRect<int> rect)
    : CKesBaseGUIElement(KESGUI_BUTTON, frame, parent, id, rect) {
    mCaption = std::move(name);
}

CKesGUIButton::~CKesGUIButton() = default;

void CKesGUIButton::SetSelected(bool selected) {
    if (mButtonType == BUTTONTYPE_PUSH) return;
    mSelected = selected;
    mState = selected ? STATE_DOWND : STATE_NORMAL;
}

void CKesGUIButton::SetEnabled(bool enabled) {
    mEnabled = enabled;
    mState = enabled ? STATE_NORMAL : STATE_DISABLED;
}

bool CKesGUIButton::CheckMouseInImage(CKesPosition2d<int> pos) {
    if (!mDriver || !mBackground) return false;
    return mDriver->GetTexColor(mBackground, pos.X, pos.Y).getAlpha() != 0;
}

bool CKesGUIButton::OnProcessEvent(const CKesEvent& event) {
    if (!mEnabled || mState == STATE_DISABLED) return false;
    if (event.mEventType != KESET_MOUSE_INPUT_EVENT) return true;
    const CKesPosition2d<int> pt(event.mMouseEvent.X, event.mMouseEvent.Y);
    if (!mAbsoluteRect.isPointInside(pt)) return false;
    if (!CheckMouseInImage(CKesPosition2d<int>(pt.X - mAbsoluteRect.UpperLeftCorner.X,
                                               pt.Y - mAbsoluteRect.UpperLeftCorner.Y)))
        return false;
    switch (event.mMouseEvent.EventType) {
    case KESMIE_LMOUSE_PRESSED_DOWN:
        mState = STATE_DOWND;
        mSelected = true;
        return RaiseGuiEvent(this, KESGET_BUTTON_CLICKED);
    case KESMIE_LMOUSE_LEFT_UP:
        if (mButtonType != BUTTONTYPE_PUSH) return true;
        mState = STATE_NORMAL;
        return RaiseGuiEvent(this, KESGET_ELEMENT_LEFT);
    case KESMIE_MOUSE_MOVED:
        if (mButtonType == BUTTONTYPE_TOGGLE && mSelected) return true;
        mState = STATE_HOVERED;
        return RaiseGuiEvent(this, KESGET_ELEMENT_HOVERED);
    default:
        return true;
    }
}

void CKesGUIButton::OnProcessLostFocusEvent(const CKesEvent& /*event*/) {
    if (mButtonType == BUTTONTYPE_TOGGLE) return;
    if (mState != STATE_DISABLED) mState = STATE_NORMAL;
    RaiseGuiEvent(this, KESGET_ELEMENT_LEFT);
}

void CKesGUIButton::Draw() {
    if (!mVisible || !mDriver) return;
    if (mState >= STATE_NORMAL && mState <= STATE_DISABLED) {
        if (mBackground) {
            const CKesRect<int> source = StripSource(mState, mDriver->GetTextureWidth(mBackground),
                                                     mDriver->GetTextureHeight(mBackground));
            mDriver->Draw2DImage(mBackground, mAbsoluteRect, source, &mClippingRect, CKesColor(0xFFFFFFFFu));
        } else {
            // Without an image each state has a plain colour.
            static const CKesColor plain[] = {CKesColor(255, 255, 0, 0), CKesColor(255, 155, 155, 0),
                                              CKesColor(255, 255, 0, 255), CKesColor(255, 155, 0, 255)};
            mDriver->Draw2dRectangle(mAbsoluteRect, plain[mState], &mClippingRect);
        }
    }
    if (!mText.empty())
        mDriver->DrawString(mText.c_str(), mAbsoluteRect, CKesColor(0xFF000000u), true, true, &mClippingRect);
}

}  // namespace kest2d
