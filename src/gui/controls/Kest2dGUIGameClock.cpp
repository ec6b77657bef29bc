#include "gui/controls/Kest2dGUIGameClock.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frame/Kest2dBaseFrame.h"
#include "frame/types/Kest2dHeld.h"

namespace kest2d {

CKesGUIGameClock::CKesGUIGameClock() = default;

CKesGUIGameClock::CKesGUIGameClock(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                                   CKesRect<int> rect)
    : CKesBaseGUIElement(KESGUI_GAMECLOCK, frame, parent, id, rect) {
    mCaption = std::move(name);
}

CKesGUIGameClock::~CKesGUIGameClock() = default;

void CKesGUIGameClock::SetClockNum(int number) {
    mClockNum = number;
    char text[32];
    std::snprintf(text, sizeof(text), "%d", number);
    const int length = static_cast<int>(std::strlen(text));
    if (length == 0 || length >= kMaxDigits) return;
    for (int i = 0; i < length; ++i) {
        char one[2] = {text[i], '\0'};
        mDigits[i] = std::atoi(one);
    }
    mDigitCount = length;
}

void CKesGUIGameClock::Draw() {
    if (!mVisible || !mDriver) return;
    const CKesPosition2d<int> topLeft = mAbsoluteRect.UpperLeftCorner;
    if (mBackground) {
        const CKesRect<int> whole(0, 0, mDriver->GetTextureWidth(mBackground), mDriver->GetTextureHeight(mBackground));
        mDriver->Draw2DImage(mBackground, topLeft, whole, &mClippingRect, CKesColor(0xFFFFFFFFu));
    }
    if (!mClockNumImg || mDigitCount == 0) return;
    const int dw = mDriver->GetTextureWidth(mClockNumImg) / 10;
    const int h = mDriver->GetTextureHeight(mClockNumImg, true);
    // Geometry is computed wide and held inside int (Kest2dHeld.h): sizes and
    // spacing come from scripts and layouts.
    const long long left = mAbsoluteRect.UpperLeftCorner.X, top = mAbsoluteRect.UpperLeftCorner.Y;
    const long long right = mAbsoluteRect.LowerRightCorner.X, bottom = mAbsoluteRect.LowerRightCorner.Y;
    const long long digitsWidth = static_cast<long long>(mDigitCount) * dw;
    long long x, y;
    switch (mSnapType) {
    case CLOCK_SNAP_RIGHT:
        x = right - digitsWidth;
        y = top + (bottom - top) / 2 - h / 2;
        break;
    case CLOCK_SNAP_LEFT:
        x = left;
        y = top + (bottom - top) / 2 - mDriver->GetTextureHeight(mClockNumImg, false) / 2;
        break;
    case CLOCK_SNAP_CENTER:
    default:
        x = left + (right - left) / 2 - digitsWidth / 2;
        y = top + (bottom - top) / 2 - h / 2;
        break;
    }
    for (int i = 0; i < mDigitCount; ++i) {
        const int d = mDigits[i];
        const CKesRect<int> source(d * dw, 0, (d + 1) * dw, h);
        const CKesPosition2d<int> at(Held(x + static_cast<long long>(i) * mNumSpace), Held(y));
        mDriver->Draw2DImage(mClockNumImg, at, source, &mClippingRect, CKesColor(0xFFFFFFFFu));
    }
}

}  // namespace kest2d
