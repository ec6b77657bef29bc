#include "platform/KesWindow.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

#include "platform/KesBackerInternal.h"
#include "platform/KesCharset.h"
#include "platform/KesClock.h"
#include "platform/KesDesktopMode.h"

namespace kest2d {

namespace {

struct PostedMessage {
    UINT hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct Timer {
    UINT hwnd;
    UINT_PTR id;
    UINT period;
    DWORD due;
};

// The process-wide message loop state. The posted queue is shared with worker
// threads; everything else belongs to the UI thread.
struct Loop {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<PostedMessage> posted;

    std::map<UINT, KesWnd*> windows;
    std::vector<Timer> timers;
    std::vector<UINT> paintPending;
    UINT nextHandle = 1;
    UINT focus = 0;
    UINT active = 0;
    platform::BackerEventHook hook = nullptr;
    std::vector<platform::PumpPoller> pollers;
};

Loop& L() {
    static Loop* loop = new Loop();  // lives for the whole process
    return *loop;
}

const UINT kMinTimerPeriod = 10;
// Windows' USER_TIMER_MAXIMUM: longer periods are cut to it.
const UINT kMaxTimerPeriod = 0x7FFFFFFF;

// Asks every top-level window to close; false when there is none.
bool CloseTopLevelWindows() {
    bool any = false;
    for (auto& kv : L().windows) {
        if (kv.second->GetStyle() & WS_CHILD) continue;
        kv.second->PostMessage(WM_CLOSE);
        any = true;
    }
    return any;
}

void DefaultBackerEvent(const void* ev) {
    const SDL_Event* e = static_cast<const SDL_Event*>(ev);
    if (e->type == SDL_QUIT) {
        CloseTopLevelWindows();
    } else if (e->type == SDL_WINDOWEVENT && e->window.event == SDL_WINDOWEVENT_EXPOSED) {
        for (auto& kv : L().windows) {
            if (platform::NativeWindow(kv.second) == SDL_GetWindowFromID(e->window.windowID))
                kv.second->Invalidate();
        }
    }
}

void FollowPlacement(const SDL_Event& e);

void GatherBackerInput() {
    // A termination signal closes the windows as the desktop's quit does; it
    // waits for a window when there is none yet.
    if (platform::TerminationRequested() && CloseTopLevelWindows()) platform::ClearTerminationRequest();
    if (!platform::VideoBackerStarted()) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        if (e.type == SDL_WINDOWEVENT) FollowPlacement(e);
        if (L().hook)
            L().hook(&e);
        else
            DefaultBackerEvent(&e);
    }
}

void Dispatch(UINT hwnd, UINT message, WPARAM wp, LPARAM lp) {
    KesWnd* target = platform::WindowFromHandle(hwnd);
    if (!target) return;
    MSG msg;
    msg.hwnd = target;
    msg.message = message;
    msg.wParam = wp;
    msg.lParam = lp;
    msg.time = GetTickCount();
    // Walk the target and its parents, as the MFC pre-translation does.
    std::vector<UINT> chain;
    for (KesWnd* w = target; w && w->IsWindow(); w = w->GetParentWnd()) chain.push_back(w->GetSafeHwnd());
    for (UINT h : chain) {
        KesWnd* w = platform::WindowFromHandle(h);
        if (!w) break;
        if (w->PreTranslateMessage(&msg)) return;
    }
    target = platform::WindowFromHandle(hwnd);
    if (target) target->WindowProc(message, wp, lp);
}

// Sleeps until something may be due, at most until `limit`.
void WaitForWork(bool hasLimit, DWORD limit) {
    Loop& l = L();
    DWORD now = GetTickCount();
    DWORD wait = 10;
    for (const Timer& t : l.timers) {
        DWORD d = TickReached(now, t.due) ? 0 : t.due - now;
        wait = std::min(wait, d);
    }
    if (hasLimit) wait = std::min(wait, TickReached(now, limit) ? 0 : limit - now);
    if (wait == 0) wait = 1;
    if (platform::IsVirtualClock()) {
        std::lock_guard<std::mutex> lock(l.mutex);
        if (l.posted.empty()) platform::AdvanceClock(wait);
        return;
    }
    // Real clock: wake early for posted messages, and keep polling the backer.
    std::unique_lock<std::mutex> lock(l.mutex);
    if (!l.posted.empty()) return;
    l.wake.wait_for(lock, std::chrono::milliseconds(std::min<DWORD>(wait, 5)));
}

}  // namespace

struct KesWndAccess {
    // The window manager (or the player) placed a window: its rectangle
    // follows where it really is.
    static void Placed(KesWnd* w, int x, int y) {
        const int width = w->m_rect.right - w->m_rect.left, height = w->m_rect.bottom - w->m_rect.top;
        w->m_rect.left = x;
        w->m_rect.top = y;
        w->m_rect.right = x + width;
        w->m_rect.bottom = y + height;
    }
    static void Detach(KesWnd* w) {
        Loop& l = L();
        l.windows.erase(w->m_hWnd);
        l.timers.erase(std::remove_if(l.timers.begin(), l.timers.end(),
                                      [w](const Timer& t) { return t.hwnd == w->m_hWnd; }),
                       l.timers.end());
        l.paintPending.erase(std::remove(l.paintPending.begin(), l.paintPending.end(), w->m_hWnd),
                             l.paintPending.end());
        if (l.focus == w->m_hWnd) l.focus = 0;
        if (l.active == w->m_hWnd) l.active = 0;
        if (w->m_native) {
            SDL_Window* native = static_cast<SDL_Window*>(w->m_native);
            const bool fullScreen = (SDL_GetWindowFlags(native) & SDL_WINDOW_FULLSCREEN) != 0;
            SDL_DestroyWindow(native);  // gives the display its mode back
            if (fullScreen) platform::ReleaseDesktopMode();
            w->m_native = nullptr;
        }
        w->m_hWnd = 0;
        w->m_visible = false;
        w->m_modalRunning = false;
    }
    static void* Native(const KesWnd* w) { return w->m_native; }
};

namespace {

void FollowPlacement(const SDL_Event& e) {
    SDL_Window* native = SDL_GetWindowFromID(e.window.windowID);
    if (!native) return;
    KesWnd* w = nullptr;
    for (auto& kv : L().windows)
        if (platform::NativeWindow(kv.second) == native) w = kv.second;
    if (!w) return;
    switch (e.window.event) {
    case SDL_WINDOWEVENT_MOVED:
        KesWndAccess::Placed(w, e.window.data1, e.window.data2);
        break;
    case SDL_WINDOWEVENT_RESIZED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_RESTORED: {
        int x = 0, y = 0;
        SDL_GetWindowPosition(native, &x, &y);
        KesWndAccess::Placed(w, x, y);
        break;
    }
    default:
        break;
    }
}

}  // namespace

KesWnd::KesWnd() = default;

KesWnd::~KesWnd() {
    if (IsWindow()) KesWnd::DestroyWindow();
}

bool KesWnd::CreateEx(DWORD /*exStyle*/, const std::string& caption, DWORD style, const RECT& rc,
                      KesWnd* parent, UINT id) {
    if (IsWindow()) return false;
    Loop& l = L();
    m_style = style;
    m_parent = parent;
    m_id = id;
    m_caption = caption;
    m_rect = rc;
    m_enabled = !(style & WS_DISABLED);
    m_iconic = false;
    if (!(style & WS_CHILD)) {
        if (!platform::InitVideoBacker()) return false;
        int w = std::max(1, static_cast<int>(rc.right - rc.left));
        int h = std::max(1, static_cast<int>(rc.bottom - rc.top));
        Uint32 flags = SDL_WINDOW_BORDERLESS | ((style & WS_VISIBLE) ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN);
        SDL_Window* win = SDL_CreateWindow(platform::GbkToUtf8(caption).c_str(), rc.left, rc.top, w, h, flags);
        if (!win) return false;
        m_native = win;
    }
    m_hWnd = l.nextHandle++;
    if (l.nextHandle == 0) l.nextHandle = 1;
    l.windows[m_hWnd] = this;
    m_visible = (style & WS_VISIBLE) != 0;
    return true;
}

bool KesWnd::DestroyWindow() {
    if (!IsWindow()) return false;
    // Children first, as Windows does.
    std::vector<KesWnd*> children;
    for (auto& kv : L().windows)
        if (kv.second->m_parent == this && (kv.second->m_style & WS_CHILD)) children.push_back(kv.second);
    for (KesWnd* c : children) c->DestroyWindow();
    WindowProc(WM_DESTROY, 0, 0);
    KesWndAccess::Detach(this);
    return true;
}

bool KesWnd::ShowWindow(int cmd) {
    bool wasVisible = m_visible;
    if (!IsWindow()) return false;
    SDL_Window* win = static_cast<SDL_Window*>(m_native);
    switch (cmd) {
    case SW_HIDE:
        m_visible = false;
        if (win) SDL_HideWindow(win);
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
        m_visible = true;
        if (!m_iconic) {
            m_iconic = true;
            if (win) SDL_MinimizeWindow(win);
            SendMessage(WM_SIZE, SIZE_MINIMIZED, 0);
        }
        break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
        m_visible = true;
        if (win) SDL_ShowWindow(win);
        if (m_iconic) {
            m_iconic = false;
            if (win) SDL_RestoreWindow(win);
            SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(m_rect.right - m_rect.left, m_rect.bottom - m_rect.top));
        }
        break;
    default:
        m_visible = true;
        if (win) SDL_ShowWindow(win);
        break;
    }
    return wasVisible;
}

bool KesWnd::SetWindowPos(const KesWnd* /*insertAfter*/, int x, int y, int cx, int cy, UINT flags) {
    if (!IsWindow()) return false;
    SDL_Window* win = static_cast<SDL_Window*>(m_native);
    bool resized = false;
    if (!(flags & SWP_NOMOVE)) {
        KesWndAccess::Placed(this, x, y);
        if (win) {
            int nowX = 0, nowY = 0;
            SDL_GetWindowPosition(win, &nowX, &nowY);
            if (nowX != x || nowY != y) SDL_SetWindowPosition(win, x, y);
            // Where the window manager let it go (the backer reports no move
            // of its own to where it was asked to go).
            SDL_GetWindowPosition(win, &nowX, &nowY);
            KesWndAccess::Placed(this, nowX, nowY);
        }
    }
    if (!(flags & SWP_NOSIZE)) {
        cx = std::max(0, cx);
        cy = std::max(0, cy);
        resized = (m_rect.right - m_rect.left) != cx || (m_rect.bottom - m_rect.top) != cy;
        m_rect.right = m_rect.left + cx;
        m_rect.bottom = m_rect.top + cy;
        if (win && resized) SDL_SetWindowSize(win, std::max(1, cx), std::max(1, cy));
    }
    if (flags & SWP_HIDEWINDOW) {
        m_visible = false;
        if (win) SDL_HideWindow(win);
    }
    if (flags & SWP_SHOWWINDOW) {
        m_visible = true;
        if (win) SDL_ShowWindow(win);
    }
    if (resized) SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(m_rect.right - m_rect.left, m_rect.bottom - m_rect.top));
    return true;
}

void KesWnd::GetWindowRect(RECT* rc) const {
    if (rc) *rc = m_rect;
}

void KesWnd::GetClientRect(RECT* rc) const {
    if (!rc) return;
    rc->left = 0;
    rc->top = 0;
    rc->right = m_rect.right - m_rect.left;
    rc->bottom = m_rect.bottom - m_rect.top;
}

bool KesWnd::EnableWindow(bool enable) {
    bool wasDisabled = !m_enabled;
    m_enabled = enable;
    return wasDisabled;
}

void KesWnd::GetScreenSize(int* width, int* height) {
    int w = 1024, h = 768;
    if (platform::VideoBackerStarted()) {
        SDL_DisplayMode mode;
        if (SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0) {
            w = mode.w;
            h = mode.h;
        }
    }
    if (width) *width = w;
    if (height) *height = h;
}

RECT KesWnd::CenteredRect(const KesWnd* owner, int width, int height) {
    RECT area;
    if (owner && owner->IsWindow() && owner->IsWindowVisible() && !owner->IsIconic() &&
        !(owner->GetStyle() & WS_CHILD)) {
        owner->GetWindowRect(&area);
    } else {
        platform::InitVideoBacker();
        int sw, sh;
        GetScreenSize(&sw, &sh);
        area.right = sw;
        area.bottom = sh;
    }
    RECT rc;
    rc.left = area.left + ((area.right - area.left) - width) / 2;
    rc.top = area.top + ((area.bottom - area.top) - height) / 2;
    rc.right = rc.left + width;
    rc.bottom = rc.top + height;
    return rc;
}

void KesWnd::CenterWindow(KesWnd* alternateOwner) {
    if (!IsWindow()) return;
    const RECT rc = CenteredRect(alternateOwner ? alternateOwner : m_parent, m_rect.right - m_rect.left,
                                 m_rect.bottom - m_rect.top);
    SetWindowPos(nullptr, rc.left, rc.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void KesWnd::SetWindowText(const std::string& gbkText) {
    m_caption = gbkText;
    if (m_native) SDL_SetWindowTitle(static_cast<SDL_Window*>(m_native), platform::GbkToUtf8(gbkText).c_str());
}

KesWnd* KesWnd::SetFocus() {
    KesWnd* old = GetFocus();
    if (IsWindow()) L().focus = m_hWnd;
    return old;
}

KesWnd* KesWnd::GetFocus() { return platform::WindowFromHandle(L().focus); }
KesWnd* KesWnd::GetActiveWindow() { return platform::WindowFromHandle(L().active); }

KesWnd* KesWnd::SetActiveWindow() {
    KesWnd* old = GetActiveWindow();
    if (IsWindow()) {
        L().active = m_hWnd;
        if (m_native) SDL_RaiseWindow(static_cast<SDL_Window*>(m_native));
    }
    return old;
}

void KesWnd::Invalidate() {
    if (!IsWindow()) return;
    auto& p = L().paintPending;
    if (std::find(p.begin(), p.end(), m_hWnd) == p.end()) p.push_back(m_hWnd);
}

UINT_PTR KesWnd::SetTimer(UINT_PTR id, UINT elapseMs) {
    if (!IsWindow()) return 0;
    UINT period = std::min(std::max(elapseMs, kMinTimerPeriod), kMaxTimerPeriod);
    DWORD due = GetTickCount() + period;
    for (Timer& t : L().timers) {
        if (t.hwnd == m_hWnd && t.id == id) {
            t.period = period;
            t.due = due;
            return id;
        }
    }
    L().timers.push_back(Timer{m_hWnd, id, period, due});
    return id;
}

bool KesWnd::KillTimer(UINT_PTR id) {
    auto& ts = L().timers;
    auto it = std::find_if(ts.begin(), ts.end(), [&](const Timer& t) { return t.hwnd == m_hWnd && t.id == id; });
    if (it == ts.end()) return false;
    ts.erase(it);
    return true;
}

bool KesWnd::HasTimer(UINT_PTR id) const {
    for (const Timer& t : L().timers)
        if (t.hwnd == m_hWnd && t.id == id) return true;
    return false;
}

bool KesWnd::PostMessage(UINT msg, WPARAM wp, LPARAM lp) {
    UINT h = m_hWnd;
    if (h == 0) return false;
    Loop& l = L();
    {
        std::lock_guard<std::mutex> lock(l.mutex);
        l.posted.push_back(PostedMessage{h, msg, wp, lp});
    }
    l.wake.notify_all();
    return true;
}

LRESULT KesWnd::SendMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (!IsWindow()) return 0;
    return WindowProc(msg, wp, lp);
}

int KesWnd::RunModalLoop(DWORD /*flags*/) {
    m_modalRunning = true;
    m_modalResult = -1;
    while (m_modalRunning && IsWindow()) {
        if (!platform::PumpOneMessage() && m_modalRunning && IsWindow()) WaitForWork(false, 0);
    }
    m_modalRunning = false;
    return m_modalResult;
}

void KesWnd::EndModalLoop(int result) {
    m_modalResult = result;
    m_modalRunning = false;
}

bool KesWnd::PreTranslateMessage(MSG* /*msg*/) { return false; }

LRESULT KesWnd::WindowProc(UINT msg, WPARAM /*wp*/, LPARAM /*lp*/) {
    if (msg == WM_CLOSE) DestroyWindow();
    return 0;
}

namespace platform {

KesWnd* WindowFromHandle(UINT hwnd) {
    if (hwnd == 0) return nullptr;
    auto& w = L().windows;
    auto it = w.find(hwnd);
    return it == w.end() ? nullptr : it->second;
}

void* NativeWindow(const KesWnd* wnd) { return wnd ? KesWndAccess::Native(wnd) : nullptr; }

bool PumpOneMessage() {
    Loop& l = L();
    GatherBackerInput();
    // By index: a poller may add pollers while it runs.
    for (size_t i = 0; i < l.pollers.size(); ++i) l.pollers[i]();
    PostedMessage m{};
    bool have = false;
    {
        std::lock_guard<std::mutex> lock(l.mutex);
        if (!l.posted.empty()) {
            m = l.posted.front();
            l.posted.pop_front();
            have = true;
        }
    }
    if (have) {
        Dispatch(m.hwnd, m.message, m.wParam, m.lParam);
        return true;
    }
    if (!l.paintPending.empty()) {
        UINT h = l.paintPending.front();
        l.paintPending.erase(l.paintPending.begin());
        Dispatch(h, WM_PAINT, 0, 0);
        return true;
    }
    // The most overdue timer, if any is due; no catch-up afterwards.
    DWORD now = GetTickCount();
    Timer* best = nullptr;
    for (Timer& t : l.timers) {
        if (TickReached(now, t.due) && (!best || static_cast<int32_t>(t.due - best->due) < 0)) best = &t;
    }
    if (best) {
        best->due = now + best->period;
        UINT h = best->hwnd;
        UINT_PTR id = best->id;
        Dispatch(h, WM_TIMER, id, 0);
        return true;
    }
    return false;
}

int PumpMessages() {
    int n = 0;
    while (PumpOneMessage()) {
        if (++n > 100000) break;  // a handler that keeps posting to itself
    }
    return n;
}

void RunFor(DWORD ms) {
    DWORD end = GetTickCount() + ms;
    while (!TickReached(GetTickCount(), end)) {
        if (!PumpOneMessage()) WaitForWork(true, end);
    }
}

void SetBackerEventHook(BackerEventHook hook) { L().hook = hook; }

void AddPumpPoller(PumpPoller poller) {
    auto& ps = L().pollers;
    if (poller && std::find(ps.begin(), ps.end(), poller) == ps.end()) ps.push_back(poller);
}

void RemovePumpPoller(PumpPoller poller) {
    auto& ps = L().pollers;
    ps.erase(std::remove(ps.begin(), ps.end(), poller), ps.end());
}

void HandleBackerEventByDefault(const void* sdlEvent) {
    if (sdlEvent) DefaultBackerEvent(sdlEvent);
}

}  // namespace platform

}  // namespace kest2d
