// The window layer: a small stand-in for the MFC window class the engine was
// designed around. A KesWnd is either a top-level window backed by an SDL
// window (shown on a display, or on SDL's offscreen driver when there is none)
// or a message-only child window. Messages are posted to a process-wide queue
// (thread-safe) and dispatched on the UI thread by the modal loop; timers and
// paint requests are produced only when no posted message waits, as on
// Windows.
#pragma once

#include <string>

#include "platform/KesWinTypes.h"

namespace kest2d {

class KesWnd {
public:
    KesWnd();
    virtual ~KesWnd();
    KesWnd(const KesWnd&) = delete;
    KesWnd& operator=(const KesWnd&) = delete;

    // Creates the window. A WS_CHILD style gives a message-only window that
    // only receives messages; anything else gives a top-level window of the
    // rectangle `rc` (screen coordinates), initially hidden unless WS_VISIBLE.
    bool CreateEx(DWORD exStyle, const std::string& caption, DWORD style, const RECT& rc,
                  KesWnd* parent, UINT id);
    // True while the window exists (between CreateEx and destruction).
    bool IsWindow() const { return m_hWnd != 0; }
    // Our handle: a process-unique number, 0 when there is no window.
    UINT GetSafeHwnd() const { return m_hWnd; }
    virtual bool DestroyWindow();

    bool ShowWindow(int cmd);
    bool IsWindowVisible() const { return m_visible; }
    bool IsIconic() const { return m_iconic; }
    bool SetWindowPos(const KesWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
    // Where the window really is: the window manager may place it elsewhere
    // than asked, or move it itself, and the rectangle follows.
    void GetWindowRect(RECT* rc) const;
    void GetClientRect(RECT* rc) const;
    // Returns true when the window was disabled before (as Win32 does).
    bool EnableWindow(bool enable);
    bool IsWindowEnabled() const { return m_enabled; }
    // Centres on the owner when it is a visible top-level window, else on the screen.
    void CenterWindow(KesWnd* alternateOwner = nullptr);
    // The rectangle (screen coordinates) of a width x height window centred as
    // CenterWindow centres it with that owner: a window created there opens
    // centred without being moved.
    static RECT CenteredRect(const KesWnd* owner, int width, int height);
    void SetWindowText(const std::string& gbkText);
    std::string GetWindowText() const { return m_caption; }
    KesWnd* GetParentWnd() const { return m_parent; }
    UINT GetDlgCtrlID() const { return m_id; }
    DWORD GetStyle() const { return m_style; }
    KesWnd* SetFocus();
    static KesWnd* GetFocus();
    static KesWnd* GetActiveWindow();
    KesWnd* SetActiveWindow();
    void Invalidate();

    // Window timers: an existing id is replaced; periods under 10 ms become 10 ms.
    UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs);
    bool KillTimer(UINT_PTR id);
    bool HasTimer(UINT_PTR id) const;

    // Thread-safe: queues the message for the UI thread.
    bool PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0);
    // Calls the window procedure directly.
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0);

    int RunModalLoop(DWORD flags = 0);
    void EndModalLoop(int result);
    bool ContinueModal() const { return m_modalRunning; }

    // Called for every message addressed to this window or to one of its
    // children before it is dispatched; true means handled (not dispatched).
    virtual bool PreTranslateMessage(MSG* msg);
    // The message map: dispatches one message. The default handles nothing.
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);

    // Screen size of the display the window lives on (or the headless default).
    static void GetScreenSize(int* width, int* height);

private:
    friend struct KesWndAccess;
    UINT m_hWnd = 0;
    KesWnd* m_parent = nullptr;
    UINT m_id = 0;
    DWORD m_style = 0;
    std::string m_caption;
    RECT m_rect;
    bool m_visible = false;
    bool m_iconic = false;
    bool m_enabled = true;
    bool m_modalRunning = false;
    int m_modalResult = -1;
    void* m_native = nullptr;  // SDL_Window* of a top-level window
};

namespace platform {
// Handles at most one waiting message, paint request or due timer after
// gathering the backer's input; false when there was nothing to do.
bool PumpOneMessage();
// Handles everything that is waiting or due now, without waiting.
int PumpMessages();
// Runs the loop for `ms` milliseconds of clock time (virtual clock: instantly).
void RunFor(DWORD ms);
// The window behind a handle on the UI thread, or null.
KesWnd* WindowFromHandle(UINT hwnd);
// The backer's window of a top-level KesWnd (SDL_Window*), or null.
void* NativeWindow(const KesWnd* wnd);
// True when windows are shown on a real display.
bool HasDisplay();
// Makes sure the video backer is started (headless drivers when no display).
bool InitVideoBacker();
// From now on SIGINT and SIGTERM ask every top-level window to close, as the
// desktop's quit does (a full-screen window gives the display its mode back
// as it goes); a second signal, of either kind, ends the process at once by
// that signal, after giving the display its mode back.
void CloseWindowsOnTerminationSignals();
// The input translator: turns one backer event into posted window messages.
// Installed by the input layer; the default handles window-manager events.
typedef void (*BackerEventHook)(const void* sdlEvent);
void SetBackerEventHook(BackerEventHook hook);
// Pollers run on the UI thread at the start of every pump, after the backer's
// input is gathered and before the next message is taken: the socket layer
// turns socket readiness into posted notifications there. Adding a poller
// twice has no effect.
typedef void (*PumpPoller)();
void AddPumpPoller(PumpPoller poller);
void RemovePumpPoller(PumpPoller poller);
// What the loop does with a backer event when no hook is installed (quit,
// exposure); a hook calls it for the events it does not translate.
void HandleBackerEventByDefault(const void* sdlEvent);
}  // namespace platform

}  // namespace kest2d
