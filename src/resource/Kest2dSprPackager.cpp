#include "resource/Kest2dSprPackager.h"

#include <cstring>
#include <mutex>
#include <new>

#include "resource/Kest2dPackager.h"
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
    unsigned char head[archive::SPR_HEADER_SIZE];
    if (!OpenHeaderLocked(path, head, sizeof(head))) return false;
    ReadTagAndCount(head, mHeader);
    mHeader.width = archive::ReadI32(head + 8);
    mHeader.height = archive::ReadI32(head + 12);
    mHeader.speed = archive::ReadI32(head + 16);
    if (!HasTag(head, "SPR")) return false;
    unsigned char rec[archive::SPR_ENTRY_SIZE];
    ReadRecordsLocked(mHeader.count, rec, sizeof(rec), [this](const unsigned char* r) {
        SprFileEntry entry;
        std::memcpy(entry.name, r, archive::SPR_NAME_SIZE);
        entry.name[archive::SPR_NAME_SIZE - 1] = '\0';
        entry.shown = r[264];
        std::memcpy(entry.pad, r + 265, 3);
        ReadEntryPlace(r, archive::SPR_ENTRY_SIZE, entry);
        mEntries.push_back(entry);
    });
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
    return InflateEntryLocked(e.name, e.offset, e.compressed, e.uncompressed, size);
}

}  // namespace kest2d
