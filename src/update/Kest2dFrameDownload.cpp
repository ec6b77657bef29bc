// Downloads and the self-update.
//
// Transfers run on worker threads (std::thread). A worker reaches the UI
// thread only through message 10004: each state change or progress step is
// queued as a notice under mDownloadMutex and the message tells the loop to
// take one. Workers work with absolute paths of the folder that was current
// when their task started, and never change the process's current folder.
// Every file name that comes from a server (the last part of a URL) must be a
// plain name: it never leaves that folder.
#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <tinyxml.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "frame/Kest2dBaseFrame.h"
#include "update/Kest2dDownloadSupport.h"
#include "resource/Kest2dPackager.h"
#include "platform/KesFiles.h"

namespace kest2d {

namespace {

const int kAttempts = 3;
const long kConnectTimeoutSeconds = 15;
// A transfer that receives nothing for this long fails (one of its attempts):
// a server that stalls after the headers must not hold a download for ever.
const long kStallSeconds = 20;
std::atomic<long> gStallSeconds{kStallSeconds};
// An update list is small: refuse bigger ones, and read at most this many files from it.
const curl_off_t kMaxListBytes = 1 << 20;
const size_t kMaxListEntries = 256;
// Notices waiting for the UI thread; progress steps beyond this are dropped.
const size_t kMaxQueuedNotices = 1024;

std::once_flag gCurlOnce;
CURLcode gCurlInit = CURLE_FAILED_INIT;

void CleanupCurl() { curl_global_cleanup(); }

// libcurl's global state is set up once per process and released at exit,
// when no frame (and so no worker) is left.
bool EnsureCurl() {
    std::call_once(gCurlOnce, [] {
        gCurlInit = curl_global_init(CURL_GLOBAL_ALL);
        if (gCurlInit == CURLE_OK) std::atexit(CleanupCurl);
    });
    return gCurlInit == CURLE_OK;
}

// Workers log straight to the logger (thread-safe); the frame's pending-line
// list belongs to the UI thread.
void WorkerLog(Level level, const std::string& text) {
    if (CKesLogger::admits(level)) CKesLogger::output(text, level);
}

std::string AfterLastSlash(const std::string& s) {
    size_t cut = s.rfind('/');
    return cut == std::string::npos ? s : s.substr(cut + 1);
}

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

// atof without the locale: leading blanks and a '+' are skipped, what does
// not parse is 0.
float ParseVersion(const char* text) {
    if (!text) return 0.0f;
    while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n') ++text;
    if (*text == '+') ++text;
    float value = 0.0f;
    const char* end = text + std::strlen(text);
    auto r = std::from_chars(text, end, value);
    return r.ec == std::errc() ? value : 0.0f;
}

// The shortest fixed text with at least one decimal that reads back as the
// same float ("1.1", "1.25"), independent of the locale.
std::string FormatVersion(float v) {
    char buf[128];
    for (int digits = 1; digits <= 9; ++digits) {
        auto r = std::to_chars(buf, buf + sizeof(buf), v, std::chars_format::fixed, digits);
        if (r.ec != std::errc()) break;
        std::string text(buf, r.ptr);
        if (ParseVersion(text.c_str()) == v || std::isnan(v)) return text;
    }
    auto r = std::to_chars(buf, buf + sizeof(buf), v);
    return std::string(buf, r.ec == std::errc() ? r.ptr : buf);
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

// The progress step last reported by this thread's transfer.
thread_local int tLastProgress = -1;
thread_local bool tHookThrew = false;
// The cancel flag of the calling thread's own transfers, when it has one.
thread_local const std::atomic<bool>* tThreadCancel = nullptr;

bool ThreadCancelled() { return tThreadCancel && tThreadCancel->load(); }

struct ProgressContext {
    CKesBaseFrame* frame;
};

int TransferInfo(void* data, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t ulTotal, curl_off_t ulNow) {
    if (ThreadCancelled()) return 1;
    // A thread with a cancel flag of its own fetches for its owner, not for
    // the game's update: no progress goes to the frame's (virtual) hook,
    // which may be mid-destruction while the owner joins the thread.
    if (tThreadCancel) return 0;
    try {
        return CKesBaseFrame::UpdateProgress(static_cast<ProgressContext*>(data)->frame,
                                             static_cast<double>(dlTotal), static_cast<double>(dlNow),
                                             static_cast<double>(ulTotal), static_cast<double>(ulNow));
    } catch (...) {
        // An exception must not cross libcurl's C frames: abort the transfer.
        tHookThrew = true;
        return 1;
    }
}

}  // namespace

bool IsPlainDownloadName(const std::string& name) { return IsPlainName(name); }

void SetThreadDownloadCancel(const std::atomic<bool>* flag) { tThreadCancel = flag; }

void SetDownloadStallSeconds(long seconds) { gStallSeconds = seconds > 0 ? seconds : kStallSeconds; }

// ---- The UI-thread side ----

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
            mCurrentFile = AfterLastSlash(mCurrentFile);
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

int CKesBaseFrame::OnProcessFileDownload(std::string /*file*/, double totalToDownload, double nowDownloaded,
                                         double /*totalToUpload*/, double /*nowUploaded*/) {
    double ratio = nowDownloaded / totalToDownload;
    if (std::isnan(ratio)) ratio = 0.0;  // nothing known and nothing received yet
    if (ratio < 0.0) ratio = 0.0;
    if (ratio > 1.0) ratio = 1.0;
    int progress = static_cast<int>(ratio * 100.0);
    mProgress = progress;
    // The event reaches the game on the UI thread; a step is reported once.
    if (progress != tLastProgress) {
        tLastProgress = progress;
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

void CKesBaseFrame::UpdateGame(std::string iniName) {
    if (iniName.empty()) return;
    mUpdateState = UPDATE_NULL;
    std::string iniPath = mWorkingDir + "\\" + iniName;
    char buffer[1024];
    platform::GetPrivateProfileString("update", "ver", "", buffer, sizeof(buffer), iniPath);
    UpdataSet task(ParseVersion(buffer), std::string());
    platform::GetPrivateProfileString("update", "address", "", buffer, sizeof(buffer), iniPath);
    task.address = buffer;
    {
        std::lock_guard<std::mutex> lock(mDownloadMutex);
        mUpdateIniPath = iniPath;
        mUpdateSet = task;
    }
    if (!EnsureCurl()) {
        if (CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "初始化libcurl失败!");
        return;
    }
    std::string folder = platform::CurrentDirectory();
    StartDownloadWorker([this, task, iniPath, folder] { ThreadGameUpdate(this, task, iniPath, folder); });
}

bool CKesBaseFrame::DownloadFile(std::string url, std::string /*target*/) {
    if (url.empty()) return false;
    mUpdateState = UPDATE_NULL;
    UpdataSet task(0.0f, url);
    {
        std::lock_guard<std::mutex> lock(mDownloadMutex);
        mUpdateSet = task;
    }
    if (!EnsureCurl()) {
        if (CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "初始化libcurl失败!");
        return true;
    }
    std::string folder = platform::CurrentDirectory();
    StartDownloadWorker([this, task, folder] { ThreadGameDownload(this, task, folder); });
    return true;
}

unsigned CKesBaseFrame::ThreadGameUpdate(CKesBaseFrame* frame, UpdataSet task, std::string iniPath,
                                         std::string folder) {
    frame->SetUpdateState(UPDATE_LIST);
    WorkerLog(INFO, "开始下载文件列表:" + task.address);
    bool failed = false;
    std::string listFile;
    FetchResult fetched = frame->FetchList(task.address, folder, &listFile);
    if (fetched == FetchResult::Done) {
        frame->ReadUpdateList(listFile, AfterLastSlash(task.address), task, iniPath, folder, &failed);
        ::unlink(listFile.c_str());
    } else if (fetched == FetchResult::Failed) {
        failed = true;
    }
    if (failed && !frame->mDownloadCancel) frame->SetUpdateState(UPDATE_ERROR);
    frame->SetUpdateState(UPDATE_COMPLETE);
    return 0;
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
    if (!EnsureCurl()) {
        WorkerLog(ERRORR, "初始化libcurl失败!");
        return false;
    }
    std::string dir = platform::DiskPath(folder.empty() ? std::string(".") : folder);
    ProgressContext context{this};
    for (int attempt = 0; attempt < kAttempts && !mDownloadCancel; ++attempt) {
        if (ThreadCancelled()) break;
        // A fresh file of our own for every attempt: no two transfers share one.
        std::string temp = dir + "/download.temp.XXXXXX";
        int fd = ::mkstemp(&temp[0]);
        if (fd < 0) {
            WorkerLog(ERRORR, "无法建立下载临时文件:" + temp);
            return false;
        }
        FILE* out = ::fdopen(fd, "w+b");
        if (!out) {
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        CURL* curl = curl_easy_init();
        bool ok = false;
        if (curl) {
            TransferSink sink;
            sink.file = out;
            sink.limit = static_cast<curl_off_t>(limit);
            tLastProgress = -1;
            tHookThrew = false;
            curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteToSink);
            curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
            curl_easy_setopt(curl, CURLOPT_USERAGENT, "KEST2D");
            curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
            curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
            curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, TransferInfo);
            curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &context);
            curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
            curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
            curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
            // Less than a byte a second for the stall time ends the attempt.
            curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
            curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, gStallSeconds.load());
            // An error page is not the file.
            curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
            curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
            curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
            if (limit > 0) curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limit));
            CURLcode rc = curl_easy_perform(curl);
            curl_easy_cleanup(curl);
            ok = rc == CURLE_OK && std::fflush(out) == 0 && !std::ferror(out);
            if (tHookThrew) {
                WorkerLog(ERRORR, "接收文件:" + url + "出错!");
                std::fclose(out);
                ::unlink(temp.c_str());
                return false;
            }
        }
        std::fclose(out);
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
    if (!Transfer(url, folder, kMaxListBytes, listFile)) return FetchResult::Failed;
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

bool CKesBaseFrame::UnpackArchiveFile(const std::string& archive, const std::string& folder) {
    // The reader refuses an archive whose names would leave `folder`.
    CKesPackager reader(1);
    bool ok = reader.Open(archive) && reader.ExtractAllFiles(folder);
    reader.Close();
    if (!ok) WorkerLog(ERRORR, "解开更新包失败:" + archive);
    return ok;
}

bool CKesBaseFrame::GetUpdateFileList(std::string file) {
    std::string iniPath;
    UpdataSet task;
    {
        std::lock_guard<std::mutex> lock(mDownloadMutex);
        iniPath = mUpdateIniPath;
        task = mUpdateSet;
    }
    bool failed = false;
    return ReadUpdateList(platform::DiskPath(file), file, task, iniPath, platform::CurrentDirectory(), &failed);
}

bool CKesBaseFrame::ReadUpdateList(const std::string& diskFile, const std::string& name, UpdataSet task,
                                   const std::string& iniPath, const std::string& folder, bool* failed) {
    if (diskFile.empty() || name.empty()) return false;
    struct stat st;
    TiXmlDocument doc;
    if (::stat(diskFile.c_str(), &st) != 0 || st.st_size > kMaxListBytes || !doc.LoadFile(diskFile.c_str())) {
        WorkerLog(ERRORR, "导入游戏更新配置文件:" + name + "失败。");
        *failed = true;
        return false;
    }
    std::vector<std::string> files;
    float listVersion = 0.0f;
    if (TiXmlElement* root = doc.FirstChildElement("UPDATEVERSION")) {
        // A missing version counts as 0; an entry without a path is skipped.
        listVersion = ParseVersion(root->Attribute("ver"));
        for (TiXmlElement* e = root->FirstChildElement("UPDATEFILE"); e; e = e->NextSiblingElement()) {
            const char* path = e->Attribute("path");
            if (!path || !*path) continue;
            if (files.size() >= kMaxListEntries) {
                WorkerLog(WARN, "游戏更新列表文件过多, 只取前面的文件:" + name);
                break;
            }
            files.push_back(path);
        }
    }
    {
        std::lock_guard<std::mutex> lock(mDownloadMutex);
        mUpdateFileList = files;
        mListVersion = listVersion;
    }
    if (files.empty() || !(listVersion > task.version)) return false;
    for (const std::string& url : files) {
        if (mDownloadCancel) return false;
        if (FetchFile(url, "", folder) == FetchResult::Failed) *failed = true;
    }
    // A run with a failed file keeps the old version, so the next start tries again.
    if (*failed) return false;
    {
        std::lock_guard<std::mutex> lock(mDownloadMutex);
        mUpdateSet.version = listVersion;
    }
    if (!iniPath.empty())
        platform::WritePrivateProfileString("update", "ver", FormatVersion(listVersion).c_str(), iniPath);
    return true;
}

// ---- Small file operations ----

bool CKesBaseFrame::FileIsExist(std::string path) {
    if (path.empty()) return false;
    return platform::FileExists(path) || platform::DirectoryExists(path);
}

void CKesBaseFrame::CreateDirectionByPath(std::string path) {
    if (path.empty()) return;
    size_t pos = 0;
    while ((pos = path.find('\\', pos)) != std::string::npos) {
        std::string prefix = path.substr(0, pos);
        ++pos;
        if (prefix.empty() || FileIsExist(prefix)) continue;
        if (::mkdir(platform::DiskPath(prefix).c_str(), 0777) != 0 && errno != EEXIST) {
            WorkerLog(ERRORR, "目录建立失败。");
            return;
        }
    }
}

std::string CKesBaseFrame::replace(const std::string& text, const char* search, const char* replacement) {
    std::string result = text;
    if (!search || !*search) return result;
    const std::string with = replacement ? replacement : "";
    size_t searchLen = std::strlen(search);
    size_t pos = result.find(search, 0);
    while (pos != std::string::npos) {
        result.replace(pos, searchLen, with);
        pos = result.find(search, pos + with.size());
    }
    return result;
}

}  // namespace kest2d
