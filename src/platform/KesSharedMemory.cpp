#include "platform/KesSharedMemory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace kest2d {
namespace platform {

KesSharedMemory::~KesSharedMemory() { Close(); }

bool KesSharedMemory::Create(const std::string& name, size_t size) {
    Close();
    const char* over = std::getenv("KEST2D_SHM_NAME");
    m_name = "/" + std::string(over && *over ? over : name.c_str());
    int fd = ::shm_open(m_name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    bool created = fd >= 0;
    if (!created && errno == EEXIST) fd = ::shm_open(m_name.c_str(), O_RDWR, 0600);
    if (fd < 0) return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || (static_cast<size_t>(st.st_size) < size && ::ftruncate(fd, static_cast<off_t>(size)) != 0)) {
        ::close(fd);
        if (created) ::shm_unlink(m_name.c_str());
        return false;
    }
    m_fd = fd;
    m_size = size;
    m_created = created;
    return true;
}

void* KesSharedMemory::MapView() {
    if (m_fd < 0) return nullptr;
    void* p = ::mmap(nullptr, m_size, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, 0);
    return p == MAP_FAILED ? nullptr : p;
}

void KesSharedMemory::FlushView(void* view, size_t size) {
    if (view) ::msync(view, size, MS_ASYNC);
}

void KesSharedMemory::UnmapView(void* view) {
    if (view) ::munmap(view, m_size);
}

void KesSharedMemory::Close() {
    if (m_fd < 0) return;
    ::close(m_fd);
    // The block lives as long as its creator, as a paging-file mapping does.
    if (m_created) ::shm_unlink(m_name.c_str());
    m_fd = -1;
    m_created = false;
    m_size = 0;
}

}  // namespace platform
}  // namespace kest2d
