#include "platform/KesSharedMemory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace kest2d {
namespace platform {

KesSharedMemory::~KesSharedMemory() { Close(); }

// Every user of a block holds a shared lock on it for as long as it has the
// block open; the last one to leave (the only one that can take the lock
// exclusively) removes the name, as Windows drops a named mapping with its last
// handle. An opener that got hold of a block just as its last user removed it
// sees no link left and starts over with a new block.
bool KesSharedMemory::Create(const std::string& name, size_t size) {
    Close();
    const char* over = std::getenv("KEST2D_SHM_NAME");
    m_name = "/" + std::string(over && *over ? over : name.c_str());
    for (int attempt = 0; attempt < 16; ++attempt) {
        const int fd = ::shm_open(m_name.c_str(), O_RDWR | O_CREAT, 0600);
        if (fd < 0) return false;
        struct stat st;
        if (::flock(fd, LOCK_SH) != 0 || ::fstat(fd, &st) != 0) {
            ::close(fd);
            return false;
        }
        if (st.st_nlink == 0) {
            ::close(fd);
            continue;
        }
        m_fd = fd;
        if (static_cast<size_t>(st.st_size) < size && ::ftruncate(fd, static_cast<off_t>(size)) != 0) {
            Close();
            return false;
        }
        m_size = size;
        return true;
    }
    return false;
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
    // Without another user the exclusive lock is granted; with it held no one
    // else can remove the name, so it still names this block when it has a link.
    struct stat st;
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(m_fd, &st) == 0 && st.st_nlink > 0)
        ::shm_unlink(m_name.c_str());
    ::close(m_fd);
    m_fd = -1;
    m_size = 0;
}

}  // namespace platform
}  // namespace kest2d
