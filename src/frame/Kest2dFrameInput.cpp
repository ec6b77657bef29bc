// Input: window messages become engine events; the IME string and the
// input method's candidate list.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "frame/Kest2dBaseFrame.h"
#include "platform/KesInput.h"

namespace kest2d {

namespace {

const int kDragZoneHeight = 30;
const size_t kImeCapacity = 1024;

int MouseKind(UINT message) {
    switch (message) {
    case WM_MOUSEMOVE: return KESMIE_MOUSE_MOVED;
    case WM_LBUTTONDOWN: return KESMIE_LMOUSE_PRESSED_DOWN;
    case WM_LBUTTONUP: return KESMIE_LMOUSE_LEFT_UP;
    case WM_LBUTTONDBLCLK: return KESMIE_LMOUSE_DOUBLE_CLICK;
    case WM_RBUTTONDOWN: return KESMIE_RMOUSE_PRESSED_DOWN;
    case WM_RBUTTONUP: return KESMIE_RMOUSE_LEFT_UP;
    case WM_MBUTTONDOWN: return KESMIE_MMOUSE_PRESSED_DOWN;
    case WM_MBUTTONUP: return KESMIE_MMOUSE_LEFT_UP;
    case WM_MOUSEWHEEL: return KESMIE_MOUSE_WHEEL;
    default: return -1;
    }
}

}  // namespace

// Hands the text typed or composed so far to the GUI as one IME event and
// clears it.
void CKesBaseFrame::PostImeString(int kind) {
    if (!GetImeString()) return;
    CKesEvent ev{};
    ev.mEventType = KESET_IME_EVENT;
    std::strncpy(ev.mImeEvent.inputStr, mImeString.c_str(), sizeof(ev.mImeEvent.inputStr) - 1);
    ev.mImeEvent.EventType = kind;
    postEventFromUser(ev);
    ClearImeString();
}

bool CKesBaseFrame::PreTranslateMessage(MSG* msg) {
    switch (msg->message) {
    case WM_KEYDOWN:
    case WM_KEYUP: {
        BYTE state[256];
        platform::GetKeyboardState(state);
        WORD ch = 0;
        const int produced = platform::ToAscii(static_cast<UINT>(msg->wParam), static_cast<UINT>(msg->lParam), state,
                                               &ch, 0);
        CKesEvent ev{};
        ev.mEventType = KESET_KEY_INPUT_EVENT;
        ev.mKeyEvent.Char = produced > 0 ? static_cast<signed char>(ch & 0xFF) : 0;
        ev.mKeyEvent.Key = static_cast<int>(msg->wParam);
        ev.mKeyEvent.isPressedDown = msg->message == WM_KEYDOWN;
        ev.mKeyEvent.isShift = (state[VK_SHIFT] & 0x80) != 0;
        ev.mKeyEvent.isControl = (state[VK_CONTROL] & 0x80) != 0;
        postEventFromUser(ev);
        return false;
    }
    case WM_CHAR:
        OnChar(static_cast<char>(msg->wParam & 0xFF));
        PostImeString(KESIME_IME_ENGLISH);
        break;
    case WM_IME_COMPOSITION:
        OnImeComposition(GetSafeHwnd(), static_cast<long>(msg->lParam));
        PostImeString(KESIME_IME_CHINESE);
        break;
    case WM_IME_NOTIFY:
        OnImeNotify(GetSafeHwnd(), static_cast<unsigned int>(msg->wParam));
        break;
    case WM_SYSCOMMAND:
        if ((msg->wParam & 0xFFF0) == SC_MINIMIZE)
            PauseSoundsForMinimise();
        else if ((msg->wParam & 0xFFF0) == SC_RESTORE)
            ResumeSoundsAfterRestore();
        break;
    case KES_WM_DOWNLOAD_STATE:
        OnProcessUpdateState();
        break;
    case WM_NCLBUTTONDOWN:
        if (msg->wParam == HTCAPTION)
            platform::BeginCaptionDrag(GetSafeHwnd(), GET_X_LPARAM(msg->lParam), GET_Y_LPARAM(msg->lParam));
        break;
    default: {
        const int kind = MouseKind(msg->message);
        if (kind < 0) break;
        CKesEvent ev{};
        ev.mEventType = KESET_MOUSE_INPUT_EVENT;
        ev.mMouseEvent.EventType = kind;
        ev.mMouseEvent.X = GET_X_LPARAM(msg->lParam);
        ev.mMouseEvent.Y = GET_Y_LPARAM(msg->lParam);
        if (kind == KESMIE_MOUSE_WHEEL)
            ev.mMouseEvent.Wheel = static_cast<float>(GET_WHEEL_DELTA_WPARAM(msg->wParam) / WHEEL_DELTA);
        postEventFromUser(ev);
        break;
    }
    }
    return KesWnd::PreTranslateMessage(msg);
}

bool CKesBaseFrame::postEventFromUser(const CKesEvent& event) {
    if (event.mEventType == KESET_MOUSE_INPUT_EVENT && event.mMouseEvent.EventType == KESMIE_LMOUSE_PRESSED_DOWN &&
        mWindowed) {
        RECT client;
        GetClientRect(&client);
        const int x = event.mMouseEvent.X, y = event.mMouseEvent.Y;
        // The borderless window has no caption: its top rows stand in for one.
        if (x >= 0 && x < client.right && y >= 0 && y < kDragZoneHeight)
            PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(x, y));
    }
    return CKesBaseGUIContainer::postEventFromUser(event);
}

void CKesBaseFrame::OnMouseMove(UINT /*flags*/, int /*x*/, int /*y*/) { platform::TrackMouseLeave(GetSafeHwnd()); }

void CKesBaseFrame::OnMouseLeave() {
    CKesEvent ev{};
    CKesBaseGUIContainer::OnProcessMouseLeaveFrame(ev);
}

char* CKesBaseFrame::GetImeString() { return mImeString.empty() ? nullptr : &mImeString[0]; }

void CKesBaseFrame::ClearImeString() { mImeString.clear(); }

void CKesBaseFrame::OnChar(char c) {
    const unsigned char code = static_cast<unsigned char>(c);
    // Double-byte text arrives as a composition, control keys as key events.
    if (code >= 32 && code <= 127 && mImeString.size() < kImeCapacity - 1) mImeString.push_back(c);
}

void CKesBaseFrame::OnImeComposition(UINT window, long lParam) {
    if (!(lParam & GCS_RESULTSTR)) return;
    platform::HIMC context = platform::ImmGetContext(window);
    if (!context) return;
    const long length = platform::ImmGetCompositionStringA(context, GCS_RESULTSTR, nullptr, 0);
    if (length >= 0) {
        const size_t n = static_cast<size_t>(length) + 1;
        if (mImeString.size() + n > kImeCapacity - 2) {
            platform::MessageBeep(0);
        } else {
            std::vector<char> buffer(n, 0);
            platform::ImmGetCompositionStringA(context, GCS_RESULTSTR, buffer.data(), static_cast<DWORD>(n));
            mImeString.append(buffer.data());
        }
    }
    platform::ImmReleaseContext(window, context);
}

void CKesBaseFrame::OnImeNotify(UINT window, unsigned int command) {
    switch (command) {
    case IMN_OPENCANDIDATE:
    case IMN_CHANGECANDIDATE:
        GetCandidateList(window);
        break;
    case IMN_CLOSECANDIDATE:
        ClearCandidateList();
        break;
    default:
        break;
    }
}

int CKesBaseFrame::GetCandidateList(UINT window) {
    ClearCandidateList();
    if (platform::GetKeyboardLayout(0) == 0) return 0;
    platform::HIMC context = platform::ImmGetContext(window);
    if (!context) return 0;
    const DWORD size = platform::ImmGetCandidateListA(context, 0, nullptr, 0);
    if (size >= sizeof(CANDIDATELIST)) {
        mCandidateData.assign(size, 0);
        CANDIDATELIST* list = reinterpret_cast<CANDIDATELIST*>(mCandidateData.data());
        if (platform::ImmGetCandidateListA(context, 0, list, size) == size)
            CandidateToString(list);
        else
            mCandidateData.clear();
    }
    platform::ImmReleaseContext(window, context);
    return 1;
}

int CKesBaseFrame::CandidateToString(const void* data) {
    if (!data || mCandidateData.empty()) return 0;
    const CANDIDATELIST* list = static_cast<const CANDIDATELIST*>(data);
    if (list->dwCount == 0) return 0;
    const size_t size = mCandidateData.size();
    const char* base = static_cast<const char*>(data);
    // The offset table and every string must lie inside what was reported.
    const size_t tableEnd = offsetof(CANDIDATELIST, dwOffset) + static_cast<size_t>(list->dwCount) * sizeof(DWORD);
    if (tableEnd > size) return 0;
    std::string text;
    for (DWORD i = list->dwPageStart; i < list->dwCount && uint64_t(i) < uint64_t(list->dwPageStart) + list->dwPageSize; ++i) {
        DWORD offset = 0;
        std::memcpy(&offset, base + offsetof(CANDIDATELIST, dwOffset) + i * sizeof(DWORD), sizeof(DWORD));
        if (offset >= size) continue;
        const char* entry = base + offset;
        const size_t room = size - offset;
        size_t len = strnlen(entry, room);
        if (len > 255) len = 255;
        char piece[300];
        std::snprintf(piece, sizeof(piece), "%u.%.*s", static_cast<unsigned>(i - list->dwPageStart + 1),
                      static_cast<int>(len), entry);
        text += piece;
    }
    if (text.size() > 1023) text.resize(1023);
    mCandidateList = text;
    return 1;
}

void CKesBaseFrame::ClearCandidateList() {
    mCandidateData.clear();
    mCandidateList.clear();
}

}  // namespace kest2d
