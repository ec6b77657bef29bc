// The base of every element of the GUI tree.
#pragma once

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "frame/Kest2dEvent.h"
#include "frame/types/Kest2dRect.h"

// An element's type. Scripts may tag elements with kinds of their own
// (SetType): any int is kept, and the engine only ever compares a type with
// these values.
enum KESGUI_ELEMENT_TYPE : int {
    KESGUI_CONTAINER = 0,
    KESGUI_BUTTON = 1,
    KESGUT_IMAGE = 2,
    KESGUT_PROCESSBAR = 3,
    KESGUT_STATIC = 4,
    KESGUT_EDITORBOX = 5,
    KESGUI_VIDEOBOX = 6,
    KESGUI_GAMECARD = 7,
    KESGUI_GAMECLOCK = 8,
    KESGUI_GAMEANIMATOR = 9,
    KESGUI_INFOSCROLLER = 10,
    KESGUI_TEXTAREA = 11,
    KESGUT_SCROLLBAR = 12,
    KESGUI_CHATMESSAGE = 13,
    KESGUI_IMAGELISTBOX = 14,
    KESGUI_MULTIBUTTON = 15,
    KESGUI_MULTILISTBOX = 16,
    KESGUI_BIAOQING = 17,
    KESGUI_MOVEANIMATOR = 18,
    KESGUI_DRAGCONTROL = 19,
    KESGUI_COUNT = 20,
};

namespace kest2d {

class CKesBaseFrame;
class CKesBaseGUIElement;

// A pointer to an element that reads as null once the element is destroyed.
// Traversals keep these while they call handlers that may delete elements
// (scripts do so from inside a click).
class CKesGUIElementRef {
public:
    CKesGUIElementRef() = default;
    CKesBaseGUIElement* get() const { return mCell ? *mCell : nullptr; }
    CKesBaseGUIElement* operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }

private:
    friend class CKesBaseGUIElement;
    explicit CKesGUIElementRef(std::shared_ptr<CKesBaseGUIElement*> cell) : mCell(std::move(cell)) {}
    std::shared_ptr<CKesBaseGUIElement*> mCell;
};

class CKesBaseGUIElement : public CKesEventReceiver {
public:
    CKesBaseGUIElement();
    CKesBaseGUIElement(KESGUI_ELEMENT_TYPE type, CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id,
                       const CKesRect<int>& rect);
    // A copy takes the look (geometry, flags, texts, id, frame, type) but
    // not the place in a tree: it has no parent and no children.
    CKesBaseGUIElement(const CKesBaseGUIElement& other);
    CKesBaseGUIElement& operator=(const CKesBaseGUIElement& other);
    virtual ~CKesBaseGUIElement();

    // The eight virtual slots every element and control shares.
    bool OnProcessEvent(const CKesEvent& event) override;
    virtual void SetEnabled(bool enabled) { mEnabled = enabled; }
    virtual void Move(const CKesPosition2d<int>& pos);
    virtual void Draw();
    virtual bool OnProcessPostUpdate();
    virtual void OnProcessLostFocusEvent(const CKesEvent& event) { (void)event; }
    virtual void OnProcessMouseLeaveFrame(const CKesEvent& event) { (void)event; }

    // Tree. The child list keeps insertion order: drawn first to last, hit
    // tested last to first. A child taken into the list leaves the list that
    // held it and has this element as its parent from then on, so that its
    // events follow it.
    void AddChildren(CKesBaseGUIElement* child);
    void DeleteChildren(CKesBaseGUIElement* child);
    void DeleteAllControls();
    bool bringToFront(CKesBaseGUIElement* child);
    std::list<CKesBaseGUIElement*>& GetChildrens() { return mChildren; }
    bool IsChildrens() const { return !mChildren.empty(); }
    CKesBaseGUIElement* FindControlById(int id);
    CKesBaseGUIElement* FindControlByPosition(const CKesPosition2d<int>& pos);
    // True when `element` is this element or lies in its subtree.
    bool IsInSubtree(const CKesBaseGUIElement* element) const;

    // A handle that turns null when this element is destroyed.
    CKesGUIElementRef GetRef() const { return CKesGUIElementRef(mSelf); }
    // The element whose child list holds this one (and deletes it), or null.
    CKesBaseGUIElement* GetHolder() const { return mHolder; }

    // What the tree refuses, so that it stays a tree whose root the frame
    // keeps: a parent chain that runs into a loop, the frame's own root in
    // another element's list or deleted by one, an element in its own list.
    enum class Refusal { None, FrameRoot, Loop };
    // Why `parent` cannot become this element's parent.
    Refusal RefuseParent(const CKesBaseGUIElement* parent) const;
    // Why `child` cannot join this element's child list.
    Refusal RefuseChild(const CKesBaseGUIElement* child) const;
    // Why this element cannot delete `child`.
    Refusal RefuseDelete(const CKesBaseGUIElement* child) const;
    // True for the frame's own container part, the root of the running GUI.
    bool IsFrameRoot() const;

    CKesBaseFrame* GetDriver() const { return mDriver; }
    void SetDriver(CKesBaseFrame* frame) { mDriver = frame; }
    // The parent reads null once it is destroyed; a parent that would make
    // the parent chain a loop is refused (logged).
    CKesBaseGUIElement* GetParent() const { return mParent.get(); }
    void SetParent(CKesBaseGUIElement* parent);
    CKesRect<int>& GetAbsoluteRect() { return mAbsoluteRect; }
    void SetAbsoluteRect(const CKesRect<int>& rect) { mAbsoluteRect = rect; }
    CKesDimension2d<int>& GetRelativeRect() { return mRelativePos; }
    void SetRelativeRect(const CKesDimension2d<int>& pos) { mRelativePos = pos; }
    CKesRect<int>& GetClippingRect() { return mClippingRect; }
    void SetClippingRect(const CKesRect<int>& rect) { mClippingRect = rect; }
    CKesDimension2d<int>& GetControlWidthAndHeight() { return mSize; }
    void SetControlWidthAndHeight(const CKesDimension2d<int>& size) { mSize = size; }
    bool isVisible() const { return mVisible; }
    bool IsVisible() const { return mVisible; }
    void SetVisible(bool visible) { mVisible = visible; }
    bool IsEnabled() const { return mEnabled; }
    bool isMoving() const { return mMoving; }
    void SetMoving(bool moving) { mMoving = moving; }
    bool GetFocus() const { return mFocus; }
    void SetFocus(bool focus) { mFocus = focus; }
    unsigned long GetBgImage() const { return mBackground; }
    void SetBgImage(unsigned long texture) { mBackground = texture; }
    std::string GetCaption() const { return mCaption; }
    void SetCaption(std::string caption) { mCaption = std::move(caption); }
    std::string GetTipText() const { return mTipText; }
    void SetTipText(std::string text) { mTipText = std::move(text); }
    int GetID() const { return mId; }
    void SetID(int id) { mId = id; }
    KESGUI_ELEMENT_TYPE GetType() const { return mType; }
    void SetType(KESGUI_ELEMENT_TYPE type) { mType = type; }
    KESGUI_ELEMENT_TYPE GetElementType() const { return mType; }
    void SetElementType(KESGUI_ELEMENT_TYPE type) { mType = type; }

protected:
    // The children as handles, for loops that call handlers.
    std::vector<CKesGUIElementRef> SnapshotChildren() const;

    std::list<CKesBaseGUIElement*> mChildren;
    // Events and layouts reach the parent through this handle: an element
    // whose parent is gone (deleted by the tree while this one stands
    // elsewhere) sees no parent rather than a freed one.
    CKesGUIElementRef mParent;
    CKesRect<int> mAbsoluteRect;
    CKesDimension2d<int> mSize;
    CKesDimension2d<int> mRelativePos;
    CKesRect<int> mClippingRect;
    unsigned long mBackground = 0;
    bool mVisible = true;
    bool mEnabled = true;
    bool mMoving = false;
    bool mFocus = false;
    std::string mCaption;
    std::string mTipText;
    int mId = 0;
    CKesBaseFrame* mDriver = nullptr;
    KESGUI_ELEMENT_TYPE mType = KESGUI_COUNT;

private:
    void Unlink(CKesBaseGUIElement* child);
    void CopyLook(const CKesBaseGUIElement& other);
    void LogRefusal(const char* what, Refusal refusal, const CKesBaseGUIElement* other) const;

    // The element whose child list holds this one (usually the parent).
    CKesBaseGUIElement* mHolder = nullptr;
    std::shared_ptr<CKesBaseGUIElement*> mSelf;
};

}  // namespace kest2d
