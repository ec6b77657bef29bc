#include "frame/Kest2dBaseFrame.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sstream>

#include "frame/types/Kest2dAssert.h"
#include "platform/KesClock.h"
#include "platform/KesFiles.h"
#include "platform/KesInput.h"
#include "platform/KesVideo.h"

namespace kest2d {

CKesBaseFrame* CKesBaseFrame::m_Singleton = nullptr;
const char* const CKesBaseFrame::kDefaultCaption = "Kest2d独立游戏创造平台";

CKesBaseFrame::CKesBaseFrame(KesWnd* parent) : mParentWnd(parent) {
    m_Singleton = this;
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    mImeString.clear();
    mCandidateList.clear();
    mIniFile.clear();
    mScreenHeight = 600;
    mScreenWidth = 800;
    try {
        CKesLogger::setLogFile("kest2d.log");
    } catch (...) {
        m_Singleton = nullptr;
        throw;
    }
    // One manager per process: a second frame uses the one that exists.
    mAudioFactory = new OpenAL_AudioInterfaceFactory();
    if (!gVideoManager) {
        gVideoManager = new TheoraVideoManager(1);
        gVideoManager->setAudioInterfaceFactory(mAudioFactory);
        mOwnsVideoManager = true;
    }
}

CKesBaseFrame::~CKesBaseFrame() {
    // The frame's end. No download or update starts from now on, and the
    // running ones end first, so that no worker runs beside the finalisers.
    mClosing = true;
    ShutdownDownloads();
    // The script state closes while everything its finalisers can reach is
    // whole; whatever they make or start (controls, textures, fonts, sounds,
    // timers, a connection) goes with the rest below.
    DestroyScriptSystem();
    // Controls go while the frame they draw with is whole: some free textures
    // and join worker threads that use the texture table.
    DeleteAllControls();
    ShutdownSoundSystem();
    ShutdownRenderer();
    ClearAllPackagers();
    FreeFonts(false);
    ShutdownWinSocket();
    mShareMemory.Close();
    // Clips play their sound through the factory: the manager (and with it
    // every clip) goes before the factory.
    if (mOwnsVideoManager) {
        delete gVideoManager;
        gVideoManager = nullptr;
    }
    delete mAudioFactory;
    mAudioFactory = nullptr;
    if (m_Singleton == this) m_Singleton = nullptr;
    // The GUI tree goes with the container base; timers die with the window.
    if (IsWindow()) KesWnd::DestroyWindow();
}

CKesBaseFrame& CKesBaseFrame::getSingleton() {
    KES_ASSERT(m_Singleton, "Kest2dBaseFrame");
    return *m_Singleton;
}

CKesBaseFrame* CKesBaseFrame::getSingletonPtr() { return m_Singleton; }

bool CKesBaseFrame::Initialize(std::string caption, CKesDimension2d<int> size) {
    if (caption.empty()) caption = kDefaultCaption;
    mScreenWidth = size.Width;
    mScreenHeight = size.Height;
    mCaption = caption;

    LoadSystemInitConfig();

    // Made where CenterWindow puts it, so that it opens centred without moving.
    const RECT rc = KesWnd::CenteredRect(mParentWnd, mScreenWidth, mScreenHeight);
    if (!CreateEx(0, mCaption, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, rc, mParentWnd, 0)) {
        if (CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "引擎窗口建立失败!");
        return false;
    }
    platform::AttachInput(this);

    mWorkingDir = platform::ModuleFolder();
    CenterWindow();

    const std::string& commandLine = platform::GetCommandLine();
    if (!commandLine.empty()) ParseStartCommand(commandLine);

    if (!mWorkingDir.empty())
        platform::SetCurrentDirectory(mWorkingDir);
    else
        platform::SetCurrentDirectory(GetCurrentPath());

    LoadGameResourcesFromCurDir();

    SetDriver(this);
    SetAbsoluteRect(CKesRect<int>(0, 0, size.Width, size.Height));

    if (!mShareMemory.Create("KesShareMemory", KES_SHARE_SIZE)) {
        if (CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "共享内存建立失败!");
    }
    SetTimer(KES_TIMER_LOG_EXPORT, 1000);

    InitSoundSystem();
    InitScriptSystem();
    if (!InitD3D(size.Width, size.Height, mWindowed)) return false;
    if (!InitWinSocket()) {
        if (CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "winsocket 初始失败!");
        return false;
    }
    SetTimer(KES_TIMER_FRAME, 1);
    return true;
}

int CKesBaseFrame::DoModal() {
    if (mParentWnd) mParentWnd->EnableWindow(false);
    EnableWindow(true);
    ShowWindow(SW_SHOW);
    int result = RunModalLoop(MLF_NOIDLEMSG);
    if (IsWindow())
        SetWindowPos(nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
    if (mParentWnd) {
        mParentWnd->SetFocus();
        if (KesWnd::GetActiveWindow() == this) mParentWnd->SetActiveWindow();
    }
    if (IsWindow()) KesWnd::DestroyWindow();
    if (mParentWnd) mParentWnd->EnableWindow(true);
    return result;
}

void CKesBaseFrame::CloseGameFrame(int code) { EndModalLoop(code); }

void CKesBaseFrame::MinGameFrame() { ShowWindow(SW_MINIMIZE); }

void CKesBaseFrame::DitherMainFrame() {
    if (!mWindowed || !IsWindow()) return;
    RECT rc;
    GetWindowRect(&rc);
    const int L = rc.left, T = rc.top;
    const int steps[8][2] = {{L - 5, T + 5}, {L - 5, T},      {L - 5, T - 10}, {L, T - 10},
                             {L + 10, T - 10}, {L + 10, T - 5}, {L + 10, T + 5}, {L, T}};
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 8; ++i) {
            SetWindowPos(nullptr, steps[i][0], steps[i][1], 0, 0, SWP_NOSIZE);
            if (i != 6) Sleep(35);
        }
    }
}

void CKesBaseFrame::OnProcessGameTimer(unsigned int /*id*/) {}
void CKesBaseFrame::LoadResources() {}
void CKesBaseFrame::DrawScene() {}

// ---- Message map ----

LRESULT CKesBaseFrame::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_SIZE:
        OnSize(static_cast<UINT>(wp), LOWORD(static_cast<uintptr_t>(lp)), HIWORD(static_cast<uintptr_t>(lp)));
        return 0;
    case WM_TIMER:
        OnTimer(static_cast<unsigned int>(wp));
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(static_cast<UINT>(wp), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return 0;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return 0;
    default:
        return KesWnd::WindowProc(msg, wp, lp);
    }
}

// ---- Game loop and timers ----

void CKesBaseFrame::OnTimer(unsigned int id) {
    if (id == KES_TIMER_FRAME) {
        FrameTick();
    } else if (id == KES_TIMER_LOG_EXPORT) {
        ExportPendingLogs();
    } else {
        OnProcessGameTimer(id);
        CallScriptGameTimer(id);
    }
}

// The engine's own timers are not the game's to start or stop: refused with a
// warning that names the action.
bool CKesBaseFrame::IsGameTimerId(unsigned int id, const char* action) {
    if (id != KES_TIMER_FRAME && id != KES_TIMER_LOG_EXPORT) return true;
    if (CKesLogger::admits(WARN)) {
        std::ostringstream os;
        os << "游戏定时器 " << id << " 属于引擎保留, 不能" << action;
        SystemLog(WARN, os.str());
    }
    return false;
}

void CKesBaseFrame::StartGameTimer(unsigned int id, unsigned int period) {
    if (IsGameTimerId(id, "启动")) SetTimer(id, period);
}

void CKesBaseFrame::StopGameTimer(unsigned int id) {
    if (IsGameTimerId(id, "停止")) KillTimer(id);
}

// ---- Logging ----

void CKesBaseFrame::SystemLog(Level level, const std::string& message) {
    std::string line = CKesLogger::output(message, level);
    if (line.empty() || line.size() >= KES_SHARE_SLOT_SIZE) return;
    if (mPendingLogs.size() >= KES_PENDING_LOG_CAP) {
        // Nobody is reading the block: keep the newest lines.
        mPendingLogs.pop_front();
        if (!mPendingCapWarned) {
            mPendingCapWarned = true;
            CKesLogger::output("等待导出的日志太多，丢弃最早的行", WARN);
        }
    }
    mPendingLogs.push_back(line);
}

void CKesBaseFrame::ExportPendingLogs() {
    if (!mShareMemory.IsOpen()) return;
    void* view = mShareMemory.MapView();
    if (!view) return;
    unsigned char* base = static_cast<unsigned char*>(view);
    int32_t count = 0;
    std::memcpy(&count, base, 4);
    if (count <= 0 && !mPendingLogs.empty()) {
        int32_t n = 0;
        while (n < static_cast<int32_t>(KES_SHARE_SLOTS) && !mPendingLogs.empty()) {
            const std::string& line = mPendingLogs.front();
            std::memcpy(base + 4 + static_cast<size_t>(n) * KES_SHARE_SLOT_SIZE, line.c_str(), line.size() + 1);
            mPendingLogs.pop_front();
            ++n;
        }
        // The count goes last, so a reader never sees it ahead of its lines.
        __atomic_store_n(reinterpret_cast<int32_t*>(base), n, __ATOMIC_RELEASE);
    }
    mShareMemory.FlushView(view, KES_SHARE_SIZE);
    mShareMemory.UnmapView(view);
}

}  // namespace kest2d
