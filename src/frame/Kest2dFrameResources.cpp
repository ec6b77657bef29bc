// Resources and ".pak" archives.
#include <cstdio>

#include "frame/Kest2dBaseFrame.h"
#include "platform/KesFiles.h"

namespace kest2d {

void CKesBaseFrame::LoadGameResourcesFromCurDir() {}

void CKesBaseFrame::ClearAllPackagers() {}

bool CKesBaseFrame::ExtractAllFiles(std::string /*folder*/) { return false; }

void* CKesBaseFrame::LoadResource(const char* name, unsigned long* size) {
    if (size) *size = 0;
    if (!name || !*name) return nullptr;
    FILE* f = platform::OpenFile(name, "rb");
    if (!f) return nullptr;
    std::fseek(f, 0, SEEK_END);
    long len = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    if (len <= 0) {
        std::fclose(f);
        return nullptr;
    }
    unsigned char* buf = new unsigned char[static_cast<size_t>(len)];
    size_t got = std::fread(buf, 1, static_cast<size_t>(len), f);
    std::fclose(f);
    if (got != static_cast<size_t>(len)) {
        delete[] buf;
        return nullptr;
    }
    if (size) *size = static_cast<unsigned long>(len);
    return buf;
}

}  // namespace kest2d
