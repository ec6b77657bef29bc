#include "resource/Kest2dPackager.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "net/KesCipher.h"
#include "platform/KesFiles.h"

namespace kest2d {

namespace archive {

long InflateInput::Read(unsigned char* buffer, size_t count) {
    if (mFile) {
        size_t got = std::fread(buffer, 1, count, mFile);
        if (got == 0 && std::ferror(mFile)) return -1;
        return static_cast<long>(got);
    }
    for (;;) {
        ssize_t got = ::pread(mFd, buffer, count, static_cast<off_t>(mOffset));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        mOffset += got;
        return static_cast<long>(got);
    }
}

namespace {

// Runs the inflate loop; `sink` takes each piece of output and returns a
// zlib status (0 to go on).
template <class Sink>
int InflateStream(InflateInput& input, unsigned long compressed, unsigned long* produced, unsigned char* window,
                  unsigned long windowSize, bool direct, Sink sink) {
    z_stream zs;
    std::memset(&zs, 0, sizeof(zs));
    int ret = inflateInit(&zs);
    if (ret != Z_OK) return ret;
    unsigned char in[INFLATE_CHUNK];
    unsigned char spill[64];
    unsigned long remaining = compressed;
    unsigned long total = 0;
    bool spilling = false;
    if (direct) {
        zs.next_out = window;
        zs.avail_out = static_cast<uInt>(windowSize);
    }
    for (;;) {
        size_t want = remaining < INFLATE_CHUNK ? remaining : INFLATE_CHUNK;
        long got = want ? input.Read(in, want) : 0;
        if (got < 0) {
            inflateEnd(&zs);
            if (produced) *produced = total;
            return Z_ERRNO;
        }
        if (got == 0) {
            inflateEnd(&zs);
            if (produced) *produced = total;
            return Z_DATA_ERROR;
        }
        remaining -= static_cast<unsigned long>(got);
        zs.next_in = in;
        zs.avail_in = static_cast<uInt>(got);
        do {
            unsigned char* before;
            if (direct) {
                // The destination is full: whatever comes now is too much.
                if (zs.avail_out == 0) {
                    spilling = true;
                    zs.next_out = spill;
                    zs.avail_out = sizeof(spill);
                }
                before = zs.next_out;
            } else {
                zs.next_out = window;
                zs.avail_out = static_cast<uInt>(windowSize);
                before = window;
            }
            ret = inflate(&zs, Z_NO_FLUSH);
            if (ret == Z_NEED_DICT) ret = Z_DATA_ERROR;
            if (ret == Z_DATA_ERROR || ret == Z_MEM_ERROR || ret == Z_STREAM_ERROR) {
                inflateEnd(&zs);
                if (produced) *produced = total;
                return ret;
            }
            unsigned long have = static_cast<unsigned long>(zs.next_out - before);
            if (have) {
                if (spilling) {
                    inflateEnd(&zs);
                    if (produced) *produced = total;
                    return Z_DATA_ERROR;
                }
                int s = sink(before, have);
                if (s != 0) {
                    inflateEnd(&zs);
                    if (produced) *produced = total;
                    return s;
                }
                total += have;
            }
            if (ret == Z_STREAM_END) {
                inflateEnd(&zs);
                if (produced) *produced = total;
                return Z_OK;
            }
            // Z_BUF_ERROR: no progress without more input.
            if (ret == Z_BUF_ERROR) break;
            // A full destination goes round once more (into the spill) even
            // without input: inflate may hold the stream's end in its state.
        } while (zs.avail_in > 0 || zs.avail_out == 0);
    }
}

}  // namespace

int InflateToMemory(InflateInput& input, unsigned char* destination, unsigned long capacity, unsigned long compressed,
                    unsigned long* produced) {
    if (capacity > 0xFFFFFFFFul) capacity = 0xFFFFFFFFul;
    return InflateStream(input, compressed, produced, destination, capacity, true,
                         [](const unsigned char*, unsigned long) { return 0; });
}

int InflateToFile(InflateInput& input, FILE* output, unsigned long compressed, unsigned long limit,
                  unsigned long* produced) {
    unsigned char out[INFLATE_CHUNK];
    unsigned long written = 0;
    return InflateStream(input, compressed, produced, out, sizeof(out), false,
                         [&](const unsigned char* data, unsigned long n) {
                             if (n > limit - written) return Z_DATA_ERROR;
                             if (std::fwrite(data, 1, n, output) != n || std::ferror(output)) return Z_ERRNO;
                             written += n;
                             return 0;
                         });
}

const char* CheckEntryBounds(int64_t offset, unsigned long compressed, unsigned long uncompressed, int64_t fileSize) {
    if (offset < 0 || offset > fileSize) return "数据位置超出文件";
    if (static_cast<int64_t>(compressed) > fileSize - offset) return "压缩数据超出文件";
    if (static_cast<uint64_t>(uncompressed) > static_cast<uint64_t>(compressed) * MAX_INFLATE_RATIO)
        return "解压后大小超出压缩比上限";
    return nullptr;
}

void ReportMissingRecords(long long missing) {
    long long shown = missing < MAX_MISSING_REPORTS ? missing : MAX_MISSING_REPORTS;
    for (long long i = 0; i < shown; ++i) std::printf("文件信息读取错误.\n");
    if (missing > shown) std::printf("文件信息读取错误: 另有%lld条记录缺失.\n", missing - shown);
}

}  // namespace archive

namespace {

int64_t FileSizeOf(FILE* f) {
    struct stat st;
    if (::fstat(fileno(f), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

}  // namespace

CKesPackager::CKesPackager(int flag) : mRememberedFolder(platform::CurrentDirectory()), mFlag(flag) {
    std::memset(&mHeader, 0, sizeof(mHeader));
}

CKesPackager::~CKesPackager() {
    std::unique_lock<std::shared_mutex> lock(mLock);
    CloseLocked();
    mEntries.clear();
}

namespace archive {

void ArchiveFile::CloseLocked() {
    if (mFile) {
        std::fclose(mFile);
        mFile = nullptr;
        mFileSize = 0;
    }
}

void ArchiveFile::Close() {
    std::unique_lock<std::shared_mutex> lock(mLock);
    CloseLocked();
}

bool ArchiveFile::IsOpen() const {
    std::shared_lock<std::shared_mutex> lock(mLock);
    return mFile != nullptr;
}

void ArchiveFile::DecipherRecord(unsigned char* record, size_t size) { cipher::Decrypt(record, size); }

bool ArchiveFile::OpenHeaderLocked(const std::string& path, unsigned char* head, size_t size) {
    CloseLocked();
    mFile = platform::OpenFile(path, "rb");
    if (!mFile) {
        std::printf("压缩包文件打开失败。\n");
        return false;
    }
    mFileSize = FileSizeOf(mFile);
    if (mFileSize < 0 || std::fread(head, 1, size, mFile) != size) {
        std::printf("文件头长度不对.\n");
        return false;
    }
    cipher::Decrypt(head, size);
    return true;
}

bool ArchiveFile::HasTag(const unsigned char* head, const char* tag) {
    if (std::memcmp(head, tag, 3) == 0) return true;
    std::printf("文件类型不对.\n");
    return false;
}

unsigned char* ArchiveFile::InflateEntryLocked(const char* name, int64_t offset, unsigned long compressed,
                                               unsigned long uncompressed, unsigned long* size) const {
    std::printf("正在解压文件:%s ...\n", name);
    if (const char* why = CheckEntryBounds(offset, compressed, uncompressed, mFileSize)) {
        std::printf("%s解压失败!\n", name);
        std::printf("%s: %s.\n", name, why);
        return nullptr;
    }
    unsigned char* data = new (std::nothrow) unsigned char[uncompressed ? uncompressed : 1];
    if (!data) {
        std::printf("%s解压失败!\n", name);
        return nullptr;
    }
    InflateInput input(fileno(mFile), offset);
    unsigned long produced = 0;
    int status = InflateToMemory(input, data, uncompressed, compressed, &produced);
    if (status != 0) {
        std::printf("%s解压失败!\n", name);
        delete[] data;
        return nullptr;
    }
    if (produced != uncompressed) {
        std::printf("文件数据大小不对，解压失败！\n");
        delete[] data;
        return nullptr;
    }
    std::printf("%s解压成功，压缩数据:%ld 解压后数据:%ld \n", name, static_cast<long>(compressed),
                static_cast<long>(uncompressed));
    if (size) *size = uncompressed;
    return data;
}

}  // namespace archive

bool CKesPackager::Open(std::string path) {
    if (path.empty()) return false;
    std::unique_lock<std::shared_mutex> lock(mLock);
    unsigned char head[archive::PAK_HEADER_SIZE];
    if (!OpenHeaderLocked(path, head, sizeof(head))) return false;
    ReadTagAndCount(head, mHeader);
    if (!HasTag(head, "PAK")) return false;
    unsigned char rec[archive::PAK_ENTRY_SIZE];
    ReadRecordsLocked(mHeader.count, rec, sizeof(rec), [this](const unsigned char* r) {
        PakFileEntry entry;
        std::memcpy(entry.name, r, archive::PAK_NAME_SIZE);
        ReadEntryPlace(r, archive::PAK_ENTRY_SIZE, entry);
        std::string name(entry.name, strnlen(entry.name, archive::PAK_NAME_SIZE));
        mEntries[name] = entry;
    });
    return true;
}

bool CKesPackager::IsFileExist(std::string name) const {
    if (name.empty()) return false;
    std::shared_lock<std::shared_mutex> lock(mLock);
    return mEntries.find(name) != mEntries.end();
}

unsigned char* CKesPackager::GetFileData(std::string name, unsigned long* size) {
    if (name.empty()) return nullptr;
    std::shared_lock<std::shared_mutex> lock(mLock);
    if (!mFile) return nullptr;
    auto it = mEntries.find(name);
    if (it == mEntries.end()) {
        if (size) *size = 0;
        return nullptr;
    }
    const PakFileEntry& e = it->second;
    return InflateEntryLocked(name.c_str(), e.offset, e.compressed, e.uncompressed, size);
}

bool CKesPackager::IsSafeEntryName(const std::string& name) {
    if (name.empty()) return false;
    size_t start = 0;
    for (;;) {
        size_t end = name.find('\\', start);
        std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty() || part == "." || part == "..") return false;
        for (unsigned char c : part)
            if (c < 0x20 || c == 0x7F || c == '/' || c == ':') return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

bool CKesPackager::CreateFileDirectory(std::string base, std::string relativePath) {
    if (relativePath.empty()) return true;
    std::string running = base.empty() ? mRememberedFolder : base;
    size_t start = 0;
    for (;;) {
        size_t end = relativePath.find('\\', start);
        if (end == std::string::npos) break;  // the last part is the file
        running += "\\" + relativePath.substr(start, end - start);
        if (!platform::DirectoryExists(running)) {
            std::string disk = platform::DiskPath(running);
            if (::mkdir(disk.c_str(), 0755) != 0 && !(errno == EEXIST && platform::DirectoryExists(running))) {
                std::printf("目录建立失败。\n");
                return false;
            }
        }
        start = end + 1;
    }
    return true;
}

bool CKesPackager::ExtractEntry(const std::string& target, const std::string& name, const PakFileEntry& e) {
    if (!CreateFileDirectory(target, name)) return false;
    std::string full = target + "\\" + name;
    std::string disk = platform::DiskPath(full);
    size_t slash = disk.find_last_of('/');
    std::string dir = slash == std::string::npos ? "." : disk.substr(0, slash);
    // A temporary beside the target, renamed into place when complete: a
    // reader that still has the old file open keeps reading the old bytes.
    std::string tmp;
    FILE* out = platform::CreateUniqueFile(dir, ".kesextract-", &tmp);
    if (!out) {
        std::printf("%s打开失败！\n", full.c_str());
        return false;
    }
    std::printf("正在解压文件:%s ...\n", full.c_str());
    auto fail = [&](bool sizeWrong) {
        std::fclose(out);
        ::unlink(tmp.c_str());
        if (sizeWrong)
            std::printf("文件数据大小不对，解压失败！\n");
        else
            std::printf("%s解压失败!\n", full.c_str());
        return false;
    };
    if (const char* why = archive::CheckEntryBounds(e.offset, e.compressed, e.uncompressed, mFileSize)) {
        std::printf("%s: %s.\n", name.c_str(), why);
        return fail(false);
    }
    archive::InflateInput input(fileno(mFile), e.offset);
    unsigned long produced = 0;
    int status = archive::InflateToFile(input, out, e.compressed, e.uncompressed, &produced);
    if (status != 0) return fail(false);
    if (produced != e.uncompressed) return fail(true);
    if (std::fflush(out) != 0 || std::ferror(out)) return fail(false);
    if (std::fclose(out) != 0) {
        ::unlink(tmp.c_str());
        std::printf("%s解压失败!\n", full.c_str());
        return false;
    }
    if (std::rename(tmp.c_str(), disk.c_str()) != 0) {
        ::unlink(tmp.c_str());
        std::printf("%s打开失败！\n", full.c_str());
        return false;
    }
    std::printf("%s解压成功，压缩数据:%ld 解压后数据:%ld \n", full.c_str(), static_cast<long>(e.compressed),
                static_cast<long>(e.uncompressed));
    return true;
}

bool CKesPackager::ExtractAllFiles(std::string folder) {
    std::shared_lock<std::shared_mutex> lock(mLock);
    if (!mFile) return false;
    std::string target = folder.empty() ? mRememberedFolder : folder;
    // Every name is checked before anything is written.
    for (const auto& kv : mEntries) {
        if (!IsSafeEntryName(kv.first)) {
            std::printf("%s: 文件名不安全, 拒绝解压整个压缩包.\n", kv.first.c_str());
            return false;
        }
    }
    if (!platform::DirectoryExists(target)) {
        std::printf("%s: 目标目录不存在.\n", target.c_str());
        return false;
    }
    for (const auto& kv : mEntries)
        if (!ExtractEntry(target, kv.first, kv.second)) return false;
    std::printf("文件全部解压完成.\n");
    return true;
}

int CKesPackager::InflateFileToFile(FILE* input, FILE* output, unsigned long compressed, unsigned long* produced,
                                    unsigned long limit) {
    archive::InflateInput in(input);
    return archive::InflateToFile(in, output, compressed, limit, produced);
}

int CKesPackager::InflateFileToMemory(FILE* input, unsigned char* destination, unsigned long compressed,
                                      unsigned long* produced, unsigned long capacity) {
    archive::InflateInput in(input);
    return archive::InflateToMemory(in, destination, capacity, compressed, produced);
}

}  // namespace kest2d
