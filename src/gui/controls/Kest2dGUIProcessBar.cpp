#include "gui/controls/Kest2dGUIProcessBar.h"

#include <cstdio>

#include "frame/Kest2dBaseFrame.h"
#include "frame/types/Kest2dHeld.h"
#include "gui/controls/Kest2dGUIControl.h"

namespace kest2d {

CKesGUIProcessBar::CKesGUIProcessBar() = default;

CKesGUIProcessBar::CKesGUIProcessBar(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                                     CKesRect<int> rect)
    : CKesBaseGUIElement(KESGUT_PROCESSBAR, frame, parent, id, rect) {
    mCaption = std::move(name);
}

CKesGUIProcessBar::~CKesGUIProcessBar() = default;

void CKesGUIProcessBar::UpdateText() {
    char text[32];
    std::snprintf(text, sizeof(text), "%d/%d", mValue, mMaxValue);
    mText = text;
}

void CKesGUIProcessBar::SetProcess(int value) {
    mValue = value > mMaxValue ? mMaxValue : value;
    UpdateText();
}

void CKesGUIProcessBar::SetMaxValue(int maxValue) {
    mMaxValue = maxValue;
    UpdateText();
}

void CKesGUIProcessBar::SetImage(int which, std::string path) {
    if (path.empty() || !mDriver) return;
    mImage[which] = mDriver->LoadTexture(path.c_str(), 0);
    mImagePath[which] = std::move(path);
}

bool CKesGUIProcessBar::OnProcessEvent(const CKesEvent& event) {
    return mParent ? mParent->OnProcessEvent(event) : true;
}

void CKesGUIProcessBar::OnProcessLostFocusEvent(const CKesEvent& event) {
    if (mParent) mParent->OnProcessLostFocusEvent(event);
}

double CKesGUIProcessBar::Fraction() const {
    // Without a maximum the value reads as a percentage.
    const double f = mMaxValue >= 1 ? static_cast<double>(mValue) / mMaxValue
                                    : static_cast<double>(mValue) * static_cast<double>(0.01f);
    // A value left above a maximum lowered later fills the bar, not beyond.
    return f > 1.0 ? 1.0 : f;
}

void CKesGUIProcessBar::Draw() {
    if (!mVisible || !mDriver) return;
    // Geometry is computed wide and held inside int (Kest2dHeld.h).
    const long long left = mAbsoluteRect.UpperLeftCorner.X;
    const long long right = mAbsoluteRect.LowerRightCorner.X;
    const int top = mAbsoluteRect.UpperLeftCorner.Y;
    const long long width = mAbsoluteRect.getWidth();
    const double f = Fraction();
    if (!(mImage[0] && mImage[1] && mImage[2] && mImage[3])) {
        mDriver->Draw2dRectangle(mAbsoluteRect, mBgColor, &mClippingRect);
        if (mValue > 0) {
            const CKesRect<int> fill(Held(left), top, Held(left + static_cast<long long>(width * f)),
                                     mAbsoluteRect.LowerRightCorner.Y);
            mDriver->Draw2dRectangle(fill, mProcessColor, &mClippingRect);
        }
    } else {
        int w[4], h[4];
        for (int i = 0; i < 4; ++i) {
            w[i] = mDriver->GetTextureWidth(mImage[i]);
            h[i] = mDriver->GetTextureHeight(mImage[i]);
        }
        const CKesColor plain(0xFFFFFFFFu);
        auto drawAt = [&](int i, int x) {
            mDriver->Draw2DImage(mImage[i], CKesPosition2d<int>(x, top), CKesRect<int>(0, 0, w[i], h[i]),
                                 &mClippingRect, plain);
        };
        // Tiles without width would never advance.
        TileAcross(mDriver, mClippingRect, left + w[0], right - w[2], w[1], [&](int x) { drawAt(1, x); });
        const long long fillEnd = left + static_cast<long long>((width - w[0]) * f);
        TileAcross(mDriver, mClippingRect, left + w[0], fillEnd, w[3], [&](int x) { drawAt(3, x); });
        drawAt(0, Held(left));
        drawAt(2, Held(right - w[2]));
    }
    if (!mText.empty() && mIsTip)
        mDriver->DrawString(mText.c_str(), mAbsoluteRect, mTipColor, true, true, &mClippingRect);
}

}  // namespace kest2d
