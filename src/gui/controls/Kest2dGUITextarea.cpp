#include "gui/controls/Kest2dGUITextarea.h"

#include "frame/Kest2dBaseFrame.h"
#include "frame/types/Kest2dHeld.h"
#include "gui/controls/Kest2dGUIControl.h"
#include "gui/controls/Kest2dGUIScrollBar.h"

namespace kest2d {

CKesGUITextarea::CKesGUITextarea() = default;

CKesGUITextarea::CKesGUITextarea(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                                 CKesRect<int> rect)
    : CKesBaseGUIElement(KESGUI_TEXTAREA, frame, parent, id, rect) {
    mCaption = std::move(name);
}

// The scroll bar is a child: the base destructor deletes it.
CKesGUITextarea::~CKesGUITextarea() = default;

bool CKesGUITextarea::IsChinese(char c) { return gbk::IsLead(c); }

int CKesGUITextarea::GetCharCount(const std::string& text) const { return gbk::CharCount(text); }

int CKesGUITextarea::GetRealPosWith(const std::string& text, int index) const { return gbk::ByteOffset(text, index); }

std::string CKesGUITextarea::GetSubString(const std::string& text, int start, int count) const {
    return gbk::SubString(text, start, count);
}

int CKesGUITextarea::GetDisplayLineCount() const { return mAbsoluteRect.getHeight() / kLineHeight + 1; }

int CKesGUITextarea::LastTopLine() const {
    const int last = static_cast<int>(mRows.size()) - GetDisplayLineCount();
    return last > 0 ? last : 0;
}

void CKesGUITextarea::SetUseScrollBar(bool use) {
    mUseScrollBar = use;
    if (!use) return;
    mScrollBar = AddSideScrollBar(this, mScrollBarWidth, "文本滚动条");
    mScrollBarRef = mScrollBar->GetRef();
}

void CKesGUITextarea::AddString(std::string text, CKesColor color) {
    if (text.empty()) return;
    long long wide = mAbsoluteRect.getWidth() - 10LL;
    if (HasScrollBar()) wide -= mScrollBarWidth;
    const int limit = Held(wide);
    // A line ends with the first character that brings its width to the
    // limit; the rest of the text starts the next one. Cuts fall between
    // characters only. Without a frame nothing can be measured: the text
    // stays whole.
    const size_t size = text.size();
    size_t start = 0;
    size_t end = mDriver ? GetRealPosWith(text, 1) : size;
    while (end < size) {
        const std::string head = text.substr(start, end - start);
        if (mDriver->GetTextDimension(head.c_str()).Width >= limit) {
            mRows.emplace_back(color, head);
            start = end;
        }
        end += IsChinese(text[end]) && end + 1 < size ? 2 : 1;
    }
    if (start < size) mRows.emplace_back(color, text.substr(start));

    const int rows = static_cast<int>(mRows.size());
    const int shown = GetDisplayLineCount();
    mTopLine = rows > shown ? rows - shown : 0;
    if (rows > shown && HasScrollBar()) {
        mScrollBar->SetMaxValue(rows - shown);
        mScrollBar->SetCurValue(rows - shown);
    }
}

void CKesGUITextarea::Clear() {
    mRows.clear();
    mTopLine = 0;
    if (HasScrollBar()) {
        mScrollBar->SetMaxValue(0);
        mScrollBar->SetCurValue(0);
    }
}

bool CKesGUITextarea::OnProcessEvent(const CKesEvent& event) {
    if (!mEnabled) return false;
    if (event.mEventType == KESET_GUI_EVENT) {
        if (event.mGuiEvent.EventType == KESGET_ELEMENT_CHANGED && HasScrollBar() &&
            event.mGuiEvent.Caller == mScrollBar)
            mTopLine = mScrollBar->GetCurValue();
    } else if (event.mEventType == KESET_MOUSE_INPUT_EVENT && event.mMouseEvent.EventType == KESMIE_MOUSE_WHEEL &&
               static_cast<int>(mRows.size()) > GetDisplayLineCount()) {
        mTopLine = WheelTop(mTopLine, event.mMouseEvent.Wheel, LastTopLine());
        if (HasScrollBar()) mScrollBar->SetCurValue(mTopLine);
    }
    return true;
}

void CKesGUITextarea::Draw() {
    if (!mVisible) return;
    const CKesGUIElementRef self = GetRef();
    CKesBaseGUIElement::Draw();
    if (!self || !mDriver || mRows.empty()) return;
    const int rows = static_cast<int>(mRows.size());
    const int shown = GetDisplayLineCount();
    const int left = mAbsoluteRect.UpperLeftCorner.X;
    const int right = mAbsoluteRect.LowerRightCorner.X;
    // Lines below the int range stop at its end (Kest2dHeld.h).
    long long y = mAbsoluteRect.UpperLeftCorner.Y;
    const int first = mTopLine > 0 ? mTopLine : 0;
    for (int i = first; i < rows && i - first < shown; ++i, y += kLineHeight) {
        const RowStruct& row = mRows[i];
        mDriver->DrawString(row.text.c_str(), CKesRect<int>(left, Held(y), right, Held(y + kLineHeight)), row.color,
                            false, true, &mAbsoluteRect);
    }
}

}  // namespace kest2d
