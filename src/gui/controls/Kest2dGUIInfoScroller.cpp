#include "gui/controls/Kest2dGUIInfoScroller.h"

#include "frame/Kest2dBaseFrame.h"
#include "render/Kest2dFont.h"
#include "platform/KesClock.h"

namespace kest2d {

CKesGUIInfoScroller::CKesGUIInfoScroller() = default;

CKesGUIInfoScroller::CKesGUIInfoScroller(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id,
                                         std::string name, CKesRect<int> rect)
    : CKesBaseGUIElement(KESGUI_INFOSCROLLER, frame, parent, id, rect) {
    mX = mAbsoluteRect.UpperLeftCorner.X;
    mTravelStart = mAbsoluteRect.UpperLeftCorner.X;
    mTravelWidth = mAbsoluteRect.getWidth();
    mTop = mAbsoluteRect.UpperLeftCorner.Y;
    mCaption = std::move(name);
}

CKesGUIInfoScroller::~CKesGUIInfoScroller() = default;

void CKesGUIInfoScroller::SetFont(CKesGUIBaseFont* font) { mFont = font ? font->GetRef() : CKesFontRef(); }

void CKesGUIInfoScroller::Draw() {
    CKesGUIBaseFont* font = mFont.get();
    if (!mVisible || !mDriver || !font || mText.empty()) return;
    const DWORD now = GetTickCount();
    if (mStepStart == 0) mStepStart = now;
    if (static_cast<DWORD>(now - mStepStart) > 40) {
        mStepStart = 0;
        const int w = font->getTextDimension(mText.c_str()).Width;
        const int l = mTravelStart, t = mTravelWidth;
        if (mScrType == SCRTYPE_RIGHT_TO_LEFT) {
            if (mX >= l - w)
                --mX;
            else
                mX = l + t;
        } else {
            if (mX <= l + t)
                ++mX;
            else
                mX = l - w;
        }
    }
    const CKesRect<int> where(mX, mTop, mX + mAbsoluteRect.getWidth(), mAbsoluteRect.LowerRightCorner.Y);
    font->draw(mText.c_str(), where, mColor, false, true, &mAbsoluteRect);
}

}  // namespace kest2d
