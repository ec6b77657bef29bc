#include "gui/controls/Kest2dGUIMultiButton.h"

#include <algorithm>

#include "frame/Kest2dBaseFrame.h"
#include "frame/types/Kest2dHeld.h"
#include "gui/controls/Kest2dGUIButton.h"
#include "gui/controls/Kest2dGUIControl.h"

namespace kest2d {

CKesGUIMultiButton::CKesGUIMultiButton() = default;

CKesGUIMultiButton::CKesGUIMultiButton(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                                       CKesRect<int> rect)
    : CKesBaseGUIElement(KESGUI_MULTIBUTTON, frame, parent, id, rect) {
    mCaption = std::move(name);
}

CKesGUIMultiButton::~CKesGUIMultiButton() {
    mButtons.clear();
    mButtonRefs.clear();
}

void CKesGUIMultiButton::DropDeletedButtons() {
    for (size_t i = mButtons.size(); i-- > 0;) {
        if (mButtonRefs[i]) continue;
        mButtons.erase(mButtons.begin() + static_cast<std::ptrdiff_t>(i));
        mButtonRefs.erase(mButtonRefs.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void CKesGUIMultiButton::AddButton(std::string imagePath) {
    if (imagePath.empty() || !mDriver) return;
    DropDeletedButtons();
    CKesGUIButton* button = new CKesGUIButton(mDriver, this, 0, "多选按钮", CKesRect<int>(0, 0, 0, 0));
    button->SetBgImage(mDriver->LoadTexture(imagePath.c_str(), 0));
    button->SetType(BUTTONTYPE_TOGGLE);
    mButtons.push_back(button);
    mButtonRefs.push_back(button->GetRef());
    if (mDefSelectedItem >= 0 && static_cast<int>(mButtons.size()) - 1 == mDefSelectedItem) SelectButton(button);
    GetButtonsDisPos();
}

void CKesGUIMultiButton::SelectButton(CKesGUIButton* button) {
    DropDeletedButtons();
    if (!button || mButtons.empty()) return;
    for (size_t i = 0; i < mButtons.size(); ++i) {
        if (mButtons[i] == button) {
            mButtons[i]->SetSelected(true);
            mCurSelectedItem = static_cast<int>(i);
        } else {
            mButtons[i]->SetSelected(false);
        }
    }
}

void CKesGUIMultiButton::GetButtonsDisPos() {
    DropDeletedButtons();
    if (!mDriver || mButtons.empty()) return;
    const int n = static_cast<int>(mButtons.size());
    const int width = mAbsoluteRect.getWidth(), height = mAbsoluteRect.getHeight();
    const int cellWidth = n > 1 ? width / n : width;
    const int cellHeight = n > 1 ? height / n : height;
    // Positions are computed wide and held inside int (Kest2dHeld.h).
    const long long left = mAbsoluteRect.UpperLeftCorner.X, top = mAbsoluteRect.UpperLeftCorner.Y;
    for (int i = 0; i < n; ++i) {
        CKesGUIButton* button = mButtons[i];
        const unsigned long image = button->GetBgImage();
        const int tw = mDriver->GetTextureWidth(image), th = mDriver->GetTextureHeight(image);
        long long x, y;
        int w, h;
        if (mDirection == DIR_VERTICAL) {
            w = tw;
            h = th / 4;
            x = left + width / 2 - tw / 2;
            y = top + static_cast<long long>(i) * cellHeight + cellHeight / 2 - h / 2;
        } else {
            w = tw / 4;
            h = th;
            x = left + static_cast<long long>(i) * cellWidth + cellWidth / 2 - w / 2;
            y = top + height / 2 - th / 2;
        }
        button->SetAbsoluteRect(CKesRect<int>(CKesPosition2d<int>(Held(x), Held(y)), CKesDimension2d<int>(w, h)));
        button->SetRelativeRect(CKesDimension2d<int>(Held(x - left), Held(y - top)));
        button->SetControlWidthAndHeight(CKesDimension2d<int>(w, h));
    }
}

bool CKesGUIMultiButton::OnProcessEvent(const CKesEvent& event) {
    if (!mEnabled) return false;
    if (event.mEventType != KESET_GUI_EVENT || event.mGuiEvent.EventType != KESGET_BUTTON_CLICKED) return true;
    // Only a click of one of the group's own buttons selects.
    DropDeletedButtons();
    CKesBaseGUIElement* caller = event.mGuiEvent.Caller;
    auto it = std::find(mButtons.begin(), mButtons.end(), caller);
    if (it == mButtons.end()) return true;
    SelectButton(*it);
    return RaiseGuiEvent(this, KESGET_ELEMENT_SELECTED);
}

void CKesGUIMultiButton::Draw() {
    if (!mVisible || !mDriver) return;
    CKesBaseGUIElement::Draw();
}

}  // namespace kest2d
