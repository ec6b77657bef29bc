#include "platform/KesInput.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <cstddef>
#include <cstring>
#include <deque>
#include <map>
#include <set>

#include "platform/KesCharset.h"

namespace kest2d {
namespace platform {

namespace {

struct ImeCandidates {
    std::vector<std::string> entries;
    DWORD pageStart = 0;
    DWORD pageSize = 0;
};

struct ImeContext {
    UINT hwnd = 0;
    bool resultQueried = false;
};

// Everything the translator remembers; UI thread only.
struct InputState {
    std::map<Uint32, UINT> windows;  // backer window id -> our handle
    UINT lastAttached = 0;
    bool hookInstalled = false;
    BYTE keys[256] = {0};
    std::set<UINT> leaveTracked;
    int mouseX = 0;
    int mouseY = 0;
    UINT dragHwnd = 0;
    bool dragFromServer = false;
    // The press that a double click would pair with (none after a pair).
    struct {
        bool open = false;
        UINT hwnd = 0;
        Uint8 button = 0;
        Uint32 time = 0;
        int screenX = 0;
        int screenY = 0;
    } firstPress;
    int grabX = 0;
    int grabY = 0;
    std::map<UINT, std::deque<std::string>> imeResults;
    std::map<UINT, ImeCandidates> candidates;
};

InputState& S() {
    static InputState* state = new InputState();  // lives for the whole process
    return *state;
}

UINT HandleOf(Uint32 sdlWindowId) {
    InputState& s = S();
    auto it = s.windows.find(sdlWindowId);
    if (it != s.windows.end() && WindowFromHandle(it->second)) return it->second;
    // Synthetic events may name no window: the game window takes them.
    if (sdlWindowId == 0 && WindowFromHandle(s.lastAttached)) return s.lastAttached;
    return 0;
}

bool Down(UINT vk) { return (S().keys[vk & 0xFF] & 0x80) != 0; }

void SetDown(UINT vk, bool down) {
    BYTE& k = S().keys[vk & 0xFF];
    k = static_cast<BYTE>(down ? (k | 0x80) : (k & ~0x80));
}

WPARAM MouseKeyFlags() {
    WPARAM mk = 0;
    if (Down(VK_LBUTTON)) mk |= MK_LBUTTON;
    if (Down(VK_RBUTTON)) mk |= MK_RBUTTON;
    if (Down(VK_MBUTTON)) mk |= MK_MBUTTON;
    if (Down(VK_SHIFT)) mk |= MK_SHIFT;
    if (Down(VK_CONTROL)) mk |= MK_CONTROL;
    return mk;
}

// The virtual key of a physical key on a US layout.
UINT VirtualKey(SDL_Scancode sc, bool numLock) {
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return 'A' + (sc - SDL_SCANCODE_A);
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return '1' + (sc - SDL_SCANCODE_1);
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return VK_F1 + (sc - SDL_SCANCODE_F1);
    if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) {
        static const UINT nav[9] = {VK_END, VK_DOWN, VK_NEXT, VK_LEFT, VK_CLEAR, VK_RIGHT, VK_HOME, VK_UP, VK_PRIOR};
        return numLock ? VK_NUMPAD1 + (sc - SDL_SCANCODE_KP_1) : nav[sc - SDL_SCANCODE_KP_1];
    }
    switch (sc) {
    case SDL_SCANCODE_0: return '0';
    case SDL_SCANCODE_RETURN: return VK_RETURN;
    case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
    case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
    case SDL_SCANCODE_BACKSPACE: return VK_BACK;
    case SDL_SCANCODE_TAB: return VK_TAB;
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
    case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
    case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
    case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
    case SDL_SCANCODE_BACKSLASH: return VK_OEM_5;
    case SDL_SCANCODE_SEMICOLON: return VK_OEM_1;
    case SDL_SCANCODE_APOSTROPHE: return VK_OEM_7;
    case SDL_SCANCODE_GRAVE: return VK_OEM_3;
    case SDL_SCANCODE_COMMA: return VK_OEM_COMMA;
    case SDL_SCANCODE_PERIOD: return VK_OEM_PERIOD;
    case SDL_SCANCODE_SLASH: return VK_OEM_2;
    case SDL_SCANCODE_CAPSLOCK: return VK_CAPITAL;
    case SDL_SCANCODE_PRINTSCREEN: return VK_SNAPSHOT;
    case SDL_SCANCODE_SCROLLLOCK: return VK_SCROLL;
    case SDL_SCANCODE_PAUSE: return VK_PAUSE;
    case SDL_SCANCODE_INSERT: return VK_INSERT;
    case SDL_SCANCODE_HOME: return VK_HOME;
    case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
    case SDL_SCANCODE_DELETE: return VK_DELETE;
    case SDL_SCANCODE_END: return VK_END;
    case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
    case SDL_SCANCODE_RIGHT: return VK_RIGHT;
    case SDL_SCANCODE_LEFT: return VK_LEFT;
    case SDL_SCANCODE_DOWN: return VK_DOWN;
    case SDL_SCANCODE_UP: return VK_UP;
    case SDL_SCANCODE_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDL_SCANCODE_KP_DIVIDE: return VK_DIVIDE;
    case SDL_SCANCODE_KP_MULTIPLY: return VK_MULTIPLY;
    case SDL_SCANCODE_KP_MINUS: return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PLUS: return VK_ADD;
    case SDL_SCANCODE_KP_0: return numLock ? VK_NUMPAD0 : VK_INSERT;
    case SDL_SCANCODE_KP_PERIOD: return numLock ? VK_DECIMAL : VK_DELETE;
    case SDL_SCANCODE_APPLICATION: return VK_APPS;
    case SDL_SCANCODE_LCTRL: return VK_LCONTROL;
    case SDL_SCANCODE_RCTRL: return VK_RCONTROL;
    case SDL_SCANCODE_LSHIFT: return VK_LSHIFT;
    case SDL_SCANCODE_RSHIFT: return VK_RSHIFT;
    case SDL_SCANCODE_LALT: return VK_LMENU;
    case SDL_SCANCODE_RALT: return VK_RMENU;
    case SDL_SCANCODE_LGUI: return VK_LWIN;
    case SDL_SCANCODE_RGUI: return VK_RWIN;
    default: return 0;
    }
}

// The generic key that Windows reports for a left or right modifier.
UINT GenericKey(UINT vk) {
    switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT: return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL: return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU: return VK_MENU;
    default: return vk;
    }
}

void Post(UINT hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (KesWnd* w = WindowFromHandle(hwnd)) w->PostMessage(msg, wp, lp);
}

void TranslateKey(UINT hwnd, const SDL_KeyboardEvent& key, bool down) {
    InputState& s = S();
    const Uint16 mod = key.keysym.mod;
    s.keys[VK_CAPITAL] = static_cast<BYTE>((s.keys[VK_CAPITAL] & 0x80) | ((mod & KMOD_CAPS) ? 1 : 0));
    s.keys[VK_NUMLOCK] = static_cast<BYTE>((s.keys[VK_NUMLOCK] & 0x80) | ((mod & KMOD_NUM) ? 1 : 0));
    const UINT sided = VirtualKey(key.keysym.scancode, (mod & KMOD_NUM) != 0);
    if (sided == 0) return;
    SetDown(sided, down);
    const UINT vk = GenericKey(sided);
    if (vk != sided) {
        const UINT left = vk == VK_SHIFT ? VK_LSHIFT : vk == VK_CONTROL ? VK_LCONTROL : VK_LMENU;
        SetDown(vk, Down(left) || Down(left + 1));
    }
    LPARAM lp = 1 | (static_cast<LPARAM>(key.keysym.scancode & 0xFF) << 16);
    if (key.repeat) lp |= LPARAM(1) << 30;
    if (!down) lp |= (LPARAM(1) << 30) | (LPARAM(1) << 31);
    const bool alt = Down(VK_MENU) && !Down(VK_CONTROL);
    const bool sys = alt || vk == VK_F10 || vk == VK_MENU;
    if (sys) {
        Post(hwnd, down ? WM_SYSKEYDOWN : WM_SYSKEYUP, vk, lp);
        return;
    }
    Post(hwnd, down ? WM_KEYDOWN : WM_KEYUP, vk, lp);
    if (!down) return;
    // Printable characters arrive as text input; the control characters
    // (Return, Backspace, Tab, Escape, Ctrl+letter) only as keys.
    WORD ch = 0;
    if (ToAscii(vk, key.keysym.scancode, s.keys, &ch, 0) == 1 && (ch < 32 || ch == 127))
        Post(hwnd, WM_CHAR, ch, lp);
}

void TranslateText(UINT hwnd, const char* utf8) {
    const std::string gbk = Utf8ToGbk(utf8 ? utf8 : "");
    if (gbk.empty()) return;
    if (gbk.size() == 1 && static_cast<unsigned char>(gbk[0]) < 0x80) {
        Post(hwnd, WM_CHAR, static_cast<unsigned char>(gbk[0]), 1);
        return;
    }
    PostImeResult(hwnd, gbk);
}

// A caption drag puts the grabbed point of the window under the pointer's
// screen position.
void DragToScreen(UINT hwnd, int screenX, int screenY) {
    InputState& s = S();
    if (KesWnd* w = WindowFromHandle(hwnd))
        w->SetWindowPos(nullptr, screenX - s.grabX, screenY - s.grabY, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The pointer's screen position from a client position: where the window
// really is plus the client position, right for absolute and relative
// pointer moves alike.
void DragTo(UINT hwnd, int clientX, int clientY) {
    KesWnd* w = WindowFromHandle(hwnd);
    if (!w) return;
    RECT rc;
    w->GetWindowRect(&rc);
    DragToScreen(hwnd, rc.left + clientX, rc.top + clientY);
}

// On an X server the drag follows the server's own pointer events, which carry
// the screen position: the backer drops a motion whose client position
// repeats the last one (which is what happens while the window follows the
// pointer), and gives a button its last reported position.
bool DragFromServer(SDL_Window* native) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    return native && SDL_GetWindowWMInfo(native, &info) && info.subsystem == SDL_SYSWM_X11;
#else
    (void)native;
    return false;
#endif
}

void TranslateServerEvent(const SDL_SysWMmsg* msg) {
#if defined(SDL_VIDEO_DRIVER_X11)
    InputState& s = S();
    if (!msg || msg->subsystem != SDL_SYSWM_X11 || !s.dragFromServer || !WindowFromHandle(s.dragHwnd)) return;
    const XEvent& x = msg->msg.x11.event;
    if (x.type == MotionNotify)
        DragToScreen(s.dragHwnd, x.xmotion.x_root, x.xmotion.y_root);
    else if (x.type == ButtonRelease && x.xbutton.button == Button1)
        DragToScreen(s.dragHwnd, x.xbutton.x_root, x.xbutton.y_root);
#else
    (void)msg;
#endif
}

void EndCaptionDrag() {
    InputState& s = S();
    s.dragHwnd = 0;
    if (s.dragFromServer) SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
    s.dragFromServer = false;
    SDL_CaptureMouse(SDL_FALSE);
}

// Windows' double-click rule (the window class asks for double clicks): the
// second press of the same button on the same window, within the
// double-click time of the first and inside the double-click box centred on
// it (its right and bottom edges excluded, as Windows tests the box). The
// box is in screen coordinates: the window may move in between. A press
// that completes a pair opens none.
const Uint32 kDoubleClickMs = 500;
const int kDoubleClickBox = 4;

bool PairsWithFirstPress(UINT hwnd, const SDL_MouseButtonEvent& b) {
    InputState& s = S();
    RECT rc{};
    if (KesWnd* w = WindowFromHandle(hwnd)) w->GetWindowRect(&rc);
    const int x = rc.left + b.x, y = rc.top + b.y;
    const auto& first = s.firstPress;
    const int half = kDoubleClickBox / 2;
    const bool pair = first.open && first.hwnd == hwnd && first.button == b.button &&
                      b.timestamp - first.time <= kDoubleClickMs && x >= first.screenX - half &&
                      x < first.screenX + half && y >= first.screenY - half && y < first.screenY + half;
    s.firstPress.open = !pair;
    s.firstPress.hwnd = hwnd;
    s.firstPress.button = b.button;
    s.firstPress.time = b.timestamp;
    s.firstPress.screenX = x;
    s.firstPress.screenY = y;
    return pair;
}

void TranslateButton(UINT hwnd, const SDL_MouseButtonEvent& b, bool down) {
    InputState& s = S();
    s.mouseX = b.x;
    s.mouseY = b.y;
    UINT vk = 0, downMsg = 0, dblMsg = 0, upMsg = 0;
    switch (b.button) {
    case SDL_BUTTON_LEFT: vk = VK_LBUTTON, downMsg = WM_LBUTTONDOWN, dblMsg = WM_LBUTTONDBLCLK, upMsg = WM_LBUTTONUP; break;
    case SDL_BUTTON_RIGHT: vk = VK_RBUTTON, downMsg = WM_RBUTTONDOWN, dblMsg = WM_RBUTTONDBLCLK, upMsg = WM_RBUTTONUP; break;
    case SDL_BUTTON_MIDDLE: vk = VK_MBUTTON, downMsg = WM_MBUTTONDOWN, dblMsg = WM_MBUTTONDBLCLK, upMsg = WM_MBUTTONUP; break;
    default: return;
    }
    SetDown(vk, down);
    if (!down && vk == VK_LBUTTON && s.dragHwnd) {
        // The release that ends a caption drag is the system's; the window
        // ends where the pointer let go.
        if (s.dragHwnd == hwnd && !s.dragFromServer) DragTo(hwnd, b.x, b.y);
        EndCaptionDrag();
        return;
    }
    const UINT msg = down ? (PairsWithFirstPress(hwnd, b) ? dblMsg : downMsg) : upMsg;
    Post(hwnd, msg, MouseKeyFlags(), MAKELPARAM(b.x, b.y));
}

void TranslateMotion(UINT hwnd, const SDL_MouseMotionEvent& m) {
    InputState& s = S();
    s.mouseX = m.x;
    s.mouseY = m.y;
    if (s.dragHwnd == hwnd) {
        if (!s.dragFromServer) DragTo(hwnd, m.x, m.y);
        return;
    }
    Post(hwnd, WM_MOUSEMOVE, MouseKeyFlags(), MAKELPARAM(m.x, m.y));
}

void TranslateWheel(UINT hwnd, const SDL_MouseWheelEvent& w) {
    int notches = w.y;
    if (w.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
    if (notches == 0) return;
    KesWnd* wnd = WindowFromHandle(hwnd);
    if (!wnd) return;
    RECT rc;
    wnd->GetWindowRect(&rc);
    // Windows gives the wheel's position in screen coordinates.
    Post(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(static_cast<int>(MouseKeyFlags()), notches * WHEEL_DELTA),
         MAKELPARAM(rc.left + w.mouseX, rc.top + w.mouseY));
}

void TranslateWindowEvent(UINT hwnd, const SDL_Event* e) {
    InputState& s = S();
    KesWnd* w = WindowFromHandle(hwnd);
    switch (e->window.event) {
    case SDL_WINDOWEVENT_MINIMIZED:
        if (w && !w->IsIconic()) w->ShowWindow(SW_MINIMIZE);
        Post(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        break;
    case SDL_WINDOWEVENT_RESTORED:
        if (w && w->IsIconic()) {
            w->ShowWindow(SW_RESTORE);
            Post(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
        }
        break;
    case SDL_WINDOWEVENT_LEAVE:
        if (s.leaveTracked.erase(hwnd)) Post(hwnd, WM_MOUSELEAVE, 0, 0);
        break;
    default:
        HandleBackerEventByDefault(e);
        break;
    }
}

}  // namespace

void AttachInput(KesWnd* wnd) {
    InputState& s = S();
    if (!wnd || !wnd->IsWindow()) return;
    if (SDL_Window* native = static_cast<SDL_Window*>(NativeWindow(wnd))) {
        s.windows[SDL_GetWindowID(native)] = wnd->GetSafeHwnd();
        SDL_StartTextInput();
    }
    s.lastAttached = wnd->GetSafeHwnd();
    if (!s.hookInstalled) {
        SetBackerEventHook(&TranslateBackerEvent);
        s.hookInstalled = true;
    }
}

void TranslateBackerEvent(const void* sdlEvent) {
    const SDL_Event* e = static_cast<const SDL_Event*>(sdlEvent);
    if (!e) return;
    switch (e->type) {
    case SDL_MOUSEMOTION:
        if (UINT h = HandleOf(e->motion.windowID)) TranslateMotion(h, e->motion);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (UINT h = HandleOf(e->button.windowID)) TranslateButton(h, e->button, e->type == SDL_MOUSEBUTTONDOWN);
        break;
    case SDL_MOUSEWHEEL:
        if (UINT h = HandleOf(e->wheel.windowID)) TranslateWheel(h, e->wheel);
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (UINT h = HandleOf(e->key.windowID)) TranslateKey(h, e->key, e->type == SDL_KEYDOWN);
        break;
    case SDL_TEXTINPUT:
        if (UINT h = HandleOf(e->text.windowID)) TranslateText(h, e->text.text);
        break;
    case SDL_SYSWMEVENT:
        TranslateServerEvent(e->syswm.msg);
        break;
    case SDL_WINDOWEVENT:
        if (UINT h = HandleOf(e->window.windowID))
            TranslateWindowEvent(h, e);
        else
            HandleBackerEventByDefault(e);
        break;
    default:
        HandleBackerEventByDefault(e);
        break;
    }
}

void GetKeyboardState(BYTE* state256) {
    if (state256) std::memcpy(state256, S().keys, 256);
}

void SetKeyState(UINT vk, BYTE value) { S().keys[vk & 0xFF] = value; }

void ResetKeyboardState() { std::memset(S().keys, 0, sizeof(S().keys)); }

int ToAscii(UINT vk, UINT /*scanCode*/, const BYTE* state, WORD* out, UINT /*flags*/) {
    if (!state || !out) return 0;
    const bool shift = (state[VK_SHIFT] & 0x80) != 0;
    const bool ctrl = (state[VK_CONTROL] & 0x80) != 0;
    const bool alt = (state[VK_MENU] & 0x80) != 0;
    const bool caps = (state[VK_CAPITAL] & 0x01) != 0;
    int ch = 0;
    if (ctrl && alt) return 0;  // a US layout has no AltGr characters
    if (vk >= 'A' && vk <= 'Z') {
        ch = ctrl ? static_cast<int>(vk - 'A' + 1) : (shift != caps) ? static_cast<int>(vk) : static_cast<int>(vk + 32);
    } else if (vk >= '0' && vk <= '9') {
        static const char shifted[] = ")!@#$%^&*(";
        if (!ctrl) ch = shift ? shifted[vk - '0'] : static_cast<int>(vk);
    } else if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) {
        if (!ctrl) ch = '0' + static_cast<int>(vk - VK_NUMPAD0);
    } else {
        struct Oem {
            UINT vk;
            char normal, shifted, control;
        };
        static const Oem table[] = {
            {VK_OEM_1, ';', ':', 0},       {VK_OEM_PLUS, '=', '+', 0},   {VK_OEM_COMMA, ',', '<', 0},
            {VK_OEM_MINUS, '-', '_', 0},   {VK_OEM_PERIOD, '.', '>', 0}, {VK_OEM_2, '/', '?', 0},
            {VK_OEM_3, '`', '~', 0},       {VK_OEM_4, '[', '{', 27},     {VK_OEM_5, '\\', '|', 28},
            {VK_OEM_6, ']', '}', 29},      {VK_OEM_7, '\'', '"', 0},     {VK_MULTIPLY, '*', '*', 0},
            {VK_ADD, '+', '+', 0},         {VK_SUBTRACT, '-', '-', 0},   {VK_DECIMAL, '.', '.', 0},
            {VK_DIVIDE, '/', '/', 0},      {VK_SPACE, ' ', ' ', ' '},    {VK_ESCAPE, 27, 27, 27},
        };
        bool found = false;
        for (const Oem& o : table) {
            if (o.vk != vk) continue;
            ch = ctrl ? o.control : shift ? o.shifted : o.normal;
            found = true;
            break;
        }
        if (!found) {
            switch (vk) {
            case VK_RETURN: ch = ctrl ? 10 : 13; break;
            case VK_BACK: ch = ctrl ? 127 : 8; break;
            case VK_TAB: ch = ctrl ? 0 : 9; break;
            default: ch = 0; break;
            }
        }
    }
    if (ch == 0) return 0;
    *out = static_cast<WORD>(ch);
    return 1;
}

bool TrackMouseLeave(UINT hwnd) {
    if (!WindowFromHandle(hwnd)) return false;
    S().leaveTracked.insert(hwnd);
    return true;
}

void BeginCaptionDrag(UINT hwnd, int clientX, int clientY) {
    InputState& s = S();
    KesWnd* w = WindowFromHandle(hwnd);
    // Only while the left button is really held (not for injected presses).
    if (!w || !Down(VK_LBUTTON)) return;
    s.dragHwnd = hwnd;
    s.grabX = clientX;
    s.grabY = clientY;
    s.dragFromServer = DragFromServer(static_cast<SDL_Window*>(NativeWindow(w)));
    if (s.dragFromServer) SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    SDL_CaptureMouse(SDL_TRUE);  // keep the motion coming when the pointer outruns the window
}

bool IsCaptionDragging() { return S().dragHwnd != 0 && WindowFromHandle(S().dragHwnd) != nullptr; }

HIMC ImmGetContext(UINT hwnd) {
    if (!WindowFromHandle(hwnd)) return nullptr;
    ImeContext* c = new ImeContext();
    c->hwnd = hwnd;
    return c;
}

bool ImmReleaseContext(UINT /*hwnd*/, HIMC context) {
    ImeContext* c = static_cast<ImeContext*>(context);
    if (!c) return false;
    if (c->resultQueried) {
        auto it = S().imeResults.find(c->hwnd);
        if (it != S().imeResults.end()) {
            if (!it->second.empty()) it->second.pop_front();
            if (it->second.empty()) S().imeResults.erase(it);
        }
    }
    delete c;
    return true;
}

long ImmGetCompositionStringA(HIMC context, DWORD index, void* buffer, DWORD length) {
    ImeContext* c = static_cast<ImeContext*>(context);
    if (!c || index != GCS_RESULTSTR) return -1;
    c->resultQueried = true;
    auto it = S().imeResults.find(c->hwnd);
    const std::string text = (it == S().imeResults.end() || it->second.empty()) ? std::string() : it->second.front();
    if (!buffer) return static_cast<long>(text.size());
    const size_t n = text.size() < length ? text.size() : length;
    std::memcpy(buffer, text.data(), n);
    return static_cast<long>(n);
}

DWORD ImmGetCandidateListA(HIMC context, DWORD index, CANDIDATELIST* list, DWORD length) {
    ImeContext* c = static_cast<ImeContext*>(context);
    if (!c || index != 0) return 0;
    auto it = S().candidates.find(c->hwnd);
    if (it == S().candidates.end() || it->second.entries.empty()) return 0;
    const ImeCandidates& cand = it->second;
    const DWORD count = static_cast<DWORD>(cand.entries.size());
    const size_t header = offsetof(CANDIDATELIST, dwOffset) + count * sizeof(DWORD);
    size_t size = header;
    for (const std::string& e : cand.entries) size += e.size() + 1;
    if (!list) return static_cast<DWORD>(size);
    if (length < size) return 0;
    std::vector<unsigned char> bytes(size, 0);
    CANDIDATELIST head{};
    head.dwSize = static_cast<DWORD>(size);
    head.dwCount = count;
    head.dwPageStart = cand.pageStart;
    head.dwPageSize = cand.pageSize;
    std::memcpy(bytes.data(), &head, offsetof(CANDIDATELIST, dwOffset));
    size_t at = header;
    for (DWORD i = 0; i < count; ++i) {
        const DWORD offset = static_cast<DWORD>(at);
        std::memcpy(bytes.data() + offsetof(CANDIDATELIST, dwOffset) + i * sizeof(DWORD), &offset, sizeof(DWORD));
        std::memcpy(bytes.data() + at, cand.entries[i].c_str(), cand.entries[i].size() + 1);
        at += cand.entries[i].size() + 1;
    }
    std::memcpy(list, bytes.data(), size);
    return static_cast<DWORD>(size);
}

void PostImeResult(UINT hwnd, const std::string& gbk) {
    KesWnd* w = WindowFromHandle(hwnd);
    if (!w) return;
    S().imeResults[hwnd].push_back(gbk);
    w->PostMessage(WM_IME_COMPOSITION, 0, GCS_RESULTSTR);
}

void SetImeCandidates(UINT hwnd, const std::vector<std::string>& gbk, DWORD pageStart, DWORD pageSize) {
    ImeCandidates& c = S().candidates[hwnd];
    c.entries = gbk;
    c.pageStart = pageStart;
    c.pageSize = pageSize;
}

UINT_PTR GetKeyboardLayout(DWORD /*thread*/) { return 0x04090409; }

void MessageBeep(UINT /*type*/) {}

}  // namespace platform
}  // namespace kest2d
