// Downloads, the UI-thread side: the notice queue, the update event the game
// receives, the download workers (start, join, stop) and DownloadFile.
//
// Transfers run on worker threads (std::thread). A worker reaches the UI
// thread only through message 10004: each state change or progress step is
// queued as a notice under mDownloadMutex and the message tells the loop to
// take one. Workers work with absolute paths of the folder that was current
// when their task started, and never change the process's current folder.
// The transfer itself is in Kest2dFrameTransfer.cpp, the self-update run in
// Kest2dFrameUpdate.cpp.
#include <cstdio>
#include <system_error>

#include "frame/Kest2dBaseFrame.h"
#include "update/Kest2dDownloadShared.h"
#include "platform/KesFiles.h"

namespace kest2d {

namespace {

// Notices waiting for the UI thread; progress steps beyond this are dropped.
const size_t kMaxQueuedNotices = 1024;

}  // namespace

void CKesBaseFrame::SetUpdateState(DownloadStatus state) {
    DownloadStatus old = mUpdateState.exchange(state);
    if (old != state) PostUpdateNotice(false, state, 0);
}

CKesBaseFrame::UpdataSet CKesBaseFrame::GetUpdateSet() {
    std::lock_guard<std::mutex> lock(mDownloadMutex);
    return mUpdateSet;
}

std::string CKesBaseFrame::GetCurrentFile() {
    std::lock_guard<std::mutex> lock(mDownloadMutex);
    return mCurrentFile;
}

void CKesBaseFrame::PostUpdateNotice(bool progressOnly, DownloadStatus state, int progress) {
    if (!IsWindow()) return;
    {
        std::lock_guard<std::mutex> lock(mDownloadMutex);
        if (progressOnly && mUpdateNotices.size() >= kMaxQueuedNotices) return;
        mUpdateNotices.push_back(UpdateNotice{progressOnly, state, progress});
    }
    PostMessage(KES_WM_DOWNLOAD_STATE);
}

void CKesBaseFrame::OnProcessUpdateState() {
    UpdateNotice notice{false, mUpdateState.load(), 0};
    CKesEvent event{};
    event.mEventType = KESET_GAME_UPDATE_EVENT;
    std::string fileName;
    int fileCount = 0;
    {
        std::lock_guard<std::mutex> lock(mDownloadMutex);
        // A message without a queued notice (posted by someone else) reports the state now.
        if (!mUpdateNotices.empty()) {
            notice = mUpdateNotices.front();
            mUpdateNotices.pop_front();
        }
        if (!notice.progressOnly && (notice.state == UPDATE_ERROR || notice.state == UPDATE_RESOURCES) &&
            !mCurrentFile.empty()) {
            mCurrentFile = download::AfterLastSlash(mCurrentFile);
            fileName = mCurrentFile;
        }
        fileCount = static_cast<int>(mUpdateFileList.size());
    }
    if (notice.progressOnly) {
        event.mUpdateEvnet.EventType = KESGAME_UPDATE_PROCESS_VALUE;
        event.mUpdateEvnet.process = notice.progress;
    } else {
        switch (notice.state) {
        case UPDATE_ERROR:
            event.mUpdateEvnet.EventType = KESGAME_UPDATE_ERROR;
            break;
        case UPDATE_LIST:
            event.mUpdateEvnet.EventType = KESGAME_UPDATE_GET_LIST;
            event.mUpdateEvnet.fileCount = fileCount;
            event.mUpdateEvnet.process = mProgress.load();
            break;
        case UPDATE_COMPLETE:
            event.mUpdateEvnet.EventType = KESGAME_UPDATE_COMPLETE;
            break;
        case UPDATE_RESOURCES:
            event.mUpdateEvnet.EventType = KESGAME_UPDATE_PROCESS;
            event.mUpdateEvnet.process = mProgress.load();
            break;
        default:
            return;
        }
    }
    std::snprintf(event.mUpdateEvnet.filename, sizeof(event.mUpdateEvnet.filename), "%s", fileName.c_str());
    OnProcessEvent(event);
    if (!notice.progressOnly && notice.state == UPDATE_COMPLETE) JoinDownloadWorker();
}

// ---- Workers ----

bool CKesBaseFrame::StartDownloadWorker(std::function<void()> body) {
    JoinDownloadWorker();
    auto worker = std::make_unique<DownloadWorker>();
    DownloadWorker* w = worker.get();
    try {
        w->thread = std::thread([w, body] {
            body();
            w->finished = true;
        });
    } catch (const std::system_error&) {
        if (CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "游戏更新线程建立失败!");
        return false;
    }
    mDownloadWorkers.push_back(std::move(worker));
    return true;
}

void CKesBaseFrame::JoinDownloadWorker() {
    for (auto it = mDownloadWorkers.begin(); it != mDownloadWorkers.end();) {
        if ((*it)->finished) {
            if ((*it)->thread.joinable()) (*it)->thread.join();
            it = mDownloadWorkers.erase(it);
        } else {
            ++it;
        }
    }
}

bool CKesBaseFrame::RefusesDownload(const std::string& address) {
    if (!mClosing) return false;
    if (CKesLogger::admits(WARN)) SystemLog(WARN, "游戏正在关闭, 不再开始下载:" + address);
    return true;
}

void CKesBaseFrame::StopDownloads() {
    // Running transfers end at their next progress call (at least once a second).
    mDownloadCancel = true;
    for (auto& worker : mDownloadWorkers)
        if (worker->thread.joinable()) worker->thread.join();
    mDownloadWorkers.clear();
    mDownloadCancel = false;
}

void CKesBaseFrame::ShutdownDownloads() {
    StopDownloads();
    mDownloadCancel = true;
    std::lock_guard<std::mutex> lock(mDownloadMutex);
    mUpdateNotices.clear();
}

// ---- One download on a worker ----

bool CKesBaseFrame::DownloadFile(std::string url, std::string /*target*/) {
    if (url.empty() || RefusesDownload(url)) return false;
    mUpdateState = UPDATE_NULL;
    UpdataSet task(0.0f, url);
    {
        std::lock_guard<std::mutex> lock(mDownloadMutex);
        mUpdateSet = task;
    }
    if (!download::EnsureCurl()) {
        if (CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "初始化libcurl失败!");
        return true;
    }
    std::string folder = platform::CurrentDirectory();
    StartDownloadWorker([this, task, folder] { ThreadGameDownload(this, task, folder); });
    return true;
}

unsigned CKesBaseFrame::ThreadGameDownload(CKesBaseFrame* frame, UpdataSet task, std::string folder) {
    // The file is named before the state changes, so the event carries its name.
    bool claimed = !task.address.empty() && frame->ClaimCurrentFile(task.address);
    frame->SetUpdateState(UPDATE_RESOURCES);
    FetchResult result = claimed ? frame->FetchFile(task.address, "", folder, false) : FetchResult::Repeated;
    if (result == FetchResult::Failed && !frame->mDownloadCancel) frame->SetUpdateState(UPDATE_ERROR);
    frame->SetUpdateState(UPDATE_COMPLETE);
    return 0;
}

}  // namespace kest2d
