// A named block of shared memory (the stand-in of a paging-file-backed file
// mapping): POSIX shm_open and mmap. Other processes open it by the same name;
// each user holds a shared flock on it while it has it open.
#pragma once

#include <cstddef>
#include <string>

namespace kest2d {
namespace platform {

class KesSharedMemory {
public:
    KesSharedMemory() = default;
    ~KesSharedMemory();
    KesSharedMemory(const KesSharedMemory&) = delete;
    KesSharedMemory& operator=(const KesSharedMemory&) = delete;

    // Creates the block, or opens it when it exists already. The name stays
    // reachable while any user (in any process) has the block open and goes
    // with the last one's Close. The name may be
    // redirected with the environment variable KEST2D_SHM_NAME (tests do, so
    // that parallel test processes do not share one block).
    bool Create(const std::string& name, size_t size);
    bool IsOpen() const { return m_fd >= 0; }
    // Maps the whole block; null on failure.
    void* MapView();
    void FlushView(void* view, size_t size);
    void UnmapView(void* view);
    void Close();
    size_t Size() const { return m_size; }
    const std::string& Name() const { return m_name; }

private:
    int m_fd = -1;
    size_t m_size = 0;
    std::string m_name;
};

}  // namespace platform
}  // namespace kest2d
