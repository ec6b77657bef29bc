#include "gui/Kest2dGUIElement.h"

#include <algorithm>

namespace kest2d {

CKesBaseGUIElement::CKesBaseGUIElement() = default;

CKesBaseGUIElement::CKesBaseGUIElement(KESGUI_ELEMENT_TYPE type, CKesBaseFrame* frame, CKesBaseGUIElement* parent,
                                       int id, const CKesRect<int>& rect)
    : mParent(parent), mId(id), mDriver(frame), mType(type) {
    mRelativePos = CKesDimension2d<int>(rect.UpperLeftCorner.X, rect.UpperLeftCorner.Y);
    if (parent) {
        const CKesPosition2d<int> origin = parent->GetAbsoluteRect().UpperLeftCorner;
        mAbsoluteRect = rect + origin;
        mClippingRect = parent->GetAbsoluteRect();
    } else {
        mAbsoluteRect = rect;
        mClippingRect = rect;
    }
    mSize = mAbsoluteRect.getSize();
}

CKesBaseGUIElement::~CKesBaseGUIElement() { DeleteAllControls(); }

bool CKesBaseGUIElement::OnProcessEvent(const CKesEvent& event) {
    return mParent ? mParent->OnProcessEvent(event) : false;
}

void CKesBaseGUIElement::Move(const CKesPosition2d<int>& offset) {
    mAbsoluteRect = mAbsoluteRect + offset;
    for (CKesBaseGUIElement* c : mChildren) c->Move(offset);
}

void CKesBaseGUIElement::Draw() {
    if (!mVisible) return;
    for (CKesBaseGUIElement* c : mChildren) c->Draw();
}

bool CKesBaseGUIElement::OnProcessPostUpdate() {
    for (CKesBaseGUIElement* c : mChildren)
        if (c->IsVisible()) c->OnProcessPostUpdate();
    return true;
}

void CKesBaseGUIElement::AddChildren(CKesBaseGUIElement* child) {
    if (!child) return;
    if (std::find(mChildren.begin(), mChildren.end(), child) != mChildren.end()) return;
    mChildren.push_back(child);
}

void CKesBaseGUIElement::DeleteChildren(CKesBaseGUIElement* child) {
    auto it = std::find(mChildren.begin(), mChildren.end(), child);
    if (it == mChildren.end()) return;
    mChildren.erase(it);
    delete child;
}

void CKesBaseGUIElement::DeleteAllControls() {
    while (!mChildren.empty()) {
        CKesBaseGUIElement* c = mChildren.front();
        mChildren.pop_front();
        delete c;
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
    for (CKesBaseGUIElement* c : mChildren) {
        if (c->GetID() == id) return c;
        if (CKesBaseGUIElement* f = c->FindControlById(id)) return f;
    }
    return nullptr;
}

CKesBaseGUIElement* CKesBaseGUIElement::FindControlByPosition(const CKesPosition2d<int>& pos) {
    for (auto it = mChildren.rbegin(); it != mChildren.rend(); ++it) {
        CKesBaseGUIElement* c = *it;
        if (c->IsVisible() && c->IsEnabled() && c->GetAbsoluteRect().isPointInside(pos)) return c;
    }
    return nullptr;
}

}  // namespace kest2d
