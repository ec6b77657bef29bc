#include "gui/controls/Kest2dGUIStatic.h"

#include "frame/Kest2dBaseFrame.h"
#include "render/Kest2dFont.h"
#include "platform/KesShell.h"

namespace kest2d {

CKesGUIStatic::CKesGUIStatic() : mSnapStyle(SANPSTYLE_CENTER) {}

CKesGUIStatic::CKesGUIStatic(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                             CKesRect<int> rect)
    : CKesBaseGUIElement(KESGUT_STATIC, frame, parent, id, rect), mSnapStyle(SANPSTYLE_CENTER) {
    mCaption = std::move(name);
}

CKesGUIStatic::~CKesGUIStatic() = default;

void CKesGUIStatic::SetFont(CKesGUIBaseFont* font) { mFont = font ? font->GetRef() : CKesFontRef(); }

void CKesGUIStatic::Draw() {
    CKesGUIBaseFont* font = mFont.get();
    if (!mVisible || !mDriver || !font || mText.empty()) return;
    bool centre;
    switch (mSnapStyle) {
    case SANPSTYLE_CENTER:
        centre = true;
        break;
    case SNAPSTYLE_LEFT:
    case SNAPSTYLE_RIGHT:  // the fonts offer no right alignment
        centre = false;
        break;
    default:
        return;
    }
    font->draw(mText.c_str(), mAbsoluteRect, mHovered ? mHoverColor : mColor, centre, true, &mClippingRect);
}

bool CKesGUIStatic::OnProcessEvent(const CKesEvent& event) {
    if (!mEnabled || !mIsHyperlink) return false;
    if (event.mEventType != KESET_MOUSE_INPUT_EVENT) return true;
    const CKesPosition2d<int> pt(event.mMouseEvent.X, event.mMouseEvent.Y);
    if (!mAbsoluteRect.isPointInside(pt)) return true;
    switch (event.mMouseEvent.EventType) {
    case KESMIE_LMOUSE_PRESSED_DOWN:
        mHovered = true;
        if (!mAddress.empty() && !platform::OpenUrl(mAddress) && mDriver && CKesLogger::admits(WARN))
            mDriver->SystemLog(WARN, "无法打开超链接:" + mAddress);
        break;
    case KESMIE_LMOUSE_LEFT_UP:
        mHovered = false;
        break;
    case KESMIE_MOUSE_MOVED:
        mHovered = true;
        break;
    default:
        break;
    }
    return true;
}

void CKesGUIStatic::OnProcessLostFocusEvent(const CKesEvent& /*event*/) { mHovered = false; }

}  // namespace kest2d
