#include "gui/controls/Kest2dGUIScrollBar.h"

#include <cstdint>

#include "frame/Kest2dBaseFrame.h"
#include "frame/types/Kest2dHeld.h"
#include "gui/controls/Kest2dGUIButton.h"
#include "platform/KesClock.h"

namespace kest2d {

namespace {

// How long an arrow button is held before the value moves again.
const unsigned kRepeatInterval = 100;

}  // namespace

CKesGUIScrollBar::CKesGUIScrollBar() = default;

CKesGUIScrollBar::CKesGUIScrollBar(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                                   CKesRect<int> rect)
    : CKesBaseGUIElement(KESGUT_SCROLLBAR, frame, parent, id, rect) {
    mCaption = std::move(name);
}

// The buttons are children: the base destructor deletes them.
CKesGUIScrollBar::~CKesGUIScrollBar() = default;

void CKesGUIScrollBar::SetMaxValue(int maxValue) {
    mMaxValue = maxValue;
    // A shrinking range takes the value with it.
    SetCurValue(mCurValue);
    SetEnabled(maxValue > 0);
}

void CKesGUIScrollBar::SetCurValue(int value) {
    if (value > mMaxValue) value = mMaxValue;
    if (value < 0) value = 0;
    mCurValue = value;
}

void CKesGUIScrollBar::SetUpBtnImg(std::string path) {
    if (path.empty() || !mDriver) return;
    mUpImage = path;
    const unsigned long tex = mDriver->LoadTexture(path.c_str(), 0);
    if (!tex) return;
    const int w = mDriver->GetTextureWidth(tex);
    const int h = mDriver->GetTextureHeight(tex);
    mButtonHeight = h;
    CKesGUIButton* button = new CKesGUIButton(mDriver, this, 0, "向上按钮", CKesRect<int>(0, 0, w / 4, h));
    button->SetBgImage(tex);
    mUpButton = button;
}

void CKesGUIScrollBar::SetDownButtonImg(std::string path) {
    if (path.empty() || !mDriver) return;
    mDownImage = path;
    const unsigned long tex = mDriver->LoadTexture(path.c_str(), 0);
    if (!tex) return;
    const int w = mDriver->GetTextureWidth(tex);
    const int h = mDriver->GetTextureHeight(tex);
    const int height = mAbsoluteRect.getHeight();
    CKesGUIButton* button = new CKesGUIButton(mDriver, this, 0, "向下按钮",
                                              CKesRect<int>(0, Held(static_cast<long long>(height) - h), w / 4, height));
    button->SetBgImage(tex);
    mDownButton = button;
}

void CKesGUIScrollBar::SetScrollBarImg(std::string path) {
    if (path.empty() || !mDriver) return;
    mThumbImage = path;
    const unsigned long tex = mDriver->LoadTexture(path.c_str(), 0);
    if (!tex) return;
    const int w = mDriver->GetTextureWidth(tex);
    const int h = mDriver->GetTextureHeight(tex);
    mThumb.Texture = tex;
    mThumb.Rect = CKesRect<int>(ThumbOrigin(), CKesDimension2d<int>(w / 4, h));
}

void CKesGUIScrollBar::Move(const CKesPosition2d<int>& pos) {
    CKesBaseGUIElement::Move(pos);
    const CKesDimension2d<int> size = mThumb.Rect.getSize();
    mThumb.Rect = CKesRect<int>(ThumbOrigin(), size);
}

// Geometry is computed wide and held inside int (Kest2dHeld.h): sizes,
// pages and values come from scripts.
CKesPosition2d<int> CKesGUIScrollBar::ThumbOrigin() const {
    return mAbsoluteRect.UpperLeftCorner + CKesDimension2d<int>(0, mButtonHeight);
}

int CKesGUIScrollBar::TrackLength() const {
    return Held(static_cast<long long>(mAbsoluteRect.getHeight()) - 2LL * mButtonHeight - mThumb.Rect.getHeight());
}

int CKesGUIScrollBar::ThumbTopMin() const { return ThumbOrigin().Y; }

int CKesGUIScrollBar::ThumbTopMax() const {
    return Held(static_cast<long long>(mAbsoluteRect.LowerRightCorner.Y) - mButtonHeight - mThumb.Rect.getHeight());
}

void CKesGUIScrollBar::PlaceThumbTop(int top) {
    // On a track shorter than the thumb the upper end wins.
    if (top > ThumbTopMax()) top = ThumbTopMax();
    if (top < ThumbTopMin()) top = ThumbTopMin();
    const int height = mThumb.Rect.getHeight();
    mThumb.Rect.UpperLeftCorner.Y = top;
    mThumb.Rect.LowerRightCorner.Y = Held(static_cast<long long>(top) + height);
}

bool CKesGUIScrollBar::RaiseChanged(CKesBaseGUIElement* element) {
    return RaiseGuiEvent(this, KESGET_ELEMENT_CHANGED, true, element);
}

bool CKesGUIScrollBar::OnProcessEvent(const CKesEvent& event) {
    if (!mEnabled) return false;
    if (event.mEventType == KESET_GUI_EVENT) {
        CKesBaseGUIElement* caller = event.mGuiEvent.Caller;
        if (!caller || (caller != mUpButton && caller != mDownButton)) return true;
        if (event.mGuiEvent.EventType == KESGET_ELEMENT_LEFT) {
            mRepeating = false;
            return true;
        }
        if (event.mGuiEvent.EventType != KESGET_BUTTON_CLICKED) return true;
        if (caller == mUpButton) {
            if (mCurValue > 0) --mCurValue;
            mRepeatDirection = 1;
        } else {
            if (mCurValue < mMaxValue) ++mCurValue;
            mRepeatDirection = 2;
        }
        mRepeating = true;
        mRepeatStart = 0;
        return RaiseChanged(caller);
    }
    if (event.mEventType != KESET_MOUSE_INPUT_EVENT) return true;

    ThumbProcessMouse(mThumb, event, true);
    const CKesPosition2d<int> pt(event.mMouseEvent.X, event.mMouseEvent.Y);
    switch (event.mMouseEvent.EventType) {
    case KESMIE_LMOUSE_PRESSED_DOWN:
        // A thumb without an image has no size to grab.
        if (mThumb.Texture && mThumb.Rect.isPointInside(pt)) {
            mDragging = true;
            return true;
        }
        if (pt.Y <= mThumb.Rect.LowerRightCorner.Y) {
            const long long value = static_cast<long long>(mCurValue) - mPageCount;
            mCurValue = value < 0 ? 0 : Held(value);
        } else {
            const long long value = static_cast<long long>(mCurValue) + mPageCount;
            mCurValue = value > mMaxValue ? mMaxValue : Held(value);
            if (mCurValue < 0) mCurValue = 0;
        }
        return RaiseChanged(mDownButton);
    case KESMIE_LMOUSE_LEFT_UP:
        mDragging = false;
        return true;
    case KESMIE_MOUSE_MOVED: {
        if (!mDragging) return true;
        PlaceThumbTop(Held(static_cast<long long>(pt.Y) - mThumb.GrabOffset));
        const int track = TrackLength();
        // An empty track gives no position but the first.
        const double along =
            track > 0 ? (static_cast<double>(mThumb.Rect.UpperLeftCorner.Y) - ThumbTopMin()) / track : 0.0;
        SetCurValue(static_cast<int>(along * mMaxValue));
        return RaiseChanged(mDownButton);
    }
    default:
        return true;
    }
}

bool CKesGUIScrollBar::MoveScrollBar() {
    const unsigned now = GetTickCount();
    if (mRepeatStart == 0) mRepeatStart = now;
    if (static_cast<int32_t>(now - (mRepeatStart + kRepeatInterval)) <= 0) return true;
    bool raise = false;
    if (mRepeatDirection == 1) {
        if (mCurValue > 0 && mRepeating) --mCurValue;
        raise = true;
    } else if (mRepeatDirection == 2) {
        if (mCurValue < mMaxValue && mRepeating) ++mCurValue;
        raise = true;
    }
    mRepeatStart = 0;
    if (!raise) return true;
    const CKesGUIElementRef self = GetRef();
    RaiseChanged(mUpButton);
    return static_cast<bool>(self);
}

void CKesGUIScrollBar::Draw() {
    if (!mVisible) return;
    if (!MoveScrollBar()) return;
    if (mDriver) {
        mDriver->Draw2dRectangle(mAbsoluteRect, mBackgroundColor, &mClippingRect);
        if (mMaxValue > 0) {
            const double step = static_cast<double>(TrackLength()) / mMaxValue * mCurValue;
            PlaceThumbTop(Held(ThumbTopMin() + static_cast<long long>(step)));
            DrawThumb(mDriver, mThumb);
        }
    }
    CKesBaseGUIElement::Draw();
}

void CKesGUIScrollBar::OnProcessLostFocusEvent(const CKesEvent& /*event*/) { mThumb.State = 0; }

}  // namespace kest2d
