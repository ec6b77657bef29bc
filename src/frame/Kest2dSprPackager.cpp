#include "frame/Kest2dSprPackager.h"

#include <sys/stat.h>

#include <cstring>
#include <mutex>
#include <new>

#include "frame/Kest2dPackager.h"
#include "net/KesCipher.h"
#include "platform/KesFiles.h"

namespace kest2d {

CKesSprPackager::CKesSprPackager() { std::memset(&mHeader, 0, sizeof(mHeader)); }

CKesSprPackager::~CKesSprPackager() {
    std::unique_lock<std::shared_mutex> lock(mLock);
    CloseLocked();
    mEntries.clear();
}


void CKesSprPackager::ClearEntries() {
    std::unique_lock<std::shared_mutex> lock(mLock);
    mEntries.clear();
    mEntries.shrink_to_fit();
}

bool CKesSprPackager::Open(std::string path) {
    if (path.empty()) return false;
    std::unique_lock<std::shared_mutex> lock(mLock);
    CloseLocked();
    mFile = platform::OpenFile(path, "rb");
    if (!mFile) {
        std::printf("压缩包文件打开失败。\n");
        return false;
    }
    struct stat st;
    mFileSize = ::fstat(fileno(mFile), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
    unsigned char head[archive::SPR_HEADER_SIZE];
    if (mFileSize < 0 || std::fread(head, 1, sizeof(head), mFile) != sizeof(head)) {
        std::printf("文件头长度不对.\n");
        return false;
    }
    cipher::Decrypt(head, sizeof(head));
    std::memcpy(mHeader.tag, head, 4);
    mHeader.count = archive::ReadI32(head + 4);
    mHeader.width = archive::ReadI32(head + 8);
    mHeader.height = archive::ReadI32(head + 12);
    mHeader.speed = archive::ReadI32(head + 16);
    if (head[0] != 'S' || head[1] != 'P' || head[2] != 'R') {
        std::printf("文件类型不对.\n");
        return false;
    }
    unsigned char rec[archive::SPR_ENTRY_SIZE];
    for (int32_t i = 0; i < mHeader.count; ++i) {
        if (std::fread(rec, 1, sizeof(rec), mFile) != sizeof(rec)) {
            // Every later record is missing too.
            archive::ReportMissingRecords(static_cast<long long>(mHeader.count) - i);
            break;
        }
        cipher::Decrypt(rec, sizeof(rec));
        SprFileEntry entry;
        std::memcpy(entry.name, rec, archive::SPR_NAME_SIZE);
        entry.name[archive::SPR_NAME_SIZE - 1] = '\0';
        entry.shown = rec[264];
        std::memcpy(entry.pad, rec + 265, 3);
        entry.offset = archive::ReadI32(rec + 268);
        entry.uncompressed = archive::ReadU32(rec + 272);
        entry.compressed = archive::ReadU32(rec + 276);
        mEntries.push_back(entry);
    }
    return true;
}

SprFileEntry* CKesSprPackager::GetEntry(int index) {
    std::shared_lock<std::shared_mutex> lock(mLock);
    if (index < 0 || static_cast<size_t>(index) >= mEntries.size()) return nullptr;
    return &mEntries[static_cast<size_t>(index)];
}

unsigned char* CKesSprPackager::GetFrameData(int index, unsigned long* size) {
    std::shared_lock<std::shared_mutex> lock(mLock);
    if (index < 0 || static_cast<size_t>(index) >= mEntries.size()) return nullptr;
    if (!mFile) return nullptr;
    const SprFileEntry& e = mEntries[static_cast<size_t>(index)];
    std::printf("正在解压文件:%s ...\n", e.name);
    if (const char* why = archive::CheckEntryBounds(e.offset, e.compressed, e.uncompressed, mFileSize)) {
        std::printf("%s解压失败!\n", e.name);
        std::printf("%s: %s.\n", e.name, why);
        return nullptr;
    }
    unsigned char* data = new (std::nothrow) unsigned char[e.uncompressed ? e.uncompressed : 1];
    if (!data) {
        std::printf("%s解压失败!\n", e.name);
        return nullptr;
    }
    archive::InflateInput input(fileno(mFile), e.offset);
    unsigned long produced = 0;
    int status = archive::InflateToMemory(input, data, e.uncompressed, e.compressed, &produced);
    if (status != 0) {
        std::printf("%s解压失败!\n", e.name);
        delete[] data;
        return nullptr;
    }
    if (produced != e.uncompressed) {
        std::printf("文件数据大小不对，解压失败！\n");
        delete[] data;
        return nullptr;
    }
    std::printf("%s解压成功，压缩数据:%ld 解压后数据:%ld \n", e.name, static_cast<long>(e.compressed),
                static_cast<long>(e.uncompressed));
    if (size) *size = e.uncompressed;
    return data;
}

}  // namespace kest2d
