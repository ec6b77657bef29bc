#include "gui/controls/Kest2dGUIEditorBox.h"

#include <algorithm>
#include <cstring>

#include "frame/Kest2dBaseFrame.h"
#include "frame/types/Kest2dHeld.h"
#include "gui/controls/Kest2dGUIControl.h"
#include "platform/KesClock.h"

namespace kest2d {

CKesGUIEditorBox::CKesGUIEditorBox() = default;

CKesGUIEditorBox::CKesGUIEditorBox(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                                   CKesRect<int> rect)
    : CKesBaseGUIElement(KESGUT_EDITORBOX, frame, parent, id, rect) {
    mCaption = std::move(name);
}

CKesGUIEditorBox::~CKesGUIEditorBox() = default;

// ---- Double-byte text ----

bool CKesGUIEditorBox::IsChinese(char c) { return gbk::IsLead(c); }
int CKesGUIEditorBox::GetCharCount() const { return gbk::CharCount(mText); }
int CKesGUIEditorBox::GetCharCountFromString(const std::string& text) { return gbk::CharCount(text); }
int CKesGUIEditorBox::GetRealPosWith(int index) const { return gbk::ByteOffset(mText, index); }
int CKesGUIEditorBox::GetIndexWidth(int bytes) const { return gbk::CharCountOfBytes(mText, bytes); }
std::string CKesGUIEditorBox::GetSubString(int start, int count) const { return gbk::SubString(mText, start, count); }

int CKesGUIEditorBox::Width(int start, int count) {
    if (!mDriver) return 0;
    return mDriver->GetTextDimension(GetSubString(start, count).c_str()).Width;
}

// ---- View ----

void CKesGUIEditorBox::SetText(std::string text) {
    mText = std::move(text);
    calculateScrollPos();
}

void CKesGUIEditorBox::calculateScrollPos() {
    const int size = static_cast<int>(mText.size());
    const int w = BoxWidth();
    mViewStartByte = 0;
    if (mDriver && !mText.empty()) {
        const int total = mDriver->GetTextDimension(mText.c_str()).Width;
        if (total > w) {
            mViewStartByte = GetRealPosWith(Held((static_cast<long long>(total) - w) / 13));
            while (mViewStartByte < size &&
                   mDriver->GetTextDimension(mText.c_str() + mViewStartByte).Width > w + 1)
                mViewStartByte += gbk::CharSize(mText, mViewStartByte);
        }
        // At most the start of the last character, never inside one.
        if (mViewStartByte > size - 1) mViewStartByte = gbk::ByteOffset(mText, GetCharCount() - 1);
        if (mViewStartByte < 0) mViewStartByte = 0;
    }
    mViewStart = GetIndexWidth(mViewStartByte);
    mCaret = GetCharCount() - mViewStart;
    calculateCursorPos();
}

void CKesGUIEditorBox::calculateCursorPos() {
    // Positions are computed wide and held inside int (Kest2dHeld.h).
    mCaretX = Held(static_cast<long long>(mAbsoluteRect.UpperLeftCorner.X) + Width(mViewStart, mCaret));
    mCaretY = mAbsoluteRect.UpperLeftCorner.Y;
}

int CKesGUIEditorBox::GetChrCountPage() {
    if (mText.empty()) return 0;
    const int count = GetCharCount();
    const int w = BoxWidth();
    int k = 0;
    while (k < count && Width(mViewStart, k) < w - 13LL) ++k;
    return std::max(k, w / 12);
}

// ---- Events ----

bool CKesGUIEditorBox::OnProcessEvent(const CKesEvent& event) {
    if (!mEnabled) return false;
    switch (event.mEventType) {
    case KESET_MOUSE_INPUT_EVENT:
        processMouse(event);
        return true;
    case KESET_KEY_INPUT_EVENT: {
        const CKesGUIElementRef self = GetRef();
        if (processKey(event)) return true;
        // The parent's handler of a Return may have deleted this box.
        if (!self) return false;
        return mParent ? mParent->OnProcessEvent(event) : false;
    }
    case KESET_IME_EVENT:
        processIme(event);
        return true;
    default:
        return mParent ? mParent->OnProcessEvent(event) : false;
    }
}

bool CKesGUIEditorBox::processMouse(const CKesEvent& event) {
    if (event.mMouseEvent.EventType != KESMIE_LMOUSE_PRESSED_DOWN) return true;
    const CKesPosition2d<int> pt(event.mMouseEvent.X, event.mMouseEvent.Y);
    if (!mAbsoluteRect.isPointInside(pt)) return true;
    mFocus = true;
    // Only the characters from the view start on are searched, so that the
    // caret stays inside the text. A press on a character puts the caret
    // before it; a press right of the text puts it after the last
    // character, where typing goes on at the end.
    const int shown = std::max(0, GetCharCount() - mViewStart);
    const long long offset = static_cast<long long>(pt.X) - mAbsoluteRect.UpperLeftCorner.X;
    if (offset > Width(mViewStart, shown)) {
        mCaret = shown;
    } else {
        int k = 0;
        while (k < shown && Width(mViewStart, k) < offset) ++k;
        mCaret = k > 0 ? k - 1 : 0;
    }
    calculateCursorPos();
    return true;
}

bool CKesGUIEditorBox::processKey(const CKesEvent& event) {
    if (!event.mKeyEvent.isPressedDown) return true;
    switch (event.mKeyEvent.Key) {
    case VK_BACK: {
        if (mText.empty()) return true;
        const int p = GetRealPosWith(mViewStart + mCaret);
        if (p < 1) return true;
        // The whole character before the caret goes, both bytes of a
        // double-byte one.
        const int q = gbk::ByteOffset(mText, GetIndexWidth(p) - 1);
        mText.erase(q, p - q);
        if (mCaret > 0) {
            --mCaret;
        } else {
            mViewStart = std::max(0, mViewStart - 4);
            mViewStartByte = GetRealPosWith(mViewStart);
            mCaret = GetIndexWidth(q) - mViewStart;
        }
        calculateCursorPos();
        return true;
    }
    case VK_DELETE: {
        if (mText.empty()) return true;
        const int p = GetRealPosWith(mViewStart + mCaret);
        if (p < static_cast<int>(mText.size())) mText.erase(p, gbk::CharSize(mText, p));
        return true;
    }
    case VK_LEFT:
        if (mCaret > 0) {
            --mCaret;
        } else if (mViewStart > 0) {
            --mViewStart;
            mViewStartByte = GetRealPosWith(mViewStart);
        }
        calculateCursorPos();
        return true;
    case VK_RIGHT: {
        const int n = GetChrCountPage();
        const int count = GetCharCount();
        if (mCaret < n) {
            // Never beyond the last character.
            if (mViewStart + mCaret < count) ++mCaret;
        } else if (mViewStart < count) {
            if (mViewStart + n > count) return true;
            const int oldStart = mViewStart;
            ++mViewStart;
            mViewStartByte = GetRealPosWith(mViewStart);
            // Never beyond the last character here either.
            mCaret = std::min(Width(oldStart, n) < BoxWidth() ? n : count - mViewStart, count - mViewStart);
        }
        calculateCursorPos();
        return true;
    }
    case VK_RETURN: {
        if (!mParent) return true;
        CKesEvent ret{};
        ret.mEventType = KESET_KEY_INPUT_EVENT;
        ret.mKeyEvent.Char = 0;
        ret.mKeyEvent.Key = VK_RETURN;
        ret.mKeyEvent.isPressedDown = true;
        ret.mKeyEvent.isShift = false;
        ret.mKeyEvent.isControl = false;
        return mParent->OnProcessEvent(ret);
    }
    default:
        return true;
    }
}

bool CKesGUIEditorBox::processIme(const CKesEvent& event) {
    const int kind = event.mImeEvent.EventType;
    if (kind != KESIME_IME_ENGLISH && kind != KESIME_IME_CHINESE) return true;
    char* input = const_cast<char*>(event.mImeEvent.inputStr);
    const std::string text(input, strnlen(input, sizeof(event.mImeEvent.inputStr)));
    if (text != mLastImeText) {
        inputString(text);
        mLastImeText = text;
    } else if (kind == mLastImeKind) {
        inputString(text);
    }
    mLastImeKind = kind;
    // Taken: no later receiver sees the text.
    std::memset(input, 0, sizeof(event.mImeEvent.inputStr));
    return true;
}

void CKesGUIEditorBox::inputString(std::string text) {
    if (text.empty() || GetCharCount() >= MaxCount) return;
    // Half a character at the end would pair with the text after the caret.
    text = gbk::WholeCharacters(text);
    if (text.empty()) return;
    mText.insert(GetRealPosWith(mViewStart + mCaret), text);
    const int added = GetCharCountFromString(text);
    const int before = GetCharCountFromString(GetSubString(mViewStart, mCaret));
    if (mViewStart + before < GetChrCountPage())
        mCaret += added;
    else
        mViewStart += added;
    mViewStartByte = GetRealPosWith(mViewStart);
    calculateCursorPos();
}

// ---- Drawing ----

void CKesGUIEditorBox::Draw() {
    if (!mVisible || !mDriver) return;
    if (!mText.empty()) {
        if (mViewStartByte < 0 || mViewStartByte >= static_cast<int>(mText.size())) return;
        mDriver->DrawString(mText.c_str() + mViewStartByte, mAbsoluteRect, mColor, false, true, &mAbsoluteRect);
    } else if (!mFocus && !mBoxTipText.empty()) {
        mDriver->DrawString(mBoxTipText.c_str(), mAbsoluteRect, mColor, false, true, &mAbsoluteRect);
    }
    if (mFocus) DisplayInputSymbol(mCaretX, mCaretY);
}

void CKesGUIEditorBox::DisplayInputSymbol(int x, int y) {
    const DWORD now = GetTickCount();
    if (!mBlinkStart) mBlinkStart = now;
    const DWORD elapsed = now - mBlinkStart;
    if (elapsed <= mBlinkInterval) {
        const CKesPosition2d<int> middle(x, Held(y + mAbsoluteRect.getHeight() / 2LL));
        const CKesRect<int> bar(middle - CKesDimension2d<int>(6, 6), middle + CKesDimension2d<int>(7, 7));
        mDriver->DrawString("|", bar, CKesColor(0xFF000000u), true, true, &mAbsoluteRect);
    }
    if (elapsed > 2 * mBlinkInterval) mBlinkStart = 0;
}

}  // namespace kest2d
