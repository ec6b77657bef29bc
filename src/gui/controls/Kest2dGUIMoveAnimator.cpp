#include "gui/controls/Kest2dGUIMoveAnimator.h"

#include <cmath>

#include "frame/Kest2dBaseFrame.h"
#include "frame/types/Kest2dHeld.h"
#include "gui/controls/Kest2dGUIImage.h"

namespace kest2d {

namespace {

const int kLast = IDD_BERNSTEIN_COUNT - 1;
const CKesColor kCurveColour(0xFFFF0000u);
const CKesColor kSelectedColour(0xFF0000FFu);

}  // namespace

CKesGUIMoveAnimator::CKesGUIMoveAnimator() = default;

CKesGUIMoveAnimator::CKesGUIMoveAnimator(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                                         CKesRect<int> rect)
    : CKesBaseGUIElement(KESGUI_MOVEANIMATOR, frame, parent, id, rect) {
    mBackground = 0;
    mCaption = std::move(name);
}

// The picture is a child: the element's destructor deletes it.
CKesGUIMoveAnimator::~CKesGUIMoveAnimator() = default;

CKesGUIImage* CKesGUIMoveAnimator::GetAnimImage() const { return static_cast<CKesGUIImage*>(mImage.get()); }

// ---- The curve ----

// Points and rectangles are moved with the position operators, which hold
// the results inside int: control points come from scripts.
CKesRect<int> CKesGUIMoveAnimator::HandleAround(const CKesPosition2d<int>& absolute) const {
    const CKesDimension2d<int> half(IDD_CONTROL_RECT_WIDTH, IDD_CONTROL_RECT_WIDTH);
    return CKesRect<int>(absolute - half, absolute + half);
}

void CKesGUIMoveAnimator::SetControlPoint(CKesPosition2d<int> point, int index) {
    if (index < 0 || index >= IDD_CONTROL_POINT_COUNT) return;
    mControlPoints[index] = point;
    mControlRects[index] = HandleAround(mAbsoluteRect.UpperLeftCorner + point);
}

CKesPosition2d<int> CKesGUIMoveAnimator::GetControlPoint(int index) const {
    if (index < 0 || index >= IDD_CONTROL_POINT_COUNT) return CKesPosition2d<int>(0, 0);
    return mControlPoints[index];
}

void CKesGUIMoveAnimator::SetStartPosition(CKesPosition2d<int> point) {
    SetControlPoint(point, 3);
    GetBernsternByControlPoint();
}

void CKesGUIMoveAnimator::SetEndPosition(CKesPosition2d<int> point) {
    SetControlPoint(point, 0);
    GetBernsternByControlPoint();
}

void CKesGUIMoveAnimator::GetBernstern() { GetBernsternByControlPoint(); }

CKesPosition2d<int> CKesGUIMoveAnimator::GetCurvePosition(int index) const {
    if (index < 0 || index > kLast) return CKesPosition2d<int>(0, 0);
    return mPositions[index];
}

// Each of the four terms is cut to an integer before they are added (the
// sum is held inside int).
CKesPosition2d<int> CKesGUIMoveAnimator::Bernstein(float t, const CKesPosition2d<int>* p) {
    const float u = 1.0f - t;
    const float b0 = t * t * t, b1 = 3.0f * t * t * u, b2 = 3.0f * t * u * u, b3 = u * u * u;
    const auto term = [](int v, float b) { return static_cast<long long>(v * b); };
    return CKesPosition2d<int>(
        Held(term(p[0].X, b0) + term(p[1].X, b1) + term(p[2].X, b2) + term(p[3].X, b3)),
        Held(term(p[0].Y, b0) + term(p[1].Y, b1) + term(p[2].Y, b2) + term(p[3].Y, b3)));
}

void CKesGUIMoveAnimator::GetBernsternByControlPoint() {
    for (int i = 0; i < IDD_BERNSTEIN_COUNT; ++i) {
        const CKesPosition2d<int> p = Bernstein(static_cast<float>(i) * 0.001f, mControlPoints);
        mPositions[i] = p + mAbsoluteRect.UpperLeftCorner;
    }
}

// ---- Playing ----

// The upper-left corner of the moving picture centred on a curve position.
CKesPosition2d<int> CKesGUIMoveAnimator::ImageCorner(const CKesPosition2d<int>& at) const {
    return at - CKesDimension2d<int>(mImageWidth / 2, mImageHeight / 2);
}

void CKesGUIMoveAnimator::LoadAnimImage(std::string path) {
    if (mImage || !mDriver) return;
    mImageWidth = mDriver->GetTextureWidth(mBackground);
    mImageHeight = mDriver->GetTextureHeight(mBackground);
    const CKesDimension2d<int> size(mImageWidth, mImageHeight);
    const CKesPosition2d<int> corner = ImageCorner(mPositions[0]) - mAbsoluteRect.UpperLeftCorner;
    CKesGUIImage* image = new CKesGUIImage(mDriver, this, 0, "路径动画图片", CKesRect<int>(corner, size));
    mImage = image->GetRef();
    image->SetImagePath(path);
    image->SetMoving(true);
    image->SetEnabled(false);
    image->SetVisible(false);
    image->SetSrcStartPos(0, 0);
}

void CKesGUIMoveAnimator::Stop() {
    mPlaying = false;
    mIndex = 0;
}

void CKesGUIMoveAnimator::Restart() {
    mIndex = 0;
    mPlaying = true;
}

void CKesGUIMoveAnimator::SetPlayFrame(int index) {
    if (index < 0 || index > kLast) return;
    mIndex = index;
}

bool CKesGUIMoveAnimator::UpdateAnimator() {
    CKesGUIImage* image = GetAnimImage();
    if (!image) return true;
    if (mIndex < kLast) {
        // A step beyond the curve's length is the whole curve; a speed that
        // is no number does not move.
        float step = mSpeed * 1000.0f;
        if (std::isnan(step)) step = 0.0f;
        if (step > IDD_BERNSTEIN_COUNT) step = IDD_BERNSTEIN_COUNT;
        if (step < -IDD_BERNSTEIN_COUNT) step = -IDD_BERNSTEIN_COUNT;
        mIndex += static_cast<int>(step);
        if (mIndex > kLast) mIndex = kLast;
        if (mIndex < 0) mIndex = 0;
        image->SetAbsoluteRect(
            CKesRect<int>(ImageCorner(mPositions[mIndex]), CKesDimension2d<int>(mImageWidth, mImageHeight)));
        if (!image->isVisible()) image->SetVisible(true);
        return true;
    }
    mPlaying = false;
    mIndex = 0;
    image->SetVisible(false);
    const CKesGUIElementRef self = GetRef();
    RaiseGuiEvent(this, KESGET_ELEMENT_ANIMATOR_FINISH);
    return static_cast<bool>(self);
}

void CKesGUIMoveAnimator::Draw() {
    if (!mVisible || !mDriver) return;
    if (mPlaying && !UpdateAnimator()) return;
    if (mEdit) {
        for (int i = 0; i < kLast; ++i) mDriver->Draw2dLine(mPositions[i], mPositions[i + 1], kCurveColour);
        for (int i = 0; i < IDD_CONTROL_POINT_COUNT; ++i)
            mDriver->Draw2dRectangle(mControlRects[i], i == mSelected ? kSelectedColour : kCurveColour,
                                     &mClippingRect);
    }
    if (mPlaying) CKesBaseGUIElement::Draw();
}

// ---- Editing ----

bool CKesGUIMoveAnimator::OnProcessEvent(const CKesEvent& event) {
    if (!mEnabled || !mEdit) return false;
    if (event.mEventType != KESET_MOUSE_INPUT_EVENT) return true;
    const CKesPosition2d<int> pt(event.mMouseEvent.X, event.mMouseEvent.Y);
    if (!mAbsoluteRect.isPointInside(pt)) return true;
    switch (event.mMouseEvent.EventType) {
    case KESMIE_LMOUSE_PRESSED_DOWN:
        for (int i = 0; i < IDD_CONTROL_POINT_COUNT; ++i) {
            if (mControlRects[i].isPointInside(pt)) {
                mSelected = i;
                break;
            }
        }
        break;
    case KESMIE_LMOUSE_LEFT_UP:
        mSelected = -1;
        break;
    case KESMIE_MOUSE_MOVED:
        if (mSelected >= 0) {
            mControlPoints[mSelected] = pt - mAbsoluteRect.UpperLeftCorner;
            mControlRects[mSelected] = HandleAround(pt);
            GetBernsternByControlPoint();
        }
        break;
    default:
        break;
    }
    return true;
}

void CKesGUIMoveAnimator::OnProcessLostFocusEvent(const CKesEvent& event) {
    mSelected = -1;
    if (mParent) mParent->OnProcessLostFocusEvent(event);
}

}  // namespace kest2d
