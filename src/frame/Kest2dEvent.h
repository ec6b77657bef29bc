// The one event record of the engine and the root receiver interface.
#pragma once

#include <type_traits>

namespace kest2d {

class CKesBaseGUIElement;

enum KESEVENT_TYPE {
    KESET_GUI_EVENT = 0,
    KESET_MOUSE_INPUT_EVENT = 1,
    KESET_KEY_INPUT_EVENT = 2,
    KESET_IME_EVENT = 3,
    KESET_GAME_UPDATE_EVENT = 4,
    KESET_GAME_VIDEO_EVENT = 5,
    KESET_USER_EVENT = 6,
};

enum KESMOUSE_INPUT_EVENT {
    KESMIE_LMOUSE_PRESSED_DOWN = 0,
    KESMIE_LMOUSE_DOUBLE_CLICK = 1,
    KESMIE_RMOUSE_PRESSED_DOWN = 2,
    KESMIE_MMOUSE_PRESSED_DOWN = 3,
    KESMIE_LMOUSE_LEFT_UP = 4,
    KESMIE_RMOUSE_LEFT_UP = 5,
    KESMIE_MMOUSE_LEFT_UP = 6,
    KESMIE_MOUSE_MOVED = 7,
    KESMIE_MOUSE_WHEEL = 8,
    KESMIE_COUNT = 9,
};

enum KESGUI_EVENT_TYPE {
    KESGET_ELEMENT_FOCUS_LOST = 0,
    KESGET_ELEMENT_FOCUSED = 1,
    KESGET_ELEMENT_HOVERED = 2,
    KESGET_ELEMENT_LEFT = 3,
    KESGET_ELEMENT_CLOSED = 4,
    KESGET_BUTTON_CLICKED = 5,
    KESGET_ELEMENT_CHANGED = 6,
    KESGET_ELEMENT_SELECTED = 7,
    KESGET_ELEMENT_DOUBLE_CLICKED = 8,
    KESGET_ELEMENT_ANIMATOR_FINISH = 9,
    KESGET_COUNT = 10,
};

enum KESGAME_UPDATE_EVENT {
    KESGAME_UPDATE_COMPLETE = 0,
    KESGAME_UPDATE_ERROR = 1,
    KESGAME_UPDATE_GET_LIST = 2,
    KESGAME_UPDATE_PROCESS = 3,
    KESGAME_UPDATE_PROCESS_VALUE = 4,
    KESGAME_UPDATE_COUNT = 5,
};

enum KESIME_TYPE {
    KESIME_IME_ENGLISH = 0,
    KESIME_IME_CHINESE = 1,
    KESIME_IME_COUNT = 2,
};

// A flat record (not a union): the sender fills mEventType and the part it
// names. Build it value-initialised (`CKesEvent ev{}`) so that the parts a
// sender does not fill carry zeros, never stack garbage.
struct CKesEvent {
    struct CKesGuiEvent {
        CKesBaseGUIElement* Caller;
        CKesBaseGUIElement* Element;
        int EventType;
    };
    struct CKesMouseEvent {
        int X;
        int Y;
        float Wheel;
        int EventType;
    };
    struct CKesKeyEvent {
        signed char Char;
        int Key;
        bool isPressedDown;
        bool isShift;
        bool isControl;
    };
    struct CKesImeEvent {
        char inputStr[1024];
        int EventType;
    };
    struct CKesUpdateEvent {
        int fileCount;
        char filename[1024];
        int process;
        int EventType;
    };

    int mEventType;
    int mControlId;
    CKesGuiEvent mGuiEvent;
    CKesMouseEvent mMouseEvent;
    CKesKeyEvent mKeyEvent;
    CKesImeEvent mImeEvent;
    CKesUpdateEvent mUpdateEvnet;
};

// Scripts receive the record as light user data and read its fields in
// place: it stays a plain record without constructors or virtual operations.
static_assert(std::is_trivial<CKesEvent>::value && std::is_standard_layout<CKesEvent>::value,
              "CKesEvent is a plain record");

class CKesEventReceiver {
public:
    CKesEventReceiver() = default;
    CKesEventReceiver(const CKesEventReceiver&) {}
    CKesEventReceiver& operator=(const CKesEventReceiver&) { return *this; }
    virtual ~CKesEventReceiver() = default;
    virtual bool OnProcessEvent(const CKesEvent& event) = 0;
};

}  // namespace kest2d
