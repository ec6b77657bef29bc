#include "gui/Kest2dGUIContainer.h"

#include <algorithm>

#include "frame/Kest2dBaseFrame.h"
#include "gui/controls/Kest2dGUIButton.h"
#include "gui/controls/Kest2dGUIEditorBox.h"
#include "gui/controls/Kest2dGUIGameCard.h"
#include "gui/controls/Kest2dGUIImage.h"
#include "gui/controls/Kest2dGUIMoveAnimator.h"
#include "gui/controls/Kest2dGUIStatic.h"
#include "gui/controls/Kest2dGUIVideo.h"
#include "gui/controls/Kest2dGUIGameAnimator.h"
#include "gui/controls/Kest2dGUIGameClock.h"
#include "gui/controls/Kest2dGUIMultiButton.h"
#include "gui/controls/Kest2dGUIInfoScroller.h"
#include "gui/controls/Kest2dGUIChatMessage.h"
#include "gui/controls/Kest2dGUIDragControl.h"
#include "gui/controls/Kest2dGUIProcessBar.h"
#include "gui/controls/Kest2dGUIScrollBar.h"
#include "gui/controls/Kest2dGUIMultiListBox.h"
#include "gui/controls/Kest2dGUIBiqoQing.h"
#include "gui/controls/Kest2dGUITextarea.h"
#include "gui/controls/Kest2dGUIImageListBox.h"

namespace kest2d {

namespace {

// Every live container, so that a destroyed element can be forgotten by all
// of them (UI thread only).
std::vector<CKesBaseGUIContainer*>& Containers() {
    static std::vector<CKesBaseGUIContainer*>* all = new std::vector<CKesBaseGUIContainer*>();
    return *all;
}

bool IsCapturable(const CKesBaseGUIElement* e) {
    return e->GetType() == KESGUT_SCROLLBAR || e->GetType() == KESGUI_DRAGCONTROL;
}

CKesPosition2d<int> MousePoint(const CKesEvent& event) {
    return CKesPosition2d<int>(event.mMouseEvent.X, event.mMouseEvent.Y);
}

}  // namespace

CKesBaseGUIContainer::CKesBaseGUIContainer() {
    mCurrent = this;
    mBackground = 0;
    mMoving = true;
    Register();
}

CKesBaseGUIContainer::CKesBaseGUIContainer(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id,
                                           const CKesRect<int>& rect)
    : CKesBaseGUIElement(KESGUI_CONTAINER, frame, parent, id, rect) {
    mCurrent = this;
    mBackground = 0;
    mMoving = true;
    Register();
}

CKesBaseGUIContainer::CKesBaseGUIContainer(const CKesBaseGUIContainer& other)
    : CKesBaseGUIElement(other), mModal(other.mModal), mParameters(other.mParameters) {
    mCurrent = this;
    Register();
}

CKesBaseGUIContainer& CKesBaseGUIContainer::operator=(const CKesBaseGUIContainer& other) {
    if (this != &other) {
        CKesBaseGUIElement::operator=(other);
        mModal = other.mModal;
        mParameters = other.mParameters;
    }
    return *this;
}

CKesBaseGUIContainer::~CKesBaseGUIContainer() {
    std::vector<CKesBaseGUIContainer*>& all = Containers();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
    mParameters.clear();
}

void CKesBaseGUIContainer::Register() { Containers().push_back(this); }

void CKesBaseGUIContainer::ForgetElement(CKesBaseGUIElement* element) {
    for (CKesBaseGUIContainer* c : Containers()) {
        if (c->mCurrent == element) c->mCurrent = c;
        if (c->mFocused == element) c->mFocused = nullptr;
        if (c->mCaptured == element) c->mCaptured = nullptr;
    }
}

void CKesBaseGUIContainer::FollowDrag(const CKesEvent& event, bool requireInside) {
    if (event.mEventType != KESET_MOUSE_INPUT_EVENT) return;
    const int kind = event.mMouseEvent.EventType;
    if (kind != KESMIE_MOUSE_MOVED && kind != KESMIE_LMOUSE_LEFT_UP) return;
    const CKesPosition2d<int> pt = MousePoint(event);
    const bool inside = mAbsoluteRect.isPointInside(pt);
    if (mDragging && mMoving && (inside || !requireInside))
        Move(CKesPosition2d<int>(pt.X - mDragOffsetX, pt.Y - mDragOffsetY));
    if (kind == KESMIE_LMOUSE_LEFT_UP) mDragging = false;
}

bool CKesBaseGUIContainer::OnProcessEvent(const CKesEvent& event) {
    if (event.mEventType == KESET_MOUSE_INPUT_EVENT) {
        if (event.mMouseEvent.EventType == KESMIE_LMOUSE_PRESSED_DOWN) {
            const CKesPosition2d<int> pt = MousePoint(event);
            if (mMoving && mAbsoluteRect.isPointInside(pt)) {
                mDragging = true;
                mDragOffsetX = pt.X - mAbsoluteRect.UpperLeftCorner.X;
                mDragOffsetY = pt.Y - mAbsoluteRect.UpperLeftCorner.Y;
            }
        } else {
            FollowDrag(event, true);
        }
    } else if (event.mEventType == KESET_GUI_EVENT && event.mGuiEvent.EventType == KESGET_BUTTON_CLICKED &&
               event.mGuiEvent.Caller) {
        const int id = event.mGuiEvent.Caller->GetID();
        if (id == KES_ID_CLOSE || id == KES_ID_CLOSE2) SetVisible(false);
    }
    // Nothing of this container is touched after the parent's handler: it
    // may delete this container.
    return mParent ? mParent->OnProcessEvent(event) : false;
}

void CKesBaseGUIContainer::OnProcessLostFocusEvent(const CKesEvent& event) { FollowDrag(event, false); }

void CKesBaseGUIContainer::OnProcessMouseLeaveFrame(const CKesEvent& /*event*/) {
    if (mCurrent && mCurrent != this && mCurrent->GetType() == KESGUI_CONTAINER) {
        if (CKesBaseGUIContainer* c = dynamic_cast<CKesBaseGUIContainer*>(mCurrent)) c->mDragging = false;
        mCurrent = this;
    }
}

void CKesBaseGUIContainer::Draw() {
    if (!mVisible && mChildren.empty()) return;
    if (mModal && mDriver && mParent)
        mDriver->Draw2dRectangle(mParent->GetAbsoluteRect(), CKesColor(0x9B6C6C6Cu), nullptr);
    if (mBackground && mDriver) {
        const CKesRect<int> source(0, 0, mDriver->GetTextureWidth(mBackground), mDriver->GetTextureHeight(mBackground));
        mDriver->Draw2DImage(mBackground, mAbsoluteRect, source, &mClippingRect, CKesColor(0xFFFFFFFFu));
    }
    const CKesGUIElementRef self = GetRef();
    for (const CKesGUIElementRef& ref : SnapshotChildren()) {
        CKesBaseGUIElement* child = ref.get();
        if (child && child->isVisible()) child->Draw();
        if (!self) return;
    }
}

void CKesBaseGUIContainer::ShowControlById(int id, bool show) {
    CKesBaseGUIElement* element = FindControlById(id);
    if (!element) {
        mCurrent = this;
        return;
    }
    const CKesGUIElementRef target = element->GetRef();
    CKesEvent empty{};
    if (element->GetType() == KESGUI_CONTAINER && show) {
        if (mCurrent && mCurrent != element) {
            mCurrent->OnProcessLostFocusEvent(empty);
            if (!target) return;
        }
        bringToFront(element);
        mCurrent = element;
        element->SetVisible(true);
    } else {
        if (mCurrent && mCurrent != this) {
            mCurrent->OnProcessLostFocusEvent(empty);
            if (!target) return;
        }
        mCurrent = this;
        element->SetVisible(show);
    }
}

void CKesBaseGUIContainer::EnableControlById(int id, bool enable) {
    if (CKesBaseGUIElement* element = FindControlById(id)) element->SetEnabled(enable);
}

CKesBaseGUIContainer* CKesBaseGUIContainer::AddContainer(int id, std::string name, CKesRect<int> rect,
                                                         CKesBaseGUIElement* parent, bool visible) {
    if (CKesBaseGUIContainer* existing = FindControlOfClass<CKesBaseGUIContainer>(id)) return existing;
    CKesBaseGUIContainer* c = new CKesBaseGUIContainer(mDriver, parent ? parent : this, id, rect);
    c->SetCaption(name);
    c->SetVisible(visible);
    return c;
}

CKesGUIButton* CKesBaseGUIContainer::AddButton(int id, std::string name, CKesRect<int> rect,
                                               CKesBaseGUIElement* parent) {
    return FindOrCreateControl<CKesGUIButton>(id, name, rect, parent);
}

CKesGUIStatic* CKesBaseGUIContainer::AddStaticText(int id, std::string name, CKesRect<int> rect,
                                                   CKesBaseGUIElement* parent) {
    return FindOrCreateControl<CKesGUIStatic>(id, name, rect, parent);
}

CKesGUIEditorBox* CKesBaseGUIContainer::AddEditorBox(int id, std::string name, CKesRect<int> rect,
                                                     CKesBaseGUIElement* parent) {
    return FindOrCreateControl<CKesGUIEditorBox>(id, name, rect, parent);
}

CKesGUIVideo* CKesBaseGUIContainer::AddVideoBox(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent) {
    return FindOrCreateControl<CKesGUIVideo>(id, name, rect, parent);
}

CKesGUIGameAnimator* CKesBaseGUIContainer::AddGameAnimator(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent) {
    return FindOrCreateControl<CKesGUIGameAnimator>(id, name, rect, parent);
}

CKesGUIGameClock* CKesBaseGUIContainer::AddGameClock(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent) {
    return FindOrCreateControl<CKesGUIGameClock>(id, name, rect, parent);
}

CKesGUIMultiButton* CKesBaseGUIContainer::AddMultiButton(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent) {
    return FindOrCreateControl<CKesGUIMultiButton>(id, name, rect, parent);
}

CKesGUIInfoScroller* CKesBaseGUIContainer::AddInfoScroller(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent) {
    return FindOrCreateControl<CKesGUIInfoScroller>(id, name, rect, parent);
}

CKesGUIScrollBar* CKesBaseGUIContainer::AddScrollBar(int id, std::string name, CKesRect<int> rect,
                                                     CKesBaseGUIElement* parent) {
    return FindOrCreateControl<CKesGUIScrollBar>(id, name, rect, parent);
}

CKesGUIDragControl* CKesBaseGUIContainer::AddDragControl(int id, std::string name, CKesRect<int> rect,
                                                         CKesBaseGUIElement* parent) {
    return FindOrCreateControl<CKesGUIDragControl>(id, name, rect, parent);
}

CKesGUIProcessBar* CKesBaseGUIContainer::AddProcessBar(int id, std::string name, CKesRect<int> rect,
                                                       CKesBaseGUIElement* parent) {
    return FindOrCreateControl<CKesGUIProcessBar>(id, name, rect, parent);
}

CKesGUITextarea* CKesBaseGUIContainer::AddTextarea(int id, std::string name, CKesRect<int> rect,
                                                   CKesBaseGUIElement* parent) {
    return FindOrCreateControl<CKesGUITextarea>(id, name, rect, parent);
}

CKesGUIChatMessage* CKesBaseGUIContainer::AddChatMessage(int id, std::string name, CKesRect<int> rect,
                                                         CKesBaseGUIElement* parent) {
    return FindOrCreateControl<CKesGUIChatMessage>(id, name, rect, parent);
}

CKesGUIGameCard* CKesBaseGUIContainer::AddGameCard(int id, std::string name, CKesRect<int> rect,
                                                   CKesBaseGUIElement* parent) {
    return FindOrCreateControl<CKesGUIGameCard>(id, name, rect, parent);
}

CKesGUIImage* CKesBaseGUIContainer::AddImage(int id, std::string name, CKesRect<int> rect,
                                             CKesBaseGUIElement* parent) {
    return FindOrCreateControl<CKesGUIImage>(id, name, rect, parent);
}

CKesGUIMoveAnimator* CKesBaseGUIContainer::AddMoveAnimator(int id, std::string name, CKesRect<int> rect,
                                                           CKesBaseGUIElement* parent) {
    return FindOrCreateControl<CKesGUIMoveAnimator>(id, name, rect, parent);
}

CKesGUIMultiListBox* CKesBaseGUIContainer::AddMultiListBox(int id, std::string name, CKesRect<int> rect,
                                                           CKesBaseGUIElement* parent) {
    return FindOrCreateControl<CKesGUIMultiListBox>(id, name, rect, parent);
}

CKesGUIBiqoQing* CKesBaseGUIContainer::AddBiaoQingCtrl(int id, std::string name, CKesRect<int> rect,
                                                       CKesBaseGUIElement* parent) {
    return FindOrCreateControl<CKesGUIBiqoQing>(id, name, rect, parent);
}

CKesGUIImageListBox* CKesBaseGUIContainer::AddImageListBox(int id, std::string name, CKesRect<int> rect,
                                                           CKesBaseGUIElement* parent) {
    return FindOrCreateControl<CKesGUIImageListBox>(id, name, rect, parent);
}

int CKesBaseGUIContainer::ParseStringToParameter(std::string text, std::string separators) {
    while (!text.empty()) {
        const size_t at = text.find_first_of(separators);
        if (at == std::string::npos || at == 0) {
            mParameters.push_back(text);
            break;
        }
        mParameters.push_back(text.substr(0, at));
        text.erase(0, at + 1);
    }
    return static_cast<int>(mParameters.size());
}

void CKesBaseGUIContainer::LoseFocusOfCurrent(const CKesEvent& event) {
    if (mCurrent) mCurrent->OnProcessLostFocusEvent(event);
}

void CKesBaseGUIContainer::MoveFocusToCurrent() {
    if (mFocused == mCurrent) return;
    if (mFocused) mFocused->SetFocus(false);
    mFocused = mCurrent;
    if (mFocused) mFocused->SetFocus(true);
}

// The input router. Handlers called from here may delete elements (scripts
// do): the pointers kept across a call are handles that turn null, and the
// container's own pointers are reset by ForgetElement.
bool CKesBaseGUIContainer::postEventFromUser(const CKesEvent& event) {
    const CKesGUIElementRef self = GetRef();
    if (event.mEventType != KESET_MOUSE_INPUT_EVENT) {
        if ((event.mEventType == KESET_KEY_INPUT_EVENT || event.mEventType == KESET_IME_EVENT) && mFocused &&
            mFocused->GetType() == KESGUT_EDITORBOX)
            return mFocused->OnProcessEvent(event);
        return mCurrent ? mCurrent->OnProcessEvent(event) : true;
    }
    const int kind = event.mMouseEvent.EventType;
    if (kind != KESMIE_LMOUSE_PRESSED_DOWN && kind != KESMIE_LMOUSE_LEFT_UP && kind != KESMIE_MOUSE_MOVED)
        return mCurrent ? mCurrent->OnProcessEvent(event) : true;

    const CKesPosition2d<int> pt = MousePoint(event);
    const bool press = kind == KESMIE_LMOUSE_PRESSED_DOWN;

    // A captured scroll bar or slider follows the mouse wherever it goes.
    if (mCaptured && !press) {
        mCaptured->OnProcessEvent(event);
        if (!self) return true;
    }

    // Dragging this container itself.
    if (mAbsoluteRect.isPointInside(pt)) {
        if (mDragging && mMoving) {
            Move(CKesPosition2d<int>(pt.X - mDragOffsetX, pt.Y - mDragOffsetY));
            if (!self) return true;
            if (kind == KESMIE_LMOUSE_LEFT_UP) mDragging = false;
        }
    } else {
        mDragging = false;
    }

    if (!mCurrent) return true;

    if (mCurrent->GetType() == KESGUI_CONTAINER) {
        CKesBaseGUIContainer* current = dynamic_cast<CKesBaseGUIContainer*>(mCurrent);
        if (current) {
            if (press) bringToFront(current);
            const bool inside = current->GetAbsoluteRect().isPointInside(pt);
            if (current->IsModal()) {
                if (!inside) {
                    // A modal container keeps every mouse event while it is current.
                    current->OnProcessLostFocusEvent(event);
                    return true;
                }
                return RouteToHit(current->FindControlByPosition(pt), event, press, self);
            }
            if (inside && current->mDragging && current->isMoving()) return current->OnProcessEvent(event);
            if (!inside) {
                current->OnProcessLostFocusEvent(event);
                if (!self) return true;
            }
        }
    }

    return RouteToHit(FindControlByPosition(pt), event, press, self);
}

// The hit element becomes current (the old one losing its focus), a pressed
// scroll bar or slider is captured, a press moves the focus, and the event
// goes to the current element.
bool CKesBaseGUIContainer::RouteToHit(CKesBaseGUIElement* hit, const CKesEvent& event, bool press,
                                      const CKesGUIElementRef& self) {
    const CKesGUIElementRef hitRef = hit ? hit->GetRef() : CKesGUIElementRef();
    bool skipFocus = false;
    if (hit && hit != mCurrent) {
        LoseFocusOfCurrent(event);
        if (!self) return true;
        if (hitRef) mCurrent = hitRef.get();
    }
    if (hitRef && IsCapturable(hitRef.get())) {
        if (press)
            mCaptured = hitRef.get();
        else
            skipFocus = true;
    }
    if (press && !skipFocus) MoveFocusToCurrent();
    return mCurrent ? mCurrent->OnProcessEvent(event) : true;
}

}  // namespace kest2d
