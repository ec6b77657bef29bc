// Resources and ".pak" archives: every file the engine reads by name comes
// from the open archives first (in path order), then from disk.
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <shared_mutex>

#include "frame/Kest2dBaseFrame.h"
#include "resource/Kest2dPackager.h"
#include "platform/KesFiles.h"

namespace kest2d {

namespace {

// The table is changed on the UI thread only, but read from worker threads
// too (image downloads load their textures through LoadResource).
std::shared_mutex& TableLock() {
    static std::shared_mutex lock;
    return lock;
}

bool EndsWithPak(const char* name) {
    size_t n = std::strlen(name);
    return n >= 4 && strcasecmp(name + n - 4, ".pak") == 0;
}

// The whole disk file in one new[] buffer; null when it cannot be read.
unsigned char* ReadDiskFile(const char* name, unsigned long* size) {
    std::string path = platform::DiskPath(name);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        static_cast<unsigned long long>(st.st_size) > 0xFFFFFFFFull) {
        ::close(fd);
        return nullptr;
    }
    size_t length = static_cast<size_t>(st.st_size);
    unsigned char* data = new (std::nothrow) unsigned char[length ? length : 1];
    if (!data) {
        ::close(fd);
        return nullptr;
    }
    size_t done = 0;
    while (done < length) {
        ssize_t got = ::read(fd, data + done, length - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    ::close(fd);
    if (done != length) {
        delete[] data;
        return nullptr;
    }
    *size = static_cast<unsigned long>(length);
    return data;
}

}  // namespace

CKesPackager* CKesBaseFrame::FindPackagerByName(std::string path) {
    if (path.empty()) return nullptr;
    std::shared_lock<std::shared_mutex> lock(TableLock());
    auto it = mPackagers.find(path);
    return it == mPackagers.end() ? nullptr : it->second;
}

void CKesBaseFrame::AddPackager(std::string path) {
    if (path.empty() || FindPackagerByName(path)) return;
    CKesPackager* reader = new CKesPackager(1);
    if (!reader->Open(path)) {
        if (CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "导入压缩包" + path + "失败!");
        delete reader;
        return;
    }
    std::unique_lock<std::shared_mutex> lock(TableLock());
    if (!mPackagers.emplace(path, reader).second) delete reader;
}

void CKesBaseFrame::LoadGameResourcesFromCurDir() {
    DIR* dir = ::opendir(".");
    if (!dir) return;
    // Matched as the game's file system would: "*.pak" in any letter case.
    while (dirent* e = ::readdir(dir)) {
        if (!EndsWithPak(e->d_name)) continue;
        struct stat st;
        if (::stat(e->d_name, &st) != 0 || S_ISDIR(st.st_mode)) continue;
        AddPackager(e->d_name);
    }
    ::closedir(dir);
}

void CKesBaseFrame::ClearAllPackagers() {
    std::unique_lock<std::shared_mutex> lock(TableLock());
    for (auto& kv : mPackagers) delete kv.second;
    mPackagers.clear();
}

bool CKesBaseFrame::ExtractAllFiles(std::string folder) {
    std::shared_lock<std::shared_mutex> lock(TableLock());
    for (auto& kv : mPackagers)
        if (!kv.second->ExtractAllFiles(folder)) return false;
    return true;
}

unsigned char* CKesBaseFrame::GetResourceFromThePackager(std::string name, unsigned long* size) {
    if (size) *size = 0;
    if (name.empty()) return nullptr;
    std::shared_lock<std::shared_mutex> lock(TableLock());
    for (auto& kv : mPackagers) {
        CKesPackager* reader = kv.second;
        if (!reader->IsFileExist(name)) continue;
        unsigned long got = 0;
        unsigned char* data = reader->GetFileData(name, &got);
        if (data && got > 0) {
            if (size) *size = got;
            return data;
        }
        // A failed or empty entry: the next archive may hold a good one.
        delete[] data;
    }
    if (size) *size = 0;
    return nullptr;
}

void* CKesBaseFrame::LoadResource(const char* name, unsigned long* size) {
    std::string key = name ? name : "";
    unsigned long got = 0;
    unsigned char* data = GetResourceFromThePackager(key, &got);
    if (data && got > 0) {
        if (size) *size = got;
        return data;
    }
    delete[] data;
    if (!key.empty()) data = ReadDiskFile(key.c_str(), &got);
    if (!data) {
        if (size) *size = 0;
        if (CKesLogger::admits(ERRORR)) {
            char text[260];
            std::snprintf(text, sizeof(text), "不能导入资源: %s", key.c_str());
            SystemLog(ERRORR, text);
        }
        return nullptr;
    }
    if (size) *size = got;
    return data;
}

}  // namespace kest2d
