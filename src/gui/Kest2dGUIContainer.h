// A GUI element that holds other elements and routes the user's input to them.
#pragma once

#include <string>
#include <typeinfo>
#include <vector>

#include "gui/Kest2dGUIElement.h"

namespace kest2d {

// How a label aligns its text (Kest2dGUIStatic.h), and where
// ShowGUIContainer places a container: centred for SANPSTYLE_CENTER, and
// left where it stands for any other value.
enum SnapStyle : int {
    SNAPSTYLE_LEFT = 0,
    SANPSTYLE_CENTER = 1,
    SNAPSTYLE_RIGHT = 2,
    SNAPSTYLE_NULL = 3,
};

// Built-in ids of a layout's close buttons: a click hides their container.
enum : int { KES_ID_CLOSE = 10004, KES_ID_CLOSE2 = 10005 };

class CKesGUIButton;
class CKesGUIStatic;
class CKesGUIEditorBox;
class CKesGUIVideo;
class CKesGUIGameAnimator;
class CKesGUIGameClock;
class CKesGUIMultiButton;
class CKesGUIInfoScroller;
class CKesGUIScrollBar;
class CKesGUIDragControl;
class CKesGUIProcessBar;
class CKesGUITextarea;
class CKesGUIChatMessage;
class CKesGUIGameCard;
class CKesGUIImage;
class CKesGUIMoveAnimator;
class CKesGUIMultiListBox;
class CKesGUIBiqoQing;
class CKesGUIImageListBox;

class CKesBaseGUIContainer : public CKesBaseGUIElement {
public:
    CKesBaseGUIContainer();
    CKesBaseGUIContainer(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, const CKesRect<int>& rect);
    // A copy is a detached container: no children, itself current.
    CKesBaseGUIContainer(const CKesBaseGUIContainer& other);
    CKesBaseGUIContainer& operator=(const CKesBaseGUIContainer& other);
    ~CKesBaseGUIContainer() override;

    bool OnProcessEvent(const CKesEvent& event) override;
    void Draw() override;
    void OnProcessLostFocusEvent(const CKesEvent& event) override;
    void OnProcessMouseLeaveFrame(const CKesEvent& event) override;
    virtual void SetModal(bool modal) { mModal = modal; }
    virtual bool IsModal() { return mModal; }
    virtual bool LoadGUIConfig(const char* fileName);
    virtual void SaveGUIConfig(std::string fileName);

    void ShowControlById(int id, bool show);
    void EnableControlById(int id, bool enable);
    CKesBaseGUIContainer* AddContainer(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent,
                                       bool visible);
    // The control factories: (id, name, rectangle relative to the parent,
    // parent or null for this container), by FindOrCreateControl.
    CKesGUIButton* AddButton(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent);
    CKesGUIStatic* AddStaticText(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent);
    CKesGUIEditorBox* AddEditorBox(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent);
    CKesGUIVideo* AddVideoBox(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent);
    CKesGUIGameAnimator* AddGameAnimator(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent);
    CKesGUIGameClock* AddGameClock(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent);
    CKesGUIMultiButton* AddMultiButton(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent);
    CKesGUIInfoScroller* AddInfoScroller(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent);
    CKesGUIScrollBar* AddScrollBar(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent);
    CKesGUIDragControl* AddDragControl(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent);
    CKesGUIProcessBar* AddProcessBar(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent);
    CKesGUITextarea* AddTextarea(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent);
    CKesGUIChatMessage* AddChatMessage(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent);
    CKesGUIGameCard* AddGameCard(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent);
    CKesGUIImage* AddImage(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent);
    CKesGUIMoveAnimator* AddMoveAnimator(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent);
    CKesGUIMultiListBox* AddMultiListBox(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent);
    CKesGUIBiqoQing* AddBiaoQingCtrl(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent);
    CKesGUIImageListBox* AddImageListBox(int id, std::string name, CKesRect<int> rect, CKesBaseGUIElement* parent);

    // The rule every control factory follows: an element of that id and of
    // exactly the class T in this subtree is returned unchanged; otherwise a
    // new T(frame, parent or this container, id, name, rect) is made (the
    // element constructor appends it to the parent's child list).
    template <class T>
    T* FindOrCreateControl(int id, const std::string& name, const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
        if (T* existing = FindControlOfClass<T>(id)) return existing;
        return new T(mDriver, parent ? parent : this, id, name, rect);
    }
    template <class T>
    T* FindControlOfClass(int id) {
        CKesBaseGUIElement* e = FindControlById(id);
        return (e && typeid(*e) == typeid(T)) ? static_cast<T*>(e) : nullptr;
    }

    void SetMousePress(bool pressed) { mDragging = pressed; }
    bool GetMousePress() const { return mDragging; }

    // The routing state (not owned): the element that receives routed
    // events, the element with the focus flag, the captured scroll bar or
    // slider.
    CKesBaseGUIElement* GetCurrentElement() const { return mCurrent; }
    CKesBaseGUIElement* GetFocusedElement() const { return mFocused; }
    CKesBaseGUIElement* GetCapturedElement() const { return mCaptured; }

    // Appends the pieces of `text` split at any of `separators` to the
    // parameter list (the caller clears it first); returns the list's size.
    int ParseStringToParameter(std::string text, std::string separators);
    std::vector<std::string>& GetParameters() { return mParameters; }

    // Called by every element as it is destroyed: no container keeps a
    // current, focused or captured pointer to it.
    static void ForgetElement(CKesBaseGUIElement* element);

protected:
    virtual bool postEventFromUser(const CKesEvent& event);

    bool mModal = false;
    CKesBaseGUIElement* mCurrent = nullptr;
    CKesBaseGUIElement* mFocused = nullptr;
    CKesBaseGUIElement* mCaptured = nullptr;
    std::vector<std::string> mParameters;
    bool mDragging = false;
    int mDragOffsetX = 0;
    int mDragOffsetY = 0;

private:
    void Register();
    // Follows a drag with the mouse at (x, y); a left release ends it.
    void FollowDrag(const CKesEvent& event, bool requireInside);
    void MoveFocusToCurrent();
    void LoseFocusOfCurrent(const CKesEvent& event);
    bool RouteToHit(CKesBaseGUIElement* hit, const CKesEvent& event, bool press, const CKesGUIElementRef& self);
};

}  // namespace kest2d
