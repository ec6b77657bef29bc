#include "gui/controls/Kest2dGUIBiqoQing.h"

#include <algorithm>
#include <cstdio>

#include "frame/Kest2dBaseFrame.h"
#include "frame/types/Kest2dHeld.h"
#include "gui/controls/Kest2dGUIButton.h"
#include "gui/controls/Kest2dGUIControl.h"
#include "gui/controls/Kest2dGUIGameAnimator.h"
#include "platform/KesFiles.h"

namespace kest2d {

CKesGUIBiqoQing::CKesGUIBiqoQing() = default;

CKesGUIBiqoQing::CKesGUIBiqoQing(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                                 CKesRect<int> rect)
    : CKesBaseGUIElement(KESGUI_BIAOQING, frame, parent, id, rect) {
    mCaption = std::move(name);
}

// The buttons are children: the base destructor deletes them.
CKesGUIBiqoQing::~CKesGUIBiqoQing() { ClearAllAnimator(); }

CKesGUIButton* CKesGUIBiqoQing::GetLeftButtonControl() const { return mLeftRef ? mLeftButton : nullptr; }
CKesGUIButton* CKesGUIBiqoQing::GetRightButtonControl() const { return mRightRef ? mRightButton : nullptr; }

const std::vector<CKesGUIGameAnimator*>& CKesGUIBiqoQing::GetAnimators() {
    Prune();
    return mAnimators;
}

void CKesGUIBiqoQing::Prune() {
    size_t kept = 0;
    for (size_t i = 0; i < mAnimators.size(); ++i) {
        if (!mAnimatorRefs[i]) continue;
        mAnimators[kept] = mAnimators[i];
        mAnimatorRefs[kept] = mAnimatorRefs[i];
        ++kept;
    }
    if (kept == mAnimators.size()) return;
    mAnimators.resize(kept);
    mAnimatorRefs.resize(kept);
    mHovered = -1;
    UpdatePageCount();
    if (mCurrentPage > 0 && mCurrentPage >= mPageCount) mCurrentPage = mPageCount > 0 ? mPageCount - 1 : 0;
}

void CKesGUIBiqoQing::SetPageSize(CKesDimension2d<int> size) {
    if (size.Width < 1 || size.Height < 1) {
        if (mDriver && CKesLogger::admits(WARN)) {
            char text[128];
            std::snprintf(text, sizeof(text), "表情控件 %d 的页面大小无效: %d x %d", mId, size.Width, size.Height);
            mDriver->SystemLog(WARN, text);
        }
        return;
    }
    mPageSize = size;
    // Geometry is computed wide and held inside int (Kest2dHeld.h).
    mCellWidth = Held((mAbsoluteRect.getWidth() - 5LL) / size.Width - 5);
    mCellHeight = Held((mAbsoluteRect.getHeight() - 25LL) / size.Height - 5);
    // Animators already loaded take the new cell size and paging.
    Prune();
    for (CKesGUIGameAnimator* animator : mAnimators) {
        animator->SetControlWidthAndHeight(CKesDimension2d<int>(mCellWidth, mCellHeight));
        animator->SetAbsoluteRect(CKesRect<int>(animator->GetAbsoluteRect().UpperLeftCorner,
                                                CKesDimension2d<int>(mCellWidth, mCellHeight)));
    }
    if (!mAnimators.empty()) UpdatePageCount();
}

long long CKesGUIBiqoQing::PerPage() const {
    return static_cast<long long>(mPageSize.Width) * mPageSize.Height;
}

void CKesGUIBiqoQing::UpdatePageCount() {
    const long long n = static_cast<long long>(mAnimators.size());
    const long long p = PerPage();
    // Fewer emoticons than a page make no page count.
    if (p <= 0 || n < p)
        mPageCount = 0;
    else
        mPageCount = Held(n / p + (n % p ? 1 : 0));
}

CKesGUIButton* CKesGUIBiqoQing::MakeButton(const std::string& path, const char* name, int widths, int gap) {
    const unsigned long tex = mDriver->LoadTexture(path.c_str(), 0);
    if (!tex) return nullptr;
    const int bw = mDriver->GetTextureWidth(tex) / 4;
    const int bh = mDriver->GetTextureHeight(tex);
    const int x = Held(mAbsoluteRect.getWidth() - (static_cast<long long>(widths) * bw + gap));
    const int y = Held(mAbsoluteRect.getHeight() - static_cast<long long>(bw) - 2);
    CKesGUIButton* button =
        new CKesGUIButton(mDriver, this, 0, name, CKesRect<int>(CKesPosition2d<int>(x, y), CKesDimension2d<int>(bw, bh)));
    button->SetBgImage(tex);
    button->SetEnabled(false);
    return button;
}

void CKesGUIBiqoQing::SetLeftButton(std::string path) {
    if (path.empty() || !mDriver) return;
    mLeftImage = path;
    CKesGUIButton* button = MakeButton(path, "表情选择向左按钮", 3, 15);
    if (!button) return;
    // A new image replaces the old button instead of stacking a second one.
    if (CKesGUIButton* old = GetLeftButtonControl()) DeleteChildren(old);
    mLeftButton = button;
    mLeftRef = button->GetRef();
}

void CKesGUIBiqoQing::SetRightButton(std::string path) {
    if (path.empty() || !mDriver) return;
    mRightImage = path;
    CKesGUIButton* button = MakeButton(path, "表情选择向右按钮", 2, 10);
    if (!button) return;
    if (CKesGUIButton* old = GetRightButtonControl()) DeleteChildren(old);
    mRightButton = button;
    mRightRef = button->GetRef();
    if (mPageCount != mCurrentPage) button->SetEnabled(true);
}

void CKesGUIBiqoQing::LoadAnimators(std::string folder) {
    if (folder.empty()) return;
    mFolder = folder;
    const std::string directory = platform::CurrentDirectory() + "\\" + folder;
    std::vector<std::string> names;
    if (!platform::ListFiles(directory, ".spr", &names)) {
        if (mDriver && CKesLogger::admits(WARN)) mDriver->SystemLog(WARN, "表情目录打开失败:" + directory);
        return;
    }
    Prune();
    for (const std::string& name : names) {
        CKesGUIGameAnimator* animator =
            new CKesGUIGameAnimator(mDriver, this, 0, "表情选择动画", CKesRect<int>(0, 0, mCellWidth, mCellHeight));
        const std::string path = directory + "\\" + name;
        if (!animator->LoadAnimator(path) && mDriver && CKesLogger::admits(WARN))
            mDriver->SystemLog(WARN, "表情动画导入失败:" + path);
        animator->SetVisible(false);
        animator->SetEnabled(false);
        mAnimators.push_back(animator);
        mAnimatorRefs.push_back(animator->GetRef());
    }
    UpdatePageCount();
}

void CKesGUIBiqoQing::HideAll() {
    for (size_t i = 0; i < mAnimators.size(); ++i)
        if (mAnimatorRefs[i]) mAnimators[i]->SetVisible(false);
}

void CKesGUIBiqoQing::Reset() {
    mCurrentPage = 0;
    mHovered = -1;
    CKesGUIButton* left = GetLeftButtonControl();
    CKesGUIButton* right = GetRightButtonControl();
    if (left) left->SetEnabled(false);
    if (right) right->SetEnabled(mPageCount != 0);
    HideAll();
}

void CKesGUIBiqoQing::ClearAllAnimator() {
    for (size_t i = 0; i < mAnimators.size(); ++i)
        if (mAnimatorRefs[i]) DeleteChildren(mAnimators[i]);
    mAnimators.clear();
    mAnimatorRefs.clear();
    // Nothing is left to hover or to page through.
    mHovered = -1;
    mCurrentPage = 0;
    mPageCount = 0;
}

std::string CKesGUIBiqoQing::GetSelectedPath() {
    Prune();
    if (mHovered < 0 || mHovered >= static_cast<int>(mAnimators.size())) return std::string();
    const std::string path = mAnimators[mHovered]->GetAnimatorPath();
    const std::string prefix = platform::CurrentDirectory() + "\\";
    const size_t at = path.find(prefix);
    if (at == std::string::npos) return std::string();
    return path.substr(at + prefix.size());
}

void CKesGUIBiqoQing::VisibleRange(int* first, int* end) const {
    const long long n = static_cast<long long>(mAnimators.size());
    const long long p = PerPage() > 0 ? PerPage() : 0;
    const long long start = std::min(n, mCurrentPage * p);
    *first = static_cast<int>(start);
    *end = static_cast<int>(std::min(n, start + p));
}

void CKesGUIBiqoQing::GetSelectBiaoQingByMouse(const CKesPosition2d<int>& pt) {
    mHovered = -1;
    int first = 0, end = 0;
    VisibleRange(&first, &end);
    for (int i = first; i < end; ++i) {
        if (mAnimators[i]->GetAbsoluteRect().isPointInside(pt)) {
            mHovered = i;
            return;
        }
    }
}

bool CKesGUIBiqoQing::OnProcessEvent(const CKesEvent& event) {
    if (!mEnabled) return false;
    Prune();
    if (event.mEventType == KESET_MOUSE_INPUT_EVENT) {
        const int kind = event.mMouseEvent.EventType;
        if (kind != KESMIE_LMOUSE_PRESSED_DOWN && kind != KESMIE_LMOUSE_LEFT_UP && kind != KESMIE_MOUSE_MOVED)
            return true;
        GetSelectBiaoQingByMouse(CKesPosition2d<int>(event.mMouseEvent.X, event.mMouseEvent.Y));
        if (kind == KESMIE_LMOUSE_PRESSED_DOWN && mHovered >= 0) {
            // The parent reads the choice while the hover still names it.
            const CKesGUIElementRef self = GetRef();
            RaiseGuiEvent(this, KESGET_ELEMENT_SELECTED);
            if (!self) return true;
            SetVisible(false);
            Reset();
        }
        return true;
    }
    if (event.mEventType != KESET_GUI_EVENT || event.mGuiEvent.EventType != KESGET_BUTTON_CLICKED) return true;
    CKesBaseGUIElement* caller = event.mGuiEvent.Caller;
    CKesGUIButton* left = GetLeftButtonControl();
    CKesGUIButton* right = GetRightButtonControl();
    if (!caller || (caller != left && caller != right)) return true;
    if (caller == right) {
        if (mCurrentPage < mPageCount - 1) {
            HideAll();
            ++mCurrentPage;
            if (left && !left->IsEnabled()) left->SetEnabled(true);
            if (mCurrentPage == mPageCount - 1) right->SetEnabled(false);
        } else {
            right->SetEnabled(false);
        }
    } else {
        if (mCurrentPage >= 1) {
            HideAll();
            --mCurrentPage;
            if (right && !right->IsEnabled()) right->SetEnabled(true);
            if (mCurrentPage == 0) left->SetEnabled(false);
        } else {
            left->SetEnabled(false);
        }
    }
    return mParent ? mParent->OnProcessEvent(event) : true;
}

void CKesGUIBiqoQing::OnProcessLostFocusEvent(const CKesEvent& event) {
    if (mParent) mParent->OnProcessEvent(event);
}

void CKesGUIBiqoQing::Draw() {
    if (!mVisible || !mDriver) return;
    Prune();
    if (mBackground) {
        const CKesRect<int> source(0, 0, mDriver->GetTextureWidth(mBackground), mDriver->GetTextureHeight(mBackground));
        mDriver->Draw2DImage(mBackground, mAbsoluteRect, source, &mClippingRect, CKesColor(0xFFFFFFFFu));
    } else {
        mDriver->Draw2dRectangle(mAbsoluteRect, CKesColor(255, 0, 0, 255), &mClippingRect);
    }
    const int left = mAbsoluteRect.UpperLeftCorner.X;
    const int top = mAbsoluteRect.UpperLeftCorner.Y;
    int first = 0, end = 0;
    VisibleRange(&first, &end);
    const int columns = mPageSize.Width > 0 ? mPageSize.Width : 1;
    for (int i = first; i < end; ++i) {
        const int k = i - first;
        CKesGUIGameAnimator* animator = mAnimators[i];
        animator->Move(CKesPosition2d<int>(Held(left + 5LL + (mCellWidth + 5LL) * (k % columns)),
                                           Held(top + 5LL + (mCellHeight + 5LL) * (k / columns))));
        animator->SetVisible(true);
    }
    if (mHovered >= 0 && mHovered < static_cast<int>(mAnimators.size())) {
        const CKesRect<int>& r = mAnimators[mHovered]->GetAbsoluteRect();
        const CKesColor white(0xFFFFFFFFu);
        const CKesPosition2d<int> ul = r.UpperLeftCorner;
        const CKesPosition2d<int> lr = r.LowerRightCorner;
        mDriver->Draw2dLine(ul, CKesPosition2d<int>(lr.X, ul.Y), white);
        mDriver->Draw2dLine(CKesPosition2d<int>(lr.X, ul.Y), lr, white);
        mDriver->Draw2dLine(lr, CKesPosition2d<int>(ul.X, lr.Y), white);
        mDriver->Draw2dLine(CKesPosition2d<int>(ul.X, lr.Y), ul, white);
    }
    char text[32];
    std::snprintf(text, sizeof(text), "%d / %d", mCurrentPage + 1, mPageCount);
    const int bottom = mAbsoluteRect.LowerRightCorner.Y;
    const CKesRect<int> pageRect(left, Held(bottom - 20LL), Held(left + mAbsoluteRect.getWidth() / 3LL), bottom);
    mDriver->DrawString(text, pageRect, CKesColor(0xFFFFFFFFu), true, true, &mClippingRect);
    CKesBaseGUIElement::Draw();
}

}  // namespace kest2d
