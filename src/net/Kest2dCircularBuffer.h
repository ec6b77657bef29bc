// The socket client's receive ring: a two-region ring buffer. Unread bytes are
// always region A followed by region B; B starts at the storage start once A
// has run into the end of the storage and there is more room before A.
#pragma once

#include <cstddef>

namespace kest2d {

class CKesCircularBuffer {
public:
    CKesCircularBuffer() = default;
    ~CKesCircularBuffer() { Release(); }
    CKesCircularBuffer(const CKesCircularBuffer&) = delete;
    CKesCircularBuffer& operator=(const CKesCircularBuffer&) = delete;

    // Storage of `size` bytes (any earlier storage is released); false when
    // it cannot be had.
    bool Allocate(unsigned int size);
    void Release();
    // Forgets every unread byte.
    void Reset();

    // Bytes the next receive may write contiguously at WritePosition().
    unsigned int FreeSpace();
    char* WritePosition() const;
    // Accounts `n` bytes written at WritePosition() (at most FreeSpace()).
    void Commit(unsigned int n);
    // Takes the `n` oldest bytes; false (and nothing taken) when fewer wait.
    bool Read(char* destination, unsigned int n);

    unsigned int Unread() const { return mSizeA + mSizeB; }
    unsigned int Capacity() const { return static_cast<unsigned int>(mEnd - mStart); }

private:
    char* mStart = nullptr;
    char* mEnd = nullptr;
    char* mA = nullptr;
    unsigned int mSizeA = 0;
    char* mB = nullptr;  // null while region B is not in use
    unsigned int mSizeB = 0;
};

}  // namespace kest2d
