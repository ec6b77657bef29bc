// The input layer: the backer's mouse, keyboard, text and window events
// become posted window messages with the Windows numbers (a US keyboard
// layout), plus the small keyboard-state, mouse-tracking and input-method
// services that the game window reads while it translates those messages.
#pragma once

#include <string>
#include <vector>

#include "platform/KesWindow.h"

namespace kest2d {
namespace platform {

// Routes the backer's input of `wnd`'s native window to `wnd` as posted
// messages (installs the translator on first use).
void AttachInput(KesWnd* wnd);
// The translator itself: one backer event (SDL_Event*) in, messages out.
void TranslateBackerEvent(const void* sdlEvent);

// Keyboard state as the translator has seen it: 256 entries indexed by
// virtual key, top bit set while the key is down, low bit of VK_CAPITAL and
// VK_NUMLOCK set while the lock is on.
void GetKeyboardState(BYTE* state256);
void SetKeyState(UINT vk, BYTE value);
void ResetKeyboardState();
// The character a key produces on a US layout under `state` (Shift, Caps
// Lock, Ctrl+letter): 1 with the character in *out, or 0 when none.
int ToAscii(UINT vk, UINT scanCode, const BYTE* state256, WORD* out, UINT flags);

// Asks for one WM_MOUSELEAVE when the mouse next leaves the window.
bool TrackMouseLeave(UINT hwnd);
// What the system does for WM_NCLBUTTONDOWN with HTCAPTION: while the left
// button stays down, the mouse moves the window so that the client point
// where it was pressed stays under it (and no mouse messages are posted); the
// release ends it.
void BeginCaptionDrag(UINT hwnd, int clientX, int clientY);
bool IsCaptionDragging();

// The input-method context of a window. A committed text waits in the
// window's context until the WM_IME_COMPOSITION posted with it is handled:
// releasing a context whose result string was queried consumes it.
typedef void* HIMC;
HIMC ImmGetContext(UINT hwnd);
bool ImmReleaseContext(UINT hwnd, HIMC context);
// GCS_RESULTSTR only: the byte length (no buffer) or the bytes copied.
long ImmGetCompositionStringA(HIMC context, DWORD index, void* buffer, DWORD length);
// The size of the list (no buffer) or of the copy; 0 when there is none.
DWORD ImmGetCandidateListA(HIMC context, DWORD index, CANDIDATELIST* list, DWORD length);
// Queues a committed GBK text for `hwnd` and posts its WM_IME_COMPOSITION.
void PostImeResult(UINT hwnd, const std::string& gbk);
// Sets the candidates a window's input method reports (the backer gives
// none; tests and future backers use this).
void SetImeCandidates(UINT hwnd, const std::vector<std::string>& gbk, DWORD pageStart, DWORD pageSize);
UINT_PTR GetKeyboardLayout(DWORD thread);
void MessageBeep(UINT type);

}  // namespace platform
}  // namespace kest2d
