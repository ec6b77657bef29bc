// One file over HTTP(S) with libcurl: the attempts, the redirects, the
// progress calls, the checks on addresses and file names, and the move of the
// received file into place (or into the archive reader). Every transfer the
// engine makes is set up here, in PerformTransfer.
//
// Every transfer receives into a fresh temporary file of its own in the
// target folder, made as the engine's other files are (the umask decides its
// mode), which is then moved into place. Each attempt carries its progress
// state (the cancel flag it obeys, the step last reported, whether the
// frame's hook threw) in a TransferProgress that libcurl hands back to the
// progress callback. Every
// file name that comes from a server (the last part of a URL) must be a plain
// name: it never leaves its folder.
#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "frame/Kest2dBaseFrame.h"
#include "update/Kest2dDownloadShared.h"
#include "update/Kest2dDownloadSupport.h"
#include "platform/KesFiles.h"

namespace kest2d {

namespace download {

namespace {

std::once_flag gCurlOnce;
CURLcode gCurlInit = CURLE_FAILED_INIT;

void CleanupCurl() { curl_global_cleanup(); }

}  // namespace

// No frame (and so no worker) is left when the global state is released.
bool EnsureCurl() {
    std::call_once(gCurlOnce, [] {
        gCurlInit = curl_global_init(CURL_GLOBAL_ALL);
        if (gCurlInit == CURLE_OK) std::atexit(CleanupCurl);
    });
    return gCurlInit == CURLE_OK;
}

void WorkerLog(Level level, const std::string& text) {
    if (CKesLogger::admits(level)) CKesLogger::output(text, level);
}

std::string AfterLastSlash(const std::string& s) {
    size_t cut = s.rfind('/');
    return cut == std::string::npos ? s : s.substr(cut + 1);
}

}  // namespace download

using download::AfterLastSlash;
using download::WorkerLog;

namespace {

const int kAttempts = 3;
// Redirects followed within one attempt.
const long kMaxRedirects = 5;
const long kConnectTimeoutSeconds = 15;
// A transfer that receives nothing for this long fails (one of its attempts):
// a server that stalls after the headers must not hold a download for ever.
const long kStallSeconds = 20;
std::atomic<long> gStallSeconds{kStallSeconds};

bool IsHttpUrl(const std::string& url) {
    auto starts = [&](const char* prefix) {
        size_t n = std::strlen(prefix);
        if (url.size() <= n) return false;
        for (size_t i = 0; i < n; ++i)
            if (std::tolower(static_cast<unsigned char>(url[i])) != prefix[i]) return false;
        return true;
    };
    return starts("http://") || starts("https://");
}

// A name that stays inside its folder: one plain part, no separator of
// either kind, no drive colon, no control characters.
bool IsPlainName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (unsigned char c : name)
        if (c == '/' || c == '\\' || c == ':' || c < 0x20 || c == 0x7F) return false;
    return true;
}

// Engine path of a file inside `folder` (a disk path, "" for the current folder).
std::string InFolder(const std::string& folder, const std::string& enginePath) {
    return folder.empty() ? enginePath : folder + "\\" + enginePath;
}

struct TransferSink {
    FILE* file = nullptr;
    curl_off_t written = 0;
    curl_off_t limit = 0;  // 0: no limit
};

size_t WriteToSink(char* data, size_t size, size_t count, void* user) {
    TransferSink* sink = static_cast<TransferSink*>(user);
    size_t n = size * count;
    if (sink->limit > 0 && sink->written + static_cast<curl_off_t>(n) > sink->limit) return 0;
    size_t put = std::fwrite(data, 1, n, sink->file);
    sink->written += static_cast<curl_off_t>(put);
    return put;
}

// The progress state of one attempt, libcurl's progress data.
struct TransferProgress {
    CKesBaseFrame* frame = nullptr;
    // Set when the calling thread fetches for an owner of its own
    // (SetThreadDownloadCancel): the owner's flag ends the transfer, and no
    // progress goes to the frame.
    const std::atomic<bool>* ownerCancel = nullptr;
    // The step last reported to the game, -1 before the first.
    int lastStep = -1;
    // The frame's progress hook threw; the transfer was aborted.
    bool hookThrew = false;
};

// The owner's cancel flag tied to the calling thread's transfers, if any.
thread_local const std::atomic<bool>* tOwnerCancel = nullptr;
// The attempt this thread is running, while libcurl runs it: the frame's
// progress hook, whose signature carries no state, reports each of its steps
// once through it.
thread_local TransferProgress* tRunningTransfer = nullptr;

int TransferInfo(void* data, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t ulTotal, curl_off_t ulNow) {
    TransferProgress* progress = static_cast<TransferProgress*>(data);
    // A thread with a cancel flag of its own fetches for its owner, not for
    // the game's update: no progress goes to the frame's (virtual) hook,
    // which may be mid-destruction while the owner joins the thread.
    if (progress->ownerCancel) return progress->ownerCancel->load() ? 1 : 0;
    try {
        return CKesBaseFrame::UpdateProgress(progress->frame, static_cast<double>(dlTotal),
                                             static_cast<double>(dlNow), static_cast<double>(ulTotal),
                                             static_cast<double>(ulNow));
    } catch (...) {
        // An exception must not cross libcurl's C frames: abort the transfer.
        progress->hookThrew = true;
        return 1;
    }
}

// Runs one attempt at `url` into `out` (at most `limit` bytes, 0: any size).
CURLcode PerformTransfer(const std::string& url, FILE* out, long long limit, TransferProgress* progress) {
    CURL* curl = curl_easy_init();
    if (!curl) return CURLE_FAILED_INIT;
    TransferSink sink;
    sink.file = out;
    sink.limit = static_cast<curl_off_t>(limit);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteToSink);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "KEST2D");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, TransferInfo);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, progress);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    // Less than a byte a second for the stall time ends the attempt.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, gStallSeconds.load());
    // An error page is not the file.
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // A moved file is fetched from where it went, a few hops at most and
    // only to HTTP and HTTPS addresses.
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    if (limit > 0) curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limit));
    TransferProgress* outer = tRunningTransfer;
    tRunningTransfer = progress;
    CURLcode rc = curl_easy_perform(curl);
    tRunningTransfer = outer;
    // Only a 2xx answer is the file: a redirect left unfollowed (one without
    // a new address, or a 304) carries a page of the server's, not the file.
    long status = 0;
    if (rc == CURLE_OK && (curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status / 100 != 2))
        rc = CURLE_HTTP_RETURNED_ERROR;
    curl_easy_cleanup(curl);
    return rc;
}

}  // namespace

bool IsPlainDownloadName(const std::string& name) { return IsPlainName(name); }

void SetThreadDownloadCancel(const std::atomic<bool>* flag) { tOwnerCancel = flag; }

void SetDownloadStallSeconds(long seconds) { gStallSeconds = seconds > 0 ? seconds : kStallSeconds; }

// ---- Progress ----

int CKesBaseFrame::OnProcessFileDownload(std::string /*file*/, double totalToDownload, double nowDownloaded,
                                         double /*totalToUpload*/, double /*nowUploaded*/) {
    double ratio = nowDownloaded / totalToDownload;
    if (std::isnan(ratio)) ratio = 0.0;  // nothing known and nothing received yet
    if (ratio < 0.0) ratio = 0.0;
    if (ratio > 1.0) ratio = 1.0;
    int progress = static_cast<int>(ratio * 100.0);
    mProgress = progress;
    // The event reaches the game on the UI thread; a step of a transfer is reported once.
    TransferProgress* running = tRunningTransfer;
    if (!running || progress != running->lastStep) {
        if (running) running->lastStep = progress;
        PostUpdateNotice(true, mUpdateState.load(), progress);
    }
    return 0;
}

int CKesBaseFrame::UpdateProgress(void* data, double totalToDownload, double nowDownloaded, double totalToUpload,
                                  double nowUploaded) {
    CKesBaseFrame* frame = static_cast<CKesBaseFrame*>(data);
    if (!frame) return 0;
    if (frame->mDownloadCancel) return 1;  // the frame is going away
    std::string name = AfterLastSlash(frame->GetCurrentFile());
    return frame->OnProcessFileDownload(name, totalToDownload, nowDownloaded, totalToUpload, nowUploaded);
}

// ---- Transfers ----

bool CKesBaseFrame::DownloadSingleFile(std::string url, std::string target) {
    return FetchFile(url, target, platform::CurrentDirectory()) == FetchResult::Done;
}

bool CKesBaseFrame::ClaimCurrentFile(const std::string& url) {
    {
        std::lock_guard<std::mutex> lock(mDownloadMutex);
        if (url != mCurrentFile) {
            mCurrentFile = url;
            mProgress = 0;
            return true;
        }
    }
    WorkerLog(WARN, "下载文件:" + url + "重复!");
    return false;
}

bool CKesBaseFrame::Transfer(const std::string& url, const std::string& folder, long long limit,
                             std::string* tempFile) {
    if (!IsHttpUrl(url)) {
        WorkerLog(ERRORR, "下载地址不是 http 或 https:" + url);
        return false;
    }
    if (!download::EnsureCurl()) {
        WorkerLog(ERRORR, "初始化libcurl失败!");
        return false;
    }
    std::string dir = platform::DiskPath(folder.empty() ? std::string(".") : folder);
    const std::atomic<bool>* ownerCancel = tOwnerCancel;
    for (int attempt = 0; attempt < kAttempts && !mDownloadCancel; ++attempt) {
        if (ownerCancel && ownerCancel->load()) break;
        // A fresh file of our own for every attempt: no two transfers share
        // one. It becomes the downloaded file, with the mode the umask gives.
        std::string temp;
        FILE* out = platform::CreateUniqueFile(dir, "download.temp.", &temp);
        if (!out) {
            WorkerLog(ERRORR, "无法建立下载临时文件:" + dir + "/download.temp.*");
            return false;
        }
        TransferProgress progress;
        progress.frame = this;
        progress.ownerCancel = ownerCancel;
        CURLcode rc = PerformTransfer(url, out, limit, &progress);
        bool ok = rc == CURLE_OK && std::fflush(out) == 0 && !std::ferror(out);
        std::fclose(out);
        if (progress.hookThrew) {
            WorkerLog(ERRORR, "接收文件:" + url + "出错!");
            ::unlink(temp.c_str());
            return false;
        }
        if (ok) {
            *tempFile = temp;
            return true;
        }
        ::unlink(temp.c_str());
    }
    return false;
}

CKesBaseFrame::FetchResult CKesBaseFrame::FetchList(const std::string& url, const std::string& folder,
                                                    std::string* listFile) {
    if (url.empty()) return FetchResult::Failed;
    if (!ClaimCurrentFile(url)) return FetchResult::Repeated;
    // The list always comes fresh into a file of its own, which is deleted
    // after reading: a file of the game that has the list's name is never
    // taken for it, nor deleted.
    if (!Transfer(url, folder, download::kMaxUpdateListBytes, listFile)) return FetchResult::Failed;
    SetUpdateState(UPDATE_RESOURCES);
    return FetchResult::Done;
}

CKesBaseFrame::FetchResult CKesBaseFrame::FetchFile(const std::string& url, const std::string& target,
                                                    const std::string& folder, bool claim) {
    if (url.empty()) return FetchResult::Failed;
    if (claim && !ClaimCurrentFile(url)) return FetchResult::Repeated;
    std::string name = AfterLastSlash(url);
    if (!IsPlainName(name)) {
        WorkerLog(ERRORR, "下载文件名不合法, 拒绝:" + url);
        return FetchResult::Failed;
    }
    std::string local = InFolder(folder, target + name);
    if (FileIsExist(local)) return FetchResult::Done;
    CreateDirectionByPath(local);
    std::string temp;
    if (!Transfer(url, folder, 0, &temp)) return FetchResult::Failed;
    SetUpdateState(UPDATE_RESOURCES);
    if (name.size() >= 3 && (name.compare(name.size() - 3, 3, "pak") == 0 ||
                             name.compare(name.size() - 3, 3, "PAK") == 0)) {
        // Archive errors are reported by the reader; the download still counts.
        UnpackArchiveFile(temp, InFolder(folder, target));
        ::unlink(temp.c_str());
        return FetchResult::Done;
    }
    // Into place only now, and never over a file that appeared meanwhile.
    std::string disk = platform::DiskPath(local);
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, disk.c_str(), RENAME_NOREPLACE) != 0) {
        if (errno == EEXIST || ::access(disk.c_str(), F_OK) == 0 || std::rename(temp.c_str(), disk.c_str()) != 0) {
            ::unlink(temp.c_str());
        }
    }
    return FetchResult::Done;
}

}  // namespace kest2d
