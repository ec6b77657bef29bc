// Recording elements and event builders for the GUI tests.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "gui/Kest2dGUIContainer.h"

namespace kest2d {
namespace test {

inline CKesEvent Mouse(int kind, int x, int y) {
    CKesEvent ev{};
    ev.mEventType = KESET_MOUSE_INPUT_EVENT;
    ev.mMouseEvent.EventType = kind;
    ev.mMouseEvent.X = x;
    ev.mMouseEvent.Y = y;
    return ev;
}
inline CKesEvent Press(int x, int y) { return Mouse(KESMIE_LMOUSE_PRESSED_DOWN, x, y); }
inline CKesEvent Release(int x, int y) { return Mouse(KESMIE_LMOUSE_LEFT_UP, x, y); }
inline CKesEvent MoveTo(int x, int y) { return Mouse(KESMIE_MOUSE_MOVED, x, y); }
inline CKesEvent Key(int vk, bool down) {
    CKesEvent ev{};
    ev.mEventType = KESET_KEY_INPUT_EVENT;
    ev.mKeyEvent.Key = vk;
    ev.mKeyEvent.isPressedDown = down;
    return ev;
}

// Short names of what an element received, e.g. "press@10,20", "lost", "key65".
inline std::string Describe(const CKesEvent& ev) {
    switch (ev.mEventType) {
    case KESET_MOUSE_INPUT_EVENT: {
        static const char* const names[] = {"press", "dbl", "rpress", "mpress", "release",
                                            "rrelease", "mrelease", "move", "wheel"};
        const int k = ev.mMouseEvent.EventType;
        std::string s = (k >= 0 && k < 9) ? names[k] : "mouse?";
        return s + "@" + std::to_string(ev.mMouseEvent.X) + "," + std::to_string(ev.mMouseEvent.Y);
    }
    case KESET_KEY_INPUT_EVENT:
        return std::string(ev.mKeyEvent.isPressedDown ? "key" : "keyup") + std::to_string(ev.mKeyEvent.Key);
    case KESET_IME_EVENT:
        return std::string(ev.mImeEvent.EventType == KESIME_IME_CHINESE ? "ime-cn:" : "ime:") + ev.mImeEvent.inputStr;
    case KESET_GUI_EVENT:
        return "gui" + std::to_string(ev.mGuiEvent.EventType);
    default:
        return "event" + std::to_string(ev.mEventType);
    }
}

// An element that records what reaches it. `onEvent` runs before the event
// goes on to the parent; when it returns false the element stops there
// (it may have been deleted by the hook).
class Recorder : public CKesBaseGUIElement {
public:
    Recorder(CKesBaseGUIElement* parent, int id, const CKesRect<int>& rect, KESGUI_ELEMENT_TYPE type = KESGUI_BUTTON,
             std::vector<std::string>* log = nullptr)
        : CKesBaseGUIElement(type, nullptr, parent, id, rect), mLog(log) {
        if (parent) SetDriver(parent->GetDriver());
    }
    ~Recorder() override {
        if (destroyed) ++*destroyed;
    }
    bool OnProcessEvent(const CKesEvent& ev) override {
        Note(Describe(ev));
        if (onEvent && !onEvent(ev)) return true;
        // Act as a button: a left press reports a click to the parent.
        if (clickOnPress && ev.mEventType == KESET_MOUSE_INPUT_EVENT &&
            ev.mMouseEvent.EventType == KESMIE_LMOUSE_PRESSED_DOWN && GetParent()) {
            CKesEvent click{};
            click.mEventType = KESET_GUI_EVENT;
            click.mGuiEvent.Caller = this;
            click.mGuiEvent.EventType = KESGET_BUTTON_CLICKED;
            return GetParent()->OnProcessEvent(click);
        }
        return true;
    }
    void OnProcessLostFocusEvent(const CKesEvent& ev) override {
        Note("lost");
        if (onLost) onLost(ev);
    }
    bool OnProcessPostUpdate() override {
        ++postUpdates;
        return postUpdateResult;
    }
    void Draw() override {
        if (drawLog) drawLog->push_back(GetID());
        CKesBaseGUIElement::Draw();
    }
    void Note(const std::string& what) {
        events.push_back(what);
        if (mLog) mLog->push_back(std::to_string(GetID()) + ":" + what);
    }

    std::vector<std::string> events;
    std::function<bool(const CKesEvent&)> onEvent;
    std::function<void(const CKesEvent&)> onLost;
    bool clickOnPress = false;
    int postUpdates = 0;
    bool postUpdateResult = true;
    std::vector<int>* drawLog = nullptr;
    int* destroyed = nullptr;

private:
    std::vector<std::string>* mLog;
};

// A container whose router the tests can call, recording what reaches it.
class TestContainer : public CKesBaseGUIContainer {
public:
    TestContainer(CKesBaseGUIElement* parent, int id, const CKesRect<int>& rect)
        : CKesBaseGUIContainer(nullptr, parent, id, rect) {}
    TestContainer() = default;
    bool Route(const CKesEvent& ev) { return postEventFromUser(ev); }
    bool OnProcessEvent(const CKesEvent& ev) override {
        events.push_back(Describe(ev));
        return CKesBaseGUIContainer::OnProcessEvent(ev);
    }
    void OnProcessLostFocusEvent(const CKesEvent& ev) override {
        events.push_back("lost");
        CKesBaseGUIContainer::OnProcessLostFocusEvent(ev);
    }
    using CKesBaseGUIContainer::ParseStringToParameter;
    std::vector<std::string> events;
};

}  // namespace test
}  // namespace kest2d
