#include "gui/controls/Kest2dGUIDragControl.h"

#include "frame/Kest2dBaseFrame.h"
#include "frame/types/Kest2dHeld.h"

namespace kest2d {

namespace {

unsigned long LoadImage(CKesBaseFrame* frame, const std::string& path) {
    return frame->LoadTexture(path.c_str(), 0);
}

}  // namespace

CKesGUIDragControl::CKesGUIDragControl() = default;

CKesGUIDragControl::CKesGUIDragControl(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                                       CKesRect<int> rect)
    : CKesBaseGUIElement(KESGUI_DRAGCONTROL, frame, parent, id, rect) {
    mCaption = std::move(name);
}

CKesGUIDragControl::~CKesGUIDragControl() = default;

void CKesGUIDragControl::SetBgImageOne(std::string path) {
    if (path.empty() || !mDriver) return;
    mImageOne = path;
    mTextureOne = LoadImage(mDriver, path);
}

void CKesGUIDragControl::SetBgImageTwo(std::string path) {
    if (path.empty() || !mDriver) return;
    mImageTwo = path;
    mTextureTwo = LoadImage(mDriver, path);
}

void CKesGUIDragControl::SetBgImageThree(std::string path) {
    if (path.empty() || !mDriver) return;
    mImageThree = path;
    mTextureThree = LoadImage(mDriver, path);
}

void CKesGUIDragControl::SetDragScrollBar(unsigned long texture) {
    if (!texture) return;
    mThumb.Texture = texture;
    SetCurrentProcess(0);
}

// Geometry is computed wide and held inside int (Kest2dHeld.h).
void CKesGUIDragControl::SetCurrentProcess(int value) {
    if (!mDriver || !HasImages()) return;
    if (value < 0) value = 0;
    if (value > 100) value = 100;
    mValue = value;
    const long long leftWidth = mDriver->GetTextureWidth(mTextureOne);
    const long long rightWidth = mDriver->GetTextureWidth(mTextureThree);
    const long long thumbWidth = mDriver->GetTextureWidth(mBackground) / 4;
    const long long thumbHeight = mDriver->GetTextureHeight(mBackground);
    const long long track = static_cast<long long>(mAbsoluteRect.getWidth()) - leftWidth - rightWidth;
    // The hundredth is a single-precision constant: at 100 the thumb stops
    // one pixel short of the track's end.
    const auto offset = static_cast<long long>(static_cast<double>(track) * value * static_cast<double>(0.01f));
    const long long top = mAbsoluteRect.UpperLeftCorner.Y;
    const long long x = mAbsoluteRect.UpperLeftCorner.X + leftWidth + offset - thumbWidth / 2;
    const long long y = top + mAbsoluteRect.getHeight() / 2 - thumbHeight / 2;
    mThumb.Rect = CKesRect<int>(Held(x), Held(y), Held(x + thumbWidth), Held(y + thumbHeight));
}

void CKesGUIDragControl::Move(const CKesPosition2d<int>& pos) {
    CKesBaseGUIElement::Move(pos);
    SetCurrentProcess(mValue);
}

int CKesGUIDragControl::ValueAt(int x) {
    const long long leftWidth = mDriver->GetTextureWidth(mTextureOne);
    const long long rightWidth = mDriver->GetTextureWidth(mTextureThree);
    const long long left = mAbsoluteRect.UpperLeftCorner.X;
    if (x < left + leftWidth) return 0;
    if (x > mAbsoluteRect.LowerRightCorner.X - rightWidth) return 100;
    const long long span = mAbsoluteRect.getWidth() - rightWidth;
    // A slider no wider than its right cap has no span to measure along.
    if (span <= 0) return 0;
    return static_cast<int>(static_cast<double>(x - left) / static_cast<double>(span) * 100.0);
}

bool CKesGUIDragControl::OnProcessEvent(const CKesEvent& event) {
    if (!mEnabled) return false;
    if (event.mEventType != KESET_MOUSE_INPUT_EVENT) return true;
    ThumbProcessMouse(mThumb, event, false);
    const CKesPosition2d<int> pt(event.mMouseEvent.X, event.mMouseEvent.Y);
    const int kind = event.mMouseEvent.EventType;
    if (kind == KESMIE_LMOUSE_PRESSED_DOWN && mThumb.Rect.isPointInside(pt)) {
        mDragging = true;
        return true;
    }
    if (kind == KESMIE_LMOUSE_LEFT_UP) {
        mDragging = false;
        return true;
    }
    if (kind == KESMIE_LMOUSE_PRESSED_DOWN || (kind == KESMIE_MOUSE_MOVED && mDragging)) {
        if (!mDriver || !mTextureOne || !mTextureThree) return false;
        SetCurrentProcess(ValueAt(pt.X));
        return RaiseGuiEvent(this, KESGET_ELEMENT_CHANGED);
    }
    return true;
}

void CKesGUIDragControl::Draw() {
    if (!mVisible || !mDriver) return;
    if (!HasImages()) {
        mDriver->Draw2dRectangle(mAbsoluteRect, CKesColor(0x9B00FF00u), &mAbsoluteRect);
        return;
    }
    // Geometry is computed wide and held inside int (Kest2dHeld.h).
    const long long left = mAbsoluteRect.UpperLeftCorner.X;
    const long long right = mAbsoluteRect.LowerRightCorner.X;
    const long long middle = mAbsoluteRect.UpperLeftCorner.Y + mAbsoluteRect.getHeight() / 2;
    const CKesColor plain(0xFFFFFFFFu);
    auto drawAt = [&](unsigned long tex, int x) {
        const int w = mDriver->GetTextureWidth(tex);
        const int h = mDriver->GetTextureHeight(tex);
        mDriver->Draw2DImage(tex, CKesPosition2d<int>(x, Held(middle - h / 2)), CKesRect<int>(0, 0, w, h),
                             &mClippingRect, plain);
    };
    const int leftWidth = mDriver->GetTextureWidth(mTextureOne);
    const int middleWidth = mDriver->GetTextureWidth(mTextureTwo);
    const int rightWidth = mDriver->GetTextureWidth(mTextureThree);
    drawAt(mTextureOne, Held(left));
    drawAt(mTextureThree, Held(right - rightWidth));
    TileAcross(mDriver, mClippingRect, left + leftWidth, right - middleWidth - rightWidth + 1, middleWidth,
               [&](int x) { drawAt(mTextureTwo, x); });
    DrawThumb(mDriver, mThumb);
}

void CKesGUIDragControl::OnProcessLostFocusEvent(const CKesEvent& /*event*/) { mThumb.State = 0; }

}  // namespace kest2d
