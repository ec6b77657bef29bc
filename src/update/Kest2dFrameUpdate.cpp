// The self-update run: the update INI ("update" section, "ver" and
// "address"), the update list it names, the version text written back, the
// unpacking of downloaded ".pak" archives and the small file operations the
// downloads need. The run itself happens on a download worker
// (ThreadGameUpdate); the files of the list are fetched by the transfer code.
#include <sys/stat.h>
#include <tinyxml.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#include "frame/Kest2dBaseFrame.h"
#include "update/Kest2dDownloadShared.h"
#include "resource/Kest2dPackager.h"
#include "platform/KesFiles.h"

namespace kest2d {

using download::AfterLastSlash;
using download::WorkerLog;

namespace {

// At most this many files are read from an update list.
const size_t kMaxListEntries = 256;

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

}  // namespace

void CKesBaseFrame::UpdateGame(std::string iniName) {
    if (iniName.empty() || RefusesDownload(iniName)) return;
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
    if (!download::EnsureCurl()) {
        if (CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "初始化libcurl失败!");
        return;
    }
    std::string folder = platform::CurrentDirectory();
    StartDownloadWorker([this, task, iniPath, folder] { ThreadGameUpdate(this, task, iniPath, folder); });
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
    if (::stat(diskFile.c_str(), &st) != 0 || st.st_size > download::kMaxUpdateListBytes ||
        !doc.LoadFile(diskFile.c_str())) {
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

bool CKesBaseFrame::UnpackArchiveFile(const std::string& archive, const std::string& folder) {
    // The reader refuses an archive whose names would leave `folder`.
    CKesPackager reader(1);
    bool ok = reader.Open(archive) && reader.ExtractAllFiles(folder);
    reader.Close();
    if (!ok) WorkerLog(ERRORR, "解开更新包失败:" + archive);
    return ok;
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
