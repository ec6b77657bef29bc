#include "gui/controls/Kest2dGUIInfoScroller.h"

#include "frame/Kest2dBaseFrame.h"
#include "frame/types/Kest2dHeld.h"
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
        // Computed wide and held inside int (Kest2dHeld.h): the travel and
        // the text come from scripts.
        const long long w = font->getTextDimension(mText.c_str()).Width;
        const long long l = mTravelStart, t = mTravelWidth;
        if (mScrType == SCRTYPE_RIGHT_TO_LEFT)
            mX = Held(mX >= l - w ? mX - 1LL : l + t);
        else
            mX = Held(mX <= l + t ? mX + 1LL : l - w);
    }
    const CKesRect<int> where(mX, mTop, Held(static_cast<long long>(mX) + mAbsoluteRect.getWidth()),
                              mAbsoluteRect.LowerRightCorner.Y);
    font->draw(mText.c_str(), where, mColor, false, true, &mAbsoluteRect);
}

}  // namespace kest2d
