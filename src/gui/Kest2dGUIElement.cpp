#include "gui/Kest2dGUIElement.h"

#include <algorithm>
#include <cstdio>

#include "frame/Kest2dBaseFrame.h"
#include "frame/Kest2dLifetime.h"
#include "gui/Kest2dGUIContainer.h"

namespace kest2d {

namespace {

CKesGUIElementRef RefTo(const CKesBaseGUIElement* element) {
    return element ? element->GetRef() : CKesGUIElementRef();
}

// True when `element` is `ancestor` or stands below it on the parent chain.
bool OnParentChain(const CKesBaseGUIElement* element, const CKesBaseGUIElement* ancestor) {
    for (const CKesBaseGUIElement* e = element; e; e = e->GetParent())
        if (e == ancestor) return true;
    return false;
}

}  // namespace

CKesBaseGUIElement::CKesBaseGUIElement() : mSelf(std::make_shared<CKesBaseGUIElement*>(this)) {
    lifetime::Begin(this, lifetime::Kind::Element);
}

CKesBaseGUIElement::CKesBaseGUIElement(KESGUI_ELEMENT_TYPE type, CKesBaseFrame* frame, CKesBaseGUIElement* parent,
                                       int id, const CKesRect<int>& rect)
    : mParent(RefTo(parent)), mId(id), mDriver(frame), mType(type),
      mSelf(std::make_shared<CKesBaseGUIElement*>(this)) {
    lifetime::Begin(this, lifetime::Kind::Element);
    mRelativePos = CKesDimension2d<int>(rect.UpperLeftCorner.X, rect.UpperLeftCorner.Y);
    if (parent) {
        const CKesPosition2d<int> origin = parent->GetAbsoluteRect().UpperLeftCorner;
        const CKesPosition2d<int> upperLeft = origin + rect.UpperLeftCorner;
        mAbsoluteRect = CKesRect<int>(upperLeft, rect.getSize());
        mClippingRect = parent->GetAbsoluteRect();
        mSize = mAbsoluteRect.getSize();
        parent->AddChildren(this);
    } else {
        mAbsoluteRect = rect;
        mSize = mAbsoluteRect.getSize();
        mClippingRect = mAbsoluteRect;
    }
}

CKesBaseGUIElement::CKesBaseGUIElement(const CKesBaseGUIElement& other)
    : CKesEventReceiver(other), mSelf(std::make_shared<CKesBaseGUIElement*>(this)) {
    lifetime::Begin(this, lifetime::Kind::Element);
    CopyLook(other);
}

CKesBaseGUIElement& CKesBaseGUIElement::operator=(const CKesBaseGUIElement& other) {
    if (this != &other) CopyLook(other);
    return *this;
}

void CKesBaseGUIElement::CopyLook(const CKesBaseGUIElement& other) {
    mAbsoluteRect = other.mAbsoluteRect;
    mSize = other.mSize;
    mRelativePos = other.mRelativePos;
    mClippingRect = other.mClippingRect;
    mBackground = other.mBackground;
    mVisible = other.mVisible;
    mEnabled = other.mEnabled;
    mMoving = other.mMoving;
    mFocus = other.mFocus;
    mCaption = other.mCaption;
    mTipText = other.mTipText;
    mId = other.mId;
    mDriver = other.mDriver;
    mType = other.mType;
}

CKesBaseGUIElement::~CKesBaseGUIElement() {
    *mSelf = nullptr;
    // Before the children go: the script binding forgets what refers to it.
    lifetime::End(this);
    // Still standing in a list (a script deleted it directly): leave it.
    if (mHolder) mHolder->Unlink(this);
    CKesBaseGUIContainer::ForgetElement(this);
    DeleteAllControls();
}

bool CKesBaseGUIElement::OnProcessEvent(const CKesEvent& event) {
    return mParent ? mParent->OnProcessEvent(event) : false;
}

void CKesBaseGUIElement::Move(const CKesPosition2d<int>& pos) {
    mAbsoluteRect = CKesRect<int>(pos, mSize);
    const CKesGUIElementRef self = GetRef();
    for (const CKesGUIElementRef& ref : SnapshotChildren()) {
        CKesBaseGUIElement* child = ref.get();
        if (!child) continue;
        const CKesPosition2d<int> upperLeft = pos + child->mRelativePos;
        child->mAbsoluteRect = CKesRect<int>(upperLeft, child->mSize);
        child->mClippingRect = mAbsoluteRect;
        child->Move(upperLeft);
        if (!self) return;
    }
}

void CKesBaseGUIElement::Draw() {
    if (!mVisible) return;
    const CKesGUIElementRef self = GetRef();
    for (const CKesGUIElementRef& ref : SnapshotChildren()) {
        CKesBaseGUIElement* child = ref.get();
        if (child && child->isVisible()) child->Draw();
        if (!self) return;
    }
}

// Every visible child is visited each frame, so a later sibling (a video box
// whose clip ended) is never starved by an earlier one that reports work.
bool CKesBaseGUIElement::OnProcessPostUpdate() {
    if (!mVisible || mChildren.empty()) return false;
    const CKesGUIElementRef self = GetRef();
    for (const CKesGUIElementRef& ref : SnapshotChildren()) {
        CKesBaseGUIElement* child = ref.get();
        if (child && child->isVisible()) child->OnProcessPostUpdate();
        if (!self) break;
    }
    return true;
}

void CKesBaseGUIElement::Unlink(CKesBaseGUIElement* child) {
    auto it = std::find(mChildren.begin(), mChildren.end(), child);
    if (it != mChildren.end()) mChildren.erase(it);
    if (child->mHolder == this) child->mHolder = nullptr;
}

bool CKesBaseGUIElement::IsFrameRoot() const { return dynamic_cast<const CKesBaseFrame*>(this) != nullptr; }

CKesBaseGUIElement::Refusal CKesBaseGUIElement::RefuseParent(const CKesBaseGUIElement* parent) const {
    return OnParentChain(parent, this) ? Refusal::Loop : Refusal::None;
}

CKesBaseGUIElement::Refusal CKesBaseGUIElement::RefuseChild(const CKesBaseGUIElement* child) const {
    if (!child) return Refusal::None;
    if (child->IsFrameRoot()) return Refusal::FrameRoot;
    // An element never stands below itself, in the lists or on the parent chain.
    for (const CKesBaseGUIElement* e = this; e; e = e->mHolder)
        if (e == child) return Refusal::Loop;
    return OnParentChain(this, child) ? Refusal::Loop : Refusal::None;
}

CKesBaseGUIElement::Refusal CKesBaseGUIElement::RefuseDelete(const CKesBaseGUIElement* child) const {
    return child && child->IsFrameRoot() ? Refusal::FrameRoot : Refusal::None;
}

void CKesBaseGUIElement::LogRefusal(const char* what, Refusal refusal, const CKesBaseGUIElement* other) const {
    if (!mDriver || !CKesLogger::admits(WARN)) return;
    char text[160];
    std::snprintf(text, sizeof(text), "%s失败: 元素 %d 与元素 %d %s", what, mId, other ? other->GetID() : 0,
                  refusal == Refusal::FrameRoot ? "(游戏窗口的根元素属于窗口)" : "(父元素链将成环)");
    mDriver->SystemLog(WARN, text);
}

void CKesBaseGUIElement::SetParent(CKesBaseGUIElement* parent) {
    if (const Refusal refusal = RefuseParent(parent); refusal != Refusal::None) {
        LogRefusal("设置父元素", refusal, parent);
        return;
    }
    mParent = RefTo(parent);
}

void CKesBaseGUIElement::AddChildren(CKesBaseGUIElement* child) {
    if (!child || child->mHolder == this) return;
    if (std::find(mChildren.begin(), mChildren.end(), child) != mChildren.end()) return;
    if (const Refusal refusal = RefuseChild(child); refusal != Refusal::None) {
        LogRefusal("添加子元素", refusal, child);
        return;
    }
    if (child->mHolder) child->mHolder->Unlink(child);
    mChildren.push_back(child);
    child->mHolder = this;
    child->mParent = GetRef();
}

void CKesBaseGUIElement::DeleteChildren(CKesBaseGUIElement* child) {
    if (!child) return;
    if (const Refusal refusal = RefuseDelete(child); refusal != Refusal::None) {
        LogRefusal("删除子元素", refusal, child);
        return;
    }
    const bool ours = child->mHolder == this ||
                      std::find(mChildren.begin(), mChildren.end(), child) != mChildren.end();
    if (!ours && (child->mHolder || child->mParent)) {
        // It belongs to another element: deleting it here would pull it out
        // from under its real parent.
        if (mDriver && CKesLogger::admits(WARN)) {
            char text[128];
            std::snprintf(text, sizeof(text), "删除子元素失败: 元素 %d 不是元素 %d 的子元素", child->GetID(), mId);
            mDriver->SystemLog(WARN, text);
        }
        return;
    }
    Unlink(child);
    delete child;
}

void CKesBaseGUIElement::DeleteAllControls() {
    while (!mChildren.empty()) {
        CKesBaseGUIElement* child = mChildren.front();
        mChildren.pop_front();
        delete child;
    }
}

bool CKesBaseGUIElement::bringToFront(CKesBaseGUIElement* child) {
    auto it = std::find(mChildren.begin(), mChildren.end(), child);
    if (it == mChildren.end()) return false;
    mChildren.erase(it);
    mChildren.push_back(child);
    return true;
}

CKesBaseGUIElement* CKesBaseGUIElement::FindControlById(int id) {
    if (id == 0 || id == -1) return nullptr;
    for (CKesBaseGUIElement* child : mChildren) {
        if (child->GetID() == id) return child;
        if (child->IsChildrens()) {
            if (CKesBaseGUIElement* found = child->FindControlById(id)) return found;
        }
    }
    return mId == id ? this : nullptr;
}

CKesBaseGUIElement* CKesBaseGUIElement::FindControlByPosition(const CKesPosition2d<int>& pos) {
    if (!mChildren.empty() && mVisible && mEnabled) {
        for (auto it = mChildren.rbegin(); it != mChildren.rend(); ++it) {
            CKesBaseGUIElement* child = *it;
            if (!child->isVisible() || !child->IsEnabled() || !child->GetAbsoluteRect().isPointInside(pos)) continue;
            return child->IsChildrens() ? child->FindControlByPosition(pos) : child;
        }
    }
    return (mVisible && mEnabled && mAbsoluteRect.isPointInside(pos)) ? this : nullptr;
}

bool CKesBaseGUIElement::IsInSubtree(const CKesBaseGUIElement* element) const {
    for (const CKesBaseGUIElement* e = element; e; e = e->mHolder)
        if (e == this) return true;
    return false;
}

std::vector<CKesGUIElementRef> CKesBaseGUIElement::SnapshotChildren() const {
    std::vector<CKesGUIElementRef> refs;
    refs.reserve(mChildren.size());
    for (const CKesBaseGUIElement* child : mChildren) refs.push_back(child->GetRef());
    return refs;
}

}  // namespace kest2d
