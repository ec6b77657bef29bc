#include "gui/controls/Kest2dGUIChatMessage.h"

#include "frame/Kest2dBaseFrame.h"
#include "frame/types/Kest2dHeld.h"
#include "gui/controls/Kest2dGUIControl.h"
#include "gui/controls/Kest2dGUIScrollBar.h"

namespace kest2d {

CKesGUIChatMessage::CKesGUIChatMessage() = default;

CKesGUIChatMessage::CKesGUIChatMessage(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                                       CKesRect<int> rect)
    : CKesBaseGUIElement(KESGUI_CHATMESSAGE, frame, parent, id, rect) {
    mCaption = std::move(name);
}

// The scroll bar is a child: the base destructor deletes it.
CKesGUIChatMessage::~CKesGUIChatMessage() = default;

int CKesGUIChatMessage::GetDisplayLineCount() const { return mAbsoluteRect.getHeight() / kLineHeight + 1; }

int CKesGUIChatMessage::LastTopLine() const {
    const int last = static_cast<int>(mRows.size()) - GetDisplayLineCount();
    return last > 0 ? last : 0;
}

void CKesGUIChatMessage::AddString(std::string text) {
    if (text.empty()) return;
    mRows.push_back(MessageRow{CKesColor(255, 0, 0, 0), std::move(text)});
    const int rows = static_cast<int>(mRows.size());
    if (rows > GetDisplayLineCount() && GetScrollBar()) mScrollBar->SetMaxValue(rows - GetDisplayLineCount());
}

void CKesGUIChatMessage::Reset() {
    mTopLine = 0;
    mHovered = -1;
    if (GetScrollBar()) mScrollBar->SetCurValue(0);
}

void CKesGUIChatMessage::CreateScrollBar() {
    mScrollBar = AddSideScrollBar(this, mScrollBarWidth, "文本滚动条");
    mScrollBarRef = mScrollBar->GetRef();
}

std::string CKesGUIChatMessage::GetStringByIndex(int index) const {
    if (index < 0 || index >= static_cast<int>(mRows.size())) return std::string();
    return mRows[index].text;
}

std::string CKesGUIChatMessage::GetSelectString() const { return GetStringByIndex(mTopLine + mHovered); }

bool CKesGUIChatMessage::OnProcessEvent(const CKesEvent& event) {
    if (!mEnabled) return false;
    if (event.mEventType == KESET_GUI_EVENT) {
        if (event.mGuiEvent.EventType == KESGET_ELEMENT_CHANGED && GetScrollBar() &&
            event.mGuiEvent.Caller == mScrollBar)
            mTopLine = mScrollBar->GetCurValue();
        return true;
    }
    if (event.mEventType != KESET_MOUSE_INPUT_EVENT) return true;
    const CKesPosition2d<int> pt(event.mMouseEvent.X, event.mMouseEvent.Y);
    const bool inside = mAbsoluteRect.isPointInside(pt);
    switch (event.mMouseEvent.EventType) {
    case KESMIE_MOUSE_MOVED:
        if (inside) mHovered = (pt.Y - mAbsoluteRect.UpperLeftCorner.Y) / kLineHeight;
        break;
    case KESMIE_MOUSE_WHEEL:
        if (static_cast<int>(mRows.size()) > GetDisplayLineCount()) {
            mTopLine = WheelTop(mTopLine, event.mMouseEvent.Wheel, LastTopLine());
            if (GetScrollBar()) mScrollBar->SetCurValue(mTopLine);
        }
        break;
    case KESMIE_LMOUSE_PRESSED_DOWN:
        if (inside) {
            // The parent reads the choice while the hovered line still names it.
            const CKesGUIElementRef self = GetRef();
            RaiseGuiEvent(this, KESGET_ELEMENT_SELECTED);
            if (!self) return true;
            SetVisible(false);
            Reset();
        }
        break;
    default:
        break;
    }
    return true;
}

void CKesGUIChatMessage::OnProcessLostFocusEvent(const CKesEvent& /*event*/) { mHovered = -1; }

void CKesGUIChatMessage::Draw() {
    if (!mVisible || !mDriver) return;
    if (mBackground) {
        const CKesRect<int> source(0, 0, mDriver->GetTextureWidth(mBackground), mDriver->GetTextureHeight(mBackground));
        mDriver->Draw2DImage(mBackground, mAbsoluteRect, source, &mClippingRect, CKesColor(0xFFFFFFFFu));
    } else {
        mDriver->Draw2dRectangle(mAbsoluteRect, CKesColor(255, 0, 0, 255), &mClippingRect);
    }
    const CKesGUIElementRef self = GetRef();
    CKesBaseGUIElement::Draw();
    if (!self || mRows.empty()) return;
    const int left = mAbsoluteRect.UpperLeftCorner.X;
    const int right = mAbsoluteRect.LowerRightCorner.X;
    // Nothing is painted under the scroll bar. Geometry is computed wide and
    // held inside int (Kest2dHeld.h).
    const CKesRect<int> clip(left, mAbsoluteRect.UpperLeftCorner.Y,
                             Held(static_cast<long long>(right) - mScrollBarWidth), mAbsoluteRect.LowerRightCorner.Y);
    const int rows = static_cast<int>(mRows.size());
    const int shown = GetDisplayLineCount();
    const int first = mTopLine > 0 ? mTopLine : 0;
    long long y = mAbsoluteRect.UpperLeftCorner.Y;
    for (int i = first; i < rows && i - first < shown; ++i, y += kLineHeight) {
        const CKesRect<int> line(left, Held(y), right, Held(y + kLineHeight));
        if (i == mTopLine + mHovered) mDriver->Draw2dRectangle(line, mSelectColor, &clip);
        mDriver->DrawString(mRows[i].text.c_str(), line, mRows[i].color, false, true, &clip);
    }
}

}  // namespace kest2d
